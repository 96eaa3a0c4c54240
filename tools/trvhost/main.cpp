// trvhost: what the driver's user-interface host does for an installed printer.
//   trvhost refresh PRINTER   stores the printer data the graphics driver reads, from the
//                             printer's language library, and lists what it stored
#include <cstdio>
#include <string>

#include "host/printer_data.h"
#include "platform/kernel.h"
#include "tools/text/wide_text.h"

namespace {

using trv::tools::SystemText;

int Usage() {
  std::fprintf(stderr, "usage: trvhost refresh PRINTER\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != "refresh") return Usage();
  const bool ok = trv::host::RefreshPrinterData(argv[2], [](const trv::host::StoredValue& v) {
    if (v.isList)
      std::printf("%-9s %4lu entries, %6lu bytes\n", v.name.c_str(),
                  static_cast<unsigned long>(v.count), static_cast<unsigned long>(v.size));
    else
      std::printf("%-9s %19lu bytes\n", v.name.c_str(), static_cast<unsigned long>(v.size));
  });
  if (!ok) {
    const DWORD error = GetLastError();
    std::fprintf(stderr, "trvhost: cannot store the printer data of \"%s\": %s (error %lu)\n",
                 argv[2],
                 error == ERROR_NOT_SUPPORTED
                     ? "its language monitor is not a language library of this suite"
                     : SystemText(error).c_str(),
                 static_cast<unsigned long>(error));
    return 1;
  }
  return 0;
}
