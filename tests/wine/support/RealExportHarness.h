#pragma once
// The main window as the program builds it for an insert: fakes for the window, the browsers
// and the rest of the shell, the real DDE conversation, automation and clipboard.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "export/win32/Automation.h"
#include "export/win32/Clipboard.h"
#include "export/win32/DdeConversation.h"
#include "tests/fakes/MainHarness.h"

namespace zel::winetest {

// Local time and pauses of the fake, ticks of the system: the routes' deadlines run against
// real spreadsheets.
class SystemTicksClock final : public IClock {
 public:
  LocalDateTime Now() override { return fake.Now(); }
  std::int64_t TickMs() override { return static_cast<std::int64_t>(::GetTickCount64()); }
  void Sleep(int milliseconds) override { fake.Sleep(milliseconds); }
  fakes::FakeClock fake;
};

struct RealExportHarness {
  RealExportHarness();
  ~RealExportHarness();
  RealExportHarness(const RealExportHarness&) = delete;
  RealExportHarness& operator=(const RealExportHarness&) = delete;

  // The wide page with its settings text and row values, its elements bound.
  void LoadPage(const std::string& settings, const std::string& rowValues);
  // A click on "InsertExcelID", as the page's sink delivers it; false when nothing was bound.
  bool ClickInsert();
  // The texts the page was asked to show (alertMsg) and how often it was told of an insert.
  std::vector<std::string> Messages() const;
  int InsertLogs() const;

  fakes::Journal journal;
  TGlobals globals;
  SystemTicksClock clock;
  fakes::FakeLogFileSystem logFiles;
  fakes::FakeFormWindow window{journal};
  fakes::FakeApplication application{journal};
  fakes::FakeBrowser wb1{"wb1", &journal};
  fakes::FakeBrowser wb2{"wb2", &journal};
  fakes::FakeTimer timer1;
  fakes::FakeHotKeys hotKeys{journal};
  fakes::FakeTray tray{journal};
  fakes::FakeDialogs dialogs{journal};
  fakes::FakeRegistry registry;
  fakes::FakeConnectivity connectivity;
  fakes::FakeThreads threads;
  fakes::FakeResources resources;
  fakes::FakeToolLauncher tools;
  fakes::FakeBrowserMenu pmWB;
  fakes::FakeTimer reloadTimer;
  fakes::UpdateFakes update;
  fakes::FakeMonitors monitors;
  fakes::FakeSinkFactory sinks;
  win32::Win32DdeConversation dde;  // starts "Excel" when no server answers, as the program does
  win32::Win32Automation automation;
  win32::Win32Clipboard clipboard;
  std::unique_ptr<TfrmMain> form;
};

}  // namespace zel::winetest
