// The main window's page commands, the hand-over from the mini window and the re-binding on
// command-state changes.
#include <gtest/gtest.h>

#include "tests/fakes/MainHarness.h"

namespace zel {
namespace {

using fakes::MainHarness;

struct PageCommandsTest : ::testing::Test {
  PageCommandsTest() {
    h.Create();
    h.LoadServicePage(h.wb1, h.globals.IndexUrl);
    h.window.bounds = {500, 150, 900, 600};
  }
  MainHarness h;
};

TEST_F(PageCommandsTest, HvTwiceComesBackWhereItWasAndReloadsTheWidePage) {
  h.form->HVEventHandle();
  EXPECT_EQ(h.globals.Layout, "V");
  EXPECT_EQ(h.window.bounds.width, 360);
  EXPECT_EQ(h.window.bounds.height, 670);
  EXPECT_EQ(h.wb2.navigations, std::vector<std::string>{h.globals.IndexZbUrl});
  EXPECT_TRUE(h.wb2.visible);
  EXPECT_FALSE(h.wb1.visible);
  h.window.bounds.left = 1200;  // moved while narrow

  h.form->HVEventHandle();
  EXPECT_EQ(h.globals.Layout, "H");
  EXPECT_EQ(h.window.bounds.left, 500);
  EXPECT_EQ(h.window.bounds.top, 150);
  EXPECT_EQ(h.wb1.scripts, std::vector<std::string>{"window.location.reload(true)"});
  EXPECT_TRUE(h.window.visible);

  // The narrow page is there already: it is reloaded, not navigated to, at the narrow position
  // recorded by the last switch.
  h.wb2.LoadPage(h.globals.IndexZbUrl + "?x=1");
  h.form->HVEventHandle();
  EXPECT_EQ(h.window.bounds.left, 1200);
  EXPECT_EQ(h.wb2.navigations.size(), 1u);
  EXPECT_EQ(h.wb2.scripts, std::vector<std::string>{"window.location.reload(true)"});
}

TEST_F(PageCommandsTest, QueryPriceAndSettingOpenTheWidePageAndSwallowItsErrors) {
  const struct {
    void (TfrmMain::*command)();
    const char* script;
  } cases[] = {{&TfrmMain::QueryPriceEventHandle, "loadOrderDiv()"},
               {&TfrmMain::SettingEventHandle, "openSetting()"}};
  h.LoadServicePage(h.wb2, h.globals.IndexZbUrl);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    h.form->HVEventHandle();
    const int narrowLeft = h.window.bounds.left;
    h.window.bounds.left = narrowLeft + 7;  // not recorded by this switch
    h.wb1.scripts.clear();
    (h.form.get()->*c.command)();
    EXPECT_EQ(h.globals.Layout, "H");
    EXPECT_EQ(h.wb1.scripts, (std::vector<std::string>{"miniToHorizontal()", c.script}));
    EXPECT_EQ(h.globals.VLeft, narrowLeft);  // the moved narrow position is not recorded
    h.wb1.failAllScripts = true;
    EXPECT_NO_THROW((h.form.get()->*c.command)());
    h.wb1.failAllScripts = false;
  }
}

TEST_F(PageCommandsTest, MinRemembersTheWidePositionForTheWayBackFromTheMini) {
  h.window.bounds = {321, 123, 900, 600};
  h.form->MinEventHandle();
  EXPECT_FALSE(h.window.visible);
  EXPECT_TRUE(h.journal.Has("mini.show"));
  h.window.bounds = {0, 0, 1, 1};
  h.form->QueryFromMini("电阻");
  EXPECT_EQ(h.window.bounds.left, 321);
  EXPECT_EQ(h.window.bounds.top, 123);
  EXPECT_TRUE(h.window.visible);
  EXPECT_TRUE(h.journal.Has("app.restore"));
  // "MiniID" records nothing.
  h.window.bounds = {10, 10, 900, 600};
  h.form->MiniEventHandle();
  EXPECT_EQ(h.globals.HLeft, 321);
  EXPECT_EQ(h.journal.Count("mini.show"), 2u);
}

TEST_F(PageCommandsTest, CloseHidesToTheMiniOnlyForStateZero) {
  const struct {
    const char* settings;  // nullptr: the page has no "SettingStrID"
    bool quits;
  } cases[] = {{R"({"state":"0"})", false}, {R"({"state":"1"})", true},
               {R"({"soft":"EXCEL"})", true}, {nullptr, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings ? c.settings : "no SettingStrID");
    MainHarness m;
    m.Create();
    m.LoadServicePage(m.wb1, m.globals.IndexUrl);
    if (c.settings) m.wb1.AddElement("SettingStrID", c.settings);
    m.window.visible = true;
    m.form->CloseEventHandle();
    EXPECT_EQ(m.application.terminations, c.quits ? 1 : 0);
    EXPECT_EQ(m.journal.Has("mini.show"), !c.quits);
    EXPECT_EQ(m.window.visible, c.quits);
    EXPECT_EQ(m.globals.SettingJson, c.settings ? c.settings : "");
  }
}

TEST_F(PageCommandsTest, TheToolStartsQuotedWithItsArgumentOrThePageSaysItIsMissing) {
  const std::string key = "Software\\Brixmoor\\BrixZelTools";
  const struct {
    std::optional<std::string> folder;
    bool present, startFails;
    std::string started;  // empty: the page's "Tobatu()" ran instead
  } cases[] = {
      {"C:\\Program Files\\Brix Tools\\", true, false, "\"C:\\Program Files\\Brix Tools\\Drawscan.exe\" EXWINNER"},
      {"C:\\Program Files\\Brix Tools", true, false, "\"C:\\Program Files\\Brix Tools\\Drawscan.exe\" EXWINNER"},
      {"D:/tools/", true, false, "\"D:/tools\\Drawscan.exe\" EXWINNER"},
      {"C:\\Program Files\\Brix Tools", false, false, ""},
      {"C:\\Program Files\\Brix Tools", true, true, ""},
      {"", true, false, ""},
      {std::nullopt, true, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder.value_or("<no value>"));
    MainHarness m;
    m.Create();
    m.LoadServicePage(m.wb1, m.globals.IndexUrl);
    if (c.folder) m.registry.AddKey(RegRoot::LocalMachine, key).values["INSTALLPATH"] = *c.folder;
    if (c.present && c.folder) m.tools.files = {WithoutTrailingSlash(*c.folder) + "\\Drawscan.exe"};
    m.tools.failStart = c.startFails;
    m.form->ReadDwgEventHandle();
    const bool tobatu = m.wb1.scripts == std::vector<std::string>{"Tobatu()"};
    EXPECT_EQ(tobatu, c.started.empty());
    if (!c.started.empty()) {
      EXPECT_EQ(m.tools.started, std::vector<std::string>{c.started});
    }
  }
}

TEST_F(PageCommandsTest, TheKeywordReachesTheQueryAsAScriptLiteral) {
  const struct {
    std::string keyword;
    std::vector<std::string> scripts;
  } cases[] = {
      {"", {"miniToHorizontal()"}},
      {"3.5\" 软驱", {"miniToHorizontal()", "QueryByMini(\"3.5\\\" 软驱\")"}},
      {"a\\b", {"miniToHorizontal()", "QueryByMini(\"a\\\\b\")"}},
      {"x\");alert(1);//", {"miniToHorizontal()", "QueryByMini(\"x\\\");alert(1);//\")"}},
      {"一\n二", {"miniToHorizontal()", "QueryByMini(\"一\\n二\")"}},
  };
  for (const auto& c : cases) {
    h.wb1.scripts.clear();
    h.form->QueryFromMini(c.keyword);
    EXPECT_EQ(h.wb1.scripts, c.scripts) << c.keyword;
  }
}

TEST_F(PageCommandsTest, CommandStateChangesBindBothPagesOnlyWhenBothAreComplete) {
  h.wb1.AddElement("PinID");
  h.LoadServicePage(h.wb2, h.globals.IndexZbUrl);
  h.wb2.AddElement("PinID");
  h.wb2.readyState = 3;
  h.wb1.RaiseCommandStateChange();
  EXPECT_FALSE(h.journal.Has("wb1.bind PinID onclick"));
  h.wb2.readyState = 4;
  h.wb2.RaiseCommandStateChange();
  EXPECT_TRUE(h.journal.Has("wb1.bind PinID onclick"));
  EXPECT_TRUE(h.journal.Has("wb2.bind PinID onclick"));
  h.journal.Clear();
  h.form->AppClose();
  h.wb1.RaiseCommandStateChange();
  EXPECT_FALSE(h.journal.Has("wb1.bind PinID onclick"));
}

}  // namespace
}  // namespace zel
