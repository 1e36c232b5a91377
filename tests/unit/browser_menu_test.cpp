// The browsers' context menu in place of their own: its states follow the active page, its
// commands act on it.
#include <gtest/gtest.h>

#include "tests/fakes/MainHarness.h"

namespace zel {
namespace {

using fakes::FakeBrowserMenu;
using fakes::MainHarness;

struct BrowserMenuTest : ::testing::Test {
  BrowserMenuTest() {
    h.Create();
    h.LoadServicePage(h.wb1, h.globals.IndexUrl);
  }
  MainHarness h;
};

TEST_F(BrowserMenuTest, TheMenuStatesFollowTheActivePageAndKeepWhatCouldNotBeRead) {
  h.LoadServicePage(h.wb2, h.globals.IndexZbUrl);
  const struct {
    const char* what;
    std::string layout;
    std::string wb1Location;
    std::optional<std::string> selection;  // none: the read fails
    std::optional<std::string> pasteFlag, clipboard;
    bool copy, paste;  // states at this showing, after copy and paste were last both true
  } cases[] = {
      {"selection, flag 1, clipboard text", "H", "x", "word", "1", "text", true, true},
      {"nothing selected, empty clipboard", "H", "x", "", "1", std::nullopt, false, false},
      {"flag not 1", "H", "x", "w", "0", "text", true, false},
      {"no pasteFlag: paste keeps its state", "H", "x", "", std::nullopt, "text", false, true},
      {"wide page empty: nothing changes", "V", "", "", "0", std::nullopt, true, true},
      {"narrow layout reads the narrow page", "V", "x", "n", "1", "t", true, true},
      {"selection unreadable: both keep their states", "H", "x", std::nullopt, "0", std::nullopt,
       true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MainHarness m;
    m.Create();
    m.LoadServicePage(m.wb1, m.globals.IndexUrl);
    m.LoadServicePage(m.wb2, m.globals.IndexZbUrl);
    m.wb1.location = c.wb1Location;
    m.globals.Layout = c.layout;
    fakes::FakeBrowser& active = c.layout == "H" ? m.wb1 : m.wb2;
    active.selectedText = c.selection;
    if (c.pasteFlag) active.variables["pasteFlag"] = *c.pasteFlag;
    m.clipboard.content = c.clipboard;
    m.form->EmbeddedWB1ShowContextMenu(40, 50);
    ASSERT_EQ(m.pmWB.shown.size(), 1u);
    EXPECT_EQ(m.pmWB.shown[0], (FakeBrowserMenu::Showing{40, 50, c.copy, c.paste}));
  }
}

TEST_F(BrowserMenuTest, MenuCommandsActOnTheActivePage) {
  h.LoadServicePage(h.wb2, h.globals.IndexZbUrl);
  h.globals.Layout = "V";
  h.pmWB.answer = BrowserMenuCommand::Copy;
  EXPECT_TRUE(h.form->EmbeddedWB2ShowContextMenu(1, 2));
  h.pmWB.answer = BrowserMenuCommand::Paste;
  h.form->EmbeddedWB2ShowContextMenu(1, 2);
  EXPECT_EQ(h.wb2.editCommands, (std::vector<EditCommand>{EditCommand::Copy, EditCommand::Paste}));
  h.pmWB.answer = BrowserMenuCommand::Refresh;
  h.form->EmbeddedWB1ShowContextMenu(1, 2);
  EXPECT_EQ(h.wb2.scripts, std::vector<std::string>{"window.location.reload(true)"});
  EXPECT_TRUE(h.wb1.editCommands.empty());
  h.pmWB.answer = BrowserMenuCommand::Close;
  h.form->EmbeddedWB1ShowContextMenu(1, 2);
  EXPECT_EQ(h.application.terminations, 1);
}

}  // namespace
}  // namespace zel
