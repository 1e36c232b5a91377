#pragma once
// The insert command as the program builds it, over the real DDE conversation, automation and
// clipboard; the pages are fake browsers behind the program's own page side.
#include <windows.h>

#include <string>
#include <vector>

#include "bridge/InsertPage.h"
#include "export/InsertCommand.h"
#include "export/win32/Automation.h"
#include "export/win32/Clipboard.h"
#include "export/win32/DdeConversation.h"
#include "tests/fakes/FakeBrowser.h"
#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeShell.h"

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

  // The wide page with its settings text and row values.
  void LoadPage(const std::string& settings, const std::string& rowValues);
  // A click on "InsertExcelID" (InsertExcelEventHandle).
  void ClickInsert();
  // The texts the page was asked to show (alertMsg) and how often it was told of an insert.
  std::vector<std::string> Messages() const;
  int InsertLogs() const;

  TGlobals globals;
  SystemTicksClock clock;
  fakes::FakeLogFileSystem logFiles;
  fakes::FakeBrowser wb1{"wb1"};
  fakes::FakeBrowser wb2{"wb2"};
  fakes::FakeMainBrowsers browsers{wb1, wb2};
  TInsertPage page{browsers};
  win32::Win32DdeConversation dde;  // starts "Excel" when no server answers, as the program does
  win32::Win32Automation automation;
  win32::Win32Clipboard clipboard;
  TInsertCommand command{globals, {page, dde, automation, clipboard, clock}};
};

}  // namespace zel::winetest
