#pragma once
// The one way this program starts another: CreateProcessW of a command line.
#include <windows.h>

#include <string>

#include "app/win32/Owners.h"

namespace zel::win32 {

// Starts the command line (UTF-8) with its first window shown as `show` (SW_*), with the
// creation flags given. Throws Win32Error naming CreateProcessW when it cannot.
UniqueProcessInformation StartProcess(const std::string& commandLine, WORD show,
                                      DWORD creationFlags = 0);

}  // namespace zel::win32
