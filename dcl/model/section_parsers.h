// The record lines of the model definition file's four sections, each read into
// its table entry. Every routine first releases what its entry held and zeroes
// it, then reads the fields in the file's order; the entry owns the texts it read.
#pragma once

#include "dcl/model/def_reader.h"
#include "dcl/model/entries.h"

namespace trv::dcl {

// The section names, as written in the file's headers.
inline constexpr const char* kPapersSection = "PAPERS";
inline constexpr const char* kFontsSection = "FONTS";
inline constexpr const char* kBarcodesSection = "BARCODES";
inline constexpr const char* kBarcodeOptionsSection = "BARCODEOPTIONS";

BOOL ParsePaper(PaperEntry& entry, DefReader& reader);
BOOL ParseTextFont(TextFontEntry& entry, DefReader& reader);
BOOL ParseBarcodeFont(BarcodeFontEntry& entry, DefReader& reader);
BOOL ParseBarcodeOption(BarcodeOptionEntry& entry, DefReader& reader);

// Release the texts an entry owns (the table's free step).
void FreePaper(PaperEntry& entry);
void FreeTextFont(TextFontEntry& entry);
void FreeBarcodeFont(BarcodeFontEntry& entry);
void FreeBarcodeOption(BarcodeOptionEntry& entry);

// The entries need nothing beyond being zeroed before they are parsed.
template <class Entry>
void InitEntry(Entry&) {}

}  // namespace trv::dcl
