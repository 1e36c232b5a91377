// Zel.exe's pages behave as part of the program, not as Internet Explorer: real keyboard input
// (xdotool on the bed's display) reaches the stand-in browser control, which offers each key to
// the program before it acts as Internet Explorer does; links that want a new window go where
// the program sends them, and the user's default browser is Wine's winebrowser pointed at a
// recording script.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "app/win32/Win32Util.h"
#include "bridge/win32/MiniInputForm.h"
#include "shell/win32/TrayIcon.h"
#include "tests/wine/support/StandInPage.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {
namespace {

constexpr DWORD kPageTimeoutMs = 20000;

// Runs a Linux program with the arguments and waits for it.
bool RunUnix(std::vector<std::string> args) {
  using Spawn = LONG(CDECL*)(char* const argv[], int wait);
  const auto spawn = reinterpret_cast<Spawn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"),
                                               "__wine_unix_spawnvp")));
  if (spawn == nullptr) return false;
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return spawn(argv.data(), 1) == 0;
}

bool Xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> line{"xdotool"};
  line.insert(line.end(), args.begin(), args.end());
  return RunUnix(line);
}

std::string UnixPath(const std::wstring& windowsPath) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = toUnix ? toUnix(windowsPath.c_str()) : nullptr;
  if (unix == nullptr) return {};
  const std::string path = unix;
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return path;
}

struct BrowserWindowWalk {
  DWORD pid;
  std::vector<std::wstring> titles;
  std::vector<HWND> windows;
};

BOOL CALLBACK NoteBrowserWindow(HWND window, LPARAM data) {
  auto& walk = *reinterpret_cast<BrowserWindowWalk*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  const std::wstring title = WindowText(window);
  if (owner == walk.pid && ::IsWindowVisible(window) &&
      (title == L"Internet Explorer" || title == L"Open" || title == L"Print")) {
    walk.titles.push_back(title);
    walk.windows.push_back(window);
  }
  return TRUE;
}

// Visible top-level windows of the process titled as Internet Explorer's own windows.
std::vector<std::wstring> BrowserWindows(DWORD pid) {
  BrowserWindowWalk walk{pid, {}, {}};
  ::EnumWindows(&NoteBrowserWindow, reinterpret_cast<LPARAM>(&walk));
  return walk.titles;
}

// Closes them, so that the next key goes to the page again.
void CloseBrowserWindows(DWORD pid) {
  BrowserWindowWalk walk{pid, {}, {}};
  ::EnumWindows(&NoteBrowserWindow, reinterpret_cast<LPARAM>(&walk));
  for (const HWND window : walk.windows) ::PostMessageW(window, WM_CLOSE, 0, 0);
  PumpUntil([pid] { return BrowserWindows(pid).empty(); }, 3000);
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

class PageKeysEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetService();
    ClearRecordedScripts();
  }
  void TearDown() override {
    zel.reset();
    ResetService();
  }
  HWND Start() { return StartShowingWidePage(zel, kPageTimeoutMs); }
  // A click into the page where it has no element, as a user's first click into it.
  static void ClickIntoPage(HWND form) {
    RECT area{};
    ::GetWindowRect(form, &area);
    ASSERT_TRUE(Xdotool({"mousemove", std::to_string(area.right - 30),
                         std::to_string(area.bottom - 12), "click", "1"}));
    ::Sleep(300);
  }

  std::unique_ptr<ZelProcess> zel;
};

// Internet Explorer's new window, Open and Print dialogs and history steps never happen; F5 is
// the program's own reload.
TEST_F(PageKeysEndToEnd, BrowserKeysLeaveTheServicePageInPlaceAndF5ReloadsThroughTheProgram) {
  HWND form = nullptr;
  for (const char* key : {"ctrl+n", "ctrl+o", "ctrl+p", "BackSpace", "alt+Left"}) {
    SCOPED_TRACE(key);
    // Each key on the service page, its focus in the page outside any field.
    if (form == nullptr || PageButtons(form).count("CloseID") == 0) {
      zel.reset();
      form = Start();
      ASSERT_FALSE(HasFailure());
    }
    // A page reached from another one: there is history to step back in.
    const std::set<HWND> before = PageSnapshot(form);
    ASSERT_TRUE(ClickPageElement(form, "AgainID"));
    ASSERT_TRUE(WaitForNewPage(form, "CloseID", before, kPageTimeoutMs));
    ClickIntoPage(form);
    const HWND close = PageButtons(form).at("CloseID");
    ASSERT_TRUE(Xdotool({"key", key}));
    PumpUntil([] { return false; }, 1500);
    EXPECT_EQ(BrowserWindows(zel->Id()), std::vector<std::wstring>{});
    const auto buttons = PageButtons(form);
    EXPECT_TRUE(buttons.count("CloseID") == 1 && buttons.at("CloseID") == close)
        << "the service page was left";
    CloseBrowserWindows(zel->Id());
  }
  ClickIntoPage(form);
  ClearRecordedScripts();
  ASSERT_TRUE(Xdotool({"key", "F5"}));
  EXPECT_TRUE(WaitForScript("window.location.reload(true)", 5000));
}

// Files dropped on a page would replace it: no page of the program takes them, from the start,
// and a file dropped as Explorer drops it (WM_DROPFILES with a DROPFILES block) on each of the
// program's browsers leaves its page in place.
TEST_F(PageKeysEndToEnd, AFileDroppedOnAPageLeavesThePageInPlace) {
  const HWND form = Start();
  ASSERT_FALSE(HasFailure());
  std::vector<std::wstring> accepting;
  for (const HWND window : PageSnapshot(form)) {
    if ((::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0) {
      accepting.push_back(ClassOf(window));
    }
  }
  EXPECT_EQ(accepting, std::vector<std::wstring>{});

  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring file = std::wstring(temp) + L"zel-dropped.html";
  {
    std::ofstream out(win32::Narrow(file), std::ios::binary | std::ios::trunc);
    out << "<html><body><span role=\"button\" id=\"DroppedID\">dropped</span></body></html>";
  }
  const auto dropOnEachBrowser = [&file](HWND window, std::size_t browsers) {
    const std::vector<HWND> views = PageViews(window);
    ASSERT_EQ(views.size(), browsers);
    for (const HWND view : views) {
      SCOPED_TRACE(::IsWindowVisible(view) ? "shown browser" : "hidden browser");
      const std::set<HWND> before = PageSnapshot(view);
      ASSERT_TRUE(DropFileOnPage(view, file));
      PumpUntil([] { return false; }, 1500);
      EXPECT_EQ(PageSnapshot(view), before) << "the page was replaced";
      const std::vector<std::wstring> texts = ChildTexts(view);
      EXPECT_EQ(std::count(texts.begin(), texts.end(), L"dropped [DroppedID]"), 0);
    }
  };
  {
    SCOPED_TRACE("main window");
    dropOnEachBrowser(form, 2);  // the wide and the narrow page
    EXPECT_EQ(PageButtons(form).count("CloseID"), 1u);
  }
  ASSERT_TRUE(ClickPageElement(form, "MiniID"));
  const HWND mini = WaitForProcessWindow(zel->Id(), win32::MiniInputForm::kClassName, L"",
                                         kPageTimeoutMs);
  ASSERT_TRUE(mini && WaitForPageElement(mini, "SearchID", kPageTimeoutMs)) << "no mini page";
  {
    SCOPED_TRACE("mini window");
    dropOnEachBrowser(mini, 1);
    EXPECT_EQ(PageButtons(mini).count("SearchID"), 1u);
  }
  ::DeleteFileW(file.c_str());
}

// Opened from the tray, the page has the keyboard: Tab moves among its elements at once.
TEST_F(PageKeysEndToEnd, TabMovesInsideThePageRightAfterTheTrayOpenedTheWindow) {
  const HWND form = Start();
  ASSERT_FALSE(HasFailure());
  ::ShowWindow(form, SW_HIDE);
  ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(form); }, 5000));
  const HWND tray = WaitForProcessWindow(zel->Id(), win32::TrayIcon::kClassName, L"", 5000);
  ASSERT_NE(tray, nullptr);
  ::PostMessageW(tray, win32::TrayIcon::kCallbackMessage, win32::TrayIcon::kIconId, WM_LBUTTONUP);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(form) != FALSE; }, 5000));
  // The keyboard is in the page, not on the window's frame.
  EXPECT_TRUE(PumpUntil([&] { return ::IsChild(form, FocusOf(form)) != FALSE; }, 3000))
      << "the focus is on \"" << win32::Narrow(ClassOf(FocusOf(form))) << "\"";
  // Without a window manager the X focus stays with the tray: given to the window that came
  // up, as a window manager would on its activation.
  const auto xWindow = reinterpret_cast<std::uintptr_t>(::GetPropW(form, L"__wine_x11_whole_window"));
  ASSERT_NE(xWindow, 0u);
  ASSERT_TRUE(Xdotool({"windowfocus", "--sync", std::to_string(xWindow)}));
  PumpUntil([] { return false; }, 300);
  const std::string focusBefore = win32::Narrow(ClassOf(FocusOf(form)));
  ASSERT_TRUE(Xdotool({"key", "Tab"}));
  std::map<HWND, std::string> elements;
  for (const auto& [id, button] : PageButtons(form)) elements[button] = id;
  EXPECT_TRUE(PumpUntil([&] { return elements.count(FocusOf(form)) == 1; }, 3000))
      << "the focus is on \"" << win32::Narrow(ClassOf(FocusOf(form))) << "\", before Tab on \""
      << focusBefore << "\"";
}

// A link to a new window: another host's address reaches the default browser, the service's
// own opens in the page; no browser window of the control's own either way.
TEST_F(PageKeysEndToEnd, NewWindowLinksGoToTheDefaultBrowserOrOpenInPlace) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring script = std::wstring(temp) + L"zel-default-browser.sh";
  const std::wstring record = std::wstring(temp) + L"zel-default-browser.txt";
  ::DeleteFileW(record.c_str());
  {
    std::ofstream out(win32::Narrow(script), std::ios::binary | std::ios::trunc);
    out << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << UnixPath(record) << "'\n";
  }
  ASSERT_TRUE(RunUnix({"chmod", "+x", UnixPath(script)}));
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers",
                              REG_SZ, win32::Widen(UnixPath(script)).c_str(),
                              static_cast<DWORD>((UnixPath(script).size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  const auto opened = [&record] {
    std::ifstream in(win32::Narrow(record));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };

  const HWND form = Start();
  ASSERT_FALSE(HasFailure());
  ASSERT_TRUE(ClickPageElement(form, "DatasheetID"));
  EXPECT_TRUE(PumpUntil([&] { return !opened().empty(); }, 10000));
  EXPECT_EQ(opened(), "http://vendor.example.org/datasheet.pdf\n");

  ASSERT_TRUE(ClickPageElement(form, "VendorOpenID"));  // window.open
  EXPECT_TRUE(PumpUntil([&] { return opened().find("prices") != std::string::npos; }, 10000));
  EXPECT_EQ(opened(),
            "http://vendor.example.org/datasheet.pdf\nhttp://vendor.example.org/prices\n");

  for (const char* link : {"NewTabID", "OrderOpenID"}) {
    SCOPED_TRACE(link);
    const std::set<HWND> before = PageSnapshot(form);
    ASSERT_TRUE(ClickPageElement(form, link));
    EXPECT_TRUE(WaitForNewPage(form, "CloseID", before, kPageTimeoutMs));
  }
  const std::vector<std::string> paths = RequestedPaths();
  for (const char* path : {"/pcprice/default/index?from=newtab", "/pcprice/default/index?from=open"}) {
    EXPECT_NE(std::find(paths.begin(), paths.end(), path), paths.end()) << path;
  }
  EXPECT_EQ(BrowserWindows(zel->Id()), std::vector<std::wstring>{});
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers");
}

}  // namespace
}  // namespace zel::winetest
