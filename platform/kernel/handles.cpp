#include "platform/kernel/handles.h"

#include <mutex>
#include <unordered_map>

#include "platform/kernel.h"

namespace trv::kernel {
namespace {

struct Table {
  std::mutex lock;
  std::unordered_map<ULONG_PTR, std::shared_ptr<HandleObject>> objects;
  ULONG_PTR next = 4;
};

Table& table() {
  static Table* t =
      new Table;  // lives as long as the process: handles may be closed from static destructors
  return *t;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<HandleObject> object) {
  Table& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  // Skip values still in use after a wrap, and the two values that mean "no handle".
  for (int tries = 0; tries < (1 << 20); ++tries) {
    ULONG_PTR value = t.next;
    t.next = (t.next + 4) & 0x3FFFFFFC;
    if (t.next == 0) t.next = 4;
    if (value == 0 || t.objects.count(value) != 0) continue;
    t.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
  }
  return nullptr;
}

std::shared_ptr<HandleObject> FindHandle(HANDLE handle) {
  Table& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<ULONG_PTR>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

std::shared_ptr<HandleObject> RemoveHandle(HANDLE handle) {
  Table& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<ULONG_PTR>(handle));
  if (it == t.objects.end()) return nullptr;
  auto object = std::move(it->second);
  t.objects.erase(it);
  return object;
}

}  // namespace trv::kernel

TRVAPI BOOL WINAPI CloseHandle(HANDLE handle) {
  auto object = trv::kernel::RemoveHandle(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD error = object->Close();
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}
