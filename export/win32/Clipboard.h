#pragma once
// The system clipboard: Unicode text for the pastes, and all of its formats kept aside.
#include <windows.h>

#include <optional>
#include <string>

#include "export/SpreadsheetLink.h"

namespace zel::win32 {

class Win32Clipboard final : public IClipboard {
 public:
  // owner: the window that opens the clipboard to empty or read it (may be nullptr).
  // Text is always handed over by a short-lived hidden window of this object's own: with no
  // owner the system refuses the data, and under Wine every program that opens the clipboard
  // asks the owner's thread first and waits up to two seconds for it, which a thread blocked in
  // a DDE transaction with that very program cannot answer.
  explicit Win32Clipboard(HWND owner = nullptr);

  void SetClipboardText(const std::string& text) override;
  void Empty() override;
  std::optional<std::string> Text() override;
  ClipboardContents Contents() override;
  void SetContents(const ClipboardContents& contents) override;

 private:
  HWND owner_;
};

}  // namespace zel::win32
