#include "app/win32/Win32Registry.h"

#include <vector>

#include "app/win32/Owners.h"

namespace zel::win32 {

namespace {

HKEY RootKey(RegRoot root) {
  return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

[[noreturn]] void ThrowRegistry(const char* call, const std::string& name, LONG code) {
  ThrowFailure<RegistryError>(std::string(call) + " \"" + name + "\"", static_cast<unsigned long>(code));
}

// The shipped program is a 32-bit process: every key is opened in the 32-bit view, so a 64-bit
// build reads and writes exactly what the shipped one does.
UniqueHKey OpenKey(RegRoot root, const std::string& path, REGSAM access) {
  UniqueHKey key;
  if (::RegOpenKeyExW(RootKey(root), Widen(path).c_str(), 0, access | KEY_WOW64_32KEY,
                      key.put()) != ERROR_SUCCESS) {
    return UniqueHKey();
  }
  return key;
}

class Win32RegistryKey final : public IRegistryKey {
 public:
  explicit Win32RegistryKey(UniqueHKey key) : key_(std::move(key)) {}

  std::vector<std::string> ValueNames() override {
    DWORD count = 0, maxNameLength = 0;
    LONG rc = ::RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, &count, &maxNameLength, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) ThrowRegistry("RegQueryInfoKeyW", "", rc);
    std::vector<std::string> names;
    std::vector<wchar_t> buf(maxNameLength + 1);
    for (DWORD i = 0;;) {
      DWORD length = static_cast<DWORD>(buf.size());
      rc = ::RegEnumValueW(key_.get(), i, buf.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc == ERROR_MORE_DATA) {
        // A longer name was added since the size query: ask for the same index again.
        buf.resize(buf.size() * 2);
        continue;
      }
      if (rc != ERROR_SUCCESS) ThrowRegistry("RegEnumValueW", "", rc);
      names.push_back(Narrow(buf.data(), static_cast<int>(length)));
      ++i;
    }
    return names;
  }

  std::uint32_t ReadDword(const std::string& name) override {
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG rc = ::RegQueryValueExW(key_.get(), Widen(name).c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(&value), &size);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) ThrowRegistry("RegQueryValueExW", name, rc);
    if (type != REG_DWORD || size != sizeof value) {
      throw RegistryError("registry value \"" + name + "\" is not a 32-bit integer");
    }
    return value;
  }

  void WriteDword(const std::string& name, std::uint32_t value) override {
    const DWORD data = value;
    const LONG rc = ::RegSetValueExW(key_.get(), Widen(name).c_str(), 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&data), sizeof data);
    if (rc != ERROR_SUCCESS) ThrowRegistry("RegSetValueExW", name, rc);
  }

  void WriteString(const std::string& name, const std::string& value) override {
    const std::wstring data = Widen(value);
    const LONG rc = ::RegSetValueExW(key_.get(), Widen(name).c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(data.c_str()),
                                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (rc != ERROR_SUCCESS) ThrowRegistry("RegSetValueExW", name, rc);
  }

 private:
  UniqueHKey key_;
};

}  // namespace

bool Win32Registry::KeyExists(RegRoot root, const std::string& path) {
  return static_cast<bool>(OpenKey(root, path, KEY_READ));
}

std::optional<std::string> Win32Registry::ReadString(RegRoot root, const std::string& path,
                                                     const std::string& name) {
  const UniqueHKey key = OpenKey(root, path, KEY_QUERY_VALUE);
  if (!key) return std::nullopt;
  const std::wstring wideName = Widen(name);
  std::vector<BYTE> data(256);
  DWORD type = 0;
  for (;;) {
    DWORD size = static_cast<DWORD>(data.size());
    const LONG rc = ::RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, data.data(),
                                       &size);
    if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (rc == ERROR_MORE_DATA) {
      data.resize(size + sizeof(wchar_t));
      continue;
    }
    if (rc != ERROR_SUCCESS) ThrowRegistry("RegQueryValueExW", name, rc);
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
      throw RegistryError("registry value \"" + name + "\" is not a string");
    }
    // The stored text need not end with a NUL; stop at the first one if it does.
    const auto* text = reinterpret_cast<const wchar_t*>(data.data());
    std::size_t length = size / sizeof(wchar_t);
    for (std::size_t i = 0; i < length; ++i) {
      if (text[i] == L'\0') {
        length = i;
        break;
      }
    }
    return Narrow(text, static_cast<int>(length));
  }
}

std::unique_ptr<IRegistryKey> Win32Registry::OpenForWrite(RegRoot root, const std::string& path) {
  UniqueHKey key = OpenKey(root, path, KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!key) return nullptr;
  return std::make_unique<Win32RegistryKey>(std::move(key));
}

}  // namespace zel::win32
