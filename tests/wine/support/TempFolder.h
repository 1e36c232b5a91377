#pragma once
// A fresh folder under the user's temporary folder, removed with its contents at the end.
#include <windows.h>

#include <string>

#include "app/win32/Win32Util.h"

namespace zel::winetest {

inline void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(folder.c_str());
}

class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    static unsigned counter = 0;
    path_ = win32::Narrow(temp, static_cast<int>(n)) + prefix + "_" +
            std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(::GetTickCount()) +
            "_" + std::to_string(++counter);
    ::CreateDirectoryW(win32::Widen(path_).c_str(), nullptr);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() { RemoveTree(win32::Widen(path_)); }

  // Without a trailing backslash.
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

inline bool FileExists(const std::string& path) {
  return ::GetFileAttributesW(win32::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace zel::winetest
