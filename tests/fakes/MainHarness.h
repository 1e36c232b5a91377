#pragma once
// The main window's façade wired to fakes of every port, with the log captured in memory: for
// the tests of how its parts work together. Each part's own tests build only its own fakes.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/Main.h"
#include "shell/MainPorts.h"
#include "tests/fakes/FakeBrowser.h"
#include "tests/fakes/FakeExport.h"
#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeStartup.h"
#include "tests/fakes/FakeUpdate.h"

namespace zel::fakes {

struct MainHarness {
  MainHarness();
  ~MainHarness();

  // FormCreate with the arguments, as the program start runs it.
  void Create(const std::vector<std::string>& args = {});
  // Loads a service page into the browser: "CloseID" present, pin_state set when not empty.
  void LoadServicePage(FakeBrowser& browser, const std::string& url, const std::string& pinState = "0");
  std::vector<std::string> LogMessages() const { return logFiles.Messages(); }

  Journal journal;
  TGlobals globals;
  FakeClock clock;
  FakeLogFileSystem logFiles;
  FakeFormWindow window{journal};
  FakeApplication application{journal};
  FakeBrowser wb1{"wb1", &journal};
  FakeBrowser wb2{"wb2", &journal};
  FakeTimer timer1;
  FakeHotKeys hotKeys{journal};
  FakeTray tray{journal};
  FakeDialogs dialogs{journal};
  FakeRegistry registry;
  FakeConnectivity connectivity;
  FakeThreads threads;
  FakeResources resources;
  FakeSinkFactory sinks;
  FakeClipboard clipboard{journal};
  FakeDde dde{journal, clipboard};
  FakeAutomation automation{journal};
  FakeToolLauncher tools;
  FakeBrowserMenu pmWB;
  FakeTimer reloadTimer;
  UpdateFakes update;
  // Makes the mini window instead of a FakeMiniInput when set.
  std::function<std::unique_ptr<IMiniInputWindow>(IMiniInputOwner&)> createMiniInput;
  FakeMonitors monitors;
  FakeIniFile* ini = nullptr;  // owned by the form
  std::unique_ptr<TfrmMain> form;
};

}  // namespace zel::fakes
