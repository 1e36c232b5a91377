#include "update/win32/UpdateFiles.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "app/Global.h"
#include "app/win32/Owners.h"

namespace zel::win32 {

namespace {

DWORD Attributes(const std::string& path) { return ::GetFileAttributesW(Widen(path).c_str()); }

// UTF-8 to the code page; a character without a form there is an error, not a "?" that would
// make the script address another file.
std::string ToCodePage(UINT codePage, const std::string& utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  BOOL lossy = FALSE;
  const int n = ZEL_CHECK_LAST_ERROR(::WideCharToMultiByte(
      codePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &lossy));
  if (lossy) ThrowWin32("WideCharToMultiByte", ERROR_NO_UNICODE_TRANSLATION);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), n, nullptr,
                        nullptr);
  return out;
}

// Everything inside the folder; a link is removed itself, never what it points to.
void RemoveContents(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const UniqueFind search = OwnFind(::FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!search) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
      ::SetFileAttributesW(path.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ::DeleteFileW(path.c_str());
      continue;
    }
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveContents(path);
    ::RemoveDirectoryW(path.c_str());
  } while (::FindNextFileW(search.get(), &found));
}

class HeldFile final : public IHeldFile {
 public:
  explicit HeldFile(UniqueHandleObj file) : file_(std::move(file)) {}

 private:
  UniqueHandleObj file_;
};

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

bool Win32UpdateFiles::RemoveTree(const std::string& folder) {
  const std::wstring path = Widen(WithoutTrailingSlash(folder));
  const DWORD a = ::GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return true;
  if (!(a & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveContents(path);
  ::RemoveDirectoryW(path.c_str());
  return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<IHeldFile> Win32UpdateFiles::CopyAndHold(const std::string& from,
                                                         const std::string& to) {
  ZEL_CHECK_LAST_ERROR(::CopyFileW(Widen(from).c_str(), Widen(to).c_str(), FALSE));
  // Read sharing only: until this handle goes, nobody writes, renames or removes the copy.
  UniqueHandleObj file = ZEL_CHECK_LAST_ERROR(OwnFileHandle(::CreateFileW(
      Widen(to).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
      FILE_ATTRIBUTE_NORMAL, nullptr)));
  return std::make_unique<HeldFile>(std::move(file));
}

std::optional<std::string> Win32UpdateFiles::ReadText(const std::string& path,
                                                      std::size_t maxBytes) {
  const UniqueHandleObj file = OwnFileHandle(
      ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (bytes.size() < maxBytes &&
         ::ReadFile(file.get(), buffer,
                    static_cast<DWORD>(std::min<std::size_t>(sizeof buffer, maxBytes - bytes.size())),
                    &read, nullptr) &&
         read > 0) {
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
  // cmd reads a script in the console's code page, which differs from the ANSI one on Western
  // and Cyrillic systems.
  const UINT codePage = ::GetOEMCP();
  for (const std::string& line : lines) bytes += ToCodePage(codePage, line) + "\r\n";
  const UniqueHandleObj file = ZEL_CHECK_LAST_ERROR(
      OwnFileHandle(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)));
  DWORD written = 0;
  ZEL_CHECK_LAST_ERROR(
      ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  if (written != bytes.size()) ThrowWin32("WriteFile", ERROR_HANDLE_DISK_FULL);
}

}  // namespace zel::win32
