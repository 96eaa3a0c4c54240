// Controls of the spooler stand-in for tests, tools and demos: the "Local Port"
// port monitor's table and the despooling buffer size. The suite's own code uses
// only winspool.h and winsplp.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/windef.h"
#include "platform/winsplp.h"

namespace trv {

// The port monitor behind every port of this machine: OpenPort, StartDocPort,
// WritePort, ReadPort, EndDocPort, ClosePort and SetPortTimeOuts are filled. The
// spooler hands this table to a language monitor's OpenPortEx.
TRV_EXPORT MONITOR* LocalPortMonitor();

// Registers a port of the "Local Port" monitor with its settings (see
// platform/spooler/port_target.h: "file:C:\\out.prn", "device:/dev/usb/lp0",
// "tcp:HOST[:PORT]" or empty to go by the name). Returns a Win32 code:
// ERROR_ALREADY_EXISTS, ERROR_UNKNOWN_PORT for a port that leads nowhere.
TRV_EXPORT DWORD AddLocalPort(const std::string& name, const std::string& settings);

// Size of the buffers that despooling hands to WritePort. The machine's setting is
// the REG_DWORD "DespoolBufferSize" under HKLM\System\CurrentControlSet\Control\Print
// (default 4096); a non-zero value here overrides it for this process (0 removes the
// override). Values are clamped to 1 .. 16 MiB.
TRV_EXPORT void SetDespoolBufferSize(DWORD bytes);
TRV_EXPORT DWORD DespoolBufferSize();

// Every job in the spool folder (being spooled, or kept after a failure), by id.
// Resubmit a kept job with SetJob(JOB_CONTROL_RESTART), remove it with
// SetJob(JOB_CONTROL_DELETE).
struct SpoolJob {
  DWORD id;
  std::string printer, document;
  DWORD status;  // JOB_STATUS_* flags
  DWORD error;   // the Win32 error that stopped it
  std::string submitted;
};
TRV_EXPORT std::vector<SpoolJob> SpoolJobs();

// Hears the bytes of every WritePrinter of this process that spooled them (the job's
// id and the bytes, in order), before the job is despooled: what a driver wrote into
// its job, for tools that show it. Runs on the writing thread. Returns a cookie for
// RemoveJobDataListener.
using JobDataListener = std::function<void(DWORD job, const BYTE* data, DWORD size)>;
TRV_EXPORT int AddJobDataListener(JobDataListener listener);
TRV_EXPORT void RemoveJobDataListener(int cookie);

}  // namespace trv
