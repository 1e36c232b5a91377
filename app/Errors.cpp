#include "app/Errors.h"

#include <exception>
#include <mutex>
#include <utility>

#include "app/Global.h"

namespace zel {

namespace {
// Held while a report runs, so that replacing the reporter waits for a report in flight on
// another thread (the connectivity check) and no report reaches a reporter's owner after it
// went. Recursive: a reporter may itself report.
std::recursive_mutex gReporterLock;
ExceptionReporter& Reporter() {
  static ExceptionReporter reporter;
  return reporter;
}

std::string CurrentMessage() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}
}  // namespace

void SetExceptionReporter(ExceptionReporter reporter) {
  std::lock_guard<std::recursive_mutex> guard(gReporterLock);
  Reporter() = std::move(reporter);
}

void ReportCurrentException() noexcept {
  try {
    const std::string message = CurrentMessage();
    std::lock_guard<std::recursive_mutex> guard(gReporterLock);
    if (Reporter()) {
      Reporter()(message);
    } else {
      Log("系统异常：" + message);
    }
  } catch (...) {
    // Reporting itself failed; there is nowhere left to tell.
  }
}

}  // namespace zel
