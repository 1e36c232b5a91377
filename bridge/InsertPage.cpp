#include "bridge/InsertPage.h"

#include "export/Insert.h"
#include "app/ScriptText.h"

namespace zel {

std::string TInsertPage::SettingsText() { return GetSettingJson(browsers_); }

std::string TInsertPage::GetExcelStr() { return ElementValue(browsers_.Active(), "InsertExcelStrID"); }

void TInsertPage::ShowMsgByDiv(const std::string& text) {
  // The message is escaped: a quote in it would otherwise end the literal and the script.
  browsers_.Active().ExecScript(ScriptCall("alertMsg", text));
}

void TInsertPage::InsertExcelLog() {
  // The page only counts inserts; a page that cannot be told is no reason to fail one.
  try {
    browsers_.Active().ExecScript(kInsertLogScript);
  } catch (...) {
  }
}

}  // namespace zel
