// Zel.exe as built, on a screen of 144 pixels per inch (its own test bed): the windows keep
// their look at one and a half times the pixels, and every page is zoomed to match.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "app/win32/Win32Util.h"
#include "bridge/win32/MiniInputForm.h"
#include "shell/win32/MainForm.h"
#include "update/win32/UpdateInfo.h"
#include "tests/wine/support/StandInPage.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {
namespace {

using Bounds = std::array<LONG, 4>;  // left, top, width, height

constexpr DWORD kPageTimeoutMs = 20000;

Bounds WindowBounds(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

int ScreenDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

// Every zoom asked for so far is 150 %, and there is at least one more than before.
bool ZoomedAgain(std::size_t before) {
  const std::vector<std::string> zooms = RecordedZooms();
  return zooms.size() > before && zooms == std::vector<std::string>(zooms.size(), "150");
}

TEST(HighDpi, TheWindowsScaleAndThePagesZoomByOneAndAHalf) {
  ASSERT_EQ(ScreenDpi(), 144) << "the test bed's screen";
  const LONG width = ::GetSystemMetrics(SM_CXSCREEN);
  const LONG height = ::GetSystemMetrics(SM_CYSCREEN);
  ClearRecordedScripts();
  ResetService();
  ZelProcess zel(ServiceArguments());
  const HWND form = WaitForProcessWindow(zel.Id(), win32::MainForm::kClassName,
                                         win32::Widen(kAppTitle), kPageTimeoutMs);
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(WaitForPageElement(form, "CloseID", kPageTimeoutMs));
  // 900 x 600 at 150 %, centred on the primary screen.
  EXPECT_EQ(WindowBounds(form), (Bounds{(width - 1350) / 2, (height - 900) / 2, 1350, 900}));
  EXPECT_TRUE(PumpUntil([] { return ZoomedAgain(0); }, 5000))
      << ::testing::PrintToString(RecordedZooms());

  // The narrow layout: 360 x 670 at its first place, both scaled.
  std::set<HWND> before = PageSnapshot(form);
  std::size_t zooms = RecordedZooms().size();
  ASSERT_TRUE(ClickPageElement(form, "HVID"));
  EXPECT_TRUE(PumpUntil(
      [&] { return WindowBounds(form) == Bounds{width - 540 - 75, 30, 540, 1005}; }, 5000))
      << ::testing::PrintToString(WindowBounds(form));
  EXPECT_TRUE(WaitForNewPage(form, "QueryPriceID", before, kPageTimeoutMs));
  EXPECT_TRUE(PumpUntil([&] { return ZoomedAgain(zooms); }, 5000))
      << ::testing::PrintToString(RecordedZooms());

  // The mini window: 290 x 60 at 150 %, at its first place scaled too.
  zooms = RecordedZooms().size();
  ASSERT_TRUE(ClickPageElement(form, "MiniID"));
  HWND mini = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        const auto found = ProcessWindows(zel.Id(), win32::MiniInputForm::kClassName);
        mini = found.empty() ? nullptr : found.front();
        return mini != nullptr && ::IsWindowVisible(mini);
      },
      kPageTimeoutMs));
  EXPECT_TRUE(WaitForPageElement(mini, "SearchID", kPageTimeoutMs));
  EXPECT_EQ(WindowBounds(mini), (Bounds{width - 435 - 75, 150, 435, 90}));
  EXPECT_TRUE(PumpUntil([&] { return ZoomedAgain(zooms); }, 5000))
      << ::testing::PrintToString(RecordedZooms());
}

// The update dialog is laid out by the program: 328 x 191 with its memo above a 41-pixel
// strip, at one and a half times the pixels.
TEST(HighDpi, TheUpdateDialogIsLaidOutAtItsOwnersScale) {
  const HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100,
                                       700, 500, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  {
    win32::TfrmUpdateInfo form(owner, {"1. notes"});
    RECT client{}, memo{};
    ::GetClientRect(form.Handle(), &client);
    ::GetClientRect(::GetDlgItem(form.Handle(), win32::TfrmUpdateInfo::kMemoId), &memo);
    EXPECT_EQ(client.right, 492);
    EXPECT_EQ(client.bottom, 287);
    EXPECT_EQ(memo.right, 492);
    EXPECT_EQ(memo.bottom, 287 - 62);
  }
  ::DestroyWindow(owner);
}

}  // namespace
}  // namespace zel::winetest
