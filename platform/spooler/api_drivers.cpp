// Drivers, the driver directory, monitors and ports.
#include <filesystem>

#include "platform/kernel/paths.h"
#include "platform/spooler/api_common.h"
#include "platform/spooler/port_store.h"
#include "platform/spooler/port_target.h"
#include "platform/spooler/print_store.h"
#include "platform/spooler/reg.h"
#include "platform/spooler/spooler_state.h"
#include "platform/spooler_stand_in.h"

namespace trv::spooler {
namespace {

namespace fs = std::filesystem;

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Brings one driver file into the folder the spooler loads drivers from. A bare
// name is looked for in the driver directory (where installers put it) and then in
// the version folder itself; a path is taken as it is.
DWORD InstallDriverFile(const std::string& environment, const std::string& file) {
  const std::string target = DriverFilesDirectory(environment) + "\\" + BaseName(file);
  std::vector<std::string> candidates;
  if (file.find_first_of("\\/") != std::string::npos)
    candidates.push_back(file);
  else
    candidates = {DriverDirectory(environment) + "\\" + file, target};
  const fs::path to = kernel::HostPathOfAnsi(target);
  for (const std::string& candidate : candidates) {
    fs::path from = kernel::HostPathOfAnsi(candidate);
    std::error_code ec;
    if (from.empty() || !fs::is_regular_file(from, ec)) continue;
    if (fs::equivalent(from, to, ec)) return ERROR_SUCCESS;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    return ec ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
  }
  return ERROR_FILE_NOT_FOUND;
}

template <typename Char>
DWORD AddDriver(const typename Spool<Char>::DriverInfo3& in) {
  DriverRecord d;
  if (DWORD e = ResolveEnvironment(In(in.pEnvironment), &d.environment)) return e;
  d.version = in.cVersion;
  d.name = In(in.pName);
  const std::string driver = In(in.pDriverPath), data = In(in.pDataFile),
                    config = In(in.pConfigFile);
  if (d.name.empty() || driver.empty() || data.empty() || config.empty())
    return ERROR_INVALID_PARAMETER;
  d.monitorName = In(in.pMonitorName);
  d.defaultDataType = In(in.pDefaultDataType);
  std::string library;
  if (!d.monitorName.empty() && LoadMonitor(d.monitorName, &library) != ERROR_SUCCESS)
    return ERROR_UNKNOWN_PRINT_MONITOR;
  std::vector<std::string> files = {driver, data, config};
  const std::string help = In(in.pHelpFile);
  if (!help.empty()) files.push_back(help);
  if (in.pDependentFiles != nullptr) {
    for (const Char* p = in.pDependentFiles; *p != Char{};) {
      std::basic_string<Char> one(p);
      d.dependentFiles.push_back(BaseName(In(one.c_str())));
      files.push_back(In(one.c_str()));
      p += one.size() + 1;
    }
  }
  for (const std::string& f : files)
    if (DWORD e = InstallDriverFile(d.environment, f)) return e;
  d.driverPath = BaseName(driver);
  d.dataFile = BaseName(data);
  d.configFile = BaseName(config);
  d.helpFile = BaseName(help);
  return SaveDriver(d);
}

template <typename Char>
void FillDriver3(Packer<Char>& p, typename Spool<Char>::DriverInfo3* out, const DriverRecord& d) {
  const std::string dir = DriverFilesDirectory(d.environment) + "\\";
  auto full = [&](const std::string& f) { return f.empty() ? f : dir + f; };
  std::vector<std::string> dependents;
  for (const std::string& f : d.dependentFiles) dependents.push_back(full(f));
  out->cVersion = d.version;
  out->pName = p.Text(d.name);
  out->pEnvironment = p.Text(d.environment);
  out->pDriverPath = p.Text(full(d.driverPath));
  out->pDataFile = p.Text(full(d.dataFile));
  out->pConfigFile = p.Text(full(d.configFile));
  out->pHelpFile = p.Text(full(d.helpFile));
  out->pDependentFiles = p.TextList(dependents);
  out->pMonitorName = p.Text(d.monitorName);
  out->pDefaultDataType = p.Text(d.defaultDataType);
}

template <typename Char>
BOOL PackDrivers(const std::vector<DriverRecord>& drivers, LPBYTE buffer, DWORD size,
                 LPDWORD needed) {
  using Info = typename Spool<Char>::DriverInfo3;
  return PackInto<Char>(buffer, size, drivers.size() * sizeof(Info), needed,
                        [&](Packer<Char>& p, BYTE* base) {
                          for (std::size_t i = 0; i < drivers.size(); ++i)
                            FillDriver3(p, reinterpret_cast<Info*>(base) + i, drivers[i]);
                        });
}

template <typename Char>
BOOL AddPrinterDriverT(Char* server, DWORD level, LPBYTE info) {
  if (!IsLocalServer(server)) return Fail(ERROR_INVALID_NAME);
  if (level != 3) return Fail(ERROR_INVALID_LEVEL);
  if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  return Result(AddDriver<Char>(*reinterpret_cast<const typename Spool<Char>::DriverInfo3*>(info)));
}

template <typename Char>
BOOL EnumPrinterDriversT(Char* server, Char* environment, DWORD level, LPBYTE buffer, DWORD size,
                         LPDWORD needed, LPDWORD returned) {
  if (needed == nullptr || returned == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *returned = 0;
  if (!IsLocalServer(server)) return Fail(ERROR_INVALID_NAME);
  if (level != 3) return Fail(ERROR_INVALID_LEVEL);
  std::string env;
  if (DWORD e = ResolveEnvironment(In(environment), &env)) return Fail(e);
  std::vector<DriverRecord> drivers = Drivers(env);
  if (!PackDrivers<Char>(drivers, buffer, size, needed)) return drivers.empty() ? TRUE : FALSE;
  *returned = static_cast<DWORD>(drivers.size());
  return TRUE;
}

template <typename Char>
BOOL GetPrinterDriverT(HANDLE printer, Char* environment, DWORD level, LPBYTE buffer, DWORD size,
                       LPDWORD needed) {
  auto handle = FindPrinterHandle(printer);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (level != 3) return Fail(ERROR_INVALID_LEVEL);
  if (needed == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string env;
  if (DWORD e = ResolveEnvironment(In(environment), &env)) return Fail(e);
  PrinterRecord r;
  if (DWORD e = LoadPrinter(handle->printer(), &r)) return Fail(e);
  DriverRecord d;
  if (DWORD e = LoadDriver(env, r.driverName, &d)) return Fail(e);
  return PackDrivers<Char>({d}, buffer, size, needed);
}

template <typename Char>
BOOL GetPrinterDriverDirectoryT(Char* server, Char* environment, DWORD level, LPBYTE buffer,
                                DWORD size, LPDWORD needed) {
  if (!IsLocalServer(server)) return Fail(ERROR_INVALID_NAME);
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  if (needed == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string env;
  if (DWORD e = ResolveEnvironment(In(environment), &env)) return Fail(e);
  const std::string dir = DriverDirectory(env);
  return PackInto<Char>(buffer, size, 0, needed, [&](Packer<Char>& p, BYTE*) { p.Text(dir); });
}

template <typename Char>
BOOL AddMonitorT(Char* server, DWORD level, LPBYTE info) {
  if (!IsLocalServer(server)) return Fail(ERROR_INVALID_NAME);
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const auto& in = *reinterpret_cast<const typename Spool<Char>::MonitorInfo2*>(info);
  const std::string name = In(in.pName), library = In(in.pDLLName);
  std::string env, existing;
  if (name.empty() || library.empty()) return Fail(ERROR_INVALID_PARAMETER);
  if (DWORD e = ResolveEnvironment(In(in.pEnvironment), &env)) return Fail(e);
  if (LoadMonitor(name, &existing) == ERROR_SUCCESS)
    return Fail(ERROR_PRINT_MONITOR_ALREADY_INSTALLED);
  // The spooler loads monitors from the system folder; one that is not there
  // could never run.
  char system[MAX_PATH];
  UINT n = GetSystemDirectoryA(system, sizeof system);
  std::error_code ec;
  if (n == 0 || n >= sizeof system ||
      !fs::is_regular_file(kernel::HostPathOfAnsi(std::string(system) + "\\" + BaseName(library)),
                           ec))
    return Fail(ERROR_MOD_NOT_FOUND);
  return Result(SaveMonitor(name, BaseName(library)));
}

struct PortDescription {
  const char* text;
  DWORD type;
};

PortDescription Describe(const PortRecord& port) {
  PortTarget t;
  if (ResolvePortTarget(port.name, port.settings, &t) != ERROR_SUCCESS)
    return {"Local Port", PORT_TYPE_WRITE};
  switch (t.kind) {
    case TargetKind::DocumentFile: return {"Print to File", PORT_TYPE_WRITE};
    case TargetKind::File: return {"Local Port", PORT_TYPE_WRITE};
    case TargetKind::Tcp:
      return {"Standard TCP/IP Port", PORT_TYPE_WRITE | PORT_TYPE_READ | PORT_TYPE_NET_ATTACHED};
    case TargetKind::Device: break;
  }
  if (SameName(port.name.substr(0, 3), "LPT"))
    return {"Printer Port", PORT_TYPE_WRITE | PORT_TYPE_READ};
  if (SameName(port.name.substr(0, 3), "COM"))
    return {"Serial Port", PORT_TYPE_WRITE | PORT_TYPE_READ};
  return {"Local Port", PORT_TYPE_WRITE | PORT_TYPE_READ};
}

template <typename Char>
BOOL EnumPortsT(Char* server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                LPDWORD returned) {
  if (needed == nullptr || returned == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *returned = 0;
  if (!IsLocalServer(server)) return Fail(ERROR_INVALID_NAME);
  if (level != 1 && level != 2) return Fail(ERROR_INVALID_LEVEL);
  using Info1 = typename Spool<Char>::PortInfo1;
  using Info2 = typename Spool<Char>::PortInfo2;
  const std::vector<PortRecord> ports = Ports();
  const std::size_t each = level == 1 ? sizeof(Info1) : sizeof(Info2);
  BOOL ok =
      PackInto<Char>(buffer, size, ports.size() * each, needed, [&](Packer<Char>& p, BYTE* base) {
        for (std::size_t i = 0; i < ports.size(); ++i) {
          if (level == 1) {
            reinterpret_cast<Info1*>(base)[i].pName = p.Text(ports[i].name);
            continue;
          }
          Info2& out = reinterpret_cast<Info2*>(base)[i];
          PortDescription d = Describe(ports[i]);
          out.pPortName = p.Text(ports[i].name);
          out.pMonitorName = p.Text("Local Port");
          out.pDescription = p.Text(d.text);
          out.fPortType = d.type;
          out.Reserved = 0;
        }
      });
  if (!ok) return ports.empty() ? TRUE : FALSE;
  *returned = static_cast<DWORD>(ports.size());
  return TRUE;
}

template <typename Char>
BOOL EnumMonitorsT(Char* server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                   LPDWORD returned) {
  if (needed == nullptr || returned == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *returned = 0;
  if (!IsLocalServer(server)) return Fail(ERROR_INVALID_NAME);
  if (level != 1 && level != 2) return Fail(ERROR_INVALID_LEVEL);
  using Info1 = typename Spool<Char>::MonitorInfo1;
  using Info2 = typename Spool<Char>::MonitorInfo2;
  std::vector<std::pair<std::string, std::string>> monitors = {{"Local Port", "localspl.dll"}};
  for (auto& m : Monitors()) monitors.push_back(std::move(m));
  const std::size_t each = level == 1 ? sizeof(Info1) : sizeof(Info2);
  BOOL ok = PackInto<Char>(
      buffer, size, monitors.size() * each, needed, [&](Packer<Char>& p, BYTE* base) {
        for (std::size_t i = 0; i < monitors.size(); ++i) {
          if (level == 1) {
            reinterpret_cast<Info1*>(base)[i].pName = p.Text(monitors[i].first);
            continue;
          }
          Info2& out = reinterpret_cast<Info2*>(base)[i];
          out.pName = p.Text(monitors[i].first);
          out.pEnvironment = p.Text(CurrentEnvironment());
          out.pDLLName = p.Text(monitors[i].second);
        }
      });
  if (!ok) return FALSE;
  *returned = static_cast<DWORD>(monitors.size());
  return TRUE;
}

}  // namespace
}  // namespace trv::spooler

using namespace trv::spooler;

TRVAPI BOOL WINAPI AddPrinterDriverA(LPSTR server, DWORD level, LPBYTE info) {
  return Guarded([&]() -> BOOL { return AddPrinterDriverT<char>(server, level, info); });
}
TRVAPI BOOL WINAPI AddPrinterDriverW(LPWSTR server, DWORD level, LPBYTE info) {
  return Guarded([&]() -> BOOL { return AddPrinterDriverT<WCHAR>(server, level, info); });
}
TRVAPI BOOL WINAPI EnumPrinterDriversA(LPSTR server, LPSTR env, DWORD level, LPBYTE buffer,
                                       DWORD size, LPDWORD needed, LPDWORD returned) {
  return Guarded([&]() -> BOOL {
    return EnumPrinterDriversT<char>(server, env, level, buffer, size, needed, returned);
  });
}
TRVAPI BOOL WINAPI EnumPrinterDriversW(LPWSTR server, LPWSTR env, DWORD level, LPBYTE buffer,
                                       DWORD size, LPDWORD needed, LPDWORD returned) {
  return Guarded([&]() -> BOOL {
    return EnumPrinterDriversT<WCHAR>(server, env, level, buffer, size, needed, returned);
  });
}
TRVAPI BOOL WINAPI GetPrinterDriverA(HANDLE printer, LPSTR env, DWORD level, LPBYTE buffer,
                                     DWORD size, LPDWORD needed) {
  return Guarded(
      [&]() -> BOOL { return GetPrinterDriverT<char>(printer, env, level, buffer, size, needed); });
}
TRVAPI BOOL WINAPI GetPrinterDriverW(HANDLE printer, LPWSTR env, DWORD level, LPBYTE buffer,
                                     DWORD size, LPDWORD needed) {
  return Guarded([&]() -> BOOL {
    return GetPrinterDriverT<WCHAR>(printer, env, level, buffer, size, needed);
  });
}
TRVAPI BOOL WINAPI GetPrinterDriverDirectoryA(LPSTR server, LPSTR env, DWORD level, LPBYTE buffer,
                                              DWORD size, LPDWORD needed) {
  return Guarded([&]() -> BOOL {
    return GetPrinterDriverDirectoryT<char>(server, env, level, buffer, size, needed);
  });
}
TRVAPI BOOL WINAPI GetPrinterDriverDirectoryW(LPWSTR server, LPWSTR env, DWORD level, LPBYTE buffer,
                                              DWORD size, LPDWORD needed) {
  return Guarded([&]() -> BOOL {
    return GetPrinterDriverDirectoryT<WCHAR>(server, env, level, buffer, size, needed);
  });
}
TRVAPI BOOL WINAPI AddMonitorA(LPSTR server, DWORD level, LPBYTE info) {
  return Guarded([&]() -> BOOL { return AddMonitorT<char>(server, level, info); });
}
TRVAPI BOOL WINAPI AddMonitorW(LPWSTR server, DWORD level, LPBYTE info) {
  return Guarded([&]() -> BOOL { return AddMonitorT<WCHAR>(server, level, info); });
}
TRVAPI BOOL WINAPI EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return Guarded(
      [&]() -> BOOL { return EnumMonitorsT<char>(server, level, buffer, size, needed, returned); });
}
TRVAPI BOOL WINAPI EnumMonitorsW(LPWSTR server, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return Guarded([&]() -> BOOL {
    return EnumMonitorsT<WCHAR>(server, level, buffer, size, needed, returned);
  });
}
TRVAPI BOOL WINAPI EnumPortsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                              LPDWORD returned) {
  return Guarded(
      [&]() -> BOOL { return EnumPortsT<char>(server, level, buffer, size, needed, returned); });
}
TRVAPI BOOL WINAPI EnumPortsW(LPWSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                              LPDWORD returned) {
  return Guarded(
      [&]() -> BOOL { return EnumPortsT<WCHAR>(server, level, buffer, size, needed, returned); });
}

namespace trv {

DWORD AddLocalPort(const std::string& name, const std::string& settings) {
  try {
    PortTarget target;
    if (name.empty()) return ERROR_INVALID_NAME;
    if (DWORD e = ResolvePortTarget(name, settings, &target)) return e;
    if (PortExists(name)) return ERROR_ALREADY_EXISTS;
    return SavePort({name, settings});
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

}  // namespace trv
