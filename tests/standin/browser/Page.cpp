#include "tests/standin/browser/Page.h"

#include <cstdlib>
#include <iterator>

#include "app/win32/Owners.h"
#include "tests/standin/browser/Peer.h"

namespace zel::standin {

namespace {

using win32::Narrow;
using win32::Widen;

constexpr DISPID kValueId = 1;
constexpr DISPID kEvalId = 2;
constexpr DISPID kFirstVariableId = 1000;
constexpr HRESULT kScriptFailed = static_cast<HRESULT>(0x80020101);  // SCRIPT_E_REPORTED

std::wstring Text(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : L""; }

HRESULT GiveText(const std::optional<std::string>& text, VARIANT* out) {
  if (out == nullptr) return E_POINTER;
  ::VariantInit(out);
  if (!text) {
    out->vt = VT_NULL;
    return S_OK;
  }
  out->vt = VT_BSTR;
  return Give(Widen(*text), &out->bstrVal);
}

// The mouse button of the element event being handled; 0 outside a press.
long g_eventButton = 0;
bool g_inEvent = false;

// window.event while an element's handler runs: what a press was made with.
class EventObject final : public ComObject<IHTMLEventObj> {
 public:
  explicit EventObject(long button) : button_(button) {}
  HRESULT STDMETHODCALLTYPE get_button(LONG* button) override {
    if (button == nullptr) return E_POINTER;
    *button = button_;
    return S_OK;
  }

  // Never called by the program.
  STUB_DISPATCH
  STUB(get_srcElement, IHTMLElement**)
  STUB(get_altKey, VARIANT_BOOL*)
  STUB(get_ctrlKey, VARIANT_BOOL*)
  STUB(get_shiftKey, VARIANT_BOOL*)
  STUB(put_returnValue, VARIANT)
  STUB(get_returnValue, VARIANT*)
  STUB(put_cancelBubble, VARIANT_BOOL)
  STUB(get_cancelBubble, VARIANT_BOOL*)
  STUB(get_fromElement, IHTMLElement**)
  STUB(get_toElement, IHTMLElement**)
  STUB(put_keyCode, LONG)
  STUB(get_keyCode, LONG*)
  STUB(get_type, BSTR*)
  STUB(get_qualifier, BSTR*)
  STUB(get_reason, LONG*)
  STUB(get_x, LONG*)
  STUB(get_y, LONG*)
  STUB(get_clientX, LONG*)
  STUB(get_clientY, LONG*)
  STUB(get_offsetX, LONG*)
  STUB(get_offsetY, LONG*)
  STUB(get_screenX, LONG*)
  STUB(get_screenY, LONG*)
  STUB(get_srcFilter, IDispatch**)

 private:
  void* Find(REFIID riid) override {
    if (Is(riid, IID_IUnknown) || Is(riid, IID_IDispatch) || Is(riid, IID_IHTMLEventObj)) {
      return static_cast<IHTMLEventObj*>(this);
    }
    return nullptr;
  }
  long button_;
};

class TextRange final : public ComObject<IHTMLTxtRange> {
 public:
  explicit TextRange(std::wstring text) : text_(std::move(text)) {}
  HRESULT STDMETHODCALLTYPE get_text(BSTR* text) override { return Give(text_, text); }

  // Never called by the program.
  STUB_DISPATCH
  STUB(get_htmlText, BSTR*)
  STUB(put_text, BSTR)
  STUB(parentElement, IHTMLElement**)
  STUB(duplicate, IHTMLTxtRange**)
  STUB(inRange, IHTMLTxtRange*, VARIANT_BOOL*)
  STUB(isEqual, IHTMLTxtRange*, VARIANT_BOOL*)
  STUB(scrollIntoView, VARIANT_BOOL)
  STUB(collapse, VARIANT_BOOL)
  STUB(expand, BSTR, VARIANT_BOOL*)
  STUB(move, BSTR, LONG, LONG*)
  STUB(moveStart, BSTR, LONG, LONG*)
  STUB(moveEnd, BSTR, LONG, LONG*)
  STUB(select)
  STUB(pasteHTML, BSTR)
  STUB(moveToElementText, IHTMLElement*)
  STUB(setEndPoint, BSTR, IHTMLTxtRange*)
  STUB(compareEndPoints, BSTR, IHTMLTxtRange*, LONG*)
  STUB(findText, BSTR, LONG, LONG, VARIANT_BOOL*)
  STUB(moveToPoint, LONG, LONG)
  STUB(getBookmark, BSTR*)
  STUB(moveToBookmark, BSTR, VARIANT_BOOL*)
  STUB(queryCommandSupported, BSTR, VARIANT_BOOL*)
  STUB(queryCommandEnabled, BSTR, VARIANT_BOOL*)
  STUB(queryCommandState, BSTR, VARIANT_BOOL*)
  STUB(queryCommandIndeterm, BSTR, VARIANT_BOOL*)
  STUB(queryCommandText, BSTR, BSTR*)
  STUB(queryCommandValue, BSTR, VARIANT*)
  STUB(execCommand, BSTR, VARIANT_BOOL, VARIANT, VARIANT_BOOL*)
  STUB(execCommandShowHelp, BSTR, VARIANT_BOOL*)

 private:
  void* Find(REFIID riid) override {
    if (Is(riid, IID_IUnknown) || Is(riid, IID_IDispatch) || Is(riid, IID_IHTMLTxtRange)) {
      return static_cast<IHTMLTxtRange*>(this);
    }
    return nullptr;
  }
  std::wstring text_;
};

// The selection is the selected text of the page's focused field, read when the range is made.
class Selection final : public ComObject<IHTMLSelectionObject> {
 public:
  explicit Selection(IPageHost* host) : host_(host) {}
  HRESULT STDMETHODCALLTYPE createRange(IDispatch** range) override {
    return Give(Make<TextRange>(host_ ? host_->SelectedText() : L""), range);
  }

  // Never called by the program.
  STUB_DISPATCH
  STUB(empty)
  STUB(clear)
  STUB(get_type, BSTR*)

 private:
  void* Find(REFIID riid) override {
    if (Is(riid, IID_IUnknown) || Is(riid, IID_IDispatch) || Is(riid, IID_IHTMLSelectionObject)) {
      return static_cast<IHTMLSelectionObject*>(this);
    }
    return nullptr;
  }
  IPageHost* host_;
};

class ElementCollection final : public ComObject<IHTMLElementCollection> {
 public:
  explicit ElementCollection(ComPtr<Document> document) : document_(std::move(document)) {}

  // item(id, 0): the first element whose id or name it is; null when there is none.
  HRESULT STDMETHODCALLTYPE item(VARIANT name, VARIANT index, IDispatch** element) override {
    if (element == nullptr) return E_POINTER;
    *element = nullptr;
    if (name.vt != VT_BSTR) return E_INVALIDARG;
    const bool first = index.vt == VT_EMPTY || index.vt == VT_ERROR ||
                       (index.vt == VT_I4 && index.lVal == 0);
    const std::string id = Narrow(Text(name.bstrVal));
    for (const ComPtr<Element>& candidate : document_->Elements()) {
      if (first && candidate->Source().id == id) return Give(candidate, element);
    }
    return S_OK;
  }

  // Never called by the program.
  STUB_DISPATCH
  STUB(toString, BSTR*)
  STUB(put_length, LONG)
  STUB(get_length, LONG*)
  STUB(get__newEnum, IUnknown**)
  STUB(tags, VARIANT, IDispatch**)

 private:
  void* Find(REFIID riid) override {
    if (Is(riid, IID_IUnknown) || Is(riid, IID_IDispatch) ||
        Is(riid, IID_IHTMLElementCollection)) {
      return static_cast<IHTMLElementCollection*>(this);
    }
    return nullptr;
  }
  ComPtr<Document> document_;
};

// The page's script context: scripts to run, and its variables read by name.
class PageWindow final : public ComObject<IHTMLWindow2> {
 public:
  explicit PageWindow(ComPtr<Document> document) : document_(std::move(document)) {}

  HRESULT STDMETHODCALLTYPE execScript(BSTR code, BSTR, VARIANT* result) override {
    if (result != nullptr) ::VariantInit(result);
    const char* refuse = std::getenv(kRefuseExecScriptVariable);
    if (refuse != nullptr && *refuse != '\0') return E_ACCESSDENIED;
    return document_->RunScript(Text(code));
  }
  HRESULT STDMETHODCALLTYPE get_event(IHTMLEventObj** event) override {
    if (event == nullptr) return E_POINTER;
    *event = nullptr;
    // Outside an element's handler there is no event: null, as MSHTML answers.
    if (!g_inEvent) return S_OK;
    return Give(Make<EventObject>(g_eventButton), event);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (names == nullptr || ids == nullptr || count != 1) return E_INVALIDARG;
    if (std::wstring(names[0]) == L"eval") {
      ids[0] = kEvalId;
      return S_OK;
    }
    const auto& variables = document_->Content().variables;
    const auto it = variables.find(Narrow(names[0]));
    if (it == variables.end()) {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    ids[0] = kFirstVariableId + static_cast<DISPID>(std::distance(variables.begin(), it));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id == kEvalId) {
      if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
      if (params == nullptr || params->cArgs != 1 || params->rgvarg[0].vt != VT_BSTR) {
        return DISP_E_BADPARAMCOUNT;
      }
      if (result != nullptr) ::VariantInit(result);
      return document_->RunScript(Text(params->rgvarg[0].bstrVal));
    }
    const auto& variables = document_->Content().variables;
    const DISPID index = id - kFirstVariableId;
    if (index < 0 || index >= static_cast<DISPID>(variables.size())) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    return GiveText(std::next(variables.begin(), index)->second, result);
  }

  // Never called by the program.
  STUB(GetTypeInfoCount, UINT*)
  STUB(GetTypeInfo, UINT, LCID, ITypeInfo**)
  STUB(item, VARIANT*, VARIANT*)
  STUB(get_length, LONG*)
  STUB(get_frames, IHTMLFramesCollection2**)
  STUB(put_defaultStatus, BSTR)
  STUB(get_defaultStatus, BSTR*)
  STUB(put_status, BSTR)
  STUB(get_status, BSTR*)
  STUB(setTimeout, BSTR, LONG, VARIANT*, LONG*)
  STUB(clearTimeout, LONG)
  STUB(alert, BSTR)
  STUB(confirm, BSTR, VARIANT_BOOL*)
  STUB(prompt, BSTR, BSTR, VARIANT*)
  STUB(get_Image, IHTMLImageElementFactory**)
  STUB(get_location, IHTMLLocation**)
  STUB(get_history, IOmHistory**)
  STUB(close)
  STUB(put_opener, VARIANT)
  STUB(get_opener, VARIANT*)
  STUB(get_navigator, IOmNavigator**)
  STUB(put_name, BSTR)
  STUB(get_name, BSTR*)
  STUB(get_parent, IHTMLWindow2**)
  STUB(open, BSTR, BSTR, BSTR, VARIANT_BOOL, IHTMLWindow2**)
  STUB(get_self, IHTMLWindow2**)
  STUB(get_top, IHTMLWindow2**)
  STUB(get_window, IHTMLWindow2**)
  STUB(navigate, BSTR)
  STUB(put_onfocus, VARIANT)
  STUB(get_onfocus, VARIANT*)
  STUB(put_onblur, VARIANT)
  STUB(get_onblur, VARIANT*)
  STUB(put_onload, VARIANT)
  STUB(get_onload, VARIANT*)
  STUB(put_onbeforeunload, VARIANT)
  STUB(get_onbeforeunload, VARIANT*)
  STUB(put_onunload, VARIANT)
  STUB(get_onunload, VARIANT*)
  STUB(put_onhelp, VARIANT)
  STUB(get_onhelp, VARIANT*)
  STUB(put_onerror, VARIANT)
  STUB(get_onerror, VARIANT*)
  STUB(put_onresize, VARIANT)
  STUB(get_onresize, VARIANT*)
  STUB(put_onscroll, VARIANT)
  STUB(get_onscroll, VARIANT*)
  STUB(get_document, IHTMLDocument2**)
  STUB(get__newEnum, IUnknown**)
  STUB(showModalDialog, BSTR, VARIANT*, VARIANT*, VARIANT*)
  STUB(showHelp, BSTR, VARIANT, BSTR)
  STUB(get_screen, IHTMLScreen**)
  STUB(get_Option, IHTMLOptionElementFactory**)
  STUB(focus)
  STUB(get_closed, VARIANT_BOOL*)
  STUB(blur)
  STUB(scroll, LONG, LONG)
  STUB(get_clientInformation, IOmNavigator**)
  STUB(setInterval, BSTR, LONG, VARIANT*, LONG*)
  STUB(clearInterval, LONG)
  STUB(put_offscreenBuffering, VARIANT)
  STUB(get_offscreenBuffering, VARIANT*)
  STUB(toString, BSTR*)
  STUB(scrollBy, LONG, LONG)
  STUB(scrollTo, LONG, LONG)
  STUB(moveTo, LONG, LONG)
  STUB(moveBy, LONG, LONG)
  STUB(resizeTo, LONG, LONG)
  STUB(resizeBy, LONG, LONG)
  STUB(get_external, IDispatch**)

 private:
  void* Find(REFIID riid) override {
    if (Is(riid, IID_IUnknown) || Is(riid, IID_IDispatch) ||
        Is(riid, IID_IHTMLFramesCollection2) || Is(riid, IID_IHTMLWindow2)) {
      return static_cast<IHTMLWindow2*>(this);
    }
    return nullptr;
  }
  ComPtr<Document> document_;
};

}  // namespace

// One line per script in the file the test bed names; a path in Linux form is taken as Wine
// maps it (drive Z:).
void RecordScript(const std::wstring& code) {
  const char* path = std::getenv(kScriptLogVariable);
  if (path == nullptr || *path == '\0') return;
  std::wstring file = Widen(path);
  if (file[0] == L'/') {
    file = L"Z:" + file;
    for (wchar_t& c : file) {
      if (c == L'/') c = L'\\';
    }
  }
  std::string line = Narrow(code);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  line += '\n';
  const win32::UniqueHandleObj out(win32::OwnFileHandle(
      ::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE |
                    FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
  DWORD written = 0;
  if (out) ::WriteFile(out.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// ---- Element

void* Element::Find(REFIID riid) {
  if (Is(riid, IID_IUnknown) || Is(riid, IID_IDispatch) || Is(riid, IID_IHTMLElement)) {
    return static_cast<IHTMLElement*>(this);
  }
  return nullptr;
}

HRESULT Element::Assign(ComPtr<IDispatch>& slot, const VARIANT& handler) {
  if (handler.vt == VT_DISPATCH) {
    slot = handler.pdispVal;
  } else if (handler.vt == VT_NULL || handler.vt == VT_EMPTY) {
    slot.Reset();
  } else {
    return E_INVALIDARG;
  }
  MarkControl();
  return S_OK;
}

void Element::ShowAsControl(HWND control) {
  control_ = control;
  MarkControl();
}

void Element::MarkControl() const {
  if (control_ == nullptr) return;
  const INT_PTR bits = (onclick_ ? kOnClickBit : 0) | (onmousedown_ ? kOnMouseDownBit : 0) |
                       (onkeyup_ ? kOnKeyUpBit : 0);
  ::SetPropW(control_, kHandlersProperty, reinterpret_cast<HANDLE>(bits));
}

const ComPtr<IDispatch>& Element::Slot(ElementEvent event) const {
  switch (event) {
    case ElementEvent::MouseDown: return onmousedown_;
    case ElementEvent::KeyUp: return onkeyup_;
    case ElementEvent::Click: break;
  }
  return onclick_;
}

bool Element::Handles(ElementEvent event) const { return Slot(event) != nullptr; }

void Element::Fire(ElementEvent event, long button) {
  // The handler may bind the page again and so replace itself while it runs.
  const ComPtr<IDispatch> handler = Slot(event);
  if (!handler) return;
  DISPPARAMS none{};
  VARIANT result;
  ::VariantInit(&result);
  // A handler may run a nested loop that delivers another element's event.
  const long outerButton = g_eventButton;
  const bool outerEvent = g_inEvent;
  g_eventButton = button;
  g_inEvent = true;
  handler->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result,
                  nullptr, nullptr);
  g_eventButton = outerButton;
  g_inEvent = outerEvent;
  ::VariantClear(&result);
}

void Element::Unload() {
  onclick_.Reset();
  onmousedown_.Reset();
  onkeyup_.Reset();
  MarkControl();
  field_ = nullptr;
  control_ = nullptr;
}

std::wstring Element::LiveValue() const {
  if (field_ == nullptr) return Widen(markup_.Attribute("value").value_or(""));
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(field_)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(field_, text.data(),
                                                        static_cast<int>(text.size()))));
  return text;
}

HRESULT Element::getAttribute(BSTR name, LONG, VARIANT* value) {
  return GiveText(markup_.Attribute(Narrow(Text(name))), value);
}

HRESULT Element::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (names == nullptr || ids == nullptr || count != 1) return E_INVALIDARG;
  const bool field = markup_.kind == ElementKind::Edit || markup_.kind == ElementKind::Hidden;
  if (!field || std::wstring(names[0]) != L"value") {
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  ids[0] = kValueId;
  return S_OK;
}

HRESULT Element::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                        EXCEPINFO*, UINT*) {
  if (id != kValueId || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (result == nullptr) return E_POINTER;
  ::VariantInit(result);
  result->vt = VT_BSTR;
  return Give(LiveValue(), &result->bstrVal);
}

// ---- Document

Document::Document(IPageHost& host, std::wstring url, const Markup& markup)
    : host_(&host), url_(std::move(url)) {
  Replace(markup);
}

void* Document::Find(REFIID riid) {
  if (Is(riid, IID_IUnknown) || Is(riid, IID_IDispatch) || Is(riid, IID_IHTMLDocument) ||
      Is(riid, IID_IHTMLDocument2)) {
    return static_cast<IHTMLDocument2*>(this);
  }
  if (Is(riid, IID_IPersistStreamInit)) return static_cast<IPersistStreamInit*>(this);
  if (Is(riid, IID_IOleCommandTarget)) return static_cast<IOleCommandTarget*>(this);
  return nullptr;
}

void Document::Detach() {
  host_ = nullptr;
  for (const ComPtr<Element>& element : elements_) element->Unload();
}

void Document::Replace(const Markup& markup) {
  for (const ComPtr<Element>& element : elements_) element->Unload();
  markup_ = markup;
  elements_.clear();
  for (const MarkupElement& element : markup_.elements) {
    elements_.push_back(Make<Element>(element));
  }
}

HRESULT Document::RunScript(const std::wstring& code) {
  RecordScript(code);
  const ScriptEffect effect = InterpretScript(Narrow(code), markup_);
  switch (effect.kind) {
    case ScriptEffect::Kind::Fails: return kScriptFailed;
    case ScriptEffect::Kind::Alert:
      if (host_ != nullptr) host_->ShowStatus(Widen(effect.text));
      break;
    case ScriptEffect::Kind::Reload:
      if (host_ != nullptr) host_->Reload();
      break;
    case ScriptEffect::Kind::None: break;
  }
  return S_OK;
}

HRESULT Document::get_all(IHTMLElementCollection** all) {
  return Give(Make<ElementCollection>(ComPtr<Document>(this)), all);
}

HRESULT Document::get_parentWindow(IHTMLWindow2** window) {
  return Give(Make<PageWindow>(ComPtr<Document>(this)), window);
}

HRESULT Document::get_selection(IHTMLSelectionObject** selection) {
  return Give(Make<Selection>(host_), selection);
}

HRESULT Document::InitNew() {
  Replace(Markup{});
  return S_OK;
}

HRESULT Document::Load(LPSTREAM stream) {
  if (stream == nullptr) return E_POINTER;
  std::string bytes;
  char buffer[4096];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) {
    bytes.append(buffer, read);
  }
  // The document keeps its address (and so its origin): a page written into a document that
  // came from elsewhere speaks for that address.
  Replace(ReadMarkup(bytes));
  if (host_ != nullptr) host_->DocumentLoaded();
  return S_OK;
}

HRESULT Document::Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT*) {
  if (group != nullptr) return OLECMDERR_E_UNKNOWNGROUP;
  if (command != OLECMDID_COPY && command != OLECMDID_PASTE) return OLECMDERR_E_NOTSUPPORTED;
  return host_ != nullptr && host_->EditCommand(command) ? S_OK : OLECMDERR_E_DISABLED;
}

}  // namespace zel::standin
