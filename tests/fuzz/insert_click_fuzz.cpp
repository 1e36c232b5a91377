// One whole insert click through the fakes, with the settings, the row text, the spreadsheet's
// replies, refused commands, clipboard failures and how long each peer takes to answer all
// drawn from the input. Whatever happens, nothing but the page's own errors leaves the click,
// the click takes no longer than its two routes' deadlines, and an insert the page is told of
// has written exactly the row's values at their cells.
#include <fuzzer/FuzzedDataProvider.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "export/CellValues.h"
#include "export/InsertCommand.h"
#include "tests/fakes/FakeExport.h"
#include "tests/fakes/FakeShell.h"

namespace {

// The insert command over a fake page and fake spreadsheets.
struct InsertBed {
  zel::fakes::Journal journal;
  zel::TGlobals globals;
  zel::fakes::FakeClock clock;
  zel::fakes::FakeClipboard clipboard{journal};
  zel::fakes::FakeDde dde{journal, clipboard};
  zel::fakes::FakeAutomation automation{journal};
  zel::fakes::FakeInsertPage page;
  zel::TInsertCommand command{globals, {page, dde, automation, clipboard, clock}};
};

bool RowStands(const std::map<std::pair<long, long>, std::string>& grid,
               const std::vector<std::string>& values, long row, long column) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] == "[blank]") continue;
    const auto it = grid.find({row, column + static_cast<long>(i)});
    if (it == grid.end() || it->second != values[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  static const char* kSofts[] = {"EXCEL", "excel", "WPS", "EXWINNER", "exwinner", ""};
  const std::string soft = kSofts[in.ConsumeIntegralInRange<int>(0, 5)];
  const bool caption = in.ConsumeBool();
  const bool rawSettings = in.ConsumeBool();
  const std::string title = in.ConsumeRandomLengthString(200);
  const std::string settings = rawSettings ? in.ConsumeRandomLengthString(400)
                                           : nlohmann::json{{"soft", soft}, {"title", title}}.dump(
                                                 -1, ' ', false, nlohmann::json::error_handler_t::replace);
  const std::string row = in.ConsumeRandomLengthString(400);

  InsertBed h;
  h.page.settings = settings;
  h.page.row = row;
  h.dde.running = in.ConsumeBool();
  h.dde.runningService = in.ConsumeBool() ? "Excel" : "EXCEL";
  if (in.ConsumeBool()) h.dde.replies["SysItems"] = std::nullopt;
  if (in.ConsumeBool()) h.dde.replies["Selection"] = in.ConsumeRandomLengthString(40);
  for (int n = in.ConsumeIntegralInRange<int>(0, 6); n > 0; --n) {
    h.dde.outcomes.push_back(static_cast<zel::DdeOutcome>(in.ConsumeIntegralInRange<int>(0, 3)));
  }
  h.clipboard.failText = in.ConsumeBool() && in.ConsumeBool();
  h.clipboard.failSet = in.ConsumeBool() && in.ConsumeBool();
  if (in.ConsumeBool()) h.clipboard.content = in.ConsumeRandomLengthString(20);
  for (const char* progId : {"EXCEL.Application", "KET.Application", "ET.Application"}) {
    auto& sheet = h.automation.sheets[progId];
    sheet.running = in.ConsumeBool();
    sheet.refusesRowWrites = in.ConsumeBool();
    sheet.failAfterWrites = in.ConsumeIntegralInRange<int>(-1, 3);
    sheet.active = {in.ConsumeIntegralInRange<long>(1, 50), in.ConsumeIntegralInRange<long>(1, 50)};
  }
  // A peer answers at once, slowly, or never.
  const auto Pace = [&](zel::fakes::AnswerTime& answers) {
    const int ms = in.ConsumeIntegralInRange<int>(-1, 6000);
    answers = {&h.clock, std::max(ms, 0), ms < 0, {}};
  };
  Pace(h.dde.answers);
  for (const char* progId : {"EXCEL.Application", "KET.Application", "ET.Application"}) {
    Pace(h.automation.sheets[progId].answers);
  }
  const long ddeRow = h.dde.selRow, ddeCol = h.dde.selCol;

  const std::int64_t start = h.clock.tick;
  if (caption) {
    h.command.InsertTitle2ExcelEventHandle();
  } else {
    h.command.InsertExcelEventHandle();
  }
  if (h.clock.tick - start > 2 * zel::kRouteDeadlineMs) __builtin_trap();
  // The page hears once at most: of a row written, or of what to do first.
  if (h.page.counted + static_cast<int>(h.page.messages.size()) > 1) __builtin_trap();

  if (h.page.counted == 0) return 0;
  const zel::InsertDecision d =
      zel::DecideInsert(caption ? zel::InsertKind::Caption : zel::InsertKind::Row,
                        {settings, row}, "#");
  using Action = zel::InsertDecision::Action;
  const auto& sheets = h.automation.sheets;
  const auto ByAutomation = [&](const char* progId) {
    const auto& s = sheets.at(progId);
    return RowStands(s.grid, d.values, s.active.row, s.active.column);
  };
  bool stands = false;
  if (d.action == Action::Excel) {
    long r = ddeRow, c = ddeCol;
    try {
      const auto reply = h.dde.replies.count("Selection") ? h.dde.replies["Selection"] : std::nullopt;
      if (reply) {
        const zel::CellPosition at = zel::ParseExcelSelection(reply);
        r = at.row;
        c = at.column;
      }
    } catch (const zel::SpreadsheetError&) {
    }
    stands = RowStands(h.dde.grid, d.values, r, c) || ByAutomation("EXCEL.Application");
  } else if (d.action == Action::Wps) {
    stands = ByAutomation("KET.Application") || ByAutomation("ET.Application");
  } else if (d.action == Action::ExWinner) {
    stands = !h.dde.grid.empty();
  }
  if (!stands) __builtin_trap();
  return 0;
}
