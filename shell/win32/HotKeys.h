#pragma once
// System-wide hotkeys registered on one window; the atoms taken for their ids are given back
// when this object goes.
#include <windows.h>

#include <set>
#include <vector>

#include "shell/Ports.h"

namespace zel::win32 {

class HotKeys final : public IHotKeys {
 public:
  explicit HotKeys(HWND window) : window_(window) {}
  HotKeys(const HotKeys&) = delete;
  HotKeys& operator=(const HotKeys&) = delete;
  ~HotKeys() override;

  int AddGlobalAtom(const std::string& name) override;
  void Register(int id, int virtualKey) override;
  void Unregister(int id) override;

 private:
  HWND window_;
  std::vector<ATOM> atoms_;
  std::set<int> held_;
};

}  // namespace zel::win32
