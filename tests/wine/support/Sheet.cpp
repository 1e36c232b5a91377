#include "tests/wine/support/Sheet.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {

using win32::Widen;

namespace {
constexpr int kStartTimeoutMs = 10000;
constexpr DWORD kStopTimeoutMs = 5000;

std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  for (const char c : arg) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string ReadFileBytes(const std::string& path) {
  const win32::UniqueHandleObj file = win32::OwnFileHandle(
      ::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string bytes;
  char buf[4096];
  DWORD n = 0;
  while (::ReadFile(file.get(), buf, sizeof buf, &n, nullptr) && n > 0) bytes.append(buf, n);
  return bytes;
}

void SignalQuit() {
  const win32::UniqueHandleObj quit(::OpenEventW(EVENT_MODIFY_STATE, FALSE, L"ZelSheetQuit"));
  if (quit) ::SetEvent(quit.get());
}
}  // namespace

std::string SheetGrid::Cell(long row, long column) const {
  const auto it = cells.find({row, column});
  return it == cells.end() ? "<none>" : it->second;
}

std::string SheetGrid::Row(long row, long fromColumn, long toColumn) const {
  std::string out;
  for (long c = fromColumn; c <= toColumn; ++c) {
    if (c > fromColumn) out += "|";
    out += Cell(row, c);
  }
  return out;
}

std::string SheetGrid::Held(long row, long column) const {
  const auto shown = cells.find({row, column});
  if (shown == cells.end()) return "<none>";
  const auto value = values.find({row, column});
  if (value == values.end()) return "text:" + shown->second;
  if (value->second.first == "number") {
    char number[40];
    std::snprintf(number, sizeof number, "%.15g", value->second.second);
    return "number:" + std::string(number) + ":" + shown->second;
  }
  return value->second.first + ":" + shown->second;
}

std::string SheetProcess::CommandLine(const std::vector<std::string>& args) {
  std::string line = Quote(BuiltProgram("sheet.exe"));
  for (const auto& a : args) line += " " + Quote(a);
  return line;
}

SheetProcess::SheetProcess(const std::vector<std::string>& args) {
  gridFile_ = folder_ / "grid.txt";
  const std::string ready = folder_ / "ready";
  std::vector<std::string> all = args;
  all.insert(all.end(), {"--grid", gridFile_, "--ready", ready});
  std::wstring line = Widen(CommandLine(all));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    throw std::runtime_error("sheet.exe did not start");
  }
  process_.reset(info.hProcess);
  ::CloseHandle(info.hThread);
  const DWORD start = ::GetTickCount();
  while (!FileExists(ready)) {
    if (::WaitForSingleObject(process_.get(), 20) == WAIT_OBJECT_0) {
      throw std::runtime_error("sheet.exe ended before it was ready");
    }
    if (::GetTickCount() - start > static_cast<DWORD>(kStartTimeoutMs)) {
      ::TerminateProcess(process_.get(), 1);
      throw std::runtime_error("sheet.exe was not ready within 10 s");
    }
  }
}

SheetProcess::~SheetProcess() { Stop(); }

bool SheetProcess::Running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

void SheetProcess::Stop() {
  if (!process_) return;
  SignalQuit();
  AwaitEnd();
}

void SheetProcess::AwaitEnd() {
  if (::WaitForSingleObject(process_.get(), kStopTimeoutMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), kStopTimeoutMs);
  }
  process_.reset();
}

namespace {
BOOL CALLBACK CloseListenerOf(HWND window, LPARAM pid) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(pid) && ClassOf(window) == L"ZelSheetDdeListener") {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}
}  // namespace

namespace {
struct WindowOf {
  DWORD process;
  const wchar_t* className;
  HWND found;
};
BOOL CALLBACK FindWindowOf(HWND window, LPARAM param) {
  auto* wanted = reinterpret_cast<WindowOf*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != wanted->process || ClassOf(window) != wanted->className) return TRUE;
  wanted->found = window;
  return FALSE;
}
HWND TopLevelWindowOf(HANDLE process, const wchar_t* className) {
  WindowOf wanted{::GetProcessId(process), className, nullptr};
  ::EnumWindows(&FindWindowOf, reinterpret_cast<LPARAM>(&wanted));
  return wanted.found;
}
}  // namespace

void SheetProcess::BringToFront() const {
  const HWND main = TopLevelWindowOf(process_.get(), L"XLMAIN");
  if (main == nullptr) throw std::runtime_error("the stand-in has no main window");
  ::SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  ::SetForegroundWindow(main);
}

void SheetProcess::EndEditing() const {
  const HWND listener = TopLevelWindowOf(process_.get(), L"ZelSheetDdeListener");
  if (listener == nullptr) throw std::runtime_error("the stand-in has no DDE window");
  // Sent, not posted: edit mode has ended when this returns.
  ::SendMessageW(listener, WM_KEYDOWN, VK_RETURN, 0);
}

void SheetProcess::Close() {
  if (!process_) return;
  ::EnumWindows(&CloseListenerOf, static_cast<LPARAM>(::GetProcessId(process_.get())));
  AwaitEnd();
}

namespace {
// The stand-in writes \\, \r and \n for a backslash, CR and LF inside a cell.
std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
  }
  return out;
}
}  // namespace

SheetGrid SheetProcess::Grid() const {
  SheetGrid grid;
  std::istringstream lines(ReadFileBytes(gridFile_));
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "unicode-refused") {
      grid.unicodeRefused = std::atoi(value.c_str());
      continue;
    }
    const std::string& rc = key == "active" ? value : key;
    char* end = nullptr;
    const long r = std::strtol(rc.c_str(), &end, 10);
    const long c = *end == ',' ? std::strtol(end + 1, nullptr, 10) : 0;
    if (key == "active") {
      grid.activeRow = r;
      grid.activeColumn = c;
      grid.valid = true;
    } else {
      grid.cells[{r, c}] = Unescaped(value);
      // "r,c:kind:value" for a cell that holds no text.
      const std::size_t kind = key.find(':');
      if (kind != std::string::npos) {
        const std::size_t number = key.find(':', kind + 1);
        grid.values[{r, c}] = {key.substr(kind + 1, number - kind - 1),
                               number == std::string::npos ? 0 : std::strtod(key.c_str() + number + 1, nullptr)};
      }
    }
  }
  return grid;
}

bool SheetProcess::WaitForGrid(const std::function<bool(const SheetGrid&)>& condition,
                               int timeoutMs) const {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (condition(Grid())) return true;
    if (::GetTickCount() - start > static_cast<DWORD>(timeoutMs)) return false;
    ::Sleep(5);
  }
}

void StopAnySheet() {
  SignalQuit();
  const DWORD start = ::GetTickCount();
  while (::FindWindowW(L"ZelSheetDdeListener", nullptr) != nullptr &&
         ::GetTickCount() - start < kStopTimeoutMs) {
    ::Sleep(20);
  }
}

}  // namespace zel::winetest
