#include "app/Startup.h"

#include <gtest/gtest.h>

#include "logging/Logger.h"
#include "tests/fakes/FakeLog.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeStartup.h"

namespace zel {
namespace {

using fakes::FakeLogFileSystem;
using fakes::FakeRegistry;
using fakes::FakeStartupPlatform;

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct StartupTest : ::testing::Test {
  StartupTest() {
    SetLogEnvironment(&logFiles, &clock);
    registry.AddKey(RegRoot::CurrentUser, kShellFolders).values["Desktop"] =
        std::string("C:\\Users\\u\\Desktop");
  }
  ~StartupTest() override { SetLogEnvironment(nullptr, nullptr); }

  int Run() {
    return RunProgram(platform, registry, globals,
                      [this](TGlobals&, std::unique_ptr<IIniFile> ini,
                             const std::function<void()>& afterFirstShow) {
                        platform.calls.push_back("main window");
                        iniHandedOver = ini != nullptr;
                        afterFirstShow();
                        return 0;
                      });
  }

  FakeStartupPlatform platform;
  FakeRegistry registry;
  TGlobals globals;
  FakeLogFileSystem logFiles;
  fakes::FakeClock clock;
  bool iniHandedOver = false;
};

TEST_F(StartupTest, FirstInstanceRunsTheStepsInOrder) {
  Run();
  const std::vector<std::string> expected = {
      "register Zel_Notify",
      "ini C:\\Users\\u\\Temp\\Zel.ini",
      "mutex BrixmoorZel",
      "title 泽米宝",
      "version C:\\Program Files\\Zel\\Zel.exe",
      "main window",
      "shortcut C:\\Users\\u\\Desktop\\泽米宝.lnk",
  };
  EXPECT_EQ(platform.calls, expected);
  EXPECT_EQ(globals.NotifyMsg, 0xC0DEu);
  EXPECT_TRUE(iniHandedOver);
  ASSERT_EQ(platform.shortcuts.size(), 1u);
  const ShortcutSpec& link = platform.shortcuts[0];
  EXPECT_EQ(link.targetPath, "C:\\Program Files\\Zel\\Zel.exe");
  EXPECT_EQ(link.workingDirectory, "C:\\Program Files\\Zel\\");
  EXPECT_EQ(link.description, "泽米宝");
  EXPECT_EQ(link.iconPath, link.targetPath);
  EXPECT_EQ(link.iconIndex, 0);
}

TEST_F(StartupTest, VersionComesFromTheExecutableEvenWhenItHasNone) {
  platform.fileVersion = "";
  Run();
  EXPECT_EQ(globals.AppVersion, "");
}

TEST_F(StartupTest, LaterInstanceHandsOverAndShowsTheBoxOnlyWithoutTheAnswer) {
  const struct {
    std::int64_t handle;
    std::intptr_t answer;
    bool box;
  } cases[] = {
      {4242, 2222, false},  // the running instance answered
      {4242, 0, true},      // a window that does not answer
      {0, 0, true},         // no handle recorded yet
      {999, 0, true},       // a dead window
  };
  for (const auto& c : cases) {
    FakeStartupPlatform later;
    later.mutexExists = true;
    if (c.handle != 0) later.iniValues["Zel/ZelHandle"] = c.handle;
    if (c.answer != 0) later.answers[static_cast<std::intptr_t>(c.handle)] = c.answer;
    bool mainWindow = false;
    RunProgram(later, registry, globals, [&](TGlobals&, std::unique_ptr<IIniFile>, const std::function<void()>&) {
      mainWindow = true;
      return 0;
    });
    EXPECT_FALSE(mainWindow);
    EXPECT_EQ(later.calls[3], "send " + std::to_string(c.handle) + " " + std::to_string(0xC0DE));
    const bool boxShown = later.calls.back() == "box 泽米宝 泽米宝已打开，请查看！";
    EXPECT_EQ(boxShown, c.box) << "handle " << c.handle;
    EXPECT_TRUE(later.shortcuts.empty());
  }
}

TEST_F(StartupTest, ShortcutIsSkippedWhenTheDesktopCannotBeUsed) {
  const struct {
    const char* what;
    std::optional<FakeRegistry::Value> desktop;
    bool keyReadable;
  } cases[] = {
      {"no value", std::nullopt, true},
      {"empty value", FakeRegistry::Value(std::string()), true},
      {"not a string", FakeRegistry::Value(std::uint32_t{7}), true},
      {"key unreadable", FakeRegistry::Value(std::string("C:\\D")), false},
      {"the executable lies on the desktop", FakeRegistry::Value(std::string("C:\\Program Files\\Zel\\")), true},
  };
  for (const auto& c : cases) {
    FakeRegistry reg;
    auto& key = reg.AddKey(RegRoot::CurrentUser, kShellFolders);
    key.readable = c.keyReadable;
    if (c.desktop) key.values["Desktop"] = *c.desktop;
    FakeStartupPlatform p;
    EXPECT_NO_THROW(CreateDesktopShortcut(p, reg, "C:\\Program Files\\Zel\\Zel.exe")) << c.what;
    EXPECT_TRUE(p.shortcuts.empty()) << c.what;
  }
}

TEST_F(StartupTest, AFailedShortcutDoesNotStopTheProgram) {
  platform.failShortcut = true;
  Run();
  EXPECT_EQ(platform.calls.back(), "shortcut C:\\Users\\u\\Desktop\\泽米宝.lnk");
  ASSERT_EQ(logFiles.Messages().size(), 1u);
  EXPECT_NE(logFiles.Messages()[0].find("IPersistFile::Save failed"), std::string::npos);
}

TEST_F(StartupTest, DesktopWithTrailingSlashStillGetsOneBackslash) {
  registry.AddKey(RegRoot::CurrentUser, kShellFolders).values["Desktop"] = std::string("D:\\桌面/");
  CreateDesktopShortcut(platform, registry, "C:\\Zel\\Zel.exe");
  ASSERT_EQ(platform.shortcuts.size(), 1u);
  EXPECT_EQ(platform.shortcuts[0].linkPath, "D:\\桌面\\泽米宝.lnk");
  EXPECT_EQ(GetTempDir(platform), "C:\\Users\\u\\Temp\\");
}

}  // namespace
}  // namespace zel
