#pragma once
// The one handler of exceptions that reach a boundary (window procedure, COM method, thread
// entry, sink). It logs them; nothing crosses into the system.
#include <cstdint>
#include <functional>
#include <string>

namespace zel {

// A call as typed at a failure site and where: the checks capture it themselves
// (ZEL_CALL_SITE, and the ZEL_THROW_* / ZEL_CHECK_* macros of app/win32/Win32Util.h).
struct CallSite {
  const char* call;
  const char* file;
  int line;
};
#define ZEL_CALL_SITE(call) (::zel::CallSite{#call, __FILE__, __LINE__})

// A system code as the log shows it: "0x80070005".
std::string HexCode(std::uint32_t code);
// The one text of a failed call: "CreateFileW failed (0x00000005)".
std::string FailureText(const std::string& call, std::uint32_t code);
// The same for a captured call, named by its function and followed by its place:
// "CreateProcessW failed (0x00000002) at ProcessLauncher.cpp:30".
std::string FailureText(const CallSite& site, std::uint32_t code);

using ExceptionReporter = std::function<void(const std::string& message)>;

// Replaces the handler; the default writes "系统异常：" + message to the log. Waits for a
// report that runs meanwhile on another thread, so the old handler is not called after this.
void SetExceptionReporter(ExceptionReporter reporter);

// The application's exception hook for as long as it lives: what reaches the message loop, a
// COM entry or a window procedure goes to onException, and afterwards to the log again.
class TApplicationEvents {
 public:
  explicit TApplicationEvents(ExceptionReporter onException);
  TApplicationEvents(const TApplicationEvents&) = delete;
  TApplicationEvents& operator=(const TApplicationEvents&) = delete;
  ~TApplicationEvents();
};

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
