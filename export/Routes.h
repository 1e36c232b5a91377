#pragma once
// The routes of an insert into the spreadsheets, each given only the ports it uses. A route
// reports what happened; the page is told by the caller. Each route has kRouteDeadlineMs of its
// own: past it, it gives up.
#include <string>
#include <vector>

#include "app/Global.h"
#include "export/SpreadsheetLink.h"

namespace zel {

enum class ExWinnerOutcome {
  Written,      // the line is in its row and the next row is selected
  NotRunning,   // no conversation, or the server does not answer
  NoSelection,  // no selected cell reported
  Stopped,      // the line stopped part way, or the selection was no row
};

enum class RouteOutcome {
  Written,  // the row is in and the next row is selected
  Failed,   // not reached, or it refused: another route may still write the row
  Busy,     // it kept answering busy (a cell being edited): nothing was done, nothing more is tried
  Late,     // a call was given up that it may still carry out: no other route writes the row
};

class InsertRoutes {
 public:
  InsertRoutes(IDdeConversation& dde, IAutomation& automation, IClipboard& clipboard,
               IClock& clock, const std::string& blankMarker)
      : dde_(dde), automation_(automation), clipboard_(clipboard), clock_(clock),
        blankMarker_(blankMarker) {}
  InsertRoutes(const InsertRoutes&) = delete;
  InsertRoutes& operator=(const InsertRoutes&) = delete;

  // Excel through its DDE system topic: Written when the whole row was pasted and the next row
  // selected. A row holding a value that a paste would split or cut short (a tab, a line break
  // or a NUL), or whose leading apostrophe it would show, is never sent this way. After a partial paste the row's first cell is selected again, so a second
  // route writes the row where it belongs. The conversation stays open after a row that went
  // in, for the next one.
  RouteOutcome ExcelByDde(const std::vector<std::string>& values);
  // Excel by automation.
  RouteOutcome ExcelByOle(const std::vector<std::string>& values);
  // WPS Spreadsheets, "KET.Application" and then "ET.Application" (one route, one deadline); the
  // second only when the first failed.
  RouteOutcome Wps(const std::vector<std::string>& values);
  // ExWinner (DDE service "EXCEL"): the line into the fixed columns of the selected row.
  ExWinnerOutcome ExWinner(const std::vector<std::string>& values);

 private:
  RouteOutcome WriteRow(const std::string& progId, const std::vector<std::string>& values,
                const RouteDeadline& deadline);
  RouteDeadline Deadline() { return RouteDeadline(clock_, kRouteDeadlineMs); }

  IDdeConversation& dde_;
  IAutomation& automation_;
  IClipboard& clipboard_;
  IClock& clock_;
  const std::string& blankMarker_;
};

}  // namespace zel
