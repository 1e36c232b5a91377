#include "app/Errors.h"

#include <exception>
#include <mutex>
#include <utility>

#include "app/Global.h"

namespace zel {

namespace {
std::mutex gReporterLock;
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
  std::lock_guard<std::mutex> guard(gReporterLock);
  Reporter() = std::move(reporter);
}

void ReportCurrentException() noexcept {
  try {
    const std::string message = CurrentMessage();
    ExceptionReporter reporter;
    {
      std::lock_guard<std::mutex> guard(gReporterLock);
      reporter = Reporter();
    }
    if (reporter) {
      reporter(message);
    } else {
      Log("系统异常：" + message);
    }
  } catch (...) {
    // Reporting itself failed; there is nowhere left to tell.
  }
}

}  // namespace zel
