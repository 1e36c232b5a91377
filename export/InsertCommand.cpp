// The insert commands of the pages: the page's request goes to the routes, and the page hears of
// a row written or of what the user must do first.
#include "export/InsertCommand.h"

namespace zel {

TInsertCommand::TInsertCommand(TGlobals& settings, TInsertCommandPorts ports)
    : settings_(settings),
      page_(ports.page),
      routes_(ports.DdeClientConv1, ports.automation, ports.clipboard, ports.clock,
              settings.BlankMarker) {}

InsertRequest TInsertCommand::ReadInsertRequest(InsertKind kind) {
  // Page errors leave the click: a page that cannot be read inserts nothing.
  InsertRequest request;
  request.settings = page_.SettingsText();
  if (kind == InsertKind::Row) request.rowText = page_.GetExcelStr();
  return request;
}

void TInsertCommand::Run(InsertKind kind) {
  const InsertRequest request = ReadInsertRequest(kind);
  settings_.SettingJson = request.settings;
  const InsertDecision decision = DecideInsert(kind, request, settings_.RowSeparator);
  switch (decision.action) {
    case InsertDecision::Action::Nothing: break;
    case InsertDecision::Action::Message: page_.ShowMsgByDiv(decision.message); break;
    case InsertDecision::Action::Excel: InsertExcel(decision.values); break;
    case InsertDecision::Action::Wps: InsertWPS(decision.values); break;
    case InsertDecision::Action::ExWinner: InsertExWinner(decision.values); break;
  }
}

void TInsertCommand::Tell(RouteOutcome outcome, const Messages& messages) {
  switch (outcome) {
    case RouteOutcome::Written: page_.InsertExcelLog(); break;
    case RouteOutcome::Failed: page_.ShowMsgByDiv(messages.notRunning); break;
    case RouteOutcome::Busy: page_.ShowMsgByDiv(messages.editing); break;
    case RouteOutcome::Late: page_.ShowMsgByDiv(messages.late); break;
  }
}

void TInsertCommand::InsertExcel(const std::vector<std::string>& values) {
  // Automation only where DDE neither wrote the row nor may still write it, nor found Excel
  // editing a cell.
  RouteOutcome outcome = InsertExcelByDde(values);
  if (outcome == RouteOutcome::Failed) outcome = InsertExcelByOle(values);
  Tell(outcome, {kOpenExcelMessage, kExcelEditingMessage, kExcelLateMessage});
}

RouteOutcome TInsertCommand::InsertExcelByDde(const std::vector<std::string>& values) {
  return routes_.ExcelByDde(values);
}

RouteOutcome TInsertCommand::InsertExcelByOle(const std::vector<std::string>& values) {
  return routes_.ExcelByOle(values);
}

void TInsertCommand::InsertWPS(const std::vector<std::string>& values) {
  Tell(routes_.Wps(values), {kOpenWpsMessage, kWpsEditingMessage, kWpsLateMessage});
}

void TInsertCommand::InsertExWinner(const std::vector<std::string>& values) {
  switch (routes_.ExWinner(values)) {
    case ExWinnerOutcome::Written: page_.InsertExcelLog(); break;
    case ExWinnerOutcome::NotRunning: page_.ShowMsgByDiv(kOpenExWinnerMessage); break;
    case ExWinnerOutcome::NoSelection: page_.ShowMsgByDiv(kSelectCellMessage); break;
    case ExWinnerOutcome::Stopped: break;
  }
}

}  // namespace zel
