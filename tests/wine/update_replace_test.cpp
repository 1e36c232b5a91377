// The self-replacement against the real system: the update dialog answered by a click, the
// script written in the system code page and run by the command interpreter, and the
// signature rule over executables signed here.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <thread>

#include "app/win32/Win32Util.h"
#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeUpdate.h"
#include "tests/wine/support/TempFolder.h"
#include "tests/wine/support/UpdateBytes.h"
#include "tests/wine/support/UpdateSigning.h"
#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelProcess.h"
#include "update/UpdateText.h"
#include "update/win32/OneShotTimer.h"
#include "update/win32/ProcessStarter.h"
#include "update/win32/SignatureCheck.h"
#include "update/win32/UpdateFiles.h"
#include "update/win32/UpdateInfo.h"

namespace zel {
namespace {

using namespace zel::win32;
using namespace zel::winetest;

enum class Click { Ok, Cancel, CloseBox };

RECT RectIn(HWND window, HWND parent) {
  RECT r{};
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string Text(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// Waits on a thread of its own for the dialog, notes what a person would see, then answers.
class DialogDriver {
 public:
  DialogDriver(HWND owner, Click click) : thread_([this, owner, click] { Run(owner, click); }) {}
  ~DialogDriver() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

  bool found = false;
  std::wstring memo, ok, cancel;
  std::string client, panel, okRect, cancelRect;
  bool memoEnabled = true, memoScrolls = true, ownerEnabled = true, okFocused = false;
  bool okFirst = false;
  int offCentre = 99;

 private:
  void Run(HWND owner, Click click) {
    HWND dialog = nullptr;
    // Only once it shows, as a person would see it.
    for (int i = 0; i < 200 && dialog == nullptr; ++i, ::Sleep(50)) {
      dialog = ::FindWindowW(TfrmUpdateInfo::kClassName, L"系统升级");
      if (dialog != nullptr && !::IsWindowVisible(dialog)) dialog = nullptr;
    }
    if (dialog == nullptr) return;
    found = true;
    const HWND memoBox = ::GetDlgItem(dialog, TfrmUpdateInfo::kMemoId);
    const HWND strip = ::FindWindowExW(dialog, nullptr, TfrmUpdateInfo::kPanelClassName, nullptr);
    const HWND okButton = ::GetDlgItem(strip, TfrmUpdateInfo::kOkId);
    const HWND cancelButton = ::GetDlgItem(strip, TfrmUpdateInfo::kCancelId);
    memo = WindowText(memoBox);
    ok = WindowText(okButton);
    cancel = WindowText(cancelButton);
    RECT r{};
    ::GetClientRect(dialog, &r);
    client = Text(r);
    panel = Text(RectIn(strip, dialog));
    okRect = Text(RectIn(okButton, strip));
    cancelRect = Text(RectIn(cancelButton, strip));
    memoEnabled = ::IsWindowEnabled(memoBox) != FALSE;
    memoScrolls = (::GetWindowLongW(memoBox, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL | WS_BORDER |
                                                           ES_AUTOHSCROLL)) != 0;
    ownerEnabled = ::IsWindowEnabled(owner) != FALSE;
    okFirst = ::GetWindow(strip, GW_CHILD) == okButton &&
              ::GetWindow(okButton, GW_HWNDNEXT) == cancelButton;
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    okFocused = ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &gui) &&
                gui.hwndFocus == okButton;
    RECT d{}, o{};
    ::GetWindowRect(dialog, &d);
    ::GetWindowRect(owner, &o);
    offCentre = std::abs((d.left + d.right) - (o.left + o.right)) +
                std::abs((d.top + d.bottom) - (o.top + o.bottom));
    switch (click) {
      case Click::Ok: ::SendMessageW(okButton, BM_CLICK, 0, 0); break;
      case Click::Cancel: ::SendMessageW(cancelButton, BM_CLICK, 0, 0); break;
      case Click::CloseBox: ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    }
  }

  std::thread thread_;
};

struct UpdateReplace : ::testing::Test {
  UpdateReplace() {
    ::OleInitialize(nullptr);
    SetLogEnvironment(&logs, &clock);
    owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 150, 120, 700, 500,
                              nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  ~UpdateReplace() override {
    ::DestroyWindow(owner);
    SetLogEnvironment(nullptr, nullptr);
    ::OleUninitialize();
  }

  fakes::FakeLogFileSystem logs;
  fakes::FakeClock clock;
  HWND owner = nullptr;
};

TEST_F(UpdateReplace, DialogShowsTheNotesAndTellsWhichWayItWasLeft) {
  const struct {
    Click click;
    UpdateAnswer answer;
  } cases[] = {{Click::Ok, UpdateAnswer::Accepted},
               {Click::Cancel, UpdateAnswer::Declined},
               {Click::CloseBox, UpdateAnswer::Closed}};
  Win32UpdateDialog dialog(owner);
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.click));
    DialogDriver driver(owner, c.click);
    EXPECT_EQ(dialog.ShowModal({"1. 修复插入问题", "", "2. Faster start"}), c.answer);
    driver.Join();
    ASSERT_TRUE(driver.found);
    EXPECT_EQ(driver.memo, L"1. 修复插入问题\r\n\r\n2. Faster start");
    EXPECT_EQ(driver.ok, L"确定");
    EXPECT_EQ(driver.cancel, L"取消");
    EXPECT_EQ(driver.client, "0,0 328x191");
    EXPECT_EQ(driver.panel, "0,150 328x41");
    EXPECT_EQ(driver.okRect, "144,8 75x25");
    EXPECT_EQ(driver.cancelRect, "240,8 75x25");
    EXPECT_FALSE(driver.memoEnabled);
    EXPECT_FALSE(driver.memoScrolls);
    EXPECT_TRUE(driver.okFirst);
    EXPECT_TRUE(driver.okFocused);
    EXPECT_FALSE(driver.ownerEnabled);
    EXPECT_LE(driver.offCentre, 2);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(::FindWindowW(TfrmUpdateInfo::kClassName, nullptr), nullptr);
  }
}

// The real files, dialog and command interpreter in a temporary folder with blanks and Chinese
// characters in its path; the main window is a fake that records what is asked of it.
TEST_F(UpdateReplace, CancelKeepsTheDownloadsAndOkReplacesTheProgramForReal) {
  TempFolder temp("zel 更新");
  ::SetEnvironmentVariableW(L"TMP", Widen(temp.Path()).c_str());
  const std::string folder = temp / "ZelDownLoad\\";
  const std::string exe = temp / "app dir\\ZelOld.exe";
  const std::string mark = temp / "mark.txt";
  ::SetEnvironmentVariableW(L"ZEL_UPDATE_MARK", Widen(mark).c_str());
  ::CreateDirectoryW(Widen(folder).c_str(), nullptr);
  ::CreateDirectoryW(Widen(temp / "app dir").c_str(), nullptr);
  WriteBytes(exe, "old");
  WriteBytes(folder + "version.txt", "3.0.1.0");
  WriteBytes(folder + "updateInfo.txt", ToAnsi("新版本"));
  ASSERT_TRUE(::CopyFileW(Widen(BuiltProgram("zelnext.exe")).c_str(),
                          Widen(folder + "Zel_3.0.1.0.exe").c_str(), FALSE));

  TGlobals globals;
  Win32UpdateFiles files;
  fakes::FakeUpdateFiles unused;
  fakes::FakeDownloader downloader(unused);
  Win32ProcessStarter processes;
  Win32UpdateDialog dialog(owner);
  Win32SignatureCheck signatures;
  Win32OneShotTimer timer;
  fakes::FakeUpdateOwner main;
  main.exe = exe;
  TUpdateCheck check(globals, {downloader, files, processes, dialog, signatures, timer}, main);
  check.DownloadFolder = folder;
  check.UpdateInfoFile = folder + "updateInfo.txt";
  check.SetupFile = folder + "Zel_3.0.1.0.exe";
  const std::string batch = temp / "ZelDownLoad.bat";

  const struct {
    Click click;
    bool pinned;
    std::vector<std::string> calls;
  } declined[] = {{Click::Cancel, true, {"notopmost", "topmost"}},
                  {Click::CloseBox, false, {"notopmost"}}};
  for (const auto& c : declined) {
    SCOPED_TRACE(static_cast<int>(c.click));
    globals.IsTopMost = c.pinned;
    main.calls.clear();
    const DialogDriver driver(owner, c.click);
    check.DeleteSelf();
    EXPECT_EQ(main.calls, c.calls);
    EXPECT_FALSE(FileExists(batch));
    EXPECT_TRUE(FileExists(check.SetupFile) && FileExists(check.UpdateInfoFile));
  }

  main.calls.clear();
  {
    const DialogDriver driver(owner, Click::Ok);
    check.DeleteSelf();
  }
  EXPECT_EQ(main.calls, (std::vector<std::string>{"notopmost", "close"}));
  std::string expected;
  for (const auto& line : UpdateScriptLines({exe, check.SetupFile, check.UpdateInfoFile, folder,
                                             batch})) {
    expected += ToAnsi(line) + "\r\n";
  }
  const std::string script = ReadBytes(batch);
  EXPECT_EQ(script, expected);
  EXPECT_EQ(script.find('?'), std::string::npos);

  // The script runs on: the new program stands at the old path and runs; the rest is gone.
  std::string started;
  const bool done = PumpUntil([&] {
    // Read only once the new program has closed its mark.
    started = ReadBytes(mark);
    return started != "<missing>" && !started.empty() && !FileExists(batch) && !FileExists(folder);
  }, 30000);
  EXPECT_TRUE(done) << "mark " << started.size() << ", script " << FileExists(batch)
                    << ", folder " << FileExists(folder) << ", log " << logs.Messages().size();
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(started.data()), started.size() / 2),
            Widen(exe));
  EXPECT_EQ(files.FileVersion(exe), "3.0.1.0");
  ::SetEnvironmentVariableW(L"TMP", nullptr);
  ::SetEnvironmentVariableW(L"ZEL_UPDATE_MARK", nullptr);
}

TEST(UpdateSignature, SignedProgramTakesOnlyAValidSignatureOfItsPublisher) {
  const UpdateSigning signing(Env("ZEL_BIN") + "/zelnext.exe");
  if (signing.Problem().rfind("openssl or", 0) == 0) GTEST_SKIP() << signing.Problem();
  ASSERT_EQ(signing.Problem(), "");
  Win32SignatureCheck check;
  const Signature running = check.Inspect(signing.File("runningA.exe"));
  EXPECT_EQ(running.state, SignatureState::Valid);
  EXPECT_NE(running.subject.find("CN=Zel Test Publisher A"), std::string::npos) << running.subject;
  const struct {
    const char* file;
    SignatureState state;
    bool trusted;
  } cases[] = {
      {"nextA.exe", SignatureState::Valid, true},
      {"nextB.exe", SignatureState::Valid, false},
      {"brokenA.exe", SignatureState::Invalid, false},
      {"plain.exe", SignatureState::Unsigned, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Signature candidate = check.Inspect(signing.File(c.file));
    EXPECT_EQ(candidate.state, c.state);
    EXPECT_EQ(IsTrustedReplacement(running, candidate), c.trusted) << candidate.subject;
    // An unsigned program takes any of them.
    EXPECT_TRUE(IsTrustedReplacement(check.Inspect(signing.File("plain.exe")), candidate));
  }
}

}  // namespace
}  // namespace zel
