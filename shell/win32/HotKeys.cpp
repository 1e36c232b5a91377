#include "shell/win32/HotKeys.h"

#include "app/win32/Win32Util.h"

namespace zel::win32 {

HotKeys::~HotKeys() {
  for (const ATOM atom : atoms_) ::GlobalDeleteAtom(atom);
}

int HotKeys::AddGlobalAtom(const std::string& name) {
  const ATOM atom = ZEL_CHECK_LAST_ERROR(::GlobalAddAtomW(Widen(name).c_str()));
  atoms_.push_back(atom);
  return atom;
}

void HotKeys::Register(int id, int virtualKey) {
  ZEL_CHECK_LAST_ERROR(::RegisterHotKey(window_, id, 0, static_cast<UINT>(virtualKey)));
  held_.insert(id);
}

void HotKeys::Unregister(int id) {
  // Only what this window holds is released: the same key may belong to another program.
  if (held_.erase(id) == 0) return;
  ZEL_THROW_LAST_ERROR_IF(!::UnregisterHotKey(window_, id) &&
                          ::GetLastError() != ERROR_HOTKEY_NOT_REGISTERED);
}

}  // namespace zel::win32
