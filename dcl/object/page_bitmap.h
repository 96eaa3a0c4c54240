// The page bitmap of a job as both printer languages send it: 1 bit per pixel, rows
// top first, most significant bit leftmost, 1 white and 0 black. The bitmap header
// gives its geometry; the data record is copied once the geometry proves it whole.
// The back-ends send it as rectangles of byte columns: one bounding box, or the
// regions that hold black, merged so that a page needs few commands.
#pragma once

#include <span>
#include <vector>

#include "platform/windef.h"

namespace trv::dcl {

// A rectangle of byte columns and rows, all inclusive.
struct ByteRect {
  DWORD left = 0;
  DWORD top = 0;
  DWORD right = 0;
  DWORD bottom = 0;
};

class PageBitmap {
 public:
  // Keeps the geometry of the next data record. A stride too small for the width is
  // refused (ERROR_INVALID_PARAMETER).
  BOOL Begin(DWORD width, DWORD height, DWORD stride);
  bool HasHeader() const { return haveHeader_; }
  // Forgets the header (a new page decides afresh whether bitmap data is a page
  // bitmap or printer data of its own).
  void Reset();

  // Copies height x stride bytes of the payload. A shorter payload fails with
  // ERROR_INVALID_PARAMETER, a failed allocation with ERROR_NOT_ENOUGH_MEMORY.
  BOOL Take(std::span<const BYTE> payload);

  DWORD width() const { return width_; }
  DWORD height() const { return height_; }
  DWORD stride() const { return stride_; }
  const BYTE* Row(DWORD row) const { return bytes_.data() + size_t{row} * stride_; }
  // The byte at (column, row); white (0xFF) beyond the stride.
  BYTE At(DWORD column, DWORD row) const {
    return column < stride_ ? bytes_[size_t{row} * stride_ + column] : 0xFF;
  }

  // The smallest rectangle holding every byte that has black, or false for a page
  // without black.
  bool BlackBounds(ByteRect& rect) const;

  // The bounding box widened by `margin` on every side and cut to the bitmap.
  bool PaddedBounds(DWORD margin, ByteRect& rect) const;

 private:
  bool haveHeader_ = false;
  DWORD width_ = 0;
  DWORD height_ = 0;
  DWORD stride_ = 0;
  std::vector<BYTE> bytes_;
};

// Splits a page into rectangles that together hold all its black: runs of 16-bit
// words with black in each row, merged while more than `limit` are held and once
// more at the end. Returns false when memory runs out.
struct RegionSplit {
  DWORD threshold = 143;  // initial merge threshold, byte columns x rows
  DWORD limit = 960;      // rectangles held at once
};
bool SplitIntoRegions(const PageBitmap& page, const RegionSplit& parameters,
                      std::vector<ByteRect>& rects);

}  // namespace trv::dcl
