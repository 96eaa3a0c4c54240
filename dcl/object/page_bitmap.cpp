#include "dcl/object/page_bitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv::dcl {

BOOL PageBitmap::Begin(DWORD width, DWORD height, DWORD stride) {
  // A row must hold its width; a narrower stride would read the next row's bytes.
  if (std::uint64_t{stride} * 8 < width) {
    Reset();
    return Fail(ERROR_INVALID_PARAMETER);
  }
  haveHeader_ = true;
  width_ = width;
  height_ = height;
  stride_ = stride;
  bytes_.clear();
  return TRUE;
}

void PageBitmap::Reset() {
  haveHeader_ = false;
  width_ = height_ = stride_ = 0;
  bytes_.clear();
}

BOOL PageBitmap::Take(std::span<const BYTE> payload) {
  const std::uint64_t size = std::uint64_t{height_} * stride_;
  if (payload.size() < size) return Fail(ERROR_INVALID_PARAMETER);
  try {
    bytes_.assign(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(size));
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  return TRUE;
}

bool PageBitmap::BlackBounds(ByteRect& rect) const {
  bool found = false;
  ByteRect r{};
  for (DWORD row = 0; row < height_; ++row) {
    const BYTE* p = Row(row);
    DWORD first = 0;
    while (first < stride_ && p[first] == 0xFF) ++first;
    if (first == stride_) continue;
    DWORD last = stride_ - 1;
    while (p[last] == 0xFF) --last;
    if (!found) {
      r = ByteRect{first, row, last, row};
      found = true;
    } else {
      r.left = std::min(r.left, first);
      r.right = std::max(r.right, last);
      r.bottom = row;
    }
  }
  if (found) rect = r;
  return found;
}

bool PageBitmap::PaddedBounds(DWORD margin, ByteRect& rect) const {
  ByteRect r;
  if (!BlackBounds(r)) return false;
  rect.left = r.left > margin ? r.left - margin : 0;
  rect.top = r.top > margin ? r.top - margin : 0;
  rect.right = std::min<std::uint64_t>(std::uint64_t{r.right} + margin, stride_ - 1);
  rect.bottom = std::min<std::uint64_t>(std::uint64_t{r.bottom} + margin, height_ - 1);
  return true;
}

namespace {

std::uint64_t Area(const ByteRect& r) {
  return (std::uint64_t{r.right} - r.left + 1) * (std::uint64_t{r.bottom} - r.top + 1);
}

ByteRect Union(const ByteRect& a, const ByteRect& b) {
  return ByteRect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                  std::max(a.bottom, b.bottom)};
}

// One merge pass: every pair whose union wastes less than `threshold` becomes one.
// The kept rectangles move to the front in their order.
bool MergePass(std::vector<ByteRect>& rects, std::uint64_t threshold) {
  bool merged = false;
  std::vector<bool> removed(rects.size(), false);
  for (size_t q = 0; q < rects.size(); ++q) {
    if (removed[q]) continue;
    for (size_t r = q + 1; r < rects.size(); ++r) {
      if (removed[r]) continue;
      const ByteRect u = Union(rects[q], rects[r]);
      const std::uint64_t parts = Area(rects[q]) + Area(rects[r]);
      const std::uint64_t whole = Area(u);
      if (whole < parts || whole - parts < threshold) {
        rects[q] = u;
        removed[r] = true;
        merged = true;
      }
    }
  }
  size_t kept = 0;
  for (size_t i = 0; i < rects.size(); ++i)
    if (!removed[i]) rects[kept++] = rects[i];
  rects.resize(kept);
  return merged;
}

}  // namespace

bool SplitIntoRegions(const PageBitmap& page, const RegionSplit& parameters,
                      std::vector<ByteRect>& rects) try {
  rects.clear();
  const DWORD limit = std::max<DWORD>(parameters.limit, 2);
  rects.reserve(limit);
  // 64 bits: doubling can never wrap back to a threshold that merges nothing.
  std::uint64_t threshold = std::max<DWORD>(parameters.threshold, 1);
  const DWORD stride = page.stride();
  for (DWORD row = 0; row < page.height(); ++row) {
    DWORD j = 0;
    while (j < stride) {
      // A word is white when both its bytes are (a missing second byte is white).
      auto blackWord = [&](DWORD at) {
        return page.At(at, row) != 0xFF || page.At(at + 1, row) != 0xFF;
      };
      if (!blackWord(j)) {
        j += 2;
        continue;
      }
      DWORD start = j;
      while (j < stride && blackWord(j)) j += 2;
      ByteRect run{start, row, std::min(j, stride) - 1, row};
      while (rects.size() >= limit) {
        // Every pass either merges or doubles the threshold; once the threshold
        // passes the page's area every pair merges, so this ends.
        if (!MergePass(rects, threshold)) threshold *= 2;
      }
      rects.push_back(run);
    }
  }
  MergePass(rects, threshold);
  return true;
} catch (const std::bad_alloc&) {
  rects.clear();
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return false;
}

}  // namespace trv::dcl
