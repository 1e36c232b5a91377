// The insert commands of the pages: the page's request goes to the routes of the spreadsheet
// export, and the page hears of a row written or of what the user must do first.
#include "shell/Main.h"

namespace zel {

void TfrmMain::InsertExcelEventHandle() { RunInsert(InsertKind::Row); }

void TfrmMain::InsertTitle2ExcelEventHandle() { RunInsert(InsertKind::Caption); }

std::string TfrmMain::GetExcelStr() {
  IBrowser& wb = ActiveBrowser();
  if (!wb.HasDocument()) return {};
  const auto element = wb.FindElement("InsertExcelStrID");
  return element ? element->Value() : std::string();
}

InsertRequest TfrmMain::ReadInsertRequest(InsertKind kind) {
  // Browser errors leave the click handler: a page that cannot be read inserts nothing.
  InsertRequest request;
  request.settings = GetSettingJson();
  if (kind == InsertKind::Row) request.rowText = GetExcelStr();
  return request;
}

void TfrmMain::RunInsert(InsertKind kind) {
  const InsertRequest request = ReadInsertRequest(kind);
  G.SettingJson = request.settings;
  const InsertDecision decision = DecideInsert(kind, request, G.RowSeparator);
  switch (decision.action) {
    case InsertDecision::Action::Nothing: break;
    case InsertDecision::Action::Message: ShowMsgByDiv(decision.message); break;
    case InsertDecision::Action::Excel: InsertExcel(decision.values); break;
    case InsertDecision::Action::Wps: InsertWPS(decision.values); break;
    case InsertDecision::Action::ExWinner: InsertExWinner(decision.values); break;
  }
}

void TfrmMain::InsertExcel(const std::vector<std::string>& values) {
  if (InsertExcelByDde(values) || InsertExcelByOle(values)) {
    InsertExcelLog();
  } else {
    ShowMsgByDiv(kOpenExcelMessage);
  }
}

bool TfrmMain::InsertExcelByDde(const std::vector<std::string>& values) {
  return Export.ExcelByDde(values);
}

bool TfrmMain::InsertExcelByOle(const std::vector<std::string>& values) {
  return Export.ExcelByOle(values);
}

void TfrmMain::InsertWPS(const std::vector<std::string>& values) {
  if (Export.Wps(values)) {
    InsertExcelLog();
  } else {
    ShowMsgByDiv(kOpenWpsMessage);
  }
}

void TfrmMain::InsertExWinner(const std::vector<std::string>& values) {
  switch (Export.ExWinner(values)) {
    case ExWinnerOutcome::Written: InsertExcelLog(); break;
    case ExWinnerOutcome::NotRunning: ShowMsgByDiv(kOpenExWinnerMessage); break;
    case ExWinnerOutcome::NoSelection: ShowMsgByDiv(kSelectCellMessage); break;
    case ExWinnerOutcome::Stopped: break;
  }
}

void TfrmMain::InsertExcelLog() {
  // The page only counts inserts; a page that cannot be told is no reason to fail one.
  try {
    ActiveBrowser().ExecScript(kInsertLogScript);
  } catch (...) {
  }
}

}  // namespace zel
