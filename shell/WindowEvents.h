#pragma once
// What the program's windows report. Each window publishes its events through one of these and
// never knows who listens; the composition root attaches the listener.
#include <cstdint>

namespace zel {

// The borderless main window.
class IMainFormEvents {
 public:
  IMainFormEvents() = default;
  IMainFormEvents(const IMainFormEvents&) = delete;
  IMainFormEvents& operator=(const IMainFormEvents&) = delete;
  virtual ~IMainFormEvents() = default;
  // A later instance asks to be let in; the answer goes back to it.
  virtual std::intptr_t NotifyMsgReceived() = 0;
  // Shown or hidden on purpose, not with its owner.
  virtual void FormShow() = 0;
  virtual void FormHide() = 0;
  virtual void HotKey(int virtualKey) = 0;
  // One event per timer of the window.
  virtual void Timer1Timer() = 0;
  virtual void ReloadTimerTimer() = 0;
  // Closed by the user (Alt+F4): the orderly close.
  virtual void AppClose() = 0;
};

// The notification-area icon and its menu.
class ITrayIconEvents {
 public:
  ITrayIconEvents() = default;
  ITrayIconEvents(const ITrayIconEvents&) = delete;
  ITrayIconEvents& operator=(const ITrayIconEvents&) = delete;
  virtual ~ITrayIconEvents() = default;
  virtual void TrayIconClick() = 0;
  virtual void TrayIconDblClick() = 0;
  // At the pointer's screen position.
  virtual void TrayIconRightButtonUp(int x, int y) = 0;
  virtual void OpenMainClick() = 0;
  virtual void CloseMainClick() = 0;
};

// The invisible application window with the taskbar button.
class IApplicationEvents {
 public:
  IApplicationEvents() = default;
  IApplicationEvents(const IApplicationEvents&) = delete;
  IApplicationEvents& operator=(const IApplicationEvents&) = delete;
  virtual ~IApplicationEvents() = default;
  // The taskbar button minimised the program.
  virtual void ApplicationMinimize() = 0;
  // Closed from the taskbar: the orderly close.
  virtual void AppClose() = 0;
};

// The main thread's message loop, while the application's hook is installed.
class IMessageLoopEvents {
 public:
  IMessageLoopEvents() = default;
  IMessageLoopEvents(const IMessageLoopEvents&) = delete;
  IMessageLoopEvents& operator=(const IMessageLoopEvents&) = delete;
  virtual ~IMessageLoopEvents() = default;
  // Each message before it is dispatched; true when the listener changed its number.
  virtual bool AppMessageHook(std::intptr_t window, unsigned& message) = 0;
};

}  // namespace zel
