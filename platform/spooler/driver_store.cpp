#include <filesystem>

#include "platform/kernel.h"
#include "platform/kernel/paths.h"
#include "platform/spooler/print_store.h"
#include "platform/spooler/reg.h"
#include "platform/stand_in.h"

namespace trv::spooler {
namespace {

constexpr const char* kEnvironmentNT = "Windows NT x86";
constexpr const char* kEnvironment9x = "Windows 4.0";

// NT 4.0 keeps its drivers in version folder 2, Windows 2000 and later in 3;
// Windows 95/98/Me have no version folders.
const char* VersionFolder(const std::string& environment) {
  if (environment != kEnvironmentNT) return nullptr;
  return trv::CurrentPlatform() == trv::Platform::NT4 ? "2" : "3";
}

std::string DriversKeyPath(const std::string& environment) {
  const char* folder = VersionFolder(environment);
  return std::string(kPrintKey) + "\\Environments\\" + environment + "\\Drivers\\Version-" +
         (folder != nullptr ? folder : "0");
}

void CreateFolder(const std::string& windowsPath) {
  std::error_code ec;
  std::filesystem::create_directories(kernel::HostPathOfAnsi(windowsPath), ec);
}

}  // namespace

std::string CurrentEnvironment() { return trv::IsWindowsNT() ? kEnvironmentNT : kEnvironment9x; }

DWORD ResolveEnvironment(const std::string& requested, std::string* environment) {
  if (requested.empty()) {
    *environment = CurrentEnvironment();
    return ERROR_SUCCESS;
  }
  for (const char* known : {kEnvironmentNT, kEnvironment9x}) {
    if (SameName(requested, known)) {
      *environment = known;
      return ERROR_SUCCESS;
    }
  }
  return ERROR_INVALID_ENVIRONMENT;
}

std::string DriverDirectory(const std::string& environment) {
  std::string dir = environment == kEnvironmentNT ? "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86"
                                                  : "C:\\WINDOWS\\SYSTEM";
  CreateFolder(dir);
  return dir;
}

std::string DriverFilesDirectory(const std::string& environment) {
  std::string dir = DriverDirectory(environment);
  if (const char* folder = VersionFolder(environment)) {
    dir = dir + "\\" + folder;
    CreateFolder(dir);
  }
  return dir;
}

DWORD LoadDriver(const std::string& environment, const std::string& name, DriverRecord* out) {
  RegKey key;
  if (name.empty() || key.Open(DriversKeyPath(environment) + "\\" + name) != ERROR_SUCCESS)
    return ERROR_UNKNOWN_PRINTER_DRIVER;
  DriverRecord d;
  d.name = name;
  d.environment = environment;
  key.ReadDword("Version", &d.version);
  key.ReadString("Driver", &d.driverPath);
  key.ReadString("Data File", &d.dataFile);
  key.ReadString("Configuration File", &d.configFile);
  key.ReadString("Help File", &d.helpFile);
  key.ReadMultiString("Dependent Files", &d.dependentFiles);
  key.ReadString("Monitor", &d.monitorName);
  key.ReadString("Datatype", &d.defaultDataType);
  *out = std::move(d);
  return ERROR_SUCCESS;
}

DWORD SaveDriver(const DriverRecord& d) {
  RegKey key;
  if (LONG r = key.Create(DriversKeyPath(d.environment) + "\\" + d.name))
    return static_cast<DWORD>(r);
  LONG r = key.WriteDword("Version", d.version);
  if (r == ERROR_SUCCESS) r = key.WriteString("Driver", d.driverPath);
  if (r == ERROR_SUCCESS) r = key.WriteString("Data File", d.dataFile);
  if (r == ERROR_SUCCESS) r = key.WriteString("Configuration File", d.configFile);
  if (r == ERROR_SUCCESS) r = key.WriteString("Help File", d.helpFile);
  if (r == ERROR_SUCCESS) r = key.WriteMultiString("Dependent Files", d.dependentFiles);
  if (r == ERROR_SUCCESS) r = key.WriteString("Monitor", d.monitorName);
  if (r == ERROR_SUCCESS) r = key.WriteString("Datatype", d.defaultDataType);
  return static_cast<DWORD>(r);
}

std::vector<DriverRecord> Drivers(const std::string& environment) {
  std::vector<DriverRecord> drivers;
  RegKey key;
  if (key.Open(DriversKeyPath(environment)) != ERROR_SUCCESS) return drivers;
  for (const std::string& name : key.SubkeyNames()) {
    DriverRecord d;
    if (LoadDriver(environment, name, &d) == ERROR_SUCCESS) drivers.push_back(std::move(d));
  }
  return drivers;
}

}  // namespace trv::spooler
