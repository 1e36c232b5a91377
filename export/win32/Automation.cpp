#include "export/win32/Automation.h"

#include <windows.h>

#include <objbase.h>
#include <oleacc.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "app/win32/Owners.h"
#include "app/win32/Win32Util.h"
#include "export/CellValues.h"
#include "export/win32/MainWindows.h"

namespace zel::win32 {

using Microsoft::WRL::ComPtr;
using Applications = Win32Automation::Applications;

namespace {

constexpr DWORD kBusyRetryLimitMs = kBusyPatienceMs;
constexpr DWORD kBusyRetryStepMs = 100;

// Rejected while a cell is edited (RPC_E_CALL_REJECTED, or RETRYLATER where the filter says so),
// or Excel's object model suspended while it shows a dialog (0x800AC472).
constexpr HRESULT kObjectModelSuspended = static_cast<HRESULT>(0x800AC472);
bool IsBusy(HRESULT hr) {
  return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER ||
         hr == kObjectModelSuspended;
}

// Runs the call again while the application rejects it as busy, for a bounded time: a call
// from the multithreaded apartment gets the rejection back at once.
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
  // CallPatiently has waited out the busy time already.
  if (IsBusy(hr)) ThrowFailure<SpreadsheetBusy>(what, static_cast<unsigned long>(hr), detail);
  ThrowFailure<SpreadsheetError>(what, static_cast<unsigned long>(hr), detail);
}

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

ComPtr<IDispatch> RegisteredObject(const std::string& progId) {
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

// The main window of the application's instance in front; nullptr when it has none.
HWND FrontWindow(const std::string& progId) {
  const auto windows = MainWindowsTopFirst(MainWindowClassOf(progId).main);
  return windows.empty() ? nullptr : windows.front();
}

// The application of the instance in front: its workbook pane hands out the workbook's Window
// object, whose Application it is. The running object table knows only the instance registered
// first; it serves where there is no main window, or no pane (no workbook open).
ComPtr<IDispatch> RunningObject(const std::string& progId, HWND front) {
  const HWND pane = front != nullptr ? DescendantOf(front, MainWindowClassOf(progId).pane) : nullptr;
  ComPtr<IDispatch> window;
  if (pane != nullptr &&
      SUCCEEDED(::AccessibleObjectFromWindow(pane, static_cast<DWORD>(OBJID_NATIVEOM), IID_IDispatch,
                                             reinterpret_cast<void**>(window.GetAddressOf())))) {
    MemberIds ids;
    return MemberObject(ids, window.Get(), L"Application");
  }
  return RegisteredObject(progId);
}

}  // namespace

// The application objects of one call thread, used by it alone: the object of each ProgID is
// kept from one row to the next for a moment (kHoldMs), so that the next row does not look it up
// again; no longer, or it would outlive its own window.
class Win32Automation::Applications {
 public:
  void Open(const std::string& progId) {
    Held& held = apps_[progId];
    held.since = ::GetTickCount64();
    held.inUse = true;
    // Held from the last row only while the same instance stands in front.
    const HWND front = FrontWindow(progId);
    held.reused = held.app != nullptr && held.front == front;
    if (held.reused) return;
    held.front = front;
    try {
      held.app = RunningObject(progId, front);
    } catch (...) {
      apps_.erase(progId);
      throw;
    }
  }

  CellPosition ActiveCell(const std::string& progId) {
    Held& held = Opened(progId);
    // The first call of a row: an application held from the last row may have gone since.
    try {
      return ActiveCellOf(progId, held);
    } catch (const SpreadsheetError&) {
      if (!held.reused) throw;
      held.reused = false;
      held.app = RunningObject(progId, held.front);
      return ActiveCellOf(progId, held);
    }
  }

  void SetCellText(const std::string& progId, long row, long column, const std::string& text) {
    Held& held = Opened(progId);
    MemberIds& ids = ids_[progId];
    const ComPtr<IDispatch> cells = MemberObject(ids, held.app.Get(), L"Cells");
    const ComPtr<IDispatch> cell = MemberObject(
        ids, cells.Get(), L"Item", {Variant::Long(row).release(), Variant::Long(column).release()});
    const Variant value = Variant::Text(text);
    Call(ids, cell.Get(), L"Value2", DISPATCH_PROPERTYPUT, {*value.get()}, nullptr);
  }

  void SetRowTexts(const std::string& progId, long row, long column,
                   const std::vector<std::string>& texts) {
    if (texts.empty()) return;
    const long last = column + static_cast<long>(texts.size()) - 1;
    const ComPtr<IDispatch> range = Range(progId, A1(row, column) + ":" + A1(row, last));
    const RowArray values(texts);
    Call(ids_[progId], range.Get(), L"Value2", DISPATCH_PROPERTYPUT, {values.AsArgument()}, nullptr);
  }

  void SelectCell(const std::string& progId, long row, long column) {
    const ComPtr<IDispatch> cell = Range(progId, A1(row, column));
    Variant ignored;
    Call(ids_[progId], cell.Get(), L"Select", DISPATCH_METHOD, {}, ignored.put());
  }

  bool Empty() const { return apps_.empty(); }
  // Lets go of the objects whose last use began kHoldMs ago or more. Under Wine an object let go
  // after its application ended leaves that connection's handles (two events, a pipe) behind for
  // good, so an idle one is let go while its application most likely still runs.
  void DropIdle() {
    const ULONGLONG now = ::GetTickCount64();
    for (auto& [progId, held] : apps_) {
      // A use counts from its end: a slow call must not make its own application idle.
      if (held.inUse) held.since = now;
      held.inUse = false;
    }
    for (auto it = apps_.begin(); it != apps_.end();) {
      it = now - it->second.since >= Win32Automation::kHoldMs ? apps_.erase(it) : std::next(it);
    }
  }

 private:
  struct Held {
    ComPtr<IDispatch> app;
    HWND front = nullptr;  // the main window it was reached through
    ULONGLONG since = 0;
    bool inUse = false;  // used by the task now ending
    bool reused = false;
    bool noAddress = false;
  };

  Held& Opened(const std::string& progId) {
    const auto it = apps_.find(progId);
    if (it == apps_.end()) throw SpreadsheetError(progId + " is not open");
    it->second.since = ::GetTickCount64();
    it->second.inUse = true;
    return it->second;
  }

  CellPosition ActiveCellOf(const std::string& progId, Held& held) {
    MemberIds& ids = ids_[progId];
    const ComPtr<IDispatch> cell = MemberObject(ids, held.app.Get(), L"ActiveCell");
    // Address(True, True, xlR1C1) gives row and column in one call instead of two.
    if (!held.noAddress) {
      try {
        Variant address;
        VARIANT yes;
        ::VariantInit(&yes);
        yes.vt = VT_BOOL;
        yes.boolVal = VARIANT_TRUE;
        Call(ids, cell.Get(), L"Address", DISPATCH_PROPERTYGET | DISPATCH_METHOD,
             {yes, yes, Variant::Long(kXlR1C1).release()}, address.put());
        if (address->vt == VT_BSTR) return ParseExcelSelection(Bstr::Text(address->bstrVal));
      } catch (const SpreadsheetError&) {
      }
      held.noAddress = true;
    }
    return CellPosition{GetLong(ids, cell.Get(), L"Row"), GetLong(ids, cell.Get(), L"Column")};
  }

  ComPtr<IDispatch> Range(const std::string& progId, const std::string& address) {
    const Variant text = Variant::Text(address);
    return MemberObject(ids_[progId], Opened(progId).app.Get(), L"Range", {*text.get()});
  }

  static constexpr long kXlR1C1 = -4150;

  // Member ids by ProgID, looked up once per application class: every lookup is a call too.
  std::map<std::string, MemberIds> ids_;
  std::map<std::string, Held> apps_;
};

// Runs the calls into the applications on a thread of the multithreaded apartment, while the
// main thread waits for each as long as its route allows. A call made from the main thread's
// single-threaded apartment could only be ended through its message filter (MessagePending
// answering PENDINGMSG_CANCELCALL): Windows obeys that, but Wine notes it and goes on waiting
// for the reply, and Wine does not implement CoCancelCall. Leaving the call to a thread of its
// own ends the wait on both.
class Win32Automation::CallThread {
 public:
  struct Shared;
  CallThread();
  ~CallThread();
  CallThread(const CallThread&) = delete;
  CallThread& operator=(const CallThread&) = delete;

  // Runs the task there and passes on what it threw; throws SpreadsheetError when it has not
  // finished within timeoutMs. The thread is then lost: it ends when the call returns, if ever.
  void Run(std::function<void(Applications&)> task, int timeoutMs);
  bool Lost() const { return lost_; }

 private:
  static constexpr int kQuitWaitMs = 1000;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
  bool lost_ = false;
};

// What the main thread and the call thread share; kept alive by both, since a call thread that
// was given up on may outlive its owner.
struct Win32Automation::CallThread::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::function<void(Applications&)> task;
  bool done = false;
  std::exception_ptr error;
  bool quit = false;
  bool exited = false;
  DWORD threadId = 0;  // the call thread's, once it runs
};

namespace {

// Wine's ole32 has CoCancelCall as an unimplemented entry point: calling it ends the process.
bool CanCancelCalls() {
  static const bool can =
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
  return can;
}

void CallThreadMain(const std::shared_ptr<Win32Automation::CallThread::Shared>& shared) {
  constexpr std::chrono::milliseconds kHold(Win32Automation::kHoldMs);
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  // So that a call given up on can be cancelled from the waiting thread.
  if (SUCCEEDED(com) && CanCancelCalls()) ::CoEnableCallCancellation(nullptr);
  {
    Applications apps;
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->threadId = ::GetCurrentThreadId();
    while (!shared->quit) {
      if (shared->task) {
        const auto task = std::move(shared->task);
        shared->task = nullptr;
        lock.unlock();
        std::exception_ptr error;
        try {
          if (FAILED(com)) {
            ThrowFailure<SpreadsheetError>("CoInitializeEx", static_cast<unsigned long>(com));
          }
          task(apps);
        } catch (...) {
          error = std::current_exception();
        }
        lock.lock();
        shared->error = error;
        shared->done = true;
        shared->changed.notify_all();
        // Rows going to one application must not keep another held past its hold: it may end
        // meanwhile (see DropIdle).
        lock.unlock();
        apps.DropIdle();
        lock.lock();
      } else if (apps.Empty()) {
        shared->changed.wait(lock);
      } else if (shared->changed.wait_for(lock, kHold) == std::cv_status::timeout &&
                 !shared->task) {
        lock.unlock();
        apps.DropIdle();
        lock.lock();
      }
    }
  }  // the applications are let go here, off the main thread
  if (SUCCEEDED(com)) ::CoUninitialize();
  const std::lock_guard<std::mutex> lock(shared->mutex);
  shared->exited = true;
  shared->changed.notify_all();
}

}  // namespace

Win32Automation::CallThread::CallThread() : shared_(std::make_shared<Shared>()) {
  thread_ = std::thread(CallThreadMain, shared_);
}

Win32Automation::CallThread::~CallThread() {
  if (!thread_.joinable()) return;
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->quit = true;
  shared_->changed.notify_all();
  // Letting go of an application that hangs must not hang the caller.
  const bool exited = shared_->changed.wait_for(lock, std::chrono::milliseconds(kQuitWaitMs),
                                                [this] { return shared_->exited; });
  lock.unlock();
  if (exited) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

void Win32Automation::CallThread::Run(std::function<void(Applications&)> task, int timeoutMs) {
  if (lost_) throw SpreadsheetError("the application did not answer");
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->task = std::move(task);
  shared_->done = false;
  shared_->error = nullptr;
  shared_->changed.notify_all();
  if (!shared_->changed.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                 [this] { return shared_->done; })) {
    // Cancelled where the platform can; the application may carry it out all the same, and
    // the thread ends when the call returns, if ever.
    lost_ = true;
    shared_->quit = true;
    const DWORD callThread = shared_->threadId;
    lock.unlock();
    if (CanCancelCalls() && callThread != 0) ::CoCancelCall(callThread, 0);
    thread_.detach();
    throw SpreadsheetLate("no answer within " + std::to_string(timeoutMs) + " ms");
  }
  if (shared_->error) std::rethrow_exception(shared_->error);
}

namespace {

// One row's view of a running application: every call goes to the call thread and is waited
// for as long as the route allows.
class DispatchApp final : public ISpreadsheetApp {
 public:
  DispatchApp(std::shared_ptr<Win32Automation::CallThread> thread, const std::string& progId,
              int timeoutMs)
      : thread_(std::move(thread)), progId_(progId) {
    thread_->Run([progId](Applications& apps) { apps.Open(progId); }, timeoutMs);
  }

  CellPosition ActiveCell(int timeoutMs) override {
    const auto at = std::make_shared<CellPosition>();
    thread_->Run([progId = progId_, at](Applications& apps) { *at = apps.ActiveCell(progId); },
                 timeoutMs);
    return *at;
  }

  void SetCellText(long row, long column, const std::string& text, int timeoutMs) override {
    thread_->Run([progId = progId_, row, column, text](Applications& apps) {
      apps.SetCellText(progId, row, column, text);
    }, timeoutMs);
  }

  void SetRowTexts(long row, long column, const std::vector<std::string>& texts,
                   int timeoutMs) override {
    thread_->Run([progId = progId_, row, column, texts](Applications& apps) {
      apps.SetRowTexts(progId, row, column, texts);
    }, timeoutMs);
  }

  void SelectCell(long row, long column, int timeoutMs) override {
    thread_->Run([progId = progId_, row, column](Applications& apps) {
      apps.SelectCell(progId, row, column);
    }, timeoutMs);
  }

 private:
  std::shared_ptr<Win32Automation::CallThread> thread_;
  std::string progId_;
};

}  // namespace

Win32Automation::Win32Automation() = default;

Win32Automation::~Win32Automation() = default;

std::unique_ptr<ISpreadsheetApp> Win32Automation::GetRunningApp(const std::string& progId,
                                                                int timeoutMs) {
  // A thread left waiting for an application that did not answer is not used again.
  if (!thread_ || thread_->Lost()) thread_ = std::make_shared<CallThread>();
  return std::make_unique<DispatchApp>(thread_, progId, timeoutMs);
}

}  // namespace zel::win32
