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
    if (settings_.IsTopMost) owner_.SetOwnerTopMost(true);
    return;
  }

  BatchFile = TempDir() + DownloadDirName() + ".bat";
  if (ports_.files.FileExists(BatchFile)) ports_.files.RemoveFile(BatchFile);
  const std::string exe = owner_.ExecutablePath();
  try {
    ports_.files.WriteScript(
        BatchFile, UpdateScriptLines({exe, SetupFile, UpdateInfoFile, DownloadFolder, BatchFile}));
  } catch (const std::exception& e) {
    Log(std::string("写升级脚本失败：") + e.what());
    return;
  }
  if (!ports_.files.FileExists(BatchFile)) return;
  try {
    ports_.processes.StartHidden("cmd /c \"\"" + BatchFile + "\"\"");
  } catch (const std::exception& e) {
    // Nothing would replace the program: it keeps running.
    Log(std::string("启动升级脚本失败：") + e.what());
    return;
  }
  owner_.AppClose();
}

}  // namespace zel
