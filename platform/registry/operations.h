// The registry's calls on UTF-16 names and exact bytes, shared by the A and W entry
// points. Each call is one atomic unit of work; failures are thrown as RegistryError
// and turned into the call's result by the entry point. Internal to the platform
// library.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry/keys.h"
#include "platform/registry/store.h"

namespace trv::registry {

// A new handle to base\subKey (`subKey` empty: base itself). With a transaction the
// new handle works inside it; without, it inherits the base handle's.
HKEY OpenKey(HKEY base, std::u16string_view subKey, REGSAM desired,
             const std::shared_ptr<Transaction>& transaction);
// Opens base\subKey, creating every missing key on the way; `disposition` tells
// whether the last key was created.
HKEY CreateKey(HKEY base, std::u16string_view subKey, std::u16string_view keyClass, REGSAM desired,
               const std::shared_ptr<Transaction>& transaction, DWORD* disposition);
void CloseKey(HKEY key);
void FlushKey(HKEY key);
// Deletes base\subKey, which must have no sub-keys.
void DeleteKey(HKEY base, std::u16string_view subKey);
// Deletes base\subKey with everything below it; null: everything below base.
void DeleteTree(HKEY base, const std::u16string* subKey);
std::optional<SubKey> EnumKey(HKEY key, DWORD index);
KeyStats QueryKey(HKEY key);

std::optional<Value> QueryValue(HKEY key, std::u16string_view name);
void SetValue(HKEY key, std::u16string_view name, DWORD type, std::string_view data);
void DeleteValue(HKEY key, std::u16string_view name);
std::optional<Value> EnumValue(HKEY key, DWORD index);

}  // namespace trv::registry
