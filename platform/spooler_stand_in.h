// Controls of the spooler stand-in for tests, tools and demos: the "Local Port"
// port monitor's table, the despooling buffer size and a virtual label printer on
// loopback. The suite's own code uses only winspool.h and winsplp.h.
#pragma once

#include <memory>
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

// ---- virtual label printer --------------------------------------------------------------
enum class PrinterLanguage { Cpcl, Epl };

// A raw TCP label printer on 127.0.0.1. Every connection is one job: its bytes are
// stored, as received, in DIR/job-NNNN.prn. A status request answers as the printer
// language does: CPCL "ESC h CR LF" with one status byte, EPL "^ee LF" with two
// characters, CR, LF.
//
// Its state changes by control lines, given to Control() or written to the file
// DIR/control (read every 100 ms, then removed):
//   ready            answer "ready" (CPCL 0x00, EPL "00")
//   busy MS          answer "busy" (CPCL 0x01, EPL "12") for MS milliseconds
//   error CODE       answer an error: CPCL the status byte CODE in hex (e.g. 02),
//                    EPL the two characters CODE (e.g. 07)
//   slow BPS         read at most BPS bytes per second (0: full speed)
//   drop N           reset every connection after N bytes of it (0: never)
//   quit             stop serving (Run returns)
class TRV_EXPORT VirtualPrinter {
 public:
  VirtualPrinter(std::string directory, PrinterLanguage language);
  ~VirtualPrinter();
  VirtualPrinter(const VirtualPrinter&) = delete;
  VirtualPrinter& operator=(const VirtualPrinter&) = delete;

  // Listens on 127.0.0.1:port (0 picks a free port) and serves on a thread of its
  // own. False with a message when the port cannot be had.
  bool Start(unsigned short port, std::string* error);
  unsigned short Port() const;
  // Blocks until a "quit" control line, then stops.
  void Wait();
  void Stop();
  // Applies one control line; false with a message for a line it does not understand.
  bool Control(const std::string& line, std::string* error);
  // Jobs stored so far (host paths, in arrival order) once their connection ended.
  std::vector<std::string> Jobs() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace trv
