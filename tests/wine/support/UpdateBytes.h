#pragma once
// Whole files as bytes, for the update tests.
#include <windows.h>

#include <string>

#include "app/win32/Owners.h"

namespace zel::winetest {

// "<missing>" when the file cannot be opened.
inline std::string ReadBytes(const std::string& path) {
  const win32::UniqueHandleObj file =
      win32::OwnFileHandle(::CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return "<missing>";
  std::string bytes(::GetFileSize(file.get(), nullptr), '\0');
  DWORD read = 0;
  ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  return bytes;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  const win32::UniqueHandleObj file = win32::OwnFileHandle(::CreateFileW(
      win32::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace zel::winetest
