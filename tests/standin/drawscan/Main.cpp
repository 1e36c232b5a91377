// The stand-in drawing-reading tool: it writes the command line it was started with and the
// show mode it was given into "started.txt" beside itself (UTF-8, one per line), then ends.
#include <windows.h>

#include <string>

#include "app/win32/Win32Util.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using zel::win32::Narrow;
  STARTUPINFOW startup{};
  ::GetStartupInfoW(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;
  const std::string text = Narrow(::GetCommandLineW()) + "\n" + std::to_string(show) + "\n";

  wchar_t exe[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return 1;
  std::wstring folder(exe, length);
  folder.erase(folder.find_last_of(L'\\') + 1);
  // Written aside and renamed, so a reader never sees half of it.
  const std::wstring partial = folder + L"started.part";
  const HANDLE file = ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
  if (!ok) return 1;
  return ::MoveFileExW(partial.c_str(), (folder + L"started.txt").c_str(),
                       MOVEFILE_REPLACE_EXISTING)
             ? 0
             : 1;
}
