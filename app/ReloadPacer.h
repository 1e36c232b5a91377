#pragma once
// The pace of the reloads after a failed page load.
#include <cstdint>
#include <functional>

#include "app/Global.h"
#include "app/Platform.h"

namespace zel {

// A page that fails to load is reloaded at most this often.
inline constexpr int kReloadSpacingMs = 1000;

// Reloads a page at most once per kReloadSpacingMs: a request that comes sooner is carried out
// when the timer fires, so a service that is down is not hammered and the page still returns.
class ReloadPacer {
 public:
  // The timer ticks every kReloadSpacingMs while enabled; the pacer enables and disables it.
  ReloadPacer(IClock& clock, ITimer& timer, std::function<void()> reload);
  ReloadPacer(const ReloadPacer&) = delete;
  ReloadPacer& operator=(const ReloadPacer&) = delete;

  void Request();
  void TimerTick();

 private:
  void ReloadNow();

  IClock& clock_;
  ITimer& timer_;
  std::function<void()> reload_;
  bool reloaded_ = false;
  std::int64_t lastReload_ = 0;
};

}  // namespace zel
