// The log files against the real file system: code page, folders, sharing and failures.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "app/win32/Owners.h"
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
  std::string LocalAppDataDir() override { return real_.LocalAppDataDir(); }
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

// The day's file in "log\" beside a stand-in executable folder, while another handle holds it.
class LogFileInUse : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(files.ForceDirectories(temp / "log")); }

  TempFolder temp{"zel_log"};
  RootedFileSystem files{temp.Path()};
  FixedClock clock{{2026, 12, 6, 9, 5, 3, 42}};
  const std::string path = temp / "log\\20261206.log";
};

TEST_F(LogFileInUse, FileHeldExclusivelyFailsTheAppendButNotLog) {
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

// A backup or indexing tool locks the whole file: the line waits for its turn a short while
// only, then fails like an unwritable file and Log() goes on; a lock let go within that while
// lets the line through.
TEST_F(LogFileInUse, ALockHeldByAnotherProgramDelaysTheLineBoundedly) {
  const DWORD patience = Win32LogFileSystem::kLockPatienceMs;
  zel::SetLogEnvironment(&files, &clock);
  const struct {
    DWORD holdMs;  // how long the other handle keeps its lock after Log() starts
    bool lands;
  } cases[] = {{INFINITE, false}, {patience / 4, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.holdMs == INFINITE ? "held throughout" : "let go early");
    const zel::win32::UniqueHandleObj other = zel::win32::OwnFileHandle(
        ::CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(other);
    OVERLAPPED whole{};
    ASSERT_TRUE(::LockFileEx(other.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole));

    const zel::win32::UniqueHandleObj done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const DWORD start = ::GetTickCount();
    std::atomic<DWORD> took{0};
    std::thread writer([&] {
      zel::Log("横版连接失败");
      took = ::GetTickCount() - start;
      ::SetEvent(done.get());
    });
    const DWORD waited = ::WaitForSingleObject(done.get(), c.holdMs == INFINITE ? 5000 : c.holdMs);
    ::UnlockFileEx(other.get(), 0, MAXDWORD, MAXDWORD, &whole);
    writer.join();
    std::printf("  Log() under a foreign lock held %s: returned after %lu ms\n",
                c.holdMs == INFINITE ? "throughout" : "briefly", took.load());
    if (c.holdMs == INFINITE) {
      EXPECT_EQ(waited, WAIT_OBJECT_0) << "Log() still blocked after 5 s";
      EXPECT_GE(took.load() + 20, patience) << "given up without waiting its turn";
      EXPECT_LT(took.load(), patience + 1000);
    }
    EXPECT_EQ(ReadBytes(path), c.lands ? "09:05:03.042 [Warning] " + kGbkMessage + "\r\n" : "");
  }
  zel::SetLogEnvironment(nullptr, nullptr);
}

// The Linux path of a Windows path; empty when Wine names none.
std::string LinuxPath(const std::string& windowsPath) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = toUnix ? toUnix(Widen(windowsPath).c_str()) : nullptr;
  if (unix == nullptr) return {};
  const std::string path = unix;
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return path;
}

// Runs a Linux shell command from inside Wine, which starts Linux programs as they are but
// does not wait for them: the command leaves its exit status in a file. True when it was 0.
bool RunLinux(const std::string& command) {
  const TempFolder scratch("zel_sh");
  const std::string status = LinuxPath(scratch / "status");
  std::wstring line = L"/bin/sh -c \"" + Widen(command + "; echo $? >'" + status + "'") + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (status.empty() || !::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE,
                                          0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  for (int waited = 0; waited < 10000; waited += 20) {
    const std::string bytes = ReadBytes(scratch / "status");
    if (bytes != "<missing>" && bytes.find('\n') != std::string::npos) return bytes == "0\n";
    ::Sleep(20);
  }
  return false;
}

// The folder made read-only for the object's life by a read-only bind mount over itself: the
// tests run as root, whom permission bits do not stop.
class ReadOnlyMount {
 public:
  explicit ReadOnlyMount(const std::string& windowsPath) : path_(LinuxPath(windowsPath)) {
    if (path_.empty()) return;
    mounted_ = RunLinux("mount --bind '" + path_ + "' '" + path_ + "'");
    ok_ = mounted_ && RunLinux("mount -o remount,ro,bind '" + path_ + "'");
  }
  ~ReadOnlyMount() {
    if (mounted_) RunLinux("umount '" + path_ + "'");
  }
  ReadOnlyMount(const ReadOnlyMount&) = delete;
  ReadOnlyMount& operator=(const ReadOnlyMount&) = delete;
  bool Ok() const { return ok_; }

 private:
  std::string path_;
  bool mounted_ = false;
  bool ok_ = false;
};

// An install folder the user cannot write: the lines go to the user's own folder, whether the
// log folder beside the executable is missing or there but read-only.
TEST(LogFile, ALineFromAReadOnlyInstallFolderLandsInTheUsersFolder) {
  Win32LogFileSystem real;
  const std::string users = real.LocalAppDataDir() + "泽米宝\\log\\20261207.log";
  ASSERT_GT(users.size(), std::string("泽米宝\\log\\20261207.log").size());
  FixedClock clock({2026, 12, 7, 8, 0, 0, 1});
  for (const bool logFolderThere : {false, true}) {
    SCOPED_TRACE(logFolderThere ? "log folder there" : "no log folder");
    ::DeleteFileW(Widen(users).c_str());
    TempFolder temp("zel_install");
    if (logFolderThere) {
      ASSERT_TRUE(real.ForceDirectories(temp / "log"));
    }
    RootedFileSystem files(temp.Path());
    {
      const ReadOnlyMount readOnly(temp.Path());
      ASSERT_TRUE(readOnly.Ok()) << "no read-only bind mount";
      EXPECT_FALSE(::CreateDirectoryW(Widen(temp / "probe").c_str(), nullptr));
      zel::SetLogEnvironment(&files, &clock);
      zel::Log("横版连接失败");
      zel::SetLogEnvironment(nullptr, nullptr);
    }
    EXPECT_EQ(ReadBytes(users), "08:00:00.001 [Warning] " + kGbkMessage + "\r\n");
    EXPECT_EQ(ReadBytes(temp / "log\\20261207.log"), "<missing>");
    ::DeleteFileW(Widen(users).c_str());
  }
}

}  // namespace
