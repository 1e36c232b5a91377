#include "app/win32/Win32IniFile.h"

#include <cstdint>
#include <vector>

#include "app/WholeNumber.h"
#include "app/win32/Win32Util.h"

namespace zel::win32 {

Win32IniFile::Win32IniFile(std::string path) : path_(Widen(path)) {}

std::int64_t Win32IniFile::ReadInteger(const std::string& section, const std::string& key,
                                       std::int64_t fallback) {
  const std::wstring wideSection = Widen(section);
  const std::wstring wideKey = Widen(key);
  std::vector<wchar_t> buf(64);
  DWORD n = 0;
  for (;;) {
    n = ::GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), L"", buf.data(),
                                   static_cast<DWORD>(buf.size()), path_.c_str());
    // A full buffer means the value may have been cut.
    if (n + 1 < buf.size()) break;
    buf.resize(buf.size() * 4);
  }
  const std::string text = Narrow(buf.data(), static_cast<int>(n));
  return ParseWholeNumber(text, INT64_MIN, INT64_MAX).value_or(fallback);
}

void Win32IniFile::WriteInteger(const std::string& section, const std::string& key,
                                std::int64_t value) {
  ZEL_CHECK_LAST_ERROR(::WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(),
                                                    std::to_wstring(value).c_str(), path_.c_str()));
}

}  // namespace zel::win32
