#include "shell/win32/MessageLoop.h"

#include "app/Errors.h"
#include "app/win32/Win32Util.h"

namespace zel::win32 {

int RunMessageLoop(const ApplicationWindow& application, IMessageLoopEvents* hook,
                   const AcceleratorFilter& accelerators) {
  MSG msg{};
  for (;;) {
    BOOL got = 0;
    if (application.TerminateRequested()) {
      // The system's move loop ends on a WM_QUIT without passing it on: once the program is
      // closing, the loop ends when nothing is left to do, as it would on that WM_QUIT.
      if (!::PeekMessageW(&msg, nullptr, 0, 0,
                          PM_REMOVE | PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
        break;
      }
      got = msg.message == WM_QUIT ? 0 : 1;
    } else {
      got = ::GetMessageW(&msg, nullptr, 0, 0);
    }
    if (got == 0) break;
    if (got == -1) ThrowLastError("GetMessageW");
    if (hook != nullptr && application.MessageHookInstalled()) {
      Guarded([&] {
        unsigned message = msg.message;
        if (hook->AppMessageHook(reinterpret_cast<std::intptr_t>(msg.hwnd), message)) {
          msg.message = message;
        }
      });
    }
    bool taken = false;
    if (accelerators) Guarded([&] { taken = accelerators(msg); });
    if (taken) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}

}  // namespace zel::win32
