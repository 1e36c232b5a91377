// Zel.exe as built updates itself: a newer version on the stand-in service, the notes shown
// in the update dialog, and after "确定" the new program running from the old path, twenty
// times in a row (ZEL_UPDATE_RUNS=n for another count).
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
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
    RemoveTree(Widen(downloadFolder));
    ::DeleteFileW(Widen(batchFile).c_str());
    ResetService();
  }

  // The program copied to the scratch folder and started from there against the service.
  void StartCopy(const std::string& program) {
    ASSERT_TRUE(PumpUntil([&] { return ::CopyFileW(Widen(program).c_str(), Widen(exe).c_str(),
                                                   FALSE) != FALSE; }, 10000));
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

  // The started program's log of today, in the system code page; empty when there is none.
  std::string ProgramLog() const {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(Widen(scratch / "log\\*.log").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    ::FindClose(search);
    return ReadBytes(scratch / ("log\\" + win32::Narrow(found.cFileName)));
  }

  const TempFolder scratch{"zel e2e 升级"};
  const std::string exe = scratch / "Zel.exe";
  const std::string downloadFolder = TempPath() + "ZelDownLoad";
  const std::string batchFile = TempPath() + "ZelDownLoad.bat";
  win32::UniqueHandleObj process;
  DWORD pid = 0;
};

// The build's own Zel.exe carries no signature: it logs why and never offers the update.
TEST_F(UpdateEndToEnd, AnUnsignedProgramNeverOffersTheUpdate) {
  const std::string host = DefaultServiceHost();
  const std::string loopback = "127.0.0.1:";
  if (host.rfind(loopback, 0) != 0) GTEST_SKIP() << "the built-in host is not here: " << host;
  DownloadRelay relay(static_cast<unsigned short>(std::stoi(host.substr(loopback.size()))));
  if (!relay.Listening()) GTEST_SKIP() << "another program holds the built-in host " << host;
  Clean();
  WriteBytes(BedDownload("version.txt"), "3.0.1.0\r\n");
  WriteBytes(BedDownload("updateInfo.txt"), "notes");
  ASSERT_TRUE(::CopyFileW(Widen(BuiltProgram("zelnext.exe")).c_str(),
                          Widen(BedDownload("Zel_3.0.1.0.exe")).c_str(), FALSE));
  StartCopy(WinePath(Env("ZEL_EXE")));
  ASSERT_FALSE(HasFailure());
  relay.Allow(pid);

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
  EXPECT_FALSE(FileExists(batchFile));
  EndProcess();
  RemoveTree(Widen(scratch / "log"));
}

// Both programs are signed by the same test publisher, as a release and its update are.
TEST_F(UpdateEndToEnd, ANewerVersionOnTheServiceReplacesTheProgramAtItsPathEveryTime) {
  const std::string host = DefaultServiceHost();
  const std::string loopback = "127.0.0.1:";
  if (host.rfind(loopback, 0) != 0) GTEST_SKIP() << "the built-in host is not here: " << host;
  DownloadRelay relay(static_cast<unsigned short>(std::stoi(host.substr(loopback.size()))));
  // Such as "make run", whose service stands at the built-in host.
  if (!relay.Listening()) GTEST_SKIP() << "another program holds the built-in host " << host;
  const UpdateSigning signing(Env("ZEL_BIN") + "/zelnext.exe", Env("ZEL_EXE"));
  ASSERT_EQ(signing.Problem(), "");

  const std::string notes = "泽米宝 3.0.1.0\r\n1. 插入WPS表格更快\r\n\r\n2. 修复迷你窗口";
  const std::string mark = scratch / "started.txt";
  ::SetEnvironmentVariableW(L"ZEL_UPDATE_MARK", Widen(mark).c_str());
  const int runs = Runs();
  for (int run = 0; run < runs; ++run) {
    // Every second run the old program's file stays held for 3 s after "确定", as by a
    // program slow to end (removing its tray icon can take 2 s), beyond the script's first
    // pause and its forced end.
    const bool slow = run % 2 == 1;
    SCOPED_TRACE("run " + std::to_string(run + 1) + (slow ? ", slow to end" : ""));
    Clean();
    ::DeleteFileW(Widen(mark).c_str());
    WriteBytes(BedDownload("version.txt"), "3.0.1.0\r\n");
    WriteBytes(BedDownload("updateInfo.txt"), win32::ToAnsi(notes));
    ASSERT_TRUE(::CopyFileW(Widen(signing.File("nextA.exe")).c_str(),
                            Widen(BedDownload("Zel_3.0.1.0.exe")).c_str(), FALSE));
    StartCopy(signing.File("runningA.exe"));
    ASSERT_FALSE(HasFailure());
    relay.Allow(pid);

    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
          for (const HWND w : ProcessWindows(pid, TfrmUpdateInfo::kClassName, L"系统升级")) {
            if (::IsWindowVisible(w)) dialog = w;
          }
          return dialog != nullptr;
        },
        30000))
        << "no update dialog; the program's log:\n" << win32::FromAnsi(ProgramLog());
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
    const HWND strip =
        ::FindWindowExW(dialog, nullptr, TfrmUpdateInfo::kPanelClassName, nullptr);
    const HWND ok = ::GetDlgItem(strip, TfrmUpdateInfo::kOkId);
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
    ASSERT_TRUE(PumpUntil(
        [&] {
          // Read only once the new program has closed its mark.
          started = ReadBytes(mark);
          return started != "<missing>" && !started.empty() && !FileExists(batchFile) &&
                 !FileExists(downloadFolder);
        },
        40000))
        << "mark " << started.size() << ", script " << FileExists(batchFile) << ", folder "
        << FileExists(downloadFolder);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(started.data()), started.size() / 2),
              Widen(exe));
    EXPECT_EQ(win32::Win32UpdateFiles().FileVersion(exe), "3.0.1.0");
    // The new program has ended once it wrote its mark; its file is taken back for the next run.
    ASSERT_TRUE(PumpUntil([&] { return ::DeleteFileW(Widen(exe).c_str()) != FALSE; }, 10000));
  }
}

}  // namespace
}  // namespace zel::winetest
