// The printer's installed papers, text fonts and bar codes as the host is served
// them: one record of each kind, read from the printer's registry lists by every
// call and valid until the next call of the same kind.
#pragma once

#include <vector>

#include "dcl/model/entries.h"
#include "dcl/model/text_heap.h"
#include "dcl/object/printer_registry.h"

namespace trv::dcl {

class InstalledLists {
 public:
  // The number of entries of a list; 0 with the last error set when it cannot be
  // counted (ERROR_NOT_REGISTRY_FILE while the list is not open).
  static DWORD Count(HKEY list);

  // Null with the last error set (ERROR_INVALID_PARAMETER beyond the count, the
  // registry's error, ERROR_CANTREAD for a damaged value); the previous record is
  // then kept.
  const PaperEntry* Paper(HKEY papers, DWORD index, Resolution resolution);
  const TextFontEntry* TextFont(HKEY fonts, DWORD index);
  const BarcodeFontEntry* BarcodeFont(HKEY barcodes, DWORD index);

 private:
  PaperEntry paper_{};
  std::vector<TextHandle> paperTexts_;
  TextFontEntry font_{};
  std::vector<TextHandle> fontTexts_;
  BarcodeFontEntry barcode_{};
  std::vector<TextHandle> barcodeTexts_;
};

}  // namespace trv::dcl
