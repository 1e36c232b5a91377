#include "export/win32/MainWindows.h"

#include <cwchar>

namespace zel::win32 {

namespace {

struct Search {
  const wchar_t* className;
  std::vector<HWND> found;
  bool visibleOnly;
  bool firstOnly;
};

bool OfClass(HWND window, const wchar_t* className) {
  wchar_t name[64] = {};
  return ::GetClassNameW(window, name, ARRAYSIZE(name)) > 0 && std::wcscmp(name, className) == 0;
}

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!OfClass(window, search->className)) return TRUE;
  if (search->visibleOnly && !::IsWindowVisible(window)) return TRUE;
  search->found.push_back(window);
  return search->firstOnly ? FALSE : TRUE;
}

}  // namespace

MainWindowClass MainWindowClassOf(const std::string& serviceOrProgId) {
  // Excel's windows, as every tool that reaches an Excel by its window knows them. WPS and
  // ExWinner: not known here.
  if (serviceOrProgId == "Excel" || serviceOrProgId == "EXCEL.Application") {
    return {L"XLMAIN", L"EXCEL7"};
  }
  return {};
}

std::vector<HWND> MainWindowsTopFirst(const wchar_t* className) {
  Search search{className, {}, true, false};
  if (className != nullptr) ::EnumWindows(&Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::uint32_t ProcessOf(HWND window) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  return process;
}

std::vector<std::uint32_t> ProcessesOf(const std::vector<HWND>& windows) {
  std::vector<std::uint32_t> processes;
  for (const HWND w : windows) processes.push_back(ProcessOf(w));
  return processes;
}

HWND DescendantOf(HWND window, const wchar_t* className) {
  Search search{className, {}, false, true};
  ::EnumChildWindows(window, &Collect, reinterpret_cast<LPARAM>(&search));
  return search.found.empty() ? nullptr : search.found.front();
}

}  // namespace zel::win32
