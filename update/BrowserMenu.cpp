// The browsers' context menu in place of their own, and the re-binding of both pages when the
// browsers report a change of their command states.
#include "shell/Main.h"

namespace zel {

bool TfrmMain::EmbeddedWB1ShowContextMenu(int x, int y) {
  pmWBChange();
  switch (P.pmWB.Popup(x, y, MenuStates)) {
    case BrowserMenuCommand::Copy: RcCopyClick(); break;
    case BrowserMenuCommand::Paste: RcPasteClick(); break;
    case BrowserMenuCommand::Refresh: RcRefreshClick(); break;
    case BrowserMenuCommand::Close: RcCloseClick(); break;
    case BrowserMenuCommand::None: break;
  }
  return true;
}

bool TfrmMain::EmbeddedWB2ShowContextMenu(int x, int y) { return EmbeddedWB1ShowContextMenu(x, y); }

void TfrmMain::pmWBChange() {
  // One protection for all: a state already set stays, the rest keep their earlier values.
  try {
    if (P.EmbeddedWB1.LocationURL().empty()) return;
    IBrowser& wb = ActiveBrowser();
    MenuStates.copyEnabled = !wb.SelectedText().empty();
    const std::string pasteFlag = wb.PageVariable("pasteFlag");
    const auto text = P.clipboard.Text();
    MenuStates.pasteEnabled = text && !text->empty() && pasteFlag == "1";
  } catch (...) {
  }
}

void TfrmMain::RcCopyClick() {
  try {
    ActiveBrowser().ExecCommand(EditCommand::Copy);
  } catch (...) {
  }
}

void TfrmMain::RcPasteClick() {
  try {
    ActiveBrowser().ExecCommand(EditCommand::Paste);
  } catch (...) {
  }
}

void TfrmMain::RcRefreshClick() { RefreshZel(); }

void TfrmMain::RcCloseClick() { AppClose(); }

void TfrmMain::EmbeddedWB1CommandStateChange() { Commands.CommandStateChange(); }

void TfrmMain::EmbeddedWB2CommandStateChange() { Commands.CommandStateChange(); }

}  // namespace zel
