#include <algorithm>

#include "export/SpreadsheetLink.h"

namespace zel {

int RouteDeadline::RemainingMs() const {
  return static_cast<int>(std::max<std::int64_t>(end_ - clock_.TickMs(), 0));
}

int RouteDeadline::Left() const {
  const int left = RemainingMs();
  if (left == 0) throw SpreadsheetError("out of time");
  return left;
}

}  // namespace zel
