#include "app/ReloadPacer.h"

#include <utility>

namespace zel {

ReloadPacer::ReloadPacer(IClock& clock, ITimer& timer, std::function<void()> reload)
    : clock_(clock), timer_(timer), reload_(std::move(reload)) {}

void ReloadPacer::Request() {
  if (timer_.Enabled()) return;  // one is due already
  const std::int64_t now = clock_.TickMs();
  if (!reloaded_ || now - lastReload_ >= kReloadSpacingMs) {
    ReloadNow();
  } else {
    timer_.SetEnabled(true);
  }
}

void ReloadPacer::TimerTick() {
  if (!timer_.Enabled()) return;
  timer_.SetEnabled(false);
  ReloadNow();
}

void ReloadPacer::ReloadNow() {
  // A reload that fails counts too: the next one still waits its turn.
  reloaded_ = true;
  lastReload_ = clock_.TickMs();
  reload_();
}

}  // namespace zel
