// The mini input window's logic: binding, search, the double press, docking, page reloads.
#include <gtest/gtest.h>

#include "app/Errors.h"
#include "bridge/MinInput.h"
#include "shell/MiniInputOnDemand.h"
#include "app/Screens.h"
#include "tests/fakes/FakeBrowser.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakePageCommands.h"

namespace zel {
namespace {

using fakes::FakeBrowser;
using fakes::FakeTimer;
using fakes::Journal;

constexpr int kScreenWidth = 1920;

// The window: its bounds, and the program's one window under a point is this one wherever
// its rectangle is (also the part outside the screen does not count: there is no pointer).
class FakeMiniForm final : public IMiniForm {
 public:
  explicit FakeMiniForm(Journal& j) : journal(j) {}
  std::intptr_t Handle() override { return 0x4242; }
  void SetClientSize(int w, int h) override {
    bounds.width = w;
    bounds.height = h;
  }
  WindowRect Bounds() override { return bounds; }
  void SetBounds(const WindowRect& b) override { bounds = b; }
  void Show() override { visible = true; }
  void Hide() override {
    journal.Add("mini.hide");
    visible = false;
  }
  bool Visible() override { return visible; }
  void SetTopMost() override { ++topMostCalls; }
  void StartSystemDrag() override {
    journal.Add("mini.drag");
    if (onDrag) onDrag();
  }
  ScreenPoint CursorPos() override { return cursor; }
  std::string TopControlNameAt(ScreenPoint p) override {
    const bool inside = p.x >= bounds.left && p.x < bounds.left + bounds.width &&
                        p.y >= bounds.top && p.y < bounds.top + bounds.height;
    return inside ? kMiniComponentName : "frmMain";
  }
  int Dpi() override { return dpi; }

  Journal& journal;
  WindowRect bounds{0, 0, 100, 100};
  bool visible = false;
  int topMostCalls = 0;
  ScreenPoint cursor{500, 500};
  std::function<void()> onDrag;
  int dpi = kDesignDpi;
};

class FakeOwner final : public IMiniInputOwner {
 public:
  explicit FakeOwner(Journal& j) : journal(j) {}
  void ShowOwner() override { journal.Add("owner.show"); }
  void QueryFromMini(const std::string& keyword) override {
    journal.Add("owner.query " + keyword);
  }
  void OpenInMain(const std::string& url) override { journal.Add("owner.open " + url); }
  Journal& journal;
};

struct MiniInputTest : ::testing::Test {
  MiniInputTest() {
    ParseCommandLine(globals, {"shop.example.com:8080"});
    form.FormCreate();
    journal.Clear();
  }
  // The service's mini page with the given elements (id, value), completed and bound.
  void LoadMiniPage(const std::vector<std::pair<std::string, std::string>>& elements,
                    const std::string& url = "") {
    browser.LoadPage(url.empty() ? globals.MiniIndexUrl : url);
    for (const auto& [id, value] : elements) browser.AddElement(id, value);
    browser.RaiseDocumentComplete();
  }
  // With the pointer there, both timers tick once (every 50 ms, Timer1 first).
  void Tick(ScreenPoint pointer) {
    window.cursor = pointer;
    form.Timer1Timer();
    if (timer2.enabled) form.Timer2Timer();
  }
  std::vector<std::string> Binds() const {
    std::vector<std::string> binds;
    for (const auto& e : journal.entries) {
      if (e.rfind("mini.bind ", 0) == 0) binds.push_back(e.substr(10));
    }
    return binds;
  }

  Journal journal;
  TGlobals globals;
  FakeMiniForm window{journal};
  FakeBrowser browser{"mini", &journal};
  FakeTimer timer1, timer2, reloadTimer;
  fakes::FakeSinkFactory sinks;
  fakes::FakeClock clock;
  fakes::FakeMonitors monitors;
  FakeOwner owner{journal};
  fakes::FakeToolLauncher tools;
  TfrmMinInput form{globals, owner,
                    {window, browser, timer1, timer2, reloadTimer, sinks, clock, monitors, tools}};
};

TEST_F(MiniInputTest, BindsItsSixRowsOnlyOnTheServiceHost) {
  const std::vector<std::pair<std::string, std::string>> page = {
      {"MoveFormID2", ""}, {"MoveFormID", ""}, {"CloseID", ""},
      {"PinID", ""},       {"SearchID", ""},   {"InputID", ""}};
  const std::vector<std::string> all = {
      "InputID onkeyup",      "SearchID onclick",     "PinID onclick",
      "CloseID onclick",      "MoveFormID onmousedown", "MoveFormID2 onmousedown"};
  const struct {
    const char* url;
    std::vector<std::string> binds;
  } cases[] = {
      {"", all},
      {"http://evil.example.net/pcprice/default/miniindex", {}},
      {"http://shop.example.com/pcprice/default/miniindex", {}},  // another port
  };
  for (const auto& c : cases) {
    journal.Clear();
    LoadMiniPage(page, c.url);
    EXPECT_EQ(Binds(), c.binds) << c.url;
  }
  // The drag areas share one sink; the pin re-asserts topmost on every press.
  LoadMiniPage(page);
  EXPECT_EQ(browser.elements[0]->bound.at(EventProperty::OnMouseDown),
            browser.elements[1]->bound.at(EventProperty::OnMouseDown));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(browser.Fire("PinID"));
  EXPECT_EQ(window.topMostCalls, 1 + 3);
}

TEST_F(MiniInputTest, SearchHandsTheKeywordToTheOwnerThenHides) {
  const struct {
    bool hasInput;
    const char* value;
    const char* query;
  } cases[] = {
      {true, "水泵 DN50", "owner.query 水泵 DN50"},
      {true, "查价格", "owner.query "},
      {true, "请输入查价格关键字", "owner.query "},
      {true, "", "owner.query "},
      {false, "", "owner.query "},
  };
  for (const auto& c : cases) {
    if (c.hasInput) {
      LoadMiniPage({{"InputID", c.value}, {"SearchID", ""}});
    } else {
      LoadMiniPage({{"SearchID", ""}});
    }
    journal.Clear();
    ASSERT_TRUE(browser.Fire("SearchID"));
    EXPECT_EQ(journal.entries,
              (std::vector<std::string>{"owner.show", c.query, "mini.hide"}))
        << c.value;
  }
  browser.ClearDocument();
  journal.Clear();
  form.SearchModel();
  EXPECT_TRUE(journal.Has("owner.query "));
}

TEST_F(MiniInputTest, AKeyUpSearchesOnlyWhenThePageSawEnter) {
  const struct {
    bool hasMonitor;
    const char* monitor;
    bool searches;
  } cases[] = {
      {true, "enter", true},
      {true, "", false},
      {true, "Enter", false},
      {true, "enter ", false},
      {false, "", false},
  };
  for (const auto& c : cases) {
    if (c.hasMonitor) {
      LoadMiniPage({{"InputID", "阀门"}, {"MonitorID", c.monitor}});
    } else {
      LoadMiniPage({{"InputID", "阀门"}});
    }
    journal.Clear();
    ASSERT_TRUE(browser.Fire("InputID", EventProperty::OnKeyUp));
    EXPECT_EQ(journal.Has("owner.query 阀门"), c.searches) << c.monitor;
  }
}

TEST_F(MiniInputTest, ASecondPressWithinHalfASecondSearchesInsteadOfDragging) {
  enum class Before { Nothing, Drag, TopLevelLoad, FrameLoad };
  const struct {
    const char* name;
    Before before;
    int dragLastsMs;  // how long the earlier drag held the button
    int gapMs;        // from the end of the earlier event to the press
    bool searches;
  } cases[] = {
      {"first press", Before::Nothing, 0, 0, false},
      {"double click", Before::Drag, 0, 200, true},
      {"exactly 500 ms", Before::Drag, 0, 500, true},
      {"501 ms", Before::Drag, 0, 501, false},
      {"soon after a long drag ended", Before::Drag, 3000, 300, true},
      {"long after a drag ended", Before::Drag, 3000, 800, false},
      {"right after the page loaded", Before::TopLevelLoad, 0, 300, true},
      {"after a frame loaded", Before::FrameLoad, 0, 300, false},
  };
  for (const auto& c : cases) {
    TGlobals g;
    Journal j;
    FakeMiniForm w{j};
    FakeBrowser b{"mini", &j};
    FakeTimer t1, t2, t3;
    fakes::FakeSinkFactory s;
    FakeOwner o{j};
    fakes::FakeToolLauncher tools;
    TfrmMinInput f{g, o, {w, b, t1, t2, t3, s, clock, monitors, tools}};
    f.FormCreate();
    b.LoadPage(g.MiniIndexUrl);
    b.AddElement("MoveFormID");
    b.RaiseDocumentComplete();
    clock.Advance(10000);
    w.onDrag = [&] { clock.Advance(c.dragLastsMs); };
    if (c.before == Before::Drag) {
      ASSERT_TRUE(b.Fire("MoveFormID", EventProperty::OnMouseDown));
    }
    if (c.before == Before::TopLevelLoad) b.RaiseDocumentComplete();
    if (c.before == Before::FrameLoad) b.RaiseDocumentComplete(false);
    j.Clear();
    clock.Advance(c.gapMs);
    ASSERT_TRUE(b.Fire("MoveFormID", EventProperty::OnMouseDown));
    EXPECT_EQ(j.entries.front(), c.searches ? "owner.show" : "mini.drag") << c.name;
  }
}

// The double press and the reload pace count elapsed time, not the local time, which the user
// or the change to summer time may set back or forward between two events.
TEST_F(MiniInputTest, IntervalsIgnoreChangesOfTheLocalTime) {
  LoadMiniPage({{"MoveFormID", ""}});
  const struct {
    std::int64_t shiftMs;
    std::int64_t elapsedMs;
    bool searches;  // the second press is a double press
    bool reloads;   // a second navigation error reloads at once
  } cases[] = {
      {-3600000, 1000, false, true},
      {3600000, 200, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shiftMs);
    clock.Advance(10000);
    ASSERT_TRUE(browser.Fire("MoveFormID", EventProperty::OnMouseDown));
    bool cancel = false;
    form.EmbeddedWBMinInputNavigateError(cancel);
    clock.ShiftLocalTime(c.shiftMs);
    clock.Advance(c.elapsedMs);
    journal.Clear();
    ASSERT_TRUE(browser.Fire("MoveFormID", EventProperty::OnMouseDown));
    EXPECT_EQ(journal.entries.front(), c.searches ? "owner.show" : "mini.drag");
    browser.scripts.clear();
    form.EmbeddedWBMinInputNavigateError(cancel);
    EXPECT_EQ(browser.scripts.size(), c.reloads ? 1u : 0u);
    if (reloadTimer.enabled) form.ReloadTimerTimer();
  }
}

// The program closes while the window's move loop runs (an update's dialog, or a close
// request from outside, handled inside the loop): when the loop returns, the press's handler
// still finds its window, which is hidden and goes only with the main window.
TEST(MiniInputClose, ClosingTheProgramDuringADragLeavesTheWindowToTheEnd) {
  Journal j;
  FakeMiniForm w{j};
  FakeBrowser b{"mini", &j};
  FakeTimer t1, t2, t3;
  fakes::FakeSinkFactory s;
  fakes::FakeClock clock;
  fakes::FakeMonitors monitors;
  std::vector<std::string> reported;
  SetExceptionReporter([&reported](const std::string& m) { reported.push_back(m); });
  // The mini window made on first show, with the page commands as its owner, as the program
  // composes them.
  TGlobals g;
  FakeBrowser wide{"wb1"}, narrow{"wb2"};
  fakes::FakeMainBrowsers browsers{wide, narrow};
  fakes::FakeFormWindow mainWindow{j};
  fakes::FakeRegistry registry;
  fakes::FakeToolLauncher tools;
  fakes::FakeInsertCommand insert;
  fakes::FakePageCommandHost host;
  TPageCommands* owner = nullptr;
  MiniInputOnDemand mini([&]() -> std::unique_ptr<IMiniInputWindow> {
    auto made = std::make_unique<TfrmMinInput>(
        g, *owner, TfrmMinInputPorts{w, b, t1, t2, t3, s, clock, monitors, tools});
    made->FormCreate();
    return made;
  });
  TPageCommands commands{g, {host, browsers, mainWindow, mini, s, registry, tools, insert}};
  owner = &commands;
  // What the window's close does to the mini window: it is only hidden.
  host.onClose = [&] {
    g.IsClosing = true;
    mini.Hide();
  };
  commands.MiniEventHandle();
  ASSERT_TRUE(w.visible);
  b.LoadPage(g.MiniIndexUrl);
  b.AddElement("MoveFormID");
  b.RaiseDocumentComplete();
  clock.Advance(10000);
  w.onDrag = [&] {
    clock.Advance(300);
    commands.ErrorCloseEventHandle();
  };
  ASSERT_TRUE(b.Fire("MoveFormID", EventProperty::OnMouseDown));
  EXPECT_FALSE(w.visible);
  EXPECT_EQ(host.calls, std::vector<std::string>{"CloseProgram"});
  EXPECT_TRUE(g.IsClosing);
  EXPECT_TRUE(reported.empty());
  // Page events after the close only stop the browser.
  b.RaiseDocumentComplete();
  EXPECT_EQ(b.stops, 1);
  SetExceptionReporter(nullptr);
}

// The edges are those of the monitor the window is on, and only where the desktop ends there
// (on one primary monitor: its top and right edge); strips and distances grow with the
// window's pixels per inch.
TEST_F(MiniInputTest, DockedWindowsSlideOutAtTheirMonitorsEdgesAndComeBackUnderThePointer) {
  static const MonitorInfo primary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true};
  const MonitorInfo right{{1920, -200, 1920, 1200}, {1920, -200, 1920, 1200}, false};
  const MonitorInfo left{{-1280, 0, 1280, 1024}, {-1280, 0, 1280, 984}, false};
  const ScreenPoint away{500, 500};
  struct Step {
    ScreenPoint pointer;
    int left, top;
    bool timer2;
  };
  const struct {
    const char* name;
    int left, top;
    std::vector<Step> steps;
    std::vector<MonitorInfo> monitors = {primary};
    int dpi = 96;
  } cases[] = {
      {"top", 1580, 15,
       {{away, 1580, -57, true},
        {{1600, 1}, 1580, 0, false},     // on the 3-pixel strip
        {{1600, 40}, 1580, 0, false},    // still over the window
        {away, 1580, -57, true}}},
      {"right, 10 px from the edge", kScreenWidth - 300, 300,
       {{away, kScreenWidth - 4, 300, true},
        {{kScreenWidth - 2, 320}, kScreenWidth - 290, 300, false},
        {away, kScreenWidth - 4, 300, true}}},
      {"top, beyond the right edge", 1800, 10, {{away, kScreenWidth - 290, -57, true}}},
      {"top at 20", 800, 20, {{away, 800, -57, true}}},
      {"right, 20 px from the edge", kScreenWidth - 290 - 20, 300,
       {{away, kScreenWidth - 4, 300, true}}},
      {"21 px from both edges", kScreenWidth - 290 - 21, 21,
       {{away, kScreenWidth - 290 - 21, 21, true}}},
      {"right monitor, its right edge", 3840 - 300, 300,
       {{away, 3836, 300, true}, {{3838, 320}, 3840 - 290, 300, false}, {away, 3836, 300, true}},
       {primary, right}},
      {"right monitor, its top edge", 2500, -190,
       {{away, 2500, -200 + 3 - 60, true}, {{2600, -199}, 2500, -200, false}}, {primary, right}},
      {"right monitor, anywhere: stays", 2500, 300, {{away, 2500, 300, true}}, {primary, right}},
      {"primary's edge beside the right monitor: no dock", 1920 - 300, 300,
       {{away, 1920 - 300, 300, true}}, {primary, right}},
      {"primary's top beside the right monitor", 1000, 10, {{away, 1000, -57, true}},
       {primary, right}},
      {"left monitor, negative coordinates, its top", -800, 10,
       {{away, -800, -57, true}, {{-700, 1}, -800, 0, false}}, {primary, left}},
      {"left monitor's edge beside the primary: no dock", -300, 300, {{away, -300, 300, true}},
       {primary, left}},
      {"primary beside a left monitor, as alone", 1920 - 300, 300, {{away, 1916, 300, true}},
       {primary, left}},
      {"monitor unplugged: back as the strip of the nearest", 2500, 300,
       {{away, 1916, 300, true}, {{1918, 320}, 1920 - 290, 300, false}}},
      {"144 dpi, top 30", 800, 30, {{away, 800, 5 - 90, true}, {{900, 4}, 800, 0, false}}, {primary},
       144},
      {"144 dpi, right 30 px off", 1920 - 435 - 30, 300, {{away, 1920 - 6, 300, true}}, {primary},
       144},
      {"144 dpi, 31 px from both edges", 1920 - 435 - 31, 31,
       {{away, 1920 - 435 - 31, 31, true}}, {primary}, 144},
  };
  for (const auto& c : cases) {
    monitors.monitors = c.monitors;
    window.dpi = c.dpi;
    window.bounds = {c.left, c.top, ScaleToDpi(290, c.dpi), ScaleToDpi(60, c.dpi)};
    timer2.enabled = true;
    int n = 0;
    for (const Step& step : c.steps) {
      Tick(step.pointer);
      EXPECT_EQ(window.bounds.left, step.left) << c.name << " step " << n;
      EXPECT_EQ(window.bounds.top, step.top) << c.name << " step " << n;
      EXPECT_EQ(timer2.enabled, step.timer2) << c.name << " step " << n;
      ++n;
    }
  }
}

TEST_F(MiniInputTest, ComesUpAtTheScaleOfItsMonitor) {
  for (const int dpi : {96, 144}) {
    window.dpi = dpi;
    form.FormCreate();
    const int width = dpi == 96 ? 290 : 435;
    EXPECT_EQ(window.bounds.width, width) << dpi;
    EXPECT_EQ(window.bounds.height, dpi == 96 ? 60 : 90) << dpi;
    EXPECT_EQ(window.bounds.left, 1920 - width - (dpi == 96 ? 50 : 75)) << dpi;
    EXPECT_EQ(window.bounds.top, dpi == 96 ? 100 : 150) << dpi;
    int w = 10, h = 10;
    form.FormCanResize(w, h);
    EXPECT_EQ(w, width) << dpi;
  }
}

// The mini page's keys and new windows: a service address belongs in the main window.
TEST_F(MiniInputTest, ReloadKeysAndNewWindowsOfTheMiniPage) {
  LoadMiniPage({});
  form.Show();
  EXPECT_EQ(browser.focused, 1);  // Tab works at once
  journal.Clear();
  browser.RaiseNewWindow(globals.IndexUrl);
  EXPECT_EQ(journal.entries, (std::vector<std::string>{"owner.show", "owner.open " + globals.IndexUrl,
                                                       "mini.hide"}));
  browser.RaiseNewWindow("http://www.example.org/");
  EXPECT_EQ(tools.opened, std::vector<std::string>{"http://www.example.org/"});
  browser.RaiseNewWindow("res://ieframe.dll/");
  EXPECT_EQ(browser.navigations, std::vector<std::string>{globals.MiniIndexUrl});  // its own
  browser.RaiseReloadKey();
  EXPECT_EQ(browser.scripts, std::vector<std::string>{"window.location.reload()"});
}

TEST_F(MiniInputTest, NavigationErrorsReloadAtMostOnceASecondAndTheLastOneComes) {
  // The reload timer ticks 1000 ms after it was enabled.
  LoadMiniPage({});
  std::vector<std::int64_t> reloads;
  std::int64_t enabledAt = -1;
  for (std::int64_t t = 0; t <= 6000; t += 50) {
    if (t <= 3000 && t % 100 == 0) {
      bool cancel = false;
      form.EmbeddedWBMinInputNavigateError(cancel);
      EXPECT_TRUE(cancel);
    }
    if (reloadTimer.enabled && enabledAt < 0) enabledAt = t;
    if (reloadTimer.enabled && t - enabledAt >= 1000) {
      form.ReloadTimerTimer();
      enabledAt = -1;
    }
    while (reloads.size() < browser.scripts.size()) {
      EXPECT_EQ(browser.scripts[reloads.size()], "window.location.reload()");
      reloads.push_back(t);
    }
    clock.Advance(50);
  }
  ASSERT_GE(reloads.size(), 3u);
  EXPECT_LE(reloads.size(), 4u);
  for (std::size_t i = 1; i < reloads.size(); ++i) EXPECT_GE(reloads[i] - reloads[i - 1], 1000);
  // The storm's last error, at 3000 ms, is answered by a later reload.
  EXPECT_GT(reloads.back(), 3000);
  EXPECT_FALSE(reloadTimer.enabled);
}

TEST_F(MiniInputTest, BrowserEventsWhileOpenAndWhileClosing) {
  LoadMiniPage({{"SearchID", ""}});
  // An element the page's script adds later is bound at the next command-state change.
  browser.AddElement("PinID");
  browser.RaiseCommandStateChange();
  EXPECT_TRUE(browser.Fire("PinID"));
  browser.readyState = 3;
  browser.AddElement("CloseID");
  browser.RaiseCommandStateChange();
  EXPECT_FALSE(browser.Fire("CloseID"));
  EXPECT_EQ(browser.RaiseScriptError(), std::make_pair(true, false));
  browser.silent = false;
  browser.RaiseNavigateComplete2();
  EXPECT_TRUE(browser.silent);

  globals.IsClosing = true;
  browser.readyState = 4;
  browser.RaiseCommandStateChange();
  browser.RaiseDocumentComplete();
  EXPECT_EQ(browser.stops, 2);
  EXPECT_FALSE(browser.Fire("CloseID"));
}

// MSHTML raises onmousedown for every button: only a press of the left one drags or counts as
// the first of two presses (a press whose button cannot be read counts as the left one).
TEST_F(MiniInputTest, OnlyTheLeftButtonDragsOrCountsAPress) {
  using Calls = std::vector<std::string>;
  const struct {
    const char* name;
    std::optional<int> firstButtons;
    Calls calls;  // of the first press, then a left press 200 ms later
  } cases[] = {
      {"left", 1, {"mini.drag", "owner.show"}},
      {"right", 2, {"mini.drag"}},
      {"middle", 4, {"mini.drag"}},
      {"left and right", 3, {"mini.drag", "owner.show"}},
      {"unreadable", std::nullopt, {"mini.drag", "owner.show"}},
  };
  for (const auto& c : cases) {
    LoadMiniPage({{"MoveFormID", ""}});
    clock.Advance(10000);
    journal.Clear();
    browser.eventButtons = c.firstButtons;
    ASSERT_TRUE(browser.Fire("MoveFormID", EventProperty::OnMouseDown));
    clock.Advance(200);
    browser.eventButtons = 1;
    ASSERT_TRUE(browser.Fire("MoveFormID", EventProperty::OnMouseDown));
    Calls calls;
    for (const auto& e : journal.entries) {
      if (e == "mini.drag" || e == "owner.show") calls.push_back(e);
    }
    EXPECT_EQ(calls, c.calls) << c.name;
  }
}

// The mini page's reload (no DocumentComplete) is bound at the end of its download, once.
TEST_F(MiniInputTest, AReloadedPageIsBoundAtTheEndOfItsDownload) {
  LoadMiniPage({{"SearchID", ""}});
  ASSERT_EQ(Binds().size(), 1u);
  browser.RaiseDownloadComplete();
  EXPECT_EQ(Binds().size(), 1u);
  browser.Reload();
  browser.RaiseDownloadComplete();
  browser.RaiseDownloadComplete();
  EXPECT_EQ(Binds().size(), 2u);
  EXPECT_TRUE(browser.Fire("SearchID"));
}

}  // namespace
}  // namespace zel
