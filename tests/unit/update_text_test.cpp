#include <gtest/gtest.h>

#include "update/UpdateText.h"

namespace zel {
namespace {

TEST(ListedVersion, FirstLineWithTextWithoutBlanksTabsOrLineEnds) {
  const struct {
    const char* file;
    const char* version;
  } cases[] = {
      {"\r\n  3.0.0.6200 \r\n", "3.0.0.6200"},
      {"\n\t 3.0. 0.\t6200\t\n3.0.0.1", "3.0.0.6200"},
      {"3.0.0.6000\r9.9.9.9", "3.0.0.6000"},
      {" \t \r\n\t\r\n", ""},
      {"", ""},
      {"\r\r\n\n2.1", "2.1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ListedVersion(SplitLines(c.file)), c.version) << '"' << c.file << '"';
  }
  EXPECT_EQ(SplitLines("a\r\n\r\nb\rc\n"), (std::vector<std::string>{"a", "", "b", "c"}));
}

TEST(VersionOrder, NumbersByPartTextOtherwiseMissingPartsAreZero) {
  const struct {
    const char* candidate;
    const char* current;
    bool newer;
  } cases[] = {
      {"3.0.0.6200", "3.0.0.6121", true},
      {"3.0.0.6121", "3.0.0.6121", false},
      {"3.0.0.6000", "3.0.0.6121", false},
      {"3.0.0.10000", "3.0.0.6121", true},  // not older, as a text comparison would have it
      {"3.0.0.6121", "3.0.0.10000", false},
      {"3.0.1", "3.0.0.9", true},
      {"3.0", "3.0.0.0", false},
      {"3.0.0.1", "3.0", true},
      {"3.0.0.6121b", "3.0.0.6121a", true},
      {"3.0.0.0612", "3.0.0.612", false},
      {"99999999999999999999.0", "9999999999999999999.0", true},
      {"1.0", "", true},
      {"", "3.0.0.6121", false},
      {"", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsNewerVersion(c.candidate, c.current), c.newer) << c.candidate << " / " << c.current;
  }
}

}  // namespace
}  // namespace zel
