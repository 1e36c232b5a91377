// The routes into the spreadsheets: their plans as data, and what each route does when the
// application answers, refuses, or is not there. Only the ports the routes take are faked.
#include <gtest/gtest.h>

#include "export/ClipboardKeeper.h"

#include "export/AutomationPlan.h"
#include "export/PastePlan.h"
#include "export/Routes.h"
#include "tests/fakes/FakeExport.h"
#include "tests/fakes/FakeShell.h"
#include "tests/unit/ExportTexts.h"

namespace zel::fakes {
namespace {

using V = std::vector<std::string>;
const std::string kBlank = "[blank]";
PasteStep S(long r, long c, int pause = 0) { return PasteStep::Select(r, c, pause); }
PasteStep P(const std::string& text, int pause = 0) { return PasteStep::Paste(text, pause); }
constexpr RouteOutcome kWritten = RouteOutcome::Written;
constexpr RouteOutcome kFailed = RouteOutcome::Failed;

TEST(PastePlans, ExcelPastesEachRunOfCellsThenSelectsTheNextRow) {
  const struct {
    V values;
    CellPosition at;
    std::vector<PasteStep> steps;
  } cases[] = {
      {{"A", "B", "C"}, {3, 2}, {P("A\tB\tC"), S(4, 2)}},
      {{"A", kBlank, "C"}, {5, 1}, {P("A"), S(5, 3), P("C"), S(6, 1)}},
      {{kBlank, "B", "C"}, {2, 4}, {S(2, 5), P("B\tC"), S(3, 4)}},
      {{kBlank, kBlank}, {9, 9}, {S(10, 9)}},
      {{kBlank, "b", kBlank, kBlank, "e", "f", kBlank}, {4, 3}, {S(4, 4), P("b"), S(4, 7), P("e\tf"), S(5, 3)}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExcelPastePlan(c.values, c.at, kBlank), (PastePlan{c.steps, true}))
        << ::testing::PrintToString(c.values);
  }
}

TEST(PastePlans, ExWinnerFillsItsColumnsAndStopsWhereTheLineRunsOut) {
  const PasteStep head = S(5, 2, 200);
  const PasteStep first5 = P("1\t2\t3\t4\t5", 400);
  const struct {
    V values;
    PastePlan plan;
  } cases[] = {
      {{"单价"}, {{head, P("单价", 400), S(6, 2, 200)}, true}},
      {{"1", "2"}, {{head}, false}},
      {{"1", "2", "3", "4"}, {{head}, false}},
      {{"1", "2", "3", "4", "5", "6"}, {{head, first5, S(5, 13, 200)}, false}},
      {{"1", "2", "3", "4", "5", "6", "7", "8", "9"},
       {{head, first5, S(5, 13, 200), P("6\t7", 200), S(6, 2, 200)}, true}},
      // The marker means nothing here; a tab, line break or NUL stays inside its own cell.
      {{"[blank]", "a\tb", "c\r\nd", "4", "5", std::string("6\0x", 3), "7"},
       {{head, P("[blank]\ta b\tc  d\t4\t5", 400), S(5, 13, 200), P("6 x\t7", 200), S(6, 2, 200)}, true}},
  };
  for (const auto& c : cases) EXPECT_EQ(ExWinnerPastePlan(c.values, 5), c.plan) << ::testing::PrintToString(c.values);
}

TEST(AutomationPlans, EachRunIsOneWriteFromTheActiveCell) {
  const struct {
    V values;
    std::vector<RowWrite> writes;
  } cases[] = {
      {{"A", "B", "C", "D"}, {{7, 3, {"A", "B", "C", "D"}}}},
      {{"A", kBlank, "", "D"}, {{7, 3, {"A"}}, {7, 5, {"", "D"}}}},
      {{kBlank}, {}},
  };
  for (const auto& c : cases) {
    const AutomationPlan plan = AutomationRowPlan(c.values, {7, 3}, kBlank);
    EXPECT_EQ(plan.writes, c.writes) << ::testing::PrintToString(c.values);
    EXPECT_EQ(plan.select.row, 8);
    EXPECT_EQ(plan.select.column, 3);
  }
}

// Of several instances the row goes to the one in front; a front one that did not answer gets
// it by no route here, and no other instance does.
TEST(FrontInstance, TheInstanceWhoseMainWindowIsHighest) {
  using P = std::vector<std::uint32_t>;
  const struct {
    const char* name;
    P answered, windows;
    std::optional<std::size_t> chosen;
  } cases[] = {
      {"one instance", {7}, {7}, 0},
      {"the second to answer is in front", {7, 9}, {9, 7}, 1},
      {"the first to answer is in front", {7, 9}, {7, 9}, 0},
      {"no main window: the first that answered", {7, 9}, {}, 0},
      {"the front one did not answer", {7}, {9, 7}, std::nullopt},
      {"none answered", {}, {7}, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(FrontInstance(c.answered, c.windows), c.chosen) << c.name;
}

class RoutesTest : public ::testing::Test {
 protected:
  FakeAutomation::Sheet& Running(const std::string& progId) {
    auto& sheet = automation.sheets[progId];
    sheet.running = true;
    return sheet;
  }

  Journal journal;
  FakeClipboard clipboard{journal};
  FakeDde dde{journal, clipboard};
  FakeAutomation automation{journal};
  FakeClock clock;
  std::string blank = kBlank;
  InsertRoutes routes{dde, automation, clipboard, clock, blank};
};

TEST_F(RoutesTest, ExcelByDdeStartsAtTheReportedCellOrGivesWay) {
  const struct {
    std::optional<std::string> reply;
    V commands;  // for the values "[blank]", "X"
  } cases[] = {
      {"[Book1]Sheet1!R3C2", {Sel("R3C3"), kPaste, Sel("R4C2")}},
      {"'[Price list.xlsx]Rates 2024'!R7C4", {Sel("R7C5"), kPaste, Sel("R8C4")}},
      {"", {Sel("R1C2"), kPaste, Sel("R2C1")}},
      {std::nullopt, {Sel("R1C2"), kPaste, Sel("R2C1")}},
      {"[Book1]Sheet1!R2C3:R4C5", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply.value_or("<no reply>"));
    dde.commands.clear();
    dde.replies["Selection"] = c.reply;
    EXPECT_EQ(routes.ExcelByDde({kBlank, "X"}), c.commands.empty() ? kFailed : kWritten);
    EXPECT_EQ(dde.commands, c.commands);
    EXPECT_EQ(dde.connected, !c.commands.empty()) << "kept open only after a row that went in";
  }
  // Every command waited for, none paused after.
  EXPECT_TRUE(clock.slept.empty());
}

TEST_F(RoutesTest, ExcelByDdeKeepsItsConversationForTheNextRowAndMakesItAnewWhenExcelWent) {
  EXPECT_EQ(routes.ExcelByDde({"A"}), kWritten);
  EXPECT_EQ(routes.ExcelByDde({"B"}), kWritten);
  EXPECT_EQ(dde.connects, 1);
  dde.failRequests = 1;  // Excel was closed and opened again since
  EXPECT_EQ(routes.ExcelByDde({"C"}), kWritten);
  EXPECT_EQ(dde.connects, 2);
  EXPECT_EQ(dde.grid, (Grid{{{1, 1}, "A"}, {{2, 1}, "B"}, {{3, 1}, "C"}}));
}

TEST_F(RoutesTest, ExcelByDdeSendsNothingWhenExcelDoesNotAnswerOrAValueWouldSplit) {
  dde.running = false;
  EXPECT_EQ(routes.ExcelByDde({"A"}), kFailed);
  dde.running = true;
  dde.replies["SysItems"] = std::nullopt;
  EXPECT_EQ(routes.ExcelByDde({"A"}), kFailed);
  dde.replies["SysItems"] = "SysItems\tSelection";
  // A paste would also show the apostrophe that marks a value as text.
  for (const std::string& value : V{"a\tb", "line\nbreak", "cr\r", std::string("nul\0byte", 8), "'0603"}) {
    EXPECT_EQ(routes.ExcelByDde({"A", value}), kFailed) << value;
  }
  EXPECT_TRUE(dde.commands.empty());
  EXPECT_FALSE(journal.Has("clip.set A"));
}

TEST_F(RoutesTest, ARefusedCommandFailsTheRouteAndPutsTheSelectionBack) {
  const auto A = DdeOutcome::Accepted;
  const auto R = DdeOutcome::Refused;
  const struct {
    const char* name;
    V values;
    std::deque<DdeOutcome> outcomes;
    V commands;
  } cases[] = {
      // Nothing was carried out: nothing to put back.
      {"first SELECT", {kBlank, "B"}, {R}, {Sel("R5C2")}},
      {"first PASTE", {"A", "B"}, {R}, {kPaste}},
      {"second PASTE", {"A", kBlank, "C"}, {A, A, R}, {kPaste, Sel("R5C3"), kPaste, Sel("R5C1")}},
      {"next-row SELECT", {"A"}, {A, R}, {kPaste, Sel("R6C1"), Sel("R5C1")}},
      {"no conversation", {"A", "B"}, {DdeOutcome::NotConnected}, {kPaste}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dde.commands.clear();
    dde.Select(5, 1);
    dde.outcomes = c.outcomes;
    clipboard.content = "user's text";
    EXPECT_EQ(routes.ExcelByDde(c.values), kFailed);
    EXPECT_EQ(dde.commands, c.commands);
    EXPECT_EQ(clipboard.content, "user's text");
    EXPECT_FALSE(dde.connected);
  }
}

TEST_F(RoutesTest, ATimedOutCommandLeavesNothingOnTheClipboardToPasteLate) {
  dde.outcomes = {DdeOutcome::Accepted, DdeOutcome::TimedOut};
  clipboard.content = "user's text";
  dde.Select(2, 2);
  EXPECT_EQ(routes.ExcelByDde({"A", kBlank, "C", "D"}), RouteOutcome::Late);
  // No re-select either: the conversation is unusable after a time-out.
  EXPECT_EQ(dde.commands, (V{kPaste, Sel("R2C4")}));
  EXPECT_EQ(clipboard.content, std::nullopt);
}

TEST_F(RoutesTest, TheUsersClipboardComesBackWithAllItsFormats) {
  clipboard.content = "复制的内容";
  clipboard.others = {{49161u, "<b>html</b>"}, {8u, std::string("BM\0\x01", 4)}};
  const ClipboardContents before = clipboard.Contents();
  EXPECT_EQ(routes.ExcelByDde({"A", kBlank, "C"}), kWritten);
  EXPECT_EQ(clipboard.Contents(), before);
  dde.runningService = "EXCEL";
  EXPECT_EQ(routes.ExWinner({"1"}), ExWinnerOutcome::Written);
  EXPECT_EQ(clipboard.Contents(), before);

  // An empty clipboard is left empty, not holding the last run.
  clipboard.Empty();
  EXPECT_EQ(routes.ExcelByDde({"A"}), kWritten);
  EXPECT_EQ(clipboard.Contents(), ClipboardContents{});
}

// What a paste keeps aside of the user's clipboard, in the clipboard's order.
TEST(FormatsToKeep, DataThatStandsOnItsOwnOnceAndNothingOfALiveCopy) {
  using F = std::vector<unsigned>;
  const struct {
    const char* name;
    std::vector<ListedFormat> listed;
    F kept;
  } cases[] = {
      {"Excel after a copy, then what the system adds",
       {{0xC001, "DataObject"}, {0xC002, "Biff12"}, {0xC003, "Link"}, {0xC004, "HTML Format"},
        {13, ""}, {1, ""}, {0xC005, "Csv"}, {0xC006, "Embed Source"}, {0xC007, "Ole Private Data"},
        {14, ""}, {2, ""}, {16, ""}, {7, ""}, {8, ""}, {17, ""}},
       {0xC002, 0xC004, 13, 0xC005, 16, 8}},
      {"an ANSI program's text", {{1, ""}, {16, ""}, {13, ""}, {7, ""}}, {1, 16}},
      {"a picture and a file list", {{2, ""}, {8, ""}, {17, ""}, {0x200, ""}, {0x300, ""}, {15, ""}},
       {8, 15}},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatsToKeep(c.listed), c.kept) << c.name;
}

TEST_F(RoutesTest, AutomationWritesEachRunInOneCallOrCellByCellWhenRefused) {
  auto& excel = Running("EXCEL.Application");
  excel.active = {7, 3};
  const Grid expected{{{7, 3}, "A"}, {{7, 5}, "C"}, {{7, 6}, "D"}};
  for (const bool refuses : {false, true}) {
    SCOPED_TRACE(refuses ? "cell by cell" : "one call per run");
    excel.grid = {{{7, 4}, "kept"}};
    excel.calls = 0;
    excel.refusesRowWrites = refuses;
    EXPECT_EQ(routes.ExcelByOle({"A", kBlank, "C", "D"}), kWritten);
    Grid withKept = expected;
    withKept[{7, 4}] = "kept";
    EXPECT_EQ(excel.grid, withKept);
    EXPECT_EQ(excel.calls, refuses ? 3 : 2);
    EXPECT_EQ(excel.selected.row, 8);
    EXPECT_EQ(excel.selected.column, 3);
  }
  excel.failAfterWrites = 0;
  EXPECT_EQ(routes.ExcelByOle({"A"}), kFailed);
  excel.running = false;
  EXPECT_EQ(routes.ExcelByOle({"A"}), kFailed);
}

TEST_F(RoutesTest, WpsTriesKetThenEt) {
  const struct {
    const char* name;
    bool ket, et;
    int ketFailsAfter;
    bool written;
    V tried;
  } cases[] = {
      {"KET", true, true, -1, true, {"ole.get KET.Application"}},
      {"ET only", false, true, -1, true, {"ole.get KET.Application", "ole.get ET.Application"}},
      {"KET fails after a write", true, true, 1, true,
       {"ole.get KET.Application", "ole.get ET.Application"}},
      {"neither", false, false, -1, false, {"ole.get KET.Application", "ole.get ET.Application"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    journal.Clear();
    automation.sheets.clear();
    automation.sheets["KET.Application"] = {c.ket, {1, 1}, {}, {0, 0}, c.ketFailsAfter};
    automation.sheets["ET.Application"].running = c.et;
    automation.sheets["KET.Application"].refusesRowWrites = true;
    EXPECT_EQ(routes.Wps({"a", "b"}), c.written ? kWritten : kFailed);
    V tried;
    for (const auto& e : journal.entries) {
      if (e.rfind("ole.get", 0) == 0) tried.push_back(e);
    }
    EXPECT_EQ(tried, c.tried);
  }
}

// A spreadsheet that answers slowly or never: each route gives up once its own ten seconds
// are spent, however many transactions the row needs, each given only what is left. A write or
// a paste given up on may still be carried out: that route's click is over (Late).
TEST_F(RoutesTest, EachRouteEndsAtItsDeadline) {
  enum Route { kDde, kOle, kWps, kExWinner };
  const struct {
    const char* name;
    Route route;
    int answerMs;  // per transaction; -1: never
    RouteOutcome outcome;
    std::int64_t tookMs;
  } cases[] = {
      // DDE: "SysItems", "Selection" and eight commands; automation: the lookup, the active
      // cell, four runs and the select.
      {"DDE slow but in time", kDde, 900, kWritten, 9000},
      {"DDE slow", kDde, 3000, RouteOutcome::Late, 10000},
      {"DDE silent: nothing sent", kDde, -1, kFailed, 10000},
      {"automation slow but in time", kOle, 1400, kWritten, 9800},
      {"automation slow", kOle, 3000, RouteOutcome::Late, 10000},
      {"automation silent", kOle, -1, RouteOutcome::Late, 10000},
      {"WPS: KET silent, ET not tried", kWps, -1, RouteOutcome::Late, 10000},
      {"ExWinner slow", kExWinner, 3000, kFailed, 10000},
      {"ExWinner silent", kExWinner, -1, kFailed, 10000},
  };
  const V row{"A", kBlank, "C", kBlank, "E", kBlank, "G"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDde peer{journal, clipboard};
    peer.runningService = c.route == kExWinner ? "EXCEL" : "Excel";
    FakeAutomation apps{journal};
    AnswerTime& answers = c.route == kDde || c.route == kExWinner ? peer.answers
                          : c.route == kOle ? apps.sheets["EXCEL.Application"].answers
                                            : apps.sheets["KET.Application"].answers;
    answers = {&clock, std::max(c.answerMs, 0), c.answerMs < 0, {}, false};
    for (const char* progId : {"EXCEL.Application", "KET.Application", "ET.Application"}) {
      apps.sheets[progId].running = true;
    }
    InsertRoutes r{peer, apps, clipboard, clock, blank};
    const std::int64_t start = clock.tick;
    RouteOutcome outcome = kFailed;
    switch (c.route) {
      case kDde: outcome = r.ExcelByDde(row); break;
      case kOle: outcome = r.ExcelByOle(row); break;
      case kWps: outcome = r.Wps(row); break;
      case kExWinner:
        if (r.ExWinner(row) == ExWinnerOutcome::Written) outcome = kWritten;
        break;
    }
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(clock.tick - start, c.tookMs);
    // Each transaction was given what was left of the route's time, no more.
    std::int64_t spent = 0;
    for (const int t : answers.timeouts) {
      EXPECT_EQ(t, 10000 - spent);
      spent += c.answerMs >= 0 && c.answerMs <= t ? c.answerMs : t;
    }
    EXPECT_TRUE(apps.sheets["ET.Application"].grid.empty());
  }
}

TEST_F(RoutesTest, ExWinnerTellsWhatStoppedIt) {
  dde.runningService = "EXCEL";
  const V line{"1", "2", "3", "4", "5", "6", "7"};
  const struct {
    const char* name;
    bool running;
    std::optional<std::string> sysItems, selection;
    std::deque<DdeOutcome> outcomes;
    ExWinnerOutcome outcome;
  } cases[] = {
      {"written", true, "x", "'[价格.xls]Sheet 1'!R5C9", {}, ExWinnerOutcome::Written},
      {"not running", false, "x", "R5C9", {}, ExWinnerOutcome::NotRunning},
      {"no answer", true, std::nullopt, "R5C9", {}, ExWinnerOutcome::NotRunning},
      {"no selection", true, "x", "", {}, ExWinnerOutcome::NoSelection},
      {"no row", true, "x", "Sheet1!C2", {}, ExWinnerOutcome::Stopped},
      {"refused", true, "x", "R5C9", {DdeOutcome::Accepted, DdeOutcome::Refused}, ExWinnerOutcome::Stopped},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dde.running = c.running;
    dde.replies = {{"SysItems", c.sysItems}, {"Selection", c.selection}};
    dde.outcomes = c.outcomes;
    dde.grid.clear();
    EXPECT_EQ(routes.ExWinner(line), c.outcome);
    EXPECT_FALSE(dde.connected);
  }
  EXPECT_EQ(dde.grid.size(), 0u);  // the refused run wrote nothing
}

}  // namespace
}  // namespace zel::fakes
