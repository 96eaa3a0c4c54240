// Where the black of a page bitmap lies, as rectangles of byte columns and rows: the
// one box around all of it, or a set of rectangles that the back-ends send one by
// one. Page bitmaps hold 1 bit per pixel, the leftmost pixel in bit 7, 1 = white.
#pragma once

#include <span>
#include <vector>

#include "platform/windef.h"

namespace trv::dcl {

// Byte columns and rows, all inclusive.
struct BitmapRect {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
  bool operator==(const BitmapRect&) const = default;
};

// The box around every byte that is not 0xFF, widened by 2 on every side and clipped
// to the bitmap; a page without black gives the box around (0, 0) widened the same
// way. `bits` holds height rows of stride bytes.
BitmapRect BlackBoundingRect(std::span<const BYTE> bits, DWORD stride, DWORD height);

// Splits the black of a page into rectangles: runs of 16-bit words that are not
// 0xFFFF, row by row, merged whenever `limit` rectangles are held (a merge whose
// union wastes less than the threshold; the threshold doubles while nothing merges),
// and once more at the end.
std::vector<BitmapRect> SplitIntoRegions(std::span<const BYTE> bits, DWORD stride, DWORD height,
                                         DWORD threshold, DWORD limit);

// The most rectangles held at once: MulDiv(max(15, 10), 1024, 16).
inline constexpr DWORD kRegionLimit = 960;

}  // namespace trv::dcl
