// ExWinner: one price line into fixed columns of the selected row, by DDE commands and the
// clipboard. ExWinner answers to the service name "EXCEL".
#include "export/CellValues.h"
#include "export/Insert.h"
#include "export/PastePlan.h"
#include "export/Routes.h"

namespace zel {

ExWinnerOutcome InsertRoutes::ExWinner(const std::vector<std::string>& values) {
  ExWinnerOutcome outcome = ExWinnerOutcome::Stopped;
  const RouteDeadline deadline = Deadline();
  try {
    dde_.Disconnect();
    dde_.SetTarget(kExWinnerService, kSystemTopic);
    if (!dde_.Connect(deadline.Left()) || !dde_.RequestText("SysItems", deadline.Left())) {
      outcome = ExWinnerOutcome::NotRunning;
    } else {
      const auto selection = dde_.RequestText("Selection", deadline.Left());
      if (!selection || selection->empty()) {
        outcome = ExWinnerOutcome::NoSelection;
      } else {
        const PastePlan plan = ExWinnerPastePlan(values, ParseExWinnerRow(*selection));
        if (RunPastePlan(dde_, clipboard_, clock_, deadline, plan).completed) {
          outcome = ExWinnerOutcome::Written;
        }
      }
    }
  } catch (const SpreadsheetError&) {
    // An unreadable selection, or no time left, ends the insert quietly.
  }
  dde_.Disconnect();
  return outcome;
}

}  // namespace zel
