#pragma once
// The texts of the update: lines of a file, the listed version, the order of versions, the
// signer rule and the replacement script.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "update/UpdatePorts.h"

namespace zel {

// Lines split at CR, LF or CR LF; a final line end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);

// The first line that is not empty once every blank, tab, LF and CR is removed from it,
// so removed; empty when there is none.
std::string ListedVersion(const std::vector<std::string>& lines);

using VersionNumbers = std::array<std::uint16_t, 4>;

// The shape of a FileVersion: 1 to 4 dot-separated decimal numbers, each 0 to 65535 and of at
// most five digits after any leading zeros; missing parts are 0. Anything else is no version.
std::optional<VersionNumbers> ParseVersion(const std::string& text);

// Numeric, part by part; a text that is no version is below every version. Negative, 0 or
// positive.
int CompareVersions(const std::string& a, const std::string& b);

// Only a valid candidate can be newer.
bool IsNewerVersion(const std::string& candidate, const std::string& current);

// A replacement only from a valid signature whose signer has the running program's subject
// and issuer; an unsigned running program takes none.
bool IsTrustedReplacement(const Signature& running, const Signature& candidate);

// The new executable's file in the download folder (ending in "\"); the version must be valid,
// so the name stays inside the folder.
std::string SetupFileFor(const std::string& folder, const std::string& version);

struct ScriptPaths {
  std::string exe;           // the running executable; its new version waits beside it
  std::string systemFolder;  // System32, without a trailing backslash
  std::string batchName;     // the script's file name, in the folder it is started in
};

// How many times the script tries each rename, about a second apart.
inline constexpr int kReplaceTries = 29;

// The lines of the replacement script, without line ends: the old program renamed aside
// (".old"), the new one (".new") renamed into its place, the old one renamed back when that
// fails, and whichever stands there started. Only the program's folder and the system folder
// appear in it. Every path is quoted with its "%" doubled. Throws std::invalid_argument for a
// path no quoting makes safe for cmd.
std::vector<std::string> UpdateScriptLines(const ScriptPaths& paths);

}  // namespace zel
