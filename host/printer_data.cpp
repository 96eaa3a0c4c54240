#include "host/printer_data.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "dcl/object/host_interface.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "platform/winerror.h"
#include "platform/winreg.h"
#include "platform/winspool.h"

namespace trv::host {
namespace {

using dcl::CDCLBase;
using dcl::DCLInterface;

using InitializeFn = CDCLBase*(WINAPI*)(const char*, const char*, const char*, const char*, DWORD,
                                        DCLInterface*);
using TerminateFn = BOOL(WINAPI*)(CDCLBase*);

// Closes what it holds on every way out.
struct PrinterHandle {
  HANDLE h = nullptr;
  ~PrinterHandle() {
    if (h != nullptr) ClosePrinter(h);
  }
};
struct Library {
  HMODULE module = nullptr;
  ~Library() {
    if (module != nullptr) FreeLibrary(module);
  }
};
struct DclObject {
  CDCLBase* object = nullptr;
  TerminateFn terminate = nullptr;
  ~DclObject() {
    if (object != nullptr) terminate(object);
  }
};

std::string BaseName(const char* path) {
  if (path == nullptr) return "";
  std::string s = path;
  size_t cut = s.find_last_of("\\/");
  return cut == std::string::npos ? s : s.substr(cut + 1);
}

std::string SystemFile(const std::string& name) {
  char system[MAX_PATH] = "";
  UINT n = GetSystemDirectoryA(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return name;
  return std::string(system) + "\\" + name;
}

// The library file of an installed monitor ("" when none has that name).
std::string MonitorLibrary(const std::string& monitor) {
  DWORD needed = 0, returned = 0;
  EnumMonitorsA(nullptr, 2, nullptr, 0, &needed, &returned);
  if (needed == 0) return "";
  std::vector<BYTE> buffer(needed);
  if (!EnumMonitorsA(nullptr, 2, buffer.data(), needed, &needed, &returned)) return "";
  const auto* monitors = reinterpret_cast<const MONITOR_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < returned; ++i)
    if (monitors[i].pName != nullptr && lstrcmpiA(monitors[i].pName, monitor.c_str()) == 0)
      return monitors[i].pDLLName != nullptr ? monitors[i].pDLLName : "";
  return "";
}

struct DriverFiles {
  std::string dataFile, configFile, monitor;
};

BOOL ReadDriverFiles(HANDLE printer, DriverFiles* out) {
  DWORD needed = 0;
  GetPrinterDriverA(printer, nullptr, 3, nullptr, 0, &needed);
  if (needed == 0) return FALSE;
  std::vector<BYTE> buffer(needed);
  if (!GetPrinterDriverA(printer, nullptr, 3, buffer.data(), needed, &needed)) return FALSE;
  const auto* info = reinterpret_cast<const DRIVER_INFO_3A*>(buffer.data());
  out->dataFile = BaseName(info->pDataFile);
  out->configFile = BaseName(info->pConfigFile);
  out->monitor = info->pMonitorName != nullptr ? info->pMonitorName : "";
  return TRUE;
}

// A list as a list entry point returns it, followed by its entry count.
template <class Query>
BOOL ReadList(Query query, std::vector<BYTE>* value, DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  if (!query(nullptr, 0, &needed, count) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return FALSE;
  // An empty list still has a buffer to be asked with.
  value->assign(needed + sizeof(DWORD), 0);
  if (!query(value->data(), needed, &needed, count)) return FALSE;
  value->resize(needed);
  const DWORD n = *count;
  for (int i = 0; i < 4; ++i) value->push_back(static_cast<BYTE>(n >> (8 * i)));
  return TRUE;
}

template <class Query>
BOOL ReadBlob(Query query, std::vector<BYTE>* value) {
  DWORD needed = 0;
  if (!query(nullptr, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) return FALSE;
  value->assign(needed, 0);
  return query(value->data(), needed, &needed);
}

WORD KeyOfFirst(const std::vector<BYTE>& list, DWORD count) {
  if (count == 0 || list.size() < 6) return 0;
  return static_cast<WORD>(list[4] | (list[5] << 8));
}

}  // namespace

BOOL RefreshPrinterData(const char* printerName, const StoredValueFn& stored) try {
  if (printerName == nullptr || *printerName == 0) return Fail(ERROR_INVALID_PRINTER_NAME);
  PrinterHandle printer;
  std::string name = printerName;
  if (!OpenPrinterA(name.data(), &printer.h, nullptr)) return FALSE;
  DriverFiles files;
  if (!ReadDriverFiles(printer.h, &files)) return FALSE;
  const std::string libraryName = MonitorLibrary(files.monitor);
  if (libraryName.empty()) return Fail(ERROR_NOT_SUPPORTED);

  Library library;
  library.module = LoadLibraryA(SystemFile(libraryName).c_str());
  if (library.module == nullptr) return FALSE;
  auto initialize =
      reinterpret_cast<InitializeFn>(GetProcAddress(library.module, "DCLInitializeV2"));
  auto terminate = reinterpret_cast<TerminateFn>(GetProcAddress(library.module, "DCLTerminateV2"));
  if (initialize == nullptr || terminate == nullptr) return Fail(ERROR_NOT_SUPPORTED);

  DCLInterface table;
  std::memset(&table, 0, sizeof table);
  table.size = dcl::kDclInterfaceSize;
  DclObject dcl{nullptr, terminate};
  dcl.object = initialize(printerName, nullptr, files.dataFile.c_str(),
                          SystemFile("trv_uk.lng").c_str(), 0, &table);
  if (dcl.object == nullptr) return FALSE;
  CDCLBase* o = dcl.object;

  struct Value {
    const char* name;
    std::vector<BYTE> bytes;
    DWORD count = 0;
    bool isList = true;
  };
  std::vector<Value> values;
  auto list = [&](const char* valueName, auto query) {
    Value v{valueName, {}, 0, true};
    if (!ReadList(query, &v.bytes, &v.count)) return false;
    values.push_back(std::move(v));
    return true;
  };
  if (!list("Models", [&](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
        return table.GetModelList(o, b, s, n, c);
      }))
    return FALSE;
  const WORD model = KeyOfFirst(values.back().bytes, values.back().count);
  if (model == 0) return Fail(ERROR_INVALID_DATA);  // a library without its model
  if (!list("Trays", [&](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
        return table.GetTrayList(o, model, b, s, n, c);
      }))
    return FALSE;
  const WORD tray = KeyOfFirst(values.back().bytes, values.back().count);
  if (!list("Papers", [&](BYTE* b, DWORD s, DWORD* n,
                          DWORD* c) { return table.GetPaperList(o, tray, b, s, n, c); }) ||
      !list("Fonts", [&](BYTE* b, DWORD s, DWORD* n,
                         DWORD* c) { return table.GetTextFontList(o, model, b, s, n, c); }) ||
      !list("Barcodes", [&](BYTE* b, DWORD s, DWORD* n,
                            DWORD* c) { return table.GetBarcodeFontList(o, model, b, s, n, c); }) ||
      !list("Options", [&](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
        return table.GetOptionList(o, model, b, s, n, c);
      }))
    return FALSE;
  for (const auto& blob :
       {std::pair{"DocProps", table.GetDocProps}, std::pair{"DevProps", table.GetDevProps}}) {
    const auto get = blob.second;
    Value v{blob.first, {}, 0, false};
    if (!ReadBlob([&](BYTE* b, DWORD s, DWORD* n) { return get(o, model, b, s, n); }, &v.bytes))
      return FALSE;
    values.push_back(std::move(v));
  }

  for (Value& v : values) {
    std::string valueName = v.name;
    DWORD rc = SetPrinterDataA(printer.h, valueName.data(), REG_BINARY, v.bytes.data(),
                               static_cast<DWORD>(v.bytes.size()));
    if (rc != ERROR_SUCCESS) return Fail(rc);
    if (stored) stored({v.name, static_cast<DWORD>(v.bytes.size()), v.count, v.isList});
  }
  std::string configName = "ConfigFile";
  DWORD rc = SetPrinterDataA(printer.h, configName.data(), REG_SZ,
                             reinterpret_cast<LPBYTE>(files.configFile.data()),
                             static_cast<DWORD>(files.configFile.size() + 1));
  if (rc != ERROR_SUCCESS) return Fail(rc);
  return StoreDefaultDevmode(printerName);
} catch (const std::bad_alloc&) {
  return Fail(ERROR_NOT_ENOUGH_MEMORY);
}

}  // namespace trv::host
