#include "shell/win32/MainForm.h"

#include <utility>

#include "app/Startup.h"
#include "app/win32/Dpi.h"
#include "app/win32/Win32Util.h"
#include "app/win32/WindowTimer.h"

namespace zel::win32 {

MainForm::MainForm(HWND owner, UINT notifyMessage) : notifyMessage_(notifyMessage) {
  CreateParams params;
  params.exStyle = WS_EX_LAYERED;
  params.style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  params.title = Widen(kAppTitle);
  params.x = 0;
  params.y = 0;
  params.width = 900;
  params.height = 600;
  params.parent = owner;
  params.background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  Create(kClassName, params);
  // A layered window shows nothing until its attributes are set once.
  SetAlpha(255);
}

namespace {
// Each timer of the window and the event its ticks raise.
constexpr TimerEvent<IMainFormEvents> kTimerEvents[] = {
    {MainForm::kTimer1Id, &IMainFormEvents::Timer1Timer},
    {MainForm::kReloadTimerId, &IMainFormEvents::ReloadTimerTimer},
};
}  // namespace

MainForm::~MainForm() { events_ = nullptr; }

void MainForm::SetClientResizeHandler(std::function<void(int width, int height)> handler) {
  onResize_ = std::move(handler);
  RECT rc{};
  ::GetClientRect(Hwnd(), &rc);
  if (onResize_) onResize_(rc.right, rc.bottom);
}

void MainForm::Show() { ::ShowWindow(Hwnd(), SW_SHOW); }

void MainForm::Hide() { ::ShowWindow(Hwnd(), SW_HIDE); }

bool MainForm::Visible() { return ::IsWindowVisible(Hwnd()) != FALSE; }

void MainForm::BringToFront() {
  ::ShowWindow(Hwnd(), SW_SHOW);
  ::SetWindowPos(Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetForegroundWindow(Hwnd());
}

WindowRect MainForm::Bounds() {
  RECT rc{};
  ZEL_CHECK_LAST_ERROR(::GetWindowRect(Hwnd(), &rc));
  return {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

void MainForm::SetBounds(const WindowRect& b) {
  // Borderless: the window rectangle is the client area.
  ZEL_CHECK_LAST_ERROR(::SetWindowPos(Hwnd(), nullptr, b.left, b.top, b.width, b.height,
                                      SWP_NOZORDER | SWP_NOACTIVATE));
}

void MainForm::SetAlpha(int alpha) {
  const BYTE value = static_cast<BYTE>(alpha < 0 ? 0 : alpha > 255 ? 255 : alpha);
  ZEL_CHECK_LAST_ERROR(::SetLayeredWindowAttributes(Hwnd(), 0, value, LWA_ALPHA));
}

int MainForm::Alpha() {
  BYTE alpha = 255;
  DWORD flags = 0;
  if (!::GetLayeredWindowAttributes(Hwnd(), nullptr, &alpha, &flags) ||
      (flags & LWA_ALPHA) == 0) {
    return 255;
  }
  return alpha;
}

void MainForm::SetTopMost(bool topMost) {
  const WindowRect b = Bounds();
  // No flags: the window is also activated, as the pin command expects.
  ZEL_CHECK_LAST_ERROR(::SetWindowPos(Hwnd(), topMost ? HWND_TOPMOST : HWND_NOTOPMOST, b.left,
                                      b.top, b.width, b.height, 0));
  if (!topMost && (::GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
    // Wine keeps an owned window above its owner by turning HWND_NOTOPMOST into "after the
    // window above the owner", which is this window itself: unpin it without its owner.
    const HWND owner = ::GetWindow(Hwnd(), GW_OWNER);
    ::SetWindowLongPtrW(Hwnd(), GWLP_HWNDPARENT, 0);
    const BOOL done = ::SetWindowPos(Hwnd(), HWND_NOTOPMOST, b.left, b.top, b.width, b.height, 0);
    ::SetWindowLongPtrW(Hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    if (!done) ThrowLastError("SetWindowPos");
  }
}

void MainForm::StartSystemDrag() {
  ::ReleaseCapture();
  ::SendMessageW(Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

int MainForm::Dpi() { return WindowDpi(Hwnd()); }

LRESULT MainForm::AnswerOnException(UINT) {
  // A failed hand-over answers 0, so the later instance shows its message.
  return 0;
}

LRESULT MainForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == notifyMessage_ && notifyMessage_ != 0) {
    return events_ != nullptr ? events_->NotifyMsgReceived() : 0;
  }
  switch (message) {
    case WM_SHOWWINDOW:
      // Only explicit shows and hides; an owner's minimise or restore is not the form's.
      if (lParam == 0 && events_ != nullptr) {
        if (wParam != FALSE) {
          events_->FormShow();
        } else {
          events_->FormHide();
        }
      }
      break;
    case WM_SIZE:
      if (onResize_) onResize_(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_HOTKEY:
      if (events_ != nullptr) events_->HotKey(HIWORD(lParam));
      return 0;
    case WM_DPICHANGED:
      TakeSuggestedRect(Hwnd(), lParam);
      if (onDpiChange_) onDpiChange_(LOWORD(wParam));
      return 0;
    case WM_TIMER:
      if (RaiseTimerEvent(kTimerEvents, events_, wParam)) return 0;
      break;
    case WM_CLOSE:
      // Alt+F4 on the window: the orderly close, never a lone destroyed window.
      if (events_ != nullptr) {
        events_->AppClose();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace zel::win32
