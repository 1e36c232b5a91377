// The main window's parts working together, through the façade the program builds.
#include <gtest/gtest.h>

#include "shell/HostRegistration.h"
#include "tests/fakes/MainHarness.h"

namespace zel {
namespace {

using fakes::MainHarness;

TEST(MainFacade, CreationRunsItsStepsAndAFailingFirstLoadStillLeavesAWholeWindow) {
  for (const bool firstLoadFails : {false, true}) {
    SCOPED_TRACE(firstLoadFails ? "first load fails" : "first load starts");
    MainHarness h;
    if (firstLoadFails) h.resources.data.erase("Zelloading");
    h.Create();
    EXPECT_EQ(h.hotKeys.registered.at(0x123), 0x1B);
    EXPECT_EQ(h.ini->values.at("Zel/ZelHandle"), 0x1234);
    EXPECT_EQ(h.threads.bodies.size(), 1u);
    EXPECT_EQ(h.window.alpha, 0);
    EXPECT_TRUE(h.application.hookInstalled);
    EXPECT_FALSE(h.wb2.visible);
    EXPECT_EQ(h.sinks.sinks.size(), 13u);
    EXPECT_EQ(h.LogMessages().size(), firstLoadFails ? 1u : 0u);
  }
}

TEST(MainFacade, AServicePageIsBoundPinnedAndStartsTheUpdateCheck) {
  MainHarness h;
  h.Create();
  h.window.visible = true;
  h.LoadServicePage(h.wb1, h.globals.IndexUrl, "1");
  h.wb1.AddElement("PinID");
  h.wb1.RaiseDocumentComplete();
  EXPECT_EQ(h.window.alpha, 255);
  EXPECT_TRUE(h.journal.Has("wb1.bind PinID onclick"));
  EXPECT_TRUE(h.globals.IsTopMost);
  EXPECT_TRUE(h.window.topMost);
  EXPECT_TRUE(h.globals.UpdateStarted);
  EXPECT_TRUE(h.hotKeys.registered.empty());
  // The page's pin button toggles the pin the page set.
  EXPECT_TRUE(h.wb1.Fire("PinID"));
  EXPECT_FALSE(h.window.topMost);
}

// Native commands serve only the service's own pages and the error page this window loaded.
TEST(MainFacade, TheErrorPageWeLoadedIsBoundUntilAnotherPageComes) {
  MainHarness h;
  h.Create();
  h.wb1.LoadPage(h.globals.IndexUrl);  // no "CloseID": not the service page
  h.wb1.RaiseDocumentComplete();
  ASSERT_EQ(h.wb1.loadedHtml.back(), "<html>error</html>");
  h.wb1.LoadPage("about:blank");
  h.wb1.RaiseNavigateComplete2();  // the blank page it is loaded into
  h.wb1.AddElement("ErrorCloseID");
  h.wb1.RaiseDocumentComplete();
  EXPECT_TRUE(h.wb1.Fire("ErrorCloseID"));
  EXPECT_TRUE(h.globals.IsClosing);

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

TEST(MainFacade, OpeningTheWindowReArmsTheUpdateCheckAfterOneDay) {
  MainHarness h;
  h.Create();
  h.globals.UpdateStarted = true;  // the first check of the run
  h.clock.Advance(23LL * 3600 * 1000);
  h.form->TrayIconClick();
  EXPECT_TRUE(h.update.downloader.urls.empty());  // not re-armed: no check runs again
  h.clock.Advance(2LL * 3600 * 1000);  // 25 h after creation
  h.form->OpenMainClick();
  EXPECT_EQ(h.update.downloader.urls.size(), 1u);  // re-armed and started again
  EXPECT_TRUE(h.window.visible);
}

TEST(MainFacade, AClosingWindowHidesTheMiniWindowAndAnExceptionIsLoggedWithItsPrefix) {
  MainHarness h;
  h.Create();
  h.LoadServicePage(h.wb1, h.globals.IndexUrl, "");
  h.wb1.AddElement("MiniID");
  h.wb1.RaiseDocumentComplete();
  ASSERT_THROW(h.form->NotifyMsgReceived(), BrowserError);  // the page has no pin_state
  ASSERT_TRUE(h.wb1.Fire("MiniID"));
  h.journal.Clear();
  h.form->AppClose();
  EXPECT_EQ(h.journal.entries.front(), "mini.hide");
  h.form->ApplicationEvents1Exception("boom");
  EXPECT_EQ(h.LogMessages(), std::vector<std::string>{"系统异常：boom"});
}

// Creation registers the emulation level under the executable's file name; a registry failure
// there skips the rest of the guarded start steps, and the rest of the creation still runs.
TEST(MainFacade, CreationRegistersTheEmulationLevelAndARegistryFailureSkipsTheGuardedSteps) {
  MainHarness h;
  auto& key = h.registry.AddKey(RegRoot::CurrentUser, kEmulationKey);
  h.Create();
  EXPECT_EQ(key.values,
            (std::map<std::string, fakes::FakeRegistry::Value>{{"Zel.exe", std::uint32_t{7000}}}));

  MainHarness failing;
  failing.registry.AddKey(RegRoot::CurrentUser, kEmulationKey).failWrites = true;
  failing.Create();
  EXPECT_FALSE(failing.journal.Has("atom HtZelEsc"));
  EXPECT_TRUE(failing.ini->values.empty());
  EXPECT_TRUE(failing.threads.bodies.empty());
  EXPECT_EQ(failing.wb1.loadedHtml.size(), 1u);
  EXPECT_EQ(failing.sinks.sinks.size(), 13u);
}

// Either browser's context menu acts on the page the layout shows and can end the program.
TEST(MainFacade, TheBrowsersContextMenuRefreshesTheShownPageAndCloses) {
  MainHarness h;
  h.Create();
  h.LoadServicePage(h.wb1, h.globals.IndexUrl);
  h.wb1.AddElement("HVID");
  h.wb1.RaiseDocumentComplete();
  h.LoadServicePage(h.wb2, h.globals.IndexZbUrl);
  ASSERT_TRUE(h.wb1.Fire("HVID"));  // the narrow layout
  h.wb2.scripts.clear();
  h.pmWB.answer = BrowserMenuCommand::Refresh;
  EXPECT_TRUE(h.wb1.events->ShowContextMenu(1, 2));
  EXPECT_EQ(h.wb2.scripts, std::vector<std::string>{"window.location.reload(true)"});
  EXPECT_EQ(h.pmWB.shown.size(), 1u);
  h.pmWB.answer = BrowserMenuCommand::Close;
  EXPECT_TRUE(h.wb2.events->ShowContextMenu(1, 2));
  EXPECT_EQ(h.application.terminations, 1);
}

// The mini window's owner is the page commands: its query comes back to the wide layout at the
// place the page's minimise button left.
TEST(MainFacade, TheMiniWindowsQueryComesBackWhereTheMinButtonLeftTheWindow) {
  MainHarness h;
  IMiniInputOwner* owner = nullptr;
  h.createMiniInput = [&h, &owner](IMiniInputOwner& o) {
    owner = &o;
    return std::make_unique<fakes::FakeMiniInput>(h.journal);
  };
  h.Create();
  h.LoadServicePage(h.wb1, h.globals.IndexUrl);
  h.wb1.AddElement("MinID");
  h.wb1.RaiseDocumentComplete();
  h.window.bounds = {321, 123, 900, 600};
  ASSERT_TRUE(h.wb1.Fire("MinID"));
  EXPECT_FALSE(h.window.visible);
  ASSERT_NE(owner, nullptr);
  h.window.bounds = {0, 0, 1, 1};
  owner->QueryFromMini("电阻");
  EXPECT_EQ(h.window.bounds, (WindowRect{321, 123, 900, 600}));
  EXPECT_TRUE(h.window.visible);
}

}  // namespace
}  // namespace zel
