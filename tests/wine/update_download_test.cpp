// The update's downloads against real servers: the URL-moniker fetch, and the check's three
// fetches into ZelDownLoad with the real files, timer and download component.
#include <winsock2.h>
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>

#include "app/win32/Owners.h"
#include "app/win32/Win32Util.h"
#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeUpdate.h"
#include "tests/wine/support/TempFolder.h"
#include "tests/wine/support/UpdateBytes.h"
#include "tests/wine/support/UpdateHttpProbe.h"
#include "tests/wine/support/UpdateSigning.h"
#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelProcess.h"
#include "update/win32/OneShotTimer.h"
#include "update/win32/ProcessStarter.h"
#include "update/win32/SignatureCheck.h"
#include "update/win32/UpdateFiles.h"
#include "update/win32/UrlDownloader.h"

namespace zel {
namespace {

using namespace zel::win32;
using namespace zel::winetest;

std::string ServiceUrl(const std::string& path) { return "http://" + ServiceHost() + path; }

struct UpdateDownload : ::testing::Test {
  UpdateDownload() {
    ::OleInitialize(nullptr);
    SetLogEnvironment(&logs, &clock);
  }
  ~UpdateDownload() override {
    for (const auto& name : served) ::DeleteFileW(Widen(BedFile(name)).c_str());
    SetLogEnvironment(nullptr, nullptr);
    ::OleUninitialize();
  }
  static std::string BedFile(const std::string& name) {
    return WinePath(Env("ZEL_TESTBED") + "/download/" + name);
  }
  // Puts the bytes where the stand-in service serves them.
  void Serve(const std::string& name, const std::string& bytes) {
    WriteBytes(BedFile(name), bytes);
    served.push_back(name);
  }
  DownloadResult FetchOne(const std::string& url, const std::string& folder) {
    std::optional<DownloadResult> result;
    downloader.SetOnComplete([&](DownloadResult r) { result = r; });
    downloader.Start(url, folder);
    EXPECT_TRUE(PumpUntil([&] { return result.has_value(); }, 20000)) << url;
    return result.value_or(-1);
  }

  fakes::FakeLogFileSystem logs;
  fakes::FakeClock clock;
  std::vector<std::string> served;
  UrlDownloader downloader;
};

TEST_F(UpdateDownload, WholeResourceUnderItsNameAndErrorsAsFailures) {
  UpdateHttpProbe probe("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\n"
                        "Connection: close\r\n\r\noops!");
  ASSERT_NE(probe.Port(), 0);
  const int closedPort = UpdateHttpProbe("").Port();
  const std::string program = ReadBytes(BuiltProgram("zelnext.exe"));
  Serve("Zel_3.0.1.0.exe", program);
  const struct {
    std::string url;
    DownloadResult result;  // 1: any failure
    std::string stored;
  } cases[] = {
      {ServiceUrl("/download/Zel_3.0.1.0.exe"), 0, program},
      {ServiceUrl("/download/version.txt"), static_cast<DownloadResult>(0x80190194u), ""},
      {"http://127.0.0.1:" + std::to_string(probe.Port()) + "/download/version.txt",
       static_cast<DownloadResult>(0x801901F4u), ""},
      {"http://127.0.0.1:" + std::to_string(closedPort) + "/download/version.txt", 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    TempFolder folder("zel_fetch");
    const DownloadResult result = FetchOne(c.url, folder.Path() + "\\");
    if (c.result == 1) {
      EXPECT_NE(result, 0);
    } else {
      EXPECT_EQ(result, c.result);
    }
    const std::string name = c.url.substr(c.url.rfind('/') + 1);
    EXPECT_EQ(ReadBytes(folder / name), c.stored.empty() ? "<missing>" : c.stored);
    EXPECT_FALSE(FileExists(folder / (name + ".part")));
  }
  const std::string request = probe.Request();
  EXPECT_EQ(request.rfind("GET /download/version.txt HTTP/1.1\r\n", 0), 0u) << request;
  // The line goes out as given; Wine's HTTP layer drops the trailing blank (optional white
  // space to HTTP), so only what comes before it is certain.
  EXPECT_NE(request.find("\r\nContent-Type: application/x-www-form-urlencoded"), std::string::npos)
      << request;
}

TEST_F(UpdateDownload, OnlyAWholeBodyFromTheAskedHostIsStored) {
  UpdateHttpProbe elsewhere(
      "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello", 2);
  ASSERT_NE(elsewhere.Port(), 0);
  const std::string body(1000, 'v');
  const std::string ok = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
  const struct {
    const char* what;
    std::string head;
    std::size_t bodySize;
    bool stored;
  } cases[] = {
      {"whole", ok + "Content-Length: 1000\r\n", 1000, true},
      {"60 % of its length", ok + "Content-Length: 1000\r\n", 600, false},
      {"announced over 64 MiB", ok + "Content-Length: 67108865\r\n", 1000, false},
      {"over 64 MiB without a length", ok, kMaxDownloadBytes + 1, false},
      {"an encoding that is not decoded, cut short",
       ok + "Content-Encoding: x-zel\r\nContent-Length: 1000\r\n", 600, false},
      {"identity by name", ok + "Content-Encoding: identity\r\nContent-Length: 1000\r\n", 1000,
       true},
      {"chunked, cut before its last chunk", ok + "Transfer-Encoding: chunked\r\n\r\n3e8", 600,
       false},
      {"redirect to 127.0.0.2",
       "HTTP/1.1 302 Found\r\nConnection: close\r\nContent-Length: 0\r\n"
       "Location: http://127.0.0.2:" + std::to_string(elsewhere.Port()) +
           "/download/version.txt\r\n",
       0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    UpdateHttpProbe probe(c.head + "\r\n" + std::string(c.bodySize, 'v'));
    ASSERT_NE(probe.Port(), 0);
    TempFolder folder("zel_fetch");
    const DownloadResult result = FetchOne(
        "http://127.0.0.1:" + std::to_string(probe.Port()) + "/download/version.txt",
        folder.Path() + "\\");
    EXPECT_EQ(result == 0, c.stored) << std::hex << result;
    EXPECT_EQ(ReadBytes(folder / "version.txt"), c.stored ? body : "<missing>");
    EXPECT_FALSE(FileExists(folder / "version.txt.part"));
  }
}

// A server that sends its answer a few bytes at a time, or stalls, holds a fetch no longer
// than its time (60 s in the program, 2 s here).
TEST_F(UpdateDownload, AFetchThatTakesLongerThanItsTimeFails) {
  UpdateHttpProbe probe("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nvvv", 1, 8000);
  ASSERT_NE(probe.Port(), 0);
  UrlDownloader quick(2000);
  std::optional<DownloadResult> result;
  quick.SetOnComplete([&](DownloadResult r) { result = r; });
  TempFolder folder("zel_fetch");
  const DWORD start = ::GetTickCount();
  quick.Start("http://127.0.0.1:" + std::to_string(probe.Port()) + "/download/version.txt",
              folder.Path() + "\\");
  ASSERT_TRUE(PumpUntil([&] { return result.has_value(); }, 20000));
  EXPECT_NE(*result, 0);
  EXPECT_LT(::GetTickCount() - start, 6000u);
  EXPECT_EQ(ReadBytes(folder / "version.txt"), "<missing>");
  EXPECT_FALSE(FileExists(folder / "version.txt.part"));
}

// Every file of the prefix's drive C.
void ListFiles(const std::wstring& folder, std::set<std::string>& out) {
  WIN32_FIND_DATAW found{};
  const UniqueFind search = OwnFind(::FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!search) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    out.insert(Narrow(path));
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      ListFiles(path, out);
    }
  } while (::FindNextFileW(search.get(), &found));
}

std::set<std::string> DriveC() {
  std::set<std::string> files;
  ListFiles(L"C:", files);
  return files;
}

// The check with the real adapters; the dialog and the main window are fakes. The running
// program and the served one are signed by the same test publisher unless a test says other.
struct UpdateCheckRun : UpdateDownload {
  UpdateCheckRun() : temp("zel 更新") {
    ::SetEnvironmentVariableW(L"TMP", Widen(temp.Path()).c_str());
    globals.AppVersion = "3.0.0.6121";
    globals.VersionUrl = ServiceUrl("/download/version.txt");
    globals.UpdateInfoUrl = ServiceUrl("/download/updateInfo.txt");
    globals.SetupUrl = ServiceUrl("/download/Zel_*.exe");
    owner.exe = Signed("runningA.exe");
  }
  ~UpdateCheckRun() override { ::SetEnvironmentVariableW(L"TMP", nullptr); }
  static void TearDownTestSuite() { signing.reset(); }
  TUpdatePorts Ports() { return {downloader, files, processes, dialog, signatures, timer}; }
  // One of the copies of zelnext.exe signed here (see UpdateSigning).
  static std::string Signed(const std::string& name) {
    if (!signing) signing = std::make_unique<UpdateSigning>(Env("ZEL_BIN") + "/zelnext.exe");
    return signing->Problem().empty() ? signing->File(name) : "";
  }

  static std::unique_ptr<UpdateSigning> signing;
  TempFolder temp;
  TGlobals globals;
  Win32UpdateFiles files;
  Win32ProcessStarter processes;
  fakes::FakeUpdateDialog dialog;
  Win32SignatureCheck signatures;
  Win32OneShotTimer timer;
  fakes::FakeUpdateOwner owner;
};

std::unique_ptr<UpdateSigning> UpdateCheckRun::signing;

TEST_F(UpdateCheckRun, ThreeDownloadsLandInZelDownLoadAndTheNotesAreShown) {
  ASSERT_FALSE(owner.exe.empty()) << signing->Problem();
  const std::string program = ReadBytes(Signed("nextA.exe"));
  Serve("version.txt", "\r\n  3.0.1.0 \r\n");
  Serve("updateInfo.txt", ToAnsi("修复了插入问题\r\n界面更新\r\n"));
  Serve("Zel_3.0.1.0.exe", program);
  TUpdateCheck check(globals, Ports(), owner);
  check.DownNewVersion();
  ASSERT_TRUE(PumpUntil([&] { return !dialog.shown.empty(); }, 30000)) << logs.Messages().size();
  const std::string folder = temp / "ZelDownLoad\\";
  EXPECT_EQ(check.DownloadFolder, folder);
  EXPECT_EQ(ReadBytes(folder + "version.txt"), "\r\n  3.0.1.0 \r\n");
  EXPECT_EQ(ReadBytes(folder + "Zel_3.0.1.0.exe"), program);
  EXPECT_EQ(dialog.shown[0], (std::vector<std::string>{"修复了插入问题", "界面更新"}));
  EXPECT_TRUE(logs.Messages().empty());
}

TEST_F(UpdateCheckRun, ExecutableBelowTheListedVersionIsFetchedThreeTimesHalfASecondApart) {
  ASSERT_FALSE(owner.exe.empty()) << signing->Problem();
  Serve("version.txt", "3.0.2.0");
  Serve("updateInfo.txt", "notes");
  Serve("Zel_3.0.2.0.exe", ReadBytes(Signed("nextA.exe")));  // carries 3.0.1.0
  TUpdateCheck check(globals, Ports(), owner);
  const DWORD start = ::GetTickCount();
  check.DownNewVersion();
  ASSERT_TRUE(PumpUntil([&] { return !logs.Messages().empty(); }, 30000));
  EXPECT_GE(::GetTickCount() - start, 1000u);
  PumpUntil([] { return false; }, 1500);  // nothing more comes
  EXPECT_EQ(logs.Messages().size(), 1u);
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_FALSE(FileExists(check.SetupFile));
  // Nothing newer listed: the folder goes, by a hidden command while a stray file is in it.
  WriteBytes(check.DownloadFolder + "stray.tmp", "x");
  Serve("version.txt", "3.0.0.6121");
  globals.UpdateStarted = false;
  check.DownNewVersion();
  ASSERT_TRUE(PumpUntil([&] { return !files.DirectoryExists(check.DownloadFolder); }, 20000));
}

// What an attacker on the network path would list: nothing outside ZelDownLoad is written,
// deleted or started, and nothing but the version file is fetched.
TEST_F(UpdateCheckRun, AListedTextThatIsNoVersionTouchesNothingOutsideTheDownloadFolder) {
  ASSERT_FALSE(owner.exe.empty()) << signing->Problem();
  Serve("updateInfo.txt", "notes");
  Serve("Zel_3.0.0.9.exe", ReadBytes(Signed("nextA.exe")));
  const std::string victim = temp / "victim.exe";
  WriteBytes(victim, "victim");
  const std::set<std::string> before = DriveC();
  ASSERT_GT(before.size(), 100u);
  for (const char* listed :
       {"3.0.0.9\\..\\..\\victim", "3.0.0.9/x", "3.0.0.9?x", "3.0.0.9#x", "1.0 & calc",
        "3.0.0.9\"x", "3.0.0.9\\x\"&echo>pwned.txt&\"\\..\\..\\x", "1.2.3.4.5", "70000.0", "+1", "",
        " 3.0.0.6200 "}) {
    SCOPED_TRACE(listed);
    fakes::FakeLogFileSystem lines;
    SetLogEnvironment(&lines, &clock);
    Serve("version.txt", listed);
    globals.UpdateStarted = false;
    TUpdateCheck check(globals, Ports(), owner);
    check.DownNewVersion();
    ASSERT_TRUE(PumpUntil([&] { return !lines.Messages().empty(); }, 20000));
    PumpUntil([] { return false; }, 300);  // nothing more comes
    EXPECT_EQ(lines.Messages().size(), 1u) << lines.Messages().back();
    // The valid one goes as far as the executable, which is not there, and keeps the notes.
    EXPECT_EQ(FileExists(temp / "ZelDownLoad\\updateInfo.txt"),
              std::string(listed) == " 3.0.0.6200 ");
    RemoveTree(Widen(temp / "ZelDownLoad"));
  }
  EXPECT_EQ(DriveC(), before);
  EXPECT_EQ(ReadBytes(victim), "victim");
  EXPECT_TRUE(dialog.shown.empty());
  SetLogEnvironment(&logs, &clock);
}

// Only the running program's own publisher: any other candidate is deleted and never offered.
TEST_F(UpdateCheckRun, ACandidateOfAnotherSignerIsDeletedAndNeverOffered) {
  ASSERT_FALSE(owner.exe.empty()) << signing->Problem();
  Serve("version.txt", "3.0.1.0");
  Serve("updateInfo.txt", "notes");
  const struct {
    const char* candidate;
    const char* running;
    bool offered;
  } cases[] = {
      {"plain.exe", "runningA.exe", false},  {"nextB.exe", "runningA.exe", false},
      {"nextA2.exe", "runningA.exe", false}, {"brokenA.exe", "runningA.exe", false},
      {"nextA.exe", "plain.exe", false},     {"nextA.exe", "runningA.exe", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.candidate) + " for " + c.running);
    fakes::FakeLogFileSystem lines;
    SetLogEnvironment(&lines, &clock);
    Serve("Zel_3.0.1.0.exe", ReadBytes(Signed(c.candidate)));
    owner.exe = Signed(c.running);
    dialog.shown.clear();
    globals.UpdateStarted = false;
    TUpdateCheck check(globals, Ports(), owner);
    check.DownNewVersion();
    ASSERT_TRUE(PumpUntil([&] { return !lines.Messages().empty() || !dialog.shown.empty(); },
                          20000));
    EXPECT_EQ(dialog.shown.size(), c.offered ? 1u : 0u);
    EXPECT_EQ(FileExists(check.SetupFile), c.offered);
    if (!c.offered) {
      ASSERT_EQ(lines.Messages().size(), 1u);
      EXPECT_NE(lines.Messages()[0].find("签名"), std::string::npos) << lines.Messages()[0];
    }
    RemoveTree(Widen(temp / "ZelDownLoad"));
  }
  SetLogEnvironment(&logs, &clock);
}

// A folder the user cannot write (made read-only by a bind mount: tests run as root, and root
// writes anywhere else): the update is not offered, since the script could not replace the
// program there.
TEST_F(UpdateCheckRun, AnExecutableInAFolderThatTakesNoNewFileIsNotOffered) {
  ASSERT_FALSE(owner.exe.empty()) << signing->Problem();
  const std::string linuxDir =
      Env("ZEL_BIN") + "/update_ro_" + std::to_string(::GetCurrentProcessId());
  const std::string dir = WinePath(linuxDir);
  ::CreateDirectoryW(Widen(dir).c_str(), nullptr);
  ASSERT_TRUE(::CopyFileW(Widen(Signed("runningA.exe")).c_str(), Widen(dir + "\\Zel.exe").c_str(),
                          FALSE));
  const bool mounted = RunShell(linuxDir, "mount --bind . . && mount -o remount,ro,bind .\n");
  if (!mounted) {
    RemoveTree(Widen(dir));
    GTEST_SKIP() << "no read-only bind mount here (not root?)";
  }
  owner.exe = dir + "\\Zel.exe";
  Serve("version.txt", "3.0.1.0");
  Serve("updateInfo.txt", "notes");
  Serve("Zel_3.0.1.0.exe", ReadBytes(Signed("nextA.exe")));
  TUpdateCheck check(globals, Ports(), owner);
  check.DownNewVersion();
  const bool ended = PumpUntil([&] { return !logs.Messages().empty(); }, 20000);
  PumpUntil([] { return false; }, 300);
  RunShell(Env("ZEL_BIN"), "umount '" + linuxDir + "'\n");
  RemoveTree(Widen(dir));
  ASSERT_TRUE(ended);
  ASSERT_EQ(logs.Messages().size(), 1u);
  EXPECT_NE(logs.Messages()[0].find(dir), std::string::npos) << logs.Messages()[0];
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_FALSE(FileExists(temp / "ZelDownLoad"));
}

}  // namespace
}  // namespace zel
