#include <gtest/gtest.h>

#include "export/CellValues.h"

namespace zel {
namespace {

const std::string kBlank = "[blank]";

struct RunsCase {
  std::vector<std::string> values;
  std::vector<CellRun> runs;
};

TEST(CellRuns, BlankMarkersSplitTheRowIntoRunsWithTheirStartColumns) {
  using V = std::vector<std::string>;
  const RunsCase cases[] = {
      {{"A", "B", "C"}, {{0, V{"A", "B", "C"}}}},
      {{"A", kBlank, "C"}, {{0, V{"A"}}, {2, V{"C"}}}},
      {{kBlank, "B", "C"}, {{1, V{"B", "C"}}}},
      {{"A", "B", kBlank}, {{0, V{"A", "B"}}}},
      {{kBlank, kBlank, kBlank}, {}},
      {{"A", kBlank, kBlank, "D", "E", kBlank, "G"}, {{0, V{"A"}}, {3, V{"D", "E"}}, {6, V{"G"}}}},
      // Empty texts are cells to write, not gaps.
      {{"A", "", "C"}, {{0, V{"A", "", "C"}}}},
      {{"", kBlank, ""}, {{0, V{""}}, {2, V{""}}}},
      {{}, {}},
      // Only the exact marker is one.
      {{"[BLANK]", " [blank]"}, {{0, V{"[BLANK]", " [blank]"}}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CellRuns(c.values, kBlank), c.runs) << ::testing::PrintToString(c.values);
  }
}

TEST(SelectCommand, NamesOneCellInR1C1) {
  EXPECT_EQ(SelectCommand(3, 6), "[SELECT(\"R3C6:R3C6\")]");
  EXPECT_EQ(SelectCommand(1048576, 16384), "[SELECT(\"R1048576C16384:R1048576C16384\")]");
}

struct SelectionCase {
  std::optional<std::string> reply;
  long row, column;
};

TEST(ParseExcelSelection, ReadsTheSingleSelectedCell) {
  const SelectionCase cases[] = {
      {"[Book1]Sheet1!R3C2", 3, 2},
      {"R3C2", 3, 2},  // no book or sheet
      {"'[价格 表.xlsx]Rates 2024'!R12C40", 12, 40},
      {"[Book1]Sheet1!R7C1\r\n", 7, 1},
      {"", 1, 1},
      {std::nullopt, 1, 1},
  };
  for (const auto& c : cases) {
    const CellPosition at = ParseExcelSelection(c.reply);
    EXPECT_EQ(at.row, c.row) << c.reply.value_or("<none>");
    EXPECT_EQ(at.column, c.column) << c.reply.value_or("<none>");
  }
}

TEST(ParseExcelSelection, RejectsWhatIsNotOneCell) {
  for (const std::string reply : {"[Book1]Sheet1!R2C3:R4C5", "[Book1]Sheet1!R2:R4", "[Book1]Sheet1!C3",
                                  "[Book1]Sheet1!Chart 1", "[Book1]Sheet1!R0C1", "[Book1]Sheet1!R-2C1",
                                  "[Book1]Sheet1!R2C", "[Book1]Sheet1!R99999999999C1"}) {
    EXPECT_THROW(ParseExcelSelection(reply), SpreadsheetError) << reply;
  }
}

TEST(ParseExWinnerRow, TakesTheRowOfTheSelection) {
  const std::pair<std::string, long> cases[] = {
      {"'[Book1]Sheet1'!R5C9", 5},
      {"\"[Book1]Sheet1\"!R5C9", 5},
      {"[Book1]Sheet1!R12C3:R14C5", 12},  // a range: its first row
      {"R8C1", 8},
      {"[Book1]Sheet1!R30", 30},
  };
  for (const auto& [reply, row] : cases) EXPECT_EQ(ParseExWinnerRow(reply), row) << reply;
  for (const std::string reply : {"[Book1]Sheet1!RxC2", "[Book1]Sheet1!C2", "Sheet1!"}) {
    EXPECT_THROW(ParseExWinnerRow(reply), SpreadsheetError) << reply;
  }
}

}  // namespace
}  // namespace zel
