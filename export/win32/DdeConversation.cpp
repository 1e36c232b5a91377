#include "export/win32/DdeConversation.h"

#include <dde.h>

#include <algorithm>
#include <cwchar>
#include <set>

#include "app/win32/Owners.h"
#include "app/win32/ProcessLauncher.h"
#include "export/win32/MainWindows.h"

namespace zel::win32 {

namespace {

// WinExec waits until the started program looks for input; this bounds that wait.
constexpr int kStartIdleWaitMs = 10000;

HDDEDATA CALLBACK DdeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  // A client only: no advise links, nothing to answer.
  return nullptr;
}

// Wine's DDEML leaves the client window of a DdeConnect that found no server behind, one per
// attempt and for good: a day of Excel rows by automation (each tried by DDE first) piled up
// thousands. Windows' own DDEML has no window of this class.
constexpr wchar_t kWineClientClass[] = L"WineDdeClientW";

BOOL CALLBACK CollectWineClientWindow(HWND window, LPARAM found) {
  wchar_t name[32] = {};
  if (::GetClassNameW(window, name, ARRAYSIZE(name)) > 0 &&
      std::wcscmp(name, kWineClientClass) == 0) {
    reinterpret_cast<std::set<HWND>*>(found)->insert(window);
  }
  return TRUE;
}

// Only windows of that class: a handle may have been given to another window meanwhile.
void DestroyWineClientWindows(const std::set<HWND>& windows) {
  std::set<HWND> still;
  for (const HWND w : windows) CollectWineClientWindow(w, reinterpret_cast<LPARAM>(&still));
  for (const HWND w : still) ::DestroyWindow(w);
}

std::set<HWND> WineClientWindows() {
  std::set<HWND> found;
  ::EnumThreadWindows(::GetCurrentThreadId(), &CollectWineClientWindow,
                      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The process's one DDEML client instance, made on first use on the thread that uses DDE.
class DdeInstance {
 public:
  static DdeInstance& Get() {
    static DdeInstance instance;
    return instance;
  }
  static DWORD Id() { return Get().id_; }
  DdeInstance(const DdeInstance&) = delete;
  DdeInstance& operator=(const DdeInstance&) = delete;

  // Wine's DDEML keeps a conversation that the server ended (or that died with its server)
  // and refuses to let it go; while it is kept, connecting to that service again fails. Only
  // a new instance is rid of it, and even that leaves the conversation's window behind.
  void NoteStaleConversation(HWND window) {
    stale_ = true;
    if (window != nullptr) leftWindows_.insert(window);
  }
  void RenewIfStale() {
    if (!stale_) return;
    stale_ = false;
    Uninitialize();
    DestroyWineClientWindows(leftWindows_);
    leftWindows_.clear();
    Initialize();
  }

 private:
  DdeInstance() { Initialize(); }
  ~DdeInstance() { Uninitialize(); }
  void Initialize() {
    id_ = 0;
    if (::DdeInitializeW(&id_, &DdeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) id_ = 0;
  }
  void Uninitialize() {
    if (id_ != 0) ::DdeUninitialize(id_);
    id_ = 0;
  }
  std::set<HWND> leftWindows_;
  DWORD id_ = 0;
  bool stale_ = false;
};

DdeString MakeString(const std::string& text) { return DdeString(DdeInstance::Id(), Widen(text)); }

std::string DecodeText(HDDEDATA data, UINT format) {
  const DdeDataAccess access(data);
  const BYTE* bytes = access.data();
  const DWORD size = access.size();
  if (bytes == nullptr) return {};
  std::string text;
  if (format == CF_UNICODETEXT) {
    const auto* wide = reinterpret_cast<const wchar_t*>(bytes);
    std::size_t n = 0;
    while (n < size / sizeof(wchar_t) && wide[n] != L'\0') ++n;
    text = Narrow(wide, static_cast<int>(n));
  } else {
    std::size_t n = 0;
    while (n < size && bytes[n] != 0) ++n;
    text = FromAnsi(std::string(reinterpret_cast<const char*>(bytes), n));
  }
  return text;
}

// Errors after which the conversation cannot be trusted: the server is gone, or a late
// reply would be taken as the answer to the next transaction.
bool ConversationLost(UINT error) {
  return error == DMLERR_EXECACKTIMEOUT || error == DMLERR_DATAACKTIMEOUT ||
         error == DMLERR_SERVER_DIED || error == DMLERR_NO_CONV_ESTABLISHED ||
         error == DMLERR_POSTMSG_FAILED;
}

// Wine's DDEML servers (the shell's Program Manager among them) post an acknowledgement after
// every data reply that nothing asked for. Left queued, it would answer our next transaction
// and shift every later answer by one. With synchronous transactions nothing is outstanding
// between two of them, so any acknowledgement waiting then is such a stray one.
void DropStrayAcks(HCONV conv) {
  CONVINFO info{};
  info.cb = sizeof info;
  if (!::DdeQueryConvInfo(conv, QID_SYNC, &info) || info.hwnd == nullptr) return;
  MSG msg;
  while (::PeekMessageW(&msg, info.hwnd, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE)) {
    UINT_PTR status = 0;
    UINT_PTR item = 0;
    if (::UnpackDDElParam(WM_DDE_ACK, msg.lParam, &status, &item)) {
      ::FreeDDElParam(WM_DDE_ACK, msg.lParam);
      // The acknowledgement of a request carries the item's atom, which the receiver deletes.
      if (item >= MAXINTATOM && item <= 0xFFFF) ::GlobalDeleteAtom(static_cast<ATOM>(item));
    }
  }
}

HWND PartnerOf(HCONV conv) {
  CONVINFO info{};
  info.cb = sizeof info;
  return ::DdeQueryConvInfo(conv, QID_SYNC, &info) ? info.hwndPartner : nullptr;
}

// Waits out a server that answers busy (Excel while a cell is edited): TryAgain is true while
// it has been busy for less than kBusyPatienceMs and there is time left.
class BusyPatience {
 public:
  static constexpr DWORD kStepMs = 100;
  static bool Busy(DWORD status, UINT error) {
    return (status & DDE_FBUSY) != 0 || error == DMLERR_BUSY;
  }
  bool TryAgain(ULONGLONG end) {
    const ULONGLONG now = ::GetTickCount64();
    if (since_ == 0) since_ = now;
    if (now - since_ + kStepMs > static_cast<ULONGLONG>(kBusyPatienceMs) || now + kStepMs >= end) {
      return false;
    }
    ::Sleep(kStepMs);
    return true;
  }

 private:
  ULONGLONG since_ = 0;
};

}  // namespace

void EndConversationList(HCONVLIST list) { ::DdeDisconnectList(list); }

void EndConversation(HCONV conv) {
  CONVINFO info{};
  info.cb = sizeof info;
  const HWND window = ::DdeQueryConvInfo(conv, QID_SYNC, &info) ? info.hwnd : nullptr;
  if (!::DdeDisconnect(conv)) DdeInstance::Get().NoteStaleConversation(window);
}

Win32DdeConversation::Win32DdeConversation(std::string serviceApplication)
    : serviceApplication_(std::move(serviceApplication)) {}

void Win32DdeConversation::SetTarget(const std::string& service, const std::string& topic) {
  Disconnect();
  service_ = service;
  topic_ = topic;
}

bool Win32DdeConversation::Connect(int timeoutMs) {
  if (conv_) {
    CONVINFO info{};
    info.cb = sizeof info;
    if (::DdeQueryConvInfo(conv_.get(), QID_SYNC, &info) && (info.wStatus & ST_CONNECTED)) {
      return true;
    }
    // The server ended the conversation meanwhile.
    Disconnect();
  }
  DdeInstance::Get().RenewIfStale();
  if (DdeInstance::Id() == 0 || service_.empty() || topic_.empty()) return false;
  bool answered = false;
  if (TryConnect(answered)) return true;
  // A server that answered is running: only another instance than the one in front.
  if (answered || serviceApplication_.empty() || !StartServiceApplication(timeoutMs)) return false;
  return TryConnect(answered);
}

bool Win32DdeConversation::ConnectedTo(const std::string& service, const std::string& topic) {
  if (!conv_ || service != service_ || topic != topic_) return false;
  // The user may have brought another instance to the front since the last row.
  if (Front({conv_.get()}) != nullptr) return true;
  Disconnect();
  return false;
}

HCONV Win32DdeConversation::Front(const std::vector<HCONV>& made) const {
  std::vector<std::uint32_t> answered;
  for (const HCONV c : made) answered.push_back(ProcessOf(PartnerOf(c)));
  const auto front =
      FrontInstance(answered, ProcessesOf(MainWindowsTopFirst(MainWindowClassOf(service_).main)));
  return front ? made[*front] : nullptr;
}

bool Win32DdeConversation::TryConnect(bool& answered) {
  const DdeString service = MakeString(service_);
  const DdeString topic = MakeString(topic_);
  if (!service || !topic) return false;
  // Every instance that answers, so that the row goes to the one in front.
  list_.reset(::DdeConnectList(DdeInstance::Id(), service.get(), topic.get(), nullptr, nullptr));
  std::vector<HCONV> made;
  for (HCONV c = nullptr; list_ && (c = ::DdeQueryNextServer(list_.get(), c)) != nullptr;) {
    made.push_back(c);
  }
  if (made.empty()) {
    list_.reset();
    const std::set<HWND> before = WineClientWindows();
    conv_.reset(::DdeConnect(DdeInstance::Id(), service.get(), topic.get(), nullptr));
    if (!conv_) {
      std::set<HWND> left;
      for (const HWND w : WineClientWindows()) {
        if (before.count(w) == 0) left.insert(w);
      }
      DestroyWineClientWindows(left);
      return false;
    }
    answered = true;
    if (Front({conv_.get()}) == nullptr) conv_.reset();
    return static_cast<bool>(conv_);
  }
  answered = true;
  const HCONV front = Front(made);
  for (const HCONV c : made) {
    if (c != front) ::DdeDisconnect(c);
  }
  conv_.reset(front);
  if (!conv_) list_.reset();
  return static_cast<bool>(conv_);
}

bool Win32DdeConversation::StartServiceApplication(int timeoutMs) {
  UniqueProcessInformation process;
  try {
    process = StartProcess(serviceApplication_, SW_SHOWMINNOACTIVE);
  } catch (const Win32Error&) {
    // Not there to start: the connect simply fails, as it does for a server that is not running.
    return false;
  }
  ::WaitForInputIdle(process.Process(),
                     static_cast<DWORD>(std::clamp(timeoutMs, 0, kStartIdleWaitMs)));
  return true;
}

std::optional<std::string> Win32DdeConversation::RequestText(const std::string& item,
                                                             int timeoutMs) {
  if (!conv_) return std::nullopt;
  const DdeString itemName = MakeString(item);
  if (!itemName) return std::nullopt;
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(std::max(timeoutMs, 0));
  // Unicode first; a server that only knows the ANSI text refuses it and gets asked again. A
  // System topic is asked for the ANSI text first: Excel answers nothing else there.
  const bool system = ::lstrcmpiW(Widen(topic_).c_str(), L"System") == 0;
  const UINT order[2] = {system ? UINT{CF_TEXT} : UINT{CF_UNICODETEXT},
                         system ? UINT{CF_UNICODETEXT} : UINT{CF_TEXT}};
  BusyPatience patience;
  for (const UINT format : order) {
    for (;;) {
      const ULONGLONG now = ::GetTickCount64();
      if (now >= end) return std::nullopt;
      DropStrayAcks(conv_.get());
      DWORD status = 0;
      const UniqueDdeData data(::DdeClientTransaction(nullptr, 0, conv_.get(), itemName.get(),
                                                      format, XTYP_REQUEST,
                                                      static_cast<DWORD>(end - now), &status));
      if (data) {
        DropStrayAcks(conv_.get());
        return DecodeText(data.get(), format);
      }
      const UINT error = ::DdeGetLastError(DdeInstance::Id());
      if (ConversationLost(error)) {
        Disconnect();
        return std::nullopt;
      }
      if (!BusyPatience::Busy(status, error)) break;
      if (!patience.TryAgain(end)) throw SpreadsheetBusy("DDE request " + item + ": busy");
    }
  }
  return std::nullopt;
}

DdeOutcome Win32DdeConversation::ExecuteCommand(const std::string& command, int timeoutMs) {
  if (!conv_) return DdeOutcome::NotConnected;
  // A Unicode DDEML instance hands execute strings over as UTF-16 and converts them to ANSI
  // itself for a server whose window is not Unicode, as the DDE protocol asks.
  const std::wstring text = Widen(command);
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(std::max(timeoutMs, 1));
  BusyPatience patience;
  UINT error = DMLERR_NO_ERROR;
  for (;;) {
    DropStrayAcks(conv_.get());
    DWORD status = 0;
    const ULONGLONG now = ::GetTickCount64();
    const HDDEDATA done = ::DdeClientTransaction(
        reinterpret_cast<BYTE*>(const_cast<wchar_t*>(text.c_str())), bytes, conv_.get(), nullptr,
        0, XTYP_EXECUTE, static_cast<DWORD>(end > now ? end - now : 1), &status);
    // A synchronous execute answers TRUE, not a data handle: nothing to free.
    if (done != nullptr) {
      return (status & DDE_FACK) != 0 ? DdeOutcome::Accepted : DdeOutcome::Refused;
    }
    error = ::DdeGetLastError(DdeInstance::Id());
    if (!BusyPatience::Busy(status, error)) break;
    if (!patience.TryAgain(end)) throw SpreadsheetBusy(command + ": busy");
  }
  switch (error) {
    case DMLERR_BUSY:
    case DMLERR_NOTPROCESSED:
      return DdeOutcome::Refused;
    case DMLERR_EXECACKTIMEOUT:
      Disconnect();
      return DdeOutcome::TimedOut;
    default:
      if (ConversationLost(error)) Disconnect();
      return DdeOutcome::NotConnected;
  }
}

void Win32DdeConversation::Disconnect() {
  conv_.reset();
  list_.reset();
}

}  // namespace zel::win32
