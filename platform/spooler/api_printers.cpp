// Printers: open, close, add, delete, get and set their information, enumerate.
#include <algorithm>

#include "platform/spooler/api_common.h"
#include "platform/spooler/job_store.h"
#include "platform/spooler/port_store.h"
#include "platform/spooler/print_store.h"
#include "platform/spooler/reg.h"
#include "platform/spooler/spooler_state.h"

namespace trv::spooler {
namespace {

// PRINTER_INFO_1's flags for a local printer, as Windows reports them.
constexpr DWORD kPrinterEnumIcon8 = 0x00800000;

bool ValidPrinterName(const std::string& name) {
  return !name.empty() && name.size() < 221 && name.find_first_of("\\,") == std::string::npos;
}

// The stored name of an installed printer, matched without regard to case.
bool FindPrinter(const std::string& name, std::string* stored) {
  for (const std::string& n : PrinterNames()) {
    if (SameName(n, name)) {
      *stored = n;
      return true;
    }
  }
  return false;
}

template <typename Char>
void FillInfo1(Packer<Char>& p, typename Spool<Char>::PrinterInfo1* out, const PrinterRecord& r) {
  out->Flags = kPrinterEnumIcon8;
  out->pDescription = p.Text(r.name + "," + r.driverName + "," + r.location);
  out->pName = p.Text(r.name);
  out->pComment = p.Text(r.comment);
}

template <typename Char>
void FillInfo2(Packer<Char>& p, typename Spool<Char>::PrinterInfo2* out, const PrinterRecord& r) {
  using Devmode = typename Spool<Char>::Devmode;
  out->pServerName = nullptr;
  out->pPrinterName = p.Text(r.name);
  out->pShareName = p.Text(r.shareName);
  out->pPortName = p.Text(r.portName);
  out->pDriverName = p.Text(r.driverName);
  out->pComment = p.Text(r.comment);
  out->pLocation = p.Text(r.location);
  std::vector<BYTE> devmode = DevmodeFor(r.devmode, Char{});
  out->pDevMode =
      devmode.empty() ? nullptr : static_cast<Devmode*>(p.Bytes(devmode.data(), devmode.size()));
  out->pSepFile = p.Text(r.sepFile);
  out->pPrintProcessor = p.Text(r.printProcessor);
  out->pDatatype = p.Text(r.datatype);
  out->pParameters = p.Text(r.parameters);
  out->pSecurityDescriptor = nullptr;
  out->Attributes = r.attributes;
  out->Priority = r.priority;
  out->DefaultPriority = r.defaultPriority;
  out->StartTime = r.startTime;
  out->UntilTime = r.untilTime;
  out->Status = r.status;
  out->cJobs = static_cast<DWORD>(Jobs(r.name).size());
  out->AveragePPM = 0;
}

template <typename Char>
std::size_t InfoSize(DWORD level) {
  return level == 1 ? sizeof(typename Spool<Char>::PrinterInfo1)
                    : sizeof(typename Spool<Char>::PrinterInfo2);
}

template <typename Char>
BOOL PackPrinters(const std::vector<PrinterRecord>& printers, DWORD level, LPBYTE buffer,
                  DWORD size, LPDWORD needed) {
  return PackInto<Char>(
      buffer, size, printers.size() * InfoSize<Char>(level), needed,
      [&](Packer<Char>& p, BYTE* base) {
        for (std::size_t i = 0; i < printers.size(); ++i) {
          if (level == 1)
            FillInfo1(p, reinterpret_cast<typename Spool<Char>::PrinterInfo1*>(base) + i,
                      printers[i]);
          else
            FillInfo2(p, reinterpret_cast<typename Spool<Char>::PrinterInfo2*>(base) + i,
                      printers[i]);
        }
      });
}

// Takes the fields of a level-2 description into a record.
template <typename Char>
DWORD TakeInfo2(const typename Spool<Char>::PrinterInfo2& in, PrinterRecord* r) {
  r->name = In(in.pPrinterName);
  r->shareName = In(in.pShareName);
  r->portName = In(in.pPortName);
  r->driverName = In(in.pDriverName);
  r->comment = In(in.pComment);
  r->location = In(in.pLocation);
  r->sepFile = In(in.pSepFile);
  r->printProcessor = In(in.pPrintProcessor);
  r->datatype = In(in.pDatatype);
  r->parameters = In(in.pParameters);
  r->attributes = in.Attributes | PRINTER_ATTRIBUTE_LOCAL;
  r->priority = in.Priority;
  r->defaultPriority = in.DefaultPriority;
  r->startTime = in.StartTime;
  r->untilTime = in.UntilTime;
  if (in.pDevMode != nullptr) {
    r->devmode = DevmodeBytes(in.pDevMode);
    if (r->devmode.empty()) return ERROR_INVALID_PARAMETER;
  }
  if (!PortExists(r->portName)) return ERROR_UNKNOWN_PORT;
  DriverRecord driver;
  if (LoadDriver(CurrentEnvironment(), r->driverName, &driver) != ERROR_SUCCESS)
    return ERROR_UNKNOWN_PRINTER_DRIVER;
  return ERROR_SUCCESS;
}

template <typename Char>
BOOL OpenPrinterT(Char* name, HANDLE* printer, typename Spool<Char>::Defaults*) {
  if (printer == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *printer = nullptr;
  std::string stored;
  if (name == nullptr || !FindPrinter(In(name), &stored)) return Fail(ERROR_INVALID_PRINTER_NAME);
  HANDLE h = AddPrinterHandle(stored);
  if (h == nullptr) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  *printer = h;
  return TRUE;
}

template <typename Char>
HANDLE AddPrinterT(Char* server, DWORD level, LPBYTE info) {
  if (!IsLocalServer(server)) return SetLastError(ERROR_INVALID_NAME), nullptr;
  if (level != 2) return SetLastError(ERROR_INVALID_LEVEL), nullptr;
  if (info == nullptr) return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
  PrinterRecord r;
  const auto& in = *reinterpret_cast<const typename Spool<Char>::PrinterInfo2*>(info);
  std::string existing;
  if (!ValidPrinterName(In(in.pPrinterName)))
    return SetLastError(ERROR_INVALID_PRINTER_NAME), nullptr;
  if (FindPrinter(In(in.pPrinterName), &existing))
    return SetLastError(ERROR_PRINTER_ALREADY_EXISTS), nullptr;
  if (DWORD e = TakeInfo2<Char>(in, &r)) return SetLastError(e), nullptr;
  if (DWORD e = SavePrinter(r)) return SetLastError(e), nullptr;
  HANDLE h = AddPrinterHandle(r.name);
  if (h == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return h;
}

template <typename Char>
BOOL GetPrinterT(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  auto handle = FindPrinterHandle(printer);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (level != 1 && level != 2) return Fail(ERROR_INVALID_LEVEL);
  if (needed == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  PrinterRecord r;
  if (DWORD e = LoadPrinter(handle->printer(), &r)) return Fail(e);
  return PackPrinters<Char>({r}, level, buffer, size, needed);
}

template <typename Char>
BOOL SetPrinterT(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
  auto handle = FindPrinterHandle(printer);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  if (info == nullptr || command != 0) return Fail(ERROR_INVALID_PARAMETER);
  PrinterRecord current;
  if (DWORD e = LoadPrinter(handle->printer(), &current)) return Fail(e);
  const auto& in = *reinterpret_cast<const typename Spool<Char>::PrinterInfo2*>(info);
  PrinterRecord r;
  if (DWORD e = TakeInfo2<Char>(in, &r)) return Fail(e);
  // Renaming would move the printer's key and its data; it is not offered.
  if (!SameName(r.name, current.name)) return Fail(ERROR_INVALID_PRINTER_NAME);
  r.name = current.name;
  if (in.pDevMode == nullptr) r.devmode = current.devmode;
  r.status = current.status;
  return Result(SavePrinter(r));
}

template <typename Char>
BOOL EnumPrintersT(DWORD flags, Char* name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                   LPDWORD returned) {
  if (needed == nullptr || returned == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *returned = 0;
  if (level != 1 && level != 2) return Fail(ERROR_INVALID_LEVEL);
  std::vector<PrinterRecord> printers;
  const bool local = (flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_DEFAULT)) != 0 ||
                     ((flags & PRINTER_ENUM_NAME) != 0 && IsLocalServer(name));
  if (local) {
    for (const std::string& n : PrinterNames()) {
      PrinterRecord r;
      if (LoadPrinter(n, &r) == ERROR_SUCCESS) printers.push_back(std::move(r));
    }
    if ((flags & PRINTER_ENUM_DEFAULT) != 0 && printers.size() > 1) printers.resize(1);
  }
  if (!PackPrinters<Char>(printers, level, buffer, size, needed)) {
    // Nothing to return fits any buffer, a null one too.
    if (printers.empty()) return TRUE;
    return FALSE;
  }
  *returned = static_cast<DWORD>(printers.size());
  return TRUE;
}

}  // namespace
}  // namespace trv::spooler

using namespace trv::spooler;

TRVAPI BOOL WINAPI OpenPrinterA(LPSTR name, HANDLE* printer, LPPRINTER_DEFAULTSA defaults) {
  return Guarded([&]() -> BOOL { return OpenPrinterT<char>(name, printer, defaults); });
}
TRVAPI BOOL WINAPI OpenPrinterW(LPWSTR name, HANDLE* printer, LPPRINTER_DEFAULTSW defaults) {
  return Guarded([&]() -> BOOL { return OpenPrinterT<WCHAR>(name, printer, defaults); });
}

TRVAPI BOOL WINAPI ClosePrinter(HANDLE printer) {
  return Guarded([&]() -> BOOL {
    auto handle = FindPrinterHandle(printer);
    if (!handle || !trv::kernel::RemoveHandle(printer)) return Fail(ERROR_INVALID_HANDLE);
    // The bytes of an unfinished document are printed; a failure stays with the job.
    handle->Close();
    return TRUE;
  });
}

TRVAPI HANDLE WINAPI AddPrinterA(LPSTR server, DWORD level, LPBYTE info) {
  return Guarded([&]() -> HANDLE { return AddPrinterT<char>(server, level, info); });
}
TRVAPI HANDLE WINAPI AddPrinterW(LPWSTR server, DWORD level, LPBYTE info) {
  return Guarded([&]() -> HANDLE { return AddPrinterT<WCHAR>(server, level, info); });
}

TRVAPI BOOL WINAPI DeletePrinter(HANDLE printer) {
  return Guarded([&]() -> BOOL {
    auto handle = FindPrinterHandle(printer);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    // Kept jobs belong to the user: they are deleted or resubmitted first.
    if (!Jobs(handle->printer()).empty()) return Fail(ERROR_PRINTER_HAS_JOBS_QUEUED);
    return Result(RemovePrinter(handle->printer()));
  });
}

TRVAPI BOOL WINAPI GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed) {
  return Guarded([&]() -> BOOL { return GetPrinterT<char>(printer, level, buffer, size, needed); });
}
TRVAPI BOOL WINAPI GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed) {
  return Guarded(
      [&]() -> BOOL { return GetPrinterT<WCHAR>(printer, level, buffer, size, needed); });
}

TRVAPI BOOL WINAPI SetPrinterA(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
  return Guarded([&]() -> BOOL { return SetPrinterT<char>(printer, level, info, command); });
}
TRVAPI BOOL WINAPI SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
  return Guarded([&]() -> BOOL { return SetPrinterT<WCHAR>(printer, level, info, command); });
}

TRVAPI BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return Guarded([&]() -> BOOL {
    return EnumPrintersT<char>(flags, name, level, buffer, size, needed, returned);
  });
}
TRVAPI BOOL WINAPI EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  return Guarded([&]() -> BOOL {
    return EnumPrintersT<WCHAR>(flags, name, level, buffer, size, needed, returned);
  });
}
