#include "platform/spooler/print_store.h"
#include "platform/spooler/reg.h"

namespace trv::spooler {

std::string PrinterKeyPath(const std::string& printer) {
  return std::string(kPrintKey) + "\\Printers\\" + printer;
}

std::string PrinterDataKeyPath(const std::string& printer) {
  return PrinterKeyPath(printer) + "\\PrinterDriverData";
}

DWORD LoadPrinter(const std::string& name, PrinterRecord* out) {
  RegKey key;
  if (name.empty() || name.find('\\') != std::string::npos ||
      key.Open(PrinterKeyPath(name)) != ERROR_SUCCESS)
    return ERROR_INVALID_PRINTER_NAME;
  PrinterRecord p;
  if (!key.ReadString("Name", &p.name)) p.name = name;
  key.ReadString("Share Name", &p.shareName);
  key.ReadString("Port", &p.portName);
  key.ReadString("Printer Driver", &p.driverName);
  key.ReadString("Description", &p.comment);
  key.ReadString("Location", &p.location);
  key.ReadString("Separator File", &p.sepFile);
  key.ReadString("Print Processor", &p.printProcessor);
  key.ReadString("Datatype", &p.datatype);
  key.ReadString("Parameters", &p.parameters);
  key.ReadDword("Attributes", &p.attributes);
  key.ReadDword("Priority", &p.priority);
  key.ReadDword("Default Priority", &p.defaultPriority);
  key.ReadDword("StartTime", &p.startTime);
  key.ReadDword("UntilTime", &p.untilTime);
  key.ReadDword("Status", &p.status);
  key.ReadBinary("Default DevMode", &p.devmode);
  *out = std::move(p);
  return ERROR_SUCCESS;
}

DWORD SavePrinter(const PrinterRecord& p) {
  RegKey key;
  if (LONG r = key.Create(PrinterKeyPath(p.name))) return static_cast<DWORD>(r);
  RegKey data;
  if (LONG r = data.Create(PrinterDataKeyPath(p.name))) return static_cast<DWORD>(r);
  const std::pair<const char*, const std::string*> texts[] = {
      {"Name", &p.name},
      {"Share Name", &p.shareName},
      {"Port", &p.portName},
      {"Printer Driver", &p.driverName},
      {"Description", &p.comment},
      {"Location", &p.location},
      {"Separator File", &p.sepFile},
      {"Print Processor", &p.printProcessor},
      {"Datatype", &p.datatype},
      {"Parameters", &p.parameters}};
  for (const auto& [name, value] : texts)
    if (LONG r = key.WriteString(name, *value)) return static_cast<DWORD>(r);
  const std::pair<const char*, DWORD> numbers[] = {{"Attributes", p.attributes},
                                                   {"Priority", p.priority},
                                                   {"Default Priority", p.defaultPriority},
                                                   {"StartTime", p.startTime},
                                                   {"UntilTime", p.untilTime},
                                                   {"Status", p.status}};
  for (const auto& [name, value] : numbers)
    if (LONG r = key.WriteDword(name, value)) return static_cast<DWORD>(r);
  if (p.devmode.empty()) {
    RegDeleteValueA(key.get(), "Default DevMode");
  } else if (LONG r = key.WriteBinary("Default DevMode", p.devmode)) {
    return static_cast<DWORD>(r);
  }
  return ERROR_SUCCESS;
}

DWORD RemovePrinter(const std::string& name) {
  LONG r = DeleteKeyTree(PrinterKeyPath(name));
  return r == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_INVALID_PRINTER_NAME;
}

std::vector<std::string> PrinterNames() {
  RegKey key;
  if (key.Open(std::string(kPrintKey) + "\\Printers") != ERROR_SUCCESS) return {};
  return key.SubkeyNames();
}

}  // namespace trv::spooler
