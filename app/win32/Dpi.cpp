#include "app/win32/Dpi.h"

#include "app/win32/Win32Util.h"

namespace zel::win32 {

namespace {

constexpr int kDefaultDpi = 96;
constexpr int kMonitorEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

GetDpiForWindowFn DpiForWindow() {
  static const GetDpiForWindowFn fn =
      LookupFunction<GetDpiForWindowFn>(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
  return fn;
}

GetDpiForMonitorFn DpiForMonitor() {
  // Loaded once for the process's life from the system folder only; absent before 8.1.
  static const GetDpiForMonitorFn fn = LookupFunction<GetDpiForMonitorFn>(
      ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor");
  return fn;
}

int ScreenDpi() {
  const HDC screen = ::GetDC(nullptr);
  if (screen == nullptr) return kDefaultDpi;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDefaultDpi;
}

}  // namespace

int MonitorDpi(HMONITOR monitor) {
  UINT x = 0, y = 0;
  if (const GetDpiForMonitorFn fn = DpiForMonitor();
      fn != nullptr && monitor != nullptr && SUCCEEDED(fn(monitor, kMonitorEffectiveDpi, &x, &y)) &&
      x > 0) {
    return static_cast<int>(x);
  }
  return ScreenDpi();
}

void TakeSuggestedRect(HWND window, LPARAM suggested) {
  const auto* r = reinterpret_cast<const RECT*>(suggested);
  if (r == nullptr) return;
  ::SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

int WindowDpi(HWND window) {
  if (const GetDpiForWindowFn fn = DpiForWindow(); fn != nullptr && window != nullptr) {
    const UINT dpi = fn(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return MonitorDpi(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

}  // namespace zel::win32
