#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <optional>
#include <stdexcept>

#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeUpdate.h"
#include "update/UpdateText.h"

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
    bool asked;
  } cases[] = {
      {"newer", "\r\n  3.0.0.6200 \r\n", "3.0.0.6121", {}, all, three, true},
      {"equal", "3.0.0.6121", "3.0.0.6121", {}, {"version.txt"}, {"gone"}, false},
      {"older", "3.0.0.6000", "3.0.0.6121", {}, {"version.txt"}, {"gone"}, false},
      {"own version unknown", "3.0.0.6200", "", {}, all, three, true},
      // The folder is made anew: nothing found in it is used, whoever left it.
      {"left setup equal", "3.0.0.6200", "3.0.0.6121", "3.0.0.6200", all, three, true},
      {"left setup without version", "3.0.0.6200", "3.0.0.6121", "", all, three, true},
      {"left setup, nothing newer listed", "3.0.0.6121", "3.0.0.6121", "3.0.0.6200",
       {"version.txt"}, {"gone"}, false},
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
    EXPECT_TRUE(k.timer.delays.empty());
    const Names notes{"第一行", "第二行"};
    EXPECT_EQ(k.dialog.shown, std::vector<Names>(c.asked ? 1 : 0, notes));
    EXPECT_TRUE(k.processes.started.empty());
    // Declined: the checked copy in the program's folder goes again.
    EXPECT_EQ(k.files.files.count("C:\\Zel\\Zel.exe.new"), 0u);
    EXPECT_TRUE(k.files.held.empty());
    if (c.asked) {
      EXPECT_EQ(globals.SetupUrl, DefaultServiceBase() + "/download/" + kSetup);
    }
  }
  EXPECT_TRUE(Logs().empty());
}

TEST_F(UpdateTest, ADownloadFolderThatCannotBeMadeAnewEndsTheCheckAndIsNeverRemovedThroughCmd) {
  for (const bool stuck : {false, true}) {
    SCOPED_TRACE(stuck ? "stuck" : "removable");
    fakes::FakeLogFileSystem logs;
    SetLogEnvironment(&logs, &clock);
    TGlobals globals;
    UpdateKit k(globals);
    ServeNewer(k);
    k.files.dirs.insert(kFolder);
    k.files.files[kFolder + std::string("planted.txt")] = "x";
    if (stuck) k.files.stuck.insert(kFolder);
    Check(k);
    EXPECT_EQ(k.downloader.fetched.size(), stuck ? 0u : 3u);
    EXPECT_EQ(k.files.files.count(kFolder + std::string("planted.txt")), stuck ? 1u : 0u);
    ASSERT_EQ(logs.Messages().size(), stuck ? 1u : 0u);
    if (stuck) {
      EXPECT_NE(logs.Messages()[0].find(kFolder), std::string::npos);
    }
    // The clean-up of a folder that keeps files is native too.
    k.files.files[kFolder + std::string("planted.txt")] = "x";
    k.check.DeleteDownload();
    EXPECT_TRUE(k.processes.started.empty());
  }
}

TEST_F(UpdateTest, VersionFileAndNotesAreReadOnlyToTheirLimits) {
  ServeNewer(kit);
  kit.downloader.served["version.txt"] = std::string(5000, '\n') + "3.0.0.6200";
  Check(kit);
  EXPECT_EQ(kit.downloader.fetched, Names{"version.txt"});
  EXPECT_EQ(kit.files.readLimit, 4096u);
  EXPECT_EQ(Logs().size(), 1u);

  fakes::UpdateKit k(g);
  g.UpdateStarted = false;
  ServeNewer(k);
  k.downloader.served["updateInfo.txt"] = std::string(70000, 'x');
  Check(k);
  ASSERT_EQ(k.dialog.shown.size(), 1u);
  EXPECT_EQ(k.dialog.shown[0], Names{std::string(65536, 'x')});
}

TEST_F(UpdateTest, ATextThatIsNoVersionEndsTheCheckWithoutAnotherFetch) {
  for (const char* listed : {"3.0.0.9\\..\\..\\x", "3.0.0.9/x", "3.0.0.9?x", "1.0 & calc",
                             "3.0.0.9\"x", "1.2.3.4.5", "70000.0", "+1", "", " \t\r\n",
                             "3.0.0.9\\x\"&echo>pwned.txt&\"\\..\\..\\x"}) {
    SCOPED_TRACE(listed);
    fakes::FakeLogFileSystem logs;
    SetLogEnvironment(&logs, &clock);
    TGlobals globals;
    UpdateKit k(globals);
    ServeNewer(k);
    k.downloader.served["version.txt"] = listed;
    k.files.files["C:\\Temp\\victim.exe"] = "victim";
    Check(k);
    EXPECT_EQ(k.downloader.fetched, Names{"version.txt"});
    EXPECT_EQ(Left(k), Names{"gone"});
    const std::map<std::string, std::string> onlyVictim{{"C:\\Temp\\victim.exe", "victim"}};
    EXPECT_EQ(k.files.files, onlyVictim);
    EXPECT_TRUE(k.processes.started.empty());
    EXPECT_EQ(logs.Messages().size(), 1u);
  }
}

TEST_F(UpdateTest, EachWayOfEndingEarlyLeavesOneLineNamingTheStep) {
  const Names three{"version.txt", "updateInfo.txt", kSetup};
  const Signature other{SignatureState::Valid, "CN=Other", "CN=Brixmoor CA"};
  const Signature otherIssuer{SignatureState::Valid, "CN=Brixmoor", "CN=Other CA"};
  const Signature unsigned_{};
  const struct {
    const char* what;
    const char* missing;      // answered 404
    const char* unreachable;  // a closed port
    const char* lost;         // success that stores nothing
    const char* setupVersion;
    std::optional<Signature> running;
    std::optional<Signature> candidate;
    bool readOnlyFolder;
    Names fetched;
    const char* step;
    Names left;
  } cases[] = {
      {"version 404", "version.txt", "", "", "3.0.0.6200", {}, {}, false, {"version.txt"},
       "版本文件", {}},
      {"notes unreachable", "", "updateInfo.txt", "", "3.0.0.6200", {}, {}, false,
       {"version.txt", "updateInfo.txt"}, "升级说明", {"version.txt"}},
      {"executable 404", kSetup, "", "", "", {}, {}, false, three, "新版本程序",
       {"updateInfo.txt", "version.txt"}},
      {"version file never stored", "", "", "version.txt", "3.0.0.6200", {}, {}, false,
       Names(3, "version.txt"), "版本文件", {}},
      {"executable stays below", "", "", "", "3.0.0.6199", {}, {}, false,
       {"version.txt", "updateInfo.txt", kSetup, kSetup, kSetup}, "3.0.0.6199",
       {"updateInfo.txt", "version.txt"}},
      {"another publisher", "", "", "", "3.0.0.6200", {}, other, false, three, "签名",
       {"updateInfo.txt", "version.txt"}},
      {"same subject, another issuer", "", "", "", "3.0.0.6200", {}, otherIssuer, false, three,
       "签名", {"updateInfo.txt", "version.txt"}},
      {"unsigned candidate", "", "", "", "3.0.0.6200", {}, unsigned_, false, three, "签名",
       {"updateInfo.txt", "version.txt"}},
      {"unsigned running program", "", "", "", "3.0.0.6200", unsigned_, {}, false,
       {"version.txt"}, "签名", {"gone"}},
      {"folder takes no new file", "", "", "", "3.0.0.6200", {}, {}, true, {"version.txt"},
       "C:\\Zel\\", {"gone"}},
      {"notes never stored", "", "", "updateInfo.txt", "3.0.0.6200", {}, {}, false,
       {"version.txt", "updateInfo.txt", "updateInfo.txt", "updateInfo.txt"}, "升级说明",
       {"version.txt"}},
      {"executable never stored", "", "", kSetup, "3.0.0.6200", {}, {}, false,
       {"version.txt", "updateInfo.txt", kSetup, kSetup, kSetup}, "新版本程序",
       {"updateInfo.txt", "version.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::FakeLogFileSystem logs;
    SetLogEnvironment(&logs, &clock);
    TGlobals globals;
    UpdateKit k(globals);
    ServeNewer(k, c.setupVersion);
    k.downloader.served.erase(c.missing);
    k.downloader.unreachable.insert(c.unreachable);
    k.downloader.lost.insert(c.lost);
    if (c.running) k.signatures.signatures[k.owner.exe] = *c.running;
    if (c.candidate) k.signatures.signatures[kFolder + std::string(kSetup)] = *c.candidate;
    if (c.readOnlyFolder) k.files.readOnly.insert("C:\\Zel\\");
    Check(k);
    EXPECT_EQ(k.downloader.fetched, c.fetched);
    ASSERT_EQ(logs.Messages().size(), 1u);
    EXPECT_NE(logs.Messages()[0].find(c.step), std::string::npos) << logs.Messages()[0];
    EXPECT_TRUE(k.dialog.shown.empty());
    EXPECT_TRUE(k.processes.started.empty());
    EXPECT_EQ(Left(k), c.left);
  }
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

TEST_F(UpdateTest, WhatTheScriptInstallsIsTheCopyCheckedInTheProgramsFolder) {
  const std::string copy = "C:\\Zel\\Zel.exe.new";
  const Signature unsigned_{};
  const struct {
    const char* what;
    std::function<void(UpdateKit&)> afterCopy;  // while the copy is made and held
    bool copyFails;
    const char* log;  // empty: asked and installed
  } cases[] = {
      {"the download changed after the copy", [](UpdateKit& k) {
         k.files.files[kFolder + std::string(kSetup)] = "3.0.0.6200";
         k.signatures.signatures[kFolder + std::string(kSetup)] = Signature{};
       }, false, ""},
      {"the copy is not the checked program",
       [&](UpdateKit& k) { k.signatures.signatures[copy] = unsigned_; }, false, "程序目录"},
      {"the copy lists a lower version", [&](UpdateKit& k) { k.files.files[copy] = "3.0.0.6100"; },
       false, "程序目录"},
      {"no copy can be made", nullptr, true, "程序目录"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fakes::FakeLogFileSystem logs;
    SetLogEnvironment(&logs, &clock);
    TGlobals globals;
    UpdateKit k(globals);
    ServeNewer(k);
    k.dialog.answer = UpdateAnswer::Accepted;
    if (c.afterCopy) k.files.afterCopy = [&] { c.afterCopy(k); };
    if (c.copyFails) k.files.stuck.insert(copy);
    Check(k);
    const bool installed = *c.log == '\0';
    EXPECT_EQ(k.dialog.shown.size(), installed ? 1u : 0u);
    EXPECT_EQ(k.processes.started.size(), installed ? 1u : 0u);
    // Held while the program runs on to its end, so that nothing can change it meanwhile.
    EXPECT_EQ(k.files.held, installed ? std::set<std::string>{copy} : std::set<std::string>{});
    EXPECT_EQ(k.files.files.count(copy), installed ? 1u : 0u);
    if (installed) {
      EXPECT_EQ(Left(k), Names{"gone"});
      EXPECT_TRUE(logs.Messages().empty());
    } else {
      ASSERT_EQ(logs.Messages().size(), 1u);
      EXPECT_NE(logs.Messages()[0].find(c.log), std::string::npos) << logs.Messages()[0];
    }
  }
}

TEST_F(UpdateTest, ScriptRenamesInsideTheProgramsFolderWithToolsByFullPath) {
  kit.files.temp = "C:\\Users\\张 三\\50% & ^x\\Temp\\";
  kit.owner.exe = "D:\\Program Files (x86)\\泽米 宝 50%\\Zel (2).exe";
  kit.dialog.answer = UpdateAnswer::Accepted;
  ServeNewer(kit);
  Check(kit);
  const std::string dir = "D:\\Program Files (x86)\\泽米 宝 50%%\\";
  const std::string exe = "\"" + dir + "Zel (2).exe\"";
  const std::string next = "\"" + dir + "Zel (2).exe.new\"";
  const std::string old = "\"" + dir + "Zel (2).exe.old\"";
  const std::string pause = "\"C:\\Windows\\System32\\ping.exe\" -n 2 127.0.0.1 >nul";
  const Names expected{
      "@echo off & pushd \"C:\\Windows\\System32\"",
      "\"C:\\Windows\\System32\\ping.exe\" -n 2 127.0.0.1 ",
      // No /t: the tree of a Zel.exe still running holds what it started.
      "\"C:\\Windows\\System32\\taskkill.exe\" /f /im \"Zel (2).exe\"",
      // Aside, about once a second until it lets go; "b" is the first letter that is in no
      // path: cmd cannot take a part of one for the loop's variable.
      "for /l %%b in (1,1,29) do (ren " + exe + " \"Zel (2).exe.old\" & if exist " + exe + " (" +
          pause + "))",
      // In, once the old program's hold on the copy has gone with it.
      "for /l %%b in (1,1,29) do (ren " + next + " \"Zel (2).exe\" & if not exist " + exe +
          " if exist " + next + " (" + pause + "))",
      // Back, when the new one did not come in.
      "if not exist " + exe + " ren " + old + " \"Zel (2).exe\"",
      // Gone, once the old program has ended: no instance of it answers the new one's start.
      "for /l %%b in (1,1,29) do (del " + old + " & if exist " + old + " (" + pause + "))",
      "start \"\" " + exe,
      "del " + next,
      "popd & del \"ZelDownLoad.bat\"",
  };
  const std::string batch = kit.files.temp + "ZelDownLoad.bat";
  EXPECT_EQ(kit.files.scripts[batch], expected);
  // The script's path never passes through cmd's command line: it starts in its folder.
  const std::vector<Names> started{{"C:\\Windows\\System32\\cmd.exe",
                                    "\"C:\\Windows\\System32\\cmd.exe\" /d /v:off /c "
                                    ".\\ZelDownLoad.bat",
                                    kit.files.temp}};
  EXPECT_EQ(kit.processes.started, started);
  EXPECT_EQ(kit.owner.calls, (Names{"notopmost", "close"}));
  EXPECT_THROW(UpdateScriptLines({"C:\\a\"b\\Zel.exe", "C:\\Windows\\System32", "b.bat"}),
               std::invalid_argument);
}

TEST_F(UpdateTest, ALeftOverOldProgramIsRemovedAtStart) {
  const std::string old = "C:\\Zel\\Zel.exe.old";
  for (const bool stuck : {false, true}) {
    fakes::FakeLogFileSystem logs;
    SetLogEnvironment(&logs, &clock);
    kit.files.files[old] = "3.0.0.6121";
    if (stuck) kit.files.stuck.insert(old);
    kit.check.RemoveReplacedProgram();
    EXPECT_EQ(kit.files.files.count(old), stuck ? 1u : 0u);
    EXPECT_EQ(logs.Messages().size(), stuck ? 1u : 0u);
  }
  kit.files.files.erase(old);
  kit.check.RemoveReplacedProgram();
  EXPECT_TRUE(Logs().empty());
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
    const bool started = c.answer == UpdateAnswer::Accepted && !c.failWrite && !c.failStart;
    // Declined or failed: the downloads stay, the copy in the program's folder goes.
    EXPECT_EQ(Left(k).size(), started ? 1u : 3u);
    EXPECT_EQ(k.files.held.size(), started ? 1u : 0u);
    EXPECT_EQ(k.files.files.count("C:\\Zel\\Zel.exe.new"), started ? 1u : 0u);
  }
}

}  // namespace
}  // namespace zel
