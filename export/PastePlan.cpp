#include "export/PastePlan.h"

#include <algorithm>

#include "export/CellValues.h"
#include "export/ClipboardKeeper.h"
#include "export/DdeCommands.h"

namespace zel {

namespace {

constexpr long kNameColumn = 2;    // items 1 to 5 go to columns 2 to 6
constexpr long kPriceColumn = 13;  // items 6 and 7 go to columns 13 and 14

// ExWinner is given these pauses after its commands on top of the acknowledgements; we have no
// copy of it to learn whether it still needs them.
constexpr int kAfterSelectMs = 200;
constexpr int kAfterFirstPasteMs = 400;
constexpr int kAfterSecondPasteMs = 200;

std::string OneCell(std::string value) {
  for (char& c : value) {
    if (c == '\t' || c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return value;
}

// The items from first to last, each kept in its own cell; false when the line is shorter.
bool Items(const std::vector<std::string>& values, std::size_t first, std::size_t last,
           std::string& text) {
  if (last >= values.size()) return false;
  std::vector<std::string> items;
  for (std::size_t i = first; i <= last; ++i) items.push_back(OneCell(values[i]));
  text = TabJoined(items);
  return true;
}

}  // namespace

PastePlan ExcelPastePlan(const std::vector<std::string>& values, CellPosition at,
                         const std::string& blankMarker) {
  PastePlan plan;
  for (const CellRun& run : CellRuns(values, blankMarker)) {
    if (run.start > 0) {
      plan.steps.push_back(PasteStep::Select(at.row, at.column + static_cast<long>(run.start)));
    }
    plan.steps.push_back(PasteStep::Paste(TabJoined(run.items)));
  }
  plan.steps.push_back(PasteStep::Select(at.row + 1, at.column));
  return plan;
}

PastePlan ExWinnerPastePlan(const std::vector<std::string>& values, long row) {
  PastePlan plan;
  auto& steps = plan.steps;
  steps.push_back(PasteStep::Select(row, kNameColumn, kAfterSelectMs));
  std::string text;
  if (values.size() == 1) {
    steps.push_back(PasteStep::Paste(OneCell(values[0]), kAfterFirstPasteMs));
  } else {
    if (!Items(values, 0, 4, text)) return {steps, false};
    steps.push_back(PasteStep::Paste(text, kAfterFirstPasteMs));
    steps.push_back(PasteStep::Select(row, kPriceColumn, kAfterSelectMs));
    if (!Items(values, 5, 6, text)) return {steps, false};
    steps.push_back(PasteStep::Paste(text, kAfterSecondPasteMs));
  }
  steps.push_back(PasteStep::Select(row + 1, kNameColumn, kAfterSelectMs));
  return plan;
}

PasteOutcome RunPastePlan(IDdeConversation& conversation, IClipboard& clipboard, IClock& clock,
                          const RouteDeadline& deadline, const PastePlan& plan) {
  ClipboardKeeper keeper(clipboard);
  AcknowledgedCommands commands(conversation, deadline);
  PasteOutcome outcome;
  try {
    for (const PasteStep& step : plan.steps) {
      if (step.kind == PasteStep::Kind::Select) {
        commands.Send(SelectCommand(step.row, step.column));
      } else {
        keeper.Put(step.text);
        commands.Send(kPasteCommand);
      }
      const int pause = std::min(step.pauseMs, deadline.RemainingMs());
      if (pause > 0) clock.Sleep(pause);
    }
    outcome.completed = plan.complete;
  } catch (const SpreadsheetBusy&) {
    outcome.busy = true;
  } catch (const SpreadsheetError&) {
    // What was carried out stays; the caller decides what follows.
  }
  outcome.accepted = commands.Accepted();
  outcome.timedOut = commands.TimedOut();
  if (outcome.timedOut) {
    keeper.Clear();
  } else {
    keeper.Restore();
  }
  return outcome;
}

}  // namespace zel
