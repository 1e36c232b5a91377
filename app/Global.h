#pragma once
// The program's process-wide settings and run-time state, and the small shared helpers.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "BuildConfig.h"

namespace zel {

// A wall-clock reading in local time, as the log and the update re-arm need it.
struct LocalDateTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Milliseconds since 1970-01-01 00:00 of the same (local) calendar; for comparisons only.
std::int64_t ToMilliseconds(const LocalDateTime& t);

class IClock {
 public:
  IClock() = default;
  IClock(const IClock&) = delete;
  IClock& operator=(const IClock&) = delete;
  virtual ~IClock() = default;
  virtual LocalDateTime Now() = 0;
  // Milliseconds of a clock that only moves forward (time since the system started): intervals
  // are measured with it, so a change of the date, the time or to summer time does not move them.
  virtual std::int64_t TickMs() = 0;
  // Blocks the calling thread; the only user is the paced ExWinner paste sequence.
  virtual void Sleep(int milliseconds) = 0;
};

std::string DefaultServiceHost();
// "http://" + the default service host: the loading page is used only for this base.
std::string DefaultServiceBase();

struct TGlobals {
  TGlobals();

  // Settings: fixed at start (the service's addresses from the command line).
  std::string AppVersion = ZEL_VERSION_TEXT;
  std::string SetupUrl;
  std::string UpdateInfoUrl;
  std::string VersionUrl;
  int HWidth = 900;
  int HHeight = 600;
  int VWidth = 360;
  int VHeight = 670;
  int MiniWidth = 290;
  int MiniHeight = 60;
  std::string IndexUrl;
  std::string IndexZbUrl;
  std::string MiniIndexUrl;
  std::string RowSeparator = "#";
  std::string BlankMarker = "[blank]";

  // State that more than one part of the program reads.
  unsigned NotifyMsg = 0;
  bool IsClosing = false;
  // Pinned: the main window stays on top.
  bool IsTopMost = false;
  // A check was started in this run.
  bool UpdateStarted = false;
  // The wide page's settings as the last command read them.
  std::string SettingJson;
  // Written by the connectivity thread, polled by the main thread's timer.
  std::atomic<int> NetConnState{0};
};

extern const char* const kInitialSettingJson;

// Splits at every occurrence of a one-character separator; a non-empty remainder ends the list.
std::vector<std::string> SplitString(const std::string& text, const std::string& separator);

// The named member of the top-level JSON object as text; empty for "", "[]", bad JSON,
// a non-object, a missing member or null. Strings give their content, other values their JSON text.
std::string GetJsonValue(const std::string& name, const std::string& json);

// The last character (a whole UTF-8 sequence) of the text; empty for an empty text.
std::string LastChar(const std::string& text);

// Removes one trailing "\" or "/".
std::string WithoutTrailingSlash(const std::string& text);

std::string DownloadDirName();

// Takes the service host from the first argument, if there is one.
void ParseCommandLine(TGlobals& globals, const std::vector<std::string>& args);

// Appends a backslash unless the folder already ends with one (or with "/").
std::string WithTrailingBackslash(const std::string& folder);

// Writes one line to the day's log file. Never throws: a failure to log has nobody to tell.
void Log(const std::string& message) noexcept;

bool Contains(const std::string& text, const std::string& part);
std::string UpperCase(const std::string& ascii);

}  // namespace zel
