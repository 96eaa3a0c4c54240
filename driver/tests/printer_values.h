// Printer-data values as the host stores them, built field by field for tests: the
// entry lists of a small two-paper model and its option blobs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace trv::driver::testing {

using Bytes = std::vector<BYTE>;

void PutU16(Bytes& b, std::size_t at, WORD v);
void PutU32(Bytes& b, std::size_t at, DWORD v);

// One record of `size` bytes: the size first, then the u16 id at 4, the rest zero.
Bytes Record(DWORD size, WORD id);
// Records, then their strings zero-terminated, then the count.
Bytes EntryListValue(const std::vector<Bytes>& records, const std::vector<std::string>& strings);

// The sample printer: model 7 at 203 dpi; tray 3; papers 11 "2 x 1 in" (50.8 x 25.4 mm,
// 406 x 203 dots, margin 4/2, printable 398 x 199) and 12 "4 x 6 in" (101.6 x 152.4 mm,
// 812 x 1218 dots, no margin).
Bytes ModelsValue(WORD id = 7, WORD resolution = 203);
Bytes TraysValue();
Bytes PapersValue();
// DocProps naming `paper` with placement `placement`, `dataSize` option bytes of 0xA5;
// DevProps with `dataSize` option bytes of 0x5A.
Bytes DocPropsValue(WORD paper = 12, WORD placement = 1, DWORD dataSize = 8);
Bytes DevPropsValue(DWORD dataSize = 12);

}  // namespace trv::driver::testing
