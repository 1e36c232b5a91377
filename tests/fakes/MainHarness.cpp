#include "tests/fakes/MainHarness.h"

#include "app/Errors.h"

namespace zel::fakes {

MainHarness::MainHarness() {
  SetLogEnvironment(&logFiles, &clock);
  reloadTimer.enabled = false;
  wb1.window = 0x1001;
  wb2.window = 0x1002;
  auto iniFile = std::make_unique<FakeIniFile>();
  ini = iniFile.get();
  const TfrmMainPorts ports{
      {window, application, hotKeys, tray, monitors, resources, registry, clock},
      {connectivity, threads, timer1, dialogs},
      {wb1, wb2, reloadTimer, sinks, pmWB, tools,
       [this](IMiniInputOwner& owner) -> std::unique_ptr<IMiniInputWindow> {
         if (createMiniInput) return createMiniInput(owner);
         return std::make_unique<FakeMiniInput>(journal);
       }},
      {dde, automation, clipboard},
      update.Ports()};
  form = std::make_unique<TfrmMain>(globals, ports, std::move(iniFile));
  SetExceptionReporter([this](const std::string& m) { form->ApplicationEvents1Exception(m); });
}

MainHarness::~MainHarness() {
  SetExceptionReporter(nullptr);
  form.reset();
  SetLogEnvironment(nullptr, nullptr);
}

void MainHarness::Create(const std::vector<std::string>& args) { form->FormCreate(args); }

void MainHarness::LoadServicePage(FakeBrowser& browser, const std::string& url,
                                  const std::string& pinState) {
  browser.LoadPage(url);
  browser.AddElement("CloseID");
  if (!pinState.empty()) browser.variables["pin_state"] = pinState;
}

}  // namespace zel::fakes
