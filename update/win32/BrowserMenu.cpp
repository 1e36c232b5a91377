#include "update/win32/BrowserMenu.h"

#include "app/win32/Owners.h"

namespace zel::win32 {

namespace {

void AppendItem(HMENU menu, BrowserMenuCommand command, const char* caption, bool enabled) {
  const UINT flags = MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED);
  ZEL_CHECK_LAST_ERROR(
      ::AppendMenuW(menu, flags, static_cast<UINT_PTR>(command), Widen(caption).c_str()));
}

}  // namespace

BrowserMenuCommand Win32BrowserMenu::Popup(int x, int y, const BrowserMenuStates& states) {
  // Made for each showing: the enabled states are those of this moment.
  const UniqueHMenu menu(ZEL_CHECK_LAST_ERROR(::CreatePopupMenu()));
  AppendItem(menu.get(), BrowserMenuCommand::Copy, kRcCopyCaption, states.copyEnabled);
  AppendItem(menu.get(), BrowserMenuCommand::Paste, kRcPasteCaption, states.pasteEnabled);
  AppendItem(menu.get(), BrowserMenuCommand::Refresh, kRcRefreshCaption, true);
  ZEL_CHECK_LAST_ERROR(::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr));
  AppendItem(menu.get(), BrowserMenuCommand::Close, kRcCloseCaption, true);
  // The chosen item comes back as the result, not as WM_COMMAND to the owner.
  const int chosen = static_cast<int>(::TrackPopupMenu(
      menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
      x, y, 0, owner_, nullptr));
  switch (chosen) {
    case static_cast<int>(BrowserMenuCommand::Copy):
    case static_cast<int>(BrowserMenuCommand::Paste):
    case static_cast<int>(BrowserMenuCommand::Refresh):
    case static_cast<int>(BrowserMenuCommand::Close):
      return static_cast<BrowserMenuCommand>(chosen);
    default:
      return BrowserMenuCommand::None;
  }
}

}  // namespace zel::win32
