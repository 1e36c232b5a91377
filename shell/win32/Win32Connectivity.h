#pragma once
// Reachability of a service page through WinInet.
#include "shell/Ports.h"

namespace zel::win32 {

class Win32Connectivity final : public IConnectivity {
 public:
  // Safe from any thread.
  bool CheckConnection(const std::string& url) override;
};

}  // namespace zel::win32
