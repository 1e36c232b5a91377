// Zel.exe as built updates itself: a newer version on the stand-in service, the notes shown
// in the update dialog, and after "确定" the new program running from the old path, twenty
// times in a row (ZEL_UPDATE_RUNS=n for another count).
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

#include "app/Global.h"
#include "app/win32/Owners.h"
#include "tests/wine/support/StandInPage.h"
#include "tests/wine/support/TempFolder.h"
#include "tests/wine/support/UpdateBytes.h"
#include "tests/wine/support/UpdateSigning.h"
#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelProcess.h"
#include "update/win32/SignatureCheck.h"
#include "update/win32/UpdateFiles.h"
#include "update/win32/UpdateInfo.h"

namespace zel::winetest {
namespace {

using win32::TfrmUpdateInfo;
using win32::Widen;

// The update's addresses name the built-in service host, not the one on the command line.
// This relay stands there and passes the requests of one process on to the stand-in service;
// any other program gets 404, so that no other Zel.exe on this machine sees the update.
class DownloadRelay {
 public:
  explicit DownloadRelay(unsigned short port) : port_(port) {
    ws2_ = ::LoadLibraryW(L"ws2_32.dll");
    iphlpapi_ = ::LoadLibraryW(L"iphlpapi.dll");
    WSADATA data{};
    if (!ws2_ || !iphlpapi_ || Api<decltype(&::WSAStartup)>(ws2_, "WSAStartup")(0x202, &data)) {
      return;
    }
    started_ = true;
    listener_ = Api<decltype(&::socket)>(ws2_, "socket")(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.S_un.S_un_b = {127, 0, 0, 1};
    address.sin_port = NetworkOrder(port);
    if (Api<decltype(&::bind)>(ws2_, "bind")(listener_, reinterpret_cast<sockaddr*>(&address),
                                             sizeof address) != 0 ||
        Api<decltype(&::listen)>(ws2_, "listen")(listener_, 8) != 0) {
      return;
    }
    listening_ = true;
    thread_ = std::thread([this] { Serve(); });
  }
  DownloadRelay(const DownloadRelay&) = delete;
  DownloadRelay& operator=(const DownloadRelay&) = delete;
  ~DownloadRelay() {
    if (listener_ != INVALID_SOCKET) Api<decltype(&::closesocket)>(ws2_, "closesocket")(listener_);
    if (thread_.joinable()) thread_.join();
    if (started_) Api<decltype(&::WSACleanup)>(ws2_, "WSACleanup")();
    if (ws2_) ::FreeLibrary(ws2_);
    if (iphlpapi_) ::FreeLibrary(iphlpapi_);
  }

  bool Listening() const { return listening_; }
  void Allow(DWORD pid) { client_ = pid; }

 private:
  static unsigned short NetworkOrder(unsigned short port) {
    return static_cast<unsigned short>((port >> 8) | (port << 8));
  }
  template <typename F>
  static F Api(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
  }

  void Serve() {
    for (;;) {
      sockaddr_in peer{};
      int length = sizeof peer;
      const SOCKET client = Api<decltype(&::accept)>(ws2_, "accept")(
          listener_, reinterpret_cast<sockaddr*>(&peer), &length);
      if (client == INVALID_SOCKET) return;
      Answer(client, FromClient(peer.sin_port));
      Api<decltype(&::shutdown)>(ws2_, "shutdown")(client, SD_SEND);
      Api<decltype(&::closesocket)>(ws2_, "closesocket")(client);
    }
  }

  // Whether the connection from that local port is the allowed process's. The system's table
  // can show a new connection a moment late: an unknown owner is asked again.
  bool FromClient(unsigned short peerPort) const {
    for (int i = 0; i < 50; ++i, ::Sleep(20)) {
      if (const DWORD owner = OwnerOf(peerPort)) return owner == client_.load();
    }
    return false;
  }

  // The process whose connection comes from that local port (network order); 0 when unknown.
  DWORD OwnerOf(unsigned short peerPort) const {
    const auto table = Api<decltype(&::GetExtendedTcpTable)>(iphlpapi_, "GetExtendedTcpTable");
    if (table == nullptr) return 0;
    DWORD size = 0;
    table(nullptr, &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_CONNECTIONS, 0);
    std::string bytes(size, '\0');
    if (table(bytes.data(), &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_CONNECTIONS, 0) != 0) {
      return 0;
    }
    const auto* rows = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(bytes.data());
    for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
      const MIB_TCPROW_OWNER_PID& row = rows->table[i];
      if (row.dwLocalPort == peerPort && row.dwRemotePort == NetworkOrder(port_)) {
        return row.dwOwningPid;
      }
    }
    return 0;
  }

  void Answer(SOCKET client, bool allowed) {
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const int n = Api<decltype(&::recv)>(ws2_, "recv")(client, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      request.append(buffer, static_cast<std::size_t>(n));
    }
    // "GET <path> HTTP/1.1"
    const std::size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    ServiceAnswer answer{404, "not found"};
    try {
      if (allowed) answer = ServiceFetch(path);
    } catch (const std::exception& e) {
      answer = {502, e.what()};
    }
    const std::string reply = "HTTP/1.1 " + std::to_string(answer.status) +
                              " Relayed\r\nContent-Type: application/octet-stream\r\n"
                              "Content-Length: " + std::to_string(answer.body.size()) +
                              "\r\nConnection: close\r\n\r\n" + answer.body;
    Api<decltype(&::send)>(ws2_, "send")(client, reply.data(), static_cast<int>(reply.size()), 0);
  }

  unsigned short port_;
  HMODULE ws2_ = nullptr;
  HMODULE iphlpapi_ = nullptr;
  bool started_ = false;
  SOCKET listener_ = INVALID_SOCKET;
  bool listening_ = false;
  std::atomic<DWORD> client_{0};
  std::thread thread_;
};

std::string TempPath() {
  wchar_t buf[MAX_PATH + 1] = {};
  ::GetTempPathW(ARRAYSIZE(buf), buf);
  return win32::Narrow(buf);
}

std::string BedDownload(const std::string& name) {
  return WinePath(Env("ZEL_TESTBED") + "/download/" + name);
}

// What an edit control of another process holds.
std::wstring ControlText(HWND control) {
  wchar_t text[1024] = {};
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(control, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, 5000, &copied);
  return text;
}

// How many replacements in a row; every second one with the old program slow to let go.
int Runs() {
  const std::string runs = Env("ZEL_UPDATE_RUNS");
  return runs.empty() ? 20 : std::max(1, std::atoi(runs.c_str()));
}

// Sets an environment variable for the programs started meanwhile.
class ScopedEnv {
 public:
  ScopedEnv(const wchar_t* name, const std::string& value) : name_(name) {
    wchar_t old[32768];
    const DWORD n = ::GetEnvironmentVariableW(name, old, ARRAYSIZE(old));
    if (n > 0 && n < ARRAYSIZE(old)) old_ = std::wstring(old, n);
    if (!value.empty()) ::SetEnvironmentVariableW(name, Widen(value).c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { ::SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }

 private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

class UpdateEndToEnd : public ::testing::Test {
 protected:
  void TearDown() override {
    EndProcess();
    Clean();
    ::SetEnvironmentVariableW(L"ZEL_UPDATE_MARK", nullptr);
    // The new program may still be ending after it wrote its mark; the scratch folder goes
    // once its file is free.
    PumpUntil([&] { return ::DeleteFileW(Widen(exe).c_str()) || !FileExists(exe); }, 10000);
  }

  void EndProcess() {
    if (process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process.get(), 99);
      ::WaitForSingleObject(process.get(), 5000);
    }
    process.reset();
  }

  // Nothing of an earlier run may stand in for the downloads.
  void Clean() {
    for (const char* name : {"version.txt", "updateInfo.txt", "Zel_3.0.1.0.exe"}) {
      ::DeleteFileW(Widen(BedDownload(name)).c_str());
    }
    RemoveTree(Widen(downloadFolder()));
    ::DeleteFileW(Widen(batchFile()).c_str());
    ResetService();
  }

  std::string downloadFolder() const { return temp + "ZelDownLoad"; }
  std::string batchFile() const { return temp + "ZelDownLoad.bat"; }

  // The program copied to the scratch folder and started from there against the service.
  // With a locale (LC_ALL), through the Unix shell: Wine takes a process's code pages from its
  // Unix locale, which a Windows parent's environment does not set.
  void StartCopy(const std::string& program, const std::string& locale = "") {
    ASSERT_TRUE(PumpUntil([&] { return ::CopyFileW(Widen(program).c_str(), Widen(exe).c_str(),
                                                   FALSE) != FALSE; }, 10000));
    if (!locale.empty()) return StartWithLocale(locale);
    std::wstring commandLine = L"\"" + Widen(exe) + L"\" \"" + Widen(ServiceHost()) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    process.reset(pi.hProcess);
    pid = pi.dwProcessId;
  }

  void StartWithLocale(const std::string& locale) {
    // The C library may have no such locale compiled (Wine would then take file names as
    // Latin-1): the bed compiles its own. Wine hands a Windows TMP to Unix programs as WINETMP,
    // and back.
    const std::string locales = Env("ZEL_TESTBED") + "/locale-" + locale;
    ASSERT_TRUE(RunShell(Env("ZEL_TESTBED"), "[ -d '" + locales + "/" + locale + "' ] || mkdir -p '" + locales +
                                                 "' && localedef -i " + locale.substr(0, 5) +
                                                 " -f UTF-8 '" + locales + "/" + locale + "'"));
    std::wstring line = Widen("/bin/sh -c \"LOCPATH='" + locales + "' LC_ALL=" + locale +
                              " WINETMP='" + temp + "' WINETEMP='" + temp + "' exec wine '" + exe +
                              "' " + ServiceHost() + " >/dev/null 2>&1\"");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    // The Unix start gives no handle: the program is found by its path among the processes.
    ASSERT_TRUE(PumpUntil([&] { return (pid = ProcessOf(exe)) != 0; }, 20000)) << "not started";
    process.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
                                FALSE, pid));
    ASSERT_TRUE(process);
  }

  // The process whose executable is the path; 0 when none runs.
  static DWORD ProcessOf(const std::string& path) {
    const win32::UniqueHandleObj snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
      const win32::UniqueHandleObj p(
          ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
      wchar_t image[MAX_PATH] = {};
      DWORD size = MAX_PATH;
      if (p && ::QueryFullProcessImageNameW(p.get(), 0, image, &size) &&
          ::lstrcmpiW(image, Widen(path).c_str()) == 0) {
        return entry.th32ProcessID;
      }
    }
    return 0;
  }

  // The started program's log of today, in its code page; empty when there is none.
  std::string ProgramLog() const {
    const std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(Widen(folder + "log\\*.log").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    ::FindClose(search);
    return ReadBytes(folder + "log\\" + win32::Narrow(found.cFileName));
  }

  // The service offers 3.0.1.0 (signed by the running program's publisher); the signed old
  // program is started and asks. The dialog, or nullptr after a failure.
  HWND Offer(const UpdateSigning& signing, const std::string& notes,
             const std::string& locale = "") {
    Clean();
    ::DeleteFileW(Widen(mark).c_str());
    WriteBytes(BedDownload("version.txt"), "3.0.1.0\r\n");
    WriteBytes(BedDownload("updateInfo.txt"), win32::ToAnsi(notes));
    EXPECT_TRUE(::CopyFileW(Widen(signing.File("nextA.exe")).c_str(),
                            Widen(BedDownload("Zel_3.0.1.0.exe")).c_str(), FALSE));
    EndProcess();
    StartCopy(signing.File("runningA.exe"), locale);
    if (!process) return nullptr;
    relay->Allow(pid);
    HWND dialog = nullptr;
    PumpUntil(
        [&] {
          for (const HWND w : ProcessWindows(pid, TfrmUpdateInfo::kClassName, L"系统升级")) {
            if (::IsWindowVisible(w)) dialog = w;
          }
          return dialog != nullptr;
        },
        30000);
    EXPECT_NE(dialog, nullptr) << "no update dialog; the program's log:\n"
                               << win32::FromAnsi(ProgramLog());
    return dialog;
  }

  static HWND OkButton(HWND dialog) {
    const HWND strip =
        ::FindWindowExW(dialog, nullptr, TfrmUpdateInfo::kPanelClassName, nullptr);
    return ::GetDlgItem(strip, TfrmUpdateInfo::kOkId);
  }

  // Whether a program wrote its own path as the mark once the script is done; that path.
  bool StartedAfterScript(std::string& started, DWORD timeoutMs = 40000) const {
    return PumpUntil(
        [&] {
          // Read only once the new program has closed its mark.
          started = ReadBytes(mark);
          return started != "<missing>" && !started.empty() && !FileExists(batchFile()) &&
                 !FileExists(downloadFolder());
        },
        timeoutMs);
  }
  static std::wstring MarkPath(const std::string& started) {
    return std::wstring(reinterpret_cast<const wchar_t*>(started.data()), started.size() / 2);
  }

  // The relay at the built-in host, or why the test cannot run here.
  std::string Relay() {
    const std::string host = DefaultServiceHost();
    const std::string loopback = "127.0.0.1:";
    if (host.rfind(loopback, 0) != 0) return "the built-in host is not here: " + host;
    relay = std::make_unique<DownloadRelay>(
        static_cast<unsigned short>(std::stoi(host.substr(loopback.size()))));
    // Such as "make run", whose service stands at the built-in host.
    if (!relay->Listening()) return "another program holds the built-in host " + host;
    return "";
  }

  const TempFolder scratch{"zel e2e 升级"};
  // A folder whose name Western code pages carry too.
  const TempFolder western{"zel e2e José"};
  std::string exe = scratch / "Zel.exe";
  std::string temp = TempPath();
  const std::string mark = scratch / "started.txt";
  std::unique_ptr<DownloadRelay> relay;
  win32::UniqueHandleObj process;
  DWORD pid = 0;
};

// The build's own Zel.exe carries no signature: it logs why and never offers the update.
TEST_F(UpdateEndToEnd, AnUnsignedProgramNeverOffersTheUpdate) {
  const std::string why = Relay();
  if (!why.empty()) GTEST_SKIP() << why;
  Clean();
  WriteBytes(BedDownload("version.txt"), "3.0.1.0\r\n");
  WriteBytes(BedDownload("updateInfo.txt"), "notes");
  ASSERT_TRUE(::CopyFileW(Widen(BuiltProgram("zelnext.exe")).c_str(),
                          Widen(BedDownload("Zel_3.0.1.0.exe")).c_str(), FALSE));
  StartCopy(WinePath(Env("ZEL_EXE")));
  ASSERT_FALSE(HasFailure());
  relay->Allow(pid);

  const std::string line = win32::ToAnsi("升级需要已签名的程序");
  ASSERT_TRUE(PumpUntil([&] { return ProgramLog().find(line) != std::string::npos; }, 30000))
      << ProgramLog();
  PumpUntil([] { return false; }, 1000);  // nothing more comes
  EXPECT_TRUE(ProcessWindows(pid, TfrmUpdateInfo::kClassName, L"系统升级").empty());
  std::vector<std::string> downloads;
  for (const std::string& path : RequestedPaths()) {
    if (path.rfind("/download/", 0) == 0) downloads.push_back(path);
  }
  EXPECT_EQ(downloads, std::vector<std::string>{"/download/version.txt"});
  EXPECT_FALSE(FileExists(batchFile()));
  EndProcess();
  RemoveTree(Widen(scratch / "log"));
}

// Both programs are signed by the same test publisher, as a release and its update are.
TEST_F(UpdateEndToEnd, ANewerVersionOnTheServiceReplacesTheProgramAtItsPathEveryTime) {
  const std::string why = Relay();
  if (!why.empty()) GTEST_SKIP() << why;
  const UpdateSigning signing(Env("ZEL_BIN") + "/zelnext.exe", Env("ZEL_EXE"));
  ASSERT_EQ(signing.Problem(), "");

  const std::string notes = "泽米宝 3.0.1.0\r\n1. 插入WPS表格更快\r\n\r\n2. 修复迷你窗口";
  ::SetEnvironmentVariableW(L"ZEL_UPDATE_MARK", Widen(mark).c_str());
  const int runs = Runs();
  for (int run = 0; run < runs; ++run) {
    // Every second run the old program's file stays held for 3 s after "确定", as by a
    // program slow to end (removing its tray icon can take 2 s), beyond the script's first
    // pause and its forced end.
    const bool slow = run % 2 == 1;
    SCOPED_TRACE("run " + std::to_string(run + 1) + (slow ? ", slow to end" : ""));
    const HWND dialog = Offer(signing, notes);
    ASSERT_NE(dialog, nullptr);
    if (run == 0) {
      std::vector<std::string> downloads;
      for (const std::string& path : RequestedPaths()) {
        if (path.rfind("/download/", 0) == 0) downloads.push_back(path);
      }
      EXPECT_EQ(downloads, (std::vector<std::string>{"/download/version.txt",
                                                     "/download/updateInfo.txt",
                                                     "/download/Zel_3.0.1.0.exe"}));
      EXPECT_EQ(ControlText(::GetDlgItem(dialog, TfrmUpdateInfo::kMemoId)), Widen(notes));
    }
    const HWND ok = OkButton(dialog);
    ASSERT_EQ(WindowText(ok), L"确定");
    // Read sharing only: nobody can delete the file while this is open.
    win32::UniqueHandleObj held;
    if (slow) {
      held = win32::OwnFileHandle(::CreateFileW(Widen(exe).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(held);
    }
    const DWORD clicked = ::GetTickCount();
    ::PostMessageW(ok, BM_CLICK, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0) << "still running";
    if (slow) {
      PumpUntil([&] { return ::GetTickCount() - clicked >= 3000; }, 4000);
      held.reset();
    }

    std::string started;
    ASSERT_TRUE(StartedAfterScript(started))
        << "mark " << started.size() << ", script " << FileExists(batchFile()) << ", folder "
        << FileExists(downloadFolder());
    EXPECT_EQ(MarkPath(started), Widen(exe));
    EXPECT_EQ(win32::Win32UpdateFiles().GetFileVersion(exe), "3.0.1.0");
    EXPECT_FALSE(FileExists(exe + ".new"));
    // The new program has ended once it wrote its mark; its file is taken back for the next run.
    ASSERT_TRUE(PumpUntil([&] { return ::DeleteFileW(Widen(exe).c_str()) != FALSE; }, 10000));
  }
}

// What the review did to the replacement: each case either installs the signed new program
// (it runs from the old path) or leaves the old one in place, running, with a log line.
TEST_F(UpdateEndToEnd, WhatHappensAroundTheCheckNeverInstallsAnotherProgramOrLosesThisOne) {
  const std::string why = Relay();
  if (!why.empty()) GTEST_SKIP() << why;
  const UpdateSigning signing(Env("ZEL_BIN") + "/zelnext.exe", Env("ZEL_EXE"));
  ASSERT_EQ(signing.Problem(), "");
  ::SetEnvironmentVariableW(L"ZEL_UPDATE_MARK", Widen(mark).c_str());
  // Windows defines it; cmd would expand the pair in a path.
  const ScopedEnv os(L"OS", "Windows_NT");
  const std::string unsignedProgram = signing.File("plain.exe");
  const std::string german = "de_DE.UTF-8";
  const struct {
    const char* what;
    std::string programFolder;  // the program's folder
    std::string tempName;       // the program's TMP, a folder under scratch; empty: the bed's
    std::string locale;         // its LC_ALL; empty: the bed's
    std::function<void(const std::string& download, const std::string& folder)> before;
    std::function<void(const std::string& download)> whileAsked;
    bool replaced;
  } cases[] = {
      {"an unsigned program written over the download while asked", scratch.Path(), "", "",
       nullptr,
       [&](const std::string& download) {
         EXPECT_TRUE(::CopyFileW(Widen(unsignedProgram).c_str(), Widen(download).c_str(), FALSE));
       },
       true},
      {"the download removed while asked", scratch.Path(), "", "", nullptr,
       [](const std::string& download) { EXPECT_TRUE(::DeleteFileW(Widen(download).c_str())); },
       true},
      {"a cmd.exe beside the program", scratch.Path(), "", "",
       [&](const std::string&, const std::string& folder) {
         EXPECT_TRUE(::CopyFileW(Widen(unsignedProgram).c_str(),
                                 Widen(folder + "\\cmd.exe").c_str(), FALSE));
       },
       nullptr, true},
      {"TMP holding %OS% and &", scratch.Path(), "t%OS%x & y", "", nullptr, nullptr, true},
      {"German code pages, a temporary folder José", western.Path(), "José", german, nullptr,
       nullptr, true},
      {"German code pages, a program folder the console's code page cannot carry",
       scratch.Path(), "José", german, nullptr, nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    exe = c.programFolder + "\\Zel.exe";
    const std::string tempFolder = c.tempName.empty() ? TempPath() : scratch / c.tempName + "\\";
    ::CreateDirectoryW(Widen(tempFolder).c_str(), nullptr);
    std::optional<ScopedEnv> tmp;
    if (!c.tempName.empty()) tmp.emplace(L"TMP", tempFolder);
    temp = tempFolder;
    if (c.before) c.before(downloadFolder() + "\\Zel_3.0.1.0.exe", c.programFolder);
    const HWND dialog = Offer(signing, "notes", c.locale);
    ASSERT_NE(dialog, nullptr);
    if (c.whileAsked) c.whileAsked(downloadFolder() + "\\Zel_3.0.1.0.exe");
    ::PostMessageW(OkButton(dialog), BM_CLICK, 0, 0);

    std::string started;
    if (c.replaced) {
      EXPECT_EQ(::WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0) << "still running";
      EXPECT_TRUE(StartedAfterScript(started)) << "nothing started; the program's log:\n"
                                               << win32::FromAnsi(ProgramLog());
      EXPECT_EQ(MarkPath(started), Widen(exe));
      const Signature installed = win32::Win32SignatureCheck().Inspect(exe);
      EXPECT_EQ(installed.state, SignatureState::Valid);
      EXPECT_EQ(installed.subject, "CN=Zel Test Publisher A, O=Zel Tests");
      EXPECT_EQ(win32::Win32UpdateFiles().GetFileVersion(exe), "3.0.1.0");
    } else {
      // Refused: one line says why, the program runs on, nothing of it was moved.
      EXPECT_TRUE(PumpUntil([&] { return ProgramLog().find("0x00000459") != std::string::npos; },
                            10000))
          << ProgramLog();
      EXPECT_EQ(::WaitForSingleObject(process.get(), 3000), WAIT_TIMEOUT) << "ended";
      EXPECT_TRUE(ReadBytes(exe) == ReadBytes(signing.File("runningA.exe"))) << "replaced";
      EXPECT_FALSE(FileExists(batchFile()));
    }
    EXPECT_FALSE(FileExists(exe + ".new"));
    ::DeleteFileW(Widen(c.programFolder + "\\cmd.exe").c_str());
    EndProcess();
    RemoveTree(Widen(c.programFolder + "\\log"));
    PumpUntil([&] { return ::DeleteFileW(Widen(exe).c_str()) || !FileExists(exe); }, 10000);
    Clean();
    if (!c.tempName.empty()) RemoveTree(Widen(tempFolder));
  }
}

}  // namespace
}  // namespace zel::winetest
