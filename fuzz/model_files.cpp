// The model definition file, the model data file and the product configuration,
// read from the machine's driver folder as the DCL object reads them. Property:
// every text the readers put on the text heap is released again when the tables
// are freed, whether the file loaded or failed half-way; a failed read of a data
// file leaves the configuration exactly as it was.
//
// Input: one file, read as each of the three.
#include <filesystem>
#include <fstream>
#include <string>

#include "dcl/model/model_data_file.h"
#include "dcl/model/model_tables.h"
#include "dcl/model/tests/fake_callbacks.h"
#include "dcl/model/text_heap.h"
#include "fuzz/harness.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"

namespace {

constexpr const char* kDir = "C:\\drv\\";

void WriteDriverFile(const char* name, const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path path = trv::HostPath(std::string(kDir) + name);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  FUZZ_CHECK(out.good());
}

bool SameConfig(const trv::dcl::PrinterConfig& a, const trv::dcl::PrinterConfig& b) {
  return a.modelName == b.modelName && a.modelPicture == b.modelPicture && a.family == b.family &&
         a.format == b.format && a.resolutionX == b.resolutionX && a.resolutionY == b.resolutionY &&
         a.capabilities == b.capabilities && a.printSpeed.display == b.printSpeed.display &&
         a.internalFont == b.internalFont;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  trv::fuzz::UseFreshMachine();
  static const bool builtInsMade = [] {
    // The built-in tables make their texts once per process, on first use.
    trv::dcl::ModelTables warmUp;
    trv::dcl::AttachBuiltInTables(warmUp, {});
    return true;
  }();
  (void)builtInsMade;
  const std::size_t textsBefore = trv::dcl::TextHeapCount();
  WriteDriverFile("FUZZ.DEF", data, size);
  trv::dcl::testing::FakeCallbacks callbacks;
  callbacks.texts = {{1, "One"}, {2, "Two"}};
  {
    trv::dcl::ModelTables tables;
    trv::dcl::LoadModelDefinition(tables, kDir, "FUZZ.DEF", &callbacks, {});
    trv::dcl::FreeConfiguration(tables);
  }
  FUZZ_CHECK(trv::dcl::TextHeapCount() == textsBefore);
  trv::dcl::PrinterConfig config;
  config.modelName = "preset";
  const trv::dcl::PrinterConfig before = config;
  if (!trv::dcl::ReadModelDataFile(config, kDir, "FUZZ.DEF", 0, 1))
    FUZZ_CHECK(SameConfig(config, before));
  trv::dcl::PrinterConfig product;
  // An empty file is a read fault; any other file reads, whatever it holds.
  if (!trv::dcl::ReadProductConfiguration(product, kDir, "FUZZ.DEF"))
    FUZZ_CHECK(size == 0 && GetLastError() == ERROR_READ_FAULT);
  FUZZ_CHECK(trv::dcl::TextHeapCount() == textsBefore);
  return 0;
}
