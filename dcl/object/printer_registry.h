// The lists a user keeps for one installed printer (papers, resident text fonts,
// bar codes with their properties) and its few settings, stored under the
// printer's PrinterDriverData key. Values are typed strictly so that a damaged or
// foreign value is refused instead of being misread.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "dcl/fonts/font_management.h"
#include "dcl/model/entries.h"
#include "dcl/model/printer_config.h"
#include "dcl/model/text_heap.h"
#include "platform/winreg.h"

namespace trv::dcl {

struct ModelTables;

// ---- typed values (each returns ERROR_SUCCESS or the Windows error) -------------------
// A value of another type or size than the one asked for is ERROR_CANTREAD.
LONG ReadDwordValue(HKEY key, const char* name, DWORD& value);
LONG ReadPointValue(HKEY key, const char* name, LONG& x, LONG& y);
LONG ReadFontInfoValue(HKEY key, const char* name, FontInfo& info);
LONG ReadTextValue(HKEY key, const char* name, std::string& text);
LONG WriteDwordValue(HKEY key, const char* name, DWORD value);
LONG WritePointValue(HKEY key, const char* name, LONG x, LONG y);
LONG WriteFontInfoValue(HKEY key, const char* name, const FontInfo& info);
LONG WriteTextValue(HKEY key, const char* name, const char* text);

// "UserMetrics": the stored unit; 2 (centimetres) is written and answered when the
// value is missing. 0 when it cannot be read or written.
DWORD ReadUserMetrics(HKEY driverData);
// "UseDPIRegistry": the resolution override, or 0 when absent or not 1 to 999.
DWORD ReadDpiOverride(HKEY driverData);

// The subkey name of the index-th entry of a list.
std::string EntryKeyName(size_t index, const char* name);
// The value name of a bar-code property.
std::string PropertyValueName(WORD optionId);

// ---- entry layouts ------------------------------------------------------------------
// Each kind of entry is described once, value by value, in the order its values are
// written; one reader and one writer work from that description, so the two cannot
// disagree about a value's name, type or size.
struct EntryField {
  const char* valueName;
  DWORD type;     // REG_DWORD, REG_BINARY or REG_SZ
  size_t offset;  // of the member inside the entry
  // Bytes of the member. A REG_DWORD member may be a WORD, widened when written and
  // narrowed when read; a REG_BINARY value is stored with exactly this size; a REG_SZ
  // member is a DWORD text-heap handle and its text has any length.
  size_t size;
  bool dropsTransientMark;  // a flags member: the "changed" mark is never stored
};
std::span<const EntryField> PaperFields();
std::span<const EntryField> TextFontFields();
std::span<const EntryField> BarcodeFields();

// ---- entries ------------------------------------------------------------------------
// Text fields of entries refer to the text heap. Writing takes the texts from it (a
// field without a heap text writes an empty text); reading gives the entry new
// heap texts, which the caller owns through `texts`.
struct Resolution {
  LONG x = 0;
  LONG y = 0;
};

// Writes a paper under `list` with Pels recomputed from Size and Used = Pels -
// Offsets; `entry` receives the recomputed fields.
LONG WritePaperEntry(HKEY list, size_t index, PaperEntry& entry, Resolution resolution);
LONG ReadPaperEntry(HKEY entryKey, PaperEntry& entry, std::vector<TextHandle>& texts);
LONG WriteTextFontEntry(HKEY list, size_t index, const TextFontEntry& entry);
LONG ReadTextFontEntry(HKEY entryKey, TextFontEntry& entry, std::vector<TextHandle>& texts);
// Writes the bar code and an empty "Properties" subkey, whose handle it answers
// through `properties` (the caller closes it).
LONG WriteBarcodeEntry(HKEY list, size_t index, const BarcodeFontEntry& entry, HKEY& properties);
LONG ReadBarcodeEntry(HKEY entryKey, BarcodeFontEntry& entry, std::vector<TextHandle>& texts);
// One property value: the 16-bit flags, then the value text without terminator.
LONG WriteBarcodeProperty(HKEY properties, WORD optionId, WORD flags, const char* text);
// Appends the properties of the bar code `barcodeId` found under its entry key.
LONG ReadBarcodeProperties(HKEY entryKey, WORD barcodeId, std::vector<BarcodeOptionEntry>& out,
                           std::vector<TextHandle>& texts);

// ---- whole lists --------------------------------------------------------------------
// The lists read for a job, in the registry's order. A value of the wrong type or
// size fails the whole read (ERROR_CANTREAD) and leaves the output empty.
struct StoredLists {
  std::vector<TextFontEntry> fonts;
  std::vector<BarcodeFontEntry> barcodes;
  std::vector<BarcodeOptionEntry> properties;
  std::vector<TextHandle> texts;
};
LONG ReadStoredLists(HKEY fontList, HKEY barcodeList, StoredLists& lists);

// The number of entries of a list, and its n-th entry key (ERROR_INVALID_PARAMETER
// beyond the count).
LONG CountEntries(HKEY list, DWORD& count);
LONG OpenEntry(HKEY list, DWORD index, HKEY& entryKey);
// Reads the n-th paper and, when every value could be read, writes it back in
// place so that Pels and Used follow the current resolution.
LONG ReadPaperAt(HKEY list, DWORD index, Resolution resolution, PaperEntry& entry,
                 std::vector<TextHandle>& texts);
// The n-th text font and the n-th bar code of their lists (without properties).
LONG ReadTextFontAt(HKEY list, DWORD index, TextFontEntry& entry, std::vector<TextHandle>& texts);
LONG ReadBarcodeFontAt(HKEY list, DWORD index, BarcodeFontEntry& entry,
                       std::vector<TextHandle>& texts);

// ---- the printer's key --------------------------------------------------------------
// What the font installation does for one font or bar code after a save.
enum FontInstallAction : DWORD {
  kInstallRegisterTrueType = 0x01,    // register the TrueType file unless its face is known
  kInstallUnregisterTrueType = 0x02,  // unregister the TrueType file
  kInstallRemoveSubstitute = 0x10,    // drop the "TB:" font substitute of the entry
  kInstallRemoveMetrics = 0x20,       // with a metrics step: remove the stored metrics
  kInstallStoreMetrics = 0x100,       // store the entry's metrics unless they are there
  kInstallMetricsStepOnly = 0x200,    // a metrics step that stores nothing
};

// A font or bar code the font installation has to look at after a save.
struct FontInstallItem {
  size_t index;   // in the list that was saved
  DWORD actions;  // FontInstallAction bits
};

// Runs a font-installation list; the default runs it against the machine's fonts and
// the driver folder.
using FontInstallRunner =
    std::function<BOOL(const std::vector<fonts::FontInstallItem>& items, HKEY driverData)>;

class PrinterRegistry {
 public:
  PrinterRegistry() = default;
  ~PrinterRegistry();
  PrinterRegistry(const PrinterRegistry&) = delete;
  PrinterRegistry& operator=(const PrinterRegistry&) = delete;

  // Opens or creates PrinterDriverData and its three list keys; a printer name
  // with backslashes first tries its ","-form. FALSE with the last error set.
  BOOL Open(const char* printerName);
  void Close();
  bool IsOpen() const { return driverData_ != nullptr; }

  HKEY driverData() const { return driverData_; }
  HKEY papers() const { return papers_; }
  HKEY fonts() const { return fonts_; }
  HKEY barcodes() const { return barcodes_; }

  // Replaces how the font installation runs (tests watch what it is handed).
  void SetFontInstallRunner(FontInstallRunner runner) { installFonts_ = std::move(runner); }

  // The saves replace a whole list in one transaction: the old list stays as it
  // was unless every entry of the new one has been written. FALSE + last error.
  // The font and bar-code saves run the font installation of what they write first:
  // a font it cannot install fails the save and leaves the old list whole.
  BOOL SavePapers(std::vector<PaperEntry>& papers, Resolution resolution);
  BOOL SaveTextFonts(const std::vector<TextFontEntry>& fonts, bool firstTime, LONG resolutionX,
                     std::vector<FontInstallItem>& install);
  BOOL SaveBarcodes(const std::vector<BarcodeFontEntry>& barcodes,
                    const std::vector<BarcodeOptionEntry>& properties, bool firstTime,
                    std::vector<FontInstallItem>& install);

  // First configuration: fills each empty list from the model definition tables.
  // `unit` formats the paper name templates; `defaultPaperName` names the paper
  // added when no table paper has the default size.
  BOOL Populate(const ModelTables& tables, const PrinterConfig& config, int unit,
                const char* defaultPaperName, std::vector<FontInstallItem>& fontInstall,
                std::vector<FontInstallItem>& barcodeInstall);

 private:
  BOOL InstallFonts(const std::vector<fonts::FontInstallItem>& items);
  BOOL WriteTextFonts(const std::vector<TextFontEntry>& fonts, LONG resolutionX);
  BOOL WriteBarcodes(const std::vector<BarcodeFontEntry>& barcodes,
                     const std::vector<BarcodeOptionEntry>& properties, bool firstTime);

  HKEY driverData_ = nullptr;
  HKEY papers_ = nullptr;
  HKEY fonts_ = nullptr;
  HKEY barcodes_ = nullptr;
  FontInstallRunner installFonts_;
};

// Whether a text font belongs on a printer of this horizontal resolution.
bool PassesResolutionFilter(const TextFontEntry& font, LONG resolutionX);
// Expands "%w" and "%h" (optionally followed by "c" or "i") of a paper name
// template; false when the result does not fit in 81 characters.
bool ExpandPaperName(const char* pattern, LONG width, LONG height, int unit, std::string& name);

}  // namespace trv::dcl
