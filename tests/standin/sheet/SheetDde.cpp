#include "SheetDde.h"

#include <windows.h>

#include <dde.h>

#include <cstddef>
#include <cstring>
#include <deque>
#include <optional>

#include "app/win32/Win32Util.h"

namespace sheet {

using zel::win32::Narrow;
using zel::win32::ToAnsi;
using zel::win32::Widen;

namespace {
constexpr UINT kRetire = WM_APP + 1;
constexpr wchar_t kTopic[] = L"System";

std::wstring AtomText(ATOM atom) {
  wchar_t name[256];
  const UINT n = ::GlobalGetAtomNameW(atom, name, 256);
  return std::wstring(name, n);
}

bool SameName(ATOM atom, const std::wstring& name) {
  return atom == 0 || ::lstrcmpiW(AtomText(atom).c_str(), name.c_str()) == 0;
}
}  // namespace

class DdeConversationWindow final : public zel::win32::Window {
 public:
  DdeConversationWindow(DdeListener& listener, HWND client) : listener_(listener), client_(client) {
    CreateParams params;
    params.parent = HWND_MESSAGE;
    Create(L"ZelSheetDdeConversation", params);
  }
  // A server that closes ends its conversations.
  ~DdeConversationWindow() override {
    if (!terminated_) {
      ::PostMessageW(client_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(Handle()), 0);
    }
  }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_DDE_REQUEST:
        Request(LOWORD(lParam), static_cast<ATOM>(HIWORD(lParam)));
        return 0;
      case WM_DDE_EXECUTE:
        Execute(reinterpret_cast<HGLOBAL>(lParam));
        return 0;
      case WM_DDE_TERMINATE:
        terminated_ = true;
        ::PostMessageW(client_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(Handle()), 0);
        for (const auto& p : pending_) ::KillTimer(Handle(), p.timer);
        pending_.clear();
        listener_.Retire(this);
        return 0;
      case WM_TIMER:
        Delayed(static_cast<UINT_PTR>(wParam));
        return 0;
      default:
        return DefaultHandling(message, wParam, lParam);
    }
  }

 private:
  struct Pending {
    UINT_PTR timer;
    HGLOBAL commands;
    std::string text;
  };

  void Ack(WORD status, UINT_PTR value) {
    ::PostMessageW(client_, WM_DDE_ACK, reinterpret_cast<WPARAM>(Handle()),
                   ::PackDDElParam(WM_DDE_ACK, status, value));
  }

  void Request(UINT format, ATOM item) {
    if (Current().editing) {
      Ack(DDE_FBUSY, item);
      return;
    }
    const std::wstring name = AtomText(item);
    std::optional<std::string> reply;
    if (::lstrcmpiW(name.c_str(), L"SysItems") == 0) {
      reply = "SysItems\tTopics\tSelection\tStatus\tFormats";
    } else if (::lstrcmpiW(name.c_str(), L"Selection") == 0 && !Current().options.noSelection) {
      reply = SelectionText();
    }
    // Excel answers its System topic in CF_TEXT only, in the system code page.
    const bool excel = Current().options.role.rfind("excel", 0) == 0;
    if (reply && excel && format == CF_UNICODETEXT) {
      Current().grid.CountUnicodeRefused();
      reply.reset();
    }
    if (!reply || (format != CF_TEXT && format != CF_UNICODETEXT)) {
      Ack(0, item);
      return;
    }
    std::string bytes;
    if (format == CF_TEXT) {
      bytes = ToAnsi(*reply);
      bytes.push_back('\0');
    } else {
      const std::wstring wide = Widen(*reply);
      bytes.assign(reinterpret_cast<const char*>(wide.c_str()), (wide.size() + 1) * sizeof(wchar_t));
    }
    const HGLOBAL data =
        ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, offsetof(DDEDATA, Value) + bytes.size());
    auto* header = static_cast<DDEDATA*>(::GlobalLock(data));
    std::memset(header, 0, offsetof(DDEDATA, Value));
    header->fResponse = 1;
    header->fRelease = 1;
    header->cfFormat = static_cast<short>(format);
    std::memcpy(header->Value, bytes.data(), bytes.size());
    ::GlobalUnlock(data);
    if (!::PostMessageW(client_, WM_DDE_DATA, reinterpret_cast<WPARAM>(Handle()),
                        ::PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(data), item))) {
      ::GlobalFree(data);
    }
  }

  // Unicode only when both windows are Unicode, as the DDE protocol says.
  std::string CommandText(HGLOBAL commands) {
    const void* p = ::GlobalLock(commands);
    if (p == nullptr) return {};
    const SIZE_T size = ::GlobalSize(commands);
    std::string text;
    if (::IsWindowUnicode(client_) && ::IsWindowUnicode(Handle())) {
      const auto* wide = static_cast<const wchar_t*>(p);
      std::size_t n = 0;
      while (n < size / sizeof(wchar_t) && wide[n] != L'\0') ++n;
      text = Narrow(wide, static_cast<int>(n));
    } else {
      const auto* ansi = static_cast<const char*>(p);
      text = zel::win32::FromAnsi(std::string(ansi, strnlen(ansi, size)));
    }
    ::GlobalUnlock(commands);
    return text;
  }

  void Execute(HGLOBAL commands) {
    const Options& o = Current().options;
    if (Current().editing) {
      Ack(DDE_FBUSY, reinterpret_cast<UINT_PTR>(commands));
      return;
    }
    if (o.silent) return;
    std::string text = CommandText(commands);
    if (o.slowMs > 0) {
      const UINT_PTR timer = ++lastTimer_;
      pending_.push_back({timer, commands, std::move(text)});
      ::SetTimer(Handle(), timer, static_cast<UINT>(o.slowMs), nullptr);
      return;
    }
    Ack(CarryOut(text, Handle()) ? DDE_FACK : 0, reinterpret_cast<UINT_PTR>(commands));
  }

  void Delayed(UINT_PTR timer) {
    ::KillTimer(Handle(), timer);
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
      if (it->timer != timer) continue;
      const Pending p = *it;
      pending_.erase(it);
      Ack(CarryOut(p.text, Handle()) ? DDE_FACK : 0, reinterpret_cast<UINT_PTR>(p.commands));
      return;
    }
  }

  DdeListener& listener_;
  HWND client_;
  std::deque<Pending> pending_;
  UINT_PTR lastTimer_ = 0;
  bool terminated_ = false;
};

DdeListener::DdeListener(std::wstring service) : service_(std::move(service)) {
  CreateParams params;
  params.title = L"ZelSheet";
  Create(L"ZelSheetDdeListener", params);
}

DdeListener::~DdeListener() { conversations_.clear(); }

void DdeListener::Retire(DdeConversationWindow* conversation) {
  ::PostMessageW(Handle(), kRetire, 0, reinterpret_cast<LPARAM>(conversation));
}

LRESULT DdeListener::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DDE_INITIATE: {
      const HWND client = reinterpret_cast<HWND>(wParam);
      if (client == Handle() || service_.empty() || !SameName(LOWORD(lParam), service_) ||
          !SameName(HIWORD(lParam), kTopic)) {
        return 0;
      }
      auto conversation = std::make_unique<DdeConversationWindow>(*this, client);
      const HWND server = conversation->Handle();
      conversations_[conversation.get()] = std::move(conversation);
      // The client deletes these atoms.
      ::SendMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(server),
                     MAKELPARAM(::GlobalAddAtomW(service_.c_str()), ::GlobalAddAtomW(kTopic)));
      return 0;
    }
    case kRetire:
      conversations_.erase(reinterpret_cast<DdeConversationWindow*>(lParam));
      return 0;
    case WM_KEYDOWN:
      if (EndsEditing(message, wParam)) return 0;
      return DefaultHandling(message, wParam, lParam);
    case WM_CLOSE:
      ::DestroyWindow(Handle());
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return DefaultHandling(message, wParam, lParam);
  }
}

}  // namespace sheet
