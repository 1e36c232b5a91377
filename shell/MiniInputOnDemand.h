#pragma once
// The mini input window, made when it is first shown: most runs never open it, and its page
// would cost a request to the service at every start.
#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>

#include "shell/Ports.h"

namespace zel {

class MiniInputOnDemand final : public IMiniInputWindow {
 public:
  using Factory = std::function<std::unique_ptr<IMiniInputWindow>()>;
  explicit MiniInputOnDemand(Factory make) : make_(std::move(make)) {}

  void Show() override { Made().Show(); }
  // Hiding or asking a window that was never made needs no window.
  void Hide() override {
    if (window_) window_->Hide();
  }
  bool OwnsWindow(std::intptr_t window) override { return window_ && window_->OwnsWindow(window); }

 private:
  IMiniInputWindow& Made() {
    if (!window_) {
      if (!make_) throw std::runtime_error("the mini input window cannot be made");
      window_ = make_();
    }
    return *window_;
  }

  Factory make_;
  std::unique_ptr<IMiniInputWindow> window_;
};

}  // namespace zel
