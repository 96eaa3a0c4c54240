#include "platform/spooler/despool.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/kernel.h"
#include "platform/last_error.h"
#include "platform/spooler/job_store.h"
#include "platform/spooler/monitor_text.h"
#include "platform/spooler/print_store.h"
#include "platform/spooler/reg.h"
#include "platform/spooler/spooler_state.h"
#include "platform/spooler_stand_in.h"
#include "platform/stand_in.h"
#include "platform/winspool.h"

namespace trv::spooler {
namespace {

constexpr DWORD kDefaultBufferSize = 4096;
constexpr DWORD kMaxBufferSize = 16u << 20;
std::atomic<DWORD> bufferOverride{0};

DWORD Clamp(DWORD bytes) { return std::clamp<DWORD>(bytes, 1, kMaxBufferSize); }

// A failing monitor call that left no error still failed.
DWORD FailureCode() { return LastErrorOr(ERROR_GEN_FAILURE); }

// The document description handed to StartDocPort, in the monitor interface's
// character set.
class DocInfo {
 public:
  explicit DocInfo(const JobRecord& job)
      : document_(job.document),
        output_(job.outputFile),
        datatype_(job.datatype.empty() ? "RAW" : job.datatype) {}
  LPBYTE get() {
    if (trv::IsWindowsNT()) {
      wide_ = {document_.get(), output_.empty() ? nullptr : outputText_.get(), datatype_.get()};
      return reinterpret_cast<LPBYTE>(&wide_);
    }
    ansi_ = {reinterpret_cast<LPSTR>(document_.get()),
             output_.empty() ? nullptr : reinterpret_cast<LPSTR>(outputText_.get()),
             reinterpret_cast<LPSTR>(datatype_.get())};
    return reinterpret_cast<LPBYTE>(&ansi_);
  }

 private:
  MonitorText document_;
  std::string output_;
  MonitorText outputText_{output_};
  MonitorText datatype_;
  DOC_INFO_1W wide_{};
  DOC_INFO_1A ansi_{};
};

// Hands the bytes to WritePort in buffers of the set size. A monitor may take fewer
// bytes than offered; taking none twice in a row means it cannot go on.
DWORD WriteAll(MONITOR* m, HANDLE port, const std::vector<BYTE>& data) {
  const DWORD chunk = DespoolBufferSize();
  std::vector<BYTE> buffer;
  std::size_t at = 0;
  int idle = 0;
  while (at < data.size()) {
    DWORD n = static_cast<DWORD>(std::min<std::size_t>(chunk, data.size() - at));
    // The monitor gets its own copy: WritePort's buffer is not const.
    buffer.assign(data.begin() + static_cast<std::ptrdiff_t>(at),
                  data.begin() + static_cast<std::ptrdiff_t>(at + n));
    DWORD written = 0;
    SetLastError(ERROR_SUCCESS);
    if (!m->pfnWritePort(port, buffer.data(), n, &written)) return FailureCode();
    if (written == 0) {
      if (++idle >= 2) return ERROR_WRITE_FAULT;
      continue;
    }
    idle = 0;
    at += std::min(written, n);
  }
  return ERROR_SUCCESS;
}

DWORD SendJob(const JobRecord& job) {
  PrinterRecord printer;
  if (DWORD e = LoadPrinter(job.printer, &printer)) return e;
  DriverRecord driver;
  if (DWORD e = LoadDriver(CurrentEnvironment(), printer.driverName, &driver)) return e;
  std::vector<BYTE> data;
  if (DWORD e = ReadJobData(job.id, &data)) return e;

  MONITOR* portMonitor = trv::LocalPortMonitor();
  MONITOR* monitor = portMonitor;
  if (!driver.monitorName.empty())
    if (DWORD e = LoadLanguageMonitor(driver.monitorName, &monitor)) return e;

  MonitorText portName(printer.portName), printerName(printer.name);
  HANDLE port = nullptr;
  SetLastError(ERROR_SUCCESS);
  if (monitor != portMonitor) {
    if (monitor->pfnOpenPortEx == nullptr) return ERROR_INVALID_FUNCTION;
    if (!monitor->pfnOpenPortEx(portName.get(), printerName.get(), &port, portMonitor))
      return FailureCode();
  } else if (!monitor->pfnOpenPort(portName.get(), &port)) {
    return FailureCode();
  }
  DocInfo info(job);
  DWORD error = ERROR_SUCCESS;
  SetLastError(ERROR_SUCCESS);
  if (!monitor->pfnStartDocPort(port, printerName.get(), job.id, 1, info.get())) {
    error = FailureCode();
  } else {
    error = WriteAll(monitor, port, data);
    SetLastError(ERROR_SUCCESS);
    if (!monitor->pfnEndDocPort(port) && error == ERROR_SUCCESS) error = FailureCode();
  }
  monitor->pfnClosePort(port);
  return error;
}

}  // namespace

DWORD DespoolJob(DWORD jobId) {
  JobRecord job;
  if (DWORD e = LoadJob(jobId, &job)) return e;
  BeginActiveJob(jobId);
  job.status = JOB_STATUS_PRINTING;
  job.error = ERROR_SUCCESS;
  SaveJob(job);
  DWORD error;
  try {
    error = SendJob(job);
  } catch (const std::bad_alloc&) {
    error = ERROR_NOT_ENOUGH_MEMORY;
  }
  bool deleteRequested = EndActiveJob(jobId);
  if (deleteRequested || error == ERROR_SUCCESS) {
    DeleteJob(jobId);
    return ERROR_SUCCESS;
  }
  job.status = JOB_STATUS_ERROR;
  job.error = error;
  if (DWORD e = SaveJob(job)) return e;
  return error;
}

}  // namespace trv::spooler

namespace trv {

void SetDespoolBufferSize(DWORD bytes) {
  spooler::bufferOverride = bytes == 0 ? 0 : spooler::Clamp(bytes);
}

DWORD DespoolBufferSize() {
  if (DWORD o = spooler::bufferOverride) return o;
  spooler::RegKey key;
  DWORD value = 0;
  if (key.Open(spooler::kPrintKey) == ERROR_SUCCESS && key.ReadDword("DespoolBufferSize", &value))
    return spooler::Clamp(value);
  return spooler::kDefaultBufferSize;
}

}  // namespace trv
