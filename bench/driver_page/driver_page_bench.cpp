// The driver's work at the end of a page: the 4 x 6 inch, 203 dpi test page drawn
// on a 24-bpp surface, reduced to one bit per pixel by each method (or taken as a
// 1-bpp surface), turned when landscape, and built into its two records as the
// record writer hands them to WritePrinter (the spooler's own cost is not counted).
// CPU time per page; the surface is refilled before each page outside the timing.
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/page_output.h"
#include "spool/writer.h"

namespace {

using trv::driver::PageSettings;
using trv::driver::SurfaceView;

// The test page as rows of 1-bpp bits, 1 = black as PBM has it.
struct Pbm {
  DWORD width = 0, height = 0;
  std::vector<BYTE> rows;
};

Pbm LoadPbm() {
  std::ifstream in(TRV_TEST_PAGE, std::ios::binary);
  std::string magic;
  Pbm pbm;
  in >> magic >> pbm.width >> pbm.height;
  in.get();
  if (magic != "P4" || !in) throw std::runtime_error("cannot read " TRV_TEST_PAGE);
  pbm.rows.assign(std::istreambuf_iterator<char>(in), {});
  if (pbm.rows.size() < (pbm.width + 7) / 8 * pbm.height) throw std::runtime_error("short page");
  return pbm;
}

struct Page {
  Page(const Pbm& pbm, int bpp) {
    view.width = pbm.width;
    view.height = pbm.height;
    view.bitsPerPixel = bpp;
    view.stride = (pbm.width * bpp + 31) / 32 * 4;
    image.assign(view.byteSize(), 0xFF);
    const DWORD pbmStride = (pbm.width + 7) / 8;
    for (DWORD y = 0; y < pbm.height; ++y)
      for (DWORD x = 0; x < pbm.width; ++x) {
        if (!(pbm.rows[y * pbmStride + x / 8] & (0x80 >> (x % 8)))) continue;
        BYTE* row = image.data() + std::size_t{y} * view.stride;
        if (bpp == 1)
          row[x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
        else
          std::memset(row + 3 * x, 0, 3);
      }
    surface = image;
    view.bits = surface.data();
  }
  void Refill() { std::memcpy(surface.data(), image.data(), image.size()); }
  std::vector<BYTE> image, surface;
  SurfaceView view;
};

void ReduceAndWrite(benchmark::State& state, WORD mode, bool landscape) {
  static const Pbm pbm = LoadPbm();
  Page page(pbm, mode == 4 ? 1 : 24);
  PageSettings settings;
  settings.renderMode = mode;
  settings.landscape = landscape;
  std::size_t bytes = 0;
  // As the driver's writer does: one new buffer per record, header and payload.
  const trv::driver::RecordWriter write = [&bytes](DWORD type, const void* p, DWORD n) -> BOOL {
    std::vector<BYTE> record;
    if (!trv::spool::BuildRecord(record, type, p, n)) return FALSE;
    bytes += record.size();
    benchmark::DoNotOptimize(record.data());
    return TRUE;
  };
  for (auto _ : state) {
    state.PauseTiming();
    page.Refill();  // ApplyTone and the driver may change the surface in place
    state.ResumeTiming();
    if (trv::driver::ReducePage(page.view, settings, write) != trv::driver::PageResult::kWritten)
      state.SkipWithError("page not written");
  }
  state.counters["record_bytes_per_page"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations());
}

void BM_Threshold(benchmark::State& s) { ReduceAndWrite(s, 0, false); }
void BM_OrderedDither(benchmark::State& s) { ReduceAndWrite(s, 1, false); }
void BM_ErrorDiffusion(benchmark::State& s) { ReduceAndWrite(s, 2, false); }
void BM_OneBitSurface(benchmark::State& s) { ReduceAndWrite(s, 4, false); }
void BM_ThresholdLandscape(benchmark::State& s) { ReduceAndWrite(s, 0, true); }

}  // namespace

BENCHMARK(BM_Threshold)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OrderedDither)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ErrorDiffusion)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneBitSurface)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThresholdLandscape)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
