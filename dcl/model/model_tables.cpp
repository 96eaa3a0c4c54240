#include "dcl/model/model_tables.h"

#include <new>

#include "dcl/model/builtin_tables.h"
#include "dcl/model/def_reader.h"
#include "dcl/model/section_parsers.h"
#include "dcl/model/text_heap.h"
#include "platform/last_error.h"

namespace trv::dcl {
namespace {

template <class Entry>
void Release(std::vector<Entry>& table, void (*free)(Entry&)) {
  for (Entry& entry : table) free(entry);
  std::vector<Entry>().swap(table);
}

template <class Entry>
void Clear(std::vector<Entry>& table) {
  std::vector<Entry>().swap(table);
}

template <class Entry>
void CopyInto(std::vector<Entry>& table, std::span<const Entry> source) {
  table.assign(source.begin(), source.end());
}

BOOL ReadSections(ModelTables& tables, DefReader& reader) {
  return reader.ReadSection(kPapersSection, tables.papers, InitEntry<PaperEntry>, FreePaper,
                            ParsePaper) &&
         reader.ReadSection(kFontsSection, tables.textFonts, InitEntry<TextFontEntry>, FreeTextFont,
                            ParseTextFont) &&
         reader.ReadSection(kBarcodesSection, tables.barcodeFonts, InitEntry<BarcodeFontEntry>,
                            FreeBarcodeFont, ParseBarcodeFont) &&
         reader.ReadSection(kBarcodeOptionsSection, tables.barcodeOptions,
                            InitEntry<BarcodeOptionEntry>, FreeBarcodeOption, ParseBarcodeOption);
}

DWORD ResolvedIcon(DWORD icon, const std::function<DWORD(WORD)>& loadIcon) {
  return IsStringId(icon) ? loadIcon(static_cast<WORD>(icon)) : icon;
}

// Every table with an icon field calls it icon; entries are packed, so the field
// is read and written by value.
template <class Entry>
void ResolveTableIcons(std::vector<Entry>& table, const std::function<DWORD(WORD)>& loadIcon) {
  for (Entry& entry : table) entry.icon = ResolvedIcon(entry.icon, loadIcon);
}

}  // namespace

ModelTables::~ModelTables() { FreeConfiguration(*this); }

void FreeConfiguration(ModelTables& tables) {
  Release(tables.papers, FreePaper);
  Release(tables.textFonts, FreeTextFont);
  Release(tables.barcodeFonts, FreeBarcodeFont);
  Release(tables.barcodeOptions, FreeBarcodeOption);
  // The built-in copies refer to texts of the process; only their arrays go.
  Clear(tables.models);
  Clear(tables.monitors);
  Clear(tables.options);
  Clear(tables.trays);
  Clear(tables.ribbons);
  Clear(tables.subRibbons);
  Clear(tables.ribbonOptions);
  Clear(tables.subOptions);
  Clear(tables.optionsEx);
}

void AttachBuiltInTables(ModelTables& tables, std::span<const OptionEntryEx> options) {
  const BuiltInTables& builtIn = BuiltIns();
  CopyInto(tables.models, builtIn.models);
  CopyInto(tables.monitors, builtIn.monitors);
  Clear(tables.options);
  CopyInto(tables.trays, builtIn.trays);
  CopyInto(tables.ribbons, builtIn.ribbons);
  CopyInto(tables.subRibbons, builtIn.subRibbons);
  CopyInto(tables.ribbonOptions, builtIn.ribbonOptions);
  CopyInto(tables.subOptions, builtIn.subOptions);
  CopyInto(tables.optionsEx, options);
}

BOOL LoadModelDefinition(ModelTables& tables, const char* directory, const char* fileName,
                         ModelCallbacks* callbacks, std::span<const OptionEntryEx> options) {
  try {
    DefReader reader(callbacks);
    if (!reader.Open(directory, fileName)) return FALSE;
    if (!ReadSections(tables, reader)) {
      KeepLastError keep;
      FreeConfiguration(tables);
      return FALSE;
    }
    AttachBuiltInTables(tables, options);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  } catch (const std::bad_alloc&) {
    FreeConfiguration(tables);
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

void ResolveIcons(ModelTables& tables, const std::function<DWORD(WORD id)>& loadIcon) {
  ResolveTableIcons(tables.models, loadIcon);
  ResolveTableIcons(tables.monitors, loadIcon);
  ResolveTableIcons(tables.options, loadIcon);
  for (OptionEntryEx& entry : tables.optionsEx)
    entry.base.icon = ResolvedIcon(entry.base.icon, loadIcon);
  ResolveTableIcons(tables.trays, loadIcon);
  ResolveTableIcons(tables.papers, loadIcon);
  ResolveTableIcons(tables.ribbons, loadIcon);
  ResolveTableIcons(tables.ribbonOptions, loadIcon);
  ResolveTableIcons(tables.subOptions, loadIcon);
}

}  // namespace trv::dcl
