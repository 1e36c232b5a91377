#include "shell/win32/Dialogs.h"

#include "app/Startup.h"
#include "app/win32/Win32Util.h"

namespace zel::win32 {

void Dialogs::ShowError(const std::string& text) {
  ::MessageBoxW(owner_, Widen(text).c_str(), Widen(kAppTitle).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace zel::win32
