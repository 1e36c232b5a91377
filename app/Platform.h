#pragma once
// What the start-up and the shared helpers need of the operating system.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zel {

class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class RegRoot { CurrentUser, LocalMachine };

// A key opened for writing; closed when destroyed.
class IRegistryKey {
 public:
  IRegistryKey() = default;
  IRegistryKey(const IRegistryKey&) = delete;
  IRegistryKey& operator=(const IRegistryKey&) = delete;
  virtual ~IRegistryKey() = default;
  virtual std::vector<std::string> ValueNames() = 0;
  // Throws RegistryError when the value is missing or not a 32-bit integer.
  virtual std::uint32_t ReadDword(const std::string& name) = 0;
  // Throws RegistryError when the write fails.
  virtual void WriteDword(const std::string& name, std::uint32_t value) = 0;
  // Writes a string value (REG_SZ). Throws RegistryError when the write fails.
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
};

class IRegistry {
 public:
  IRegistry() = default;
  IRegistry(const IRegistry&) = delete;
  IRegistry& operator=(const IRegistry&) = delete;
  virtual ~IRegistry() = default;
  // Opens for reading only, never creates.
  virtual bool KeyExists(RegRoot root, const std::string& path) = 0;
  // nullopt when the key does not open for reading or the value is missing;
  // throws RegistryError when the value is not a string.
  virtual std::optional<std::string> ReadString(RegRoot root, const std::string& path,
                                                const std::string& name) = 0;
  // Opens an existing key for reading and writing; nullptr when it does not open. Never creates.
  virtual std::unique_ptr<IRegistryKey> OpenForWrite(RegRoot root, const std::string& path) = 0;
};

// A profile (ini) file.
class IIniFile {
 public:
  IIniFile() = default;
  IIniFile(const IIniFile&) = delete;
  IIniFile& operator=(const IIniFile&) = delete;
  virtual ~IIniFile() = default;
  virtual std::int64_t ReadInteger(const std::string& section, const std::string& key,
                                   std::int64_t fallback) = 0;
  virtual void WriteInteger(const std::string& section, const std::string& key,
                            std::int64_t value) = 0;
};

struct ShortcutSpec {
  std::string linkPath;
  std::string targetPath;
  std::string workingDirectory;
  std::string description;
  std::string iconPath;
  int iconIndex = 0;
};

// A repeating timer of a window; its ticks arrive as the window's events.
class ITimer {
 public:
  ITimer() = default;
  ITimer(const ITimer&) = delete;
  ITimer& operator=(const ITimer&) = delete;
  virtual ~ITimer() = default;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() = 0;
};

class IStartupPlatform {
 public:
  IStartupPlatform() = default;
  IStartupPlatform(const IStartupPlatform&) = delete;
  IStartupPlatform& operator=(const IStartupPlatform&) = delete;
  virtual ~IStartupPlatform() = default;
  virtual unsigned RegisterMessage(const std::string& name) = 0;
  virtual std::unique_ptr<IIniFile> OpenIniFile(const std::string& path) = 0;
  // Creates the named mutex initially owned and keeps it for the life of the process.
  // Returns true when it already existed (another instance runs).
  virtual bool CreateInstanceMutex(const std::string& name) = 0;
  // Sends the message with both parameters 0 and returns the answer (0 for no such window).
  virtual std::intptr_t SendToWindow(std::intptr_t window, unsigned message) = 0;
  virtual void ShowInformation(const std::string& text, const std::string& caption) = 0;
  // The user's temporary folder as the system reports it.
  virtual std::string TempPath() = 0;
  virtual std::string ExecutablePath() = 0;
  // FileVersion of the file's version resource; empty when there is none.
  virtual std::string GetFileVersion(const std::string& path) = 0;
  virtual void SetApplicationTitle(const std::string& title) = 0;
  // Throws on failure.
  virtual void SaveShortcut(const ShortcutSpec& spec) = 0;
};

}  // namespace zel
