#include "update/win32/ProcessStarter.h"

#include <windows.h>

#include "app/win32/Win32Util.h"

namespace zel::win32 {

void Win32ProcessStarter::StartHidden(const std::string& commandLine) {
  std::wstring line = Widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  // The command interpreter gets no console window at all.
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
    ThrowLastError("CreateProcessW");
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
}

}  // namespace zel::win32
