#include <gtest/gtest.h>

#include "shell/ConnCheck.h"
#include "tests/fakes/MainHarness.h"

namespace zel {
namespace {

using fakes::MainHarness;

TEST(FirstPage, DefaultHostShowsTheLoadingPageAndAnArgumentNavigatesDirectly) {
  MainHarness def;
  def.Create();
  EXPECT_EQ(def.wb1.loadedHtml, std::vector<std::string>{"<html>loading</html>"});
  EXPECT_TRUE(def.wb1.navigations.empty());
  EXPECT_TRUE(def.wb2.navigations.empty());

  MainHarness direct;
  direct.Create({"http://shop.example.com:81/"});
  EXPECT_TRUE(direct.wb1.loadedHtml.empty());
  ASSERT_EQ(direct.wb1.navigations.size(), 1u);
  EXPECT_EQ(direct.wb1.navigations[0],
            "http://shop.example.com:81/pcprice/default/index|"
            "User-Agent:Mozille/4.0 (compatible: MSIE 8.0; Windows NT 6.0; Trident/4.0)\r\n");
  EXPECT_TRUE(direct.wb1.silent);
}

TEST(FirstPage, AFailingFirstLoadStillLeavesAWholeWindow) {
  for (const bool direct : {false, true}) {
    SCOPED_TRACE(direct ? "navigation fails" : "loading page cannot be loaded");
    MainHarness h;
    h.resources.data.erase("Zelloading");
    h.wb1.failNavigate = true;
    h.Create(direct ? std::vector<std::string>{"shop.example.com"} : std::vector<std::string>{});
    EXPECT_EQ(h.sinks.sinks.size(), 13u);
    EXPECT_TRUE(h.application.hookInstalled);
    EXPECT_FALSE(h.wb2.visible);
    EXPECT_EQ(ToMilliseconds(h.globals.LastCheckTime), ToMilliseconds(h.clock.now));
    EXPECT_EQ(h.LogMessages().size(), 1u);
  }
}

struct CompletionTest : ::testing::Test {
  CompletionTest() {
    h.Create();
    h.window.visible = true;
    h.journal.Clear();
  }
  MainHarness h;
};

TEST_F(CompletionTest, ServicePageIsBoundPinnedAndStartsTheUpdateCheck) {
  h.LoadServicePage(h.wb1, h.globals.IndexUrl, "1");
  h.wb1.AddElement("PinID");
  h.wb1.RaiseDocumentComplete();
  EXPECT_EQ(h.window.alpha, 255);
  EXPECT_EQ(h.form->CheckLoadHtml(), 1);
  EXPECT_TRUE(h.journal.Has("wb1.bind PinID onclick"));
  EXPECT_TRUE(h.globals.IsTopMost);
  EXPECT_TRUE(h.window.topMost);
  EXPECT_TRUE(h.globals.UpdateStarted);
  EXPECT_TRUE(h.hotKeys.registered.empty());
  EXPECT_TRUE(h.wb1.loadedHtml.size() == 1);  // only the loading page of the start
}

TEST_F(CompletionTest, EachDocumentKindHasItsOwnFollowUp) {
  const std::string service = h.globals.IndexUrl;
  const struct {
    const char* what;
    std::vector<std::string> ids;
    std::string url;
    int kind;
    bool errorPageLoaded;
    bool bound;
  } cases[] = {
      {"service page", {"CloseID", "MiniID"}, service, 1, false, true},
      {"other page at an index address", {"MiniID"}, service, 0, true, false},
      {"other page elsewhere", {"MiniID"}, "http://h/other", 0, false, false},
      {"by name: both ids, service wins", {"ErrorCloseID", "CloseID"}, service, 1, false, true},
      // Native commands serve only the service's own pages and the error page we loaded.
      {"a service-like page on another host", {"CloseID", "MiniID"}, "http://h/pcprice/default/index", 1,
       false, false},
      {"error page ids in a page we did not load", {"ErrorCloseID"}, "about:blank", 2, false, false},
  };
  for (const auto& c : cases) {
    MainHarness m;
    m.Create();
    m.wb1.LoadPage(c.url);
    m.wb1.variables["pin_state"] = "0";
    for (const auto& id : c.ids) m.wb1.AddElement(id);
    m.wb1.RaiseDocumentComplete();
    EXPECT_EQ(m.form->CheckLoadHtml(), c.kind) << c.what;
    EXPECT_EQ(m.wb1.loadedHtml.size(), c.errorPageLoaded ? 2u : 1u) << c.what;
    if (c.errorPageLoaded) {
      EXPECT_EQ(m.wb1.loadedHtml.back(), "<html>error</html>") << c.what;
    }
    bool anyBound = false;
    for (const auto& e : m.wb1.elements) anyBound = anyBound || !e->bound.empty();
    EXPECT_EQ(anyBound, c.bound) << c.what;
    EXPECT_EQ(m.globals.UpdateStarted, c.kind == 1) << c.what;
    EXPECT_TRUE(m.hotKeys.registered.empty()) << c.what;  // the Esc hotkey is gone in every case
  }
}

TEST_F(CompletionTest, TheErrorPageWeLoadedIsBoundUntilAnotherPageComes) {
  h.wb1.LoadPage(h.globals.IndexUrl);  // no "CloseID": not the service page
  h.wb1.RaiseDocumentComplete();
  ASSERT_EQ(h.wb1.loadedHtml.back(), "<html>error</html>");
  h.wb1.LoadPage("about:blank");
  h.wb1.RaiseNavigateComplete2();  // the blank page it is loaded into
  h.wb1.AddElement("ErrorCloseID");
  h.wb1.RaiseDocumentComplete();
  EXPECT_TRUE(h.wb1.Fire("ErrorCloseID"));
  EXPECT_TRUE(h.globals.IsClosing);

  // A real navigation since: the same ids are no longer ours.
  MainHarness m;
  m.Create();
  m.wb1.LoadPage(m.globals.IndexUrl);
  m.wb1.RaiseDocumentComplete();
  m.wb1.LoadPage("http://elsewhere/");
  m.wb1.RaiseNavigateComplete2();
  m.wb1.AddElement("ErrorCloseID");
  m.wb1.RaiseDocumentComplete();
  EXPECT_FALSE(m.wb1.Fire("ErrorCloseID"));
}

TEST_F(CompletionTest, AnEmptyBrowserChangesNothing) {
  MainHarness empty;
  empty.Create();
  EXPECT_EQ(empty.form->CheckLoadHtml(), 0);
}

TEST_F(CompletionTest, FramesAndUnfinishedDocumentsStopEarly) {
  h.LoadServicePage(h.wb1, h.globals.IndexUrl, "1");
  h.wb1.RaiseDocumentComplete(/*topLevel=*/false);
  EXPECT_EQ(h.window.alpha, 255);  // any completed document makes the window opaque
  EXPECT_FALSE(h.globals.UpdateStarted);
  EXPECT_FALSE(h.hotKeys.registered.empty());

  MainHarness busy;
  busy.Create();
  busy.LoadServicePage(busy.wb1, busy.globals.IndexUrl);
  busy.wb1.readyState = 3;
  busy.wb1.RaiseDocumentComplete();
  EXPECT_EQ(busy.window.alpha, 0);
  EXPECT_FALSE(busy.globals.UpdateStarted);
}

TEST_F(CompletionTest, PinStateIsAppliedOnlyWhileTheWindowIsVisible) {
  h.window.visible = false;
  h.LoadServicePage(h.wb1, h.globals.IndexUrl, "1");
  h.wb1.RaiseDocumentComplete();
  EXPECT_FALSE(h.globals.IsTopMost);
  EXPECT_FALSE(h.journal.Has("window.topmost"));
  EXPECT_TRUE(h.globals.UpdateStarted);
}

TEST_F(CompletionTest, AServicePageWithoutPinStateEndsTheHandling) {
  h.LoadServicePage(h.wb1, h.globals.IndexUrl, "");
  EXPECT_THROW(h.wb1.RaiseDocumentComplete(), BrowserError);
  EXPECT_FALSE(h.globals.UpdateStarted);
  EXPECT_FALSE(h.hotKeys.registered.empty());
}

TEST_F(CompletionTest, WhileClosingCompletionsOnlyStopTheBrowsers) {
  h.globals.IsClosing = true;
  h.LoadServicePage(h.wb1, h.globals.IndexUrl, "1");
  h.wb1.RaiseDocumentComplete();
  h.LoadServicePage(h.wb2, h.globals.IndexZbUrl, "1");
  h.wb2.RaiseDocumentComplete();
  EXPECT_EQ(h.wb1.stops, 2);
  EXPECT_EQ(h.wb2.stops, 2);
  EXPECT_EQ(h.window.alpha, 0);
  EXPECT_FALSE(h.globals.IsTopMost);
  EXPECT_FALSE(h.journal.Has("wb1.bind CloseID onclick"));
}

TEST_F(CompletionTest, NarrowPageIsBoundAndPinnedWithoutTheWidePagesSteps) {
  h.LoadServicePage(h.wb2, h.globals.IndexZbUrl, "1");
  h.wb2.AddElement("QueryPriceID");
  h.wb2.RaiseDocumentComplete();
  EXPECT_TRUE(h.journal.Has("wb2.bind QueryPriceID onclick"));
  EXPECT_TRUE(h.globals.IsTopMost);
  EXPECT_EQ(h.window.alpha, 0);
  EXPECT_FALSE(h.globals.UpdateStarted);
  EXPECT_FALSE(h.hotKeys.registered.empty());
}

TEST_F(CompletionTest, NavigationErrorsReloadTheActivePageAtMostOnceASecond) {
  const std::vector<std::string> reload{"window.location.reload(true)"};
  h.LoadServicePage(h.wb1, h.globals.IndexUrl);
  h.LoadServicePage(h.wb2, h.globals.IndexZbUrl);
  EXPECT_TRUE(h.wb2.RaiseNavigateError());
  EXPECT_EQ(h.wb1.scripts, reload);
  // A storm of errors: no reload before the second is up, and then exactly one.
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(h.wb1.RaiseNavigateError());
  EXPECT_EQ(h.wb1.scripts, reload);
  EXPECT_TRUE(h.reloadTimer.enabled);
  h.clock.Advance(1000);
  h.form->ReloadTimerTimer();
  EXPECT_FALSE(h.reloadTimer.enabled);
  EXPECT_EQ(h.wb1.scripts.size(), 2u);
  // The narrow page has a pace of its own.
  h.globals.Layout = "V";
  EXPECT_TRUE(h.wb1.RaiseNavigateError());
  EXPECT_EQ(h.wb2.scripts, reload);
  // Without a document the reload fails and the error goes to the caller.
  h.clock.Advance(1000);
  h.wb2.ClearDocument();
  EXPECT_THROW(h.wb2.RaiseNavigateError(), BrowserError);
}

// The pace is a second of elapsed time, whatever happens to the date and time meanwhile.
TEST_F(CompletionTest, TheReloadPaceIgnoresChangesOfTheLocalTime) {
  const struct {
    const char* what;
    std::int64_t shiftMs;    // the local time is set this much forward or back
    std::int64_t elapsedMs;  // time that passes after the first reload
    bool reloadsAgain;
  } cases[] = {
      {"set back an hour, a second later", -3600000, 1000, true},
      {"set forward an hour, at once", 3600000, 10, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MainHarness m;
    m.Create();
    m.LoadServicePage(m.wb1, m.globals.IndexUrl);
    EXPECT_TRUE(m.wb1.RaiseNavigateError());
    ASSERT_EQ(m.wb1.scripts.size(), 1u);
    m.clock.ShiftLocalTime(c.shiftMs);
    m.clock.Advance(c.elapsedMs);
    EXPECT_TRUE(m.wb1.RaiseNavigateError());
    EXPECT_EQ(m.wb1.scripts.size(), c.reloadsAgain ? 2u : 1u);
    EXPECT_NE(m.reloadTimer.enabled, c.reloadsAgain);
  }
}

TEST_F(CompletionTest, ScriptErrorsAreSilentAndNavigationsStaySilent) {
  EXPECT_EQ(h.wb1.RaiseScriptError(), std::make_pair(true, false));
  EXPECT_EQ(h.wb2.RaiseScriptError(), std::make_pair(true, false));
  h.wb1.silent = false;
  h.wb2.silent = false;
  h.wb1.RaiseNavigateComplete2();
  h.wb2.RaiseNavigateComplete2();
  EXPECT_TRUE(h.wb1.silent);
  EXPECT_TRUE(h.wb2.silent);
}

TEST_F(CompletionTest, ShowErrorMsgShowsTheTextInABox) {
  h.form->ShowErrorMsg("网络连接失败，请查看！");
  EXPECT_EQ(h.dialogs.errors, std::vector<std::string>{"网络连接失败，请查看！"});
}

struct ConnCase {
  const char* what;
  bool narrow, mini, wide;
  std::vector<std::string> logged;
  int state;
};

TEST(Connectivity, OnlyTheWidePageDecidesAndEveryFailureIsLogged) {
  const ConnCase cases[] = {
      {"all reachable", true, true, true, {}, 1},
      {"mini down", true, false, true, {"Mini连接失败"}, 1},
      {"narrow down", false, true, true, {"竖版连接失败"}, 1},
      {"wide down", true, true, false, {"横版连接失败"}, -1},
      {"all down", false, false, false, {"竖版连接失败", "Mini连接失败", "横版连接失败"}, -1},
  };
  for (const auto& c : cases) {
    MainHarness m;
    m.Create({"host:1"});
    m.connectivity.reachable = {{m.globals.IndexZbUrl, c.narrow},
                                {m.globals.MiniIndexUrl, c.mini},
                                {m.globals.IndexUrl, c.wide}};
    // The state never reads -1 before the wide page has been checked.
    m.connectivity.onCheck = [&](const std::string&) { EXPECT_EQ(m.globals.NetConnState.load(), 0); };
    m.threads.RunAll();
    EXPECT_EQ(m.connectivity.checked,
              (std::vector<std::string>{m.globals.IndexZbUrl, m.globals.MiniIndexUrl, m.globals.IndexUrl}));
    EXPECT_EQ(m.LogMessages(), c.logged) << c.what;
    EXPECT_EQ(m.globals.NetConnState.load(), c.state) << c.what;

    m.form->Timer1Timer();
    EXPECT_FALSE(m.timer1.enabled) << c.what;
    EXPECT_EQ(m.dialogs.errors.size(), c.state == -1 ? 1u : 0u) << c.what;
    EXPECT_EQ(m.application.terminations, c.state == -1 ? 1 : 0) << c.what;
  }
}

TEST(Connectivity, TimerWaitsWhileTheCheckRunsAndAFailedLogStillRecordsTheResult) {
  MainHarness m;
  m.Create();
  m.form->Timer1Timer();
  EXPECT_TRUE(m.timer1.enabled);
  EXPECT_TRUE(m.dialogs.errors.empty());
  m.logFiles.failWrites = true;
  m.threads.RunAll();  // nothing reachable in this harness
  EXPECT_EQ(m.globals.NetConnState.load(), -1);
  m.form->Timer1Timer();
  EXPECT_EQ(m.journal.IndexOf("error-box 网络连接失败，请查看！") < m.journal.IndexOf("app.terminate"), true);
}

}  // namespace
}  // namespace zel
