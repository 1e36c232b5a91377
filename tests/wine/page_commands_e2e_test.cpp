// Zel.exe as built, with the stand-in browser: the main window's page commands, the mini input
// window they lead to, and the page's context menu, seen from outside the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "app/Startup.h"
#include "app/win32/Win32Util.h"
#include "bridge/MinInput.h"
#include "bridge/win32/MiniInputForm.h"
#include "shell/win32/MainForm.h"
#include "tests/wine/support/StandInPage.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {
namespace {

using Bounds = std::array<LONG, 4>;  // left, top, width, height

constexpr DWORD kPageTimeoutMs = 20000;
constexpr char kWidePage[] = "/pcprice/default/index";
constexpr char kNarrowPage[] = "/pcprice/default/indexzb";
constexpr char kReload[] = "window.location.reload(true)";

Bounds WindowBounds(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool TopMost(HWND window) {
  return (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

class PageCommandsEndToEnd : public ::testing::Test {
 protected:
  void TearDown() override {
    zel.reset();
    ResetService();
  }
  // Starts Zel.exe against the service and waits for its wide page.
  HWND Start() { return StartShowingWidePage(zel, kPageTimeoutMs); }
  // The mini input window, once it shows its page.
  HWND WaitForMiniWindow() {
    HWND mini = nullptr;
    PumpUntil(
        [&] {
          const auto found = ProcessWindows(zel->Id(), win32::MiniInputForm::kClassName);
          mini = found.empty() ? nullptr : found.front();
          return mini != nullptr && ::IsWindowVisible(mini);
        },
        kPageTimeoutMs);
    EXPECT_TRUE(mini && WaitForPageElement(mini, "SearchID", kPageTimeoutMs)) << "no mini page";
    return mini;
  }

  std::unique_ptr<ZelProcess> zel;
};

// Each way into the mini window hides the main window and leaves the program running; a
// search there brings the wide page back, where "MinID" left it, and hands it the keyword as
// a script literal.
TEST_F(PageCommandsEndToEnd, TheMiniWindowTakesOverAndItsSearchReturnsToTheWidePage) {
  const std::string keepRunning = R"({"title":",名称,规格","soft":"EXCEL","state":"0"})";
  const POINT moved{40, 30};
  const POINT wideHome{::GetSystemMetrics(SM_CXSCREEN) - 900 - 50, 100};
  const struct {
    const char* element;
    std::string settings;
    POINT back;  // where the wide page comes back
  } cases[] = {
      {"MiniID", "", wideHome}, {"MinID", "", moved}, {"CloseID", keepRunning, wideHome}};
  const std::string keyword = "3.5\" 软驱\\x";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.element);
    ResetService();
    if (!c.settings.empty()) SetServicePage({{"settings", c.settings}});
    const HWND form = Start();
    ASSERT_FALSE(HasFailure());
    ::SetWindowPos(form, nullptr, moved.x, moved.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(PumpUntil([&] { return WindowBounds(form)[0] == moved.x; }, 5000));

    ASSERT_TRUE(ClickPageElement(form, c.element));
    const HWND mini = WaitForMiniWindow();
    ASSERT_NE(mini, nullptr);
    EXPECT_FALSE(::IsWindowVisible(form));
    EXPECT_EQ(WindowText(mini), win32::Widen(kMiniCaption));
    RECT client{};
    ::GetClientRect(mini, &client);
    EXPECT_EQ(client.right, 290);
    EXPECT_EQ(client.bottom, 60);
    EXPECT_TRUE(TopMost(mini));
    EXPECT_EQ(::GetWindow(mini, GW_OWNER), form);
    EXPECT_TRUE(zel->Running());

    const HWND field = PageField(mini, "InputID");
    ASSERT_NE(field, nullptr);
    SetFieldText(field, win32::Widen(keyword));
    ClearRecordedScripts();
    ASSERT_TRUE(ClickPageElement(mini, "SearchID"));
    const std::vector<std::string> expected = {"miniToHorizontal()",
                                               R"(QueryByMini("3.5\" 软驱\\x"))"};
    EXPECT_TRUE(PumpUntil([&] { return RecordedScripts() == expected; }, 10000))
        << ::testing::PrintToString(RecordedScripts());
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(form) && !::IsWindowVisible(mini); },
                          5000));
    EXPECT_EQ(WindowBounds(form), (Bounds{c.back.x, c.back.y, 900, 600}));
    zel.reset();
  }
}

// "HVID" flips between the layouts: each keeps the place it was left at, the narrow page is
// loaded once and reloaded afterwards, the wide page is reloaded on the way back.
TEST_F(PageCommandsEndToEnd, HVIDSwitchesLayoutsAndEachKeepsItsPlace) {
  const HWND form = Start();
  ASSERT_FALSE(HasFailure());
  const LONG screen = ::GetSystemMetrics(SM_CXSCREEN);
  const struct {
    POINT moveTo;       // where the test puts the window before the click
    Bounds after;
    const char* page;   // the one page the service is asked for
    const char* shown;  // an element only that layout's page has
    bool reload;        // the page was reloaded, not navigated to
  } steps[] = {
      {{40, 30}, {screen - 360 - 50, 20, 360, 670}, kNarrowPage, "QueryPriceID", false},
      {{700, 60}, {40, 30, 900, 600}, kWidePage, "btnAddTitle", true},
      {{100, 80}, {700, 60, 360, 670}, kNarrowPage, "QueryPriceID", true},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE("step " + std::to_string(&s - steps + 1));
    ::SetWindowPos(form, nullptr, s.moveTo.x, s.moveTo.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(PumpUntil([&] { return WindowBounds(form)[0] == s.moveTo.x; }, 5000));
    ResetService();
    ClearRecordedScripts();
    const std::set<HWND> before = PageSnapshot(form);

    ASSERT_TRUE(ClickPageElement(form, "HVID"));
    EXPECT_TRUE(PumpUntil([&] { return WindowBounds(form) == s.after; }, 5000))
        << ::testing::PrintToString(WindowBounds(form));
    EXPECT_TRUE(WaitForNewPage(form, s.shown, before, kPageTimeoutMs));
    EXPECT_TRUE(PumpUntil([&] { return RequestedPages().size() == 1; }, 5000));
    EXPECT_EQ(RequestedPages(), std::vector<std::string>{s.page});
    EXPECT_EQ(RecordedScripts(), s.reload ? std::vector<std::string>{kReload}
                                          : std::vector<std::string>{});
    EXPECT_TRUE(::IsWindowVisible(form));
  }
}

void PressLeftButton(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  ::SendInput(1, &input, sizeof input);
}

bool InMoveLoop(DWORD thread) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  return ::GetGUIThreadInfo(thread, &gui) && (gui.flags & GUI_INMOVESIZE) != 0;
}

// "taskkill /pid" without /f: a close request to each of the program's windows.
DWORD AskToClose(DWORD pid) {
  std::wstring commandLine = L"taskkill.exe /pid " + std::to_wstring(pid);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &si, &pi)) {
    return ::GetLastError();
  }
  ::WaitForSingleObject(pi.hProcess, 10000);
  DWORD code = 99;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return code;
}

// A close request from outside while the user drags the mini window (its move loop runs
// inside the page's mouse-down handler): the program ends the orderly way once the loop has
// returned, and nothing is logged.
TEST_F(PageCommandsEndToEnd, AClosingRequestDuringADragOfTheMiniWindowEndsTheProgram) {
  const HWND form = Start();
  ASSERT_FALSE(HasFailure());
  ASSERT_TRUE(ClickPageElement(form, "MiniID"));
  const HWND mini = WaitForMiniWindow();
  ASSERT_NE(mini, nullptr);
  const auto buttons = PageButtons(mini);
  ASSERT_EQ(buttons.count("MoveFormID"), 1u);
  RECT area{};
  ::GetWindowRect(buttons.at("MoveFormID"), &area);
  ::SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
  // A press within half a second of the page's load would search instead of dragging.
  PumpUntil([] { return false; }, 800);
  const std::size_t logBefore = TodaysLog().size();
  const DWORD thread = ::GetWindowThreadProcessId(mini, nullptr);

  PressLeftButton(true);
  const bool dragging = PumpUntil([&] { return InMoveLoop(thread); }, 5000);
  DWORD code = 99;
  if (dragging) {
    EXPECT_EQ(AskToClose(zel->Id()), 0u);
  }
  const bool ended = dragging && zel->WaitForExit(10000, &code);
  PressLeftButton(false);
  EXPECT_TRUE(dragging) << "no move loop";
  EXPECT_TRUE(ended) << "still running";
  EXPECT_EQ(code, 0u);
  const std::string added = win32::FromAnsi(TodaysLog().substr(logBefore));
  EXPECT_EQ(added.find("系统异常"), std::string::npos) << added;
}

// The page's context menu: refresh reloads the page of the layout shown, quit ends the
// program. Its items are chosen by their access keys.
TEST_F(PageCommandsEndToEnd, TheContextMenuRefreshesTheShownPageAndQuits) {
  const HWND form = Start();
  ASSERT_FALSE(HasFailure());
  const struct {
    const char* layout;
    const char* page;
    const char* shown;
  } cases[] = {{"wide", kWidePage, "btnAddTitle"}, {"narrow", kNarrowPage, "QueryPriceID"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout);
    if (c.page == kNarrowPage) {
      const std::set<HWND> wide = PageSnapshot(form);
      ASSERT_TRUE(ClickPageElement(form, "HVID"));
      ASSERT_TRUE(WaitForNewPage(form, c.shown, wide, kPageTimeoutMs));
    }
    ResetService();
    const std::set<HWND> before = PageSnapshot(form);
    EXPECT_TRUE(
        ChoosePageMenuItem(zel->Id(), form, L'r', [] { return !RequestedPages().empty(); }));
    EXPECT_EQ(RequestedPages(), std::vector<std::string>{c.page});
    EXPECT_TRUE(WaitForNewPage(form, c.shown, before, kPageTimeoutMs)) << "not shown again";
  }

  EXPECT_TRUE(ChoosePageMenuItem(zel->Id(), form, L't', [&] { return !zel->Running(); }))
      << "still running";
  DWORD code = 99;
  EXPECT_TRUE(zel->WaitForExit(0, &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace zel::winetest
