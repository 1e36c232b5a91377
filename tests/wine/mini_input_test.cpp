// The mini input window on real windows: the program's own (with the real browser control),
// and its window with the logic and a fake browser where a page is needed.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/Win32Util.h"
#include "app/win32/Window.h"
#include "bridge/win32/MiniInputWindow.h"
#include "shell/win32/Monitors.h"
#include "tests/fakes/FakeBrowser.h"
#include "tests/fakes/FakeShell.h"
#include "tests/wine/support/StandInPage.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {
namespace {

LONG_PTR ExStyle(HWND w) { return ::GetWindowLongPtrW(w, GWL_EXSTYLE); }
bool TopMost(HWND w) { return (ExStyle(w) & WS_EX_TOPMOST) != 0; }

RECT WindowRectOf(HWND w) {
  RECT rc{};
  ::GetWindowRect(w, &rc);
  return rc;
}

int ScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN); }

// A plain top-level window standing in for the main window.
class OwnerWindow final : public win32::Window {
 public:
  OwnerWindow() {
    CreateParams params;
    params.style = WS_POPUP;
    params.x = 10;
    params.y = 10;
    params.width = 200;
    params.height = 100;
    Create(L"ZelMiniTestOwner", params);
  }
  HWND Hwnd() const { return Handle(); }
};

class FakeOwner final : public IMiniInputOwner {
 public:
  void ShowOwner() override {}
  void QueryFromMini(const std::string& keyword) override { queries.push_back(keyword); }
  void OpenInMain(const std::string& url) override { opened.push_back(url); }
  std::vector<std::string> opened;
  std::vector<std::string> queries;
};

// ---- The program's mini window, browser control included

// The window with an owner and the ports the main window gives it, loading the service's page.
struct ProgramMini {
  ProgramMini() {
    ParseCommandLine(globals, ServiceArguments());
    mini = std::make_unique<win32::MiniInputWindow>(owner.Hwnd(), globals, miniOwner, sinks,
                                                    clock, monitors, tools);
  }
  OwnerWindow owner;
  TGlobals globals;
  FakeOwner miniOwner;
  fakes::FakeSinkFactory sinks;
  fakes::FakeClock clock;
  win32::Monitors monitors;
  fakes::FakeToolLauncher tools;
  std::unique_ptr<win32::MiniInputWindow> mini;
};

TEST(MiniInputWindow, ComesUpHiddenTopmostAndOwnedAtTheTopRightAndKeepsItsSize) {
  ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  ProgramMini program;
  const OwnerWindow& owner = program.owner;
  const TGlobals& globals = program.globals;
  std::unique_ptr<win32::MiniInputWindow>& mini = program.mini;
  const HWND hwnd = mini->Hwnd();
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_EQ(::GetWindow(hwnd, GW_OWNER), owner.Hwnd());
  EXPECT_TRUE(TopMost(hwnd));
  EXPECT_EQ(WindowText(hwnd), L"迷你输入");
  EXPECT_EQ(::GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
  RECT client{};
  ::GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 290);
  EXPECT_EQ(client.bottom, 60);
  const RECT rc = WindowRectOf(hwnd);
  EXPECT_EQ(rc.left, ScreenWidth() - 290 - 50);
  EXPECT_EQ(rc.top, 100);
  // The address is reported once the navigation has begun, which a control may do later.
  EXPECT_TRUE(PumpUntil([&] { return mini->Browser().LocationURL() == globals.MiniIndexUrl; }, 5000));
  // The main window's message hook asks about the browser's windows too.
  EXPECT_TRUE(mini->OwnsWindow(reinterpret_cast<std::intptr_t>(mini->Browser().Container())));
  EXPECT_FALSE(mini->OwnsWindow(reinterpret_cast<std::intptr_t>(owner.Hwnd())));

  mini->Show();
  EXPECT_TRUE(::IsWindowVisible(hwnd));
  EXPECT_TRUE(TopMost(hwnd));
  ::SetWindowPos(hwnd, nullptr, 0, 0, 100, 20, SWP_NOMOVE | SWP_NOZORDER);
  ::GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 290);
  EXPECT_EQ(client.bottom, 60);
  ::SetWindowPos(hwnd, nullptr, 0, 0, 400, 80, SWP_NOMOVE | SWP_NOZORDER);
  ::GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 400);
  // Alt+F4 hides it; it stays until the program ends.
  ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(hwnd));
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  // Navigation errors keep coming under Wine (no document can be made): the window lives on.
  PumpUntil([] { return false; }, 300);

  mini.reset();
  EXPECT_FALSE(::IsWindow(hwnd));
  ::OleUninitialize();
}

// What this display gives the docking: one primary monitor, the screen the system metrics
// name. (Wine lists one monitor per X screen; Xvfb gives no second one beside it.)
TEST(Monitors, ThePrimaryIsTheScreenOfTheSystemMetrics) {
  win32::Monitors monitors;
  const std::vector<MonitorInfo> list = monitors.List();
  for (const MonitorInfo& m : list) {
    std::printf("monitor %d,%d %dx%d work %d,%d %dx%d%s\n", m.bounds.left, m.bounds.top,
                m.bounds.width, m.bounds.height, m.work.left, m.work.top, m.work.width,
                m.work.height, m.primary ? " primary" : "");
  }
  ASSERT_EQ(std::count_if(list.begin(), list.end(), [](const MonitorInfo& m) { return m.primary; }),
            1);
  const MonitorInfo& primary = *std::find_if(list.begin(), list.end(),
                                             [](const MonitorInfo& m) { return m.primary; });
  EXPECT_EQ(primary.bounds.left, 0);
  EXPECT_EQ(primary.bounds.top, 0);
  EXPECT_EQ(primary.bounds.width, ScreenWidth());
  EXPECT_EQ(primary.bounds.height, ::GetSystemMetrics(SM_CYSCREEN));
}

// Moved to a monitor of another scale, the window takes the rectangle the system suggests and
// its page the zoom of that scale; at 96 pixels per inch the control is never asked to zoom.
TEST(MiniInputWindow, TakesTheScaleOfTheMonitorItMovesTo) {
  ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  {
    ClearRecordedScripts();
    ProgramMini program;
    win32::MiniInputWindow& mini = *program.mini;
    ASSERT_TRUE(PumpUntil([&] { return mini.Browser().ReadyState() == 4; }, 20000));
    EXPECT_EQ(RecordedZooms(), std::vector<std::string>{});

    const struct {
      int dpi;
      RECT suggested;
      const char* zoom;
    } moves[] = {{144, {300, 200, 300 + 435, 200 + 90}, "150"},
                 {96, {40, 50, 40 + 290, 50 + 60}, "100"}};
    for (const auto& move : moves) {
      ClearRecordedScripts();
      RECT suggested = move.suggested;
      ::SendMessageW(mini.Hwnd(), WM_DPICHANGED, MAKEWPARAM(move.dpi, move.dpi),
                     reinterpret_cast<LPARAM>(&suggested));
      const RECT rc = WindowRectOf(mini.Hwnd());
      EXPECT_EQ(rc.left, move.suggested.left) << move.dpi;
      EXPECT_EQ(rc.top, move.suggested.top) << move.dpi;
      EXPECT_EQ(rc.right, move.suggested.right) << move.dpi;
      EXPECT_EQ(rc.bottom, move.suggested.bottom) << move.dpi;
      EXPECT_EQ(RecordedZooms(), std::vector<std::string>{move.zoom});
    }
  }
  ::OleUninitialize();
}

// ---- Its window on its own: each timer raises its own event

class MiniListener final : public IMiniFormEvents {
 public:
  void Timer1Timer() override { raised += "Timer1Timer"; }
  void Timer2Timer() override { raised += "Timer2Timer"; }
  void ReloadTimerTimer() override { raised += "ReloadTimerTimer"; }
  void FormShow() override { raised += "FormShow"; }
  void FormCanResize(int&, int&) override {}
  std::string raised;
};

TEST(MiniInputFormOnItsOwn, EachTimerRaisesItsOwnEvent) {
  const OwnerWindow owner;
  win32::MiniInputForm window(owner.Hwnd(), {0, 0, 290, 60});
  MiniListener listener;
  window.Attach(&listener);
  const std::pair<UINT_PTR, std::string> rows[] = {
      {win32::MiniInputForm::kTimer1Id, "Timer1Timer"},
      {win32::MiniInputForm::kTimer2Id, "Timer2Timer"},
      {win32::MiniInputForm::kReloadTimerId, "ReloadTimerTimer"},
      {99, ""},
  };
  for (const auto& [id, event] : rows) {
    listener.raised.clear();
    ::SendMessageW(window.Hwnd(), WM_TIMER, id, 0);
    EXPECT_EQ(listener.raised, event) << id;
  }
  window.Attach(nullptr);
}

// ---- Its window and logic with a page of the fake browser

struct MiniFormHarness {
  MiniFormHarness()
      : window(owner.Hwnd(), {0, 0, 290, 60}),
        timer1(window.Hwnd(), win32::MiniInputForm::kTimer1Id, kMiniTimerIntervalMs),
        timer2(window.Hwnd(), win32::MiniInputForm::kTimer2Id, kMiniTimerIntervalMs),
        reloadTimer(window.Hwnd(), win32::MiniInputForm::kReloadTimerId, kReloadSpacingMs),
        form(globals, miniOwner,
             {window, browser, timer1, timer2, reloadTimer, sinks, clock, monitors, tools}) {
    window.Attach(&form);
    form.FormCreate();
    browser.LoadPage(globals.MiniIndexUrl);
    for (const char* id : {"InputID", "SearchID", "PinID", "CloseID", "MoveFormID"}) {
      browser.AddElement(id);
    }
    browser.RaiseDocumentComplete();
    clock.Advance(10000);
  }
  ~MiniFormHarness() { window.Attach(nullptr); }
  HWND Hwnd() const { return window.Hwnd(); }
  RECT Rect() const { return WindowRectOf(Hwnd()); }
  void MoveTo(int left, int top) {
    ::SetWindowPos(Hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  OwnerWindow owner;
  TGlobals globals;
  FakeOwner miniOwner;
  fakes::FakeSinkFactory sinks;
  fakes::FakeClock clock;
  fakes::FakeBrowser browser{"mini"};
  win32::Monitors monitors;
  fakes::FakeToolLauncher tools;
  win32::MiniInputForm window;
  win32::WindowTimer timer1;
  win32::WindowTimer timer2;
  win32::WindowTimer reloadTimer;
  TfrmMinInput form;
};

TEST(MiniInputForm, StaysTopmostInPlaceAfterAnyNumberOfPinPresses) {
  MiniFormHarness h;
  h.window.Show();
  const RECT before = h.Rect();
  for (int i = 1; i <= 5; ++i) {
    ASSERT_TRUE(h.browser.Fire("PinID"));
    EXPECT_TRUE(TopMost(h.Hwnd())) << "after press " << i;
  }
  const RECT after = h.Rect();
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right - after.left, 290);
  EXPECT_EQ(after.bottom - after.top, 60);
  EXPECT_EQ(::GetWindow(h.Hwnd(), GW_OWNER), h.owner.Hwnd());
  EXPECT_TRUE(::IsWindowVisible(h.Hwnd()));
}

TEST(MiniInputForm, SlidesOutAtTheEdgesAndBackUnderThePointer) {
  MiniFormHarness h;
  h.window.Show();
  const int sw = ScreenWidth();
  const POINT away{40, 600};
  const struct {
    const char* name;
    int left, top;
    RECT hidden;   // once the pointer is elsewhere
    POINT strip;   // on what is left on screen
    RECT shown;    // while the pointer is there
  } cases[] = {
      {"top", 600, 15, {600, -57, 890, 3}, {700, 1}, {600, 0, 890, 60}},
      {"right", sw - 300, 300, {sw - 4, 300, sw + 286, 360}, {sw - 2, 320},
       {sw - 290, 300, sw, 360}},
  };
  for (const auto& c : cases) {
    ::SetCursorPos(away.x, away.y);
    h.MoveTo(c.left, c.top);
    const auto at = [&h](const RECT& want) {
      return [&h, want] {
        const RECT rc = h.Rect();
        return rc.left == want.left && rc.top == want.top && rc.right == want.right &&
               rc.bottom == want.bottom;
      };
    };
    EXPECT_TRUE(PumpUntil(at(c.hidden), 2000)) << c.name << ": not slid out";
    ::SetCursorPos(c.strip.x, c.strip.y);
    EXPECT_TRUE(PumpUntil(at(c.shown), 2000)) << c.name << ": not back under the pointer";
    // It stays while the pointer does.
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(at(c.shown)()) << c.name;
    ::SetCursorPos(away.x, away.y);
    EXPECT_TRUE(PumpUntil(at(c.hidden), 2000)) << c.name << ": not slid out again";
  }
}

// What the drag test sees of the move loop, from the thread's hooks.
struct MoveLoopWatch {
  HWND window = nullptr;
  bool entered = false;
  bool exited = false;
  bool released = false;
  int timerTicksInside = 0;
};
MoveLoopWatch g_watch;

void Press(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof input);
}

void CALLBACK ReleaseButton(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  g_watch.released = true;
  Press(MOUSEEVENTF_LEFTUP);
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  if (g_watch.entered && !g_watch.exited) ::PostMessageW(g_watch.window, WM_KEYDOWN, VK_ESCAPE, 0);
}

LRESULT CALLBACK WatchSent(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && m->hwnd == g_watch.window) {
    if (m->message == WM_ENTERSIZEMOVE) {
      g_watch.entered = true;
      // Held for a moment, then let go, as a user ends a drag.
      ::SetTimer(nullptr, 0, 300, &ReleaseButton);
    }
    if (m->message == WM_EXITSIZEMOVE) g_watch.exited = true;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WatchPosted(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && m->message == WM_TIMER &&
      m->hwnd == g_watch.window && g_watch.entered && !g_watch.exited) {
    ++g_watch.timerTicksInside;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(MiniInputForm, APressOnADragAreaRunsTheMoveLoopUntilTheButtonIsReleased) {
  MiniFormHarness h;
  h.window.Show();
  const RECT rc = h.Rect();
  ::SetCursorPos(rc.left + 100, rc.top + 30);
  PumpUntil([] { return false; }, 100);
  g_watch = MoveLoopWatch{};
  g_watch.window = h.Hwnd();
  const DWORD thread = ::GetCurrentThreadId();
  const HHOOK sent = ::SetWindowsHookExW(WH_CALLWNDPROC, &WatchSent, nullptr, thread);
  const HHOOK posted = ::SetWindowsHookExW(WH_GETMESSAGE, &WatchPosted, nullptr, thread);
  ASSERT_NE(sent, nullptr);
  ASSERT_NE(posted, nullptr);
  const UINT_PTR giveUp = ::SetTimer(nullptr, 0, 5000, &GiveUp);
  // The button is down on the page element, as when the page's mouse-down arrives.
  Press(MOUSEEVENTF_LEFTDOWN);
  const DWORD start = ::GetTickCount();
  ASSERT_TRUE(h.browser.Fire("MoveFormID", EventProperty::OnMouseDown));
  const DWORD took = ::GetTickCount() - start;
  ::UnhookWindowsHookEx(posted);
  ::UnhookWindowsHookEx(sent);
  ::KillTimer(nullptr, giveUp);
  Press(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(g_watch.entered) << "no move loop";
  EXPECT_TRUE(g_watch.exited);
  EXPECT_TRUE(g_watch.released);
  EXPECT_GE(took, 250u) << "the loop did not wait for the button";
  EXPECT_LT(took, 4000u) << "the release did not end the loop";
  // The window's timers go on during the drag (docking works while dragging).
  EXPECT_GE(g_watch.timerTicksInside, 2);
  EXPECT_TRUE(h.miniOwner.queries.empty());
}

}  // namespace
}  // namespace zel::winetest
