// ExWinner: one price line into fixed columns of the selected row, by DDE commands and the
// clipboard. ExWinner answers to the service name "EXCEL".
#include "export/CellValues.h"
#include "export/ClipboardKeeper.h"
#include "export/DdeCommands.h"
#include "export/Insert.h"
#include "shell/Main.h"

namespace zel {

namespace {

constexpr long kNameColumn = 2;    // items 1 to 5 go to columns 2 to 6
constexpr long kPriceColumn = 13;  // items 6 and 7 go to columns 13 and 14

// ExWinner is given these pauses after its commands on top of the acknowledgements; we have no
// copy of it to learn whether it still needs them.
constexpr int kAfterSelectMs = 200;
constexpr int kAfterFirstPasteMs = 400;
constexpr int kAfterSecondPasteMs = 200;

// Pastes the line into the row and selects the next row's first column. False when it stopped
// early: a refused or unanswered command, a clipboard failure, or a line too short for the
// layout. What was pasted before the stop stays.
bool PasteLine(IDdeConversation& exWinner, IClipboard& userClipboard, IClock& clock, long row,
               const std::vector<std::string>& values) {
  ClipboardKeeper clipboard(userClipboard);
  AcknowledgedCommands commands(exWinner, kDdeCommandTimeoutMs);
  const auto send = [&](const std::string& command, int pauseMs) {
    commands.Send(command);
    clock.Sleep(pauseMs);
  };
  bool complete = false;
  try {
    send(SelectCommand(row, kNameColumn), kAfterSelectMs);
    if (values.size() == 1) {
      clipboard.Put(values[0]);
      send(kPasteCommand, kAfterFirstPasteMs);
    } else {
      clipboard.Put(JoinedItems(values, 0, 4));
      send(kPasteCommand, kAfterFirstPasteMs);
      send(SelectCommand(row, kPriceColumn), kAfterSelectMs);
      clipboard.Put(JoinedItems(values, 5, 6));
      send(kPasteCommand, kAfterSecondPasteMs);
    }
    send(SelectCommand(row + 1, kNameColumn), kAfterSelectMs);
    complete = true;
  } catch (...) {
  }
  exWinner.Disconnect();
  if (commands.TimedOut()) {
    clipboard.Clear();
  } else {
    clipboard.Restore();
  }
  return complete;
}

}  // namespace

void TfrmMain::InsertExWinner() {
  // Read afresh: the routine checks the target once more, and exactly.
  const std::string settings = GetSettingJson();
  if (settings.empty() || GetJsonValue("soft", settings) != "EXWINNER") return;
  const std::vector<std::string> values = SplitString(GetExcelStr(), G.RowSeparator);
  if (values.empty()) return;

  IDdeConversation& exWinner = P.DdeClientConv1;
  const char* message = nullptr;
  bool written = false;
  try {
    exWinner.Disconnect();
    exWinner.SetTarget(kExWinnerService, kSystemTopic);
    if (!exWinner.Connect() || !exWinner.RequestText("SysItems")) {
      message = kOpenExWinnerMessage;
    } else {
      const auto selection = exWinner.RequestText("Selection");
      if (!selection || selection->empty()) {
        message = kSelectCellMessage;
      } else {
        written = PasteLine(exWinner, P.clipboard, P.clock, ParseExWinnerRow(*selection), values);
      }
    }
  } catch (...) {
    // An unreadable selection ends the insert quietly, as it always has.
  }
  exWinner.Disconnect();
  if (message != nullptr) ShowMsgByDiv(message);
  if (written) InsertExcelLog();
}

}  // namespace zel
