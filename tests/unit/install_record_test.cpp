#include "app/InstallRecord.h"

#include <gtest/gtest.h>

#include "tests/fakes/FakeRegistry.h"

namespace zel {
namespace {

using fakes::FakeRegistry;

constexpr char kInstalled[] = "C:\\Users\\u\\AppData\\Local\\Programs\\泽米宝";

struct Case {
  const char* what;
  const char* exePath;
  const char* runningVersion;
  const char* shownVersion;  // the entry's DisplayVersion before the start
  const char* expected;      // ... and after it
};

TEST(RecordInstalledVersion, FollowsTheProgramOnlyInTheFolderTheEntryNames) {
  const Case cases[] = {
      {"updated in place", "C:\\Users\\u\\AppData\\Local\\Programs\\泽米宝\\Zel.exe", "3.0.0.7000",
       "3.0.0.6121", "3.0.0.7000"},
      {"letter case and slashes of another spelling",
       "c:/users/U/AppData/Local/Programs/泽米宝/Zel.exe", "3.0.0.7000", "3.0.0.6121",
       "3.0.0.7000"},
      {"a copy elsewhere", "C:\\Users\\u\\Downloads\\Zel.exe", "3.0.0.7000", "3.0.0.6121",
       "3.0.0.6121"},
      {"a folder that only begins like it",
       "C:\\Users\\u\\AppData\\Local\\Programs\\泽米宝2\\Zel.exe", "3.0.0.7000", "3.0.0.6121",
       "3.0.0.6121"},
      {"in the folder beneath it",
       "C:\\Users\\u\\AppData\\Local\\Programs\\泽米宝\\log\\Zel.exe", "3.0.0.7000", "3.0.0.6121",
       "3.0.0.6121"},
      {"no version resource", "C:\\Users\\u\\AppData\\Local\\Programs\\泽米宝\\Zel.exe", "",
       "3.0.0.6121", "3.0.0.6121"},
  };
  for (const auto& c : cases) {
    FakeRegistry registry;
    auto& entry = registry.AddKey(RegRoot::CurrentUser, kUninstallKey);
    // As the installer writes it, with a trailing backslash as a hand-edited entry may have.
    entry.values["InstallLocation"] = std::string(kInstalled) + "\\";
    entry.values["DisplayVersion"] = std::string(c.shownVersion);
    RecordInstalledVersion(registry, c.exePath, c.runningVersion);
    EXPECT_EQ(std::get<std::string>(entry.values["DisplayVersion"]), c.expected) << c.what;
  }
}

TEST(RecordInstalledVersion, WritesNothingWhenTheEntryIsTrueOrMissing) {
  FakeRegistry registry;
  const std::string exe = std::string(kInstalled) + "\\Zel.exe";
  RecordInstalledVersion(registry, exe, "3.0.0.6121");
  EXPECT_EQ(registry.Find(RegRoot::CurrentUser, kUninstallKey), nullptr);

  auto& entry = registry.AddKey(RegRoot::CurrentUser, kUninstallKey);
  entry.values["InstallLocation"] = std::string(kInstalled);
  entry.values["DisplayVersion"] = std::string("3.0.0.6121");
  RecordInstalledVersion(registry, exe, "3.0.0.6121");
  EXPECT_EQ(registry.writes, 0);
}

}  // namespace
}  // namespace zel
