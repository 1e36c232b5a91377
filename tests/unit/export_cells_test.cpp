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

namespace zel {
namespace {

// What each value becomes for Excel and WPS (read as typed) and for ExWinner (read unknown).
TEST(CellText, KeepsWhatThePageMeant) {
  const struct {
    std::string value, typed, unknown;
  } cases[] = {
      // Numbers stay numbers, shown in the sheet's own format; formulas stay formulas.
      {"1.00", "1.00", "1.00"}, {"50%", "50%", "50%"}, {"-3.5", "-3.5", "-3.5"},
      {"0.01", "0.01", "0.01"}, {"1,234.5", "1,234.5", "1,234.5"}, {".5", ".5", ".5"},
      {"123456789012345", "123456789012345", "123456789012345"},
      {"=E3*F3", "=E3*F3", "=E3*F3"}, {"=SUM(A1:A3)", "=SUM(A1:A3)", "=SUM(A1:A3)"},
      // Texts a General cell would turn into other numbers, dates, times or truth values.
      {"0603", "'0603", "0603"}, {"-0603", "'-0603", "-0603"}, {"00.5", "'00.5", "00.5"},
      {"123456789012345678", "'123456789012345678", "123456789012345678"},
      {"1234567890.123456", "'1234567890.123456", "1234567890.123456"},
      {"1-2", "'1-2", "1-2"}, {"3/4", "'3/4", "3/4"}, {"2024-01-02", "'2024-01-02", "2024-01-02"},
      {"1 1/2", "'1 1/2", "1 1/2"}, {"12:30", "'12:30", "12:30"}, {"5 PM", "'5 PM", "5 PM"},
      {"Mar-3", "'Mar-3", "Mar-3"}, {"1月2日", "'1月2日", "1月2日"}, {"1E5", "'1E5", "1E5"},
      {"1,23", "'1,23", "1,23"}, {"¥12.50", "'¥12.50", "¥12.50"}, {"(100)", "'(100)", "(100)"},
      {"true", "'true", "true"}, {"#N/A", "'#N/A", "#N/A"}, {"-1-2", "'-1-2", "-1-2"},
      // Texts it keeps as they are.
      {"", "", ""}, {"名称", "名称", "名称"}, {"0603 10kΩ", "0603 10kΩ", "0603 10kΩ"},
      {"M3x10", "M3x10", "M3x10"}, {"[blank]", "[blank]", "[blank]"}, {"-", "-", "-"},
      {"'0603", "'0603", "'0603"}, {"-abc", "-abc", "-abc"},
      // Links to another program are text for every reader; the bar must come before the "!".
      {"=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0"},
      {"+cmd|'/C calc'!A0", "'+cmd|'/C calc'!A0", "'+cmd|'/C calc'!A0"},
      {"-2+3+cmd|' /C calc'!A0", "'-2+3+cmd|' /C calc'!A0", "'-2+3+cmd|' /C calc'!A0"},
      {"@SUM(cmd|'/c calc'!A1)", "'@SUM(cmd|'/c calc'!A1)", "'@SUM(cmd|'/c calc'!A1)"},
      {" \t=DDE|x!y", "' \t=DDE|x!y", "' \t=DDE|x!y"},
      {"=A1!B2|x", "=A1!B2|x", "=A1!B2|x"}, {"a|b!c", "a|b!c", "a|b!c"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CellText(c.value, CellReader::AsTyped), c.typed) << c.value;
    EXPECT_EQ(CellText(c.value, CellReader::Unknown), c.unknown) << c.value;
  }
}

}  // namespace
}  // namespace zel
