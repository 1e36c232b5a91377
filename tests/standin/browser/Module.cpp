// The DLL's entry points: the class of the WebBrowser control, and a factory for the HTML
// document class, whose presence the host checks before it loads a page from memory.
#include <windows.h>
#include <exdisp.h>

#include "tests/standin/browser/Control.h"

namespace zel::standin {

namespace {

// Not in MinGW's libuuid.
constexpr CLSID kClsidHtmlDocument = {
    0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};

// One per class and process, never freed: the DLL stays loaded (DllCanUnloadNow says so).
class Factory final : public IClassFactory {
 public:
  explicit Factory(bool makesControls) : makesControls_(makesControls) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = Is(riid, IID_IUnknown) || Is(riid, IID_IClassFactory) ? this : nullptr;
    return *object != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    // The host never makes an HTML document of its own.
    if (!makesControls_) return E_NOTIMPL;
    return Make<Control>()->QueryInterface(riid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  bool makesControls_;
};

}  // namespace

}  // namespace zel::standin

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  using zel::standin::Factory;
  static Factory controls(true);
  static Factory documents(false);
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualCLSID(clsid, CLSID_WebBrowser)) return controls.QueryInterface(riid, object);
  if (IsEqualCLSID(clsid, zel::standin::kClsidHtmlDocument)) {
    return documents.QueryInterface(riid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return S_FALSE; }
