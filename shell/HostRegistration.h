#pragma once
// The document emulation level of the browser controls, registered for this executable's name.
#include <cstdint>
#include <string>

#include "app/Platform.h"

namespace zel {

inline constexpr char kEmulationKey[] =
    "SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_BROWSER_EMULATION";

// The level for an Internet Explorer "svcVersion" text: 11000 from 11 on, major × 1000 for
// 6 to 10, 7000 for anything else (the empty text included).
int EmulationValueFor(const std::string& ieVersion);

bool IsWin64(IRegistry& registry);
std::string GetIeVersion(IRegistry& registry);
int GetIeEmulationValue(IRegistry& registry);
// Writes the level under the executable's file name, current user first, only when it differs.
bool WriteAppNameToReg(IRegistry& registry, const std::string& executablePath);

}  // namespace zel
