#pragma once
// Program start: single instance, version, desktop shortcut; then the main window runs.
#include <functional>
#include <memory>
#include <string>

#include "app/Global.h"
#include "app/Platform.h"

namespace zel {

inline constexpr char kAppTitle[] = "泽米宝";
inline constexpr char kNotifyMessageName[] = "Zel_Notify";
inline constexpr char kInstanceMutexName[] = "BrixmoorZel";
inline constexpr char kIniFileName[] = "Zel.ini";
inline constexpr char kIniSection[] = "Zel";
inline constexpr char kIniHandleKey[] = "ZelHandle";
inline constexpr char kAlreadyOpenMessage[] = "泽米宝已打开，请查看！";
inline constexpr std::intptr_t kNotifyAnswer = 2222;

std::string GetTempDir(IStartupPlatform& platform);
std::string ReadShellFolder(IRegistry& registry, const std::string& name);
std::string ReadLocalMachineString(IRegistry& registry, const std::string& path,
                                   const std::string& name);
// Puts "泽米宝.lnk" on the desktop unless the executable itself lies there.
void CreateDesktopShortcut(IStartupPlatform& platform, IRegistry& registry,
                           const std::string& exePath);

// What the first instance runs once start-up is done: creates the main window (which takes
// the ini file), shows it, calls afterFirstShow, and runs the message loop until the program
// closes.
using MainWindowRunner = std::function<int(TGlobals&, std::unique_ptr<IIniFile>,
                                           const std::function<void()>& afterFirstShow)>;

// The program's start. Returns the process exit code.
int RunProgram(IStartupPlatform& platform, IRegistry& registry, TGlobals& globals,
               const MainWindowRunner& runMainWindow);

}  // namespace zel
