// The log files against the real file system: code page, folders, sharing and failures.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/win32/Win32Util.h"
#include "logging/Logger.h"
#include "logging/win32/Win32Clock.h"
#include "logging/win32/Win32LogFileSystem.h"
#include "tests/wine/support/TempFolder.h"

namespace {

using zel::LocalDateTime;
using zel::LogError;
using zel::TLogger;
using zel::win32::Win32Clock;
using zel::win32::Win32LogFileSystem;
using zel::win32::Widen;
using zel::winetest::FileExists;
using zel::winetest::TempFolder;

// "横版连接失败" in code page 936.
const std::string kGbkMessage = "\xBA\xE1\xB0\xE6\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC";

std::string ReadBytes(const std::string& path) {
  const zel::win32::UniqueHandleObj file = zel::win32::OwnFileHandle(
      ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return "<missing>";
  std::string bytes;
  char buf[4096];
  DWORD n = 0;
  while (::ReadFile(file.get(), buf, sizeof buf, &n, nullptr) && n > 0) bytes.append(buf, n);
  return bytes;
}

bool IsTimeStamp(const std::string& s) {
  static const char kPattern[] = "dd:dd:dd.ddd";
  if (s.size() < sizeof kPattern - 1) return false;
  for (std::size_t i = 0; i + 1 < sizeof kPattern; ++i) {
    const bool digit = s[i] >= '0' && s[i] <= '9';
    if (kPattern[i] == 'd' ? !digit : s[i] != kPattern[i]) return false;
  }
  return true;
}

// A clock standing still on one day, so a test owns "the first line of a new day".
class FixedClock final : public zel::IClock {
 public:
  explicit FixedClock(LocalDateTime t) : t_(t) {}
  LocalDateTime Now() override { return t_; }
  std::int64_t TickMs() override { return 0; }
  void Sleep(int) override {}

 private:
  LocalDateTime t_;
};

// The real file system, with the executable's folder moved into a test folder.
class RootedFileSystem final : public zel::ILogFileSystem {
 public:
  explicit RootedFileSystem(std::string root) : root_(std::move(root)) {}
  bool DirectoryExists(const std::string& p) override { return real_.DirectoryExists(p); }
  bool ForceDirectories(const std::string& p) override { return real_.ForceDirectories(p); }
  void AppendToFile(const std::string& p, const std::string& b) override {
    real_.AppendToFile(p, b);
  }
  std::string ExecutableDir() override { return root_ + "\\"; }
  std::string ToSystemCodePage(const std::string& u) override { return real_.ToSystemCodePage(u); }

 private:
  Win32LogFileSystem real_;
  std::string root_;
};

TEST(LogFile, LineIsWrittenInTheAnsiCodePageIntoNewNestedFolder) {
  ASSERT_EQ(::GetACP(), 936u) << "the test bed runs with LC_ALL=zh_CN.UTF-8";
  TempFolder temp("zel_log");
  Win32LogFileSystem files;
  Win32Clock clock;
  const std::string dir = temp / "a\\b\\log\\";
  ASSERT_FALSE(files.DirectoryExists(dir));

  TLogger logger(files, clock, dir);
  EXPECT_TRUE(files.DirectoryExists(dir));
  const LocalDateTime before = clock.Now();
  logger.WriteLog("横版连接失败", zel::LevelWarning);
  logger.WriteLog("不写", zel::LevelNotice);

  // Midnight may fall between the clock reading and the write.
  std::string bytes = ReadBytes(dir + zel::LogFileNameFor(before));
  if (bytes == "<missing>") bytes = ReadBytes(dir + zel::LogFileNameFor(clock.Now()));
  ASSERT_TRUE(IsTimeStamp(bytes)) << bytes;
  EXPECT_EQ(bytes.substr(12), " [Warning] " + kGbkMessage + "\r\n");
}

TEST(LogFile, ExecutableDirIsTheFolderOfTheRunningProgram) {
  Win32LogFileSystem files;
  const std::string dir = files.ExecutableDir();
  const std::string exe = zel::win32::ExecutablePath();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_EQ(exe.substr(0, dir.size()), dir);
  EXPECT_EQ(exe.substr(dir.size()), "logging_test.exe");
}

TEST(LogFile, UnusableFolderRaisesTheLoggersError) {
  TempFolder temp("zel_log");
  // A file where a folder should be, and a drive that does not exist.
  const std::string blocker = temp / "blocker";
  Win32LogFileSystem files;
  files.AppendToFile(blocker, "x");
  ASSERT_TRUE(FileExists(blocker));
  std::string missingDrive;
  const DWORD drives = ::GetLogicalDrives();
  for (char letter = 'Q'; letter <= 'Y' && missingDrive.empty(); ++letter) {
    if (!(drives & (1u << (letter - 'A')))) missingDrive = std::string(1, letter) + ":\\zel\\log\\";
  }
  ASSERT_FALSE(missingDrive.empty());

  Win32Clock clock;
  for (const std::string& dir : {blocker + "\\log\\", blocker + "\\", missingDrive}) {
    SCOPED_TRACE(dir);
    try {
      TLogger logger(files, clock, dir);
      ADD_FAILURE() << "no error";
    } catch (const LogError& e) {
      EXPECT_STREQ(e.what(), "日志路径错误，日志类对象不能被创建");
    }
  }
}

TEST(LogFile, TwoWritersOfTheFirstLineOfADayBothLand) {
  TempFolder temp("zel_log");
  const std::string dir = temp.Path() + "\\";
  Win32LogFileSystem files;
  constexpr int kDays = 100;
  for (int day = 1; day <= kDays; ++day) {
    FixedClock clock({2026, 1 + (day - 1) / 28, 1 + (day - 1) % 28, 23, 59, 59, 999});
    std::atomic<int> ready{0};
    std::atomic<int> failures{0};
    auto writer = [&](const std::string& text) {
      try {
        TLogger logger(files, clock, dir);
        ++ready;
        while (ready.load() < 2) {
        }
        logger.WriteLog(text, zel::LevelWarning);
      } catch (...) {
        ++failures;
      }
    };
    std::thread a(writer, "writer A");
    std::thread b(writer, "writer B");
    a.join();
    b.join();
    const std::string bytes = ReadBytes(dir + zel::LogFileNameFor(clock.Now()));
    SCOPED_TRACE("day " + std::to_string(day));
    EXPECT_EQ(failures.load(), 0);
    EXPECT_NE(bytes.find("23:59:59.999 [Warning] writer A\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("23:59:59.999 [Warning] writer B\r\n"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.size(), 2 * std::string("23:59:59.999 [Warning] writer A\r\n").size());
    if (HasFailure()) break;
  }
}

TEST(LogFile, FileHeldExclusivelyFailsTheAppendButNotLog) {
  TempFolder temp("zel_log");
  RootedFileSystem files(temp.Path());
  FixedClock clock({2026, 12, 6, 9, 5, 3, 42});
  ASSERT_TRUE(files.ForceDirectories(temp / "log"));
  const std::string path = temp / "log\\20261206.log";
  {
    const zel::win32::UniqueHandleObj holder = zel::win32::OwnFileHandle(::CreateFileW(
        Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_THROW(files.AppendToFile(path, "x\r\n"), LogError);

    zel::SetLogEnvironment(&files, &clock);
    zel::Log("被挡住");  // noexcept: a throw here would end the test program
  }
  EXPECT_EQ(ReadBytes(path), "");

  // Once the holder is gone the same call reaches that very file.
  zel::Log("横版连接失败");
  zel::SetLogEnvironment(nullptr, nullptr);
  EXPECT_EQ(ReadBytes(path), "09:05:03.042 [Warning] " + kGbkMessage + "\r\n");
}

}  // namespace
