#include "tests/wine/support/RealExportHarness.h"

#include "app/Errors.h"

namespace zel::winetest {

RealExportHarness::RealExportHarness() {
  SetLogEnvironment(&logFiles, &clock);
  wb1.window = 0x1001;
  wb2.window = 0x1002;
  TfrmMainPorts ports{window,   application, wb1,          wb2,       timer1,   hotKeys,
                      tray,     dialogs,     registry,     clock,     connectivity, threads,
                      resources, sinks,      dde,          automation, clipboard,
                      tools,    pmWB,        reloadTimer,
                      [this]() -> std::unique_ptr<IMiniInputWindow> {
                        return std::make_unique<fakes::FakeMiniInput>(journal);
                      },
                      update.Ports(),
                      monitors};
  form = std::make_unique<TfrmMain>(globals, ports, std::make_unique<fakes::FakeIniFile>());
  SetExceptionReporter([this](const std::string& m) { form->ApplicationEvents1Exception(m); });
  form->PageCommands().CreateSinks();
}

RealExportHarness::~RealExportHarness() {
  SetExceptionReporter(nullptr);
  form.reset();
  SetLogEnvironment(nullptr, nullptr);
}

void RealExportHarness::LoadPage(const std::string& settings, const std::string& rowValues) {
  wb1.LoadPage(globals.IndexUrl);
  wb1.AddElement("SettingStrID", settings);
  wb1.AddElement("InsertExcelStrID", rowValues);
  wb1.AddElement("InsertExcelID");
  form->BindHtmlEvent();
}

bool RealExportHarness::ClickInsert() { return wb1.Fire("InsertExcelID"); }

std::vector<std::string> RealExportHarness::Messages() const {
  std::vector<std::string> messages;
  for (const auto& script : wb1.scripts) {
    if (script.rfind("alertMsg(", 0) == 0) messages.push_back(script);
  }
  return messages;
}

int RealExportHarness::InsertLogs() const {
  int n = 0;
  for (const auto& script : wb1.scripts) n += script == "Q_GetPraiseInsert(2)" ? 1 : 0;
  return n;
}

}  // namespace zel::winetest
