#pragma once
// The one handler of exceptions that reach a boundary (window procedure, COM method, thread
// entry, sink). It logs them; nothing crosses into the system.
#include <functional>
#include <string>

namespace zel {

using ExceptionReporter = std::function<void(const std::string& message)>;

// Replaces the handler; the default writes "系统异常：" + message to the log. Waits for a
// report that runs meanwhile on another thread, so the old handler is not called after this.
void SetExceptionReporter(ExceptionReporter reporter);

// Call from inside a catch block: reports the exception in flight. Never throws.
void ReportCurrentException() noexcept;

// Runs the action; an exception is reported and swallowed. Returns false when one was.
template <typename Action>
bool Guarded(Action&& action) noexcept {
  try {
    action();
    return true;
  } catch (...) {
    ReportCurrentException();
    return false;
  }
}

}  // namespace zel
