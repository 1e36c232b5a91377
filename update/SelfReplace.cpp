// The self-replacement: the update dialog asks; on consent a script replaces the executable
// after the program has ended and starts the new one.
#include <exception>

#include "update/UpdateCheck.h"
#include "update/UpdateText.h"

namespace zel {

void TUpdateCheck::DeleteSelf() {
  // Out of the topmost band, so the dialog is not hidden behind a pinned window.
  Owner.SetOwnerTopMost(false);
  switch (P.frmUpdateInfo.ShowModal(LoadUpdateInfo())) {
    case UpdateAnswer::Accepted: SetUpdateChoice(true); break;
    case UpdateAnswer::Declined: SetUpdateChoice(false); break;
    case UpdateAnswer::Closed: break;
  }
  if (!UpdateAccepted) {
    if (G.IsTopMost) Owner.SetOwnerTopMost(true);
    return;
  }

  BatchFile = TempDir() + DownloadDirName() + ".bat";
  if (P.files.FileExists(BatchFile)) P.files.RemoveFile(BatchFile);
  const std::string exe = Owner.ExecutablePath();
  try {
    P.files.WriteScript(
        BatchFile, UpdateScriptLines({exe, SetupFile, UpdateInfoFile, DownloadFolder, BatchFile}));
  } catch (const std::exception& e) {
    Log(std::string("写升级脚本失败：") + e.what());
    return;
  }
  if (!P.files.FileExists(BatchFile)) return;
  try {
    P.processes.StartHidden("cmd /c \"\"" + BatchFile + "\"\"");
  } catch (const std::exception& e) {
    // Nothing would replace the program: it keeps running.
    Log(std::string("启动升级脚本失败：") + e.what());
    return;
  }
  Owner.AppClose();
}

}  // namespace zel
