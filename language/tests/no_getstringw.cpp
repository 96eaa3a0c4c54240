// A language.dll that lacks GetStringW. Its LoadResources would hand out a handle
// and its GetStringA a text, so a binding that used it anyway would be seen.
#include <cstring>

#include "platform/windef.h"

TRVAPI HANDLE LoadResources(LPCSTR, DWORD) {
  static int handle;
  return &handle;
}

TRVAPI int GetStringA(HANDLE, UINT, LPSTR buffer, int size) {
  if (size < 5) return 0;
  std::memcpy(buffer, "stub", 5);
  return 4;
}

TRVAPI BOOL FreeResources(HANDLE) { return TRUE; }
