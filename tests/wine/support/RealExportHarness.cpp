#include "tests/wine/support/RealExportHarness.h"

#include "logging/Logger.h"

namespace zel::winetest {

RealExportHarness::RealExportHarness() { SetLogEnvironment(&logFiles, &clock); }

RealExportHarness::~RealExportHarness() { SetLogEnvironment(nullptr, nullptr); }

void RealExportHarness::LoadPage(const std::string& settings, const std::string& rowValues) {
  wb1.LoadPage(globals.IndexUrl);
  wb1.AddElement("SettingStrID", settings);
  wb1.AddElement("InsertExcelStrID", rowValues);
}

void RealExportHarness::ClickInsert() { command.InsertExcelEventHandle(); }

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
