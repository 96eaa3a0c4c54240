// FindResourceA, LoadResource, LockResource and SizeofResource over the modules'
// resource directories.
//
// A resource handle is the address of its directory entry, which lives as long as
// the process; the platform remembers the handles it gave out, so a stale or made-up
// handle is refused rather than followed.
#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/kernel.h"
#include "platform/resources/module_resources.h"

namespace {

using trv::resources::DirectoryEntry;

std::mutex issuedLock;
std::unordered_set<const void*>& Issued() {
  static auto* issued = new std::unordered_set<const void*>;
  return *issued;
}

HRSRC Issue(const DirectoryEntry* entry) {
  std::lock_guard lock(issuedLock);
  Issued().insert(entry);
  return reinterpret_cast<HRSRC>(const_cast<DirectoryEntry*>(entry));
}

const DirectoryEntry* EntryOf(HRSRC resource) {
  std::lock_guard lock(issuedLock);
  if (resource == nullptr || Issued().count(resource) == 0) return nullptr;
  return reinterpret_cast<const DirectoryEntry*>(resource);
}

HRSRC Find(HMODULE module, LPCSTR name, LPCSTR type) {
  if (name == nullptr || type == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto found = trv::resources::ResourcesOfModule(module);
  if (!found.resources) {
    SetLastError(found.error);
    return nullptr;
  }
  const DirectoryEntry* entry = trv::resources::FindEntry(
      *found.resources, trv::resources::IdFromAnsi(type), trv::resources::IdFromAnsi(name));
  return entry ? Issue(entry) : nullptr;
}

}  // namespace

TRVAPI HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  try {
    return Find(module, name, type);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

// The data stays where the module's directory keeps it: loading a resource
// copies nothing, and its handle is the address of its bytes.
TRVAPI HGLOBAL WINAPI LoadResource(HMODULE /*module*/, HRSRC resource) {
  const DirectoryEntry* entry = EntryOf(resource);
  if (entry == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return const_cast<BYTE*>(entry->data.data());
}

TRVAPI LPVOID WINAPI LockResource(HGLOBAL data) { return data; }

TRVAPI DWORD WINAPI SizeofResource(HMODULE /*module*/, HRSRC resource) {
  const DirectoryEntry* entry = EntryOf(resource);
  if (entry == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(entry->data.size());
}
