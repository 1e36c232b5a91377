// ExWinner: one price line into fixed columns of the selected row.
#include <gtest/gtest.h>

#include "export/DdeCommands.h"
#include "tests/fakes/MainHarness.h"
#include "tests/unit/ExportTexts.h"

namespace zel::fakes {
namespace {

class ExWinnerTest : public ::testing::Test {
 protected:
  ExWinnerTest() {
    h.dde.runningService = "EXCEL";
    h.dde.replies["Selection"] = "'[价格.xls]Sheet 1'!R5C9";
  }
  void Page(const std::string& row, const std::string& soft = "EXWINNER") {
    h.wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    h.wb1.AddElement("SettingStrID", R"({"soft":")" + soft + "\"}");
    h.wb1.AddElement("InsertExcelStrID", row);
  }
  std::vector<std::string> Pasted() const {
    std::vector<std::string> texts;
    for (const auto& e : h.journal.entries) {
      if (e.rfind("clip.set ", 0) == 0) texts.push_back(e.substr(9));
    }
    return texts;
  }

  MainHarness h;
};

struct LineCase {
  std::string row;
  std::vector<std::string> commands;
  std::vector<std::string> pasted;
  std::vector<int> pauses;
  Grid grid;
  bool told;  // the page hears of the insert
};

TEST_F(ExWinnerTest, WritesTheLineIntoItsColumnsAndStopsWhereItRunsOut) {
  const Grid first5{{{5, 2}, "1"}, {{5, 3}, "2"}, {{5, 4}, "3"}, {{5, 5}, "4"}, {{5, 6}, "5"}};
  Grid all7 = first5;
  all7[{5, 13}] = "6";
  all7[{5, 14}] = "7";
  const LineCase cases[] = {
      {"单价", {Sel("R5C2"), kPaste, Sel("R6C2")}, {"单价"}, {200, 400, 200}, {{{5, 2}, "单价"}}, true},
      // Too short for the layout: nothing pasted, the page is not told.
      {"1#2", {Sel("R5C2")}, {}, {200}, {}, false},
      {"1#2#3#4", {Sel("R5C2")}, {}, {200}, {}, false},
      // Columns 2 to 6 are written, then the line runs out.
      {"1#2#3#4#5", {Sel("R5C2"), kPaste, Sel("R5C13")}, {"1\t2\t3\t4\t5"}, {200, 400, 200}, first5, false},
      {"1#2#3#4#5#6", {Sel("R5C2"), kPaste, Sel("R5C13")}, {"1\t2\t3\t4\t5"}, {200, 400, 200}, first5, false},
      {"1#2#3#4#5#6#7", {Sel("R5C2"), kPaste, Sel("R5C13"), kPaste, Sel("R6C2")}, {"1\t2\t3\t4\t5", "6\t7"},
       {200, 400, 200, 200, 200}, all7, true},
      {"1#2#3#4#5#6#7#8#9", {Sel("R5C2"), kPaste, Sel("R5C13"), kPaste, Sel("R6C2")}, {"1\t2\t3\t4\t5", "6\t7"},
       {200, 400, 200, 200, 200}, all7, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    h.journal.Clear();
    h.dde.commands.clear();
    h.dde.timeouts.clear();
    h.dde.grid.clear();
    h.clock.slept.clear();
    h.wb1.scripts.clear();
    Page(c.row);

    h.form->InsertExcelEventHandle();

    EXPECT_EQ(h.dde.commands, c.commands);
    EXPECT_EQ(Pasted(), c.pasted);
    EXPECT_EQ(h.clock.slept, c.pauses);
    EXPECT_EQ(h.dde.grid, c.grid);
    EXPECT_EQ(h.dde.timeouts, std::vector<int>(c.commands.size(), kDdeCommandTimeoutMs));
    EXPECT_EQ(h.wb1.scripts, c.told ? std::vector<std::string>{kLogScript} : std::vector<std::string>{});
    EXPECT_FALSE(h.dde.connected);
    EXPECT_EQ(h.clipboard.content, std::nullopt);
  }
}

TEST_F(ExWinnerTest, PastesTheBlankMarkerAsText) {
  Page("a#[blank]#c#d#e#f#g");
  h.form->InsertExcelEventHandle();
  EXPECT_EQ((h.dde.grid[{5, 3}]), "[blank]");
}

TEST_F(ExWinnerTest, OpensAFreshConversationWithExWinnersServiceName) {
  Page("a");
  h.form->InsertExcelEventHandle();
  const int disconnect = h.journal.IndexOf("dde.disconnect");
  const int target = h.journal.IndexOf("dde.target EXCEL System");
  ASSERT_GE(target, 0);
  EXPECT_LT(disconnect, target);
  EXPECT_GE(disconnect, 0);
}

struct RefusalCase {
  const char* name;
  std::string row;
  std::deque<DdeOutcome> outcomes;
  std::vector<std::string> commands;
  std::vector<int> pauses;
  std::optional<std::string> clipboardAfter;
};

TEST_F(ExWinnerTest, StopsAtARefusedOrUnansweredCommandWithoutTellingThePage) {
  const auto A = DdeOutcome::Accepted;
  const RefusalCase cases[] = {
      {"refused SELECT", "1#2#3#4#5#6#7", {DdeOutcome::Refused}, {Sel("R5C2")}, {}, "mine"},
      {"refused PASTE", "1#2#3#4#5#6#7", {A, DdeOutcome::Refused}, {Sel("R5C2"), kPaste}, {200}, "mine"},
      {"refused next row", "1", {A, A, DdeOutcome::Refused}, {Sel("R5C2"), kPaste, Sel("R6C2")}, {200, 400},
       "mine"},
      // A PASTE still queued in ExWinner must not find the user's text.
      {"timed-out PASTE", "1#2#3#4#5#6#7", {A, A, A, DdeOutcome::TimedOut},
       {Sel("R5C2"), kPaste, Sel("R5C13"), kPaste}, {200, 400, 200}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    h.journal.Clear();
    h.dde.commands.clear();
    h.clock.slept.clear();
    h.wb1.scripts.clear();
    h.dde.outcomes = c.outcomes;
    h.clipboard.content = "mine";
    Page(c.row);

    h.form->InsertExcelEventHandle();

    EXPECT_EQ(h.dde.commands, c.commands);
    EXPECT_EQ(h.clock.slept, c.pauses);
    EXPECT_TRUE(h.wb1.scripts.empty());
    EXPECT_FALSE(h.dde.connected);
    EXPECT_EQ(h.clipboard.content, c.clipboardAfter);
  }
}

TEST_F(ExWinnerTest, TheUsersClipboardTextIsBackAfterALine) {
  h.clipboard.content = "复制的内容";
  Page("1#2#3#4#5#6#7");
  h.form->InsertExcelEventHandle();
  EXPECT_EQ(h.clipboard.content, "复制的内容");
  EXPECT_EQ(Pasted().back(), "复制的内容");
  EXPECT_EQ(h.wb1.scripts, std::vector<std::string>{kLogScript});
}

struct UnreachableCase {
  const char* name;
  bool running;
  std::map<std::string, std::optional<std::string>> replies;
  std::string shown;  // the script shown, or "" for silence
};

TEST(ExWinner, SaysWhatIsMissingWhenItCannotPaste) {
  const std::string open = "alertMsg(\"亲，请先打开ExWinner，再来插入吧！\")";
  const std::string select = "alertMsg(\"亲，请先选择要插入的单元格，再来插入吧！\")";
  const UnreachableCase cases[] = {
      {"not running", false, {}, open},
      {"SysItems unanswered", true, {{"SysItems", std::nullopt}}, open},
      {"no selection", true, {{"Selection", std::nullopt}}, select},
      {"empty selection", true, {{"Selection", ""}}, select},
      {"row not a number", true, {{"Selection", "[Book1]Sheet1!RxC2"}}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MainHarness fresh;
    fresh.dde.running = c.running;
    fresh.dde.runningService = "EXCEL";
    for (const auto& [item, reply] : c.replies) fresh.dde.replies[item] = reply;
    fresh.wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    fresh.wb1.AddElement("SettingStrID", R"({"soft":"EXWINNER"})");
    fresh.wb1.AddElement("InsertExcelStrID", "1#2#3#4#5#6#7");

    fresh.form->InsertExcelEventHandle();

    EXPECT_TRUE(fresh.dde.commands.empty());
    EXPECT_EQ(fresh.wb1.scripts, c.shown.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.shown});
    EXPECT_FALSE(fresh.dde.connected);
    EXPECT_FALSE(fresh.journal.Has("ole.get EXCEL.Application")) << "ExWinner has no second route";
  }
}

TEST_F(ExWinnerTest, DoesNothingWithoutSettingsOrValues) {
  Page("");
  h.form->InsertExWinner();
  Page("a", "exwinner");
  h.form->InsertExWinner();
  h.wb1.ClearDocument();
  h.form->InsertExWinner();
  EXPECT_FALSE(h.journal.Has("dde.connect"));
  EXPECT_TRUE(h.wb1.scripts.empty());
}

}  // namespace
}  // namespace zel::fakes
