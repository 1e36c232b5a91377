// Writing the row through automation of a running Excel or WPS Spreadsheets.
#include "export/AutomationPlan.h"
#include "export/CellValues.h"
#include "export/Insert.h"
#include "export/Routes.h"

namespace zel {

AutomationPlan AutomationRowPlan(const std::vector<std::string>& values, CellPosition at,
                                 const std::string& blankMarker) {
  AutomationPlan plan;
  for (CellRun& run : CellRuns(values, blankMarker)) {
    plan.writes.push_back({at.row, at.column + static_cast<long>(run.start), std::move(run.items)});
  }
  plan.select = {at.row + 1, at.column};
  return plan;
}

bool InsertRoutes::WriteRow(const std::string& progId, const std::vector<std::string>& values) {
  try {
    const auto app = automation_.GetRunningApp(progId);
    const AutomationPlan plan = AutomationRowPlan(values, app->ActiveCell(), blankMarker_);
    try {
      for (const RowWrite& w : plan.writes) app->SetRowTexts(w.row, w.column, w.texts);
    } catch (const SpreadsheetError&) {
      // An application that refuses the array write gets the row cell by cell.
      for (const RowWrite& w : plan.writes) {
        for (std::size_t i = 0; i < w.texts.size(); ++i) {
          app->SetCellText(w.row, w.column + static_cast<long>(i), w.texts[i]);
        }
      }
    }
    app->SelectCell(plan.select.row, plan.select.column);
    return true;
  } catch (const SpreadsheetError&) {
    // Not running, or it rejected a call; cells written stay written.
    return false;
  }
}

bool InsertRoutes::ExcelByOle(const std::vector<std::string>& values) {
  return WriteRow(kExcelProgId, values);
}

bool InsertRoutes::Wps(const std::vector<std::string>& values) {
  for (const char* progId : kWpsProgIds) {
    if (WriteRow(progId, values)) return true;
  }
  return false;
}

}  // namespace zel
