// What a printer draws itself, as trvprint finds it: its fonts and bar codes (the
// device fonts of its device context, the bar codes being those the printer's list
// of bar codes names), and the delimiters its driver reads raw commands and bar-code
// data between.
#pragma once

#include <string>
#include <vector>

#include "platform/wingdi.h"
#include "tools/trvprint/label_description.h"

namespace trvprint {

struct PrinterObjects {
  std::vector<std::string> fonts;     // UTF-8, in the printer's order
  std::vector<std::string> barcodes;  // UTF-8, in the printer's order
  // Raw commands go between these; empty when the driver takes none.
  std::string rawStart, rawEnd;
  // Bar-code data goes between these when the driver collects it; else empty.
  std::string barcodeStart, barcodeEnd;
};

// Reads them for the printer `name` through its open device context.
bool ReadPrinterObjects(HDC dc, const std::string& name, PrinterObjects* out, std::string* error);

// Every printer text, bar code and raw command of the label against what the printer
// has; false with a message that names the item and lists what the printer has.
bool CheckPrinterObjects(const LabelDescription& label, const PrinterObjects& objects,
                         const std::string& printer, std::string* error);

// The lists, one name a line, for --list-fonts.
std::string DescribePrinterObjects(const std::string& printer, const PrinterObjects& objects);

// Opens the printer's device context and reads its objects.
bool ListPrinterObjects(const std::string& printer, std::string* out, std::string* error);

}  // namespace trvprint
