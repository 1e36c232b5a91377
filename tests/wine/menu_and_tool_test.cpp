// The browsers' context menu and the start of the drawing-reading tool, on the real system.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/win32/Win32Util.h"
#include "bridge/win32/ToolLauncher.h"
#include "tests/wine/support/TempFolder.h"
#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelProcess.h"
#include "update/win32/BrowserMenu.h"

namespace zel::winetest {
namespace {

// A plain visible top-level window standing in for the main window.
struct OwnerWindow {
  OwnerWindow()
      : hwnd(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 600, 400,
                               nullptr, nullptr, nullptr, nullptr)) {}
  ~OwnerWindow() { ::DestroyWindow(hwnd); }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  HWND Hwnd() const { return hwnd; }
  HWND hwnd;
};

// ---- The context menu

struct MenuItem {
  std::wstring text;
  bool grayed;
  bool separator;
  bool operator==(const MenuItem& o) const {
    return text == o.text && grayed == o.grayed && separator == o.separator;
  }
};

// What a thread timer saw of the open menu, and the key it then sent.
struct MenuVisit {
  bool found = false;
  POINT topLeft{};
  std::vector<MenuItem> items;
  WPARAM keyMessage = 0;
  WPARAM key = 0;
};
MenuVisit g_visit;

void CALLBACK VisitOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
  const HWND menuWindow = ::FindWindowW(L"#32768", nullptr);
  if (menuWindow == nullptr || !::IsWindowVisible(menuWindow)) return;  // not open yet
  ::KillTimer(nullptr, id);
  g_visit.found = true;
  RECT rc{};
  ::GetWindowRect(menuWindow, &rc);
  g_visit.topLeft = {rc.left, rc.top};
  const auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    // A separator reads as grayed too; only its kind matters.
    const bool separator = (state & MF_SEPARATOR) != 0;
    g_visit.items.push_back({text, !separator && (state & MF_GRAYED) != 0, separator});
  }
  ::PostMessageW(menuWindow, static_cast<UINT>(g_visit.keyMessage), g_visit.key, 0);
}

BrowserMenuCommand PopupAndPress(HWND owner, POINT at, BrowserMenuStates states, UINT keyMessage,
                                 WPARAM key) {
  g_visit = MenuVisit{};
  g_visit.keyMessage = keyMessage;
  g_visit.key = key;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &VisitOpenMenu);
  win32::Win32BrowserMenu menu(owner);
  const BrowserMenuCommand chosen = menu.Popup(at.x, at.y, states);
  ::KillTimer(nullptr, timer);
  return chosen;
}

TEST(BrowserMenu, OpensAtTheClickPointWithItsItemsAndReturnsTheChoice) {
  OwnerWindow owner;
  ::SetForegroundWindow(owner.Hwnd());
  const struct {
    BrowserMenuStates states;
    UINT keyMessage;
    WPARAM key;
    BrowserMenuCommand chosen;
  } cases[] = {
      {{false, true}, WM_CHAR, 'r', BrowserMenuCommand::Refresh},
      {{true, false}, WM_CHAR, 't', BrowserMenuCommand::Close},
      {{true, true}, WM_CHAR, 'c', BrowserMenuCommand::Copy},
      {{false, false}, WM_KEYDOWN, VK_ESCAPE, BrowserMenuCommand::None},
  };
  for (const auto& c : cases) {
    const POINT at{300, 250};
    EXPECT_EQ(PopupAndPress(owner.Hwnd(), at, c.states, c.keyMessage, c.key), c.chosen)
        << "key " << c.key;
    ASSERT_TRUE(g_visit.found) << "no menu window";
    EXPECT_EQ(g_visit.topLeft.x, at.x);
    EXPECT_EQ(g_visit.topLeft.y, at.y);
    const std::vector<MenuItem> expected = {
        {L"复制(&C)", !c.states.copyEnabled, false},
        {L"粘贴(&P)", !c.states.pasteEnabled, false},
        {L"刷新(&R)", false, false},
        {L"", false, true},
        {L"退出(&T)", false, false},
    };
    std::string seen;
    for (const MenuItem& item : g_visit.items) {
      seen += win32::Narrow(item.text) + (item.grayed ? " grayed" : "") +
              (item.separator ? " separator" : "") + "; ";
    }
    EXPECT_TRUE(g_visit.items == expected) << "key " << c.key << ": " << seen;
  }
}

// ---- The drawing-reading tool

std::string ReadFile(const std::string& path) {
  std::ifstream file(win32::Widen(path).c_str(), std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

TEST(ToolLauncher, StartsTheToolFromAFolderWithBlanksShownNormally) {
  const TempFolder folder("Brix Zel Tools");
  const std::string tool = folder / "Drawscan.exe";
  ASSERT_TRUE(::CopyFileW(win32::Widen(BuiltProgram("drawscan.exe")).c_str(),
                          win32::Widen(tool).c_str(), FALSE));
  win32::Win32ToolLauncher launcher;
  EXPECT_TRUE(launcher.FileExists(tool));
  EXPECT_FALSE(launcher.FileExists(folder.Path()));
  EXPECT_FALSE(launcher.FileExists(folder / "Missing.exe"));

  const std::string commandLine = "\"" + tool + "\" EXWINNER";
  launcher.Start(commandLine);
  const std::string record = folder / "started.txt";
  ASSERT_TRUE(PumpUntil([&] { return FileExists(record); }, 10000)) << "the tool did not run";
  EXPECT_EQ(ReadFile(record), commandLine + "\n" + std::to_string(SW_SHOWNORMAL) + "\n");

  // The failure names the call and where it was made, as the log shows it.
  try {
    launcher.Start("\"" + folder / "Missing.exe" + "\" EXWINNER");
    ADD_FAILURE() << "a missing tool started";
  } catch (const win32::Win32Error& e) {
    EXPECT_EQ(e.Code(), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(std::string(e.what()).rfind(
                  "CreateProcessW failed (0x00000002) at ProcessLauncher.cpp:", 0),
              0u)
        << e.what();
  }
  // The tool ends by itself; the folder goes once it has.
  EXPECT_TRUE(PumpUntil([&] { return ::DeleteFileW(win32::Widen(tool).c_str()) != FALSE; }, 5000));
}

}  // namespace
}  // namespace zel::winetest
