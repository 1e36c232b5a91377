// The insert commands of the page: which application receives the row, and the page's side of
// an insert (its values, its log script, the clipboard hand-over).
#include "app/Global.h"
#include "export/Insert.h"
#include "shell/Main.h"

namespace zel {

InsertTarget TargetOf(const std::string& soft) {
  const std::string name = UpperCase(soft);
  if (name.empty() || name == "EXCEL") return InsertTarget::Excel;
  if (name == "EXWINNER") return InsertTarget::ExWinner;
  return InsertTarget::Wps;
}

std::vector<std::string> ReadCellValues(TfrmMain& form, InsertMode mode) {
  // The page is read only for what the mode needs: every read may fail.
  if (mode == InsertMode::Row) return SplitString(form.GetExcelStr(), form.Globals().RowSeparator);
  return SplitString(GetJsonValue("title", form.GetSettingJson()), ",");
}

void TfrmMain::InsertExcelEventHandle() {
  G.SettingJson = GetSettingJson();
  switch (TargetOf(GetJsonValue("soft", G.SettingJson))) {
    case InsertTarget::Excel: InsertExcel(InsertMode::Row); break;
    case InsertTarget::ExWinner: InsertExWinner(); break;
    case InsertTarget::Wps: InsertWPS(InsertMode::Row); break;
  }
}

void TfrmMain::InsertTitle2ExcelEventHandle() {
  G.SettingJson = GetSettingJson();
  switch (TargetOf(GetJsonValue("soft", G.SettingJson))) {
    case InsertTarget::Excel: InsertExcel(InsertMode::Caption); break;
    case InsertTarget::ExWinner: ShowMsgByDiv(kNoCaptionForExWinnerMessage); break;
    case InsertTarget::Wps: InsertWPS(InsertMode::Caption); break;
  }
}

std::string TfrmMain::GetExcelStr() {
  IBrowser& wb = ActiveBrowser();
  if (!wb.HasDocument()) return {};
  const auto element = wb.FindElement("InsertExcelStrID");
  return element ? element->Value() : std::string();
}

void TfrmMain::InsertExcel(InsertMode mode) {
  const std::vector<std::string> values = ReadCellValues(*this, mode);
  if (values.empty()) return;
  if (InsertExcelByDde(values) || InsertExcelByOle(values)) return;
  ShowMsgByDiv(kOpenExcelMessage);
}

void TfrmMain::InsertExcelLog() {
  // The page only counts inserts; a page that cannot be told is no reason to fail one.
  try {
    ActiveBrowser().ExecScript(kInsertLogScript);
  } catch (...) {
  }
}

void TfrmMain::SetClipboardText(const std::string& text) { P.clipboard.SetText(text); }

}  // namespace zel
