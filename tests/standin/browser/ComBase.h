#pragma once
// The little COM plumbing of the stand-in browser: one reference count and QueryInterface per
// object, and one line for each member that the program never calls.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <string>
#include <utility>

#include "app/win32/Owners.h"

// A member the program's browser host never calls.
#define STUB(name, ...) \
  HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { return E_NOTIMPL; }
// IDispatch of an object that is only ever used through its own interface.
#define STUB_DISPATCH                                               \
  STUB(GetTypeInfoCount, UINT*)                                     \
  STUB(GetTypeInfo, UINT, LCID, ITypeInfo**)                        \
  STUB(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)       \
  STUB(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)

namespace zel::standin {

using Microsoft::WRL::ComPtr;

// Objects live on the thread of the window that hosts the control (apartment threaded), so the
// count needs no interlocking.
template <typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = Find(riid);
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ComObject() = default;
  // The interface for the IID (IUnknown included), or nullptr.
  virtual void* Find(REFIID riid) = 0;

 private:
  ULONG refs_ = 1;  // the creator's, taken over by Make
};

template <typename T, typename... Args>
ComPtr<T> Make(Args&&... args) {
  return win32::Adopt(new T(std::forward<Args>(args)...));
}

inline bool Is(REFIID riid, REFIID candidate) { return IsEqualIID(riid, candidate) != FALSE; }

// Out parameters: a copy of the text, or of the object with a reference for the caller.
inline HRESULT Give(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}
template <typename I, typename Object>
HRESULT Give(const ComPtr<Object>& object, I** out) {
  if (out == nullptr) return E_POINTER;
  *out = object.Get();
  if (*out != nullptr) (*out)->AddRef();
  return S_OK;
}

}  // namespace zel::standin
