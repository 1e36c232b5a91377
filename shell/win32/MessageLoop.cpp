#include "shell/win32/MessageLoop.h"

#include "app/Errors.h"
#include "app/win32/Win32Util.h"
#include "shell/Main.h"

namespace zel::win32 {

int RunMessageLoop(const ApplicationWindow& application, TfrmMain* form,
                   const AcceleratorFilter& accelerators) {
  MSG msg{};
  for (;;) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) break;
    if (got == -1) ThrowLastError("GetMessageW");
    if (form != nullptr && application.MessageHookInstalled()) {
      Guarded([&] {
        unsigned message = msg.message;
        if (form->AppMessageHook(reinterpret_cast<std::intptr_t>(msg.hwnd), message)) {
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
  return static_cast<int>(msg.wParam);
}

}  // namespace zel::win32
