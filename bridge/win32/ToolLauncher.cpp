#include "bridge/win32/ToolLauncher.h"

#include <windows.h>
#include <shellapi.h>

#include "app/win32/ProcessLauncher.h"
#include "app/win32/Win32Util.h"

namespace zel::win32 {

bool Win32ToolLauncher::FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void Win32ToolLauncher::Start(const std::string& commandLine) {
  // Not waited for: the tool runs on its own.
  StartProcess(commandLine, SW_SHOWNORMAL);
}

void Win32ToolLauncher::OpenInDefaultBrowser(const std::string& url) {
  const HINSTANCE result =
      ::ShellExecuteW(nullptr, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Values up to 32 are errors.
  const auto code = reinterpret_cast<INT_PTR>(result);
  if (code <= 32) ThrowFailure<Win32Error>("ShellExecuteW", static_cast<unsigned long>(code));
}

}  // namespace zel::win32
