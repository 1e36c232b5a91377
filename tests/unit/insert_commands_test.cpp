// The insert commands of the pages: one read of the page, the route reached, and what the page
// is told afterwards, in the browser of the current layout.
#include <gtest/gtest.h>

#include "tests/fakes/MainHarness.h"
#include "tests/unit/ExportTexts.h"

namespace zel::fakes {
namespace {

class InsertCommandsTest : public ::testing::Test {
 protected:
  void Page(const std::string& settings, const std::string& row = "A#B") {
    h.wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    h.wb1.AddElement("SettingStrID", settings);
    h.wb1.AddElement("InsertExcelStrID", row);
  }
  FakeAutomation::Sheet& Running(const std::string& progId) {
    auto& sheet = h.automation.sheets[progId];
    sheet.running = true;
    return sheet;
  }
  MainHarness h;
};

TEST_F(InsertCommandsTest, EachOutcomeTellsThePageItsOwnWay) {
  const std::string wps = "alertMsg(\"亲，请先打开WPS，再来插入吧！\")";
  const std::string exWinner = "alertMsg(\"亲，请先打开ExWinner，再来插入吧！\")";
  const std::string selectCell = "alertMsg(\"亲，请先选择要插入的单元格，再来插入吧！\")";
  const struct {
    const char* name;
    std::string settings;
    bool ddeExcel, oleExcel, wpsRunning;
    std::optional<std::string> selection;
    std::vector<std::string> scripts;
  } cases[] = {
      {"Excel by DDE", R"({"soft":"EXCEL"})", true, true, false, "R1C1", {kLogScript}},
      {"Excel by automation", R"({"soft":"EXCEL"})", false, true, false, "R1C1", {kLogScript}},
      {"no Excel", R"({"soft":"EXCEL"})", false, false, false, "R1C1", {kExcelMessageScript}},
      {"WPS", R"({"soft":"wps"})", false, false, true, "R1C1", {kLogScript}},
      {"no WPS", R"({"soft":"wps"})", true, true, false, "R1C1", {wps}},
      {"no ExWinner", R"({"soft":"EXWINNER"})", false, true, true, "R1C1", {exWinner}},
      {"no ExWinner cell", R"({"soft":"EXWINNER"})", true, true, true, "", {selectCell}},
      // A line too short for ExWinner's layout stops quietly.
      {"short ExWinner line", R"({"soft":"EXWINNER"})", true, true, true, "R1C1", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MainHarness m;
    m.dde.running = c.ddeExcel;
    m.dde.runningService = c.settings.find("EXWINNER") != std::string::npos ? "EXCEL" : "Excel";
    m.dde.replies["Selection"] = c.selection;
    m.automation.sheets["EXCEL.Application"].running = c.oleExcel;
    m.automation.sheets["KET.Application"].running = c.wpsRunning;
    m.wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    m.wb1.AddElement("SettingStrID", c.settings);
    m.wb1.AddElement("InsertExcelStrID", "A#B");
    m.form->InsertExcelEventHandle();
    EXPECT_EQ(m.wb1.scripts, c.scripts);
    EXPECT_EQ(m.globals.SettingJson, c.settings);
  }
}

TEST_F(InsertCommandsTest, TheClickReadsThePageOnceAndTellsTheLayoutsOwnPage) {
  // Settings always come from the wide page; the row and the log script go with the layout.
  h.globals.Layout = "V";
  Page(R"({"soft":"EXCEL","title":",a"})", "wide row");
  h.wb2.LoadPage("http://127.0.0.1/pcprice/default/indexzb");
  h.wb2.AddElement("InsertExcelStrID", "narrow#row");

  h.form->InsertExcelEventHandle();

  EXPECT_EQ(h.dde.grid, (Grid{{{1, 1}, "narrow"}, {{1, 2}, "row"}}));
  EXPECT_EQ(h.wb2.scripts, std::vector<std::string>{kLogScript});
  EXPECT_TRUE(h.wb1.scripts.empty());
  EXPECT_EQ(h.wb1.lookups["SettingStrID"], 1);
  EXPECT_EQ(h.wb2.lookups["InsertExcelStrID"], 1);

  h.form->InsertTitle2ExcelEventHandle();
  EXPECT_EQ(h.wb1.lookups["SettingStrID"], 2);
  EXPECT_EQ(h.wb2.lookups["InsertExcelStrID"], 1);  // a caption row needs no row text
}

TEST_F(InsertCommandsTest, ARowWithATabGoesByAutomationIntact) {
  auto& excel = Running("EXCEL.Application");
  Page(R"({"soft":"EXCEL"})", "规格\t12#a\nb");
  h.form->InsertExcelEventHandle();
  EXPECT_TRUE(h.dde.commands.empty());
  EXPECT_EQ(excel.grid, (Grid{{{1, 1}, "规格\t12"}, {{1, 2}, "a\nb"}}));
  EXPECT_EQ(h.wb1.scripts, std::vector<std::string>{kLogScript});
}

TEST_F(InsertCommandsTest, PageFailuresLeaveTheHandlerAndAFailedLogScriptIsNoFailedInsert) {
  Page(R"({"soft":"EXCEL"})", "A");
  h.wb1.failLookups = true;
  EXPECT_THROW(h.form->InsertExcelEventHandle(), BrowserError);
  EXPECT_TRUE(h.dde.commands.empty());

  h.wb1.failLookups = false;
  h.wb1.failingScripts = {kLogScript};
  Running("EXCEL.Application");
  h.form->InsertExcelEventHandle();
  EXPECT_EQ(h.dde.grid, (Grid{{{1, 1}, "A"}}));
  EXPECT_FALSE(h.journal.Has("ole.get EXCEL.Application"));
}

// An Excel that never answers holds the click for each route's own ten seconds, no longer: the
// automation route still gets its time after DDE has spent all of its own.
TEST_F(InsertCommandsTest, AnUnansweringExcelHoldsTheClickForEachRoutesDeadlineOnly) {
  const struct {
    bool oleAnswers;
    std::vector<std::string> scripts;
    std::int64_t tookMs;
  } cases[] = {{true, {kLogScript}, 10000}, {false, {kExcelMessageScript}, 20000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.oleAnswers);
    MainHarness m;
    m.dde.answers = {&m.clock, 0, true, {}};
    auto& excel = m.automation.sheets["EXCEL.Application"];
    excel.running = true;
    excel.answers = {&m.clock, 0, !c.oleAnswers, {}};
    m.wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    m.wb1.AddElement("SettingStrID", R"({"soft":"EXCEL"})");
    m.wb1.AddElement("InsertExcelStrID", "A#B");
    const std::int64_t start = m.clock.tick;
    m.form->InsertExcelEventHandle();
    EXPECT_EQ(m.wb1.scripts, c.scripts);
    EXPECT_EQ(m.clock.tick - start, c.tookMs);
    EXPECT_EQ(excel.grid.size(), c.oleAnswers ? 2u : 0u);
  }
}

}  // namespace
}  // namespace zel::fakes
