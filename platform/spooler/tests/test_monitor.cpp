// A small language monitor for the spooler's tests. It behaves as a language
// monitor does toward the spooler — opens the printer, asks for its driver,
// reports the job sent at the end — and forwards the bytes to the port monitor it
// is given, taking at most three bytes per WritePort so that callers must cope
// with partial writes. A job whose bytes contain "CANCEL" is discarded and deleted,
// as after a user's cancel. Every call is reported as debugger output
// ("testmon: ..."), which the tests listen to.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/winsplp.h"
#include "platform/winspool.h"

namespace {

struct Port {
  HANDLE portMonitorHandle = nullptr;
  MONITOR* portMonitor = nullptr;
  HANDLE printer = nullptr;
  DWORD job = 0;
  std::string recent;  // the last bytes seen, to spot the cancel marker across calls
  bool discarding = false;
};

void Log(const std::string& text) { OutputDebugStringA(("testmon: " + text).c_str()); }

std::string Ansi(LPCWSTR text) {
  char buffer[512] = "";
  WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  return buffer;
}

BOOL WINAPI OpenPortEx(LPWSTR portName, LPWSTR, PHANDLE handle, MONITOR* portMonitor) {
  if (portName == nullptr || handle == nullptr || portMonitor == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto* port = new Port;
  port->portMonitor = portMonitor;
  if (!portMonitor->pfnOpenPort(portName, &port->portMonitorHandle)) {
    DWORD e = GetLastError();
    delete port;
    SetLastError(e);
    return FALSE;
  }
  Log("OpenPortEx " + Ansi(portName));
  *handle = port;
  return TRUE;
}

BOOL WINAPI StartDocPort(HANDLE handle, LPWSTR printerName, DWORD jobId, DWORD level,
                         LPBYTE docInfo) {
  auto* port = static_cast<Port*>(handle);
  std::string printer = Ansi(printerName);
  if (!OpenPrinterA(printer.data(), &port->printer, nullptr)) return FALSE;
  DWORD needed = 0;
  GetPrinterDriverA(port->printer, nullptr, 3, nullptr, 0, &needed);
  std::vector<BYTE> driver(needed);
  if (!GetPrinterDriverA(port->printer, nullptr, 3, driver.data(), needed, &needed)) {
    DWORD e = GetLastError();
    ClosePrinter(port->printer);
    SetLastError(e);
    return FALSE;
  }
  const char* dataFile = reinterpret_cast<DRIVER_INFO_3A*>(driver.data())->pDataFile;
  if (!port->portMonitor->pfnStartDocPort(port->portMonitorHandle, printerName, jobId, level,
                                          docInfo)) {
    DWORD e = GetLastError();
    ClosePrinter(port->printer);
    SetLastError(e);
    return FALSE;
  }
  port->job = jobId;
  port->recent.clear();
  port->discarding = false;
  char line[600];
  std::snprintf(line, sizeof line, "StartDocPort %s job %lu data %s", printer.c_str(),
                static_cast<unsigned long>(jobId), dataFile);
  Log(line);
  return TRUE;
}

BOOL WINAPI WritePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written) {
  auto* port = static_cast<Port*>(handle);
  *written = 0;
  if (port->discarding) {
    *written = size;
    return TRUE;
  }
  DWORD take = size < 3 ? size : 3;
  port->recent.append(reinterpret_cast<const char*>(buffer), take);
  if (port->recent.size() > 16) port->recent.erase(0, port->recent.size() - 16);
  if (port->recent.find("CANCEL") != std::string::npos) {
    port->discarding = true;
    SetJobW(port->printer, port->job, 0, nullptr, JOB_CONTROL_DELETE);
    Log("discarding");
    *written = size;
    return TRUE;
  }
  return port->portMonitor->pfnWritePort(port->portMonitorHandle, buffer, take, written);
}

BOOL WINAPI ReadPort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD read) {
  auto* port = static_cast<Port*>(handle);
  return port->portMonitor->pfnReadPort(port->portMonitorHandle, buffer, size, read);
}

BOOL WINAPI EndDocPort(HANDLE handle) {
  auto* port = static_cast<Port*>(handle);
  BOOL ok = port->portMonitor->pfnEndDocPort(port->portMonitorHandle);
  DWORD e = GetLastError();
  if (!port->discarding) SetJobW(port->printer, port->job, 0, nullptr, JOB_CONTROL_SENT_TO_PRINTER);
  ClosePrinter(port->printer);
  Log(ok ? "EndDocPort" : "EndDocPort failed");
  SetLastError(e);
  return ok;
}

BOOL WINAPI ClosePort(HANDLE handle) {
  auto* port = static_cast<Port*>(handle);
  BOOL ok = port->portMonitor->pfnClosePort(port->portMonitorHandle);
  delete port;
  Log("ClosePort");
  return ok;
}

}  // namespace

extern "C" TRV_EXPORT BOOL WINAPI InitializeMonitorEx(LPWSTR, MONITOR* table) {
  if (table == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::memset(table, 0, sizeof *table);
  table->pfnOpenPortEx = OpenPortEx;
  table->pfnStartDocPort = StartDocPort;
  table->pfnWritePort = WritePort;
  table->pfnReadPort = ReadPort;
  table->pfnEndDocPort = EndDocPort;
  table->pfnClosePort = ClosePort;
  Log("InitializeMonitorEx");
  return TRUE;
}
