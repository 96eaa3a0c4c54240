// The process's handle table, shared by every part of the platform that hands out
// kernel-style HANDLEs (files, find handles, transactions, ...). Values are small
// multiples of 4, never null and never INVALID_HANDLE_VALUE, as on Windows.
// Internal to the platform library.
#pragma once

#include <memory>

#include "platform/windef.h"
#include "platform/winerror.h"

namespace trv::kernel {

// An object behind a HANDLE. CloseHandle removes it from the table and calls
// Close(); the object dies when the last shared_ptr to it goes.
class HandleObject {
 public:
  virtual ~HandleObject() = default;
  // Returns a Win32 error code (0 for success) that CloseHandle reports.
  virtual DWORD Close() { return ERROR_SUCCESS; }
};

// Adds an object and returns its new handle (null when the table is full).
HANDLE AddHandle(std::shared_ptr<HandleObject> object);

// The object of a handle, or null for an unknown handle.
std::shared_ptr<HandleObject> FindHandle(HANDLE handle);

// The object of a handle as type T, or null when unknown or of another type.
template <typename T>
std::shared_ptr<T> FindHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

// Removes a handle; returns its object (null when unknown).
std::shared_ptr<HandleObject> RemoveHandle(HANDLE handle);

}  // namespace trv::kernel
