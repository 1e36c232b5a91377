// Single instance: a later start hands over to the running window, or tells the user.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>

#include "app/Startup.h"
#include "app/win32/Owners.h"
#include "shell/win32/MainForm.h"
#include "tests/wine/support/StandInPage.h"
#include "tests/wine/support/ZelForm.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {
namespace {

const std::wstring kTitle = win32::Widen(kAppTitle);
const std::wstring kAlreadyOpen = win32::Widen(kAlreadyOpenMessage);

struct LaterRun {
  bool ended = false;
  DWORD exitCode = 0;
  std::vector<std::wstring> boxTexts;  // the texts of every box it showed
  bool madeMainWindow = false;
};

// Starts Zel.exe and lets it run to its end, pumping this thread's messages (the hand-over may
// be addressed to a window of this process) and answering each of its boxes with OK.
LaterRun RunLaterInstance() {
  ZelProcess zel(ServiceArguments());
  LaterRun run;
  std::set<HWND> seen;
  run.ended = PumpUntil(
      [&] {
        for (const HWND box : ProcessWindows(zel.Id(), L"#32770", kTitle)) {
          if (!::IsWindowVisible(box) || !seen.insert(box).second) continue;
          for (const auto& text : ChildTexts(box)) {
            if (!text.empty() && text != L"OK" && text != L"确定") run.boxTexts.push_back(text);
          }
          ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        if (!ProcessWindows(zel.Id(), win32::MainForm::kClassName).empty()) {
          run.madeMainWindow = true;
        }
        return !zel.Running();
      },
      20000);
  if (run.ended) zel.WaitForExit(0, &run.exitCode);
  return run;
}

void WriteInstanceHandle(UINT_PTR handle) {
  ASSERT_TRUE(::WritePrivateProfileStringW(L"Zel", L"ZelHandle", std::to_wstring(handle).c_str(),
                                           InstanceFilePath().c_str()));
}

// Holds the instance mutex, as a running first instance does.
class FirstInstanceMark {
 public:
  FirstInstanceMark() : mutex_(::CreateMutexW(nullptr, TRUE, L"BrixmoorZel")) {
    alreadyThere_ = ::GetLastError() == ERROR_ALREADY_EXISTS;
  }
  ~FirstInstanceMark() { ::ReleaseMutex(mutex_.get()); }
  bool AlreadyThere() const { return alreadyThere_; }

 private:
  win32::UniqueHandleObj mutex_;
  bool alreadyThere_ = false;
};

TEST(LaterInstance, HandsOverToTheRunningWindowWhichAnswersByItsPage) {
  struct Case {
    const char* pinState;  // nullptr: the page has no pin_state, the hand-over fails
    bool box;
  } const cases[] = {{"0", false}, {"1", false}, {nullptr, true}};
  for (const auto& c : cases) {
    const std::string label = c.pinState ? c.pinState : "missing";
    ZelFormHarness h;
    h.CreateAndShow();
    h.window.Hide();
    h.wb1.LoadPage("http://x/pcprice/default/index");
    if (c.pinState != nullptr) h.wb1.variables["pin_state"] = c.pinState;
    const FirstInstanceMark mark;
    ASSERT_FALSE(mark.AlreadyThere()) << "a Zel.exe is still running";
    WriteInstanceHandle(reinterpret_cast<UINT_PTR>(h.window.Hwnd()));

    const LaterRun run = RunLaterInstance();
    ASSERT_TRUE(run.ended) << label;
    EXPECT_EQ(run.exitCode, 0u) << label;
    EXPECT_FALSE(run.madeMainWindow) << label;
    EXPECT_TRUE(::IsWindowVisible(h.window.Hwnd())) << label << ": brought forward";
    if (c.box) {
      EXPECT_EQ(run.boxTexts, std::vector<std::wstring>{kAlreadyOpen}) << label;
    } else {
      EXPECT_TRUE(run.boxTexts.empty()) << label;
    }
    h.form->AppClose();
  }
}

TEST(LaterInstance, TellsTheUserWhenTheInstanceFileNamesNoLiveWindow) {
  // A window that existed once: its handle is stale now.
  HWND dead = ::CreateWindowExW(0, L"STATIC", L"gone", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(dead, nullptr);
  ::DestroyWindow(dead);
  for (const UINT_PTR handle : {UINT_PTR{0}, reinterpret_cast<UINT_PTR>(dead)}) {
    const FirstInstanceMark mark;
    ASSERT_FALSE(mark.AlreadyThere());
    WriteInstanceHandle(handle);
    const LaterRun run = RunLaterInstance();
    ASSERT_TRUE(run.ended) << handle;
    EXPECT_EQ(run.exitCode, 0u) << handle;
    EXPECT_EQ(run.boxTexts, std::vector<std::wstring>{kAlreadyOpen}) << handle;
    EXPECT_FALSE(run.madeMainWindow) << handle;
  }
}

TEST(LaterInstance, SecondZelBringsTheFirstForwardAndEnds) {
  // A page without pin_state: the running one has nothing to answer by. (With the variable the
  // hand-over is silent; the browser's end-to-end test starts Zel.exe that way.)
  SetServicePage({{"omit", "pin_state"}});
  ZelProcess first(ServiceArguments());
  const HWND form = WaitForProcessWindow(first.Id(), win32::MainForm::kClassName, kTitle, 20000);
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(WaitForPageElement(form, "CloseID", 20000));
  ASSERT_TRUE(PumpUntil(
      [&] {
        return ::GetPrivateProfileIntW(L"Zel", L"ZelHandle", 0, InstanceFilePath().c_str()) ==
               static_cast<UINT>(reinterpret_cast<UINT_PTR>(form));
      },
      5000));
  ::ShowWindow(form, SW_HIDE);
  ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(form); }, 5000));

  const LaterRun run = RunLaterInstance();
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_FALSE(run.madeMainWindow);
  EXPECT_TRUE(::IsWindowVisible(form)) << "the first instance came forward";
  EXPECT_TRUE(first.Running());
  // The running one cannot read pin_state: its answer stays 0 and the later start tells the
  // user.
  EXPECT_EQ(run.boxTexts, std::vector<std::wstring>{kAlreadyOpen});
  DWORD_PTR answer = 1;
  ASSERT_TRUE(::SendMessageTimeoutW(form, ::RegisterWindowMessageW(L"Zel_Notify"), 0, 0,
                                    SMTO_NORMAL, 5000, &answer));
  EXPECT_EQ(answer, 0u);
  ResetService();
}

}  // namespace
}  // namespace zel::winetest
