#pragma once
// The installer's entry under Apps & features. A self-update replaces Zel.exe in place and
// leaves the entry as the installer wrote it, so an installed program keeps its version true.
#include <string>

#include "app/Platform.h"

namespace zel {

inline constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zel";

// Writes the version as "DisplayVersion" when the executable runs from the folder the entry's
// "InstallLocation" names and the entry shows another version. A copy that was never installed,
// or one run from elsewhere, leaves the entry alone; the key is never created.
void RecordInstalledVersion(IRegistry& registry, const std::string& exePath,
                            const std::string& version);

}  // namespace zel
