#include "shell/win32/HotKeys.h"

#include "app/win32/Win32Util.h"

namespace zel::win32 {

HotKeys::~HotKeys() {
  for (const ATOM atom : atoms_) ::GlobalDeleteAtom(atom);
}

int HotKeys::AddGlobalAtom(const std::string& name) {
  const ATOM atom = ::GlobalAddAtomW(Widen(name).c_str());
  if (atom == 0) ThrowLastError("GlobalAddAtomW");
  atoms_.push_back(atom);
  return atom;
}

void HotKeys::Register(int id, int virtualKey) {
  if (!::RegisterHotKey(window_, id, 0, static_cast<UINT>(virtualKey))) {
    ThrowLastError("RegisterHotKey");
  }
  held_.insert(id);
}

void HotKeys::Unregister(int id) {
  // Only what this window holds is released: the same key may belong to another program.
  if (held_.erase(id) == 0) return;
  if (!::UnregisterHotKey(window_, id) && ::GetLastError() != ERROR_HOTKEY_NOT_REGISTERED) {
    ThrowLastError("UnregisterHotKey");
  }
}

}  // namespace zel::win32
