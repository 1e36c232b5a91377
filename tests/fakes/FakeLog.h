#pragma once
// An in-memory file system for the logger.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "logging/Logger.h"
#include "logging/Support.h"

namespace zel::fakes {

class FakeLogFileSystem final : public ILogFileSystem, public ILogFolder {
 public:
  bool DirectoryExists(const std::string& path) override { return dirs.count(path) != 0; }
  bool ForceDirectories(const std::string& path) override {
    if (!canCreate || ReadOnly(path)) return false;
    dirs.insert(path);
    return true;
  }
  void AppendToFile(const std::string& path, const std::string& bytes) override {
    if (ReadOnly(path)) throw LogFolderRefused("read-only folder");
    if (failWrites) throw LogError("file is locked");
    files[path] += bytes;
  }
  std::string ExecutableDir() override { return exeDir; }
  std::string LocalAppDataDir() override { return localAppData; }
  // Marks the conversion so tests can see it happened on the whole line.
  std::string ToSystemCodePage(const std::string& utf8) override { return convert ? "<acp>" + utf8 : utf8; }

  std::vector<std::string> FileNames(const std::string& folder) override {
    if (failListing) throw LogError("folder unreadable");
    std::vector<std::string> names;
    for (const auto& [path, bytes] : files) {
      if (path.rfind(folder, 0) == 0 && path.find('\\', folder.size()) == std::string::npos) {
        names.push_back(path.substr(folder.size()));
      }
    }
    return names;
  }
  void RemoveFile(const std::string& path) override {
    if (undeletable.count(path) != 0) throw LogError("access denied");
    files.erase(path);
  }

  // The lines of all files, without CR LF, in file-name order.
  std::vector<std::string> Lines() const;
  // Only the message part of each line (after the level tag).
  std::vector<std::string> Messages() const;

  // Under one of the read-only folders.
  bool ReadOnly(const std::string& path) const {
    for (const std::string& folder : readOnly) {
      if (path.rfind(folder, 0) == 0) return true;
    }
    return false;
  }

  std::set<std::string> dirs;
  std::set<std::string> readOnly;  // folders that take no new folder or file, nor writing
  std::map<std::string, std::string> files;
  std::string exeDir = "C:\\Zel\\";
  std::string localAppData = "C:\\Users\\u\\AppData\\Local\\";
  bool canCreate = true;
  bool failWrites = false;
  bool failListing = false;
  std::set<std::string> undeletable;
  bool convert = false;
};

}  // namespace zel::fakes
