#include "logging/win32/Win32LogFileSystem.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "app/win32/Owners.h"

namespace zel::win32 {

namespace {

[[noreturn]] void ThrowLog(const char* call, const std::string& path, DWORD code) {
  // A read-only medium or a folder the user may not write: another folder may take the line.
  if (code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT) {
    ThrowFailure<LogFolderRefused>(call, code, path);
  }
  ThrowFailure<LogError>(call, code, path);
}

std::string WithoutTrailingSeparators(std::string path) {
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

}  // namespace

bool Win32LogFileSystem::DirectoryExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32LogFileSystem::ForceDirectories(const std::string& path) {
  const std::string folder = WithoutTrailingSeparators(path);
  if (folder.empty()) return false;
  // A drive ("C:") is checked as its root, never created.
  if (folder.back() == ':') return DirectoryExists(folder + "\\");
  if (DirectoryExists(folder)) return true;
  const auto slash = folder.find_last_of("\\/");
  if (slash != std::string::npos && slash > 0 && !ForceDirectories(folder.substr(0, slash))) {
    return false;
  }
  // Another writer may have made it in the meantime; what counts is that it is there now.
  return ::CreateDirectoryW(Widen(folder).c_str(), nullptr) != FALSE || DirectoryExists(folder);
}

void Win32LogFileSystem::AppendToFile(const std::string& path, const std::string& bytes) {
  const UniqueHandleObj file = OwnFileHandle(
      ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowLog("CreateFileW", path, ::GetLastError());

  // Writers take turns on one byte far beyond any log's end: append-only handles alone do not
  // keep two simultaneous writers from landing on the same offset everywhere (Wine).
  // Another program (a backup or indexing tool) may hold a lock over the whole file: the turn
  // is tried without waiting, for a short while, and then the line fails like an unwritable file.
  OVERLAPPED turn{};
  turn.OffsetHigh = 0x40000000;
  const ULONGLONG giveUpAt = ::GetTickCount64() + kLockPatienceMs;
  while (!::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &turn)) {
    const DWORD code = ::GetLastError();
    if (code != ERROR_LOCK_VIOLATION || ::GetTickCount64() >= giveUpAt) {
      ThrowLog("LockFileEx", path, code);
    }
    ::Sleep(5);
  }
  struct Unlock {
    HANDLE file;
    OVERLAPPED* turn;
    ~Unlock() { ::UnlockFileEx(file, 0, 1, 0, turn); }
  } unlock{file.get(), &turn};

  if (!::SetFilePointerEx(file.get(), LARGE_INTEGER{}, nullptr, FILE_END)) {
    ThrowLog("SetFilePointerEx", path, ::GetLastError());
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(bytes.size() - done);
    if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      ThrowLog("WriteFile", path, ::GetLastError());
    }
    done += written;
  }
}

std::string Win32LogFileSystem::ExecutableDir() {
  const std::string exe = ExecutablePath();
  return exe.substr(0, exe.find_last_of("\\/") + 1);
}

std::string Win32LogFileSystem::LocalAppDataDir() {
  PWSTR folder = nullptr;
  const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder);
  const std::string path = SUCCEEDED(hr) && folder ? Narrow(folder) : std::string();
  ::CoTaskMemFree(folder);
  return path.empty() || path.back() == '\\' ? path : path + "\\";
}

std::string Win32LogFileSystem::ToSystemCodePage(const std::string& utf8) { return ToAnsi(utf8); }

std::vector<std::string> Win32LogFileSystem::FileNames(const std::string& folder) {
  WIN32_FIND_DATAW found;
  const UniqueFind search = OwnFind(::FindFirstFileW(Widen(folder + "*").c_str(), &found));
  if (!search) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return {};
    ThrowLog("FindFirstFileW", folder, code);
  }
  std::vector<std::string> names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.push_back(Narrow(found.cFileName));
    }
  } while (::FindNextFileW(search.get(), &found));
  const DWORD code = ::GetLastError();
  if (code != ERROR_NO_MORE_FILES) ThrowLog("FindNextFileW", folder, code);
  return names;
}

void Win32LogFileSystem::RemoveFile(const std::string& path) {
  if (!::DeleteFileW(Widen(path).c_str())) ThrowLog("DeleteFileW", path, ::GetLastError());
}

}  // namespace zel::win32
