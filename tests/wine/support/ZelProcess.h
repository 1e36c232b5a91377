#pragma once
// Starting Zel.exe from a Wine test and finding its windows.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/win32/Owners.h"

namespace zel::winetest {

// One started Zel.exe. Ended by its process handle when the object goes, if it still runs.
class ZelProcess {
 public:
  // Starts Zel.exe with the arguments (each quoted). Throws Win32Error.
  explicit ZelProcess(const std::vector<std::string>& args);
  ZelProcess(const ZelProcess&) = delete;
  ZelProcess& operator=(const ZelProcess&) = delete;
  ~ZelProcess();

  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_.get(); }
  bool Running() const;
  // True when the process ended within the time; its exit code goes to *code.
  bool WaitForExit(DWORD timeoutMs, DWORD* code = nullptr);
  void Terminate();

 private:
  win32::UniqueHandleObj process_;
  DWORD id_ = 0;
};

// Zel.exe started against the test bed's stand-in service, so its connectivity check passes.
std::vector<std::string> ServiceArguments();

// Top-level windows of the process with the class (and the title, unless empty).
std::vector<HWND> ProcessWindows(DWORD pid, const std::wstring& className,
                                 const std::wstring& title = {});
// The first such window, waiting for it up to the time; nullptr when none came.
HWND WaitForProcessWindow(DWORD pid, const std::wstring& className, const std::wstring& title,
                          DWORD timeoutMs);

std::wstring WindowText(HWND window);
std::wstring ClassOf(HWND window);
// The texts of a window's direct and indirect children.
std::vector<std::wstring> ChildTexts(HWND window);

// Processes this thread's messages until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// The bytes of today's log file beside Zel.exe ("log\yyyymmdd.log"), empty when there is none.
std::string TodaysLog();

// %TEMP%\Zel.ini, the instance file.
std::wstring InstanceFilePath();

}  // namespace zel::winetest
