#include "tests/wine/support/SystemHandles.h"

#include <algorithm>
#include <vector>

namespace zel::winetest {

std::map<int, HandleType> SystemHandles(DWORD pid) {
  struct Entry {
    ULONG owner;
    BYTE type;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
  };
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return {};
  std::vector<char> buffer(1 << 20);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    // SystemHandleInformation
    const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) {
      const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
      const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
      std::map<int, HandleType> byType;
      for (ULONG i = 0; i < count; ++i) {
        if (entries[i].owner != pid) continue;
        ++byType[entries[i].type].count;
        byType[entries[i].type].sample = entries[i].value;
      }
      return byType;
    }
    buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
  }
  return {};
}

long SystemHandleCount(DWORD pid) {
  long total = 0;
  for (const auto& [type, handles] : SystemHandles(pid)) total += handles.count;
  return total;
}

}  // namespace zel::winetest
