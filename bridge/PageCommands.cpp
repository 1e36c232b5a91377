// The main window's page commands. Those that only need what exists today are complete; the
// mini input window, the drawing tool and the layout switch arrive with their own work.
#include "shell/Main.h"

namespace zel {

void TfrmMain::SettingEventHandle() {}

void TfrmMain::MiniEventHandle() {}

void TfrmMain::ReadDwgEventHandle() {}

void TfrmMain::PinEventHandle() { SetWindowTop(true); }

void TfrmMain::MinEventHandle() {}

void TfrmMain::HVEventHandle() {}

void TfrmMain::CloseEventHandle() {}

void TfrmMain::MoveFormEventHandle() { MoveForm(); }

void TfrmMain::QueryPriceEventHandle() {}

void TfrmMain::ErrorCloseEventHandle() { AppClose(); }

void TfrmMain::ErrorRefreshEventHandle() {}

std::string TfrmMain::GetSettingJson() {
  // Always the wide page, whatever the layout.
  IBrowser& wb = P.EmbeddedWB1;
  if (!wb.HasDocument()) return {};
  const auto element = wb.FindElement("SettingStrID");
  return element ? element->Value() : std::string();
}

}  // namespace zel
