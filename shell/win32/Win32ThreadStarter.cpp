#include "shell/win32/Win32ThreadStarter.h"

#include <thread>

#include "app/Errors.h"

namespace zel::win32 {

void Win32ThreadStarter::Start(std::function<void()> body) {
  std::thread([body = std::move(body)]() noexcept {
    try {
      if (body) body();
    } catch (...) {
      ReportCurrentException();
    }
  }).detach();
}

}  // namespace zel::win32
