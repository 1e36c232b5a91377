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
// end the pasted text there. Excel's paste also keeps a leading apostrophe as part of the text,
// where a typed or written one only marks the cell as text: such a value cannot be pasted as
// meant either.
bool PasteAlters(const std::string& value);

// How a spreadsheet reads the text it is given for a cell.
enum class CellReader {
  // Excel and WPS read it as if typed into a General cell: "0603" becomes 603, "1-2" a date,
  // an 18-digit part number is rounded, "=..." (and "+", "-", "@" before an expression) makes a
  // formula, a leading apostrophe makes the rest text.
  AsTyped,
  // ExWinner: nothing is known of how it reads a paste, so only what could start a program is
  // defused.
  Unknown,
};

// The text to write so that the cell keeps what the page meant. A number stays a number and an
// ordinary formula a formula. A value the spreadsheet would turn into another number, a date, a
// time or a truth value (leading zeros before a digit, more than 15 significant digits, "1-2",
// "3/4", "12:30", "TRUE") gets a leading apostrophe and stays that text. So does a DDE link
// formula of any reader (a value led by "=", "+", "-" or "@" with a "|" before a "!", as
// =cmd|' /C calc'!A0): the page is plain HTTP, and such a cell would start a program.
std::string CellText(const std::string& value, CellReader reader);

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
