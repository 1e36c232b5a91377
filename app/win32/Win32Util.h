#pragma once
// Shared Win32 helpers: text conversion at the boundary, the checks of system calls. The
// owners of handles and COM values are in app/win32/Owners.h.
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include "app/Errors.h"

// The checks of system calls. Each records the call as typed and where (file and line) by
// itself; the message names the function typed as "::Name" (else the text before the first
// parenthesis). The _AS and _MSG forms throw the given error type instead of Win32Error.
// An HRESULT that FAILED.
#define ZEL_THROW_IF_FAILED(hr) \
  ::zel::win32::ThrowIfFailedAt<>(::zel::CallSite{#hr, __FILE__, __LINE__}, (hr))
#define ZEL_THROW_IF_FAILED_AS(Error, hr) \
  ::zel::win32::ThrowIfFailedAt<Error>(::zel::CallSite{#hr, __FILE__, __LINE__}, (hr))
// The same with a detail after the text (what was asked for: an element, a value's name).
#define ZEL_THROW_IF_FAILED_MSG(Error, hr, detail) \
  ::zel::win32::ThrowIfFailedAt<Error>(::zel::CallSite{#hr, __FILE__, __LINE__}, (hr), (detail))
// A call that fails by a false or null result and sets the last error; gives the result.
#define ZEL_CHECK_LAST_ERROR(call) \
  ::zel::win32::CheckLastErrorAt<>(::zel::CallSite{#call, __FILE__, __LINE__}, (call))
#define ZEL_CHECK_LAST_ERROR_AS(Error, call) \
  ::zel::win32::CheckLastErrorAt<Error>(::zel::CallSite{#call, __FILE__, __LINE__}, (call))
// A condition on a call's result that means it failed and set the last error.
#define ZEL_THROW_LAST_ERROR_IF(condition) \
  ::zel::win32::ThrowLastErrorIfAt<>(::zel::CallSite{#condition, __FILE__, __LINE__}, (condition))

namespace zel::win32 {

// A failed system call: carries the call's name (and where it was typed) and its code.
class Win32Error : public std::runtime_error {
 public:
  Win32Error(const std::string& call, unsigned long code);
  Win32Error(const CallSite& site, unsigned long code);
  unsigned long Code() const { return code_; }

 private:
  unsigned long code_;
};

// For a call whose name is made up at run time (a resource's, a registry value's); the ZEL_*
// checks above capture the call's text and place themselves.
[[noreturn]] void ThrowLastError(const char* call);
[[noreturn]] void ThrowWin32(const char* call, unsigned long code);

// The checks for the program's own error types too (RegistryError, SpreadsheetError,
// BrowserError, ...), which the logic catches by type: the message names the call and the code
// in hex, then the detail if any.
template <typename Error, typename Call>
[[noreturn]] void ThrowFailure(const Call& call, unsigned long code,
                               const std::string& detail = {}) {
  if constexpr (std::is_same_v<Error, Win32Error>) {
    throw Win32Error(call, code);
  } else {
    throw Error(FailureText(call, static_cast<std::uint32_t>(code)) +
                (detail.empty() ? "" : ": " + detail));
  }
}
template <typename Error = Win32Error>
void ThrowIfFailedAt(const CallSite& site, HRESULT hr, const std::string& detail = {}) {
  if (FAILED(hr)) ThrowFailure<Error>(site, static_cast<unsigned long>(hr), detail);
}
// The call's result when it is true or not null; otherwise throws with the thread's last error.
template <typename Error = Win32Error, typename Result>
Result CheckLastErrorAt(const CallSite& site, Result result) {
  if (!result) ThrowFailure<Error>(site, ::GetLastError());
  return result;
}
template <typename Error = Win32Error>
void ThrowLastErrorIfAt(const CallSite& site, bool failed) {
  if (failed) ThrowFailure<Error>(site, ::GetLastError());
}

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
std::string Narrow(const wchar_t* wide, int length = -1);
// UTF-8 to and from the system's ANSI code page (the log file, the update script).
std::string ToAnsi(const std::string& utf8);
std::string FromAnsi(const std::string& ansi);

std::string ExecutablePath();

// A function looked up by name, for calls that not every system (or MinGW's import libraries)
// has; nullptr when the module is missing or lacks it.
template <typename Fn>
Fn LookupFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  // Through the generic function type: a direct cast between function types warns.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace zel::win32
