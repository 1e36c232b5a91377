#pragma once
// Daily log files: "yyyymmdd.log" in "log\" beside the executable, one line per event. Where
// that folder cannot be made or written (an install folder the user may not write), the lines
// go to the user's own "泽米宝\log\" under the local application data folder instead.
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>

#include "app/Global.h"

namespace zel {

enum LogLevel { LevelInformation = 0, LevelNotice = 1, LevelWarning = 2, LevelError = 3 };

class LogError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The folder takes no new file or no writing (read-only medium, no permission), as opposed to
// a file that is busy or held by another program.
class LogFolderRefused : public LogError {
 public:
  using LogError::LogError;
};

// What the logger needs of the file system. Paths are UTF-8 with backslashes.
class ILogFileSystem {
 public:
  ILogFileSystem() = default;
  ILogFileSystem(const ILogFileSystem&) = delete;
  ILogFileSystem& operator=(const ILogFileSystem&) = delete;
  virtual ~ILogFileSystem() = default;
  virtual bool DirectoryExists(const std::string& path) = 0;
  // Creates the folder with every missing parent; false when it cannot.
  virtual bool ForceDirectories(const std::string& path) = 0;
  // Appends raw bytes at the end of the file, creating it when missing; both an existing
  // and a new file are shared for reading and writing. Throws LogFolderRefused when the folder
  // takes no file or no writing, LogError on any other failure.
  virtual void AppendToFile(const std::string& path, const std::string& bytes) = 0;
  // Folder of the running executable, with its trailing backslash.
  virtual std::string ExecutableDir() = 0;
  // The user's own local application data folder, with its trailing backslash; empty when the
  // system names none.
  virtual std::string LocalAppDataDir() = 0;
  // Converts UTF-8 to the bytes of the system code page.
  virtual std::string ToSystemCodePage(const std::string& utf8) = 0;
};

class TLogger {
 public:
  // An empty (or blank) folder means the default "log\" beside the executable, with the
  // user's folder behind it. Throws LogError("日志路径错误，日志类对象不能被创建") when no
  // folder is usable.
  TLogger(ILogFileSystem& files, IClock& clock, const std::string& logDir);
  TLogger(const TLogger&) = delete;
  TLogger& operator=(const TLogger&) = delete;

  void WriteLog(const std::string& text, int level);
  // The same for a text composed for the folder it goes to: a line that tells where the log is
  // is composed again when the folder beside the executable refuses it.
  void WriteLine(const std::function<std::string(const std::string& logDir)>& compose, int level);

  const std::string& LogDir() const { return LogDir_; }

 private:
  std::mutex Lock;
  ILogFileSystem& Files;
  IClock& Clock;
  bool Usable(const std::string& dir);
  bool TakeFallback();

  bool MayFallBack;  // the default folder, and the user's folder not yet tried
  std::string LogDir_;
  std::string LogFileName;
};

// The formatted line, as bytes before the code page conversion: "hh:nn:ss.zzz [Warning] text\r\n".
// The text is cut at an embedded NUL; the line still ends with CR LF.
std::string FormatLogLine(const LocalDateTime& time, int level, const std::string& text);
std::string LogFileNameFor(const LocalDateTime& date);

// Where Log() writes. The program sets it once at start; tests set their fakes.
void SetLogEnvironment(ILogFileSystem* files, IClock* clock);

}  // namespace zel
