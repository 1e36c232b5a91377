// The Excel route by DDE, driven from the page's insert click.
#include <gtest/gtest.h>

#include "export/DdeCommands.h"
#include "tests/fakes/MainHarness.h"
#include "tests/unit/ExportTexts.h"

namespace zel::fakes {
namespace {

class ExcelDdeTest : public ::testing::Test {
 protected:
  void Page(const std::string& row, const std::string& settings = R"({"soft":"EXCEL"})") {
    h.wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    h.wb1.AddElement("SettingStrID", settings);
    h.wb1.AddElement("InsertExcelStrID", row);
  }
  std::vector<std::string> Pasted() const {
    std::vector<std::string> texts;
    for (const auto& e : h.journal.entries) {
      if (e.rfind("clip.set ", 0) == 0) texts.push_back(e.substr(9));
    }
    return texts;
  }
  std::string LastClipboardCall() const {
    for (auto it = h.journal.entries.rbegin(); it != h.journal.entries.rend(); ++it) {
      if (it->rfind("clip.", 0) == 0) return *it;
    }
    return {};
  }
  // An Excel that also answers automation, to see whether the second route ran.
  FakeAutomation::Sheet& ExcelByAutomation() {
    auto& sheet = h.automation.sheets["EXCEL.Application"];
    sheet.running = true;
    return sheet;
  }

  MainHarness h;
};

struct RunCase {
  std::string row;
  long r, c;
  std::vector<std::string> commands;
  std::vector<std::string> pasted;
  Grid grid;
};

TEST_F(ExcelDdeTest, PastesEachRunOfCellsAndSelectsTheNextRow) {
  const RunCase cases[] = {
      {"A#B#C", 3, 2, {kPaste, Sel("R4C2")}, {"A\tB\tC"}, {{{3, 2}, "A"}, {{3, 3}, "B"}, {{3, 4}, "C"}}},
      {"A#[blank]#C", 5, 1, {kPaste, Sel("R5C3"), kPaste, Sel("R6C1")}, {"A", "C"},
       {{{5, 1}, "A"}, {{5, 3}, "C"}}},
      {"[blank]#B#C", 2, 4, {Sel("R2C5"), kPaste, Sel("R3C4")}, {"B\tC"}, {{{2, 5}, "B"}, {{2, 6}, "C"}}},
      {"A#B#[blank]", 1, 1, {kPaste, Sel("R2C1")}, {"A\tB"}, {{{1, 1}, "A"}, {{1, 2}, "B"}}},
      {"[blank]#[blank]#[blank]", 9, 9, {Sel("R10C9")}, {}, {}},
      {"[blank]#b#[blank]#[blank]#e#f#[blank]", 4, 3, {Sel("R4C4"), kPaste, Sel("R4C7"), kPaste, Sel("R5C3")},
       {"b", "e\tf"}, {{{4, 4}, "b"}, {{4, 7}, "e"}, {{4, 8}, "f"}}},
      // Texts stay UTF-8 from the page to the cell.
      {"名称#[blank]#规格 φ12×3#个", 6, 2, {kPaste, Sel("R6C4"), kPaste, Sel("R7C2")},
       {"名称", "规格 φ12×3\t个"}, {{{6, 2}, "名称"}, {{6, 4}, "规格 φ12×3"}, {{6, 5}, "个"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    h.journal.Clear();
    Page(c.row);
    h.dde.commands.clear();
    h.dde.timeouts.clear();
    h.dde.grid.clear();
    h.wb1.scripts.clear();
    h.dde.Select(c.r, c.c);

    h.form->InsertExcelEventHandle();

    EXPECT_EQ(h.dde.commands, c.commands);
    EXPECT_EQ(Pasted(), c.pasted);
    EXPECT_EQ(h.dde.grid, c.grid);
    // Every command is waited for; no blind pauses any more.
    EXPECT_EQ(h.dde.timeouts, std::vector<int>(c.commands.size(), kDdeCommandTimeoutMs));
    EXPECT_TRUE(h.clock.slept.empty());
    EXPECT_EQ(h.wb1.scripts, std::vector<std::string>{kLogScript});
    EXPECT_FALSE(h.dde.connected);
    EXPECT_FALSE(h.journal.Has("ole.get EXCEL.Application"));
  }
}

struct SelectionCase {
  std::optional<std::string> reply;
  std::vector<std::string> commands;  // for the values "[blank]#X"
};

TEST_F(ExcelDdeTest, StartsAtTheReportedCellOrGivesWayWhenItIsNotOne) {
  const SelectionCase cases[] = {
      {"[Book1]Sheet1!R3C2", {Sel("R3C3"), kPaste, Sel("R4C2")}},
      {"R3C2", {Sel("R3C3"), kPaste, Sel("R4C2")}},
      {"'[Price list.xlsx]Rates 2024'!R7C4", {Sel("R7C5"), kPaste, Sel("R8C4")}},
      {"", {Sel("R1C2"), kPaste, Sel("R2C1")}},
      {std::nullopt, {Sel("R1C2"), kPaste, Sel("R2C1")}},
      {"[Book1]Sheet1!R2C3:R4C5", {}},
      {"[Book1]Sheet1!Chart 1", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply.value_or("<no reply>"));
    h.journal.Clear();
    h.dde.commands.clear();
    h.wb1.scripts.clear();
    h.dde.replies["Selection"] = c.reply;

    const bool written = h.form->InsertExcelByDde({"[blank]", "X"});

    EXPECT_EQ(written, !c.commands.empty());
    EXPECT_EQ(h.dde.commands, c.commands);
    EXPECT_EQ(h.wb1.scripts.empty(), c.commands.empty());
    if (c.commands.empty()) {
      EXPECT_TRUE(Pasted().empty());
    }
    EXPECT_FALSE(h.dde.connected);
  }
}

TEST_F(ExcelDdeTest, NothingIsSentWhenExcelDoesNotAnswer) {
  h.dde.running = false;
  EXPECT_FALSE(h.form->InsertExcelByDde({"A"}));
  EXPECT_TRUE(h.dde.commands.empty());
  EXPECT_FALSE(h.journal.Has("dde.request Selection"));

  h.dde.running = true;
  h.dde.replies["SysItems"] = std::nullopt;
  EXPECT_FALSE(h.form->InsertExcelByDde({"A"}));
  EXPECT_TRUE(h.dde.commands.empty());
  EXPECT_TRUE(Pasted().empty());
  EXPECT_FALSE(h.dde.connected);
  EXPECT_TRUE(h.wb1.scripts.empty());
}

struct RefusalCase {
  const char* name;
  std::string row;
  std::deque<DdeOutcome> outcomes;
  std::vector<std::string> commands;
};

TEST_F(ExcelDdeTest, ARefusedCommandFailsTheRouteAndPutsTheSelectionBack) {
  const auto A = DdeOutcome::Accepted;
  const auto R = DdeOutcome::Refused;
  const RefusalCase cases[] = {
      // Nothing was carried out: nothing to put back.
      {"first SELECT", "[blank]#B", {R}, {Sel("R5C2")}},
      {"first PASTE", "A#B", {R}, {kPaste}},
      {"second PASTE", "A#[blank]#C", {A, A, R}, {kPaste, Sel("R5C3"), kPaste, Sel("R5C1")}},
      {"next-row SELECT", "A", {A, R}, {kPaste, Sel("R6C1"), Sel("R5C1")}},
      {"no conversation", "A#B", {DdeOutcome::NotConnected}, {kPaste}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    h.journal.Clear();
    h.dde.commands.clear();
    h.wb1.scripts.clear();
    h.dde.Select(5, 1);
    h.dde.outcomes = c.outcomes;
    h.clipboard.content = "user's text";

    EXPECT_FALSE(h.form->InsertExcelByDde(SplitString(c.row, "#")));

    EXPECT_EQ(h.dde.commands, c.commands);
    EXPECT_TRUE(h.wb1.scripts.empty()) << "the page must not count a failed insert";
    EXPECT_EQ(h.clipboard.content, "user's text");
    EXPECT_FALSE(h.dde.connected);
  }
}

TEST_F(ExcelDdeTest, ATimedOutCommandDropsTheConversationAndLeavesNothingToPasteLate) {
  h.dde.outcomes = {DdeOutcome::Accepted, DdeOutcome::TimedOut};
  h.clipboard.content = "user's text";
  h.dde.Select(2, 2);

  EXPECT_FALSE(h.form->InsertExcelByDde({"A", "[blank]", "C", "D"}));

  EXPECT_EQ(h.dde.commands, (std::vector<std::string>{kPaste, Sel("R2C4")}));
  const int timedOut = h.journal.IndexOf("dde.exec " + Sel("R2C4"));
  ASSERT_GE(timedOut, 0);
  EXPECT_EQ(h.journal.entries[static_cast<std::size_t>(timedOut) + 1], "dde.disconnect");
  // Excel may still carry out a queued PASTE: it must not find the user's text.
  EXPECT_EQ(h.clipboard.content, std::nullopt);
  EXPECT_TRUE(h.wb1.scripts.empty());
}

TEST_F(ExcelDdeTest, TheUsersClipboardTextIsBackAfterTheInsert) {
  h.clipboard.content = "复制的内容";
  EXPECT_TRUE(h.form->InsertExcelByDde({"A", "[blank]", "C"}));
  EXPECT_EQ(h.clipboard.content, "复制的内容");
  EXPECT_EQ(LastClipboardCall(), "clip.set 复制的内容");

  // A clipboard without text is left empty, not holding the last run.
  h.clipboard.content.reset();
  EXPECT_TRUE(h.form->InsertExcelByDde({"A"}));
  EXPECT_EQ(h.clipboard.content, std::nullopt);
  EXPECT_EQ(LastClipboardCall(), "clip.empty");

  // Nothing pasted, nothing touched.
  h.journal.Clear();
  EXPECT_TRUE(h.form->InsertExcelByDde({"[blank]"}));
  EXPECT_EQ(h.journal.IndexOf("clip.empty"), -1);
}

TEST_F(ExcelDdeTest, AClipboardThatCannotBeRestoredDoesNotUndoTheInsert) {
  // Reporting false here would make the automation route write the row a second time.
  ExcelByAutomation();
  h.clipboard.content = "mine";
  h.clipboard.setsBeforeFailure = 1;
  Page("A#B");

  h.form->InsertExcelEventHandle();

  EXPECT_EQ(h.dde.grid, (Grid{{{1, 1}, "A"}, {{1, 2}, "B"}}));
  EXPECT_FALSE(h.journal.Has("ole.get EXCEL.Application"));
  EXPECT_EQ(h.wb1.scripts, std::vector<std::string>{kLogScript});
  const auto log = h.LogMessages();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                          [](const std::string& m) { return m.find("恢复剪贴板失败") != std::string::npos; }));
}

TEST_F(ExcelDdeTest, AClipboardThatCannotBeUsedLeavesTheRowToAutomation) {
  auto& sheet = ExcelByAutomation();
  for (const bool readFails : {true, false}) {
    SCOPED_TRACE(readFails ? "cannot read" : "cannot write");
    h.clipboard.failText = readFails;
    h.clipboard.failSet = !readFails;
    h.dde.commands.clear();
    sheet.grid.clear();
    Page("A#B");

    h.form->InsertExcelEventHandle();

    EXPECT_TRUE(h.dde.commands.empty());
    EXPECT_EQ(sheet.grid, (Grid{{{1, 1}, "A"}, {{1, 2}, "B"}}));
  }
}

TEST_F(ExcelDdeTest, FallsBackToAutomationAndShowsTheMessageOnlyWhenBothRoutesFail) {
  Page("A#B");
  h.dde.outcomes = {DdeOutcome::Refused};
  auto& sheet = ExcelByAutomation();
  sheet.active = {4, 2};

  h.form->InsertExcelEventHandle();

  EXPECT_EQ(sheet.grid, (Grid{{{4, 2}, "A"}, {{4, 3}, "B"}}));
  EXPECT_EQ(h.wb1.scripts, std::vector<std::string>{kLogScript});

  h.wb1.scripts.clear();
  h.dde.running = false;
  sheet.running = false;
  h.form->InsertExcelEventHandle();
  EXPECT_EQ(h.wb1.scripts, std::vector<std::string>{kExcelMessageScript});
}

TEST_F(ExcelDdeTest, RepeatedClicksFillConsecutiveRows) {
  h.dde.Select(3, 2);
  Page("A#[blank]#C");
  h.form->InsertExcelEventHandle();
  Page("D#E#F");
  h.form->InsertExcelEventHandle();
  EXPECT_EQ(h.dde.grid, (Grid{{{3, 2}, "A"}, {{3, 4}, "C"}, {{4, 2}, "D"}, {{4, 3}, "E"}, {{4, 4}, "F"}}));
  EXPECT_EQ(h.dde.selRow, 5);
  EXPECT_EQ(h.dde.selCol, 2);
}

TEST_F(ExcelDdeTest, TellsThePageOfTheNarrowLayoutThroughItsOwnBrowser) {
  // Settings always come from the wide page; the row and the log script go with the layout.
  h.globals.Layout = "V";
  Page("wide row");
  h.wb2.LoadPage("http://127.0.0.1/pcprice/default/indexzb");
  h.wb2.AddElement("InsertExcelStrID", "narrow#row");

  h.form->InsertExcelEventHandle();

  EXPECT_EQ(h.dde.grid, (Grid{{{1, 1}, "narrow"}, {{1, 2}, "row"}}));
  EXPECT_EQ(h.wb2.scripts, std::vector<std::string>{kLogScript});
  EXPECT_TRUE(h.wb1.scripts.empty());
}

}  // namespace
}  // namespace zel::fakes
