// The notification-area icon: its callbacks, its menu, and its return after a shell restart.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "app/Startup.h"
#include "app/win32/Win32Util.h"
#include "shell/win32/MainForm.h"
#include "shell/win32/TrayIcon.h"
#include "tests/wine/support/ZelForm.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {
namespace {

using win32::TrayIcon;

const std::wstring kTitle = win32::Widen(kAppTitle);

// Whether the shell knows the icon of that window: only a known icon can be modified.
bool IconPresent(HWND trayWindow) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = trayWindow;
  data.uID = TrayIcon::kIconId;
  data.uFlags = NIF_TIP;
  wcscpy(data.szTip, L"probe");
  return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void DeleteIcon(HWND trayWindow) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = trayWindow;
  data.uID = TrayIcon::kIconId;
  ::Shell_NotifyIconW(NIM_DELETE, &data);
}

void BroadcastTaskbarCreated() {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0,
                        SMTO_ABORTIFHUNG, 3000, &ignored);
}

void PostTrayMouse(HWND trayWindow, UINT mouseMessage) {
  ::PostMessageW(trayWindow, TrayIcon::kCallbackMessage, TrayIcon::kIconId, mouseMessage);
}

// ---- The tray icon on the window logic of this process

// What the open tray menu showed, read from inside its modal loop.
std::vector<std::wstring> gMenuItems;
RECT gMenuRect;

void CALLBACK ReadAndCloseMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND menuWindow = ::FindWindowW(L"#32768", nullptr);
  if (menuWindow == nullptr || !::IsWindowVisible(menuWindow)) return;
  ::KillTimer(nullptr, timer);
  ::GetWindowRect(menuWindow, &gMenuRect);
  const HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, 0x01E1, 0, 0));
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(i), text, ARRAYSIZE(text), MF_BYPOSITION);
    gMenuItems.push_back(text);
  }
  ::EndMenu();
}

TEST(TrayIconInProcess, ClicksAndMenuReachTheMainWindow) {
  ZelFormHarness h;
  h.CreateAndShow();
  const HWND tray = h.tray.Handle();
  // Added once the message loop runs.
  EXPECT_TRUE(PumpUntil([&] { return IconPresent(tray); }, 3000));

  // Left click: the hidden window comes back.
  h.window.Hide();
  PostTrayMouse(tray, WM_LBUTTONUP);
  EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(h.window.Hwnd()) != FALSE; }, 3000));

  // Right click: the menu opens with its right edge at the mouse.
  ::SetCursorPos(700, 500);
  gMenuItems.clear();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadAndCloseMenu);
  PostTrayMouse(tray, WM_RBUTTONUP);
  PumpUntil([] { return !gMenuItems.empty(); }, 5000);
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(gMenuItems, (std::vector<std::wstring>{L"打开主界面", L"退出"}));
  EXPECT_EQ(gMenuRect.right, 700);

  // The menu's commands.
  h.window.Hide();
  ::PostMessageW(tray, WM_COMMAND, TrayIcon::kOpenMainCommand, 0);
  EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(h.window.Hwnd()) != FALSE; }, 3000));
  ::PostMessageW(tray, WM_COMMAND, TrayIcon::kCloseMainCommand, 0);
  EXPECT_TRUE(h.RunLoop(5000)) << "退出 ends the program";
  EXPECT_TRUE(h.globals.IsClosing);
}

TEST(TrayIconInProcess, ComesBackWhenTheTaskbarIsCreatedAgainAndGoesAtSessionEnd) {
  ZelFormHarness h;
  const HWND tray = h.tray.Handle();
  ASSERT_TRUE(PumpUntil([&] { return IconPresent(tray); }, 3000));
  DeleteIcon(tray);  // as a crashed shell forgets it
  ASSERT_FALSE(IconPresent(tray));
  BroadcastTaskbarCreated();
  EXPECT_TRUE(IconPresent(tray));

  EXPECT_EQ(::SendMessageW(tray, WM_QUERYENDSESSION, 0, 0), 1);
  ::SendMessageW(tray, WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(IconPresent(tray));
}

// ---- Zel.exe's own icon

TEST(ZelTrayIcon, IsThereAndItsMenuEndsTheProgram) {
  ZelProcess zel(ServiceArguments());
  const HWND form = WaitForProcessWindow(zel.Id(), win32::MainForm::kClassName, kTitle, 20000);
  ASSERT_NE(form, nullptr);
  const HWND tray = WaitForProcessWindow(zel.Id(), TrayIcon::kClassName, L"", 5000);
  ASSERT_NE(tray, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return IconPresent(tray); }, 3000));

  // The icon survives a shell restart.
  DeleteIcon(tray);
  ASSERT_FALSE(IconPresent(tray));
  BroadcastTaskbarCreated();
  EXPECT_TRUE(PumpUntil([&] { return IconPresent(tray); }, 3000));

  // Left click brings back the hidden window.
  ::ShowWindow(form, SW_HIDE);
  ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(form); }, 3000));
  PostTrayMouse(tray, WM_LBUTTONUP);
  EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(form) != FALSE; }, 3000));

  // Right click opens the menu; "退出" (the last item) ends the program and takes the icon.
  PostTrayMouse(tray, WM_RBUTTONUP);
  HWND menu = WaitForProcessWindow(zel.Id(), L"#32768", L"", 5000);
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(menu) != FALSE; }, 3000));
  ::PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
  ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  DWORD code = 99;
  ASSERT_TRUE(zel.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(IconPresent(tray));
}

}  // namespace
}  // namespace zel::winetest
