// The cost of creating a DCL object the way the host and the language monitor do:
// DCLInitializeV2 of TRVCPL.DLL / TRVEPL.DLL binds the language file, reads the
// sample model definition file into the tables, opens the printer's registry key,
// reads the model data file and (for a new printer) populates the papers, fonts
// and bar codes; DCLTerminateV2 releases it all.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "dcl/object/host_interface.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/winreg.h"
#include "platform/winspool.h"

namespace {

using trv::dcl::CDCLBase;
using trv::dcl::DCLInterface;

// A fresh machine with the driver files in the spooler's driver folder and one
// language library loaded.
class Machine {
 public:
  explicit Machine(const char* library) {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() / ("trv-bench-" + std::to_string(random()));
    trv::SetMachineRoot(root_.string());
    char dir[MAX_PATH];
    DWORD needed = 0;
    GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir,
                               &needed);
    const std::string driverDirectory = std::string(dir) + "\\3\\";
    CreateDirectoryA(driverDirectory.c_str(), nullptr);
    for (const char* file : {"language.dll", "trv_uk.lng", "TRVCPL.DEF", "TRVEPL.DEF", "trvprd.cfg",
                             "TRVCP4.DAT", "TRVEP3.DAT"}) {
      std::string from = trv::WindowsPath(std::string(TRV_OUT_DIR) + "/" + file);
      CopyFileA(from.c_str(), (driverDirectory + file).c_str(), FALSE);
    }
    module_ = LoadLibraryA(trv::WindowsPath(std::string(TRV_OUT_DIR) + "/" + library).c_str());
    if (module_ != nullptr) {
      initialize_ =
          reinterpret_cast<decltype(initialize_)>(GetProcAddress(module_, "DCLInitializeV2"));
      terminate_ =
          reinterpret_cast<decltype(terminate_)>(GetProcAddress(module_, "DCLTerminateV2"));
    }
  }
  ~Machine() {
    if (module_ != nullptr) FreeLibrary(module_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  bool ready() const { return initialize_ != nullptr && terminate_ != nullptr; }

  CDCLBase* Create(const std::string& printer, const char* dataFile) {
    std::memset(&table_, 0, sizeof table_);
    table_.size = trv::dcl::kDclInterfaceSize;
    return initialize_(printer.c_str(), nullptr, dataFile, "trv_uk.lng", 0, &table_);
  }
  void Destroy(CDCLBase* o) { terminate_(o); }

 private:
  std::filesystem::path root_;
  HMODULE module_ = nullptr;
  decltype(&DCLInitializeV2) initialize_ = nullptr;
  decltype(&DCLTerminateV2) terminate_ = nullptr;
  DCLInterface table_{};
};

// An installed printer loading again: the lists are read back, not written.
void LoadInstalledPrinter(benchmark::State& state, const char* library, const char* dataFile) {
  Machine machine(library);
  if (!machine.ready()) return state.SkipWithError("library not loaded");
  CDCLBase* first = machine.Create("Bench", dataFile);
  if (first == nullptr) return state.SkipWithError("configuration not loaded");
  machine.Destroy(first);
  for (auto _ : state) {
    CDCLBase* o = machine.Create("Bench", dataFile);
    if (o == nullptr) return state.SkipWithError("configuration not loaded");
    machine.Destroy(o);
  }
}

// A printer configured for the first time: the lists are populated in the registry.
void LoadNewPrinter(benchmark::State& state, const char* library, const char* dataFile) {
  Machine machine(library);
  if (!machine.ready()) return state.SkipWithError("library not loaded");
  int n = 0;
  for (auto _ : state) {
    CDCLBase* o = machine.Create("Bench " + std::to_string(++n), dataFile);
    if (o == nullptr) return state.SkipWithError("configuration not loaded");
    machine.Destroy(o);
  }
}

BENCHMARK_CAPTURE(LoadInstalledPrinter, cpcl, "TRVCPL.DLL", "TRVCP4.DAT")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadInstalledPrinter, epl, "TRVEPL.DLL", "TRVEP3.DAT")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadNewPrinter, cpcl, "TRVCPL.DLL", "TRVCP4.DAT")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadNewPrinter, epl, "TRVEPL.DLL", "TRVEP3.DAT")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
