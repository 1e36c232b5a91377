#pragma once
// The main window: its two layouts, the pin, the tray icon, the Esc key of the first load and
// the orderly close. It shows the wide or the narrow browser, so it is also the one that knows
// which page is active.
#include <cstdint>
#include <string>

#include "app/Global.h"
#include "bridge/Browser.h"
#include "shell/Layout.h"
#include "shell/Ports.h"

namespace zel {

inline constexpr char kEscHotKeyAtom[] = "HtZelEsc";
inline constexpr int kVkEscape = 0x1B;

// What the main window asks of the rest of the program.
class IMainWindowHost {
 public:
  IMainWindowHost() = default;
  IMainWindowHost(const IMainWindowHost&) = delete;
  IMainWindowHost& operator=(const IMainWindowHost&) = delete;
  virtual ~IMainWindowHost() = default;
  // Reloads the page the layout shows (RefreshZel).
  virtual void RefreshZel() = 0;
  // The user brought the window up (tray, a later instance).
  virtual void WindowOpened() = 0;
  // The program ends: what it holds for a later instance is let go (the instance file).
  virtual void ReleaseInstance() = 0;
};

struct TMainWindowPorts {
  IFormWindow& window;
  IApplicationWindow& application;
  IBrowser& EmbeddedWB1;
  IBrowser& EmbeddedWB2;
  IHotKeys& hotKeys;
  ITrayIcon& TrayIcon1;
  IMonitors& monitors;
  IMiniInputWindow& mini;
};

class TMainWindow final : public IMainBrowsers {
 public:
  TMainWindow(TGlobals& settings, TMainWindowPorts ports, IMainWindowHost& host);
  TMainWindow(const TMainWindow&) = delete;
  TMainWindow& operator=(const TMainWindow&) = delete;

  // Holds the Esc key while the first page loads; throws when the system refuses it.
  void RegisterEscKey();
  // The first page is in: Esc is the user's again. A failure changes nothing.
  void ReleaseEscKey() noexcept;
  // The wide layout, the remembered places of both layouts, and the first bounds: centred,
  // invisible (alpha 0) until the wide page has a document.
  void PlaceForFirstShow();

  void FormShow();
  void FormHide();
  // The answer to a later instance; throws when the wide page has no pin_state.
  std::intptr_t NotifyMsgReceived();
  void OpenMainClick();
  void CloseMainClick();
  // toggle: pinned becomes unpinned and the other way round; otherwise the pin is applied.
  void SetWindowTop(bool toggle);
  // The page's pin_state decides the pin, while the window is visible.
  void ApplyPinState(IBrowser& browser);
  void ChangeToH();
  // The other layout at its remembered place, its page fresh (the page's HV button).
  void SwitchLayout();
  // In the wide layout, where the window stands now is where it comes back to.
  void RememberWidePlace();
  void ShowInTask(bool show);
  void RestoreApplication();
  void HotKey(int virtualKey);
  // Turns 0x0700 and 0x070C for the browser windows into WM_NULL; true when it changed it.
  bool AppMessageHook(std::intptr_t window, unsigned& message);
  void AppClose();
  void TrayIconClick();
  void TrayIconDblClick();
  void TrayIconRightButtonUp(int x, int y);
  void ApplicationMinimize();

  const TLayout& Layout() const { return layout_; }

  // IMainBrowsers
  IBrowser& Wide() override { return ports_.EmbeddedWB1; }
  IBrowser& Narrow() override { return ports_.EmbeddedWB2; }
  IBrowser& Active() override;

 private:
  // A length designed at kDesignDpi, at the window's pixels per inch.
  int Scaled(int length);
  // Shows the layout's browser at its remembered place with its size, brought onto a monitor
  // when none shows that place any more.
  void ShowLayout(LayoutKind kind);
  // The keyboard goes to the page the window shows, so Tab works before any click.
  void FocusShownPage();

  TGlobals& settings_;
  TMainWindowPorts ports_;
  IMainWindowHost& host_;
  TLayout layout_;
  int escHotKeyId_ = 0;
};

}  // namespace zel
