// The browsers' context menu: the states of copy and paste at each showing, and what each
// command does to the page the layout shows.
#include <gtest/gtest.h>

#include "tests/fakes/FakeBrowser.h"
#include "tests/fakes/FakeExport.h"
#include "tests/fakes/FakeShell.h"
#include "update/ContextMenu.h"

namespace zel::fakes {
namespace {

class FakeMenuHost final : public IContextMenuHost {
 public:
  void RefreshPage() override { ++refreshes; }
  void CloseProgram() override { ++closes; }
  int refreshes = 0;
  int closes = 0;
};

struct MenuBed {
  MenuBed() {
    wb1.LoadPage("http://127.0.0.1/pcprice/default/index");
    wb2.LoadPage("http://127.0.0.1/pcprice/default/indexzb");
  }
  Journal journal;
  FakeBrowser wb1{"wb1"};
  FakeBrowser wb2{"wb2"};
  FakeMainBrowsers browsers{wb1, wb2};
  FakeClipboard clipboard{journal};
  FakeBrowserMenu pmWB;
  FakeMenuHost host;
  TContextMenu menu{{pmWB, browsers, clipboard, host}};
};

struct ContextMenuTest : ::testing::Test, MenuBed {};

TEST(ContextMenu, TheStatesFollowTheActivePageAndKeepWhatCouldNotBeRead) {
  const struct {
    const char* what;
    bool narrow;
    std::string wb1Location;
    std::optional<std::string> selection;  // none: the read fails
    std::optional<std::string> pasteFlag, clipboard;
    bool copy, paste;  // states at this showing, after copy and paste were last both true
  } cases[] = {
      {"selection, flag 1, clipboard text", false, "x", "word", "1", "text", true, true},
      {"nothing selected, empty clipboard", false, "x", "", "1", std::nullopt, false, false},
      {"flag not 1", false, "x", "w", "0", "text", true, false},
      {"no pasteFlag: paste keeps its state", false, "x", "", std::nullopt, "text", false, true},
      {"wide page empty: nothing changes", true, "", "", "0", std::nullopt, true, true},
      {"narrow layout reads the narrow page", true, "x", "n", "1", "t", true, true},
      {"selection unreadable: both keep their states", false, "x", std::nullopt, "0", std::nullopt,
       true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MenuBed m;
    m.wb1.location = c.wb1Location;
    m.browsers.narrowActive = c.narrow;
    FakeBrowser& active = c.narrow ? m.wb2 : m.wb1;
    active.selectedText = c.selection;
    if (c.pasteFlag) active.variables["pasteFlag"] = *c.pasteFlag;
    m.clipboard.content = c.clipboard;
    EXPECT_TRUE(m.menu.ShowContextMenu(40, 50));
    ASSERT_EQ(m.pmWB.shown.size(), 1u);
    EXPECT_EQ(m.pmWB.shown[0], (FakeBrowserMenu::Showing{40, 50, c.copy, c.paste}));
  }
}

TEST_F(ContextMenuTest, CommandsActOnTheActivePage) {
  browsers.narrowActive = true;
  for (const auto command : {BrowserMenuCommand::Copy, BrowserMenuCommand::Paste,
                             BrowserMenuCommand::Refresh, BrowserMenuCommand::None,
                             BrowserMenuCommand::Close}) {
    pmWB.answer = command;
    EXPECT_TRUE(menu.ShowContextMenu(1, 2));
  }
  EXPECT_EQ(wb2.editCommands, (std::vector<EditCommand>{EditCommand::Copy, EditCommand::Paste}));
  EXPECT_TRUE(wb1.editCommands.empty());
  EXPECT_EQ(host.refreshes, 1);
  EXPECT_EQ(host.closes, 1);
}

}  // namespace
}  // namespace zel::fakes
