// The version check: the version file, then the notes, then the new executable, each fetch
// started from the completion of the one before.
#include "update/UpdateCheck.h"

#include <cstdint>
#include <exception>

#include "app/Errors.h"
#include "update/UpdateText.h"

namespace zel {

namespace {

std::string Replaced(std::string text, char what, const std::string& by) {
  for (auto pos = text.find(what); pos != std::string::npos;
       pos = text.find(what, pos + by.size())) {
    text.replace(pos, 1, by);
  }
  return text;
}

}  // namespace

const char* TUpdateCheck::StepName(Step step) {
  switch (step) {
    case Step::Version: return "版本文件";
    case Step::Notes: return "升级说明";
    case Step::Setup: break;
  }
  return "新版本程序";
}

TUpdateCheck::TUpdateCheck(TGlobals& globals, TUpdatePorts ports, IUpdateOwner& owner)
    : settings_(globals), ports_(ports), owner_(owner) {
  ports_.IEDownload1.SetOnComplete([this](DownloadResult result) { IEDownload1Complete(result); });
}

TUpdateCheck::~TUpdateCheck() {
  ports_.IEDownload1.SetOnComplete(nullptr);
  ports_.retryTimer.Stop();
}

std::string TUpdateCheck::TempDir() { return WithTrailingBackslash(ports_.files.TempPath()); }

void TUpdateCheck::CheckAgainAfterOneDay(const LocalDateTime& now) {
  constexpr std::int64_t kOneDayMs = 24LL * 60 * 60 * 1000;
  if (ToMilliseconds(now) <= ToMilliseconds(LastCheckTime) + kOneDayMs) return;
  LastCheckTime = now;
  settings_.UpdateStarted = false;
  DownNewVersion();
}

void TUpdateCheck::DownNewVersion() {
  if (settings_.UpdateStarted) return;
  settings_.UpdateStarted = true;
  DownloadFolder = TempDir() + DownloadDirName() + "\\";
  UpdateInfoFile = DownloadFolder + "updateInfo.txt";
  VersionFile = DownloadFolder + "version.txt";
  Fetches = {};
  SelfChecked = false;
  // Made anew for every check: nothing in it, left by an earlier run or put there by anyone
  // else, is ever taken for a download.
  if (ports_.files.DirectoryExists(DownloadFolder) && !ports_.files.RemoveTree(DownloadFolder)) {
    return Fail("下载目录无法清除：" + DownloadFolder);
  }
  if (!ports_.files.MakeDirectory(DownloadFolder)) return Fail("无法建立下载目录：" + DownloadFolder);
  Fetch(Step::Version, settings_.VersionUrl);
}

void TUpdateCheck::Fetch(Step step, const std::string& url) {
  Pending = step;
  int& fetches = Fetches[static_cast<std::size_t>(step)];
  if (fetches >= kMaxFetches) {
    return Fail(std::string("下载") + StepName(step) + " " + std::to_string(fetches) +
                " 次后仍没有文件");
  }
  ++fetches;
  try {
    ports_.IEDownload1.Start(url, DownloadFolder);
  } catch (const std::exception& e) {
    Fail(std::string("无法开始下载") + StepName(step) + "：" + e.what());
  }
}

bool TUpdateCheck::CanReplaceSelf() {
  const std::string exe = owner_.ExecutablePath();
  Running = ports_.signatures.Inspect(exe);
  if (Running.state != SignatureState::Valid) {
    Fail("升级需要已签名的程序");
    return false;
  }
  // The script could not put the new program there: it would be fetched and offered in vain.
  const std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
  if (!ports_.files.CanCreateFileIn(folder)) {
    Fail("程序目录不能写入新文件：" + folder);
    return false;
  }
  return true;
}

void TUpdateCheck::Fail(const std::string& why) { Log("版本检查中止：" + why); }

void TUpdateCheck::IEDownload1Complete(DownloadResult Result) {
  if (Result != 0) {
    Fail(std::string("下载") + StepName(Pending) + "失败（" +
         HexCode(static_cast<std::uint32_t>(Result)) + "）");
    return;
  }
  if (!ports_.files.FileExists(VersionFile)) return Fetch(Step::Version, settings_.VersionUrl);
  std::string v;
  GetServerVersion(v);
  if (!ParseVersion(v)) {
    Fail("版本文件未列出有效版本（" + v.substr(0, 40) + "）");
    return DeleteDownload();
  }
  if (!IsNewerVersion(v, settings_.AppVersion)) return DeleteDownload();
  if (!SelfChecked) {
    SelfChecked = true;
    if (!CanReplaceSelf()) return DeleteDownload();
  }
  if (!ports_.files.FileExists(UpdateInfoFile)) return Fetch(Step::Notes, settings_.UpdateInfoUrl);

  if (SetupFile.empty()) {
    settings_.SetupUrl = Replaced(settings_.SetupUrl, '*', v);
    SetupFile = SetupFileFor(DownloadFolder, v);
    SetupVersion = v;
  } else if (IsNewerVersion(v, SetupVersion)) {
    // The address stays that of the first newer version: its file could never reach v.
    return Fail("本次运行已下载 " + SetupVersion + "，服务器又列出 " + v);
  }
  if (!ports_.files.FileExists(SetupFile)) return Fetch(Step::Setup, settings_.SetupUrl);

  const std::string w = ports_.files.GetFileVersion(SetupFile);
  if (IsNewerVersion(v, w)) {
    ports_.files.RemoveFile(SetupFile);
    if (Fetches[static_cast<std::size_t>(Step::Setup)] >= kMaxFetches) {
      return Fail("新版本程序的版本 " + w + " 低于 " + v);
    }
    // The wait leaves the user interface running.
    ports_.retryTimer.Start(kRefetchDelayMs, [this] { Fetch(Step::Setup, settings_.SetupUrl); });
    return;
  }
  const Signature candidate = ports_.signatures.Inspect(SetupFile);
  if (!IsTrustedReplacement(Running, candidate)) {
    ports_.files.RemoveFile(SetupFile);
    return Fail("新版本程序的签名不是 " + Running.subject + "（" + Running.issuer + "）的有效签名");
  }
  if (TakeCopy(v)) DeleteSelf();
}

bool TUpdateCheck::TakeCopy(const std::string& version) {
  NewFile = owner_.ExecutablePath() + ".new";
  try {
    HeldCopy = ports_.files.CopyAndHold(SetupFile, NewFile);
  } catch (const std::exception& e) {
    ports_.files.RemoveFile(NewFile);
    Fail(std::string("无法把新版本程序复制到程序目录：") + e.what());
    return false;
  }
  // The download may change at any time; the held copy cannot. It is what the script installs,
  // so it is what is checked.
  if (IsNewerVersion(version, ports_.files.GetFileVersion(NewFile)) ||
      !IsTrustedReplacement(Running, ports_.signatures.Inspect(NewFile))) {
    DropCopy();
    Fail("程序目录中的新版本程序不是检查过的程序：" + NewFile);
    return false;
  }
  return true;
}

void TUpdateCheck::DropCopy() {
  HeldCopy.reset();
  if (!NewFile.empty() && ports_.files.FileExists(NewFile)) ports_.files.RemoveFile(NewFile);
}

void TUpdateCheck::GetServerVersion(std::string& version) {
  version = ListedVersion(SplitLines(ports_.files.ReadText(VersionFile, kMaxVersionFileBytes).value_or("")));
}

void TUpdateCheck::DeleteDownload() {
  for (const std::string* file : {&SetupFile, &VersionFile, &UpdateInfoFile}) {
    if (!file->empty() && ports_.files.FileExists(*file)) ports_.files.RemoveFile(*file);
  }
  // Natively: the folder's path never reaches a command line.
  if (!ports_.files.RemoveTree(DownloadFolder)) Log("删除下载目录失败：" + DownloadFolder);
}

std::vector<std::string> TUpdateCheck::LoadUpdateInfo() {
  return SplitLines(ports_.files.ReadText(UpdateInfoFile, kMaxNotesBytes).value_or(""));
}

void TUpdateCheck::SetUpdateChoice(bool accepted) { UpdateAccepted = accepted; }

}  // namespace zel
