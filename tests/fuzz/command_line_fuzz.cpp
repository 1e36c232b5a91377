// Any first argument gives three page addresses on one host, each "http://" + host + its path;
// the download addresses never change.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/Global.h"

namespace {
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zel::TGlobals g;
  const zel::TGlobals before;
  zel::ParseCommandLine(g, {std::string(reinterpret_cast<const char*>(data), size)});
  const std::string host = g.IndexUrl.substr(0, g.IndexUrl.size() - std::string("/pcprice/default/index").size());
  if (g.IndexUrl.rfind("http://", 0) != 0 || !EndsWith(g.IndexUrl, "/pcprice/default/index") ||
      g.IndexZbUrl != host + "/pcprice/default/indexzb" ||
      g.MiniIndexUrl != host + "/pcprice/default/miniindex" || g.VersionUrl != before.VersionUrl ||
      g.SetupUrl != before.SetupUrl || g.UpdateInfoUrl != before.UpdateInfoUrl) {
    __builtin_trap();
  }
  return 0;
}
