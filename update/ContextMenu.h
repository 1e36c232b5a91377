#pragma once
// The program's context menu in place of the browsers' own (pmWB).
#include "app/ClipboardPort.h"
#include "bridge/Browser.h"
#include "update/BrowserMenu.h"

namespace zel {

// What the menu's commands ask of the main window.
class IContextMenuHost {
 public:
  IContextMenuHost() = default;
  IContextMenuHost(const IContextMenuHost&) = delete;
  IContextMenuHost& operator=(const IContextMenuHost&) = delete;
  virtual ~IContextMenuHost() = default;
  // Reloads the page the layout shows (RefreshZel).
  virtual void RefreshPage() = 0;
  virtual void CloseProgram() = 0;
};

struct TContextMenuPorts {
  IBrowserMenu& pmWB;
  IMainBrowsers& browsers;
  IClipboard& clipboard;
  IContextMenuHost& host;
};

class TContextMenu {
 public:
  explicit TContextMenu(TContextMenuPorts ports) : ports_(ports) {}
  TContextMenu(const TContextMenu&) = delete;
  TContextMenu& operator=(const TContextMenu&) = delete;

  // Both browsers' ShowContextMenu (EmbeddedWB1ShowContextMenu, EmbeddedWB2ShowContextMenu):
  // the menu at the screen point; true (handled), so the browser shows none of its own.
  bool ShowContextMenu(int x, int y);
  void pmWBChange();
  void RcCopyClick();
  void RcPasteClick();
  void RcRefreshClick();
  void RcCloseClick();

 private:
  TContextMenuPorts ports_;
  // Copy and paste as the last showing found them; a state that cannot be read keeps its value.
  BrowserMenuStates MenuStates;
};

}  // namespace zel
