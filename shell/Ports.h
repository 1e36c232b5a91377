#pragma once
// What the main window's logic needs of the operating system besides windows and monitors.
#include <functional>
#include <string>

#include "app/Platform.h"
#include "app/WindowPorts.h"
#include "bridge/MiniInputPorts.h"

namespace zel {

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

}  // namespace zel
