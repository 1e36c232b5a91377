#pragma once
// Lends the clipboard to a paste sequence and gives the user's contents back afterwards.
#include <string>
#include <vector>

#include "export/SpreadsheetLink.h"

namespace zel {

// A format the clipboard lists: its number and, for a registered one, its name.
struct ListedFormat {
  unsigned id = 0;
  std::string name;
};

// The formats, of those listed in the clipboard's order, whose data is kept aside and put back
// after a paste, so that the user can still paste what was copied. Only what the clipboard can
// be given back as it was: no GDI objects or private handles; no format the system makes again
// from one kept before it (ANSI and OEM text from Unicode text, one device-independent bitmap
// from the other); and none that stands for the copy live in the program that made it (its OLE
// data object, an embedding, a link to the copied cells), which ends when that program loses
// the clipboard. Every other format is data that stands on its own, and is kept.
std::vector<unsigned> FormatsToKeep(const std::vector<ListedFormat>& listed);

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
