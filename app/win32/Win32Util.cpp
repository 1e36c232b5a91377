#include "app/win32/Win32Util.h"

#include <vector>

namespace zel::win32 {

namespace {

std::string Convert(UINT fromCp, UINT toCp, const std::string& text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(fromCp, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(fromCp, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  const int m = ::WideCharToMultiByte(toCp, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(m), '\0');
  ::WideCharToMultiByte(toCp, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
  return out;
}
}  // namespace

Win32Error::Win32Error(const std::string& call, unsigned long code)
    : std::runtime_error(FailureText(call, static_cast<std::uint32_t>(code))), code_(code) {}

Win32Error::Win32Error(const CallSite& site, unsigned long code)
    : std::runtime_error(FailureText(site, static_cast<std::uint32_t>(code))), code_(code) {}

void ThrowLastError(const char* call) { throw Win32Error(call, ::GetLastError()); }

void ThrowWin32(const char* call, unsigned long code) { throw Win32Error(call, code); }

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(const wchar_t* wide, int length) {
  if (wide == nullptr) return {};
  if (length < 0) length = static_cast<int>(wcslen(wide));
  if (length == 0) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data(), n, nullptr, nullptr);
  return out;
}

std::string Narrow(const std::wstring& wide) {
  return Narrow(wide.data(), static_cast<int>(wide.size()));
}

std::string ToAnsi(const std::string& utf8) { return Convert(CP_UTF8, CP_ACP, utf8); }

std::string FromAnsi(const std::string& ansi) { return Convert(CP_ACP, CP_UTF8, ansi); }

std::string ExecutablePath() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = ZEL_CHECK_LAST_ERROR(
        ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size())));
    if (n < buf.size()) return Narrow(buf.data(), static_cast<int>(n));
    buf.resize(buf.size() * 2);
  }
}

}  // namespace zel::win32
