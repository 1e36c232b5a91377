// The emulation level: the version table, where the version is read, and the writer.
#include <gtest/gtest.h>

#include "shell/HostRegistration.h"
#include "tests/fakes/FakeRegistry.h"

namespace zel {
namespace {

using fakes::FakeRegistry;

constexpr char kIeKey[] = "SOFTWARE\\Microsoft\\Internet Explorer";
constexpr char kExe[] = "C:\\Program Files\\Zel\\Zel.exe";

TEST(EmulationValueFor, MapsTheInstalledVersion) {
  const struct {
    const char* version;
    int expected;
  } cases[] = {
      {"11.0.9600.18665", 11000}, {"12.0.1", 11000}, {"9.11.9600.16428", 9000},
      {"10.0.1", 10000},          {"8.0", 8000},     {"7.0", 7000},
      {"6.0.2900", 6000},         {"5.5", 7000},     {"0.1", 7000},
      {"11", 7000},               {"", 7000},        {"abc.1", 7000},
      {".5", 7000},               {"-9.1", 7000},
  };
  for (const auto& c : cases) EXPECT_EQ(EmulationValueFor(c.version), c.expected) << c.version;
}

TEST(GetIeEmulationValue, ReadsTheWow64KeyOnA64BitSystemAndSurvivesMissingAndBadValues) {
  FakeRegistry none;
  EXPECT_EQ(GetIeEmulationValue(none), 7000);

  FakeRegistry wow64;
  wow64.AddKey(RegRoot::LocalMachine, "SOFTWARE\\Wow6432Node");
  wow64.AddKey(RegRoot::LocalMachine, kIeKey).values["svcVersion"] = std::string("8.0");
  wow64.AddKey(RegRoot::LocalMachine, "SOFTWARE\\Wow6432Node\\Microsoft\\Internet Explorer")
      .values["svcVersion"] = std::string("10.0");
  EXPECT_TRUE(IsWin64(wow64));
  EXPECT_EQ(GetIeEmulationValue(wow64), 10000);

  FakeRegistry bad;
  bad.AddKey(RegRoot::LocalMachine, kIeKey).values["svcVersion"] = std::uint32_t{11};
  EXPECT_FALSE(IsWin64(bad));
  EXPECT_EQ(GetIeEmulationValue(bad), 7000);
}

struct EmulationCase {
  const char* what;
  bool userKey;
  bool machineKey;
  std::vector<std::pair<std::string, FakeRegistry::Value>> before;
  bool throws;
  int writes;
};

TEST(WriteAppNameToReg, WritesUnderTheExecutableNameOnlyWhenTheNumberDiffers) {
  const EmulationCase cases[] = {
      {"same number already there", true, false, {{"Zel.exe", std::uint32_t{11000}}}, false, 0},
      {"other letter case, other number", true, false, {{"ZEL.EXE", std::uint32_t{7000}}}, false, 1},
      {"name missing", true, false, {{"other.exe", std::uint32_t{11000}}}, false, 1},
      {"only the machine key", false, true, {}, false, 1},
      {"neither key opens", false, false, {}, false, 0},
      {"value of another type", true, false, {{"Zel.exe", std::string("11000")}}, true, 0},
  };
  for (const auto& c : cases) {
    FakeRegistry registry;
    registry.AddKey(RegRoot::LocalMachine, kIeKey).values["svcVersion"] = std::string("11.0.9600.18665");
    FakeRegistry::Key* key = nullptr;
    if (c.userKey) key = &registry.AddKey(RegRoot::CurrentUser, kEmulationKey);
    if (c.machineKey) key = &registry.AddKey(RegRoot::LocalMachine, kEmulationKey);
    if (key) {
      for (const auto& [name, value] : c.before) key->values[name] = value;
    }
    if (c.throws) {
      EXPECT_THROW(WriteAppNameToReg(registry, kExe), RegistryError) << c.what;
    } else {
      EXPECT_TRUE(WriteAppNameToReg(registry, kExe)) << c.what;
    }
    EXPECT_EQ(registry.writes, c.writes) << c.what;
    if (c.writes == 1) {
      EXPECT_EQ(std::get<std::uint32_t>(key->values.at("Zel.exe")), 11000u) << c.what;
    }
    // Nothing ever creates the emulation key.
    if (!c.userKey) {
      EXPECT_EQ(registry.Find(RegRoot::CurrentUser, kEmulationKey), nullptr) << c.what;
    }
  }
}

}  // namespace
}  // namespace zel
