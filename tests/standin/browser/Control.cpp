#include "tests/standin/browser/Control.h"

#include <exdispid.h>
#include <mshtmhst.h>
#include <shellapi.h>

#include <deque>
#include <string>

#include "app/win32/Win32Util.h"
#include "tests/standin/browser/Http.h"
#include "tests/standin/browser/Peer.h"

namespace zel::standin {

namespace {

constexpr UINT kNavigationStep = WM_APP + 1;
constexpr UINT kStreamLoaded = WM_APP + 2;
constexpr UINT kNextLocation = WM_APP + 3;
constexpr UINT kRefreshStep = WM_APP + 4;
// The loading page counts to 100% in 50 steps of at least 10 ms before it moves on.
constexpr UINT kLoadingPageMs = 600;

// A link's target against the page's address: absolute, from the server's root, or beside it.
std::wstring Resolve(const std::wstring& base, const std::wstring& href) {
  if (href.find(L"://") != std::wstring::npos) return href;
  const std::size_t scheme = base.find(L"://");
  if (scheme == std::wstring::npos) return {};
  const std::size_t root = base.find(L'/', scheme + 3);
  if (href[0] == L'/') return base.substr(0, root) + href;
  if (root == std::wstring::npos) return base + L"/" + href;
  return base.substr(0, base.rfind(L'/') + 1) + href;
}

// The object a frame's events name as pDisp: a window of its own, not the control.
class Frame final : public ComObject<IDispatch> {
 public:
  STUB_DISPATCH

 private:
  void* Find(REFIID riid) override {
    return Is(riid, IID_IUnknown) || Is(riid, IID_IDispatch) ? static_cast<IDispatch*>(this)
                                                              : nullptr;
  }
};

long KeptZoom() {
  DWORD factor = 0;
  DWORD size = sizeof factor;
  if (::RegGetValueW(HKEY_CURRENT_USER, kZoomKey, kZoomValue, RRF_RT_REG_DWORD, nullptr, &factor,
                     &size) != ERROR_SUCCESS || factor == 0) {
    return 100;
  }
  return static_cast<long>(factor / 1000);
}

void KeepZoom(long percent) {
  const DWORD factor = static_cast<DWORD>(percent) * 1000;
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kZoomKey, kZoomValue, REG_DWORD, &factor, sizeof factor);
}

}  // namespace

// Event arguments in declared order, handed over last first as IDispatch::Invoke expects; the
// values behind by-reference arguments live as long as the list.
class EventArgs {
 public:
  EventArgs() = default;
  EventArgs(const EventArgs&) = delete;
  EventArgs& operator=(const EventArgs&) = delete;
  ~EventArgs() {
    for (VARIANT& value : values_) ::VariantClear(&value);
  }

  EventArgs& Object(IDispatch* object) {
    VARIANT& arg = Add(VT_DISPATCH);
    arg.pdispVal = object;  // borrowed for the call
    return *this;
  }
  EventArgs& Text(const std::wstring& text) {
    VARIANT& value = Keep(VT_BSTR);
    value.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return ByRef(value);
  }
  EventArgs& Number(long number) {
    VARIANT& value = Keep(VT_I4);
    value.lVal = number;
    return ByRef(value);
  }
  EventArgs& Nothing() { return ByRef(Keep(VT_EMPTY)); }
  EventArgs& Flag(VARIANT_BOOL* flag) {
    VARIANT& arg = Add(VT_BYREF | VT_BOOL);
    arg.pboolVal = flag;
    return *this;
  }
  EventArgs& Long(long number) {
    Add(VT_I4).lVal = number;
    return *this;
  }
  EventArgs& ObjectOut(IDispatch** slot) {
    Add(VT_BYREF | VT_DISPATCH).ppdispVal = slot;
    return *this;
  }
  EventArgs& Bool(bool value) {
    Add(VT_BOOL).boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return *this;
  }
  DISPPARAMS Params() {
    reversed_.assign(args_.rbegin(), args_.rend());
    return {reversed_.data(), nullptr, static_cast<UINT>(reversed_.size()), 0};
  }

 private:
  VARIANT& Add(VARTYPE type) {
    VARIANT arg;
    ::VariantInit(&arg);
    arg.vt = type;
    args_.push_back(arg);
    return args_.back();
  }
  VARIANT& Keep(VARTYPE type) {
    values_.emplace_back();
    ::VariantInit(&values_.back());
    values_.back().vt = type;
    return values_.back();
  }
  EventArgs& ByRef(VARIANT& value) {
    Add(VT_BYREF | VT_VARIANT).pvarVal = &value;
    return *this;
  }

  std::deque<VARIANT> values_;
  std::vector<VARIANT> args_;
  std::vector<VARIANT> reversed_;
};

Control::Control() : zoom_(KeptZoom()) {}

Control::~Control() { Close(OLECLOSE_NOSAVE); }

void* Control::Find(REFIID riid) {
  if (Is(riid, IID_IUnknown) || Is(riid, IID_IDispatch) || Is(riid, IID_IWebBrowser) ||
      Is(riid, IID_IWebBrowserApp) || Is(riid, IID_IWebBrowser2)) {
    return static_cast<IWebBrowser2*>(this);
  }
  if (Is(riid, IID_IOleObject)) return static_cast<IOleObject*>(this);
  if (Is(riid, IID_IOleWindow) || Is(riid, IID_IOleInPlaceObject)) {
    return static_cast<IOleInPlaceObject*>(this);
  }
  if (Is(riid, IID_IOleInPlaceActiveObject)) return static_cast<IOleInPlaceActiveObject*>(this);
  if (Is(riid, IID_IConnectionPointContainer)) {
    return static_cast<IConnectionPointContainer*>(this);
  }
  return nullptr;
}

// ---- Navigation

void Control::StartNavigation(const std::wstring& url, const std::wstring& headers) {
  request_ = {url, headers};
  ++navigation_;
  if (view_) {
    view_->CancelLater();
    view_->Post(kNavigationStep, navigation_);
  }
}

HRESULT Control::Raise(DISPID id, EventArgs& args) {
  const ComPtr<IDispatch> sink = events_.sink;
  if (!sink) return S_OK;
  DISPPARAMS params = args.Params();
  return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                      nullptr, nullptr);
}

// BeforeNavigate2, CommandStateChange, then NavigateComplete2 and DocumentComplete, or
// NavigateError with the HTTP status (or the failure when nothing answered). Each handler may
// start another navigation or stop this one: the rest of this one is then dropped.
void Control::RunNavigation(unsigned number) {
  const ComPtr<Control> keep(this);
  const Request request = request_;
  IDispatch* self = static_cast<IWebBrowser2*>(this);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  {
    EventArgs args;
    args.Object(self).Text(request.url).Number(0).Text(L"").Nothing().Text(request.headers);
    Raise(DISPID_BEFORENAVIGATE2, args.Flag(&cancel));
  }
  if (number != navigation_ || cancel != VARIANT_FALSE) return;
  ready_ = READYSTATE_LOADING;
  location_ = request.url;
  {
    EventArgs args;
    Raise(DISPID_DOWNLOADBEGIN, args);
  }
  if (number != navigation_) return;
  {
    EventArgs args;
    Raise(DISPID_COMMANDSTATECHANGE, args.Long(CSC_UPDATECOMMANDS).Bool(true));
  }
  if (number != navigation_) return;

  HttpAnswer answer;
  if (request.url.rfind(L"about:", 0) == 0) {
    answer.status = 200;
  } else {
    answer = HttpGet(request.url, request.headers);
  }
  if (answer.failure != S_OK || answer.status >= 400) {
    // The page shown stays; what follows is the host's to decide.
    ready_ = document_ ? READYSTATE_COMPLETE : READYSTATE_UNINITIALIZED;
    if (document_) location_ = document_->Url();
    VARIANT_BOOL cancelError = VARIANT_FALSE;
    EventArgs args;
    args.Object(self).Text(request.url).Text(L"");
    args.Number(answer.failure != S_OK ? answer.failure : answer.status);
    Raise(DISPID_NAVIGATEERROR, args.Flag(&cancelError));
    if (number != navigation_) return;
    EventArgs done;
    Raise(DISPID_DOWNLOADCOMPLETE, done);
    return;
  }

  ShowDocument(Make<Document>(static_cast<IPageHost&>(*this), request.url,
                              ReadMarkup(answer.body)));
  ready_ = READYSTATE_INTERACTIVE;
  if (history_.empty() || history_.back() != request.url) history_.push_back(request.url);
  {
    EventArgs args;
    Raise(DISPID_NAVIGATECOMPLETE2, args.Object(self).Text(request.url));
  }
  if (number != navigation_) return;
  {
    EventArgs args;
    Raise(DISPID_DOWNLOADCOMPLETE, args);
  }
  if (number != navigation_ || !LoadFrames(number)) return;
  ready_ = READYSTATE_COMPLETE;
  {
    EventArgs args;
    Raise(DISPID_DOCUMENTCOMPLETE, args.Object(self).Text(request.url));
  }
  if (number == navigation_) ScheduleNextLocation();
}

bool Control::LoadFrames(unsigned number) {
  frames_.clear();
  if (!document_) return true;
  const std::vector<std::string> sources = document_->Content().frames;
  const std::wstring base = document_->Url();
  for (const std::string& source : sources) {
    const std::wstring url = Resolve(base, win32::Widen(source));
    if (url.empty()) continue;
    const ComPtr<IDispatch> frame = Make<Frame>();
    frames_.push_back(frame);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    {
      EventArgs args;
      args.Object(frame.Get()).Text(url).Number(0).Text(L"").Nothing().Text(L"");
      Raise(DISPID_BEFORENAVIGATE2, args.Flag(&cancel));
    }
    if (number != navigation_) return false;
    if (cancel != VARIANT_FALSE) continue;
    const HttpAnswer answer = HttpGet(url, L"");
    if (answer.failure != S_OK || answer.status >= 400) {
      VARIANT_BOOL cancelError = VARIANT_FALSE;
      EventArgs args;
      args.Object(frame.Get()).Text(url).Text(L"");
      args.Number(answer.failure != S_OK ? answer.failure : answer.status);
      Raise(DISPID_NAVIGATEERROR, args.Flag(&cancelError));
      if (number != navigation_) return false;
      continue;
    }
    {
      EventArgs args;
      Raise(DISPID_NAVIGATECOMPLETE2, args.Object(frame.Get()).Text(url));
    }
    if (number != navigation_) return false;
    {
      EventArgs args;
      Raise(DISPID_DOCUMENTCOMPLETE, args.Object(frame.Get()).Text(url));
    }
    if (number != navigation_) return false;
  }
  return true;
}

void Control::StartRefresh() {
  if (!document_) return;
  ++navigation_;
  if (view_) {
    view_->CancelLater();
    view_->Post(kRefreshStep, navigation_);
  }
}

// DownloadBegin, CommandStateChange, the page fetched again into a new document (its frames
// load as in a navigation), then DownloadComplete with ReadyState complete. A page that cannot
// be fetched stays, and NavigateError comes before DownloadComplete.
void Control::RunRefresh(unsigned number) {
  if (!document_) return;
  const ComPtr<Control> keep(this);
  IDispatch* self = static_cast<IWebBrowser2*>(this);
  const std::wstring url = document_->Url();
  {
    EventArgs args;
    Raise(DISPID_DOWNLOADBEGIN, args);
  }
  if (number != navigation_) return;
  ready_ = READYSTATE_LOADING;
  {
    EventArgs args;
    Raise(DISPID_COMMANDSTATECHANGE, args.Long(CSC_UPDATECOMMANDS).Bool(true));
  }
  if (number != navigation_ || !document_) return;
  Markup markup = document_->Content();
  HttpAnswer answer;
  if (url.rfind(L"about:", 0) == 0) {
    answer.status = 200;  // a page written into the blank page is made again from its text
  } else {
    answer = HttpGet(url, L"");
    if (answer.failure == S_OK && answer.status < 400) markup = ReadMarkup(answer.body);
  }
  if (answer.failure != S_OK || answer.status >= 400) {
    ready_ = READYSTATE_COMPLETE;
    VARIANT_BOOL cancelError = VARIANT_FALSE;
    EventArgs args;
    args.Object(self).Text(url).Text(L"");
    args.Number(answer.failure != S_OK ? answer.failure : answer.status);
    Raise(DISPID_NAVIGATEERROR, args.Flag(&cancelError));
  } else {
    ShowDocument(Make<Document>(static_cast<IPageHost&>(*this), url, markup));
    ready_ = READYSTATE_INTERACTIVE;
    if (!LoadFrames(number)) return;
    ready_ = READYSTATE_COMPLETE;
  }
  if (number != navigation_) return;
  EventArgs args;
  Raise(DISPID_DOWNLOADCOMPLETE, args);
}

HRESULT Control::Refresh() {
  StartRefresh();
  return S_OK;
}

HRESULT Control::Refresh2(VARIANT*) { return Refresh(); }

void Control::ShowDocument(ComPtr<Document> document) {
  if (document_) document_->Detach();
  document_ = std::move(document);
  if (view_) view_->Show(*document_.Get());
}

void Control::DocumentLoaded() {
  ready_ = READYSTATE_LOADING;
  if (view_) view_->Post(kStreamLoaded, navigation_);
}

// The document replaced its content from a stream: shown and completed like a page.
void Control::CompleteStreamLoad() {
  if (!document_) return;
  const ComPtr<Control> keep(this);
  location_ = document_->Url();
  if (view_) view_->Show(*document_.Get());
  ready_ = READYSTATE_COMPLETE;
  const unsigned number = navigation_;
  {
    EventArgs args;
    Raise(DISPID_DOCUMENTCOMPLETE, args.Object(static_cast<IWebBrowser2*>(this)).Text(location_));
  }
  if (number == navigation_) ScheduleNextLocation();
}

// The loading page's script moves on to the service page by itself.
void Control::ScheduleNextLocation() {
  if (view_ && document_ && !document_->Content().nextLocation.empty()) {
    view_->PostLater(kNextLocation, navigation_, kLoadingPageMs);
  }
}

void Control::OnPosted(UINT message, WPARAM number) {
  switch (message) {
    case kNavigationStep: RunNavigation(static_cast<unsigned>(number)); break;
    case kStreamLoaded: CompleteStreamLoad(); break;
    case kRefreshStep:
      if (number == navigation_) RunRefresh(static_cast<unsigned>(number));
      break;
    case kNextLocation:
      if (number == navigation_ && document_) {
        StartNavigation(win32::Widen(document_->Content().nextLocation), L"");
      }
      break;
    default: break;
  }
}

void Control::OnLinkFollowed(const std::string& href, const std::string& target) {
  if (!document_ || href.empty() || href[0] == '#' || href.rfind("javascript:", 0) == 0) return;
  const std::wstring address = Resolve(document_->Url(), win32::Widen(href));
  if (address.empty()) return;
  if (target == "_blank") {
    RaiseNewWindow(address);
  } else {
    StartNavigation(address, L"");
  }
}

void Control::RaiseNewWindow(const std::wstring& url) {
  const ComPtr<Control> keep(this);
  IDispatch* created = nullptr;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  {
    EventArgs args;
    args.ObjectOut(&created).Flag(&cancel).Long(0x6);  // NWMF_USERINITED | NWMF_FIRST
    args.Text(document_ ? document_->Url() : std::wstring()).Text(url);
    Raise(DISPID_NEWWINDOW3, args);
  }
  if (created != nullptr) created->Release();
  if (cancel == VARIANT_FALSE) OpenOwnWindow(L"Internet Explorer");
}

void Control::OnActivated() { uiActive_ = true; }

void Control::OnFileDropped(const std::wstring& path) {
  std::wstring url = L"file:///" + path;
  for (wchar_t& c : url) {
    if (c == L'\\') c = L'/';
  }
  if (dropTarget_) StartNavigation(url, L"");
}

HRESULT Control::get_RegisterAsDropTarget(VARIANT_BOOL* value) {
  if (value == nullptr) return E_POINTER;
  *value = dropTarget_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT Control::put_RegisterAsDropTarget(VARIANT_BOOL value) {
  dropTarget_ = value != VARIANT_FALSE;
  if (view_) ::DragAcceptFiles(view_->Handle(), dropTarget_ ? TRUE : FALSE);
  return S_OK;
}

HRESULT Control::TranslateAccelerator(LPMSG message) {
  if (message == nullptr || !uiActive_ || !view_) return S_FALSE;
  if (message->message < WM_KEYFIRST || message->message > WM_KEYLAST) return S_FALSE;
  const ComPtr<Control> keep(this);
  ComPtr<IDocHostUIHandler> ui;
  if (site_ && SUCCEEDED(site_.As(&ui)) && ui->TranslateAccelerator(message, nullptr, 0) == S_OK) {
    return S_OK;
  }
  if (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN) return S_FALSE;
  return RunOwnKey(*message) ? S_OK : S_FALSE;
}

bool Control::RunOwnKey(const MSG& message) {
  const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool alt = ::GetKeyState(VK_MENU) < 0 || message.message == WM_SYSKEYDOWN;
  const WPARAM key = message.wParam;
  // A new browser window, the Open dialog, the Print dialog.
  const wchar_t* window = key == 'N' ? L"Internet Explorer" : key == 'O' ? L"Open"
                          : key == 'P' ? L"Print" : nullptr;
  if (ctrl && !alt && window != nullptr) {
    OpenOwnWindow(window);
    return true;
  }
  wchar_t className[16] = {};
  ::GetClassNameW(message.hwnd, className, 16);
  const bool inField = ::lstrcmpiW(className, L"Edit") == 0;
  if ((key == VK_BACK && !inField && !ctrl && !alt) || (alt && !ctrl && key == VK_LEFT)) {
    StepBack();
    return true;
  }
  if (key == VK_TAB && !ctrl && !alt) {
    view_->MoveFocus(shift);
    return true;
  }
  return false;
}

void Control::StepBack() {
  if (history_.size() < 2) return;
  history_.pop_back();
  const std::wstring previous = history_.back();
  history_.pop_back();  // comes back when it completes
  StartNavigation(previous, L"");
}

void Control::OpenOwnWindow(const std::wstring& title) {
  const HWND window = ::CreateWindowExW(0, L"STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                        CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, nullptr, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
  if (window != nullptr) ownWindows_.push_back(window);
}

void Control::OnContextMenu(POINT screen) {
  ComPtr<IDocHostUIHandler> ui;
  if (site_ && SUCCEEDED(site_.As(&ui))) {
    ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, &screen, nullptr, nullptr);
  }
}

void Control::Reload() { StartRefresh(); }

void Control::ShowStatus(const std::wstring& text) {
  if (view_) view_->SetStatus(text);
}

std::wstring Control::SelectedText() { return view_ ? view_->SelectedText() : std::wstring(); }

bool Control::EditCommand(DWORD command) { return view_ && view_->EditCommand(command); }

// ---- IWebBrowser2

HRESULT Control::Navigate(BSTR url, VARIANT*, VARIANT*, VARIANT*, VARIANT* headers) {
  if (url == nullptr) return E_INVALIDARG;
  if (!view_) return E_UNEXPECTED;
  const bool hasHeaders = headers != nullptr && headers->vt == VT_BSTR && headers->bstrVal;
  StartNavigation(std::wstring(url, ::SysStringLen(url)),
                  hasHeaders ? std::wstring(headers->bstrVal, ::SysStringLen(headers->bstrVal))
                             : std::wstring());
  return S_OK;
}

HRESULT Control::Stop() {
  ++navigation_;
  if (view_) view_->CancelLater();
  if (ready_ == READYSTATE_LOADING) {
    ready_ = document_ ? READYSTATE_COMPLETE : READYSTATE_UNINITIALIZED;
  }
  return S_OK;
}

HRESULT Control::ExecWB(OLECMDID command, OLECMDEXECOPT, VARIANT* in, VARIANT* out) {
  if (command != OLECMDID_OPTICAL_ZOOM) return E_NOTIMPL;
  // As a real control: there is nothing to zoom before the first document.
  if (!document_) return E_FAIL;
  if (in == nullptr || in->vt == VT_EMPTY) {
    if (out == nullptr) return E_INVALIDARG;
    ::VariantClear(out);
    out->vt = VT_I4;
    out->lVal = zoom_;
    return S_OK;
  }
  if (in->vt != VT_I4) return E_INVALIDARG;
  const bool noPersist = out != nullptr && out->vt == VT_I4 &&
                         (out->lVal & OLECMDIDF_OPTICAL_ZOOM_NOPERSIST) != 0;
  zoom_ = in->lVal;
  std::wstring record = win32::Widen(kZoomRecord) + std::to_wstring(in->lVal);
  if (!noPersist) {
    KeepZoom(in->lVal);
    record += win32::Widen(kZoomPersisted);
  }
  RecordScript(record);
  return S_OK;
}

HRESULT Control::get_Application(IDispatch** application) {
  return Give(ComPtr<IWebBrowser2>(this), application);
}

// No document yet: S_FALSE and a null pointer, as Wine's control answers.
HRESULT Control::get_Document(IDispatch** document) {
  if (document == nullptr) return E_POINTER;
  *document = nullptr;
  if (!document_) return S_FALSE;
  return Give(document_, document);
}

HRESULT Control::get_LocationURL(BSTR* url) { return Give(location_, url); }

HRESULT Control::get_ReadyState(READYSTATE* state) {
  if (state == nullptr) return E_POINTER;
  *state = ready_;
  return S_OK;
}

HRESULT Control::put_Visible(VARIANT_BOOL visible) {
  if (view_) ::ShowWindow(view_->Handle(), visible ? SW_SHOW : SW_HIDE);
  return S_OK;
}

// ---- OLE embedding

HRESULT Control::SetClientSite(IOleClientSite* site) {
  site_ = site;
  return S_OK;
}

HRESULT Control::Close(DWORD) {
  ++navigation_;
  for (const HWND window : ownWindows_) ::DestroyWindow(window);
  ownWindows_.clear();
  uiActive_ = false;
  view_.reset();
  if (document_) document_->Detach();
  document_.Reset();
  site_.Reset();
  events_.sink.Reset();
  return S_OK;
}

HRESULT Control::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT area) {
  if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW && verb != OLEIVERB_UIACTIVATE) {
    return E_NOTIMPL;
  }
  if (view_) {
    if (verb == OLEIVERB_UIACTIVATE) {
      uiActive_ = true;
      ComPtr<IOleInPlaceSite> inPlace;
      if (site_ && SUCCEEDED(site_.As(&inPlace))) inPlace->OnUIActivate();
    }
    return S_OK;
  }
  if (parent == nullptr) return E_INVALIDARG;
  RECT rect{};
  if (area != nullptr) {
    rect = *area;
  } else {
    ::GetClientRect(parent, &rect);
  }
  try {
    view_ = std::make_unique<View>(static_cast<IViewOwner&>(*this), parent, rect);
    ::DragAcceptFiles(view_->Handle(), dropTarget_ ? TRUE : FALSE);
  } catch (...) {
    return E_FAIL;
  }
  return S_OK;
}

HRESULT Control::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = view_ ? view_->Handle() : nullptr;
  return view_ ? S_OK : E_FAIL;
}

HRESULT Control::InPlaceDeactivate() {
  view_.reset();
  return S_OK;
}

HRESULT Control::SetObjectRects(LPCRECT position, LPCRECT) {
  if (view_ && position != nullptr) {
    ::MoveWindow(view_->Handle(), position->left, position->top, position->right - position->left,
                 position->bottom - position->top, TRUE);
  }
  return S_OK;
}

HRESULT Control::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  if (!Is(riid, DIID_DWebBrowserEvents2)) return CONNECT_E_NOCONNECTION;
  *point = &events_;
  events_.AddRef();
  return S_OK;
}

// ---- The events' connection point

HRESULT Control::EventsPoint::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!Is(riid, IID_IUnknown) && !Is(riid, IID_IConnectionPoint)) return E_NOINTERFACE;
  *object = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

HRESULT Control::EventsPoint::Advise(IUnknown* candidate, DWORD* cookie) {
  if (candidate == nullptr || cookie == nullptr) return E_POINTER;
  if (sink) return CONNECT_E_ADVISELIMIT;
  if (FAILED(candidate->QueryInterface(IID_PPV_ARGS(&sink)))) return CONNECT_E_CANNOTCONNECT;
  *cookie = 1;
  return S_OK;
}

HRESULT Control::EventsPoint::Unadvise(DWORD cookie) {
  if (cookie != 1 || !sink) return CONNECT_E_NOCONNECTION;
  sink.Reset();
  return S_OK;
}

}  // namespace zel::standin
