#include "tests/standin/browser/View.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include <cwchar>

#include "app/win32/Win32Util.h"
#include "tests/standin/browser/Peer.h"

namespace zel::standin {

namespace {
constexpr UINT kFireQueued = WM_APP + 100;
constexpr UINT_PTR kLaterTimer = 1;
constexpr int kFirstItemId = 100;
}  // namespace

View::View(IViewOwner& owner, HWND parent, const RECT& area)
    : owner_(owner), font_(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT))) {
  CreateParams params;
  params.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
  params.parent = parent;
  params.x = area.left;
  params.y = area.top;
  params.width = area.right - area.left;
  params.height = area.bottom - area.top;
  params.background = ::GetSysColorBrush(COLOR_BTNFACE);
  Create(kViewClass, params);
  header_ = Child(L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kHeaderLineId);
  status_ = Child(L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kStatusLineId);
  Layout();
}

View::~View() {
  Clear();
  Destroy();
}

HWND View::Child(const wchar_t* className, const std::wstring& text, DWORD style, int id) {
  const HWND child = ::CreateWindowExW(
      0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, Handle(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  if (child == nullptr) win32::ThrowLastError("CreateWindowExW");
  ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return child;
}

void View::Clear() {
  for (Item& item : items_) {
    item.element->ShowIn(nullptr);
    item.element->ShowAsControl(nullptr);
    ::RemovePropW(item.window, kHandlersProperty);
    ::DestroyWindow(item.window);
    if (item.label != nullptr) ::DestroyWindow(item.label);
  }
  items_.clear();
  lastField_ = nullptr;
}

void View::Show(const Document& document) {
  Clear();
  const Markup& page = document.Content();
  ::SetWindowTextW(header_, (win32::Widen(page.title) + L"  " + document.Url()).c_str());
  ::SetWindowTextW(status_, L"");
  int id = kFirstItemId;
  for (const ComPtr<Element>& element : document.Elements()) {
    const MarkupElement& source = element->Source();
    const std::wstring tag = L"[" + win32::Widen(source.id) + L"]";
    Item item{nullptr, nullptr, element};
    if (source.kind == ElementKind::Button) {
      const std::wstring caption = win32::Widen(source.caption);
      item.window = Child(L"BUTTON", caption.empty() ? tag : caption + L" " + tag,
                          WS_TABSTOP | BS_PUSHBUTTON, id++);
      element->ShowAsControl(item.window);
    } else if (source.kind == ElementKind::Edit) {
      item.label = Child(L"STATIC", tag, SS_NOPREFIX | SS_CENTERIMAGE, id++);
      const DWORD readOnly = source.Attribute("readonly") ? ES_READONLY : 0;
      item.window = Child(L"EDIT", win32::Widen(source.Attribute("value").value_or("")),
                          WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | readOnly, id++);
      element->ShowIn(item.window);
    } else {
      continue;
    }
    ::SetWindowSubclass(item.window, &View::ControlProc, 0, reinterpret_cast<DWORD_PTR>(this));
    items_.push_back(item);
  }
  Layout();
}

int View::TextWidth(const std::wstring& text) const {
  const HDC dc = ::GetDC(Handle());
  const HGDIOBJ old = ::SelectObject(dc, font_);
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(Handle(), dc);
  return size.cx;
}

// Left to right, wrapping at the window's edge; the address on top and the status line at the
// bottom when there is room for them. The mini window (60 pixels high) gets three tight rows and
// the status line after the last control.
void View::Layout() {
  RECT area{};
  ::GetClientRect(Handle(), &area);
  const int width = area.right, height = area.bottom;
  const bool tight = height < 100;
  const int margin = tight ? 1 : 8, gap = tight ? 2 : 6, row = tight ? 18 : 24;
  const int fieldWidth = tight ? 90 : 150;
  int x = margin, y = margin;
  const bool roomy = height >= 200;
  ::ShowWindow(header_, roomy ? SW_SHOW : SW_HIDE);
  if (roomy) {
    ::MoveWindow(header_, margin, y, width - 2 * margin, 18, TRUE);
    y += 18 + gap;
  }
  const auto place = [&](HWND window, int w) {
    if (x + w > width - margin && x > margin) {
      x = margin;
      y += row + gap;
    }
    ::MoveWindow(window, x, y, w, row, TRUE);
    x += w + gap;
  };
  for (const Item& item : items_) {
    wchar_t text[256] = {};
    if (item.label != nullptr) {
      ::GetWindowTextW(item.label, text, 256);
      place(item.label, TextWidth(text) + 2);
      place(item.window, fieldWidth);
    } else {
      ::GetWindowTextW(item.window, text, 256);
      place(item.window, TextWidth(text) + (tight ? 8 : 20));
    }
  }
  if (tight) {
    ::MoveWindow(status_, x, y, width - x - margin, row, TRUE);
  } else {
    const int top = roomy ? height - margin - 18 : y + row + gap;
    ::MoveWindow(status_, margin, top, width - 2 * margin, 18, TRUE);
  }
}

void View::SetStatus(const std::wstring& text) { ::SetWindowTextW(status_, text.c_str()); }

std::wstring View::SelectedText() const {
  if (lastField_ == nullptr) return {};
  DWORD start = 0, end = 0;
  ::SendMessageW(lastField_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(lastField_)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(lastField_, text.data(), static_cast<int>(text.size()))));
  return end > start && end <= text.size() ? text.substr(start, end - start) : std::wstring();
}

bool View::EditCommand(DWORD command) {
  if (lastField_ == nullptr) return false;
  ::SendMessageW(lastField_, command == OLECMDID_COPY ? WM_COPY : WM_PASTE, 0, 0);
  return true;
}

void View::Post(UINT message, WPARAM number) { ::PostMessageW(Handle(), message, number, 0); }

void View::PostLater(UINT message, WPARAM number, UINT delayMs) {
  laterMessage_ = message;
  laterNumber_ = number;
  ::SetTimer(Handle(), kLaterTimer, delayMs, nullptr);
}

void View::CancelLater() { ::KillTimer(Handle(), kLaterTimer); }

void View::MoveFocus(bool backwards) {
  std::vector<HWND> stops;
  for (const Item& item : items_) {
    if (item.window != nullptr && ::IsWindowVisible(item.window)) stops.push_back(item.window);
  }
  if (stops.empty()) return;
  const HWND focus = ::GetFocus();
  std::size_t at = stops.size();
  for (std::size_t i = 0; i < stops.size(); ++i) {
    if (stops[i] == focus) at = i;
  }
  std::size_t next = 0;
  if (at == stops.size()) {
    next = backwards ? stops.size() - 1 : 0;
  } else {
    next = backwards ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
  }
  ::SetFocus(stops[next]);
}

const View::Item* View::ItemOf(HWND window) const {
  for (const Item& item : items_) {
    if (item.window == window) return &item;
  }
  return nullptr;
}

void View::Queue(const ComPtr<Element>& element, ElementEvent event, long button) {
  queued_.push_back({element, event, button});
  ::PostMessageW(Handle(), kFireQueued, 0, 0);
}

void View::FireQueued() {
  if (queued_.empty()) return;
  const auto [element, event, button] = queued_.front();
  queued_.pop_front();
  element->Fire(event, button);
  // The handler did not cancel the default action (the program's never does): a link is
  // followed after it, as in a browser.
  const MarkupElement& source = element->Source();
  if (event == ElementEvent::Click && source.tag == "a") {
    owner_.OnLinkFollowed(source.Attribute("href").value_or(""),
                          source.Attribute("target").value_or(""));
  }
  // The page's own script opening a window: window.open('address').
  const std::string script = source.Attribute("onclick").value_or("");
  const std::size_t call = script.find("window.open(");
  if (event == ElementEvent::Click && call != std::string::npos) {
    const std::size_t open = call + 12;
    const char quote = open < script.size() ? script[open] : '\0';
    const std::size_t close = quote == '\'' || quote == '"' ? script.find(quote, open + 1)
                                                            : std::string::npos;
    if (close != std::string::npos) {
      owner_.OnLinkFollowed(script.substr(open + 1, close - open - 1), "_blank");
    }
  }
}

LRESULT CALLBACK View::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR, DWORD_PTR data) {
  auto* view = reinterpret_cast<View*>(data);
  const Item* item = view->ItemOf(window);
  switch (message) {
    case WM_LBUTTONDOWN:
      // A drag area: the handler starts the system's move loop while the button is still down.
      if (item != nullptr && item->element->Handles(ElementEvent::MouseDown)) {
        view->Queue(item->element, ElementEvent::MouseDown, 1);
        return 0;
      }
      break;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // MSHTML raises onmousedown for every button; the right one still brings the menu.
      if (item != nullptr && item->element->Handles(ElementEvent::MouseDown)) {
        view->Queue(item->element, ElementEvent::MouseDown, message == WM_RBUTTONDOWN ? 2 : 4);
      }
      break;
    case WM_KEYUP: {
      const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
      if (item != nullptr) view->Queue(item->element, ElementEvent::KeyUp);
      return result;
    }
    case WM_SETFOCUS:
      view->owner_.OnActivated();
      break;
    case WM_CONTEXTMENU:
      // A page field offers no menu of its own: the browser's host decides.
      return ::SendMessageW(view->Handle(), message, wParam, lParam);
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(window, &View::ControlProc, 0);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

UINT View::DropFileMessage() {
  static const UINT message = ::RegisterWindowMessageW(kDropFileMessage);
  return message;
}

UINT View::FollowLinkMessage() {
  static const UINT message = ::RegisterWindowMessageW(kFollowLinkMessage);
  return message;
}

// Explorer drops only on a window that accepts files, and hands it a DROPFILES block in
// movable global memory with WM_DROPFILES. The block is made here: under Wine a global handle
// of another process names no memory of this one.
void View::DropFromExplorer(ATOM name) {
  wchar_t path[MAX_PATH] = {};
  if (::GlobalGetAtomNameW(name, path, MAX_PATH) == 0) return;
  if ((::GetWindowLongPtrW(Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) == 0) return;
  const std::size_t length = ::wcslen(path);
  const SIZE_T size = sizeof(DROPFILES) + (length + 2) * sizeof(wchar_t);  // a double NUL ends
  const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (block == nullptr) return;
  auto* drop = static_cast<DROPFILES*>(::GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  ::GetCursorPos(&drop->pt);
  ::wmemcpy(reinterpret_cast<wchar_t*>(drop + 1), path, length);
  ::GlobalUnlock(block);
  if (!::PostMessageW(Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0)) {
    ::GlobalFree(block);
  }
}

LRESULT View::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(wParam);
      wchar_t path[MAX_PATH] = {};
      const bool named = ::DragQueryFileW(drop, 0, path, MAX_PATH) != 0;
      ::DragFinish(drop);
      if (named) owner_.OnFileDropped(path);
      return 0;
    }
    case WM_LBUTTONDOWN:
      // A click between the page's controls still goes into the page.
      ::SetFocus(Handle());
      owner_.OnActivated();
      return 0;
    case WM_COMMAND: {
      const HWND control = reinterpret_cast<HWND>(lParam);
      const Item* item = ItemOf(control);
      if (item == nullptr) return 0;
      if (HIWORD(wParam) == BN_CLICKED) Queue(item->element, ElementEvent::Click);
      if (HIWORD(wParam) == EN_SETFOCUS) lastField_ = control;
      return 0;
    }
    case WM_CONTEXTMENU: {
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (lParam == -1) ::GetCursorPos(&at);
      owner_.OnContextMenu(at);
      return 0;
    }
    case WM_TIMER:
      if (wParam != kLaterTimer) break;
      CancelLater();
      owner_.OnPosted(laterMessage_, laterNumber_);
      return 0;
    case kFireQueued:
      FireQueued();
      return 0;
    default:
      if (message == DropFileMessage()) {
        DropFromExplorer(static_cast<ATOM>(wParam));
        return 0;
      }
      if (message == FollowLinkMessage()) {
        wchar_t address[MAX_PATH] = {};
        if (::GlobalGetAtomNameW(static_cast<ATOM>(wParam), address, MAX_PATH) != 0) {
          owner_.OnLinkFollowed(win32::Narrow(address), "");
        }
        return 0;
      }
      if (message >= WM_APP && message < kFireQueued) {
        owner_.OnPosted(message, wParam);
        return 0;
      }
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace zel::standin
