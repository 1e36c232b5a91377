// Writing the row through automation: Excel's second route and the WPS target.
#include <gtest/gtest.h>

#include "tests/fakes/MainHarness.h"
#include "tests/unit/ExportTexts.h"

namespace zel::fakes {
namespace {

const std::string kWpsMessageScript = "alertMsg(\"亲，请先打开WPS，再来插入吧！\")";

class AutomationTest : public ::testing::Test {
 protected:
  AutomationTest() { h.dde.running = false; }
  void Page(const std::string& soft, const std::string& row) {
    h.wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    h.wb1.AddElement("SettingStrID", R"({"title":",名称,规格","soft":")" + soft + "\"}");
    h.wb1.AddElement("InsertExcelStrID", row);
  }
  FakeAutomation::Sheet& Running(const std::string& progId, CellPosition active) {
    auto& sheet = h.automation.sheets[progId];
    sheet.running = true;
    sheet.active = active;
    return sheet;
  }

  MainHarness h;
};

TEST_F(AutomationTest, ExcelWritesCellByCellFromTheActiveCellWhenDdeFails) {
  auto& excel = Running("EXCEL.Application", {7, 3});
  excel.grid[{7, 4}] = "kept";
  Page("EXCEL", "名称#[blank]#规格 φ12×3#");

  h.form->InsertExcelEventHandle();

  EXPECT_EQ(excel.grid, (Grid{{{7, 3}, "名称"}, {{7, 4}, "kept"}, {{7, 5}, "规格 φ12×3"}}));
  EXPECT_EQ(excel.selected.row, 8);
  EXPECT_EQ(excel.selected.column, 3);
  EXPECT_EQ(h.wb1.scripts, std::vector<std::string>{kLogScript});
}

TEST_F(AutomationTest, ExcelFailingAfterSomeWritesLeavesThemAndShowsTheMessage) {
  auto& excel = Running("EXCEL.Application", {2, 1});
  excel.failAfterWrites = 2;
  Page("excel", "a#b#c#d");

  h.form->InsertExcelEventHandle();

  EXPECT_EQ(excel.grid, (Grid{{{2, 1}, "a"}, {{2, 2}, "b"}}));
  EXPECT_EQ(excel.selected.row, 0) << "the selection must not move after a failed write";
  EXPECT_EQ(h.wb1.scripts, std::vector<std::string>{kExcelMessageScript});
}

struct WpsCase {
  const char* name;
  bool ket, et;
  int ketFailsAfter;
  std::vector<std::string> tried;
  bool etWrites, message;
};

TEST(WpsAutomation, TriesBothProgIdsBeforeGivingUp) {
  const WpsCase cases[] = {
      {"KET", true, true, -1, {"KET.Application"}, false, false},
      {"ET only", false, true, -1, {"KET.Application", "ET.Application"}, true, false},
      {"KET fails after a write", true, true, 1, {"KET.Application", "ET.Application"}, true, false},
      {"neither", false, false, -1, {"KET.Application", "ET.Application"}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MainHarness fresh;
    fresh.dde.running = false;
    auto& ket = fresh.automation.sheets["KET.Application"];
    auto& et = fresh.automation.sheets["ET.Application"];
    ket = {};
    ket.running = c.ket;
    ket.active = {3, 2};
    ket.failAfterWrites = c.ketFailsAfter;
    et = {};
    et.running = c.et;
    et.active = {5, 1};
    fresh.wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    fresh.wb1.AddElement("SettingStrID", R"({"soft":"wps"})");
    fresh.wb1.AddElement("InsertExcelStrID", "x#y");

    fresh.form->InsertExcelEventHandle();

    std::vector<std::string> tried;
    for (const auto& e : fresh.journal.entries) {
      if (e.rfind("ole.get ", 0) == 0) tried.push_back(e.substr(8));
    }
    EXPECT_EQ(tried, c.tried);
    if (c.ket && c.ketFailsAfter < 0) {
      EXPECT_EQ(ket.grid, (Grid{{{3, 2}, "x"}, {{3, 3}, "y"}}));
    }
    if (c.ketFailsAfter > 0) {
      EXPECT_EQ(ket.grid, (Grid{{{3, 2}, "x"}})) << "what KET wrote stays";
    }
    const Grid etWritten{{{5, 1}, "x"}, {{5, 2}, "y"}};
    EXPECT_EQ(et.grid, c.etWrites ? etWritten : Grid{});
    EXPECT_EQ(fresh.wb1.scripts,
              std::vector<std::string>{c.message ? kWpsMessageScript : kLogScript});
    EXPECT_FALSE(fresh.journal.Has("dde.target Excel System")) << "WPS is never reached by DDE";
  }
}

TEST_F(AutomationTest, WpsWithNothingToInsertSaysNothing) {
  Page("wps", "");
  h.form->InsertExcelEventHandle();
  Page("wps", "a");
  h.wb1.elements.front()->value = R"({"title":"","soft":"wps"})";
  h.form->InsertTitle2ExcelEventHandle();
  EXPECT_TRUE(h.wb1.scripts.empty());
  EXPECT_FALSE(h.journal.Has("ole.get KET.Application"));
}

}  // namespace
}  // namespace zel::fakes
