// The one handler of exceptions at the boundaries.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/Errors.h"

namespace zel {
namespace {

// The connectivity thread may report while the main window goes: replacing the reporter must
// wait for that report, so it never reaches its owner afterwards.
TEST(ExceptionReporter, ReplacingItWaitsForAReportInFlight) {
  std::atomic<bool> entered{false}, done{false};
  SetExceptionReporter([&](const std::string&) {
    entered = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    done = true;
  });
  std::thread reporting([] {
    try {
      throw std::runtime_error("late");
    } catch (...) {
      ReportCurrentException();
    }
  });
  while (!entered) std::this_thread::yield();
  SetExceptionReporter(nullptr);
  EXPECT_TRUE(done);
  reporting.join();
}

// A failure names the function the site typed and the place, so a log line leads to the code.
TEST(FailureText, NamesTheCallAndItsPlace) {
  const int line = __LINE__ + 1;
  const CallSite site = ZEL_CALL_SITE(!::CreateProcessW(nullptr, line.data()));
  EXPECT_EQ(FailureText(site, 2),
            "CreateProcessW failed (0x00000002) at errors_test.cpp:" + std::to_string(line));
  const struct {
    const char* call;
    std::string name;
  } cases[] = {
      {"::SetTimer(window, 1, 10, nullptr) == 0", "SetTimer"},
      {"link->SetPath(path)", "link->SetPath"},
      {"OwnFileHandle(::CreateFileW(path, GENERIC_WRITE))", "CreateFileW"},
      {"!::UnregisterHotKey(w, 1) && ::GetLastError() != 1419", "UnregisterHotKey"},
      {"Scope::Make(1)", "Scope::Make"},
      {"OleInitialize(nullptr)", "OleInitialize"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FailureText(CallSite{c.call, "C:\\src\\app\\x.cpp", 7}, 0x80070005u),
              c.name + " failed (0x80070005) at x.cpp:7");
  }
}

}  // namespace
}  // namespace zel
