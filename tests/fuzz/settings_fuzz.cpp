// The settings reader never raises, whatever a page hands over: a string member comes back as
// its text, any other member as JSON text that parses to the same value.
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "app/Global.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto doc = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  for (const char* name : {"soft", "title", "state"}) {
    const std::string value = zel::GetJsonValue(name, text);
    if (value.empty()) continue;
    // A member can only come from an object (a nested-too-deep one gives none).
    if (!doc.is_object() || !doc.contains(name)) __builtin_trap();
    const auto& member = doc.at(name);
    if (member.is_string()) {
      if (value != member.get<std::string>()) __builtin_trap();
      continue;
    }
    // Compared with the member written out once: a number beyond double range reads as null.
    const auto again = nlohmann::json::parse(value, nullptr, false);
    if (again.is_discarded() || again != nlohmann::json::parse(member.dump())) __builtin_trap();
  }
  return 0;
}
