#pragma once
// The stand-in spreadsheet: a grid of texts with an active cell, reachable as Excel (raw DDE
// and a running automation object), as WPS (running objects) or as ExWinner (DDE).
#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace sheet {

struct Options {
  std::string role = "excel";  // excel|excel-dde-only|excel-ole-only|wps-ket|wps-et|wps-both|exwinner
  long activeRow = 1;
  long activeColumn = 1;
  bool refuse = false;       // negative acknowledgement to every command
  bool refusePaste = false;  // ... to "[PASTE]" only
  bool silent = false;       // never acknowledge a command
  int slowMs = 0;            // delay before a command is carried out and acknowledged
  int busyMs = 0;            // automation calls rejected as busy for this long after start
  int oleSlowMs = 0;         // delay before an automation call is carried out and answered
  bool oleSilent = false;    // never answer an automation call (until told to quit)
  bool noSelection = false;  // the "Selection" request is refused
  bool noArrays = false;     // Value2 of a range refuses arrays, as some applications do
  bool editing = false;      // a cell in edit mode until Enter or Esc (see State::editing)
  bool dialog = false;       // a dialog open until Enter or Esc: the object model is suspended
  int lateWriteMs = 0;       // a cell write is carried out (and answered) this much later
  std::wstring gridFile;
  std::wstring readyFile;
};

// Parses the command line; unknown arguments are ignored.
Options ParseOptions(const std::vector<std::wstring>& args);

// What a cell holds: a text, a number, a date or time (its serial number), a truth value, a
// formula, or a formula that links to another program.
struct Cell {
  std::string kind = "text";  // text|number|date|time|bool|formula|link
  std::string shown;          // what the cell shows; a formula's own text
  double value = 0;
};
// Excel's reading of text given to a General cell, typed or written to Value2 (Typed.cpp).
Cell Typed(const std::string& text);
// A paste's reading: the same, but a leading apostrophe stays part of the text.
Cell Pasted(const std::string& text);
// The text as it stands (ExWinner: nothing known of its reading).
Cell Literal(const std::string& text);

class Grid {
 public:
  explicit Grid(const Options& options);
  void Set(long row, long column, const Cell& cell);
  // Without saving, for a paste of many cells that saves once.
  void Store(long row, long column, const Cell& cell) { cells_[{row, column}] = cell; }
  void Select(long row, long column);
  // What the cell shows.
  std::string Get(long row, long column) const;
  long ActiveRow() const { return activeRow_; }
  long ActiveColumn() const { return activeColumn_; }
  // A request for Unicode text that the System topic refused, as Excel does.
  void CountUnicodeRefused() {
    ++unicodeRefused_;
    Save();
  }
  // "r,c=text" lines for texts, "r,c:kind:value=shown" for the others, "active=r,c" and
  // "unicode-refused=n", replaced in one step.
  void Save() const;

 private:
  std::map<std::pair<long, long>, Cell> cells_;
  long activeRow_;
  long activeColumn_;
  int unicodeRefused_ = 0;
  std::wstring file_;
};

// The running state the servers share (one thread).
struct State {
  explicit State(Options o) : options(std::move(o)), grid(options) {}
  Options options;
  Grid grid;
  DWORD busyUntil = 0;
  // Edit mode, as Excel's while the user types in a cell: every DDE transaction is refused as
  // busy and every automation call rejected as busy, until the user presses Enter or Esc
  // (WM_KEYDOWN to the workbook pane or to the DDE window).
  bool editing = false;
  // A dialog open: Excel answers every automation call with 0x800AC472 (object model suspended).
  bool dialog = false;
};
State& Current();

// The DDE service name for the role; empty when the role has no DDE server.
std::wstring DdeService(const std::string& role);
// Excel's book and sheet, as the System topic names them.
inline constexpr char kBookName[] = "[报价单.xlsx]Sheet1";
// "[报价单.xlsx]Sheet1!R3C2", or the quoted form ExWinner gives.
std::string SelectionText();
// Carries out a bracketed command string; false means a negative acknowledgement.
bool CarryOut(const std::string& commands, HWND clipboardOwner);

// Owns the clipboard with a copy of the cells, each format rendered only when asked for, as
// Excel does after a copy (SheetClipboard.cpp). False when the clipboard cannot be opened.
bool CopyToClipboard(long top, long left, long bottom, long right);

// Registers the running objects of the role; revoked by StopAutomation.
void StartAutomation(const std::string& role);
void StopAutomation();
// Excel's Window object of the workbook, whose Application is the running one; one reference.
IDispatch* NewWorkbookWindow();
// Enter or Esc ends edit mode.
bool EndsEditing(UINT message, WPARAM key);

}  // namespace sheet
