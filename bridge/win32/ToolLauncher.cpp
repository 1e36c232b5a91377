#include "bridge/win32/ToolLauncher.h"

#include <windows.h>

#include "app/win32/ProcessLauncher.h"

namespace zel::win32 {

bool Win32ToolLauncher::FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void Win32ToolLauncher::Start(const std::string& commandLine) {
  // Not waited for: the tool runs on its own.
  StartProcess(commandLine, SW_SHOWNORMAL);
}

}  // namespace zel::win32
