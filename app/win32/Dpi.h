#pragma once
// Pixels per inch of windows and monitors on every system the program runs on. The calls that
// tell them per monitor came with Windows 8.1 (GetDpiForMonitor) and Windows 10 1607
// (GetDpiForWindow): they are looked up at run time, and older systems answer with the
// screen's one setting.
#include <windows.h>

namespace zel::win32 {

// The pixels per inch of the monitor the window is on; 96 when the system cannot say.
int WindowDpi(HWND window);
// The effective pixels per inch of the monitor; the screen's setting where the system has no
// per-monitor value.
int MonitorDpi(HMONITOR monitor);
// WM_DPICHANGED: moves and sizes the window to the rectangle the system suggests (lParam), the
// window's size at the new monitor's scale, placed so it does not jump back and forth between
// the monitors while it is dragged.
void TakeSuggestedRect(HWND window, LPARAM suggested);

}  // namespace zel::win32
