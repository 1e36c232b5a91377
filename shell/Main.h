#pragma once
// The main window: two browsers (wide "H" and narrow "V" layout), the pin state, the tray icon,
// the Esc hotkey and the orderly close. Its methods are defined in the folder of the subsystem
// that owns them: shell/ (window, page loading, host registration), bridge/ (binding, page
// commands and the insert commands, which hand the page's request to the routes of export/),
// update/ (the update check).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Global.h"
#include "app/Platform.h"
#include "bridge/Browser.h"
#include "bridge/DHTMLEvent.h"
#include "bridge/ToolLauncher.h"
#include "export/Insert.h"
#include "export/Routes.h"
#include "export/SpreadsheetLink.h"
#include "shell/MiniInputOnDemand.h"
#include "shell/Ports.h"
#include "shell/WindowEvents.h"
#include "update/BrowserMenu.h"
#include "update/UpdateCheck.h"

namespace zel {

inline constexpr char kLoadingPage[] = "Zelloading";
inline constexpr char kErrorPage[] = "ZelError";
inline constexpr char kFirstLoadHeaders[] =
    "User-Agent:Mozille/4.0 (compatible: MSIE 8.0; Windows NT 6.0; Trident/4.0)\r\n";
inline constexpr char kEscHotKeyAtom[] = "HtZelEsc";
inline constexpr int kVkEscape = 0x1B;
inline constexpr char kConnectFailedMessage[] = "网络连接失败，请查看！";
inline constexpr std::int64_t kReloadPaceMs = 1000;
inline constexpr char kEmulationKey[] =
    "SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_BROWSER_EMULATION";

// Everything the main window reaches of the system. All references outlive the window.
struct TfrmMainPorts {
  IFormWindow& window;
  IApplicationWindow& application;
  IBrowser& EmbeddedWB1;
  IBrowser& EmbeddedWB2;
  ITimer& Timer1;
  IHotKeys& hotKeys;
  ITrayIcon& TrayIcon1;
  IDialogs& dialogs;
  IRegistry& registry;
  IClock& clock;
  IConnectivity& connectivity;
  IThreadStarter& threads;
  IResources& resources;
  ISinkFactory& sinks;
  IDdeConversation& DdeClientConv1;
  IAutomation& automation;
  IClipboard& clipboard;
  IToolLauncher& tools;
  IBrowserMenu& pmWB;
  // One-shot, for a reload after a navigation error that came too soon after the last one.
  ITimer& ReloadTimer;
  // Creates the mini input window on first need.
  std::function<std::unique_ptr<IMiniInputWindow>()> createMiniInput;
  // The update's download component, files, processes, dialog, signatures and retry timer.
  TUpdatePorts update;
  IMonitors& monitors;
};

struct BindingRow;

class TfrmMain final : public IMiniInputOwner,
                       public IMainBrowsers,
                       public IMainFormEvents,
                       public ITrayIconEvents,
                       public IApplicationEvents,
                       public IMessageLoopEvents,
                       private IUpdateOwner {
 public:
  TfrmMain(TGlobals& globals, TfrmMainPorts ports, std::unique_ptr<IIniFile> iniFile);
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;
  ~TfrmMain() override;

  // ---- Window, layouts, tray, hotkey, close (shell/MainWindow.cpp)
  void FormCreate(const std::vector<std::string>& args);
  void FormShow() override;
  void FormHide() override;
  // The answer to a later instance; throws when the page has no pin_state (answer stays 0).
  std::intptr_t NotifyMsgReceived() override;
  void OpenMainClick() override;
  void CloseMainClick() override;
  void SetWindowTop(bool toggle);
  void ChangeToH();
  void MoveForm();
  void ShowInTask(bool show);
  void HotKey(int virtualKey) override;
  // Turns 0x0700 and 0x070C for the browser windows into WM_NULL; true when it changed it.
  bool AppMessageHook(std::intptr_t window, unsigned& message) override;
  void AppClose() override;
  void ApplicationEvents1Exception(const std::string& message);
  void TrayIconClick() override;
  void TrayIconDblClick() override;
  void TrayIconRightButtonUp(int x, int y) override;
  void ApplicationMinimize() override;
  IBrowser& ActiveBrowser();
  // IMainBrowsers
  IBrowser& Wide() override { return P.EmbeddedWB1; }
  IBrowser& Narrow() override { return P.EmbeddedWB2; }
  IBrowser& Active() override { return ActiveBrowser(); }

  // ---- Page loading, error page, connectivity (shell/PageLoading.cpp)
  void FirstPage();
  int CheckLoadHtml();
  void ShowErrorMsg(const std::string& text);
  void ShowMsgByDiv(const std::string& text);
  void RefreshZel();
  void EmbeddedWB1DocumentComplete(const void* pDisp, const std::string& url);
  void EmbeddedWB2DocumentComplete(const void* pDisp, const std::string& url);
  void EmbeddedWB1NavigateError(bool& cancel);
  void EmbeddedWB2NavigateError(bool& cancel);
  void EmbeddedWB1ScriptError(bool& continueScripts, bool& showDialog);
  void EmbeddedWB2ScriptError(bool& continueScripts, bool& showDialog);
  void EmbeddedWB1NavigateComplete2(const std::string& url);
  void EmbeddedWB2NavigateComplete2(const std::string& url);
  // A reload after a navigation error, no more often than once a second per browser; one due
  // sooner comes when the second is up (ReloadTimerTimer).
  void ReloadAfterError();
  void ReloadTimerTimer() override;
  void Timer1Timer() override;
  void StartConnectivityCheck();

  // ---- Host registration (shell/HostRegistration.cpp)
  bool IsWin64();
  std::string GetIeVersion();
  int GetIeEmulationValue();
  bool WriteAppNameToReg();

  // ---- Element binding (bridge/Binding.cpp) and page commands (bridge/PageCommands.cpp)
  void CreateSinks();
  void BindHtmlEvent();
  void BindHtmlEvent2();
  void SettingEventHandle();
  void MiniEventHandle();
  void ReadDwgEventHandle();
  void PinEventHandle();
  void MinEventHandle();
  void HVEventHandle();
  void CloseEventHandle();
  void MoveFormEventHandle();
  void QueryPriceEventHandle();
  void ErrorCloseEventHandle();
  void ErrorRefreshEventHandle();
  std::string GetSettingJson();
  // IMiniInputOwner
  void ShowOwner() override;
  void QueryFromMini(const std::string& keyword) override;
  // The mini input window, created on first need (owner: this window).
  IMiniInputWindow& MiniInput();
  // Only pages of the service host, and the error page this window loaded, get handlers.
  bool MayBind(IBrowser& browser);

  // ---- Inserts (bridge/InsertCommands.cpp): the page is read once, the routes of export/
  // write the row, and the page is told what happened.
  void InsertExcelEventHandle();
  void InsertTitle2ExcelEventHandle();
  std::string GetExcelStr();
  InsertRequest ReadInsertRequest(InsertKind kind);
  void RunInsert(InsertKind kind);
  void InsertExcel(const std::vector<std::string>& values);
  bool InsertExcelByDde(const std::vector<std::string>& values);
  bool InsertExcelByOle(const std::vector<std::string>& values);
  void InsertWPS(const std::vector<std::string>& values);
  void InsertExWinner(const std::vector<std::string>& values);
  void InsertExcelLog();

  // ---- Context menu and command-state re-binding (update/BrowserMenu.cpp)
  // The browser asks for its context menu at a screen point: the program's menu instead.
  bool EmbeddedWB1ShowContextMenu(int x, int y);
  bool EmbeddedWB2ShowContextMenu(int x, int y);
  void pmWBChange();
  void RcCopyClick();
  void RcPasteClick();
  void RcRefreshClick();
  void RcCloseClick();
  void EmbeddedWB1CommandStateChange();
  void EmbeddedWB2CommandStateChange();

  // ---- Update (update/VersionCheck.cpp)
  void DownNewVersion();
  void IEDownload1Complete(DownloadResult Result);
  void GetServerVersion(std::string& version);
  void DeleteDownload();
  std::vector<std::string> LoadUpdateInfo();
  void SetUpdateChoice(bool accepted);
  void DeleteSelf();

  TGlobals& Globals() { return G; }

 private:
  class BrowserEvents;

  IEventSink& Sink(int index);
  // A length designed at kDesignDpi, at the window's pixels per inch.
  int Scaled(int length);
  // Gives the window a layout's size at a remembered position, brought onto a monitor when
  // none shows that position any more.
  void PlaceWindow(int left, int top, int width, int height);
  void BindTable(IBrowser& browser, const BindingRow* rows, std::size_t count);
  void ApplyPinState(IBrowser& browser);
  // IUpdateOwner (update/VersionCheck.cpp)
  void SetOwnerTopMost(bool topMost) override;
  std::string ExecutablePath() override;

  TGlobals& G;
  TfrmMainPorts P;
  std::unique_ptr<IIniFile> IniFile;
  std::unique_ptr<BrowserEvents> Wb1Events;
  std::unique_ptr<BrowserEvents> Wb2Events;
  std::vector<IEventSink*> Sinks;
  MiniInputOnDemand frmMinInput;
  InsertRoutes Export;
  // The error page was loaded by this window and no other page has been navigated to since.
  bool ErrorPageShown = false;
  BrowserMenuStates MenuStates;
  struct ReloadPace {
    std::int64_t lastMs = -1000000;
    bool pending = false;
  };
  ReloadPace ReloadPaces[2];  // wide, narrow
  TUpdateCheck Update;
};

}  // namespace zel
