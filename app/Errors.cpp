#include "app/Errors.h"

#include <cctype>
#include <cstdio>
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
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// The function a call's text names: the first one typed as a system call ("::Name"), else the
// text before the first parenthesis. "OwnFileHandle(::CreateFileW(p))" -> "CreateFileW",
// "::SetTimer(w, 1) == 0" -> "SetTimer", "link->SetPath(p)" -> "link->SetPath".
std::string CalledName(const std::string& call) {
  for (auto at = call.find("::"); at != std::string::npos; at = call.find("::", at + 2)) {
    if (at > 0 && IsNameChar(call[at - 1])) continue;  // Scope::Name, not a system call
    auto end = at + 2;
    while (end < call.size() && IsNameChar(call[end])) ++end;
    if (end > at + 2) return call.substr(at + 2, end - at - 2);
  }
  const auto begin = call.find_first_not_of(" !");
  if (begin == std::string::npos) return call;
  const auto end = call.find_first_of("( ", begin);
  return call.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

std::string FileNameOf(const char* path) {
  const std::string text = path == nullptr ? "" : path;
  const auto slash = text.find_last_of("\\/");
  return slash == std::string::npos ? text : text.substr(slash + 1);
}
}  // namespace

std::string HexCode(std::uint32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

std::string FailureText(const std::string& call, std::uint32_t code) {
  return call + " failed (" + HexCode(code) + ")";
}

std::string FailureText(const CallSite& site, std::uint32_t code) {
  return FailureText(CalledName(site.call == nullptr ? "" : site.call), code) + " at " +
         FileNameOf(site.file) + ":" + std::to_string(site.line);
}

TApplicationEvents::TApplicationEvents(ExceptionReporter onException) {
  SetExceptionReporter(std::move(onException));
}

TApplicationEvents::~TApplicationEvents() { SetExceptionReporter(nullptr); }

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
