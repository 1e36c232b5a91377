#pragma once
// The log's file operations on Windows.
#include "logging/Logger.h"
#include "logging/Support.h"

namespace zel::win32 {

class Win32LogFileSystem final : public ILogFileSystem, public ILogFolder {
 public:
  bool DirectoryExists(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  // A new file is created with the same sharing an existing one is opened with, and writers
  // take turns at the end of the file: two writers racing for the first line of a day both land.
  // A turn not had within kLockPatienceMs (another program locks the file) fails the line.
  void AppendToFile(const std::string& path, const std::string& bytes) override;
  static constexpr unsigned kLockPatienceMs = 200;
  std::string ExecutableDir() override;
  // FOLDERID_LocalAppData.
  std::string LocalAppDataDir() override;
  std::string ToSystemCodePage(const std::string& utf8) override;
  std::vector<std::string> FileNames(const std::string& folder) override;
  void RemoveFile(const std::string& path) override;
};

}  // namespace zel::win32
