#include "bridge/win32/WebBrowserHost.h"

#include <dispex.h>
#include <docobj.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <mshtml.h>
#include <shlwapi.h>

#include <new>
#include <utility>

#include "app/Errors.h"
#include "app/win32/Dpi.h"
#include "app/win32/Owners.h"
#include "app/win32/Win32Util.h"
#include "bridge/PagePolicy.h"
#include "bridge/win32/DHTMLEvent.h"

using Microsoft::WRL::ComPtr;

namespace zel::win32 {

namespace {

// Neither is in MinGW's libuuid.
constexpr GUID kCgidDocHostCommandHandler = {
    0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
constexpr CLSID kClsidHtmlDocument = {
    0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};

// A variant as text; empty and null values are "". Throws BrowserError when it has no text form.
std::string VariantText(const VARIANT& source, const std::string& what) {
  Variant value;
  ZEL_THROW_IF_FAILED_MSG(BrowserError,
                          ::VariantCopyInd(value.get(), const_cast<VARIANT*>(&source)), what);
  if (value->vt == VT_EMPTY || value->vt == VT_NULL) return {};
  ZEL_THROW_IF_FAILED_MSG(BrowserError, ::VariantChangeType(value.get(), value.get(), 0, VT_BSTR),
                          what);
  return Narrow(value->bstrVal, static_cast<int>(::SysStringLen(value->bstrVal)));
}

// Event arguments arrive last first; position counts from the first declared parameter.
const VARIANT* Argument(const DISPPARAMS* params, UINT position) {
  if (params == nullptr || params->rgvarg == nullptr || position >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - position];
}

std::string ArgumentText(const DISPPARAMS* params, UINT position) {
  const VARIANT* arg = Argument(params, position);
  if (arg == nullptr) return {};
  try {
    return VariantText(*arg, "event argument");
  } catch (const BrowserError&) {
    return {};
  }
}

long ArgumentNumber(const DISPPARAMS* params, UINT position) {
  const VARIANT* arg = Argument(params, position);
  if (arg == nullptr) return 0;
  Variant value;
  if (FAILED(::VariantCopyInd(value.get(), const_cast<VARIANT*>(arg)))) return 0;
  if (FAILED(::VariantChangeType(value.get(), value.get(), 0, VT_I4))) return 0;
  return value->lVal;
}

// The IUnknown identity of an object argument: stable for the object's life, so it can be
// compared later without touching the object.
const void* ArgumentIdentity(const DISPPARAMS* params, UINT position) {
  const VARIANT* arg = Argument(params, position);
  if (arg == nullptr) return nullptr;
  IUnknown* object = nullptr;
  switch (arg->vt) {
    case VT_DISPATCH: object = arg->pdispVal; break;
    case VT_UNKNOWN: object = arg->punkVal; break;
    case VT_DISPATCH | VT_BYREF: object = arg->ppdispVal ? *arg->ppdispVal : nullptr; break;
    case VT_UNKNOWN | VT_BYREF: object = arg->ppunkVal ? *arg->ppunkVal : nullptr; break;
    default: return nullptr;
  }
  if (object == nullptr) return nullptr;
  ComPtr<IUnknown> identity;
  if (FAILED(object->QueryInterface(IID_PPV_ARGS(&identity)))) return nullptr;
  return identity.Get();
}

const void* Identity(IUnknown* object) {
  if (object == nullptr) return nullptr;
  ComPtr<IUnknown> identity;
  if (FAILED(object->QueryInterface(IID_PPV_ARGS(&identity)))) return nullptr;
  return identity.Get();
}

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Whether this system can make an HTML document at all (a browser without its engine cannot).
bool HtmlDocumentsAvailable() {
  ComPtr<IClassFactory> factory;
  return SUCCEEDED(::CoGetClassObject(kClsidHtmlDocument, CLSCTX_INPROC_SERVER, nullptr,
                                      IID_PPV_ARGS(&factory)));
}

class HtmlElement final : public IHtmlElement {
 public:
  explicit HtmlElement(ComPtr<IHTMLElement> element) : element_(std::move(element)) {}

  std::string Value() override {
    // The live property first: in standards mode getAttribute gives the markup's value, and a
    // page that sets a field's value by script would otherwise hand over stale text.
    Variant live;
    if (LiveValue(live)) return VariantText(*live.get(), "element value");
    Bstr name("value");
    Variant value;
    ZEL_THROW_IF_FAILED_AS(BrowserError, element_->getAttribute(name.get(), 0, value.get()));
    return VariantText(*value.get(), "element value");
  }

  void Bind(EventProperty property, IEventSink& sink) override {
    auto* com = dynamic_cast<TDHTMLEvent*>(&sink);
    if (com == nullptr) throw BrowserError("Bind: the sink is not a COM event sink");
    // The element takes its own reference; the sink is never freed anyway.
    VARIANT handler;
    ::VariantInit(&handler);
    handler.vt = VT_DISPATCH;
    handler.pdispVal = com->Dispatch();
    HRESULT hr = E_INVALIDARG;
    switch (property) {
      case EventProperty::OnClick: hr = element_->put_onclick(handler); break;
      case EventProperty::OnMouseDown: hr = element_->put_onmousedown(handler); break;
      case EventProperty::OnKeyUp: hr = element_->put_onkeyup(handler); break;
    }
    if (FAILED(hr)) {
      ThrowFailure<BrowserError>(std::string("IHTMLElement::put_") + EventPropertyName(property),
                                 static_cast<unsigned long>(hr));
    }
  }

 private:
  // Reads the element's "value" property; false when the element has none (not a form field).
  bool LiveValue(Variant& value) {
    ComPtr<IDispatch> dispatch;
    if (FAILED(element_.As(&dispatch))) return false;
    wchar_t name[] = L"value";
    LPOLESTR names[] = {name};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
    DISPPARAMS none{};
    return SUCCEEDED(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                      value.get(), nullptr, nullptr)) &&
           value.get()->vt != VT_EMPTY;
  }

  ComPtr<IHTMLElement> element_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The site: everything the control asks of its host. It may outlive the host while the control
// still holds references; Detach cuts it off from the host first.
class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler,
                          public IOleCommandTarget,
                          public IDispatch {
 public:
  BrowserSite(WebBrowserHost* host, HWND window, bool allowContextMenu)
      : host_(host), window_(window), allowContextMenu_(allowContextMenu) {}

  void SetEvents(IBrowserEvents* events) { events_ = events; }
  void Detach() {
    host_ = nullptr;
    window_ = nullptr;
    events_ = nullptr;
  }
  long References() const { return refs_; }

  // ---- IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
      *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
      *object = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) ||
               IsEqualIID(riid, IID_IOleInPlaceFrame)) {
      *object = static_cast<IOleInPlaceFrame*>(this);
    } else if (IsEqualIID(riid, IID_IDocHostUIHandler)) {
      *object = static_cast<IDocHostUIHandler*>(this);
    } else if (IsEqualIID(riid, IID_IOleCommandTarget)) {
      *object = static_cast<IOleCommandTarget*>(this);
    } else if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
      *object = static_cast<IDispatch*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // ---- IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // ---- IOleWindow (shared by the in-place site and the frame)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = window_;
    return window_ != nullptr ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // ---- IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override {
    return window_ != nullptr ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                             LPRECT position, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO info) override {
    if (frame == nullptr || doc == nullptr || position == nullptr || clip == nullptr ||
        info == nullptr) {
      return E_POINTER;
    }
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    RECT area{};
    if (window_ != nullptr) ::GetClientRect(window_, &area);
    *position = area;
    *clip = area;
    info->fMDIApp = FALSE;
    info->hwndFrame = window_ != nullptr ? ::GetAncestor(window_, GA_ROOT) : nullptr;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override {
    // The control always fills the container, whatever it asks for.
    if (host_ != nullptr) host_->SyncControlRect();
    return S_OK;
  }

  // ---- IOleInPlaceUIWindow, IOleInPlaceFrame: no menus, toolbars or status line.
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
    return INPLACE_E_NOTOOLSPACE;
  }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // ---- IDocHostUIHandler
  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT* point, IUnknown*, IDispatch*) override {
    if (!allowContextMenu_) return S_OK;  // no menu at all, not even the control's own
    try {
      if (events_ == nullptr || point == nullptr) return S_FALSE;
      return events_->ShowContextMenu(point->x, point->y) ? S_OK : S_FALSE;
    } catch (...) {
      ReportCurrentException();
      return S_OK;
    }
  }
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override {
    if (info == nullptr) return E_POINTER;
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                   IOleInPlaceFrame*, IOleInPlaceUIWindow*) override {
    return S_OK;  // the host has no UI of its own to swap in
  }
  HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override {
    return S_OK;
  }
  // Asked for every key while the control is UI-active, before it acts on the key itself.
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, const GUID*, DWORD) override {
    if (message == nullptr || host_ == nullptr) return S_FALSE;
    if (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN) return S_FALSE;
    try {
      const KeyModifiers modifiers{::GetKeyState(VK_CONTROL) < 0, ::GetKeyState(VK_SHIFT) < 0,
                                   ::GetKeyState(VK_MENU) < 0 || (message->lParam & (1 << 29)) != 0};
      switch (KeyAnswerFor(static_cast<int>(message->wParam), modifiers, host_->FocusInField())) {
        case KeyAnswer::Page: return S_FALSE;
        case KeyAnswer::Swallow: return S_OK;
        case KeyAnswer::Reload:
          if (events_ != nullptr) events_->ReloadKey();
          return S_OK;
      }
    } catch (...) {
      ReportCurrentException();
      return S_OK;  // the key was meant for the program
    }
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override {
    if (key != nullptr) *key = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override {
    if (target != nullptr) *target = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override {
    if (external != nullptr) *external = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) override {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;
  }

  // ---- IOleCommandTarget: the script-error notification only.
  HRESULT STDMETHODCALLTYPE QueryStatus(const GUID* group, ULONG, OLECMD*, OLECMDTEXT*) override {
    return IsDocHostGroup(group) ? OLECMDERR_E_NOTSUPPORTED : OLECMDERR_E_UNKNOWNGROUP;
  }
  HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD command, DWORD, VARIANT*,
                                 VARIANT* out) override {
    if (!IsDocHostGroup(group)) return OLECMDERR_E_UNKNOWNGROUP;
    if (command != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
    bool continueScripts = true;
    bool showDialog = false;
    // The flags the handler set count even when it throws afterwards.
    try {
      if (events_ != nullptr) events_->ScriptError(continueScripts, showDialog);
    } catch (...) {
      ReportCurrentException();
    }
    if (showDialog) return OLECMDERR_E_NOTSUPPORTED;  // not handled: the control's own dialog
    if (out != nullptr) {
      out->vt = VT_BOOL;
      out->boolVal = continueScripts ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }

  // ---- IDispatch: the control's events and the ambient properties it asks for.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    try {
      switch (id) {
        case DISPID_AMBIENT_DLCONTROL:
          if (result == nullptr) return E_POINTER;
          ::VariantInit(result);
          result->vt = VT_I4;
          result->lVal = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS;
          return S_OK;
        case DISPID_DOCUMENTCOMPLETE:
          return OnDocumentComplete(params);
        case DISPID_NAVIGATECOMPLETE2:
          if (params == nullptr || params->cArgs < 2) return DISP_E_BADPARAMCOUNT;
          // A frame's navigation leaves the page's state alone.
          if (events_ != nullptr && host_ != nullptr &&
              host_->IsTopLevel(ArgumentIdentity(params, 0))) {
            events_->NavigateComplete2(ArgumentText(params, 1));
          }
          return S_OK;
        case DISPID_DOWNLOADCOMPLETE:
          if (host_ != nullptr) host_->ZoomSettledDocument();
          if (events_ != nullptr) events_->DownloadComplete();
          return S_OK;
        case DISPID_NAVIGATEERROR:
          return OnNavigateError(params);
        case DISPID_NEWWINDOW3:
          return OnNewWindow(params, 1, 4);
        case DISPID_NEWWINDOW2:  // raised by systems without NewWindow3, without the address
          return OnNewWindow(params, 1, UINT(-1));
        case DISPID_COMMANDSTATECHANGE:
          if (params == nullptr || params->cArgs < 2) return DISP_E_BADPARAMCOUNT;
          if (events_ != nullptr) {
            events_->CommandStateChange(ArgumentNumber(params, 0), ArgumentNumber(params, 1) != 0);
          }
          return S_OK;
        default:
          return DISP_E_MEMBERNOTFOUND;
      }
    } catch (...) {
      ReportCurrentException();
      return S_OK;  // the event was delivered; its handling failed on our side
    }
  }

 private:
  ~BrowserSite() = default;

  static bool IsDocHostGroup(const GUID* group) {
    return group != nullptr && IsEqualGUID(*group, kCgidDocHostCommandHandler);
  }

  // DocumentComplete(pDisp, URL)
  HRESULT OnDocumentComplete(DISPPARAMS* params) {
    if (params == nullptr || params->cArgs < 2) return DISP_E_BADPARAMCOUNT;
    const void* identity = ArgumentIdentity(params, 0);
    // Each new page comes at the control's own zoom: before anyone sees it, it takes the host's.
    if (host_ != nullptr && host_->IsTopLevel(identity)) host_->ApplyZoom();
    if (host_ != nullptr && host_->HasPendingLoad() && host_->IsTopLevel(identity)) {
      // The blank page made for LoadHtml: the caller's own page completes next.
      try {
        host_->CompletePendingLoad();
        return S_OK;
      } catch (...) {
        ReportCurrentException();
      }
    }
    if (events_ != nullptr) events_->DocumentComplete(identity, ArgumentText(params, 1));
    return S_OK;
  }

  // NavigateError(pDisp, URL, TargetFrameName, StatusCode, Cancel)
  HRESULT OnNavigateError(DISPPARAMS* params) {
    if (params == nullptr || params->cArgs < 5) return DISP_E_BADPARAMCOUNT;
    const void* identity = ArgumentIdentity(params, 0);
    if (host_ != nullptr && host_->HasPendingLoad() && host_->IsTopLevel(identity)) {
      host_->DropPendingLoad();  // the blank page will never come
    }
    const VARIANT* cancelArg = Argument(params, 4);
    VARIANT_BOOL* cancelOut =
        cancelArg != nullptr && cancelArg->vt == (VT_BYREF | VT_BOOL) ? cancelArg->pboolVal
                                                                      : nullptr;
    bool cancel = cancelOut != nullptr && *cancelOut != VARIANT_FALSE;
    // The flag the handler set counts even when it throws afterwards.
    try {
      const std::string url = ArgumentText(params, 1);
      const int status = static_cast<int>(ArgumentNumber(params, 3));
      if (events_ != nullptr && host_ != nullptr && !host_->IsTopLevel(identity)) {
        events_->FrameNavigateError(url, status, cancel);
      } else if (events_ != nullptr) {
        events_->NavigateError(url, status, cancel);
      }
    } catch (...) {
      ReportCurrentException();
    }
    if (cancelOut != nullptr) *cancelOut = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

  // NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl), NewWindow2(ppDisp, Cancel):
  // the control's own window never opens; the program decides where the address goes.
  HRESULT OnNewWindow(DISPPARAMS* params, UINT cancelAt, UINT urlAt) {
    const VARIANT* cancelArg = Argument(params, cancelAt);
    if (cancelArg == nullptr) return DISP_E_BADPARAMCOUNT;
    if (cancelArg->vt == (VT_BYREF | VT_BOOL) && cancelArg->pboolVal != nullptr) {
      *cancelArg->pboolVal = VARIANT_TRUE;
    }
    const std::string url = urlAt == UINT(-1) ? std::string() : ArgumentText(params, urlAt);
    try {
      if (events_ != nullptr) events_->NewWindow(url);
    } catch (...) {
      ReportCurrentException();
    }
    return S_OK;
  }

  LONG refs_ = 1;  // the reference a new object comes with
  WebBrowserHost* host_;
  HWND window_;
  bool allowContextMenu_;
  IBrowserEvents* events_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
class WebBrowserHost::ContainerWindow final : public Window {
 public:
  ContainerWindow(WebBrowserHost& host, HWND parent) : host_(host) {
    RECT area{};
    ::GetClientRect(parent, &area);
    CreateParams params;
    params.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.parent = parent;
    params.x = 0;
    params.y = 0;
    params.width = area.right - area.left;
    params.height = area.bottom - area.top;
    Create(L"ZelBrowserHost", params);
  }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_SIZE) {
      host_.SyncControlRect();
      return 0;
    }
    return DefaultHandling(message, wParam, lParam);
  }

 private:
  WebBrowserHost& host_;
};

// ---------------------------------------------------------------------------------------------
WebBrowserHost::WebBrowserHost(HWND parent, bool allowContextMenu) : parent_(parent) {
  container_ = std::make_unique<ContainerWindow>(*this, parent);
  site_ = Adopt(new BrowserSite(this, container_->Handle(), allowContextMenu));
  try {
    auto* clientSite = static_cast<IOleClientSite*>(site_.Get());
    ZEL_THROW_IF_FAILED_AS(BrowserError,
                           ::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_PPV_ARGS(&oleObject_)));
    ZEL_THROW_IF_FAILED_AS(BrowserError, oleObject_->SetClientSite(clientSite));
    RECT area{};
    ::GetClientRect(container_->Handle(), &area);
    ZEL_THROW_IF_FAILED_AS(BrowserError,
                           oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0,
                                              container_->Handle(), &area));
    ZEL_THROW_IF_FAILED_AS(BrowserError, oleObject_.As(&browser_));
    ComPtr<IConnectionPointContainer> points;
    ZEL_THROW_IF_FAILED_AS(BrowserError, oleObject_.As(&points));
    ZEL_THROW_IF_FAILED_AS(BrowserError,
                           points->FindConnectionPoint(DIID_DWebBrowserEvents2, &eventsPoint_));
    ZEL_THROW_IF_FAILED_AS(
        BrowserError, eventsPoint_->Advise(static_cast<IDispatch*>(site_.Get()), &eventsCookie_));
    ZEL_THROW_IF_FAILED_AS(BrowserError, browser_->put_Silent(VARIANT_TRUE));
    // A file dropped on a page would replace the page by the file's contents. Refused, the
    // page still works: no reason to give up the browser.
    browser_->put_RegisterAsDropTarget(VARIANT_FALSE);
    SetDpi(WindowDpi(parent));
  } catch (...) {
    Close();
    throw;
  }
}

WebBrowserHost::~WebBrowserHost() { Close(); }

void WebBrowserHost::Close() {
  // Nothing reaches the program's handlers from here on.
  if (site_) site_->SetEvents(nullptr);
  pendingHtml_.reset();
  if (eventsPoint_) {
    eventsPoint_->Unadvise(eventsCookie_);
    eventsPoint_.Reset();
    eventsCookie_ = 0;
  }
  if (oleObject_) {
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(oleObject_.As(&inPlace))) inPlace->InPlaceDeactivate();
    oleObject_->SetClientSite(nullptr);
    oleObject_->Close(OLECLOSE_NOSAVE);
  }
  browser_.Reset();
  oleObject_.Reset();
  if (site_) site_->Detach();
  container_.reset();
}

void WebBrowserHost::Resize(int width, int height) {
  if (!container_) return;
  ::MoveWindow(container_->Handle(), 0, 0, width, height, TRUE);
  SyncControlRect();
}

void WebBrowserHost::SetDpi(int dpi) {
  if (dpi <= 0) return;
  zoomPercent_ = ::MulDiv(100, dpi, 96);
  if (zoomPercent_ != 100) zoomed_ = true;
  ApplyZoom();
}

void WebBrowserHost::ApplyZoom() {
  if (!browser_) return;
  zoomedDocument_ = DocumentIdentity();
  std::optional<int> shown;
  if (!zoomed_ && zoomPercent_ == 100) {
    // IE may show a zoom it kept from another program or an earlier run.
    Variant current;
    if (SUCCEEDED(browser_->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER,
                                   nullptr, current.get())) &&
        current->vt == VT_I4) {
      shown = static_cast<int>(current->lVal);
    }
  }
  const std::optional<int> ask = ZoomToAsk(zoomPercent_, shown, zoomed_);
  if (!ask) return;
  Variant percent = Variant::Long(*ask);
  // Without the flag IE keeps the zoom for every later browser, the user's own IE included.
  Variant flags = Variant::Long(OLECMDIDF_OPTICAL_ZOOM_NOPERSIST);
  // Refused while there is no document: the document's completion asks again.
  browser_->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, percent.get(),
                   flags.get());
}

void WebBrowserHost::ZoomSettledDocument() {
  if (!browser_) return;
  READYSTATE state = READYSTATE_UNINITIALIZED;
  if (FAILED(browser_->get_ReadyState(&state)) || state != READYSTATE_COMPLETE) return;
  const void* document = DocumentIdentity();
  if (document != nullptr && document != zoomedDocument_) ApplyZoom();
}

void WebBrowserHost::FitToParent() {
  RECT area{};
  ::GetClientRect(parent_, &area);
  Resize(area.right - area.left, area.bottom - area.top);
}

HWND WebBrowserHost::Container() const { return container_ ? container_->Handle() : nullptr; }

long WebBrowserHost::SiteReferences() const { return site_ ? site_->References() : 0; }

void WebBrowserHost::SyncControlRect() {
  if (!oleObject_ || !container_) return;
  RECT area{};
  ::GetClientRect(container_->Handle(), &area);
  ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(oleObject_.As(&inPlace))) inPlace->SetObjectRects(&area, &area);
}

void WebBrowserHost::SetEvents(IBrowserEvents* events) {
  if (site_ && browser_) site_->SetEvents(events);
}

ComPtr<IDispatch> WebBrowserHost::Document() {
  ComPtr<IDispatch> document;
  // S_FALSE with a null pointer while nothing is loaded: the pointer is what counts.
  if (!browser_ || FAILED(browser_->get_Document(&document))) return nullptr;
  return document;
}

void WebBrowserHost::StartNavigation(const std::string& url, VARIANT* headers) {
  if (!browser_) throw BrowserError("Navigate: the browser is closed");
  Bstr address(url);
  Variant flags, frame, postData, noHeaders;
  ZEL_THROW_IF_FAILED_AS(BrowserError,
                         browser_->Navigate(address.get(), flags.get(), frame.get(), postData.get(),
                                            headers != nullptr ? headers : noHeaders.get()));
}

void WebBrowserHost::Navigate(const std::string& url) {
  pendingHtml_.reset();
  StartNavigation(url, nullptr);
}

void WebBrowserHost::NavigateWithHeaders(const std::string& url, const std::string& headers) {
  pendingHtml_.reset();
  Variant headerText = Variant::Text(headers);
  StartNavigation(url, headerText.get());
}

void WebBrowserHost::LoadHtml(const std::string& html) {
  pendingHtml_.reset();
  if (!browser_) throw BrowserError("LoadHtml: the browser is closed");
  // Never into the document that stands there: a foreign page's document keeps its address and
  // origin, and the program's own page would then speak for it.
  if (!HtmlDocumentsAvailable()) throw BrowserError("LoadHtml: no HTML document can be made here");
  // The document of about:blank exists only once that page completed; the site loads the HTML
  // then.
  pendingHtml_ = std::make_unique<std::string>(html);
  try {
    StartNavigation("about:blank", nullptr);
  } catch (...) {
    pendingHtml_.reset();
    throw;
  }
}

void WebBrowserHost::CompletePendingLoad() {
  std::unique_ptr<std::string> html = std::move(pendingHtml_);
  if (!html) return;
  const ComPtr<IDispatch> document = Document();
  if (!document) throw BrowserError("LoadHtml: the blank page has no document");
  LoadIntoDocument(document.Get(), *html);
}

void WebBrowserHost::LoadIntoDocument(IDispatch* document, const std::string& html) {
  ComPtr<IPersistStreamInit> persist;
  ZEL_THROW_IF_FAILED_AS(BrowserError, document->QueryInterface(IID_PPV_ARGS(&persist)));
  // A fresh memory stream stands at position 0.
  const ComPtr<IStream> stream = Adopt(::SHCreateMemStream(
      reinterpret_cast<const BYTE*>(html.data()), static_cast<UINT>(html.size())));
  if (!stream) throw BrowserError("SHCreateMemStream failed");
  ZEL_THROW_IF_FAILED_AS(BrowserError, persist->InitNew());
  ZEL_THROW_IF_FAILED_AS(BrowserError, persist->Load(stream.Get()));
}

void WebBrowserHost::Stop() {
  if (!browser_) return;
  ZEL_THROW_IF_FAILED_AS(BrowserError, browser_->Stop());
}

void WebBrowserHost::SetSilent(bool silent) {
  if (!browser_) return;
  ZEL_THROW_IF_FAILED_AS(BrowserError, browser_->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE));
}

bool WebBrowserHost::HasDocument() { return Document() != nullptr; }

std::string WebBrowserHost::LocationURL() {
  if (!browser_) return {};
  Bstr url;
  ZEL_THROW_IF_FAILED_AS(BrowserError, browser_->get_LocationURL(url.put()));
  return url.Text();
}

int WebBrowserHost::ReadyState() {
  if (!browser_) return READYSTATE_UNINITIALIZED;
  READYSTATE state = READYSTATE_UNINITIALIZED;
  ZEL_THROW_IF_FAILED_AS(BrowserError, browser_->get_ReadyState(&state));
  return static_cast<int>(state);
}

const void* WebBrowserHost::DocumentIdentity() {
  const ComPtr<IDispatch> document = Document();
  ComPtr<IUnknown> identity;
  if (document) document.As(&identity);
  reportedDocument_ = identity;
  return identity.Get();
}

bool WebBrowserHost::IsTopLevel(const void* pDisp) {
  if (pDisp == nullptr || !browser_) return false;
  ComPtr<IDispatch> application;
  if (FAILED(browser_->get_Application(&application)) || !application) return false;
  return Identity(application.Get()) == pDisp;
}

namespace {
ComPtr<IHTMLDocument2> AsHtmlDocument(const ComPtr<IDispatch>& document) {
  ComPtr<IHTMLDocument2> html;
  if (document) document.As(&html);
  return html;
}

ComPtr<IHTMLDocument2> RequireHtmlDocument(const ComPtr<IDispatch>& document, const char* what) {
  if (!document) throw BrowserError(std::string(what) + ": no document");
  const ComPtr<IHTMLDocument2> html = AsHtmlDocument(document);
  if (!html) throw BrowserError(std::string(what) + ": not an HTML document");
  return html;
}

ComPtr<IHTMLWindow2> PageWindow(const ComPtr<IDispatch>& document, const char* what) {
  const ComPtr<IHTMLDocument2> html = RequireHtmlDocument(document, what);
  ComPtr<IHTMLWindow2> window;
  ZEL_THROW_IF_FAILED_MSG(BrowserError, html->get_parentWindow(&window), what);
  if (!window) throw BrowserError(std::string(what) + ": the document has no window");
  return window;
}
}  // namespace

std::unique_ptr<IHtmlElement> WebBrowserHost::FindElement(const std::string& id) {
  const ComPtr<IHTMLDocument2> document = AsHtmlDocument(Document());
  if (!document) return nullptr;
  ComPtr<IHTMLElementCollection> all;
  ZEL_THROW_IF_FAILED_AS(BrowserError, document->get_all(&all));
  if (!all) throw BrowserError("IHTMLDocument2::get_all gave no collection");
  Variant name = Variant::Text(id);
  Variant index = Variant::Long(0);
  ComPtr<IDispatch> item;
  ZEL_THROW_IF_FAILED_MSG(BrowserError, all->item(*name.get(), *index.get(), &item),
                          "\"" + id + "\"");
  if (!item) return nullptr;
  ComPtr<IHTMLElement> element;
  if (FAILED(item.As(&element)) || !element) {
    throw BrowserError("document.all.item(\"" + id + "\") is not an HTML element");
  }
  return std::make_unique<HtmlElement>(std::move(element));
}

void WebBrowserHost::ExecScript(const std::string& code) {
  const ComPtr<IHTMLWindow2> window = PageWindow(Document(), "execScript");
  Bstr script(code), language("Javascript");
  Variant result;
  const HRESULT hr = window->execScript(script.get(), language.get(), result.get());
  if (SUCCEEDED(hr)) return;
  if (!ExecScriptRefused(static_cast<std::int32_t>(hr))) {
    ThrowFailure<BrowserError>("IHTMLWindow2::execScript", static_cast<unsigned long>(hr));
  }
  // eval, found by name: through IDispatchEx where the window has it.
  Bstr name("eval");
  Variant argument = Variant::Text(code);
  DISPPARAMS params{argument.get(), nullptr, 1, 0};
  DISPID id = DISPID_UNKNOWN;
  Variant evaluated;
  ComPtr<IDispatchEx> dynamic;
  if (SUCCEEDED(window.As(&dynamic)) && dynamic) {
    ZEL_THROW_IF_FAILED_MSG(BrowserError,
                            dynamic->GetDispID(name.get(), fdexNameCaseSensitive, &id), "eval");
    ZEL_THROW_IF_FAILED_MSG(BrowserError,
                            dynamic->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                              evaluated.get(), nullptr, nullptr),
                            "eval");
    return;
  }
  LPOLESTR names[] = {name.get()};
  ZEL_THROW_IF_FAILED_MSG(BrowserError,
                          window->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
                          "eval");
  ZEL_THROW_IF_FAILED_MSG(BrowserError,
                          window->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                         &params, evaluated.get(), nullptr, nullptr),
                          "eval");
}

// IE9 and later: the buttons held (IDOMMouseEvent::buttons); earlier, IHTMLEventObj::button.
// Both give 1 left, 2 right, 4 middle.
int WebBrowserHost::EventButtons() {
  const ComPtr<IHTMLWindow2> window = PageWindow(Document(), "event");
  ComPtr<IHTMLEventObj> event;
  ZEL_THROW_IF_FAILED_MSG(BrowserError, window->get_event(&event), "window.event");
  if (!event) throw BrowserError("window.event: no event");
  ComPtr<IDOMMouseEvent> mouse;
  USHORT buttons = 0;
  if (SUCCEEDED(event.As(&mouse)) && mouse && SUCCEEDED(mouse->get_buttons(&buttons))) {
    return buttons;
  }
  LONG button = 0;
  ZEL_THROW_IF_FAILED_MSG(BrowserError, event->get_button(&button), "window.event.button");
  return static_cast<int>(button);
}

std::string WebBrowserHost::PageVariable(const std::string& name) {
  const ComPtr<IHTMLWindow2> window = PageWindow(Document(), "page variable");
  Bstr member(name);
  LPOLESTR names[] = {member.get()};
  DISPID id = DISPID_UNKNOWN;
  ZEL_THROW_IF_FAILED_MSG(BrowserError,
                          window->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
                          "page variable " + name);
  DISPPARAMS none{};
  Variant value;
  ZEL_THROW_IF_FAILED_MSG(BrowserError,
                          window->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                         &none, value.get(), nullptr, nullptr),
                          "page variable " + name);
  return VariantText(*value.get(), "page variable " + name);
}

void WebBrowserHost::ExecCommand(EditCommand command) {
  const ComPtr<IDispatch> document = Document();
  if (!document) return;
  ComPtr<IOleCommandTarget> target;
  if (FAILED(document.As(&target))) return;
  // Failures (nothing to copy, a read-only page) are of no interest to the caller.
  target->Exec(nullptr, static_cast<DWORD>(command), OLECMDEXECOPT_DODEFAULT, nullptr, nullptr);
}

std::string WebBrowserHost::SelectedText() {
  constexpr char kWhat[] = "selected text";
  const ComPtr<IHTMLDocument2> document = RequireHtmlDocument(Document(), kWhat);
  ComPtr<IHTMLSelectionObject> selection;
  ZEL_THROW_IF_FAILED_MSG(BrowserError, document->get_selection(&selection), kWhat);
  if (!selection) throw BrowserError(std::string(kWhat) + ": no selection");
  ComPtr<IDispatch> range;
  ZEL_THROW_IF_FAILED_MSG(BrowserError, selection->createRange(&range), kWhat);
  if (!range) throw BrowserError(std::string(kWhat) + ": no range");
  ComPtr<IHTMLTxtRange> textRange;
  ZEL_THROW_IF_FAILED_MSG(BrowserError, range.As(&textRange), kWhat);
  Bstr text;
  ZEL_THROW_IF_FAILED_MSG(BrowserError, textRange->get_text(text.put()), kWhat);
  return text.Text();
}

void WebBrowserHost::SetVisible(bool visible) {
  if (browser_) browser_->put_Visible(visible ? VARIANT_TRUE : VARIANT_FALSE);
  if (container_) ::ShowWindow(container_->Handle(), visible ? SW_SHOW : SW_HIDE);
}

bool WebBrowserHost::Visible() {
  return container_ &&
         (::GetWindowLongW(container_->Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool WebBrowserHost::TranslateAccelerator(MSG& message) {
  // Ctrl with the wheel would zoom the page against the zoom set for the screen.
  if (message.message == WM_MOUSEWHEEL && (GET_KEYSTATE_WPARAM(message.wParam) & MK_CONTROL) != 0) {
    return OwnsWindow(reinterpret_cast<std::intptr_t>(message.hwnd));
  }
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  if (!browser_ || !OwnsWindow(reinterpret_cast<std::intptr_t>(message.hwnd))) return false;
  ComPtr<IOleInPlaceActiveObject> active;
  if (FAILED(browser_.As(&active))) return false;
  return active->TranslateAccelerator(&message) == S_OK;
}

void WebBrowserHost::Focus() {
  if (!oleObject_ || !container_) return;
  RECT area{};
  ::GetClientRect(container_->Handle(), &area);
  // Only a UI-active control is offered the keys (Tab among them).
  oleObject_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, static_cast<IOleClientSite*>(site_.Get()), 0,
                     container_->Handle(), &area);
  HWND page = nullptr;
  ComPtr<IOleWindow> inPlace;
  if (SUCCEEDED(oleObject_.As(&inPlace))) inPlace->GetWindow(&page);
  if (page == nullptr) return;
  // The control forwards the focus to its document's window; a focus already inside stays.
  const HWND focus = ::GetFocus();
  if (focus != page && !::IsChild(page, focus)) ::SetFocus(page);
}

bool WebBrowserHost::FocusInField() {
  const ComPtr<IHTMLDocument2> document = AsHtmlDocument(Document());
  if (!document) return false;
  ComPtr<IHTMLElement> active;
  if (FAILED(document->get_activeElement(&active)) || !active) return false;
  ComPtr<IHTMLElement3> editable;
  VARIANT_BOOL contentEditable = VARIANT_FALSE;
  if (SUCCEEDED(active.As(&editable)) &&
      SUCCEEDED(editable->get_isContentEditable(&contentEditable)) &&
      contentEditable != VARIANT_FALSE) {
    return true;
  }
  Bstr tag;
  if (FAILED(active->get_tagName(tag.put()))) return false;
  const std::string name = AsciiLower(tag.Text());
  if (name == "textarea") return true;
  if (name != "input") return false;
  Bstr attribute(std::string("type"));
  Variant type;
  std::string kind;
  if (SUCCEEDED(active->getAttribute(attribute.get(), 0, type.get())) && type->vt == VT_BSTR) {
    kind = AsciiLower(Bstr::Text(type->bstrVal));
  }
  // The kinds of input that take no typing.
  for (const char* none : {"button", "submit", "reset", "checkbox", "radio", "image", "file",
                           "hidden", "range", "color"}) {
    if (kind == none) return false;
  }
  return true;
}

bool WebBrowserHost::OwnsWindow(std::intptr_t window) {
  const HWND hwnd = reinterpret_cast<HWND>(window);
  if (!container_ || hwnd == nullptr) return false;
  return hwnd == container_->Handle() || ::IsChild(container_->Handle(), hwnd);
}

}  // namespace zel::win32
