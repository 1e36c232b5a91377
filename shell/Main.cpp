// The main window's parts and how they reach each other. Each part holds only the ports it
// uses; what one part asks of another goes through its host interface, implemented here.
#include "shell/Main.h"

#include "app/Errors.h"
#include "app/Startup.h"
#include "bridge/InsertPage.h"
#include "bridge/PageCommands.h"
#include "export/InsertCommand.h"
#include "shell/ConnCheck.h"
#include "shell/HostRegistration.h"
#include "shell/MainPorts.h"
#include "shell/MainWindow.h"
#include "shell/PageLoading.h"
#include "update/ContextMenu.h"
#include "update/UpdateCheck.h"

namespace zel {

struct TfrmMain::Parts final : IMainWindowHost,
                               IPageLoadingHost,
                               IPageCommandHost,
                               IContextMenuHost,
                               IUpdateOwner {
  Parts(TGlobals& s, const TfrmMainPorts& p, std::unique_ptr<IIniFile> ini)
      : settings(s),
        shell(p.shell),
        browsers(p.browsers),
        IniFile(std::move(ini)),
        frmMinInput([this] { return browsers.createMiniInput(commands); }),
        window(s,
               {shell.window, shell.application, browsers.EmbeddedWB1, browsers.EmbeddedWB2,
                shell.hotKeys, shell.TrayIcon1, shell.monitors, frmMinInput},
               *this),
        insertPage(window),
        insert(s, {insertPage, p.spreadsheets.DdeClientConv1, p.spreadsheets.automation,
                   p.spreadsheets.clipboard, shell.clock}),
        commands(s, {*this, window, shell.window, frmMinInput, browsers.sinks, shell.registry,
                     browsers.tools, insert}),
        menu({browsers.pmWB, window, p.spreadsheets.clipboard, *this}),
        check(s, p.check, [this] { window.AppClose(); }),
        update(s, p.update, *this),
        loading(s,
                {window, shell.window, shell.resources, shell.clock, browsers.ReloadTimer,
                 browsers.tools},
                *this) {}

  // IMainWindowHost
  void RefreshZel() override { loading.RefreshZel(); }
  void WindowOpened() override { update.CheckAgainAfterOneDay(shell.clock.Now()); }
  void ReleaseInstance() override { IniFile.reset(); }

  // IPageLoadingHost
  void BindHtmlEvent() override { commands.BindHtmlEvent(); }
  void BindHtmlEvent2() override { commands.BindHtmlEvent2(); }
  void ApplyPinState(IBrowser& browser) override { window.ApplyPinState(browser); }
  void ServicePageLoaded() override { update.DownNewVersion(); }
  void WidePageComplete() override { window.ReleaseEscKey(); }
  bool ShowContextMenu(int x, int y) override { return menu.ShowContextMenu(x, y); }
  void CommandStateChange() override { commands.CommandStateChange(); }

  // IPageCommandHost
  void ShowWideLayout() override { window.ChangeToH(); }
  void SwitchLayout() override { window.SwitchLayout(); }
  void RememberWidePlace() override { window.RememberWidePlace(); }
  void TogglePin() override { window.SetWindowTop(true); }
  void CloseProgram() override { window.AppClose(); }
  void RestoreApplication() override { window.RestoreApplication(); }
  bool ShowsOwnErrorPage() override { return loading.ErrorPageShown(); }

  // IContextMenuHost
  void RefreshPage() override { loading.RefreshZel(); }

  // IUpdateOwner
  void SetOwnerTopMost(bool topMost) override { shell.window.SetTopMost(topMost); }
  void AppClose() override { window.AppClose(); }
  std::string ExecutablePath() override { return shell.application.ExecutablePath(); }

  TGlobals& settings;
  TShellPorts shell;
  TBrowserPorts browsers;
  std::unique_ptr<IIniFile> IniFile;
  MiniInputOnDemand frmMinInput;
  TMainWindow window;
  TInsertPage insertPage;
  TInsertCommand insert;
  TPageCommands commands;
  TContextMenu menu;
  TStartupCheck check;
  TUpdateCheck update;
  // Last: from here on the browsers' events arrive.
  TPageLoading loading;
};

TfrmMain::TfrmMain(TGlobals& settings, const TfrmMainPorts& ports,
                   std::unique_ptr<IIniFile> iniFile)
    : parts_(std::make_unique<Parts>(settings, ports, std::move(iniFile))) {}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate(const std::vector<std::string>& args) {
  Parts& p = *parts_;
  // One guard: the first failure skips the rest of these steps, silently.
  try {
    ParseCommandLine(p.settings, args);
    WriteAppNameToReg(p.shell.registry, p.shell.application.ExecutablePath());
    p.window.RegisterEscKey();
    // Window handles are 32-bit values across processes, as a 32-bit process writes them.
    if (p.IniFile) {
      p.IniFile->WriteInteger(kIniSection, kIniHandleKey,
                              static_cast<std::int32_t>(p.shell.window.Handle()));
    }
    p.check.StartConnectivityCheck();
  } catch (...) {
  }

  p.window.PlaceForFirstShow();
  // A first page that fails to start is logged; the window is still made whole, or no page
  // button would ever work.
  Guarded([&p] { p.loading.FirstPage(); });
  p.commands.CreateSinks();
  p.shell.application.SetMessageHookInstalled(true);
  p.browsers.EmbeddedWB2.SetVisible(false);
  p.update.LastCheckTime = p.shell.clock.Now();
  // What the last replacement left beside the program goes.
  p.update.RemoveReplacedProgram();
}

void TfrmMain::FormShow() { parts_->window.FormShow(); }
void TfrmMain::FormHide() { parts_->window.FormHide(); }
std::intptr_t TfrmMain::NotifyMsgReceived() { return parts_->window.NotifyMsgReceived(); }
void TfrmMain::HotKey(int virtualKey) { parts_->window.HotKey(virtualKey); }
void TfrmMain::Timer1Timer() { parts_->check.Timer1Timer(); }
void TfrmMain::ReloadTimerTimer() { parts_->loading.ReloadTimerTimer(); }
void TfrmMain::TrayIconClick() { parts_->window.TrayIconClick(); }
void TfrmMain::TrayIconDblClick() { parts_->window.TrayIconDblClick(); }
void TfrmMain::TrayIconRightButtonUp(int x, int y) { parts_->window.TrayIconRightButtonUp(x, y); }
void TfrmMain::OpenMainClick() { parts_->window.OpenMainClick(); }
void TfrmMain::CloseMainClick() { parts_->window.CloseMainClick(); }
void TfrmMain::ApplicationMinimize() { parts_->window.ApplicationMinimize(); }
void TfrmMain::AppClose() { parts_->window.AppClose(); }
void TfrmMain::ApplicationEvents1Exception(const std::string& message) {
  Log("系统异常：" + message);
}
bool TfrmMain::AppMessageHook(std::intptr_t window, unsigned& message) {
  return parts_->window.AppMessageHook(window, message);
}

}  // namespace zel
