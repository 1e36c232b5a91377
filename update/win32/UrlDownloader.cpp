#include "update/win32/UrlDownloader.h"

#include <urlmon.h>

#include <cstdint>
#include <cstring>
#include <cwctype>
#include <optional>
#include <utility>

#include "app/win32/Owners.h"

namespace zel::win32 {

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kFetchDone = WM_APP + 1;
// An HTTP error status s becomes 0x80190000 + s.
constexpr HRESULT kHttpFacility = static_cast<HRESULT>(0x80190000u);

// Scheme, host and port: "http://host:port", lower case.
std::wstring Origin(const std::wstring& url) {
  const std::size_t scheme = url.find(L"://");
  if (scheme == std::wstring::npos) return {};
  std::wstring origin = url.substr(0, url.find_first_of(L"/?#", scheme + 3));
  for (wchar_t& c : origin) c = static_cast<wchar_t>(std::towlower(c));
  return origin;
}

// The value of one header of a response, without the blanks around it.
std::optional<std::wstring> Header(const wchar_t* headers, const std::wstring& name) {
  if (headers == nullptr) return std::nullopt;
  const std::wstring text = headers;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(start, end - start);
    start = end + 2;
    if (line.size() <= name.size() || line[name.size()] != L':' ||
        ::_wcsnicmp(line.c_str(), name.c_str(), name.size()) != 0) {
      continue;
    }
    const std::size_t first = line.find_first_not_of(L" \t", name.size() + 1);
    if (first == std::wstring::npos) return std::wstring();
    return line.substr(first, line.find_last_not_of(L" \t") + 1 - first);
  }
  return std::nullopt;
}

// A Content-Length; above the limit for anything unreadable or too long.
std::uint64_t Length(const std::wstring& value) {
  std::uint64_t n = 0;
  if (value.empty() || value.size() > 15) return kMaxDownloadBytes + 1;
  for (const wchar_t c : value) {
    if (c < L'0' || c > L'9') return kMaxDownloadBytes + 1;
    n = n * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  return n;
}

std::wstring LastSegment(const std::wstring& url) {
  const std::wstring path = url.substr(0, url.find_first_of(L"?#"));
  return path.substr(path.find_last_of(L'/') + 1);
}

}  // namespace

// One fetch: the bind-status callback that urlmon drives, writing into a temporary file.
class UrlDownloader::Fetch final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  Fetch(HWND notify, std::wstring url, std::wstring target)
      : notify_(notify), url_(std::move(url)), target_(std::move(target)),
        part_(target_ + L".part") {}

  // Binds; a failure to begin is reported as a completion like any other.
  void Begin() {
    file_ = OwnFileHandle(::CreateFileW(part_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return Stopped(HRESULT_FROM_WIN32(::GetLastError()));
    ComPtr<IMoniker> moniker;
    HRESULT hr = ::CreateURLMonikerEx(nullptr, url_.c_str(), &moniker, URL_MK_UNIFORM);
    ComPtr<IBindCtx> context;
    if (SUCCEEDED(hr)) hr = ::CreateAsyncBindCtx(0, this, nullptr, &context);
    ComPtr<IStream> stream;
    if (SUCCEEDED(hr)) {
      hr = moniker->BindToStorage(context.Get(), nullptr, IID_IStream,
                                  reinterpret_cast<void**>(stream.GetAddressOf()));
    }
    if (FAILED(hr) && !stopped_) Stopped(hr);
  }

  // Closes the file and keeps it under its final name only when the whole resource came.
  DownloadResult Finish() {
    file_.reset();
    HRESULT result = FAILED(refused_) ? refused_ : FAILED(stopResult_) ? stopResult_ : writeResult_;
    if (SUCCEEDED(result) && status_ >= 400) result = kHttpFacility + static_cast<HRESULT>(status_);
    // Less (or more) than the server announced is a broken transfer, not the file. Without a
    // length (a chunked body, whose proper end the moniker does not tell apart from a cut
    // connection) or in an encoding, nothing can be held against the body: no file either.
    if (SUCCEEDED(result) && (!length_ || *length_ != written_)) {
      result = INET_E_DATA_NOT_AVAILABLE;
    }
    if (SUCCEEDED(result) &&
        !::MoveFileExW(part_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      result = HRESULT_FROM_WIN32(::GetLastError());
    }
    if (FAILED(result)) ::DeleteFileW(part_.c_str());
    return SUCCEEDED(result) ? 0 : static_cast<DownloadResult>(result);
  }

  // The fetch took too long: it ends now, as a failure.
  DownloadResult TimedOut() {
    Abandon();
    return static_cast<DownloadResult>(INET_E_CONNECTION_TIMEOUT);
  }

  void Abandon() {
    notify_ = nullptr;
    if (binding_) binding_->Abort();
    file_.reset();
    ::DeleteFileW(part_.c_str());
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IBindStatusCallback) {
      *out = static_cast<IBindStatusCallback*>(this);
    } else if (iid == IID_IHttpNegotiate) {
      *out = static_cast<IHttpNegotiate*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }

  // IBindStatusCallback
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* binding) override {
    binding_ = binding;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG status, LPCWSTR text) override {
    // The file comes from the host it was asked of, or not at all.
    if (status == BINDSTATUS_REDIRECTING && (text == nullptr || Origin(text) != Origin(url_))) {
      Refuse(INET_E_REDIRECT_FAILED);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT hr, LPCWSTR) override {
    binding_.Reset();
    stream_.Reset();
    Stopped(hr);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override {
    // Always the service's current file: the check compares what is there now.
    *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA | BINDF_GETNEWESTVERSION |
             BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE | BINDF_NO_UI | BINDF_SILENTOPERATION;
    const ULONG size = info->cbSize;
    std::memset(info, 0, size);
    info->cbSize = size;
    info->dwBindVerb = BINDVERB_GET;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override {
    if (medium == nullptr || medium->tymed != TYMED_ISTREAM || medium->pstm == nullptr) return S_OK;
    if (!stream_) stream_ = medium->pstm;
    char buffer[8192];
    for (;;) {
      if (FAILED(refused_)) return E_ABORT;
      ULONG read = 0;
      const HRESULT hr = stream_->Read(buffer, sizeof buffer, &read);
      if (read > kMaxDownloadBytes - written_) Refuse(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
      if (read > 0 && SUCCEEDED(writeResult_) && SUCCEEDED(refused_)) {
        written_ += read;
        DWORD written = 0;
        if (!::WriteFile(file_.get(), buffer, read, &written, nullptr) || written != read) {
          writeResult_ = HRESULT_FROM_WIN32(::GetLastError());
          if (SUCCEEDED(writeResult_)) writeResult_ = E_FAIL;
        }
      }
      if (hr != S_OK || read == 0) return S_OK;  // S_FALSE at the end, E_PENDING for more later
    }
  }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

  // IHttpNegotiate
  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                 LPWSTR* additional) override {
    const std::size_t bytes = sizeof kAdditionalHeader;
    *additional = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
    if (*additional == nullptr) return E_OUTOFMEMORY;
    std::memcpy(*additional, kAdditionalHeader, bytes);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD status, LPCWSTR headers, LPCWSTR,
                                       LPWSTR* additional) override {
    // The moniker stores an error page like any other body: the status tells them apart.
    status_ = status;
    if (additional != nullptr) *additional = nullptr;
    // Only an identity-encoded body with a length is taken: a decoded one could not be held
    // against its header's length, and one that is not decoded is not the file.
    const auto length = Header(headers, L"Content-Length");
    const auto encoding = Header(headers, L"Content-Encoding");
    const bool identity = !encoding || encoding->empty() || ::_wcsicmp(encoding->c_str(), L"identity") == 0;
    if (length && identity && !Header(headers, L"Transfer-Encoding")) length_ = Length(*length);
    if (length_ && *length_ > kMaxDownloadBytes) Refuse(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
    return S_OK;
  }

 private:
  ~Fetch() = default;

  // Fails the fetch and stops the transfer; the first reason stays.
  void Refuse(HRESULT why) {
    if (SUCCEEDED(refused_)) refused_ = why;
    const ComPtr<IBinding> binding = binding_;
    if (binding) binding->Abort();
  }

  void Stopped(HRESULT hr) {
    stopped_ = true;
    stopResult_ = hr;
    if (notify_ != nullptr) ::PostMessageW(notify_, kFetchDone, 0, reinterpret_cast<LPARAM>(this));
  }

  LONG refs_ = 1;
  HWND notify_;
  std::wstring url_;
  std::wstring target_;
  std::wstring part_;
  UniqueHandleObj file_;
  ComPtr<IBinding> binding_;
  ComPtr<IStream> stream_;
  bool stopped_ = false;
  HRESULT stopResult_ = S_OK;
  HRESULT writeResult_ = S_OK;
  DWORD status_ = 0;
  HRESULT refused_ = S_OK;
  std::uint64_t written_ = 0;
  std::optional<std::uint64_t> length_;
};

UrlDownloader::UrlDownloader(unsigned timeoutMs) : timeoutMs_(timeoutMs) {
  CreateParams params;
  params.parent = HWND_MESSAGE;
  Create(L"ZelUrlDownloader", params);
}

UrlDownloader::~UrlDownloader() {
  for (const auto& fetch : fetches_) fetch->Abandon();
}

void UrlDownloader::SetOnComplete(std::function<void(DownloadResult)> onComplete) {
  onComplete_ = std::move(onComplete);
}

void UrlDownloader::Start(const std::string& url, const std::string& folder) {
  const std::wstring wideUrl = Widen(url);
  const ComPtr<Fetch> fetch =
      Adopt(new Fetch(Handle(), wideUrl, Widen(folder) + LastSegment(wideUrl)));
  fetches_.push_back(fetch);
  // A server that drips its answer, or stalls, holds no check for longer.
  ::SetTimer(Handle(), reinterpret_cast<UINT_PTR>(fetch.Get()), timeoutMs_, nullptr);
  fetch->Begin();
}

LRESULT UrlDownloader::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kFetchDone && message != WM_TIMER) {
    return DefaultHandling(message, wParam, lParam);
  }
  const auto which = message == WM_TIMER ? static_cast<LPARAM>(wParam) : lParam;
  for (auto it = fetches_.begin(); it != fetches_.end(); ++it) {
    if (reinterpret_cast<LPARAM>(it->Get()) != which) continue;
    const ComPtr<Fetch> fetch = *it;
    fetches_.erase(it);
    ::KillTimer(Handle(), reinterpret_cast<UINT_PTR>(fetch.Get()));
    const DownloadResult result = message == WM_TIMER ? fetch->TimedOut() : fetch->Finish();
    if (onComplete_) onComplete_(result);
    break;
  }
  return 0;
}

}  // namespace zel::win32
