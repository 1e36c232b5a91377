#include "app/win32/WindowTimer.h"

#include "app/win32/Win32Util.h"

namespace zel::win32 {

WindowTimer::WindowTimer(HWND window, UINT_PTR id, UINT intervalMs)
    : window_(window), id_(id), intervalMs_(intervalMs) {
  SetEnabled(true);
}

WindowTimer::~WindowTimer() {
  if (enabled_) ::KillTimer(window_, id_);
}

void WindowTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  if (enabled) {
    ZEL_CHECK_LAST_ERROR(::SetTimer(window_, id_, intervalMs_, nullptr));
  } else {
    ::KillTimer(window_, id_);
  }
  enabled_ = enabled;
}

}  // namespace zel::win32
