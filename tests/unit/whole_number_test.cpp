// The one reader of whole numbers in outside text.
#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "app/WholeNumber.h"

namespace zel {
namespace {

TEST(ParseWholeNumber, ReadsOnlyDigitsWithinTheRange) {
  const struct {
    const char* text;
    long long min, max;
    std::optional<long long> value;
  } cases[] = {
      {"0", 0, 65535, 0},
      {"65535", 0, 65535, 65535},
      {"00042", 0, 65535, 42},
      {"65536", 0, 65535, std::nullopt},
      {"000042", 0, 65535, std::nullopt},  // more digits than the bound
      {"", 0, 65535, std::nullopt},
      {"+1", 0, 65535, std::nullopt},  // no sign where nothing is negative
      {"-0", 0, 65535, std::nullopt},
      {" 1", 0, 65535, std::nullopt},
      {"1 ", 0, 65535, std::nullopt},
      {"1a", 0, 65535, std::nullopt},
      {"0x10", 0, 65535, std::nullopt},
      {"0", 1, 999999999, std::nullopt},
      {"999999999", 1, 999999999, 999999999},
      {"-12", -99999999, 999999999, -12},
      {"+12", -99999999, 999999999, 12},
      {"-", -99999999, 999999999, std::nullopt},
      {"+-1", -99999999, 999999999, std::nullopt},
      {"-9223372036854775808", LLONG_MIN, LLONG_MAX, LLONG_MIN},
      {"9223372036854775808", LLONG_MIN, LLONG_MAX, std::nullopt},
      {"99999999999999999999", LLONG_MIN, LLONG_MAX, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseWholeNumber(c.text, c.min, c.max), c.value) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace zel
