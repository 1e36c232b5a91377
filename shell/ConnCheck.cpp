#include "shell/ConnCheck.h"

#include <memory>
#include <utility>

#include "app/Errors.h"

namespace zel {

TThreadNetConnCheck::TThreadNetConnCheck(IConnectivity& connectivity, std::atomic<int>& state,
                                         std::string narrowUrl, std::string miniUrl,
                                         std::string wideUrl)
    : connectivity_(connectivity),
      state_(state),
      narrowUrl_(std::move(narrowUrl)),
      miniUrl_(std::move(miniUrl)),
      wideUrl_(std::move(wideUrl)) {}

void TThreadNetConnCheck::Execute() noexcept {
  Guarded([this] {
    // Only the wide page decides: a narrow or mini failure is logged but does not end the
    // program by itself, whichever timer tick happens to fall between the checks.
    if (!connectivity_.CheckConnection(narrowUrl_)) Log("竖版连接失败");
    if (!connectivity_.CheckConnection(miniUrl_)) Log("Mini连接失败");
    if (connectivity_.CheckConnection(wideUrl_)) {
      state_ = 1;
    } else {
      Log("横版连接失败");
      state_ = -1;
    }
  });
}

TStartupCheck::TStartupCheck(TGlobals& settings, TStartupCheckPorts ports,
                             std::function<void()> appClose)
    : settings_(settings), ports_(ports), appClose_(std::move(appClose)) {}

void TStartupCheck::StartConnectivityCheck() {
  // The thread takes copies: it must not read settings the main thread may change. Its state
  // lives as long as the process: nobody waits for the thread.
  auto check = std::make_shared<TThreadNetConnCheck>(ports_.connectivity, settings_.NetConnState,
                                                     settings_.IndexZbUrl, settings_.MiniIndexUrl,
                                                     settings_.IndexUrl);
  ports_.threads.Start([check] { check->Execute(); });
}

void TStartupCheck::Timer1Timer() {
  switch (settings_.NetConnState.load()) {
    case -1:
      ports_.Timer1.SetEnabled(false);
      ShowErrorMsg(kConnectFailedMessage);
      appClose_();
      break;
    case 1:
      ports_.Timer1.SetEnabled(false);
      break;
    default:
      break;
  }
}

void TStartupCheck::ShowErrorMsg(const std::string& text) { ports_.dialogs.ShowError(text); }

}  // namespace zel
