#pragma once
// The pieces of a DDE paste: runs of adjacent cells, the bracketed commands, and the cell
// position read back from the spreadsheet's "Selection" reply.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "export/SpreadsheetLink.h"

namespace zel {

// Consecutive values that are not the blank marker, written in one go into adjacent cells from
// column c + start.
struct CellRun {
  std::size_t start = 0;
  std::vector<std::string> items;

  bool operator==(const CellRun& other) const { return start == other.start && items == other.items; }
};

std::vector<CellRun> CellRuns(const std::vector<std::string>& values, const std::string& blankMarker);

// The items joined by tabs, as a paste splits them back into cells.
std::string TabJoined(const std::vector<std::string>& items);

// A tab or a line break in a value would make a paste split it across cells, and a NUL would
// end the pasted text there.
bool BreaksCells(const std::string& value);

// [SELECT("RrCc:RrCc")]: selects the single cell.
std::string SelectCommand(long row, long column);
inline constexpr char kPasteCommand[] = "[PASTE]";

// A positive decimal number, surrounding white space allowed; throws SpreadsheetError otherwise.
long WholeNumber(const std::string& text);

// "[Book1]Sheet1!R3C2" -> row 3, column 2. A missing or empty reply means row 1, column 1;
// anything but a single cell (a range, say) throws SpreadsheetError.
CellPosition ParseExcelSelection(const std::optional<std::string>& reply);

// The row of ExWinner's selection: quotes dropped, then the number between the first "R"
// after the first "!" and the next "C". Throws SpreadsheetError when it is not a number.
long ParseExWinnerRow(const std::string& reply);

}  // namespace zel
