#include "tests/fakes/FakeRegistry.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace zel::fakes {

namespace {
std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

class FakeKey final : public IRegistryKey {
 public:
  FakeKey(FakeRegistry::Key& key, int& writes) : key_(key), writes_(writes) {}
  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    for (const auto& [name, value] : key_.values) names.push_back(name);
    return names;
  }
  std::uint32_t ReadDword(const std::string& name) override {
    for (const auto& [n, value] : key_.values) {
      if (Lower(n) != Lower(name)) continue;
      if (const auto* number = std::get_if<std::uint32_t>(&value)) return *number;
      throw RegistryError("Invalid data type for '" + name + "'");
    }
    throw RegistryError("no value " + name);
  }
  void WriteDword(const std::string& name, std::uint32_t value) override { Write(name, value); }
  void WriteString(const std::string& name, const std::string& value) override {
    Write(name, value);
  }

 private:
  void Write(const std::string& name, FakeRegistry::Value value) {
    if (key_.failWrites) throw RegistryError("Failed to set data for '" + name + "'");
    for (auto it = key_.values.begin(); it != key_.values.end(); ++it) {
      if (Lower(it->first) == Lower(name)) {
        key_.values.erase(it);
        break;
      }
    }
    key_.values[name] = std::move(value);
    ++writes_;
  }

  FakeRegistry::Key& key_;
  int& writes_;
};
}  // namespace

std::string FakeRegistry::Normal(RegRoot root, const std::string& path) {
  return (root == RegRoot::CurrentUser ? "HKCU\\" : "HKLM\\") + Lower(path);
}

FakeRegistry::Key& FakeRegistry::AddKey(RegRoot root, const std::string& path) {
  return keys_[Normal(root, path)];
}

FakeRegistry::Key* FakeRegistry::Find(RegRoot root, const std::string& path) {
  const auto it = keys_.find(Normal(root, path));
  return it == keys_.end() ? nullptr : &it->second;
}

bool FakeRegistry::KeyExists(RegRoot root, const std::string& path) {
  const Key* key = Find(root, path);
  return key != nullptr && key->readable;
}

std::optional<std::string> FakeRegistry::ReadString(RegRoot root, const std::string& path,
                                                    const std::string& name) {
  const Key* key = Find(root, path);
  if (key == nullptr || !key->readable) return std::nullopt;
  for (const auto& [n, value] : key->values) {
    if (Lower(n) != Lower(name)) continue;
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    throw RegistryError("Invalid data type for '" + name + "'");
  }
  return std::nullopt;
}

std::unique_ptr<IRegistryKey> FakeRegistry::OpenForWrite(RegRoot root, const std::string& path) {
  Key* key = Find(root, path);
  if (key == nullptr || !key->writable) return nullptr;
  return std::make_unique<FakeKey>(*key, writes);
}

}  // namespace zel::fakes
