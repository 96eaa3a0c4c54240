// Jobs on disk: each job is a spool file with its bytes (NNNNN.SPL) and a small
// record (NNNNN.SHD) in the machine's spool folder. A job lives there from
// StartDocPrinter until it printed or was deleted; a job that failed stays with
// its error, so that it can be seen and sent again.
#pragma once

#include <string>
#include <vector>

#include "platform/windef.h"
#include "platform/winerror.h"

namespace trv::spooler {

struct JobRecord {
  DWORD id = 0;
  std::string printer, document, datatype, outputFile;
  DWORD status = 0;       // JOB_STATUS_* flags
  DWORD error = 0;        // the Win32 error that stopped the job
  std::string submitted;  // "YYYY-MM-DD HH:MM:SS", host local time
};

std::string SpoolDirectory();  // Windows path, created on demand

// Creates a job with a fresh id and an empty spool file; fills record.id.
DWORD CreateJob(JobRecord* record);
DWORD SaveJob(const JobRecord& record);
DWORD LoadJob(DWORD id, JobRecord* record);  // ERROR_INVALID_PARAMETER for an unknown id
DWORD AppendJobData(DWORD id, const BYTE* data, DWORD size);
DWORD ReadJobData(DWORD id, std::vector<BYTE>* data);
DWORD DeleteJob(DWORD id);
// Jobs of one printer ("" for all), by id.
std::vector<JobRecord> Jobs(const std::string& printer);

}  // namespace trv::spooler
