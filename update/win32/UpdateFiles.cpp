#include "update/win32/UpdateFiles.h"

#include <windows.h>

#include "app/Global.h"
#include "app/win32/Owners.h"

namespace zel::win32 {

namespace {

DWORD Attributes(const std::string& path) { return ::GetFileAttributesW(Widen(path).c_str()); }

// UTF-8 to the system code page; a character without a form there is an error, not a "?"
// that would make the script address another file.
std::string ToCodePage(const std::string& utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  BOOL lossy = FALSE;
  const int n = ZEL_CHECK_LAST_ERROR(::WideCharToMultiByte(
      CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &lossy));
  if (lossy) ThrowWin32("WideCharToMultiByte", ERROR_NO_UNICODE_TRANSLATION);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), n, nullptr,
                        nullptr);
  return out;
}

}  // namespace

bool Win32UpdateFiles::FileExists(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32UpdateFiles::DirectoryExists(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32UpdateFiles::RemoveFile(const std::string& path) {
  return ::DeleteFileW(Widen(path).c_str()) != FALSE;
}

bool Win32UpdateFiles::MakeDirectory(const std::string& path) {
  return ::CreateDirectoryW(Widen(path).c_str(), nullptr) != FALSE;
}

bool Win32UpdateFiles::RemoveEmptyDirectory(const std::string& path) {
  return ::RemoveDirectoryW(Widen(path).c_str()) != FALSE;
}

std::optional<std::string> Win32UpdateFiles::ReadText(const std::string& path) {
  const UniqueHandleObj file = OwnFileHandle(
      ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  return FromAnsi(bytes);
}

bool Win32UpdateFiles::CanCreateFileIn(const std::string& folder) {
  const std::wstring probe = Widen(WithTrailingBackslash(folder)) + L"Zel_" +
                             std::to_wstring(::GetCurrentProcessId()) + L".probe";
  // Gone again when the handle closes, whatever happens in between.
  const UniqueHandleObj file = OwnFileHandle(
      ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return static_cast<bool>(file);
}

void Win32UpdateFiles::WriteScript(const std::string& path, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += ToCodePage(line) + "\r\n";
  const UniqueHandleObj file = ZEL_CHECK_LAST_ERROR(
      OwnFileHandle(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)));
  DWORD written = 0;
  ZEL_CHECK_LAST_ERROR(
      ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  if (written != bytes.size()) ThrowWin32("WriteFile", ERROR_HANDLE_DISK_FULL);
}

}  // namespace zel::win32
