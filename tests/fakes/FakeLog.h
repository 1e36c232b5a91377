#pragma once
// An in-memory file system for the logger.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "logging/Logger.h"

namespace zel::fakes {

class FakeLogFileSystem final : public ILogFileSystem {
 public:
  bool DirectoryExists(const std::string& path) override { return dirs.count(path) != 0; }
  bool ForceDirectories(const std::string& path) override {
    if (!canCreate) return false;
    dirs.insert(path);
    return true;
  }
  void AppendToFile(const std::string& path, const std::string& bytes) override {
    if (failWrites) throw LogError("file is locked");
    files[path] += bytes;
  }
  std::string ExecutableDir() override { return exeDir; }
  // Marks the conversion so tests can see it happened on the whole line.
  std::string ToSystemCodePage(const std::string& utf8) override { return convert ? "<acp>" + utf8 : utf8; }

  // The lines of all files, without CR LF, in file-name order.
  std::vector<std::string> Lines() const;
  // Only the message part of each line (after the level tag).
  std::vector<std::string> Messages() const;

  std::set<std::string> dirs;
  std::map<std::string, std::string> files;
  std::string exeDir = "C:\\Zel\\";
  bool canCreate = true;
  bool failWrites = false;
  bool convert = false;
};

}  // namespace zel::fakes
