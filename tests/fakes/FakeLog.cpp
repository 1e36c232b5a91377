#include "tests/fakes/FakeLog.h"

namespace zel::fakes {

std::vector<std::string> FakeLogFileSystem::Lines() const {
  std::vector<std::string> lines;
  for (const auto& [path, content] : files) {
    std::size_t start = 0;
    for (auto end = content.find("\r\n"); end != std::string::npos; end = content.find("\r\n", start)) {
      lines.push_back(content.substr(start, end - start));
      start = end + 2;
    }
  }
  return lines;
}

std::vector<std::string> FakeLogFileSystem::Messages() const {
  std::vector<std::string> messages;
  for (const auto& line : Lines()) {
    const auto tag = line.find("] ");
    messages.push_back(tag == std::string::npos ? line : line.substr(tag + 2));
  }
  return messages;
}

}  // namespace zel::fakes
