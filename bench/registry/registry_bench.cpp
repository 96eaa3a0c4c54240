// The cost of the registry calls the print path and the configuration store make
// most: reading a value, writing one, and walking a key's values.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/stand_in.h"
#include "platform/winreg.h"

namespace {

// A fresh machine root for one benchmark, removed afterwards.
class Machine {
 public:
  Machine() {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() / ("trv-bench-" + std::to_string(random()));
    trv::SetMachineRoot(root_.string());
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Bench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key_, nullptr);
  }
  ~Machine() {
    RegCloseKey(key_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  HKEY key() const { return key_; }

 private:
  std::filesystem::path root_;
  HKEY key_ = nullptr;
};

void QueryValue(benchmark::State& state) {
  Machine machine;
  DWORD value = 203;
  RegSetValueExA(machine.key(), "DotsPerINCH", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof value);
  for (auto _ : state) {
    DWORD size = sizeof value;
    benchmark::DoNotOptimize(RegQueryValueExA(machine.key(), "DotsPerINCH", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(&value), &size));
  }
}
BENCHMARK(QueryValue);

void SetValue(benchmark::State& state) {
  Machine machine;
  DWORD value = 0;
  for (auto _ : state) {
    ++value;
    benchmark::DoNotOptimize(RegSetValueExA(machine.key(), "Counter", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&value), sizeof value));
  }
}
BENCHMARK(SetValue);

void EnumValues(benchmark::State& state) {
  Machine machine;
  for (int i = 0; i < state.range(0); ++i) {
    std::string name = "Value" + std::to_string(i);
    RegSetValueExA(machine.key(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i),
                   sizeof i);
  }
  for (auto _ : state) {
    char name[32];
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      if (RegEnumValueA(machine.key(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
    }
  }
}
BENCHMARK(EnumValues)->Arg(10)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
