#pragma once
// The owners of what the system hands out (handles, COM and OLE values, global memory, DDEML,
// crypto objects, processes): each frees, closes or unlocks what it holds on every path.
#include <windows.h>

#include <ddeml.h>
#include <oleauto.h>
#include <wincrypt.h>
#include <wrl/client.h>

#include <new>
#include <string>
#include <utility>

#include "app/win32/Win32Util.h"

namespace zel::win32 {

// Owns one handle and closes it on every path. Move-only.
template <typename Handle, auto Close>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Invalid; }
  Handle release() {
    Handle h = h_;
    h_ = Invalid;
    return h;
  }
  void reset(Handle h = Invalid) {
    if (h_ != Invalid) Close(h_);
    h_ = h;
  }
  Handle* put() {
    reset();
    return &h_;
  }

 private:
  static constexpr Handle Invalid{};
  Handle h_ = Invalid;
};

inline void CloseHandleChecked(HANDLE h) { ::CloseHandle(h); }
inline void CloseRegKey(HKEY h) { ::RegCloseKey(h); }
inline void FreeGlobal(HGLOBAL h) { ::GlobalFree(h); }
inline void DestroyMenuHandle(HMENU h) { ::DestroyMenu(h); }
inline void DestroyIconHandle(HICON h) { ::DestroyIcon(h); }
inline void DeleteFontHandle(HFONT h) { ::DeleteObject(h); }

using UniqueHandleObj = UniqueHandle<HANDLE, CloseHandleChecked>;
using UniqueHKey = UniqueHandle<HKEY, CloseRegKey>;
using UniqueHGlobal = UniqueHandle<HGLOBAL, FreeGlobal>;
using UniqueHMenu = UniqueHandle<HMENU, DestroyMenuHandle>;
using UniqueHIcon = UniqueHandle<HICON, DestroyIconHandle>;
using UniqueHFont = UniqueHandle<HFONT, DeleteFontHandle>;

// What the system allocated with LocalAlloc for the caller (CommandLineToArgvW's list).
template <typename T>
void FreeLocal(T p) {
  ::LocalFree(p);
}
template <typename T>
using UniqueLocal = UniqueHandle<T, FreeLocal<T>>;

inline void CloseCertStore(HCERTSTORE store) { ::CertCloseStore(store, 0); }
inline void CloseCryptMessage(HCRYPTMSG message) { ::CryptMsgClose(message); }
inline void FreeCertificate(PCCERT_CONTEXT cert) { ::CertFreeCertificateContext(cert); }
using UniqueCertStore = UniqueHandle<HCERTSTORE, CloseCertStore>;
using UniqueCryptMessage = UniqueHandle<HCRYPTMSG, CloseCryptMessage>;
using UniqueCertificate = UniqueHandle<PCCERT_CONTEXT, FreeCertificate>;

inline void FreeDdeData(HDDEDATA data) { ::DdeFreeDataHandle(data); }
using UniqueDdeData = UniqueHandle<HDDEDATA, FreeDdeData>;

// CreateFile reports failure as INVALID_HANDLE_VALUE; the owner keeps only real handles.
inline UniqueHandleObj OwnFileHandle(HANDLE h) {
  return UniqueHandleObj(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// A FindFirstFileW search, which also reports failure as INVALID_HANDLE_VALUE.
inline void CloseFind(HANDLE h) { ::FindClose(h); }
using UniqueFind = UniqueHandle<HANDLE, CloseFind>;
inline UniqueFind OwnFind(HANDLE h) { return UniqueFind(h == INVALID_HANDLE_VALUE ? nullptr : h); }

// What CreateProcessW hands out: the process and its first thread, both closed on every path.
class UniqueProcessInformation {
 public:
  UniqueProcessInformation() = default;
  UniqueProcessInformation(const UniqueProcessInformation&) = delete;
  UniqueProcessInformation& operator=(const UniqueProcessInformation&) = delete;
  UniqueProcessInformation(UniqueProcessInformation&& other) noexcept
      : info_(std::exchange(other.info_, PROCESS_INFORMATION{})) {}
  UniqueProcessInformation& operator=(UniqueProcessInformation&& other) noexcept {
    if (this != &other) {
      reset();
      info_ = std::exchange(other.info_, PROCESS_INFORMATION{});
    }
    return *this;
  }
  ~UniqueProcessInformation() { reset(); }

  HANDLE Process() const { return info_.hProcess; }
  DWORD ProcessId() const { return info_.dwProcessId; }
  // For CreateProcessW: closes what was held first.
  PROCESS_INFORMATION* put() {
    reset();
    return &info_;
  }
  void reset() {
    if (info_.hThread != nullptr) ::CloseHandle(info_.hThread);
    if (info_.hProcess != nullptr) ::CloseHandle(info_.hProcess);
    info_ = PROCESS_INFORMATION{};
  }

 private:
  PROCESS_INFORMATION info_{};
};

// A DDEML string handle of one client instance.
class DdeString {
 public:
  DdeString(DWORD instance, const std::wstring& text)
      : instance_(instance),
        hsz_(instance == 0 ? nullptr
                           : ::DdeCreateStringHandleW(instance, text.c_str(), CP_WINUNICODE)) {}
  DdeString(const DdeString&) = delete;
  DdeString& operator=(const DdeString&) = delete;
  ~DdeString() {
    if (hsz_ != nullptr) ::DdeFreeStringHandle(instance_, hsz_);
  }

  HSZ get() const { return hsz_; }
  explicit operator bool() const { return hsz_ != nullptr; }

 private:
  DWORD instance_;
  HSZ hsz_;
};

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
  explicit GlobalLocked(HGLOBAL memory)
      : memory_(memory),
        data_(static_cast<T*>(ZEL_CHECK_LAST_ERROR_AS(Error, ::GlobalLock(memory)))) {}
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
