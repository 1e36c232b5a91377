#include <gtest/gtest.h>

#include "shell/ConnCheck.h"
#include "shell/PageLoading.h"
#include "tests/fakes/FakeBrowser.h"
#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeShell.h"

namespace zel {
namespace {

using namespace fakes;

// What page loading asked of the rest of the window, as counts.
struct LoadingHost final : IPageLoadingHost {
  void BindHtmlEvent() override { ++wideBound; }
  void BindHtmlEvent2() override { ++narrowBound; }
  void ApplyPinState(IBrowser& browser) override { pinnedFrom.push_back(&browser); }
  void ServicePageLoaded() override { ++updateChecks; }
  void WidePageComplete() override { ++wideComplete; }
  bool ShowContextMenu(int, int) override { return ++menus, true; }
  void CommandStateChange() override { ++commandStates; }
  int wideBound = 0, narrowBound = 0, updateChecks = 0, wideComplete = 0, menus = 0,
      commandStates = 0;
  std::vector<IBrowser*> pinnedFrom;
};

struct LoadingParts {
  explicit LoadingParts(const std::vector<std::string>& args = {}) {
    ParseCommandLine(settings, args);
    reloadTimer.enabled = false;
    window.alpha = 0;
  }
  // A page of the service: "CloseID" present.
  void LoadServicePage(FakeBrowser& browser, const std::string& url) {
    browser.LoadPage(url);
    browser.AddElement("CloseID");
  }

  Journal journal;
  TGlobals settings;
  FakeClock clock;
  FakeBrowser wb1{"wb1", &journal};
  FakeBrowser wb2{"wb2", &journal};
  FakeMainBrowsers browsers{wb1, wb2};
  FakeFormWindow window{journal};
  FakeResources resources;
  FakeTimer reloadTimer;
  LoadingHost host;
  FakeToolLauncher tools;
  TPageLoading loading{settings, {browsers, window, resources, clock, reloadTimer, tools}, host};
};

TEST(FirstPage, DefaultHostShowsTheLoadingPageAndAnArgumentNavigatesDirectly) {
  LoadingParts def;
  def.loading.FirstPage();
  EXPECT_EQ(def.wb1.loadedHtml, std::vector<std::string>{"<html>loading</html>"});
  EXPECT_TRUE(def.wb1.navigations.empty());
  EXPECT_TRUE(def.wb2.navigations.empty());
  EXPECT_TRUE(def.wb1.silent);
  EXPECT_TRUE(def.wb2.silent);

  LoadingParts direct({"http://shop.example.com:81/"});
  direct.loading.FirstPage();
  EXPECT_TRUE(direct.wb1.loadedHtml.empty());
  EXPECT_EQ(direct.wb1.navigations,
            std::vector<std::string>{
                "http://shop.example.com:81/pcprice/default/index|"
                "User-Agent:Mozille/4.0 (compatible: MSIE 8.0; Windows NT 6.0; Trident/4.0)\r\n"});
}

TEST(PageCompletion, EachDocumentKindHasItsOwnFollowUp) {
  const std::string service = TGlobals().IndexUrl;
  const struct {
    const char* what;
    std::vector<std::string> ids;
    std::string url;
    int kind;
    bool errorPageLoaded;
    int bound, updateChecks;
  } cases[] = {
      {"service page", {"CloseID", "MiniID"}, service, 1, false, 1, 1},
      {"other page at an index address", {"MiniID"}, service, 0, true, 0, 0},
      {"other page elsewhere", {"MiniID"}, "http://h/other", 0, false, 0, 0},
      {"by name: both ids, service wins", {"ErrorCloseID", "CloseID"}, service, 1, false, 1, 1},
      {"the error page", {"ErrorCloseID"}, "about:blank", 2, false, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoadingParts m;
    m.loading.FirstPage();
    m.wb1.LoadPage(c.url);
    m.wb1.variables["pin_state"] = "0";
    for (const auto& id : c.ids) m.wb1.AddElement(id);
    m.wb1.RaiseDocumentComplete();
    EXPECT_EQ(m.loading.CheckLoadHtml(), c.kind);
    EXPECT_EQ(m.wb1.loadedHtml.size(), c.errorPageLoaded ? 2u : 1u);
    if (c.errorPageLoaded) {
      EXPECT_EQ(m.wb1.loadedHtml.back(), "<html>error</html>");
    }
    EXPECT_FALSE(m.loading.ErrorPageShown());  // not before its own document completed
    EXPECT_EQ(m.host.wideBound, c.bound);
    EXPECT_EQ(m.host.pinnedFrom.size(), c.kind == 1 ? 1u : 0u);
    EXPECT_EQ(m.host.updateChecks, c.updateChecks);
    EXPECT_EQ(m.host.wideComplete, 1);  // the Esc key is released in every case
    EXPECT_EQ(m.window.alpha, 255);
  }
}

// The mark belongs to the fresh document the error page was loaded into, and to nothing after.
TEST(PageCompletion, TheErrorPageMarkIsTheOwnDocumentsUntilAnyNavigation) {
  const auto errorPageAfter = [](const std::vector<std::string>& steps) {
    LoadingParts m;
    m.wb1.LoadPage(m.settings.IndexUrl);  // no "CloseID": not the service page
    m.wb1.RaiseDocumentComplete();        // the error page is loaded
    for (const std::string& step : steps) {
      if (step == "complete") {
        m.wb1.AddElement("ErrorCloseID");
        m.wb1.RaiseDocumentComplete();
      } else {
        m.wb1.LoadPage(step);
        m.wb1.RaiseNavigateComplete2();
      }
    }
    return m.loading.ErrorPageShown();
  };
  EXPECT_TRUE(errorPageAfter({"about:blank", "complete"}));
  // A foreign page with the same markup, before or after.
  EXPECT_FALSE(errorPageAfter({"http://elsewhere/", "complete"}));
  EXPECT_FALSE(errorPageAfter({"http://elsewhere/", "about:blank", "complete"}));
  EXPECT_FALSE(errorPageAfter({"about:blank", "complete", "about:blank"}));
  EXPECT_FALSE(errorPageAfter({"about:blank", "complete", "about:blank", "complete"}));
  EXPECT_FALSE(errorPageAfter({"about:blank", "complete", "http://elsewhere/"}));
}

// F5 and Ctrl+R reload the shown page the program's way, paced as a reload after an error.
TEST(PageKeys, TheReloadKeyIsTheProgramsPacedReloadOfTheShownPage) {
  LoadingParts m;
  m.browsers.narrowActive = true;
  m.LoadServicePage(m.wb2, m.settings.IndexZbUrl);
  m.wb2.RaiseReloadKey();
  m.wb2.RaiseReloadKey();
  EXPECT_EQ(m.wb2.scripts, std::vector<std::string>{"window.location.reload(true)"});
  EXPECT_TRUE(m.reloadTimer.enabled);  // the second waits its turn
  EXPECT_TRUE(m.wb1.scripts.empty());
}

TEST(PageNewWindows, ServicePagesOpenInTheAskingBrowserOthersInTheUsersBrowserOrNowhere) {
  LoadingParts m;
  FakeLogFileSystem logFiles;
  SetLogEnvironment(&logFiles, &m.clock);
  const std::string service = m.settings.IndexUrl + "?page=2";
  m.wb2.RaiseNewWindow(service);
  m.wb1.RaiseNewWindow("https://www.example.org/help");
  m.wb1.RaiseNewWindow("file:///C:/Windows/win.ini");
  m.wb1.RaiseNewWindow("javascript:alert(1)");
  SetLogEnvironment(nullptr, nullptr);
  EXPECT_EQ(m.wb2.navigations, std::vector<std::string>{service});
  EXPECT_TRUE(m.wb1.navigations.empty());
  EXPECT_EQ(m.tools.opened, std::vector<std::string>{"https://www.example.org/help"});
  EXPECT_EQ(logFiles.Messages(), (std::vector<std::string>{"新窗口已拒绝：file:///C:/Windows/win.ini",
                                                           "新窗口已拒绝：javascript:alert(1)"}));
}

TEST(PageCompletion, EmptyBrowsersFramesAndUnfinishedDocumentsStopEarly) {
  LoadingParts m;
  EXPECT_EQ(m.loading.CheckLoadHtml(), 0);
  m.LoadServicePage(m.wb1, m.settings.IndexUrl);
  m.wb1.RaiseDocumentComplete(/*topLevel=*/false);
  EXPECT_EQ(m.window.alpha, 255);  // any completed document makes the window opaque
  EXPECT_EQ(m.host.updateChecks + m.host.wideBound + m.host.wideComplete, 0);

  LoadingParts busy;
  busy.LoadServicePage(busy.wb1, busy.settings.IndexUrl);
  busy.wb1.readyState = 3;
  busy.wb1.RaiseDocumentComplete();
  EXPECT_EQ(busy.window.alpha, 0);
  EXPECT_EQ(busy.host.updateChecks + busy.host.wideBound + busy.host.wideComplete, 0);
}

TEST(PageCompletion, WhileClosingCompletionsOnlyStopTheBrowsers) {
  LoadingParts m;
  m.settings.IsClosing = true;
  m.LoadServicePage(m.wb1, m.settings.IndexUrl);
  m.wb1.RaiseDocumentComplete();
  m.LoadServicePage(m.wb2, m.settings.IndexZbUrl);
  m.wb2.RaiseDocumentComplete();
  EXPECT_EQ(m.wb1.stops, 2);
  EXPECT_EQ(m.wb2.stops, 2);
  EXPECT_EQ(m.window.alpha, 0);
  EXPECT_EQ(m.host.wideBound + m.host.narrowBound, 0);
  EXPECT_TRUE(m.host.pinnedFrom.empty());
}

TEST(PageCompletion, NarrowPageIsBoundAndPinnedWithoutTheWidePagesSteps) {
  LoadingParts m;
  m.LoadServicePage(m.wb2, m.settings.IndexZbUrl);
  m.wb2.RaiseDocumentComplete();
  EXPECT_EQ(m.host.narrowBound, 1);
  EXPECT_EQ(m.host.pinnedFrom, std::vector<IBrowser*>{&m.wb2});
  EXPECT_EQ(m.window.alpha, 0);
  EXPECT_EQ(m.host.updateChecks + m.host.wideComplete + m.host.wideBound, 0);
}

TEST(PageCompletion, MenusAndCommandStatesOfBothBrowsersGoToTheWindow) {
  LoadingParts m;
  m.wb1.RaiseCommandStateChange();
  m.wb2.RaiseCommandStateChange();
  EXPECT_EQ(m.host.commandStates, 2);
}

TEST(PageReload, NavigationErrorsReloadTheShownPageAtMostOnceASecond) {
  const std::vector<std::string> reload{"window.location.reload(true)"};
  LoadingParts m;
  m.LoadServicePage(m.wb1, m.settings.IndexUrl);
  m.LoadServicePage(m.wb2, m.settings.IndexZbUrl);
  EXPECT_TRUE(m.wb2.RaiseNavigateError());
  EXPECT_EQ(m.wb1.scripts, reload);
  // A storm of errors: no reload before the second is up, and then exactly one.
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(m.wb1.RaiseNavigateError());
  EXPECT_EQ(m.wb1.scripts, reload);
  EXPECT_TRUE(m.reloadTimer.enabled);
  m.clock.Advance(1000);
  m.loading.ReloadTimerTimer();
  EXPECT_FALSE(m.reloadTimer.enabled);
  EXPECT_EQ(m.wb1.scripts.size(), 2u);
  // The narrow layout shows the narrow page: it is the one reloaded.
  m.browsers.narrowActive = true;
  m.clock.Advance(1000);
  EXPECT_TRUE(m.wb1.RaiseNavigateError());
  EXPECT_EQ(m.wb2.scripts, reload);
  // Without a document the reload fails and the error goes to the caller.
  m.clock.Advance(1000);
  m.wb2.ClearDocument();
  EXPECT_THROW(m.wb2.RaiseNavigateError(), BrowserError);
  // Closing: a reload that was due is dropped.
  m.wb2.LoadPage(m.settings.IndexZbUrl);
  const std::size_t before = m.wb2.scripts.size();
  EXPECT_TRUE(m.wb2.RaiseNavigateError());
  EXPECT_TRUE(m.reloadTimer.enabled);
  m.settings.IsClosing = true;
  m.clock.Advance(1000);
  m.loading.ReloadTimerTimer();
  EXPECT_EQ(m.wb2.scripts.size(), before);
}

// The pace is a second of elapsed time, whatever happens to the date and time meanwhile.
TEST(PageReload, ThePaceIgnoresChangesOfTheLocalTime) {
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
    LoadingParts m;
    m.LoadServicePage(m.wb1, m.settings.IndexUrl);
    EXPECT_TRUE(m.wb1.RaiseNavigateError());
    ASSERT_EQ(m.wb1.scripts.size(), 1u);
    m.clock.ShiftLocalTime(c.shiftMs);
    m.clock.Advance(c.elapsedMs);
    EXPECT_TRUE(m.wb1.RaiseNavigateError());
    EXPECT_EQ(m.wb1.scripts.size(), c.reloadsAgain ? 2u : 1u);
    EXPECT_NE(m.reloadTimer.enabled, c.reloadsAgain);
  }
}

TEST(PageLoading, ScriptErrorsAreSilentAndNavigationsStaySilent) {
  LoadingParts m;
  EXPECT_EQ(m.wb1.RaiseScriptError(), std::make_pair(true, false));
  EXPECT_EQ(m.wb2.RaiseScriptError(), std::make_pair(true, false));
  m.wb1.RaiseNavigateComplete2();
  m.wb2.RaiseNavigateComplete2();
  EXPECT_TRUE(m.wb1.silent);
  EXPECT_TRUE(m.wb2.silent);
}

// The start-up check on fakes; the close it asks for is counted.
struct CheckParts {
  CheckParts() {
    SetLogEnvironment(&logFiles, &clock);
    ParseCommandLine(settings, {"host:1"});
  }
  ~CheckParts() { SetLogEnvironment(nullptr, nullptr); }

  Journal journal;
  TGlobals settings;
  FakeClock clock;
  FakeLogFileSystem logFiles;
  FakeConnectivity connectivity;
  FakeThreads threads;
  FakeTimer timer1;
  FakeDialogs dialogs{journal};
  int closes = 0;
  TStartupCheck check{settings, {connectivity, threads, timer1, dialogs}, [this] { ++closes; }};
};

TEST(Connectivity, OnlyTheWidePageDecidesAndEveryFailureIsLogged) {
  const struct {
    const char* what;
    bool narrow, mini, wide;
    std::vector<std::string> logged;
    int state;
  } cases[] = {
      {"all reachable", true, true, true, {}, 1},
      {"mini down", true, false, true, {"Mini连接失败"}, 1},
      {"narrow down", false, true, true, {"竖版连接失败"}, 1},
      {"wide down", true, true, false, {"横版连接失败"}, -1},
      {"all down", false, false, false, {"竖版连接失败", "Mini连接失败", "横版连接失败"}, -1},
  };
  for (const auto& c : cases) {
    CheckParts m;
    m.check.StartConnectivityCheck();
    m.connectivity.reachable = {{m.settings.IndexZbUrl, c.narrow},
                                {m.settings.MiniIndexUrl, c.mini},
                                {m.settings.IndexUrl, c.wide}};
    // The state never reads -1 before the wide page has been checked.
    m.connectivity.onCheck = [&](const std::string&) { EXPECT_EQ(m.settings.NetConnState.load(), 0); };
    m.threads.RunAll();
    EXPECT_EQ(m.connectivity.checked, (std::vector<std::string>{m.settings.IndexZbUrl,
                                                                m.settings.MiniIndexUrl,
                                                                m.settings.IndexUrl}));
    EXPECT_EQ(m.logFiles.Messages(), c.logged) << c.what;
    EXPECT_EQ(m.settings.NetConnState.load(), c.state) << c.what;

    m.check.Timer1Timer();
    EXPECT_FALSE(m.timer1.enabled) << c.what;
    EXPECT_EQ(m.dialogs.errors.size(), c.state == -1 ? 1u : 0u) << c.what;
    EXPECT_EQ(m.closes, c.state == -1 ? 1 : 0) << c.what;
  }
}

TEST(Connectivity, TimerWaitsWhileTheCheckRunsAndAFailedLogStillRecordsTheResult) {
  CheckParts m;
  m.check.StartConnectivityCheck();
  m.check.Timer1Timer();
  EXPECT_TRUE(m.timer1.enabled);
  EXPECT_TRUE(m.dialogs.errors.empty());
  m.logFiles.failWrites = true;
  m.threads.RunAll();  // nothing reachable here
  EXPECT_EQ(m.settings.NetConnState.load(), -1);
  m.check.Timer1Timer();
  EXPECT_EQ(m.dialogs.errors, std::vector<std::string>{kConnectFailedMessage});
  EXPECT_EQ(m.closes, 1);
}

// IE raises no DocumentComplete for a reload: its fresh document comes to light at the next
// end of a download or change of the command state with the document complete, and is then
// handled once, as its completion would have been.
TEST(PageReload, AFreshDocumentWithoutCompletionIsHandledOnceAtTheNextSign) {
  LoadingParts m;
  m.LoadServicePage(m.wb1, m.settings.IndexUrl);
  m.wb1.RaiseDocumentComplete();
  m.LoadServicePage(m.wb2, m.settings.IndexZbUrl);
  m.wb2.RaiseDocumentComplete();
  const auto handled = [&m] {
    return std::vector<int>{m.host.wideBound, m.host.narrowBound,
                            static_cast<int>(m.host.pinnedFrom.size()), m.host.updateChecks};
  };
  ASSERT_EQ(handled(), (std::vector<int>{1, 1, 2, 1}));
  m.wb1.RaiseDownloadComplete();
  m.wb1.RaiseCommandStateChange();
  m.wb2.RaiseDownloadComplete();
  EXPECT_EQ(handled(), (std::vector<int>{1, 1, 2, 1})) << "the same documents again";

  m.wb1.Reload();
  m.wb1.readyState = 3;
  m.wb1.RaiseDownloadComplete();
  EXPECT_EQ(handled(), (std::vector<int>{1, 1, 2, 1})) << "still loading";
  m.wb1.readyState = 4;
  m.wb1.RaiseCommandStateChange();
  m.wb1.RaiseDownloadComplete();
  EXPECT_EQ(handled(), (std::vector<int>{2, 1, 3, 2})) << "the wide page's reload";
  EXPECT_EQ(m.host.pinnedFrom.back(), &m.wb1);
  m.wb2.Reload();
  m.wb2.RaiseDownloadComplete();
  m.wb2.RaiseDownloadComplete();
  EXPECT_EQ(handled(), (std::vector<int>{2, 2, 4, 2})) << "the narrow page's reload";
  EXPECT_EQ(m.host.pinnedFrom.back(), &m.wb2);

  m.settings.IsClosing = true;
  m.wb1.Reload();
  m.wb1.RaiseDownloadComplete();
  EXPECT_EQ(handled(), (std::vector<int>{2, 2, 4, 2})) << "while closing";
}

// A frame that fails (an advertisement, a counter) is cancelled with one log line; the page
// is not reloaded, now or later.
TEST(PageReload, AFailingFrameIsCancelledAndLoggedAndReloadsNothing) {
  CheckParts logging;  // the log goes to its files
  LoadingParts m;
  m.LoadServicePage(m.wb1, m.settings.IndexUrl);
  EXPECT_TRUE(m.wb1.RaiseNavigateError(/*topLevel=*/false));
  EXPECT_FALSE(m.reloadTimer.enabled);
  m.clock.Advance(5000);
  m.loading.ReloadTimerTimer();
  EXPECT_TRUE(m.wb1.scripts.empty());
  EXPECT_TRUE(m.wb2.scripts.empty());
  EXPECT_EQ(logging.logFiles.Messages(),
            std::vector<std::string>{"框架载入失败：" + m.settings.IndexUrl + "/frame (404)"});
}

}  // namespace
}  // namespace zel
