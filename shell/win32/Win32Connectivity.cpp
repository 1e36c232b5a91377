#include "shell/win32/Win32Connectivity.h"

#include <windows.h>
#include <wininet.h>

#include "app/win32/Win32Util.h"

namespace zel::win32 {

bool Win32Connectivity::CheckConnection(const std::string& url) {
  return ::InternetCheckConnectionW(Widen(url).c_str(), FLAG_ICC_FORCE_CONNECTION, 0) != FALSE;
}

}  // namespace zel::win32
