#pragma once
// The COM face of the DOM event sink: a page element's event property holds its IDispatch, and
// MSHTML's call of Invoke runs the native handler. Sinks are never freed by reference counting.
#include <windows.h>
#include <oaidl.h>

#include "bridge/DHTMLEvent.h"

namespace zel::win32 {

class TDHTMLEvent final : public IDispatch, public IEventSink {
 public:
  TDHTMLEvent() = default;

  // IUnknown: IUnknown and IDispatch are the same interface pointer.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  // Only count; the object is owned by its factory, never by its references.
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch: no type information and no names; Invoke runs the handler for any call.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  // Runs the handler (an exception goes to the program's one handler), then answers E_NOTIMPL
  // without writing the result, so the event's default action is not cancelled.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argError) override;

  // IEventSink
  void HookEventHandler(EventHandler handler) override;

  // Sets the handler and returns the interface with one reference added for the caller.
  IDispatch* HookEventHandlerDispatch(EventHandler handler);
  // The interface, without adding a reference.
  IDispatch* Dispatch() { return this; }

  LONG RefCount = 0;
  EventHandler OnEvent;
};

// Hands out sinks that live until the process ends: a page may still hold a reference to one
// after its window is gone, so none is ever freed, whatever becomes of the factory.
class Win32SinkFactory final : public ISinkFactory {
 public:
  IEventSink& CreateSink() override;
};

}  // namespace zel::win32
