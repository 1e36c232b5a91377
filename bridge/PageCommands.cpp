// The main window's page commands: the mini window, the drawing tool, pin, layouts, the price
// query and settings, close, drag, and the error page's buttons.
#include "app/Startup.h"
#include "bridge/Origin.h"
#include "shell/Main.h"
#include "shell/ScriptText.h"

namespace zel {

namespace {
constexpr char kToolKey[] = "Software\\Brixmoor\\BrixZelTools";
constexpr char kToolMissingScript[] = "Tobatu()";
constexpr char kToWideScript[] = "miniToHorizontal()";
}  // namespace

IMiniInputWindow& TfrmMain::MiniInput() { return frmMinInput; }

void TfrmMain::ShowOwner() { P.window.Show(); }

void TfrmMain::SettingEventHandle() {
  try {
    ChangeToH();
    P.EmbeddedWB1.ExecScript(kToWideScript);
    P.EmbeddedWB1.ExecScript("openSetting()");
  } catch (...) {
    // The page's own functions; a page without them does nothing more.
  }
}

void TfrmMain::QueryPriceEventHandle() {
  try {
    ChangeToH();
    P.EmbeddedWB1.ExecScript(kToWideScript);
    P.EmbeddedWB1.ExecScript("loadOrderDiv()");
  } catch (...) {
  }
}

void TfrmMain::MiniEventHandle() {
  P.window.Hide();
  MiniInput().Show();
}

void TfrmMain::MinEventHandle() {
  if (G.Layout == "H") {
    const WindowRect at = P.window.Bounds();
    G.HLeft = at.left;
    G.HTop = at.top;
  }
  MiniInput().Show();
  P.window.Hide();
}

void TfrmMain::ReadDwgEventHandle() {
  try {
    std::string path = ReadLocalMachineString(P.registry, kToolKey, "INSTALLPATH");
    // No installation folder means no tool, not a look in the current drive's root.
    if (path.empty()) {
      P.EmbeddedWB1.ExecScript(kToolMissingScript);
      return;
    }
    path = WithoutTrailingSlash(path) + "\\Drawscan.exe";
    if (!P.tools.FileExists(path)) {
      P.EmbeddedWB1.ExecScript(kToolMissingScript);
      return;
    }
    // Quoted: a path with blanks must not start another program ("C:\Program.exe").
    P.tools.Start("\"" + path + "\" EXWINNER");
  } catch (...) {
    P.EmbeddedWB1.ExecScript(kToolMissingScript);
  }
}

void TfrmMain::PinEventHandle() { SetWindowTop(true); }

void TfrmMain::HVEventHandle() {
  P.window.Hide();
  const WindowRect at = P.window.Bounds();
  if (G.Layout == "H") {
    G.Layout = "V";
    G.HLeft = at.left;
    G.HTop = at.top;
    P.EmbeddedWB1.SetVisible(false);
    P.EmbeddedWB2.SetVisible(true);
    PlaceWindow(G.VLeft, G.VTop, G.VWidth, G.VHeight);
    if (Contains(P.EmbeddedWB2.LocationURL(), G.IndexZbUrl)) {
      RefreshZel();
    } else {
      P.EmbeddedWB2.Navigate(G.IndexZbUrl);
    }
  } else {
    G.Layout = "H";
    G.VLeft = at.left;
    G.VTop = at.top;
    P.EmbeddedWB1.SetVisible(true);
    P.EmbeddedWB2.SetVisible(false);
    PlaceWindow(G.HLeft, G.HTop, G.HWidth, G.HHeight);
    RefreshZel();
  }
  P.window.Show();
}

void TfrmMain::CloseEventHandle() {
  G.SettingJson = GetSettingJson();
  if (GetJsonValue("state", G.SettingJson) == "0") {
    MiniInput().Show();
    P.window.Hide();
  } else {
    AppClose();
  }
}

void TfrmMain::MoveFormEventHandle() { MoveForm(); }

void TfrmMain::ErrorCloseEventHandle() { AppClose(); }

void TfrmMain::ErrorRefreshEventHandle() {}

std::string TfrmMain::GetSettingJson() {
  // Always the wide page, whatever the layout.
  IBrowser& wb = P.EmbeddedWB1;
  if (!wb.HasDocument()) return {};
  const auto element = wb.FindElement("SettingStrID");
  return element ? element->Value() : std::string();
}

void TfrmMain::QueryFromMini(const std::string& keyword) {
  try {
    P.application.Restore();
    ChangeToH();
    P.EmbeddedWB1.ExecScript(kToWideScript);
    // The keyword as a script literal: component names hold quotes (a 3.5" drive), and no
    // keyword may run as script.
    if (!keyword.empty()) P.EmbeddedWB1.ExecScript(ScriptCall("QueryByMini", keyword));
  } catch (...) {
  }
}

bool TfrmMain::MayBind(IBrowser& browser) {
  if (&browser == &P.EmbeddedWB1 && ErrorPageShown) return true;
  return IsServiceAddress(G, browser.LocationURL());
}

}  // namespace zel
