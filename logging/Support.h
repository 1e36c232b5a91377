#pragma once
// What support finds on a user's machine: one start line with the facts of the system, a line
// and a minidump for a fault, and a log folder that does not grow for ever.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Global.h"
#include "logging/Logger.h"

namespace zel {

// Day logs older than this many days go at the next start.
inline constexpr int kDayLogKeepDays = 30;
// Dumps beyond this many, oldest first, go at the next start.
inline constexpr std::size_t kCrashDumpsKept = 5;

// Listing and removing files of the log folder. Paths are UTF-8 with backslashes.
class ILogFolder {
 public:
  ILogFolder() = default;
  ILogFolder(const ILogFolder&) = delete;
  ILogFolder& operator=(const ILogFolder&) = delete;
  virtual ~ILogFolder() = default;
  // Names (not paths) of the files directly in the folder, folders left out. Throws LogError.
  virtual std::vector<std::string> FileNames(const std::string& folder) = 0;
  // Throws LogError when the file stays.
  virtual void RemoveFile(const std::string& path) = 0;
};

// "Zel-yyyymmdd-hhnnss.dmp" with its NUL. Made without the heap: it is named after a fault,
// when the heap may be what failed.
using CrashDumpNameText = std::array<char, 24>;
CrashDumpNameText CrashDumpName(const LocalDateTime& time);

// The names this program gives its day logs ("yyyymmdd.log" of a real date) and its dumps.
bool IsDayLogName(const std::string& name);
bool IsCrashDumpName(const std::string& name);

// Of the folder's file names: the day logs dated more than kDayLogKeepDays days before today,
// and the dumps beyond the newest kCrashDumpsKept (by the time in their names). Nothing else.
std::vector<std::string> FilesToRemove(const std::vector<std::string>& names,
                                       const LocalDateTime& today);

// What the start line tells.
struct StartFacts {
  std::string programVersion;
  std::string windowsVersion;  // "major.minor.build", empty when the system did not say
  std::string browserVersion;  // empty when no browser control is registered
  int monitors = 0;
  int dpi = 0;
};
std::string StartLineText(const StartFacts& facts, bool programFolderTakesFiles);

// What the line of a fault tells.
struct CrashFacts {
  std::uint32_t code = 0;
  std::uint64_t address = 0;
  std::string module;  // file name of the module holding the address; empty when none does
  std::uint64_t offset = 0;
  std::string dumpName;     // empty when no dump was written
  std::string dumpFailure;  // why not, then
};
std::string CrashLineText(const CrashFacts& facts);

// At start: writes the start line to the day log, then removes from the folder it went to what
// FilesToRemove names; a file that stays is one log line. Returns that folder, empty when the
// line found no folder. Never throws.
std::string RecordStart(ILogFileSystem& files, ILogFolder& folder, IClock& clock,
                        const StartFacts& facts);

}  // namespace zel
