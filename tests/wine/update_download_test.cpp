// The update's downloads against real servers: the URL-moniker fetch, and the check's three
// fetches into ZelDownLoad with the real files, timer and download component.
#include <winsock2.h>
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <optional>

#include "app/win32/Win32Util.h"
#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeUpdate.h"
#include "tests/wine/support/TempFolder.h"
#include "tests/wine/support/UpdateBytes.h"
#include "tests/wine/support/UpdateHttpProbe.h"
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

// The check with the real adapters; the dialog and the main window are fakes.
struct UpdateCheckRun : UpdateDownload {
  UpdateCheckRun() : temp("zel 更新") {
    ::SetEnvironmentVariableW(L"TMP", Widen(temp.Path()).c_str());
    globals.AppVersion = "3.0.0.6121";
    globals.VersionUrl = ServiceUrl("/download/version.txt");
    globals.UpdateInfoUrl = ServiceUrl("/download/updateInfo.txt");
    globals.SetupUrl = ServiceUrl("/download/Zel_*.exe");
  }
  ~UpdateCheckRun() override { ::SetEnvironmentVariableW(L"TMP", nullptr); }
  TUpdatePorts Ports() { return {downloader, files, processes, dialog, signatures, timer}; }

  TempFolder temp;
  TGlobals globals;
  Win32UpdateFiles files;
  Win32ProcessStarter processes;
  fakes::FakeUpdateDialog dialog;
  Win32SignatureCheck signatures;
  Win32OneShotTimer timer;
  fakes::FakeUpdateOwner owner;
};

TEST_F(UpdateCheckRun, ThreeDownloadsLandInZelDownLoadAndTheNotesAreShown) {
  const std::string program = ReadBytes(BuiltProgram("zelnext.exe"));
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
  Serve("version.txt", "3.0.2.0");
  Serve("updateInfo.txt", "notes");
  Serve("Zel_3.0.2.0.exe", ReadBytes(BuiltProgram("zelnext.exe")));  // carries 3.0.1.0
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

}  // namespace
}  // namespace zel
