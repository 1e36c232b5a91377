// Zel.exe as built, with the stand-in browser behaving as IE does where hosts of the control
// are caught out: a reload raises no DocumentComplete, frames raise their own events, a zoom
// is kept for later controls unless asked not to, every mouse button raises onmousedown, and a
// page window may refuse execScript.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/win32/Win32Util.h"
#include "bridge/PageCommands.h"
#include "bridge/win32/MiniInputForm.h"
#include "tests/standin/browser/Peer.h"
#include "tests/wine/support/StandInPage.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {
namespace {

constexpr DWORD kPageTimeoutMs = 20000;
constexpr char kWidePage[] = "/pcprice/default/index";

bool TopMost(HWND window) {
  return (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// The elements of the table that the shown page has but that hold no handler of the program.
std::vector<std::string> Unbound(HWND form, const std::vector<BindingRow>& table) {
  std::vector<std::string> unbound;
  const auto buttons = PageButtons(form);
  for (const BindingRow& row : table) {
    if (buttons.count(row.id) == 1 && PageHandlers(form, row.id) == 0) unbound.push_back(row.id);
  }
  return unbound;
}

void Press(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof input);
}

bool InMoveLoop(HWND window) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &gui) &&
         (gui.flags & GUI_INMOVESIZE) != 0;
}

void PointAt(HWND button) {
  RECT area{};
  ::GetWindowRect(button, &area);
  ::SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
}

void Wait(DWORD ms) { PumpUntil([] { return false; }, ms); }

class PageReloadEndToEnd : public ::testing::Test {
 protected:
  void TearDown() override {
    zel.reset();
    ResetService();
  }
  HWND Start() { return StartShowingWidePage(zel, kPageTimeoutMs); }
  std::unique_ptr<ZelProcess> zel;
};

// After every kind of reload the fresh page's elements are bound again (a click on "PinID"
// runs its command) and the page's pin state is applied again.
TEST_F(PageReloadEndToEnd, EveryBoundButtonWorksAfterEachKindOfReload) {
  SetServicePage({{"pin_state", "1"}});
  const HWND form = Start();
  ASSERT_FALSE(HasFailure());
  const struct {
    const char* what;
    bool wide;  // the layout shown afterwards
    std::function<void()> act;
  } steps[] = {
      {"to the narrow layout (its first page)", false, [&] { ClickPageElement(form, "HVID"); }},
      {"back to the wide layout (a reload)", true, [&] { ClickPageElement(form, "HVID"); }},
      {"refresh from the context menu", true,
       [&] { ChoosePageMenuItem(zel->Id(), form, L'r', [] { return !RequestedPages().empty(); }); }},
      {"a navigation error (a missing page behind a link)", true,
       [&] { ClickPageElement(form, "HelpID"); }},
      {"to the narrow layout again (a reload)", false, [&] { ClickPageElement(form, "HVID"); }},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.what);
    ResetService();
    SetServicePage({{"pin_state", "1"}});
    const std::set<HWND> before = PageSnapshot(form);
    s.act();
    ASSERT_TRUE(WaitForNewPage(form, s.wide ? "btnAddTitle" : "QueryPriceID", before,
                               kPageTimeoutMs));
    const auto& table = s.wide ? WideBindings() : NarrowBindings();
    EXPECT_TRUE(PumpUntil([&] { return Unbound(form, table).empty(); }, 5000))
        << ::testing::PrintToString(Unbound(form, table));
    EXPECT_TRUE(PumpUntil([&] { return TopMost(form); }, 5000)) << "pin state not applied";
    ASSERT_TRUE(ClickPageElement(form, "PinID"));
    EXPECT_TRUE(PumpUntil([&] { return !TopMost(form); }, 5000)) << "PinID does nothing";
  }
}

// A frame of the page that loads (the top level completes last) or fails: the page is bound
// once and is not loaded again.
TEST_F(PageReloadEndToEnd, AFailingFrameReloadsNothing) {
  for (const char* frame : {"/standin/frame", "/nothing/here"}) {
    SCOPED_TRACE(frame);
    ResetService();
    SetServicePage({{"frame", frame}});
    const std::size_t logBefore = TodaysLog().size();
    const HWND form = Start();
    ASSERT_FALSE(HasFailure());
    EXPECT_TRUE(PumpUntil([&] { return Unbound(form, WideBindings()).empty(); }, 5000));
    Wait(3000);
    EXPECT_EQ(RequestedPages(), std::vector<std::string>{kWidePage});
    const std::string added = win32::FromAnsi(TodaysLog().substr(logBefore));
    EXPECT_EQ(added.find("系统异常"), std::string::npos) << added;
    zel.reset();
  }
}

// On a screen of 96 pixels per inch a zoom that IE kept from an earlier session is set back
// to 100 %, and that zoom is not kept for later controls (nor for the user's own IE).
TEST_F(PageReloadEndToEnd, AZoomKeptByIEIsUndoneAndNoZoomIsKept) {
  const DWORD kept = 150000;
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, standin::kZoomKey, standin::kZoomValue,
                              REG_DWORD, &kept, sizeof kept),
            ERROR_SUCCESS);
  ClearRecordedScripts();
  const HWND form = Start();
  EXPECT_TRUE(PumpUntil([] { return !RecordedZooms().empty(); }, 5000));
  EXPECT_EQ(RecordedZooms(), std::vector<std::string>{"100"});
  ASSERT_NE(form, nullptr);
  ClearRecordedScripts();
  ClickPageElement(form, "HVID");
  EXPECT_TRUE(PumpUntil([] { return !RecordedZooms().empty(); }, kPageTimeoutMs));
  EXPECT_EQ(RecordedZooms(), std::vector<std::string>{"100"}) << "the narrow page";
  zel.reset();
  DWORD factor = 0;
  DWORD size = sizeof factor;
  ::RegGetValueW(HKEY_CURRENT_USER, standin::kZoomKey, standin::kZoomValue, RRF_RT_REG_DWORD,
                 nullptr, &factor, &size);
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, standin::kZoomKey, standin::kZoomValue);
  EXPECT_EQ(factor, kept);
}

// A press of the middle button on a drag area starts no move loop, and in the mini window it
// does not count as the first of two presses (which would search).
TEST_F(PageReloadEndToEnd, OnlyTheLeftButtonDragsOrCountsAPress) {
  const HWND form = Start();
  ASSERT_FALSE(HasFailure());
  PointAt(PageButtons(form).at("MoveFormID"));
  Press(MOUSEEVENTF_MIDDLEDOWN);
  Press(MOUSEEVENTF_MIDDLEUP);
  Wait(800);
  const bool dragged = InMoveLoop(form);
  if (dragged) {
    Press(MOUSEEVENTF_LEFTDOWN);
    Press(MOUSEEVENTF_LEFTUP);
  }
  EXPECT_FALSE(dragged) << "the middle button started a move loop";

  ASSERT_TRUE(ClickPageElement(form, "MiniID"));
  HWND mini = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        const auto found = ProcessWindows(zel->Id(), win32::MiniInputForm::kClassName);
        mini = found.empty() ? nullptr : found.front();
        return mini != nullptr && ::IsWindowVisible(mini) &&
               PageHandlers(mini, "MoveFormID") != 0;
      },
      kPageTimeoutMs));
  Wait(800);  // a press within half a second of the page's load would search
  PointAt(PageButtons(mini).at("MoveFormID"));
  ClearRecordedScripts();
  Press(MOUSEEVENTF_MIDDLEDOWN);
  Press(MOUSEEVENTF_MIDDLEUP);
  Wait(100);
  Press(MOUSEEVENTF_LEFTDOWN);
  PumpUntil([&] { return InMoveLoop(mini); }, 2000);
  Press(MOUSEEVENTF_LEFTUP);
  Wait(500);
  EXPECT_TRUE(::IsWindowVisible(mini)) << "the two presses searched";
  EXPECT_EQ(RecordedScripts(), std::vector<std::string>{});
}

// A page window that refuses execScript (IE11's document mode may): the program's scripts
// still run, through the window's eval.
TEST_F(PageReloadEndToEnd, ScriptsRunThroughEvalWhenExecScriptIsRefused) {
  ::SetEnvironmentVariableA(standin::kRefuseExecScriptVariable, "1");
  const HWND form = Start();
  ::SetEnvironmentVariableA(standin::kRefuseExecScriptVariable, nullptr);
  ASSERT_FALSE(HasFailure());
  ResetService();
  ClearRecordedScripts();
  const std::size_t logBefore = TodaysLog().size();
  EXPECT_TRUE(
      ChoosePageMenuItem(zel->Id(), form, L'r', [] { return !RequestedPages().empty(); }));
  EXPECT_EQ(RequestedPages(), std::vector<std::string>{kWidePage});
  EXPECT_EQ(RecordedScripts(), std::vector<std::string>{"window.location.reload(true)"});
  const std::string added = win32::FromAnsi(TodaysLog().substr(logBefore));
  EXPECT_EQ(added.find("系统异常"), std::string::npos) << added;
}

}  // namespace
}  // namespace zel::winetest
