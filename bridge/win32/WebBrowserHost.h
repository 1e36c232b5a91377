#pragma once
// The browser port on Win32: hosts the Internet Explorer WebBrowser control in a child window
// of its own, without ATL. One site object (client site, in-place site and frame, UI handler,
// command target, event and ambient-property dispatch) connects the control to IBrowserEvents.
#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/win32/Window.h"
#include "bridge/Browser.h"

namespace zel::win32 {

class BrowserSite;

class WebBrowserHost final : public IBrowser {
 public:
  // Creates the control in a child window filling the parent's client area. With
  // allowContextMenu false the page gets no context menu at all and the events are not asked.
  // Throws Win32Error or BrowserError when the control cannot be created.
  WebBrowserHost(HWND parent, bool allowContextMenu);
  ~WebBrowserHost() override;

  // Tears the control down (the destructor does it too); every call after it fails or does
  // nothing. Idempotent.
  void Close();

  // Sizes the control's window; call from the parent's WM_SIZE.
  void Resize(int width, int height);
  // The pixels per inch of the parent's monitor: every page is zoomed (the control's optical
  // zoom) by dpi / 96, so it keeps its layout and draws crisp. At 96 the control is never asked.
  // The host starts with its parent's value; call again when the parent moved to a monitor of
  // another scale.
  void SetDpi(int dpi);
  void FitToParent();
  HWND Container() const;
  // The control itself, for callers that need more than the port offers; null after Close.
  IWebBrowser2* Control() const { return browser_.Get(); }
  // Lets the control handle the keys of its own windows (Tab, clipboard and editing keys in
  // page fields); call from the message loop before TranslateMessage. True when it took the key.
  bool TranslateAccelerator(MSG& message);
  // References the site object holds; 1 (the host's own) once the control let go of it.
  long SiteReferences() const;

  void SetEvents(IBrowserEvents* events) override;

  void Navigate(const std::string& url) override;
  void NavigateWithHeaders(const std::string& url, const std::string& headers) override;
  // Without a document, navigates to about:blank first and loads the HTML at that page's
  // completion (which is not reported: the caller's page completes next). Throws BrowserError
  // when this system can make no HTML document at all.
  void LoadHtml(const std::string& html) override;
  void Stop() override;
  void SetSilent(bool silent) override;

  bool HasDocument() override;
  std::string LocationURL() override;
  int ReadyState() override;
  // pDisp is the identity (IUnknown) of the object that DocumentComplete reported.
  bool IsTopLevel(const void* pDisp) override;
  const void* DocumentIdentity() override;

  // Returns nullptr, not an error, when there is no document or it is not an HTML document:
  // such a page has no element with any id.
  std::unique_ptr<IHtmlElement> FindElement(const std::string& id) override;

  // execScript; where the window refuses it (IE11's document mode may), the window's eval.
  void ExecScript(const std::string& code) override;
  int EventButtons() override;
  std::string PageVariable(const std::string& name) override;
  void ExecCommand(EditCommand command) override;
  std::string SelectedText() override;

  void SetVisible(bool visible) override;
  bool Visible() override;
  // UI-activates the control and puts the focus into its page.
  void Focus() override;
  // The page's focused element takes typing: a text input, a text area, editable content.
  bool FocusInField();
  bool OwnsWindow(std::intptr_t window) override;

 private:
  class ContainerWindow;
  friend class BrowserSite;

  Microsoft::WRL::ComPtr<IDispatch> Document();
  bool HasPendingLoad() const { return pendingHtml_ != nullptr; }
  void StartNavigation(const std::string& url, VARIANT* headers);
  // The blank page of a pending LoadHtml completed: loads the HTML into it.
  void CompletePendingLoad();
  void DropPendingLoad() { pendingHtml_.reset(); }
  void LoadIntoDocument(IDispatch* document, const std::string& html);
  void SyncControlRect();
  // Asks the control for the zoom of the pixels per inch; a page that has no document yet is
  // zoomed at its completion.
  void ApplyZoom();
  // A download ended: a document that came without DocumentComplete (a refresh) is zoomed.
  void ZoomSettledDocument();

  HWND parent_;
  std::unique_ptr<ContainerWindow> container_;
  // The host's own reference to its site; the site frees itself at the last one.
  Microsoft::WRL::ComPtr<BrowserSite> site_;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
  Microsoft::WRL::ComPtr<IOleObject> oleObject_;
  Microsoft::WRL::ComPtr<IConnectionPoint> eventsPoint_;
  DWORD eventsCookie_ = 0;
  std::unique_ptr<std::string> pendingHtml_;
  int zoomPercent_ = 100;
  // The document last zoomed (or found at the right zoom), and the one last reported: held so
  // that a later document cannot take its address.
  const void* zoomedDocument_ = nullptr;
  Microsoft::WRL::ComPtr<IUnknown> reportedDocument_;
  // Once a zoom other than 100 % was asked for, 100 % must be asked for too.
  bool zoomed_ = false;
};

}  // namespace zel::win32
