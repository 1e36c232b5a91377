#pragma once
// Local wall-clock time, the system's tick count and a plain sleep.
#include "app/Global.h"

namespace zel::win32 {

class Win32Clock final : public IClock {
 public:
  LocalDateTime Now() override;
  std::int64_t TickMs() override;
  void Sleep(int milliseconds) override;
};

}  // namespace zel::win32
