// The cost of one raw job from WritePrinter to the port: spooling, despooling in
// WritePort buffers of several sizes, and the port itself (a file, or the virtual
// printer over loopback TCP).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/kernel.h"
#include "platform/spooler_stand_in.h"
#include "platform/stand_in.h"
#include "platform/testing/virtual_printer.h"
#include "platform/winspool.h"

namespace {

constexpr std::size_t kJobBytes = 256 * 1024;

// A fresh machine with a driver and one printer on `port`.
class Machine {
 public:
  explicit Machine(bool network) {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() / ("trv-bench-" + std::to_string(random()));
    trv::SetMachineRoot(root_.string());
    char dir[MAX_PATH];
    DWORD needed = 0;
    GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir,
                               &needed);
    for (const char* file : {"TRV.DLL", "TRVUI.DLL", "TRVCPL.DAT"})
      std::ofstream(trv::HostPath(std::string(dir) + "\\" + file)) << file;
    char name[] = "Bench", driverFile[] = "TRV.DLL", data[] = "TRVCPL.DAT", config[] = "TRVUI.DLL";
    DRIVER_INFO_3A driver{3,      name,    nullptr, driverFile, data,
                          config, nullptr, nullptr, nullptr,    nullptr};
    AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver));
    std::string port = "C:\\bench.prn";
    if (network) {
      printer_ = std::make_unique<trv::VirtualPrinter>((root_ / "printer").string(),
                                                       trv::PrinterLanguage::Cpcl);
      std::string error;
      printer_->Start(0, &error);
      char ip[32];
      std::snprintf(ip, sizeof ip, "IP_127.0.0.1:%u", printer_->Port());
      port = ip;
    }
    trv::AddLocalPort(port, "");
    PRINTER_INFO_2A info{};
    info.pPrinterName = name;
    info.pPortName = port.data();
    info.pDriverName = name;
    HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ClosePrinter(h);
  }
  ~Machine() {
    if (printer_) printer_->Stop();
    trv::SetDespoolBufferSize(0);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

 private:
  std::filesystem::path root_;
  std::unique_ptr<trv::VirtualPrinter> printer_;
};

void PrintJob(benchmark::State& state, bool network) {
  Machine machine(network);
  trv::SetDespoolBufferSize(static_cast<DWORD>(state.range(0)));
  std::string bytes(kJobBytes, 'x');
  char name[] = "Bench", doc[] = "bench";
  for (auto _ : state) {
    HANDLE h = nullptr;
    OpenPrinterA(name, &h, nullptr);
    DOC_INFO_1A info{doc, nullptr, nullptr};
    StartDocPrinterA(h, 1, reinterpret_cast<LPBYTE>(&info));
    DWORD written = 0;
    WritePrinter(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written);
    EndDocPrinter(h);
    ClosePrinter(h);
  }
  if (!trv::SpoolJobs().empty()) state.SkipWithError("a job was kept: the port failed");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kJobBytes));
}

void ToFile(benchmark::State& state) { PrintJob(state, false); }
void ToVirtualPrinter(benchmark::State& state) { PrintJob(state, true); }

BENCHMARK(ToFile)->Arg(64)->Arg(4096)->Arg(65536);
BENCHMARK(ToVirtualPrinter)->Arg(4096)->Arg(65536);

}  // namespace

BENCHMARK_MAIN();
