#include "dcl/object/page_regions.h"

#include <algorithm>
#include <cstring>

namespace trv::dcl {
namespace {

bool RowHasBlack(const BYTE* row, DWORD stride, DWORD* first, DWORD* last) {
  DWORD i = 0;
  while (i < stride && row[i] == 0xFF) ++i;
  if (i == stride) return false;
  DWORD j = stride - 1;
  while (row[j] == 0xFF) --j;
  *first = i;
  *last = j;
  return true;
}

LONG Area(const BitmapRect& r) { return (r.right - r.left + 1) * (r.bottom - r.top + 1); }

BitmapRect Union(const BitmapRect& a, const BitmapRect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

constexpr LONG kRemoved = 0xFFFF;

// One merge pass; true when anything merged. Live rectangles keep their order.
bool MergePass(std::vector<BitmapRect>& rects, DWORD threshold) {
  bool merged = false;
  for (size_t q = 0; q < rects.size(); ++q) {
    if (rects[q].left == kRemoved) continue;
    for (size_t r = q + 1; r < rects.size(); ++r) {
      if (rects[r].left == kRemoved) continue;
      BitmapRect u = Union(rects[q], rects[r]);
      if (Area(u) - Area(rects[q]) - Area(rects[r]) < static_cast<LONG>(threshold)) {
        rects[q] = u;
        rects[r].left = kRemoved;
        merged = true;
      }
    }
  }
  std::erase_if(rects, [](const BitmapRect& r) { return r.left == kRemoved; });
  return merged;
}

}  // namespace

BitmapRect BlackBoundingRect(std::span<const BYTE> bits, DWORD stride, DWORD height) {
  LONG minCol = 0, maxCol = 0, minRow = 0, maxRow = 0;
  bool any = false;
  if (stride > 0) {
    height = std::min<DWORD>(height, static_cast<DWORD>(bits.size() / stride));
    for (DWORD row = 0; row < height; ++row) {
      DWORD first, last;
      if (!RowHasBlack(bits.data() + static_cast<size_t>(row) * stride, stride, &first, &last))
        continue;
      if (!any) {
        minCol = static_cast<LONG>(first);
        maxCol = static_cast<LONG>(last);
        minRow = static_cast<LONG>(row);
        any = true;
      }
      minCol = std::min(minCol, static_cast<LONG>(first));
      maxCol = std::max(maxCol, static_cast<LONG>(last));
      maxRow = static_cast<LONG>(row);
    }
  }
  BitmapRect r;
  r.left = std::max<LONG>(0, minCol - 2);
  r.top = std::max<LONG>(0, minRow - 2);
  r.right = std::min<LONG>(static_cast<LONG>(stride) - 1, maxCol + 2);
  r.bottom = std::min<LONG>(static_cast<LONG>(height) - 1, maxRow + 2);
  return r;
}

std::vector<BitmapRect> SplitIntoRegions(std::span<const BYTE> bits, DWORD stride, DWORD height,
                                         DWORD threshold, DWORD limit) {
  std::vector<BitmapRect> rects;
  if (stride == 0) return rects;
  height = std::min<DWORD>(height, static_cast<DWORD>(bits.size() / stride));
  limit = std::max<DWORD>(limit, 1);
  rects.reserve(limit);
  // An odd last byte counts as a word whose second half is white.
  const DWORD words = (stride + 1) / 2;
  for (DWORD row = 0; row < height; ++row) {
    const BYTE* p = bits.data() + static_cast<size_t>(row) * stride;
    auto white = [&](DWORD k) {
      return p[2 * k] == 0xFF && (2 * k + 1 >= stride || p[2 * k + 1] == 0xFF);
    };
    DWORD k = 0;
    while (k < words) {
      if (white(k)) {
        ++k;
        continue;
      }
      DWORD start = k;
      while (k < words && !white(k)) ++k;
      while (rects.size() >= limit) {
        if (!MergePass(rects, threshold)) threshold *= 2;
      }
      rects.push_back({static_cast<LONG>(2 * start), static_cast<LONG>(row),
                       static_cast<LONG>(std::min(2 * k, stride) - 1), static_cast<LONG>(row)});
    }
  }
  MergePass(rects, threshold);
  return rects;
}

}  // namespace trv::dcl
