#include "shell/PageLoading.h"

#include "bridge/PagePolicy.h"

namespace zel {

class TPageLoading::BrowserEvents final : public IBrowserEvents {
 public:
  BrowserEvents(TPageLoading& loading, bool wide) : loading_(loading), wide_(wide) {}

  void DocumentComplete(const void* pDisp, const std::string& url) override {
    if (wide_) {
      loading_.EmbeddedWB1DocumentComplete(pDisp, url);
    } else {
      loading_.EmbeddedWB2DocumentComplete(pDisp);
    }
  }
  void NavigateComplete2(const std::string& url) override {
    if (wide_) {
      loading_.EmbeddedWB1NavigateComplete2(url);
    } else {
      loading_.EmbeddedWB2NavigateComplete2();
    }
  }
  void NavigateError(const std::string&, int, bool& cancel) override {
    if (wide_) {
      loading_.EmbeddedWB1NavigateError(cancel);
    } else {
      loading_.EmbeddedWB2NavigateError(cancel);
    }
  }
  void CommandStateChange(long, bool) override {
    if (wide_) {
      loading_.EmbeddedWB1CommandStateChange();
    } else {
      loading_.EmbeddedWB2CommandStateChange();
    }
  }
  void DownloadComplete() override { loading_.PageSettled(wide_); }
  void ScriptError(bool& continueScripts, bool& showDialog) override {
    if (wide_) {
      loading_.EmbeddedWB1ScriptError(continueScripts, showDialog);
    } else {
      loading_.EmbeddedWB2ScriptError(continueScripts, showDialog);
    }
  }
  bool ShowContextMenu(int x, int y) override { return loading_.host_.ShowContextMenu(x, y); }
  void ReloadKey() override { loading_.ReloadKey(); }
  void NewWindow(const std::string& url) override {
    loading_.NewWindow(wide_ ? loading_.ports_.browsers.Wide() : loading_.ports_.browsers.Narrow(),
                       url);
  }

 private:
  TPageLoading& loading_;
  bool wide_;
};

TPageLoading::TPageLoading(TGlobals& settings, TPageLoadingPorts ports, IPageLoadingHost& host)
    : settings_(settings),
      ports_(ports),
      host_(host),
      wideEvents_(std::make_unique<BrowserEvents>(*this, true)),
      narrowEvents_(std::make_unique<BrowserEvents>(*this, false)),
      reloads_(ports.clock, ports.ReloadTimer, [this] {
        if (!settings_.IsClosing) RefreshZel();
      }) {
  ports_.browsers.Wide().SetEvents(wideEvents_.get());
  ports_.browsers.Narrow().SetEvents(narrowEvents_.get());
}

TPageLoading::~TPageLoading() {
  ports_.browsers.Wide().SetEvents(nullptr);
  ports_.browsers.Narrow().SetEvents(nullptr);
}

void TPageLoading::FirstPage() {
  IBrowser& wide = ports_.browsers.Wide();
  wide.SetSilent(true);
  ports_.browsers.Narrow().SetSilent(true);
  if (Contains(settings_.IndexUrl, DefaultServiceBase())) {
    wide.LoadHtml(ports_.resources.LoadRcData(kLoadingPage));
  } else {
    wide.NavigateWithHeaders(settings_.IndexUrl, kFirstLoadHeaders);
  }
}

int TPageLoading::CheckLoadHtml() {
  IBrowser& wb = ports_.browsers.Wide();
  if (!wb.HasDocument()) return 0;
  if (wb.FindElement("CloseID")) return 1;
  if (wb.FindElement("ErrorCloseID")) return 2;
  return 0;
}

bool TPageLoading::StopWhileClosing() {
  if (!settings_.IsClosing) return false;
  ports_.browsers.Wide().Stop();
  ports_.browsers.Narrow().Stop();
  return true;
}

void TPageLoading::EmbeddedWB1DocumentComplete(const void* pDisp, const std::string& url) {
  if (StopWhileClosing()) return;
  IBrowser& wb = ports_.browsers.Wide();
  if (wb.ReadyState() == 4) ports_.window.SetAlpha(255);
  if (!wb.IsTopLevel(pDisp) || wb.ReadyState() != 4) return;
  WidePageIn(url);
}

void TPageLoading::WidePageIn(const std::string& url) {
  IBrowser& wb = ports_.browsers.Wide();
  wideDocument_ = wb.DocumentIdentity();
  switch (CheckLoadHtml()) {
    case 1:
      host_.BindHtmlEvent();
      host_.ApplyPinState(wb);
      host_.ServicePageLoaded();
      break;
    case 2:
      // Only the document this window made for it is its own error page: the same markup
      // anywhere else is a foreign page's.
      errorPageShown_ = errorPageLoading_;
      errorPageLoading_ = false;
      host_.BindHtmlEvent();
      break;
    default:
      if (Contains(url, "index")) {
        wb.LoadHtml(ports_.resources.LoadRcData(kErrorPage));
        errorPageLoading_ = true;
      }
      break;
  }
  host_.WidePageComplete();
}

void TPageLoading::EmbeddedWB2DocumentComplete(const void* pDisp) {
  if (StopWhileClosing()) return;
  IBrowser& wb = ports_.browsers.Narrow();
  if (!wb.IsTopLevel(pDisp) || wb.ReadyState() != 4) return;
  NarrowPageIn();
}

void TPageLoading::NarrowPageIn() {
  IBrowser& wb = ports_.browsers.Narrow();
  narrowDocument_ = wb.DocumentIdentity();
  host_.BindHtmlEvent2();
  host_.ApplyPinState(wb);
}

void TPageLoading::PageSettled(bool wide) {
  if (settings_.IsClosing) return;
  IBrowser& wb = wide ? ports_.browsers.Wide() : ports_.browsers.Narrow();
  const void* document = wb.DocumentIdentity();
  if (document == nullptr || document == (wide ? wideDocument_ : narrowDocument_) ||
      wb.ReadyState() != 4) {
    return;
  }
  if (wide) {
    WidePageIn(wb.LocationURL());
  } else {
    NarrowPageIn();
  }
}

void TPageLoading::EmbeddedWB1NavigateComplete2(const std::string& url) {
  ports_.browsers.Wide().SetSilent(true);
  // Any navigation ends the error page's mark; only the blank page that the error page is on
  // its way into is the program's own.
  errorPageShown_ = false;
  if (url != "about:blank") errorPageLoading_ = false;
}

void TPageLoading::EmbeddedWB2NavigateComplete2() { ports_.browsers.Narrow().SetSilent(true); }

void TPageLoading::EmbeddedWB1CommandStateChange() {
  PageSettled(true);
  host_.CommandStateChange();
}

void TPageLoading::EmbeddedWB2CommandStateChange() {
  PageSettled(false);
  host_.CommandStateChange();
}

void TPageLoading::NavigateError(bool& cancel) {
  cancel = true;
  reloads_.Request();
}

void TPageLoading::ScriptError(bool& continueScripts, bool& showDialog) {
  continueScripts = true;
  showDialog = false;
}

void TPageLoading::ReloadTimerTimer() { reloads_.TimerTick(); }

void TPageLoading::RefreshZel() {
  ports_.browsers.Active().ExecScript("window.location.reload(true)");
}

void TPageLoading::ReloadKey() { reloads_.Request(); }

void TPageLoading::NewWindow(IBrowser& browser, const std::string& url) {
  OpenNewWindow(settings_, url, ports_.tools, [&browser](const std::string& address) {
    browser.Navigate(address);
  });
}


}  // namespace zel
