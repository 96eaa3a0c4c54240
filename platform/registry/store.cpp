#include "platform/registry/store.h"

#include <chrono>

#include "platform/registry/error.h"
#include "platform/registry/names.h"

namespace trv::registry {

std::int64_t FileTimeNow() {
  using namespace std::chrono;
  constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000LL;
  auto since = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
  return kUnixEpochAsFileTime + since / 100;
}

void Store::RequireKey(KeyId key) {
  auto s = c_.Prepare("SELECT 1 FROM keys WHERE id = ?1");
  if (!s.Bind(1, key).Step()) throw RegistryError(ERROR_KEY_DELETED);
}

std::optional<KeyId> Store::FindChild(KeyId parent, std::u16string_view name) {
  auto s = c_.Prepare("SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
  if (!s.Bind(1, parent).Bind(2, FoldedName(name)).Step()) return std::nullopt;
  return s.Int(0);
}

KeyId Store::AddChild(KeyId parent, std::u16string_view name, std::u16string_view keyClass) {
  c_.Prepare("INSERT INTO keys(parent, name, folded, class, written) VALUES(?1, ?2, ?3, ?4, ?5)")
      .Bind(1, parent)
      .Bind(2, NameBytes(name))
      .Bind(3, FoldedName(name))
      .Bind(4, NameBytes(keyClass))
      .Bind(5, FileTimeNow())
      .Run();
  KeyId id = c_.LastInsertId();
  Touch(parent);
  return id;
}

bool Store::HasChildren(KeyId key) {
  auto s = c_.Prepare("SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
  return s.Bind(1, key).Step();
}

std::optional<KeyId> Store::ParentOf(KeyId key) {
  auto s = c_.Prepare("SELECT parent FROM keys WHERE id = ?1");
  if (!s.Bind(1, key).Step()) return std::nullopt;
  return s.Int(0);
}

void Store::DeleteKey(KeyId key) {
  std::optional<KeyId> parent = ParentOf(key);
  DeleteContents(key);
  c_.Prepare("DELETE FROM keys WHERE id = ?1").Bind(1, key).Run();
  if (parent) Touch(*parent);
}

void Store::DeleteContents(KeyId key) {
  // Everything below the key, found in one pass before anything is removed.
  c_.Prepare(
        "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL "
        "SELECT k.id FROM keys k JOIN tree t ON k.parent = t.id) "
        "DELETE FROM vals WHERE key IN (SELECT id FROM tree)")
      .Bind(1, key)
      .Run();
  c_.Prepare(
        "WITH RECURSIVE tree(id) AS (SELECT id FROM keys WHERE parent = ?1 UNION ALL "
        "SELECT k.id FROM keys k JOIN tree t ON k.parent = t.id) "
        "DELETE FROM keys WHERE id IN (SELECT id FROM tree)")
      .Bind(1, key)
      .Run();
  Touch(key);
}

std::optional<SubKey> Store::ChildAt(KeyId key, DWORD index) {
  auto s = c_.Prepare(
      "SELECT name, class, written FROM keys WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?2");
  if (!s.Bind(1, key).Bind(2, static_cast<std::int64_t>(index)).Step()) return std::nullopt;
  std::string name = s.Bytes(0), keyClass = s.Bytes(1);
  return SubKey{NameFromBytes(name.data(), name.size()),
                NameFromBytes(keyClass.data(), keyClass.size()), s.Int(2)};
}

KeyStats Store::Stats(KeyId key) {
  KeyStats stats;
  {
    auto s = c_.Prepare("SELECT class, written FROM keys WHERE id = ?1");
    if (!s.Bind(1, key).Step()) throw RegistryError(ERROR_KEY_DELETED);
    std::string keyClass = s.Bytes(0);
    stats.keyClass = NameFromBytes(keyClass.data(), keyClass.size());
    stats.written = s.Int(1);
  }
  {
    auto s = c_.Prepare(
        "SELECT count(*), coalesce(max(length(name)), 0) / 2, coalesce(max(length(class)), 0) / 2 "
        "FROM keys WHERE parent = ?1");
    s.Bind(1, key).Step();
    stats.subKeys = static_cast<DWORD>(s.Int(0));
    stats.maxSubKeyLength = static_cast<DWORD>(s.Int(1));
    stats.maxClassLength = static_cast<DWORD>(s.Int(2));
  }
  {
    auto s = c_.Prepare(
        "SELECT count(*), coalesce(max(length(name)), 0) / 2, coalesce(max(length(data)), 0) "
        "FROM vals WHERE key = ?1");
    s.Bind(1, key).Step();
    stats.values = static_cast<DWORD>(s.Int(0));
    stats.maxValueNameLength = static_cast<DWORD>(s.Int(1));
    stats.maxValueLength = static_cast<DWORD>(s.Int(2));
  }
  return stats;
}

std::optional<Value> Store::GetValue(KeyId key, std::u16string_view name) {
  auto s = c_.Prepare("SELECT name, type, data FROM vals WHERE key = ?1 AND folded = ?2");
  if (!s.Bind(1, key).Bind(2, FoldedName(name)).Step()) return std::nullopt;
  std::string stored = s.Bytes(0);
  return Value{NameFromBytes(stored.data(), stored.size()), static_cast<DWORD>(s.Int(1)),
               s.Bytes(2)};
}

void Store::SetValue(KeyId key, std::u16string_view name, DWORD type, std::string_view data) {
  c_.Prepare(
        "INSERT INTO vals(key, folded, seq, name, type, data) "
        "VALUES(?1, ?2, (SELECT coalesce(max(seq), 0) + 1 FROM vals WHERE key = ?1), ?3, ?4, ?5) "
        "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data")
      .Bind(1, key)
      .Bind(2, FoldedName(name))
      .Bind(3, NameBytes(name))
      .Bind(4, static_cast<std::int64_t>(type))
      .Bind(5, data)
      .Run();
  Touch(key);
}

bool Store::DeleteValue(KeyId key, std::u16string_view name) {
  auto s = c_.Prepare("DELETE FROM vals WHERE key = ?1 AND folded = ?2 RETURNING 1");
  bool found = s.Bind(1, key).Bind(2, FoldedName(name)).Step();
  if (found) s.Run();
  if (found) Touch(key);
  return found;
}

std::optional<Value> Store::ValueAt(KeyId key, DWORD index) {
  auto s =
      c_.Prepare("SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY seq LIMIT 1 OFFSET ?2");
  if (!s.Bind(1, key).Bind(2, static_cast<std::int64_t>(index)).Step()) return std::nullopt;
  std::string stored = s.Bytes(0);
  return Value{NameFromBytes(stored.data(), stored.size()), static_cast<DWORD>(s.Int(1)),
               s.Bytes(2)};
}

void Store::Touch(KeyId key) {
  c_.Prepare("UPDATE keys SET written = ?2 WHERE id = ?1")
      .Bind(1, key)
      .Bind(2, FileTimeNow())
      .Run();
}

}  // namespace trv::registry
