// The registry's keys and values as rows of one SQLite database. A Store works on
// a connection whose caller already holds the SQLite transaction that makes the
// whole call atomic. Failures are thrown as RegistryError. Internal to the platform
// library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/connection.h"
#include "platform/windef.h"

namespace trv::registry {

using KeyId = std::int64_t;
inline constexpr KeyId kLocalMachineId = 1;
inline constexpr KeyId kCurrentUserId = 2;

struct Value {
  std::u16string name;
  DWORD type = 0;
  std::string data;  // the exact bytes; strings as little-endian UTF-16
};

struct SubKey {
  std::u16string name;
  std::u16string keyClass;
  std::int64_t written = 0;  // FILETIME: 100 ns units since 1601
};

struct KeyStats {
  std::u16string keyClass;
  DWORD subKeys = 0;
  DWORD maxSubKeyLength = 0;  // characters, without the terminating zero
  DWORD maxClassLength = 0;
  DWORD values = 0;
  DWORD maxValueNameLength = 0;
  DWORD maxValueLength = 0;  // bytes
  std::int64_t written = 0;
};

class Store {
 public:
  explicit Store(Connection& connection) : c_(connection) {}

  const std::string& path() const { return c_.path(); }

  // Throws ERROR_KEY_DELETED when the key is gone.
  void RequireKey(KeyId key);
  std::optional<KeyId> FindChild(KeyId parent, std::u16string_view name);
  KeyId AddChild(KeyId parent, std::u16string_view name, std::u16string_view keyClass);
  bool HasChildren(KeyId key);
  // Removes the key with its values and everything below it.
  void DeleteKey(KeyId key);
  // Removes the key's values and everything below it; the key stays.
  void DeleteContents(KeyId key);
  std::optional<SubKey> ChildAt(KeyId key, DWORD index);
  KeyStats Stats(KeyId key);

  std::optional<Value> GetValue(KeyId key, std::u16string_view name);
  // A new value goes after the key's other values; an existing one keeps its
  // place and the case of its name.
  void SetValue(KeyId key, std::u16string_view name, DWORD type, std::string_view data);
  bool DeleteValue(KeyId key, std::u16string_view name);
  std::optional<Value> ValueAt(KeyId key, DWORD index);

 private:
  std::optional<KeyId> ParentOf(KeyId key);
  void Touch(KeyId key);
  Connection& c_;
};

// Now as a FILETIME count.
std::int64_t FileTimeNow();

}  // namespace trv::registry
