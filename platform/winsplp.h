// The monitor side of the print spooler: the function table that port monitors and
// language monitors fill, with the signatures of Windows' MONITOR structure, and the
// language monitor's entry point.
//
// Names passed through this table are UTF-16 on Windows NT; on Windows 95/98/Me the
// spooler passes ANSI texts through the same pointers (the monitor interface of those
// systems is ANSI), and DOC_INFO_1 is then DOC_INFO_1A.
#pragma once

#include "platform/windef.h"
#include "platform/winspool.h"

struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};
using LPCOMMTIMEOUTS = COMMTIMEOUTS*;
using PHANDLE = HANDLE*;

// Seventeen entries in the spooler's order; a monitor leaves the ones it does not
// implement null.
struct MONITOR {
  BOOL(WINAPI* pfnEnumPorts)
  (LPWSTR name, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned);
  BOOL(WINAPI* pfnOpenPort)(LPWSTR name, PHANDLE handle);
  BOOL(WINAPI* pfnOpenPortEx)
  (LPWSTR portName, LPWSTR printerName, PHANDLE handle, MONITOR* portMonitor);
  BOOL(WINAPI* pfnStartDocPort)
  (HANDLE port, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo);
  BOOL(WINAPI* pfnWritePort)(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written);
  BOOL(WINAPI* pfnReadPort)(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD read);
  BOOL(WINAPI* pfnEndDocPort)(HANDLE port);
  BOOL(WINAPI* pfnClosePort)(HANDLE port);
  BOOL(WINAPI* pfnAddPort)(LPWSTR name, HWND window, LPWSTR monitorName);
  BOOL(WINAPI* pfnAddPortEx)(LPWSTR name, DWORD level, LPBYTE buffer, LPWSTR monitorName);
  BOOL(WINAPI* pfnConfigurePort)(LPWSTR name, HWND window, LPWSTR portName);
  BOOL(WINAPI* pfnDeletePort)(LPWSTR name, HWND window, LPWSTR portName);
  BOOL(WINAPI* pfnGetPrinterDataFromPort)
  (HANDLE port, DWORD controlId, LPWSTR valueName, LPWSTR inBuffer, DWORD inSize, LPWSTR outBuffer,
   DWORD outSize, LPDWORD returned);
  BOOL(WINAPI* pfnSetPortTimeOuts)(HANDLE port, LPCOMMTIMEOUTS timeouts, DWORD reserved);
  BOOL(WINAPI* pfnXcvOpenPort)(LPCWSTR object, ACCESS_MASK access, PHANDLE handle);
  DWORD(WINAPI* pfnXcvDataPort)
  (HANDLE xcv, LPCWSTR dataName, PBYTE input, DWORD inputSize, PBYTE output, DWORD outputSize,
   PDWORD outputNeeded);
  BOOL(WINAPI* pfnXcvClosePort)(HANDLE xcv);
};
using LPMONITOR = MONITOR*;

// Every entry is one pointer wide, so the table is 17 pointers with no padding.
inline constexpr std::size_t kMonitorEntries = 17;
static_assert(sizeof(MONITOR) == kMonitorEntries * sizeof(void*), "MONITOR is 17 pointers");

// The export of a language monitor library: fills the caller's table.
using InitializeMonitorExFn = BOOL(WINAPI*)(LPWSTR registryRoot, LPMONITOR table);
