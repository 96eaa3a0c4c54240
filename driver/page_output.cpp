#include "driver/page_output.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/last_error.h"
#include "platform/winerror.h"
#include "spool/record.h"

namespace trv::driver {

namespace {

// The surface bytes as a 1-bpp page: rows of the page stride taken from the surface's
// rows (the same rows when the surface is 1-bpp already).
PageBitmap CopyAsOneBit(const SurfaceView& s) {
  PageBitmap page = WhiteBitmap(s.width, s.height);
  const std::size_t n = std::min<std::size_t>(page.stride, s.stride);
  for (DWORD y = 0; y < s.height; ++y)
    std::memcpy(page.bits.data() + std::size_t{y} * page.stride, s.bits + std::size_t{y} * s.stride,
                n);
  return page;
}

PageBitmap OneBitPage(const SurfaceView& s, const PageSettings& settings) {
  if (settings.sendBitsAsIs || s.bitsPerPixel != 24) return CopyAsOneBit(s);
  switch (settings.renderMode) {
    case 0: return ReduceThreshold(s, settings.order);
    case 1: return ReduceOrderedDither(s, settings.order);
    case 2: return ReduceErrorDiffusion(s, settings.order);
    default: return CopyAsOneBit(s);
  }
}

}  // namespace

BOOL WritePageBitmap(const PageBitmap& page, const RecordWriter& write) {
  if (page.width > 0xFFFF || page.height > 0xFFFF || page.stride > 0xFFFF)
    return Fail(ERROR_INVALID_PARAMETER);
  BYTE header[6];
  spool::WriteU16(header, static_cast<WORD>(page.width));
  spool::WriteU16(header + 2, static_cast<WORD>(page.height));
  spool::WriteU16(header + 4, static_cast<WORD>(page.stride));
  if (!write(spool::DCLD_BITMAP_HEADER, header, sizeof header)) return FALSE;
  return write(spool::DCLD_BITMAP_DATA, page.bits.data(), static_cast<DWORD>(page.bits.size()));
}

PageResult ReducePage(const SurfaceView& surface, const PageSettings& settings,
                      const RecordWriter& write) {
  if (IsEmptyPage(surface.bits, surface.byteSize())) return PageResult::kEmpty;
  if (surface.width > 0xFFFF || surface.height > 0xFFFF) {
    Fail(ERROR_INVALID_PARAMETER);
    return PageResult::kFailed;
  }
  try {
    PageBitmap page = OneBitPage(surface, settings);
    if (settings.landscape) page = RotateLandscape(page);
    WhitenRowEnds(page);
    return WritePageBitmap(page, write) ? PageResult::kWritten : PageResult::kFailed;
  } catch (const std::bad_alloc&) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return PageResult::kFailed;
  }
}

}  // namespace trv::driver
