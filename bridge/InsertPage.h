#pragma once
// The insert command's view of the main window's pages: settings from the wide page, the row,
// the message and the count in the page the layout shows.
#include <string>

#include "bridge/Browser.h"
#include "export/InsertCommand.h"

namespace zel {

class TInsertPage final : public IInsertPage {
 public:
  explicit TInsertPage(IMainBrowsers& browsers) : browsers_(browsers) {}

  std::string SettingsText() override;
  std::string GetExcelStr() override;
  void ShowMsgByDiv(const std::string& text) override;
  void InsertExcelLog() override;

 private:
  IMainBrowsers& browsers_;
};

}  // namespace zel
