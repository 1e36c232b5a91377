#pragma once
// Native commands serve only the service's own pages: a page's handlers are bound only when its
// address has the origin (scheme, host and port) of the page addresses of this run, or is
// the same host reached by https.
#include <string>

namespace zel {

struct TGlobals;

// True when the address has the same scheme, host (any letter case) and port (the scheme's
// default when none is given) as the service's page addresses, or is https on the same host at
// 443 (service on port 80) or at the service's own port. An address with user information
// before the host never counts: "http://host:80@elsewhere/" is elsewhere.
bool IsServiceAddress(const TGlobals& globals, const std::string& url);

}  // namespace zel
