// The insert commands of the pages: one read of the page, the route reached, and what the page
// is told afterwards; and the page side, in the browser of the current layout.
#include <gtest/gtest.h>

#include <functional>

#include "bridge/InsertPage.h"
#include "export/InsertCommand.h"
#include "tests/fakes/FakeBrowser.h"
#include "tests/fakes/FakeExport.h"
#include "tests/fakes/FakeShell.h"
#include "tests/unit/ExportTexts.h"

namespace zel::fakes {
namespace {

// The export ports of an insert, and the command over a page.
struct Spreadsheets {
  TInsertCommand Command(IInsertPage& page) {
    return TInsertCommand(globals, {page, dde, automation, clipboard, clock});
  }
  Journal journal;
  TGlobals globals;
  FakeClock clock;
  FakeClipboard clipboard{journal};
  FakeDde dde{journal, clipboard};
  FakeAutomation automation{journal};
};

struct InsertCommandTest : ::testing::Test {
  InsertCommandTest() { page.row = "A#B"; }
  Spreadsheets s;
  FakeInsertPage page;
  TInsertCommand command = s.Command(page);
};

TEST(InsertCommand, EachOutcomeTellsThePageItsOwnWay) {
  const struct {
    const char* name;
    std::string settings;
    bool ddeExcel, oleExcel, wpsRunning;
    std::optional<std::string> selection;
    std::vector<std::string> messages;
    int counted;
  } cases[] = {
      {"Excel by DDE", R"({"soft":"EXCEL"})", true, true, false, "R1C1", {}, 1},
      {"Excel by automation", R"({"soft":"EXCEL"})", false, true, false, "R1C1", {}, 1},
      {"no Excel", R"({"soft":"EXCEL"})", false, false, false, "R1C1", {"亲，请先打开Excel，再来插入吧！"}, 0},
      {"WPS", R"({"soft":"wps"})", false, false, true, "R1C1", {}, 1},
      {"no WPS", R"({"soft":"wps"})", true, true, false, "R1C1", {"亲，请先打开WPS，再来插入吧！"}, 0},
      {"no ExWinner", R"({"soft":"EXWINNER"})", false, true, true, "R1C1",
       {"亲，请先打开ExWinner，再来插入吧！"}, 0},
      {"no ExWinner cell", R"({"soft":"EXWINNER"})", true, true, true, "",
       {"亲，请先选择要插入的单元格，再来插入吧！"}, 0},
      // A line too short for ExWinner's layout stops quietly.
      {"short ExWinner line", R"({"soft":"EXWINNER"})", true, true, true, "R1C1", {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Spreadsheets s;
    FakeInsertPage page;
    TInsertCommand command = s.Command(page);
    s.dde.running = c.ddeExcel;
    s.dde.runningService = c.settings.find("EXWINNER") != std::string::npos ? "EXCEL" : "Excel";
    s.dde.replies["Selection"] = c.selection;
    s.automation.sheets["EXCEL.Application"].running = c.oleExcel;
    s.automation.sheets["KET.Application"].running = c.wpsRunning;
    page.settings = c.settings;
    page.row = "A#B";
    command.InsertExcelEventHandle();
    EXPECT_EQ(page.messages, c.messages);
    EXPECT_EQ(page.counted, c.counted);
    EXPECT_EQ(s.globals.SettingJson, c.settings);
  }
}

TEST_F(InsertCommandTest, AClickReadsThePageOnceAndACaptionNeedsNoRow) {
  page.settings = R"({"soft":"EXCEL","title":",a"})";
  command.InsertExcelEventHandle();
  EXPECT_EQ(s.dde.grid, (Grid{{{1, 1}, "A"}, {{1, 2}, "B"}}));
  EXPECT_EQ(page.settingsReads, 1);
  EXPECT_EQ(page.rowReads, 1);

  command.InsertTitle2ExcelEventHandle();
  EXPECT_EQ(page.settingsReads, 2);
  EXPECT_EQ(page.rowReads, 1);
  EXPECT_EQ(s.dde.grid.at({2, 2}), "a");
}

TEST_F(InsertCommandTest, ARowWithATabGoesByAutomationIntact) {
  auto& excel = s.automation.sheets["EXCEL.Application"];
  excel.running = true;
  page.settings = R"({"soft":"EXCEL"})";
  page.row = "规格\t12#a\nb";
  command.InsertExcelEventHandle();
  EXPECT_TRUE(s.dde.commands.empty());
  EXPECT_EQ(excel.grid, (Grid{{{1, 1}, "规格\t12"}, {{1, 2}, "a\nb"}}));
  EXPECT_EQ(page.counted, 1);
}

TEST_F(InsertCommandTest, APageThatCannotBeReadLeavesTheClickWithNothingWritten) {
  page.settings = R"({"soft":"EXCEL"})";
  page.failReads = true;
  EXPECT_THROW(command.InsertExcelEventHandle(), BrowserError);
  EXPECT_TRUE(s.dde.commands.empty());
  EXPECT_TRUE(page.messages.empty());
  EXPECT_EQ(page.counted, 0);
}

// An Excel that never answers holds the click for each route's own ten seconds, no longer: the
// automation route still gets its time after DDE has spent all of its own.
TEST(InsertCommand, AnUnansweringExcelHoldsTheClickForEachRoutesDeadlineOnly) {
  const struct {
    bool oleAnswers;
    std::vector<std::string> messages;
    std::int64_t tookMs;
  } cases[] = {{true, {}, 10000}, {false, {"Excel没有响应，请稍后再试！"}, 20000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.oleAnswers);
    Spreadsheets s;
    FakeInsertPage page;
    TInsertCommand command = s.Command(page);
    s.dde.answers = {&s.clock, 0, true, {}, false};
    auto& excel = s.automation.sheets["EXCEL.Application"];
    excel.running = true;
    excel.answers = {&s.clock, 0, !c.oleAnswers, {}, false};
    page.settings = R"({"soft":"EXCEL"})";
    page.row = "A#B";
    const std::int64_t start = s.clock.tick;
    command.InsertExcelEventHandle();
    EXPECT_EQ(page.messages, c.messages);
    EXPECT_EQ(s.clock.tick - start, c.tookMs);
    EXPECT_EQ(excel.grid.size(), c.oleAnswers ? 2u : 0u);
  }
}

// A spreadsheet editing a cell, or one that may still carry out a call given up on, ends the
// click: no other route or ProgID writes the row, and the page says what is going on.
TEST(InsertCommand, ABusyOrLateSpreadsheetEndsTheClickWithItsOwnMessage) {
  const char* const kExcelEditing = "Excel正在编辑单元格，请按回车键或Esc键结束编辑后再插入！";
  const char* const kWpsEditing = "WPS正在编辑单元格，请按回车键或Esc键结束编辑后再插入！";
  const struct {
    const char* name;
    const char* soft;
    std::function<void(Spreadsheets&)> setUp;
    const char* message;
    std::int64_t tookMs;
  } cases[] = {
      {"Excel's DDE busy", "EXCEL", [](Spreadsheets& s) { s.dde.answers.busy = true; },
       kExcelEditing, 2000},
      {"Excel's automation busy", "EXCEL",
       [](Spreadsheets& s) {
         s.dde.running = false;
         s.automation.sheets["EXCEL.Application"].answers = {&s.clock, 0, false, {}, true};
       },
       kExcelEditing, 2000},
      {"Excel's paste unanswered", "EXCEL",
       [](Spreadsheets& s) { s.dde.outcomes = {DdeOutcome::TimedOut}; },
       "Excel没有响应，请稍后再试！", 0},
      {"KET busy", "WPS",
       [](Spreadsheets& s) { s.automation.sheets["KET.Application"] = {true, {}, {}, {}, -1, 0, false, 0, {&s.clock, 0, false, {}, true}}; },
       kWpsEditing, 2000},
      {"KET silent", "WPS",
       [](Spreadsheets& s) { s.automation.sheets["KET.Application"] = {true, {}, {}, {}, -1, 0, false, 0, {&s.clock, 0, true, {}, false}}; },
       "WPS没有响应，请稍后再试！", 10000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Spreadsheets s;
    FakeInsertPage page;
    TInsertCommand command = s.Command(page);
    s.dde.answers.clock = &s.clock;
    for (const char* progId : {"EXCEL.Application", "ET.Application"}) {
      s.automation.sheets[progId].running = true;
    }
    c.setUp(s);
    page.settings = std::string(R"({"soft":")") + c.soft + "\"}";
    page.row = "A#B";
    const std::int64_t start = s.clock.tick;
    command.InsertExcelEventHandle();
    EXPECT_EQ(page.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(page.counted, 0);
    EXPECT_EQ(s.clock.tick - start, c.tookMs);
    EXPECT_TRUE(s.dde.grid.empty());
    EXPECT_TRUE(s.automation.sheets["EXCEL.Application"].grid.empty());
    EXPECT_TRUE(s.automation.sheets["ET.Application"].grid.empty());
  }
}

// The page side over the main window's two browsers.
struct InsertPageTest : ::testing::Test {
  InsertPageTest() {
    wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    wb1.AddElement("SettingStrID", R"({"soft":"EXCEL"})");
    wb1.AddElement("InsertExcelStrID", "wide row");
    wb2.LoadPage("http://127.0.0.1/pcprice/default/indexzb");
    wb2.AddElement("InsertExcelStrID", "narrow#row");
    browsers.narrowActive = true;
  }
  FakeBrowser wb1{"wb1"};
  FakeBrowser wb2{"wb2"};
  FakeMainBrowsers browsers{wb1, wb2};
  TInsertPage page{browsers};
};

TEST_F(InsertPageTest, SettingsComeFromTheWidePageAndEverythingElseGoesWithTheLayout) {
  EXPECT_EQ(page.SettingsText(), R"({"soft":"EXCEL"})");
  EXPECT_EQ(page.GetExcelStr(), "narrow#row");
  page.ShowMsgByDiv("请先\"打开\"Excel\\");
  page.InsertExcelLog();
  EXPECT_EQ(wb2.scripts, (std::vector<std::string>{"alertMsg(\"请先\\\"打开\\\"Excel\\\\\")", kLogScript}));
  EXPECT_TRUE(wb1.scripts.empty());

  browsers.narrowActive = false;
  EXPECT_EQ(page.GetExcelStr(), "wide row");
  wb1.ClearDocument();
  EXPECT_EQ(page.SettingsText(), "");
  wb2.failLookups = true;
  browsers.narrowActive = true;
  EXPECT_THROW(page.GetExcelStr(), BrowserError);
}

// A page that cannot count the row is no failed insert: no second route, no message.
TEST_F(InsertPageTest, AFailedCountIsNoFailedInsert) {
  Spreadsheets s;
  s.automation.sheets["EXCEL.Application"].running = true;
  TInsertCommand command = s.Command(page);
  wb2.failingScripts = {kLogScript};
  command.InsertExcelEventHandle();
  EXPECT_EQ(s.dde.grid, (Grid{{{1, 1}, "narrow"}, {{1, 2}, "row"}}));
  EXPECT_EQ(s.automation.sheets["EXCEL.Application"].calls, 0);
  EXPECT_EQ(wb2.scripts, std::vector<std::string>{kLogScript});
  EXPECT_EQ(wb1.lookups["SettingStrID"], 1);
  EXPECT_EQ(wb2.lookups["InsertExcelStrID"], 1);
}

}  // namespace
}  // namespace zel::fakes
