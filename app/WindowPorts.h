#pragma once
// The windows and monitors that every floor of the program places things on.
#include <cstdint>
#include <vector>

namespace zel {

struct WindowRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const WindowRect& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
};

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// The pixels per inch at which the windows and pages have the sizes they are designed for.
inline constexpr int kDesignDpi = 96;

struct MonitorInfo {
  // The whole monitor; the primary one starts at 0, 0.
  WindowRect bounds;
  // Without the taskbar and other docked bars.
  WindowRect work;
  bool primary = false;
};

// The monitors of the desktop as they are now.
class IMonitors {
 public:
  IMonitors() = default;
  IMonitors(const IMonitors&) = delete;
  IMonitors& operator=(const IMonitors&) = delete;
  virtual ~IMonitors() = default;
  // Never empty: without an answer from the system, the primary screen alone.
  virtual std::vector<MonitorInfo> List() = 0;
};

// The borderless main window.
class IFormWindow {
 public:
  IFormWindow() = default;
  IFormWindow(const IFormWindow&) = delete;
  IFormWindow& operator=(const IFormWindow&) = delete;
  virtual ~IFormWindow() = default;
  virtual std::intptr_t Handle() = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() = 0;
  // Shows the window and brings it to the front.
  virtual void BringToFront() = 0;
  virtual WindowRect Bounds() = 0;
  virtual void SetBounds(const WindowRect& bounds) = 0;
  // Constant alpha of the layered window.
  virtual void SetAlpha(int alpha) = 0;
  virtual int Alpha() = 0;
  // SetWindowPos with HWND_TOPMOST or HWND_NOTOPMOST, the current bounds and no flags.
  virtual void SetTopMost(bool topMost) = 0;
  // Releases the mouse capture and hands the window to the system's move loop.
  virtual void StartSystemDrag() = 0;
  // The pixels per inch of the monitor the window is on (kDesignDpi where the system cannot say).
  virtual int Dpi() = 0;
};

}  // namespace zel
