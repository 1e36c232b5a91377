// The binding tables of the main window's pages, the rows a page gets bound, and what a click
// on a bound element runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/Errors.h"
#include "tests/fakes/FakePageCommands.h"

namespace zel {
namespace {

using fakes::FakeBrowser;
using fakes::PageCommandsBed;
using C = PageCommand;

constexpr EventProperty kClick = EventProperty::OnClick;
constexpr EventProperty kDown = EventProperty::OnMouseDown;

// How many times each element of the page was bound, in page order.
std::vector<std::size_t> BindCounts(const FakeBrowser& page) {
  std::vector<std::size_t> counts;
  for (const auto& element : page.elements) counts.push_back(element->bindLog.size());
  return counts;
}

struct BindingTest : ::testing::Test {
  BindingTest() {
    bed.wide.LoadPage(bed.settings.IndexUrl);
    bed.narrow.LoadPage(bed.settings.IndexZbUrl);
  }
  PageCommandsBed bed;
};

TEST_F(BindingTest, AllIdsAreBoundInTableOrderWithTheirEventProperty) {
  const std::vector<BindingRow> wide = {
      {"MiniID", kClick, C::Mini},          {"ReadDwgID", kClick, C::ReadDwg},
      {"PinID", kClick, C::Pin},            {"MinID", kClick, C::Min},
      {"HVID", kClick, C::HV},              {"CloseID", kClick, C::Close},
      {"MoveFormID", kDown, C::MoveForm},   {"MoveFormID2", kDown, C::MoveForm},
      {"InsertExcelID", kClick, C::InsertExcel}, {"btnAddTitle", kClick, C::InsertTitle},
      {"ErrorRefreshID", kClick, C::ErrorRefresh}, {"ErrorCloseID", kClick, C::ErrorClose}};
  const std::vector<BindingRow> narrow = {
      {"SettingID", kClick, C::Setting},    {"MiniID", kClick, C::Mini},
      {"ReadDwgID", kClick, C::ReadDwg},    {"PinID", kClick, C::Pin},
      {"MinID", kClick, C::Min},            {"HVID", kClick, C::HV},
      {"QueryPriceID", kClick, C::QueryPrice}, {"CloseID", kClick, C::Close},
      {"MoveFormID", kDown, C::MoveForm},   {"MoveFormID2", kDown, C::MoveForm},
      {"InsertExcelID", kClick, C::InsertExcel}, {"ErrorRefreshID", kClick, C::ErrorRefresh},
      {"ErrorCloseID", kClick, C::ErrorClose}};
  EXPECT_EQ(WideBindings(), wide);
  EXPECT_EQ(NarrowBindings(), narrow);

  // Page order differs from table order on purpose.
  for (auto it = narrow.rbegin(); it != narrow.rend(); ++it) {
    bed.wide.AddElement(it->id);
    bed.narrow.AddElement(it->id);
  }
  bed.wide.AddElement("btnAddTitle");
  bed.narrow.AddElement("btnAddTitle");
  EXPECT_EQ(RowsToBind(bed.wide, WideBindings()), wide);
  EXPECT_EQ(RowsToBind(bed.narrow, NarrowBindings()), narrow);

  bed.commands.BindHtmlEvent();
  bed.commands.BindHtmlEvent2();
  for (const auto& [page, table] : {std::pair{&bed.wide, &wide}, std::pair{&bed.narrow, &narrow}}) {
    for (const BindingRow& row : *table) {
      const auto& element = *std::find_if(page->elements.begin(), page->elements.end(),
                                          [&](const auto& e) { return e->id == row.id; });
      EXPECT_EQ(element->bindLog, std::vector<std::string>{EventPropertyName(row.property)})
          << page->name << " " << row.id;
    }
  }
}

TEST_F(BindingTest, NoneOrSomeIdsBindWhatIsThereAndNoDocumentBindsNothing) {
  FakeBrowser empty{"empty"};
  EXPECT_TRUE(RowsToBind(empty, WideBindings()).empty());
  bed.wide.AddElement("unrelated");
  EXPECT_TRUE(RowsToBind(bed.wide, WideBindings()).empty());
  bed.wide.AddElement("CloseID");
  bed.wide.AddElement("PinID");
  EXPECT_EQ(RowsToBind(bed.wide, WideBindings()),
            (std::vector<BindingRow>{{"PinID", kClick, C::Pin}, {"CloseID", kClick, C::Close}}));
  bed.commands.BindHtmlEvent();
  EXPECT_EQ(BindCounts(bed.wide), (std::vector<std::size_t>{0, 1, 1}));
}

TEST_F(BindingTest, TableSpecificIdsStayUnboundInTheOtherPage) {
  for (FakeBrowser* b : {&bed.wide, &bed.narrow}) {
    b->LoadPage(bed.settings.IndexUrl);
    b->AddElement("btnAddTitle");
    b->AddElement("SettingID");
    b->AddElement("QueryPriceID");
  }
  EXPECT_EQ(RowsToBind(bed.wide, WideBindings()),
            (std::vector<BindingRow>{{"btnAddTitle", kClick, C::InsertTitle}}));
  EXPECT_EQ(RowsToBind(bed.narrow, NarrowBindings()),
            (std::vector<BindingRow>{{"SettingID", kClick, C::Setting},
                                     {"QueryPriceID", kClick, C::QueryPrice}}));
  bed.commands.BindHtmlEvent();
  bed.commands.BindHtmlEvent2();
  EXPECT_FALSE(bed.wide.Fire("SettingID"));
  EXPECT_FALSE(bed.narrow.Fire("btnAddTitle"));
}

TEST_F(BindingTest, AnIdTwiceBindsOnlyTheFirstAndRebindingFiresOnce) {
  auto& first = bed.wide.AddElement("PinID");
  auto& second = bed.wide.AddElement("PinID");
  bed.commands.BindHtmlEvent();
  bed.commands.BindHtmlEvent();
  EXPECT_EQ(first.bound.size(), 1u);
  EXPECT_TRUE(second.bound.empty());
  EXPECT_TRUE(bed.wide.Fire("PinID"));
  EXPECT_EQ(bed.host.calls, std::vector<std::string>{"TogglePin"});  // toggled exactly once
}

TEST_F(BindingTest, BothPagesReachTheSameSink) {
  auto& wide = bed.wide.AddElement("PinID");
  auto& narrow = bed.narrow.AddElement("PinID");
  bed.commands.BindHtmlEvent();
  bed.commands.BindHtmlEvent2();
  EXPECT_EQ(wide.bound.at(kClick), narrow.bound.at(kClick));
  bed.narrow.Fire("PinID");
  bed.wide.Fire("PinID");
  EXPECT_EQ(bed.host.calls, (std::vector<std::string>{"TogglePin", "TogglePin"}));
  // The two drag elements share one sink too.
  auto& move1 = bed.wide.AddElement("MoveFormID");
  auto& move2 = bed.wide.AddElement("MoveFormID2");
  bed.commands.BindHtmlEvent();
  EXPECT_EQ(move1.bound.at(kDown), move2.bound.at(kDown));
  bed.journal.Clear();
  bed.wide.Fire("MoveFormID2", kDown);
  EXPECT_EQ(bed.journal.entries, std::vector<std::string>{"window.drag"});
}

// Each id of both tables, clicked on a page that has only that element.
TEST(BindingClicks, EachElementRunsItsCommand) {
  const struct {
    const char* id;
    bool narrowPage;
    std::vector<std::string> hostCalls;
    std::vector<std::string> wideScripts;
    std::vector<InsertKind> inserts;
    bool windowVisible, miniShown, dragged;
  } cases[] = {
      {"MiniID", false, {}, {}, {}, false, true, false},
      {"ReadDwgID", false, {}, {"Tobatu()"}, {}, true, false, false},
      {"PinID", false, {"TogglePin"}, {}, {}, true, false, false},
      {"MinID", false, {"RememberWidePlace"}, {}, {}, false, true, false},
      {"HVID", true, {"SwitchLayout"}, {}, {}, true, false, false},
      {"CloseID", false, {"CloseProgram"}, {}, {}, true, false, false},
      {"MoveFormID", false, {}, {}, {}, true, false, true},
      {"MoveFormID2", true, {}, {}, {}, true, false, true},
      {"InsertExcelID", true, {}, {}, {InsertKind::Row}, true, false, false},
      {"btnAddTitle", false, {}, {}, {InsertKind::Caption}, true, false, false},
      {"ErrorRefreshID", false, {}, {}, {}, true, false, false},
      {"ErrorCloseID", true, {"CloseProgram"}, {}, {}, true, false, false},
      {"SettingID", true, {"ShowWideLayout"}, {"miniToHorizontal()", "openSetting()"}, {}, true,
       false, false},
      {"QueryPriceID", true, {"ShowWideLayout"}, {"miniToHorizontal()", "loadOrderDiv()"}, {},
       true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    PageCommandsBed bed;
    bed.window.visible = true;
    bed.wide.LoadPage(bed.settings.IndexUrl);
    bed.narrow.LoadPage(bed.settings.IndexZbUrl);
    FakeBrowser& page = c.narrowPage ? bed.narrow : bed.wide;
    const EventProperty property = std::string(c.id).rfind("MoveFormID", 0) == 0 ? kDown : kClick;
    page.AddElement(c.id);
    bed.commands.BindHtmlEvent();
    bed.commands.BindHtmlEvent2();
    bed.journal.Clear();
    ASSERT_TRUE(page.Fire(c.id, property));
    EXPECT_EQ(bed.host.calls, c.hostCalls);
    EXPECT_EQ(bed.wide.scripts, c.wideScripts);
    EXPECT_EQ(bed.insert.runs, c.inserts);
    EXPECT_EQ(bed.window.visible, c.windowVisible);
    EXPECT_EQ(bed.mini.visible, c.miniShown);
    EXPECT_EQ(bed.journal.Has("window.drag"), c.dragged);
  }
}

TEST_F(BindingTest, AFailingDomCallEndsTheRunAndTheNextBindingStartsOver) {
  bed.wide.AddElement("MiniID");
  bed.wide.AddElement("PinID").isHtmlElement = false;
  bed.wide.AddElement("CloseID");
  EXPECT_THROW(RowsToBind(bed.wide, WideBindings()), BrowserError);
  EXPECT_THROW(bed.commands.BindHtmlEvent(), BrowserError);
  EXPECT_EQ(BindCounts(bed.wide), (std::vector<std::size_t>{1, 0, 0}));

  bed.wide.elements[1]->isHtmlElement = true;
  bed.wide.elements[2]->failBind = true;
  EXPECT_THROW(bed.commands.BindHtmlEvent(), BrowserError);
  EXPECT_EQ(BindCounts(bed.wide), (std::vector<std::size_t>{2, 1, 0}));

  bed.wide.failLookups = true;
  EXPECT_THROW(bed.commands.BindHtmlEvent(), BrowserError);
  EXPECT_EQ(BindCounts(bed.wide), (std::vector<std::size_t>{2, 1, 0}));
}

TEST_F(BindingTest, AHandlerThatThrowsIsReportedAndTheSinkGoesOn) {
  std::vector<std::string> reported;
  SetExceptionReporter([&reported](const std::string& m) { reported.push_back(m); });
  bed.wide.AddElement("InsertExcelID");
  bed.commands.BindHtmlEvent();
  // The insert reads a page that fails: the error is reported, not thrown.
  bed.insert.fail = true;
  EXPECT_NO_THROW(bed.wide.Fire("InsertExcelID"));
  EXPECT_TRUE(bed.wide.Fire("InsertExcelID"));
  SetExceptionReporter(nullptr);
  EXPECT_EQ(bed.insert.runs.size(), 2u);
  EXPECT_EQ(reported.size(), 2u);
}

// The error page this window loaded is bound wherever it comes from; any other page only on
// the service host; the narrow page never by the error page's mark.
TEST_F(BindingTest, OnlyServicePagesAndTheOwnErrorPageAreBound) {
  const struct {
    const char* url;
    bool errorPageShown;
    bool wide, narrow;
  } cases[] = {
      {"", false, true, true},  // the service's own page addresses
      {"about:blank", false, false, false},
      {"about:blank", true, true, false},
      {"http://elsewhere.example.net/pcprice/default/index", false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    bed.host.errorPageShown = c.errorPageShown;
    bed.wide.LoadPage(*c.url ? c.url : bed.settings.IndexUrl);
    bed.narrow.LoadPage(*c.url ? c.url : bed.settings.IndexZbUrl);
    EXPECT_EQ(bed.commands.MayBind(bed.wide), c.wide);
    EXPECT_EQ(bed.commands.MayBind(bed.narrow), c.narrow);
    bed.wide.AddElement("ErrorCloseID");
    bed.commands.BindHtmlEvent();
    EXPECT_EQ(BindCounts(bed.wide), std::vector<std::size_t>{c.wide ? 1u : 0u});
  }
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

TEST(Sinks, ALateEventNeverReachesAWindowThatWent) {
  auto bed = std::make_unique<fakes::PageCommandsBed>();
  bed->wide.LoadPage(bed->settings.IndexUrl);
  bed->wide.AddElement("PinID");
  bed->commands.BindHtmlEvent();
  // The sinks live as long as the process; the page may still hold one and fire it.
  std::vector<std::unique_ptr<fakes::FakeSink>> sinks = std::move(bed->sinks.sinks);
  bed.reset();
  ASSERT_EQ(sinks.size(), kPageCommandCount);
  for (const auto& sink : sinks) EXPECT_FALSE(sink->Invoke());
}

}  // namespace
}  // namespace zel
