// A click on the page's insert element, through the insert command and the real DDE,
// automation and clipboard, into the stand-in spreadsheet.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "app/win32/Win32Util.h"
#include "tests/wine/support/RealExportHarness.h"
#include "tests/wine/support/Sheet.h"

namespace {

using zel::winetest::RealExportHarness;
using zel::winetest::SheetGrid;
using zel::winetest::SheetProcess;

const char kExcel[] = R"({"title":",名称,规格","soft":"EXCEL","state":"0"})";
const char kWps[] = R"({"title":",名称,规格","soft":"WPS","state":"0"})";
const char kExWinner[] = R"({"title":",名称,规格","soft":"EXWINNER","state":"0"})";

std::string Alert(const std::string& text) { return "alertMsg(\"" + text + "\")"; }

struct RouteCase {
  const char* name;
  std::vector<std::string> sheetArgs;
  const char* settings;
};

class InsertEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zel::winetest::StopAnySheet();
    com_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    h_ = std::make_unique<RealExportHarness>();
  }
  void TearDown() override {
    h_.reset();
    if (SUCCEEDED(com_)) ::CoUninitialize();
  }
  // Loads the page and clicks "InsertExcelID" once.
  void Insert(const std::string& settings, const std::string& row) {
    h_->LoadPage(settings, row);
    h_->ClickInsert();
  }
  // Starts the case's spreadsheet with R3C2 active, clicks once, and gives its grid then.
  SheetGrid InsertAtR3C2(const RouteCase& c, const std::string& row) {
    std::vector<std::string> args = c.sheetArgs;
    args.insert(args.end(), {"--active", "R3C2"});
    SheetProcess sheet(args);
    h().wb1.scripts.clear();
    Insert(c.settings, row);
    return sheet.Grid();
  }
  RealExportHarness& h() { return *h_; }

 private:
  HRESULT com_ = E_FAIL;
  std::unique_ptr<RealExportHarness> h_;
};

// Every route writes the row from the active cell, keeps "[blank]" cells, selects the next
// row's first cell and tells the page once.
TEST_F(InsertEndToEndTest, EachRouteWritesOneRowAndMovesToTheNext) {
  const RouteCase cases[] = {
      {"Excel by DDE", {"--as", "excel-dde-only"}, kExcel},
      {"Excel by automation, no DDE", {"--as", "excel-ole-only"}, kExcel},
      {"Excel by automation, DDE refuses", {"--as", "excel", "--refuse"}, kExcel},
      {"WPS under ET only", {"--as", "wps-et"}, kWps},
      {"WPS under KET", {"--as", "wps-ket"}, kWps},
  };
  for (const RouteCase& c : cases) {
    SCOPED_TRACE(c.name);
    const SheetGrid grid = InsertAtR3C2(c, "名称#规格#[blank]#3#");
    EXPECT_EQ(grid.Row(3, 1, 6), "<none>|名称|规格|<none>|3|<none>");
    EXPECT_EQ(grid.unicodeRefused, 0);
    EXPECT_EQ(grid.activeRow, 4);
    EXPECT_EQ(grid.activeColumn, 2);
    EXPECT_EQ(h().InsertLogs(), 1);
    EXPECT_TRUE(h().Messages().empty());
  }
}

TEST_F(InsertEndToEndTest, RepeatedClicksFillConsecutiveRows) {
  for (const char* role : {"excel-dde-only", "excel-ole-only"}) {
    SCOPED_TRACE(role);
    SheetProcess sheet({"--as", role, "--active", "R1C1"});
    for (int i = 1; i <= 3; ++i) Insert(kExcel, "行" + std::to_string(i) + "#" + std::to_string(i * 10));
    const SheetGrid grid = sheet.Grid();
    EXPECT_EQ(grid.Row(1, 1, 2), "行1|10");
    EXPECT_EQ(grid.Row(2, 1, 2), "行2|20");
    EXPECT_EQ(grid.Row(3, 1, 2), "行3|30");
    EXPECT_EQ(grid.activeRow, 4);
    EXPECT_EQ(grid.activeColumn, 1);
  }
}

// The application of the last row is held a moment for the next; one that was closed and
// started again meanwhile is looked up anew, and the row still goes in.
TEST_F(InsertEndToEndTest, AnApplicationStartedAgainBetweenRowsGetsTheNextRow) {
  for (const char* role : {"excel-ole-only", "wps-ket"}) {
    SCOPED_TRACE(role);
    const char* settings = std::string(role) == "wps-ket" ? kWps : kExcel;
    {
      SheetProcess first({"--as", role, "--active", "R1C1"});
      Insert(settings, "A#B");
      EXPECT_EQ(first.Grid().Row(1, 1, 2), "A|B");
    }
    SheetProcess again({"--as", role, "--active", "R5C1"});
    Insert(settings, "C#D");
    EXPECT_EQ(again.Grid().Row(5, 1, 2), "C|D");
    EXPECT_EQ(h().InsertLogs(), 2);
    h().wb1.scripts.clear();
  }
}

// A paste refused after the SELECT before it was accepted: the automation route starts again
// from the cell that was active before the DDE attempt.
TEST_F(InsertEndToEndTest, ARefusedPasteFallsBackFromTheOriginalCell) {
  SheetProcess sheet({"--as", "excel", "--refuse-paste", "--active", "R2C2"});
  Insert(kExcel, "[blank]#B#C");
  const SheetGrid grid = sheet.Grid();
  EXPECT_EQ(grid.Row(2, 2, 4), "<none>|B|C");
  EXPECT_EQ(grid.activeRow, 3);
  EXPECT_EQ(grid.activeColumn, 2);
  EXPECT_EQ(h().InsertLogs(), 1);
}

// Excel and WPS read what they are given as if typed into a General cell. Whatever the route,
// each cell keeps what the page meant: a code, a date-like text and a long part number stay
// exactly that text, numbers stay numbers in the sheet's own format, an ordinary formula stays
// a formula, and a link that would start a program arrives as text.
TEST_F(InsertEndToEndTest, EachCellKeepsWhatThePageMeant) {
  const std::string row = "0603#1-2#123456789012345678#1.00#50%#=E3*F3#=cmd|' /C calc'!A0";
  const std::vector<std::string> held = {
      "text:0603",      "text:1-2",       "text:123456789012345678", "number:1:1",
      "number:0.5:50%", "formula:=E3*F3", "text:=cmd|' /C calc'!A0"};
  const RouteCase cases[] = {
      {"Excel, DDE first", {"--as", "excel"}, kExcel},
      {"Excel by automation", {"--as", "excel-ole-only"}, kExcel},
      {"WPS under KET", {"--as", "wps-ket"}, kWps},
      {"WPS under ET", {"--as", "wps-et"}, kWps},
  };
  for (const RouteCase& c : cases) {
    SCOPED_TRACE(c.name);
    const SheetGrid grid = InsertAtR3C2(c, row);
    for (std::size_t i = 0; i < held.size(); ++i) EXPECT_EQ(grid.Held(3, 2 + static_cast<long>(i)), held[i]) << i;
    EXPECT_EQ(grid.activeRow, 4);
    EXPECT_EQ(h().InsertLogs(), 1);
  }
  // A row that a paste carries as meant goes by DDE alone.
  {
    SCOPED_TRACE("Excel by DDE");
    SheetProcess sheet({"--as", "excel-dde-only", "--active", "R3C2"});
    Insert(kExcel, "1.00#50%#=E3*F3#名称");
    const SheetGrid grid = sheet.Grid();
    EXPECT_EQ(grid.Held(3, 2) + "|" + grid.Held(3, 3) + "|" + grid.Held(3, 4) + "|" + grid.Held(3, 5),
              "number:1:1|number:0.5:50%|formula:=E3*F3|text:名称");
  }
  // ExWinner: nothing is known of how it reads a paste, but a link never goes there as one.
  {
    SCOPED_TRACE("ExWinner");
    SheetProcess sheet({"--as", "exwinner", "--active", "R5C9"});
    Insert(kExWinner, "名称#=cmd|' /C calc'!A0#0603#1-2#单价#金额#厂商");
    const SheetGrid grid = sheet.Grid();
    EXPECT_EQ(grid.Row(5, 2, 6), "名称|'=cmd|' /C calc'!A0|0603|1-2|单价");
  }
}

// What the user copied stays: text, HTML and a picture, each format byte for byte.
TEST_F(InsertEndToEndTest, TheUsersClipboardComesBackWithEveryFormat) {
  SheetProcess sheet({"--as", "excel-dde-only", "--active", "R1C1"});
  const UINT html = ::RegisterClipboardFormatW(L"HTML Format");
  const std::string dib = [] {
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 16, 0, 0, 0, 0};
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    return bytes + std::string("\x10\x20\x30\x40\x50\x60\0\0\x70\x80\x90\xA0\xB0\xC0\0\0", 16);
  }();
  const std::wstring text = L"用户复制的文字";
  const zel::ClipboardContents copied{{
      {CF_UNICODETEXT, std::string(reinterpret_cast<const char*>(text.c_str()),
                                   (text.size() + 1) * sizeof(wchar_t))},
      {html, "Version:0.9\r\n<b>粗</b>"},
      {CF_DIB, dib},
  }};
  h().clipboard.SetContents(copied);
  const auto Held = [&] {
    std::map<unsigned, std::string> held;
    for (const auto& [format, bytes] : h().clipboard.Contents().formats) held[format] = bytes;
    return held;
  };
  const auto before = Held();
  for (const auto& [format, bytes] : copied.formats) {
    ASSERT_EQ(before.count(format), 1u) << format;
    ASSERT_EQ(before.at(format).substr(0, bytes.size()), bytes) << format;
  }

  Insert(kExcel, "A#B");

  EXPECT_EQ(sheet.Grid().Row(1, 1, 2), "A|B");
  EXPECT_EQ(Held(), before);
  EXPECT_EQ(h().clipboard.Text(), "用户复制的文字");

  h().clipboard.Empty();
  Insert(kExcel, "C#D");
  EXPECT_EQ(sheet.Grid().Row(2, 1, 2), "C|D");
  EXPECT_TRUE(h().clipboard.Contents().formats.empty());
}

// After a copy in Excel the clipboard is the spreadsheet's, each format rendered only when asked
// for. The insert ends Excel's copy; what comes back is the copy's data (texts, HTML, RTF, CSV,
// the spreadsheet's own formats) and nothing that stands for the live copy in Excel.
TEST_F(InsertEndToEndTest, ACopyOfTenThousandCellsComesBackAsItsData) {
  SheetProcess sheet({"--as", "excel-dde-only", "--active", "R1C1"});
  h().dde.SetTarget("Excel", "System");
  ASSERT_TRUE(h().dde.Connect(10000));
  ASSERT_EQ(h().dde.ExecuteCommand("[COPY(\"R21C1:R120C100\")]", 10000), zel::DdeOutcome::Accepted);
  Insert(kExcel, "A#B");
  EXPECT_EQ(sheet.Grid().Row(1, 1, 2), "A|B");

  std::map<std::string, std::size_t> held;
  for (const auto& [format, bytes] : h().clipboard.Contents().formats) {
    wchar_t name[128] = {};
    const int n = ::GetClipboardFormatNameW(format, name, 128);
    held[n > 0 ? zel::win32::Narrow(name) : "#" + std::to_string(format)] = bytes.size();
  }
  std::string names;
  for (const auto& [name, size] : held) names += name + " ";
  for (const char* data : {"#13", "HTML Format", "Rich Text Format", "Csv", "XML Spreadsheet", "Biff12", "SYLK"}) {
    EXPECT_EQ(held.count(data), 1u) << data << " missing from " << names;
  }
  for (const char* live : {"DataObject", "Ole Private Data", "Embed Source", "Object Descriptor", "Link Source",
                           "Link Source Descriptor", "Native", "OwnerLink", "ObjectLink", "Link"}) {
    EXPECT_EQ(held.count(live), 0u) << live << " restored: " << names;
  }
  const auto text = h().clipboard.Text();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->substr(0, 17), "r21c1价\tr21c2价");
  EXPECT_EQ(std::count(text->begin(), text->end(), '\n'), 100);
}

// Excel's paste would split a value at a tab or a line break, and end it at a NUL: such a row
// goes by automation, each value intact in its own cell, whether the application takes arrays
// or not.
TEST_F(InsertEndToEndTest, AValueWithATabLineBreakOrNulKeepsItsCell) {
  for (const bool arrays : {true, false}) {
    SCOPED_TRACE(arrays ? "one call per run" : "cell by cell");
    std::vector<std::string> args{"--as", "excel", "--active", "R2C1"};
    if (!arrays) args.push_back("--no-arrays");
    SheetProcess sheet(args);
    Insert(kExcel, "规格\t12#第一行\r\n第二行#[blank]#末");
    // A NUL alone in a row: a paste would end the row there.
    const std::string nul(1, '\0');
    Insert(kExcel, "a" + nul + "b#c");
    const SheetGrid grid = sheet.Grid();
    EXPECT_EQ(grid.Cell(2, 1), "规格\t12");
    EXPECT_EQ(grid.Cell(2, 2), "第一行\r\n第二行");
    EXPECT_EQ(grid.Cell(2, 3), "<none>");
    EXPECT_EQ(grid.Cell(2, 4), "末");
    EXPECT_EQ(grid.Row(3, 1, 2), "a" + nul + "b|c");
    EXPECT_EQ(grid.activeRow, 4);
    EXPECT_EQ(h().InsertLogs(), 2);
    h().wb1.scripts.clear();
  }
}

// A spreadsheet that answers slowly or never holds the click for each route's own ten seconds
// at the most. A route that gave up on a command or call that may still be carried out ends the
// click (automation must not write the row a late paste may still write); one that sent nothing
// lets Excel's click go on to automation. A row is reported only when it went in. After a DDE
// command that went unanswered the clipboard is left empty, for a paste Excel may still carry
// out.
TEST_F(InsertEndToEndTest, ASlowOrSilentSpreadsheetHoldsTheClickForItsRoutesDeadlinesOnly) {
  const struct {
    const char* name;
    std::vector<std::string> args;
    DWORD routesMs;  // the deadlines of the routes that ran out
    bool written;
    bool clipboardEmptied;
  } cases[] = {
      {"DDE silent, automation not tried", {"--as", "excel", "--silent"}, 10000, false, true},
      {"DDE answers each command in 3 s", {"--as", "excel-dde-only", "--slow", "3000"}, 10000, false, true},
      {"automation answers each call in 3 s", {"--as", "excel-ole-only", "--ole-slow", "3000"}, 10000, false, false},
      {"DDE and automation silent", {"--as", "excel", "--silent", "--ole-silent"}, 10000, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--active", "R2C1"});
    SheetProcess sheet(args);
    h().wb1.scripts.clear();
    h().clipboard.SetClipboardText("用户复制的文字");
    const DWORD start = ::GetTickCount();
    Insert(kExcel, "A#[blank]#C#[blank]#E#[blank]#G");
    const DWORD took = ::GetTickCount() - start;
    std::printf("[ %s: the click took %lu ms ]\n", c.name, static_cast<unsigned long>(took));
    EXPECT_GE(took, c.routesMs - 500);
    EXPECT_LT(took, c.routesMs + 1000);
    EXPECT_EQ(h().InsertLogs(), c.written ? 1 : 0);
    EXPECT_EQ(h().Messages().size(), c.written ? 0u : 1u);
    if (c.written) {
      EXPECT_EQ(sheet.Grid().Row(2, 1, 7), "A|<none>|C|<none>|E|<none>|G");
      EXPECT_EQ(sheet.Grid().activeRow, 3);
    }
    EXPECT_EQ(h().clipboard.Text(),
              c.clipboardEmptied ? std::nullopt : std::optional<std::string>("用户复制的文字"));
  }
}

// Two Excels, as when a workbook from a mail opens a second one: the row goes to the one the
// user looks at, whichever answers first or was registered first, and follows the user to the
// other when it is brought to the front.
TEST_F(InsertEndToEndTest, TheRowGoesToTheExcelInFront) {
  for (const char* role : {"excel", "excel-ole-only"}) {
    SCOPED_TRACE(role);
    SheetProcess first({"--as", role, "--active", "R1C1"});
    SheetProcess second({"--as", role, "--active", "R1C1"});
    Insert(kExcel, "A#1");
    EXPECT_EQ(second.Grid().Row(1, 1, 2), "A|1");
    EXPECT_TRUE(first.Grid().cells.empty());
    first.BringToFront();
    Insert(kExcel, "B#2");
    EXPECT_EQ(first.Grid().Row(1, 1, 2), "B|2");
    EXPECT_EQ(second.Grid().cells.size(), 2u);
    EXPECT_EQ(h().InsertLogs(), 2);
    EXPECT_TRUE(h().Messages().empty());
    h().wb1.scripts.clear();
  }
}

// A cell being edited: the page says so at once (the window answers again well within 3 s),
// nothing is written, and after Enter the next click writes the row.
TEST_F(InsertEndToEndTest, ACellBeingEditedIsToldAndTheNextClickAfterEnterWrites) {
  const char* kExcelEditing = "Excel正在编辑单元格，请按回车键或Esc键结束编辑后再插入！";
  const struct {
    const char* name;
    const char* role;
    const char* settings;
    const char* message;
  } cases[] = {
      {"Excel, DDE refused as busy", "excel", kExcel, kExcelEditing},
      {"Excel by automation, rejected as busy", "excel-ole-only", kExcel, kExcelEditing},
      {"WPS", "wps-ket", kWps, "WPS正在编辑单元格，请按回车键或Esc键结束编辑后再插入！"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SheetProcess sheet({"--as", c.role, "--active", "R2C1", "--editing"});
    h().wb1.scripts.clear();
    const DWORD start = ::GetTickCount();
    Insert(c.settings, "A#B");
    const DWORD took = ::GetTickCount() - start;
    std::printf("[ %s: the click took %lu ms ]\n", c.name, static_cast<unsigned long>(took));
    EXPECT_LT(took, 3000u);
    EXPECT_EQ(h().Messages(), std::vector<std::string>{Alert(c.message)});
    EXPECT_TRUE(sheet.Grid().cells.empty());
    EXPECT_EQ(h().InsertLogs(), 0);

    sheet.EndEditing();
    h().wb1.scripts.clear();
    Insert(c.settings, "A#B");
    EXPECT_EQ(sheet.Grid().Row(2, 1, 2), "A|B");
    EXPECT_EQ(h().InsertLogs(), 1);
    EXPECT_TRUE(h().Messages().empty());
  }
}

// A write that the spreadsheet carries out after the route gave up on it: no other route or
// ProgID writes the row as well, and the page says that the spreadsheet did not answer.
TEST_F(InsertEndToEndTest, AWriteAnsweredTooLateIsTheOnlyOneAndThePageSaysSo) {
  const struct {
    const char* role;
    const char* settings;
    const char* message;
  } cases[] = {
      {"excel-ole-only", kExcel, "Excel没有响应，请稍后再试！"},
      {"wps-both", kWps, "WPS没有响应，请稍后再试！"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.role);
    SheetProcess sheet({"--as", c.role, "--active", "R1C1", "--late-write", "11000"});
    h().wb1.scripts.clear();
    Insert(c.settings, "A#B");
    EXPECT_EQ(h().Messages(), std::vector<std::string>{Alert(c.message)});
    EXPECT_EQ(h().InsertLogs(), 0);
    // The late write lands, once.
    EXPECT_TRUE(sheet.WaitForGrid([](const SheetGrid& g) { return !g.cells.empty(); }, 5000));
    ::Sleep(500);
    const SheetGrid grid = sheet.Grid();
    EXPECT_EQ(grid.Row(1, 1, 2), "A|B");
    EXPECT_EQ(grid.cells.size(), 2u);
  }
}

TEST_F(InsertEndToEndTest, NoSpreadsheetRunningShowsTheMessage) {
  struct Case {
    const char* settings;
    const char* message;
  } const cases[] = {{kExcel, "亲，请先打开Excel，再来插入吧！"},
                     {kWps, "亲，请先打开WPS，再来插入吧！"},
                     {kExWinner, "亲，请先打开ExWinner，再来插入吧！"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    h().wb1.scripts.clear();
    Insert(c.settings, "A#B");
    EXPECT_EQ(h().Messages(), std::vector<std::string>{Alert(c.message)});
    EXPECT_EQ(h().InsertLogs(), 0);
  }
}

TEST_F(InsertEndToEndTest, ExWinnerGetsItsFixedColumns) {
  SheetProcess sheet({"--as", "exwinner", "--active", "R5C9"});
  Insert(kExWinner, "名称#规格#单位#数量#单价#金额#厂商#表价#折扣");
  const SheetGrid grid = sheet.Grid();
  EXPECT_EQ(grid.Row(5, 1, 15),
            "<none>|名称|规格|单位|数量|单价|<none>|<none>|<none>|<none>|<none>|<none>|金额|厂商|<none>");
  EXPECT_EQ(grid.activeRow, 6);
  EXPECT_EQ(grid.activeColumn, 2);
  EXPECT_EQ(h().InsertLogs(), 1);
  EXPECT_TRUE(h().Messages().empty());
}

TEST_F(InsertEndToEndTest, ExWinnerWithoutASelectionAsksForOne) {
  SheetProcess sheet({"--as", "exwinner", "--no-selection"});
  Insert(kExWinner, "A#B#C#D#E#F#G");
  EXPECT_EQ(h().Messages(), std::vector<std::string>{Alert("亲，请先选择要插入的单元格，再来插入吧！")});
  EXPECT_TRUE(sheet.Grid().cells.empty());
}

}  // namespace
