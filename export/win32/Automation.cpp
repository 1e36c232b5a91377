#include "export/win32/Automation.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "app/win32/Win32Util.h"
#include "export/win32/MessageFilterBase.h"

namespace zel::win32 {

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kBusyRetryLimitMs = 2000;
constexpr DWORD kBusyRetryStepMs = 100;

bool IsBusy(HRESULT hr) { return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER; }

// Runs the call again while the application rejects it as busy, for a bounded time. On
// Windows the message filter below already waits inside the call and this loop then finds
// the time spent; Wine never asks the filter and hands the rejection back at once.
template <typename Call>
HRESULT CallPatiently(Call&& call) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const HRESULT hr = call();
    if (!IsBusy(hr) || ::GetTickCount() - start >= kBusyRetryLimitMs) return hr;
    ::Sleep(kBusyRetryStepMs);
  }
}

[[noreturn]] void Fail(const std::string& what, HRESULT hr, const std::string& detail = {}) {
  char code[32];
  std::snprintf(code, sizeof code, " failed (0x%08lX)", static_cast<unsigned long>(hr));
  throw SpreadsheetError(what + code + (detail.empty() ? "" : ": " + detail));
}

// The COM runtime asks this filter what to do with a call the server rejected as busy: try
// again shortly, until the limit. It lives inside the application object, which revokes it
// before it goes.
class RetryBusyFilter final : public MessageFilterBase {
 public:
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsedMs, DWORD) override {
    return elapsedMs < kBusyRetryLimitMs ? kBusyRetryStepMs : static_cast<DWORD>(-1);
  }
};

class ScopedMessageFilter {
 public:
  ScopedMessageFilter() {
    // Fails outside a single-threaded apartment; the calls are still retried by CallPatiently.
    registered_ = SUCCEEDED(::CoRegisterMessageFilter(&filter_, &previous_));
  }
  ScopedMessageFilter(const ScopedMessageFilter&) = delete;
  ScopedMessageFilter& operator=(const ScopedMessageFilter&) = delete;
  ~ScopedMessageFilter() {
    if (registered_) ::CoRegisterMessageFilter(previous_, nullptr);
    if (previous_ != nullptr) previous_->Release();
  }

 private:
  RetryBusyFilter filter_;
  IMessageFilter* previous_ = nullptr;
  bool registered_ = false;
};

struct Variant {
  Variant() { ::VariantInit(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&v); }
  VARIANT v;
};

struct ExceptionInfo {
  ExceptionInfo() = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() { Clear(); }
  void Clear() {
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    info = EXCEPINFO{};
  }
  std::string Description() const {
    return info.bstrDescription != nullptr ? Narrow(info.bstrDescription) : std::string();
  }
  EXCEPINFO info{};
};

// Member ids by name, looked up once per application object: the members used here have one
// id each (the cells are all of one class), and every lookup is a call into the application.
using MemberIds = std::map<std::wstring, DISPID>;

// Calls the member by name. args are in the order of the member's parameters.
void Call(MemberIds& ids, IDispatch* object, const wchar_t* member, WORD flags,
          std::vector<VARIANT> args, VARIANT* result) {
  const std::string name = Narrow(member);
  HRESULT hr = S_OK;
  auto known = ids.find(member);
  if (known == ids.end()) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
    hr = CallPatiently(
        [&] { return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); });
    if (FAILED(hr)) Fail(name, hr);
    known = ids.emplace(member, id).first;
  }
  const DISPID id = known->second;

  // IDispatch takes the arguments last to first.
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  ExceptionInfo exception;
  hr = CallPatiently([&] {
    if (result != nullptr) ::VariantClear(result);
    exception.Clear();
    UINT argError = 0;
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                          &exception.info, &argError);
  });
  if (FAILED(hr)) Fail(name, hr, exception.Description());
}

VARIANT Long(long value) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

ComPtr<IDispatch> MemberObject(MemberIds& ids, IDispatch* object, const wchar_t* member,
                               std::vector<VARIANT> args = {}) {
  Variant result;
  const WORD flags = args.empty() ? DISPATCH_PROPERTYGET
                                  : static_cast<WORD>(DISPATCH_PROPERTYGET | DISPATCH_METHOD);
  Call(ids, object, member, flags, std::move(args), &result.v);
  if (result.v.vt != VT_DISPATCH || result.v.pdispVal == nullptr) {
    throw SpreadsheetError(Narrow(member) + " is not an object");
  }
  return ComPtr<IDispatch>(result.v.pdispVal);
}

long GetLong(MemberIds& ids, IDispatch* object, const wchar_t* member) {
  Variant result;
  Call(ids, object, member, DISPATCH_PROPERTYGET, {}, &result.v);
  const HRESULT hr = ::VariantChangeType(&result.v, &result.v, 0, VT_I4);
  if (FAILED(hr)) Fail(Narrow(member) + " as integer", hr);
  return result.v.lVal;
}

class DispatchApp final : public ISpreadsheetApp {
 public:
  explicit DispatchApp(const std::string& progId) {
    CLSID clsid{};
    HRESULT hr = ::CLSIDFromProgID(Widen(progId).c_str(), &clsid);
    if (FAILED(hr)) Fail("CLSIDFromProgID " + progId, hr);
    ComPtr<IUnknown> running;
    hr = CallPatiently([&] {
      return ::GetActiveObject(clsid, nullptr, running.ReleaseAndGetAddressOf());
    });
    if (FAILED(hr)) Fail("GetActiveObject " + progId, hr);
    hr = CallPatiently([&] { return running.As(&app_); });
    if (FAILED(hr)) Fail("IDispatch of " + progId, hr);
  }

  CellPosition ActiveCell() override {
    const ComPtr<IDispatch> cell = MemberObject(ids_, app_.Get(), L"ActiveCell");
    return CellPosition{GetLong(ids_, cell.Get(), L"Row"), GetLong(ids_, cell.Get(), L"Column")};
  }

  void SetCellText(long row, long column, const std::string& text) override {
    const ComPtr<IDispatch> cell = Cell(row, column);
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_BSTR;
    const std::wstring wide = Widen(text);
    value.bstrVal = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (value.bstrVal == nullptr) throw SpreadsheetError("Value2: out of memory");
    try {
      Call(ids_, cell.Get(), L"Value2", DISPATCH_PROPERTYPUT, {value}, nullptr);
    } catch (...) {
      ::VariantClear(&value);
      throw;
    }
    ::VariantClear(&value);
  }

  void SelectCell(long row, long column) override {
    const ComPtr<IDispatch> cell = Cell(row, column);
    Variant ignored;
    Call(ids_, cell.Get(), L"Select", DISPATCH_METHOD, {}, &ignored.v);
  }

 private:
  ComPtr<IDispatch> Cell(long row, long column) {
    const ComPtr<IDispatch> cells = MemberObject(ids_, app_.Get(), L"Cells");
    return MemberObject(ids_, cells.Get(), L"Item", {Long(row), Long(column)});
  }

  // Registered first, revoked last: covers every call of this application object.
  ScopedMessageFilter filter_;
  ComPtr<IDispatch> app_;
  MemberIds ids_;
};

}  // namespace

std::unique_ptr<ISpreadsheetApp> Win32Automation::GetRunningApp(const std::string& progId) {
  return std::make_unique<DispatchApp>(progId);
}

}  // namespace zel::win32
