#pragma once
// The program's mini input window on Win32: its window, its browser (which shows no context
// menu at all), its timers and its logic, made together and torn down together. The
// composition root makes it when the main window first needs it.
#include <windows.h>

#include "app/win32/WindowTimer.h"
#include "bridge/MinInput.h"
#include "bridge/win32/MiniInputForm.h"
#include "bridge/win32/WebBrowserHost.h"

namespace zel::win32 {

class MiniInputWindow final : public IMiniInputWindow {
 public:
  // Created hidden, owned by the owner window, loading the mini page. A failure of the page's
  // first load is reported and leaves a working window. Throws Win32Error or BrowserError when
  // the window or its browser cannot be made.
  MiniInputWindow(HWND owner, TGlobals& globals, IMiniInputOwner& miniOwner,
                  ISinkFactory& sinks, IClock& clock, IMonitors& monitors,
                  IToolLauncher& tools);
  ~MiniInputWindow() override;

  void Show() override { form_.Show(); }
  void Hide() override { form_.Hide(); }
  bool OwnsWindow(std::intptr_t window) override { return form_.OwnsWindow(window); }

  HWND Hwnd() const { return window_.Hwnd(); }
  WebBrowserHost& Browser() { return browser_; }
  // Gives the browser its keystrokes (Tab, clipboard and editing keys in the search field);
  // call from the message loop before TranslateMessage.
  bool TranslateAccelerator(MSG& message) { return browser_.TranslateAccelerator(message); }

 private:
  MiniInputForm window_;
  WebBrowserHost browser_;
  WindowTimer timer1_;
  WindowTimer timer2_;
  WindowTimer reloadTimer_;
  TfrmMinInput form_;
};

}  // namespace zel::win32
