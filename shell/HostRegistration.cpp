// Registers the document emulation level of the browser controls for this executable's name.
#include <cctype>

#include "shell/HostRegistration.h"

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

// A whole decimal number, optionally signed; false for anything else.
bool ParseInteger(const std::string& text, long& value) {
  if (text.empty() || text.size() > 9) return false;
  std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return false;
  long v = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    v = v * 10 + (text[i] - '0');
  }
  value = text[0] == '-' ? -v : v;
  return true;
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
  long major = 0;
  if (dot == std::string::npos || !ParseInteger(ieVersion.substr(0, dot), major)) return 7000;
  if (major >= 11) return 11000;
  if (major >= 6 && major <= 10) return static_cast<int>(major) * 1000;
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
