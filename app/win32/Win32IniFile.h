#pragma once
// A profile (ini) file named by its full path (a bare name would land in the Windows folder).
#include <string>

#include "app/Platform.h"

namespace zel::win32 {

class Win32IniFile final : public IIniFile {
 public:
  explicit Win32IniFile(std::string path);

  // The fallback stands for a missing key and for anything that is not a decimal integer.
  std::int64_t ReadInteger(const std::string& section, const std::string& key,
                           std::int64_t fallback) override;
  // Written as decimal text; throws Win32Error when the file cannot be written.
  void WriteInteger(const std::string& section, const std::string& key,
                    std::int64_t value) override;

 private:
  std::wstring path_;
};

}  // namespace zel::win32
