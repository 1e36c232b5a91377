#include "logging/Support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeShell.h"

namespace zel {
namespace {

using fakes::FakeClock;
using fakes::FakeLogFileSystem;

TEST(CrashDump, NameCarriesTheLocalTimeAndIsTheOnlyDumpNameRecognised) {
  EXPECT_STREQ(CrashDumpName({2026, 12, 9, 1, 2, 3, 456}).data(), "Zel-20261209-010203.dmp");
  EXPECT_TRUE(IsCrashDumpName(CrashDumpName({2026, 1, 31, 23, 59, 59, 0}).data()));
  for (const char* other : {"zel-20261209-010203.dmp", "Zel-20261209-0102.dmp",
                            "Zel-20261209-010203.dmp.txt", "Zel-2026120x-010203.dmp", "x.dmp"}) {
    EXPECT_FALSE(IsCrashDumpName(other)) << other;
  }
}

// Today is 1 March 2026: 30 days back is 30 January (February has 28 days).
TEST(LogFolderUpkeep, OldDayLogsAndDumpsBeyondFiveGoOtherNamesStay) {
  const std::vector<std::string> names{
      "20260130.log", "20260129.log", "20251231.log", "20260301.log", "20991231.log",
      "20260230.log",  // no such day: not a day log of ours
      "2026012.log", "20260101.log.bak", "20260101.LOG", "notes.txt", "Zel.ini",
      "Zel-20260220-000000.dmp", "Zel-20260101-120000.dmp", "Zel-20260228-235959.dmp",
      "Zel-20250101-000000.dmp", "Zel-20260101-115959.dmp", "Zel-20260301-000001.dmp",
      "Zel-20260215-101010.dmp", "zel-20200101-000000.dmp"};
  std::vector<std::string> removed = FilesToRemove(names, {2026, 3, 1, 8, 0, 0, 0});
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, (std::vector<std::string>{"20251231.log", "20260129.log",
                                               "Zel-20250101-000000.dmp",
                                               "Zel-20260101-115959.dmp"}));
  EXPECT_TRUE(FilesToRemove({"Zel-20260101-115959.dmp", "20260131.log"}, {2026, 3, 1}).empty());
}

TEST(SupportLines, StartLineAndFaultLineSayWhatSupportNeeds) {
  const StartFacts facts{"3.0.0.6121", "10.0.19045", "11.1.19041.0", 2, 144};
  EXPECT_EQ(StartLineText(facts, true),
            "启动：版本 3.0.0.6121，Windows 10.0.19045，浏览器控件 11.1.19041.0，显示器 2 个，"
            "DPI 144，程序文件夹可写入");
  EXPECT_EQ(StartLineText({"", "", "", 1, 96}, false),
            "启动：版本 未知，Windows 未知，浏览器控件 未知，显示器 1 个，DPI 96，程序文件夹不可写入");

  CrashFacts fault{0xC0000005u, 0x401a2bu, "Zel.exe", 0x1a2b, "Zel-20261209-010203.dmp", ""};
  EXPECT_EQ(CrashLineText(fault),
            "程序崩溃：异常 c0000005，地址 0x401a2b（Zel.exe+0x1a2b），转储 Zel-20261209-010203.dmp");
  fault = {0xC00000FDu, 0x7ff612345678u, "", 0, "", "磁盘已满"};
  EXPECT_EQ(CrashLineText(fault),
            "程序崩溃：异常 c00000fd，地址 0x7ff612345678（不在任何模块内），转储未写入：磁盘已满");
}

// The start line says whether the folder beside the program took it, and the upkeep happens in
// the folder the line went to; a file that stays, or a folder that cannot be listed, is a line.
TEST(RecordStart, TellsWhereTheLogGoesAndTidiesThatFolder) {
  const std::string exeLog = "C:\\Zel\\log\\";
  const std::string userLog = "C:\\Users\\u\\AppData\\Local\\泽米宝\\log\\";
  const struct {
    const char* name;
    bool readOnlyExeFolder, listingFails, undeletable;
    std::string folder;
    std::vector<std::string> messages;
  } cases[] = {
      {"beside the program", false, false, false, exeLog,
       {"启动：版本 3.0.0.6121，Windows 6.1.7601，浏览器控件 11.0，显示器 1 个，DPI 96，程序文件夹可写入"}},
      {"user's folder", true, false, false, userLog,
       {"启动：版本 3.0.0.6121，Windows 6.1.7601，浏览器控件 11.0，显示器 1 个，DPI 96，"
        "程序文件夹不可写入"}},
      {"a file stays", false, false, true, exeLog,
       {"旧文件删除失败：20261101.log：access denied"}},
      {"no listing", false, true, false, exeLog, {"日志文件夹无法读取：folder unreadable"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeLogFileSystem files;
    FakeClock clock;
    clock.now = {2026, 12, 9, 8, 0, 0, 0};
    if (c.readOnlyExeFolder) {
      files.readOnly.insert("C:\\Zel\\");
      files.dirs.insert(exeLog);
    }
    for (const char* name : {"20261101.log", "20261201.log", "readme.txt"}) {
      files.files[c.folder + name] = "x";
    }
    files.failListing = c.listingFails;
    if (c.undeletable) files.undeletable.insert(c.folder + "20261101.log");
    SetLogEnvironment(&files, &clock);
    EXPECT_EQ(RecordStart(files, files, clock, {"3.0.0.6121", "6.1.7601", "11.0", 1, 96}),
              c.folder);
    SetLogEnvironment(nullptr, nullptr);

    std::vector<std::string> messages = files.Messages();
    messages.erase(messages.begin());  // the start line: in every case the first
    std::vector<std::string> expected = c.messages;
    if (!c.undeletable && !c.listingFails) {
      EXPECT_EQ(files.Messages().front(), c.messages.front());
      expected.clear();
    }
    EXPECT_EQ(messages, expected);
    EXPECT_EQ(files.files.count(c.folder + "20261101.log"), c.undeletable || c.listingFails);
    EXPECT_EQ(files.files.count(c.folder + "20261201.log"), 1u);
    EXPECT_EQ(files.files.count(c.folder + "readme.txt"), 1u);
  }
}

}  // namespace
}  // namespace zel
