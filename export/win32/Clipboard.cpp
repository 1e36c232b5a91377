#include "export/win32/Clipboard.h"

#include <cstring>
#include <vector>

#include "app/win32/Owners.h"
#include "app/win32/Win32Util.h"
#include "app/win32/Window.h"
#include "export/ClipboardKeeper.h"

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

UniqueHGlobal GlobalCopy(const void* bytes, SIZE_T size) {
  UniqueHGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, size == 0 ? 1 : size));
  if (!memory) throw SpreadsheetError("Clipboard: out of memory");
  const GlobalLocked<void, SpreadsheetError> target(memory.get());
  if (size > 0) std::memcpy(target.get(), bytes, size);
  return memory;
}

}  // namespace

Win32Clipboard::Win32Clipboard(HWND owner) : owner_(owner) {}

void Win32Clipboard::SetClipboardText(const std::string& text) {
  const std::wstring wide = Widen(text);
  const std::string bytes(reinterpret_cast<const char*>(wide.c_str()),
                          (wide.size() + 1) * sizeof(wchar_t));
  SetContents({{{CF_UNICODETEXT, bytes}}});
}

ClipboardContents Win32Clipboard::Contents() {
  ClipboardContents contents;
  const OpenClipboardScope open(owner_);
  std::vector<ListedFormat> listed;
  for (UINT format = ::EnumClipboardFormats(0); format != 0; format = ::EnumClipboardFormats(format)) {
    wchar_t name[256] = {};
    const int length = ::GetClipboardFormatNameW(format, name, ARRAYSIZE(name));
    listed.push_back({format, length > 0 ? Narrow(name, length) : std::string()});
  }
  // Asking for a format that the owner renders on request makes it render that one now: only
  // those worth keeping are asked for.
  for (const unsigned format : FormatsToKeep(listed)) {
    const HANDLE data = ::GetClipboardData(format);
    // A format that renders on request may give nothing, and a handle that is no global block
    // gives no size.
    if (data == nullptr || ::GlobalSize(data) == 0) continue;
    const GlobalLocked<const char, SpreadsheetError> bytes(data);
    contents.formats.emplace_back(format, std::string(bytes.get(), bytes.size()));
  }
  return contents;
}

void Win32Clipboard::SetContents(const ClipboardContents& contents) {
  std::vector<UniqueHGlobal> blocks;
  for (const auto& [format, bytes] : contents.formats) {
    blocks.push_back(GlobalCopy(bytes.data(), bytes.size()));
  }
  const TransientOwner owner;
  const OpenClipboardScope open(owner.Handle());
  ZEL_CHECK_LAST_ERROR_AS(SpreadsheetError, ::EmptyClipboard());
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    ZEL_CHECK_LAST_ERROR_AS(SpreadsheetError,
                            ::SetClipboardData(contents.formats[i].first, blocks[i].get()));
    // The system owns the block now.
    blocks[i].release();
  }
}

void Win32Clipboard::Empty() {
  const OpenClipboardScope open(owner_);
  ZEL_CHECK_LAST_ERROR_AS(SpreadsheetError, ::EmptyClipboard());
}

std::optional<std::string> Win32Clipboard::Text() {
  if (!::IsClipboardFormatAvailable(CF_UNICODETEXT)) return std::nullopt;
  const OpenClipboardScope open(owner_);
  const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  if (data == nullptr) return std::nullopt;
  const GlobalLocked<const wchar_t, SpreadsheetError> wide(data);
  const std::size_t capacity = wide.size() / sizeof(wchar_t);
  std::size_t n = 0;
  while (n < capacity && wide.get()[n] != L'\0') ++n;
  return Narrow(wide.get(), static_cast<int>(n));
}

}  // namespace zel::win32
