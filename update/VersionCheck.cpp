// The update's methods of the main window: delegates to its update check, and what the check
// needs of the window.
#include "shell/Main.h"

namespace zel {

void TfrmMain::DownNewVersion() { Update.DownNewVersion(); }

void TfrmMain::IEDownload1Complete(DownloadResult Result) { Update.IEDownload1Complete(Result); }

void TfrmMain::GetServerVersion(std::string& version) { Update.GetServerVersion(version); }

void TfrmMain::DeleteDownload() { Update.DeleteDownload(); }

std::vector<std::string> TfrmMain::LoadUpdateInfo() { return Update.LoadUpdateInfo(); }

void TfrmMain::SetUpdateChoice(bool accepted) { Update.SetUpdateChoice(accepted); }

void TfrmMain::DeleteSelf() { Update.DeleteSelf(); }

void TfrmMain::SetOwnerTopMost(bool topMost) { P.window.SetTopMost(topMost); }

std::string TfrmMain::ExecutablePath() { return P.application.ExecutablePath(); }

}  // namespace zel
