// trvcpclpages: the labels a CPCL printer received, as the page bitmaps their
// graphics print.
//   trvcpclpages JOB OUT.png                 writes label 1 to OUT.png, label 2 to
//                                            OUT-2.png, and so on
//   trvcpclpages --compare PAGE.png JOB      compares label n, dot for dot, with the
//                                            page of the same number (PAGE.png,
//                                            PAGE-2.png ...), as trvprint
//                                            --preview-bitmap writes them
// JOB is what the printer received (the virtual printer's job file). With --compare
// the exit code is 0 when every label equals its page, 1 with the first difference
// otherwise; a label without dots needs no page file, and there must be no page file
// beyond the last label.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/trvcpclpages/cpcl_pages.h"
#include "tools/trvjob/image_page.h"

namespace {

using trv::cpclpages::Label;
using trv::samples::NumberedPagePath;

int Usage() {
  std::fprintf(stderr,
               "usage: trvcpclpages JOB OUT.png\n"
               "       trvcpclpages --compare PAGE.png JOB\n");
  return 2;
}

int Fail(const std::string& problem) {
  std::fprintf(stderr, "trvcpclpages: %s\n", problem.c_str());
  return 1;
}

int Write(const std::vector<Label>& labels, const std::string& out) {
  for (size_t n = 0; n < labels.size(); ++n) {
    const std::string file = NumberedPagePath(out, n + 1);
    trv::samples::WritePagePng(file, labels[n].dots);
    std::printf("label %zu: %u PCX image%s, %u x %u dots: %s\n", n + 1, labels[n].images,
                labels[n].images == 1 ? "" : "s", labels[n].dots.width, labels[n].dots.height,
                file.c_str());
  }
  return 0;
}

int Compare(const std::vector<Label>& labels, const std::string& pages) {
  std::error_code ec;
  if (std::filesystem::exists(NumberedPagePath(pages, labels.size() + 1), ec))
    return Fail(NumberedPagePath(pages, labels.size() + 1) +
                ": a page with no label (the job has " + std::to_string(labels.size()) + ")");
  for (size_t n = 0; n < labels.size(); ++n) {
    const std::string file = NumberedPagePath(pages, n + 1);
    trv::samples::ImagePage page;
    if (std::filesystem::exists(file, ec)) {
      page = trv::samples::ReadImagePage(file);
    } else if (trv::cpclpages::HasBlack(labels[n].dots)) {
      return Fail("label " + std::to_string(n + 1) + " has dots but there is no " + file);
    }
    const trv::cpclpages::Difference d = trv::cpclpages::CompareDots(labels[n].dots, page);
    if (d.dots > 0)
      return Fail("label " + std::to_string(n + 1) + " differs from " + file + " in " +
                  std::to_string(d.dots) + " dot" + (d.dots == 1 ? "" : "s") + ", the first at (" +
                  std::to_string(d.firstX) + ", " + std::to_string(d.firstY) + ")");
  }
  std::printf("%zu label%s equal their pages dot for dot\n", labels.size(),
              labels.size() == 1 ? "" : "s");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string compare, job, out;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--compare" && i + 1 < argc && compare.empty()) {
      compare = argv[++i];
    } else if (!a.empty() && a[0] != '-' && job.empty()) {
      job = a;
    } else if (!a.empty() && a[0] != '-' && out.empty()) {
      out = a;
    } else {
      return Usage();
    }
  }
  if (job.empty() || compare.empty() == out.empty()) return Usage();
  std::ifstream in(job, std::ios::binary);
  if (!in) return Fail(job + ": cannot read the file");
  const std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  std::vector<Label> labels;
  std::string error;
  if (!trv::cpclpages::DecodeLabels(bytes, &labels, &error)) return Fail(job + ": " + error);
  try {
    return compare.empty() ? Write(labels, out) : Compare(labels, compare);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
