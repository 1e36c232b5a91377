// Registers the document emulation level of the browser controls for this executable's name.
#include <cctype>

#include "shell/HostRegistration.h"

#include <string_view>

#include "app/WholeNumber.h"

namespace zel {

namespace {
constexpr char kWow64Key[] = "SOFTWARE\\Wow6432Node";
constexpr char kIeKey[] = "SOFTWARE\\Microsoft\\Internet Explorer";
constexpr char kIeKeyWow64[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Internet Explorer";

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string FileNameOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool IsWin64(IRegistry& registry) { return registry.KeyExists(RegRoot::LocalMachine, kWow64Key); }

std::string GetIeVersion(IRegistry& registry) {
  // Opened for reading only: looking the version up must never create a machine key.
  const char* key = IsWin64(registry) ? kIeKeyWow64 : kIeKey;
  return registry.ReadString(RegRoot::LocalMachine, key, "svcVersion").value_or("");
}

int EmulationValueFor(const std::string& ieVersion) {
  const auto dot = ieVersion.find('.');
  if (dot == std::string::npos) return 7000;
  const auto major = ParseWholeNumber(std::string_view(ieVersion).substr(0, dot), -99999999, 999999999);
  if (!major) return 7000;
  if (*major >= 11) return 11000;
  if (*major >= 6 && *major <= 10) return static_cast<int>(*major) * 1000;
  return 7000;
}

int GetIeEmulationValue(IRegistry& registry) {
  try {
    return EmulationValueFor(GetIeVersion(registry));
  } catch (...) {
    return 7000;
  }
}

bool WriteAppNameToReg(IRegistry& registry, const std::string& executablePath) {
  const auto value = static_cast<std::uint32_t>(GetIeEmulationValue(registry));
  const std::string name = FileNameOf(executablePath);
  auto key = registry.OpenForWrite(RegRoot::CurrentUser, kEmulationKey);
  if (!key) key = registry.OpenForWrite(RegRoot::LocalMachine, kEmulationKey);
  if (!key) return true;
  std::uint32_t current = 0;
  for (const auto& existing : key->ValueNames()) {
    if (SameIgnoringCase(existing, name)) {
      current = key->ReadDword(existing);
      break;
    }
  }
  if (value != current) key->WriteDword(name, value);
  return true;
}

}  // namespace zel
