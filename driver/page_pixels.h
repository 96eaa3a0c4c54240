// The page's pixels on their way to the printer: tone correction of 24-bpp pages,
// the three reductions to one bit per pixel, the quarter turn of landscape pages and
// the test for an empty page. Pure functions over memory; page_output.h writes the
// result as records.
//
// Surfaces are top-down. At 24 bits per pixel each pixel is three bytes; at 1 bit
// per pixel bit 7 of a byte is the leftmost pixel and 1 is white. The 1-bit page
// bitmap's rows are the width rounded up to 32 bits.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "platform/windef.h"

namespace trv::driver {

using ToneTable = std::array<BYTE, 256>;

// Brightness c in percent (clamped to -100..100): i + c (255 - i) / 100 for c > 0,
// i + c i / 100 for c < 0, truncated toward zero.
ToneTable BrightnessTable(int percent);
// Contrast d (clamped to -100..100) as a curve: with x = (101 + d) / 100,
// entry i = 256 (1 - (1 - i/256)^x)^(1/x), truncated, clamped to 0..255.
ToneTable CurveTable(int contrast);

// Memory order of the three bytes of a 24-bpp pixel, as the surface's palette says.
enum class ByteOrder { kBgr, kRgb };

// Grey of a pixel: (30 red + 59 green + 11 blue) / 100, whatever the byte order.
struct GreyWeights {
  int first, second, third;  // for the bytes in memory order
};
GreyWeights GreyWeightsFor(ByteOrder order);
inline int Grey(const BYTE* pixel, GreyWeights w) {
  return (w.first * pixel[0] + w.second * pixel[1] + w.third * pixel[2]) / 100;
}

struct SurfaceView {
  DWORD width = 0, height = 0;
  DWORD stride = 0;      // bytes per row
  int bitsPerPixel = 1;  // 1 or 24
  BYTE* bits = nullptr;
  std::size_t byteSize() const { return std::size_t{stride} * height; }
};

struct PageBitmap {
  DWORD width = 0, height = 0, stride = 0;
  std::vector<BYTE> bits;  // stride x height bytes
};
DWORD PageStride(DWORD width);
// A white bitmap (throws std::bad_alloc when it cannot be had).
PageBitmap WhiteBitmap(DWORD width, DWORD height);

// Every byte 0xFF.
bool IsEmptyPage(const BYTE* bits, std::size_t size);

// Maps every byte of the surface through the table.
void ApplyTone(const SurfaceView& surface, const ToneTable& table);

// The three reductions of a 24-bpp surface (128 is the threshold).
PageBitmap ReduceThreshold(const SurfaceView& surface, ByteOrder order);
PageBitmap ReduceOrderedDither(const SurfaceView& surface, ByteOrder order);
PageBitmap ReduceErrorDiffusion(const SurfaceView& surface, ByteOrder order);

// A quarter turn counter-clockwise: the top edge of the page as drawn becomes the
// left edge; pixel (x, y) of the result is pixel (height' - 1 - y, x) of the source.
PageBitmap RotateLandscape(const PageBitmap& page);

// Sets every bit beyond the width in every row (those pixels are white).
void WhitenRowEnds(PageBitmap& page);

}  // namespace trv::driver
