#pragma once
// The main thread's message loop: while the application's hook is installed, each message
// goes through the main window's AppMessageHook before it is dispatched.
#include "shell/win32/ApplicationWindow.h"

namespace zel::win32 {

// Runs until WM_QUIT; returns its exit code. form may be null (no hook then).
int RunMessageLoop(const ApplicationWindow& application, TfrmMain* form);

}  // namespace zel::win32
