#include "tests/standin/browser/Http.h"

#include <shlwapi.h>
#include <wininet.h>

#include <fstream>
#include <sstream>

#include "app/win32/Owners.h"

namespace zel::standin {

namespace {

// What Wine's own control reports when nothing answers at the address.
constexpr HRESULT kDownloadFailure = static_cast<HRESULT>(0x800C0008);  // INET_E_DOWNLOAD_FAILURE
constexpr DWORD kTimeoutMs = 5000;

using InternetHandle = win32::UniqueHandle<HINTERNET, &::InternetCloseHandle>;

// Splits the "User-Agent:" line off the other headers.
std::wstring TakeAgent(std::wstring& headers) {
  const std::wstring name = L"User-Agent:";
  const std::size_t at = headers.find(name);
  if (at == std::wstring::npos) return L"Mozilla/4.0 (compatible; MSIE 8.0; Zel stand-in)";
  std::size_t end = headers.find(L"\r\n", at);
  if (end == std::wstring::npos) end = headers.size();
  std::wstring agent = headers.substr(at + name.size(), end - at - name.size());
  headers.erase(at, end + 2 > headers.size() ? std::wstring::npos : end + 2 - at);
  while (!agent.empty() && agent.front() == L' ') agent.erase(0, 1);
  return agent;
}

}  // namespace

HttpAnswer HttpGet(const std::wstring& url, const std::wstring& headers) {
  HttpAnswer answer;
  // A file's address shows the file, as the control does for a file dropped on it.
  if (url.rfind(L"file:", 0) == 0) {
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    std::ifstream in;
    if (SUCCEEDED(::PathCreateFromUrlW(url.c_str(), path, &length, 0))) {
      in.open(path, std::ios::binary);
    }
    if (!in) {
      answer.failure = kDownloadFailure;
      return answer;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    answer.status = 200;
    answer.body = bytes.str();
    return answer;
  }
  std::wstring extra = headers;
  const std::wstring agent = TakeAgent(extra);
  const InternetHandle session(
      ::InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!session) {
    answer.failure = kDownloadFailure;
    return answer;
  }
  DWORD timeout = kTimeoutMs;
  for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    ::InternetSetOptionW(session.get(), option, &timeout, sizeof timeout);
  }
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                      INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_PRAGMA_NOCACHE;
  const InternetHandle request(::InternetOpenUrlW(
      session.get(), url.c_str(), extra.empty() ? nullptr : extra.c_str(),
      extra.empty() ? 0 : static_cast<DWORD>(-1), flags, 0));
  if (!request) {
    answer.failure = kDownloadFailure;
    return answer;
  }
  DWORD status = 0, size = sizeof status;
  ::HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                   &size, nullptr);
  answer.status = static_cast<int>(status);
  char buffer[8192];
  DWORD read = 0;
  while (::InternetReadFile(request.get(), buffer, sizeof buffer, &read) && read > 0) {
    answer.body.append(buffer, read);
  }
  return answer;
}

}  // namespace zel::standin
