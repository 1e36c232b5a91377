#include "shell/MainWindow.h"

#include "app/Errors.h"
#include "app/Startup.h"
#include "app/Screens.h"

namespace zel {

namespace {
constexpr unsigned kBrowserNoise1 = 0x0700;
constexpr unsigned kBrowserNoise2 = 0x070C;
// The first places: this far below the screen's top and from its right edge.
constexpr int kWideTop = 100;
constexpr int kNarrowTop = 20;
constexpr int kRightGap = 50;
}  // namespace

TMainWindow::TMainWindow(TGlobals& settings, TMainWindowPorts ports, IMainWindowHost& host)
    : settings_(settings), ports_(ports), host_(host) {}

void TMainWindow::RegisterEscKey() {
  escHotKeyId_ = ports_.hotKeys.AddGlobalAtom(kEscHotKeyAtom) - 0xC000;
  ports_.hotKeys.Register(escHotKeyId_, kVkEscape);
}

void TMainWindow::ReleaseEscKey() noexcept {
  try {
    ports_.hotKeys.Unregister(escHotKeyId_);
  } catch (...) {
    // The Esc key only matters during the first load; failing to release it changes nothing.
  }
}

void TMainWindow::PlaceForFirstShow() {
  settings_.IsClosing = false;
  layout_.active = LayoutKind::Wide;
  const ScreenSize screen = ports_.application.PrimaryScreen();
  const int width = Scaled(settings_.HWidth);
  const int height = Scaled(settings_.HHeight);
  layout_.wide = {screen.width - width - Scaled(kRightGap), Scaled(kWideTop)};
  layout_.narrow = {screen.width - Scaled(settings_.VWidth) - Scaled(kRightGap), Scaled(kNarrowTop)};
  ports_.window.SetBounds({(screen.width - width) / 2, (screen.height - height) / 2, width, height});
  ports_.window.SetAlpha(0);
}

void TMainWindow::FormShow() { ShowInTask(true); }

void TMainWindow::FormHide() { ShowInTask(false); }

std::intptr_t TMainWindow::NotifyMsgReceived() {
  OpenMainClick();
  // Read from the wide page whatever the layout; a page without it ends the handling here.
  const std::string pinState = ports_.EmbeddedWB1.PageVariable("pin_state");
  if (pinState == "0") {
    // Brings the window to the top without pinning it.
    ports_.window.SetTopMost(true);
    ports_.window.SetTopMost(false);
  } else {
    ports_.window.SetTopMost(true);
  }
  return kNotifyAnswer;
}

void TMainWindow::OpenMainClick() {
  // Hidden while its monitor was unplugged, it would come back where nobody sees it.
  const WindowRect at = ports_.window.Bounds();
  const WindowRect onScreen = OnSomeMonitor(ports_.monitors.List(), at);
  if (onScreen.left != at.left || onScreen.top != at.top) ports_.window.SetBounds(onScreen);
  ports_.window.BringToFront();
  ports_.application.Restore();
  ports_.mini.Hide();
  FocusShownPage();
  host_.WindowOpened();
}

void TMainWindow::CloseMainClick() { AppClose(); }

void TMainWindow::SetWindowTop(bool toggle) {
  if (toggle) {
    ports_.window.SetTopMost(!settings_.IsTopMost);
    settings_.IsTopMost = !settings_.IsTopMost;
  } else {
    ports_.window.SetTopMost(settings_.IsTopMost);
  }
}

void TMainWindow::ApplyPinState(IBrowser& browser) {
  if (!ports_.window.Visible()) return;
  settings_.IsTopMost = browser.PageVariable("pin_state") != "0";
  SetWindowTop(false);
}

void TMainWindow::ChangeToH() {
  ports_.window.Hide();
  ShowLayout(LayoutKind::Wide);
  ports_.window.Show();
  FocusShownPage();
}

void TMainWindow::SwitchLayout() {
  ports_.window.Hide();
  const WindowRect at = ports_.window.Bounds();
  layout_.PlaceOf(layout_.active) = {at.left, at.top};
  if (layout_.IsWide()) {
    ShowLayout(LayoutKind::Narrow);
    if (Contains(ports_.EmbeddedWB2.LocationURL(), settings_.IndexZbUrl)) {
      host_.RefreshZel();
    } else {
      ports_.EmbeddedWB2.Navigate(settings_.IndexZbUrl);
    }
  } else {
    ShowLayout(LayoutKind::Wide);
    host_.RefreshZel();
  }
  ports_.window.Show();
  FocusShownPage();
}

void TMainWindow::RememberWidePlace() {
  if (!layout_.IsWide()) return;
  const WindowRect at = ports_.window.Bounds();
  layout_.wide = {at.left, at.top};
}

void TMainWindow::ShowLayout(LayoutKind kind) {
  layout_.active = kind;
  const bool wide = kind == LayoutKind::Wide;
  ports_.EmbeddedWB1.SetVisible(wide);
  ports_.EmbeddedWB2.SetVisible(!wide);
  const LayoutPlace place = layout_.PlaceOf(kind);
  const int width = Scaled(wide ? settings_.HWidth : settings_.VWidth);
  const int height = Scaled(wide ? settings_.HHeight : settings_.VHeight);
  ports_.window.SetBounds(
      OnSomeMonitor(ports_.monitors.List(), {place.left, place.top, width, height}));
}

void TMainWindow::FocusShownPage() {
  (layout_.IsWide() ? ports_.EmbeddedWB1 : ports_.EmbeddedWB2).Focus();
}

int TMainWindow::Scaled(int length) { return ScaleToDpi(length, ports_.window.Dpi()); }

void TMainWindow::ShowInTask(bool show) { ports_.application.ShowInTask(show); }

void TMainWindow::RestoreApplication() { ports_.application.Restore(); }

void TMainWindow::HotKey(int virtualKey) {
  if (virtualKey != kVkEscape) return;
  if (layout_.IsWide()) {
    // Stops the first navigation once the browser reports its address; before that, quits.
    if (Contains(ports_.EmbeddedWB1.LocationURL(), settings_.IndexUrl)) {
      ports_.EmbeddedWB1.Stop();
    } else {
      AppClose();
    }
  } else {
    ports_.EmbeddedWB2.Stop();
  }
}

bool TMainWindow::AppMessageHook(std::intptr_t window, unsigned& message) {
  if (message != kBrowserNoise1 && message != kBrowserNoise2) return false;
  const bool toBrowser = ports_.EmbeddedWB1.OwnsWindow(window) ||
                         ports_.EmbeddedWB2.OwnsWindow(window) || ports_.mini.OwnsWindow(window);
  if (!toBrowser) return false;
  message = 0;
  return true;
}

void TMainWindow::AppClose() {
  settings_.IsClosing = true;
  // Each step is guarded on its own and a failure is logged: nothing may keep the program from
  // ending, or it would run on without a window to close it.
  // Only hidden: a drag, a message box or the update dialog may be running its own message
  // loop inside a handler of that window (which is how this close came). It goes with this
  // window, after the message loop has ended.
  Guarded([this] { ports_.mini.Hide(); });
  Guarded([this] { host_.ReleaseInstance(); });
  Guarded([this] { ports_.application.SetMessageHookInstalled(false); });
  Guarded([this] { ports_.hotKeys.Unregister(escHotKeyId_); });
  Guarded([this] { ports_.application.Terminate(); });
}

void TMainWindow::TrayIconClick() { OpenMainClick(); }

void TMainWindow::TrayIconDblClick() {
  ports_.application.Restore();
  FocusShownPage();
}

void TMainWindow::TrayIconRightButtonUp(int x, int y) {
  ports_.application.ForegroundActiveWindow();
  ports_.TrayIcon1.PopupMenu(x, y);
}

void TMainWindow::ApplicationMinimize() { ports_.application.MinimizeToTray(); }

IBrowser& TMainWindow::Active() {
  return layout_.IsWide() ? ports_.EmbeddedWB1 : ports_.EmbeddedWB2;
}

}  // namespace zel
