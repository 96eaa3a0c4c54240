#include "platform/registry/operations.h"

#include <vector>

#include "platform/registry/error.h"
#include "platform/registry/names.h"

namespace trv::registry {
namespace {

bool IsRoot(KeyId id) { return id == kLocalMachineId || id == kCurrentUserId; }

// The key below `start` named by `names`, or nullopt when one of them is missing.
std::optional<KeyId> Walk(Store& store, KeyId start, const std::vector<std::u16string>& names) {
  KeyId id = start;
  for (const auto& name : names) {
    std::optional<KeyId> child = store.FindChild(id, name);
    if (!child) return std::nullopt;
    id = *child;
  }
  return id;
}

// The base's reference, joined to `transaction` when one is given.
KeyRef BaseRef(HKEY base, const std::shared_ptr<Transaction>& transaction) {
  KeyRef ref = ResolveKey(base);
  if (transaction) {
    if (!ref.path.empty() && ref.path != transaction->path())
      throw RegistryError(ERROR_INVALID_HANDLE);
    ref.transaction = transaction;
  }
  return ref;
}

HKEY NewHandle(const KeyRef& base, KeyId id, const std::string& path, REGSAM desired) {
  return AddKeyHandle(KeyRef{id, MapAccess(desired), base.transaction, path});
}

}  // namespace

HKEY OpenKey(HKEY base, std::u16string_view subKey, REGSAM desired,
             const std::shared_ptr<Transaction>& transaction) {
  KeyRef ref = BaseRef(base, transaction);
  std::vector<std::u16string> names = SplitKeyPath(subKey);
  KeyId found = 0;
  std::string path;
  RunOn(ref, Access::Read, [&](Store& store) {
    store.RequireKey(ref.id);
    std::optional<KeyId> id = Walk(store, ref.id, names);
    if (!id) throw RegistryError(ERROR_FILE_NOT_FOUND);
    found = *id;
    path = store.path();
  });
  return NewHandle(ref, found, path, desired);
}

HKEY CreateKey(HKEY base, std::u16string_view subKey, std::u16string_view keyClass, REGSAM desired,
               const std::shared_ptr<Transaction>& transaction, DWORD* disposition) {
  KeyRef ref = BaseRef(base, transaction);
  std::vector<std::u16string> names = SplitKeyPath(subKey);
  if (keyClass.size() > kMaxClassLength) throw RegistryError(ERROR_INVALID_PARAMETER);
  KeyId id = ref.id;
  bool created = false;
  std::string path;
  RunOn(ref, Access::Write, [&](Store& store) {
    store.RequireKey(ref.id);
    id = ref.id;
    created = false;
    for (size_t i = 0; i < names.size(); ++i) {
      if (!created) {
        if (std::optional<KeyId> child = store.FindChild(id, names[i])) {
          id = *child;
          continue;
        }
        // Only a key made directly below the handle needs the handle's right to
        // create; deeper ones are made below keys this call opened itself.
        if (i == 0) RequireAccess(ref, KEY_CREATE_SUB_KEY);
        created = true;
      }
      bool last = i + 1 == names.size();
      id = store.AddChild(id, names[i], last ? keyClass : std::u16string_view());
    }
    path = store.path();
  });
  if (disposition != nullptr)
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return NewHandle(ref, id, path, desired);
}

void CloseKey(HKEY key) {
  if (IsPredefinedKey(key)) return;
  HANDLE handle = reinterpret_cast<HANDLE>(key);
  if (!kernel::FindHandleAs<KeyObject>(handle)) throw RegistryError(ERROR_INVALID_HANDLE);
  kernel::RemoveHandle(handle);
}

void FlushKey(HKEY key) {
  KeyRef ref = ResolveKey(key);
  // A transaction's writes reach the disk when it commits.
  if (!ref.transaction) FlushMachine(ref.path);
}

void DeleteKey(HKEY base, std::u16string_view subKey) {
  KeyRef ref = ResolveKey(base);
  std::vector<std::u16string> names = SplitKeyPath(subKey);
  RunOn(ref, Access::Write, [&](Store& store) {
    store.RequireKey(ref.id);
    std::optional<KeyId> id = Walk(store, ref.id, names);
    if (!id) throw RegistryError(ERROR_FILE_NOT_FOUND);
    // Windows refuses to delete a key that still has sub-keys, and the roots.
    if (IsRoot(*id) || store.HasChildren(*id)) throw RegistryError(ERROR_ACCESS_DENIED);
    store.DeleteKey(*id);
  });
}

void DeleteTree(HKEY base, const std::u16string* subKey) {
  KeyRef ref = ResolveKey(base);
  if (subKey == nullptr) {
    RequireAccess(ref, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
    RunOn(ref, Access::Write, [&](Store& store) {
      store.RequireKey(ref.id);
      store.DeleteContents(ref.id);
    });
    return;
  }
  std::vector<std::u16string> names = SplitKeyPath(*subKey);
  RunOn(ref, Access::Write, [&](Store& store) {
    store.RequireKey(ref.id);
    std::optional<KeyId> id = Walk(store, ref.id, names);
    if (!id) throw RegistryError(ERROR_FILE_NOT_FOUND);
    if (IsRoot(*id)) throw RegistryError(ERROR_ACCESS_DENIED);
    store.DeleteKey(*id);
  });
}

std::optional<SubKey> EnumKey(HKEY key, DWORD index) {
  KeyRef ref = ResolveKey(key);
  RequireAccess(ref, KEY_ENUMERATE_SUB_KEYS);
  std::optional<SubKey> result;
  RunOn(ref, Access::Read, [&](Store& store) {
    store.RequireKey(ref.id);
    result = store.ChildAt(ref.id, index);
  });
  return result;
}

KeyStats QueryKey(HKEY key) {
  KeyRef ref = ResolveKey(key);
  RequireAccess(ref, KEY_QUERY_VALUE);
  KeyStats stats;
  RunOn(ref, Access::Read, [&](Store& store) { stats = store.Stats(ref.id); });
  return stats;
}

std::optional<Value> QueryValue(HKEY key, std::u16string_view name) {
  KeyRef ref = ResolveKey(key);
  RequireAccess(ref, KEY_QUERY_VALUE);
  CheckValueName(name);
  std::optional<Value> value;
  RunOn(ref, Access::Read, [&](Store& store) {
    store.RequireKey(ref.id);
    value = store.GetValue(ref.id, name);
  });
  return value;
}

void SetValue(HKEY key, std::u16string_view name, DWORD type, std::string_view data) {
  KeyRef ref = ResolveKey(key);
  RequireAccess(ref, KEY_SET_VALUE);
  CheckValueName(name);
  RunOn(ref, Access::Write, [&](Store& store) {
    store.RequireKey(ref.id);
    store.SetValue(ref.id, name, type, data);
  });
}

void DeleteValue(HKEY key, std::u16string_view name) {
  KeyRef ref = ResolveKey(key);
  RequireAccess(ref, KEY_SET_VALUE);
  CheckValueName(name);
  RunOn(ref, Access::Write, [&](Store& store) {
    store.RequireKey(ref.id);
    if (!store.DeleteValue(ref.id, name)) throw RegistryError(ERROR_FILE_NOT_FOUND);
  });
}

std::optional<Value> EnumValue(HKEY key, DWORD index) {
  KeyRef ref = ResolveKey(key);
  RequireAccess(ref, KEY_QUERY_VALUE);
  std::optional<Value> value;
  RunOn(ref, Access::Read, [&](Store& store) {
    store.RequireKey(ref.id);
    value = store.ValueAt(ref.id, index);
  });
  return value;
}

}  // namespace trv::registry
