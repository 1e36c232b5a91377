#pragma once
// The program's invisible application window: it owns every other window of the program and
// carries the taskbar button, so the borderless main window needs none of its own.
#include <windows.h>

#include <string>

#include "app/win32/Window.h"
#include "shell/Ports.h"
#include "shell/WindowEvents.h"

namespace zel::win32 {

class ApplicationWindow final : public Window, public IApplicationWindow {
 public:
  static constexpr wchar_t kClassName[] = L"ZelApplication";

  // Creates the window hidden; throws Win32Error.
  explicit ApplicationWindow(const std::string& title);
  ~ApplicationWindow() override;

  // Routes the taskbar's minimise and close to the listener; nullptr detaches.
  void Attach(IApplicationEvents* events) { events_ = events; }
  void SetTitle(const std::string& title);
  bool MessageHookInstalled() const { return hookInstalled_; }
  // Terminate was asked for; the message loop ends even if a nested loop took its WM_QUIT.
  bool TerminateRequested() const { return terminateRequested_; }

  // IApplicationWindow
  void Restore() override;
  void ShowInTask(bool show) override;
  void MinimizeToTray() override;
  void ForegroundActiveWindow() override;
  void SetMessageHookInstalled(bool installed) override { hookInstalled_ = installed; }
  void Terminate() override;
  ScreenSize PrimaryScreen() override;
  std::string ExecutablePath() override;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void AddExStyle(LONG_PTR bits);

  IApplicationEvents* events_ = nullptr;
  bool hookInstalled_ = false;
  bool terminateRequested_ = false;
};

}  // namespace zel::win32
