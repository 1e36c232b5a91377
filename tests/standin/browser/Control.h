#pragma once
// The stand-in WebBrowser control: the OLE embedding and the IWebBrowser2 members that the
// program's browser host uses, the DWebBrowserEvents2 connection point, and navigation. A page
// is fetched over HTTP (or read from a stream by its document) and shown in the view; every
// event comes from the message loop, in the order a real control raises them.
#include <exdisp.h>
#include <oleidl.h>
#include <ocidl.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/standin/browser/ComBase.h"
#include "tests/standin/browser/Page.h"
#include "tests/standin/browser/View.h"

namespace zel::standin {

class EventArgs;

class Control final : public ComObject<IWebBrowser2, IOleObject, IOleInPlaceObject,
                                       IOleInPlaceActiveObject, IConnectionPointContainer>,
                      private IPageHost,
                      private IViewOwner {
 public:
  Control();

  // ---- IWebBrowser2
  HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT* flags, VARIANT* frame, VARIANT* postData,
                                     VARIANT* headers) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  // As IE: the page is fetched again into a fresh document, with DownloadBegin,
  // CommandStateChange and DownloadComplete only (no BeforeNavigate2, NavigateComplete2 or
  // DocumentComplete).
  HRESULT STDMETHODCALLTYPE Refresh() override;
  HRESULT STDMETHODCALLTYPE Refresh2(VARIANT*) override;
  HRESULT STDMETHODCALLTYPE get_Application(IDispatch** application) override;
  HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override;
  HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override;
  HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* state) override;
  HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL visible) override;
  // ---- IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent,
                                   LPCRECT area) override;
  // ---- IOleInPlaceObject, IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT) override;
  // While UI-active, every key goes to the host's IDocHostUIHandler::TranslateAccelerator
  // first; what the host leaves, the control acts on as Internet Explorer does.
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
  // ---- IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

  // Never called by the program.
  STUB_DISPATCH
  STUB(GoBack)
  STUB(GoForward)
  STUB(GoHome)
  STUB(GoSearch)
  STUB(get_Parent, IDispatch**)
  STUB(get_Container, IDispatch**)
  STUB(get_TopLevelContainer, VARIANT_BOOL*)
  STUB(get_Type, BSTR*)
  STUB(get_Left, LONG*)
  STUB(put_Left, LONG)
  STUB(get_Top, LONG*)
  STUB(put_Top, LONG)
  STUB(get_Width, LONG*)
  STUB(put_Width, LONG)
  STUB(get_Height, LONG*)
  STUB(put_Height, LONG)
  STUB(get_LocationName, BSTR*)
  STUB(get_Busy, VARIANT_BOOL*)
  STUB(Quit)
  STUB(ClientToWindow, int*, int*)
  STUB(PutProperty, BSTR, VARIANT)
  STUB(GetProperty, BSTR, VARIANT*)
  STUB(get_Name, BSTR*)
  STUB(get_HWND, SHANDLE_PTR*)
  STUB(get_FullName, BSTR*)
  STUB(get_Path, BSTR*)
  STUB(get_Visible, VARIANT_BOOL*)
  STUB(get_StatusBar, VARIANT_BOOL*)
  STUB(put_StatusBar, VARIANT_BOOL)
  STUB(get_StatusText, BSTR*)
  STUB(put_StatusText, BSTR)
  STUB(get_ToolBar, int*)
  STUB(put_ToolBar, int)
  STUB(get_MenuBar, VARIANT_BOOL*)
  STUB(put_MenuBar, VARIANT_BOOL)
  STUB(get_FullScreen, VARIANT_BOOL*)
  STUB(put_FullScreen, VARIANT_BOOL)
  STUB(Navigate2, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
  STUB(QueryStatusWB, OLECMDID, OLECMDF*)
  // The optical zoom only: recorded, as the scripts are; without OLECMDIDF_OPTICAL_ZOOM_NOPERSIST
  // (in pvaOut) kept for later controls, as IE keeps it. With no pvaIn, the zoom shown.
  HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID command, OLECMDEXECOPT, VARIANT* in, VARIANT*) override;
  STUB(ShowBrowserBar, VARIANT*, VARIANT*, VARIANT*)
  STUB(get_Offline, VARIANT_BOOL*)
  STUB(put_Offline, VARIANT_BOOL)
  STUB(get_Silent, VARIANT_BOOL*)
  STUB(get_RegisterAsBrowser, VARIANT_BOOL*)
  STUB(put_RegisterAsBrowser, VARIANT_BOOL)
  // True by default: a file dropped on the page is navigated to.
  HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL value) override;
  STUB(get_TheaterMode, VARIANT_BOOL*)
  STUB(put_TheaterMode, VARIANT_BOOL)
  STUB(get_AddressBar, VARIANT_BOOL*)
  STUB(put_AddressBar, VARIANT_BOOL)
  STUB(get_Resizable, VARIANT_BOOL*)
  STUB(put_Resizable, VARIANT_BOOL)
  STUB(GetClientSite, IOleClientSite**)
  STUB(SetHostNames, LPCOLESTR, LPCOLESTR)
  STUB(SetMoniker, DWORD, IMoniker*)
  STUB(GetMoniker, DWORD, DWORD, IMoniker**)
  STUB(InitFromData, IDataObject*, WINBOOL, DWORD)
  STUB(GetClipboardData, DWORD, IDataObject**)
  STUB(EnumVerbs, IEnumOLEVERB**)
  STUB(Update)
  STUB(IsUpToDate)
  STUB(GetUserClassID, CLSID*)
  STUB(GetUserType, DWORD, LPOLESTR*)
  STUB(SetExtent, DWORD, SIZEL*)
  STUB(GetExtent, DWORD, SIZEL*)
  STUB(Advise, IAdviseSink*, DWORD*)
  STUB(Unadvise, DWORD)
  STUB(EnumAdvise, IEnumSTATDATA**)
  STUB(GetMiscStatus, DWORD, DWORD*)
  STUB(SetColorScheme, LOGPALETTE*)
  STUB(ContextSensitiveHelp, WINBOOL)
  STUB(UIDeactivate)
  STUB(ReactivateAndUndo)
  STUB(OnFrameWindowActivate, WINBOOL)
  STUB(OnDocWindowActivate, WINBOOL)
  STUB(ResizeBorder, LPCRECT, IOleInPlaceUIWindow*, WINBOOL)
  STUB(EnableModeless, WINBOOL)
  STUB(EnumConnectionPoints, IEnumConnectionPoints**)

 private:
  // DWebBrowserEvents2: one sink, the host's.
  class EventsPoint final : public IConnectionPoint {
   public:
    explicit EventsPoint(Control& control) : control_(control) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return control_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return control_.Release(); }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    STUB(GetConnectionInterface, IID*)
    STUB(GetConnectionPointContainer, IConnectionPointContainer**)
    STUB(EnumConnections, IEnumConnections**)

    ComPtr<IDispatch> sink;

   private:
    Control& control_;
  };

  struct Request {
    std::wstring url;
    std::wstring headers;
  };

  ~Control() override;
  void* Find(REFIID riid) override;

  void StartNavigation(const std::wstring& url, const std::wstring& headers);
  void RunNavigation(unsigned number);
  void StartRefresh();
  void RunRefresh(unsigned number);
  // Each <iframe> of the page shown: its own document and events, with its own object as
  // pDisp; false when a handler started another navigation meanwhile.
  bool LoadFrames(unsigned number);
  void CompleteStreamLoad();
  void ShowDocument(ComPtr<Document> document);
  void ScheduleNextLocation();
  HRESULT Raise(DISPID id, EventArgs& args);

  // IPageHost
  void DocumentLoaded() override;
  void Reload() override;
  void ShowStatus(const std::wstring& text) override;
  std::wstring SelectedText() override;
  bool EditCommand(DWORD command) override;
  // IViewOwner
  void OnPosted(UINT message, WPARAM number) override;
  void OnLinkFollowed(const std::string& href, const std::string& target) override;
  void OnActivated() override;
  void OnFileDropped(const std::wstring& path) override;
  // Internet Explorer's own keys: new window, open and print dialogs, history, Tab.
  bool RunOwnKey(const MSG& message);
  void StepBack();
  // A top-level window of the control's own, as Internet Explorer opens them.
  void OpenOwnWindow(const std::wstring& title);
  // NewWindow3 for a link to a new window; uncancelled, the control opens its own window.
  void RaiseNewWindow(const std::wstring& url);
  void OnContextMenu(POINT screen) override;

  EventsPoint events_{*this};
  ComPtr<IOleClientSite> site_;
  std::unique_ptr<View> view_;
  ComPtr<Document> document_;
  std::wstring location_;
  READYSTATE ready_ = READYSTATE_UNINITIALIZED;
  // The zoom every page of this control shows: what an earlier control kept, until asked.
  long zoom_ = 100;
  std::vector<ComPtr<IDispatch>> frames_;
  Request request_;
  // Counts navigations: a posted step of an older one, or of one stopped since, is dropped.
  unsigned navigation_ = 0;
  // Offered keys only after OLEIVERB_UIACTIVATE or a click into the page.
  bool uiActive_ = false;
  bool dropTarget_ = true;
  // The addresses navigated to, the current one last.
  std::vector<std::wstring> history_;
  std::vector<HWND> ownWindows_;
};

}  // namespace zel::standin
