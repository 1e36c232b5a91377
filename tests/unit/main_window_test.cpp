#include <gtest/gtest.h>

#include "shell/MainWindow.h"
#include "tests/fakes/FakeBrowser.h"
#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeShell.h"

namespace zel {
namespace {

using namespace fakes;

struct CountingHost final : IMainWindowHost {
  void RefreshZel() override { ++refreshes; }
  void WindowOpened() override { ++opened; }
  void ReleaseInstance() override { ++released; }
  int refreshes = 0, opened = 0, released = 0;
};

// The main window on fakes, placed for its first show on a 1920 x 1080 screen.
struct WindowParts {
  explicit WindowParts(int dpi = kDesignDpi) {
    SetLogEnvironment(&logFiles, &clock);
    window.dpi = dpi;
    wb1.window = 0x1001;
    wb2.window = 0x1002;
    main.RegisterEscKey();
    main.PlaceForFirstShow();
  }
  ~WindowParts() { SetLogEnvironment(nullptr, nullptr); }

  Journal journal;
  TGlobals settings;
  FakeClock clock;
  FakeLogFileSystem logFiles;
  FakeFormWindow window{journal};
  FakeApplication application{journal};
  FakeBrowser wb1{"wb1", &journal};
  FakeBrowser wb2{"wb2", &journal};
  FakeHotKeys hotKeys{journal};
  FakeTray tray{journal};
  FakeMonitors monitors;
  FakeMiniInput mini{journal};
  CountingHost host;
  TMainWindow main{settings, {window, application, wb1, wb2, hotKeys, tray, monitors, mini}, host};
};

TEST(MainWindow, TheFirstShowIsCentredAndInvisibleAndTheLayoutsPlacesFollowTheScreenAndDpi) {
  const struct {
    int dpi;
    WindowRect bounds;
    LayoutPlace wide, narrow;
  } cases[] = {
      {96, {510, 240, 900, 600}, {1920 - 900 - 50, 100}, {1920 - 360 - 50, 20}},
      {144, {(1920 - 1350) / 2, (1080 - 900) / 2, 1350, 900}, {1920 - 1350 - 75, 150},
       {1920 - 540 - 75, 30}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    WindowParts w(c.dpi);
    EXPECT_EQ(w.hotKeys.registered.at(0x123), 0x1B);
    EXPECT_EQ(w.window.bounds, c.bounds);
    EXPECT_EQ(w.window.alpha, 0);
    EXPECT_TRUE(w.main.Layout().IsWide());
    EXPECT_EQ(w.main.Layout().wide, c.wide);
    EXPECT_EQ(w.main.Layout().narrow, c.narrow);
    w.main.SwitchLayout();
    EXPECT_EQ(w.window.bounds.width, c.dpi == 96 ? 360 : 540);
    EXPECT_EQ(w.window.bounds.height, c.dpi == 96 ? 670 : 1005);
  }
}

TEST(MainWindow, TheTaskbarButtonFollowsTheWindow) {
  WindowParts w;
  w.main.FormShow();
  w.main.FormHide();
  EXPECT_LT(w.journal.IndexOf("app.showintask"), w.journal.IndexOf("app.hideintask"));
}

TEST(MainWindow, PinTogglesAndApplyingTheStoredStateDoesNot) {
  WindowParts w;
  w.main.SetWindowTop(true);
  EXPECT_TRUE(w.settings.IsTopMost);
  EXPECT_TRUE(w.window.topMost);
  w.main.SetWindowTop(true);
  EXPECT_FALSE(w.settings.IsTopMost);
  EXPECT_FALSE(w.window.topMost);
  w.settings.IsTopMost = true;
  w.main.SetWindowTop(false);
  w.main.SetWindowTop(false);
  EXPECT_TRUE(w.settings.IsTopMost);
  EXPECT_TRUE(w.window.topMost);
}

TEST(MainWindow, PinStateOfAPageIsAppliedOnlyWhileTheWindowIsVisible) {
  WindowParts w;
  w.wb2.LoadPage(w.settings.IndexZbUrl);
  w.wb2.variables["pin_state"] = "1";
  w.main.ApplyPinState(w.wb2);
  EXPECT_FALSE(w.settings.IsTopMost);
  EXPECT_FALSE(w.window.topMost);
  w.window.visible = true;
  w.main.ApplyPinState(w.wb2);
  EXPECT_TRUE(w.settings.IsTopMost);
  EXPECT_TRUE(w.window.topMost);
  w.wb2.variables.erase("pin_state");
  EXPECT_THROW(w.main.ApplyPinState(w.wb2), BrowserError);
}

// Switching remembers where the layout that is left stood; ChangeToH remembers nothing.
TEST(MainWindow, LayoutsComeBackWhereTheyWereLeft) {
  WindowParts w;
  w.window.bounds = {33, 44, 900, 600};
  w.wb2.location = w.settings.IndexZbUrl;
  w.main.SwitchLayout();
  EXPECT_FALSE(w.main.Layout().IsWide());
  EXPECT_EQ(w.main.Layout().wide, (LayoutPlace{33, 44}));
  EXPECT_EQ(&w.main.Active(), &w.wb2);
  EXPECT_FALSE(w.wb1.visible);
  EXPECT_TRUE(w.wb2.visible);
  EXPECT_EQ(w.host.refreshes, 1);  // the narrow page was there already: reloaded
  EXPECT_TRUE(w.window.visible);

  w.window.bounds = {55, 66, 360, 670};
  w.journal.Clear();
  w.main.ChangeToH();
  EXPECT_EQ(w.window.bounds, (WindowRect{33, 44, 900, 600}));
  EXPECT_EQ(w.main.Layout().narrow, (LayoutPlace{1920 - 360 - 50, 20}));
  EXPECT_TRUE(w.wb1.visible);
  EXPECT_FALSE(w.wb2.visible);
  EXPECT_EQ(w.journal.entries.front(), "window.hide");
  // The keyboard goes into the page once the window is up.
  ASSERT_GE(w.journal.entries.size(), 2u);
  EXPECT_EQ(*(w.journal.entries.end() - 2), "window.show");
  EXPECT_EQ(w.journal.entries.back(), "wb1.focus");

  w.main.SwitchLayout();
  EXPECT_EQ(w.journal.entries.back(), "wb2.focus");
  w.window.bounds = {77, 88, 360, 670};
  w.main.RememberWidePlace();  // only the wide layout's place is taken
  w.main.SwitchLayout();
  EXPECT_EQ(w.main.Layout().narrow, (LayoutPlace{77, 88}));
  EXPECT_EQ(w.window.bounds, (WindowRect{33, 44, 900, 600}));
  EXPECT_EQ(w.host.refreshes, 3);
  w.window.bounds = {10, 20, 900, 600};
  w.main.RememberWidePlace();
  EXPECT_EQ(w.main.Layout().wide, (LayoutPlace{10, 20}));
}

TEST(MainWindow, TheNarrowPageIsLoadedWhenItIsNotThereYet) {
  WindowParts w;
  w.wb2.location = "about:blank";
  w.main.SwitchLayout();
  EXPECT_EQ(w.wb2.navigations, std::vector<std::string>{w.settings.IndexZbUrl});
  EXPECT_EQ(w.host.refreshes, 0);
}

// A remembered place that no monitor shows any more (its monitor unplugged) comes back inside
// the work area of the nearest one; one that a monitor still shows, even in part, stays.
TEST(MainWindow, ARememberedPlaceOffEveryMonitorIsBroughtOntoTheNearest) {
  const MonitorInfo primary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true};
  const MonitorInfo left{{-1280, 0, 1280, 1024}, {-1280, 0, 1280, 984}, false};
  const struct {
    const char* name;
    std::vector<MonitorInfo> monitors;
    int rememberedLeft, rememberedTop;
    int left, top;
  } cases[] = {
      {"on the primary", {primary}, 300, 200, 300, 200},
      {"partly on the primary", {primary}, 1900, 1000, 1900, 1000},
      {"on the left monitor", {primary, left}, -1000, 100, -1000, 100},
      {"right monitor unplugged", {primary}, 2500, 100, 1920 - 900, 100},
      {"left monitor unplugged", {primary}, -1000, 900, 0, 1040 - 600},
      {"lower monitor unplugged, left one nearest", {primary, left}, -1100, 1100, -1100, 984 - 600},
  };
  for (const auto& c : cases) {
    WindowParts w;
    w.monitors.monitors = c.monitors;
    w.window.bounds = {c.rememberedLeft, c.rememberedTop, 900, 600};
    w.main.SwitchLayout();
    w.main.ChangeToH();
    EXPECT_EQ(w.window.bounds.left, c.left) << c.name;
    EXPECT_EQ(w.window.bounds.top, c.top) << c.name;
    // Hidden where it was while the monitor went: the tray brings it back in sight too.
    w.window.bounds.left = c.rememberedLeft;
    w.window.bounds.top = c.rememberedTop;
    w.main.OpenMainClick();
    EXPECT_EQ(w.window.bounds.left, c.left) << c.name << " (tray)";
    EXPECT_EQ(w.window.bounds.top, c.top) << c.name << " (tray)";
  }
}

TEST(MainWindow, NotifyMsgShowsTheWindowAndSetsZOrderFromTheWidePage) {
  const struct {
    const char* pinState;  // nullptr: the page has none
    std::vector<std::string> zOrder;
    std::intptr_t answer;
  } cases[] = {
      {"0", {"window.topmost", "window.notopmost"}, 2222},
      {"1", {"window.topmost"}, 2222},
      {nullptr, {}, 0},
  };
  for (const auto& c : cases) {
    WindowParts w;
    w.wb1.LoadPage(w.settings.IndexUrl);
    if (c.pinState) w.wb1.variables["pin_state"] = c.pinState;
    w.wb2.LoadPage(w.settings.IndexZbUrl);
    w.main.SwitchLayout();  // the wide page is asked whatever the layout
    w.journal.Clear();
    std::intptr_t answer = 0;
    try {
      answer = w.main.NotifyMsgReceived();
    } catch (const BrowserError&) {
      // The window procedure's boundary logs it and answers 0.
    }
    EXPECT_EQ(answer, c.answer);
    EXPECT_TRUE(w.window.visible);
    EXPECT_TRUE(w.journal.Has("app.restore"));
    EXPECT_TRUE(w.journal.Has("mini.hide"));
    EXPECT_EQ(w.host.opened, 1);
    std::vector<std::string> zOrder;
    for (const auto& e : w.journal.entries) {
      if (e == "window.topmost" || e == "window.notopmost") zOrder.push_back(e);
    }
    EXPECT_EQ(zOrder, c.zOrder);
    EXPECT_FALSE(w.settings.IsTopMost);
  }
}

TEST(MainWindow, EscStopsTheFirstNavigationOrQuits) {
  const struct {
    bool wide;
    const char* location;
    const char* expected;
  } cases[] = {
      {true, "", "app.terminate"},
      {true, "about:blank", "app.terminate"},
      {true, "INDEX", "wb1.stop"},
      {false, "", "wb2.stop"},
  };
  for (const auto& c : cases) {
    WindowParts w;
    if (!c.wide) w.main.SwitchLayout();
    w.wb1.location = std::string(c.location) == "INDEX" ? w.settings.IndexUrl + "?x=1" : c.location;
    w.journal.Clear();
    w.main.HotKey(0x1B);
    EXPECT_TRUE(w.journal.Has(c.expected)) << c.wide << " " << c.location;
    EXPECT_EQ(w.application.terminations, std::string(c.expected) == "app.terminate" ? 1 : 0);
    w.journal.Clear();
    w.main.HotKey(0x41);
    EXPECT_TRUE(w.journal.entries.empty());
  }
}

TEST(MainWindow, AppCloseEndsTheProgramWhicheverStepFails) {
  const struct {
    const char* what;
    bool released;  // the first wide page released the hotkey already
    bool unhookFails;
    bool unregisterFails;
  } cases[] = {
      {"all steps work", false, false, false},
      {"the page released the hotkey", true, false, false},
      {"removing the hook fails", false, true, false},
      {"releasing the hotkey fails", false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WindowParts w;
    if (c.released) w.main.ReleaseEscKey();
    w.application.failUnhook = c.unhookFails;
    w.hotKeys.failUnregister = c.unregisterFails;
    w.journal.Clear();
    EXPECT_NO_THROW(w.main.AppClose());
    EXPECT_TRUE(w.settings.IsClosing);
    // The mini window is only hidden: it goes with the main window, after the message loop.
    const std::vector<std::string> expected = {"mini.hide", "app.unhook",
                                               "hotkey.unregister 291", "app.terminate"};
    EXPECT_EQ(w.journal.entries, expected);
    EXPECT_EQ(w.host.released, 1);
    EXPECT_EQ(w.application.terminations, 1);
    EXPECT_EQ(w.logFiles.Messages().size(), (c.unhookFails || c.unregisterFails) ? 1u : 0u);
  }
}

TEST(MainWindow, MessageHookSilencesOnlyTheTwoMessagesOfBrowserWindows) {
  WindowParts w;
  const struct {
    std::intptr_t window;
    unsigned message;
    unsigned after;
  } cases[] = {
      {0x1001, 0x0700, 0}, {0x1002, 0x070C, 0}, {0x7777, 0x0700, 0}, {0x1001, 0x0701, 0x0701},
      {0x1234, 0x0700, 0x0700}, {0, 0x0700, 0x0700},
  };
  for (const auto& c : cases) {
    unsigned message = c.message;
    w.main.AppMessageHook(c.window, message);
    EXPECT_EQ(message, c.after) << std::hex << c.window << " " << c.message;
  }
}

TEST(MainWindow, TrayReactions) {
  WindowParts w;
  w.journal.Clear();
  w.main.TrayIconRightButtonUp(700, 500);
  EXPECT_EQ(w.journal.entries, (std::vector<std::string>{"app.foreground", "tray.menu 700,500"}));
  w.journal.Clear();
  w.main.TrayIconDblClick();
  EXPECT_EQ(w.journal.entries, (std::vector<std::string>{"app.restore", "wb1.focus"}));
  w.main.TrayIconClick();
  EXPECT_TRUE(w.window.visible);
  EXPECT_EQ(w.wb1.focused, 2);
  EXPECT_EQ(w.host.opened, 1);
  w.main.ApplicationMinimize();
  EXPECT_TRUE(w.journal.Has("app.minimize"));
  w.main.CloseMainClick();
  EXPECT_EQ(w.application.terminations, 1);
}

}  // namespace
}  // namespace zel
