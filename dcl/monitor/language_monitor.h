// The language monitor of a language library: the spooler loads the library through
// InitializeMonitorEx and hands every job's bytes to its WritePort. Per job the monitor
// creates a DCL object, reassembles the record stream for it and lets it write the
// printer's commands to the real port; bytes that are not records pass through.
#pragma once

#include <memory>
#include <string>

#include "platform/kernel.h"
#include "platform/winsplp.h"
#include "spool/reader.h"

namespace trv::dcl {

class CDCLBase;

// One opened port. The first field doubles as the handle check.
struct PortContext {
  DWORD size;
  std::u16string wideName;  // the port name on Windows NT
  std::string ansiName;     // the port name on Windows 95/98/Me
  MONITOR* portMonitor = nullptr;
  DWORD jobId = 0;
  HANDLE printer = nullptr;
  std::unique_ptr<CDCLBase> object;
  spool::PortReader reader;  // the reader state and the port's flags
  CRITICAL_SECTION lock;

  PortContext();
  ~PortContext();
};

inline constexpr DWORD kPortContextSize = sizeof(PortContext);

// The monitor's functions, as the spooler's table holds them.
BOOL WINAPI MonitorOpenPortEx(LPWSTR portName, LPWSTR printerName, HANDLE* handle,
                              MONITOR* portMonitor);
BOOL WINAPI MonitorStartDocPort(HANDLE handle, LPWSTR printerName, DWORD jobId, DWORD level,
                                LPBYTE docInfo);
BOOL WINAPI MonitorWritePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written);
BOOL WINAPI MonitorReadPort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD read);
BOOL WINAPI MonitorEndDocPort(HANDLE handle);
BOOL WINAPI MonitorClosePort(HANDLE handle);

}  // namespace trv::dcl

extern "C" TRV_EXPORT BOOL WINAPI InitializeMonitorEx(LPWSTR registryRoot, MONITOR* table);
