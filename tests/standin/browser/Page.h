#pragma once
// The document side of the stand-in browser: a page read by the markup reader, shown through
// the MSHTML interfaces that the program's browser host uses. Elements fire the handlers the
// program assigned to them; the page window runs (records) scripts and answers page variables.
#include <mshtml.h>
#include <ocidl.h>
#include <docobj.h>

#include <string>
#include <vector>

#include "tests/standin/browser/ComBase.h"
#include "tests/standin/browser/Markup.h"

namespace zel::standin {

// Appends one line (line breaks made blanks) to the record the test bed names.
void RecordScript(const std::wstring& code);

// What a page asks of the control that shows it.
class IPageHost {
 public:
  // The document was replaced from a stream; the control reports its completion.
  virtual void DocumentLoaded() = 0;
  virtual void Reload() = 0;
  virtual void ShowStatus(const std::wstring& text) = 0;
  virtual std::wstring SelectedText() = 0;
  // OLECMDID_COPY or OLECMDID_PASTE in the page's focused field; false when there is none.
  virtual bool EditCommand(DWORD command) = 0;

 protected:
  ~IPageHost() = default;
};

enum class ElementEvent { Click, MouseDown, KeyUp };

class Element final : public ComObject<IHTMLElement> {
 public:
  explicit Element(MarkupElement markup) : markup_(std::move(markup)) {}

  const MarkupElement& Source() const { return markup_; }
  // The edit field that holds the element's live value; nullptr when none is shown.
  void ShowIn(HWND field) { field_ = field; }
  // The control that shows the element: it carries which handlers the element holds.
  void ShowAsControl(HWND control);
  bool Handles(ElementEvent event) const;
  // Calls the handler the program assigned to the event, if any. During the call the page
  // window's event is this one, with the mouse button (IHTMLEventObj::button: 1 left, 2 right,
  // 4 middle) of a press.
  void Fire(ElementEvent event, long button = 0);
  // The page went away: its elements let go of their handlers.
  void Unload();

  HRESULT STDMETHODCALLTYPE getAttribute(BSTR name, LONG flags, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE put_onclick(VARIANT v) override { return Assign(onclick_, v); }
  HRESULT STDMETHODCALLTYPE put_onmousedown(VARIANT v) override { return Assign(onmousedown_, v); }
  HRESULT STDMETHODCALLTYPE put_onkeyup(VARIANT v) override { return Assign(onkeyup_, v); }
  // The "value" property, read late-bound: fields only.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                   VARIANT* result, EXCEPINFO*, UINT*) override;

  // Never called by the program.
  STUB(GetTypeInfoCount, UINT*)
  STUB(GetTypeInfo, UINT, LCID, ITypeInfo**)
  STUB(setAttribute, BSTR, VARIANT, LONG)
  STUB(removeAttribute, BSTR, LONG, VARIANT_BOOL*)
  STUB(put_className, BSTR)
  STUB(get_className, BSTR*)
  STUB(put_id, BSTR)
  STUB(get_id, BSTR*)
  STUB(get_tagName, BSTR*)
  STUB(get_parentElement, IHTMLElement**)
  STUB(get_style, IHTMLStyle**)
  STUB(put_onhelp, VARIANT)
  STUB(get_onhelp, VARIANT*)
  STUB(get_onclick, VARIANT*)
  STUB(put_ondblclick, VARIANT)
  STUB(get_ondblclick, VARIANT*)
  STUB(put_onkeydown, VARIANT)
  STUB(get_onkeydown, VARIANT*)
  STUB(get_onkeyup, VARIANT*)
  STUB(put_onkeypress, VARIANT)
  STUB(get_onkeypress, VARIANT*)
  STUB(put_onmouseout, VARIANT)
  STUB(get_onmouseout, VARIANT*)
  STUB(put_onmouseover, VARIANT)
  STUB(get_onmouseover, VARIANT*)
  STUB(put_onmousemove, VARIANT)
  STUB(get_onmousemove, VARIANT*)
  STUB(get_onmousedown, VARIANT*)
  STUB(put_onmouseup, VARIANT)
  STUB(get_onmouseup, VARIANT*)
  STUB(get_document, IDispatch**)
  STUB(put_title, BSTR)
  STUB(get_title, BSTR*)
  STUB(put_language, BSTR)
  STUB(get_language, BSTR*)
  STUB(put_onselectstart, VARIANT)
  STUB(get_onselectstart, VARIANT*)
  STUB(scrollIntoView, VARIANT)
  STUB(contains, IHTMLElement*, VARIANT_BOOL*)
  STUB(get_sourceIndex, LONG*)
  STUB(get_recordNumber, VARIANT*)
  STUB(put_lang, BSTR)
  STUB(get_lang, BSTR*)
  STUB(get_offsetLeft, LONG*)
  STUB(get_offsetTop, LONG*)
  STUB(get_offsetWidth, LONG*)
  STUB(get_offsetHeight, LONG*)
  STUB(get_offsetParent, IHTMLElement**)
  STUB(put_innerHTML, BSTR)
  STUB(get_innerHTML, BSTR*)
  STUB(put_innerText, BSTR)
  STUB(get_innerText, BSTR*)
  STUB(put_outerHTML, BSTR)
  STUB(get_outerHTML, BSTR*)
  STUB(put_outerText, BSTR)
  STUB(get_outerText, BSTR*)
  STUB(insertAdjacentHTML, BSTR, BSTR)
  STUB(insertAdjacentText, BSTR, BSTR)
  STUB(get_parentTextEdit, IHTMLElement**)
  STUB(get_isTextEdit, VARIANT_BOOL*)
  STUB(click)
  STUB(get_filters, IHTMLFiltersCollection**)
  STUB(put_ondragstart, VARIANT)
  STUB(get_ondragstart, VARIANT*)
  STUB(toString, BSTR*)
  STUB(put_onbeforeupdate, VARIANT)
  STUB(get_onbeforeupdate, VARIANT*)
  STUB(put_onafterupdate, VARIANT)
  STUB(get_onafterupdate, VARIANT*)
  STUB(put_onerrorupdate, VARIANT)
  STUB(get_onerrorupdate, VARIANT*)
  STUB(put_onrowexit, VARIANT)
  STUB(get_onrowexit, VARIANT*)
  STUB(put_onrowenter, VARIANT)
  STUB(get_onrowenter, VARIANT*)
  STUB(put_ondatasetchanged, VARIANT)
  STUB(get_ondatasetchanged, VARIANT*)
  STUB(put_ondataavailable, VARIANT)
  STUB(get_ondataavailable, VARIANT*)
  STUB(put_ondatasetcomplete, VARIANT)
  STUB(get_ondatasetcomplete, VARIANT*)
  STUB(put_onfilterchange, VARIANT)
  STUB(get_onfilterchange, VARIANT*)
  STUB(get_children, IDispatch**)
  STUB(get_all, IDispatch**)

 private:
  void* Find(REFIID riid) override;
  HRESULT Assign(ComPtr<IDispatch>& slot, const VARIANT& handler);
  void MarkControl() const;
  const ComPtr<IDispatch>& Slot(ElementEvent event) const;
  std::wstring LiveValue() const;

  MarkupElement markup_;
  HWND field_ = nullptr;
  HWND control_ = nullptr;
  ComPtr<IDispatch> onclick_, onmousedown_, onkeyup_;
};

class Document final : public ComObject<IHTMLDocument2, IPersistStreamInit, IOleCommandTarget> {
 public:
  Document(IPageHost& host, std::wstring url, const Markup& markup);

  const std::wstring& Url() const { return url_; }
  const Markup& Content() const { return markup_; }
  const std::vector<ComPtr<Element>>& Elements() const { return elements_; }
  // The control let go of the page: nothing reaches it from the page any more.
  void Detach();

  // Records the script, then carries out what it does here (see InterpretScript).
  HRESULT RunScript(const std::wstring& code);

  HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** all) override;
  HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** window) override;
  HRESULT STDMETHODCALLTYPE get_selection(IHTMLSelectionObject** selection) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
  HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD command, DWORD, VARIANT*,
                                 VARIANT*) override;

  // Never called by the program.
  STUB_DISPATCH
  STUB(get_Script, IDispatch**)
  STUB(get_body, IHTMLElement**)
  STUB(get_activeElement, IHTMLElement**)
  STUB(get_images, IHTMLElementCollection**)
  STUB(get_applets, IHTMLElementCollection**)
  STUB(get_links, IHTMLElementCollection**)
  STUB(get_forms, IHTMLElementCollection**)
  STUB(get_anchors, IHTMLElementCollection**)
  STUB(put_title, BSTR)
  STUB(get_title, BSTR*)
  STUB(get_scripts, IHTMLElementCollection**)
  STUB(put_designMode, BSTR)
  STUB(get_designMode, BSTR*)
  STUB(get_readyState, BSTR*)
  STUB(get_frames, IHTMLFramesCollection2**)
  STUB(get_embeds, IHTMLElementCollection**)
  STUB(get_plugins, IHTMLElementCollection**)
  STUB(put_alinkColor, VARIANT)
  STUB(get_alinkColor, VARIANT*)
  STUB(put_bgColor, VARIANT)
  STUB(get_bgColor, VARIANT*)
  STUB(put_fgColor, VARIANT)
  STUB(get_fgColor, VARIANT*)
  STUB(put_linkColor, VARIANT)
  STUB(get_linkColor, VARIANT*)
  STUB(put_vlinkColor, VARIANT)
  STUB(get_vlinkColor, VARIANT*)
  STUB(get_referrer, BSTR*)
  STUB(get_location, IHTMLLocation**)
  STUB(get_lastModified, BSTR*)
  STUB(put_URL, BSTR)
  STUB(get_URL, BSTR*)
  STUB(put_domain, BSTR)
  STUB(get_domain, BSTR*)
  STUB(put_cookie, BSTR)
  STUB(get_cookie, BSTR*)
  STUB(put_expando, VARIANT_BOOL)
  STUB(get_expando, VARIANT_BOOL*)
  STUB(put_charset, BSTR)
  STUB(get_charset, BSTR*)
  STUB(put_defaultCharset, BSTR)
  STUB(get_defaultCharset, BSTR*)
  STUB(get_mimeType, BSTR*)
  STUB(get_fileSize, BSTR*)
  STUB(get_fileCreatedDate, BSTR*)
  STUB(get_fileModifiedDate, BSTR*)
  STUB(get_fileUpdatedDate, BSTR*)
  STUB(get_security, BSTR*)
  STUB(get_protocol, BSTR*)
  STUB(get_nameProp, BSTR*)
  STUB(write, SAFEARRAY*)
  STUB(writeln, SAFEARRAY*)
  STUB(open, BSTR, VARIANT, VARIANT, VARIANT, IDispatch**)
  STUB(close)
  STUB(clear)
  STUB(queryCommandSupported, BSTR, VARIANT_BOOL*)
  STUB(queryCommandEnabled, BSTR, VARIANT_BOOL*)
  STUB(queryCommandState, BSTR, VARIANT_BOOL*)
  STUB(queryCommandIndeterm, BSTR, VARIANT_BOOL*)
  STUB(queryCommandText, BSTR, BSTR*)
  STUB(queryCommandValue, BSTR, VARIANT*)
  STUB(execCommand, BSTR, VARIANT_BOOL, VARIANT, VARIANT_BOOL*)
  STUB(execCommandShowHelp, BSTR, VARIANT_BOOL*)
  STUB(createElement, BSTR, IHTMLElement**)
  STUB(put_onhelp, VARIANT)
  STUB(get_onhelp, VARIANT*)
  STUB(put_onclick, VARIANT)
  STUB(get_onclick, VARIANT*)
  STUB(put_ondblclick, VARIANT)
  STUB(get_ondblclick, VARIANT*)
  STUB(put_onkeyup, VARIANT)
  STUB(get_onkeyup, VARIANT*)
  STUB(put_onkeydown, VARIANT)
  STUB(get_onkeydown, VARIANT*)
  STUB(put_onkeypress, VARIANT)
  STUB(get_onkeypress, VARIANT*)
  STUB(put_onmouseup, VARIANT)
  STUB(get_onmouseup, VARIANT*)
  STUB(put_onmousedown, VARIANT)
  STUB(get_onmousedown, VARIANT*)
  STUB(put_onmousemove, VARIANT)
  STUB(get_onmousemove, VARIANT*)
  STUB(put_onmouseout, VARIANT)
  STUB(get_onmouseout, VARIANT*)
  STUB(put_onmouseover, VARIANT)
  STUB(get_onmouseover, VARIANT*)
  STUB(put_onreadystatechange, VARIANT)
  STUB(get_onreadystatechange, VARIANT*)
  STUB(put_onafterupdate, VARIANT)
  STUB(get_onafterupdate, VARIANT*)
  STUB(put_onrowexit, VARIANT)
  STUB(get_onrowexit, VARIANT*)
  STUB(put_onrowenter, VARIANT)
  STUB(get_onrowenter, VARIANT*)
  STUB(put_ondragstart, VARIANT)
  STUB(get_ondragstart, VARIANT*)
  STUB(put_onselectstart, VARIANT)
  STUB(get_onselectstart, VARIANT*)
  STUB(elementFromPoint, LONG, LONG, IHTMLElement**)
  STUB(get_styleSheets, IHTMLStyleSheetsCollection**)
  STUB(put_onbeforeupdate, VARIANT)
  STUB(get_onbeforeupdate, VARIANT*)
  STUB(put_onerrorupdate, VARIANT)
  STUB(get_onerrorupdate, VARIANT*)
  STUB(toString, BSTR*)
  STUB(createStyleSheet, BSTR, LONG, IHTMLStyleSheet**)
  STUB(GetClassID, CLSID*)
  STUB(IsDirty)
  STUB(Save, LPSTREAM, WINBOOL)
  STUB(GetSizeMax, ULARGE_INTEGER*)
  STUB(QueryStatus, const GUID*, ULONG, OLECMD*, OLECMDTEXT*)

 private:
  void* Find(REFIID riid) override;
  void Replace(const Markup& markup);

  IPageHost* host_;
  std::wstring url_;
  Markup markup_;
  std::vector<ComPtr<Element>> elements_;
};

}  // namespace zel::standin
