// The four exports of language.dll. Clients load the library at run time and bind
// these by name; the function types below are what they bind them to.
#pragma once

#include "platform/windef.h"

// Reads a language file of the expected kind; null (with the last error) when the
// file cannot be read, is of another kind or ends before its last entry.
TRVAPI HANDLE LoadResources(LPCSTR path, DWORD kind);
// Copies text `number` into the buffer, always terminated within `size`
// characters; returns the length copied, 0 when there is no such text.
TRVAPI int GetStringA(HANDLE handle, UINT number, LPSTR buffer, int size);
// The same text converted to UTF-16; returns the characters converted.
TRVAPI int GetStringW(HANDLE handle, UINT number, LPWSTR buffer, int size);
// Releases a handle of LoadResources; 0 for a null handle.
TRVAPI BOOL FreeResources(HANDLE handle);

namespace trv::lng {
using LoadResourcesProc = HANDLE (*)(LPCSTR path, DWORD kind);
using GetStringAProc = int (*)(HANDLE handle, UINT number, LPSTR buffer, int size);
using GetStringWProc = int (*)(HANDLE handle, UINT number, LPWSTR buffer, int size);
using FreeResourcesProc = BOOL (*)(HANDLE handle);
}  // namespace trv::lng
