#pragma once
// Timer1: a window timer whose ticks arrive as WM_TIMER on the window.
#include <windows.h>

#include "shell/Ports.h"

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

}  // namespace zel::win32
