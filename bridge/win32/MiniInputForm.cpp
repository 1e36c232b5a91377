#include "bridge/win32/MiniInputForm.h"

#include <limits>
#include <utility>

#include "app/win32/Dpi.h"
#include "app/win32/Win32Util.h"
#include "app/win32/WindowTimer.h"

namespace zel::win32 {

namespace {

bool OfThisProcess(HWND window) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  return pid == ::GetCurrentProcessId();
}

// Each timer of the window and the event its ticks raise.
constexpr TimerEvent<IMiniFormEvents> kTimerEvents[] = {
    {MiniInputForm::kTimer1Id, &IMiniFormEvents::Timer1Timer},
    {MiniInputForm::kTimer2Id, &IMiniFormEvents::Timer2Timer},
    {MiniInputForm::kReloadTimerId, &IMiniFormEvents::ReloadTimerTimer},
};

}  // namespace

MiniInputForm::MiniInputForm(HWND owner, const WindowRect& bounds) {
  CreateParams params;
  params.style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  params.title = Widen(kMiniCaption);
  params.x = bounds.left;
  params.y = bounds.top;
  params.width = bounds.width;
  params.height = bounds.height;
  params.parent = owner;
  params.background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  Create(kClassName, params);
}

MiniInputForm::~MiniInputForm() { events_ = nullptr; }

void MiniInputForm::SetClientResizeHandler(std::function<void(int width, int height)> handler) {
  onResize_ = std::move(handler);
  RECT rc{};
  ::GetClientRect(Hwnd(), &rc);
  if (onResize_) onResize_(rc.right, rc.bottom);
}

void MiniInputForm::SetClientSize(int width, int height) {
  // Borderless: the window is its client area.
  ZEL_CHECK_LAST_ERROR(::SetWindowPos(Hwnd(), nullptr, 0, 0, width, height,
                                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
}

WindowRect MiniInputForm::Bounds() {
  RECT rc{};
  ZEL_CHECK_LAST_ERROR(::GetWindowRect(Hwnd(), &rc));
  return {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

void MiniInputForm::SetBounds(const WindowRect& b) {
  ZEL_CHECK_LAST_ERROR(::SetWindowPos(Hwnd(), nullptr, b.left, b.top, b.width, b.height,
                                      SWP_NOZORDER | SWP_NOACTIVATE));
}

void MiniInputForm::Show() { ::ShowWindow(Hwnd(), SW_SHOW); }

void MiniInputForm::Hide() { ::ShowWindow(Hwnd(), SW_HIDE); }

bool MiniInputForm::Visible() { return ::IsWindowVisible(Hwnd()) != FALSE; }

void MiniInputForm::SetTopMost() {
  const WindowRect b = Bounds();
  ZEL_CHECK_LAST_ERROR(::SetWindowPos(Hwnd(), HWND_TOPMOST, b.left, b.top, b.width, b.height, 0));
}

void MiniInputForm::StartSystemDrag() {
  ::ReleaseCapture();
  ::SendMessageW(Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

ScreenPoint MiniInputForm::CursorPos() {
  POINT p{};
  // Every 50 ms: a failure (a locked desktop) must not fill the log; it is a point on nothing.
  if (!::GetCursorPos(&p)) return {std::numeric_limits<int>::min(), std::numeric_limits<int>::min()};
  return {p.x, p.y};
}

std::string MiniInputForm::TopControlNameAt(ScreenPoint point) {
  HWND window = ::WindowFromPoint(POINT{point.x, point.y});
  while (window != nullptr && !OfThisProcess(window)) window = ::GetAncestor(window, GA_PARENT);
  if (window == nullptr) return {};
  const HWND top = ::GetAncestor(window, GA_ROOT);
  if (top == Hwnd()) return kMiniComponentName;
  // Other windows of the program answer with their class name: only this one is compared.
  wchar_t name[256] = {};
  const int length = ::GetClassNameW(top, name, ARRAYSIZE(name));
  return Narrow(name, length);
}

int MiniInputForm::Dpi() { return WindowDpi(Hwnd()); }

LRESULT MiniInputForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (RaiseTimerEvent(kTimerEvents, events_, wParam)) return 0;
      break;
    case WM_SHOWWINDOW:
      // Only explicit shows; an owner's minimise or restore is not the window's.
      if (lParam == 0 && wParam != FALSE && events_ != nullptr) events_->FormShow();
      break;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (events_ != nullptr && (pos->flags & SWP_NOSIZE) == 0) {
        events_->FormCanResize(pos->cx, pos->cy);
      }
      break;
    }
    case WM_SIZE:
      if (onResize_) onResize_(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_DPICHANGED:
      TakeSuggestedRect(Hwnd(), lParam);
      if (onDpiChange_) onDpiChange_(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      // Alt+F4 hides the window as its close button does; it lives until the program ends.
      ::ShowWindow(Hwnd(), SW_HIDE);
      return 0;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace zel::win32
