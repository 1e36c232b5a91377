#pragma once
// The main thread's message loop: while the application's hook is installed, each message
// goes through the listener's AppMessageHook before it is dispatched.
#include <functional>

#include "shell/WindowEvents.h"
#include "shell/win32/ApplicationWindow.h"

namespace zel::win32 {

// Gives an embedded control the first look at a keystroke (Tab, clipboard keys in page fields);
// true when it took the message.
using AcceleratorFilter = std::function<bool(MSG&)>;

// Runs until WM_QUIT, or until the application was asked to terminate (a nested loop may have
// taken the WM_QUIT); returns the exit code. hook may be null (no hook then).
int RunMessageLoop(const ApplicationWindow& application, IMessageLoopEvents* hook,
                   const AcceleratorFilter& accelerators = {});

}  // namespace zel::win32
