#pragma once
// Shared Win32 helpers: handle ownership, text conversion at the boundary, error checks.
#include <windows.h>

#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

namespace zel::win32 {

// Owns one handle and closes it on every path. Move-only.
template <typename Handle, auto Close>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Invalid; }
  Handle release() {
    Handle h = h_;
    h_ = Invalid;
    return h;
  }
  void reset(Handle h = Invalid) {
    if (h_ != Invalid) Close(h_);
    h_ = h;
  }
  Handle* put() {
    reset();
    return &h_;
  }

 private:
  static constexpr Handle Invalid{};
  Handle h_ = Invalid;
};

inline void CloseHandleChecked(HANDLE h) { ::CloseHandle(h); }
inline void CloseRegKey(HKEY h) { ::RegCloseKey(h); }
inline void FreeGlobal(HGLOBAL h) { ::GlobalFree(h); }
inline void DestroyMenuHandle(HMENU h) { ::DestroyMenu(h); }
inline void DestroyIconHandle(HICON h) { ::DestroyIcon(h); }

using UniqueHandleObj = UniqueHandle<HANDLE, CloseHandleChecked>;
using UniqueHKey = UniqueHandle<HKEY, CloseRegKey>;
using UniqueHGlobal = UniqueHandle<HGLOBAL, FreeGlobal>;
using UniqueHMenu = UniqueHandle<HMENU, DestroyMenuHandle>;
using UniqueHIcon = UniqueHandle<HICON, DestroyIconHandle>;

// CreateFile reports failure as INVALID_HANDLE_VALUE; the owner keeps only real handles.
inline UniqueHandleObj OwnFileHandle(HANDLE h) {
  return UniqueHandleObj(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// The one text of a failed system call: "call failed (0x80070005)", the code in hex.
std::string FailureText(const std::string& call, unsigned long code);

// A failed system call: carries the call's name and its code.
class Win32Error : public std::runtime_error {
 public:
  Win32Error(const std::string& call, unsigned long code);
  unsigned long Code() const { return code_; }

 private:
  unsigned long code_;
};

[[noreturn]] void ThrowLastError(const char* call);
[[noreturn]] void ThrowWin32(const char* call, unsigned long code);
// Throws Win32Error for a failed HRESULT.
void ThrowIfFailed(HRESULT hr, const char* call);

// The same checks for the program's own error types (RegistryError, SpreadsheetError,
// BrowserError, ...), which the logic catches by type: the message names the call and the code
// in hex, then the detail if any.
template <typename Error>
[[noreturn]] void ThrowFailure(const std::string& call, unsigned long code,
                               const std::string& detail = {}) {
  if constexpr (std::is_same_v<Error, Win32Error>) {
    throw Win32Error(call, code);
  } else {
    throw Error(FailureText(call, code) + (detail.empty() ? "" : ": " + detail));
  }
}
template <typename Error>
void ThrowIfFailedAs(HRESULT hr, const std::string& call, const std::string& detail = {}) {
  if (FAILED(hr)) ThrowFailure<Error>(call, static_cast<unsigned long>(hr), detail);
}
// For a call that reports failure by a false result and the thread's last error.
template <typename Error>
void ThrowLastErrorIfAs(bool failed, const std::string& call) {
  if (failed) ThrowFailure<Error>(call, ::GetLastError());
}

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
std::string Narrow(const wchar_t* wide, int length = -1);
// UTF-8 to and from the system's ANSI code page (the log file, the update script).
std::string ToAnsi(const std::string& utf8);
std::string FromAnsi(const std::string& ansi);

std::string ExecutablePath();

}  // namespace zel::win32
