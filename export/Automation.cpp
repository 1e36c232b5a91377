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

RouteOutcome InsertRoutes::WriteRow(const std::string& progId,
                                    const std::vector<std::string>& values,
                                    const RouteDeadline& deadline) {
  try {
    const auto app = automation_.GetRunningApp(progId, deadline.Left());
    const AutomationPlan plan =
        AutomationRowPlan(values, app->ActiveCell(deadline.Left()), blankMarker_);
    try {
      for (const RowWrite& w : plan.writes) app->SetRowTexts(w.row, w.column, w.texts, deadline.Left());
    } catch (const SpreadsheetBusy&) {
      throw;
    } catch (const SpreadsheetLate&) {
      throw;
    } catch (const SpreadsheetError&) {
      // An application that refuses the array write gets the row cell by cell.
      for (const RowWrite& w : plan.writes) {
        for (std::size_t i = 0; i < w.texts.size(); ++i) {
          app->SetCellText(w.row, w.column + static_cast<long>(i), w.texts[i], deadline.Left());
        }
      }
    }
    app->SelectCell(plan.select.row, plan.select.column, deadline.Left());
    return RouteOutcome::Written;
  } catch (const SpreadsheetBusy&) {
    return RouteOutcome::Busy;
  } catch (const SpreadsheetLate&) {
    return RouteOutcome::Late;
  } catch (const SpreadsheetError&) {
    // Not running, out of time, or it rejected a call; cells written stay written.
    return RouteOutcome::Failed;
  }
}

RouteOutcome InsertRoutes::ExcelByOle(const std::vector<std::string>& values) {
  return WriteRow(kExcelProgId, values, Deadline());
}

RouteOutcome InsertRoutes::Wps(const std::vector<std::string>& values) {
  const RouteDeadline deadline = Deadline();
  for (const char* progId : kWpsProgIds) {
    const RouteOutcome outcome = WriteRow(progId, values, deadline);
    if (outcome != RouteOutcome::Failed) return outcome;
  }
  return RouteOutcome::Failed;
}

}  // namespace zel
