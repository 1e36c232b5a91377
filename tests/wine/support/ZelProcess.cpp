#include "tests/wine/support/ZelProcess.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/wine/support/WineEnv.h"

namespace zel::winetest {

namespace {
std::wstring Quoted(const std::string& text) { return L"\"" + win32::Widen(text) + L"\""; }

struct Search {
  DWORD pid;
  const std::wstring* className;
  const std::wstring* title;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
  auto& s = *reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s.pid && ClassOf(hwnd) == *s.className &&
      (s.title->empty() || WindowText(hwnd) == *s.title)) {
    s.found.push_back(hwnd);
  }
  return TRUE;
}

BOOL CALLBACK CollectText(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(WindowText(hwnd));
  return TRUE;
}
}  // namespace

ZelProcess::ZelProcess(const std::vector<std::string>& args) {
  std::wstring commandLine = Quoted(WinePath(Env("ZEL_EXE")));
  for (const auto& arg : args) commandLine += L" " + Quoted(arg);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
    win32::ThrowLastError("CreateProcessW");
  }
  ::CloseHandle(pi.hThread);
  process_.reset(pi.hProcess);
  id_ = pi.dwProcessId;
}

ZelProcess::~ZelProcess() { Terminate(); }

bool ZelProcess::Running() const {
  return ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool ZelProcess::WaitForExit(DWORD timeoutMs, DWORD* code) {
  if (::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
  if (code != nullptr) ::GetExitCodeProcess(process_.get(), code);
  return true;
}

void ZelProcess::Terminate() {
  if (process_ && Running()) {
    ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

std::vector<std::string> ServiceArguments() { return {ServiceHost()}; }

std::vector<HWND> ProcessWindows(DWORD pid, const std::wstring& className,
                                 const std::wstring& title) {
  Search s{pid, &className, &title, {}};
  ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitForProcessWindow(DWORD pid, const std::wstring& className, const std::wstring& title,
                          DWORD timeoutMs) {
  HWND found = nullptr;
  PumpUntil(
      [&] {
        const auto windows = ProcessWindows(pid, className, title);
        if (!windows.empty()) found = windows.front();
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

std::wstring WindowText(HWND window) {
  wchar_t buf[512] = {};
  ::GetWindowTextW(window, buf, ARRAYSIZE(buf));
  return buf;
}

std::wstring ClassOf(HWND window) {
  wchar_t buf[256] = {};
  ::GetClassNameW(window, buf, ARRAYSIZE(buf));
  return buf;
}

std::vector<std::wstring> ChildTexts(HWND window) {
  std::vector<std::wstring> texts;
  ::EnumChildWindows(window, &CollectText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (condition()) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

std::wstring InstanceFilePath() {
  wchar_t buf[MAX_PATH + 1] = {};
  ::GetTempPathW(ARRAYSIZE(buf), buf);
  std::wstring path = buf;
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  return path + L"Zel.ini";
}

std::string TodaysLog() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  wchar_t name[16];
  swprintf(name, 16, L"%04u%02u%02u.log", now.wYear, now.wMonth, now.wDay);
  std::wstring exe = win32::Widen(WinePath(Env("ZEL_EXE")));
  const std::wstring path = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"log\\" + name;
  std::ifstream file(path.c_str(), std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace zel::winetest
