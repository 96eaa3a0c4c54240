// Printer data: the values under the printer's PrinterDriverData key. Like
// Windows, these calls return the error code itself rather than a BOOL.
#include "platform/spooler/api_common.h"
#include "platform/spooler/print_store.h"
#include "platform/spooler/reg.h"
#include "platform/spooler/spooler_state.h"

namespace trv::spooler {
namespace {

DWORD OpenData(HANDLE printer, bool create, RegKey* key) {
  auto handle = FindPrinterHandle(printer);
  if (!handle) return ERROR_INVALID_HANDLE;
  LONG r = create ? key->Create(PrinterDataKeyPath(handle->printer()))
                  : key->Open(PrinterDataKeyPath(handle->printer()));
  if (r == ERROR_FILE_NOT_FOUND && !create) return ERROR_FILE_NOT_FOUND;
  return static_cast<DWORD>(r);
}

// The query functions of the registry in each character set.
LONG Query(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExA(key, name, nullptr, type, data, size);
}
LONG Query(HKEY key, const WCHAR* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExW(key, name, nullptr, type, data, size);
}
LONG Store(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
  return RegSetValueExA(key, name, 0, type, data, size);
}
LONG Store(HKEY key, const WCHAR* name, DWORD type, const BYTE* data, DWORD size) {
  return RegSetValueExW(key, name, 0, type, data, size);
}

// A buffer that is too small (a null one included) gets ERROR_MORE_DATA with the
// size needed: callers ask for the size first with a zero-sized buffer.
template <typename Char>
DWORD GetData(HANDLE printer, Char* name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed) {
  if (needed == nullptr) return ERROR_INVALID_PARAMETER;
  RegKey key;
  if (DWORD e = OpenData(printer, false, &key)) return e;
  DWORD valueType = 0, valueSize = 0;
  if (LONG r = Query(key.get(), name, &valueType, nullptr, &valueSize))
    return static_cast<DWORD>(r);
  *needed = valueSize;
  if (type != nullptr) *type = valueType;
  if (data == nullptr || size < valueSize)
    return valueSize == 0 && data == nullptr ? ERROR_SUCCESS : ERROR_MORE_DATA;
  DWORD got = size;
  LONG r = Query(key.get(), name, &valueType, data, &got);
  *needed = got;
  return static_cast<DWORD>(r);
}

template <typename Char>
DWORD SetData(HANDLE printer, Char* name, DWORD type, LPBYTE data, DWORD size) {
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  RegKey key;
  if (DWORD e = OpenData(printer, true, &key)) return e;
  return static_cast<DWORD>(Store(key.get(), name, type, data, size));
}

template <typename Body>
DWORD GuardedCode(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

}  // namespace
}  // namespace trv::spooler

using namespace trv::spooler;

TRVAPI DWORD WINAPI GetPrinterDataA(HANDLE printer, LPSTR name, LPDWORD type, LPBYTE data,
                                    DWORD size, LPDWORD needed) {
  return GuardedCode([&] { return GetData<char>(printer, name, type, data, size, needed); });
}
TRVAPI DWORD WINAPI GetPrinterDataW(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE data,
                                    DWORD size, LPDWORD needed) {
  return GuardedCode([&] { return GetData<WCHAR>(printer, name, type, data, size, needed); });
}
TRVAPI DWORD WINAPI SetPrinterDataA(HANDLE printer, LPSTR name, DWORD type, LPBYTE data,
                                    DWORD size) {
  return GuardedCode([&] { return SetData<char>(printer, name, type, data, size); });
}
TRVAPI DWORD WINAPI SetPrinterDataW(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data,
                                    DWORD size) {
  return GuardedCode([&] { return SetData<WCHAR>(printer, name, type, data, size); });
}
