#pragma once
// Modal message boxes of the main window.
#include <windows.h>

#include "shell/Ports.h"

namespace zel::win32 {

class Dialogs final : public IDialogs {
 public:
  explicit Dialogs(HWND owner) : owner_(owner) {}

  void ShowError(const std::string& text) override;

 private:
  HWND owner_;
};

}  // namespace zel::win32
