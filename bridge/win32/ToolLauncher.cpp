#include "bridge/win32/ToolLauncher.h"

#include <windows.h>

#include "app/win32/Win32Util.h"

namespace zel::win32 {

bool Win32ToolLauncher::FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void Win32ToolLauncher::Start(const std::string& commandLine) {
  // CreateProcessW may write into the command line: it gets a copy of its own.
  std::wstring line = Widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    ThrowLastError("CreateProcessW");
  }
  // Not waited for: the tool runs on its own.
  const UniqueHandleObj thread(process.hThread);
  const UniqueHandleObj handle(process.hProcess);
}

}  // namespace zel::win32
