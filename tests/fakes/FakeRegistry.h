#pragma once
// An in-memory registry: keys by root and path (case-insensitive), typed values.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "app/Platform.h"

namespace zel::fakes {

class FakeRegistry final : public IRegistry {
 public:
  using Value = std::variant<std::string, std::uint32_t, std::vector<unsigned char>>;
  struct Key {
    std::map<std::string, Value> values;  // names as written
    bool readable = true;
    bool writable = true;
    bool failWrites = false;
  };

  Key& AddKey(RegRoot root, const std::string& path);
  Key* Find(RegRoot root, const std::string& path);

  bool KeyExists(RegRoot root, const std::string& path) override;
  std::optional<std::string> ReadString(RegRoot root, const std::string& path,
                                        const std::string& name) override;
  std::unique_ptr<IRegistryKey> OpenForWrite(RegRoot root, const std::string& path) override;

  int writes = 0;

 private:
  static std::string Normal(RegRoot root, const std::string& path);
  std::map<std::string, Key> keys_;
};

}  // namespace zel::fakes
