#pragma once
// The DOM event sink: a page element's event property holds it, and its Invoke runs one native
// method. Sinks live as long as the process; reference counting never frees them.
#include <functional>

namespace zel {

using EventHandler = std::function<void()>;

class IEventSink {
 public:
  IEventSink() = default;
  IEventSink(const IEventSink&) = delete;
  IEventSink& operator=(const IEventSink&) = delete;
  virtual ~IEventSink() = default;
  // Sets the handler, replacing any earlier one.
  virtual void HookEventHandler(EventHandler handler) = 0;
};

// Runs a sink's handler as Invoke does: an exception never leaves, it goes to the program's
// one handler. Returns whether a handler was set.
bool RunSinkHandler(const EventHandler& handler) noexcept;

class ISinkFactory {
 public:
  ISinkFactory() = default;
  ISinkFactory(const ISinkFactory&) = delete;
  ISinkFactory& operator=(const ISinkFactory&) = delete;
  virtual ~ISinkFactory() = default;
  // The sink is owned by the factory's side and lives until the process ends.
  virtual IEventSink& CreateSink() = 0;
};

}  // namespace zel
