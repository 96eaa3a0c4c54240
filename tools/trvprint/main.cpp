// trvprint: prints labels through GDI and the printer's graphics driver, as an
// application does.
//   trvprint --printer NAME [--copies N] [--data FILE.csv] [--as-bitmap] LABEL.json
//   trvprint --list-fonts --printer NAME
// LABEL.json describes one label (see label_description.h); with --data, one label is
// printed per row, its {column} fields filled. Nothing is printed when the description,
// the data or an image is not valid, or when it names a font or bar code the printer
// does not have. --list-fonts lists the printer's own fonts and bar codes. --as-bitmap
// draws the printer's own objects as dots of the page instead, to show what the label
// would cost sent as a page bitmap.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/trvprint/label_description.h"
#include "tools/trvprint/print_label.h"
#include "tools/trvprint/printer_fonts.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: trvprint --printer NAME [--copies N] [--data FILE.csv] [--as-bitmap] "
               "LABEL.json\n"
               "       trvprint --list-fonts --printer NAME\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  trvprint::PrintRequest request;
  std::string labelPath, dataPath;
  bool listFonts = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--list-fonts") {
      listFonts = true;
    } else if (a == "--as-bitmap") {
      request.asBitmap = true;
    } else if ((a == "--printer" || a == "--copies" || a == "--data") && i + 1 < argc) {
      const std::string v = argv[++i];
      if (a == "--printer") request.printer = v;
      if (a == "--data") dataPath = v;
      if (a == "--copies") {
        char* end = nullptr;
        const long n = std::strtol(v.c_str(), &end, 10);
        if (v.empty() || *end != 0 || n < 1 || n > 32767) {
          std::fprintf(stderr, "trvprint: --copies takes a number from 1 to 32767\n");
          return 2;
        }
        request.copies = static_cast<int>(n);
      }
    } else if (!a.empty() && a[0] != '-' && labelPath.empty()) {
      labelPath = a;
    } else {
      return Usage();
    }
  }
  if (listFonts) {
    if (request.printer.empty() || !labelPath.empty()) return Usage();
    std::string list, error;
    if (!trvprint::ListPrinterObjects(request.printer, &list, &error)) {
      std::fprintf(stderr, "trvprint: %s\n", error.c_str());
      return 1;
    }
    std::fputs(list.c_str(), stdout);
    return 0;
  }
  if (request.printer.empty() || labelPath.empty()) return Usage();

  std::string error;
  trvprint::LabelDescription label;
  if (!trvprint::ReadLabelDescription(labelPath, &label, &error)) {
    std::fprintf(stderr, "trvprint: %s\n", error.c_str());
    return 1;
  }
  trvprint::DataTable data;
  if (!dataPath.empty()) {
    if (!trvprint::ReadCsv(dataPath, &data, &error)) {
      std::fprintf(stderr, "trvprint: %s\n", error.c_str());
      return 1;
    }
    request.data = &data;
  }
  // A line per label of a run of data, as each page is done.
  const bool ok = trvprint::PrintLabels(label, request, &error, [&](size_t n, size_t total) {
    if (total > 1) std::fprintf(stderr, "trvprint: label %zu of %zu\n", n, total);
  });
  if (!ok) {
    std::fprintf(stderr, "trvprint: %s\n", error.c_str());
    return 1;
  }
  std::printf("trvprint: %zu label%s printed on %s\n",
              request.data != nullptr ? data.rows.size() : size_t{1},
              request.data != nullptr && data.rows.size() != 1 ? "s" : "", request.printer.c_str());
  return 0;
}
