#pragma once
// Starts a detached thread; nothing thrown by its body leaves the thread.
#include "shell/Ports.h"

namespace zel::win32 {

class Win32ThreadStarter final : public IThreadStarter {
 public:
  // Throws std::system_error when no thread can be started.
  void Start(std::function<void()> body) override;
};

}  // namespace zel::win32
