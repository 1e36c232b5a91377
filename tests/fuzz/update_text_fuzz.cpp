// A version file read as the check reads it (and the notes read the same way): whatever it
// lists, the order stays antisymmetric and numeric, a version accepted names a file inside the
// download folder, and every line of the replacement script built from it keeps its quotes
// balanced and its "%" doubled. The text after a first NUL is the temporary folder's name.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "update/UpdateText.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// Within quotes every run of "%" is even: cmd gives back the path as it is.
bool QuotedPartsSafe(const std::string& line) {
  bool inside = false;
  std::size_t quotes = 0, percents = 0;
  for (const char c : line) {
    if (c == '%') {
      ++percents;
      continue;
    }
    if (inside && percents % 2 != 0) return false;
    percents = 0;
    if (c == '"') {
      inside = !inside;
      ++quotes;
    }
  }
  return quotes % 2 == 0 && !(inside && percents % 2 != 0);
}

// A quote or a control character, or every letter (none left for the script's loop).
bool Unquotable(const std::string& path) {
  std::string letters;
  for (const char c : path) {
    if (c == '"' || static_cast<unsigned char>(c) < 32) return true;
    if (((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && letters.find(c) == std::string::npos) {
      letters += c;
    }
  }
  return letters.size() == 52;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string file = input.substr(0, nul);
  const std::string temp =
      "C:\\Temp\\" + (nul == std::string::npos ? std::string("x") : input.substr(nul + 1)) + "\\";

  for (const std::string& line : zel::SplitLines(file)) {
    Require(line.find_first_of("\r\n") == std::string::npos);
  }
  const std::string v = zel::ListedVersion(zel::SplitLines(file));
  Require(zel::CompareVersions(v, v) == 0);
  Require(zel::CompareVersions(v, "3.0.0.6121") == -zel::CompareVersions("3.0.0.6121", v));
  // A leading zero is no digit of the value.
  if (zel::ParseVersion(v)) Require(zel::CompareVersions("0" + v, v) == 0);

  const std::string folder = temp + "ZelDownLoad\\";
  std::string setup;
  try {
    setup = zel::SetupFileFor(folder, v);
  } catch (const std::invalid_argument&) {
    Require(!zel::ParseVersion(v));
    return 0;
  }
  Require(zel::ParseVersion(v).has_value());
  Require(setup.compare(0, folder.size(), folder) == 0);
  const std::string name = setup.substr(folder.size());
  Require(name.find_first_not_of("Zel_0123456789.exe") == std::string::npos);
  Require(name.find("..") == std::string::npos);

  try {
    // The script names the program's folder (here the fuzzed one) and the system folder only.
    const zel::ScriptPaths paths{temp + "Zel.exe", "C:\\Windows\\System32", "ZelDownLoad.bat"};
    for (const std::string& line : zel::UpdateScriptLines(paths)) {
      Require(QuotedPartsSafe(line));
    }
  } catch (const std::invalid_argument&) {
    // Only a folder name no quoting can hold is refused.
    Require(Unquotable(temp));
  }
  return 0;
}
