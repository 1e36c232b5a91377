// The first Excel route: select cells with Excel's command language over the DDE system topic
// and paste runs of cells through the clipboard.
#include <algorithm>

#include "export/CellValues.h"
#include "export/DdeCommands.h"
#include "export/Insert.h"
#include "export/PastePlan.h"
#include "export/Routes.h"

namespace zel {

RouteOutcome InsertRoutes::ExcelByDde(const std::vector<std::string>& values) {
  // Excel's paste splits at tabs and line breaks, the clipboard text ends at a NUL, and a paste
  // shows the apostrophe that marks a value as text: such a value goes by automation, intact.
  if (std::any_of(values.begin(), values.end(), PasteAlters)) return RouteOutcome::Failed;
  RouteOutcome result = RouteOutcome::Failed;
  const RouteDeadline deadline = Deadline();
  try {
    // A conversation left open by the last insert is used again: connecting costs more than
    // the whole paste. Excel may have gone since; then it is made anew, once.
    const bool reused = dde_.ConnectedTo(kExcelService, kSystemTopic);
    const auto answers = [&] {
      dde_.SetTarget(kExcelService, kSystemTopic);
      return dde_.Connect(deadline.Left()) && dde_.RequestText("SysItems", deadline.Left());
    };
    // "SysItems" only proves that Excel answers.
    if ((reused && dde_.RequestText("SysItems", deadline.Left())) || answers()) {
      const CellPosition at =
          ParseExcelSelection(dde_.RequestText("Selection", deadline.Left()));
      const PasteOutcome outcome = RunPastePlan(dde_, clipboard_, clock_, deadline,
                                                ExcelPastePlan(values, at, blankMarker_));
      // A paste that went unanswered may still be carried out: automation must not write the
      // row as well.
      result = outcome.completed ? RouteOutcome::Written
               : outcome.busy    ? RouteOutcome::Busy
               : outcome.timedOut ? RouteOutcome::Late
                                  : RouteOutcome::Failed;
      if (result == RouteOutcome::Failed && outcome.accepted > 0) {
        AcknowledgedCommands(dde_, deadline).TrySend(SelectCommand(at.row, at.column));
      }
    }
  } catch (const SpreadsheetBusy&) {
    result = RouteOutcome::Busy;
  } catch (const SpreadsheetError&) {
    // A selection that is not one cell (nothing was sent), or no time left.
  }
  // Kept open only after a row that went in: after a failure or a time-out it is not trusted.
  if (result != RouteOutcome::Written) dde_.Disconnect();
  return result;
}

}  // namespace zel
