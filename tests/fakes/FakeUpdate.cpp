#include "tests/fakes/FakeUpdate.h"

#include <algorithm>
#include <stdexcept>

namespace zel::fakes {

bool FakeUpdateFiles::RemoveTree(const std::string& folder) {
  if (stuck.count(folder)) return false;
  for (auto it = files.lower_bound(folder);
       it != files.end() && it->first.compare(0, folder.size(), folder) == 0;) {
    it = files.erase(it);
  }
  dirs.erase(folder);
  return true;
}

std::optional<std::string> FakeUpdateFiles::ReadText(const std::string& path,
                                                     std::size_t maxBytes) {
  readLimit = std::max(readLimit, maxBytes);
  const auto it = files.find(path);
  if (it == files.end()) return std::nullopt;
  return it->second.substr(0, maxBytes);
}

namespace {
class FakeHeldFile final : public IHeldFile {
 public:
  FakeHeldFile(std::set<std::string>& held, std::string path) : held_(held), path_(path) {
    held_.insert(path_);
  }
  ~FakeHeldFile() override { held_.erase(path_); }

 private:
  std::set<std::string>& held_;
  std::string path_;
};
}  // namespace

std::unique_ptr<IHeldFile> FakeUpdateFiles::CopyAndHold(const std::string& from,
                                                        const std::string& to) {
  if (files.count(from) == 0 || stuck.count(to)) throw std::runtime_error("copy failed");
  files[to] = files[from];
  auto hold = std::make_unique<FakeHeldFile>(held, to);
  if (afterCopy) afterCopy();
  return hold;
}

void FakeUpdateFiles::WriteScript(const std::string& path, const std::vector<std::string>& lines) {
  if (failScriptWrite) throw std::runtime_error("disk full");
  scripts[path] = lines;
  files[path] = "script";
}

std::string FakeUpdateFiles::GetFileVersion(const std::string& path) {
  const auto it = files.find(path);
  return it == files.end() ? std::string() : it->second;
}

void FakeDownloader::Start(const std::string& url, const std::string& folder) {
  urls.push_back(url);
  fetched.push_back(url.substr(url.find_last_of('/') + 1));
  pending_.emplace_back(fetched.back(), folder);
}

bool FakeDownloader::CompleteNext() {
  if (pending_.empty()) return false;
  const auto [name, folder] = pending_.front();
  pending_.pop_front();
  DownloadResult result = 0;
  if (unreachable.count(name)) {
    result = static_cast<DownloadResult>(0x800C0008u);
  } else if (served.count(name) == 0) {
    result = static_cast<DownloadResult>(0x80190194u);
  } else if (lost.count(name) == 0) {
    files_.files[folder + name] = served[name];
  }
  if (onComplete_) onComplete_(result);
  return true;
}

bool FakeOneShotTimer::Fire() {
  if (!action_) return false;
  auto action = std::move(action_);
  action_ = nullptr;
  action();
  return true;
}

void FakeProcessStarter::StartHidden(const std::string& program, const std::string& commandLine,
                                     const std::string& folder) {
  if (fail) throw std::runtime_error("CreateProcessW failed (0x00000002)");
  started.push_back({program, commandLine, folder});
}

Signature FakeSignatureCheck::Inspect(const std::string& path) {
  const auto it = signatures.find(path);
  return it == signatures.end() ? publisher : it->second;
}

TUpdatePorts UpdateFakes::Ports() {
  return {downloader, files, processes, dialog, signatures, timer};
}

bool UpdateFakes::Run() {
  for (int step = 0; step < 50; ++step) {
    if (!downloader.CompleteNext() && !timer.Fire()) return true;
  }
  return false;
}

}  // namespace zel::fakes
