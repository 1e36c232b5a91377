#include "update/win32/ProcessStarter.h"

#include <windows.h>

#include "app/win32/ProcessLauncher.h"

namespace zel::win32 {

std::string Win32ProcessStarter::SystemFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) ThrowLastError("GetSystemDirectoryW");
  return Narrow(folder, static_cast<int>(n));
}

void Win32ProcessStarter::StartHidden(const std::string& program, const std::string& commandLine,
                                      const std::string& folder) {
  // No console window at all. Outside this program's tree, so that ending a Zel.exe with its
  // tree, as an older script did, never ends the replacement.
  StartProcess(commandLine, SW_HIDE, CREATE_NO_WINDOW, ProcessPlace{program, folder, true});
}

}  // namespace zel::win32
