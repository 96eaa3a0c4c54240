// The print spooler's Win32 interface (winspool). Declarations are added as the
// spooler grows; the record writer needs WritePrinter from the start.
#pragma once

#include "platform/windef.h"

TRVAPI BOOL WINAPI WritePrinter(HANDLE printer, LPVOID buffer, DWORD size, LPDWORD written);
