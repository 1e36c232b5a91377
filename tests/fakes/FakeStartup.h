#pragma once
// The start-up's view of the system: a mutex that may already exist, windows that answer.
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Platform.h"

namespace zel::fakes {

class FakeIniFile final : public IIniFile {
 public:
  std::int64_t ReadInteger(const std::string& s, const std::string& k, std::int64_t fallback) override {
    const auto it = values.find(s + "/" + k);
    return it == values.end() ? fallback : it->second;
  }
  void WriteInteger(const std::string& s, const std::string& k, std::int64_t v) override {
    if (failWrites) throw std::runtime_error("ini write failed");
    values[s + "/" + k] = v;
  }
  std::map<std::string, std::int64_t> values;
  bool failWrites = false;
};

class FakeStartupPlatform final : public IStartupPlatform {
 public:
  unsigned RegisterMessage(const std::string& name) override {
    calls.push_back("register " + name);
    return 0xC0DE;
  }
  std::unique_ptr<IIniFile> OpenIniFile(const std::string& path) override {
    calls.push_back("ini " + path);
    auto ini = std::make_unique<FakeIniFile>();
    ini->values = iniValues;
    return ini;
  }
  bool CreateInstanceMutex(const std::string& name) override {
    calls.push_back("mutex " + name);
    return mutexExists;
  }
  std::intptr_t SendToWindow(std::intptr_t window, unsigned message) override {
    calls.push_back("send " + std::to_string(window) + " " + std::to_string(message));
    const auto it = answers.find(window);
    return it == answers.end() ? 0 : it->second;
  }
  void ShowInformation(const std::string& text, const std::string& caption) override {
    calls.push_back("box " + caption + " " + text);
  }
  std::string TempPath() override { return tempPath; }
  std::string ExecutablePath() override { return exePath; }
  std::string GetFileVersion(const std::string& path) override {
    calls.push_back("version " + path);
    return fileVersion;
  }
  void SetApplicationTitle(const std::string& title) override { calls.push_back("title " + title); }
  void SaveShortcut(const ShortcutSpec& spec) override {
    calls.push_back("shortcut " + spec.linkPath);
    if (failShortcut) throw std::runtime_error("IPersistFile::Save failed");
    shortcuts.push_back(spec);
  }

  std::vector<std::string> calls;
  bool mutexExists = false;
  std::map<std::string, std::int64_t> iniValues;
  std::map<std::intptr_t, std::intptr_t> answers;
  std::string tempPath = "C:\\Users\\u\\Temp";
  std::string exePath = "C:\\Program Files\\Zel\\Zel.exe";
  std::string fileVersion = "3.0.0.6121";
  bool failShortcut = false;
  std::vector<ShortcutSpec> shortcuts;
};

}  // namespace zel::fakes
