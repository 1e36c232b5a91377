#include "app/Global.h"

#include <algorithm>
#include <cctype>

#include <nlohmann/json.hpp>

namespace zel {

const char* const kInitialSettingJson =
    R"({"title":",名称,规格,单位,数量,单价,金额,厂商,表价,折扣","soft":"EXCEL","state":"0"})";

std::int64_t ToMilliseconds(const LocalDateTime& t) {
  // Days from civil date (proleptic Gregorian), H. Hinnant's algorithm.
  const int y = t.year - (t.month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned mp = static_cast<unsigned>(t.month + (t.month > 2 ? -3 : 9));
  const unsigned doy = (153 * mp + 2) / 5 + static_cast<unsigned>(t.day) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
  return ((days * 24 + t.hour) * 60 + t.minute) * 60000 + t.second * 1000 + t.millisecond;
}

std::string DefaultServiceHost() { return ZEL_SERVICE_HOST; }

std::string DefaultServiceBase() { return "http://" + DefaultServiceHost(); }

TGlobals::TGlobals() {
  const std::string base = DefaultServiceBase();
  SetupUrl = base + "/download/Zel_*.exe";
  UpdateInfoUrl = base + "/download/updateInfo.txt";
  VersionUrl = base + "/download/version.txt";
  IndexUrl = base + "/pcprice/default/index";
  IndexZbUrl = base + "/pcprice/default/indexzb";
  MiniIndexUrl = base + "/pcprice/default/miniindex";
  SettingJson = kInitialSettingJson;
}

std::vector<std::string> SplitString(const std::string& text, const std::string& separator) {
  std::vector<std::string> items;
  if (separator.empty()) {
    if (!text.empty()) items.push_back(text);
    return items;
  }
  // One pass from left to right: the rest after a separator starts one character after it.
  std::size_t start = 0;
  for (auto pos = text.find(separator); pos != std::string::npos; pos = text.find(separator, start)) {
    items.push_back(text.substr(start, pos - start));
    start = pos + 1;
  }
  if (start < text.size()) items.push_back(text.substr(start));
  return items;
}

namespace {

// Deeper than any settings a page has; bounds every reader's recursion (the dump of a member,
// the destruction of the tree) whatever a page hands over.
constexpr std::size_t kMaxJsonDepth = 256;

// The deepest nesting of arrays and objects outside strings, counted in one pass.
bool NestedTooDeep(const std::string& json) {
  std::size_t depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth) return true;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return false;
}

}  // namespace

std::string GetJsonValue(const std::string& name, const std::string& json) {
  if (json.empty() || json == "[]" || NestedTooDeep(json)) return {};
  const auto doc = nlohmann::json::parse(json, nullptr, /*allow_exceptions=*/false);
  if (!doc.is_object()) return {};
  const auto member = doc.find(name);
  if (member == doc.end() || member->is_null()) return {};
  if (member->is_string()) return member->get<std::string>();
  return member->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string LastChar(const std::string& text) {
  if (text.empty()) return {};
  std::size_t start = text.size() - 1;
  // Step back over UTF-8 continuation bytes to the start of the last character.
  while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  return text.substr(start);
}

std::string WithoutTrailingSlash(const std::string& text) {
  const std::string last = LastChar(text);
  if (last == "\\" || last == "/") return text.substr(0, text.size() - 1);
  return text;
}

std::string WithTrailingBackslash(const std::string& folder) {
  const std::string last = LastChar(folder);
  if (last == "\\" || last == "/") return folder;
  return folder + "\\";
}

std::string DownloadDirName() { return "ZelDownLoad"; }

void ParseCommandLine(TGlobals& globals, const std::vector<std::string>& args) {
  if (args.empty()) return;
  std::string s = args.front();
  // Any "http://" in the argument drops its first seven characters, wherever it stands: callers
  // pass either a bare host or one with the scheme in front.
  if (Contains(s, "http://")) s.erase(0, std::min<std::size_t>(7, s.size()));
  s = WithoutTrailingSlash(s);
  globals.IndexUrl = "http://" + s + "/pcprice/default/index";
  globals.IndexZbUrl = "http://" + s + "/pcprice/default/indexzb";
  globals.MiniIndexUrl = "http://" + s + "/pcprice/default/miniindex";
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string UpperCase(const std::string& ascii) {
  std::string out = ascii;
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
    return static_cast<char>(c < 0x80 ? std::toupper(c) : c);
  });
  return out;
}

}  // namespace zel
