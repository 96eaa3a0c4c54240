#include "platform/registry/keys.h"

#include "platform/registry/error.h"

namespace trv::registry {

bool IsPredefinedKey(HKEY key) { return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER; }

KeyRef ResolveKey(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return KeyRef{kLocalMachineId, KEY_ALL_ACCESS, nullptr, ""};
  if (key == HKEY_CURRENT_USER) return KeyRef{kCurrentUserId, KEY_ALL_ACCESS, nullptr, ""};
  auto object = kernel::FindHandleAs<KeyObject>(reinterpret_cast<HANDLE>(key));
  if (!object) throw RegistryError(ERROR_INVALID_HANDLE);
  return object->ref();
}

void RequireAccess(const KeyRef& key, REGSAM needed) {
  if ((key.access & needed) != needed) throw RegistryError(ERROR_ACCESS_DENIED);
}

REGSAM MapAccess(REGSAM desired) {
  REGSAM access =
      desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
  if (desired & GENERIC_READ) access |= KEY_READ;
  if (desired & GENERIC_WRITE) access |= KEY_WRITE;
  if (desired & GENERIC_EXECUTE) access |= KEY_EXECUTE;
  if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= KEY_ALL_ACCESS;
  return access;
}

void RunOn(const KeyRef& key, Access access, const Work& work) {
  if (key.transaction)
    key.transaction->Run(access, work);
  else
    RunOnMachine(access, key.path, work);
}

HKEY AddKeyHandle(KeyRef ref) {
  HANDLE handle = kernel::AddHandle(std::make_shared<KeyObject>(std::move(ref)));
  if (handle == nullptr) throw RegistryError(ERROR_NOT_ENOUGH_MEMORY);
  return reinterpret_cast<HKEY>(handle);
}

std::shared_ptr<Transaction> ResolveTransaction(HANDLE handle) {
  auto transaction = kernel::FindHandleAs<Transaction>(handle);
  if (!transaction) throw RegistryError(ERROR_INVALID_HANDLE);
  return transaction;
}

}  // namespace trv::registry
