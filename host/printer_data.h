// What the driver's user-interface host does for the graphics driver: it asks the
// printer's language library for the model's lists and option blobs and stores them
// as the printer data the driver reads ("Models", "Trays", "Papers", "Fonts",
// "Barcodes", "Options" as entry lists, each followed by its entry count;
// "DocProps" and "DevProps" as blobs), with the value "ConfigFile".
#pragma once

#include <functional>
#include <string>

#include "platform/windef.h"

namespace trv::host {

// One value stored, for progress lines: its name, its size and, for a list, its count.
struct StoredValue {
  std::string name;
  DWORD size = 0;
  DWORD count = 0;
  bool isList = false;
};
using StoredValueFn = std::function<void(const StoredValue&)>;

// Refreshes the printer data of an installed printer. The language library is the
// library of the printer's language monitor. TRUE, or FALSE with the last error:
// ERROR_INVALID_PRINTER_NAME for an unknown printer, ERROR_NOT_SUPPORTED when the
// monitor's library is not a language library of this suite (nothing is stored),
// and the error of the library or of the spooler otherwise. Every list and blob is
// read before the first is stored, so a library that fails changes nothing.
// The printer data stored, it also stores the printer's default devmode (below).
BOOL RefreshPrinterData(const char* printerName, const StoredValueFn& stored = nullptr);

// Builds the printer's default devmode, with the driver's private part, from its
// printer data, keeps on it what the current default sets that the driver can read,
// and stores it as the printer's default. FALSE with the last error.
BOOL StoreDefaultDevmode(const char* printerName);

}  // namespace trv::host
