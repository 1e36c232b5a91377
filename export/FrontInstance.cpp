#include <algorithm>

#include "export/SpreadsheetLink.h"

namespace zel {

std::optional<std::size_t> FrontInstance(const std::vector<std::uint32_t>& answered,
                                         const std::vector<std::uint32_t>& mainWindowsTopFirst) {
  if (answered.empty()) return std::nullopt;
  if (mainWindowsTopFirst.empty()) return 0;
  const auto it = std::find(answered.begin(), answered.end(), mainWindowsTopFirst.front());
  if (it == answered.end()) return std::nullopt;
  return static_cast<std::size_t>(it - answered.begin());
}

}  // namespace zel
