// The spooler's lasting state — printers, drivers, monitors, ports — kept in the
// registry where Windows keeps it, so that the suite's own registry code sees the
// same keys:
//   ...\Print\Printers\<name>                       a printer, PrinterDriverData below
//   ...\Print\Environments\<env>\Drivers\Version-N\<name>   a driver
//   ...\Print\Monitors\<name>                       a monitor ("Driver" = its library)
//   HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports   port name -> settings
// Functions return Win32 error codes (0 for success).
#pragma once

#include <string>
#include <vector>

#include "platform/windef.h"
#include "platform/winerror.h"

namespace trv::spooler {

struct PrinterRecord {
  std::string name, shareName, portName, driverName, comment, location, sepFile;
  std::string printProcessor, datatype, parameters;
  DWORD attributes = 0, priority = 0, defaultPriority = 0, startTime = 0, untilTime = 0;
  DWORD status = 0;
  std::vector<BYTE> devmode;  // wide device mode with its private part; empty: none
};

struct DriverRecord {
  DWORD version = 0;
  std::string name, environment;
  std::string driverPath, dataFile, configFile, helpFile;  // file names in the version folder
  std::vector<std::string> dependentFiles;
  std::string monitorName, defaultDataType;
};

std::string PrinterKeyPath(const std::string& printer);
std::string PrinterDataKeyPath(const std::string& printer);

// ---- printers ------------------------------------------------------------------------
DWORD LoadPrinter(const std::string& name, PrinterRecord* out);  // ERROR_INVALID_PRINTER_NAME
DWORD SavePrinter(const PrinterRecord& printer);
DWORD RemovePrinter(const std::string& name);
std::vector<std::string> PrinterNames();

// ---- environments, driver folders, drivers ------------------------------------------------
// The environment of this platform ("Windows NT x86" or "Windows 4.0").
std::string CurrentEnvironment();
// "" or null means the current environment; ERROR_INVALID_ENVIRONMENT for others.
DWORD ResolveEnvironment(const std::string& requested, std::string* environment);
// The driver directory of an environment (Windows path), created on demand.
std::string DriverDirectory(const std::string& environment);
// The folder in which the driver files of this platform live: the driver directory
// and, on Windows NT, its version folder ("2" on NT 4.0, "3" on 2000 and later).
std::string DriverFilesDirectory(const std::string& environment);
DWORD LoadDriver(const std::string& environment, const std::string& name, DriverRecord* out);
DWORD SaveDriver(const DriverRecord& driver);
std::vector<DriverRecord> Drivers(const std::string& environment);

// ---- monitors ----------------------------------------------------------------------------
// The monitor's library file name; ERROR_UNKNOWN_PRINT_MONITOR when not installed.
DWORD LoadMonitor(const std::string& name, std::string* library);
DWORD SaveMonitor(const std::string& name, const std::string& library);
std::string MonitorKeyPath(const std::string& name);
// The installed monitors, name and library, in the registry's order.
std::vector<std::pair<std::string, std::string>> Monitors();

// ---- ports ---------------------------------------------------------------------------------
struct PortRecord {
  std::string name, settings;
};
// The registered ports, in registration order; the usual ports of a Windows machine
// are registered on first use.
std::vector<PortRecord> Ports();
bool PortExists(const std::string& name);
DWORD SavePort(const PortRecord& port);
DWORD RemovePort(const std::string& name);

}  // namespace trv::spooler
