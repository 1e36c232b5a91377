// The first Excel route: select cells with Excel's command language over the DDE system topic
// and paste runs of cells through the clipboard.
#include "export/CellValues.h"
#include "export/ClipboardKeeper.h"
#include "export/DdeCommands.h"
#include "export/Insert.h"
#include "shell/Main.h"

namespace zel {

bool TfrmMain::InsertExcelByDde(const std::vector<std::string>& values) {
  IDdeConversation& excel = P.DdeClientConv1;
  ClipboardKeeper clipboard(P.clipboard);
  AcknowledgedCommands commands(excel, kDdeCommandTimeoutMs);
  CellPosition at{1, 1};
  bool written = false;
  try {
    excel.SetTarget(kExcelService, kSystemTopic);
    // "SysItems" only proves that Excel answers.
    if (excel.Connect() && excel.RequestText("SysItems")) {
      at = ParseExcelSelection(excel.RequestText("Selection"));
      for (const CellRun& run : CellRuns(values, G.BlankMarker)) {
        // A run at the row's start goes to the selected cell itself.
        if (run.start > 0) commands.Send(SelectCommand(at.row, at.column + static_cast<long>(run.start)));
        clipboard.Put(run.text);
        commands.Send(kPasteCommand);
      }
      commands.Send(SelectCommand(at.row + 1, at.column));
      written = true;
    }
  } catch (...) {
    // The automation route writes from the active cell next: give it the row's first cell back.
    if (commands.Accepted() > 0) commands.TrySend(SelectCommand(at.row, at.column));
  }
  excel.Disconnect();
  if (commands.TimedOut()) {
    clipboard.Clear();
  } else {
    clipboard.Restore();
  }
  if (written) InsertExcelLog();
  return written;
}

}  // namespace zel
