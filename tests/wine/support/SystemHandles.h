#pragma once
// A process's entries in the system's handle list by object type. Wine answers
// GetProcessHandleCount with 0, even for the calling process; this list it does fill.
#include <windows.h>

#include <map>

namespace zel::winetest {

struct HandleType {
  long count = 0;
  USHORT sample = 0;  // one handle value of that type in the process
};

// By the system's object type number; empty when the list cannot be read.
std::map<int, HandleType> SystemHandles(DWORD pid);
long SystemHandleCount(DWORD pid);

}  // namespace zel::winetest
