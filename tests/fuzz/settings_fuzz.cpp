// The settings reader never raises, whatever a page hands over, and a member it gives back as
// JSON text parses again.
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "app/Global.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* name : {"soft", "title", "state"}) {
    const std::string value = zel::GetJsonValue(name, text);
    if (!value.empty() && (value[0] == '[' || value[0] == '{')) {
      if (nlohmann::json::parse(value, nullptr, false).is_discarded()) __builtin_trap();
    }
  }
  return 0;
}
