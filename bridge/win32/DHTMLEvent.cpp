#include "bridge/win32/DHTMLEvent.h"

#include <deque>
#include <utility>

#include "app/Errors.h"

namespace zel::win32 {

HRESULT STDMETHODCALLTYPE TDHTMLEvent::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TDHTMLEvent::AddRef() { return static_cast<ULONG>(++RefCount); }

ULONG STDMETHODCALLTYPE TDHTMLEvent::Release() { return static_cast<ULONG>(--RefCount); }

HRESULT STDMETHODCALLTYPE TDHTMLEvent::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TDHTMLEvent::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TDHTMLEvent::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TDHTMLEvent::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                              EXCEPINFO*, UINT*) {
  try {
    // A handler may bind its own page again (a nested message loop delivers the browser's
    // events) and so replace OnEvent while it runs: run a copy.
    const EventHandler handler = OnEvent;
    RunSinkHandler(handler);
  } catch (...) {
    ReportCurrentException();  // copying the handler failed
  }
  return E_NOTIMPL;
}

void TDHTMLEvent::HookEventHandler(EventHandler handler) { OnEvent = std::move(handler); }

IDispatch* TDHTMLEvent::HookEventHandlerDispatch(EventHandler handler) {
  HookEventHandler(std::move(handler));
  AddRef();
  return this;
}

namespace {
// Process-wide and never shrunk: a deque keeps its elements in place as it grows.
std::deque<TDHTMLEvent>& SinkStore() {
  static auto* store = new std::deque<TDHTMLEvent>();
  return *store;
}
}  // namespace

IEventSink& Win32SinkFactory::CreateSink() { return SinkStore().emplace_back(); }

}  // namespace zel::win32
