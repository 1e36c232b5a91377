#pragma once
// What the main window's logic needs of the operating system.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Platform.h"

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

// The invisible application window that owns the taskbar button.
class IApplicationWindow {
 public:
  IApplicationWindow() = default;
  IApplicationWindow(const IApplicationWindow&) = delete;
  IApplicationWindow& operator=(const IApplicationWindow&) = delete;
  virtual ~IApplicationWindow() = default;
  // Un-minimises, shows with SW_RESTORE and makes the application the foreground one.
  virtual void Restore() = 0;
  // Shows (adding WS_EX_APPWINDOW) or hides (adding WS_EX_TOOLWINDOW) the taskbar button.
  virtual void ShowInTask(bool show) = 0;
  // Minimises the application and hides its window: the program lives on in the tray.
  virtual void MinimizeToTray() = 0;
  // Brings the program's active window to the foreground (before a tray menu opens).
  virtual void ForegroundActiveWindow() = 0;
  virtual void SetMessageHookInstalled(bool installed) = 0;
  // The message loop ends after the current message; the windows are destroyed.
  virtual void Terminate() = 0;
  virtual ScreenSize PrimaryScreen() = 0;
  virtual std::string ExecutablePath() = 0;
};

class IHotKeys {
 public:
  IHotKeys() = default;
  IHotKeys(const IHotKeys&) = delete;
  IHotKeys& operator=(const IHotKeys&) = delete;
  virtual ~IHotKeys() = default;
  // GlobalAddAtom; throws when it fails.
  virtual int AddGlobalAtom(const std::string& name) = 0;
  // RegisterHotKey on the main window, no modifiers; throws when it fails.
  virtual void Register(int id, int virtualKey) = 0;
  // Releasing a hotkey that is not held (never registered, or released already) does nothing;
  // throws when the system refuses to release one that is held.
  virtual void Unregister(int id) = 0;
};

class ITrayIcon {
 public:
  ITrayIcon() = default;
  ITrayIcon(const ITrayIcon&) = delete;
  ITrayIcon& operator=(const ITrayIcon&) = delete;
  virtual ~ITrayIcon() = default;
  // Opens the tray menu with its right edge at the point; its commands come back as
  // OpenMainClick and CloseMainClick.
  virtual void PopupMenu(int x, int y) = 0;
};

class IDialogs {
 public:
  IDialogs() = default;
  IDialogs(const IDialogs&) = delete;
  IDialogs& operator=(const IDialogs&) = delete;
  virtual ~IDialogs() = default;
  // Modal box owned by the main window: caption "泽米宝", error icon, OK.
  virtual void ShowError(const std::string& text) = 0;
};

// InternetCheckConnectionA with FLAG_ICC_FORCE_CONNECTION; callable from any thread.
class IConnectivity {
 public:
  IConnectivity() = default;
  IConnectivity(const IConnectivity&) = delete;
  IConnectivity& operator=(const IConnectivity&) = delete;
  virtual ~IConnectivity() = default;
  virtual bool CheckConnection(const std::string& url) = 0;
};

class IThreadStarter {
 public:
  IThreadStarter() = default;
  IThreadStarter(const IThreadStarter&) = delete;
  IThreadStarter& operator=(const IThreadStarter&) = delete;
  virtual ~IThreadStarter() = default;
  // Starts the body on a thread of its own that nobody waits for.
  virtual void Start(std::function<void()> body) = 0;
};

class IResources {
 public:
  IResources() = default;
  IResources(const IResources&) = delete;
  IResources& operator=(const IResources&) = delete;
  virtual ~IResources() = default;
  // The bytes of an RC_DATA resource; throws when it is missing.
  virtual std::string LoadRcData(const std::string& name) = 0;
};

// What the mini input window asks of its owner, the main window.
class IMiniInputOwner {
 public:
  IMiniInputOwner() = default;
  IMiniInputOwner(const IMiniInputOwner&) = delete;
  IMiniInputOwner& operator=(const IMiniInputOwner&) = delete;
  virtual ~IMiniInputOwner() = default;
  // Shows the main window.
  virtual void ShowOwner() = 0;
  // Restores the application, shows the wide page and runs its query for the keyword.
  virtual void QueryFromMini(const std::string& keyword) = 0;
  // Restores the application and opens the service address in the page the main window shows.
  virtual void OpenInMain(const std::string& url) = 0;
};

// The small always-on-top search window; the main window creates it on first need.
class IMiniInputWindow {
 public:
  IMiniInputWindow() = default;
  IMiniInputWindow(const IMiniInputWindow&) = delete;
  IMiniInputWindow& operator=(const IMiniInputWindow&) = delete;
  virtual ~IMiniInputWindow() = default;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool OwnsWindow(std::intptr_t window) = 0;
};

}  // namespace zel
