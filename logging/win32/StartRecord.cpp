#include "logging/win32/StartRecord.h"

#include <windows.h>

#include "app/win32/Dpi.h"
#include "app/win32/Win32Util.h"
#include "logging/win32/CrashCapture.h"

namespace zel::win32 {

std::string WindowsVersion() {
  // Reached by name: the function is ntdll's and MinGW links no import of it.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto get =
      LookupFunction<RtlGetVersionFn>(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (get == nullptr || get(&info) != 0) return {};
  return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
         std::to_string(info.dwBuildNumber);
}

void RecordProgramStart(Win32LogFileSystem& files, IClock& clock,
                        const std::string& programVersion,
                        const std::function<std::string()>& browserVersion) {
  StartFacts facts;
  facts.programVersion = programVersion;
  facts.windowsVersion = WindowsVersion();
  try {
    facts.browserVersion = browserVersion();
  } catch (const std::exception&) {
    // Told as unknown.
  }
  facts.monitors = ::GetSystemMetrics(SM_CMONITORS);
  facts.dpi = MonitorDpi(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
  SetCrashDumpFolder(RecordStart(files, files, clock, facts));
}

}  // namespace zel::win32
