// Time from process start to the main window shown, for Zel.exe and for a bare window program
// in the same test bed: the first start (no state left by earlier runs) and repeat starts.
// Also the time each takes to end after WM_CLOSE. Run under Wine by tools/bench.sh.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/Win32Util.h"
#include "shell/win32/MainForm.h"
#include "tests/bench/Timing.h"
#include "tests/wine/support/WineEnv.h"

namespace {

using namespace zel::winetest;
using zel::bench::Median;
using zel::bench::NowMs;

constexpr int kRepeats = 9;
// Each start waits this long after the last one ended: Wine tears a process's windows down
// after its end, and a start in the middle of that pays for it, whichever program it is.
constexpr DWORD kSettleMs = 600;
constexpr DWORD kWindowTimeoutMs = 20000;
constexpr DWORD kEndTimeoutMs = 10000;

struct Program {
  const char* name;
  std::wstring commandLine;
  const wchar_t* windowClass;
};

struct Start {
  double shownMs = -1;  // -1: the window never showed
  double endedMs = -1;  // -1: did not end within the time after WM_CLOSE
};

HWND VisibleWindowOf(DWORD pid, const wchar_t* windowClass) {
  for (HWND w = ::FindWindowExW(nullptr, nullptr, windowClass, nullptr); w != nullptr;
       w = ::FindWindowExW(nullptr, w, windowClass, nullptr)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(w, &owner);
    if (owner == pid && ::IsWindowVisible(w)) return w;
  }
  return nullptr;
}

Start StartOnce(const Program& program) {
  Start result;
  std::wstring commandLine = program.commandLine;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const double begin = NowMs();
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
    return result;
  }
  ::CloseHandle(pi.hThread);
  HWND window = nullptr;
  while (window == nullptr && NowMs() - begin < kWindowTimeoutMs) {
    window = VisibleWindowOf(pi.dwProcessId, program.windowClass);
    if (window == nullptr) ::Sleep(1);
  }
  if (window != nullptr) {
    result.shownMs = NowMs() - begin;
    // What `taskkill /im` does: ask the window to close.
    const double closing = NowMs();
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, kEndTimeoutMs) == WAIT_OBJECT_0) {
      result.endedMs = NowMs() - closing;
    }
  }
  if (::WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) {
    ::TerminateProcess(pi.hProcess, 99);
    ::WaitForSingleObject(pi.hProcess, 5000);
  }
  ::CloseHandle(pi.hProcess);
  return result;
}

// What an earlier run of Zel.exe leaves: the instance file, the log folder, the emulation value
// and the desktop shortcut. Removed before a first start.
void RemoveZelState(const std::string& exePath) {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  ::DeleteFileW((std::wstring(temp) + L"Zel.ini").c_str());
  const std::wstring exe = zel::win32::Widen(exePath);
  const std::wstring logDir = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"log";
  SHFILEOPSTRUCTW op{};
  std::wstring from = logDir + L'\0';
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  ::SHFileOperationW(&op);
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\"
                      L"FEATURE_BROWSER_EMULATION",
                      0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
    ::RegDeleteValueW(key, L"Zel.exe");
    ::RegCloseKey(key);
  }
  wchar_t desktop[MAX_PATH + 1] = {};
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop))) {
    ::DeleteFileW((std::wstring(desktop) + L"\\泽米宝.lnk").c_str());
  }
}

struct Figures {
  Start first;
  std::vector<Start> repeats;
  double RepeatShown() const {
    std::vector<double> v;
    for (const Start& s : repeats) v.push_back(s.shownMs);
    return Median(v);
  }
  double RepeatEnded() const {
    std::vector<double> v;
    for (const Start& s : repeats) v.push_back(s.endedMs);
    return Median(v);
  }
  int Failures() const {
    int n = first.shownMs < 0 || first.endedMs < 0;
    for (const Start& s : repeats) n += s.shownMs < 0 || s.endedMs < 0;
    return n;
  }
};

Figures Measure(const Program& program, const std::string& zelExe) {
  Figures f;
  if (!zelExe.empty()) RemoveZelState(zelExe);
  ::Sleep(kSettleMs);
  f.first = StartOnce(program);
  for (int i = 0; i < kRepeats; ++i) {
    ::Sleep(kSettleMs);
    f.repeats.push_back(StartOnce(program));
  }
  return f;
}

}  // namespace

int main() {
  // A window of the bench's own keeps Wine's desktop process alive between the starts, so no
  // start pays for bringing it up again, whichever program it is.
  const HWND keepDesktop = ::CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP, 0, 0, 1, 1, nullptr,
                                             nullptr, nullptr, nullptr);
  const std::string zelExe = WinePath(Env("ZEL_EXE"));
  const Program zel{"Zel.exe",
                    L"\"" + zel::win32::Widen(zelExe) + L"\" " + zel::win32::Widen(ServiceHost()),
                    zel::win32::MainForm::kClassName};
  const Program bare{"bare", L"\"" + zel::win32::Widen(BuiltProgram("bare.exe")) + L"\"",
                     L"ZelBareWindow"};
  // One start of each first, so neither pays for what Wine loads once per test bed.
  StartOnce(bare);

  const Figures b = Measure(bare, {});
  const Figures z = Measure(zel, zelExe);
  std::printf("start-up: process start to main window shown, median of %d repeat starts, each "
              "%lu ms after the last ended\n",
              kRepeats, static_cast<unsigned long>(kSettleMs));
  std::printf("%-8s %9s %10s %14s\n", "program", "first_ms", "repeat_ms", "end_by_close_ms");
  std::printf("%-8s %9.1f %10.1f %14.1f\n", "bare", b.first.shownMs, b.RepeatShown(),
              b.RepeatEnded());
  std::printf("%-8s %9.1f %10.1f %14.1f\n", "Zel.exe", z.first.shownMs, z.RepeatShown(),
              z.RepeatEnded());
  const double ownFirst = z.first.shownMs - b.first.shownMs;
  const double ownRepeat = z.RepeatShown() - b.RepeatShown();
  std::printf("Zel's own share: first %.1f ms, repeat %.1f ms (goal: under 100 ms); "
              "ratio Zel/bare: first %.2f, repeat %.2f\n",
              ownFirst, ownRepeat, z.first.shownMs / b.first.shownMs,
              z.RepeatShown() / b.RepeatShown());
  const int failures = b.Failures() + z.Failures();
  if (failures > 0) std::printf("%d starts did not show their window or did not end\n", failures);
  std::fflush(stdout);
  if (keepDesktop != nullptr) ::DestroyWindow(keepDesktop);
  return failures == 0 ? 0 : 1;
}
