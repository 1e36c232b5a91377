#include "shell/win32/TrayIcon.h"

#include <shellapi.h>

namespace zel::win32 {

namespace {
HICON LoadApplicationIcon() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  const int cx = ::GetSystemMetrics(SM_CXSMICON);
  const int cy = ::GetSystemMetrics(SM_CYSMICON);
  const LPCWSTR names[] = {L"MAINICON", MAKEINTRESOURCEW(1)};
  for (const LPCWSTR name : names) {
    if (HANDLE icon = ::LoadImageW(instance, name, IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR)) {
      return static_cast<HICON>(icon);
    }
  }
  // Shared system icon: copied so that the owner may destroy what it holds.
  return ::CopyIcon(::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)));
}
}  // namespace

TrayIcon::TrayIcon(const std::string& tip) : tip_(Widen(tip)), icon_(LoadApplicationIcon()) {
  taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
  CreateParams params;
  params.style = WS_POPUP;
  params.title = L"ZelTray";
  params.x = params.y = params.width = params.height = 0;
  Create(kClassName, params);
  // The shell takes tens of milliseconds to take an icon: it is added from the message loop,
  // once the main window is up, not before it.
  ::PostMessageW(Handle(), kAddMessage, 0, 0);
}

TrayIcon::~TrayIcon() {
  events_ = nullptr;
  Remove();
}

NOTIFYICONDATAW TrayIcon::Data() const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = Handle();
  data.uID = kIconId;
  return data;
}

bool TrayIcon::Add() {
  NOTIFYICONDATAW data = Data();
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = icon_.get();
  tip_.copy(data.szTip, ARRAYSIZE(data.szTip) - 1);
  // A shell that still shows the icon refuses to add it twice; bring it up to date instead.
  added_ = ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE ||
           ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
  return added_;
}

void TrayIcon::Remove() {
  if (!added_ || Handle() == nullptr) return;
  NOTIFYICONDATAW data = Data();
  ::Shell_NotifyIconW(NIM_DELETE, &data);
  added_ = false;
}

void TrayIcon::PopupMenu(int x, int y) {
  UniqueHMenu pmIcon(ZEL_CHECK_LAST_ERROR(::CreatePopupMenu()));
  ZEL_CHECK_LAST_ERROR(::AppendMenuW(pmIcon.get(), MF_STRING, kOpenMainCommand, L"打开主界面"));
  ZEL_CHECK_LAST_ERROR(::AppendMenuW(pmIcon.get(), MF_STRING, kCloseMainCommand, L"退出"));
  // Without the foreground the menu would not close when the user clicks elsewhere, and
  // without the extra message it would not open again at the next click.
  ::SetForegroundWindow(Handle());
  ::TrackPopupMenu(pmIcon.get(), TPM_RIGHTALIGN | TPM_RIGHTBUTTON, x, y, 0, Handle(), nullptr);
  ::PostMessageW(Handle(), WM_NULL, 0, 0);
}

void TrayIcon::OnCallback(UINT mouseMessage) {
  if (events_ == nullptr) return;
  switch (mouseMessage) {
    case WM_LBUTTONUP:
      events_->TrayIconClick();
      break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      events_->TrayIconDblClick();
      break;
    case WM_RBUTTONUP: {
      POINT pt{};
      ::GetCursorPos(&pt);
      events_->TrayIconRightButtonUp(pt.x, pt.y);
      break;
    }
    default:
      break;
  }
}

LRESULT TrayIcon::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == taskbarCreated_ && taskbarCreated_ != 0) {
    // A new shell (Explorer restarted) knows no icons: put ours back.
    Add();
    return 0;
  }
  if (message == kAddMessage) {
    if (!added_) Add();
    return 0;
  }
  switch (message) {
    case kCallbackMessage:
      OnCallback(static_cast<UINT>(lParam));
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 && events_ != nullptr) {
        if (LOWORD(wParam) == kOpenMainCommand) {
          events_->OpenMainClick();
          return 0;
        }
        if (LOWORD(wParam) == kCloseMainCommand) {
          events_->CloseMainClick();
          return 0;
        }
      }
      break;
    case WM_QUERYENDSESSION:
      return 1;
    case WM_ENDSESSION:
      if (wParam != FALSE) Remove();
      return 0;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace zel::win32
