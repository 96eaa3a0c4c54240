// The page bitmap as CPCL graphics: one "PCX" command and image per rectangle of
// the page that holds black, either the page's bounding box or its regions.
#include <vector>

#include "dcl/cpcl/dcl_cpcl.h"
#include "dcl/cpcl/pcx.h"
#include "platform/kernel.h"
#include "spool/record.h"

namespace trv::dcl {

namespace {
constexpr DWORD kBoundsMargin = 2;
constexpr WORD kPlacePcx = 0x2002;
}  // namespace

BOOL CDCLCpcl::BeginBitmap(WORD width, WORD height, WORD stride) {
  return bitmap_.Begin(width, height, stride);
}

BOOL CDCLCpcl::PlaceBitmap(WORD kind, WORD x, WORD y, WORD, WORD) {
  if ((kind & 0xFF) != 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The header line carries the horizontal label offset.
  return SendLine("PCX %u %u", static_cast<unsigned>(x),
                  static_cast<unsigned>(y + Frame().offsetY));
}

BOOL CDCLCpcl::ResetBitmap() {
  bitmap_.Reset();
  return TRUE;
}

BOOL CDCLCpcl::BitmapData(std::span<BYTE> record) {
  if (record.size() < spool::DCLD_HEADER_SIZE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::span<BYTE> payload = record.subspan(spool::DCLD_HEADER_SIZE);
  // Data without a bitmap header on this page is printer data of its own (a PCX
  // image placed by a "PCX" command before it).
  if (!bitmap_.HasHeader()) return WriteCommand(payload.data(), static_cast<DWORD>(payload.size()));
  if (!bitmap_.Take(payload)) return FALSE;

  std::vector<ByteRect> rects;
  if (graphicsRegions_) {
    if (!SplitIntoRegions(bitmap_, RegionSplit{}, rects)) return FALSE;
  } else {
    ByteRect box;
    if (bitmap_.PaddedBounds(kBoundsMargin, box)) rects.push_back(box);
  }
  std::vector<BYTE> image;
  for (const ByteRect& rect : rects) {
    if (!PlaceBitmap(kPlacePcx, static_cast<WORD>(8 * rect.left), static_cast<WORD>(rect.top),
                     static_cast<WORD>(rect.right - rect.left + 1),
                     static_cast<WORD>(rect.bottom - rect.top + 1)))
      return FALSE;
    image.clear();
    try {
      EncodePcxImage(bitmap_, rect, image);
    } catch (const std::bad_alloc&) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return FALSE;
    }
    if (!WriteCommand(image.data(), static_cast<DWORD>(image.size()))) return FALSE;
    if (!EndBitmap()) return FALSE;
  }
  // The next data record is decided afresh.
  bitmap_.Reset();
  return TRUE;
}

}  // namespace trv::dcl
