#include "update/win32/ProcessStarter.h"

#include <windows.h>

#include "app/win32/ProcessLauncher.h"

namespace zel::win32 {

void Win32ProcessStarter::StartHidden(const std::string& commandLine) {
  // The command interpreter gets no console window at all; nobody waits for it.
  StartProcess(commandLine, SW_HIDE, CREATE_NO_WINDOW);
}

}  // namespace zel::win32
