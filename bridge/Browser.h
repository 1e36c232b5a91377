#pragma once
// What the program does with an embedded browser control. The Win32 implementation hosts the
// Internet Explorer WebBrowser control; tests use a fake with a small DOM.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace zel {

class IEventSink;

// A failing browser or DOM call.
class BrowserError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class EventProperty { OnClick, OnMouseDown, OnKeyUp };

const char* EventPropertyName(EventProperty property);

class IHtmlElement {
 public:
  IHtmlElement() = default;
  IHtmlElement(const IHtmlElement&) = delete;
  IHtmlElement& operator=(const IHtmlElement&) = delete;
  virtual ~IHtmlElement() = default;
  // getAttribute("value", 0) as text; empty when the element has no value.
  virtual std::string Value() = 0;
  // Assigns the sink to the event property, replacing what the property held. Throws BrowserError.
  virtual void Bind(EventProperty property, IEventSink& sink) = 0;
};

enum class EditCommand { Copy = 12, Paste = 13 };

// Events of one browser, raised on the main thread. The handlers may throw: the adapter's
// boundary hands the exception to the program's handler.
class IBrowserEvents {
 public:
  virtual ~IBrowserEvents() = default;
  // pDisp identifies the object whose document completed; compare with IBrowser::IsTopLevel.
  virtual void DocumentComplete(const void* pDisp, const std::string& url) = 0;
  virtual void NavigateComplete2(const std::string& url) = 0;
  // The top-level document failed to load.
  virtual void NavigateError(const std::string& url, int statusCode, bool& cancel) = 0;
  // A frame of the page failed to load (an advertisement, a counter): cancelled, so that no
  // error page of the browser's shows in it, and logged once; nothing else is touched.
  virtual void FrameNavigateError(const std::string& url, int statusCode, bool& cancel);
  virtual void CommandStateChange(long command, bool enable) = 0;
  // A download ended (DownloadComplete). A refresh raises no DocumentComplete: this, with
  // CommandStateChange, is all that tells of its new document.
  virtual void DownloadComplete() {}
  virtual void ScriptError(bool& continueScripts, bool& showDialog) = 0;
  // Screen coordinates of the click; return true when the program handled the request.
  virtual bool ShowContextMenu(int x, int y) = 0;
  // F5 or Ctrl+R in the page: the program's own reload, never the control's.
  virtual void ReloadKey() = 0;
  // The page asked for a new window at the address (a link's target, window.open, Shift or
  // Ctrl with a click); the control's own window was refused.
  virtual void NewWindow(const std::string& url) = 0;
};

class IBrowser {
 public:
  IBrowser() = default;
  IBrowser(const IBrowser&) = delete;
  IBrowser& operator=(const IBrowser&) = delete;
  virtual ~IBrowser() = default;

  virtual void SetEvents(IBrowserEvents* events) = 0;

  // Starts loading; a failing call throws BrowserError.
  virtual void Navigate(const std::string& url) = 0;
  virtual void NavigateWithHeaders(const std::string& url, const std::string& headers) = 0;
  // Replaces the document by a fresh one holding the HTML (UTF-8 bytes): a blank page is
  // navigated to first (NavigateComplete2 "about:blank"), then its completion comes as
  // DocumentComplete.
  virtual void LoadHtml(const std::string& html) = 0;
  virtual void Stop() = 0;
  virtual void SetSilent(bool silent) = 0;

  virtual bool HasDocument() = 0;
  virtual std::string LocationURL() = 0;
  virtual int ReadyState() = 0;
  virtual bool IsTopLevel(const void* pDisp) = 0;
  // The identity of the document shown, nullptr without one. A reload makes a new document.
  virtual const void* DocumentIdentity() = 0;

  // Document.all.item(id, 0) as an HTML element; nullptr when the page has none.
  // Throws BrowserError when the lookup fails or the match is not an HTML element.
  virtual std::unique_ptr<IHtmlElement> FindElement(const std::string& id) = 0;

  // Runs the script in the page window ("Javascript"); throws BrowserError on failure.
  virtual void ExecScript(const std::string& code) = 0;
  // Document.parentWindow.<name> as text; throws BrowserError when the page lacks it.
  virtual std::string PageVariable(const std::string& name) = 0;
  // Copy or paste on the document; nothing without a document, errors swallowed.
  virtual void ExecCommand(EditCommand command) = 0;
  // The mouse buttons of the page's current event (window.event) as bits: 1 left, 2 right,
  // 4 middle. Throws BrowserError when there is no event or it cannot be read.
  virtual int EventButtons() = 0;
  // Document.selection.createRange().text; throws BrowserError when it cannot be read (no
  // document included).
  virtual std::string SelectedText() = 0;

  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() = 0;
  // Activates the control for the keyboard and puts the focus into its page, so Tab and the
  // page's keys work before anyone clicked into it. Failures are of no interest to the caller.
  virtual void Focus() = 0;
  // True when the native window is the control's window or one of its children.
  virtual bool OwnsWindow(std::intptr_t window) = 0;
};

// The main window's two browsers: the wide page, the narrow one, and the one its layout shows.
class IMainBrowsers {
 public:
  IMainBrowsers() = default;
  IMainBrowsers(const IMainBrowsers&) = delete;
  IMainBrowsers& operator=(const IMainBrowsers&) = delete;
  virtual ~IMainBrowsers() = default;
  virtual IBrowser& Wide() = 0;
  virtual IBrowser& Narrow() = 0;
  virtual IBrowser& Active() = 0;
};

// The press that raised the page's current event was made with the left button. A press whose
// button cannot be read counts as the left one: only that button can be pressed everywhere.
bool LeftButtonPressed(IBrowser& browser);

// The optical zoom to ask of a browser for a document: the wanted one when it is not 100 %;
// 100 % when the document shows another zoom (one IE kept from elsewhere) or another was asked
// for before; nothing when the document already shows 100 %.
std::optional<int> ZoomToAsk(int wantedPercent, std::optional<int> shownPercent,
                             bool zoomedBefore);

// execScript failed with this HRESULT: true when the method refused to run the script (as it
// may in IE11's document mode), so the window's eval may run it instead; false when the
// script ran and failed (running it again would repeat what it did before failing).
bool ExecScriptRefused(std::int32_t hresult);

// The value of the page element with the id; empty without a document or such an element.
// Throws BrowserError when the page cannot be read.
std::string ElementValue(IBrowser& browser, const std::string& id);

// The settings text ("SettingStrID") of the wide page, whatever the layout (GetSettingJson).
std::string GetSettingJson(IMainBrowsers& browsers);

}  // namespace zel
