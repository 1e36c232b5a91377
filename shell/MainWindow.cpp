// The main window: creation, layouts, pin state, tray, Esc hotkey, hand-over and close.
#include <exception>

#include "app/Errors.h"
#include "app/Startup.h"
#include "shell/BrowserEvents.h"
#include "shell/Main.h"
#include "shell/Screens.h"

namespace zel {

namespace {
constexpr unsigned kBrowserNoise1 = 0x0700;
constexpr unsigned kBrowserNoise2 = 0x070C;
constexpr std::int64_t kOneDayMs = 24LL * 60 * 60 * 1000;
}  // namespace

TfrmMain::TfrmMain(TGlobals& globals, TfrmMainPorts ports, std::unique_ptr<IIniFile> iniFile)
    : G(globals),
      P(std::move(ports)),
      IniFile(std::move(iniFile)),
      Wb1Events(std::make_unique<BrowserEvents>(*this, BrowserEvents::Which::Wide)),
      Wb2Events(std::make_unique<BrowserEvents>(*this, BrowserEvents::Which::Narrow)),
      frmMinInput(P.createMiniInput),
      Export(P.DdeClientConv1, P.automation, P.clipboard, P.clock, G.BlankMarker),
      Update(G, P.update, *this) {
  P.EmbeddedWB1.SetEvents(Wb1Events.get());
  P.EmbeddedWB2.SetEvents(Wb2Events.get());
}

TfrmMain::~TfrmMain() {
  P.EmbeddedWB1.SetEvents(nullptr);
  P.EmbeddedWB2.SetEvents(nullptr);
}

void TfrmMain::FormCreate(const std::vector<std::string>& args) {
  // One guard: the first failure skips the rest of these steps, silently.
  try {
    ParseCommandLine(G, args);
    WriteAppNameToReg();
    G.EscHotKeyId = P.hotKeys.AddGlobalAtom(kEscHotKeyAtom) - 0xC000;
    P.hotKeys.Register(G.EscHotKeyId, kVkEscape);
    // Window handles are 32-bit values across processes, as a 32-bit process writes them.
    if (IniFile) {
      IniFile->WriteInteger(kIniSection, kIniHandleKey,
                            static_cast<std::int32_t>(P.window.Handle()));
    }
    StartConnectivityCheck();
  } catch (...) {
  }

  G.IsClosing = false;
  G.Layout = "H";
  const ScreenSize screen = P.application.PrimaryScreen();
  const int width = Scaled(G.HWidth);
  const int height = Scaled(G.HHeight);
  G.HTop = Scaled(100);
  G.HLeft = screen.width - width - Scaled(50);
  G.VTop = Scaled(20);
  G.VLeft = screen.width - Scaled(G.VWidth) - Scaled(50);

  // Centred at first show; invisible (alpha 0) until the wide page has a document.
  P.window.SetBounds({(screen.width - width) / 2, (screen.height - height) / 2, width, height});
  P.window.SetAlpha(0);

  // A first page that fails to start is logged; the window is still made whole, or no page
  // button would ever work.
  Guarded([this] { FirstPage(); });
  Commands.CreateSinks();
  P.application.SetMessageHookInstalled(true);
  P.EmbeddedWB2.SetVisible(false);
  G.LastCheckTime = P.clock.Now();
}

void TfrmMain::FormShow() { ShowInTask(true); }

void TfrmMain::FormHide() { ShowInTask(false); }

std::intptr_t TfrmMain::NotifyMsgReceived() {
  OpenMainClick();
  // Read from the wide page whatever the layout; a page without it ends the handling here.
  const std::string pinState = P.EmbeddedWB1.PageVariable("pin_state");
  if (pinState == "0") {
    // Brings the window to the top without pinning it.
    P.window.SetTopMost(true);
    P.window.SetTopMost(false);
  } else {
    P.window.SetTopMost(true);
  }
  return kNotifyAnswer;
}

void TfrmMain::OpenMainClick() {
  // Hidden while its monitor was unplugged, it would come back where nobody sees it.
  const WindowRect at = P.window.Bounds();
  const WindowRect onScreen = OnSomeMonitor(P.monitors.List(), at);
  if (onScreen.left != at.left || onScreen.top != at.top) P.window.SetBounds(onScreen);
  P.window.BringToFront();
  P.application.Restore();
  frmMinInput.Hide();
  const LocalDateTime now = P.clock.Now();
  if (ToMilliseconds(now) > ToMilliseconds(G.LastCheckTime) + kOneDayMs) {
    G.LastCheckTime = now;
    G.UpdateStarted = false;
    DownNewVersion();
  }
}

void TfrmMain::CloseMainClick() { AppClose(); }

void TfrmMain::SetWindowTop(bool toggle) {
  if (toggle) {
    P.window.SetTopMost(!G.IsTopMost);
    G.IsTopMost = !G.IsTopMost;
  } else {
    P.window.SetTopMost(G.IsTopMost);
  }
}

void TfrmMain::ChangeToH() {
  P.window.Hide();
  G.Layout = "H";
  P.EmbeddedWB1.SetVisible(true);
  P.EmbeddedWB2.SetVisible(false);
  PlaceWindow(G.HLeft, G.HTop, G.HWidth, G.HHeight);
  P.window.Show();
}

void TfrmMain::ShowWideLayout() { ChangeToH(); }

void TfrmMain::SwitchLayout() {
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

void TfrmMain::RememberWidePlace() {
  if (G.Layout != "H") return;
  const WindowRect at = P.window.Bounds();
  G.HLeft = at.left;
  G.HTop = at.top;
}

void TfrmMain::TogglePin() { SetWindowTop(true); }

void TfrmMain::CloseProgram() { AppClose(); }

void TfrmMain::RestoreApplication() { P.application.Restore(); }

bool TfrmMain::ShowsOwnErrorPage() { return ErrorPageShown; }

bool TfrmMain::Closing() { return G.IsClosing; }

int TfrmMain::Scaled(int length) { return ScaleToDpi(length, P.window.Dpi()); }

void TfrmMain::PlaceWindow(int left, int top, int width, int height) {
  P.window.SetBounds(
      OnSomeMonitor(P.monitors.List(), {left, top, Scaled(width), Scaled(height)}));
}

void TfrmMain::ShowInTask(bool show) { P.application.ShowInTask(show); }

void TfrmMain::HotKey(int virtualKey) {
  if (virtualKey != kVkEscape) return;
  if (G.Layout == "H") {
    // Stops the first navigation once the browser reports its address; before that, quits.
    if (Contains(P.EmbeddedWB1.LocationURL(), G.IndexUrl)) {
      P.EmbeddedWB1.Stop();
    } else {
      AppClose();
    }
  } else {
    P.EmbeddedWB2.Stop();
  }
}

bool TfrmMain::AppMessageHook(std::intptr_t window, unsigned& message) {
  if (message != kBrowserNoise1 && message != kBrowserNoise2) return false;
  const bool toBrowser = P.EmbeddedWB1.OwnsWindow(window) || P.EmbeddedWB2.OwnsWindow(window) ||
                         frmMinInput.OwnsWindow(window);
  if (!toBrowser) return false;
  message = 0;
  return true;
}

void TfrmMain::AppClose() {
  G.IsClosing = true;
  // Each step is guarded on its own and a failure is logged: nothing may keep the program from
  // ending, or it would run on without a window to close it.
  // Only hidden: a drag, a message box or the update dialog may be running its own message
  // loop inside a handler of that window (which is how this close came). It goes with this
  // window, after the message loop has ended.
  Guarded([this] { frmMinInput.Hide(); });
  Guarded([this] { IniFile.reset(); });
  Guarded([this] { P.application.SetMessageHookInstalled(false); });
  Guarded([this] { P.hotKeys.Unregister(G.EscHotKeyId); });
  Guarded([this] { P.application.Terminate(); });
}

void TfrmMain::ApplicationEvents1Exception(const std::string& message) {
  Log("系统异常：" + message);
}

void TfrmMain::TrayIconClick() { OpenMainClick(); }

void TfrmMain::TrayIconDblClick() { P.application.Restore(); }

void TfrmMain::TrayIconRightButtonUp(int x, int y) {
  P.application.ForegroundActiveWindow();
  P.TrayIcon1.PopupMenu(x, y);
}

void TfrmMain::ApplicationMinimize() { P.application.MinimizeToTray(); }

IBrowser& TfrmMain::ActiveBrowser() {
  return G.Layout == "H" ? P.EmbeddedWB1 : P.EmbeddedWB2;
}

}  // namespace zel
