#include "tests/fakes/FakeShell.h"

namespace zel::fakes {

void FakeClock::Advance(std::int64_t ms) {
  tick += ms;
  ShiftLocalTime(ms);
}

void FakeClock::ShiftLocalTime(std::int64_t ms) {
  // Good enough for tests: normalise through milliseconds within a civil calendar.
  std::int64_t total = ToMilliseconds(now) + ms;
  std::int64_t days = total / 86400000;
  std::int64_t rest = total % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --days;
  }
  // Civil from days (H. Hinnant).
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int y = static_cast<int>(yoe) + static_cast<int>(era) * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  now.year = y + (m <= 2 ? 1 : 0);
  now.month = static_cast<int>(m);
  now.day = static_cast<int>(d);
  now.hour = static_cast<int>(rest / 3600000);
  now.minute = static_cast<int>(rest / 60000 % 60);
  now.second = static_cast<int>(rest / 1000 % 60);
  now.millisecond = static_cast<int>(rest % 1000);
}

}  // namespace zel::fakes
