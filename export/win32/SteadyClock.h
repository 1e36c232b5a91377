#pragma once
// The insert routes' clock: milliseconds since the system started.
#include <windows.h>

#include "export/SpreadsheetLink.h"

namespace zel::win32 {

class Win32SteadyClock final : public ISteadyClock {
 public:
  std::int64_t NowMs() override { return static_cast<std::int64_t>(::GetTickCount64()); }
};

}  // namespace zel::win32
