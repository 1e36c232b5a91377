#pragma once
// Plain test doubles of the main window's ports: canned answers, a journal of calls, switches
// that make a call fail.
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Global.h"
#include "bridge/ToolLauncher.h"
#include "shell/Ports.h"
#include "update/BrowserMenu.h"
#include "tests/fakes/Journal.h"

namespace zel::fakes {

class FakeClock final : public IClock {
 public:
  LocalDateTime Now() override { return now; }
  std::int64_t TickMs() override { return tick; }
  void Sleep(int milliseconds) override { slept.push_back(milliseconds); }
  // Time passes: both clocks move.
  void Advance(std::int64_t ms);
  // The date or time is changed (by the user, or to summer time): only the local time moves.
  void ShiftLocalTime(std::int64_t ms);
  LocalDateTime now{2026, 12, 7, 9, 5, 3, 42};
  std::int64_t tick = 7200000;
  std::vector<int> slept;
};

class FakeFormWindow final : public IFormWindow {
 public:
  explicit FakeFormWindow(Journal& j) : journal(j) {}
  std::intptr_t Handle() override { return handle; }
  void Show() override { journal.Add("window.show"); visible = true; }
  void Hide() override { journal.Add("window.hide"); visible = false; }
  bool Visible() override { return visible; }
  void BringToFront() override { journal.Add("window.front"); visible = true; }
  WindowRect Bounds() override { return bounds; }
  void SetBounds(const WindowRect& b) override { bounds = b; }
  void SetAlpha(int a) override { alpha = a; }
  int Alpha() override { return alpha; }
  void SetTopMost(bool t) override {
    journal.Add(t ? "window.topmost" : "window.notopmost");
    topMost = t;
  }
  void StartSystemDrag() override { journal.Add("window.drag"); }
  int Dpi() override { return dpi; }

  Journal& journal;
  std::intptr_t handle = 0x1234;
  int dpi = kDesignDpi;
  bool visible = false;
  WindowRect bounds{};
  int alpha = 255;
  bool topMost = false;
};

// One 1920 x 1080 primary monitor with a 40-pixel taskbar, unless a test sets others.
class FakeMonitors final : public IMonitors {
 public:
  std::vector<MonitorInfo> List() override { return monitors; }
  std::vector<MonitorInfo> monitors{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true}};
};

class FakeApplication final : public IApplicationWindow {
 public:
  explicit FakeApplication(Journal& j) : journal(j) {}
  void Restore() override { journal.Add("app.restore"); }
  void ShowInTask(bool show) override { journal.Add(show ? "app.showintask" : "app.hideintask"); }
  void MinimizeToTray() override { journal.Add("app.minimize"); }
  void ForegroundActiveWindow() override { journal.Add("app.foreground"); }
  void SetMessageHookInstalled(bool installed) override {
    journal.Add(installed ? "app.hook" : "app.unhook");
    if (failUnhook && !installed) throw std::runtime_error("unhook failed");
    hookInstalled = installed;
  }
  void Terminate() override { journal.Add("app.terminate"); ++terminations; }
  ScreenSize PrimaryScreen() override { return screen; }
  std::string ExecutablePath() override { return exePath; }

  Journal& journal;
  bool hookInstalled = false;
  bool failUnhook = false;
  int terminations = 0;
  ScreenSize screen{1920, 1080};
  std::string exePath = "C:\\Program Files\\Zel\\Zel.exe";
};

class FakeTimer final : public ITimer {
 public:
  void SetEnabled(bool e) override { enabled = e; }
  bool Enabled() override { return enabled; }
  bool enabled = true;
};

class FakeHotKeys final : public IHotKeys {
 public:
  explicit FakeHotKeys(Journal& j) : journal(j) {}
  int AddGlobalAtom(const std::string& name) override {
    journal.Add("atom " + name);
    return atom;
  }
  void Register(int id, int vk) override {
    journal.Add("hotkey.register " + std::to_string(id) + " " + std::to_string(vk));
    if (failRegister) throw std::runtime_error("RegisterHotKey failed");
    registered[id] = vk;
  }
  // As the adapter: a key that is not held is no error.
  void Unregister(int id) override {
    journal.Add("hotkey.unregister " + std::to_string(id));
    if (failUnregister && registered.count(id) != 0) throw std::runtime_error("UnregisterHotKey failed");
    registered.erase(id);
  }
  Journal& journal;
  int atom = 0xC123;
  bool failRegister = false;
  bool failUnregister = false;
  std::map<int, int> registered;
};

class FakeTray final : public ITrayIcon {
 public:
  explicit FakeTray(Journal& j) : journal(j) {}
  void PopupMenu(int x, int y) override {
    journal.Add("tray.menu " + std::to_string(x) + "," + std::to_string(y));
  }
  Journal& journal;
};

class FakeDialogs final : public IDialogs {
 public:
  explicit FakeDialogs(Journal& j) : journal(j) {}
  void ShowError(const std::string& text) override { journal.Add("error-box " + text); errors.push_back(text); }
  Journal& journal;
  std::vector<std::string> errors;
};

class FakeConnectivity final : public IConnectivity {
 public:
  bool CheckConnection(const std::string& url) override {
    checked.push_back(url);
    if (onCheck) onCheck(url);
    return reachable.count(url) != 0 && reachable[url];
  }
  std::map<std::string, bool> reachable;
  std::vector<std::string> checked;
  std::function<void(const std::string&)> onCheck;
};

// Keeps the thread body so a test runs it when it wants.
class FakeThreads final : public IThreadStarter {
 public:
  void Start(std::function<void()> body) override { bodies.push_back(std::move(body)); }
  void RunAll() {
    auto pending = std::move(bodies);
    bodies.clear();
    for (auto& body : pending) body();
  }
  std::vector<std::function<void()>> bodies;
};

class FakeResources final : public IResources {
 public:
  std::string LoadRcData(const std::string& name) override {
    const auto it = data.find(name);
    if (it == data.end()) throw std::runtime_error("no resource " + name);
    return it->second;
  }
  std::map<std::string, std::string> data{{"Zelloading", "<html>loading</html>"},
                                          {"ZelError", "<html>error</html>"}};
};

class FakeToolLauncher final : public IToolLauncher {
 public:
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
  void Start(const std::string& commandLine) override {
    started.push_back(commandLine);
    if (failStart) throw std::runtime_error("CreateProcessW failed");
  }
  void OpenInDefaultBrowser(const std::string& url) override { opened.push_back(url); }
  std::set<std::string> files;
  std::vector<std::string> started;
  std::vector<std::string> opened;  // in the default browser
  bool failStart = false;
};

// Answers each popup with the next command and keeps the states it was shown with.
class FakeBrowserMenu final : public IBrowserMenu {
 public:
  BrowserMenuCommand Popup(int x, int y, const BrowserMenuStates& states) override {
    shown.push_back({x, y, states.copyEnabled, states.pasteEnabled});
    return answer;
  }
  struct Showing {
    int x, y;
    bool copy, paste;
    bool operator==(const Showing& o) const {
      return x == o.x && y == o.y && copy == o.copy && paste == o.paste;
    }
  };
  std::vector<Showing> shown;
  BrowserMenuCommand answer = BrowserMenuCommand::None;
};

class FakeMiniInput final : public IMiniInputWindow {
 public:
  explicit FakeMiniInput(Journal& j) : journal(j) {}
  ~FakeMiniInput() override { journal.Add("mini.destroy"); }
  void Show() override {
    journal.Add("mini.show");
    visible = true;
  }
  void Hide() override {
    journal.Add("mini.hide");
    visible = false;
  }
  bool OwnsWindow(std::intptr_t w) override { return w == window; }
  Journal& journal;
  std::intptr_t window = 0x7777;
  bool visible = false;
};

}  // namespace zel::fakes
