#include "app/win32/ProcessLauncher.h"

namespace zel::win32 {

UniqueProcessInformation StartProcess(const std::string& commandLine, WORD show,
                                      DWORD creationFlags) {
  // CreateProcessW may write into the command line: it gets a copy of its own.
  std::wstring line = Widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show;
  UniqueProcessInformation process;
  ZEL_CHECK_LAST_ERROR(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                                        creationFlags, nullptr, nullptr, &startup, process.put()));
  return process;
}

}  // namespace zel::win32
