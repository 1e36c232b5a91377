#pragma once
// The update's files: existence, removal, the text files in the system code page, the script
// in the console's, the held copy of the new program.
#include "app/win32/Win32StartupPlatform.h"
#include "update/UpdatePorts.h"

namespace zel::win32 {

class Win32UpdateFiles final : public IUpdateFiles {
 public:
  Win32UpdateFiles() = default;

  std::string TempPath() override { return system_.TempPath(); }
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool MakeDirectory(const std::string& path) override;
  bool RemoveTree(const std::string& folder) override;
  std::optional<std::string> ReadText(const std::string& path, std::size_t maxBytes) override;
  // Throws Win32Error.
  void WriteScript(const std::string& path, const std::vector<std::string>& lines) override;
  // Throws Win32Error.
  std::unique_ptr<IHeldFile> CopyAndHold(const std::string& from, const std::string& to) override;
  std::string GetFileVersion(const std::string& path) override {
    return system_.GetFileVersion(path);
  }
  bool CanCreateFileIn(const std::string& folder) override;

 private:
  // The temporary folder and the version resource, read as the start-up reads them.
  Win32StartupPlatform system_{nullptr};
};

}  // namespace zel::win32
