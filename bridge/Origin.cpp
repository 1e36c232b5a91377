#include "bridge/Origin.h"

#include <optional>

#include "app/Global.h"

namespace zel {

namespace {

struct Origin {
  std::string scheme;
  std::string host;
  std::string port;
  bool operator==(const Origin& o) const {
    return scheme == o.scheme && host == o.host && port == o.port;
  }
};

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::optional<Origin> OriginOf(const std::string& url) {
  const auto colon = url.find("://");
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  Origin o;
  o.scheme = Lower(url.substr(0, colon));
  const auto start = colon + 3;
  const auto end = url.find_first_of("/?#\\", start);
  const std::string authority = url.substr(start, end == std::string::npos ? end : end - start);
  if (authority.empty() || authority.find('@') != std::string::npos) return std::nullopt;
  const auto portColon = authority.rfind(':');
  const bool hasPort = portColon != std::string::npos && authority.find(']', portColon) == std::string::npos;
  o.host = Lower(hasPort ? authority.substr(0, portColon) : authority);
  o.port = hasPort ? authority.substr(portColon + 1) : std::string();
  if (o.port.empty()) o.port = o.scheme == "https" ? "443" : o.scheme == "http" ? "80" : "";
  if (o.host.empty()) return std::nullopt;
  return o;
}

}  // namespace

bool IsServiceAddress(const TGlobals& globals, const std::string& url) {
  const auto service = OriginOf(globals.IndexUrl);
  const auto page = OriginOf(url);
  if (!service || !page) return false;
  if (*service == *page) return true;
  // The service host may send its pages over https: on the same host, at 443 where the service
  // uses http's default port, else at the service's own port.
  const std::string securePort = service->port == "80" ? "443" : service->port;
  return service->scheme == "http" && page->scheme == "https" && page->host == service->host &&
         page->port == securePort;
}

}  // namespace zel
