// Entry, command line, grid file and the commands of the DDE command language.
#include <windows.h>

#include <shellapi.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>

#include "Sheet.h"
#include "SheetDde.h"
#include "SheetWindow.h"
#include "app/Errors.h"
#include "app/win32/Owners.h"

namespace sheet {

using zel::win32::Narrow;

namespace {
State* gState = nullptr;

long ToLong(const std::wstring& text) { return std::wcstol(text.c_str(), nullptr, 10); }

// "R3C2" (what follows is ignored); false when it is not of that form.
bool ParseCell(const std::string& text, long& row, long& column) {
  if (text.size() < 4 || (text[0] != 'R' && text[0] != 'r')) return false;
  char* end = nullptr;
  row = std::strtol(text.c_str() + 1, &end, 10);
  if (end == text.c_str() + 1 || (*end != 'C' && *end != 'c')) return false;
  const char* columnStart = end + 1;
  column = std::strtol(columnStart, &end, 10);
  return end != columnStart && row > 0 && column > 0;
}

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::optional<std::string> ClipboardText(HWND owner) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (::OpenClipboard(owner)) {
      std::optional<std::string> text;
      if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(::GlobalLock(data))) {
          text = Narrow(wide);
          ::GlobalUnlock(data);
        }
      }
      ::CloseClipboard();
      return text;
    }
    ::Sleep(20);
  }
  return std::nullopt;
}

// Pastes rows of tab-separated cells from the active cell; the active cell stays.
bool Paste(HWND owner) {
  State& s = Current();
  const std::optional<std::string> text = ClipboardText(owner);
  if (!text) return false;
  std::istringstream lines(*text);
  std::string line;
  long row = s.grid.ActiveRow();
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    long column = s.grid.ActiveColumn();
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', start);
      const std::string text = line.substr(start, tab - start);
      s.grid.Store(row, column++, s.options.role == "exwinner" ? Literal(text) : Pasted(text));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    ++row;
  }
  s.grid.Save();
  return true;
}
}  // namespace

State& Current() { return *gState; }

bool EndsEditing(UINT message, WPARAM key) {
  if (message != WM_KEYDOWN || (key != VK_RETURN && key != VK_ESCAPE)) return false;
  Current().editing = false;
  Current().dialog = false;
  return true;
}

Options ParseOptions(const std::vector<std::wstring>& args) {
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == L"--as" && hasValue) {
      o.role = Narrow(args[++i]);
    } else if (a == L"--active" && hasValue) {
      ParseCell(Narrow(args[++i]), o.activeRow, o.activeColumn);
    } else if (a == L"--refuse") {
      o.refuse = true;
    } else if (a == L"--refuse-paste") {
      o.refusePaste = true;
    } else if (a == L"--silent") {
      o.silent = true;
    } else if (a == L"--slow" && hasValue) {
      o.slowMs = static_cast<int>(ToLong(args[++i]));
    } else if (a == L"--ole-slow" && hasValue) {
      o.oleSlowMs = static_cast<int>(ToLong(args[++i]));
    } else if (a == L"--ole-silent") {
      o.oleSilent = true;
    } else if (a == L"--busy" && hasValue) {
      o.busyMs = static_cast<int>(ToLong(args[++i]));
    } else if (a == L"--editing") {
      o.editing = true;
    } else if (a == L"--dialog") {
      o.dialog = true;
    } else if (a == L"--late-write" && hasValue) {
      o.lateWriteMs = static_cast<int>(ToLong(args[++i]));
    } else if (a == L"--no-arrays") {
      o.noArrays = true;
    } else if (a == L"--no-selection") {
      o.noSelection = true;
    } else if (a == L"--grid" && hasValue) {
      o.gridFile = args[++i];
    } else if (a == L"--ready" && hasValue) {
      o.readyFile = args[++i];
    }
  }
  return o;
}

Grid::Grid(const Options& options)
    : activeRow_(options.activeRow), activeColumn_(options.activeColumn), file_(options.gridFile) {}

void Grid::Set(long row, long column, const Cell& cell) {
  cells_[{row, column}] = cell;
  Save();
}

void Grid::Select(long row, long column) {
  activeRow_ = row;
  activeColumn_ = column;
  Save();
}

std::string Grid::Get(long row, long column) const {
  const auto it = cells_.find({row, column});
  return it == cells_.end() ? std::string() : it->second.shown;
}

// One line per cell: a backslash, CR and LF inside a text are written as \\, \r and \n.
std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

void Grid::Save() const {
  if (file_.empty()) return;
  std::string out;
  for (const auto& [at, cell] : cells_) {
    out += std::to_string(at.first) + "," + std::to_string(at.second);
    if (cell.kind != "text") {
      char value[40];
      std::snprintf(value, sizeof value, "%.15g", cell.value);
      out += ":" + cell.kind + ":" + value;
    }
    out += "=" + Escaped(cell.shown) + "\n";
  }
  out += "active=" + std::to_string(activeRow_) + "," + std::to_string(activeColumn_) + "\n";
  out += "unicode-refused=" + std::to_string(unicodeRefused_) + "\n";
  const std::wstring temp = file_ + L".tmp";
  const HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  ::CloseHandle(file);
  // A reader that has the grid open at that moment can make the replacement fail (Wine): try
  // again, or the file would keep an old state for good.
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (::MoveFileExW(temp.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
    ::Sleep(5);
  }
  std::fprintf(stderr, "sheet: grid file not replaced (%lu)\n", ::GetLastError());
}

std::wstring DdeService(const std::string& role) {
  if (role == "excel" || role == "excel-dde-only") return L"Excel";
  if (role == "exwinner") return L"EXCEL";
  return {};
}

std::string SelectionText() {
  const State& s = Current();
  const std::string cell =
      "R" + std::to_string(s.grid.ActiveRow()) + "C" + std::to_string(s.grid.ActiveColumn());
  if (s.options.role == "exwinner") return "'[价格.xls]Sheet1'!" + cell;
  return kBookName + ("!" + cell);
}

bool CarryOut(const std::string& commands, HWND clipboardOwner) {
  State& s = Current();
  if (s.options.refuse || commands.empty() || commands[0] != '[') return false;
  std::size_t at = 0;
  while (at < commands.size() && commands[at] == '[') {
    const std::size_t close = commands.find(']', at);
    if (close == std::string::npos) return false;
    const std::string command = commands.substr(at + 1, close - at - 1);
    at = close + 1;
    const std::size_t paren = command.find('(');
    const std::string name = Upper(command.substr(0, paren));
    if (name == "SELECT" && paren != std::string::npos) {
      // SELECT("R3C6:R3C6") or SELECT("R3C6"): the first cell becomes the active one.
      const std::size_t quote = command.find('"', paren);
      long row = 0, column = 0;
      if (quote == std::string::npos || !ParseCell(command.substr(quote + 1), row, column)) {
        return false;
      }
      s.grid.Select(row, column);
    } else if (name == "COPY") {
      // COPY("R1C1:R100C100") copies that range, COPY the active cell.
      long top = s.grid.ActiveRow(), left = s.grid.ActiveColumn(), bottom = top, right = left;
      if (paren != std::string::npos) {
        const std::size_t quote = command.find('"', paren);
        const std::size_t colon = command.find(':', paren);
        if (quote == std::string::npos || !ParseCell(command.substr(quote + 1), top, left) ||
            colon == std::string::npos || !ParseCell(command.substr(colon + 1), bottom, right) ||
            bottom < top || right < left) {
          return false;
        }
      }
      if (!CopyToClipboard(top, left, bottom, right)) return false;
    } else if (name == "PASTE" && paren == std::string::npos) {
      if (s.options.refusePaste || !Paste(clipboardOwner)) return false;
    } else {
      return false;
    }
  }
  return at == commands.size() || commands[at] == '\0';
}

}  // namespace sheet

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  ::LocalFree(argv);

  // Faults go to stderr, where the test run shows them.
  zel::SetExceptionReporter(
      [](const std::string& message) { std::fprintf(stderr, "sheet: %s\n", message.c_str()); });
  sheet::State state(sheet::ParseOptions(args));
  state.editing = state.options.editing;
  state.dialog = state.options.dialog;
  sheet::gState = &state;
  zel::win32::UniqueHandleObj quit(::CreateEventW(nullptr, TRUE, FALSE, L"ZelSheetQuit"));
  // A quit signal left over from an earlier run is not meant for this one.
  ::ResetEvent(quit.get());

  int exitCode = 0;
  HRESULT com = E_FAIL;
  try {
    state.grid.Save();
    // First of all, so that a client that started this program finds it as soon as it can.
    // Also the window that WM_CLOSE ends, in roles without DDE.
    sheet::DdeListener dde(sheet::DdeService(state.options.role));
    com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    sheet::StartAutomation(state.options.role);
    // Shown last, so that the instance started last stands in front, as on a desktop.
    const std::unique_ptr<sheet::MainWindow> main = sheet::MainWindow::ForRole(state.options.role);
    state.busyUntil = ::GetTickCount() + static_cast<DWORD>(state.options.busyMs);
    if (!state.options.readyFile.empty()) {
      zel::win32::UniqueHandleObj ready(zel::win32::OwnFileHandle(
          ::CreateFileW(state.options.readyFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr)));
    }
    const HANDLE waits[] = {quit.get()};
    bool running = true;
    while (running) {
      const DWORD woke = ::MsgWaitForMultipleObjects(1, waits, FALSE, INFINITE, QS_ALLINPUT);
      if (woke == WAIT_OBJECT_0) break;
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          running = false;
          break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
  } catch (...) {
    zel::ReportCurrentException();
    exitCode = 1;
  }
  sheet::StopAutomation();
  if (SUCCEEDED(com)) ::CoUninitialize();
  return exitCode;
}
