// The self-replacement: the update dialog asks; on consent a script replaces the executable
// after the program has ended and starts the new one.
#include <exception>

#include "update/UpdateCheck.h"
#include "update/UpdateText.h"

namespace zel {

void TUpdateCheck::DeleteSelf() {
  // Out of the topmost band, so the dialog is not hidden behind a pinned window.
  owner_.SetOwnerTopMost(false);
  switch (ports_.frmUpdateInfo.ShowModal(LoadUpdateInfo())) {
    case UpdateAnswer::Accepted: SetUpdateChoice(true); break;
    case UpdateAnswer::Declined: SetUpdateChoice(false); break;
    case UpdateAnswer::Closed: break;
  }
  if (!UpdateAccepted) {
    DropCopy();
    if (settings_.IsTopMost) owner_.SetOwnerTopMost(true);
    return;
  }

  const std::string batchName = DownloadDirName() + ".bat";
  BatchFile = TempDir() + batchName;
  if (ports_.files.FileExists(BatchFile)) ports_.files.RemoveFile(BatchFile);
  const std::string exe = owner_.ExecutablePath();
  // A left-over would keep the old program from being renamed aside.
  RemoveReplacedProgram();
  std::string cmd;
  try {
    const std::string system = ports_.processes.SystemFolder();
    cmd = system + "\\cmd.exe";
    ports_.files.WriteScript(BatchFile, UpdateScriptLines({exe, system, batchName}));
  } catch (const std::exception& e) {
    // Such as a path that the console's code page cannot carry: nothing is replaced.
    DropCopy();
    Log(std::string("写升级脚本失败：") + e.what());
    return;
  }
  if (!ports_.files.FileExists(BatchFile)) return DropCopy();
  try {
    // cmd by its full path, without AutoRun, the script by its bare name in its own folder:
    // no path passes through cmd's expansion of "%" or "!".
    ports_.processes.StartHidden(cmd, "\"" + cmd + "\" /d /v:off /c .\\" + batchName, TempDir());
  } catch (const std::exception& e) {
    // Nothing would replace the program: it keeps running.
    DropCopy();
    Log(std::string("启动升级脚本失败：") + e.what());
    return;
  }
  // The copy in the program's folder is all the script needs; it stays held until the end.
  DeleteDownload();
  owner_.AppClose();
}

void TUpdateCheck::RemoveReplacedProgram() {
  const std::string old = owner_.ExecutablePath() + ".old";
  if (ports_.files.FileExists(old) && !ports_.files.RemoveFile(old)) {
    Log("无法删除升级留下的旧程序：" + old);
  }
}

}  // namespace zel
