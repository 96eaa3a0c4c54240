// Documents and jobs: spooling with StartDocPrinter / WritePrinter / EndDocPrinter,
// despooling at the end of the document, job control and enumeration.
#include <cstdio>

#include "platform/kernel/listeners.h"
#include "platform/spooler/api_common.h"
#include "platform/spooler/despool.h"
#include "platform/spooler/job_store.h"
#include "platform/spooler/print_store.h"
#include "platform/spooler/reg.h"
#include "platform/spooler/spooler_state.h"
#include "platform/spooler_stand_in.h"

namespace trv::spooler {
namespace {

kernel::Listeners<DWORD, const BYTE*, DWORD>& jobDataListeners() {
  static auto* l = new kernel::Listeners<DWORD, const BYTE*, DWORD>;
  return *l;
}

template <typename Char>
DWORD StartDocT(HANDLE printer, DWORD level, LPBYTE docInfo) {
  auto handle = FindPrinterHandle(printer);
  if (!handle) return SetLastError(ERROR_INVALID_HANDLE), 0;
  if (level != 1) return SetLastError(ERROR_INVALID_LEVEL), 0;
  if (docInfo == nullptr) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  if (handle->job != 0) return SetLastError(ERROR_INVALID_PRINTER_STATE), 0;
  const auto& in = *reinterpret_cast<const typename Spool<Char>::DocInfo1*>(docInfo);
  PrinterRecord p;
  if (DWORD e = LoadPrinter(handle->printer(), &p)) return SetLastError(e), 0;
  JobRecord job;
  job.printer = p.name;
  job.document = In(in.pDocName);
  job.outputFile = In(in.pOutputFile);
  job.datatype = In(in.pDatatype);
  if (job.datatype.empty()) job.datatype = p.datatype.empty() ? "RAW" : p.datatype;
  // Jobs go to the printer as they are: only raw data is understood.
  if (!SameName(job.datatype, "RAW")) return SetLastError(ERROR_INVALID_DATATYPE), 0;
  job.status = JOB_STATUS_SPOOLING;
  if (DWORD e = CreateJob(&job)) return SetLastError(e), 0;
  BeginActiveJob(job.id);
  handle->job = job.id;
  return job.id;
}

std::shared_ptr<PrinterHandle> HandleWithDocument(HANDLE printer, DWORD* error) {
  auto handle = FindPrinterHandle(printer);
  *error = !handle            ? ERROR_INVALID_HANDLE
           : handle->job == 0 ? ERROR_SPL_NO_STARTDOC
                              : ERROR_SUCCESS;
  return *error == ERROR_SUCCESS ? handle : nullptr;
}

DWORD ControlJob(const std::string& printer, DWORD id, DWORD command) {
  JobRecord job;
  if (LoadJob(id, &job) != ERROR_SUCCESS || !SameName(job.printer, printer))
    return ERROR_INVALID_PARAMETER;
  switch (command) {
    case 0:
    case JOB_CONTROL_SENT_TO_PRINTER:
    case JOB_CONTROL_LAST_PAGE_EJECTED:
      // A job that reached the printer is removed when despooling ends.
      return ERROR_SUCCESS;
    case JOB_CONTROL_CANCEL:
    case JOB_CONTROL_DELETE:
      if (RequestActiveJobDelete(id)) return ERROR_SUCCESS;
      return DeleteJob(id);
    case JOB_CONTROL_RESTART:
      // A job that is being spooled (here or by another process) has no complete
      // bytes to send again yet; one printing here is busy. A job left "printing"
      // by a process that ended may be sent again.
      if (IsActiveJob(id) || (job.status & JOB_STATUS_SPOOLING) != 0)
        return ERROR_INVALID_PRINTER_STATE;
      return DespoolJob(id);
    case JOB_CONTROL_PAUSE:
    case JOB_CONTROL_RESUME:
      if (command == JOB_CONTROL_PAUSE)
        job.status |= JOB_STATUS_PAUSED;
      else
        job.status &= ~static_cast<DWORD>(JOB_STATUS_PAUSED);
      return SaveJob(job);
    default: return ERROR_INVALID_PARAMETER;
  }
}

void ParseTime(const std::string& text, SYSTEMTIME* t) {
  unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  *t = SYSTEMTIME{};
  if (std::sscanf(text.c_str(), "%u-%u-%u %u:%u:%u", &y, &mo, &d, &h, &mi, &s) == 6) {
    t->wYear = static_cast<WORD>(y);
    t->wMonth = static_cast<WORD>(mo);
    t->wDay = static_cast<WORD>(d);
    t->wHour = static_cast<WORD>(h);
    t->wMinute = static_cast<WORD>(mi);
    t->wSecond = static_cast<WORD>(s);
  }
}

template <typename Char>
BOOL EnumJobsT(HANDLE printer, DWORD first, DWORD count, DWORD level, LPBYTE buffer, DWORD size,
               LPDWORD needed, LPDWORD returned) {
  if (needed == nullptr || returned == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *returned = 0;
  auto handle = FindPrinterHandle(printer);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  std::vector<JobRecord> all = Jobs(handle->printer()), jobs;
  for (std::size_t i = first; i < all.size() && jobs.size() < count; ++i) jobs.push_back(all[i]);
  using Info = typename Spool<Char>::JobInfo1;
  BOOL ok = PackInto<Char>(
      buffer, size, jobs.size() * sizeof(Info), needed, [&](Packer<Char>& p, BYTE* base) {
        for (std::size_t i = 0; i < jobs.size(); ++i) {
          Info& out = reinterpret_cast<Info*>(base)[i];
          const JobRecord& j = jobs[i];
          char status[32] = "";
          if (j.error != 0)
            std::snprintf(status, sizeof status, "error %lu", static_cast<unsigned long>(j.error));
          out.JobId = j.id;
          out.pPrinterName = p.Text(j.printer);
          out.pMachineName = p.Text("");
          out.pUserName = p.Text("");
          out.pDocument = p.Text(j.document);
          out.pDatatype = p.Text(j.datatype);
          out.pStatus = j.error != 0 ? p.Text(status) : nullptr;
          out.Status = j.status;
          out.Priority = 1;
          out.Position = static_cast<DWORD>(first + i + 1);
          out.TotalPages = 0;
          out.PagesPrinted = 0;
          ParseTime(j.submitted, &out.Submitted);
        }
      });
  if (!ok) return jobs.empty() ? TRUE : FALSE;
  *returned = static_cast<DWORD>(jobs.size());
  return TRUE;
}

}  // namespace
}  // namespace trv::spooler

using namespace trv::spooler;

TRVAPI DWORD WINAPI StartDocPrinterA(HANDLE printer, DWORD level, LPBYTE docInfo) {
  return Guarded([&]() -> DWORD { return StartDocT<char>(printer, level, docInfo); });
}
TRVAPI DWORD WINAPI StartDocPrinterW(HANDLE printer, DWORD level, LPBYTE docInfo) {
  return Guarded([&]() -> DWORD { return StartDocT<WCHAR>(printer, level, docInfo); });
}

TRVAPI BOOL WINAPI StartPagePrinter(HANDLE printer) {
  DWORD error;
  return HandleWithDocument(printer, &error) ? TRUE : Fail(error);
}
TRVAPI BOOL WINAPI EndPagePrinter(HANDLE printer) {
  DWORD error;
  return HandleWithDocument(printer, &error) ? TRUE : Fail(error);
}

TRVAPI BOOL WINAPI WritePrinter(HANDLE printer, LPVOID buffer, DWORD size, LPDWORD written) {
  return Guarded([&]() -> BOOL {
    if (written == nullptr || (buffer == nullptr && size != 0))
      return Fail(ERROR_INVALID_PARAMETER);
    *written = 0;
    DWORD error;
    auto handle = HandleWithDocument(printer, &error);
    if (!handle) return Fail(error);
    if (DWORD e = AppendJobData(handle->job, static_cast<const BYTE*>(buffer), size))
      return Fail(e);
    jobDataListeners().Call(handle->job, static_cast<const BYTE*>(buffer), size);
    *written = size;
    return TRUE;
  });
}

// Despooling runs here, in the caller's thread. Its outcome is the job's: a job
// that could not be printed is kept with its error for the user, and the document
// itself was spooled, so the call succeeds as on Windows.
TRVAPI BOOL WINAPI EndDocPrinter(HANDLE printer) {
  return Guarded([&]() -> BOOL {
    DWORD error;
    auto handle = HandleWithDocument(printer, &error);
    if (!handle) return Fail(error);
    EndDocument(*handle);
    return TRUE;
  });
}

TRVAPI BOOL WINAPI AbortPrinter(HANDLE printer) {
  return Guarded([&]() -> BOOL {
    DWORD error;
    auto handle = HandleWithDocument(printer, &error);
    if (!handle) return Fail(error);
    DWORD id = handle->job;
    handle->job = 0;
    EndActiveJob(id);
    return Result(DeleteJob(id));
  });
}

template <typename Char>
static BOOL SetJobT(HANDLE printer, DWORD jobId, DWORD level, LPBYTE info, DWORD command) {
  auto handle = FindPrinterHandle(printer);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  // Changing a job's description is not offered; commands are.
  if (level != 0 && info != nullptr) return Fail(ERROR_NOT_SUPPORTED);
  if (level > 4) return Fail(ERROR_INVALID_LEVEL);
  return Result(ControlJob(handle->printer(), jobId, command));
}

TRVAPI BOOL WINAPI SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE info, DWORD command) {
  return Guarded([&]() -> BOOL { return SetJobT<char>(printer, jobId, level, info, command); });
}
TRVAPI BOOL WINAPI SetJobW(HANDLE printer, DWORD jobId, DWORD level, LPBYTE info, DWORD command) {
  return Guarded([&]() -> BOOL { return SetJobT<WCHAR>(printer, jobId, level, info, command); });
}

TRVAPI BOOL WINAPI EnumJobsA(HANDLE printer, DWORD first, DWORD count, DWORD level, LPBYTE buffer,
                             DWORD size, LPDWORD needed, LPDWORD returned) {
  return Guarded([&]() -> BOOL {
    return EnumJobsT<char>(printer, first, count, level, buffer, size, needed, returned);
  });
}
TRVAPI BOOL WINAPI EnumJobsW(HANDLE printer, DWORD first, DWORD count, DWORD level, LPBYTE buffer,
                             DWORD size, LPDWORD needed, LPDWORD returned) {
  return Guarded([&]() -> BOOL {
    return EnumJobsT<WCHAR>(printer, first, count, level, buffer, size, needed, returned);
  });
}

namespace trv {

int AddJobDataListener(JobDataListener listener) {
  return spooler::jobDataListeners().Add(std::move(listener));
}
void RemoveJobDataListener(int cookie) { spooler::jobDataListeners().Remove(cookie); }

std::vector<SpoolJob> SpoolJobs() {
  std::vector<SpoolJob> out;
  for (const JobRecord& j : Jobs(""))
    out.push_back({j.id, j.printer, j.document, j.status, j.error, j.submitted});
  return out;
}

}  // namespace trv
