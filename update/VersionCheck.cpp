// The update check. Started by the first complete service page and re-armed by the tray a day
// later; the download and replacement arrive with the updater.
#include "shell/Main.h"

namespace zel {

void TfrmMain::DownNewVersion() {
  if (G.UpdateStarted) return;
  G.UpdateStarted = true;
}

}  // namespace zel
