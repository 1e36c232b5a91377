// The browsers' context menu in place of their own.
#include "update/ContextMenu.h"

namespace zel {

bool TContextMenu::ShowContextMenu(int x, int y) {
  pmWBChange();
  switch (ports_.pmWB.Popup(x, y, MenuStates)) {
    case BrowserMenuCommand::Copy: RcCopyClick(); break;
    case BrowserMenuCommand::Paste: RcPasteClick(); break;
    case BrowserMenuCommand::Refresh: RcRefreshClick(); break;
    case BrowserMenuCommand::Close: RcCloseClick(); break;
    case BrowserMenuCommand::None: break;
  }
  return true;
}

void TContextMenu::pmWBChange() {
  // One protection for all: a state already set stays, the rest keep their earlier values.
  try {
    if (ports_.browsers.Wide().LocationURL().empty()) return;
    IBrowser& wb = ports_.browsers.Active();
    MenuStates.copyEnabled = !wb.SelectedText().empty();
    const std::string pasteFlag = wb.PageVariable("pasteFlag");
    const auto text = ports_.clipboard.Text();
    MenuStates.pasteEnabled = text && !text->empty() && pasteFlag == "1";
  } catch (...) {
  }
}

void TContextMenu::RcCopyClick() {
  try {
    ports_.browsers.Active().ExecCommand(EditCommand::Copy);
  } catch (...) {
  }
}

void TContextMenu::RcPasteClick() {
  try {
    ports_.browsers.Active().ExecCommand(EditCommand::Paste);
  } catch (...) {
  }
}

void TContextMenu::RcRefreshClick() { ports_.host.RefreshPage(); }

void TContextMenu::RcCloseClick() { ports_.host.CloseProgram(); }

}  // namespace zel
