#pragma once
// Test doubles of the spreadsheet link: a DDE server with a grid, running automation objects,
// the clipboard, and the page an insert reads and tells.
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/Browser.h"
#include "export/InsertCommand.h"
#include "export/SpreadsheetLink.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/Journal.h"

namespace zel::fakes {

// How long a fake peer takes to answer each transaction; a silent one never does. A
// transaction given less time than it takes ends at its time-out, unanswered. A busy peer (a
// cell being edited) refuses each one as busy for as long as the adapters wait.
struct AnswerTime {
  FakeClock* clock = nullptr;  // nullptr: answers at once
  int ms = 0;
  bool silent = false;
  std::vector<int> timeouts;  // what each transaction was given
  bool busy = false;
  // Advances the clock; false when the transaction went unanswered. Throws SpreadsheetBusy.
  bool Take(int timeoutMs);
};

class FakeClipboard final : public IClipboard {
 public:
  explicit FakeClipboard(Journal& j) : journal(j) {}
  void SetClipboardText(const std::string& text) override {
    journal.Add("clip.set " + text);
    if (failSet || setsBeforeFailure == 0) throw SpreadsheetError("Cannot open clipboard");
    if (setsBeforeFailure > 0) --setsBeforeFailure;
    content = text;
    others.clear();
  }
  void Empty() override {
    journal.Add("clip.empty");
    if (failEmpty) throw SpreadsheetError("Cannot open clipboard");
    content.reset();
    others.clear();
  }
  std::optional<std::string> Text() override {
    if (failText) throw SpreadsheetError("Cannot open clipboard");
    return content;
  }
  // The text as format 13 (Unicode text), after the other formats.
  ClipboardContents Contents() override {
    if (failText) throw SpreadsheetError("Cannot open clipboard");
    ClipboardContents c{others};
    if (content) c.formats.emplace_back(13u, *content);
    return c;
  }
  void SetContents(const ClipboardContents& c) override {
    journal.Add("clip.restore");
    if (failSet || setsBeforeFailure == 0) throw SpreadsheetError("Cannot open clipboard");
    content.reset();
    others.clear();
    for (const auto& f : c.formats) {
      if (f.first == 13u) {
        content = f.second;
      } else {
        others.push_back(f);
      }
    }
  }
  Journal& journal;
  std::optional<std::string> content;
  std::vector<std::pair<unsigned, std::string>> others;  // formats other than the text
  bool failSet = false;
  int setsBeforeFailure = -1;  // SetClipboardText fails after this many successes (-1: never)
  bool failEmpty = false;
  bool failText = false;
};

// A DDE peer that records commands and keeps what "[PASTE]" would put in a grid.
class FakeDde final : public IDdeConversation {
 public:
  FakeDde(Journal& j, FakeClipboard& clip) : journal(j), clipboard(clip) {}
  void SetTarget(const std::string& s, const std::string& t) override;
  bool Connect(int timeoutMs) override;
  bool ConnectedTo(const std::string& s, const std::string& t) override {
    return connected && s == service && t == topic;
  }
  std::optional<std::string> RequestText(const std::string& item, int timeoutMs) override;
  DdeOutcome ExecuteCommand(const std::string& command, int timeoutMs) override;
  void Disconnect() override;

  // Selects the cell, as the user would; "Selection" reports it unless `replies` says otherwise.
  void Select(long row, long column);

  Journal& journal;
  FakeClipboard& clipboard;
  std::string service, topic;
  bool connected = false;
  bool running = true;  // a server of the target service exists
  std::string runningService = "Excel";
  // Canned replies by item; without one, "Selection" reports the selected cell.
  std::map<std::string, std::optional<std::string>> replies{{"SysItems", "SysItems\tSelection"}};
  std::string sheet = "[Book1]Sheet1";
  // Outcome of each command in turn (after the queue: Accepted).
  std::deque<DdeOutcome> outcomes;
  std::vector<std::string> commands;
  std::vector<int> timeouts;
  AnswerTime answers;  // requests and commands
  int connects = 0;
  int disconnects = 0;
  int failRequests = 0;  // the next requests get no reply, as from a server that went
  // Grid written by SELECT + PASTE of tab-separated text.
  std::map<std::pair<long, long>, std::string> grid;
  long selRow = 1, selCol = 1;
};

class FakeSheetApp;

// Running objects by ProgID; each writes into its own grid.
class FakeAutomation final : public IAutomation {
 public:
  explicit FakeAutomation(Journal& j) : journal(j) {}
  std::unique_ptr<ISpreadsheetApp> GetRunningApp(const std::string& progId, int timeoutMs) override;

  struct Sheet {
    bool running = false;
    CellPosition active{1, 1};
    std::map<std::pair<long, long>, std::string> grid;
    CellPosition selected{0, 0};
    int failAfterWrites = -1;  // throw on the write after this many (-1: never)
    int writes = 0;
    bool refusesRowWrites = false;  // an application without array writes
    int calls = 0;                  // writes of either kind
    AnswerTime answers;             // every call, the lookup included
  };
  Journal& journal;
  std::map<std::string, Sheet> sheets;
};

// The page of an insert: its two texts, what it was told, and how often it was read.
class FakeInsertPage final : public IInsertPage {
 public:
  std::string SettingsText() override { return Read(settingsReads, settings); }
  std::string GetExcelStr() override { return Read(rowReads, row); }
  void ShowMsgByDiv(const std::string& text) override { messages.push_back(text); }
  void InsertExcelLog() override { ++counted; }

  std::string settings;
  std::string row;
  bool failReads = false;
  int settingsReads = 0;
  int rowReads = 0;
  std::vector<std::string> messages;
  int counted = 0;

 private:
  std::string Read(int& reads, const std::string& text) {
    ++reads;
    if (failReads) throw BrowserError("page unreadable");
    return text;
  }
};

}  // namespace zel::fakes
