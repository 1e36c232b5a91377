#include "tests/wine/support/WineEnv.h"

#include <windows.h>

#include "app/win32/Win32Util.h"

namespace zel::winetest {

std::string Env(const char* name) {
  const std::wstring wide = win32::Widen(name);
  const DWORD n = ::GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  const DWORD m = ::GetEnvironmentVariableW(wide.c_str(), value.data(), n);
  value.resize(m);
  return win32::Narrow(value);
}

std::string WinePath(const std::string& linuxPath) {
  if (linuxPath.empty() || linuxPath[0] != '/') return linuxPath;
  std::string out = "Z:" + linuxPath;
  for (auto& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

std::string BuiltProgram(const std::string& fileName) {
  return WinePath(Env("ZEL_BIN") + "/" + fileName);
}

std::string ServiceHost() { return "127.0.0.1:" + Env("ZEL_SERVICE_PORT"); }

}  // namespace zel::winetest
