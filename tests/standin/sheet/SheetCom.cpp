// The running automation objects: Application { ActiveCell, Cells, Range("C7:L7") },
// Cells.Item(row, column), and a range of cells in one row { Row, Column, Value2 (a text, or for
// a range an array of texts), Select }, all late-bound through IDispatch.
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <vector>

#include "Sheet.h"
#include "app/Errors.h"
#include "app/win32/Owners.h"
#include "export/win32/MessageFilterBase.h"

namespace sheet {

using zel::win32::Narrow;
using zel::win32::Widen;

namespace {

enum Member : DISPID {
  kActiveCell = 1,
  kCells,
  kItem,
  kRow,
  kColumn,
  kValue2,
  kSelect,
  kRange,
  kAddress,
  kApplication,
};

struct Name {
  const wchar_t* text;
  DISPID id;
};
constexpr Name kNames[] = {{L"ActiveCell", kActiveCell}, {L"Cells", kCells}, {L"Item", kItem},
                           {L"Row", kRow},   {L"Column", kColumn}, {L"Value2", kValue2},
                           {L"Select", kSelect}, {L"Range", kRange},
                           {L"Address", kAddress}, {L"Application", kApplication}};

bool ArgLong(const DISPPARAMS* params, UINT indexFromFirst, long& out) {
  if (indexFromFirst >= params->cArgs) return false;
  VARIANT v;
  ::VariantInit(&v);
  const HRESULT hr =
      ::VariantChangeType(&v, &params->rgvarg[params->cArgs - 1 - indexFromFirst], 0, VT_I4);
  if (FAILED(hr)) return false;
  out = v.lVal;
  return true;
}

// "C7" -> row 7, column 3; false for anything else.
bool ParseA1(const std::wstring& text, long& row, long& column) {
  std::size_t i = 0;
  column = 0;
  while (i < text.size() && text[i] >= L'A' && text[i] <= L'Z') column = column * 26 + (text[i++] - L'A' + 1);
  if (column == 0 || i == text.size()) return false;
  row = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    row = row * 10 + (text[i] - L'0');
  }
  return row > 0;
}

// --ole-slow and --ole-silent: the call is answered late, or only when the stand-in is told
// to quit; --late-write: a write is carried out late, after a caller may have given up on it.
void TakeTime(bool write) {
  const Options& o = Current().options;
  if (write && o.lateWriteMs > 0) {
    ::Sleep(static_cast<DWORD>(o.lateWriteMs));
  } else if (o.oleSilent) {
    const zel::win32::UniqueHandleObj quit(::OpenEventW(SYNCHRONIZE, FALSE, L"ZelSheetQuit"));
    if (quit) ::WaitForSingleObject(quit.get(), INFINITE);
  } else if (o.oleSlowMs > 0) {
    ::Sleep(static_cast<DWORD>(o.oleSlowMs));
  }
}

class SheetObject final : public IDispatch {
 public:
  // A cell is a range of one: row, first and last column.
  enum class Kind { Application, Cells, Cell, Window };
  SheetObject(Kind kind, long row = 0, long column = 0, long lastColumn = 0)
      : kind_(kind), row_(row), column_(column), lastColumn_(lastColumn == 0 ? column : lastColumn) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      if (i > 0) {
        hr = DISP_E_UNKNOWNNAME;  // no named arguments here
        continue;
      }
      for (const Name& n : kNames) {
        if (::lstrcmpiW(names[0], n.text) == 0) ids[0] = n.id;
      }
      if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    // VBA_E_IGNORE: what Excel's object model answers while a dialog is open.
    if (Current().dialog) return static_cast<HRESULT>(0x800AC472);
    try {
      TakeTime(id == kValue2 && (flags & DISPATCH_PROPERTYPUT) != 0);
      return Dispatch(id, flags, params, result);
    } catch (...) {
      zel::ReportCurrentException();
      return E_FAIL;
    }
  }

 private:
  static HRESULT ReturnObject(VARIANT* result, SheetObject* object) {
    object->AddRef();
    if (result == nullptr) {
      object->Release();
      return S_OK;
    }
    ::VariantInit(result);
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
    return S_OK;
  }
  static HRESULT ReturnLong(VARIANT* result, long value) {
    if (result != nullptr) {
      ::VariantInit(result);
      result->vt = VT_I4;
      result->lVal = value;
    }
    return S_OK;
  }

  HRESULT Dispatch(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) {
    if (params == nullptr) return E_INVALIDARG;
    Grid& grid = Current().grid;
    const bool get = (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0;
    switch (kind_) {
      case Kind::Window:
        if (id == kApplication && get) return ReturnObject(result, new SheetObject(Kind::Application));
        break;
      case Kind::Application:
        if (id == kActiveCell && get) {
          return ReturnObject(result, new SheetObject(Kind::Cell, grid.ActiveRow(), grid.ActiveColumn()));
        }
        if (id == kCells && get) return ReturnObject(result, new SheetObject(Kind::Cells));
        if (id == kRange && get) {
          if (params->cArgs != 1 || params->rgvarg[0].vt != VT_BSTR) return DISP_E_BADPARAMCOUNT;
          // One cell or one row: "C7" or "C7:L7".
          const std::wstring address = params->rgvarg[0].bstrVal;
          const auto colon = address.find(L':');
          long row = 0, column = 0, lastRow = 0, lastColumn = 0;
          if (!ParseA1(address.substr(0, colon), row, column)) return DISP_E_BADINDEX;
          if (colon == std::wstring::npos) {
            lastRow = row;
            lastColumn = column;
          } else if (!ParseA1(address.substr(colon + 1), lastRow, lastColumn) || lastRow != row ||
                     lastColumn < column) {
            return DISP_E_BADINDEX;
          }
          return ReturnObject(result, new SheetObject(Kind::Cell, row, column, lastColumn));
        }
        break;
      case Kind::Cells:
        if ((id == kItem || id == DISPID_VALUE) && get) {
          long row = 0, column = 0;
          if (params->cArgs != 2 || !ArgLong(params, 0, row) || !ArgLong(params, 1, column)) {
            return DISP_E_BADPARAMCOUNT;
          }
          if (row < 1 || column < 1) return DISP_E_BADINDEX;
          return ReturnObject(result, new SheetObject(Kind::Cell, row, column));
        }
        break;
      case Kind::Cell:
        if (id == kAddress && get && result != nullptr) {
          // Only the R1C1 form is spoken here: "R7C3".
          const std::wstring text = L"R" + std::to_wstring(row_) + L"C" + std::to_wstring(column_);
          ::VariantInit(result);
          result->vt = VT_BSTR;
          result->bstrVal = ::SysAllocString(text.c_str());
          return S_OK;
        }
        if (id == kRow && get) return ReturnLong(result, row_);
        if (id == kColumn && get) return ReturnLong(result, column_);
        if (id == kSelect && (flags & DISPATCH_METHOD)) {
          grid.Select(row_, column_);
          return S_OK;
        }
        if (id == kValue2 && (flags & DISPATCH_PROPERTYPUT)) {
          if (params->cArgs != 1 || params->cNamedArgs != 1 ||
              params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
            return DISP_E_BADPARAMCOUNT;
          }
          if (params->rgvarg[0].vt == (VT_ARRAY | VT_VARIANT)) return PutRow(params->rgvarg[0].parray, grid);
          if (lastColumn_ != column_) return DISP_E_TYPEMISMATCH;
          VARIANT text;
          ::VariantInit(&text);
          const HRESULT hr = ::VariantChangeType(&text, &params->rgvarg[0], 0, VT_BSTR);
          if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
          grid.Set(row_, column_, Typed(Narrow(text.bstrVal, static_cast<int>(::SysStringLen(text.bstrVal)))));
          ::VariantClear(&text);
          return S_OK;
        }
        if (id == kValue2 && get && result != nullptr) {
          ::VariantInit(result);
          result->vt = VT_BSTR;
          const std::wstring wide = Widen(grid.Get(row_, column_));
          result->bstrVal = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
          return S_OK;
        }
        break;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

  // A 1 x n array of texts into the range's n cells, saved once.
  HRESULT PutRow(SAFEARRAY* array, Grid& grid) {
    if (Current().options.noArrays) return DISP_E_TYPEMISMATCH;
    LONG rows = 0, first = 0, last = 0;
    if (::SafeArrayGetDim(array) != 2 || FAILED(::SafeArrayGetLBound(array, 1, &rows)) ||
        FAILED(::SafeArrayGetLBound(array, 2, &first)) ||
        FAILED(::SafeArrayGetUBound(array, 2, &last)) || last - first != lastColumn_ - column_) {
      return DISP_E_BADINDEX;
    }
    for (LONG i = first; i <= last; ++i) {
      LONG index[2] = {rows, i};
      VARIANT cell, text;
      ::VariantInit(&cell);
      ::VariantInit(&text);
      if (FAILED(::SafeArrayGetElement(array, index, &cell)) ||
          FAILED(::VariantChangeType(&text, &cell, 0, VT_BSTR))) {
        ::VariantClear(&cell);
        return DISP_E_TYPEMISMATCH;
      }
      grid.Store(row_, column_ + (i - first),
                 Typed(Narrow(text.bstrVal, static_cast<int>(::SysStringLen(text.bstrVal)))));
      ::VariantClear(&cell);
      ::VariantClear(&text);
    }
    grid.Save();
    return S_OK;
  }

  ULONG refs_ = 1;
  Kind kind_;
  long row_;
  long column_;
  long lastColumn_;
};

// Rejects calls on the application's objects while "busy", as a spreadsheet in cell edit mode
// does. The COM runtime asks it about every call that arrives. Wine carries on with a call
// answered SERVERCALL_RETRYLATER as if handled, so the rejection is SERVERCALL_REJECTED: the
// caller sees RPC_E_CALL_REJECTED, as it does from Excel.
class BusyFilter final : public zel::win32::MessageFilterBase {
 public:
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO info) override {
    const State& s = Current();
    const bool busy = s.editing || static_cast<LONG>(s.busyUntil - ::GetTickCount()) > 0;
    if (busy && info != nullptr && info->iid == IID_IDispatch) return SERVERCALL_REJECTED;
    return SERVERCALL_ISHANDLED;
  }
};

struct ProgId {
  const char* role;
  const wchar_t* progId;
  const wchar_t* clsid;
};
// Excel's own class id; the WPS ones are this stand-in's.
constexpr ProgId kProgIds[] = {
    {"excel", L"EXCEL.Application", L"{00024500-0000-0000-C000-000000000046}"},
    {"excel-ole-only", L"EXCEL.Application", L"{00024500-0000-0000-C000-000000000046}"},
    {"wps-ket", L"KET.Application", L"{5A2D8E11-7C3B-4E6A-9F10-3B7E0D5C1A01}"},
    {"wps-both", L"KET.Application", L"{5A2D8E11-7C3B-4E6A-9F10-3B7E0D5C1A01}"},
    {"wps-et", L"ET.Application", L"{5A2D8E11-7C3B-4E6A-9F10-3B7E0D5C1A02}"},
    {"wps-both", L"ET.Application", L"{5A2D8E11-7C3B-4E6A-9F10-3B7E0D5C1A02}"},
};

BusyFilter gFilter;
std::vector<DWORD> gRegistrations;

// ProgID -> CLSID under HKCR, where CLSIDFromProgID looks (Wine ignores the per-user classes).
void RegisterProgId(const wchar_t* progId, const wchar_t* clsid) {
  HKEY key = nullptr;
  const std::wstring path = std::wstring(progId) + L"\\CLSID";
  if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
    ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid),
                     static_cast<DWORD>((wcslen(clsid) + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
  }
}

}  // namespace

void StartAutomation(const std::string& role) {
  if (Current().options.busyMs > 0 || Current().options.editing) {
    ::CoRegisterMessageFilter(&gFilter, nullptr);
  }
  for (const ProgId& p : kProgIds) {
    if (role != p.role) continue;
    RegisterProgId(p.progId, p.clsid);
    CLSID clsid{};
    ZEL_THROW_IF_FAILED(::CLSIDFromString(p.clsid, &clsid));
    // Made with one reference, which this owner takes over (MinGW's Attach would add one).
    Microsoft::WRL::ComPtr<SheetObject> app;
    *app.ReleaseAndGetAddressOf() = new SheetObject(SheetObject::Kind::Application);
    DWORD cookie = 0;
    ZEL_THROW_IF_FAILED(::RegisterActiveObject(app.Get(), clsid, ACTIVEOBJECT_STRONG, &cookie));
    gRegistrations.push_back(cookie);
  }
}

IDispatch* NewWorkbookWindow() { return new SheetObject(SheetObject::Kind::Window); }

void StopAutomation() {
  for (const DWORD cookie : gRegistrations) ::RevokeActiveObject(cookie, nullptr);
  gRegistrations.clear();
  ::CoRegisterMessageFilter(nullptr, nullptr);
}

}  // namespace sheet
