#include "update/UpdateText.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "app/WholeNumber.h"

namespace zel {

namespace {

int Sign(int n) { return (n > 0) - (n < 0); }

// The path between double quotes, each "%" doubled so that cmd does not expand it.
std::string Quoted(const std::string& path) {
  if (path.empty()) throw std::invalid_argument("empty path in the update script");
  std::string out = "\"";
  for (const char c : path) {
    // No quoting holds a quote or a line end; neither is in a Windows path.
    if (c == '"' || (static_cast<unsigned char>(c) < 32)) {
      throw std::invalid_argument("path unfit for the update script: " + path);
    }
    out += c;
    if (c == '%') out += '%';
  }
  return out + "\"";
}

// A FOR variable cmd cannot find in the text: a letter that does not occur in it at all.
char LoopVariable(const std::string& text) {
  for (const char* c = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"; *c; ++c) {
    if (text.find(*c) == std::string::npos) return *c;
  }
  throw std::invalid_argument("no free loop variable for the path " + text);
}

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

std::optional<VersionNumbers> ParseVersion(const std::string& text) {
  VersionNumbers numbers{};
  std::size_t start = 0;
  for (std::size_t part = 0; part < numbers.size(); ++part) {
    const std::size_t dot = text.find('.', start);
    std::string_view spelled =
        std::string_view(text).substr(start, dot == std::string::npos ? dot : dot - start);
    // Leading zeros are no digits of the value ("006121" is 6121); one zero stays a digit.
    while (spelled.size() > 1 && spelled.front() == '0') spelled.remove_prefix(1);
    const auto number = ParseWholeNumber(spelled, 0, 65535);
    if (!number) return std::nullopt;
    numbers[part] = static_cast<std::uint16_t>(*number);
    if (dot == std::string::npos) return numbers;
    start = dot + 1;
  }
  return std::nullopt;
}

int CompareVersions(const std::string& a, const std::string& b) {
  const auto pa = ParseVersion(a);
  const auto pb = ParseVersion(b);
  if (!pa || !pb) return Sign(static_cast<int>(pa.has_value()) - static_cast<int>(pb.has_value()));
  return Sign((*pa > *pb) - (*pa < *pb));
}

bool IsNewerVersion(const std::string& candidate, const std::string& current) {
  return ParseVersion(candidate).has_value() && CompareVersions(candidate, current) > 0;
}

bool IsTrustedReplacement(const Signature& running, const Signature& candidate) {
  return running.state == SignatureState::Valid && !running.subject.empty() &&
         !running.issuer.empty() && candidate.state == SignatureState::Valid &&
         candidate.subject == running.subject && candidate.issuer == running.issuer;
}

std::string SetupFileFor(const std::string& folder, const std::string& version) {
  if (!ParseVersion(version)) throw std::invalid_argument("not a version: " + version);
  return folder + "Zel_" + version + ".exe";
}

std::vector<std::string> UpdateScriptLines(const ScriptPaths& p) {
  const std::string name = p.exe.substr(p.exe.find_last_of('\\') + 1);
  const std::string exe = Quoted(p.exe);
  const std::string next = Quoted(p.exe + ".new");
  const std::string old = Quoted(p.exe + ".old");
  const std::string folder = Quoted(p.systemFolder);
  const std::string pause = Quoted(p.systemFolder + "\\ping.exe") + " -n 2 127.0.0.1 >nul";
  // Each step is tried about once a second until it works, half a minute at most. The loop's
  // body is bracketed, and so is the command of an "if" inside it: Wine's cmd would end the
  // body at "&", or give ")" to the command.
  const std::string loop = std::string("for /l %%") + LoopVariable(p.exe + p.systemFolder) +
                           " in (1,1," + std::to_string(kReplaceTries) + ") do (";
  return {
      // Whatever the script starts, it starts from the system folder.
      "@echo off & pushd " + folder,
      Quoted(p.systemFolder + "\\ping.exe") + " -n 2 127.0.0.1 ",
      Quoted(p.systemFolder + "\\taskkill.exe") + " /f /im " + Quoted(name),
      loop + "ren " + exe + " " + Quoted(name + ".old") + " & if exist " + exe + " (" + pause +
          "))",
      loop + "ren " + next + " " + Quoted(name) + " & if not exist " + exe + " if exist " + next +
          " (" + pause + "))",
      "if not exist " + exe + " ren " + old + " " + Quoted(name),
      loop + "del " + old + " & if exist " + old + " (" + pause + "))",
      "start \"\" " + exe,
      "del " + next,
      // Back in the script's own folder, which the script need not name.
      "popd & del " + Quoted(p.batchName),
  };
}

}  // namespace zel
