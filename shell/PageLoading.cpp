// What the wide browser shows first, how completed documents are classified and handled,
// silent errors, in-page messages, and the start-up connectivity check.
#include "shell/ConnCheck.h"
#include "shell/Main.h"

namespace zel {

void TfrmMain::FirstPage() {
  P.EmbeddedWB1.SetSilent(true);
  P.EmbeddedWB2.SetSilent(true);
  if (Contains(G.IndexUrl, DefaultServiceBase())) {
    P.EmbeddedWB1.LoadHtml(P.resources.LoadRcData(kLoadingPage));
  } else {
    P.EmbeddedWB1.NavigateWithHeaders(G.IndexUrl, kFirstLoadHeaders);
  }
}

int TfrmMain::CheckLoadHtml() {
  IBrowser& wb = P.EmbeddedWB1;
  if (!wb.HasDocument()) return 0;
  if (wb.FindElement("CloseID")) return 1;
  if (wb.FindElement("ErrorCloseID")) return 2;
  return 0;
}

void TfrmMain::ApplyPinState(IBrowser& browser) {
  if (!P.window.Visible()) return;
  G.IsTopMost = browser.PageVariable("pin_state") != "0";
  SetWindowTop(false);
}

void TfrmMain::EmbeddedWB1DocumentComplete(const void* pDisp, const std::string& url) {
  IBrowser& wb = P.EmbeddedWB1;
  if (G.IsClosing) {
    P.EmbeddedWB1.Stop();
    P.EmbeddedWB2.Stop();
    return;
  }
  if (wb.ReadyState() == 4) P.window.SetAlpha(255);
  if (!wb.IsTopLevel(pDisp) || wb.ReadyState() != 4) return;

  switch (CheckLoadHtml()) {
    case 1:
      BindHtmlEvent();
      ApplyPinState(wb);
      DownNewVersion();
      break;
    case 2:
      BindHtmlEvent();
      break;
    default:
      if (Contains(url, "index")) {
        wb.LoadHtml(P.resources.LoadRcData(kErrorPage));
        ErrorPageShown = true;
      }
      break;
  }
  try {
    P.hotKeys.Unregister(G.EscHotKeyId);
  } catch (...) {
    // The Esc key only matters during the first load; failing to release it changes nothing.
  }
}

void TfrmMain::EmbeddedWB2DocumentComplete(const void* pDisp, const std::string&) {
  IBrowser& wb = P.EmbeddedWB2;
  if (G.IsClosing) {
    P.EmbeddedWB1.Stop();
    P.EmbeddedWB2.Stop();
    return;
  }
  if (!wb.IsTopLevel(pDisp) || wb.ReadyState() != 4) return;
  BindHtmlEvent2();
  ApplyPinState(wb);
}

void TfrmMain::EmbeddedWB1NavigateError(bool& cancel) {
  cancel = true;
  ReloadAfterError();
}

void TfrmMain::EmbeddedWB2NavigateError(bool& cancel) {
  cancel = true;
  ReloadAfterError();
}

void TfrmMain::ReloadAfterError() {
  // While the service is down the errors come as fast as the reloads: at most one reload a
  // second, or every running copy would storm the service when it comes back.
  ReloadPace& pace = ReloadPaces[G.Layout == "H" ? 0 : 1];
  const std::int64_t now = P.clock.TickMs();
  if (now - pace.lastMs >= kReloadPaceMs) {
    pace.lastMs = now;
    RefreshZel();
  } else if (!pace.pending) {
    pace.pending = true;
    P.ReloadTimer.SetEnabled(true);
  }
}

void TfrmMain::ReloadTimerTimer() {
  P.ReloadTimer.SetEnabled(false);
  ReloadPace& pace = ReloadPaces[G.Layout == "H" ? 0 : 1];
  for (ReloadPace& p : ReloadPaces) p.pending = false;
  if (G.IsClosing) return;
  pace.lastMs = P.clock.TickMs();
  RefreshZel();
}

void TfrmMain::EmbeddedWB1ScriptError(bool& continueScripts, bool& showDialog) {
  continueScripts = true;
  showDialog = false;
}

void TfrmMain::EmbeddedWB2ScriptError(bool& continueScripts, bool& showDialog) {
  continueScripts = true;
  showDialog = false;
}

void TfrmMain::EmbeddedWB1NavigateComplete2(const std::string& url) {
  P.EmbeddedWB1.SetSilent(true);
  // The blank page that an embedded page is loaded into keeps the error page's mark.
  if (url != "about:blank") ErrorPageShown = false;
}

void TfrmMain::EmbeddedWB2NavigateComplete2(const std::string&) { P.EmbeddedWB2.SetSilent(true); }

void TfrmMain::ShowErrorMsg(const std::string& text) { P.dialogs.ShowError(text); }

void TfrmMain::RefreshZel() { ActiveBrowser().ExecScript("window.location.reload(true)"); }

void TfrmMain::StartConnectivityCheck() {
  // The thread takes copies: it must not read settings the main thread may change.
  auto check = std::make_shared<TThreadNetConnCheck>(P.connectivity, G.NetConnState, G.IndexZbUrl,
                                                     G.MiniIndexUrl, G.IndexUrl);
  P.threads.Start([check] { check->Execute(); });
}

void TfrmMain::Timer1Timer() {
  switch (G.NetConnState.load()) {
    case -1:
      P.Timer1.SetEnabled(false);
      ShowErrorMsg(kConnectFailedMessage);
      AppClose();
      break;
    case 1:
      P.Timer1.SetEnabled(false);
      break;
    default:
      break;
  }
}

}  // namespace zel
