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

struct ProcessPlace {
  // The program's full path; it is not looked for along any search path.
  std::string program;
  // The new process's current folder.
  std::string folder;
  // Made a child of the shell's process (the desktop's owner), so that it is not in this
  // program's tree: ending that tree does not end it. A child of this process when the
  // shell's process cannot be had.
  bool outsideOwnTree = false;
};

// The same, for a program named by its full path and started in a folder of its own.
UniqueProcessInformation StartProcess(const std::string& commandLine, WORD show,
                                      DWORD creationFlags, const ProcessPlace& place);

}  // namespace zel::win32
