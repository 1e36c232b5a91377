#pragma once
// Lends the clipboard to a paste sequence and gives the user's contents back afterwards.
#include <string>

#include "export/SpreadsheetLink.h"

namespace zel {

class ClipboardKeeper {
 public:
  explicit ClipboardKeeper(IClipboard& clipboard) : clipboard_(clipboard) {}
  ClipboardKeeper(const ClipboardKeeper&) = delete;
  ClipboardKeeper& operator=(const ClipboardKeeper&) = delete;
  // Restores, unless Restore or Clear ran already.
  ~ClipboardKeeper();

  // Empties the clipboard and puts the text on it. The first call first saves what the
  // clipboard held. Throws SpreadsheetError.
  void Put(const std::string& text);

  // Puts the saved contents back, or leaves the clipboard empty when it held nothing. Nothing
  // happens unless Put was called. A failure is logged: the paste it served has been done.
  void Restore() noexcept;
  // Leaves the clipboard empty, for a server that may still carry out a late "[PASTE]": it
  // must not find the user's text there.
  void Clear() noexcept;

 private:
  IClipboard& clipboard_;
  ClipboardContents saved_;
  bool lent_ = false;
};

}  // namespace zel
