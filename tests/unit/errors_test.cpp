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

}  // namespace
}  // namespace zel
