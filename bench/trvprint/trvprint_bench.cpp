// trvprint's test page: the 4 x 6 inch, 203 dpi test image placed at full size on a
// label, printed as jobs of 10 pages through GDI, trv.dll and the spooler to a file
// port, on a printer of the sample model at its default render mode (pages drawn at
// one bit per pixel). CPU time per page, whole and split into its three parts:
//   Page           trvprint's own printing, a 10-page job per iteration (divide by 10)
//   GdiDrawing     the application's drawing of the image into the page (StretchDIBits
//                  through the driver's hook and the engine)
//   Reduction      the driver's page work before its records: the empty-page test, the
//                  page bitmap from the surface, the row ends whitened
//   RecordWriting  the page's two records handed to WritePrinter, spooled
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/page_output.h"
#include "driver/tests/printer_values.h"
#include "platform/kernel.h"
#include "platform/spooler_stand_in.h"
#include "platform/stand_in.h"
#include "platform/wingdi.h"
#include "platform/winreg.h"
#include "platform/winspool.h"
#include "spool/writer.h"
#include "tools/trvprint/label_description.h"
#include "tools/trvprint/print_label.h"

namespace {

using trv::driver::testing::Bytes;
constexpr int kPagesPerJob = 10;
constexpr char kPrinter[] = "Bench";

// A fresh machine with trv.dll installed and one printer of the sample model (4 x 6 in
// labels at 203 dpi) on a file port.
class Machine {
 public:
  Machine() {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() / ("trv-bench-" + std::to_string(random()));
    trv::SetMachineRoot(root_.string());
    char dir[MAX_PATH];
    DWORD needed = 0;
    GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir,
                               &needed);
    std::filesystem::copy_file(TRV_DRIVER_MODULE, trv::HostPath(std::string(dir) + "\\trv.dll"));
    for (const char* file : {"TRVUI.DLL", "TRVCPL.DAT"})
      std::ofstream(trv::HostPath(std::string(dir) + "\\" + file)) << file;
    char name[] = "Bench", driverFile[] = "trv.dll", data[] = "TRVCPL.DAT", config[] = "TRVUI.DLL",
         type[] = "RAW";
    DRIVER_INFO_3A driver{3,      name,    nullptr, driverFile, data,
                          config, nullptr, nullptr, nullptr,    type};
    AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver));
    std::string port = "C:\\bench.prn";
    trv::AddLocalPort(port, "");
    PRINTER_INFO_2A info{};
    info.pPrinterName = name;
    info.pPortName = port.data();
    info.pDriverName = name;
    info.pDatatype = type;
    HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (printer == nullptr) throw std::runtime_error("cannot add the printer");
    namespace v = trv::driver::testing;
    const std::pair<const char16_t*, Bytes> values[] = {
        {u"Models", v::ModelsValue()},
        {u"Trays", v::TraysValue()},
        {u"Papers", v::PapersValue()},
        {u"DocProps", v::DocPropsValue()},
        {u"DevProps", v::DevPropsValue()},
        {u"Fonts", v::EntryListValue({}, {})},
        {u"Barcodes", v::EntryListValue({}, {})},
        {u"Options", v::EntryListValue({v::Record(32, 0x1004)}, {})}};
    for (const auto& [value, bytes] : values) {
      std::u16string key = value;
      Bytes data = bytes;
      SetPrinterDataW(printer, key.data(), REG_BINARY, data.data(),
                      static_cast<DWORD>(data.size()));
    }
    ClosePrinter(printer);
  }
  ~Machine() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

 private:
  std::filesystem::path root_;
};

// The test page as trvprint draws it: a top-down 24-bpp DIB of its greys.
struct Picture {
  int width = 0, height = 0;
  std::vector<BYTE> bits;
  BITMAPINFO info{};
};

Picture LoadPicture() {
  std::ifstream in(TRV_TEST_PAGE, std::ios::binary);
  std::string magic;
  unsigned width = 0, height = 0;
  in >> magic >> width >> height;
  in.get();
  const std::vector<BYTE> rows{std::istreambuf_iterator<char>(in), {}};
  if (magic != "P4" || rows.size() < (width + 7) / 8 * height)
    throw std::runtime_error("cannot read " TRV_TEST_PAGE);
  Picture p;
  p.width = static_cast<int>(width);
  p.height = static_cast<int>(height);
  const std::size_t stride = (std::size_t{width} * 3 + 3) / 4 * 4;
  p.bits.assign(stride * height, 0xFF);
  for (unsigned y = 0; y < height; ++y)
    for (unsigned x = 0; x < width; ++x)
      if (rows[y * ((width + 7) / 8) + x / 8] & (0x80 >> (x % 8)))
        std::memset(&p.bits[y * stride + x * 3], 0, 3);
  p.info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  p.info.bmiHeader.biWidth = p.width;
  p.info.bmiHeader.biHeight = -p.height;
  p.info.bmiHeader.biPlanes = 1;
  p.info.bmiHeader.biBitCount = 24;
  p.info.bmiHeader.biCompression = BI_RGB;
  return p;
}

void BM_Page(benchmark::State& state) {
  Machine machine;
  trvprint::LabelDescription label;
  std::string error;
  const std::string json = std::string(R"({"units": "dots", "label": {"width": 812, "height": 1218},
      "items": [{"type": "image", "x": 0, "y": 0, "file": ")") +
                           TRV_TEST_PAGE + R"("}]})";
  if (!trvprint::ParseLabelDescription(json, "bench", "", &label, &error))
    return state.SkipWithError(error.c_str());
  trvprint::DataTable rows;
  rows.columns = {"n"};
  for (int i = 0; i < kPagesPerJob; ++i) rows.rows.push_back({std::to_string(i)});
  trvprint::PrintRequest request;
  request.printer = kPrinter;
  request.data = &rows;
  for (auto _ : state)
    if (!trvprint::PrintLabels(label, request, &error)) return state.SkipWithError(error.c_str());
  state.counters["pages"] =
      benchmark::Counter(kPagesPerJob, benchmark::Counter::kIsIterationInvariant);
}

// A printer DC in a document whose pages are started and ended outside the timing.
class PrinterPages {
 public:
  PrinterPages() {
    dc_ = CreateDCW(nullptr, u"Bench", nullptr, nullptr);
    if (dc_ == nullptr) throw std::runtime_error("cannot open the printer");
  }
  ~PrinterPages() {
    if (inDoc_) EndDoc(dc_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  void Start() {
    if (pages_ % kPagesPerJob == 0) {
      if (inDoc_) EndDoc(dc_);
      DOCINFOW doc{sizeof(DOCINFOW), u"bench", nullptr, nullptr, 0};
      inDoc_ = StartDocW(dc_, &doc) > 0;
    }
    StartPage(dc_);
  }
  void End() {
    EndPage(dc_);
    ++pages_;
  }

 private:
  HDC dc_ = nullptr;
  bool inDoc_ = false;
  int pages_ = 0;
};

void BM_GdiDrawing(benchmark::State& state) {
  Machine machine;
  const Picture picture = LoadPicture();
  PrinterPages pages;
  for (auto _ : state) {
    state.PauseTiming();
    pages.Start();
    state.ResumeTiming();
    SetStretchBltMode(pages.dc(), COLORONCOLOR);
    if (StretchDIBits(pages.dc(), 0, 0, picture.width, picture.height, 0, 0, picture.width,
                      picture.height, picture.bits.data(), &picture.info, DIB_RGB_COLORS,
                      SRCCOPY) == 0)
      return state.SkipWithError("StretchDIBits failed");
    state.PauseTiming();
    pages.End();
    state.ResumeTiming();
  }
}

// The page surface as GDI leaves it for this image: one bit per pixel, 1 white.
std::vector<BYTE> OneBitSurface(const Picture& p, trv::driver::SurfaceView* view) {
  view->width = static_cast<DWORD>(p.width);
  view->height = static_cast<DWORD>(p.height);
  view->bitsPerPixel = 1;
  view->stride = (view->width + 31) / 32 * 4;
  std::vector<BYTE> bits(view->byteSize(), 0xFF);
  const std::size_t stride = (std::size_t{view->width} * 3 + 3) / 4 * 4;
  for (DWORD y = 0; y < view->height; ++y)
    for (DWORD x = 0; x < view->width; ++x)
      if (p.bits[y * stride + x * 3] == 0)
        bits[y * view->stride + x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
  return bits;
}

void BM_Reduction(benchmark::State& state) {
  const Picture picture = LoadPicture();
  trv::driver::SurfaceView view;
  std::vector<BYTE> bits = OneBitSurface(picture, &view);
  view.bits = bits.data();
  trv::driver::PageSettings settings;  // RenderMode 4: the page as drawn
  // The records are not built: only what comes before them is timed here.
  const trv::driver::RecordWriter keep = [](DWORD, const void* p, DWORD) -> BOOL {
    benchmark::DoNotOptimize(p);
    return TRUE;
  };
  for (auto _ : state)
    if (trv::driver::ReducePage(view, settings, keep) != trv::driver::PageResult::kWritten)
      return state.SkipWithError("page not reduced");
}

void BM_RecordWriting(benchmark::State& state) {
  Machine machine;
  const Picture picture = LoadPicture();
  trv::driver::SurfaceView view;
  std::vector<BYTE> bits = OneBitSurface(picture, &view);
  trv::driver::PageBitmap page;
  page.width = view.width;
  page.height = view.height;
  page.stride = view.stride;
  page.bits = bits;
  char name[] = "Bench", docName[] = "bench";
  HANDLE printer = nullptr;
  if (!OpenPrinterA(name, &printer, nullptr)) return state.SkipWithError("no printer");
  const trv::driver::RecordWriter write = [printer](DWORD type, const void* p, DWORD n) {
    return trv::spool::WriteRecord(printer, type, p, n);
  };
  int pages = 0;
  bool inDoc = false;
  for (auto _ : state) {
    if (pages++ % kPagesPerJob == 0) {
      state.PauseTiming();
      if (inDoc) EndDocPrinter(printer);
      DOC_INFO_1A doc{docName, nullptr, nullptr};
      inDoc = StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&doc)) != 0;
      state.ResumeTiming();
    }
    if (!trv::driver::WritePageBitmap(page, write)) return state.SkipWithError("not written");
  }
  if (inDoc) EndDocPrinter(printer);
  ClosePrinter(printer);
}

}  // namespace

BENCHMARK(BM_Page)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GdiDrawing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduction)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordWriting)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
