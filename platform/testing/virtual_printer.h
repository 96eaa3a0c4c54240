// A virtual label printer on loopback, for tests, benchmarks and trvprinter. It is
// test support, not part of the Windows stand-in: no module of the suite sees it.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace trv {

enum class PrinterLanguage { Cpcl, Epl };

// A raw TCP label printer on 127.0.0.1. Every connection is one job: its bytes are
// stored, as received, in DIR/job-NNNN.prn. A status request answers as the printer
// language does: CPCL "ESC h CR LF" with one status byte, EPL "^ee LF" with two
// characters, CR, LF.
//
// Its state changes by control lines, given to Control() or written to the file
// DIR/control (read every 100 ms once it ends with a line feed, then removed):
//   ready            answer "ready" (CPCL 0x00, EPL "00")
//   busy MS          answer "busy" (CPCL 0x01, EPL "12") for MS milliseconds
//   error CODE       answer an error: CPCL the status byte CODE in hex (e.g. 02),
//                    EPL the two characters CODE (e.g. 07)
//   slow BPS         read at most BPS bytes per second (0: full speed)
//   stall MS         read nothing for MS milliseconds (0 ends a stall)
//   drop N           reset every connection after N bytes of it (0: never)
//   quit             stop serving (Run returns)
class VirtualPrinter {
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
