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

}  // namespace

ClipboardKeeper::~ClipboardKeeper() { Restore(); }

void ClipboardKeeper::Put(const std::string& text) {
  if (!lent_) {
    saved_ = clipboard_.Contents();
    lent_ = true;
  }
  clipboard_.Empty();
  clipboard_.SetText(text);
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
