// A working day of Zel.exe as built, compressed: inserts over the four routes, layout switches,
// trips through the mini window, context menus and declined update checks, with the program's
// handle, GDI and USER object counts and private bytes after warm-up and at the end.
// Run under Wine by tools/soak.sh (make soak), whose stand-in service offers a newer version at
// the built-in service host. A check runs at start and then when the tray is clicked a day after
// the last one: soak.sh lets this program move the wall clock of the Wine processes (its own,
// Zel.exe's) through a file, a day and a minute per round.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/Startup.h"
#include "app/win32/Win32Util.h"
#include "bridge/win32/MiniInputForm.h"
#include "shell/win32/MainForm.h"
#include "shell/win32/TrayIcon.h"
#include "tests/bench/Timing.h"
#include "tests/wine/support/Sheet.h"
#include "tests/wine/support/SystemHandles.h"
#include "tests/wine/support/StandInPage.h"
#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelProcess.h"
#include "update/win32/UpdateInfo.h"

namespace zel::winetest {
namespace {

constexpr DWORD kPageMs = 20000;
// Every kind of round once (ExWinner's is the fifth) before the figures are taken.
constexpr int kWarmUpRounds = 5;
// The automation adapter holds an application up to two seconds after a row: figures are
// taken once that has run out.
constexpr DWORD kSettleMs = 3000;

// One round: a spreadsheet of one kind beside WPS, the page's settings switched between them
// by a refresh from the context menu, and a click on the tray icon a day later at its end.
constexpr int kLayoutSwitchesPerRound = 10;
constexpr int kMiniTripsPerRound = 10;
constexpr int kContextMenusPerRound = 4;

struct Route {
  const char* name;
  const char* role;  // of the stand-in spreadsheet
  const char* soft;
  int insertsPerPhase;  // two phases per round
};
// ExWinner is paced (0.8 s a row by design), so it takes a smaller share.
const Route kDde{"Excel by DDE", "excel-dde-only", "EXCEL", 12};
const Route kOle{"Excel by automation", "excel-ole-only", "EXCEL", 12};
const Route kExWinner{"ExWinner", "exwinner", "EXWINNER", 3};
const Route kWps{"WPS", "wps-ket", "WPS", 10};

const Route& RoundRoute(int round) {
  if (round % 5 == 4) return kExWinner;
  return round % 2 == 0 ? kDde : kOle;
}

std::string Settings(const Route& r) {
  return std::string(R"({"title":",名称,规格","soft":")") + r.soft + R"(","state":"0"})";
}

struct Figures {
  DWORD handles = 0;
  long systemHandles = -1;  // the process's entries in the system's handle list
  long windows = 0;         // its top-level and child windows
  std::map<std::wstring, long> windowClasses;
  std::map<int, HandleType> handleTypes;  // by the system's object type number
  DWORD gdi = 0;
  DWORD user = 0;
  SIZE_T privateBytes = 0;
  SIZE_T workingSet = 0;
  long vmRssKb = -1;  // of the Wine process, when found
};

// /proc/<pid>/status of the Linux process that runs Zel.exe in this prefix; empty when none.
std::string UnixStatusFile() {
  const std::string prefix = "WINEPREFIX=" + Env("WINEPREFIX");
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(L"Z:\\proc\\*", &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  std::string match;
  do {
    const std::string pid = win32::Narrow(found.cFileName);
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream comm("Z:\\proc\\" + pid + "\\comm");
    std::string name;
    std::getline(comm, name);
    if (name != "Zel.exe") continue;
    std::ifstream env("Z:\\proc\\" + pid + "\\environ", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(env)), {});
    if (all.find(prefix + '\0') != std::string::npos) match = "Z:\\proc\\" + pid + "\\status";
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return match;
}

long StatusValueKb(const std::string& statusFile, const std::string& key) {
  std::ifstream status(statusFile);
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
  }
  return -1;
}

using WindowClasses = std::map<std::wstring, long>;

BOOL CALLBACK CountWindow(HWND window, LPARAM state) {
  auto& [pid, classes] = *reinterpret_cast<std::pair<DWORD, WindowClasses>*>(state);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == pid) ++classes[ClassOf(window)];
  return TRUE;
}

BOOL CALLBACK CollectTop(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// EnumChildWindows visits every descendant; top-level windows come from EnumWindows.
WindowClasses WindowsOf(DWORD pid) {
  std::pair<DWORD, WindowClasses> state{pid, {}};
  std::vector<HWND> tops;
  ::EnumWindows(&CollectTop, reinterpret_cast<LPARAM>(&tops));
  for (const HWND top : tops) {
    CountWindow(top, reinterpret_cast<LPARAM>(&state));
    DWORD owner = 0;
    ::GetWindowThreadProcessId(top, &owner);
    if (owner == pid) ::EnumChildWindows(top, &CountWindow, reinterpret_cast<LPARAM>(&state));
  }
  return state.second;
}

// The name of the object type of a handle in another process ("Event", "Key", ...).
std::wstring TypeName(HANDLE process, USHORT value) {
  HANDLE copy = nullptr;
  if (!::DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)),
                         ::GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    return L"?";
  }
  using Query = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
  alignas(8) char buffer[1024] = {};
  std::wstring name = L"?";
  // ObjectTypeInformation: a UNICODE_STRING with the name comes first.
  if (query && query(copy, 2, buffer, sizeof buffer, nullptr) == 0) {
    const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer);
    name.assign(text->Buffer, text->Length / sizeof(wchar_t));
  }
  ::CloseHandle(copy);
  return name;
}

Figures Measure(HANDLE process, const std::string& statusFile) {
  ::Sleep(kSettleMs);
  Figures f;
  if (!::GetProcessHandleCount(process, &f.handles)) {
    std::printf("GetProcessHandleCount failed: %lu\n", ::GetLastError());
  }
  f.handleTypes = SystemHandles(::GetProcessId(process));
  f.systemHandles = 0;
  for (const auto& [type, t] : f.handleTypes) f.systemHandles += t.count;
  f.windowClasses = WindowsOf(::GetProcessId(process));
  for (const auto& [name, count] : f.windowClasses) f.windows += count;
  f.gdi = ::GetGuiResources(process, GR_GDIOBJECTS);
  f.user = ::GetGuiResources(process, GR_USEROBJECTS);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
    f.privateBytes = memory.PrivateUsage;
    f.workingSet = memory.WorkingSetSize;
  } else {
    std::printf("GetProcessMemoryInfo failed: %lu\n", ::GetLastError());
  }
  if (!statusFile.empty()) f.vmRssKb = StatusValueKb(statusFile, "VmRSS");
  return f;
}

void Print(const char* when, const Figures& f) {
  std::printf("%-14s handles %lu (system list %ld), GDI %lu, USER %lu (windows %ld), private "
              "bytes %lu, working set %lu, VmRSS %ld kB\n",
              when, f.handles, f.systemHandles, f.gdi, f.user, f.windows,
              static_cast<unsigned long>(f.privateBytes),
              static_cast<unsigned long>(f.workingSet), f.vmRssKb);
  std::fflush(stdout);
}

// Growth from warm-up to the end, in per cent; "n/a" where the figure is not reported.
std::string Growth(double before, double after) {
  if (before <= 0) return after <= 0 ? "n/a (0 reported)" : "from 0";
  char text[32];
  std::snprintf(text, sizeof text, "%+.2f %%", (after - before) * 100.0 / before);
  return text;
}

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

class Soak {
 public:
  Soak() {
    OfferUpdate(true);
    zel_ = std::make_unique<ZelProcess>(ServiceArguments());
    form_ = WaitForProcessWindow(zel_->Id(), win32::MainForm::kClassName,
                                 win32::Widen(kAppTitle), kPageMs);
    if (form_ == nullptr || !WaitForPageElement(form_, "InsertExcelID", kPageMs)) {
      Fail("Zel.exe showed no wide page");
    }
    tray_ = WaitForProcessWindow(zel_->Id(), win32::TrayIcon::kClassName, L"", 5000);
    if (tray_ == nullptr) Fail("no tray icon window");
    DeclineUpdate();
  }

  // ZEL_SOAK_ONLY, a comma list of dde, ole, exwinner, wps, layout, mini, menu and update,
  // runs only those activities, more of each per round, to find which one a figure follows.
  explicit Soak(std::set<std::string> only) : Soak() { only_ = std::move(only); }

  bool Short() const { return !only_.empty(); }

  void Round(int round) {
    if (Short()) return ShortRound();
    const Route& route = RoundRoute(round);
    // The clock moves first: Zel.exe reads the file again within a second.
    AdvanceClockOneDay();
    SheetProcess& sheet = SheetFor(route);
    SheetProcess& wps = SheetFor(kWps);
    for (int phase = 0; phase < kContextMenusPerRound; ++phase) {
      const bool isWps = phase % 2 == 1;
      const Route& r = isWps ? kWps : route;
      Refresh(r);
      const int count = isWps ? kWps.insertsPerPhase : r.insertsPerPhase;
      for (int i = 0; i < count; ++i) Insert(isWps ? wps : sheet, r);
      if (phase == 0) {
        for (int i = 0; i < kLayoutSwitchesPerRound; ++i) SwitchLayout();
      }
      if (phase == 2) {
        for (int i = 0; i < kMiniTripsPerRound; ++i) MiniTrip();
      }
    }
    OpenFromTray();
    DeclineUpdate();
  }

  // What starts of a spreadsheet served by automation cost the program once it has ended
  // again: each start gets two rows, then the spreadsheet ends while the adapter still holds
  // it, or after that hold ran out.
  Figures RestartCost(int restarts, bool endWhileHeld, HANDLE process, const std::string& status) {
    Refresh(kOle);
    sheets_.erase(&kOle);
    const Figures before = Measure(process, status);
    for (int i = 0; i < restarts; ++i) {
      SheetProcess& sheet = SheetFor(kOle);
      for (int row = 0; row < 2; ++row) Insert(sheet, kOle);
      if (!endWhileHeld) ::Sleep(kSettleMs);
      sheets_.erase(&kOle);
    }
    Figures after = Measure(process, status);
    after.systemHandles -= before.systemHandles;
    for (auto& [type, t] : after.handleTypes) {
      t.count -= before.handleTypes.count(type) ? before.handleTypes.at(type).count : 0;
    }
    return after;
  }

  HANDLE Process() const { return zel_->Handle(); }
  void Quit() {
    sheets_.clear();
    ChoosePageMenuItem(zel_->Id(), form_, L't', [&] { return !zel_->Running(); });
    zel_.reset();
  }

  int inserts = 0, layoutSwitches = 0, miniTrips = 0, contextMenus = 0, updateChecks = 0,
      trayOpens = 0;
  int insertsByRoute[4] = {};

 private:
  static constexpr int kShortInserts = 40;  // a tenth of that for the paced ExWinner
  static constexpr int kShortSwitches = 20;
  static constexpr int kShortMenus = 10;

  bool Does(const char* activity) const { return only_.count(activity) == 1; }

  void ShortRound() {
    const std::pair<const char*, const Route*> routes[] = {
        {"dde", &kDde}, {"ole", &kOle}, {"exwinner", &kExWinner}, {"wps", &kWps}};
    for (const auto& [name, route] : routes) {
      if (!Does(name)) continue;
      if (shown_ != route) Refresh(*route);
      SheetProcess& sheet = SheetFor(*route);
      const int count = route == &kExWinner ? kShortInserts / 10 : kShortInserts;
      for (int i = 0; i < count; ++i) Insert(sheet, *route);
    }
    for (int i = 0; Does("layout") && i < kShortSwitches; ++i) SwitchLayout();
    for (int i = 0; Does("mini") && i < kShortSwitches; ++i) MiniTrip();
    for (int i = 0; Does("menu") && i < kShortMenus; ++i) Refresh(shown_ ? *shown_ : kWps);
    if (Does("update")) {
      AdvanceClockOneDay();
      OpenFromTray();
      DeclineUpdate();
    }
  }

  // The stand-in spreadsheets run for as long as the rounds use their kind: only a kind that
  // serves Excel by DDE (Excel itself or ExWinner) is ended for another, as it would take the
  // rows meant for the one served by automation. Wine keeps a pipe and two events of every
  // automation server that ended (see RestartCost), which the program cannot give back.
  SheetProcess& SheetFor(const Route& route) {
    const bool byDde = &route == &kDde || &route == &kExWinner;
    for (const Route* other : {&kDde, &kExWinner}) {
      if (other != &route && (byDde || &route == &kOle)) {
        sheets_.erase(other);
      }
    }
    auto& sheet = sheets_[&route];
    if (!sheet) {
      sheet.reset(new SheetProcess(
          {"--as", route.role, "--active", &route == &kWps ? "R1C1" : "R1C2"}));
    }
    return *sheet;
  }

  void AdvanceClockOneDay() {
    const std::string file = Env("ZEL_SOAK_CLOCK");
    if (file.empty()) Fail("ZEL_SOAK_CLOCK names no clock file");
    ++days_;
    std::ofstream(WinePath(file), std::ios::trunc) << days_ * 86460 << "\n";
  }

  // The context menu's refresh, after the service was told which settings its pages carry.
  void Refresh(const Route& route) {
    SetServicePage({{"settings", Settings(route)}});
    shown_ = &route;
    const std::set<HWND> before = PageSnapshot(form_);
    if (!ChoosePageMenuItem(zel_->Id(), form_, L'r',
                            [&] { return WaitForNewPage(form_, "InsertExcelID", before, 0); }) ||
        !WaitForNewPage(form_, "InsertExcelID", before, kPageMs)) {
      Fail("refresh from the context menu");
    }
    ++contextMenus;
  }

  void Insert(SheetProcess& sheet, const Route& r) {
    const long row = sheet.Grid().activeRow;
    ClearRecordedScripts();
    if (!ClickPageElement(form_, "InsertExcelID")) Fail("no insert element");
    if (!sheet.WaitForGrid([&](const SheetGrid& g) { return g.activeRow == row + 1; }, 10000)) {
      ::Sleep(10000);
      const auto scripts = RecordedScripts();
      for (const auto& line : scripts) std::printf("script: %s\n", line.c_str());
      const SheetGrid g = sheet.Grid();
      std::printf("grid valid %d, row %ld: %s\n", g.valid ? 1 : 0, row, g.Row(row, 1, 10).c_str());
      std::printf("%zu scripts for %d inserts, last %s; sheet active row %ld, running %d\n",
                  scripts.size(), inserts + 1, scripts.empty() ? "" : scripts.back().c_str(),
                  sheet.Grid().activeRow, sheet.Running() ? 1 : 0);
      Fail(std::string("row ") + std::to_string(row) + " not inserted by " + r.name +
           ", the page shows \"" + win32::Narrow(PageStatus(form_)) + "\"");
    }
    ++inserts;
    ++insertsByRoute[&r == &kDde ? 0 : &r == &kOle ? 1 : &r == &kWps ? 2 : 3];
  }

  void SwitchLayout() {
    const bool wide = PageButtons(form_).count("btnAddTitle") == 1;
    const char* shown = wide ? "QueryPriceID" : "btnAddTitle";
    const std::set<HWND> before = PageSnapshot(form_);
    if (!ClickPageElement(form_, "HVID") || !WaitForNewPage(form_, shown, before, kPageMs)) {
      Fail("layout switch");
    }
    ++layoutSwitches;
  }

  void MiniTrip() {
    if (!ClickPageElement(form_, "MiniID")) Fail("no mini element");
    HWND mini = nullptr;
    PumpUntil(
        [&] {
          for (const HWND w : ProcessWindows(zel_->Id(), win32::MiniInputForm::kClassName)) {
            if (::IsWindowVisible(w)) mini = w;
          }
          return mini != nullptr && PageField(mini, "InputID") != nullptr;
        },
        kPageMs);
    if (mini == nullptr || !WaitForPageElement(mini, "SearchID", kPageMs)) Fail("no mini page");
    SetFieldText(PageField(mini, "InputID"), L"电阻 0603");
    if (!ClickPageElement(mini, "SearchID") ||
        !PumpUntil([&] { return ::IsWindowVisible(form_) && !::IsWindowVisible(mini); },
                   kPageMs)) {
      Fail("back from the mini window");
    }
    ++miniTrips;
  }

  // The version file stands on the service only around each check: every other Zel.exe on this
  // machine asks the same built-in host at its start and must not be offered the update.
  static void OfferUpdate(bool offered) {
    const std::wstring folder = win32::Widen(WinePath(Env("ZEL_SOAK_DOWNLOAD")));
    const std::wstring served = folder + L"\\version.txt";
    if (offered) {
      if (!::CopyFileW((folder + L"\\version.next").c_str(), served.c_str(), FALSE)) {
        Fail("no version file to offer");
      }
    } else {
      ::DeleteFileW(served.c_str());
    }
  }

  // The check (at start, or from the tray a day later) finds the newer version; its dialog is
  // answered "取消".
  void DeclineUpdate() {
    HWND dialog = nullptr;
    PumpUntil(
        [&] {
          for (const HWND w : ProcessWindows(zel_->Id(), win32::TfrmUpdateInfo::kClassName)) {
            if (::IsWindowVisible(w)) dialog = w;
          }
          return dialog != nullptr;
        },
        kPageMs);
    OfferUpdate(false);
    if (dialog == nullptr) Fail("no update dialog");
    const HWND strip =
        ::FindWindowExW(dialog, nullptr, win32::TfrmUpdateInfo::kPanelClassName, nullptr);
    ::PostMessageW(::GetDlgItem(strip, win32::TfrmUpdateInfo::kCancelId), BM_CLICK, 0, 0);
    if (!PumpUntil([&] { return !::IsWindow(dialog); }, 10000)) Fail("dialog stayed");
    ++updateChecks;
  }

  // The tray's click: the main window comes to the front, and a day after the last check a new
  // one starts.
  void OpenFromTray() {
    OfferUpdate(true);
    ::PostMessageW(tray_, win32::TrayIcon::kCallbackMessage, win32::TrayIcon::kIconId,
                   WM_LBUTTONUP);
    if (!PumpUntil([&] { return ::IsWindowVisible(form_) != FALSE; }, 5000)) Fail("tray open");
    ++trayOpens;
  }

  std::set<std::string> only_;
  // Sheets are ended by Close, the user's way: SheetProcess's own Stop ends every one.
  struct CloseSheet {
    void operator()(SheetProcess* sheet) const {
      sheet->Close();
      delete sheet;
    }
  };
  std::map<const Route*, std::unique_ptr<SheetProcess, CloseSheet>> sheets_;
  const Route* shown_ = nullptr;  // whose settings the page carries
  std::unique_ptr<ZelProcess> zel_;
  HWND form_ = nullptr;
  HWND tray_ = nullptr;
  long days_ = 0;
};

int Run() {
  const int rounds = Env("ZEL_SOAK_ROUNDS").empty() ? 50 : std::stoi(Env("ZEL_SOAK_ROUNDS"));
  std::set<std::string> only;
  std::stringstream list(Env("ZEL_SOAK_ONLY"));
  for (std::string name; std::getline(list, name, ',');) only.insert(name);
  StopAnySheet();
  Soak soak(only);
  const std::string status = UnixStatusFile();
  const double start = bench::NowMs();
  for (int r = 0; r < kWarmUpRounds; ++r) soak.Round(r);
  const Figures warm = Measure(soak.Process(), status);
  std::printf("warm-up: %d rounds in %.0f s\n", kWarmUpRounds, (bench::NowMs() - start) / 1000);
  Print("after warm-up", warm);
  for (int r = kWarmUpRounds; r < kWarmUpRounds + rounds; ++r) {
    soak.Round(r);
    if (soak.Short() || (r - kWarmUpRounds + 1) % 10 == 0) {
      Print(("round " + std::to_string(r - kWarmUpRounds + 1)).c_str(),
            Measure(soak.Process(), status));
    }
  }
  const Figures last = Measure(soak.Process(), status);
  Print("at the end", last);
  std::printf(
      "%d inserts (DDE %d, Excel automation %d, WPS %d, ExWinner %d), %d layout switches, "
      "%d mini trips, %d context menus, %d declined update checks (%d from the tray) in %.0f s\n",
      soak.inserts, soak.insertsByRoute[0], soak.insertsByRoute[1], soak.insertsByRoute[2],
      soak.insertsByRoute[3], soak.layoutSwitches, soak.miniTrips, soak.contextMenus,
      soak.updateChecks, soak.trayOpens, (bench::NowMs() - start) / 1000);
  std::printf("growth after warm-up: handles %s (system list %s), GDI %s, USER %s (windows %s), "
              "private bytes %s, working set %s, VmRSS %s\n",
              Growth(warm.handles, last.handles).c_str(),
              Growth(warm.systemHandles, last.systemHandles).c_str(),
              Growth(warm.gdi, last.gdi).c_str(), Growth(warm.user, last.user).c_str(),
              Growth(warm.windows, last.windows).c_str(),
              Growth(static_cast<double>(warm.privateBytes),
                     static_cast<double>(last.privateBytes)).c_str(),
              Growth(static_cast<double>(warm.workingSet),
                     static_cast<double>(last.workingSet)).c_str(),
              Growth(warm.vmRssKb, last.vmRssKb).c_str());
  for (const auto& [name, count] : last.windowClasses) {
    const long before = warm.windowClasses.count(name) ? warm.windowClasses.at(name) : 0;
    if (count != before) std::printf("  windows of class %ls: %ld -> %ld\n", name.c_str(), before, count);
  }
  for (const auto& [type, t] : last.handleTypes) {
    const long before = warm.handleTypes.count(type) ? warm.handleTypes.at(type).count : 0;
    if (t.count != before) {
      std::printf("  handles of type %ls: %ld -> %ld\n",
                  TypeName(soak.Process(), t.sample).c_str(), before, t.count);
    }
  }
  if (status.empty()) std::printf("(no Linux process of Zel.exe found for VmRSS)\n");
  for (const bool held : {false, true}) {
    if (soak.Short()) break;
    constexpr int kRestarts = 5;
    const Figures cost = soak.RestartCost(kRestarts, held, soak.Process(), status);
    std::printf("%d starts of the spreadsheet served by automation, each ended %s, after the "
                "run: %+ld handles in the system list\n",
                kRestarts, held ? "while the adapter held it" : "after the adapter's hold",
                cost.systemHandles);
    for (const auto& [type, t] : cost.handleTypes) {
      if (t.count != 0) {
        std::printf("  handles of type %ls: %+ld\n", TypeName(soak.Process(), t.sample).c_str(),
                    t.count);
      }
    }
  }
  soak.Quit();
  return 0;
}

}  // namespace
}  // namespace zel::winetest

int main() {
  try {
    return zel::winetest::Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "soak: %s\n", e.what());
    return 1;
  }
}
