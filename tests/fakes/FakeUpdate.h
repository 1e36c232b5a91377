#pragma once
// The update's ports in memory: a file system, a download component that serves from a map,
// a timer, a dialog with a canned answer, and the main window's side.
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "update/UpdateCheck.h"

namespace zel::fakes {

class FakeUpdateFiles final : public IUpdateFiles {
 public:
  std::string TempPath() override { return temp; }
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
  bool DirectoryExists(const std::string& path) override { return dirs.count(path) != 0; }
  bool RemoveFile(const std::string& path) override {
    return stuck.count(path) == 0 && files.erase(path) != 0;
  }
  bool MakeDirectory(const std::string& path) override { return dirs.insert(path).second; }
  // Fails for a folder in `stuck`.
  bool RemoveTree(const std::string& folder) override;
  std::optional<std::string> ReadText(const std::string& path, std::size_t maxBytes) override;
  void WriteScript(const std::string& path, const std::vector<std::string>& lines) override;
  // Fails when the file is missing or `to` is in `stuck`; the copy stays in `held` meanwhile.
  std::unique_ptr<IHeldFile> CopyAndHold(const std::string& from, const std::string& to) override;
  std::string GetFileVersion(const std::string& path) override;
  bool CanCreateFileIn(const std::string& folder) override { return readOnly.count(folder) == 0; }

  std::string temp = "C:\\Temp";
  // Path to content; an executable's content is its FileVersion.
  std::map<std::string, std::string> files;
  std::set<std::string> dirs;
  // Folders (ending in "\\") that take no new file.
  std::set<std::string> readOnly;
  std::map<std::string, std::vector<std::string>> scripts;
  bool failScriptWrite = false;
  // Paths (folders end in "\\") that cannot be removed or written.
  std::set<std::string> stuck;
  std::set<std::string> held;
  // The largest maxBytes asked of ReadText.
  std::size_t readLimit = 0;
  // Runs when CopyAndHold has copied, before the caller checks the copy.
  std::function<void()> afterCopy;
};

class FakeDownloader final : public IDownloader {
 public:
  explicit FakeDownloader(FakeUpdateFiles& files) : files_(files) {}
  void SetOnComplete(std::function<void(DownloadResult)> onComplete) override {
    onComplete_ = std::move(onComplete);
  }
  void Start(const std::string& url, const std::string& folder) override;
  // Completes the oldest fetch; false when none is pending.
  bool CompleteNext();

  // What the service holds, by the address's last segment; a missing name answers 404.
  std::map<std::string, std::string> served;
  // Names whose fetch fails as a closed port does.
  std::set<std::string> unreachable;
  // Names whose fetch reports success but stores nothing.
  std::set<std::string> lost;
  // Last segments of the addresses, in the order the fetches started.
  std::vector<std::string> fetched;
  std::vector<std::string> urls;

 private:
  FakeUpdateFiles& files_;
  std::function<void(DownloadResult)> onComplete_;
  std::deque<std::pair<std::string, std::string>> pending_;
};

class FakeOneShotTimer final : public IOneShotTimer {
 public:
  void Start(int milliseconds, std::function<void()> action) override {
    delays.push_back(milliseconds);
    action_ = std::move(action);
  }
  void Stop() override { action_ = nullptr; }
  bool Fire();
  std::vector<int> delays;

 private:
  std::function<void()> action_;
};

class FakeProcessStarter final : public IProcessStarter {
 public:
  std::string SystemFolder() override { return "C:\\Windows\\System32"; }
  void StartHidden(const std::string& program, const std::string& commandLine,
                   const std::string& folder) override;
  // Program, command line and folder of each start.
  std::vector<std::vector<std::string>> started;
  bool fail = false;
};

class FakeUpdateDialog final : public IUpdateDialog {
 public:
  UpdateAnswer ShowModal(const std::vector<std::string>& notes) override {
    shown.push_back(notes);
    return answer;
  }
  UpdateAnswer answer = UpdateAnswer::Declined;
  std::vector<std::vector<std::string>> shown;
};

class FakeSignatureCheck final : public ISignatureCheck {
 public:
  // Signed by the publisher unless listed.
  Signature Inspect(const std::string& path) override;
  std::map<std::string, Signature> signatures;
  Signature publisher{SignatureState::Valid, "CN=Brixmoor", "CN=Brixmoor CA"};
};

class FakeUpdateOwner final : public IUpdateOwner {
 public:
  void SetOwnerTopMost(bool on) override { calls.push_back(on ? "topmost" : "notopmost"); }
  void AppClose() override { calls.push_back("close"); }
  std::string ExecutablePath() override { return exe; }
  std::string exe = "C:\\Zel\\Zel.exe";
  std::vector<std::string> calls;
};

// The update's system side, for any owner of a check (the main window's harness too).
struct UpdateFakes {
  TUpdatePorts Ports();
  // Delivers completions and timer ticks until nothing is pending; false when that takes
  // more than 50 steps (a loop without end).
  bool Run();

  FakeUpdateFiles files;
  FakeDownloader downloader{files};
  FakeOneShotTimer timer;
  FakeProcessStarter processes;
  FakeUpdateDialog dialog;
  FakeSignatureCheck signatures;
};

// A check of its own with a fake main window.
struct UpdateKit : UpdateFakes {
  explicit UpdateKit(TGlobals& globals) : check(globals, Ports(), owner) {}
  FakeUpdateOwner owner;
  TUpdateCheck check;
};

}  // namespace zel::fakes
