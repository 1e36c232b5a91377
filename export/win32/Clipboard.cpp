#include "export/win32/Clipboard.h"

#include <cstring>

#include "app/win32/Win32Util.h"
#include "app/win32/Window.h"

namespace zel::win32 {

namespace {

// Another program may hold the clipboard for a moment (a clipboard viewer, the spreadsheet
// reading a paste): try again briefly before giving up.
constexpr int kOpenAttempts = 10;
constexpr DWORD kOpenRetryMs = 20;

// Open for the lifetime of this object.
class OpenClipboardScope {
 public:
  explicit OpenClipboardScope(HWND owner) {
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
      if (::OpenClipboard(owner)) {
        open_ = true;
        return;
      }
      ::Sleep(kOpenRetryMs);
    }
    throw SpreadsheetError("Cannot open clipboard");
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  ~OpenClipboardScope() {
    if (open_) ::CloseClipboard();
  }

 private:
  bool open_ = false;
};

// Owns the clipboard's content just long enough to hand it over; the content stays when the
// window goes.
class TransientOwner final : public Window {
 public:
  TransientOwner() {
    CreateParams params;
    params.parent = HWND_MESSAGE;
    params.x = params.y = params.width = params.height = 0;
    Create(L"ZelClipboardOwner", params);
  }
};

}  // namespace

Win32Clipboard::Win32Clipboard(HWND owner) : owner_(owner) {}

void Win32Clipboard::SetText(const std::string& text) {
  const std::wstring wide = Widen(text);
  const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
  UniqueHGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) throw SpreadsheetError("Clipboard: out of memory");
  void* target = ::GlobalLock(memory.get());
  if (target == nullptr) throw SpreadsheetError("Clipboard: GlobalLock failed");
  std::memcpy(target, wide.c_str(), bytes);
  ::GlobalUnlock(memory.get());

  const TransientOwner owner;
  const OpenClipboardScope open(owner.Handle());
  if (!::EmptyClipboard()) throw SpreadsheetError("Clipboard: EmptyClipboard failed");
  if (::SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) {
    throw SpreadsheetError("Clipboard: SetClipboardData failed");
  }
  // The system owns the block now.
  memory.release();
}

void Win32Clipboard::Empty() {
  const OpenClipboardScope open(owner_);
  if (!::EmptyClipboard()) throw SpreadsheetError("Clipboard: EmptyClipboard failed");
}

std::optional<std::string> Win32Clipboard::Text() {
  if (!::IsClipboardFormatAvailable(CF_UNICODETEXT)) return std::nullopt;
  const OpenClipboardScope open(owner_);
  const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  if (data == nullptr) return std::nullopt;
  const auto* wide = static_cast<const wchar_t*>(::GlobalLock(data));
  if (wide == nullptr) return std::nullopt;
  const std::size_t capacity = ::GlobalSize(data) / sizeof(wchar_t);
  std::size_t n = 0;
  while (n < capacity && wide[n] != L'\0') ++n;
  std::string text = Narrow(wide, static_cast<int>(n));
  ::GlobalUnlock(data);
  return text;
}

}  // namespace zel::win32
