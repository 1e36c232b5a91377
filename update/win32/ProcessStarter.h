#pragma once
// Hidden command lines that nobody waits for: the folder removal and the replacement script.
#include "update/UpdatePorts.h"

namespace zel::win32 {

class Win32ProcessStarter final : public IProcessStarter {
 public:
  Win32ProcessStarter() = default;
  // Throws Win32Error.
  void StartHidden(const std::string& commandLine) override;
};

}  // namespace zel::win32
