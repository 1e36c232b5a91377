#pragma once
// What the main window's browsers load and how their events are handled: the first page, the
// completed documents (bound, pinned, or replaced by the error page), the paced reload after a
// navigation error, and silent script errors.
#include <memory>
#include <string>

#include "app/Global.h"
#include "app/ReloadPacer.h"
#include "bridge/Browser.h"
#include "bridge/ToolLauncher.h"
#include "shell/Ports.h"

namespace zel {

inline constexpr char kLoadingPage[] = "Zelloading";
inline constexpr char kErrorPage[] = "ZelError";
inline constexpr char kFirstLoadHeaders[] =
    "User-Agent:Mozille/4.0 (compatible: MSIE 8.0; Windows NT 6.0; Trident/4.0)\r\n";

// What page loading asks of the rest of the main window.
class IPageLoadingHost {
 public:
  IPageLoadingHost() = default;
  IPageLoadingHost(const IPageLoadingHost&) = delete;
  IPageLoadingHost& operator=(const IPageLoadingHost&) = delete;
  virtual ~IPageLoadingHost() = default;
  // Binds the wide page's elements to their commands (BindHtmlEvent), or the narrow page's.
  virtual void BindHtmlEvent() = 0;
  virtual void BindHtmlEvent2() = 0;
  virtual void ApplyPinState(IBrowser& browser) = 0;
  // The service's wide page is in: the update check (DownNewVersion).
  virtual void ServicePageLoaded() = 0;
  // A top-level document of the wide browser is complete, whatever it is: the first load is over.
  virtual void WidePageComplete() = 0;
  // A browser asks for its context menu at a screen point; true when the program showed one.
  virtual bool ShowContextMenu(int x, int y) = 0;
  // A browser's command state changed (CommandStateChange).
  virtual void CommandStateChange() = 0;
};

struct TPageLoadingPorts {
  IMainBrowsers& browsers;
  IFormWindow& window;
  IResources& resources;
  IClock& clock;
  // Ticks every kReloadSpacingMs while enabled: carries a reload that came too soon.
  ITimer& ReloadTimer;
  // Opens the addresses that pages want in a window of their own elsewhere than on the service.
  IToolLauncher& tools;
};

class TPageLoading {
 public:
  // Receives both browsers' events from now until it is destroyed.
  TPageLoading(TGlobals& settings, TPageLoadingPorts ports, IPageLoadingHost& host);
  TPageLoading(const TPageLoading&) = delete;
  TPageLoading& operator=(const TPageLoading&) = delete;
  ~TPageLoading();

  void FirstPage();
  // 1: a service page (it has "CloseID"); 2: the error page ("ErrorCloseID"); 0: neither.
  int CheckLoadHtml();
  void EmbeddedWB1DocumentComplete(const void* pDisp, const std::string& url);
  void EmbeddedWB2DocumentComplete(const void* pDisp);
  void EmbeddedWB1NavigateComplete2(const std::string& url);
  void EmbeddedWB2NavigateComplete2();
  // Either browser: cancelled, and the shown page reloaded, at most once a second.
  void NavigateError(bool& cancel);
  void EmbeddedWB1NavigateError(bool& cancel) { NavigateError(cancel); }
  void EmbeddedWB2NavigateError(bool& cancel) { NavigateError(cancel); }
  // Either browser: scripts go on, no dialog.
  void ScriptError(bool& continueScripts, bool& showDialog);
  void EmbeddedWB1ScriptError(bool& go, bool& dialog) { ScriptError(go, dialog); }
  void EmbeddedWB2ScriptError(bool& go, bool& dialog) { ScriptError(go, dialog); }
  // Either browser: a reloaded page is taken in, and both pages are bound again.
  void EmbeddedWB1CommandStateChange();
  void EmbeddedWB2CommandStateChange();
  void ReloadTimerTimer();
  // Reloads the page the layout shows.
  void RefreshZel();
  // A download ended or the command state changed: a document that came without
  // DocumentComplete (a reload) is handled as that completion would be, once.
  void PageSettled(bool wide);
  // F5 or Ctrl+R in a page: the shown page reloaded, paced as every reload.
  void ReloadKey();
  // A page of either browser wants a window of its own.
  void NewWindow(IBrowser& browser, const std::string& url);
  // The wide browser shows the error page this window loaded into a fresh document of its own,
  // and nothing else since.
  bool ErrorPageShown() const { return errorPageShown_; }

 private:
  class BrowserEvents;

  // Both browsers stop while the program closes; true then.
  bool StopWhileClosing();
  // What a top-level completion does with the document now shown.
  void WidePageIn(const std::string& url);
  void NarrowPageIn();

  TGlobals& settings_;
  TPageLoadingPorts ports_;
  IPageLoadingHost& host_;
  std::unique_ptr<BrowserEvents> wideEvents_;
  std::unique_ptr<BrowserEvents> narrowEvents_;
  // While the service is down the errors come as fast as the reloads: at most one reload a
  // second, or every running copy would storm the service when it comes back.
  ReloadPacer reloads_;
  bool errorPageShown_ = false;
  // The documents last handled as complete.
  const void* wideDocument_ = nullptr;
  const void* narrowDocument_ = nullptr;
  // The error page is on its way: from its LoadHtml to its document's completion.
  bool errorPageLoading_ = false;
};

}  // namespace zel
