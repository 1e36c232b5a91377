#pragma once
// The notification-area icon with its menu. The shell talks to a hidden top-level window of
// its own (not message-only: it must hear the shell's broadcasts and the end of the session).
#include <windows.h>

#include "app/win32/Owners.h"
#include "app/win32/Window.h"
#include "shell/Ports.h"
#include "shell/WindowEvents.h"

namespace zel::win32 {

class TrayIcon final : public Window, public ITrayIcon {
 public:
  static constexpr wchar_t kClassName[] = L"ZelTrayIcon";
  static constexpr UINT kCallbackMessage = WM_USER + 1;
  static constexpr UINT kIconId = 1;
  // Menu command ids, as WM_COMMAND brings them to the icon's window.
  static constexpr UINT kOpenMainCommand = 1;
  static constexpr UINT kCloseMainCommand = 2;
  static constexpr UINT kAddMessage = WM_APP + 1;

  // The icon is added as soon as the thread's message loop runs. Throws Win32Error when the
  // window cannot be made; an icon the shell refuses is tried again when the taskbar comes
  // (back).
  explicit TrayIcon(const std::string& tip);
  ~TrayIcon() override;

  // Routes the icon's clicks and menu commands to the listener; nullptr detaches.
  void Attach(ITrayIconEvents* events) { events_ = events; }
  // Removes the icon (also done on destruction). Harmless when it is not there.
  void Remove();

  void PopupMenu(int x, int y) override;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  NOTIFYICONDATAW Data() const;
  bool Add();
  void OnCallback(UINT mouseMessage);

  std::wstring tip_;
  UniqueHIcon icon_;
  UINT taskbarCreated_ = 0;
  bool added_ = false;
  ITrayIconEvents* events_ = nullptr;
};

}  // namespace zel::win32
