#include "dcl/epl/epl_graphics.h"

#include <array>
#include <cstring>
#include <new>

#include "platform/kernel.h"

namespace trv::dcl::epl {
namespace {

constexpr std::array<BYTE, 256> MakeBitReversal() {
  std::array<BYTE, 256> table{};
  for (int i = 0; i < 256; ++i) {
    int r = 0;
    for (int b = 0; b < 8; ++b)
      if (i & (1 << b)) r |= 0x80 >> b;
    table[static_cast<size_t>(i)] = static_cast<BYTE>(r);
  }
  return table;
}
constexpr std::array<BYTE, 256> kReversed = MakeBitReversal();

// Makes the dots from `width` to the end of the row white.
void WhitenBeyond(BYTE* row, DWORD stride, DWORD width) {
  DWORD full = width / 8;
  if (full >= stride) return;
  if (DWORD bits = width % 8; bits != 0) {
    row[full] |= static_cast<BYTE>(0xFF >> bits);
    ++full;
  }
  std::memset(row + full, 0xFF, stride - full);
}

// One row turned: dot j takes the value of dot width - 1 - j of `source`.
// `reversed` is scratch of stride bytes.
void TurnRow(const BYTE* source, BYTE* target, BYTE* reversed, DWORD stride, DWORD width) {
  // Reversing the bytes and their bits puts dot p at stride * 8 - 1 - p; the dots
  // beyond the width then lead by `pad` and are shifted out.
  for (DWORD i = 0; i < stride; ++i) reversed[i] = kReversed[source[stride - 1 - i]];
  const DWORD pad = stride * 8 - width;
  const DWORD byteShift = pad / 8;
  const DWORD bitShift = pad % 8;
  auto at = [&](DWORD i) -> unsigned { return i < stride ? reversed[i] : 0xFFu; };
  for (DWORD k = 0; k < stride; ++k) {
    unsigned a = at(k + byteShift);
    if (bitShift == 0) {
      target[k] = static_cast<BYTE>(a);
    } else {
      unsigned b = at(k + byteShift + 1);
      target[k] = static_cast<BYTE>((a << bitShift) | (b >> (8 - bitShift)));
    }
  }
  WhitenBeyond(target, stride, width);
}

}  // namespace

BOOL PreparePage(std::span<const BYTE> data, const PageGeometry& page, bool turn,
                 std::vector<BYTE>* out) {
  const size_t size = static_cast<size_t>(page.height) * page.stride;
  // A stride that cannot hold the width would make the turn read before the row.
  if (static_cast<unsigned long long>(page.stride) * 8 < page.width || data.size() < size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  try {
    out->resize(size);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  if (size == 0) return TRUE;
  if (!turn) {
    std::memcpy(out->data(), data.data(), size);
    if (page.width < page.stride * 8)
      for (DWORD r = 0; r < page.height; ++r)
        WhitenBeyond(out->data() + static_cast<size_t>(r) * page.stride, page.stride, page.width);
    return TRUE;
  }
  std::vector<BYTE> scratch;
  try {
    scratch.resize(page.stride);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  for (DWORD r = 0; r < page.height; ++r) {
    const BYTE* source = data.data() + static_cast<size_t>(page.height - 1 - r) * page.stride;
    TurnRow(source, out->data() + static_cast<size_t>(r) * page.stride, scratch.data(), page.stride,
            page.width);
  }
  return TRUE;
}

bool PageRectangles(const PageBitmap& page, bool regions, std::vector<ByteRect>* rects) {
  rects->clear();
  if (regions) return SplitIntoRegions(page, RegionSplit{kRegionThreshold, 960}, *rects);
  ByteRect box;
  if (page.PaddedBounds(2, box)) rects->push_back(box);
  return true;
}

BOOL SendRectangle(const PageBitmap& page, const ByteRect& rect, const GraphicsOutput& output) {
  if (rect.right < rect.left || rect.bottom < rect.top || rect.right >= page.stride() ||
      rect.bottom >= page.height()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD widthBytes = rect.right - rect.left + 1;
  const DWORD rows = rect.bottom - rect.top + 1;
  if (!output.place(static_cast<LONG>(8 * rect.left), static_cast<LONG>(rect.top), widthBytes,
                    rows))
    return FALSE;
  for (DWORD r = rect.top; r <= rect.bottom; ++r)
    if (!output.writeRow(page.Row(r) + rect.left, widthBytes)) return FALSE;
  return output.end ? output.end() : TRUE;
}

BOOL SendPageGraphics(std::span<const BYTE> data, const PageGeometry& geometry, bool turn,
                      bool regions, const GraphicsOutput& output, GraphicsWork& work) {
  if (!PreparePage(data, geometry, turn, &work.copy)) return FALSE;
  if (geometry.height == 0 || geometry.stride == 0) return TRUE;
  if (!work.page.Begin(geometry.width, geometry.height, geometry.stride) ||
      !work.page.Take(work.copy))
    return FALSE;
  if (!PageRectangles(work.page, regions, &work.rects)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  for (const ByteRect& rect : work.rects)
    if (!SendRectangle(work.page, rect, output)) return FALSE;
  return TRUE;
}

}  // namespace trv::dcl::epl
