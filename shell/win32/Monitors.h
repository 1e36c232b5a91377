#pragma once
// The desktop's monitors as the system lists them.
#include "shell/Ports.h"

namespace zel::win32 {

class Monitors final : public IMonitors {
 public:
  std::vector<MonitorInfo> List() override;
};

}  // namespace zel::win32
