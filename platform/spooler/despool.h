// Despooling: a job's bytes go to the printer's port, through the language monitor
// that the printer's driver names, or straight to the port monitor.
#pragma once

#include <string>

#include "platform/windef.h"
#include "platform/winsplp.h"

namespace trv::spooler {

// Sends a spooled job to its printer. On success the job is removed; on failure it
// is kept with JOB_STATUS_ERROR and the error, which is also returned. A delete
// asked for while it ran removes it either way.
DWORD DespoolJob(DWORD jobId);

// The table of a language monitor, loaded from its library in the system folder
// and initialised once per process.
DWORD LoadLanguageMonitor(const std::string& name, MONITOR** table);

}  // namespace trv::spooler
