// The tool's view of the registry: key paths as users write them ("HKLM\System\..."),
// a closing key handle, and whole lists of values and sub-keys.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/winreg.h"

namespace trvreg {

struct KeyPath {
  HKEY root = nullptr;
  std::u16string rootName;  // the long form, "HKEY_LOCAL_MACHINE"
  std::u16string subKey;    // without leading or trailing "\"
  std::u16string Full() const { return subKey.empty() ? rootName : rootName + u"\\" + subKey; }
  KeyPath Child(const std::u16string& name) const {
    return KeyPath{root, rootName, subKey.empty() ? name : subKey + u"\\" + name};
  }
};

// "HKLM\x", "HKEY_LOCAL_MACHINE\x", "HKCU\x", "HKEY_CURRENT_USER\x" (any case);
// nullopt for another root.
std::optional<KeyPath> ParseKeyPath(std::u16string_view text);

class Key {
 public:
  Key() = default;
  explicit Key(HKEY handle) : handle_(handle) {}
  ~Key() { Reset(); }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return handle_; }
  HKEY* out() {
    Reset();
    return &handle_;
  }
  void Reset() {
    if (handle_ != nullptr) RegCloseKey(handle_);
    handle_ = nullptr;
  }

 private:
  HKEY handle_ = nullptr;
};

struct ValueEntry {
  std::u16string name;
  DWORD type = REG_NONE;
  std::string data;  // exact bytes
};

// Every value in registry order; a registry error code on failure.
LONG ReadValues(HKEY key, std::vector<ValueEntry>& values);
LONG ReadSubKeys(HKEY key, std::vector<std::u16string>& names);
// The value's data and type; ERROR_FILE_NOT_FOUND when it is missing.
LONG ReadValue(HKEY key, const std::u16string& name, ValueEntry& value);

}  // namespace trvreg
