#pragma once
// The embedded pages, read from the "RC_DATA" resources of a module.
#include <windows.h>

#include "shell/Ports.h"

namespace zel::win32 {

class Win32Resources final : public IResources {
 public:
  // nullptr: the executable of the process.
  explicit Win32Resources(HMODULE module = nullptr) : module_(module) {}

  // Prefers the Chinese (PRC) resource, then any language; the type "RC_DATA", then RCDATA.
  // Throws Win32Error when missing.
  std::string LoadRcData(const std::string& name) override;

 private:
  HMODULE module_;
};

}  // namespace zel::win32
