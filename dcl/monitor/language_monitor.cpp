#include "dcl/monitor/language_monitor.h"

#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <vector>

#include "dcl/object/dcl_base.h"
#include "dcl/object/host_interface.h"
#include "dcl/trace.h"
#include "dcl/windows_version.h"
#include "platform/last_error.h"
#include "platform/winspool.h"

namespace trv::dcl {
namespace {

// The process-wide lock around opening and closing ports, and the set of live port
// contexts: a handle is looked up here before anything of it is read, so a stale or
// foreign handle is refused instead of being read as memory.
struct Ports {
  CRITICAL_SECTION lock;
  std::set<PortContext*> live;
  Ports() { InitializeCriticalSection(&lock); }
  ~Ports() { DeleteCriticalSection(&lock); }
};

Ports& ports() {
  // Lives as long as the library, which the spooler keeps loaded while ports are open.
  static Ports p;
  return p;
}

class Guard {
 public:
  explicit Guard(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
  ~Guard() { LeaveCriticalSection(cs_); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  CRITICAL_SECTION* cs_;
};

PortContext* ContextOf(HANDLE handle) {
  auto* context = static_cast<PortContext*>(handle);
  Guard guard(&ports().lock);
  if (ports().live.count(context) == 0 || context->size != kPortContextSize) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return context;
}

bool HasName(const PortContext& c) {
  return IsWindowsNT() ? !c.wideName.empty() : !c.ansiName.empty();
}

LPWSTR NameOf(PortContext& c) {
  return IsWindowsNT() ? c.wideName.data() : reinterpret_cast<LPWSTR>(c.ansiName.data());
}

// The file name and extension of the driver's data file, from its level-3 information.
std::string DriverDataFile(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterDriverA(printer, nullptr, 3, nullptr, 0, &needed);
  if (needed == 0) return "";
  std::vector<BYTE> buffer(needed);
  if (!GetPrinterDriverA(printer, nullptr, 3, buffer.data(), needed, &needed)) return "";
  const auto* info = reinterpret_cast<const DRIVER_INFO_3A*>(buffer.data());
  std::string path = info->pDataFile != nullptr ? info->pDataFile : "";
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string LanguageFilePath() {
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, MAX_PATH);
  return std::string(system) + "\\trv_uk.lng";
}

// The records of a job go to the job's DCL object.
class ObjectSink : public spool::RecordSink {
 public:
  explicit ObjectSink(CDCLBase& o) : o_(o) {}
  BOOL ProcessRecord(std::span<BYTE> record) override { return o_.ProcessRecord(record); }

 private:
  CDCLBase& o_;
};

// Bytes that are not records go to the printer through the object's port output.
class ObjectOutput : public spool::PortOutput {
 public:
  explicit ObjectOutput(CDCLBase& o) : o_(o) {}
  BOOL WriteRaw(std::span<const BYTE> bytes) override {
    return o_.WriteToPort(&o_.Port(), bytes.data(), static_cast<DWORD>(bytes.size()), 0);
  }

 private:
  CDCLBase& o_;
};

void DeleteJob(PortContext& c) {
  if (IsWindowsNT() && c.printer != nullptr)
    SetJobW(c.printer, c.jobId, 0, nullptr, JOB_CONTROL_DELETE);
}

// Everything a job holds, released whatever state it ended in.
// Ends the job's object and its device port. FALSE, with the port's error as the
// last error, when ending the document on the port failed.
BOOL EndJob(PortContext& c) {
  BOOL closed = TRUE;
  DWORD error = ERROR_SUCCESS;
  if (c.object) {
    if (c.object->Port().IsOpen() && !c.object->CloseDevicePort(&c.object->Port())) {
      closed = FALSE;
      error = GetLastError();
    }
    c.object->Terminate();
    c.object.reset();
  }
  c.reader.record.Free();
  c.reader.pending.Free();
  c.reader.state = spool::ReaderState::Idle;
  c.reader.collected = 0;
  c.reader.transferValue = 0;
  c.reader.flags = 0;
  if (!closed) SetLastError(error);
  return closed;
}

}  // namespace

PortContext::PortContext() : size(kPortContextSize) { InitializeCriticalSection(&lock); }
PortContext::~PortContext() {
  size = 0;
  DeleteCriticalSection(&lock);
}

BOOL WINAPI MonitorOpenPortEx(LPWSTR portName, LPWSTR, HANDLE* handle, MONITOR* portMonitor) {
  Guard guard(&ports().lock);
  if (portName == nullptr || handle == nullptr || portMonitor == nullptr)
    return Fail(ERROR_INVALID_PARAMETER);
  try {
    auto context = std::make_unique<PortContext>();
    if (IsWindowsNT())
      context->wideName = portName;
    else
      context->ansiName = reinterpret_cast<const char*>(portName);
    context->portMonitor = portMonitor;
    ports().live.insert(context.get());
    *handle = context.release();
    return TRUE;
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL WINAPI MonitorStartDocPort(HANDLE handle, LPWSTR printerName, DWORD jobId, DWORD level,
                                LPBYTE docInfo) {
  PortContext* c = ContextOf(handle);
  if (c == nullptr) return FALSE;
  Guard guard(&c->lock);
  std::unique_ptr<CDCLBase> object;
  try {
    object.reset(CreateDclObject());
  } catch (const std::bad_alloc&) {
  }
  if (!object) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  if (!CDCLBase::IsValid(object.get())) return Fail(ERROR_INVALID_PARAMETER);
  if (!HasName(*c)) return Fail(ERROR_INVALID_NAME);
  if (c->reader.flags & spool::PORT_DOCUMENT_STARTED) return Fail(ERROR_INVALID_FUNCTION);
  std::string printer = AnsiOfSpoolerText(printerName);
  HANDLE printerHandle = nullptr;
  if (!OpenPrinterA(printer.data(), &printerHandle, nullptr)) return FALSE;

  PortAccessTable table{};
  table.size = kPortAccessTableSize;
  table.marker = 0xFFFF;
  table.name = "SPOOLER Internal Monitor";
  table.openPort = c->portMonitor->pfnOpenPort;
  table.writePort = c->portMonitor->pfnWritePort;
  table.readPort = c->portMonitor->pfnReadPort;
  table.closePort = c->portMonitor->pfnClosePort;
  table.startDocPort = c->portMonitor->pfnStartDocPort;
  table.endDocPort = c->portMonitor->pfnEndDocPort;

  std::string dataFile = DriverDataFile(printerHandle);
  std::string languageFile = LanguageFilePath();
  object->SetHostStrings(printer.c_str(), nullptr, dataFile.c_str(), languageFile.c_str());
  // A configuration that does not load leaves an object that still passes printer
  // commands through; the records that need it fail on their own.
  object->Terminate();
  if (!object->Initialize()) Trace("StartDocPort,configuration not loaded,%u\n", GetLastError());
  if (!object->OpenDevicePort(&object->Port(), NameOf(*c), &table, GetDesktopWindow(), printerName,
                              jobId, level, docInfo)) {
    KeepLastError keep;
    ClosePrinter(printerHandle);
    return FALSE;
  }
  c->object = std::move(object);
  c->printer = printerHandle;
  c->jobId = jobId;
  c->reader.flags |= spool::PORT_DOCUMENT_STARTED;
  return TRUE;
}

BOOL WINAPI MonitorWritePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written) {
  PortContext* c = ContextOf(handle);
  if (c == nullptr) return FALSE;
  Guard guard(&c->lock);
  if (buffer == nullptr || written == nullptr ||
      !(c->reader.flags & spool::PORT_DOCUMENT_STARTED)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  *written = 0;
  bool discarding = (c->reader.flags & spool::PORT_DISCARD) != 0;
  if (size == 0) {
    if (discarding) DeleteJob(*c);
    return TRUE;
  }
  if (discarding) {
    DeleteJob(*c);
    *written = size;
    return TRUE;
  }
  ObjectSink sink(*c->object);
  ObjectOutput output(*c->object);
  DWORD taken = 0;
  BOOL ok = spool::FeedPort(c->reader, sink, output, std::span<BYTE>(buffer, size), taken);
  *written = taken;
  return ok;
}

BOOL WINAPI MonitorReadPort(HANDLE handle, LPBYTE, DWORD, LPDWORD) {
  if (ContextOf(handle) == nullptr) return FALSE;
  return Fail(ERROR_INVALID_FUNCTION);
}

BOOL WINAPI MonitorEndDocPort(HANDLE handle) {
  PortContext* c = ContextOf(handle);
  if (c == nullptr) return FALSE;
  Guard guard(&c->lock);
  if (!(c->reader.flags & spool::PORT_DOCUMENT_STARTED)) return TRUE;
  ObjectSink sink(*c->object);
  ObjectOutput output(*c->object);
  if (c->reader.state != spool::ReaderState::Idle) spool::FlushPartialRecord(c->reader, output);
  if (c->reader.flags & spool::PORT_DISCARD) spool::CloseOpenScopes(c->reader, sink);
  c->reader.pending.Free();
  if (IsWindowsNT()) SetJobW(c->printer, c->jobId, 0, nullptr, JOB_CONTROL_SENT_TO_PRINTER);
  ClosePrinter(c->printer);
  c->printer = nullptr;
  // A printer that resets the connection as the job ends did not take it: the
  // failure reaches the spooler, which keeps the job to be sent again, rather
  // than a success that would delete a job the printer never printed. A job the
  // user cancelled is deleted whatever the port says.
  const bool discarding = (c->reader.flags & spool::PORT_DISCARD) != 0;
  if (!EndJob(*c) && !discarding) return FALSE;
  return TRUE;
}

BOOL WINAPI MonitorClosePort(HANDLE handle) {
  Guard guard(&ports().lock);
  PortContext* c = ContextOf(handle);
  if (c == nullptr) return FALSE;
  {
    Guard portGuard(&c->lock);
    // A port closed in the middle of a job still releases the job's printer and object.
    if (c->printer != nullptr) ClosePrinter(c->printer);
    c->printer = nullptr;
    EndJob(*c);
  }
  ports().live.erase(c);
  delete c;
  return TRUE;
}

}  // namespace trv::dcl

extern "C" TRV_EXPORT BOOL WINAPI InitializeMonitorEx(LPWSTR, MONITOR* table) {
  if (table == nullptr) return trv::Fail(ERROR_INVALID_PARAMETER);
  std::memset(static_cast<void*>(table), 0, sizeof *table);
  table->pfnOpenPortEx = trv::dcl::MonitorOpenPortEx;
  table->pfnStartDocPort = trv::dcl::MonitorStartDocPort;
  table->pfnWritePort = trv::dcl::MonitorWritePort;
  table->pfnReadPort = trv::dcl::MonitorReadPort;
  table->pfnEndDocPort = trv::dcl::MonitorEndDocPort;
  table->pfnClosePort = trv::dcl::MonitorClosePort;
  return TRUE;
}
