#include "shell/win32/ApplicationWindow.h"

#include "app/win32/Win32Util.h"

namespace zel::win32 {

namespace {
// Hands the focus on after activation has settled; doing it inside WM_ACTIVATE would recurse.
constexpr UINT kForwardFocus = WM_APP + 1;
}  // namespace

ApplicationWindow::ApplicationWindow(const std::string& title) {
  CreateParams params;
  params.style = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
  params.title = Widen(title);
  // Zero size in the middle of the screen: it is "shown" only to have a taskbar button.
  params.x = ::GetSystemMetrics(SM_CXSCREEN) / 2;
  params.y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
  params.width = 0;
  params.height = 0;
  params.icon = ::LoadIconW(::GetModuleHandleW(nullptr), L"MAINICON");
  Create(kClassName, params);
}

ApplicationWindow::~ApplicationWindow() { events_ = nullptr; }

void ApplicationWindow::SetTitle(const std::string& title) {
  ZEL_CHECK_LAST_ERROR(::SetWindowTextW(Handle(), Widen(title).c_str()));
}

void ApplicationWindow::Restore() {
  if (::IsIconic(Handle())) {
    ::ShowWindow(Handle(), SW_RESTORE);
    ::ShowOwnedPopups(Handle(), TRUE);
  }
  ForegroundActiveWindow();
}

void ApplicationWindow::ShowInTask(bool show) {
  // Neither case removes the other bit: the taskbar follows the window's visibility.
  if (show) {
    ::ShowWindow(Handle(), SW_SHOW);
    AddExStyle(WS_EX_APPWINDOW);
  } else {
    ::ShowWindow(Handle(), SW_HIDE);
    AddExStyle(WS_EX_TOOLWINDOW);
  }
}

void ApplicationWindow::MinimizeToTray() {
  // The owned windows go with their owner (Wine leaves them up on a minimise of the owner);
  // hiding the owner removes the taskbar button.
  ::ShowOwnedPopups(Handle(), FALSE);
  ::ShowWindow(Handle(), SW_MINIMIZE);
  ::ShowWindow(Handle(), SW_HIDE);
}

void ApplicationWindow::ForegroundActiveWindow() {
  ::SetForegroundWindow(::GetLastActivePopup(Handle()));
}

void ApplicationWindow::Terminate() {
  terminateRequested_ = true;
  ::PostQuitMessage(0);
}

ScreenSize ApplicationWindow::PrimaryScreen() {
  return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

std::string ApplicationWindow::ExecutablePath() { return win32::ExecutablePath(); }

void ApplicationWindow::AddExStyle(LONG_PTR bits) {
  const LONG_PTR style = ::GetWindowLongPtrW(Handle(), GWL_EXSTYLE);
  if ((style & bits) != bits) ::SetWindowLongPtrW(Handle(), GWL_EXSTYLE, style | bits);
}

LRESULT ApplicationWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE && events_ != nullptr) {
        events_->ApplicationMinimize();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) ::PostMessageW(Handle(), kForwardFocus, 0, 0);
      break;
    case kForwardFocus: {
      // The taskbar button activates this invisible window; the user means the main window.
      const HWND popup = ::GetLastActivePopup(Handle());
      if (popup != Handle() && ::IsWindowVisible(popup) && ::IsWindowEnabled(popup) &&
          ::GetActiveWindow() == Handle()) {
        ::SetActiveWindow(popup);
      }
      return 0;
    }
    case WM_CLOSE:
      // Closing from the taskbar ends the program the orderly way.
      if (events_ != nullptr) {
        events_->AppClose();
        return 0;
      }
      break;
    case WM_QUERYENDSESSION:
      return 1;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace zel::win32
