// The self-replacement against the real system: the update dialog answered by a click, the
// script written in the system code page and run by the command interpreter, and the
// signature rule over executables signed here.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <thread>

#include "app/win32/Owners.h"
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

// "x,y wxh" of a window within another.
std::string Place(HWND window, HWND within) {
  RECT r{};
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, within, reinterpret_cast<POINT*>(&r), 2);
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// Waits on a thread of its own for the dialog to show, writes down what a person would see
// (as one text), then answers it.
class DialogDriver {
 public:
  DialogDriver(HWND owner, Click click) : thread_([this, owner, click] { Run(owner, click); }) {}
  ~DialogDriver() { thread_.join(); }
  std::wstring seen;

 private:
  void Run(HWND owner, Click click) {
    HWND dialog = nullptr;
    for (int i = 0; i < 200 && dialog == nullptr; ++i, ::Sleep(50)) {
      dialog = ::FindWindowW(TfrmUpdateInfo::kClassName, L"系统升级");
      if (dialog != nullptr && !::IsWindowVisible(dialog)) dialog = nullptr;
    }
    if (dialog == nullptr) return;
    const HWND memo = ::GetDlgItem(dialog, TfrmUpdateInfo::kMemoId);
    const HWND strip = ::FindWindowExW(dialog, nullptr, TfrmUpdateInfo::kPanelClassName, nullptr);
    const HWND ok = ::GetDlgItem(strip, TfrmUpdateInfo::kOkId);
    const HWND cancel = ::GetDlgItem(strip, TfrmUpdateInfo::kCancelId);
    // Shown a moment before the focus lands, on a busy machine.
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    for (int i = 0; i < 40; ++i, ::Sleep(50)) {
      ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &gui);
      if (gui.hwndFocus != nullptr) break;
    }
    RECT d{}, o{}, client{};
    ::GetWindowRect(dialog, &d);
    ::GetWindowRect(owner, &o);
    ::GetClientRect(dialog, &client);
    const bool centred = std::abs(d.left + d.right - o.left - o.right) +
                             std::abs(d.top + d.bottom - o.top - o.bottom) <= 2;
    const LONG bare = WS_VSCROLL | WS_HSCROLL | WS_BORDER | ES_AUTOHSCROLL;
    const std::string flags =
        std::string(::IsWindowEnabled(memo) ? "memo enabled" : "memo disabled") +
        ((::GetWindowLongW(memo, GWL_STYLE) & bare) ? ", scrolls" : "") +
        (::IsWindowEnabled(owner) ? ", owner enabled" : "") +
        (gui.hwndFocus == ok ? ", OK focused" : "") +
        (::GetWindow(ok, GW_HWNDNEXT) == cancel ? ", then Cancel" : "") +
        (centred ? ", centred" : "");
    seen = WindowText(memo) + L"|" + WindowText(ok) + L"|" + WindowText(cancel) + L"|" +
           Widen(std::to_string(client.right) + "x" + std::to_string(client.bottom) + "|" +
                 Place(strip, dialog) + "|" + Place(ok, strip) + "|" + Place(cancel, strip) + "|" +
                 flags);
    switch (click) {
      case Click::Ok: ::SendMessageW(ok, BM_CLICK, 0, 0); break;
      case Click::Cancel: ::SendMessageW(cancel, BM_CLICK, 0, 0); break;
      case Click::CloseBox: ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    }
  }

  std::thread thread_;
};

// The real files, dialog and command interpreter in a temporary folder with blanks and Chinese
// characters in its path; the main window is a fake that records what is asked of it.
TEST(UpdateReplace, CancelKeepsTheDownloadsAndOkReplacesTheProgramForReal) {
  ::OleInitialize(nullptr);
  fakes::FakeLogFileSystem logs;
  fakes::FakeClock clock;
  SetLogEnvironment(&logs, &clock);
  const HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 150, 120,
                                       700, 500, nullptr, nullptr, nullptr, nullptr);
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
  WriteBytes(folder + "updateInfo.txt", ToAnsi("1. 修复插入问题\r\n\r\n2. Faster start"));
  ASSERT_TRUE(::CopyFileW(Widen(BuiltProgram("zelnext.exe")).c_str(),
                          Widen(folder + "Zel_3.0.1.0.exe").c_str(), FALSE));
  // The checked copy that the check leaves beside the program.
  ASSERT_TRUE(::CopyFileW(Widen(BuiltProgram("zelnext.exe")).c_str(), Widen(exe + ".new").c_str(),
                          FALSE));

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
  } cases[] = {{Click::Cancel, true, {"notopmost", "topmost"}},
               {Click::CloseBox, false, {"notopmost"}},
               {Click::Ok, false, {"notopmost", "close"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.click));
    globals.IsTopMost = c.pinned;
    main.calls.clear();
    std::wstring seen;
    {
      const DialogDriver driver(owner, c.click);
      check.DeleteSelf();
      seen = driver.seen;
    }
    EXPECT_EQ(seen,
              L"1. 修复插入问题\r\n\r\n2. Faster start|确定|取消|328x191|0,150 328x41|144,8 75x25|"
              L"240,8 75x25|memo disabled, OK focused, then Cancel, centred");
    EXPECT_EQ(main.calls, c.calls);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(check.UpdateAccepted, c.click == Click::Ok);
    if (c.click == Click::Ok) break;
    EXPECT_FALSE(FileExists(batch));
    EXPECT_TRUE(FileExists(check.SetupFile) && FileExists(check.UpdateInfoFile));
  }

  // Here the console's code page is the ANSI one (936), as on every Chinese system.
  std::string expected;
  for (const auto& line :
       UpdateScriptLines({exe, processes.SystemFolder(), "ZelDownLoad.bat"})) {
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
    return started != "<missing>" && !started.empty() && !FileExists(batch) &&
           !FileExists(folder);
  }, 30000);
  EXPECT_TRUE(done) << "mark " << started.size() << ", script " << FileExists(batch)
                    << ", folder " << FileExists(folder) << ", log " << logs.Messages().size();
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(started.data()), started.size() / 2),
            Widen(exe));
  EXPECT_EQ(files.GetFileVersion(exe), "3.0.1.0");
  EXPECT_FALSE(FileExists(exe + ".new") || FileExists(exe + ".old"));
  ::SetEnvironmentVariableW(L"TMP", nullptr);
  ::SetEnvironmentVariableW(L"ZEL_UPDATE_MARK", nullptr);
  ::DestroyWindow(owner);
  SetLogEnvironment(nullptr, nullptr);
  ::OleUninitialize();
}

// Writes the script for the program and starts it as the check does.
void RunScript(const std::string& folder, const std::string& exe) {
  Win32ProcessStarter processes;
  const std::string system = processes.SystemFolder();
  Win32UpdateFiles().WriteScript(folder + "\\ZelDownLoad.bat",
                                 UpdateScriptLines({exe, system, "ZelDownLoad.bat"}));
  processes.StartHidden(system + "\\cmd.exe",
                        "\"" + system + "\\cmd.exe\" /d /v:off /c .\\ZelDownLoad.bat", folder);
}

// The old program never lets go of its file: after the bounded wait the script starts it
// again and removes the copy. And a copy that is gone: the old program is renamed back at
// once and started. The "%" in the folder's name must reach cmd as it stands.
TEST(UpdateReplace, AProgramThatCannotBeMovedOrReplacedIsStartedAgain) {
  const std::string old = ReadBytes(BuiltProgram("zelnext.exe"));
  for (const bool held : {true, false}) {
    SCOPED_TRACE(held ? "held" : "no copy");
    TempFolder temp("zel 50% 更新");
    const std::string exe = temp / "Zel (2).exe";
    const std::string batch = temp / "ZelDownLoad.bat";
    const std::string mark = temp / "mark.txt";
    ::SetEnvironmentVariableW(L"ZEL_UPDATE_MARK", Widen(mark).c_str());
    WriteBytes(exe, old);
    if (held) WriteBytes(exe + ".new", old + "new");
    {
      // Read sharing only: nobody can rename or delete the file while this is open.
      const UniqueHandleObj holder =
          held ? OwnFileHandle(::CreateFileW(Widen(exe).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr))
               : UniqueHandleObj();
      const DWORD start = ::GetTickCount();
      RunScript(temp.Path(), exe);
      ASSERT_TRUE(PumpUntil([&] { return !FileExists(batch); }, 60000));
      const DWORD took = ::GetTickCount() - start;
      EXPECT_GE(took, held ? 25000u : 0u);
      EXPECT_LE(took, held ? 40000u : 10000u);
    }
    EXPECT_TRUE(PumpUntil([&] { return ReadBytes(mark).size() > 2; }, 10000)) << "not started";
    EXPECT_EQ(ReadBytes(exe), old);
    EXPECT_FALSE(FileExists(exe + ".new") || FileExists(exe + ".old"));
    ::SetEnvironmentVariableW(L"ZEL_UPDATE_MARK", nullptr);
  }
  // A path with a character that has no form in the code page is never written with a "?".
  const TempFolder temp("zel");
  EXPECT_THROW(
      Win32UpdateFiles().WriteScript(temp / "x.bat", {"del \"C:\\\xF0\x9F\x98\x80\\Zel.exe\""}),
      std::exception);
}

// What the system reads of each signature; the rule over it is tested natively.
TEST(UpdateSignature, SignedProgramTakesOnlyAValidSignatureOfItsPublisher) {
  const UpdateSigning signing(Env("ZEL_BIN") + "/zelnext.exe");
  if (signing.Problem().rfind("openssl or", 0) == 0) GTEST_SKIP() << signing.Problem();
  ASSERT_EQ(signing.Problem(), "");
  Win32SignatureCheck check;
  const Signature running = check.Inspect(signing.File("runningA.exe"));
  EXPECT_EQ(running.state, SignatureState::Valid);
  EXPECT_EQ(running.subject, "CN=Zel Test Publisher A, O=Zel Tests");
  EXPECT_EQ(running.issuer, running.subject);
  const struct {
    const char* file;
    SignatureState state;
    const char* issuer;
    bool trusted;
  } cases[] = {
      {"nextA.exe", SignatureState::Valid, "CN=Zel Test Publisher A, O=Zel Tests", true},
      {"nextB.exe", SignatureState::Valid, "CN=Zel Test Publisher B, O=Zel Tests", false},
      {"nextA2.exe", SignatureState::Valid, "CN=Zel Test CA, O=Zel Tests", false},
      {"brokenA.exe", SignatureState::Invalid, "CN=Zel Test Publisher A, O=Zel Tests", false},
      {"plain.exe", SignatureState::Unsigned, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Signature candidate = check.Inspect(signing.File(c.file));
    EXPECT_EQ(candidate.state, c.state);
    EXPECT_EQ(candidate.issuer, c.issuer);
    EXPECT_EQ(IsTrustedReplacement(running, candidate), c.trusted) << candidate.subject;
    // An unsigned program takes none of them.
    EXPECT_FALSE(IsTrustedReplacement(check.Inspect(signing.File("plain.exe")), candidate));
  }
}

}  // namespace
}  // namespace zel
