// The test page through the EPL layer of the DCL object: a 10-page job of the page as
// a bitmap, portrait and landscape, written to a port in memory. Reports the CPU time
// per page and the bytes per page on the wire.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "dcl/epl/testing/epl_fixture.h"

namespace {

using trv::dcl::epl::testing::DocProps;
using trv::dcl::epl::testing::MemoryPort;
using trv::dcl::epl::testing::TestEpl;

struct TestPage {
  unsigned width = 0, height = 0, stride = 0;
  std::vector<BYTE> record;  // a bitmap-data record: 48-byte header, then the rows
};

// Reads the binary PBM (1 = black) into a page bitmap (1 = white) whose rows are
// padded to 4 bytes, as the graphics driver's are.
TestPage LoadTestPage() {
  TestPage page;
  std::ifstream in(TRV_TEST_PAGE, std::ios::binary);
  std::string magic;
  in >> magic >> page.width >> page.height;
  in.get();
  if (magic != "P4" || page.width == 0) return page;
  const unsigned pbmStride = (page.width + 7) / 8;
  page.stride = (pbmStride + 3) / 4 * 4;
  page.record.assign(48 + static_cast<size_t>(page.stride) * page.height, 0xFF);
  std::vector<char> row(pbmStride);
  for (unsigned y = 0; y < page.height; ++y) {
    in.read(row.data(), pbmStride);
    for (unsigned b = 0; b < pbmStride; ++b)
      page.record[48 + static_cast<size_t>(y) * page.stride + b] =
          static_cast<BYTE>(~static_cast<unsigned char>(row[b]));
  }
  return page;
}

void TenPageJob(benchmark::State& state, unsigned orientation) {
  static const TestPage page = LoadTestPage();
  if (page.record.empty()) {
    state.SkipWithError("test page not found");
    return;
  }
  constexpr int kPages = 10;
  size_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    MemoryPort port;
    port.keep = false;
    TestEpl epl;
    epl.model.id = 7;
    epl.paper.key = 1;
    epl.paper.id = 2;
    trv::dcl::PrinterConfig config;
    config.capabilities = 0xFFFFFFFF;
    epl.SetConfig(config);
    trv::dcl::epl::testing::UseMemoryPort(epl, &port);
    DocProps props;
    props.Add(0x3012, {10}).Add(0x3008, {3}).Add(0x1004, {0});
    props.AttachTo(epl);
    std::vector<BYTE> record = page.record;
    state.ResumeTiming();
    bool ok = epl.StartDoc(page.width, page.height, orientation);
    for (int p = 0; p < kPages && ok; ++p) {
      ok = epl.StartPage(0, 0, 1) && epl.BeginBitmap(page.width, page.height, page.stride) &&
           epl.BitmapData(record) && epl.EndPage(1);
    }
    ok = ok && epl.EndDoc();
    state.PauseTiming();
    if (!ok) state.SkipWithError("the job failed");
    bytes = port.count;
    epl.Port().handle = INVALID_HANDLE_VALUE;
    state.ResumeTiming();
  }
  state.counters["cpu_s_per_page"] = benchmark::Counter(
      kPages, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["bytes_per_page"] = static_cast<double>(bytes) / kPages;
}

void BM_EplTestPagePortrait(benchmark::State& state) { TenPageJob(state, 1); }
void BM_EplTestPageLandscape(benchmark::State& state) { TenPageJob(state, 2); }

BENCHMARK(BM_EplTestPagePortrait)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EplTestPageLandscape)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
