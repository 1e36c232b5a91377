#include <gtest/gtest.h>

#include <memory>

#include "tests/fakes/MainHarness.h"

namespace zel {
namespace {

using fakes::FakeBrowser;
using fakes::MainHarness;

const std::vector<std::string> kWideIds = {
    "MiniID", "ReadDwgID", "PinID", "MinID", "HVID", "CloseID", "MoveFormID", "MoveFormID2",
    "InsertExcelID", "btnAddTitle", "ErrorRefreshID", "ErrorCloseID"};
const std::vector<std::string> kNarrowIds = {
    "SettingID", "MiniID", "ReadDwgID", "PinID", "MinID", "HVID", "QueryPriceID", "CloseID",
    "MoveFormID", "MoveFormID2", "InsertExcelID", "ErrorRefreshID", "ErrorCloseID"};

struct BindingTest : ::testing::Test {
  BindingTest() { h.Create(); }
  std::vector<std::string> Binds(const std::string& browser) {
    std::vector<std::string> binds;
    for (const auto& e : h.journal.entries) {
      if (e.rfind(browser + ".bind ", 0) == 0) binds.push_back(e.substr(browser.size() + 6));
    }
    return binds;
  }
  MainHarness h;
};

TEST_F(BindingTest, AllIdsAreBoundInTableOrderWithTheirEventProperty) {
  h.wb1.LoadPage(h.globals.IndexUrl);
  h.wb2.LoadPage(h.globals.IndexZbUrl);
  // Page order differs from table order on purpose.
  for (auto it = kNarrowIds.rbegin(); it != kNarrowIds.rend(); ++it) {
    h.wb1.AddElement(*it);
    h.wb2.AddElement(*it);
  }
  h.wb1.AddElement("btnAddTitle");
  h.wb2.AddElement("btnAddTitle");
  h.form->BindHtmlEvent();
  h.form->BindHtmlEvent2();

  std::vector<std::string> wide, narrow;
  for (const auto& id : kWideIds) {
    wide.push_back(id + (id.rfind("MoveFormID", 0) == 0 ? " onmousedown" : " onclick"));
  }
  for (const auto& id : kNarrowIds) {
    narrow.push_back(id + (id.rfind("MoveFormID", 0) == 0 ? " onmousedown" : " onclick"));
  }
  EXPECT_EQ(Binds("wb1"), wide);
  EXPECT_EQ(Binds("wb2"), narrow);
}

TEST_F(BindingTest, NoneOrSomeIdsBindWhatIsThereAndNoDocumentBindsNothing) {
  h.form->BindHtmlEvent();  // no document
  h.wb1.LoadPage(h.globals.IndexUrl);
  h.wb1.AddElement("unrelated");
  h.form->BindHtmlEvent();
  EXPECT_TRUE(Binds("wb1").empty());
  h.wb1.AddElement("CloseID");
  h.wb1.AddElement("PinID");
  h.form->BindHtmlEvent();
  EXPECT_EQ(Binds("wb1"), (std::vector<std::string>{"PinID onclick", "CloseID onclick"}));
}

TEST_F(BindingTest, TableSpecificIdsStayUnboundInTheOtherPage) {
  for (FakeBrowser* b : {&h.wb1, &h.wb2}) {
    b->LoadPage(h.globals.IndexUrl);
    b->AddElement("btnAddTitle");
    b->AddElement("SettingID");
    b->AddElement("QueryPriceID");
  }
  h.form->BindHtmlEvent();
  h.form->BindHtmlEvent2();
  EXPECT_EQ(Binds("wb1"), std::vector<std::string>{"btnAddTitle onclick"});
  EXPECT_EQ(Binds("wb2"), (std::vector<std::string>{"SettingID onclick", "QueryPriceID onclick"}));
  EXPECT_FALSE(h.wb1.Fire("SettingID"));
  EXPECT_FALSE(h.wb2.Fire("btnAddTitle"));
}

TEST_F(BindingTest, AnIdTwiceBindsOnlyTheFirstAndRebindingFiresOnce) {
  h.wb1.LoadPage(h.globals.IndexUrl);
  auto& first = h.wb1.AddElement("PinID");
  auto& second = h.wb1.AddElement("PinID");
  h.form->BindHtmlEvent();
  h.form->BindHtmlEvent();
  EXPECT_EQ(first.bound.size(), 1u);
  EXPECT_TRUE(second.bound.empty());
  EXPECT_TRUE(h.wb1.Fire("PinID"));
  EXPECT_TRUE(h.globals.IsTopMost);  // toggled exactly once
}

TEST_F(BindingTest, BothPagesReachTheSameSink) {
  h.wb1.LoadPage(h.globals.IndexUrl);
  h.wb2.LoadPage(h.globals.IndexZbUrl);
  auto& wide = h.wb1.AddElement("PinID");
  auto& narrow = h.wb2.AddElement("PinID");
  h.form->BindHtmlEvent();
  h.form->BindHtmlEvent2();
  EXPECT_EQ(wide.bound.at(EventProperty::OnClick), narrow.bound.at(EventProperty::OnClick));
  h.wb2.Fire("PinID");
  h.wb1.Fire("PinID");
  EXPECT_FALSE(h.globals.IsTopMost);
  // The two drag elements share one sink too.
  auto& move1 = h.wb1.AddElement("MoveFormID");
  auto& move2 = h.wb1.AddElement("MoveFormID2");
  h.form->BindHtmlEvent();
  EXPECT_EQ(move1.bound.at(EventProperty::OnMouseDown), move2.bound.at(EventProperty::OnMouseDown));
  h.wb1.Fire("MoveFormID2", EventProperty::OnMouseDown);
  EXPECT_TRUE(h.journal.Has("window.drag"));
}

TEST_F(BindingTest, AFailingDomCallEndsTheRunAndTheNextBindingStartsOver) {
  h.wb1.LoadPage(h.globals.IndexUrl);
  h.wb1.AddElement("MiniID");
  h.wb1.AddElement("PinID").isHtmlElement = false;
  h.wb1.AddElement("CloseID");
  EXPECT_THROW(h.form->BindHtmlEvent(), BrowserError);
  EXPECT_EQ(Binds("wb1"), std::vector<std::string>{"MiniID onclick"});

  h.journal.Clear();
  h.wb1.elements[1]->isHtmlElement = true;
  h.wb1.elements[2]->failBind = true;
  EXPECT_THROW(h.form->BindHtmlEvent(), BrowserError);
  EXPECT_EQ(Binds("wb1"), (std::vector<std::string>{"MiniID onclick", "PinID onclick"}));

  h.journal.Clear();
  h.wb1.failLookups = true;
  EXPECT_THROW(h.form->BindHtmlEvent(), BrowserError);
  EXPECT_TRUE(Binds("wb1").empty());
}

TEST_F(BindingTest, AHandlerThatThrowsIsReportedAndTheSinkGoesOn) {
  h.wb1.LoadPage(h.globals.IndexUrl);
  h.wb1.AddElement("ErrorCloseID");
  h.form->BindHtmlEvent();
  EXPECT_TRUE(h.wb1.Fire("ErrorCloseID"));
  EXPECT_TRUE(h.globals.IsClosing);
  // The insert handler reads a page that fails: the error is logged, not thrown.
  h.wb1.AddElement("InsertExcelID");
  h.wb1.failLookups = true;
  EXPECT_NO_THROW(h.wb1.Fire("InsertExcelID"));
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

TEST(Sinks, ALateEventNeverReachesAWindowThatWent) {
  auto h = std::make_unique<fakes::MainHarness>();
  h->Create();
  h->wb1.LoadPage(h->globals.IndexUrl);
  h->wb1.AddElement("PinID");
  h->form->BindHtmlEvent();
  // The sinks live as long as the process; the page may still hold one and fire it.
  std::vector<std::unique_ptr<fakes::FakeSink>> sinks = std::move(h->sinks.sinks);
  h.reset();
  for (const auto& sink : sinks) EXPECT_FALSE(sink->Invoke());
}

}  // namespace
}  // namespace zel
