#pragma once
// The registry as the start-up and the host registration read and write it.
// Keys are opened with the least rights the operation needs, so that a standard user can
// still read the machine's keys; no key is ever created.
#include "app/Platform.h"

namespace zel::win32 {

class Win32Registry final : public IRegistry {
 public:
  bool KeyExists(RegRoot root, const std::string& path) override;
  std::optional<std::string> ReadString(RegRoot root, const std::string& path,
                                        const std::string& name) override;
  std::unique_ptr<IRegistryKey> OpenForWrite(RegRoot root, const std::string& path) override;
};

}  // namespace zel::win32
