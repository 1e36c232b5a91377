// The re-binding of both pages when the browsers report a change of their command states.
#include "shell/Main.h"

namespace zel {

void TfrmMain::EmbeddedWB1CommandStateChange() {
  if (G.IsClosing) return;
  if (P.EmbeddedWB1.ReadyState() == 4 && P.EmbeddedWB2.ReadyState() == 4) {
    BindHtmlEvent();
    BindHtmlEvent2();
  }
}

void TfrmMain::EmbeddedWB2CommandStateChange() { EmbeddedWB1CommandStateChange(); }

}  // namespace zel
