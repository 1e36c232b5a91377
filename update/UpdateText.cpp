#include "update/UpdateText.h"

#include <algorithm>

namespace zel {

namespace {

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int CompareNumbers(std::string a, std::string b) {
  // Any length: no overflow for a part like 99999999999999999999.
  a.erase(0, std::min(a.find_first_not_of('0'), a.size()));
  b.erase(0, std::min(b.find_first_not_of('0'), b.size()));
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

std::vector<std::string> Parts(const std::string& version) {
  std::vector<std::string> parts;
  if (version.empty()) return parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = version.find('.', start);
    parts.push_back(version.substr(start, dot - start));
    if (dot == std::string::npos) return parts;
    start = dot + 1;
  }
}

int Sign(int n) { return (n > 0) - (n < 0); }

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

std::string ListedVersion(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    std::string version = line;
    version.erase(
        std::remove_if(version.begin(), version.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }),
        version.end());
    if (!version.empty()) return version;
  }
  return {};
}

int CompareVersions(const std::string& a, const std::string& b) {
  const std::vector<std::string> pa = Parts(a);
  const std::vector<std::string> pb = Parts(b);
  for (std::size_t i = 0; i < std::max(pa.size(), pb.size()); ++i) {
    const std::string x = i < pa.size() ? pa[i] : "0";
    const std::string y = i < pb.size() ? pb[i] : "0";
    const int order = AllDigits(x) && AllDigits(y) ? CompareNumbers(x, y) : x.compare(y);
    if (order != 0) return Sign(order);
  }
  return 0;
}

bool IsNewerVersion(const std::string& candidate, const std::string& current) {
  return !candidate.empty() && CompareVersions(candidate, current) > 0;
}

bool IsTrustedReplacement(const Signature& running, const Signature& candidate) {
  if (running.state == SignatureState::Unsigned) return true;
  return candidate.state == SignatureState::Valid && !candidate.subject.empty() &&
         candidate.subject == running.subject;
}

std::vector<std::string> UpdateScriptLines(const ScriptPaths& p) {
  const std::string q = "\"";
  const std::string imageName = p.exe.substr(p.exe.find_last_of('\\') + 1);
  return {
      "@echo off ",
      "ping -n 2 127.0.0.1 ",
      "taskkill /f /t /im " + imageName,
      "ping -n 1 127.0.0.1 ",
      "del " + q + p.exe + q,
      "copy /y " + q + p.setup + q + " " + q + p.exe + q,
      "start " + q + q + " " + q + p.exe + q,
      "del " + q + p.setup + q,
      "del " + q + p.updateInfo + q,
      "rd /s /q " + q + p.folder + q,
      "del " + q + p.batch + q,
  };
}

}  // namespace zel
