// The spreadsheet link's Win32 adapters against real servers: the stand-in spreadsheet
// (raw DDE and running automation objects), Wine's Program Manager, and the clipboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "app/win32/Win32Util.h"
#include "export/win32/Automation.h"
#include "export/win32/Clipboard.h"
#include "export/win32/DdeConversation.h"
#include "tests/wine/support/Sheet.h"
#include "tests/wine/support/SystemHandles.h"
#include "export/win32/MessageFilterBase.h"

namespace {

using zel::DdeOutcome;
using zel::SpreadsheetBusy;
using zel::SpreadsheetError;
using zel::win32::Win32Automation;
using zel::win32::Win32Clipboard;
using zel::win32::Win32DdeConversation;
using zel::winetest::SheetGrid;
using zel::winetest::SheetProcess;
using zel::winetest::SystemHandleCount;
using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::string Select(long row, long column) {
  const std::string cell = "R" + std::to_string(row) + "C" + std::to_string(column);
  return "[SELECT(\"" + cell + ":" + cell + "\")]";
}

// What the program's main loop does between two clicks.
void PumpMessages(long ms) {
  const auto start = Clock::now();
  while (MsSince(start) < ms) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(10);
  }
}

// Nothing the adapter may start is left running between cases.
class SpreadsheetLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zel::winetest::StopAnySheet();
    com_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  void TearDown() override {
    if (SUCCEEDED(com_)) ::CoUninitialize();
  }
  HRESULT com_ = E_FAIL;
};

// ---------------------------------------------------------------- DDE against the stand-in

using DdeTest = SpreadsheetLinkTest;

TEST_F(DdeTest, TalksToTheExcelSystemTopic) {
  SheetProcess sheet({"--as", "excel-dde-only", "--active", "R3C2"});
  Win32DdeConversation dde("");
  dde.SetTarget("Excel", "System");
  ASSERT_TRUE(dde.Connect(10000));
  const auto items = dde.RequestText("SysItems", 10000);
  ASSERT_TRUE(items.has_value());
  EXPECT_NE(items->find("Selection"), std::string::npos) << *items;
  EXPECT_EQ(dde.RequestText("Selection", 10000), "[报价单.xlsx]Sheet1!R3C2");
  EXPECT_EQ(dde.RequestText("NoSuchItem", 10000), std::nullopt);
  // The System topic is asked for the text Excel gives there: no Unicode request refused first,
  // and the book's Chinese name comes through the system code page.
  EXPECT_EQ(sheet.Grid().unicodeRefused, 0);

  EXPECT_EQ(dde.ExecuteCommand(Select(7, 4), 5000), DdeOutcome::Accepted);
  // The acknowledgement comes after the command is carried out: no waiting needed.
  EXPECT_EQ(sheet.Grid().activeRow, 7);
  EXPECT_EQ(sheet.Grid().activeColumn, 4);
  EXPECT_EQ(dde.RequestText("Selection", 10000), "[报价单.xlsx]Sheet1!R7C4");

  // The service name is compared without regard to case, as Windows does.
  dde.SetTarget("EXCEL", "system");
  EXPECT_FALSE(dde.Connected());
  EXPECT_TRUE(dde.Connect(10000));
  dde.Disconnect();
  dde.Disconnect();
  EXPECT_EQ(dde.RequestText("SysItems", 10000), std::nullopt);
  EXPECT_EQ(dde.ExecuteCommand(Select(1, 1), 1000), DdeOutcome::NotConnected);
}

TEST_F(DdeTest, PastesUnicodeTextThroughTheRealClipboard) {
  SheetProcess sheet({"--as", "excel-dde-only", "--active", "R2C3"});
  Win32Clipboard clipboard;
  Win32DdeConversation dde("");
  dde.SetTarget("Excel", "System");
  ASSERT_TRUE(dde.Connect(10000));
  clipboard.SetClipboardText("名称\t规格 Ünïcode 😀\t\t3");
  ASSERT_EQ(dde.ExecuteCommand("[PASTE]", 5000), DdeOutcome::Accepted);
  const SheetGrid grid = sheet.Grid();
  EXPECT_EQ(grid.Row(2, 3, 7), "名称|规格 Ünïcode 😀||3|<none>");
  // A paste leaves the selection where it was.
  EXPECT_EQ(grid.activeRow, 2);
  EXPECT_EQ(grid.activeColumn, 3);
  // Several commands in one string are carried out in order.
  clipboard.SetClipboardText("x");
  EXPECT_EQ(dde.ExecuteCommand(Select(9, 1) + "[PASTE]", 5000), DdeOutcome::Accepted);
  EXPECT_EQ(sheet.Grid().Cell(9, 1), "x");
}

TEST_F(DdeTest, ExWinnerSelectionKeepsItsChineseBookName) {
  SheetProcess sheet({"--as", "exwinner", "--active", "R5C9"});
  Win32DdeConversation dde("");
  dde.SetTarget("EXCEL", "System");
  ASSERT_TRUE(dde.Connect(10000));
  EXPECT_EQ(dde.RequestText("Selection", 10000), "'[价格.xls]Sheet1'!R5C9");
}

struct OutcomeCase {
  const char* name;
  std::vector<std::string> args;
  std::string command;
  int timeoutMs;
  DdeOutcome expected;
  bool connectedAfter;
  long maxMs;
};

TEST_F(DdeTest, AcknowledgementsMapToOutcomes) {
  const OutcomeCase cases[] = {
      {"accepted", {}, Select(4, 4), 5000, DdeOutcome::Accepted, true, 1000},
      {"unknown command", {}, "[FORMULA(\"=1\")]", 5000, DdeOutcome::Refused, true, 1000},
      {"refused", {"--refuse"}, Select(4, 4), 5000, DdeOutcome::Refused, true, 1000},
      {"paste refused", {"--refuse-paste"}, "[PASTE]", 5000, DdeOutcome::Refused, true, 1000},
      {"select beside a refused paste", {"--refuse-paste"}, Select(2, 2), 5000,
       DdeOutcome::Accepted, true, 1000},
      {"slow but in time", {"--slow", "200"}, Select(4, 4), 3000, DdeOutcome::Accepted, true, 1500},
      {"silent", {"--silent"}, Select(4, 4), 400, DdeOutcome::TimedOut, false, 1500},
      {"too slow", {"--slow", "1500"}, Select(4, 4), 400, DdeOutcome::TimedOut, false, 1500},
  };
  for (const OutcomeCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"--as", "excel-dde-only"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SheetProcess sheet(args);
    Win32DdeConversation dde("");
    dde.SetTarget("Excel", "System");
    ASSERT_TRUE(dde.Connect(10000));
    const auto start = Clock::now();
    EXPECT_EQ(dde.ExecuteCommand(c.command, c.timeoutMs), c.expected);
    EXPECT_LT(MsSince(start), c.maxMs);
    EXPECT_EQ(dde.Connected(), c.connectedAfter);
    if (!c.connectedAfter) {
      // Nothing is sent on a conversation whose late reply could answer the next command.
      EXPECT_EQ(dde.ExecuteCommand(Select(6, 6), 1000), DdeOutcome::NotConnected);
    }
  }
}

// Excel editing a cell refuses every transaction as busy: after two seconds of it the
// conversation reports the server busy, and once the edit ends it answers again.
TEST_F(DdeTest, AServerEditingACellIsReportedBusy) {
  SheetProcess sheet({"--as", "excel-dde-only", "--editing"});
  Win32DdeConversation dde("");
  dde.SetTarget("Excel", "System");
  ASSERT_TRUE(dde.Connect(10000));
  for (const bool request : {true, false}) {
    SCOPED_TRACE(request ? "request" : "command");
    const auto start = Clock::now();
    if (request) {
      EXPECT_THROW(dde.RequestText("SysItems", 10000), SpreadsheetBusy);
    } else {
      EXPECT_THROW(dde.ExecuteCommand(Select(2, 2), 10000), SpreadsheetBusy);
    }
    EXPECT_GE(MsSince(start), 1800);
    EXPECT_LT(MsSince(start), 2600);
  }
  sheet.EndEditing();
  EXPECT_TRUE(dde.RequestText("SysItems", 10000).has_value());
  EXPECT_EQ(dde.ExecuteCommand(Select(2, 2), 5000), DdeOutcome::Accepted);
  EXPECT_EQ(sheet.Grid().activeRow, 2);
}

TEST_F(DdeTest, AFreshConversationAfterATimeOutGetsItsOwnAnswers) {
  SheetProcess sheet({"--as", "excel-dde-only", "--slow", "700"});
  Win32DdeConversation dde("");
  dde.SetTarget("Excel", "System");
  ASSERT_TRUE(dde.Connect(10000));
  EXPECT_EQ(dde.ExecuteCommand(Select(5, 5), 200), DdeOutcome::TimedOut);
  ASSERT_TRUE(dde.Connect(10000));
  EXPECT_EQ(dde.RequestText("Selection", 10000), "[报价单.xlsx]Sheet1!R1C1");
  EXPECT_EQ(dde.ExecuteCommand(Select(8, 2), 3000), DdeOutcome::Accepted);
  EXPECT_EQ(dde.RequestText("Selection", 10000), "[报价单.xlsx]Sheet1!R8C2");
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int ThreadWindowCount() {
  int count = 0;
  ::EnumThreadWindows(::GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Nor any window of it: a day of Excel closed and opened again must not pile them up.
TEST_F(DdeTest, AServerThatQuitsLeavesNoConversation) {
  const int windows = ThreadWindowCount();
  auto sheet = std::make_unique<SheetProcess>(std::vector<std::string>{"--as", "excel-dde-only"});
  Win32DdeConversation dde("");
  dde.SetTarget("Excel", "System");
  ASSERT_TRUE(dde.Connect(10000));
  sheet.reset();
  const auto start = Clock::now();
  EXPECT_EQ(dde.ExecuteCommand(Select(2, 2), 3000), DdeOutcome::NotConnected);
  EXPECT_EQ(dde.RequestText("Selection", 10000), std::nullopt);
  EXPECT_LT(MsSince(start), 2000);
  // A spreadsheet started again is reached again, by the same conversation object.
  SheetProcess again({"--as", "excel-dde-only", "--active", "R2C5"});
  dde.SetTarget("Excel", "System");
  ASSERT_TRUE(dde.Connect(10000));
  EXPECT_EQ(dde.RequestText("Selection", 10000), "[报价单.xlsx]Sheet1!R2C5");
  dde.Disconnect();
  EXPECT_EQ(ThreadWindowCount(), windows);
}

TEST_F(DdeTest, AConversationTheServerEndsIsReplacedOnConnect) {
  Win32DdeConversation dde("");
  dde.SetTarget("Excel", "System");
  {
    SheetProcess sheet({"--as", "excel-dde-only"});
    ASSERT_TRUE(dde.Connect(10000));
    // The server closes: it ends its conversations itself, and the main loop sees that.
    ::SendMessageW(::FindWindowW(L"ZelSheetDdeListener", nullptr), WM_CLOSE, 0, 0);
    PumpMessages(300);
  }
  SheetProcess sheet({"--as", "excel-dde-only", "--active", "R6C1"});
  ASSERT_TRUE(dde.Connect(10000));
  EXPECT_EQ(dde.RequestText("Selection", 10000), "[报价单.xlsx]Sheet1!R6C1");
}

// Every Excel row by automation is tried by DDE first: a failed attempt must leave nothing.
TEST_F(DdeTest, NoServerFailsFastAndLeavesNoWindow) {
  const int windows = ThreadWindowCount();
  for (const std::string app : {"", "ZelNoSuchSpreadsheet.exe"}) {
    SCOPED_TRACE(app);
    Win32DdeConversation dde(app);
    dde.SetTarget("Excel", "System");
    const auto start = Clock::now();
    EXPECT_FALSE(dde.Connect(10000));
    EXPECT_LT(MsSince(start), 1500);
    EXPECT_EQ(dde.RequestText("SysItems", 10000), std::nullopt);
  }
  Win32DdeConversation unnamed("");
  EXPECT_FALSE(unnamed.Connect(10000));
  EXPECT_EQ(ThreadWindowCount(), windows);
}

TEST_F(DdeTest, StartsTheServiceApplicationWhenNoServerAnswers) {
  Win32DdeConversation dde(SheetProcess::CommandLine({"--as", "excel-dde-only", "--active", "R4C4"}));
  dde.SetTarget("Excel", "System");
  const auto start = Clock::now();
  // Connecting is tried once more at once; under Wine the program reports itself idle before
  // its server is up, so that second attempt may come too early.
  bool connected = dde.Connect(10000);
  EXPECT_LT(MsSince(start), 11000);
  while (!connected && MsSince(start) < 5000) {
    if (::FindWindowW(L"ZelSheetDdeListener", nullptr) != nullptr) connected = dde.Connect(10000);
    ::Sleep(50);
  }
  const auto selection = dde.RequestText("Selection", 10000);
  dde.Disconnect();
  zel::winetest::StopAnySheet();
  EXPECT_TRUE(connected);
  EXPECT_EQ(selection, "[报价单.xlsx]Sheet1!R4C4");
}

void CloseWindowTitled(const std::string& title) {
  const auto start = Clock::now();
  while (MsSince(start) < 3000) {
    if (const HWND window = ::FindWindowW(nullptr, zel::win32::Widen(title).c_str())) {
      ::PostMessageW(window, WM_CLOSE, 0, 0);
      return;
    }
    ::Sleep(50);
  }
}

// A DDE server nobody here wrote: Wine's Program Manager.
TEST_F(DdeTest, DrivesWinesProgramManager) {
  const std::string group = "ZelGroup" + std::to_string(::GetTickCount() % 100000);
  Win32DdeConversation dde("");
  dde.SetTarget("PROGMAN", "PROGMAN");
  ASSERT_TRUE(dde.Connect(10000));
  const auto before = dde.RequestText("Groups", 10000);
  ASSERT_TRUE(before.has_value());
  EXPECT_EQ(before->find(group), std::string::npos);
  EXPECT_EQ(dde.ExecuteCommand("[CreateGroup(" + group + ")]", 5000), DdeOutcome::Accepted);
  // Wine opens a folder window for the new group; it must not outlive the test.
  CloseWindowTitled(group);
  const auto after = dde.RequestText("Groups", 10000);
  ASSERT_TRUE(after.has_value());
  EXPECT_NE(after->find(group), std::string::npos) << *after;
  EXPECT_EQ(dde.ExecuteCommand("[DeleteGroup(" + group + ")]", 5000), DdeOutcome::Accepted);
  EXPECT_EQ(dde.RequestText("Groups", 10000)->find(group), std::string::npos);
}

// ---------------------------------------------------------------- automation

using AutomationTest = SpreadsheetLinkTest;

TEST_F(AutomationTest, WritesSelectsAndReadsTheActiveCell) {
  SheetProcess sheet({"--as", "excel-ole-only", "--active", "R7C3"});
  Win32Automation automation;
  const auto app = automation.GetRunningApp("EXCEL.Application", 10000);
  const zel::CellPosition active = app->ActiveCell(10000);
  EXPECT_EQ(active.row, 7);
  EXPECT_EQ(active.column, 3);
  app->SetCellText(7, 3, "名称 Ü 😀", 10000);
  app->SetCellText(7, 4, "", 10000);
  app->SelectCell(8, 3, 10000);
  const SheetGrid grid = sheet.Grid();
  EXPECT_EQ(grid.Cell(7, 3), "名称 Ü 😀");
  EXPECT_EQ(grid.Cell(7, 4), "");
  EXPECT_EQ(grid.activeRow, 8);
  EXPECT_EQ(app->ActiveCell(10000).row, 8);
}

TEST_F(AutomationTest, FindsOnlyTheProgIdsThatRun) {
  struct Case {
    const char* role;
    bool ket;
    bool et;
  } const cases[] = {{"wps-ket", true, false}, {"wps-et", false, true}, {"wps-both", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.role);
    SheetProcess sheet({"--as", c.role});
    Win32Automation automation;
    for (const auto& [progId, runs] : {std::pair{"KET.Application", c.ket}, {"ET.Application", c.et}}) {
      SCOPED_TRACE(progId);
      if (runs) {
        EXPECT_NO_THROW(automation.GetRunningApp(progId, 10000)->SetCellText(1, 1, progId, 10000));
      } else {
        EXPECT_THROW(automation.GetRunningApp(progId, 10000), SpreadsheetError);
      }
    }
    EXPECT_THROW(automation.GetRunningApp("EXCEL.Application", 10000), SpreadsheetError);
  }
}

// Under Wine, an object let go after its application ended leaves that connection's handles
// (two events and a pipe) in this process for good. So an application idle for its hold must be
// let go then, while it still runs, even when rows keep going to another one.
TEST_F(AutomationTest, AnApplicationIdleForItsHoldIsLetGoWhileAnotherIsInUse) {
  constexpr long kHoldMs = Win32Automation::kHoldMs;
  SheetProcess wps({"--as", "wps-ket", "--active", "R1C1"});
  Win32Automation automation;
  const auto row = [&](const char* progId) {
    automation.GetRunningApp(progId, 10000)->ActiveCell(10000);
  };
  // The first application of a process sets up what every later one shares.
  {
    SheetProcess excel({"--as", "excel-ole-only", "--active", "R1C2"});
    row("EXCEL.Application");
    row("KET.Application");
    PumpMessages(kHoldMs + 500);
    excel.Close();
  }
  const long before = SystemHandleCount(::GetCurrentProcessId());
  SheetProcess excel({"--as", "excel-ole-only", "--active", "R1C2"});
  row("EXCEL.Application");
  for (const auto start = Clock::now(); MsSince(start) < kHoldMs + 600;) {
    row("KET.Application");
    PumpMessages(200);
  }
  excel.Close();  // the user ends Excel while WPS is still in use
  PumpMessages(kHoldMs + 500);
  EXPECT_EQ(SystemHandleCount(::GetCurrentProcessId()), before);
}

TEST_F(AutomationTest, NoRunningObjectFailsFastWithTheReason) {
  Win32Automation automation;
  for (const char* progId : {"EXCEL.Application", "Zel.NoSuchApplication"}) {
    SCOPED_TRACE(progId);
    const auto start = Clock::now();
    try {
      automation.GetRunningApp(progId, 10000);
      ADD_FAILURE() << "no error";
    } catch (const SpreadsheetError& e) {
      EXPECT_NE(std::string(e.what()).find(progId), std::string::npos) << e.what();
    }
    EXPECT_LT(MsSince(start), 1000);
  }
}

// A message filter of the caller's own, to see that the route's filter is taken back.
class MarkerFilter final : public zel::win32::MessageFilterBase {};

// Registers the marker for the scope; whatever happens, it is gone afterwards.
class MarkerFilterScope {
 public:
  MarkerFilterScope() { registered = SUCCEEDED(::CoRegisterMessageFilter(&marker, nullptr)); }
  MarkerFilterScope(const MarkerFilterScope&) = delete;
  MarkerFilterScope& operator=(const MarkerFilterScope&) = delete;
  ~MarkerFilterScope() { ::CoRegisterMessageFilter(nullptr, nullptr); }
  // The filter registered now, taken back from COM.
  static IMessageFilter* Current() {
    IMessageFilter* current = nullptr;
    ::CoRegisterMessageFilter(nullptr, &current);
    ::CoRegisterMessageFilter(current, nullptr);
    return current;
  }
  MarkerFilter marker;
  bool registered = false;
};

TEST_F(AutomationTest, ABriefBusySpellIsWaitedOut) {
  MarkerFilterScope mine;
  ASSERT_TRUE(mine.registered);
  {
    SheetProcess sheet({"--as", "excel-ole-only", "--busy", "500"});
    const auto start = Clock::now();
    {
      Win32Automation automation;
      const auto app = automation.GetRunningApp("EXCEL.Application", 10000);
      app->SetCellText(1, 1, "after the edit", 10000);
    }
    EXPECT_GE(MsSince(start), 250);
    EXPECT_LT(MsSince(start), 2000);
    EXPECT_EQ(sheet.Grid().Cell(1, 1), "after the edit");
  }
  EXPECT_EQ(MarkerFilterScope::Current(), &mine.marker);
}

// A cell being edited (calls rejected) or a dialog open (0x800AC472, the object model
// suspended): after two seconds of it the call reports the application busy.
TEST_F(AutomationTest, ALongBusySpellIsReportedBusyWithinTheBound) {
  const struct {
    const char* option;
    const char* code;
  } cases[] = {{"--editing", "0x80010001"}, {"--dialog", "0x800AC472"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    SheetProcess sheet({"--as", "excel-ole-only", c.option});
    Win32Automation automation;
    const auto start = Clock::now();
    try {
      const auto app = automation.GetRunningApp("EXCEL.Application", 10000);
      app->SetCellText(1, 1, "never", 10000);
      ADD_FAILURE() << "no error";
    } catch (const SpreadsheetBusy& e) {
      EXPECT_NE(std::string(e.what()).find(c.code), std::string::npos) << e.what();
    }
    EXPECT_GE(MsSince(start), 1900);
    EXPECT_LT(MsSince(start), 3500);
    EXPECT_EQ(sheet.Grid().Cell(1, 1), "<none>");
  }
  EXPECT_EQ(MarkerFilterScope::Current(), nullptr);
}

// A call still pending at its time-out is given up, and letting go of the application that
// did not answer it costs nothing more; one answered in time goes through.
TEST_F(AutomationTest, ACallPendingAtItsTimeOutIsGivenUp) {
  const struct {
    const char* name;
    std::vector<std::string> args;
    bool answered;
  } cases[] = {{"slow but in time", {"--ole-slow", "100"}, true},
               {"slow", {"--ole-slow", "3000"}, false},
               {"silent", {"--ole-silent"}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"--as", "excel-ole-only"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SheetProcess sheet(args);
    const auto start = Clock::now();
    bool answered = true;
    {
      Win32Automation automation;
      // Reached through its window, the lookup is a call too.
      try {
        const auto app = automation.GetRunningApp("EXCEL.Application", 1000);
        app->SetCellText(1, 1, "x", 1000);
      } catch (const zel::SpreadsheetLate& e) {
        answered = false;
        EXPECT_NE(std::string(e.what()).find("no answer within 1000 ms"), std::string::npos) << e.what();
      }
    }
    const long took = MsSince(start);
    std::printf("[ %s: the call and the release took %ld ms ]\n", c.name, took);
    EXPECT_EQ(answered, c.answered);
    EXPECT_LT(took, 1500);
    if (!c.answered) {
      EXPECT_GE(took, 1000);
    }
  }
}

// ---------------------------------------------------------------- clipboard

using ClipboardTest = SpreadsheetLinkTest;

TEST_F(ClipboardTest, RoundTripsUnicodeAndEmpties) {
  Win32Clipboard clipboard;
  for (const std::string& text :
       {std::string(), std::string("a"), std::string("名称\t规格\r\n😀"), std::string(100000, 'x')}) {
    SCOPED_TRACE(text.substr(0, 20));
    clipboard.SetClipboardText(text);
    EXPECT_EQ(clipboard.Text(), text);
  }
  clipboard.Empty();
  EXPECT_EQ(clipboard.Text(), std::nullopt);
  // Another adapter object (another owner) sees the same clipboard.
  clipboard.SetClipboardText("共享");
  EXPECT_EQ(Win32Clipboard().Text(), "共享");
}

TEST_F(ClipboardTest, WaitsBrieflyForAnotherHolder) {
  Win32Clipboard clipboard;
  for (const auto& [holdMs, succeeds] : {std::pair{60, true}, {1500, false}}) {
    SCOPED_TRACE(holdMs);
    HANDLE opened = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&, hold = holdMs] {
      const HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                            nullptr, nullptr, nullptr);
      if (::OpenClipboard(window)) {
        ::SetEvent(opened);
        ::Sleep(static_cast<DWORD>(hold));
        ::CloseClipboard();
      }
      ::SetEvent(opened);
      ::DestroyWindow(window);
    });
    ::WaitForSingleObject(opened, 2000);
    const auto start = Clock::now();
    if (succeeds) {
      EXPECT_NO_THROW(clipboard.SetClipboardText("after"));
    } else {
      try {
        clipboard.Empty();
        ADD_FAILURE() << "no error";
      } catch (const SpreadsheetError& e) {
        EXPECT_STREQ(e.what(), "Cannot open clipboard");
      }
      EXPECT_LT(MsSince(start), 1000);
    }
    holder.join();
    ::CloseHandle(opened);
  }
  EXPECT_EQ(clipboard.Text(), "after");
}

}  // namespace
