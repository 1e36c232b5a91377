#pragma once
// Hidden programs that nobody waits for: the replacement script.
#include "update/UpdatePorts.h"

namespace zel::win32 {

class Win32ProcessStarter final : public IProcessStarter {
 public:
  Win32ProcessStarter() = default;
  std::string SystemFolder() override;
  // Throws Win32Error.
  void StartHidden(const std::string& program, const std::string& commandLine,
                   const std::string& folder) override;
};

}  // namespace zel::win32
