// Reading a model definition file of realistic size into the tables, and a model
// data file into a PrinterConfig.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "dcl/model/backend_profiles.h"
#include "dcl/model/model_callbacks.h"
#include "dcl/model/model_data_file.h"
#include "dcl/model/model_tables.h"
#include "dcl/model/symbols.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"

namespace {

using namespace trv::dcl;

constexpr const char* kDir = "C:\\bench\\";

class Symbols : public ModelCallbacks {
 public:
  bool LookUpSymbol(std::string_view name, LONG& value) override {
    return LookUpLabelSymbol(name, value) || LookUpFileSymbol(name, value);
  }
  int LoadText(UINT, char* buffer, int) override {
    buffer[0] = '\0';
    return 0;
  }
  bool SupportsOption(WORD) override { return true; }
};

template <class... Args>
std::string Line(const char* format, Args... args) {
  char line[256];
  std::snprintf(line, sizeof(line), format, args...);
  return line;
}

// 40 papers, 80 text fonts, 30 bar codes with 8 properties each, and comments.
std::string DefinitionFile() {
  std::string text = "; model definition\r\n[PAPERS]\r\n";
  text += "ENUMUSEFORALL,PAPER_USER,User defined%(12001),IDI_LABEL,(10160,15240),(0,0),(0,0),1\r\n";
  for (int i = 1; i <= 40; ++i)
    text += Line("ENUMUSEFORALL,%d,Label %%w x %%h%%(12002),IDI_LABEL,(%d,%d),(0,0),(0,0),1\r\n", i,
                 2540 + i * 200, 2540 + i * 300);
  text += "\r\n[FONTS]\r\n";
  for (int i = 1; i <= 80; ++i)
    text += Line(
        "ENUMUSEFOR200DPIS,%d,Font %d,%d,0,(16,16),,font%d.ufm,0x04,T {R} %d 0 {X} {Y} {D}\r\n", i,
        i, i % 8, i, i % 8);
  text += "[BARCODES]\r\n";
  for (int i = 1; i <= 30; ++i)
    text += Line(
        "ENUMUSEFORALL,%d,Code %d,SYM%d,DCLDEFAULT,trvbar.ttf,bc.ufm,2,BARCODE {S} 1 1 {H} {X} {Y} "
        "{D}\r\n",
        i, i, i);
  text += "[BARCODEOPTIONS]\r\n";
  for (int i = 1; i <= 30; ++i)
    for (int p = 1; p <= 8; ++p)
      text +=
          Line("%d,0x%04X,2,Property\\, number %d,50,DCLDEFAULT|DCLNAME,0x10\r\n", i, 0x10 + p, p);
  return text;
}

std::string DataFile() {
  return "[Config]\r\nConfig=KORAL1\r\n"
         "[NAME]\r\nPrinterName=Label 203\r\nModelBmp=label.bmp\r\n"
         "[RESOLUTION]\r\nDotsPerMM=8\r\n"
         "[PAPERS]\r\nDefPaperWidth=4\r\nDefPaperHeight=6\r\nMinPaperWidth=0.5\r\n"
         "MinPaperHeight=0.25\r\nMaxPaperWidth=104mm\r\nMaxPaperHeight=60\r\n"
         "[OFFSETS]\r\nDefLabelLeft=0\r\nDefLabelTop=0\r\nMaxLabelLeft=500\r\nMaxLabelTop=500\r\n"
         "[DISPENSE_MODE]\r\nDefPrintMode=0\r\nPrintMode=0,1,2,3\r\nDefTearOff=40\r\n"
         "MinTearOff=0\r\nMaxTearOff=120\r\nDefCutterValue=10\r\n"
         "[MEDIA_TYPE]\r\nDefMediaType=0\r\nMediaType=0,1\r\n"
         "[MEDIA_TRACKING]\r\nDefMediaTracking=1\r\nMediaTracking=0,1,2\r\n"
         "[SPEED_SETTINGS]\r\nDefPrintRate=4\r\nMinPrintRate=2\r\nMaxPrintRate=6\r\n"
         "DefSlewRate=4\r\nMinSlewRate=2\r\nMaxSlewRate=6\r\nSlewRateDisplay=2,3,4,5,6\r\n"
         "[HEAD_SETTINGS]\r\nDefDensity=10\r\nMinDensity=0\r\nMaxDensity=30\r\n"
         "[EVENTS]\r\nDefPowerUp=0\r\nPowerUp=0,1,2\r\n"
         "[MEDIA]\r\nHasMediaWidth=1\r\n[OPTIONS]\r\nMemory=1,2\r\nNewLanguage=0\r\n";
}

void WriteWindowsFile(const std::string& name, const std::string& bytes) {
  HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
}

// A machine root of its own with the two files in it.
void PrepareMachine() {
  static bool ready = false;
  if (ready) return;
  std::filesystem::path root = std::filesystem::temp_directory_path() / "trv-bench-model";
  std::filesystem::create_directories(root);
  trv::SetMachineRoot(root.string());
  CreateDirectoryA(kDir, nullptr);
  WriteWindowsFile(std::string(kDir) + "TRVCPL.DEF", DefinitionFile());
  WriteWindowsFile(std::string(kDir) + "MODEL.DAT", DataFile());
  ready = true;
}

void BM_LoadModelDefinition(benchmark::State& state) {
  PrepareMachine();
  Symbols symbols;
  ModelTables tables;
  for (auto _ : state) {
    if (!LoadModelDefinition(tables, kDir, "TRVCPL.DEF", &symbols, {}) ||
        tables.papers.size() != 41 || tables.textFonts.size() != 80 ||
        tables.barcodeFonts.size() != 30 || tables.barcodeOptions.size() != 240) {
      state.SkipWithError("the definition file did not load whole");
      break;
    }
    benchmark::DoNotOptimize(tables.barcodeOptions.data());
    FreeConfiguration(tables);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoadModelDefinition);

void BM_ReadModelDataFile(benchmark::State& state) {
  PrepareMachine();
  PrinterConfig config;
  for (auto _ : state) {
    PresetConfig(config, kCpclProfile);
    if (!ReadModelDataFile(config, kDir, "MODEL.DAT", 0, 1) || config.resolutionX != 203) {
      state.SkipWithError("the data file did not load");
      break;
    }
    AdjustLoadedConfig(config, kCpclProfile);
    benchmark::DoNotOptimize(config.resolutionX);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadModelDataFile);

}  // namespace
