#include "logging/win32/Win32Clock.h"

#include <windows.h>

namespace zel::win32 {

LocalDateTime Win32Clock::Now() {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  LocalDateTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.millisecond = st.wMilliseconds;
  return t;
}

std::int64_t Win32Clock::TickMs() { return static_cast<std::int64_t>(::GetTickCount64()); }

void Win32Clock::Sleep(int milliseconds) {
  ::Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}

}  // namespace zel::win32
