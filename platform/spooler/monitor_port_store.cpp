#include "platform/spooler/port_store.h"
#include "platform/spooler/print_store.h"
#include "platform/spooler/reg.h"

namespace trv::spooler {
namespace {

// The usual ports of a fresh Windows machine, registered on first use.
constexpr const char* kDefaultPorts[] = {"LPT1:", "COM1:", "FILE:"};

RegKey OpenPortsKey() {
  RegKey key;
  if (key.Open(kPortsKey) == ERROR_SUCCESS) return key;
  if (key.Create(kPortsKey) == ERROR_SUCCESS)
    for (const char* name : kDefaultPorts) key.WriteString(name, "");
  return key;
}

}  // namespace

std::string MonitorKeyPath(const std::string& name) {
  return std::string(kPrintKey) + "\\Monitors\\" + name;
}

DWORD LoadMonitor(const std::string& name, std::string* library) {
  RegKey key;
  if (name.empty() || key.Open(MonitorKeyPath(name)) != ERROR_SUCCESS ||
      !key.ReadString("Driver", library))
    return ERROR_UNKNOWN_PRINT_MONITOR;
  return ERROR_SUCCESS;
}

DWORD SaveMonitor(const std::string& name, const std::string& library) {
  RegKey key;
  if (LONG r = key.Create(MonitorKeyPath(name))) return static_cast<DWORD>(r);
  return static_cast<DWORD>(key.WriteString("Driver", library));
}

std::vector<std::pair<std::string, std::string>> Monitors() {
  std::vector<std::pair<std::string, std::string>> monitors;
  RegKey key;
  if (key.Open(std::string(kPrintKey) + "\\Monitors") != ERROR_SUCCESS) return monitors;
  for (const std::string& name : key.SubkeyNames()) {
    std::string library;
    if (LoadMonitor(name, &library) == ERROR_SUCCESS) monitors.emplace_back(name, library);
  }
  return monitors;
}

std::vector<PortRecord> Ports() {
  std::vector<PortRecord> ports;
  RegKey key = OpenPortsKey();
  if (key.get() == nullptr) return ports;
  for (auto& [name, settings] : key.StringValues()) ports.push_back({name, settings});
  return ports;
}

bool PortExists(const std::string& name) {
  for (const PortRecord& p : Ports())
    if (SameName(p.name, name)) return true;
  return false;
}

DWORD SavePort(const PortRecord& port) {
  RegKey key = OpenPortsKey();
  if (key.get() == nullptr) return ERROR_REGISTRY_IO_FAILED;
  return static_cast<DWORD>(key.WriteString(port.name.c_str(), port.settings));
}

DWORD RemovePort(const std::string& name) {
  RegKey key = OpenPortsKey();
  if (key.get() == nullptr) return ERROR_REGISTRY_IO_FAILED;
  return RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS ? ERROR_SUCCESS
                                                                   : ERROR_UNKNOWN_PORT;
}

bool LookupPortSettings(const std::string& name, std::string* settings) {
  settings->clear();
  for (const PortRecord& p : Ports()) {
    if (SameName(p.name, name)) {
      *settings = p.settings;
      return true;
    }
  }
  return false;
}

}  // namespace trv::spooler
