#include <gtest/gtest.h>

#include "tests/fakes/MainHarness.h"

namespace zel {
namespace {

using fakes::FakeRegistry;
using fakes::MainHarness;

constexpr char kIeKey[] = "SOFTWARE\\Microsoft\\Internet Explorer";

TEST(GetIeEmulationValue, MapsTheInstalledVersion) {
  const struct {
    const char* version;  // nullptr: no value
    int expected;
  } cases[] = {
      {"11.0.9600.18665", 11000}, {"12.0.1", 11000}, {"9.11.9600.16428", 9000},
      {"10.0.1", 10000},          {"8.0", 8000},     {"7.0", 7000},
      {"6.0.2900", 6000},         {"5.5", 7000},     {"0.1", 7000},
      {"11", 7000},               {"", 7000},        {"abc.1", 7000},
      {".5", 7000},               {nullptr, 7000},   {"-9.1", 7000},
  };
  for (const auto& c : cases) {
    MainHarness h;
    if (c.version) h.registry.AddKey(RegRoot::LocalMachine, kIeKey).values["svcVersion"] = std::string(c.version);
    EXPECT_EQ(h.form->GetIeEmulationValue(), c.expected) << (c.version ? c.version : "(none)");
  }
}

TEST(GetIeEmulationValue, ReadsTheWow64KeyOnA64BitSystemAndSurvivesBadTypes) {
  MainHarness h;
  h.registry.AddKey(RegRoot::LocalMachine, "SOFTWARE\\Wow6432Node");
  h.registry.AddKey(RegRoot::LocalMachine, kIeKey).values["svcVersion"] = std::string("8.0");
  h.registry.AddKey(RegRoot::LocalMachine, "SOFTWARE\\Wow6432Node\\Microsoft\\Internet Explorer")
      .values["svcVersion"] = std::string("10.0");
  EXPECT_TRUE(h.form->IsWin64());
  EXPECT_EQ(h.form->GetIeEmulationValue(), 10000);

  MainHarness bad;
  bad.registry.AddKey(RegRoot::LocalMachine, kIeKey).values["svcVersion"] = std::uint32_t{11};
  EXPECT_EQ(bad.form->GetIeEmulationValue(), 7000);
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
    MainHarness h;
    h.registry.AddKey(RegRoot::LocalMachine, kIeKey).values["svcVersion"] = std::string("11.0.9600.18665");
    FakeRegistry::Key* key = nullptr;
    if (c.userKey) key = &h.registry.AddKey(RegRoot::CurrentUser, kEmulationKey);
    if (c.machineKey) key = &h.registry.AddKey(RegRoot::LocalMachine, kEmulationKey);
    if (key) {
      for (const auto& [name, value] : c.before) key->values[name] = value;
    }
    if (c.throws) {
      EXPECT_THROW(h.form->WriteAppNameToReg(), RegistryError) << c.what;
    } else {
      EXPECT_TRUE(h.form->WriteAppNameToReg()) << c.what;
    }
    EXPECT_EQ(h.registry.writes, c.writes) << c.what;
    if (c.writes == 1) {
      EXPECT_EQ(std::get<std::uint32_t>(key->values.at("Zel.exe")), 11000u) << c.what;
    }
    // Nothing ever creates the emulation key.
    if (!c.userKey) {
      EXPECT_EQ(h.registry.Find(RegRoot::CurrentUser, kEmulationKey), nullptr) << c.what;
    }
  }
}

TEST(WriteAppNameToReg, AFailureSkipsTheRestOfTheGuardedStartSteps) {
  MainHarness h;
  h.registry.AddKey(RegRoot::CurrentUser, kEmulationKey).failWrites = true;
  h.Create();
  EXPECT_FALSE(h.journal.Has("atom HtZelEsc"));
  EXPECT_TRUE(h.ini->values.empty());
  EXPECT_TRUE(h.threads.bodies.empty());
  // The rest of the creation still ran.
  EXPECT_EQ(h.wb1.loadedHtml.size(), 1u);
  EXPECT_EQ(h.sinks.sinks.size(), 13u);
}

}  // namespace
}  // namespace zel
