#include "logging/Logger.h"

#include <algorithm>
#include <cstdio>

namespace zel {

namespace {

ILogFileSystem* gFiles = nullptr;
IClock* gClock = nullptr;

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

const char* LevelTag(int level) { return level >= LevelError ? "[Error] " : "[Warning] "; }

}  // namespace

std::string LogFileNameFor(const LocalDateTime& date) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d.log", date.year, date.month, date.day);
  return buf;
}

std::string FormatLogLine(const LocalDateTime& time, int level, const std::string& text) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d ", time.hour, time.minute, time.second,
                time.millisecond);
  const std::string message = text.substr(0, text.find('\0'));
  return std::string(stamp) + LevelTag(level) + message + "\r\n";
}

TLogger::TLogger(ILogFileSystem& files, IClock& clock, const std::string& logDir)
    : Files(files), Clock(clock), MayFallBack(Trimmed(logDir).empty()) {
  LogDir_ = MayFallBack ? files.ExecutableDir() + "log\\" : logDir;
  if (!Usable(LogDir_) && !TakeFallback()) {
    throw LogError("日志路径错误，日志类对象不能被创建");
  }
}

bool TLogger::Usable(const std::string& dir) {
  return Files.DirectoryExists(dir) || Files.ForceDirectories(dir);
}

// The user's folder is looked up only when the one beside the executable fails, and once.
bool TLogger::TakeFallback() {
  if (!MayFallBack) return false;
  MayFallBack = false;
  const std::string appData = Files.LocalAppDataDir();
  if (appData.empty()) return false;
  const std::string dir = appData + "泽米宝\\log\\";
  if (!Usable(dir)) return false;
  LogDir_ = dir;
  return true;
}

void TLogger::WriteLog(const std::string& text, int level) {
  WriteLine([&text](const std::string&) { return text; }, level);
}

void TLogger::WriteLine(const std::function<std::string(const std::string& logDir)>& compose,
                        int level) {
  std::lock_guard<std::mutex> guard(Lock);
  if (level < LevelWarning) return;
  const std::string name = LogFileNameFor(Clock.Now());
  if (name != LogFileName) LogFileName = name;
  const auto bytes = [&] {
    return Files.ToSystemCodePage(FormatLogLine(Clock.Now(), level, compose(LogDir_)));
  };
  try {
    Files.AppendToFile(LogDir_ + LogFileName, bytes());
  } catch (const LogFolderRefused&) {
    // The folder exists but takes nothing: the line goes to the user's folder.
    if (!TakeFallback()) throw;
    Files.AppendToFile(LogDir_ + LogFileName, bytes());
  }
}

void SetLogEnvironment(ILogFileSystem* files, IClock* clock) {
  gFiles = files;
  gClock = clock;
}

void Log(const std::string& message) noexcept {
  try {
    if (gFiles == nullptr || gClock == nullptr) return;
    TLogger logger(*gFiles, *gClock, "");
    logger.WriteLog(message, LevelWarning);
  } catch (...) {
    // Nobody to tell: the log is where failures would be told.
  }
}

}  // namespace zel
