#include "driver/page_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace trv::driver {

namespace {

constexpr int kThreshold = 128;

// The 8 x 8 Bayer index matrix, looked up as [x mod 8][y mod 8].
constexpr BYTE kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                               {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                               {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                               {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

BYTE ClampByte(long v) { return static_cast<BYTE>(std::clamp<long>(v, 0, 255)); }
int ClampGrey(int v) { return std::clamp(v, 0, 255); }

inline void SetBlack(BYTE* row, DWORD x) { row[x >> 3] &= static_cast<BYTE>(~(0x80u >> (x & 7))); }

// Per-byte products of the weights, so that a pixel's grey costs three look-ups.
struct WeightTables {
  explicit WeightTables(GreyWeights w) {
    for (int i = 0; i < 256; ++i) {
      first[i] = w.first * i;
      second[i] = w.second * i;
      third[i] = w.third * i;
    }
  }
  int sum(const BYTE* p) const { return first[p[0]] + second[p[1]] + third[p[2]]; }
  int first[256], second[256], third[256];
};

// Runs `pixelIsWhite(x, y, pixel)` over every pixel of a 24-bpp surface into a new
// bitmap; eight white pixels in a row (24 bytes of 0xFF) skip the test.
template <typename Test>
PageBitmap ReducePerPixel(const SurfaceView& s, Test pixelIsWhite) {
  PageBitmap out = WhiteBitmap(s.width, s.height);
  for (DWORD y = 0; y < s.height; ++y) {
    const BYTE* src = s.bits + std::size_t{y} * s.stride;
    BYTE* dst = out.bits.data() + std::size_t{y} * out.stride;
    DWORD x = 0;
    for (; x + 8 <= s.width; x += 8) {
      const BYTE* p = src + std::size_t{x} * 3;
      std::uint64_t a, b, c;
      std::memcpy(&a, p, 8);
      std::memcpy(&b, p + 8, 8);
      std::memcpy(&c, p + 16, 8);
      if ((a & b & c) == ~std::uint64_t{0}) continue;  // white stays white at every method
      BYTE bits = 0xFF;
      for (DWORD k = 0; k < 8; ++k)
        if (!pixelIsWhite(x + k, y, p + 3 * k)) bits &= static_cast<BYTE>(~(0x80u >> k));
      dst[x >> 3] = bits;
    }
    for (; x < s.width; ++x)
      if (!pixelIsWhite(x, y, src + std::size_t{x} * 3)) SetBlack(dst, x);
  }
  return out;
}

}  // namespace

ToneTable BrightnessTable(int percent) {
  const long c = std::clamp(percent, -100, 100);
  ToneTable t{};
  for (long i = 0; i < 256; ++i) t[i] = ClampByte(i + (c > 0 ? c * (255 - i) / 100 : c * i / 100));
  return t;
}

ToneTable CurveTable(int contrast) {
  // Clamped, the exponent stays between 0.01 and 2.01: never zero, never negative.
  const double x = (101.0 + std::clamp(contrast, -100, 100)) / 100.0;
  ToneTable t{};
  for (int i = 0; i < 256; ++i) {
    const double v = 256.0 * std::pow(1.0 - std::pow(1.0 - i / 256.0, x), 1.0 / x);
    t[i] = ClampByte(static_cast<long>(std::trunc(v)));
  }
  return t;
}

GreyWeights GreyWeightsFor(ByteOrder order) {
  return order == ByteOrder::kBgr ? GreyWeights{11, 59, 30} : GreyWeights{30, 59, 11};
}

DWORD PageStride(DWORD width) { return ((width + 31) / 32) * 4; }

PageBitmap WhiteBitmap(DWORD width, DWORD height) {
  PageBitmap b;
  b.width = width;
  b.height = height;
  b.stride = PageStride(width);
  b.bits.assign(std::size_t{b.stride} * height, 0xFF);
  return b;
}

bool IsEmptyPage(const BYTE* bits, std::size_t size) {
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, bits + i, 8);
    if (w != ~std::uint64_t{0}) return false;
  }
  for (; i < size; ++i)
    if (bits[i] != 0xFF) return false;
  return true;
}

void ApplyTone(const SurfaceView& surface, const ToneTable& table) {
  BYTE* p = surface.bits;
  for (std::size_t i = 0, n = surface.byteSize(); i < n; ++i) p[i] = table[p[i]];
}

PageBitmap ReduceThreshold(const SurfaceView& s, ByteOrder order) {
  const WeightTables w(GreyWeightsFor(order));
  // grey = sum / 100 > 128 exactly when sum >= 12900
  return ReducePerPixel(
      s, [&w](DWORD, DWORD, const BYTE* p) { return w.sum(p) >= (kThreshold + 1) * 100; });
}

PageBitmap ReduceOrderedDither(const SurfaceView& s, ByteOrder order) {
  const WeightTables w(GreyWeightsFor(order));
  // The dither level v = grey x 64 / 255 of every weighted sum, looked up.
  std::vector<BYTE> level(255 * 100 + 1);
  for (std::size_t sum = 0; sum < level.size(); ++sum)
    level[sum] = static_cast<BYTE>(static_cast<int>(sum / 100) * 64 / 255);
  return ReducePerPixel(s, [&w, &level](DWORD x, DWORD y, const BYTE* p) {
    const int v = level[w.sum(p)];
    return v == 64 || kBayer[x & 7][y & 7] < v;
  });
}

PageBitmap ReduceErrorDiffusion(const SurfaceView& s, ByteOrder order) {
  const GreyWeights w = GreyWeightsFor(order);
  PageBitmap out = WhiteBitmap(s.width, s.height);
  if (s.width == 0 || s.height == 0) return out;
  const long width = s.width;
  std::vector<int> cur(s.width), next(s.width);
  auto greyRow = [&](DWORD y, std::vector<int>& row) {
    const BYTE* src = s.bits + std::size_t{y} * s.stride;
    for (long x = 0; x < width; ++x) row[x] = Grey(src + 3 * x, w);
  };
  greyRow(0, cur);
  for (DWORD y = 0; y < s.height; ++y) {
    const bool hasNext = y + 1 < s.height;
    if (hasNext) greyRow(y + 1, next);
    // Even rows run right to left, odd rows left to right, so that the error never
    // drifts one way down the page.
    const bool leftward = y % 2 == 0;
    const long step = leftward ? -1 : 1;
    BYTE* dst = out.bits.data() + std::size_t{y} * out.stride;
    for (long i = 0; i < width; ++i) {
      const long x = leftward ? width - 1 - i : i;
      const int p = cur[x];
      const bool white = p > kThreshold;
      const int e = white ? p - 255 : p;
      if (!white) SetBlack(dst, static_cast<DWORD>(x));
      const long ahead = x + step, behind = x - step;
      const bool aheadIn = ahead >= 0 && ahead < width, behindIn = behind >= 0 && behind < width;
      if (aheadIn) cur[ahead] = ClampGrey(cur[ahead] + ((7 * e) >> 4));
      if (!hasNext) continue;
      if (behindIn) next[behind] = ClampGrey(next[behind] + ((3 * e) >> 4));
      next[x] = ClampGrey(next[x] + (leftward ? (5 * e) / 16 : (5 * e) >> 4));
      if (aheadIn) next[ahead] = ClampGrey(next[ahead] + (e >> 4));
    }
    std::swap(cur, next);
  }
  return out;
}

PageBitmap RotateLandscape(const PageBitmap& page) {
  PageBitmap out = WhiteBitmap(page.height, page.width);
  // Source column c becomes result row (width - 1 - c) and source row x result
  // column x; the source is read a byte (eight columns) at a time, row by row, and
  // white bytes, most of a label, cost nothing more.
  const DWORD bytesPerRow = (page.width + 7) / 8;
  for (DWORD x = 0; x < page.height; ++x) {
    const BYTE* src = page.bits.data() + std::size_t{x} * page.stride;
    const BYTE mask = static_cast<BYTE>(~(0x80u >> (x & 7)));
    BYTE* column = out.bits.data() + (x >> 3);
    for (DWORD k = 0; k < bytesPerRow; ++k) {
      const BYTE b = src[k];
      if (b == 0xFF) continue;
      for (DWORD j = 0; j < 8; ++j) {
        const DWORD c = k * 8 + j;
        if (c >= page.width) break;
        if (!(b & (0x80u >> j))) column[std::size_t{page.width - 1 - c} * out.stride] &= mask;
      }
    }
  }
  return out;
}

void WhitenRowEnds(PageBitmap& page) {
  const DWORD used = page.width / 8, spare = page.width % 8;
  for (DWORD y = 0; y < page.height; ++y) {
    BYTE* row = page.bits.data() + std::size_t{y} * page.stride;
    DWORD from = used;
    if (spare != 0) row[from++] |= static_cast<BYTE>(0xFFu >> spare);
    std::fill(row + from, row + page.stride, BYTE{0xFF});
  }
}

}  // namespace trv::driver
