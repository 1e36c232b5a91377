#include "app/InstallRecord.h"

#include <algorithm>
#include <cctype>

#include "app/Global.h"

namespace zel {

namespace {
// Windows folder names: either slash, any letter case, no trailing separator.
std::string FolderKey(std::string folder) {
  std::replace(folder.begin(), folder.end(), '/', '\\');
  folder = WithoutTrailingSlash(folder);
  std::transform(folder.begin(), folder.end(), folder.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return folder;
}
}  // namespace

void RecordInstalledVersion(IRegistry& registry, const std::string& exePath,
                            const std::string& version) {
  if (version.empty()) return;
  const auto location = registry.ReadString(RegRoot::CurrentUser, kUninstallKey, "InstallLocation");
  if (!location || location->empty()) return;
  const auto slash = exePath.find_last_of("\\/");
  if (slash == std::string::npos) return;
  if (FolderKey(exePath.substr(0, slash)) != FolderKey(*location)) return;
  if (registry.ReadString(RegRoot::CurrentUser, kUninstallKey, "DisplayVersion") == version) return;
  if (auto key = registry.OpenForWrite(RegRoot::CurrentUser, kUninstallKey)) {
    key->WriteString("DisplayVersion", version);
  }
}

}  // namespace zel
