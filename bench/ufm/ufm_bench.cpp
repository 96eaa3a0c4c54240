// Generating the metrics of a large TrueType face (DejaVu Sans: thousands of glyphs
// and kerning pairs): the image alone, and the whole GenerateMetrics with its search,
// file and registry value.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dcl/fonts/font_management.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/winreg.h"
#include "platform/winspool.h"

namespace {

const char* const kFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

void BM_BuildMetricsImage(benchmark::State& state) {
  std::string path = trv::WindowsPath(kFace);
  size_t bytes = 0;
  for (auto _ : state) {
    std::vector<BYTE> image;
    if (trv::dcl::fonts::BuildMetricsImage(path, 0, image) != ERROR_SUCCESS)
      state.SkipWithError("DejaVu Sans cannot be read");
    bytes = image.size();
    benchmark::DoNotOptimize(image.data());
  }
  state.counters["image_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildMetricsImage)->Unit(benchmark::kMillisecond);

void BM_GenerateMetrics(benchmark::State& state) {
  namespace fs = std::filesystem;
  fs::path root =
      fs::temp_directory_path() / ("trv_ufm_bench_" + std::to_string(GetCurrentProcessId()));
  trv::SetMachineRoot(root.string());
  std::error_code ec;
  fs::copy_file(kFace, trv::HostPath(trv::FontsFolder()) + "/DejaVuSans.ttf",
                fs::copy_options::overwrite_existing, ec);
  char folder[1024] = "";
  DWORD needed = 0;
  GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(folder), sizeof folder,
                             &needed);
  trv::dcl::fonts::FontPlace place{nullptr, std::string(folder) + "\\3\\"};
  CreateDirectoryA(place.driverDirectory.c_str(), nullptr);
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Bench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &key, nullptr);
  for (auto _ : state) {
    if (!trv::dcl::fonts::GenerateMetrics(place, key, "UFM:DEJAVU~1.UFM", "DejaVu Sans", 0))
      state.SkipWithError("GenerateMetrics failed");
  }
  RegCloseKey(key);
  fs::remove_all(root, ec);
}
BENCHMARK(BM_GenerateMetrics)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
