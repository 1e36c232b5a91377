#pragma once
// The browsers' context menu on Win32: a popup menu owned by the main window, tracked until
// the user chooses an item or dismisses it.
#include <windows.h>

#include "update/BrowserMenu.h"

namespace zel::win32 {

class Win32BrowserMenu final : public IBrowserMenu {
 public:
  explicit Win32BrowserMenu(HWND owner) : owner_(owner) {}
  BrowserMenuCommand Popup(int x, int y, const BrowserMenuStates& states) override;

 private:
  HWND owner_;
};

}  // namespace zel::win32
