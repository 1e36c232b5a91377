#include "update/win32/OneShotTimer.h"

#include <utility>

#include "app/win32/Win32Util.h"

namespace zel::win32 {

namespace {
constexpr UINT_PTR kTimerId = 1;
}

Win32OneShotTimer::Win32OneShotTimer() {
  CreateParams params;
  params.parent = HWND_MESSAGE;
  Create(L"ZelOneShotTimer", params);
}

Win32OneShotTimer::~Win32OneShotTimer() { Stop(); }

void Win32OneShotTimer::Start(int milliseconds, std::function<void()> action) {
  action_ = std::move(action);
  try {
    ZEL_CHECK_LAST_ERROR(::SetTimer(Handle(), kTimerId, static_cast<UINT>(milliseconds), nullptr));
  } catch (...) {
    action_ = nullptr;
    throw;
  }
}

void Win32OneShotTimer::Stop() {
  ::KillTimer(Handle(), kTimerId);
  action_ = nullptr;
}

LRESULT Win32OneShotTimer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_TIMER || wParam != kTimerId) return DefaultHandling(message, wParam, lParam);
  ::KillTimer(Handle(), kTimerId);
  // The action may start the timer again.
  auto action = std::move(action_);
  action_ = nullptr;
  if (action) action();
  return 0;
}

}  // namespace zel::win32
