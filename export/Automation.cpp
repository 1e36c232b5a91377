// Writing the row cell by cell through automation of a running Excel or WPS Spreadsheets.
#include "export/Insert.h"
#include "shell/Main.h"

namespace zel {

namespace {

// Writes the values from the active cell on and selects the first cell of the next row.
// False when the application is not running or rejected a call; cells written stay written.
bool WriteRow(IAutomation& automation, const std::string& progId,
              const std::vector<std::string>& values, const std::string& blankMarker) {
  try {
    const auto app = automation.GetRunningApp(progId);
    const CellPosition at = app->ActiveCell();
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (values[i] != blankMarker) app->SetCellText(at.row, at.column + static_cast<long>(i), values[i]);
    }
    app->SelectCell(at.row + 1, at.column);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

bool TfrmMain::InsertExcelByOle(const std::vector<std::string>& values) {
  if (!WriteRow(P.automation, kExcelProgId, values, G.BlankMarker)) return false;
  InsertExcelLog();
  return true;
}

void TfrmMain::InsertWPS(InsertMode mode) {
  const std::vector<std::string> values = ReadCellValues(*this, mode);
  if (values.empty()) return;
  for (const char* progId : kWpsProgIds) {
    if (WriteRow(P.automation, progId, values, G.BlankMarker)) {
      InsertExcelLog();
      return;
    }
  }
  ShowMsgByDiv(kOpenWpsMessage);
}

}  // namespace zel
