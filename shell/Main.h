#pragma once
// The main window: two browsers (wide "H" and narrow "V" layout), the pin state, the tray icon,
// the Esc hotkey and the orderly close. Its methods are defined in the folder of the subsystem
// that owns them: shell/ (window, page loading), bridge/ (binding, page commands), update/ (the
// update check); it owns the insert command (export/) and the context menu (update/).
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
#include "bridge/InsertPage.h"
#include "export/InsertCommand.h"
#include "export/SpreadsheetLink.h"
#include "shell/MiniInputOnDemand.h"
#include "shell/Ports.h"
#include "update/BrowserMenu.h"
#include "update/ContextMenu.h"
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
                       private IUpdateOwner,
                       private IContextMenuHost {
 public:
  TfrmMain(TGlobals& globals, TfrmMainPorts ports, std::unique_ptr<IIniFile> iniFile);
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;
  ~TfrmMain() override;

  // ---- Window, layouts, tray, hotkey, close (shell/MainWindow.cpp)
  void FormCreate(const std::vector<std::string>& args);
  void FormShow();
  void FormHide();
  // The answer to a later instance; throws when the page has no pin_state (answer stays 0).
  std::intptr_t NotifyMsgReceived();
  void OpenMainClick();
  void CloseMainClick();
  void SetWindowTop(bool toggle);
  void ChangeToH();
  void MoveForm();
  void ShowInTask(bool show);
  void HotKey(int virtualKey);
  // Turns 0x0700 and 0x070C for the browser windows into WM_NULL; true when it changed it.
  bool AppMessageHook(std::intptr_t window, unsigned& message);
  void AppClose() override;
  void ApplicationEvents1Exception(const std::string& message);
  void TrayIconClick();
  void TrayIconDblClick();
  void TrayIconRightButtonUp(int x, int y);
  void ApplicationMinimize();
  IBrowser& ActiveBrowser();
  // IMainBrowsers
  IBrowser& Wide() override { return P.EmbeddedWB1; }
  IBrowser& Narrow() override { return P.EmbeddedWB2; }
  IBrowser& Active() override { return ActiveBrowser(); }

  // ---- Page loading, error page, connectivity (shell/PageLoading.cpp)
  void FirstPage();
  int CheckLoadHtml();
  void ShowErrorMsg(const std::string& text);
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
  void ReloadTimerTimer();
  void Timer1Timer();
  void StartConnectivityCheck();

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

  // ---- Inserts (export/InsertCommand.cpp)
  void InsertExcelEventHandle() { Insert.Run(InsertKind::Row); }
  void InsertTitle2ExcelEventHandle() { Insert.Run(InsertKind::Caption); }

  // ---- Command-state re-binding (update/BrowserMenu.cpp)
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
  // The error page was loaded by this window and no other page has been navigated to since.
  bool ErrorPageShown = false;
  struct ReloadPace {
    std::int64_t lastMs = -1000000;
    bool pending = false;
  };
  ReloadPace ReloadPaces[2];  // wide, narrow
  TUpdateCheck Update;
  // IContextMenuHost
  void RefreshPage() override { RefreshZel(); }
  void CloseProgram() override { AppClose(); }
  TInsertPage InsertPage;
  TInsertCommand Insert;
  // The browsers' context menu, in place of their own (pmWB).
  TContextMenu ContextMenu;
};

}  // namespace zel
