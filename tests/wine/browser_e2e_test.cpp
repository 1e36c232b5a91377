// Zel.exe as built, showing the service's pages in the test bed's stand-in browser control:
// the page loads, its elements are bound, clicks on them run the program's commands, and what
// the program does shows outside it (its windows, the spreadsheet, the scripts it runs).
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

#include "app/Startup.h"
#include "app/win32/Win32Util.h"
#include "shell/win32/MainForm.h"
#include "shell/win32/TrayIcon.h"
#include "tests/wine/support/Sheet.h"
#include "tests/wine/support/StandInPage.h"
#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {
namespace {

const std::wstring kTitle = win32::Widen(kAppTitle);
constexpr DWORD kPageTimeoutMs = 20000;

bool TopMost(HWND window) {
  return (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool EscIsFree() {
  if (!::RegisterHotKey(nullptr, 0x3F02, 0, VK_ESCAPE)) return false;
  ::UnregisterHotKey(nullptr, 0x3F02);
  return true;
}

class BrowserEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetService();
    ClearRecordedScripts();
  }
  void TearDown() override {
    zel.reset();
    ResetService();
  }
  // Starts Zel.exe against the service; the wide page is shown once the element is there.
  HWND Start(const std::string& element = "CloseID") {
    return StartShowingWidePage(zel, kPageTimeoutMs, element);
  }

  std::unique_ptr<ZelProcess> zel;
};

struct LaterStart {
  bool ended = false;
  DWORD exitCode = 99;
  bool box = false;
  bool mainWindow = false;
};

LaterStart StartAgain() {
  ZelProcess later(ServiceArguments());
  LaterStart run;
  run.ended = PumpUntil(
      [&] {
        for (const HWND box : ProcessWindows(later.Id(), L"#32770", kTitle)) {
          run.box = true;
          ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        run.mainWindow |= !ProcessWindows(later.Id(), win32::MainForm::kClassName).empty();
        return !later.Running();
      },
      20000);
  if (run.ended) later.WaitForExit(0, &run.exitCode);
  return run;
}

// The first page: the window turns opaque, Esc is released, the page's pin state is applied
// and its buttons reach the program; a later start then hands over without a word.
TEST_F(BrowserEndToEnd, ThePageLoadsIsBoundAndALaterStartHandsOverSilently) {
  for (const bool pinned : {false, true}) {
    SCOPED_TRACE(pinned ? "pin_state 1" : "pin_state 0");
    SetServicePage({{"pin_state", pinned ? "1" : "0"}});
    const HWND form = Start();
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(WindowAlpha(form), 255);
    EXPECT_TRUE(PumpUntil(&EscIsFree, 5000)) << "Esc is still held after the first page";
    EXPECT_TRUE(PumpUntil([&] { return TopMost(form) == pinned; }, 5000));
    ASSERT_TRUE(ClickPageElement(form, "PinID"));
    EXPECT_TRUE(PumpUntil([&] { return TopMost(form) != pinned; }, 5000)) << "PinID is not bound";

    ::ShowWindow(form, SW_HIDE);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(form); }, 5000));
    const LaterStart later = StartAgain();
    ASSERT_TRUE(later.ended);
    EXPECT_EQ(later.exitCode, 0u);
    EXPECT_FALSE(later.box);
    EXPECT_FALSE(later.mainWindow);
    EXPECT_TRUE(::IsWindowVisible(form)) << "the running one came forward";
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(form, ::RegisterWindowMessageW(L"Zel_Notify"), 0, 0,
                                      SMTO_NORMAL, 5000, &answer));
    EXPECT_EQ(answer, 2222u);
    zel.reset();
  }
}

// "插入Excel" writes the page's row into the open spreadsheet and tells the page; with none
// open the page is asked to tell the user.
TEST_F(BrowserEndToEnd, InsertExcelFillsTheSpreadsheetOrAsksForOne) {
  StopAnySheet();
  SheetProcess sheet({"--as", "excel-dde-only", "--active", "R1C1"});
  const HWND form = Start("InsertExcelID");
  ASSERT_FALSE(HasFailure());

  ASSERT_TRUE(ClickPageElement(form, "InsertExcelID"));
  EXPECT_TRUE(sheet.WaitForGrid([](const SheetGrid& g) { return g.activeRow == 2; }, 10000));
  EXPECT_EQ(sheet.Grid().Row(1, 1, 9), "电阻|0603 10kΩ|个|100|0.01|1|国巨|0.02|50%");
  EXPECT_TRUE(WaitForScript("Q_GetPraiseInsert(2)", 5000));

  sheet.Stop();
  ClearRecordedScripts();
  ASSERT_TRUE(ClickPageElement(form, "InsertExcelID"));
  EXPECT_TRUE(WaitForScript("alertMsg(\"亲，请先打开Excel，再来插入吧！\")", 10000));
  EXPECT_EQ(PageStatus(form), L"亲，请先打开Excel，再来插入吧！");
  EXPECT_EQ(RecordedScripts().size(), 1u);
}

// Opens the tray menu and chooses its last item, "退出".
void QuitFromTheTray(DWORD pid) {
  const HWND tray = WaitForProcessWindow(pid, win32::TrayIcon::kClassName, L"", 5000);
  ASSERT_NE(tray, nullptr);
  ::PostMessageW(tray, win32::TrayIcon::kCallbackMessage, win32::TrayIcon::kIconId,
                 WM_RBUTTONUP);
  const HWND menu = WaitForProcessWindow(pid, L"#32768", L"", 5000);
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(menu) != FALSE; }, 3000));
  ::PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
  ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

// Every way out of a loaded page ends the program: the service page's close button when its
// settings say "state" "1", the tray menu, and the error page that replaces a service page
// without "CloseID".
TEST_F(BrowserEndToEnd, EachWayOutOfALoadedPageEndsTheProgram) {
  const std::string quitSettings =
      R"({"title":",名称,规格","soft":"EXCEL","state":"1"})";
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> page;
    const char* element;  // waited for, and clicked unless the tray is used
    bool tray;
  } const cases[] = {
      {"close button, state 1", {{"settings", quitSettings}}, "CloseID", false},
      {"tray menu", {}, "CloseID", true},
      {"error page", {{"omit", "CloseID"}}, "ErrorCloseID", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetService();
    SetServicePage(c.page);
    const HWND form = Start(c.element);
    ASSERT_FALSE(HasFailure());
    if (c.element == std::string("ErrorCloseID")) {
      const auto buttons = PageButtons(form);
      EXPECT_EQ(buttons.count("ErrorRefreshID"), 1u);
      EXPECT_EQ(buttons.count("CloseID"), 0u);
    }
    if (c.tray) {
      QuitFromTheTray(zel->Id());
    } else {
      ASSERT_TRUE(ClickPageElement(form, c.element));
    }
    DWORD code = 99;
    EXPECT_TRUE(zel->WaitForExit(10000, &code)) << "still running";
    EXPECT_EQ(code, 0u);
    zel.reset();
  }
}

// The error page is the program's own and is bound. A foreign document that takes its place in
// the wide browser (the service's own page under another host name, so with every id) gets no
// handler of the program: whole, or without "CloseID", when the program puts its error page in
// its stead; a page bound then stands in the program's own document, not at the foreign address.
TEST_F(BrowserEndToEnd, AForeignDocumentAfterTheErrorPageGetsNoHandlers) {
  const std::wstring foreign =
      L"http://localhost:" + win32::Widen(Env("ZEL_SERVICE_PORT")) + L"/pcprice/default/index";
  for (const bool whole : {true, false}) {
    SCOPED_TRACE(whole ? "whole foreign page" : "foreign page without CloseID");
    ResetService();
    SetServicePage({{"omit", "CloseID"}});
    const HWND form = Start("ErrorCloseID");
    ASSERT_FALSE(HasFailure());
    // Bound at its DocumentComplete, which may still be on its way when the page shows.
    EXPECT_TRUE(PumpUntil([&] { return PageHandlers(form, "ErrorCloseID") != 0; }, 5000))
        << "the error page is not bound";
    if (whole) ResetService();
    const std::set<HWND> before = PageSnapshot(form);
    ASSERT_TRUE(FollowLinkInPage(form, foreign));
    ASSERT_TRUE(WaitForNewPage(form, whole ? "CloseID" : "ErrorCloseID", before, kPageTimeoutMs))
        << "no new page";
    PumpUntil([] { return false; }, 1500);  // the bindings that later events bring
    std::map<std::string, int> bound;
    for (const auto& [id, button] : PageButtons(form)) {
      if (const int handlers = PageHandlers(form, id)) bound[id] = handlers;
    }
    if (!bound.empty()) {
      EXPECT_EQ(win32::Narrow(PageAddress(form)), "about:blank")
          << ::testing::PrintToString(bound);
    }
    EXPECT_EQ(bound.empty(), whole);
    zel.reset();
  }
}

// Right-clicks in the field and picks the program's menu item by its access key.
void ChooseFromPageMenu(DWORD pid, HWND field, wchar_t accessKey) {
  RECT at{};
  ::GetWindowRect(field, &at);
  ::PostMessageW(field, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(field),
                 MAKELPARAM(at.left + 4, at.top + 4));
  HWND menu = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        for (const HWND w : ProcessWindows(pid, L"#32768")) {
          if (::IsWindowVisible(w)) menu = w;
        }
        return menu != nullptr;
      },
      5000))
      << "no menu";
  ::PostMessageW(menu, WM_CHAR, accessKey, 0);
  ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(menu); }, 5000));
}

// Gives the field the focus, as a click does, with the text in it selected.
void SelectInField(HWND field, const std::wstring& text) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                        5000, &ignored);
  ::PostMessageW(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::PostMessageW(field, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  PumpUntil([] { return false; }, 200);  // the click arrives
  ::SendMessageTimeoutW(field, EM_SETSEL, 0, -1, SMTO_NORMAL, 5000, &ignored);
}

// What the field holds; GetWindowText of another process's window gives only its caption.
std::wstring FieldText(HWND field) {
  wchar_t text[256] = {};
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(field, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                        5000, &copied);
  return text;
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return text;
  if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text = chars;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

// The page's context menu is the program's: copy takes the selected text of a page field,
// paste puts it into one, refresh reloads the page.
TEST_F(BrowserEndToEnd, TheContextMenuCopiesPastesAndReloads) {
  const HWND form = Start();
  ASSERT_FALSE(HasFailure());
  const HWND field = PageField(form, "keyword");
  ASSERT_NE(field, nullptr);

  SelectInField(field, L"晶振 HC-49S");
  ChooseFromPageMenu(zel->Id(), field, L'c');
  EXPECT_TRUE(PumpUntil([] { return ClipboardText() == L"晶振 HC-49S"; }, 5000))
      << win32::Narrow(ClipboardText());

  SelectInField(field, L"");
  ChooseFromPageMenu(zel->Id(), field, L'p');
  EXPECT_TRUE(PumpUntil([&] { return FieldText(field) == L"晶振 HC-49S"; }, 5000))
      << win32::Narrow(FieldText(field));

  ClearRecordedScripts();
  ChooseFromPageMenu(zel->Id(), field, L'r');
  EXPECT_TRUE(WaitForScript("window.location.reload(true)", 5000));
}

// A link to a page the service does not have: the navigation fails, the program cancels it
// and reloads the page it shows, which is bound again.
TEST_F(BrowserEndToEnd, ANavigationErrorReloadsTheActivePage) {
  const HWND form = Start();
  ASSERT_FALSE(HasFailure());
  const HWND pinBefore = PageButtons(form).at("PinID");
  ResetService();  // forgets the requests so far
  ClearRecordedScripts();

  ASSERT_TRUE(ClickPageElement(form, "HelpID"));
  EXPECT_TRUE(WaitForScript("window.location.reload(true)", 10000));
  EXPECT_TRUE(PumpUntil(
      [&] {
        const auto buttons = PageButtons(form);
        return buttons.count("PinID") == 1 && buttons.at("PinID") != pinBefore;
      },
      10000))
      << "the page was not shown again";
  std::vector<std::string> pages;
  for (const std::string& path : RequestedPaths()) {
    if (path.rfind("/pcprice/", 0) == 0) pages.push_back(path);
  }
  EXPECT_EQ(pages, (std::vector<std::string>{"/pcprice/default/help", "/pcprice/default/index"}));
  const bool pinned = TopMost(form);
  ASSERT_TRUE(ClickPageElement(form, "PinID"));
  EXPECT_TRUE(PumpUntil([&] { return TopMost(form) != pinned; }, 5000)) << "not bound again";
}

}  // namespace
}  // namespace zel::winetest
