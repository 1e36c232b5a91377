#pragma once
// One ordered record of what the fakes were asked to do, shared by all fakes of a test.
#include <algorithm>
#include <string>
#include <vector>

namespace zel::fakes {

struct Journal {
  std::vector<std::string> entries;
  void Add(const std::string& entry) { entries.push_back(entry); }
  bool Has(const std::string& entry) const {
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
  }
  std::size_t Count(const std::string& entry) const {
    return static_cast<std::size_t>(std::count(entries.begin(), entries.end(), entry));
  }
  // Index of the first entry equal to the text, or -1.
  int IndexOf(const std::string& entry) const {
    const auto it = std::find(entries.begin(), entries.end(), entry);
    return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
  }
  void Clear() { entries.clear(); }
};

}  // namespace zel::fakes
