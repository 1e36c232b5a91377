#pragma once
// The start-up reachability check of the three service pages, run on its own thread.
#include <atomic>
#include <string>

#include "shell/Ports.h"

namespace zel {

class TThreadNetConnCheck {
 public:
  TThreadNetConnCheck(IConnectivity& connectivity, std::atomic<int>& state, std::string narrowUrl,
                      std::string miniUrl, std::string wideUrl);
  // The thread body. Never throws: it is a thread entry.
  void Execute() noexcept;

 private:
  IConnectivity& connectivity_;
  std::atomic<int>& state_;
  std::string narrowUrl_, miniUrl_, wideUrl_;
};

}  // namespace zel
