#include "shell/win32/Monitors.h"

#include <windows.h>

namespace zel::win32 {

namespace {

WindowRect FromRect(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (::GetMonitorInfoW(monitor, &info)) {
    reinterpret_cast<std::vector<MonitorInfo>*>(list)->push_back(
        {FromRect(info.rcMonitor), FromRect(info.rcWork), (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  }
  return TRUE;
}

}  // namespace

std::vector<MonitorInfo> Monitors::List() {
  std::vector<MonitorInfo> list;
  ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list));
  if (list.empty()) {
    // The primary screen as the system metrics give it.
    const WindowRect screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    RECT work{};
    const bool haveWork = ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) != FALSE;
    list.push_back({screen, haveWork ? FromRect(work) : screen, true});
  }
  return list;
}

}  // namespace zel::win32
