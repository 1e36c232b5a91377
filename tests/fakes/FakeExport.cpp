#include "tests/fakes/FakeExport.h"

#include <algorithm>
#include <cstdlib>

#include "app/Global.h"

namespace zel::fakes {

bool AnswerTime::Take(int timeoutMs) {
  timeouts.push_back(timeoutMs);
  if (busy) {
    if (clock != nullptr) clock->Advance(std::min(kBusyPatienceMs, timeoutMs));
    throw SpreadsheetBusy("busy");
  }
  const bool answered = !silent && ms <= timeoutMs;
  if (clock != nullptr) clock->Advance(answered ? ms : timeoutMs);
  return answered;
}

void FakeDde::SetTarget(const std::string& s, const std::string& t) {
  journal.Add("dde.target " + s + " " + t);
  connected = false;
  service = s;
  topic = t;
}

bool FakeDde::Connect(int) {
  ++connects;
  journal.Add("dde.connect");
  connected = running && UpperCase(service) == UpperCase(runningService) && topic == "System";
  return connected;
}

std::optional<std::string> FakeDde::RequestText(const std::string& item, int timeoutMs) {
  journal.Add("dde.request " + item);
  if (!connected) return std::nullopt;
  if (!answers.Take(timeoutMs)) {
    // A late reply would answer the next transaction: the conversation is dropped.
    connected = false;
    return std::nullopt;
  }
  if (failRequests > 0) {
    --failRequests;
    return std::nullopt;
  }
  const auto it = replies.find(item);
  if (it != replies.end()) return it->second;
  if (item == "Selection") return sheet + "!R" + std::to_string(selRow) + "C" + std::to_string(selCol);
  return std::nullopt;
}

DdeOutcome FakeDde::ExecuteCommand(const std::string& command, int timeoutMs) {
  journal.Add("dde.exec " + command);
  commands.push_back(command);
  timeouts.push_back(timeoutMs);
  if (!connected) return DdeOutcome::NotConnected;
  if (!answers.Take(timeoutMs)) {
    connected = false;
    return DdeOutcome::TimedOut;
  }
  DdeOutcome outcome = DdeOutcome::Accepted;
  if (!outcomes.empty()) {
    outcome = outcomes.front();
    outcomes.pop_front();
  }
  if (outcome != DdeOutcome::Accepted) return outcome;
  if (command.rfind("[SELECT(\"R", 0) == 0) {
    const char* p = command.c_str() + 10;
    char* end = nullptr;
    selRow = std::strtol(p, &end, 10);
    selCol = std::strtol(end + 1, nullptr, 10);
  } else if (command == "[PASTE]" && clipboard.content) {
    // The clipboard's text ends at a NUL for whoever reads it.
    const std::string text = clipboard.content->substr(0, clipboard.content->find('\0'));
    long col = selCol;
    for (const auto& cell : SplitString(text + "\t", "\t")) grid[{selRow, col++}] = cell;
  }
  return outcome;
}

void FakeDde::Disconnect() {
  ++disconnects;
  journal.Add("dde.disconnect");
  connected = false;
}

void FakeDde::Select(long row, long column) {
  replies.erase("Selection");
  selRow = row;
  selCol = column;
}

namespace {
class App final : public ISpreadsheetApp {
 public:
  App(FakeAutomation::Sheet& sheet, Journal& journal, std::string progId)
      : sheet_(sheet), journal_(journal), progId_(std::move(progId)) {}
  CellPosition ActiveCell(int timeoutMs) override {
    Answer(timeoutMs);
    return sheet_.active;
  }
  void SetCellText(long row, long column, const std::string& text, int timeoutMs) override {
    Answer(timeoutMs);
    Write(row, column, text);
    ++sheet_.calls;
  }
  void SetRowTexts(long row, long column, const std::vector<std::string>& texts,
                   int timeoutMs) override {
    Answer(timeoutMs);
    if (sheet_.refusesRowWrites) throw SpreadsheetError("Value2: type mismatch");
    for (std::size_t i = 0; i < texts.size(); ++i) Write(row, column + static_cast<long>(i), texts[i]);
    ++sheet_.calls;
  }
  void SelectCell(long row, long column, int timeoutMs) override {
    Answer(timeoutMs);
    sheet_.selected = {row, column};
    journal_.Add(progId_ + ".select R" + std::to_string(row) + "C" + std::to_string(column));
  }

 private:
  // A call not answered in time is given up: it has no effect here.
  void Answer(int timeoutMs) {
    if (!sheet_.answers.Take(timeoutMs)) throw SpreadsheetLate("no answer");
  }

  void Write(long row, long column, const std::string& text) {
    if (sheet_.failAfterWrites >= 0 && sheet_.writes >= sheet_.failAfterWrites) {
      throw SpreadsheetError("call rejected");
    }
    ++sheet_.writes;
    sheet_.grid[{row, column}] = text;
    journal_.Add(progId_ + ".set R" + std::to_string(row) + "C" + std::to_string(column) + " " + text);
  }

  FakeAutomation::Sheet& sheet_;
  Journal& journal_;
  std::string progId_;
};
}  // namespace

std::unique_ptr<ISpreadsheetApp> FakeAutomation::GetRunningApp(const std::string& progId,
                                                               int timeoutMs) {
  journal.Add("ole.get " + progId);
  auto it = sheets.find(progId);
  if (it == sheets.end() || !it->second.running) throw SpreadsheetError("MK_E_UNAVAILABLE");
  if (!it->second.answers.Take(timeoutMs)) throw SpreadsheetLate("no answer");
  return std::make_unique<App>(it->second, journal, progId);
}

}  // namespace zel::fakes
