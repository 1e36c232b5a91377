#include "bridge/win32/MiniInputWindow.h"

#include "app/Errors.h"

namespace zel::win32 {

MiniInputWindow::MiniInputWindow(HWND owner, TGlobals& globals, IMiniInputOwner& miniOwner,
                                 ISinkFactory& sinks, IClock& clock, IMonitors& monitors,
                                 IToolLauncher& tools)
    : window_(owner, {0, 0, globals.MiniWidth, globals.MiniHeight}),
      browser_(window_.Hwnd(), /*allowContextMenu=*/false),
      timer1_(window_.Hwnd(), MiniInputForm::kTimer1Id, kMiniTimerIntervalMs),
      timer2_(window_.Hwnd(), MiniInputForm::kTimer2Id, kMiniTimerIntervalMs),
      reloadTimer_(window_.Hwnd(), MiniInputForm::kReloadTimerId, kReloadSpacingMs),
      form_(globals, miniOwner,
            {window_, browser_, timer1_, timer2_, reloadTimer_, sinks, clock, monitors, tools}) {
  window_.SetClientResizeHandler([this](int width, int height) { browser_.Resize(width, height); });
  window_.SetDpiChangeHandler([this](int dpi) { browser_.SetDpi(dpi); });
  window_.Attach(&form_);
  Guarded([this] { form_.FormCreate(); });
}

MiniInputWindow::~MiniInputWindow() {
  form_.FormDestroy();
  window_.Attach(nullptr);
  window_.SetClientResizeHandler(nullptr);
  window_.SetDpiChangeHandler(nullptr);
}

}  // namespace zel::win32
