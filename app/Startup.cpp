#include "app/Startup.h"

#include "app/InstallRecord.h"

namespace zel {

namespace {
constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
}  // namespace

std::string GetTempDir(IStartupPlatform& platform) {
  return WithTrailingBackslash(platform.TempPath());
}

std::string ReadShellFolder(IRegistry& registry, const std::string& name) {
  return registry.ReadString(RegRoot::CurrentUser, kShellFoldersKey, name).value_or("");
}

std::string ReadLocalMachineString(IRegistry& registry, const std::string& path,
                                   const std::string& name) {
  return registry.ReadString(RegRoot::LocalMachine, path, name).value_or("");
}

void CreateDesktopShortcut(IStartupPlatform& platform, IRegistry& registry,
                           const std::string& exePath) {
  std::string desktop;
  try {
    desktop = ReadShellFolder(registry, "Desktop");
  } catch (const RegistryError&) {
    return;  // an unreadable value means no shortcut and no message
  }
  if (desktop.empty()) return;
  desktop = WithoutTrailingSlash(desktop);
  const std::string exeDir = FolderOf(exePath);
  if (desktop == WithoutTrailingSlash(exeDir)) return;

  ShortcutSpec spec;
  spec.linkPath = desktop + "\\" + kAppTitle + ".lnk";
  spec.targetPath = exePath;
  spec.workingDirectory = exeDir;
  spec.description = kAppTitle;
  spec.iconPath = exePath;
  spec.iconIndex = 0;
  platform.SaveShortcut(spec);
}

int RunProgram(IStartupPlatform& platform, IRegistry& registry, TGlobals& globals,
               const MainWindowRunner& runMainWindow) {
  globals.NotifyMsg = platform.RegisterMessage(kNotifyMessageName);
  auto iniFile = platform.OpenIniFile(GetTempDir(platform) + kIniFileName);
  if (platform.CreateInstanceMutex(kInstanceMutexName)) {
    // A window handle has 32 significant bits, sign-extended in a 64-bit process.
    const auto handle =
        static_cast<std::int32_t>(iniFile->ReadInteger(kIniSection, kIniHandleKey, 0));
    const auto answer = platform.SendToWindow(handle, globals.NotifyMsg);
    if (answer != kNotifyAnswer) platform.ShowInformation(kAlreadyOpenMessage, kAppTitle);
    return 0;
  }
  platform.SetApplicationTitle(kAppTitle);
  const std::string exePath = platform.ExecutablePath();
  globals.AppVersion = platform.GetFileVersion(exePath);
  try {
    RecordInstalledVersion(registry, exePath, globals.AppVersion);
  } catch (const std::exception& e) {
    // Apps & features may show an old version; the program runs all the same.
    Log(std::string("记录安装版本失败：") + e.what());
  }
  // The shortcut waits until the window is up: saving it costs a good part of the start.
  const auto shortcut = [&platform, &registry, exePath] {
    try {
      CreateDesktopShortcut(platform, registry, exePath);
    } catch (const std::exception& e) {
      // A missing shortcut must not stop the program; leave a trace of why.
      Log(std::string("创建桌面快捷方式失败：") + e.what());
    }
  };
  return runMainWindow(globals, std::move(iniFile), shortcut);
}

}  // namespace zel
