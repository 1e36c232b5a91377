#include "bridge/win32/MiniInputWindow.h"

#include "app/Errors.h"

namespace zel::win32 {

namespace {

// The one mini window of the process, for the message loop's keystrokes.
MiniInputWindow* g_miniInput = nullptr;

}  // namespace

MiniInputWindow::MiniInputWindow(HWND owner, TGlobals& globals, IMiniInputOwner& miniOwner,
                                 ISinkFactory& sinks, IClock& clock, IMonitors& monitors)
    : window_(owner, {0, 0, globals.MiniWidth, globals.MiniHeight}),
      browser_(window_.Hwnd(), /*allowContextMenu=*/false),
      timer1_(window_.Hwnd(), MiniInputForm::kTimer1Id, kMiniTimerIntervalMs),
      timer2_(window_.Hwnd(), MiniInputForm::kTimer2Id, kMiniTimerIntervalMs),
      reloadTimer_(window_.Hwnd(), MiniInputForm::kReloadTimerId, kReloadSpacingMs),
      form_(globals, miniOwner,
            {window_, browser_, timer1_, timer2_, reloadTimer_, sinks, clock, monitors}) {
  window_.SetClientResizeHandler([this](int width, int height) { browser_.Resize(width, height); });
  window_.SetDpiChangeHandler([this](int dpi) { browser_.SetDpi(dpi); });
  window_.Attach(&form_);
  g_miniInput = this;
  Guarded([this] { form_.FormCreate(); });
}

MiniInputWindow::~MiniInputWindow() {
  if (g_miniInput == this) g_miniInput = nullptr;
  form_.FormDestroy();
  window_.Attach(nullptr);
  window_.SetClientResizeHandler(nullptr);
  window_.SetDpiChangeHandler(nullptr);
}

std::unique_ptr<IMiniInputWindow> CreateMiniInputWindow(HWND owner, TGlobals& globals,
                                                        IMiniInputOwner& miniOwner,
                                                        ISinkFactory& sinks, IClock& clock,
                                                        IMonitors& monitors) {
  return std::make_unique<MiniInputWindow>(owner, globals, miniOwner, sinks, clock, monitors);
}

bool TranslateMiniInputAccelerator(MSG& message) {
  return g_miniInput != nullptr && g_miniInput->Browser().TranslateAccelerator(message);
}

}  // namespace zel::win32
