#pragma once
// A one-shot timer on a message-only window of its own: its action runs from the message loop.
#include <functional>

#include "app/win32/Window.h"
#include "update/UpdatePorts.h"

namespace zel::win32 {

class Win32OneShotTimer final : public IOneShotTimer, private Window {
 public:
  // Throws Win32Error.
  Win32OneShotTimer();
  ~Win32OneShotTimer() override;

  // Throws Win32Error.
  void Start(int milliseconds, std::function<void()> action) override;
  void Stop() override;

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::function<void()> action_;
};

}  // namespace zel::win32
