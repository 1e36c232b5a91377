#include <gtest/gtest.h>

#include <optional>

#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeUpdate.h"

namespace zel {
namespace {

using fakes::UpdateKit;
using Names = std::vector<std::string>;

constexpr char kFolder[] = "C:\\Temp\\ZelDownLoad\\";
constexpr char kSetup[] = "Zel_3.0.0.6200.exe";

// Names of the files left in the download folder, or "gone" when the folder is removed.
Names Left(const UpdateKit& k) {
  if (k.files.dirs.count(kFolder) == 0) return {"gone"};
  Names names;
  for (const auto& [path, content] : k.files.files) {
    if (path.rfind(kFolder, 0) == 0) names.push_back(path.substr(sizeof kFolder - 1));
  }
  return names;
}

// The service lists 3.0.0.6200 and holds its notes and executable.
void ServeNewer(UpdateKit& k, const std::string& setupVersion = "3.0.0.6200") {
  k.downloader.served = {{"version.txt", "3.0.0.6200"},
                         {"updateInfo.txt", "第一行\r\n第二行\r\n"},
                         {kSetup, setupVersion}};
}

struct UpdateTest : ::testing::Test {
  UpdateTest() {
    SetLogEnvironment(&logFiles, &clock);
    g.AppVersion = "3.0.0.6121";
  }
  ~UpdateTest() override { SetLogEnvironment(nullptr, nullptr); }

  void Check(UpdateKit& k) {
    k.check.DownNewVersion();
    ASSERT_TRUE(k.Run()) << "the check never ends";
  }
  Names Logs() const { return logFiles.Messages(); }

  fakes::FakeLogFileSystem logFiles;
  fakes::FakeClock clock;
  TGlobals g;
  UpdateKit kit{g};
};

TEST_F(UpdateTest, ListedVersionDecidesWhatIsFetchedAndWhatIsLeft) {
  const Names all{"version.txt", "updateInfo.txt", kSetup};
  const Names three{kSetup, "updateInfo.txt", "version.txt"};
  const struct {
    const char* what;
    const char* versionFile;
    const char* appVersion;
    std::optional<std::string> leftSetup;  // FileVersion of the executable of an earlier run
    Names fetched;
    Names left;
    int refetches;
    bool asked;
    bool removedByCommand;
  } cases[] = {
      {"newer", "\r\n  3.0.0.6200 \r\n", "3.0.0.6121", {}, all, three, 0, true, false},
      {"equal", "3.0.0.6121", "3.0.0.6121", {}, {"version.txt"}, {"gone"}, 0, false, false},
      {"older", "3.0.0.6000", "3.0.0.6121", {}, {"version.txt"}, {"gone"}, 0, false, false},
      {"empty", " \t\r\n", "3.0.0.6121", {}, {"version.txt"}, {"gone"}, 0, false, false},
      {"own version unknown", "3.0.0.6200", "", {}, all, three, 0, true, false},
      {"left setup equal", "3.0.0.6200", "3.0.0.6121", "3.0.0.6200",
       {"version.txt", "updateInfo.txt"}, three, 0, true, false},
      {"left setup lower", "3.0.0.6200", "3.0.0.6121", "3.0.0.6199", all, three, 1, true, false},
      {"left setup without version", "3.0.0.6200", "3.0.0.6121", "", all, three, 1, true, false},
      {"left setup, nothing newer listed", "3.0.0.6121", "3.0.0.6121", "3.0.0.6200",
       {"version.txt"}, {kSetup}, 0, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TGlobals globals;
    globals.AppVersion = c.appVersion;
    UpdateKit k(globals);
    ServeNewer(k);
    k.downloader.served["version.txt"] = c.versionFile;
    if (c.leftSetup) k.files.files[kFolder + std::string(kSetup)] = *c.leftSetup;
    k.files.dirs.insert(kFolder);
    Check(k);
    EXPECT_EQ(k.downloader.fetched, c.fetched);
    EXPECT_EQ(Left(k), c.left);
    EXPECT_EQ(k.timer.delays, std::vector<int>(c.refetches, 500));
    EXPECT_EQ(k.dialog.shown.size(), c.asked ? 1u : 0u);
    EXPECT_EQ(k.processes.started.size(), c.removedByCommand ? 1u : 0u);
  }
  EXPECT_TRUE(Logs().empty());
}

TEST_F(UpdateTest, NewerVersionFetchesFromThePatternAndShowsTheNotes) {
  ServeNewer(kit, "3.0.0.10000");
  kit.downloader.served["version.txt"] = "3.0.0.10000";
  kit.downloader.served["Zel_3.0.0.10000.exe"] = "3.0.0.10000";
  Check(kit);
  EXPECT_EQ(kit.downloader.urls.back(), DefaultServiceBase() + "/download/Zel_3.0.0.10000.exe");
  EXPECT_EQ(g.SetupUrl, kit.downloader.urls.back());
  EXPECT_EQ(kit.check.SetupFile, kFolder + std::string("Zel_3.0.0.10000.exe"));
  EXPECT_EQ(kit.dialog.shown, std::vector<Names>{Names({"第一行", "第二行"})});
  EXPECT_TRUE(Logs().empty());

  // Nothing newer: a folder that still holds files goes by a hidden command.
  TGlobals globals;
  UpdateKit k(globals);
  k.downloader.served["version.txt"] = globals.AppVersion;
  k.files.files[kFolder + std::string("old.exe")] = "";
  Check(k);
  EXPECT_EQ(k.processes.started, Names{"cmd /c rd /s /q \"C:\\Temp\\ZelDownLoad\\\""});
}

TEST_F(UpdateTest, FailedFetchEndsTheCheckWithOneLineNamingTheStep) {
  const struct {
    const char* failing;
    bool closedPort;
    Names fetched;
    const char* step;
  } cases[] = {
      {"version.txt", false, {"version.txt"}, "版本文件"},
      {"updateInfo.txt", true, {"version.txt", "updateInfo.txt"}, "升级说明"},
      {kSetup, false, {"version.txt", "updateInfo.txt", kSetup}, "新版本程序"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failing);
    fakes::FakeLogFileSystem logs;
    SetLogEnvironment(&logs, &clock);
    TGlobals globals;
    UpdateKit k(globals);
    ServeNewer(k);
    k.downloader.served.erase(c.failing);
    if (c.closedPort) k.downloader.unreachable.insert(c.failing);
    Check(k);
    EXPECT_EQ(k.downloader.fetched, c.fetched);
    ASSERT_EQ(logs.Messages().size(), 1u);
    EXPECT_NE(logs.Messages()[0].find(c.step), std::string::npos) << logs.Messages()[0];
    EXPECT_TRUE(k.dialog.shown.empty());
  }
}

TEST_F(UpdateTest, RefetchesAreBounded) {
  // A success that stores nothing, then an executable that never reaches the listed version.
  ServeNewer(kit);
  kit.downloader.lost.insert("version.txt");
  Check(kit);
  EXPECT_EQ(kit.downloader.fetched, Names(3, "version.txt"));

  TGlobals globals;
  UpdateKit k(globals);
  ServeNewer(k, "3.0.0.6199");
  Check(k);
  EXPECT_EQ(k.downloader.fetched, (Names{"version.txt", "updateInfo.txt", kSetup, kSetup, kSetup}));
  EXPECT_EQ(k.timer.delays, (std::vector<int>{500, 500}));
  EXPECT_EQ(Left(k), (Names{"updateInfo.txt", "version.txt"}));
  EXPECT_TRUE(k.dialog.shown.empty());
  EXPECT_EQ(Logs().size(), 2u);
}

TEST_F(UpdateTest, OneCheckPerRunAndAStillNewerVersionLaterEndsIt) {
  ServeNewer(kit);
  Check(kit);
  Check(kit);  // the page loaded again
  EXPECT_EQ(kit.downloader.fetched.size(), 3u);
  EXPECT_TRUE(g.UpdateStarted);

  // A day later the tray re-arms it; the service lists a newer version meanwhile.
  kit.downloader.served["version.txt"] = "3.0.0.6300";
  g.UpdateStarted = false;
  Check(kit);
  EXPECT_EQ(kit.downloader.fetched,
            (Names{"version.txt", "updateInfo.txt", kSetup, "version.txt", "updateInfo.txt"}));
  EXPECT_EQ(kit.dialog.shown.size(), 1u);
  EXPECT_EQ(g.SetupUrl, DefaultServiceBase() + "/download/Zel_3.0.0.6200.exe");
  EXPECT_EQ(Logs().size(), 1u);
}

TEST_F(UpdateTest, ForeignSignatureIsDeletedAndNeverRun) {
  ServeNewer(kit);
  kit.signatures.signatures[kit.owner.exe] = {SignatureState::Valid, "CN=Brixmoor"};
  kit.signatures.signatures[kFolder + std::string(kSetup)] = {SignatureState::Valid, "CN=Mallory"};
  Check(kit);
  EXPECT_EQ(Left(kit), (Names{"updateInfo.txt", "version.txt"}));
  EXPECT_TRUE(kit.dialog.shown.empty());
  EXPECT_EQ(Logs().size(), 1u);
}

TEST_F(UpdateTest, ScriptLinesForPathsWithBlanksAndChineseCharacters) {
  kit.files.temp = "C:\\Users\\张 三\\AppData\\Local\\Temp\\";
  kit.owner.exe = "D:\\Program Files (x86)\\泽米 宝\\Zel.exe";
  kit.dialog.answer = UpdateAnswer::Accepted;
  ServeNewer(kit);
  Check(kit);
  const std::string batch = "C:\\Users\\张 三\\AppData\\Local\\Temp\\ZelDownLoad.bat";
  const Names expected{
      "@echo off ",
      "ping -n 2 127.0.0.1 ",
      "taskkill /f /t /im Zel.exe",
      "ping -n 1 127.0.0.1 ",
      "del \"D:\\Program Files (x86)\\泽米 宝\\Zel.exe\"",
      "copy /y \"C:\\Users\\张 三\\AppData\\Local\\Temp\\ZelDownLoad\\Zel_3.0.0.6200.exe\" "
      "\"D:\\Program Files (x86)\\泽米 宝\\Zel.exe\"",
      "start \"\" \"D:\\Program Files (x86)\\泽米 宝\\Zel.exe\"",
      "del \"C:\\Users\\张 三\\AppData\\Local\\Temp\\ZelDownLoad\\Zel_3.0.0.6200.exe\"",
      "del \"C:\\Users\\张 三\\AppData\\Local\\Temp\\ZelDownLoad\\updateInfo.txt\"",
      "rd /s /q \"C:\\Users\\张 三\\AppData\\Local\\Temp\\ZelDownLoad\\\"",
      "del \"C:\\Users\\张 三\\AppData\\Local\\Temp\\ZelDownLoad.bat\"",
  };
  EXPECT_EQ(kit.files.scripts[batch], expected);
  EXPECT_EQ(kit.processes.started, Names{"cmd /c \"\"" + batch + "\"\""});
  EXPECT_EQ(kit.owner.calls, (Names{"notopmost", "close"}));
}

TEST_F(UpdateTest, AnswerDecidesScriptCloseAndTopmost) {
  const struct {
    const char* what;
    UpdateAnswer answer;
    bool pinned;
    bool failWrite;
    bool failStart;
    bool scriptWritten;
    Names owner;
    int logs;
  } cases[] = {
      {"OK", UpdateAnswer::Accepted, true, false, false, true, {"notopmost", "close"}, 0},
      {"Cancel, pinned", UpdateAnswer::Declined, true, false, false, false,
       {"notopmost", "topmost"}, 0},
      {"Cancel", UpdateAnswer::Declined, false, false, false, false, {"notopmost"}, 0},
      {"close box, pinned", UpdateAnswer::Closed, true, false, false, false,
       {"notopmost", "topmost"}, 0},
      {"OK, write fails", UpdateAnswer::Accepted, true, true, false, false, {"notopmost"}, 1},
      {"OK, start fails", UpdateAnswer::Accepted, false, false, true, true, {"notopmost"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::FakeLogFileSystem logs;
    SetLogEnvironment(&logs, &clock);
    TGlobals globals;
    globals.IsTopMost = c.pinned;
    UpdateKit k(globals);
    ServeNewer(k);
    k.dialog.answer = c.answer;
    k.files.failScriptWrite = c.failWrite;
    k.processes.fail = c.failStart;
    Check(k);
    EXPECT_EQ(k.check.UpdateAccepted, c.answer == UpdateAnswer::Accepted);
    EXPECT_EQ(k.files.scripts.size(), c.scriptWritten ? 1u : 0u);
    EXPECT_EQ(k.owner.calls, c.owner);
    EXPECT_EQ(logs.Messages().size(), static_cast<std::size_t>(c.logs));
    // Declined or failed: the downloads stay for a later check.
    EXPECT_EQ(Left(k).size(), 3u);
  }
}

}  // namespace
}  // namespace zel
