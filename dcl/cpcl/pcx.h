// PCX images of page rectangles as CPCL's "PCX" command takes them: ZSoft version 5,
// 1 bit per pixel, one plane, run-length encoded, palette black then white.
#pragma once

#include <vector>

#include "dcl/object/page_bitmap.h"
#include "platform/windef.h"

namespace trv::dcl {

inline constexpr size_t kPcxHeaderSize = 128;

// Width in pixels of the image of a rectangle: every byte column, the right one
// included.
DWORD PcxWidth(const ByteRect& rect);

// The 128-byte header and the encoded rows of `rect` of the page, appended to `out`.
// Bytes right of the rectangle that the 32-pixel line padding takes in are white.
void EncodePcxImage(const PageBitmap& page, const ByteRect& rect, std::vector<BYTE>& out);

// One line of bytes, run-length encoded; runs stop at 63 and at the line's end.
void EncodePcxLine(const BYTE* bytes, size_t count, std::vector<BYTE>& out);

}  // namespace trv::dcl
