#include "logging/Logger.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeShell.h"

namespace zel {
namespace {

using fakes::FakeClock;
using fakes::FakeLogFileSystem;

TEST(LogLine, HasTheTimeTagAndCrLf) {
  const LocalDateTime t{2026, 12, 6, 9, 5, 3, 42};
  EXPECT_EQ(FormatLogLine(t, LevelWarning, "横版连接失败"), "09:05:03.042 [Warning] 横版连接失败\r\n");
  EXPECT_EQ(FormatLogLine(t, LevelError, "x"), "09:05:03.042 [Error] x\r\n");
  EXPECT_EQ(LogFileNameFor(t), "20261206.log");
}

TEST(LogLine, EmbeddedNulCutsTheMessageButKeepsTheLineEnd) {
  const LocalDateTime t{2026, 1, 2, 23, 59, 59, 999};
  const std::string message("before\0after", 12);
  EXPECT_EQ(FormatLogLine(t, LevelWarning, message), "23:59:59.999 [Warning] before\r\n");
}

TEST(Logger, DefaultFolderIsLogBesideTheExecutableAndIsCreated) {
  FakeLogFileSystem files;
  FakeClock clock;
  TLogger logger(files, clock, "  ");
  EXPECT_EQ(logger.LogDir(), "C:\\Zel\\log\\");
  EXPECT_TRUE(files.dirs.count("C:\\Zel\\log\\"));
  TLogger explicitDir(files, clock, "D:\\logs\\");
  EXPECT_EQ(explicitDir.LogDir(), "D:\\logs\\");
}

TEST(Logger, UnusableFolderRaisesTheFixedMessage) {
  FakeLogFileSystem files;
  files.canCreate = false;
  FakeClock clock;
  try {
    TLogger logger(files, clock, "");
    FAIL() << "expected LogError";
  } catch (const LogError& e) {
    EXPECT_STREQ(e.what(), "日志路径错误，日志类对象不能被创建");
  }
}

// The folder beside the executable comes first; only where it takes nothing does a line go to
// the user's own folder. A busy file or a folder given by name has no fallback.
TEST(Logger, AFolderThatTakesNothingSendsTheLineToTheUsersFolder) {
  const std::string besideExe = "C:\\Zel\\log\\20261206.log";
  const std::string users = "C:\\Users\\u\\AppData\\Local\\泽米宝\\log\\20261206.log";
  const struct {
    const char* name;
    bool logFolderExists, readOnlyExeFolder, busyFile, noAppData;
    const char* dir;
    std::string landsIn;  // empty: the line fails
  } cases[] = {
      {"writable", false, false, false, false, "", besideExe},
      {"cannot be created", false, true, false, false, "", users},
      {"exists, not writable", true, true, false, false, "", users},
      {"no user folder known", false, true, false, true, "", ""},
      {"busy file", false, false, true, false, "", ""},
      {"folder given by name", true, true, false, false, "C:\\Zel\\log\\", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeLogFileSystem files;
    FakeClock clock;
    clock.now = {2026, 12, 6, 9, 5, 3, 42};
    if (c.logFolderExists) files.dirs.insert("C:\\Zel\\log\\");
    if (c.readOnlyExeFolder) files.readOnly.insert("C:\\Zel\\");
    files.failWrites = c.busyFile;
    if (c.noAppData) files.localAppData.clear();
    try {
      TLogger logger(files, clock, c.dir);
      logger.WriteLog("a", LevelWarning);
      logger.WriteLog("b", LevelWarning);
      EXPECT_FALSE(c.landsIn.empty()) << "written";
    } catch (const LogError&) {
      EXPECT_TRUE(c.landsIn.empty()) << "failed";
    }
    const std::map<std::string, std::string> expected =
        c.landsIn.empty() ? std::map<std::string, std::string>{}
                          : std::map<std::string, std::string>{
                                {c.landsIn, "09:05:03.042 [Warning] a\r\n09:05:03.042 [Warning] b\r\n"}};
    EXPECT_EQ(files.files, expected);
  }
}

TEST(Logger, WritesLevelsFromWarningUpIntoTheDaysFileInTheCodePage) {
  FakeLogFileSystem files;
  files.convert = true;
  FakeClock clock;
  clock.now = {2026, 12, 6, 9, 5, 3, 42};
  TLogger logger(files, clock, "");
  logger.WriteLog("info", LevelInformation);
  logger.WriteLog("notice", LevelNotice);
  EXPECT_TRUE(files.files.empty());
  logger.WriteLog("a", LevelWarning);
  clock.Advance(86400000);
  logger.WriteLog("b", LevelWarning);
  ASSERT_EQ(files.files.size(), 2u);
  EXPECT_EQ(files.files["C:\\Zel\\log\\20261206.log"], "<acp>09:05:03.042 [Warning] a\r\n");
  EXPECT_EQ(files.files["C:\\Zel\\log\\20261207.log"], "<acp>09:05:03.042 [Warning] b\r\n");
}

TEST(Log, NeverThrowsWhateverFails) {
  FakeLogFileSystem files;
  FakeClock clock;
  SetLogEnvironment(&files, &clock);
  files.failWrites = true;
  EXPECT_NO_THROW(Log("lost"));
  files.failWrites = false;
  files.dirs.clear();
  files.canCreate = false;
  EXPECT_NO_THROW(Log("lost too"));
  files.canCreate = true;
  Log("kept");
  EXPECT_EQ(files.Messages(), std::vector<std::string>{"kept"});
  SetLogEnvironment(nullptr, nullptr);
  EXPECT_NO_THROW(Log("nowhere"));
}

}  // namespace
}  // namespace zel
