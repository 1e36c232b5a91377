#pragma once
// Owners of what COM, OLE automation, global memory and DDEML hand out: each frees or unlocks
// what it holds on every path.
#include <windows.h>

#include <ddeml.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <new>
#include <string>
#include <utility>

#include "app/win32/Win32Util.h"

namespace zel::win32 {

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::string& utf8) {
    const std::wstring wide = Widen(utf8);
    text_ = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (text_ == nullptr) throw std::bad_alloc();
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { ::SysFreeString(text_); }

  BSTR get() const { return text_; }
  BSTR* put() {
    ::SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  BSTR release() { return std::exchange(text_, nullptr); }
  std::string Text() const { return Text(text_); }
  static std::string Text(BSTR text) {
    return text == nullptr ? std::string() : Narrow(text, static_cast<int>(::SysStringLen(text)));
  }

 private:
  BSTR text_ = nullptr;
};

class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&value_); }

  VARIANT* get() { return &value_; }
  const VARIANT* get() const { return &value_; }
  VARIANT* operator->() { return &value_; }
  const VARIANT* operator->() const { return &value_; }
  // Clears the value for an out parameter.
  VARIANT* put() {
    ::VariantClear(&value_);
    return &value_;
  }
  // Hands the value over (to an argument list that frees it) and keeps an empty one.
  VARIANT release() {
    VARIANT v = value_;
    ::VariantInit(&value_);
    return v;
  }

  static Variant Text(const std::string& utf8) {
    Variant v;
    Bstr text(utf8);
    v.value_.vt = VT_BSTR;
    v.value_.bstrVal = text.release();
    return v;
  }
  static Variant Long(long number) {
    Variant v;
    v.value_.vt = VT_I4;
    v.value_.lVal = number;
    return v;
  }
  Variant(Variant&& other) noexcept : value_(other.release()) {}

 private:
  VARIANT value_;
};

class ExceptionInfo {
 public:
  ExceptionInfo() = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() { Clear(); }

  EXCEPINFO* get() { return &info_; }
  void Clear() {
    ::SysFreeString(info_.bstrSource);
    ::SysFreeString(info_.bstrDescription);
    ::SysFreeString(info_.bstrHelpFile);
    info_ = EXCEPINFO{};
  }
  std::string Description() const { return Bstr::Text(info_.bstrDescription); }

 private:
  EXCEPINFO info_{};
};

// GlobalLock for the lifetime of the object. Throws the Error type when the block cannot be
// locked.
template <typename T, typename Error = Win32Error>
class GlobalLocked {
 public:
  explicit GlobalLocked(HGLOBAL memory) : memory_(memory), data_(static_cast<T*>(::GlobalLock(memory))) {
    if (data_ == nullptr) ThrowFailure<Error>("GlobalLock", ::GetLastError());
  }
  GlobalLocked(const GlobalLocked&) = delete;
  GlobalLocked& operator=(const GlobalLocked&) = delete;
  ~GlobalLocked() { ::GlobalUnlock(memory_); }

  T* get() const { return data_; }
  SIZE_T size() const { return ::GlobalSize(memory_); }

 private:
  HGLOBAL memory_;
  T* data_;
};

// DdeAccessData for the lifetime of the object; data() is null when the handle gave none.
class DdeDataAccess {
 public:
  explicit DdeDataAccess(HDDEDATA data) : data_(data), bytes_(::DdeAccessData(data, &size_)) {}
  DdeDataAccess(const DdeDataAccess&) = delete;
  DdeDataAccess& operator=(const DdeDataAccess&) = delete;
  ~DdeDataAccess() {
    if (bytes_ != nullptr) ::DdeUnaccessData(data_);
  }

  const BYTE* data() const { return bytes_; }
  DWORD size() const { return size_; }

 private:
  HDDEDATA data_;
  DWORD size_ = 0;
  const BYTE* bytes_;
};

// Takes over the one reference that a new COM object comes with. MinGW-w64's ComPtr::Attach
// adds a reference of its own, so an object handed to it would never be freed.
template <typename T>
Microsoft::WRL::ComPtr<T> Adopt(T* object) {
  Microsoft::WRL::ComPtr<T> owner;
  *owner.GetAddressOf() = object;
  return owner;
}

}  // namespace zel::win32
