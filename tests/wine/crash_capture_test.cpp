// The real Zel.exe, copied into a folder of its own: at start it writes its start line and
// tidies its log folder; a fault injected into it (a thread started at a bad address, or at the
// runtime's abort) leaves a minidump and a log line, and the process ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "app/Startup.h"
#include "app/win32/Owners.h"
#include "logging/Support.h"
#include "shell/win32/MainForm.h"
#include "tests/wine/support/TempFolder.h"
#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel {
namespace {

using winetest::TempFolder;

std::string ReadFile(const std::string& path) {
  std::ifstream file(win32::Widen(path).c_str(), std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(win32::Widen(path).c_str(), std::ios::binary) << bytes;
}

std::set<std::string> FileNamesIn(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAW found{};
  const win32::UniqueFind search =
      win32::OwnFind(::FindFirstFileW(win32::Widen(folder + "\\*").c_str(), &found));
  if (!search) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.insert(win32::Narrow(found.cFileName));
    }
  } while (::FindNextFileW(search.get(), &found));
  return names;
}

// "yyyymmdd.log" of the day so many days before today.
std::string DayLogBefore(int days) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  FILETIME ft{};
  ::SystemTimeToFileTime(&now, &ft);
  ULARGE_INTEGER t{};
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  t.QuadPart -= static_cast<ULONGLONG>(days) * 24 * 3600 * 10000000ULL;
  ft.dwLowDateTime = t.LowPart;
  ft.dwHighDateTime = t.HighPart;
  SYSTEMTIME then{};
  ::FileTimeToSystemTime(&ft, &then);
  return LogFileNameFor({then.wYear, then.wMonth, then.wDay});
}

// Zel.exe in a folder of its own, so its "log\" beside it belongs to this test.
class CopiedZel {
 public:
  CopiedZel() : folder_("crash") {
    const std::string exe = folder_ / "Zel.exe";
    EXPECT_TRUE(::CopyFileW(win32::Widen(winetest::WinePath(original_)).c_str(),
                            win32::Widen(exe).c_str(), FALSE));
    ::SetEnvironmentVariableW(L"ZEL_EXE", win32::Widen(exe).c_str());
    ::CreateDirectoryW(win32::Widen(LogFolder()).c_str(), nullptr);
  }
  CopiedZel(const CopiedZel&) = delete;
  CopiedZel& operator=(const CopiedZel&) = delete;
  ~CopiedZel() { ::SetEnvironmentVariableW(L"ZEL_EXE", win32::Widen(original_).c_str()); }

  std::string LogFolder() const { return folder_ / "log"; }

 private:
  std::string original_ = winetest::Env("ZEL_EXE");
  TempFolder folder_;
};

// Started and shown: the start steps ran before the window.
HWND StartedWindow(const winetest::ZelProcess& zel) {
  return winetest::WaitForProcessWindow(zel.Id(), win32::MainForm::kClassName,
                                        win32::Widen(kAppTitle), 20000);
}

TEST(StartRecord, StartLineIsWrittenOldDayLogsAndDumpsBeyondFiveGoOtherNamesStay) {
  const CopiedZel copy;
  const std::string log = copy.LogFolder();
  const std::set<std::string> stay{DayLogBefore(30), DayLogBefore(1), "notes.txt", "2026.log",
                                   "Zel-20000101-000001.dmp", "Zel-20000101-000002.dmp",
                                   "Zel-20000101-000003.dmp", "Zel-20000101-000004.dmp",
                                   "Zel-20000101-000005.dmp"};
  const std::set<std::string> go{DayLogBefore(31), DayLogBefore(400), "Zel-20000101-000000.dmp"};
  for (const auto& name : stay) WriteFile(log + "\\" + name, "old");
  for (const auto& name : go) WriteFile(log + "\\" + name, "old");

  winetest::ZelProcess zel(winetest::ServiceArguments());
  ASSERT_NE(StartedWindow(zel), nullptr);
  std::set<std::string> expected = stay;
  expected.insert(DayLogBefore(0));
  EXPECT_EQ(FileNamesIn(log), expected);

  const std::string today = win32::FromAnsi(ReadFile(log + "\\" + DayLogBefore(0)));
  EXPECT_NE(today.find("[Warning] 启动：版本 3.0.0.6121，Windows "), std::string::npos) << today;
  EXPECT_NE(today.find("，显示器 1 个，DPI 96，程序文件夹可写入\r\n"), std::string::npos) << today;
}

TEST(CrashCapture, AnInjectedFaultLeavesADumpAndALineAndEndsTheProcess) {
  // A thread started at an address nothing is mapped at, and one started at the runtime's abort
  // (the C runtime lies at the same address in every process of this bitness).
  const auto abortAt = reinterpret_cast<std::uintptr_t>(
      ::GetProcAddress(::GetModuleHandleW(L"msvcrt.dll"), "abort"));
  ASSERT_NE(abortAt, 0u);
  const struct {
    const char* name;
    std::uintptr_t start;
    DWORD code;
    const char* where;  // in the line
  } cases[] = {
      {"access violation", 0x1230, 0xC0000005, "c0000005，地址 0x1230（不在任何模块内）"},
      {"abort", abortAt, 0xE0000003, "e0000003，地址 0x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CopiedZel copy;
    winetest::ZelProcess zel(winetest::ServiceArguments());
    ASSERT_NE(StartedWindow(zel), nullptr);

    const win32::UniqueHandleObj thread(::CreateRemoteThread(
        zel.Handle(), nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(c.start), nullptr, 0,
        nullptr));
    ASSERT_TRUE(thread) << ::GetLastError();
    DWORD exitCode = 0;
    ASSERT_TRUE(zel.WaitForExit(30000, &exitCode)) << "the process did not end";
    EXPECT_EQ(exitCode, c.code);

    std::vector<std::string> dumps;
    for (const auto& name : FileNamesIn(copy.LogFolder())) {
      if (IsCrashDumpName(name)) dumps.push_back(name);
    }
    ASSERT_EQ(dumps.size(), 1u);
    const std::string dump = ReadFile(copy.LogFolder() + "\\" + dumps[0]);
    EXPECT_EQ(dump.substr(0, 4), "MDMP");
    EXPECT_GT(dump.size(), 1000u);

    const std::string today = win32::FromAnsi(ReadFile(copy.LogFolder() + "\\" + DayLogBefore(0)));
    EXPECT_NE(today.find(std::string("[Error] 程序崩溃：异常 ") + c.where), std::string::npos)
        << today;
    EXPECT_NE(today.find("，转储 " + dumps[0] + "\r\n"), std::string::npos) << today;
  }
}

// The faults only a program of its own can do, each on a thread of its own.
TEST(CrashCapture, FaultsTheRuntimeReportsAndAStackOverflowLeaveADumpAndALine) {
  const struct {
    const wchar_t* kind;
    DWORD code;
  } cases[] = {
      {L"overflow", 0xC00000FD},
      // The 64-bit runtime unwinds by the system's exceptions: one that no frame takes reaches
      // the system's handling as its own code ("GCC"), before std::terminate would.
      {L"throw", sizeof(void*) == 8 ? 0x20474343u : 0xE0000001u},
      {L"purecall", 0xE0000001},  // GCC's pure virtual call ends in std::terminate
      // An invalid C runtime parameter ("badparam") cannot be shown here: Wine's msvcrt.dll
      // exports no _set_invalid_parameter_handler, and its checks return EINVAL instead.
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(win32::Narrow(c.kind));
    const TempFolder folder("fault");
    std::wstring commandLine = L"\"" + win32::Widen(winetest::BuiltProgram("faulty.exe")) +
                               L"\" " + c.kind + L" \"" + win32::Widen(folder.Path()) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    win32::UniqueProcessInformation process;
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, nullptr, &si, process.put()));
    ASSERT_EQ(::WaitForSingleObject(process.Process(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.Process(), &exitCode);
    EXPECT_EQ(exitCode, c.code);

    std::vector<std::string> dumps;
    for (const auto& name : FileNamesIn(folder.Path())) {
      if (IsCrashDumpName(name)) dumps.push_back(name);
    }
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_EQ(ReadFile(folder / dumps[0]).substr(0, 4), "MDMP");
    char code[16];
    std::snprintf(code, sizeof code, "%08lx", static_cast<unsigned long>(c.code));
    const std::string today = win32::FromAnsi(ReadFile(folder / DayLogBefore(0)));
    EXPECT_NE(today.find(std::string("[Error] 程序崩溃：异常 ") + code + "，地址 0x"),
              std::string::npos)
        << today;
    EXPECT_NE(today.find("，转储 " + dumps[0] + "\r\n"), std::string::npos) << today;
  }
}

}  // namespace
}  // namespace zel
