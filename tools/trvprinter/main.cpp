// trvprinter: a virtual label printer on loopback, for tests and demos.
//
//   trvprinter --port N --dir DIR [--lang cpcl|epl]
//
// Listens on 127.0.0.1:N (0 picks a free port), stores every job in DIR/job-NNNN.prn
// and answers status requests. Its state changes while it runs through control
// lines written to DIR/control (see "trvprinter --help"); "quit" stops it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/testing/virtual_printer.h"

namespace {

const char kUsage[] =
    "usage: trvprinter --port N --dir DIR [--lang cpcl|epl]\n"
    "\n"
    "A raw TCP label printer on 127.0.0.1:N (N 0 picks a free port; the chosen\n"
    "port is printed on the first line of output). Every connection is one job,\n"
    "stored as DIR/job-NNNN.prn. Status requests are answered as CPCL (ESC h CR LF:\n"
    "one status byte) or EPL (^ee LF: two characters, CR, LF) printers do.\n"
    "\n"
    "Write control lines to DIR/control to change the printer's state:\n"
    "  ready          answer ready\n"
    "  busy MS        answer busy for MS milliseconds\n"
    "  error CODE     answer an error (CPCL: status byte in hex; EPL: two characters)\n"
    "  slow BPS       read at most BPS bytes per second (0: full speed)\n"
    "  stall MS       read nothing for MS milliseconds (0 ends a stall)\n"
    "  drop N         reset each connection after N bytes (0: never)\n"
    "  quit           stop\n";

bool ParsePort(const char* text, unsigned short* port) {
  char* end = nullptr;
  unsigned long value = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0' || value > 65535) return false;
  *port = static_cast<unsigned short>(value);
  return true;
}

int UsageError(const char* message) {
  std::fprintf(stderr, "trvprinter: %s\n%s", message, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned short port = 0;
  bool havePort = false;
  std::string dir;
  trv::PrinterLanguage language = trv::PrinterLanguage::Cpcl;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 >= argc) return UsageError(("missing value after " + arg).c_str());
    const char* value = argv[++i];
    if (arg == "--port") {
      if (!ParsePort(value, &port)) return UsageError("--port needs a number from 0 to 65535");
      havePort = true;
    } else if (arg == "--dir") {
      dir = value;
    } else if (arg == "--lang") {
      if (std::strcmp(value, "cpcl") == 0)
        language = trv::PrinterLanguage::Cpcl;
      else if (std::strcmp(value, "epl") == 0)
        language = trv::PrinterLanguage::Epl;
      else
        return UsageError("--lang is cpcl or epl");
    } else {
      return UsageError(("unknown option " + arg).c_str());
    }
  }
  if (!havePort || dir.empty()) return UsageError("--port and --dir are required");

  trv::VirtualPrinter printer(dir, language);
  std::string error;
  if (!printer.Start(port, &error)) {
    std::fprintf(stderr, "trvprinter: cannot listen on 127.0.0.1:%u: %s\n", port, error.c_str());
    return 1;
  }
  std::printf("%u\n", printer.Port());
  std::fflush(stdout);
  printer.Wait();
  return 0;
}
