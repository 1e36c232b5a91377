#pragma once
// The insert buttons of the pages: the page is read once, the routes write the row, and the
// page is told what happened.
#include <string>
#include <vector>

#include "app/Global.h"
#include "export/Insert.h"
#include "export/Routes.h"
#include "export/SpreadsheetLink.h"

namespace zel {

// The page side of an insert.
class IInsertPage {
 public:
  IInsertPage() = default;
  IInsertPage(const IInsertPage&) = delete;
  IInsertPage& operator=(const IInsertPage&) = delete;
  virtual ~IInsertPage() = default;
  // "SettingStrID" of the wide page (GetSettingJson); "InsertExcelStrID" of the active one.
  // Throw when the page cannot be read.
  virtual std::string SettingsText() = 0;
  virtual std::string GetExcelStr() = 0;
  // A message in the active page's own box; a failing script leaves the click.
  virtual void ShowMsgByDiv(const std::string& text) = 0;
  // The active page counts a row written; never throws.
  virtual void InsertExcelLog() = 0;
};

// The spreadsheet insert behind the page's insert buttons.
class IInsertCommand {
 public:
  IInsertCommand() = default;
  IInsertCommand(const IInsertCommand&) = delete;
  IInsertCommand& operator=(const IInsertCommand&) = delete;
  virtual ~IInsertCommand() = default;
  // The clicks of "InsertExcelID" (a row) and "btnAddTitle" (the caption).
  virtual void InsertExcelEventHandle() = 0;
  virtual void InsertTitle2ExcelEventHandle() = 0;
};

struct TInsertCommandPorts {
  IInsertPage& page;
  IDdeConversation& DdeClientConv1;
  IAutomation& automation;
  IClipboard& clipboard;
  IClock& clock;
};

// Reads the page once, stores its settings text as SettingJson, and hands the row to the route
// the settings name; a failure to read the page leaves Run.
class TInsertCommand final : public IInsertCommand {
 public:
  TInsertCommand(TGlobals& settings, TInsertCommandPorts ports);

  void InsertExcelEventHandle() override { Run(InsertKind::Row); }
  void InsertTitle2ExcelEventHandle() override { Run(InsertKind::Caption); }
  void InsertExcel(const std::vector<std::string>& values);
  RouteOutcome InsertExcelByDde(const std::vector<std::string>& values);
  RouteOutcome InsertExcelByOle(const std::vector<std::string>& values);
  void InsertWPS(const std::vector<std::string>& values);
  void InsertExWinner(const std::vector<std::string>& values);

 private:
  void Run(InsertKind kind);
  InsertRequest ReadInsertRequest(InsertKind kind);
  // The page hears of the row, or of what kept it out.
  struct Messages {
    const char* notRunning;
    const char* editing;
    const char* late;
  };
  void Tell(RouteOutcome outcome, const Messages& messages);

  TGlobals& settings_;
  IInsertPage& page_;
  InsertRoutes routes_;
};

}  // namespace zel
