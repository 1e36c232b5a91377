#include <gtest/gtest.h>

#include "tests/fakes/MainHarness.h"

namespace zel {
namespace {

using fakes::MainHarness;

struct MainWindowTest : ::testing::Test {
  MainWindowTest() { h.Create(); }
  MainHarness h;
};

TEST_F(MainWindowTest, CreationRunsItsStepsAndSetsTheStartState) {
  EXPECT_EQ(h.globals.EscHotKeyId, 0x123);
  EXPECT_EQ(h.hotKeys.registered.at(0x123), 0x1B);
  EXPECT_EQ(h.ini->values.at("Zel/ZelHandle"), 0x1234);
  EXPECT_EQ(h.threads.bodies.size(), 1u);
  // Centred on a 1920 x 1080 screen, invisible until the wide page has a document.
  EXPECT_EQ(h.window.bounds.left, 510);
  EXPECT_EQ(h.window.bounds.top, 240);
  EXPECT_EQ(h.window.bounds.width, 900);
  EXPECT_EQ(h.window.bounds.height, 600);
  EXPECT_EQ(h.window.alpha, 0);
  EXPECT_EQ(h.globals.HLeft, 1920 - 900 - 50);
  EXPECT_EQ(h.globals.HTop, 100);
  EXPECT_EQ(h.globals.VLeft, 1920 - 360 - 50);
  EXPECT_EQ(h.globals.VTop, 20);
  EXPECT_TRUE(h.application.hookInstalled);
  EXPECT_FALSE(h.wb2.visible);
  EXPECT_TRUE(h.wb1.silent);
  EXPECT_TRUE(h.wb2.silent);
  EXPECT_EQ(h.sinks.sinks.size(), 13u);
}

TEST_F(MainWindowTest, TheTaskbarButtonFollowsTheWindow) {
  h.form->FormShow();
  h.form->FormHide();
  EXPECT_LT(h.journal.IndexOf("app.showintask"), h.journal.IndexOf("app.hideintask"));
}

TEST_F(MainWindowTest, PinTogglesAndApplyingTheStoredStateDoesNot) {
  h.form->SetWindowTop(true);
  EXPECT_TRUE(h.globals.IsTopMost);
  EXPECT_TRUE(h.window.topMost);
  h.form->SetWindowTop(true);
  EXPECT_FALSE(h.globals.IsTopMost);
  EXPECT_FALSE(h.window.topMost);
  h.globals.IsTopMost = true;
  h.form->SetWindowTop(false);
  h.form->SetWindowTop(false);
  EXPECT_TRUE(h.globals.IsTopMost);
  EXPECT_TRUE(h.window.topMost);
}

TEST_F(MainWindowTest, ChangeToHRestoresTheWidePositionAndStoresNothing) {
  h.globals.Layout = "V";
  h.globals.HLeft = 33;
  h.globals.HTop = 44;
  h.globals.VLeft = 55;
  h.globals.VTop = 66;
  h.window.bounds = {55, 66, 360, 670};
  h.wb1.visible = false;
  h.wb2.visible = true;
  h.journal.Clear();
  h.form->ChangeToH();
  EXPECT_EQ(h.globals.Layout, "H");
  EXPECT_EQ(h.window.bounds.left, 33);
  EXPECT_EQ(h.window.bounds.top, 44);
  EXPECT_EQ(h.window.bounds.width, 900);
  EXPECT_EQ(h.window.bounds.height, 600);
  EXPECT_TRUE(h.wb1.visible);
  EXPECT_FALSE(h.wb2.visible);
  EXPECT_EQ(h.globals.VLeft, 55);
  EXPECT_EQ(h.globals.VTop, 66);
  EXPECT_EQ(h.journal.entries.front(), "window.hide");
  EXPECT_EQ(h.journal.entries.back(), "window.show");
  EXPECT_TRUE(h.wb1.navigations.empty());
}

TEST(MainWindowScale, AtAMonitorOf144DpiTheWindowAndItsPlacesScale) {
  MainHarness h;
  h.window.dpi = 144;
  h.Create();
  EXPECT_EQ(h.window.bounds.width, 1350);
  EXPECT_EQ(h.window.bounds.height, 900);
  EXPECT_EQ(h.window.bounds.left, (1920 - 1350) / 2);
  EXPECT_EQ(h.globals.HLeft, 1920 - 1350 - 75);
  EXPECT_EQ(h.globals.HTop, 150);
  EXPECT_EQ(h.globals.VLeft, 1920 - 540 - 75);
  EXPECT_EQ(h.globals.VTop, 30);
  h.form->PageCommands().HVEventHandle();
  EXPECT_EQ(h.window.bounds.width, 540);
  EXPECT_EQ(h.window.bounds.height, 1005);
}

// A remembered place that no monitor shows any more (its monitor unplugged) comes back inside
// the work area of the nearest one; one that a monitor still shows, even in part, stays.
TEST_F(MainWindowTest, ARememberedPlaceOffEveryMonitorIsBroughtOntoTheNearest) {
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
    h.monitors.monitors = c.monitors;
    h.globals.Layout = "V";
    h.globals.HLeft = c.rememberedLeft;
    h.globals.HTop = c.rememberedTop;
    h.form->ChangeToH();
    EXPECT_EQ(h.window.bounds.left, c.left) << c.name;
    EXPECT_EQ(h.window.bounds.top, c.top) << c.name;
    // Hidden where it was while the monitor went: the tray brings it back in sight too.
    h.window.bounds.left = c.rememberedLeft;
    h.window.bounds.top = c.rememberedTop;
    h.form->OpenMainClick();
    EXPECT_EQ(h.window.bounds.left, c.left) << c.name << " (tray)";
    EXPECT_EQ(h.window.bounds.top, c.top) << c.name << " (tray)";
  }
}

TEST_F(MainWindowTest, NotifyMsgShowsTheWindowAndSetsZOrderFromTheWidePage) {
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
    MainHarness m;
    m.Create();
    m.LoadServicePage(m.wb1, m.globals.IndexUrl, c.pinState ? c.pinState : "");
    m.globals.Layout = "V";  // the wide page is asked whatever the layout
    m.journal.Clear();
    std::intptr_t answer = 0;
    try {
      answer = m.form->NotifyMsgReceived();
    } catch (const BrowserError& e) {
      // The window procedure's boundary logs it and answers 0.
      m.form->ApplicationEvents1Exception(e.what());
    }
    EXPECT_EQ(answer, c.answer);
    EXPECT_TRUE(m.window.visible);
    EXPECT_TRUE(m.journal.Has("app.restore"));
    std::vector<std::string> zOrder;
    for (const auto& e : m.journal.entries) {
      if (e == "window.topmost" || e == "window.notopmost") zOrder.push_back(e);
    }
    EXPECT_EQ(zOrder, c.zOrder);
    EXPECT_FALSE(m.globals.IsTopMost);
    if (!c.pinState) {
      ASSERT_EQ(m.LogMessages().size(), 1u);
      EXPECT_EQ(m.LogMessages()[0].rfind("系统异常：", 0), 0u);
    }
  }
}

TEST_F(MainWindowTest, OpenMainClickReArmsTheUpdateCheckAfterOneDay) {
  h.form->OpenMainClick();
  h.globals.UpdateStarted = true;
  h.clock.Advance(23LL * 3600 * 1000);
  h.form->OpenMainClick();
  EXPECT_TRUE(h.globals.UpdateStarted);  // not re-armed: the check does not run again
  const auto before = h.globals.LastCheckTime;
  h.clock.Advance(2LL * 3600 * 1000);  // 25 h after creation
  h.form->OpenMainClick();
  EXPECT_NE(ToMilliseconds(h.globals.LastCheckTime), ToMilliseconds(before));
  EXPECT_EQ(ToMilliseconds(h.globals.LastCheckTime), ToMilliseconds(h.clock.now));
  EXPECT_TRUE(h.globals.UpdateStarted);  // re-armed and started again
  EXPECT_TRUE(h.window.visible);
}

TEST_F(MainWindowTest, EscStopsTheFirstNavigationOrQuits) {
  const struct {
    const char* layout;
    const char* location;
    const char* expected;
  } cases[] = {
      {"H", "", "app.terminate"},
      {"H", "about:blank", "app.terminate"},
      {"H", "INDEX", "wb1.stop"},
      {"V", "", "wb2.stop"},
  };
  for (const auto& c : cases) {
    MainHarness m;
    m.Create();
    m.globals.Layout = c.layout;
    m.wb1.location = std::string(c.location) == "INDEX" ? m.globals.IndexUrl + "?x=1" : c.location;
    m.journal.Clear();
    m.form->HotKey(0x1B);
    EXPECT_TRUE(m.journal.Has(c.expected)) << c.layout << " " << c.location;
    EXPECT_EQ(m.journal.entries.size(), std::string(c.expected) == "app.terminate" ? 3u : 1u);
  }
  h.journal.Clear();
  h.form->HotKey(0x41);
  EXPECT_TRUE(h.journal.entries.empty());
}

TEST_F(MainWindowTest, AppCloseEndsTheProgramWhicheverStepFails) {
  const struct {
    const char* what;
    bool registerFails;    // another program held Esc at start
    bool releasedByPage;   // the first wide page released it already
    bool unhookFails;
    bool unregisterFails;
  } cases[] = {
      {"all steps work", false, false, false, false},
      {"start-up never registered the hotkey", true, false, false, false},
      {"the page released the hotkey", false, true, false, false},
      {"removing the hook fails", false, false, true, false},
      {"releasing the hotkey fails", false, false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MainHarness m;
    m.hotKeys.failRegister = c.registerFails;
    m.Create();
    if (c.releasedByPage) {
      m.LoadServicePage(m.wb1, m.globals.IndexUrl);
      m.wb1.RaiseDocumentComplete();
      ASSERT_TRUE(m.hotKeys.registered.empty());
    }
    m.application.failUnhook = c.unhookFails;
    m.hotKeys.failUnregister = c.unregisterFails;
    m.form->PageCommands().MiniEventHandle();
    m.journal.Clear();
    EXPECT_NO_THROW(m.form->AppClose());
    EXPECT_TRUE(m.globals.IsClosing);
    // The mini window is only hidden: it goes with the main window, after the message loop.
    const std::vector<std::string> expected = {"mini.hide", "app.unhook",
                                               "hotkey.unregister 291", "app.terminate"};
    EXPECT_EQ(m.journal.entries, expected);
    EXPECT_EQ(m.application.terminations, 1);
    const bool failed = c.unhookFails || c.unregisterFails;
    EXPECT_EQ(m.LogMessages().size(), failed ? 1u : 0u);
  }
}

TEST_F(MainWindowTest, MessageHookSilencesOnlyTheTwoMessagesOfBrowserWindows) {
  const struct {
    std::intptr_t window;
    unsigned message;
    unsigned after;
  } cases[] = {
      {0x1001, 0x0700, 0}, {0x1002, 0x070C, 0}, {0x1001, 0x0701, 0x0701},
      {0x1234, 0x0700, 0x0700}, {0, 0x0700, 0x0700},
  };
  for (const auto& c : cases) {
    unsigned message = c.message;
    h.form->AppMessageHook(c.window, message);
    EXPECT_EQ(message, c.after) << std::hex << c.window << " " << c.message;
  }
}

TEST_F(MainWindowTest, TrayReactions) {
  h.journal.Clear();
  h.form->TrayIconRightButtonUp(700, 500);
  EXPECT_EQ(h.journal.entries, (std::vector<std::string>{"app.foreground", "tray.menu 700,500"}));
  h.journal.Clear();
  h.form->TrayIconDblClick();
  EXPECT_EQ(h.journal.entries, std::vector<std::string>{"app.restore"});
  h.form->TrayIconClick();
  EXPECT_TRUE(h.window.visible);
  h.form->ApplicationMinimize();
  EXPECT_TRUE(h.journal.Has("app.minimize"));
  h.form->CloseMainClick();
  EXPECT_EQ(h.application.terminations, 1);
}

TEST_F(MainWindowTest, ExceptionsAreLoggedWithTheirPrefix) {
  h.form->ApplicationEvents1Exception("boom");
  EXPECT_EQ(h.LogMessages(), std::vector<std::string>{"系统异常：boom"});
}

// The pages' layout commands, through the window's side of them: the layout switch and the
// place each layout remembers.
struct LayoutCommandsTest : ::testing::Test {
  LayoutCommandsTest() {
    h.Create();
    h.LoadServicePage(h.wb1, h.globals.IndexUrl);
    h.window.bounds = {500, 150, 900, 600};
  }
  MainHarness h;
};

TEST_F(LayoutCommandsTest, HvTwiceComesBackWhereItWasAndReloadsTheWidePage) {
  h.form->PageCommands().HVEventHandle();
  EXPECT_EQ(h.globals.Layout, "V");
  EXPECT_EQ(h.window.bounds.width, 360);
  EXPECT_EQ(h.window.bounds.height, 670);
  EXPECT_EQ(h.wb2.navigations, std::vector<std::string>{h.globals.IndexZbUrl});
  EXPECT_TRUE(h.wb2.visible);
  EXPECT_FALSE(h.wb1.visible);
  h.window.bounds.left = 1200;  // moved while narrow

  h.form->PageCommands().HVEventHandle();
  EXPECT_EQ(h.globals.Layout, "H");
  EXPECT_EQ(h.window.bounds.left, 500);
  EXPECT_EQ(h.window.bounds.top, 150);
  EXPECT_EQ(h.wb1.scripts, std::vector<std::string>{"window.location.reload(true)"});
  EXPECT_TRUE(h.window.visible);

  // The narrow page is there already: it is reloaded, not navigated to, at the narrow position
  // recorded by the last switch.
  h.wb2.LoadPage(h.globals.IndexZbUrl + "?x=1");
  h.form->PageCommands().HVEventHandle();
  EXPECT_EQ(h.window.bounds.left, 1200);
  EXPECT_EQ(h.wb2.navigations.size(), 1u);
  EXPECT_EQ(h.wb2.scripts, std::vector<std::string>{"window.location.reload(true)"});
}

// The scripts these commands run are the page commands' own test.
TEST_F(LayoutCommandsTest, QueryPriceAndSettingShowTheWideLayoutAndRecordNoNarrowPlace) {
  const struct {
    void (TPageCommands::*command)();
    const char* name;
  } cases[] = {{&TPageCommands::QueryPriceEventHandle, "QueryPriceID"},
               {&TPageCommands::SettingEventHandle, "SettingID"}};
  h.LoadServicePage(h.wb2, h.globals.IndexZbUrl);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    h.form->PageCommands().HVEventHandle();
    const int narrowLeft = h.window.bounds.left;
    h.window.bounds.left = narrowLeft + 7;  // not recorded by this switch
    (h.form->PageCommands().*c.command)();
    EXPECT_EQ(h.globals.Layout, "H");
    EXPECT_TRUE(h.wb1.visible);
    EXPECT_TRUE(h.window.visible);
    EXPECT_EQ(h.globals.VLeft, narrowLeft);  // the moved narrow position is not recorded
  }
}

TEST_F(LayoutCommandsTest, MinRemembersTheWidePositionForTheWayBackFromTheMini) {
  h.window.bounds = {321, 123, 900, 600};
  h.form->PageCommands().MinEventHandle();
  EXPECT_FALSE(h.window.visible);
  EXPECT_TRUE(h.journal.Has("mini.show"));
  h.window.bounds = {0, 0, 1, 1};
  h.form->PageCommands().QueryFromMini("电阻");
  EXPECT_EQ(h.window.bounds.left, 321);
  EXPECT_EQ(h.window.bounds.top, 123);
  EXPECT_TRUE(h.window.visible);
  EXPECT_TRUE(h.journal.Has("app.restore"));
  // "MiniID" records nothing.
  h.window.bounds = {10, 10, 900, 600};
  h.form->PageCommands().MiniEventHandle();
  EXPECT_EQ(h.globals.HLeft, 321);
  EXPECT_EQ(h.journal.Count("mini.show"), 2u);
}

}  // namespace
}  // namespace zel
