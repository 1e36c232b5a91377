#pragma once
// A window timer whose ticks arrive as WM_TIMER on the window, and the routing of those ticks
// to one event per timer.
#include <windows.h>

#include <cstddef>

#include "app/Platform.h"

namespace zel::win32 {

class WindowTimer final : public ITimer {
 public:
  // Starts at once (enabled at creation). Throws Win32Error.
  WindowTimer(HWND window, UINT_PTR id, UINT intervalMs);
  WindowTimer(const WindowTimer&) = delete;
  WindowTimer& operator=(const WindowTimer&) = delete;
  ~WindowTimer() override;

  void SetEnabled(bool enabled) override;
  bool Enabled() override { return enabled_; }

 private:
  HWND window_;
  UINT_PTR id_;
  UINT intervalMs_;
  bool enabled_ = false;
};

// A timer of a window and the event of Events its ticks raise.
template <class Events>
struct TimerEvent {
  UINT_PTR id;
  void (Events::*raise)();
};

// Raises the event of the timer that ticked (on no listener: none); false when the id belongs
// to none of the window's timers.
template <class Events, std::size_t N>
bool RaiseTimerEvent(const TimerEvent<Events> (&timers)[N], Events* listener, WPARAM id) {
  for (const TimerEvent<Events>& timer : timers) {
    if (timer.id != id) continue;
    if (listener != nullptr) (listener->*timer.raise)();
    return true;
  }
  return false;
}

}  // namespace zel::win32
