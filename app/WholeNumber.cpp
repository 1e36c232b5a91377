#include "app/WholeNumber.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace zel {

namespace {
std::size_t DigitCount(long long bound) {
  // Spelled out, not negated: the lowest long long has no positive twin.
  std::string text = std::to_string(bound);
  return text.size() - (bound < 0 ? 1 : 0);
}
}  // namespace

std::optional<long long> ParseWholeNumber(std::string_view text, long long min, long long max) {
  if (min > max) return std::nullopt;
  std::string_view digits = text;
  const bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    if (min >= 0) return std::nullopt;
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.size() > std::max(DigitCount(min), DigitCount(max))) {
    return std::nullopt;
  }
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  // Read with its sign, so that the lowest value of the type is read too.
  const std::string signedDigits = (negative ? "-" : "") + std::string(digits);
  long long value = 0;
  const char* end = signedDigits.data() + signedDigits.size();
  const auto [ptr, ec] = std::from_chars(signedDigits.data(), end, value, 10);
  if (ec != std::errc() || ptr != end || value < min || value > max) return std::nullopt;
  return value;
}

}  // namespace zel
