#pragma once
// The main window's logic on the real windows of this process (application window, form,
// timer, hotkeys, tray icon, message loop), with fakes for the browsers and everything else.
// Each fake browser owns a real child window that records the messages it receives.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/win32/Window.h"
#include "app/win32/WindowTimer.h"
#include "shell/Main.h"
#include "shell/MainPorts.h"
#include "shell/win32/ApplicationWindow.h"
#include "shell/win32/HotKeys.h"
#include "shell/win32/MainForm.h"
#include "shell/win32/TrayIcon.h"
#include "shell/win32/Monitors.h"
#include "tests/fakes/FakeBrowser.h"
#include "tests/fakes/FakeExport.h"
#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeStartup.h"
#include "tests/fakes/FakeUpdate.h"

namespace zel::winetest {

// A child window that keeps the number of every message posted or sent to it.
class RecordingWindow final : public win32::Window {
 public:
  explicit RecordingWindow(HWND parent);
  HWND Hwnd() const { return Handle(); }
  // Messages from WM_USER up (and WM_NULL), in arrival order.
  std::vector<UINT> received;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

struct ZelFormHarness {
  ZelFormHarness();
  ~ZelFormHarness();
  ZelFormHarness(const ZelFormHarness&) = delete;
  ZelFormHarness& operator=(const ZelFormHarness&) = delete;

  // FormCreate without arguments, then the first show, as the program does.
  void CreateAndShow();
  // Runs the program's message loop until it ends or the time is up; true when it ended.
  bool RunLoop(DWORD timeoutMs);
  std::vector<std::string> LogMessages() const { return logFiles.Messages(); }
  bool TopMost() const;

  fakes::Journal journal;
  TGlobals globals;
  fakes::FakeClock clock;
  fakes::FakeLogFileSystem logFiles;
  UINT notifyMessage;
  win32::ApplicationWindow application;
  win32::MainForm window;
  RecordingWindow wb1Window;
  RecordingWindow wb2Window;
  fakes::FakeBrowser wb1{"wb1", &journal};
  fakes::FakeBrowser wb2{"wb2", &journal};
  win32::WindowTimer timer1;
  win32::HotKeys hotKeys;
  win32::TrayIcon tray;
  fakes::FakeDialogs dialogs{journal};
  fakes::FakeRegistry registry;
  fakes::FakeConnectivity connectivity;
  fakes::FakeThreads threads;
  fakes::FakeResources resources;
  fakes::FakeSinkFactory sinks;
  fakes::FakeClipboard clipboard{journal};
  fakes::FakeDde dde{journal, clipboard};
  fakes::FakeAutomation automation{journal};
  fakes::FakeToolLauncher tools;
  fakes::FakeBrowserMenu pmWB;
  fakes::FakeTimer reloadTimer;
  fakes::UpdateFakes update;
  win32::Monitors monitors;
  fakes::FakeIniFile* ini = nullptr;  // owned by the form
  std::unique_ptr<TfrmMain> form;
};

}  // namespace zel::winetest
