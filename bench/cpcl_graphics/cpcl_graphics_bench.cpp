// The page bitmap of the 4 x 6 inch, 203 dpi test page through the CPCL layer to a
// port that takes every byte and keeps none: CPU time per page of a 10-page job,
// and the bytes each page puts on the wire, as one bounding box and as regions.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "dcl/cpcl/dcl_cpcl.h"
#include "platform/kernel.h"
#include "spool/record.h"
#include "spool/writer.h"

namespace {

using trv::dcl::CDCLCpcl;
using Bytes = std::vector<BYTE>;

DWORD g_bytes = 0;

BOOL WINAPI NullWrite(HANDLE, LPBYTE, DWORD size, LPDWORD written) {
  g_bytes += size;
  *written = size;
  return TRUE;
}

// The layer with the job's paper and model given, as the printer's registry would.
class BenchCpcl : public CDCLCpcl {
 public:
  BenchCpcl() {
    trv::dcl::PrinterConfig config;
    config.family = trv::dcl::kFamilyCpcl;
    config.resolutionX = config.resolutionY = 203;
    config.capabilities = 0x100000;  // region graphics offered
    SetConfig(config);
    Port().handle = reinterpret_cast<HANDLE>(1);
    Port().writePort = NullWrite;
  }
  ~BenchCpcl() override { Port().handle = INVALID_HANDLE_VALUE; }

 protected:
  bool FindJobPaper(trv::dcl::PaperEntry& paper) override {
    paper = {};
    return true;
  }
  bool FindJobModel(trv::dcl::ModelEntry& model) override {
    model = {};
    model.resolutionX = model.resolutionY = 203;
    return true;
  }
  BOOL LoadJobLists(trv::dcl::StoredLists&) override { return TRUE; }
};

struct TestPage {
  WORD width = 0, height = 0, stride = 0;
  Bytes rows;  // 1 white, 0 black, rows padded to 32 bits
};

// Binary PBM (P4): 1 is black, rows padded to a byte.
TestPage ReadTestPage() {
  std::ifstream in(TRV_TEST_PAGE, std::ios::binary);
  std::string magic;
  unsigned width = 0, height = 0;
  in >> magic >> width >> height;
  in.get();
  if (!in || magic != "P4") throw std::runtime_error("test page");
  const size_t rowBytes = (width + 7) / 8;
  TestPage page;
  page.width = static_cast<WORD>(width);
  page.height = static_cast<WORD>(height);
  page.stride = static_cast<WORD>((width + 31) / 32 * 4);
  page.rows.assign(size_t{page.stride} * height, 0xFF);
  std::vector<char> row(rowBytes);
  for (unsigned y = 0; y < height; ++y) {
    in.read(row.data(), static_cast<std::streamsize>(rowBytes));
    for (size_t i = 0; i < rowBytes; ++i)
      page.rows[y * page.stride + i] = static_cast<BYTE>(~static_cast<BYTE>(row[i]));
    // Bits past the width stay white.
    if (width % 8)
      page.rows[y * page.stride + rowBytes - 1] |= static_cast<BYTE>(0xFF >> (width % 8));
  }
  if (!in) throw std::runtime_error("test page cut short");
  return page;
}

Bytes Record(DWORD type, const Bytes& payload) { return trv::spool::EncodeRecord(type, payload); }
Bytes Words(std::initializer_list<DWORD> words, size_t width) {
  Bytes out;
  for (DWORD w : words)
    for (size_t i = 0; i < width; ++i) out.push_back(static_cast<BYTE>(w >> (8 * i)));
  return out;
}

// Option blobs: the region switch in DocProps when asked for.
Bytes DocProps(bool regions) {
  Bytes blob(32, 0);
  blob[0] = 32;
  if (regions) {
    const Bytes value = Words({12, 0x3021 | (0x1000u << 16), 1}, 4);
    blob.insert(blob.end(), value.begin(), value.end());
    blob[8] = static_cast<BYTE>(value.size());
  }
  return blob;
}
Bytes DevProps() {
  Bytes blob(20, 0);
  blob[0] = 20;
  return blob;
}

void Process(CDCLCpcl& layer, Bytes& record) {
  if (!layer.ProcessRecord(std::span<BYTE>(record.data(), record.size())))
    throw std::runtime_error("record refused");
}

void PagesOfATenPageJob(benchmark::State& state, bool regions) {
  const TestPage page = ReadTestPage();
  BenchCpcl layer;
  Bytes dev = Record(trv::spool::DCLD_DEVPROPS, DevProps());
  Bytes doc = Record(trv::spool::DCLD_DOCPROPS, DocProps(regions));
  Bytes docBegin = Record(trv::spool::DCLD_DOC_BEGIN, Words({page.width, page.height, 1}, 4));
  Bytes docEnd = Record(trv::spool::DCLD_DOC_END, {});
  Bytes pageBegin = Record(trv::spool::DCLD_PAGE_BEGIN, Words({0, 0, 1}, 2));
  Bytes pageEnd = Record(trv::spool::DCLD_PAGE_END, Words({1}, 2));
  Bytes header =
      Record(trv::spool::DCLD_BITMAP_HEADER, Words({page.width, page.height, page.stride}, 2));
  Bytes data = Record(trv::spool::DCLD_BITMAP_DATA, page.rows);
  Process(layer, dev);
  Process(layer, doc);

  int pageInJob = 0;
  size_t pages = 0;
  g_bytes = 0;
  for (auto _ : state) {
    if (pageInJob == 0) Process(layer, docBegin);
    Process(layer, pageBegin);
    Process(layer, header);
    Process(layer, data);
    Process(layer, pageEnd);
    if (++pageInJob == 10) {
      Process(layer, docEnd);
      pageInJob = 0;
    }
    ++pages;
  }
  if (pageInJob != 0) Process(layer, docEnd);
  state.counters["bytes_per_page"] = static_cast<double>(g_bytes) / static_cast<double>(pages);
  state.SetBytesProcessed(static_cast<int64_t>(g_bytes));
}

void BoundingBox(benchmark::State& state) { PagesOfATenPageJob(state, false); }
void Regions(benchmark::State& state) { PagesOfATenPageJob(state, true); }

BENCHMARK(BoundingBox)
    ->Name("CpclGraphics/TestPagePerPage/BoundingBox")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Regions)->Name("CpclGraphics/TestPagePerPage/Regions")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
