// The hosted WebBrowser control against Wine's real one. Wine has no HTML engine here, so no
// document ever exists: navigations end in NavigateError, and what needs a page must fail
// cleanly. The site's answers to the control are checked by calling it as the control would.
// The test bed registers its stand-in control in Wine's place; this program puts Wine's own
// registration back for its run.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <mshtmhst.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Errors.h"
#include "app/win32/Win32Util.h"
#include "app/win32/Window.h"
#include "bridge/win32/DHTMLEvent.h"
#include "bridge/win32/WebBrowserHost.h"
#include "tests/wine/support/WineEnv.h"

using Microsoft::WRL::ComPtr;

namespace zel::win32 {
namespace {

constexpr GUID kDocHostCommandGroup = {
    0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
constexpr int kClosedPortStatus = static_cast<int>(0x800C0008);  // INET_E_DOWNLOAD_FAILURE

// The classes the bed gives to its stand-in: the control, and the HTML document the host
// looks for before it loads a page from memory.
const wchar_t* const kBrowserClasses[] = {L"{8856F961-340A-11D0-A96B-00C04FD705A2}",
                                          L"{25336920-03F9-11CF-8FD0-00AA00686F13}"};

void RegisterServer(const wchar_t* clsid, const std::string& dll) {
  const std::wstring key = std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32";
  if (dll.empty()) {
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return;
  }
  const std::wstring path = Widen(dll);
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, path.c_str(),
                              static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

// Each process reads the registration when it first makes the class, so this program's own
// registry view is what counts; every other test program finds the stand-in again after it.
class WineControlRegistration final : public ::testing::Environment {
 public:
  void SetUp() override {
    if (winetest::Env("ZEL_STANDIN_BROWSER").empty()) return;  // a bed without the stand-in
    RegisterServer(kBrowserClasses[0], winetest::Env("ZEL_WINE_WEBBROWSER"));
    RegisterServer(kBrowserClasses[1], winetest::Env("ZEL_WINE_HTMLDOCUMENT"));
  }
  void TearDown() override {
    const std::string standIn = winetest::Env("ZEL_STANDIN_BROWSER");
    if (standIn.empty()) return;
    for (const wchar_t* clsid : kBrowserClasses) RegisterServer(clsid, standIn);
  }
};

const auto* const kRegistration = ::testing::AddGlobalTestEnvironment(new WineControlRegistration);

void PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!(done && done()) && std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  }
}

void Pump(int ms) { PumpUntil(nullptr, ms); }

class ParentWindow final : public Window {
 public:
  ParentWindow() {
    CreateParams params;
    params.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    params.title = L"Zel browser test";
    params.x = 20;
    params.y = 20;
    params.width = 640;
    params.height = 480;
    Create(L"ZelBrowserTestParent", params);
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  }
};

struct NavigateErrorSeen {
  std::string url;
  int status;
  bool cancelOnEntry;
  bool insideNavigate;
};

class RecordingEvents final : public IBrowserEvents {
 public:
  void DocumentComplete(const void* pDisp, const std::string& url) override {
    completes.push_back({pDisp, url});
  }
  void NavigateComplete2(const std::string& url) override { navigated.push_back(url); }
  void NavigateError(const std::string& url, int statusCode, bool& cancel) override {
    errors.push_back({url, statusCode, cancel, insideNavigate});
    cancel = setCancel;
    if (throwOnError) throw std::runtime_error("reload failed: no document");
  }
  void CommandStateChange(long command, bool enable) override {
    commands.push_back({command, enable});
    if (insideNavigate) ++commandsInsideNavigate;
  }
  void ScriptError(bool& continueScripts, bool& showDialog) override {
    ++scriptErrors;
    continueScripts = continueAnswer;
    showDialog = dialogAnswer;
    if (throwOnScriptError) throw std::runtime_error("script error handler failed");
  }
  bool ShowContextMenu(int x, int y) override {
    menus.push_back({x, y});
    if (throwOnMenu) throw std::runtime_error("menu failed");
    return menuAnswer;
  }
  void ReloadKey() override { ++reloadKeys; }
  void NewWindow(const std::string& url) override { newWindows.push_back(url); }

  int reloadKeys = 0;
  std::vector<std::string> newWindows;
  bool insideNavigate = false;
  bool setCancel = true;
  bool throwOnError = false;
  bool continueAnswer = true;
  bool dialogAnswer = false;
  bool throwOnScriptError = false;
  bool menuAnswer = true;
  bool throwOnMenu = false;
  std::vector<std::pair<const void*, std::string>> completes;
  std::vector<std::string> navigated;
  std::vector<NavigateErrorSeen> errors;
  std::vector<std::pair<long, bool>> commands;
  int commandsInsideNavigate = 0;
  int scriptErrors = 0;
  std::vector<POINT> menus;
};

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    SetExceptionReporter([this](const std::string& message) { reported.push_back(message); });
    parent = std::make_unique<ParentWindow>();
  }
  void TearDown() override {
    parent.reset();
    Pump(20);
    SetExceptionReporter(nullptr);
    ::OleUninitialize();
  }

  std::unique_ptr<WebBrowserHost> MakeHost(bool allowContextMenu = true) {
    auto host = std::make_unique<WebBrowserHost>(parent->Handle(), allowContextMenu);
    host->SetEvents(&events);
    return host;
  }

  void NavigateRecorded(WebBrowserHost& host, const std::string& url) {
    events.insideNavigate = true;
    host.Navigate(url);
    events.insideNavigate = false;
  }

  static std::string ServicePage() {
    return "http://" + winetest::ServiceHost() + "/pcprice/default/index";
  }

  std::unique_ptr<ParentWindow> parent;
  RecordingEvents events;
  std::vector<std::string> reported;
};

RECT ClientRect(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  return r;
}

TEST_F(BrowserTest, ContainerFillsTheParentAndFollowsResizes) {
  auto host = MakeHost();
  const HWND container = host->Container();
  ASSERT_NE(nullptr, container);
  EXPECT_EQ(parent->Handle(), ::GetParent(container));
  const RECT p = ClientRect(parent->Handle());
  const RECT c = ClientRect(container);
  EXPECT_EQ(p.right, c.right);
  EXPECT_EQ(p.bottom, c.bottom);
  ASSERT_NE(nullptr, host->Control());

  host->Resize(300, 200);
  EXPECT_EQ(300, ClientRect(container).right);
  EXPECT_EQ(200, ClientRect(container).bottom);

  ::SetWindowPos(parent->Handle(), nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
  host->FitToParent();
  EXPECT_EQ(ClientRect(parent->Handle()).right, ClientRect(container).right);
  EXPECT_EQ(ClientRect(parent->Handle()).bottom, ClientRect(container).bottom);

  EXPECT_TRUE(host->Visible());
  host->SetVisible(false);
  EXPECT_FALSE(host->Visible());
  EXPECT_FALSE(::IsWindowVisible(container));
  host->SetVisible(true);
  EXPECT_TRUE(host->Visible());
  EXPECT_TRUE(::IsWindowVisible(container));
}

TEST_F(BrowserTest, OwnsItsContainerAndEveryDescendant) {
  auto host = MakeHost();
  const HWND container = host->Container();
  const HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, container,
                                       nullptr, nullptr, nullptr);
  const HWND grandchild = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, child,
                                            nullptr, nullptr, nullptr);
  const HWND sibling = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, parent->Handle(),
                                         nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, grandchild);
  ASSERT_NE(nullptr, sibling);
  const struct {
    HWND window;
    bool owned;
  } cases[] = {
      {container, true}, {child, true},   {grandchild, true},
      {parent->Handle(), false}, {sibling, false}, {::GetDesktopWindow(), false}, {nullptr, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.owned, host->OwnsWindow(reinterpret_cast<std::intptr_t>(c.window))) << c.window;
  }
  // Keys of other windows, and what is not a key, stay with the program's own loop.
  MSG key{parent->Handle(), WM_KEYDOWN, VK_TAB, 0};
  EXPECT_FALSE(host->TranslateAccelerator(key));
  MSG click{container, WM_LBUTTONDOWN, 0, 0};
  EXPECT_FALSE(host->TranslateAccelerator(click));
  ::DestroyWindow(sibling);
}

// The first navigation of a control raises its command-state events inside the call; its error,
// and every event of later navigations, come from the message loop.
TEST_F(BrowserTest, NavigationErrorsArriveFromTheMessageLoop) {
  auto host = MakeHost();
  const struct {
    std::string url;
    bool closedPort;
  } steps[] = {
      {ServicePage(), false},
      {"http://127.0.0.1:1/pcprice/default/index", true},
      {ServicePage(), false},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(steps[i].url);
    const std::size_t before = events.errors.size();
    const int commandsInside = events.commandsInsideNavigate;
    NavigateRecorded(*host, steps[i].url);
    EXPECT_EQ(i == 0, events.commandsInsideNavigate > commandsInside);
    EXPECT_EQ(before, events.errors.size());
    PumpUntil([&] { return events.errors.size() > before; }, 10000);
    ASSERT_EQ(before + 1, events.errors.size());
    Pump(100);  // a second error of the same navigation would show here
    ASSERT_EQ(before + 1, events.errors.size());
    const NavigateErrorSeen& seen = events.errors.back();
    EXPECT_FALSE(seen.insideNavigate);
    EXPECT_EQ(steps[i].url, seen.url);
    EXPECT_NE(0, seen.status);
    EXPECT_FALSE(seen.cancelOnEntry);
    if (steps[i].closedPort) {
      EXPECT_EQ(kClosedPortStatus, seen.status);
    }
    EXPECT_EQ(steps[i].url, host->LocationURL());
    EXPECT_FALSE(host->HasDocument());
    EXPECT_GE(host->ReadyState(), 0);
    EXPECT_LT(host->ReadyState(), 4);
  }
  EXPECT_FALSE(events.commands.empty());
  EXPECT_TRUE(events.completes.empty());
  EXPECT_TRUE(events.navigated.empty());
  EXPECT_TRUE(reported.empty());
}

TEST_F(BrowserTest, PageOperationsWithoutDocumentFailCleanly) {
  for (bool navigated : {false, true}) {
    SCOPED_TRACE(navigated ? "after a failed navigation" : "fresh control");
    auto host = MakeHost();
    if (navigated) {
      NavigateRecorded(*host, ServicePage());
      Pump(100);
    }
    EXPECT_FALSE(host->HasDocument());
    EXPECT_THROW(host->LoadHtml("<html><body id='CloseID'>x</body></html>"), BrowserError);
    EXPECT_THROW(host->ExecScript("window.location.reload(true)"), BrowserError);
    EXPECT_THROW(host->PageVariable("pin_state"), BrowserError);
    EXPECT_THROW(host->PageVariable("pasteFlag"), BrowserError);
    EXPECT_NO_THROW(host->ExecCommand(EditCommand::Copy));
    EXPECT_NO_THROW(host->ExecCommand(EditCommand::Paste));
    EXPECT_THROW(host->SelectedText(), BrowserError);
    // No document means no element: binding and page classification see "nothing there".
    EXPECT_EQ(nullptr, host->FindElement("CloseID"));
    EXPECT_EQ(nullptr, host->FindElement("ErrorCloseID"));
    EXPECT_FALSE(host->HasDocument());
  }
}

TEST_F(BrowserTest, SilentStopAndHeadersNavigation) {
  auto host = MakeHost();
  VARIANT_BOOL silent = VARIANT_FALSE;
  ASSERT_EQ(S_OK, host->Control()->get_Silent(&silent));
  EXPECT_EQ(VARIANT_TRUE, silent);
  host->SetSilent(false);
  host->Control()->get_Silent(&silent);
  EXPECT_EQ(VARIANT_FALSE, silent);
  host->SetSilent(true);
  host->Control()->get_Silent(&silent);
  EXPECT_EQ(VARIANT_TRUE, silent);

  const std::string url = ServicePage();
  EXPECT_NO_THROW(host->NavigateWithHeaders(
      url, "User-Agent:Mozille/4.0 (compatible: MSIE 8.0; Windows NT 6.0; Trident/4.0)\r\n"));
  EXPECT_EQ(url, host->LocationURL());
  EXPECT_NO_THROW(host->Stop());
  Pump(100);
  EXPECT_NO_THROW(host->Stop());
  EXPECT_FALSE(events.errors.empty());
}

TEST_F(BrowserTest, HandlerExceptionsAreReportedAndStayOutOfTheControl) {
  auto host = MakeHost();
  events.throwOnError = true;
  for (const std::string& url : {ServicePage(), std::string("http://127.0.0.1:1/")}) {
    SCOPED_TRACE(url);
    const std::size_t before = reported.size();
    NavigateRecorded(*host, url);
    PumpUntil([&] { return reported.size() > before; }, 10000);
    ASSERT_EQ(before + 1, reported.size());
    EXPECT_EQ("reload failed: no document", reported.back());
    EXPECT_EQ(url, host->LocationURL());  // the control carries on
  }
}

TEST_F(BrowserTest, TeardownGivesBackEveryReferenceAndStopsTheEvents) {
  auto host = MakeHost();
  const HWND container = host->Container();
  EXPECT_GT(host->SiteReferences(), 1);  // the control holds the site
  // A navigation under way holds the control (Wine keeps that reference even when the control
  // is closed meanwhile): let each one end so that every count can be read.
  for (const std::string& url : {ServicePage(), std::string("http://127.0.0.1:1/")}) {
    const std::size_t before = events.errors.size();
    NavigateRecorded(*host, url);
    PumpUntil([&] { return events.errors.size() > before; }, 10000);
  }
  Pump(100);
  IWebBrowser2* control = host->Control();
  control->AddRef();

  host->Close();
  EXPECT_EQ(1, host->SiteReferences());
  EXPECT_EQ(nullptr, host->Control());
  EXPECT_EQ(nullptr, host->Container());
  EXPECT_FALSE(::IsWindow(container));
  EXPECT_EQ(0u, control->Release());  // the host kept none

  // A closed host answers without touching the control.
  EXPECT_THROW(host->Navigate(ServicePage()), BrowserError);
  EXPECT_THROW(host->LoadHtml("<html></html>"), BrowserError);
  EXPECT_THROW(host->ExecScript("1"), BrowserError);
  EXPECT_FALSE(host->HasDocument());
  EXPECT_EQ("", host->LocationURL());
  EXPECT_FALSE(host->OwnsWindow(reinterpret_cast<std::intptr_t>(container)));
  EXPECT_FALSE(host->Visible());
  EXPECT_NO_THROW(host->Stop());
  EXPECT_NO_THROW(host->SetSilent(true));
  EXPECT_NO_THROW(host->Close());
  host.reset();

  // Hosts closed while their navigations are under way: nothing reaches the program after.
  for (int i = 0; i < 3; ++i) {
    auto another = MakeHost();
    NavigateRecorded(*another, ServicePage());
    NavigateRecorded(*another, "http://127.0.0.1:1/");
    if (i == 0) {
      another->Close();
      EXPECT_EQ(1, another->SiteReferences());
    }
  }
  const std::size_t after = events.errors.size();
  Pump(1000);
  EXPECT_EQ(after, events.errors.size());
  EXPECT_TRUE(reported.empty());
}

// ---- The site as the control sees it.

ComPtr<IOleClientSite> SiteOf(WebBrowserHost& host) {
  ComPtr<IOleObject> object;
  EXPECT_EQ(S_OK, host.Control()->QueryInterface(IID_PPV_ARGS(&object)));
  ComPtr<IOleClientSite> site;
  if (object) object->GetClientSite(&site);
  return site;
}

VARIANT Var(VARTYPE type) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = type;
  return v;
}

// Calls an event the way the control does: arguments in declared order, passed last first.
HRESULT RaiseEvent(IDispatch* sink, DISPID id, std::vector<VARIANT> declared) {
  std::vector<VARIANT> args(declared.rbegin(), declared.rend());
  DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                      nullptr, nullptr);
}

class Url {
 public:
  explicit Url(const wchar_t* text) : value_(Var(VT_BSTR)), ref_(Var(VT_BYREF | VT_VARIANT)) {
    value_.bstrVal = ::SysAllocString(text);
    ref_.pvarVal = &value_;
  }
  Url(const Url&) = delete;
  Url& operator=(const Url&) = delete;
  ~Url() { ::VariantClear(&value_); }
  VARIANT ByRef() const { return ref_; }

 private:
  VARIANT value_;
  VARIANT ref_;
};

TEST_F(BrowserTest, SiteAnswersEveryHostInterfaceWithOneIdentity) {
  auto host = MakeHost();
  ComPtr<IOleClientSite> site = SiteOf(*host);
  ASSERT_NE(nullptr, site);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(S_OK, site.As(&identity));
  for (const IID* iid : {&IID_IOleClientSite, &IID_IOleWindow, &IID_IOleInPlaceSite,
                         &IID_IOleInPlaceUIWindow, &IID_IOleInPlaceFrame, &IID_IDocHostUIHandler,
                         &IID_IOleCommandTarget, &IID_IDispatch, &DIID_DWebBrowserEvents2}) {
    ComPtr<IUnknown> face;
    ASSERT_EQ(S_OK, site->QueryInterface(*iid, reinterpret_cast<void**>(face.GetAddressOf())));
    ComPtr<IUnknown> back;
    ASSERT_EQ(S_OK, face.As(&back));
    EXPECT_EQ(identity.Get(), back.Get());
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, site->QueryInterface(IID_IClassFactory, &none));
  EXPECT_EQ(nullptr, none);

  ComPtr<IOleInPlaceSite> inPlace;
  site.As(&inPlace);
  HWND window = nullptr;
  EXPECT_EQ(S_OK, inPlace->GetWindow(&window));
  EXPECT_EQ(host->Container(), window);
}

TEST_F(BrowserTest, SiteAsksForNoBorderNoScrollBarsAndMediaDownloads) {
  auto host = MakeHost();
  ComPtr<IDocHostUIHandler> ui;
  ASSERT_EQ(S_OK, SiteOf(*host).As(&ui));
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof info;
  ASSERT_EQ(S_OK, ui->GetHostInfo(&info));
  EXPECT_EQ(static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO), info.dwFlags);

  ComPtr<IDispatch> ambient;
  ASSERT_EQ(S_OK, SiteOf(*host).As(&ambient));
  VARIANT result = Var(VT_EMPTY);
  DISPPARAMS none{};
  ASSERT_EQ(S_OK, ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, LOCALE_USER_DEFAULT,
                                  DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
  EXPECT_EQ(VT_I4, result.vt);
  EXPECT_EQ(DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS, result.lVal);
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
            ambient->Invoke(9999, IID_NULL, LOCALE_USER_DEFAULT,
                            DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
}

TEST_F(BrowserTest, ContextMenuRequestsGoToTheProgramOrNowhere) {
  const struct {
    const char* name;
    bool allow;
    bool answer;
    bool throws;
    HRESULT expected;
    std::size_t asked;
    std::size_t reports;
  } cases[] = {
      {"handled", true, true, false, S_OK, 1, 0},
      {"not handled: the control's own", true, false, false, S_FALSE, 1, 0},
      {"handler throws: no menu", true, true, true, S_OK, 1, 1},
      {"mini window: no menu at all", false, false, false, S_OK, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    events = RecordingEvents();
    reported.clear();
    events.menuAnswer = c.answer;
    events.throwOnMenu = c.throws;
    auto host = MakeHost(c.allow);
    ComPtr<IDocHostUIHandler> ui;
    ASSERT_EQ(S_OK, SiteOf(*host).As(&ui));
    POINT at{123, 456};
    EXPECT_EQ(c.expected, ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr));
    ASSERT_EQ(c.asked, events.menus.size());
    if (c.asked) {
      EXPECT_EQ(123, events.menus[0].x);
      EXPECT_EQ(456, events.menus[0].y);
    }
    EXPECT_EQ(c.reports, reported.size());
  }
}

TEST_F(BrowserTest, ScriptErrorsAreAnsweredWithoutDialog) {
  const struct {
    const char* name;
    bool continueAnswer;
    bool dialogAnswer;
    bool throws;
    HRESULT expected;
    VARIANT_BOOL continueOut;
  } cases[] = {
      {"continue, no dialog", true, false, false, S_OK, VARIANT_TRUE},
      {"stop scripts", false, false, false, S_OK, VARIANT_FALSE},
      {"handler throws after answering", true, false, true, S_OK, VARIANT_TRUE},
      {"dialog wanted: not handled here", true, true, false, OLECMDERR_E_NOTSUPPORTED, 0},
  };
  auto host = MakeHost();
  ComPtr<IOleCommandTarget> target;
  ASSERT_EQ(S_OK, SiteOf(*host).As(&target));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    events.scriptErrors = 0;
    events.continueAnswer = c.continueAnswer;
    events.dialogAnswer = c.dialogAnswer;
    events.throwOnScriptError = c.throws;
    reported.clear();
    VARIANT out = Var(VT_EMPTY);
    EXPECT_EQ(c.expected, target->Exec(&kDocHostCommandGroup, OLECMDID_SHOWSCRIPTERROR, 0, nullptr,
                                       &out));
    EXPECT_EQ(1, events.scriptErrors);
    if (c.expected == S_OK) {
      EXPECT_EQ(VT_BOOL, out.vt);
      EXPECT_EQ(c.continueOut, out.boolVal);
    }
    EXPECT_EQ(c.throws ? 1u : 0u, reported.size());
  }
  events.scriptErrors = 0;
  VARIANT out = Var(VT_EMPTY);
  EXPECT_EQ(OLECMDERR_E_UNKNOWNGROUP,
            target->Exec(nullptr, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out));
  EXPECT_EQ(OLECMDERR_E_NOTSUPPORTED,
            target->Exec(&kDocHostCommandGroup, OLECMDID_SHOWMESSAGE, 0, nullptr, &out));
  EXPECT_EQ(0, events.scriptErrors);
  EXPECT_EQ(VT_EMPTY, out.vt);
}

TEST_F(BrowserTest, EventArgumentsAreDecodedInDeclaredOrder) {
  auto host = MakeHost();
  ComPtr<IDispatch> sink;
  ASSERT_EQ(S_OK, SiteOf(*host).As(&sink));
  ComPtr<IDispatch> browserObject;
  ASSERT_EQ(S_OK, host->Control()->QueryInterface(IID_PPV_ARGS(&browserObject)));
  TDHTMLEvent frameObject;  // any other object stands for a frame

  Url url(L"http://127.0.0.1/pcprice/default/index");
  for (IDispatch* pDisp : {browserObject.Get(), frameObject.Dispatch()}) {
    VARIANT disp = Var(VT_DISPATCH);
    disp.pdispVal = pDisp;
    EXPECT_EQ(S_OK, RaiseEvent(sink.Get(), DISPID_DOCUMENTCOMPLETE, {disp, url.ByRef()}));
    EXPECT_EQ(S_OK, RaiseEvent(sink.Get(), DISPID_NAVIGATECOMPLETE2, {disp, url.ByRef()}));
  }
  ASSERT_EQ(2u, events.completes.size());
  EXPECT_EQ("http://127.0.0.1/pcprice/default/index", events.completes[0].second);
  EXPECT_TRUE(host->IsTopLevel(events.completes[0].first));
  EXPECT_FALSE(host->IsTopLevel(events.completes[1].first));
  EXPECT_FALSE(host->IsTopLevel(nullptr));
  // A frame's navigation is not the page's: only the top level's reaches the program.
  ASSERT_EQ(1u, events.navigated.size());
  EXPECT_EQ("http://127.0.0.1/pcprice/default/index", events.navigated[0]);

  const struct {
    long command;
    VARIANT_BOOL enable;
  } commands[] = {{CSC_NAVIGATEBACK, VARIANT_TRUE}, {CSC_UPDATECOMMANDS, VARIANT_FALSE}};
  for (const auto& c : commands) {
    VARIANT command = Var(VT_I4), enable = Var(VT_BOOL);
    command.lVal = c.command;
    enable.boolVal = c.enable;
    EXPECT_EQ(S_OK, RaiseEvent(sink.Get(), DISPID_COMMANDSTATECHANGE, {command, enable}));
  }
  ASSERT_EQ(2u, events.commands.size());
  EXPECT_EQ(std::make_pair(static_cast<long>(CSC_NAVIGATEBACK), true), events.commands[0]);
  EXPECT_EQ(std::make_pair(static_cast<long>(CSC_UPDATECOMMANDS), false), events.commands[1]);

  EXPECT_EQ(DISP_E_BADPARAMCOUNT, RaiseEvent(sink.Get(), DISPID_DOCUMENTCOMPLETE, {}));
  EXPECT_EQ(2u, events.completes.size());
}

TEST_F(BrowserTest, NavigateErrorWritesTheCancelFlagBack) {
  const struct {
    const char* name;
    bool setCancel;
    bool throws;
    VARIANT_BOOL expected;
    bool frame = false;  // a frame's error is cancelled without asking the page's handler
  } cases[] = {
      {"cancelled", true, false, VARIANT_TRUE},
      {"left alone", false, false, VARIANT_FALSE},
      {"cancelled, then the reload throws", true, true, VARIANT_TRUE},
      {"a frame's", false, false, VARIANT_TRUE, true},
  };
  TDHTMLEvent frameObject;
  auto host = MakeHost();
  ComPtr<IDispatch> sink;
  ASSERT_EQ(S_OK, SiteOf(*host).As(&sink));
  ComPtr<IDispatch> browserObject;
  host->Control()->QueryInterface(IID_PPV_ARGS(&browserObject));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    events.errors.clear();
    reported.clear();
    events.setCancel = c.setCancel;
    events.throwOnError = c.throws;
    Url url(L"http://127.0.0.1:1/pcprice/default/indexzb");
    Url frame(L"");
    VARIANT statusValue = Var(VT_I4);
    statusValue.lVal = 404;
    VARIANT status = Var(VT_BYREF | VT_VARIANT);
    status.pvarVal = &statusValue;
    VARIANT_BOOL cancelFlag = VARIANT_FALSE;
    VARIANT cancel = Var(VT_BYREF | VT_BOOL);
    cancel.pboolVal = &cancelFlag;
    VARIANT disp = Var(VT_DISPATCH);
    disp.pdispVal = c.frame ? frameObject.Dispatch() : browserObject.Get();
    EXPECT_EQ(S_OK, RaiseEvent(sink.Get(), DISPID_NAVIGATEERROR,
                               {disp, url.ByRef(), frame.ByRef(), status, cancel}));
    EXPECT_EQ(c.expected, cancelFlag);
    if (c.frame) {
      EXPECT_TRUE(events.errors.empty());
      continue;
    }
    ASSERT_EQ(1u, events.errors.size());
    EXPECT_EQ("http://127.0.0.1:1/pcprice/default/indexzb", events.errors[0].url);
    EXPECT_EQ(404, events.errors[0].status);
    EXPECT_EQ(c.throws ? 1u : 0u, reported.size());
  }
}

}  // namespace
}  // namespace zel::win32
