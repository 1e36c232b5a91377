#include "export/ClipboardKeeper.h"

#include <exception>

#include "app/Global.h"

namespace zel {

namespace {

void LogClipboardFailure() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    Log(std::string("恢复剪贴板失败：") + e.what());
  } catch (...) {
    Log("恢复剪贴板失败");
  }
}

// The clipboard's own format numbers.
constexpr unsigned kText = 1, kBitmap = 2, kMetafilePict = 3, kOemText = 7, kDib = 8, kPalette = 9,
                   kUnicodeText = 13, kEnhMetafile = 14, kDibV5 = 17, kOwnerDisplay = 0x80,
                   kDspBitmap = 0x82, kDspMetafilePict = 0x83, kDspEnhMetafile = 0x8E,
                   kPrivateFirst = 0x200, kGdiObjLast = 0x3FF;

bool GdiOrPrivate(unsigned id) {
  switch (id) {
    case kBitmap: case kMetafilePict: case kPalette: case kEnhMetafile: case kOwnerDisplay:
    case kDspBitmap: case kDspMetafilePict: case kDspEnhMetafile:
      return true;
    default:
      return id >= kPrivateFirst && id <= kGdiObjLast;
  }
}

// Formats the system converts into one another; 0 for one it makes from no other.
int Family(unsigned id) {
  if (id == kText || id == kOemText || id == kUnicodeText) return 1;
  if (id == kDib || id == kDibV5) return 2;
  return 0;
}

// OLE's and DDE's formats of a live copy, Excel's among them.
bool StandsForTheLiveCopy(const std::string& name) {
  static const char* const kLive[] = {"DataObject",   "Ole Private Data",  "Embed Source",
                                      "Embedded Object", "Link Source",   "Link Source Descriptor",
                                      "Object Descriptor", "Native",      "OwnerLink",
                                      "ObjectLink",   "Link"};
  for (const char* live : kLive) {
    if (name == live) return true;
  }
  return false;
}

}  // namespace

std::vector<unsigned> FormatsToKeep(const std::vector<ListedFormat>& listed) {
  std::vector<unsigned> kept;
  bool familyKept[3] = {false, false, false};
  for (const ListedFormat& f : listed) {
    if (GdiOrPrivate(f.id) || StandsForTheLiveCopy(f.name)) continue;
    const int family = Family(f.id);
    if (family != 0 && familyKept[family]) continue;
    familyKept[family] = true;
    kept.push_back(f.id);
  }
  return kept;
}

ClipboardKeeper::~ClipboardKeeper() { Restore(); }

void ClipboardKeeper::Put(const std::string& text) {
  if (!lent_) {
    saved_ = clipboard_.Contents();
    lent_ = true;
  }
  clipboard_.Empty();
  clipboard_.SetClipboardText(text);
}

void ClipboardKeeper::Restore() noexcept {
  if (!lent_) return;
  lent_ = false;
  try {
    if (saved_.formats.empty()) {
      clipboard_.Empty();
    } else {
      clipboard_.SetContents(saved_);
    }
  } catch (...) {
    LogClipboardFailure();
  }
}

void ClipboardKeeper::Clear() noexcept {
  if (!lent_) return;
  lent_ = false;
  try {
    clipboard_.Empty();
  } catch (...) {
    LogClipboardFailure();
  }
}

}  // namespace zel
