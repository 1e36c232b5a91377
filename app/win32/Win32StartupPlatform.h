#pragma once
// What the program's start needs of Windows: registered message, instance mutex, hand-over to
// the running instance, version resource, temporary folder and the desktop shortcut.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Platform.h"
#include "app/win32/Owners.h"

namespace zel::win32 {

class Win32StartupPlatform final : public IStartupPlatform {
 public:
  // The application window is made elsewhere; its title is set through this callback.
  explicit Win32StartupPlatform(std::function<void(const std::string&)> setApplicationTitle);

  unsigned RegisterMessage(const std::string& name) override;
  std::unique_ptr<IIniFile> OpenIniFile(const std::string& path) override;
  bool CreateInstanceMutex(const std::string& name) override;
  // Bounded wait: a hung first instance must not hang the later one for good.
  std::intptr_t SendToWindow(std::intptr_t window, unsigned message) override;
  void ShowInformation(const std::string& text, const std::string& caption) override;
  std::string TempPath() override;
  std::string ExecutablePath() override;
  std::string GetFileVersion(const std::string& path) override;
  void SetApplicationTitle(const std::string& title) override;
  // COM must be initialised on the calling thread.
  void SaveShortcut(const ShortcutSpec& spec) override;

  static constexpr UINT kSendTimeoutMs = 10000;

 private:
  std::function<void(const std::string&)> setApplicationTitle_;
  // Held until the process ends: the mutex marks the running instance.
  std::vector<UniqueHandleObj> mutexes_;
};

}  // namespace zel::win32
