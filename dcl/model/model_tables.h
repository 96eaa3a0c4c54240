// The thirteen tables of a DCL object's model database, in validation order.
// Papers, text fonts, bar codes and bar-code options come from the model
// definition file and own the texts their entries refer to; the other tables are
// copies of the built-in lists, whose texts live for the whole process.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "dcl/model/entries.h"

namespace trv::dcl {

class ModelCallbacks;

struct ModelTables {
  std::vector<ModelEntry> models;
  std::vector<MonitorEntry> monitors;
  std::vector<OptionEntry> options;  // empty while the extended options exist
  std::vector<TrayEntry> trays;
  std::vector<PaperEntry> papers;
  std::vector<RibbonEntry> ribbons;
  std::vector<SubRibbonEntry> subRibbons;
  std::vector<RibbonOptionEntry> ribbonOptions;
  std::vector<SubOptionEntry> subOptions;
  std::vector<TextFontEntry> textFonts;
  std::vector<BarcodeFontEntry> barcodeFonts;
  std::vector<BarcodeOptionEntry> barcodeOptions;
  std::vector<OptionEntryEx> optionsEx;  // its count is also the option count

  ModelTables() = default;
  ~ModelTables();
  ModelTables(const ModelTables&) = delete;
  ModelTables& operator=(const ModelTables&) = delete;
};

// Releases the texts of the tables read from the file and empties every table.
void FreeConfiguration(ModelTables& tables);

// Fills the built-in tables (models, monitors, trays, ribbons, sub-ribbons,
// ribbon options, sub-options) and the options, which the caller supplies.
void AttachBuiltInTables(ModelTables& tables, std::span<const OptionEntryEx> options);

// Reads the four sections of the model definition file directory + fileName and
// attaches the built-in tables. Fails with the file's opening error, or with the
// error of a failing section, in which case every table is released.
BOOL LoadModelDefinition(ModelTables& tables, const char* directory, const char* fileName,
                         ModelCallbacks* callbacks, std::span<const OptionEntryEx> options);

// Replaces every icon identifier (non-zero, below 0x10000) of the tables that have
// icons by the handle loadIcon gives for it (0 when it cannot be loaded).
void ResolveIcons(ModelTables& tables, const std::function<DWORD(WORD id)>& loadIcon);

}  // namespace trv::dcl
