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
    : G(globals), P(ports), Owner(owner) {
  P.IEDownload1.SetOnComplete([this](DownloadResult result) { IEDownload1Complete(result); });
}

TUpdateCheck::~TUpdateCheck() {
  P.IEDownload1.SetOnComplete(nullptr);
  P.retryTimer.Stop();
}

std::string TUpdateCheck::TempDir() { return WithTrailingBackslash(P.files.TempPath()); }

void TUpdateCheck::DownNewVersion() {
  if (G.UpdateStarted) return;
  G.UpdateStarted = true;
  DownloadFolder = TempDir() + DownloadDirName() + "\\";
  if (!P.files.DirectoryExists(DownloadFolder)) P.files.MakeDirectory(DownloadFolder);
  UpdateInfoFile = DownloadFolder + "updateInfo.txt";
  if (P.files.FileExists(UpdateInfoFile)) P.files.RemoveFile(UpdateInfoFile);
  VersionFile = DownloadFolder + "version.txt";
  if (P.files.FileExists(VersionFile)) P.files.RemoveFile(VersionFile);
  VersionFetches = 0;
  SetupFetches = 0;
  SelfChecked = false;
  Fetch(Step::Version, G.VersionUrl);
}

void TUpdateCheck::Fetch(Step step, const std::string& url) {
  Pending = step;
  if (step == Step::Version) ++VersionFetches;
  if (step == Step::Setup) ++SetupFetches;
  try {
    P.IEDownload1.Start(url, DownloadFolder);
  } catch (const std::exception& e) {
    Fail(std::string("无法开始下载") + StepName(step) + "：" + e.what());
  }
}

bool TUpdateCheck::CanReplaceSelf() {
  const std::string exe = Owner.ExecutablePath();
  Running = P.signatures.Inspect(exe);
  if (Running.state != SignatureState::Valid) {
    Fail("升级需要已签名的程序");
    return false;
  }
  // The script could not put the new program there: it would be fetched and offered in vain.
  const std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
  if (!P.files.CanCreateFileIn(folder)) {
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
  if (!P.files.FileExists(VersionFile)) {
    if (VersionFetches >= kMaxFetches) return Fail("下载后仍无版本文件");
    return Fetch(Step::Version, G.VersionUrl);
  }
  std::string v;
  GetServerVersion(v);
  if (!ParseVersion(v)) {
    Fail("版本文件未列出有效版本（" + v.substr(0, 40) + "）");
    return DeleteDownload();
  }
  if (!IsNewerVersion(v, G.AppVersion)) return DeleteDownload();
  if (!SelfChecked) {
    SelfChecked = true;
    if (!CanReplaceSelf()) return DeleteDownload();
  }
  if (!P.files.FileExists(UpdateInfoFile)) return Fetch(Step::Notes, G.UpdateInfoUrl);

  if (SetupFile.empty()) {
    G.SetupUrl = Replaced(G.SetupUrl, '*', v);
    SetupFile = SetupFileFor(DownloadFolder, v);
    SetupVersion = v;
  } else if (IsNewerVersion(v, SetupVersion)) {
    // The address stays that of the first newer version: its file could never reach v.
    return Fail("本次运行已下载 " + SetupVersion + "，服务器又列出 " + v);
  }
  if (!P.files.FileExists(SetupFile)) return Fetch(Step::Setup, G.SetupUrl);

  const std::string w = P.files.FileVersion(SetupFile);
  if (IsNewerVersion(v, w)) {
    P.files.RemoveFile(SetupFile);
    if (SetupFetches >= kMaxFetches) return Fail("新版本程序的版本 " + w + " 低于 " + v);
    // The wait leaves the user interface running.
    P.retryTimer.Start(kRefetchDelayMs, [this] { Fetch(Step::Setup, G.SetupUrl); });
    return;
  }
  const Signature candidate = P.signatures.Inspect(SetupFile);
  if (!IsTrustedReplacement(Running, candidate)) {
    P.files.RemoveFile(SetupFile);
    return Fail("新版本程序的签名不是 " + Running.subject + "（" + Running.issuer + "）的有效签名");
  }
  DeleteSelf();
}

void TUpdateCheck::GetServerVersion(std::string& version) {
  version = ListedVersion(SplitLines(P.files.ReadText(VersionFile).value_or("")));
}

void TUpdateCheck::DeleteDownload() {
  for (const std::string* file : {&SetupFile, &VersionFile, &UpdateInfoFile}) {
    if (!file->empty() && P.files.FileExists(*file)) P.files.RemoveFile(*file);
  }
  if (!P.files.DirectoryExists(DownloadFolder) || P.files.RemoveEmptyDirectory(DownloadFolder)) {
    return;
  }
  try {
    P.processes.StartHidden("cmd /c rd /s /q \"" + DownloadFolder + "\"");
  } catch (const std::exception& e) {
    Log(std::string("删除下载目录失败：") + e.what());
  }
}

std::vector<std::string> TUpdateCheck::LoadUpdateInfo() {
  return SplitLines(P.files.ReadText(UpdateInfoFile).value_or(""));
}

void TUpdateCheck::SetUpdateChoice(bool accepted) { UpdateAccepted = accepted; }

}  // namespace zel
