#pragma once
// A DDE paste sequence as data: the selects and pastes of one row, each with the pause the
// server is given after it. One small loop carries a plan out and owns the clipboard meanwhile.
#include <string>
#include <vector>

#include "app/Global.h"
#include "export/SpreadsheetLink.h"

namespace zel {

struct PasteStep {
  enum class Kind { Select, Paste };
  Kind kind = Kind::Select;
  long row = 0, column = 0;  // Select: the single cell
  std::string text;          // Paste: what goes on the clipboard
  int pauseMs = 0;

  static PasteStep Select(long r, long c, int pause = 0) { return {Kind::Select, r, c, {}, pause}; }
  static PasteStep Paste(std::string t, int pause = 0) { return {Kind::Paste, 0, 0, std::move(t), pause}; }
  bool operator==(const PasteStep& o) const {
    return kind == o.kind && row == o.row && column == o.column && text == o.text &&
           pauseMs == o.pauseMs;
  }
};

struct PastePlan {
  std::vector<PasteStep> steps;
  // False when the line ran out before its layout was filled: the steps end where it did.
  bool complete = true;

  bool operator==(const PastePlan& o) const { return steps == o.steps && complete == o.complete; }
};

// Excel: each run of cells pasted from the reported cell (a run at the row's start needs no
// SELECT), then the first cell of the next row selected. Blank-marker cells are not touched.
PastePlan ExcelPastePlan(const std::vector<std::string>& values, CellPosition at,
                         const std::string& blankMarker);

// ExWinner: items 1 to 5 into columns 2 to 6, items 6 and 7 into columns 13 and 14 (a single
// item into column 2 alone), then column 2 of the next row; paced for ExWinner. Tabs, line
// breaks and NULs inside an item become blanks, so no item spills into its neighbours' columns
// or cuts the pasted text short.
PastePlan ExWinnerPastePlan(const std::vector<std::string>& values, long row);

struct PasteOutcome {
  bool completed = false;  // a complete plan, every command carried out
  int accepted = 0;        // commands the server carried out
  bool timedOut = false;   // a command went unanswered: the conversation is unusable now
  bool busy = false;       // the server kept answering busy
};

// Sends the plan's commands in order, each waited for, with the pause after it; a paste puts
// its text on the clipboard first. Stops at the first command that is not carried out, text
// that cannot be put on the clipboard, or the route's deadline (pauses count). The user's
// clipboard is kept aside and put back after (left empty after a time-out, when a late paste
// could still take what is there).
PasteOutcome RunPastePlan(IDdeConversation& conversation, IClipboard& clipboard, IClock& clock,
                          const RouteDeadline& deadline, const PastePlan& plan);

}  // namespace zel
