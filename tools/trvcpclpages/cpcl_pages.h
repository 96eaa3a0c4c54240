// The labels of a CPCL job as page bitmaps: what its graphics commands print. Reads
// the bytes a printer received, label by label, and lays each "PCX" image on its
// label at the command's place, so that a test or a user can see the dots the
// printer was given and compare them with the page the graphics driver sent.
//
// The job is read as a printer reads it: text lines ended by LF (a CR before it is
// dropped), a label from its "! OFFSET HRES VRES HEIGHT QTY" line to "PRINT", and
// binary data only where a command announces it:
//   PCX X Y         a PCX image follows at once (below), its top-left dot at (X, Y)
//   ! CISDF         then the font's name, its size S as 8 hexadecimal digits, a
//                   4-digit check value, and S bytes of font
// Other lines are commands that draw no graphics (text, bar codes, lines, set-up)
// and are passed over. The graphics commands "CG" and "EG" are not read: a job that
// holds them is refused rather than shown without them.
//
// PCX image (ZSoft, little-endian): a 128-byte header, then the run-length encoded
// lines of the image, top line first:
//   0 u8 0x0A   1 u8 version   2 u8 1 (run-length)   3 u8 1 bit per pixel
//   4 u16 x min   6 u16 y min   8 u16 x max   10 u16 y max   (width x max - x min + 1)
//   16 palette: entry 0 at 16..18, entry 1 at 19..21 (0 black and 1 white, or the
//      other way round)
//   65 u8 planes (1)   66 u16 bytes per line (at least the width's bytes)
// Each line holds "bytes per line" bytes; a byte whose two high bits are set is a
// count (its low six bits, 1 to 63) of the byte that follows, any other byte stands
// for itself. A run never crosses the end of a line.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/windef.h"
#include "tools/trvjob/image_page.h"

namespace trv::cpclpages {

using samples::ImagePage;

inline constexpr size_t kPcxHeaderSize = 128;

// The image at the start of `bytes` (1 white, 0 black, rows padded to 32 bits) and
// the bytes it took. False with a message for a header this reader does not take
// or lines that are cut short or break their runs.
bool DecodePcx(std::span<const BYTE> bytes, ImagePage* image, size_t* consumed, std::string* error);

// One label of the job.
struct Label {
  DWORD offset = 0;  // the header's horizontal offset, in dots
  DWORD height = 0;  // the header's label height, in dots
  DWORD copies = 0;
  DWORD width = 0;  // from "PW", 0 when the label has none
  // The black dots of the label's images on a white page as wide as "PW" and as high
  // as the label, or wider and higher where an image reaches further.
  ImagePage dots;
  DWORD images = 0;  // "PCX" commands
};

// The labels of a CPCL job. False with a message (and where in the job) for an image
// that cannot be read, a "PCX" command outside a label or with bad coordinates, a
// label that is not ended by "PRINT", or graphics this reader does not take.
bool DecodeLabels(std::span<const BYTE> job, std::vector<Label>* labels, std::string* error);

// Dots that differ between two pages laid on each other at their top-left corners;
// a dot outside a page is white.
struct Difference {
  size_t dots = 0;
  DWORD firstX = 0, firstY = 0;  // the first in row order, when dots > 0
};
Difference CompareDots(const ImagePage& a, const ImagePage& b);

// Whether the page has a black dot.
bool HasBlack(const ImagePage& page);

}  // namespace trv::cpclpages
