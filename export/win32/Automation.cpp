#include "export/win32/Automation.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <utility>
#include <vector>

#include "app/win32/Owners.h"
#include "app/win32/Win32Util.h"
#include "app/win32/Window.h"
#include "export/CellValues.h"
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
  ThrowFailure<SpreadsheetError>(what, static_cast<unsigned long>(hr), detail);
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
    registered_ = SUCCEEDED(::CoRegisterMessageFilter(&filter_, previous_.ReleaseAndGetAddressOf()));
  }
  ScopedMessageFilter(const ScopedMessageFilter&) = delete;
  ScopedMessageFilter& operator=(const ScopedMessageFilter&) = delete;
  ~ScopedMessageFilter() {
    if (registered_) ::CoRegisterMessageFilter(previous_.Get(), nullptr);
  }

 private:
  RetryBusyFilter filter_;
  ComPtr<IMessageFilter> previous_;
  bool registered_ = false;
};

// Calls the member by name; args are in the order of the member's parameters (borrowed, not
// freed). The member's id is looked up once per application class and kept: every lookup is a
// call into the application. An id that the object no longer knows is looked up again.
void Call(MemberIds& ids, IDispatch* object, const wchar_t* member, WORD flags,
          const std::vector<VARIANT>& args, VARIANT* result) {
  const std::string name = Narrow(member);
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
  for (int attempt = 0;; ++attempt) {
    auto known = ids.find(member);
    if (known == ids.end()) {
      DISPID id = 0;
      LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
      const HRESULT hr = CallPatiently(
          [&] { return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); });
      if (FAILED(hr)) Fail(name, hr);
      known = ids.emplace(member, id).first;
    }
    ExceptionInfo exception;
    const HRESULT hr = CallPatiently([&] {
      if (result != nullptr) ::VariantClear(result);
      exception.Clear();
      UINT argError = 0;
      return object->Invoke(known->second, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                            exception.get(), &argError);
    });
    if (hr == DISP_E_MEMBERNOTFOUND && attempt == 0) {
      ids.erase(known);
      continue;
    }
    if (FAILED(hr)) Fail(name, hr, exception.Description());
    return;
  }
}

ComPtr<IDispatch> MemberObject(MemberIds& ids, IDispatch* object, const wchar_t* member,
                               const std::vector<VARIANT>& args = {}) {
  Variant result;
  const WORD flags = args.empty() ? DISPATCH_PROPERTYGET
                                  : static_cast<WORD>(DISPATCH_PROPERTYGET | DISPATCH_METHOD);
  Call(ids, object, member, flags, args, result.put());
  if (result->vt != VT_DISPATCH || result->pdispVal == nullptr) {
    throw SpreadsheetError(Narrow(member) + " is not an object");
  }
  return ComPtr<IDispatch>(result->pdispVal);
}

long GetLong(MemberIds& ids, IDispatch* object, const wchar_t* member) {
  Variant result;
  Call(ids, object, member, DISPATCH_PROPERTYGET, {}, result.put());
  const HRESULT hr = ::VariantChangeType(result.get(), result.get(), 0, VT_I4);
  if (FAILED(hr)) Fail(Narrow(member) + " as integer", hr);
  return result->lVal;
}

// "C7", the A1 name of a cell, which Range takes on every spreadsheet.
std::string A1(long row, long column) {
  std::string letters;
  for (long c = column; c > 0; c = (c - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  }
  return letters + std::to_string(row);
}

// One row of texts as the two-dimensional array that Value2 of a range takes.
class RowArray {
 public:
  explicit RowArray(const std::vector<std::string>& texts) {
    SAFEARRAYBOUND bounds[2] = {{1, 1}, {static_cast<ULONG>(texts.size()), 1}};
    array_ = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (array_ == nullptr) throw std::bad_alloc();
    for (std::size_t i = 0; i < texts.size(); ++i) {
      LONG index[2] = {1, static_cast<LONG>(i + 1)};
      Variant text = Variant::Text(texts[i]);
      const HRESULT hr = ::SafeArrayPutElement(array_, index, text.get());
      if (FAILED(hr)) {
        ::SafeArrayDestroy(array_);
        Fail("SafeArrayPutElement", hr);
      }
    }
  }
  RowArray(const RowArray&) = delete;
  RowArray& operator=(const RowArray&) = delete;
  ~RowArray() { ::SafeArrayDestroy(array_); }

  VARIANT AsArgument() const {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = array_;
    return v;
  }

 private:
  SAFEARRAY* array_ = nullptr;
};

ComPtr<IDispatch> RunningObject(const std::string& progId) {
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(Widen(progId).c_str(), &clsid);
  if (FAILED(hr)) Fail("CLSIDFromProgID " + progId, hr);
  ComPtr<IUnknown> running;
  hr = CallPatiently(
      [&] { return ::GetActiveObject(clsid, nullptr, running.ReleaseAndGetAddressOf()); });
  if (FAILED(hr)) Fail("GetActiveObject " + progId, hr);
  ComPtr<IDispatch> app;
  hr = CallPatiently([&] { return running.As(&app); });
  if (FAILED(hr)) Fail("IDispatch of " + progId, hr);
  return app;
}

}  // namespace

// Keeps the application objects of the last rows for a moment, and lets them go when a timer
// of its own message-only window finds them idle.
class Win32Automation::Holder final : public Window {
 public:
  Holder() {
    CreateParams params;
    params.parent = HWND_MESSAGE;
    params.x = params.y = params.width = params.height = 0;
    Create(L"ZelAutomationHolder", params);
  }
  ~Holder() override {
    if (Handle() != nullptr) ::KillTimer(Handle(), kTimerId);
  }

  // The held object of the ProgID, if any; the caller owns it while it writes a row.
  ComPtr<IDispatch> Take(const std::string& progId) {
    const auto it = held_.find(progId);
    if (it == held_.end()) return nullptr;
    ComPtr<IDispatch> app = std::move(it->second.app);
    held_.erase(it);
    return app;
  }
  void Keep(const std::string& progId, ComPtr<IDispatch> app) {
    held_[progId] = {std::move(app), ::GetTickCount()};
    if (Handle() != nullptr) ::SetTimer(Handle(), kTimerId, kHoldMs, nullptr);
  }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_TIMER || wParam != kTimerId) return DefaultHandling(message, wParam, lParam);
    const DWORD now = ::GetTickCount();
    for (auto it = held_.begin(); it != held_.end();) {
      it = now - it->second.since >= kHoldMs ? held_.erase(it) : std::next(it);
    }
    if (held_.empty()) ::KillTimer(Handle(), kTimerId);
    return 0;
  }

 private:
  static constexpr UINT_PTR kTimerId = 1;
  struct Held {
    ComPtr<IDispatch> app;
    DWORD since = 0;
  };
  std::map<std::string, Held> held_;
};

namespace {

class DispatchApp final : public ISpreadsheetApp {
 public:
  DispatchApp(const std::string& progId, MemberIds& ids, Win32Automation::Holder& holder)
      : ids_(ids), holder_(holder), progId_(progId), app_(holder.Take(progId)) {
    reused_ = app_ != nullptr;
    if (!app_) app_ = RunningObject(progId);
  }
  ~DispatchApp() override { holder_.Keep(progId_, std::move(app_)); }

  CellPosition ActiveCell() override {
    // The first call of a row: an application held from the last row may have gone since.
    try {
      return ActiveCellOf();
    } catch (const SpreadsheetError&) {
      if (!reused_) throw;
      reused_ = false;
      app_ = RunningObject(progId_);
      return ActiveCellOf();
    }
  }

  CellPosition ActiveCellOf() {
    const ComPtr<IDispatch> cell = MemberObject(ids_, app_.Get(), L"ActiveCell");
    // Address(True, True, xlR1C1) gives row and column in one call instead of two.
    if (!noAddress_) {
      try {
        Variant address;
        VARIANT yes;
        ::VariantInit(&yes);
        yes.vt = VT_BOOL;
        yes.boolVal = VARIANT_TRUE;
        Call(ids_, cell.Get(), L"Address", DISPATCH_PROPERTYGET | DISPATCH_METHOD,
             {yes, yes, Variant::Long(kXlR1C1).release()}, address.put());
        if (address->vt == VT_BSTR) return ParseExcelSelection(Bstr::Text(address->bstrVal));
      } catch (const SpreadsheetError&) {
      }
      noAddress_ = true;
    }
    return CellPosition{GetLong(ids_, cell.Get(), L"Row"), GetLong(ids_, cell.Get(), L"Column")};
  }

  void SetCellText(long row, long column, const std::string& text) override {
    const ComPtr<IDispatch> cells = MemberObject(ids_, app_.Get(), L"Cells");
    const ComPtr<IDispatch> cell = MemberObject(
        ids_, cells.Get(), L"Item", {Variant::Long(row).release(), Variant::Long(column).release()});
    const Variant value = Variant::Text(text);
    Call(ids_, cell.Get(), L"Value2", DISPATCH_PROPERTYPUT, {*value.get()}, nullptr);
  }

  void SetRowTexts(long row, long column, const std::vector<std::string>& texts) override {
    if (texts.empty()) return;
    const long last = column + static_cast<long>(texts.size()) - 1;
    const ComPtr<IDispatch> range = Range(A1(row, column) + ":" + A1(row, last));
    const RowArray values(texts);
    Call(ids_, range.Get(), L"Value2", DISPATCH_PROPERTYPUT, {values.AsArgument()}, nullptr);
  }

  void SelectCell(long row, long column) override {
    const ComPtr<IDispatch> cell = Range(A1(row, column));
    Variant ignored;
    Call(ids_, cell.Get(), L"Select", DISPATCH_METHOD, {}, ignored.put());
  }

 private:
  ComPtr<IDispatch> Range(const std::string& address) {
    const Variant text = Variant::Text(address);
    return MemberObject(ids_, app_.Get(), L"Range", {*text.get()});
  }

  static constexpr long kXlR1C1 = -4150;

  // Registered first, revoked last: covers every call of this application object.
  ScopedMessageFilter filter_;
  MemberIds& ids_;
  Win32Automation::Holder& holder_;
  std::string progId_;
  bool reused_ = false;
  bool noAddress_ = false;
  ComPtr<IDispatch> app_;
};

}  // namespace

Win32Automation::Win32Automation() : holder_(std::make_unique<Holder>()) {}

Win32Automation::~Win32Automation() = default;

std::unique_ptr<ISpreadsheetApp> Win32Automation::GetRunningApp(const std::string& progId) {
  return std::make_unique<DispatchApp>(progId, ids_[progId], *holder_);
}

}  // namespace zel::win32
