// A job's records for tests and fuzz harnesses that drive a language layer directly:
// option blobs as the graphics driver writes them, document and page framing, page
// items and page bitmaps, each encoded as the record stream has it. Nothing here
// names a printer language.
#pragma once

#include <string>
#include <vector>

#include "platform/windef.h"

namespace trv::dcl::testing {

// Option values in blobs as the graphics driver writes them.
class OptionBlobs {
 public:
  OptionBlobs& Setting(WORD id, LONG setting);
  OptionBlobs& Dispense(LONG mode, LONG delaySeconds, LONG distance, DWORD switches);
  OptionBlobs& Tracking(LONG mode, LONG sensor);
  OptionBlobs& UserCommand(WORD id, const std::string& text, DWORD enabled = 1);
  std::vector<BYTE> Doc() const;
  std::vector<BYTE> Dev() const;

 private:
  std::vector<BYTE> doc_, dev_;
};

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

// Shows CR and LF as "\r" "\n" so that a failed comparison reads.
std::string Visible(const std::string& bytes);

}  // namespace trv::dcl::testing
