// Time from the insert click to the row standing in the stand-in spreadsheet, per route.
// Run under Wine by tools/bench.sh; the last line is the DDE route's summary.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/Win32Util.h"
#include "export/Insert.h"
#include "tests/bench/Timing.h"
#include "tests/wine/support/RealExportHarness.h"
#include "tests/wine/support/Sheet.h"

namespace {

using zel::winetest::RealExportHarness;
using zel::winetest::SheetProcess;

constexpr int kWarmUp = 5;
constexpr int kInserts = 60;
constexpr int kCells = 10;
// The fixed pause a DDE route that never waits for acknowledgements needs after each command.
constexpr double kPauseAfterCommandMs = 100;

struct Route {
  const char* name;
  const char* role;
  const char* settings;
  // Commands the DDE route sends for a row of ten cells with no blanks: one paste at the
  // selected cell (a run at the row's start needs no SELECT) and the SELECT of the next row.
  // The automation routes never paused.
  int pausedCommands;
  // The automation row alone (InsertExcelByOle), without the click's DDE attempt before it.
  bool rowOnly = false;
  // Before each insert the user copied kCopiedCells cells in the spreadsheet: it owns the
  // clipboard and renders each of its formats only when asked, as Excel does.
  bool copied = false;
};

constexpr char kCopy[] = "[COPY(\"R101C1:R200C100\")]";
constexpr int kCopiedCells = 100 * 100;

struct Summary {
  std::string held;  // what the clipboard held after the last insert
  double median = 0;
  double p95 = 0;
  double floor = 0;
  int failures = 0;
};

std::string RowValues(int row) {
  std::string text;
  for (int c = 1; c <= kCells; ++c) {
    if (c > 1) text += "#";
    text += "r" + std::to_string(row) + "c" + std::to_string(c) + "价";
  }
  return text;
}

bool RowStands(const SheetProcess& sheet, int row) {
  const auto grid = sheet.Grid();
  for (int c = 1; c <= kCells; ++c) {
    if (grid.Cell(row, c) != "r" + std::to_string(row) + "c" + std::to_string(c) + "价") return false;
  }
  return grid.activeRow == row + 1 && grid.activeColumn == 1;
}

// Each format's name and size.
std::string Held(const zel::ClipboardContents& contents) {
  std::string held;
  std::size_t total = 0;
  for (const auto& [format, bytes] : contents.formats) {
    wchar_t name[128] = {};
    const int n = ::GetClipboardFormatNameW(format, name, 128);
    held += (n > 0 ? zel::win32::Narrow(name) : "#" + std::to_string(format)) + " " +
            std::to_string(bytes.size()) + " B, ";
    total += bytes.size();
  }
  return held + std::to_string(total) + " B in all";
}

Summary Measure(const Route& route) {
  Summary s;
  SheetProcess sheet({"--as", route.role, "--active", "R1C1"});
  RealExportHarness h;
  std::vector<double> times;
  for (int i = 1; i <= kWarmUp + kInserts; ++i) {
    h.LoadPage(route.settings, RowValues(i));
    if (route.copied) {
      h.dde.SetTarget(zel::kExcelService, zel::kSystemTopic);
      if (!h.dde.Connect(10000) || h.dde.ExecuteCommand(kCopy, 10000) != zel::DdeOutcome::Accepted) {
        ++s.failures;
      }
    }
    const double start = zel::bench::NowMs();
    if (route.rowOnly) {
      h.command.InsertExcelByOle(zel::SplitString(RowValues(i), "#"));
    } else {
      h.ClickInsert();
    }
    // The click returns once the spreadsheet has acknowledged the row; poll a moment anyway so
    // a route that returned early would show as slow rather than pass.
    bool stands = RowStands(sheet, i);
    while (!stands && zel::bench::NowMs() - start < 5000) {
      ::Sleep(1);
      stands = RowStands(sheet, i);
    }
    const double elapsed = zel::bench::NowMs() - start;
    if (!stands) ++s.failures;
    if (i > kWarmUp) times.push_back(elapsed);
  }
  if (route.copied) s.held = Held(h.clipboard.Contents());
  s.median = zel::bench::Median(times);
  std::sort(times.begin(), times.end());
  const std::size_t n = times.size();
  s.p95 = times[static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(n))) - 1];
  s.floor = route.pausedCommands * kPauseAfterCommandMs;
  return s;
}

}  // namespace

int main() {
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const char* excel = R"({"soft":"EXCEL"})";
  const Route routes[] = {
      {"excel-ole", "excel-ole-only", excel, 0},
      {"ole-row", "excel-ole-only", excel, 0, true},
      {"wps", "wps-ket", R"({"soft":"WPS"})", 0},
      {"dde-copied", "excel-dde-only", excel, 2, false, true},
      {"excel-dde", "excel-dde-only", excel, 2},
  };
  std::printf("insert of one row of %d cells, %d inserts per route after %d warm-up ones\n",
              kCells, kInserts, kWarmUp);
  std::printf("floor: %.0f ms pause after each command a route without acknowledgements sends; a row with no\n"
              "blanks is one [PASTE] plus the final [SELECT], so 2 x %.0f ms; the automation\n"
              "routes never paused (floor 0). excel-ole is the whole click when Excel answers by\n"
              "automation only (its DDE attempt first); ole-row is the automation row alone\n",
              kPauseAfterCommandMs, kPauseAfterCommandMs);
  std::printf("dde-copied is excel-dde after the user copied %d cells in the spreadsheet, which then\n"
              "owns the clipboard and renders each format only when asked\n",
              kCopiedCells);
  std::printf("%-10s %10s %10s %10s %9s %9s\n", "route", "median_ms", "p95_ms", "floor_ms",
              "speed-up", "failures");
  int failures = 0;
  Summary dde;
  for (const Route& route : routes) {
    Summary s;
    try {
      s = Measure(route);
    } catch (const std::exception& e) {
      std::printf("%-10s failed: %s\n", route.name, e.what());
      ++failures;
      continue;
    }
    failures += s.failures;
    char speedUp[16] = "-";
    if (s.floor > 0) std::snprintf(speedUp, sizeof speedUp, "%.1fx", s.floor / s.median);
    std::printf("%-10s %10.1f %10.1f %10.0f %9s %9d\n", route.name, s.median, s.p95, s.floor,
                speedUp, s.failures);
    if (std::string(route.name) == "excel-dde") dde = s;
    if (route.copied) std::printf("  the clipboard after an insert: %s\n", s.held.c_str());
  }
  std::printf("excel-dde median_ms=%.1f p95_ms=%.1f floor_ms=%.0f\n", dde.median, dde.p95, dde.floor);
  std::fflush(stdout);
  if (SUCCEEDED(com)) ::CoUninitialize();
  return failures == 0 ? 0 : 1;
}
