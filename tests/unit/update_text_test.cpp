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

TEST(VersionOrder, OnlyOneToFourNumbersUpTo65535AreVersionsAndTheyCompareNumerically) {
  // What a version file may list: anything that is no version lists none. Leading zeros are
  // no digits of the value ("3.0.0.006121" is 3.0.0.6121).
  const struct {
    const char* file;
    bool valid;
  } listed[] = {
      {"3.0.0.9\\..\\..\\x", false}, {"3.0.0.9/x", false}, {"3.0.0.9?x", false},
      {"1.0 & calc", false},        {"3.0.0.9\"x", false},    {"1.2.3.4.5", false},
      {"70000.0", false},           {"+1", false},           {"", false},
      {" 3.0.0.6200 ", true},       {"3", true},             {"65535.0.0.00001", true},
      {"3..0", false},              {"3.0.", false},         {".3", false},
      {"000002", true},             {"-1", false},           {"3.0.0.6e2", false},
      {"3.0.0.006121", true},       {"0065535", true},       {"065536", false},
      {"3.0.0.0", true},            {"00000000000000000002", true}, {"3.00100000", false},
  };
  for (const auto& c : listed) {
    const std::string v = ListedVersion(SplitLines(c.file));
    EXPECT_EQ(ParseVersion(v).has_value(), c.valid) << '"' << c.file << '"';
    EXPECT_EQ(IsNewerVersion(v, "1.0"), c.valid) << '"' << c.file << '"';
  }
  EXPECT_EQ(ParseVersion("3.0.0.6200"), (VersionNumbers{3, 0, 0, 6200}));

  const struct {
    const char* candidate;
    const char* current;
    bool newer;
  } order[] = {
      {"3.0.0.6200", "3.0.0.6121", true},
      {"3.0.0.6121", "3.0.0.6121", false},
      {"3.0.0.10000", "3.0.0.6121", true},  // not older, as a text comparison would have it
      {"3.0.1", "3.0.0.9", true},
      {"3.0", "3.0.0.0", false},
      {"3.0.0.1", "3", true},
      {"10", "2", true},
      {"3.0.0.0612", "3.0.0.612", false},
      {"3.0.0.006122", "3.0.0.6121", true},
      {"3.0.0.6121", "3.0.0.006121", false},
      {"3.0.0.006121", "3.0.0.6121", false},
      {"1.0", "", true},  // a running program without version information
      {"1.0", "1a", true},
      {"", "1.0", false},
  };
  for (const auto& c : order) {
    EXPECT_EQ(IsNewerVersion(c.candidate, c.current), c.newer) << c.candidate << " / " << c.current;
  }
}

TEST(VersionOrder, IsATotalOrderOverValidAndInvalidTexts) {
  std::vector<std::string> texts{"", "1a", "2", "10", "x.1", "70000", "007", "0.010", "065536"};
  for (const char* a : {"0", "1", "9", "10", "65535"}) {
    for (const char* b : {"", ".0", ".1", ".10", ".2.0.0", ".0.0.1"}) {
      texts.push_back(a + std::string(b));
    }
  }
  const auto cmp = [](const std::string& a, const std::string& b) { return CompareVersions(a, b); };
  for (const auto& a : texts) {
    EXPECT_EQ(cmp(a, a), 0) << a;
    for (const auto& b : texts) {
      ASSERT_EQ(cmp(a, b), -cmp(b, a)) << a << " / " << b;
      for (const auto& c : texts) {
        if (cmp(a, b) <= 0 && cmp(b, c) <= 0) {
          ASSERT_LE(cmp(a, c), 0) << a << " <= " << b << " <= " << c;
        }
      }
    }
  }
}

TEST(TrustedReplacement, SameSubjectAndIssuerWithAValidSignatureOnly) {
  const Signature publisher{SignatureState::Valid, "CN=Brixmoor, O=Brixmoor", "CN=Brixmoor CA"};
  const Signature unsigned_{};
  const struct {
    const char* what;
    Signature running;
    Signature candidate;
    bool trusted;
  } cases[] = {
      {"same publisher", publisher, publisher, true},
      {"unsigned candidate", publisher, unsigned_, false},
      {"changed after signing", publisher,
       {SignatureState::Invalid, publisher.subject, publisher.issuer}, false},
      {"other subject", publisher, {SignatureState::Valid, "CN=Other", publisher.issuer}, false},
      {"same subject, other issuer", publisher,
       {SignatureState::Valid, publisher.subject, "CN=Other CA"}, false},
      {"unsigned running program", unsigned_, publisher, false},
      {"both unsigned", unsigned_, unsigned_, false},
      {"no names read", {SignatureState::Valid, "", ""}, {SignatureState::Valid, "", ""}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsTrustedReplacement(c.running, c.candidate), c.trusted) << c.what;
  }
}

}  // namespace
}  // namespace zel
