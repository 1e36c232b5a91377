#include "app/Global.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

using Items = std::vector<std::string>;

TEST(SplitString, FollowsTheSeparatorRules) {
  const struct {
    const char* text;
    const char* separator;
    Items expected;
  } cases[] = {
      {"a#b#", "#", {"a", "b"}},
      {"a,,b", ",", {"a", "", "b"}},
      {",a", ",", {"", "a"}},
      {"a,", ",", {"a"}},
      {"", ",", {}},
      {"#", "#", {""}},
      {"##", "#", {"", ""}},
      {"abc", "#", {"abc"}},
      {"名称#规格#[blank]#3", "#", {"名称", "规格", "[blank]", "3"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitString(c.text, c.separator), c.expected) << "text: " << c.text;
  }
}

// Quadratic splitting would take hours on a row text this long; the test's time-out catches it.
TEST(SplitString, SplitsAMillionItemsInOnePass) {
  std::string text;
  for (int i = 0; i < 1000000; ++i) text += "ab#";
  const Items items = SplitString(text, "#");
  ASSERT_EQ(items.size(), 1000000u);
  EXPECT_EQ(items.back(), "ab");
}

TEST(GetJsonValue, NestingBeyondTheBoundReadsAsNoSettings) {
  const auto Nested = [](std::size_t depth) {
    return R"({"state":"1","soft":)" + std::string(depth, '[') + std::string(depth, ']') + "}";
  };
  // Within the bound an array keeps its compact JSON text.
  EXPECT_EQ(GetJsonValue("soft", Nested(200)), std::string(200, '[') + std::string(200, ']'));
  EXPECT_EQ(GetJsonValue("state", Nested(200)), "1");
  // Far beyond it, dumping the member back to text would overflow the stack.
  for (const std::size_t depth : {257u, 200000u}) {
    EXPECT_EQ(GetJsonValue("soft", Nested(depth)), "") << depth;
    EXPECT_EQ(GetJsonValue("state", Nested(depth)), "") << depth;
  }
  // Brackets inside strings are text, not nesting.
  EXPECT_EQ(GetJsonValue("soft", R"({"soft":")" + std::string(1000, '[') + R"("})"), std::string(1000, '['));
}

TEST(GetJsonValue, ReadsMembersOfTheTopLevelObjectAsText) {
  const std::string settings = kInitialSettingJson;
  EXPECT_EQ(GetJsonValue("soft", settings), "EXCEL");
  EXPECT_EQ(GetJsonValue("state", settings), "0");
  EXPECT_EQ(GetJsonValue("title", settings), ",名称,规格,单位,数量,单价,金额,厂商,表价,折扣");
  EXPECT_EQ(GetJsonValue("missing", settings), "");
}

TEST(GetJsonValue, BadOrUnusualInputGivesEmptyOrJsonText) {
  const struct {
    const char* json;
    const char* expected;
  } cases[] = {
      {"", ""},
      {"[]", ""},
      {"not json", ""},
      {"{\"soft\":", ""},
      {"[{\"soft\":\"wps\"}]", ""},
      {"\"soft\"", ""},
      {"{\"soft\":null}", ""},
      {"{\"soft\":12}", "12"},
      {"{\"soft\":1.5}", "1.5"},
      {"{\"soft\":true}", "true"},
      {"{\"soft\":false}", "false"},
      {"{\"soft\":{\"a\":1}}", "{\"a\":1}"},
      {"{\"soft\":[1,\"x\"]}", "[1,\"x\"]"},
      {"{\"soft\":\"a\\\"b\\u4e2d\"}", "a\"b中"},
      {" {\"soft\" : \"wps\"} ", "wps"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetJsonValue("soft", c.json), c.expected) << "json: " << c.json;
  }
}

TEST(LastChar, GivesTheLastWholeCharacter) {
  EXPECT_EQ(LastChar(""), "");
  EXPECT_EQ(LastChar("abc\\"), "\\");
  EXPECT_EQ(LastChar("a/"), "/");
  EXPECT_EQ(LastChar("桌面"), "面");
  EXPECT_EQ(WithoutTrailingSlash("C:\\Users\\桌面\\"), "C:\\Users\\桌面");
  EXPECT_EQ(WithoutTrailingSlash("C:\\a\\\\"), "C:\\a\\");
  EXPECT_EQ(WithTrailingBackslash("C:\\Temp"), "C:\\Temp\\");
  EXPECT_EQ(WithTrailingBackslash("C:\\Temp/"), "C:\\Temp/");
}

TEST(Globals, StartWithTheDefaultHostAndSettings) {
  TGlobals g;
  const std::string base = "http://" + DefaultServiceHost();
  EXPECT_EQ(g.IndexUrl, base + "/pcprice/default/index");
  EXPECT_EQ(g.IndexZbUrl, base + "/pcprice/default/indexzb");
  EXPECT_EQ(g.MiniIndexUrl, base + "/pcprice/default/miniindex");
  EXPECT_EQ(g.VersionUrl, base + "/download/version.txt");
  EXPECT_EQ(g.UpdateInfoUrl, base + "/download/updateInfo.txt");
  EXPECT_EQ(g.SetupUrl, base + "/download/Zel_*.exe");
  EXPECT_EQ(g.SettingJson, kInitialSettingJson);
  EXPECT_EQ(g.NetConnState.load(), 0);
  EXPECT_EQ(DownloadDirName(), "ZelDownLoad");
}

TEST(ParseCommandLine, TakesTheHostFromTheFirstArgument) {
  const struct {
    std::vector<std::string> args;
    const char* host;  // nullptr: unchanged
  } cases[] = {
      {{}, nullptr},
      {{"www.example.com"}, "www.example.com"},
      {{"http://10.0.0.5:8080/"}, "10.0.0.5:8080"},
      {{"http://host\\"}, "host"},
      {{"host:81/"}, "host:81"},
      // "http://" anywhere drops the first seven characters, whatever they are.
      {{"abc http://x"}, "p://x"},
      {{"host", "ignored"}, "host"},
  };
  for (const auto& c : cases) {
    TGlobals g;
    const std::string before = g.IndexUrl;
    ParseCommandLine(g, c.args);
    if (c.host == nullptr) {
      EXPECT_EQ(g.IndexUrl, before);
      continue;
    }
    const std::string base = std::string("http://") + c.host;
    EXPECT_EQ(g.IndexUrl, base + "/pcprice/default/index");
    EXPECT_EQ(g.IndexZbUrl, base + "/pcprice/default/indexzb");
    EXPECT_EQ(g.MiniIndexUrl, base + "/pcprice/default/miniindex");
    // The download addresses keep the default host.
    EXPECT_EQ(g.VersionUrl, DefaultServiceBase() + "/download/version.txt");
  }
}

TEST(ToMilliseconds, OrdersTimesAcrossMonthAndYearEnds) {
  const LocalDateTime a{2026, 12, 31, 23, 59, 59, 999};
  const LocalDateTime b{2027, 1, 1, 0, 0, 0, 0};
  EXPECT_EQ(ToMilliseconds(b) - ToMilliseconds(a), 1);
  const LocalDateTime leap{2028, 2, 29, 0, 0, 0, 0};
  const LocalDateTime march{2028, 3, 1, 0, 0, 0, 0};
  EXPECT_EQ(ToMilliseconds(march) - ToMilliseconds(leap), 86400000);
}

}  // namespace
}  // namespace zel
