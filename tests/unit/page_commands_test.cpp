// The main window's page commands over a recording host: what each asks of the window, the
// scripts it runs in the wide page, the hand-over from the mini window, and the re-binding on
// command-state changes.
#include <gtest/gtest.h>

#include <optional>

#include "tests/fakes/FakePageCommands.h"

namespace zel {
namespace {

using fakes::PageCommandsBed;
using Calls = std::vector<std::string>;

struct PageCommandsTest : ::testing::Test {
  PageCommandsTest() {
    bed.wide.LoadPage(bed.settings.IndexUrl);
    bed.window.visible = true;
  }
  PageCommandsBed bed;
};

TEST_F(PageCommandsTest, QueryPriceAndSettingOpenTheWidePageAndSwallowItsErrors) {
  const struct {
    void (TPageCommands::*command)();
    const char* script;
  } cases[] = {{&TPageCommands::QueryPriceEventHandle, "loadOrderDiv()"},
               {&TPageCommands::SettingEventHandle, "openSetting()"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    bed.host.calls.clear();
    bed.wide.scripts.clear();
    (bed.commands.*c.command)();
    EXPECT_EQ(bed.host.calls, Calls{"ShowWideLayout"});
    EXPECT_EQ(bed.wide.scripts, (Calls{"miniToHorizontal()", c.script}));
    EXPECT_TRUE(bed.narrow.scripts.empty());
    bed.wide.failAllScripts = true;
    EXPECT_NO_THROW((bed.commands.*c.command)());
    bed.wide.failAllScripts = false;
  }
}

TEST_F(PageCommandsTest, MinRemembersTheWidePlaceAndTheMiniHandsBackToTheWideLayout) {
  bed.commands.MinEventHandle();
  EXPECT_EQ(bed.host.calls, Calls{"RememberWidePlace"});
  EXPECT_FALSE(bed.window.visible);
  EXPECT_TRUE(bed.mini.visible);
  bed.commands.ShowOwner();
  EXPECT_TRUE(bed.window.visible);
  bed.commands.QueryFromMini("电阻");
  EXPECT_EQ(bed.host.calls, (Calls{"RememberWidePlace", "RestoreApplication", "ShowWideLayout"}));
  // "MiniID" remembers nothing.
  bed.host.calls.clear();
  bed.mini.visible = false;
  bed.commands.MiniEventHandle();
  EXPECT_TRUE(bed.host.calls.empty());
  EXPECT_FALSE(bed.window.visible);
  EXPECT_TRUE(bed.mini.visible);
}

TEST_F(PageCommandsTest, CloseHidesToTheMiniOnlyForStateZero) {
  const struct {
    const char* settings;  // nullptr: the page has no "SettingStrID"
    bool quits;
  } cases[] = {{R"({"state":"0"})", false}, {R"({"state":"1"})", true},
               {R"({"soft":"EXCEL"})", true}, {nullptr, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings ? c.settings : "no SettingStrID");
    PageCommandsBed m;
    m.wide.LoadPage(m.settings.IndexUrl);
    // The wide page is read whatever the layout: the narrow one's value never counts.
    m.narrow.LoadPage(m.settings.IndexZbUrl);
    m.narrow.AddElement("SettingStrID", R"({"state":"0"})");
    m.browsers.narrowActive = true;
    if (c.settings) m.wide.AddElement("SettingStrID", c.settings);
    m.window.visible = true;
    m.commands.CloseEventHandle();
    EXPECT_EQ(m.host.calls, c.quits ? Calls{"CloseProgram"} : Calls{});
    EXPECT_EQ(m.mini.visible, !c.quits);
    EXPECT_EQ(m.window.visible, c.quits);
    EXPECT_EQ(m.settings.SettingJson, c.settings ? c.settings : "");
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
    PageCommandsBed m;
    m.wide.LoadPage(m.settings.IndexUrl);
    if (c.folder) m.registry.AddKey(RegRoot::LocalMachine, key).values["INSTALLPATH"] = *c.folder;
    if (c.present && c.folder) m.tools.files = {WithoutTrailingSlash(*c.folder) + "\\Drawscan.exe"};
    m.tools.failStart = c.startFails;
    m.commands.ReadDwgEventHandle();
    const bool tobatu = m.wide.scripts == Calls{"Tobatu()"};
    EXPECT_EQ(tobatu, c.started.empty());
    if (!c.started.empty()) {
      EXPECT_EQ(m.tools.started, Calls{c.started});
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
    bed.wide.scripts.clear();
    bed.commands.QueryFromMini(c.keyword);
    EXPECT_EQ(bed.wide.scripts, c.scripts) << c.keyword;
  }
  // A foreign page in the wide browser never learns what was typed.
  bed.wide.LoadPage("http://elsewhere.example.org/pcprice/default/index");
  bed.wide.scripts.clear();
  bed.commands.QueryFromMini("电阻");
  EXPECT_EQ(bed.wide.scripts, std::vector<std::string>{"miniToHorizontal()"});
  bed.wide.failAllScripts = true;
  EXPECT_NO_THROW(bed.commands.QueryFromMini("x"));
}

TEST_F(PageCommandsTest, CommandStateChangesBindBothPagesOnlyWhenBothAreComplete) {
  auto& wide = bed.wide.AddElement("PinID");
  bed.narrow.LoadPage(bed.settings.IndexZbUrl);
  auto& narrow = bed.narrow.AddElement("PinID");
  bed.narrow.readyState = 3;
  bed.commands.CommandStateChange();
  EXPECT_TRUE(wide.bindLog.empty());
  bed.narrow.readyState = 4;
  bed.commands.CommandStateChange();
  EXPECT_EQ(wide.bindLog.size(), 1u);
  EXPECT_EQ(narrow.bindLog.size(), 1u);
  bed.settings.IsClosing = true;
  bed.commands.CommandStateChange();
  EXPECT_EQ(wide.bindLog.size(), 1u);
}

// A press on a drag area drags the window only with the left button (or when the event's
// button cannot be read): a move loop started without it would wait for a click.
TEST_F(PageCommandsTest, OnlyTheLeftButtonDragsTheWindow) {
  const struct {
    std::optional<int> buttons;
    bool drags;
  } cases[] = {{1, true}, {2, false}, {4, false}, {6, false}, {std::nullopt, true}};
  for (const auto& c : cases) {
    bed.wide.eventButtons = c.buttons;
    bed.journal.Clear();
    bed.commands.MoveFormEventHandle();
    EXPECT_EQ(bed.journal.entries, c.drags ? std::vector<std::string>{"window.drag"}
                                           : std::vector<std::string>{})
        << c.buttons.value_or(-1);
  }
}

}  // namespace
}  // namespace zel
