// trvprint: prints labels through GDI and the printer's graphics driver, as an
// application does.
//   trvprint --printer NAME [--copies N] [--data FILE.csv] [--as-bitmap]
//            [--preview-bitmap OUT.png] LABEL.json
//   trvprint --list-fonts --printer NAME
// LABEL.json describes one label (see label_description.h); with --data, one label is
// printed per row, its {column} fields filled. Nothing is printed when the description,
// the data or an image is not valid, or when it names a font or bar code the printer
// does not have. --list-fonts lists the printer's own fonts and bar codes. --as-bitmap
// draws the printer's own objects as dots of the page instead, to show what the label
// would cost sent as a page bitmap. --preview-bitmap writes the page bitmap of each
// label as the driver sent it to the printer (taken from the job's records): the
// first to OUT.png, the next to OUT-2.png, OUT-3.png and so on.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tools/trvprint/label_description.h"
#include "tools/trvprint/page_preview.h"
#include "tools/trvprint/print_label.h"
#include "tools/trvprint/printer_fonts.h"

namespace {

// The usage to standard error for a bad command line, to standard output for --help.
int Usage(bool asked = false) {
  std::fprintf(asked ? stdout : stderr,
               "usage: trvprint --printer NAME [--copies N] [--data FILE.csv] [--as-bitmap]\n"
               "                [--preview-bitmap OUT.png] LABEL.json\n"
               "       trvprint --list-fonts --printer NAME\n"
               "  --data FILE.csv         one label per row, {column} fields filled\n"
               "  --as-bitmap             the printer's own objects drawn as dots instead\n"
               "  --preview-bitmap OUT.png\n"
               "                          write the page bitmap the driver sent to the printer,\n"
               "                          1 bit per dot, black printed: the first page as\n"
               "                          OUT.png, the following as OUT-2.png, OUT-3.png ...\n"
               "                          (copies share their page's file; a page sent\n"
               "                          without dots gets none)\n");
  return asked ? 0 : 2;
}

// The pages the driver sent, as files; false with a message.
bool WritePreview(const trvprint::JobCapture& capture, const std::string& path,
                  std::string* error) {
  std::vector<BYTE> job;
  std::vector<trvprint::SentPage> pages;
  std::vector<std::string> written, notes;
  if (!capture.TheJob(&job, error) || !trvprint::SentPages(job, &pages, error) ||
      !trvprint::WritePreview(path, pages, &written, &notes, error))
    return false;
  for (const std::string& note : notes) std::printf("trvprint: %s\n", note.c_str());
  for (const std::string& file : written)
    std::printf("trvprint: page bitmap written to %s\n", file.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  trvprint::PrintRequest request;
  std::string labelPath, dataPath, previewPath;
  bool listFonts = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      return Usage(true);
    } else if (a == "--list-fonts") {
      listFonts = true;
    } else if (a == "--as-bitmap") {
      request.asBitmap = true;
    } else if ((a == "--printer" || a == "--copies" || a == "--data" || a == "--preview-bitmap") &&
               i + 1 < argc) {
      const std::string v = argv[++i];
      if (a == "--printer") request.printer = v;
      if (a == "--data") dataPath = v;
      if (a == "--preview-bitmap") previewPath = v;
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
    if (request.printer.empty() || !labelPath.empty() || !previewPath.empty()) return Usage();
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
  // The preview's place is checked before anything prints; the job is heard as the
  // driver spools it.
  std::unique_ptr<trvprint::JobCapture> capture;
  if (!previewPath.empty()) {
    if (!trvprint::CheckPreviewPath(previewPath, &error)) {
      std::fprintf(stderr, "trvprint: %s\n", error.c_str());
      return 1;
    }
    capture = std::make_unique<trvprint::JobCapture>();
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
  if (capture && !WritePreview(*capture, previewPath, &error)) {
    std::fprintf(stderr, "trvprint: the labels printed, but no preview: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
