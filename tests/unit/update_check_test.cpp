#include <gtest/gtest.h>

#include <map>
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
    int refetches;
    bool asked;
    const char* command;  // the hidden removal of a folder that still holds files
  } cases[] = {
      {"newer", "\r\n  3.0.0.6200 \r\n", "3.0.0.6121", {}, all, three, 0, true, ""},
      {"equal", "3.0.0.6121", "3.0.0.6121", {}, {"version.txt"}, {"gone"}, 0, false, ""},
      {"older", "3.0.0.6000", "3.0.0.6121", {}, {"version.txt"}, {"gone"}, 0, false, ""},
      {"own version unknown", "3.0.0.6200", "", {}, all, three, 0, true, ""},
      {"left setup equal", "3.0.0.6200", "3.0.0.6121", "3.0.0.6200",
       {"version.txt", "updateInfo.txt"}, three, 0, true, ""},
      {"left setup lower", "3.0.0.6200", "3.0.0.6121", "3.0.0.6199", all, three, 1, true, ""},
      {"left setup without version", "3.0.0.6200", "3.0.0.6121", "", all, three, 1, true, ""},
      {"left setup, nothing newer listed", "3.0.0.6121", "3.0.0.6121", "3.0.0.6200",
       {"version.txt"}, {kSetup}, 0, false, "cmd /c rd /s /q \"C:\\Temp\\ZelDownLoad\\\""},
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
    const Names notes{"第一行", "第二行"};
    EXPECT_EQ(k.dialog.shown, std::vector<Names>(c.asked ? 1 : 0, notes));
    EXPECT_EQ(k.processes.started, Names(*c.command ? 1 : 0, c.command));
    if (c.asked) {
      EXPECT_EQ(globals.SetupUrl, DefaultServiceBase() + "/download/" + kSetup);
    }
  }
  EXPECT_TRUE(Logs().empty());
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

TEST_F(UpdateTest, ScriptQuotesEveryPathAndDoublesItsPercentSigns) {
  kit.files.temp = "C:\\Users\\张 三\\50% & ^x\\Temp\\";
  kit.owner.exe = "D:\\Program Files (x86)\\泽米 宝\\Zel (2).exe";
  kit.dialog.answer = UpdateAnswer::Accepted;
  ServeNewer(kit);
  Check(kit);
  const std::string temp = "C:\\Users\\张 三\\50%% & ^x\\Temp\\";
  const std::string exe = "\"D:\\Program Files (x86)\\泽米 宝\\Zel (2).exe\"";
  const std::string setup = "\"" + temp + "ZelDownLoad\\Zel_3.0.0.6200.exe\"";
  const Names expected{
      "@echo off & set \"ZelKeep=\"",
      "ping -n 2 127.0.0.1 ",
      "taskkill /f /t /im \"Zel (2).exe\"",
      // "b" is the first letter that is not in the path: cmd cannot take a part of it for the
      // loop's variable.
      "for /l %%b in (1,1,29) do (del " + exe + " & if exist " + exe +
          " (ping -n 2 127.0.0.1 >nul))",
      "del " + exe + " & if exist " + exe + " set ZelKeep=1",
      "if not defined ZelKeep copy /y " + setup + " " + exe,
      "start \"\" " + exe,
      "if not defined ZelKeep del " + setup,
      "if not defined ZelKeep del \"" + temp + "ZelDownLoad\\updateInfo.txt\"",
      "if not defined ZelKeep rd /s /q \"" + temp + "ZelDownLoad\\\"",
      "del \"" + temp + "ZelDownLoad.bat\"",
  };
  const std::string batch = kit.files.temp + "ZelDownLoad.bat";
  EXPECT_EQ(kit.files.scripts[batch], expected);
  EXPECT_EQ(kit.processes.started, Names{"cmd /c \"\"" + batch + "\"\""});
  EXPECT_EQ(kit.owner.calls, (Names{"notopmost", "close"}));
  EXPECT_THROW(UpdateScriptLines({"C:\\a\"b\\Zel.exe", "s", "u", "d\\", "b"}),
               std::invalid_argument);
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
