#pragma once
// Starts the stand-in spreadsheet (sheet.exe), waits until it serves, reads back its grid and
// stops it again; every wait is bounded.
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/Owners.h"
#include "tests/wine/support/TempFolder.h"

namespace zel::winetest {

struct SheetGrid {
  std::map<std::pair<long, long>, std::string> cells;  // what each cell shows
  // Cells that hold no text: their kind ("number", "date", "time", "bool", "formula", "link")
  // and value.
  std::map<std::pair<long, long>, std::pair<std::string, double>> values;
  long activeRow = 0;
  long activeColumn = 0;
  bool valid = false;  // the file was there and held an active cell
  int unicodeRefused = 0;  // requests for Unicode text the System topic refused

  // The cell's text; "<none>" when the cell was never written.
  std::string Cell(long row, long column) const;
  // Cells of one row from the column on, "|"-joined, up to the last written one.
  std::string Row(long row, long fromColumn, long toColumn) const;
  // "text:0603", "number:0.5:50%", "formula:=E3*F3": what the cell holds and shows.
  std::string Held(long row, long column) const;
};

class SheetProcess {
 public:
  // Starts sheet.exe with the arguments (plus its own --grid and --ready) and waits up to 10 s
  // until it serves. Throws std::runtime_error when it does not.
  explicit SheetProcess(const std::vector<std::string>& args);
  SheetProcess(const SheetProcess&) = delete;
  SheetProcess& operator=(const SheetProcess&) = delete;
  ~SheetProcess();

  SheetGrid Grid() const;
  // Polls the grid until the condition holds; false after the time-out.
  bool WaitForGrid(const std::function<bool(const SheetGrid&)>& condition, int timeoutMs) const;
  // Signals "ZelSheetQuit" and waits for the end (terminates it after 5 s).
  void Stop();
  // Ends this stand-in alone, as a user closing its window (Stop ends every one that runs).
  void Close();
  bool Running() const;
  // Its main window (class "XLMAIN") to the front, as a user clicking it.
  void BringToFront() const;
  // Enter in its cell being edited.
  void EndEditing() const;
  // The command line it was started with, for starting it through someone else.
  static std::string CommandLine(const std::vector<std::string>& args);

 private:
  // Waits 5 s for the end, then terminates it.
  void AwaitEnd();
  TempFolder folder_{"sheet"};
  std::string gridFile_;
  win32::UniqueHandleObj process_;
};

// Waits until no stand-in runs any more, e.g. one started by someone else (5 s at most).
void StopAnySheet();

}  // namespace zel::winetest
