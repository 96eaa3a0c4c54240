// The page bitmap as EPL "GW" graphics: the page is copied with the dots beyond its
// width made white, turned by 180 degrees for a landscape job, cut into rectangles
// of byte columns and rows, and each rectangle is sent as a "GW" line followed by its
// rows unchanged (1 = white, as in the page bitmap), one write per row.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "dcl/object/page_bitmap.h"
#include "platform/windef.h"

namespace trv::dcl::epl {

// Region splitting starts merging at this waste, in byte columns x rows.
inline constexpr DWORD kRegionThreshold = 18;

struct PageGeometry {
  DWORD width = 0;   // dots
  DWORD height = 0;  // rows
  DWORD stride = 0;  // bytes per row
};

// Copies `height` rows of `stride` bytes into `out`, whitening the dots beyond the
// width, and turns the copy by 180 degrees when asked. Fails with
// ERROR_INVALID_PARAMETER when the stride cannot hold the width or the data is short,
// ERROR_NOT_ENOUGH_MEMORY when the copy cannot be made.
BOOL PreparePage(std::span<const BYTE> data, const PageGeometry& page, bool turn,
                 std::vector<BYTE>* out);

// Where the black of a prepared page lies: the box around it widened by 2 (nothing for
// a page without black), or the regions that hold it. False when memory runs out.
bool PageRectangles(const PageBitmap& page, bool regions, std::vector<ByteRect>* rects);

// The steps a rectangle is sent with: the placement line ("GW"), each row, the end.
struct GraphicsOutput {
  std::function<BOOL(LONG x, LONG y, DWORD widthBytes, DWORD rows)> place;
  std::function<BOOL(const BYTE* bytes, DWORD count)> writeRow;
  std::function<BOOL()> end;
};

// Sends one rectangle; a failed step stops it and fails.
BOOL SendRectangle(const PageBitmap& page, const ByteRect& rect, const GraphicsOutput& output);

// Buffers a page is prepared in; kept from page to page, so that a job of many pages
// allocates them once.
struct GraphicsWork {
  std::vector<BYTE> copy;
  PageBitmap page;
  std::vector<ByteRect> rects;
};

// The whole page: prepare, find the rectangles, send each; stops at the first failure.
BOOL SendPageGraphics(std::span<const BYTE> data, const PageGeometry& page, bool turn, bool regions,
                      const GraphicsOutput& output, GraphicsWork& work);

}  // namespace trv::dcl::epl
