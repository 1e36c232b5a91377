#pragma once
// The page commands over fakes of their ports: a host that records what it was asked, by name,
// an insert command that records its kinds, and a bed that wires them with the other fakes.
#include <functional>
#include <string>
#include <vector>

#include "bridge/PageCommands.h"
#include "tests/fakes/FakeBrowser.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeShell.h"

namespace zel::fakes {

class FakePageCommandHost final : public IPageCommandHost {
 public:
  void ShowWideLayout() override { calls.emplace_back("ShowWideLayout"); }
  void SwitchLayout() override { calls.emplace_back("SwitchLayout"); }
  void RememberWidePlace() override { calls.emplace_back("RememberWidePlace"); }
  void TogglePin() override { calls.emplace_back("TogglePin"); }
  void CloseProgram() override {
    calls.emplace_back("CloseProgram");
    if (onClose) onClose();
  }
  void RestoreApplication() override { calls.emplace_back("RestoreApplication"); }
  bool ShowsOwnErrorPage() override { return errorPageShown; }

  std::vector<std::string> calls;
  bool errorPageShown = false;
  std::function<void()> onClose;
};

class FakeInsertCommand final : public IInsertCommand {
 public:
  void InsertExcelEventHandle() override { Run(InsertKind::Row); }
  void InsertTitle2ExcelEventHandle() override { Run(InsertKind::Caption); }
  void Run(InsertKind kind) {
    runs.push_back(kind);
    if (fail) throw BrowserError("the page cannot be read");
  }
  std::vector<InsertKind> runs;
  bool fail = false;
};

// The commands with their sinks made, as the window's creation leaves them.
struct PageCommandsBed {
  PageCommandsBed() { commands.CreateSinks(); }

  Journal journal;  // only because the window and mini fakes want one; tests read their states
  TGlobals settings;
  FakeBrowser wide{"wb1"};
  FakeBrowser narrow{"wb2"};
  FakeMainBrowsers browsers{wide, narrow};
  FakeFormWindow window{journal};
  FakeMiniInput mini{journal};
  FakeSinkFactory sinks;
  FakeRegistry registry;
  FakeToolLauncher tools;
  FakeInsertCommand insert;
  FakePageCommandHost host;
  TPageCommands commands{settings,
                         {host, browsers, window, mini, sinks, registry, tools, insert}};
};

}  // namespace zel::fakes
