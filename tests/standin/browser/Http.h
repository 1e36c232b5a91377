#pragma once
// One HTTP GET, the way the stand-in browser loads a page: synchronous, never from a cache;
// a file: address reads the file.
#include <windows.h>

#include <string>

namespace zel::standin {

struct HttpAnswer {
  HRESULT failure = S_OK;  // the request got no answer at all
  int status = 0;
  std::string body;
};

// The headers are Navigate's: a "User-Agent:" line among them names the agent.
HttpAnswer HttpGet(const std::wstring& url, const std::wstring& headers);

}  // namespace zel::standin
