// Entry point and composition root: the real adapters are made here and handed to the logic.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Errors.h"
#include "app/Startup.h"
#include "app/win32/Owners.h"
#include "app/win32/Win32Registry.h"
#include "app/win32/Win32StartupPlatform.h"
#include "app/win32/Win32Util.h"
#include "app/win32/WindowTimer.h"
#include "bridge/win32/DHTMLEvent.h"
#include "bridge/win32/MiniInputWindow.h"
#include "bridge/win32/ToolLauncher.h"
#include "bridge/win32/WebBrowserHost.h"
#include "export/win32/Automation.h"
#include "export/win32/Clipboard.h"
#include "export/win32/DdeConversation.h"
#include "logging/Logger.h"
#include "logging/win32/CrashCapture.h"
#include "logging/win32/StartRecord.h"
#include "logging/win32/Win32Clock.h"
#include "logging/win32/Win32LogFileSystem.h"
#include "shell/HostRegistration.h"
#include "shell/Main.h"
#include "shell/MainPorts.h"
#include "app/ReloadPacer.h"
#include "shell/win32/ApplicationWindow.h"
#include "shell/win32/Dialogs.h"
#include "shell/win32/HotKeys.h"
#include "shell/win32/MainForm.h"
#include "shell/win32/MessageLoop.h"
#include "shell/win32/Monitors.h"
#include "shell/win32/TrayIcon.h"
#include "shell/win32/Win32Connectivity.h"
#include "shell/win32/Win32Resources.h"
#include "shell/win32/Win32ThreadStarter.h"
#include "update/win32/BrowserMenu.h"
#include "update/win32/OneShotTimer.h"
#include "update/win32/ProcessStarter.h"
#include "update/win32/SignatureCheck.h"
#include "update/win32/UpdateFiles.h"
#include "update/win32/UpdateInfo.h"
#include "update/win32/UrlDownloader.h"

namespace {

using namespace zel;
using namespace zel::win32;

constexpr UINT kTimer1IntervalMs = 100;

class OleSession {
 public:
  OleSession() : hr_(::OleInitialize(nullptr)) {}
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;
  ~OleSession() {
    if (SUCCEEDED(hr_)) ::OleUninitialize();
  }

 private:
  HRESULT hr_;
};

// The arguments after the program's name, as UTF-8.
std::vector<std::string> CommandLineArguments() {
  int count = 0;
  const UniqueLocal<LPWSTR*> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
  std::vector<std::string> args;
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(argv.get()[i]));
  return args;
}

// What outlives the message loop: the connectivity thread, which nobody waits for, may still
// be checking when the program ends, so nothing it touches is ever destroyed.
struct ProcessLifetime {
  TGlobals globals;
  Win32Connectivity connectivity;
  Win32ThreadStarter threads;
  Win32LogFileSystem logFiles;
  Win32Clock clock;
};

ProcessLifetime& Lifetime() {
  static auto* lifetime = new ProcessLifetime();
  return *lifetime;
}

// Connects the windows to the logic for as long as both exist; the windows outlive it.
class Attachment {
 public:
  Attachment(TfrmMain& form, ApplicationWindow& application, MainForm& window, TrayIcon& tray)
      : application_(application),
        window_(window),
        tray_(tray),
        ApplicationEvents1([&form](const std::string& m) { form.ApplicationEvents1Exception(m); }) {
    application_.Attach(&form);
    window_.Attach(&form);
    tray_.Attach(&form);
  }
  Attachment(const Attachment&) = delete;
  Attachment& operator=(const Attachment&) = delete;
  ~Attachment() {
    tray_.Attach(nullptr);
    window_.Attach(nullptr);
    application_.Attach(nullptr);
  }

 private:
  ApplicationWindow& application_;
  MainForm& window_;
  TrayIcon& tray_;
  TApplicationEvents ApplicationEvents1;
};

// Creates the main window with its parts, shows it and runs the loop until AppClose. The parts
// (forms, browsers, and the mini window that the form made) are destroyed here when the loop has
// ended: only then is no handler of theirs, with a nested loop inside, left on the stack.
int RunMainWindow(TGlobals& globals, std::unique_ptr<IIniFile> iniFile,
                  std::unique_ptr<ApplicationWindow>& application, IRegistry& registry,
                  const std::function<void()>& afterFirstShow) {
  ProcessLifetime& life = Lifetime();
  MainForm window(application->Handle(), globals.NotifyMsg);
  const HWND hwnd = window.Hwnd();
  WebBrowserHost wb1(hwnd, true);
  WebBrowserHost wb2(hwnd, true);
  window.SetClientResizeHandler([&wb1, &wb2](int width, int height) {
    wb1.Resize(width, height);
    wb2.Resize(width, height);
  });
  window.SetDpiChangeHandler([&wb1, &wb2](int dpi) {
    wb1.SetDpi(dpi);
    wb2.SetDpi(dpi);
  });
  WindowTimer timer1(hwnd, MainForm::kTimer1Id, kTimer1IntervalMs);
  HotKeys hotKeys(hwnd);
  TrayIcon tray(kAppTitle);
  Dialogs dialogs(hwnd);
  Win32Resources resources;
  Win32SinkFactory sinks;
  Win32DdeConversation dde("Excel");
  Win32Automation automation;
  Win32Clipboard clipboard(application->Handle());
  Win32ToolLauncher tools;
  Win32BrowserMenu pmWB(hwnd);
  WindowTimer reloadTimer(hwnd, MainForm::kReloadTimerId, static_cast<UINT>(kReloadSpacingMs));
  reloadTimer.SetEnabled(false);
  UrlDownloader download;
  Win32UpdateFiles updateFiles;
  Win32ProcessStarter processes;
  Win32UpdateDialog updateDialog(hwnd);
  Win32SignatureCheck signatures;
  Win32OneShotTimer retryTimer;
  Monitors monitors;

  // The mini window once the page commands have made it; it goes with the form, after the loop.
  MiniInputWindow* mini = nullptr;
  const TfrmMainPorts ports{
      {window, *application, hotKeys, tray, monitors, resources, registry, life.clock},
      {life.connectivity, life.threads, timer1, dialogs},
      {wb1, wb2, reloadTimer, sinks, pmWB, tools,
       [&](IMiniInputOwner& owner) -> std::unique_ptr<IMiniInputWindow> {
         auto made = std::make_unique<MiniInputWindow>(hwnd, globals, owner, sinks, life.clock,
                                                       monitors, tools);
         mini = made.get();
         return made;
       }},
      {dde, automation, clipboard},
      {download, updateFiles, processes, updateDialog, signatures, retryTimer}};
  TfrmMain form(globals, ports, std::move(iniFile));
  const Attachment attachment(form, *application, window, tray);

  // A failure in the creation handler is reported like any other and the window still comes
  // up, as a form's creation event behaves.
  Guarded([&form] { form.FormCreate(CommandLineArguments()); });
  // FormCreate placed the window in the middle of the screen for this first show.
  window.Show();
  Guarded(afterFirstShow);
  return RunMessageLoop(*application, &form, [&wb1, &wb2, &mini](MSG& msg) {
    return wb1.TranslateAccelerator(msg) || wb2.TranslateAccelerator(msg) ||
           (mini != nullptr && mini->TranslateAccelerator(msg));
  });
}

int Run() {
  ProcessLifetime& life = Lifetime();
  SetLogEnvironment(&life.logFiles, &life.clock);

  // The title is set during start-up, before the application window is made.
  std::string title = kAppTitle;
  std::unique_ptr<ApplicationWindow> application;
  Win32StartupPlatform platform([&title, &application](const std::string& t) {
    title = t;
    if (application) application->SetTitle(t);
  });
  Win32Registry registry;
  return RunProgram(platform, registry, life.globals,
                    [&](TGlobals& globals, std::unique_ptr<IIniFile> iniFile,
                        const std::function<void()>& afterFirstShow) {
                      RecordProgramStart(life.logFiles, life.clock, globals.AppVersion,
                                         [&registry] { return GetIeVersion(registry); });
                      application = std::make_unique<ApplicationWindow>(title);
                      const int code = RunMainWindow(globals, std::move(iniFile), application,
                                                     registry, afterFirstShow);
                      application.reset();
                      return code;
                    });
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  StartCrashCapture();
  const OleSession ole;
  try {
    return Run();
  } catch (...) {
    ReportCurrentException();
    return 1;
  }
}
