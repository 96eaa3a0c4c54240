// Record streams for the CPCL layer's tests: a job's option blobs, document and page
// records and the page items, fed to the layer through its record dispatcher.
#pragma once

#include <string>
#include <vector>

#include "dcl/cpcl/tests/cpcl_fixture.h"

namespace trv::dcl::testing {

using Record = std::vector<BYTE>;

Record DocBegin(DWORD width, DWORD height, DWORD orientation);
Record PageBegin(WORD copies);
Record PageEnd(WORD copies);
Record DocEnd();
Record Blobs(bool device, const OptionBlobs& options);
// A text (type 'F') or bar-code ('B') object with its box and the direction code of
// its glyphs on the page (0 unknown, 1 left to right, 2 bottom to top, 4 right to left,
// 8 top to bottom).
Record TextItem(char kind, WORD id, LONG x, LONG y, LONG w, LONG h, LONG charW, LONG charH,
                const std::string& text, LONG direction = 0);
// A line ('L') or box ('R') object.
Record LineItem(char kind, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG xorFlag, LONG width);
Record RawItem(const std::string& text);
Record BitmapHeader(WORD width, WORD height, WORD stride);
Record BitmapData(const std::vector<BYTE>& rows);

// Runs records through the layer's dispatcher; stops at the first failure and
// returns the number of records that succeeded.
size_t Feed(TestCpcl& layer, std::vector<Record>& records);

// The records of one page job around `items`.
std::vector<Record> PageJob(const OptionBlobs& options, DWORD width, DWORD height,
                            DWORD orientation, std::vector<Record> items, WORD copies = 1);

// Shows CR and LF as "\r" "\n" so that a failed comparison reads.
std::string Visible(const std::string& bytes);

}  // namespace trv::dcl::testing
