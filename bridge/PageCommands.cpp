// The main window's page commands: the mini window, the drawing tool, pin, layouts, the price
// query and settings, close, drag, the inserts, and the error page's buttons.
#include "bridge/PageCommands.h"

#include "bridge/Origin.h"

#include "app/Startup.h"
#include "app/ScriptText.h"

namespace zel {

namespace {
constexpr char kToolKey[] = "Software\\Brixmoor\\BrixZelTools";
constexpr char kToolMissingScript[] = "Tobatu()";
constexpr char kToWideScript[] = "miniToHorizontal()";
}  // namespace

TPageCommands::TPageCommands(TGlobals& settings, TPageCommandPorts ports)
    : settings_(settings), ports_(ports) {}

TPageCommands::~TPageCommands() {
  // The sinks outlive the window: a late page event must find no handler pointing at it.
  for (IEventSink* sink : sinks_) sink->HookEventHandler(nullptr);
}

void TPageCommands::Run(PageCommand command) {
  switch (command) {
    case PageCommand::Setting: SettingEventHandle(); break;
    case PageCommand::Mini: MiniEventHandle(); break;
    case PageCommand::ReadDwg: ReadDwgEventHandle(); break;
    case PageCommand::Pin: PinEventHandle(); break;
    case PageCommand::Min: MinEventHandle(); break;
    case PageCommand::HV: HVEventHandle(); break;
    case PageCommand::Close: CloseEventHandle(); break;
    case PageCommand::MoveForm: MoveFormEventHandle(); break;
    case PageCommand::QueryPrice: QueryPriceEventHandle(); break;
    case PageCommand::InsertExcel: ports_.insert.InsertExcelEventHandle(); break;
    case PageCommand::InsertTitle: ports_.insert.InsertTitle2ExcelEventHandle(); break;
    case PageCommand::ErrorClose: ErrorCloseEventHandle(); break;
    case PageCommand::ErrorRefresh: ErrorRefreshEventHandle(); break;
  }
}

void TPageCommands::ShowOwner() {
  ports_.window.Show();
  ports_.browsers.Active().Focus();
}

void TPageCommands::SettingEventHandle() { OpenOnWidePage("openSetting()"); }

void TPageCommands::QueryPriceEventHandle() { OpenOnWidePage("loadOrderDiv()"); }

void TPageCommands::OpenOnWidePage(const char* script) {
  try {
    ports_.host.ShowWideLayout();
    ports_.browsers.Wide().ExecScript(kToWideScript);
    ports_.browsers.Wide().ExecScript(script);
  } catch (...) {
    // The page's own functions; a page without them does nothing more.
  }
}

void TPageCommands::MiniEventHandle() {
  ports_.window.Hide();
  ports_.mini.Show();
}

void TPageCommands::MinEventHandle() {
  ports_.host.RememberWidePlace();
  ports_.mini.Show();
  ports_.window.Hide();
}

void TPageCommands::ReadDwgEventHandle() {
  IBrowser& page = ports_.browsers.Wide();
  try {
    std::string path = ReadLocalMachineString(ports_.registry, kToolKey, "INSTALLPATH");
    // No installation folder means no tool, not a look in the current drive's root.
    if (path.empty()) {
      page.ExecScript(kToolMissingScript);
      return;
    }
    path = WithoutTrailingSlash(path) + "\\Drawscan.exe";
    if (!ports_.tools.FileExists(path)) {
      page.ExecScript(kToolMissingScript);
      return;
    }
    // Quoted: a path with blanks must not start another program ("C:\Program.exe").
    ports_.tools.Start("\"" + path + "\" EXWINNER");
  } catch (...) {
    page.ExecScript(kToolMissingScript);
  }
}

void TPageCommands::PinEventHandle() { ports_.host.TogglePin(); }

void TPageCommands::HVEventHandle() { ports_.host.SwitchLayout(); }

void TPageCommands::CloseEventHandle() {
  settings_.SettingJson = GetSettingJson(ports_.browsers);
  if (GetJsonValue("state", settings_.SettingJson) == "0") {
    ports_.mini.Show();
    ports_.window.Hide();
  } else {
    ports_.host.CloseProgram();
  }
}

void TPageCommands::MoveFormEventHandle() {
  // MSHTML raises onmousedown for every button: a move loop without the left one held would
  // wait for a click.
  if (LeftButtonPressed(ports_.browsers.Active())) MoveForm();
}

void TPageCommands::MoveForm() { ports_.window.StartSystemDrag(); }

void TPageCommands::ErrorCloseEventHandle() { ports_.host.CloseProgram(); }

void TPageCommands::ErrorRefreshEventHandle() {}


void TPageCommands::QueryFromMini(const std::string& keyword) {
  try {
    ports_.host.RestoreApplication();
    ports_.host.ShowWideLayout();
    IBrowser& page = ports_.browsers.Wide();
    page.ExecScript(kToWideScript);
    // The keyword as a script literal: component names hold quotes (a 3.5" drive), and no
    // keyword may run as script.
    // What the user typed goes to the service's page only.
    if (!keyword.empty() && IsServiceAddress(settings_, page.LocationURL())) {
      page.ExecScript(ScriptCall("QueryByMini", keyword));
    }
  } catch (...) {
  }
}

void TPageCommands::OpenInMain(const std::string& url) {
  ports_.host.RestoreApplication();
  ports_.browsers.Active().Navigate(url);
}

}  // namespace zel
