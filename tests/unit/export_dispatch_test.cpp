// Which application an insert click reaches, and the cell values it hands over.
#include <gtest/gtest.h>

#include "tests/fakes/MainHarness.h"
#include "tests/unit/ExportTexts.h"

namespace zel::fakes {
namespace {

const std::string kDefaultTitle = ",名称,规格,单位,数量,单价,金额,厂商,表价,折扣";

class InsertDispatchTest : public ::testing::Test {
 protected:
  InsertDispatchTest() {
    h.dde.runningService = "Excel";
    for (const char* progId : {"KET.Application", "ET.Application", "EXCEL.Application"}) {
      h.automation.sheets[progId].running = true;
    }
  }
  // The wide page; a null settings text means the page has no "SettingStrID".
  void Page(const std::optional<std::string>& settings, const std::string& row = "A#B") {
    h.wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    if (settings) h.wb1.AddElement("SettingStrID", *settings);
    h.wb1.AddElement("InsertExcelStrID", row);
  }
  // What the click reached first: "excel" (DDE), "exwinner", "wps" (automation) or "".
  std::string Reached() const {
    for (const auto& e : h.journal.entries) {
      if (e == "dde.target Excel System") return "excel";
      if (e == "dde.target EXCEL System") return "exwinner";
      if (e == "ole.get KET.Application") return "wps";
    }
    return "";
  }

  MainHarness h;
};

struct SoftCase {
  std::optional<std::string> settings;
  std::string row, caption;  // where a row insert and a caption insert go
};

TEST_F(InsertDispatchTest, SoftPicksTheApplicationWhateverItsCase) {
  const std::string title = R"("title":",a,b")";
  const SoftCase cases[] = {
      {"{" + title + R"(,"soft":"EXCEL"})", "excel", "excel"},
      {"{" + title + R"(,"soft":"excel"})", "excel", "excel"},
      {"{" + title + R"(,"soft":"Excel"})", "excel", "excel"},
      {"{" + title + R"(,"soft":""})", "excel", "excel"},
      {"{" + title + "}", "excel", "excel"},
      {"{" + title + R"(,"soft":"EXWINNER"})", "exwinner", ""},
      // Routed to ExWinner, whose own check wants the exact upper-case name.
      {"{" + title + R"(,"soft":"exwinner"})", "", ""},
      {"{" + title + R"(,"soft":"wps"})", "wps", "wps"},
      {"{" + title + R"(,"soft":"WPS表格"})", "wps", "wps"},
      {"{" + title + R"(,"soft":"anything"})", "wps", "wps"},
      // No settings at all: Excel, and no captions to insert.
      {std::nullopt, "excel", ""},
      {"", "excel", ""},
      {"[]", "excel", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings.value_or("<no SettingStrID>"));
    Page(c.settings);
    h.globals.SettingJson = "stale";
    h.journal.Clear();
    h.form->InsertExcelEventHandle();
    EXPECT_EQ(Reached(), c.row) << "row insert";
    EXPECT_EQ(h.globals.SettingJson, c.settings.value_or(""));

    h.journal.Clear();
    h.form->InsertTitle2ExcelEventHandle();
    EXPECT_EQ(Reached(), c.caption) << "caption insert";
  }
}

TEST_F(InsertDispatchTest, NoCaptionRowGoesToExWinner) {
  for (const std::string soft : {"EXWINNER", "ExWinner"}) {
    Page(R"({"title":",名称,规格","soft":")" + soft + "\"}");
    h.journal.Clear();
    h.form->InsertTitle2ExcelEventHandle();
    EXPECT_EQ(h.wb1.scripts.back(), "alertMsg(\"表头不能插入ExWinner\")");
    EXPECT_EQ(Reached(), "");
  }
}

TEST_F(InsertDispatchTest, TheDefaultCaptionsFillTenCellsFromAnEmptyFirstOne) {
  Page(R"({"title":")" + kDefaultTitle + R"(","soft":"EXCEL","state":"0"})");
  h.dde.Select(1, 3);
  h.form->InsertTitle2ExcelEventHandle();

  EXPECT_EQ(h.dde.grid.size(), 10u);
  EXPECT_EQ((h.dde.grid[{1, 3}]), "");
  EXPECT_EQ((h.dde.grid[{1, 4}]), "名称");
  EXPECT_EQ((h.dde.grid[{1, 12}]), "折扣");

  // The same captions into WPS, cell by cell.
  auto& wps = h.automation.sheets["KET.Application"];
  wps.active = {4, 2};
  Page(R"({"title":")" + kDefaultTitle + R"(","soft":"WPS"})");
  h.form->InsertTitle2ExcelEventHandle();
  EXPECT_EQ(wps.grid.size(), 10u);
  EXPECT_EQ((wps.grid[{4, 2}]), "");
  EXPECT_EQ((wps.grid[{4, 3}]), "名称");
  EXPECT_EQ((wps.grid[{4, 11}]), "折扣");
  EXPECT_EQ(wps.selected.row, 5);
  EXPECT_EQ(wps.selected.column, 2);
}

TEST_F(InsertDispatchTest, ACaptionListSkipsTheBlankMarkerLikeARow) {
  Page(R"({"title":"a,[blank],c","soft":"EXCEL"})");
  h.form->InsertTitle2ExcelEventHandle();
  EXPECT_EQ(h.dde.grid, (Grid{{{1, 1}, "a"}, {{1, 3}, "c"}}));
}

TEST_F(InsertDispatchTest, NothingToInsertDoesNothingAndSaysNothing) {
  const std::pair<std::string, std::string> pages[] = {
      {R"({"soft":"EXCEL"})", ""},  // row insert without values
      {R"({"title":"","soft":"EXCEL"})", ""},
      {R"({"title":"","soft":"wps"})", ""},
  };
  for (const auto& [settings, row] : pages) {
    SCOPED_TRACE(settings);
    Page(settings, row);
    h.journal.Clear();
    h.form->InsertExcelEventHandle();
    h.form->InsertTitle2ExcelEventHandle();
    EXPECT_EQ(Reached(), "");
    EXPECT_TRUE(h.wb1.scripts.empty());
  }
  // No document in the narrow browser: no row values.
  h.globals.Layout = "V";
  Page(R"({"soft":"EXCEL"})");
  h.journal.Clear();
  h.form->InsertExcelEventHandle();
  EXPECT_EQ(Reached(), "");
}

struct RowCase {
  std::string row;
  Grid grid;
};

TEST_F(InsertDispatchTest, TheRowTextSplitsIntoOneCellPerSeparator) {
  const RowCase cases[] = {
      {"a##b", {{{1, 1}, "a"}, {{1, 2}, ""}, {{1, 3}, "b"}}},
      {"a#b#", {{{1, 1}, "a"}, {{1, 2}, "b"}}},
      {"#a", {{{1, 1}, ""}, {{1, 2}, "a"}}},
      {"#", {{{1, 1}, ""}}},
      {"a#[blank]#c", {{{1, 1}, "a"}, {{1, 3}, "c"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    Page(R"({"soft":"EXCEL"})", c.row);
    h.dde.Select(1, 1);
    h.dde.grid = {{{1, 2}, "kept"}, {{1, 3}, "kept"}, {{1, 4}, "kept"}};
    Grid expected = c.grid;
    for (const auto& [cell, text] : h.dde.grid) expected.emplace(cell, text);
    h.form->InsertExcelEventHandle();
    EXPECT_EQ(h.dde.grid, expected);
  }
}

TEST_F(InsertDispatchTest, BrowserFailuresWhileReadingThePageLeaveTheHandler) {
  Page(R"({"soft":"EXCEL"})");
  h.wb1.failLookups = true;
  EXPECT_THROW(h.form->InsertExcelEventHandle(), BrowserError);
  EXPECT_THROW(h.form->InsertTitle2ExcelEventHandle(), BrowserError);
  EXPECT_EQ(Reached(), "");
}

TEST_F(InsertDispatchTest, APageThatCannotBeToldStillGetsItsRow) {
  Page(R"({"soft":"EXCEL"})", "A");
  h.wb1.failingScripts = {"Q_GetPraiseInsert(2)"};
  h.automation.sheets["EXCEL.Application"].running = true;
  h.form->InsertExcelEventHandle();
  EXPECT_EQ(h.dde.grid, (Grid{{{1, 1}, "A"}}));
  // A failing log script is no failed insert: automation does not write the row again.
  EXPECT_FALSE(h.journal.Has("ole.get EXCEL.Application"));
}

}  // namespace
}  // namespace zel::fakes
