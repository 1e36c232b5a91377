#pragma once
// Starting the companion drawing-reading tool and the default browser on Win32.
#include "bridge/ToolLauncher.h"

namespace zel::win32 {

class Win32ToolLauncher final : public IToolLauncher {
 public:
  // True for a file; a folder of that name is no program.
  bool FileExists(const std::string& path) override;
  // CreateProcessW of the command line, shown normally; throws Win32Error when it fails.
  void Start(const std::string& commandLine) override;
  // ShellExecuteW "open" of the address: no command line of ours is involved.
  void OpenInDefaultBrowser(const std::string& url) override;
};

}  // namespace zel::win32
