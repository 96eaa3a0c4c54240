// The label layer's configuration: loading the printer's model definition, model
// data and registry lists, and serving the installed lists and the model.
#include <cstring>
#include <memory>
#include <string>

#include "dcl/help_location.h"
#include "dcl/model/model_data_file.h"
#include "dcl/object/dcl_label_printer.h"
#include "dcl/own_module.h"
#include "language/language_binding.h"
#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv::dcl {
namespace {

constexpr const char* kProductConfiguration = "Trvprd.cfg";
// The name of the paper added when no table paper has the default size.
constexpr UINT kDefaultPaperText = 12368;
constexpr int kPaperNameBuffer = 82;
// An installed font the printer keeps because it was downloaded to it.
constexpr WORD kDownloadedFontEntry = 0x02;

}  // namespace

BOOL CDCLLabelPrinter::LoadForLanguage(ModelTables* tables, const BackEndProfile& profile) {
  PresetConfig(config_, profile);
  if (!CDCLLabelPrinter::LoadConfiguration(tables)) return FALSE;
  AdjustLoadedConfig(config_, profile);
  return TRUE;
}

BOOL CDCLLabelPrinter::LoadConfiguration(ModelTables* tables) {
  if (tables == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const std::string printerName = PrinterName();
  const std::string directory = DriverDirectory();
  // Help files are looked for in the driver folder from now on.
  HMODULE module = OwnModule();
  SetHelpLocation(module, reinterpret_cast<HINSTANCE>(module), directory.c_str(),
                  GetHelpFileName());

  // Every display text of the configuration comes from the language file.
  SetLanguage(nullptr);
  auto binding =
      std::make_unique<LanguageBinding>(LanguageBinding::ForDcl(directory, LanguageFile()));
  if (!binding->Load()) return FALSE;
  SetLanguage(std::move(binding));

  // The tables stay loaded across later loads of the same object.
  if (tables->models.empty() && !LoadDefFile(tables, GetDefFileName())) return FALSE;

  if (!registry_.Open(printerName.c_str())) return FALSE;
  SetUnitCode(ReadUserMetrics(registry_.driverData()));

  if (!ReadModelDataFile(config_, directory.c_str(), ConfigFile().c_str(),
                         ReadDpiOverride(registry_.driverData()), UnitCode())) {
    // The reader leaves the configuration as it was: there are no texts to release.
    KeepLastError keep;
    registry_.Close();
    return FALSE;
  }

  // Without the product configuration the printer is loaded but not yet set up:
  // its lists are left as they are.
  if (!ReadProductConfiguration(config_, directory.c_str(), kProductConfiguration)) return TRUE;

  char paperName[kPaperNameBuffer] = "";
  LoadString(nullptr, kDefaultPaperText, paperName, sizeof paperName);
  // A first population also installs the fonts and bar codes it writes.
  std::vector<FontInstallItem> fontInstall, barcodeInstall;
  if (!registry_.Populate(*tables, config_, UnitCode(), paperName, fontInstall, barcodeInstall)) {
    KeepLastError keep;
    registry_.Close();
    return FALSE;
  }

  if (GetAsyncKeyState(VK_LCONTROL) & 0x8000) config_.capabilities |= kControlKeyHeld;
  config_.capabilities |= kLoadComplete;
  return TRUE;
}

void CDCLLabelPrinter::ReleaseConfigTexts() {
  config_.modelName.clear();
  config_.modelPicture.clear();
  for (RangeSetting* s :
       {&config_.printSpeed, &config_.slewSpeed, &config_.backfeedSpeed, &config_.darkness}) {
    s->display.clear();
    s->values.clear();
  }
}

const ModelEntry* CDCLLabelPrinter::GetModel(DWORD index) {
  const ModelEntry* entry = CDCLModelFile::GetModel(index);
  if (entry == nullptr) return nullptr;
  model_ = *entry;
  model_.resolutionX = config_.resolutionX;
  model_.resolutionY = config_.resolutionY;
  return &model_;
}

// The installed lists belong to the printer: the key the host asks with is not used.
DWORD CDCLLabelPrinter::GetPaperCount(DWORD) {
  return EnsureLoaded() ? InstalledLists::Count(registry_.papers()) : 0;
}
const PaperEntry* CDCLLabelPrinter::GetPaper(DWORD, DWORD n) {
  if (!EnsureLoaded()) return nullptr;
  return installed_.Paper(registry_.papers(), n,
                          Resolution{config_.resolutionX, config_.resolutionY});
}
DWORD CDCLLabelPrinter::GetTextFontCount(DWORD) {
  return EnsureLoaded() ? InstalledLists::Count(registry_.fonts()) : 0;
}
const TextFontEntry* CDCLLabelPrinter::GetTextFont(DWORD, DWORD n) {
  return EnsureLoaded() ? installed_.TextFont(registry_.fonts(), n) : nullptr;
}
DWORD CDCLLabelPrinter::GetBarcodeFontCount(DWORD) {
  return EnsureLoaded() ? InstalledLists::Count(registry_.barcodes()) : 0;
}
const BarcodeFontEntry* CDCLLabelPrinter::GetBarcodeFont(DWORD, DWORD n) {
  return EnsureLoaded() ? installed_.BarcodeFont(registry_.barcodes(), n) : nullptr;
}

BOOL CDCLLabelPrinter::EditInstalledTextFonts() {
  editedFonts_ = StoredLists{};
  return LoadJobLists(editedFonts_);
}

void CDCLLabelPrinter::ForgetDownloadedFont(const char* commandMacro) {
  if (commandMacro == nullptr) return;
  std::erase_if(editedFonts_.fonts, [&](const TextFontEntry& e) {
    return (e.flags & kDownloadedFontEntry) &&
           std::strcmp(TextHeapText(e.commandMacro), commandMacro) == 0;
  });
}

BOOL CDCLLabelPrinter::SaveEditedTextFonts() {
  if (!EnsureLoaded()) return FALSE;
  std::vector<FontInstallItem> install;
  return registry_.SaveTextFonts(editedFonts_.fonts, false, config_.resolutionX, install);
}

LONG CDCLLabelPrinter::GetConfigLimit() { return config_.configLimit; }

LONG_PTR CDCLLabelPrinter::Configure(void*, void*, void*, WORD kind, void* d, void*, void*) {
  switch (kind) {
    case 1: return 1;
    case 17:
    case 18: {
      if (d == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      LONG size[2] = {kind == 17 ? config_.minPaperWidth : config_.maxPaperWidth,
                      kind == 17 ? config_.minPaperHeight : config_.maxPaperHeight};
      std::memcpy(d, size, sizeof size);
      return 1;
    }
    case 2: return NotYetOffered();  // the papers dialog
    default: return 0;
  }
}

}  // namespace trv::dcl
