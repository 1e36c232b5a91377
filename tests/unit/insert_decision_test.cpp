// What an insert click decides from the page's request: the target and its cells.
#include <gtest/gtest.h>

#include "export/Insert.h"

namespace zel {
namespace {

using Action = InsertDecision::Action;
using V = std::vector<std::string>;

InsertDecision Row(const std::string& settings, const std::string& row) {
  return DecideInsert(InsertKind::Row, {settings, row}, "#");
}
InsertDecision Caption(const std::string& settings) {
  return DecideInsert(InsertKind::Caption, {settings, "not read"}, "#");
}

TEST(InsertDecision, SoftPicksTheApplicationAndTheKindPicksTheCells) {
  const std::string title = R"("title":",a,b")";
  const struct {
    std::string settings;
    Action row, caption;
  } cases[] = {
      {"{" + title + R"(,"soft":"EXCEL"})", Action::Excel, Action::Excel},
      {"{" + title + R"(,"soft":"excel"})", Action::Excel, Action::Excel},
      {"{" + title + R"(,"soft":""})", Action::Excel, Action::Excel},
      {"{" + title + "}", Action::Excel, Action::Excel},
      {"{" + title + R"(,"soft":"EXWINNER"})", Action::ExWinner, Action::Message},
      // ExWinner is chosen in any case, but takes a line only under its exact name.
      {"{" + title + R"(,"soft":"exwinner"})", Action::Nothing, Action::Message},
      {"{" + title + R"(,"soft":"wps"})", Action::Wps, Action::Wps},
      {"{" + title + R"(,"soft":"WPS表格"})", Action::Wps, Action::Wps},
      // No settings at all: rows to Excel, and no captions to insert.
      {"", Action::Excel, Action::Nothing},
      {"[]", Action::Excel, Action::Nothing},
      {"not json", Action::Excel, Action::Nothing},
      {R"({"title":"","soft":"wps"})", Action::Wps, Action::Nothing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    const InsertDecision row = Row(c.settings, "A#B");
    EXPECT_EQ(row.action, c.row);
    if (c.row != Action::Nothing) {
      EXPECT_EQ(row.values, (V{"A", "B"}));
    }
    const InsertDecision caption = Caption(c.settings);
    EXPECT_EQ(caption.action, c.caption);
    if (c.caption == Action::Message) {
      EXPECT_EQ(caption.message, "表头不能插入ExWinner");
    }
    if (c.caption == Action::Excel || c.caption == Action::Wps) {
      EXPECT_EQ(caption.values, (V{"", "a", "b"}));
    }
  }
}

TEST(InsertDecision, TheRowTextSplitsIntoOneCellPerSeparator) {
  const std::pair<std::string, V> cases[] = {
      {"a##b", {"a", "", "b"}}, {"a#b#", {"a", "b"}}, {"#a", {"", "a"}},
      {"#", {""}},              {"a#[blank]#c", {"a", "[blank]", "c"}},
  };
  for (const auto& [row, values] : cases) EXPECT_EQ(Row(R"({"soft":"EXCEL"})", row).values, values) << row;
  EXPECT_EQ(Row(R"({"soft":"EXCEL"})", "").action, Action::Nothing);
  EXPECT_EQ(Row(R"({"soft":"EXWINNER"})", "").action, Action::Nothing);

  const InsertDecision captions =
      Caption(R"({"title":",名称,规格,单位,数量,单价,金额,厂商,表价,折扣","soft":"EXCEL","state":"0"})");
  ASSERT_EQ(captions.values.size(), 10u);
  EXPECT_EQ(captions.values[0], "");
  EXPECT_EQ(captions.values[1], "名称");
}

// Every route's cells are the texts the spreadsheet must be given; ExWinner's only lose links.
TEST(InsertDecision, EachValueIsGivenAsItsCellMustHoldIt) {
  const std::string row = "0603#1.00#=E3*F3#=cmd|' /C calc'!A0#[blank]";
  EXPECT_EQ(Row(R"({"soft":"EXCEL"})", row).values,
            (V{"'0603", "1.00", "=E3*F3", "'=cmd|' /C calc'!A0", "[blank]"}));
  EXPECT_EQ(Row(R"({"soft":"WPS"})", row).values, Row(R"({"soft":"EXCEL"})", row).values);
  EXPECT_EQ(Row(R"({"soft":"EXWINNER"})", row).values,
            (V{"0603", "1.00", "=E3*F3", "'=cmd|' /C calc'!A0", "[blank]"}));
  EXPECT_EQ(Caption(R"({"title":",0603,名称","soft":"EXCEL"})").values, (V{"", "'0603", "名称"}));
}

}  // namespace
}  // namespace zel
