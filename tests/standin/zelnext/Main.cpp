// The stand-in for a newer Zel.exe: it carries the version the update tests list and, when
// started, writes its own path into the file named by ZEL_UPDATE_MARK, then ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t mark[MAX_PATH];
  if (::GetEnvironmentVariableW(L"ZEL_UPDATE_MARK", mark, MAX_PATH) == 0) return 1;
  wchar_t self[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const HANDLE file = ::CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  ::WriteFile(file, self, length * sizeof(wchar_t), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}
