// Key handles: what an HKEY stands for, and running a call's work on the right
// connection for it. Internal to the platform library.
#pragma once

#include <memory>
#include <string>

#include "platform/kernel/handles.h"
#include "platform/registry/session.h"
#include "platform/registry/transaction.h"
#include "platform/winreg.h"

namespace trv::registry {

// What a handle refers to. Opened keys live in the kernel's handle table, so an
// HKEY is also a kernel handle, as on Windows NT.
struct KeyRef {
  KeyId id = 0;
  REGSAM access = 0;                         // rights granted, generic rights mapped
  std::shared_ptr<Transaction> transaction;  // null: not transacted
  std::string path;                          // its database; empty for a predefined key
};

class KeyObject : public kernel::HandleObject {
 public:
  explicit KeyObject(KeyRef ref) : ref_(std::move(ref)) {}
  const KeyRef& ref() const { return ref_; }

 private:
  KeyRef ref_;
};

// Throws ERROR_INVALID_HANDLE for anything that is not a key handle.
KeyRef ResolveKey(HKEY key);
bool IsPredefinedKey(HKEY key);
// Throws ERROR_ACCESS_DENIED unless the handle was granted every right in `needed`.
void RequireAccess(const KeyRef& key, REGSAM needed);
// Generic rights and MAXIMUM_ALLOWED as the key rights they stand for.
REGSAM MapAccess(REGSAM desired);
// Runs `work` where the key lives: in its transaction, or on its machine.
void RunOn(const KeyRef& key, Access access, const Work& work);
// A new handle for a key; the store it was found in decides its database.
HKEY AddKeyHandle(KeyRef ref);
// Throws ERROR_INVALID_HANDLE when `handle` is not a transaction.
std::shared_ptr<Transaction> ResolveTransaction(HANDLE handle);

}  // namespace trv::registry
