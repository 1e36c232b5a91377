#include "bridge/DHTMLEvent.h"

#include "app/Errors.h"

namespace zel {

bool RunSinkHandler(const EventHandler& handler) noexcept {
  if (!handler) return false;
  Guarded([&] { handler(); });
  return true;
}

}  // namespace zel
