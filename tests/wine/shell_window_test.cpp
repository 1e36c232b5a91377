// The main window: the real one of Zel.exe, and the window logic on real windows in-process.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "app/win32/Win32Util.h"
#include "shell/win32/ApplicationWindow.h"
#include "shell/win32/MainForm.h"
#include "tests/wine/support/StandInPage.h"
#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelForm.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {
namespace {

const std::wstring kTitle = win32::Widen(kAppTitle);

LONG_PTR Style(HWND w) { return ::GetWindowLongPtrW(w, GWL_STYLE); }
LONG_PTR ExStyle(HWND w) { return ::GetWindowLongPtrW(w, GWL_EXSTYLE); }

SIZE ClientSize(HWND w) {
  RECT rc{};
  ::GetClientRect(w, &rc);
  return {rc.right, rc.bottom};
}

// Another program's registration of Esc (this test's thread), held while the object lives.
class EscHeldElsewhere {
 public:
  EscHeldElsewhere() : held_(::RegisterHotKey(nullptr, kId, 0, VK_ESCAPE) != FALSE) {}
  ~EscHeldElsewhere() {
    if (held_) ::UnregisterHotKey(nullptr, kId);
  }
  EscHeldElsewhere(const EscHeldElsewhere&) = delete;
  EscHeldElsewhere& operator=(const EscHeldElsewhere&) = delete;
  bool Held() const { return held_; }

 private:
  static constexpr int kId = 0x3F01;
  bool held_;
};

// ---- Zel.exe itself

TEST(ZelMainWindow, EndsOnWmCloseAlsoWhenAnotherProgramHeldEsc) {
  const EscHeldElsewhere other;
  ASSERT_TRUE(other.Held());
  ZelProcess zel(ServiceArguments());
  const HWND form = WaitForProcessWindow(zel.Id(), win32::MainForm::kClassName, kTitle, 20000);
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(form) != FALSE; }, 10000));
  // What `taskkill /im Zel.exe` does.
  ::PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_TRUE(zel.WaitForExit(10000)) << "Zel.exe still runs after WM_CLOSE";
}

TEST(ZelMainWindow, StartsBorderlessLayeredCentredAndOwnedByTheApplicationWindow) {
  ZelProcess zel(ServiceArguments());
  const HWND form = WaitForProcessWindow(zel.Id(), win32::MainForm::kClassName, kTitle, 20000);
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(form) != FALSE; }, 10000));
  ASSERT_TRUE(WaitForPageElement(form, "CloseID", 20000));

  EXPECT_EQ(Style(form) & (WS_CAPTION | WS_THICKFRAME), 0);
  EXPECT_NE(Style(form) & WS_POPUP, 0);
  const SIZE client = ClientSize(form);
  EXPECT_EQ(client.cx, 900);
  EXPECT_EQ(client.cy, 600);
  RECT rc{};
  ::GetWindowRect(form, &rc);
  EXPECT_EQ(rc.left, (::GetSystemMetrics(SM_CXSCREEN) - 900) / 2);
  EXPECT_EQ(rc.top, (::GetSystemMetrics(SM_CYSCREEN) - 600) / 2);

  // Layered, and opaque once its page is complete (it starts at alpha 0: see the in-process
  // tests below).
  ASSERT_NE(ExStyle(form) & WS_EX_LAYERED, 0);
  BYTE alpha = 99;
  DWORD flags = 0;
  ASSERT_TRUE(::GetLayeredWindowAttributes(form, nullptr, &alpha, &flags));
  EXPECT_NE(flags & LWA_ALPHA, 0u);
  EXPECT_EQ(alpha, 255);

  const HWND owner = ::GetWindow(form, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(ClassOf(owner), win32::ApplicationWindow::kClassName);
  EXPECT_EQ(WindowText(owner), kTitle);
  // The taskbar button belongs to the application window, shown with the form.
  EXPECT_TRUE(::IsWindowVisible(owner));
  EXPECT_NE(ExStyle(owner) & WS_EX_APPWINDOW, 0);
  EXPECT_EQ(ExStyle(form) & WS_EX_APPWINDOW, 0);

  // The instance file names this window for a later start.
  EXPECT_EQ(::GetPrivateProfileIntW(L"Zel", L"ZelHandle", 0, InstanceFilePath().c_str()),
            static_cast<UINT>(reinterpret_cast<UINT_PTR>(form)));

  // Hiding the form takes the taskbar button away.
  ::ShowWindow(form, SW_HIDE);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(owner); }, 5000));
  EXPECT_NE(ExStyle(owner) & WS_EX_TOOLWINDOW, 0);
}

TEST(ZelMainWindow, TaskbarMinimiseLeavesOnlyTheTrayAndATrayClickBringsItBack) {
  ZelProcess zel(ServiceArguments());
  const HWND form = WaitForProcessWindow(zel.Id(), win32::MainForm::kClassName, kTitle, 20000);
  ASSERT_NE(form, nullptr);
  const HWND owner = ::GetWindow(form, GW_OWNER);
  const HWND tray = WaitForProcessWindow(zel.Id(), win32::TrayIcon::kClassName, L"", 5000);
  ASSERT_NE(tray, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(owner) != FALSE; }, 10000));

  ::PostMessageW(owner, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(owner) && !::IsWindowVisible(form); },
                        5000));

  ::PostMessageW(tray, win32::TrayIcon::kCallbackMessage, win32::TrayIcon::kIconId, WM_LBUTTONUP);
  EXPECT_TRUE(PumpUntil(
      [&] { return ::IsWindowVisible(form) && ::IsWindowVisible(owner) && !::IsIconic(owner); },
      5000));
  EXPECT_TRUE(zel.Running());
}

TEST(ZelMainWindow, UnreachableServiceIsReportedAndTheProgramEndsAfterTheBox) {
  const std::size_t logBefore = TodaysLog().size();
  ZelProcess zel({"127.0.0.1:1"});  // nothing listens on port 1
  const HWND box = WaitForProcessWindow(zel.Id(), L"#32770", kTitle, 20000);
  ASSERT_NE(box, nullptr);
  const auto texts = ChildTexts(box);
  EXPECT_NE(std::find(texts.begin(), texts.end(), win32::Widen(kConnectFailedMessage)),
            texts.end());
  const HWND owner = ::GetWindow(box, GW_OWNER);
  EXPECT_EQ(ClassOf(owner), win32::MainForm::kClassName);
  EXPECT_TRUE(zel.Running()) << "the program waits for the box";
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  DWORD code = 99;
  ASSERT_TRUE(zel.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);

  // Each failed check left its line, in the system code page.
  const std::string added = win32::FromAnsi(TodaysLog().substr(logBefore));
  const std::size_t narrow = added.find("[Warning] 竖版连接失败\r\n");
  const std::size_t mini = added.find("[Warning] Mini连接失败\r\n");
  const std::size_t wide = added.find("[Warning] 横版连接失败\r\n");
  ASSERT_NE(narrow, std::string::npos) << added;
  ASSERT_NE(mini, std::string::npos) << added;
  ASSERT_NE(wide, std::string::npos) << added;
  EXPECT_LT(narrow, mini);
  EXPECT_LT(mini, wide);
}

// ---- The window on its own: what it tells its listener

class FormListener final : public IMainFormEvents {
 public:
  std::intptr_t NotifyMsgReceived() override { return Raise("NotifyMsgReceived", 7); }
  void FormShow() override { Raise("FormShow"); }
  void FormHide() override { Raise("FormHide"); }
  void HotKey(int virtualKey) override { Raise("HotKey " + std::to_string(virtualKey)); }
  void Timer1Timer() override { Raise("Timer1Timer"); }
  void ReloadTimerTimer() override { Raise("ReloadTimerTimer"); }
  void AppClose() override { Raise("AppClose"); }
  std::string raised;

 private:
  std::intptr_t Raise(const std::string& event, std::intptr_t answer = 0) {
    raised += event;
    return answer;
  }
};

TEST(MainFormOnItsOwn, EachMessageRaisesItsOneEventAndNoneWhenDetached) {
  const UINT notify = ::RegisterWindowMessageW(L"Zel_Notify");
  win32::MainForm window(nullptr, notify);
  FormListener listener;
  const struct {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::string event;
  } rows[] = {
      {notify, 0, 0, "NotifyMsgReceived"},
      {WM_SHOWWINDOW, TRUE, 0, "FormShow"},
      {WM_SHOWWINDOW, FALSE, 0, "FormHide"},
      // The owner's minimise hides the form too: not the form's own hide.
      {WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING, ""},
      {WM_HOTKEY, 1, MAKELPARAM(0, VK_ESCAPE), "HotKey 27"},
      {WM_TIMER, win32::MainForm::kTimer1Id, 0, "Timer1Timer"},
      {WM_TIMER, win32::MainForm::kReloadTimerId, 0, "ReloadTimerTimer"},
      {WM_TIMER, 99, 0, ""},
      {WM_CLOSE, 0, 0, "AppClose"},
  };
  for (const bool attached : {true, false}) {
    window.Attach(attached ? &listener : nullptr);
    for (const auto& row : rows) {
      // Detached, a close is the system's: it would destroy the window.
      if (!attached && row.message == WM_CLOSE) continue;
      listener.raised.clear();
      const LRESULT answer = ::SendMessageW(window.Hwnd(), row.message, row.wParam, row.lParam);
      EXPECT_EQ(listener.raised, attached ? row.event : "") << row.event << attached;
      if (row.message == notify) {
        EXPECT_EQ(answer, attached ? 7 : 0);
      }
    }
  }
  EXPECT_TRUE(::IsWindow(window.Hwnd()));
}

// ---- The window logic on real windows of this process

TEST(MainWindowOnRealWindows, LayoutsGiveTheirSizeAndTheBrowsersFollowTheClientArea) {
  ZelFormHarness h;
  std::vector<std::pair<int, int>> resized;
  h.window.SetClientResizeHandler([&](int w, int hgt) { resized.emplace_back(w, hgt); });
  h.CreateAndShow();

  // The page's layout button: the narrow size, then back to the wide one where it stood.
  h.wb1.LoadPage(h.globals.IndexUrl);
  h.wb1.AddElement("CloseID");
  h.wb1.AddElement("HVID");
  h.wb1.variables["pin_state"] = "0";
  h.wb1.RaiseDocumentComplete();
  const WindowRect wide = h.window.Bounds();
  ASSERT_TRUE(h.wb1.Fire("HVID"));
  EXPECT_EQ(ClientSize(h.window.Hwnd()).cx, 360);
  EXPECT_EQ(ClientSize(h.window.Hwnd()).cy, 670);
  ASSERT_FALSE(resized.empty());
  EXPECT_EQ(resized.back(), std::make_pair(360, 670));

  ASSERT_TRUE(h.wb1.Fire("HVID"));
  const WindowRect b = h.window.Bounds();
  EXPECT_EQ(b.left, wide.left);
  EXPECT_EQ(b.top, wide.top);
  EXPECT_EQ(ClientSize(h.window.Hwnd()).cx, 900);
  EXPECT_EQ(ClientSize(h.window.Hwnd()).cy, 600);
  EXPECT_EQ(resized.back(), std::make_pair(900, 600));
  EXPECT_TRUE(::IsWindowVisible(h.window.Hwnd()));
  EXPECT_TRUE(h.wb1.visible);
  EXPECT_FALSE(h.wb2.visible);
  // Shown again: the taskbar button is back.
  EXPECT_TRUE(::IsWindowVisible(h.application.Handle()));

  // Moved to a monitor of 144 pixels per inch: the rectangle the system suggests, and the
  // browsers learn the new scale.
  std::vector<int> dpis;
  h.window.SetDpiChangeHandler([&](int dpi) { dpis.push_back(dpi); });
  RECT suggested{200, 100, 200 + 1350, 100 + 900};
  ::SendMessageW(h.window.Hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
  const WindowRect moved = h.window.Bounds();
  EXPECT_EQ(moved.left, 200);
  EXPECT_EQ(moved.top, 100);
  EXPECT_EQ(resized.back(), std::make_pair(1350, 900));
  EXPECT_EQ(dpis, std::vector<int>{144});
  h.window.SetDpiChangeHandler(nullptr);
  h.form->AppClose();
}

// The page's pin button toggles; a page's pin_state, applied when it completes, sets.
TEST(MainWindowOnRealWindows, PinTogglesTopMostAndKeepsTheBounds) {
  ZelFormHarness h;
  h.CreateAndShow();
  h.wb1.LoadPage(h.globals.IndexUrl);
  h.wb1.AddElement("CloseID");
  h.wb1.AddElement("PinID");
  h.wb1.variables["pin_state"] = "0";
  h.wb1.RaiseDocumentComplete();
  ASSERT_FALSE(h.TopMost());
  const WindowRect before = h.window.Bounds();
  struct Step {
    const char* pinState;  // nullptr: the pin button
    bool expected;
  } const steps[] = {{nullptr, true}, {nullptr, false}, {"1", true}, {"0", false}};
  for (const auto& s : steps) {
    if (s.pinState) {
      h.wb1.variables["pin_state"] = s.pinState;
      h.wb1.RaiseDocumentComplete();
    } else {
      ASSERT_TRUE(h.wb1.Fire("PinID"));
    }
    EXPECT_EQ(h.TopMost(), s.expected) << (s.pinState ? s.pinState : "button");
    EXPECT_EQ(h.globals.IsTopMost, s.expected);
    EXPECT_EQ(h.window.Bounds(), before);
  }
  h.form->AppClose();
}

TEST(MainWindowOnRealWindows, StartsAtAlphaZeroAndTurnsOpaqueWhenTheWidePageCompletes) {
  ZelFormHarness h;
  h.CreateAndShow();
  EXPECT_EQ(h.window.Alpha(), 0);
  h.wb1.LoadPage("http://x/other");
  h.wb1.RaiseDocumentComplete(false);  // a frame is enough for the alpha
  EXPECT_EQ(h.window.Alpha(), 255);
  h.form->AppClose();
}

TEST(MainWindowOnRealWindows, EscHotKeyIsHeldUntilAppCloseReleasesIt) {
  ZelFormHarness h;
  h.CreateAndShow();
  // The same key again, anywhere, is refused while the program holds it.
  EXPECT_FALSE(::RegisterHotKey(nullptr, 0x3F00, 0, VK_ESCAPE));
  EXPECT_EQ(::GetLastError(), 1409u);

  h.form->AppClose();
  EXPECT_TRUE(h.globals.IsClosing);
  EXPECT_TRUE(::RegisterHotKey(nullptr, 0x3F00, 0, VK_ESCAPE)) << ::GetLastError();
  ::UnregisterHotKey(nullptr, 0x3F00);
  EXPECT_TRUE(h.RunLoop(5000)) << "AppClose ends the message loop";
}

TEST(MainWindowOnRealWindows, AppCloseEndsTheLoopWhetherOrNotTheHotKeyIsStillHeld) {
  for (const bool heldElsewhere : {false, true}) {
    SCOPED_TRACE(heldElsewhere ? "start-up never registered Esc" : "the page released Esc");
    std::optional<EscHeldElsewhere> other;
    if (heldElsewhere) {
      other.emplace();
      ASSERT_TRUE(other->Held());
    }
    ZelFormHarness h;
    h.CreateAndShow();
    if (!heldElsewhere) {
      h.wb1.LoadPage(h.globals.IndexUrl);
      h.wb1.AddElement("CloseID");
      h.wb1.variables["pin_state"] = "0";
      h.wb1.RaiseDocumentComplete();
      const EscHeldElsewhere free;
      ASSERT_TRUE(free.Held()) << "the first page releases Esc";
    }
    h.form->AppClose();
    EXPECT_TRUE(h.RunLoop(5000)) << "AppClose ends the message loop";
  }
}

TEST(MainWindowOnRealWindows, EscKeyStopsAReportedNavigationOrEndsTheProgram) {
  struct Case {
    bool addressReported;
    bool ends;
  } const cases[] = {{false, true}, {true, false}};
  for (const auto& c : cases) {
    ZelFormHarness h;
    h.CreateAndShow();
    if (c.addressReported) h.wb1.location = h.globals.IndexUrl;
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(::SendInput(2, keys, sizeof(INPUT)), 2u);
    EXPECT_EQ(h.RunLoop(1500), c.ends) << c.addressReported;
    EXPECT_EQ(h.globals.IsClosing, c.ends);
    EXPECT_EQ(h.wb1.stops, c.ends ? 0 : 1);
    h.form->AppClose();
  }
}

TEST(MainWindowOnRealWindows, BrowserNoiseArrivesAsNullWhileTheHookIsInstalled) {
  ZelFormHarness h;
  h.CreateAndShow();
  RecordingWindow other(h.window.Hwnd());
  const HWND wb1 = h.wb1Window.Hwnd();
  for (const HWND w : {wb1, h.wb2Window.Hwnd(), other.Hwnd()}) {
    ::PostMessageW(w, 0x0700, 0, 0);
    ::PostMessageW(w, 0x070C, 0, 0);
    ::PostMessageW(w, 0x0701, 0, 0);
  }
  ::PostQuitMessage(0);
  EXPECT_TRUE(h.RunLoop(5000));
  const std::vector<UINT> quiet{WM_NULL, WM_NULL, 0x0701};
  EXPECT_EQ(h.wb1Window.received, quiet);
  EXPECT_EQ(h.wb2Window.received, quiet);
  EXPECT_EQ(other.received, (std::vector<UINT>{0x0700, 0x070C, 0x0701}));

  // AppClose removes the hook: the message is left alone (and the loop ends after it).
  h.form->AppClose();
  h.wb1Window.received.clear();
  ::PostMessageW(wb1, 0x0700, 0, 0);
  EXPECT_TRUE(h.RunLoop(5000));
  EXPECT_EQ(h.wb1Window.received, std::vector<UINT>{0x0700});
}

TEST(MainWindowOnRealWindows, NotifyMessageShowsTheWindowAndAnswersByThePinState) {
  struct Case {
    const char* pinState;  // nullptr: the page has no such variable
    LRESULT answer;
    bool topMost;
  } const cases[] = {{"0", 2222, false}, {"1", 2222, true}, {nullptr, 0, false}};
  for (const auto& c : cases) {
    ZelFormHarness h;
    h.CreateAndShow();
    h.window.Hide();
    h.wb1.LoadPage("http://x/pcprice/default/index");
    if (c.pinState != nullptr) h.wb1.variables["pin_state"] = c.pinState;
    const LRESULT answer = ::SendMessageW(h.window.Hwnd(), h.notifyMessage, 0, 0);
    const std::string label = c.pinState ? c.pinState : "missing";
    EXPECT_EQ(answer, c.answer) << label;
    EXPECT_TRUE(::IsWindowVisible(h.window.Hwnd())) << label;
    EXPECT_EQ(h.TopMost(), c.topMost) << label;
    EXPECT_FALSE(h.globals.IsTopMost) << label;
    if (c.pinState == nullptr) {
      ASSERT_FALSE(h.LogMessages().empty());
      EXPECT_EQ(h.LogMessages().back().rfind("系统异常：", 0), 0u) << h.LogMessages().back();
    }
    h.form->AppClose();
  }
}

TEST(MainWindowOnRealWindows, Timer1StopsOnTheFirstResultAndEndsTheProgramOnFailure) {
  struct Case {
    int state;
    bool ends;
    std::vector<std::string> errors;
  } const cases[] = {{1, false, {}}, {-1, true, {kConnectFailedMessage}}};
  for (const auto& c : cases) {
    ZelFormHarness h;
    h.CreateAndShow();
    h.globals.NetConnState = c.state;
    EXPECT_EQ(h.RunLoop(600), c.ends) << c.state;
    EXPECT_FALSE(h.timer1.Enabled()) << c.state;
    EXPECT_EQ(h.dialogs.errors, c.errors) << c.state;
    EXPECT_EQ(h.globals.IsClosing, c.ends) << c.state;
    h.form->AppClose();
  }
}

}  // namespace
}  // namespace zel::winetest
