#include "shell/ConnCheck.h"

#include "app/Errors.h"
#include "app/Global.h"

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

}  // namespace zel
