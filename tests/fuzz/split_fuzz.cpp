// Splitting the row text loses nothing but one trailing separator: the items joined again give
// the text back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/Global.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string separator(1, static_cast<char>(data[0]));
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto items = zel::SplitString(text, separator);
  std::string joined;
  for (std::size_t i = 0; i < items.size(); ++i) joined += (i > 0 ? separator : "") + items[i];
  const bool trailing = !text.empty() && text.back() == separator[0];
  const std::string expected = trailing ? text.substr(0, text.size() - 1) : text;
  // "#" alone gives one empty item, which joins back to nothing: the same as the expected text.
  if (joined != expected) __builtin_trap();
  return 0;
}
