#pragma once
// The texts of the update: lines of a file, the listed version, the order of versions and the
// replacement script.
#include <string>
#include <vector>

#include "update/UpdatePorts.h"

namespace zel {

// Lines split at CR, LF or CR LF; a final line end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);

// The first line that is not empty once every blank, tab, LF and CR is removed from it,
// so removed; empty when there is none.
std::string ListedVersion(const std::vector<std::string>& lines);

// Dot-separated parts compared from the left: numerically where both are digits, as bytes
// otherwise; a missing part counts as "0". Negative, 0 or positive.
int CompareVersions(const std::string& a, const std::string& b);

// An empty candidate is never newer.
bool IsNewerVersion(const std::string& candidate, const std::string& current);

// A signed running executable is replaced only by a valid signature of the same publisher.
bool IsTrustedReplacement(const Signature& running, const Signature& candidate);

struct ScriptPaths {
  std::string exe;         // the running executable
  std::string setup;       // the new executable
  std::string updateInfo;  // the notes
  std::string folder;      // the download folder, ending in "\"
  std::string batch;       // the script itself
};

// The eleven lines of the replacement script, without line ends.
std::vector<std::string> UpdateScriptLines(const ScriptPaths& paths);

}  // namespace zel
