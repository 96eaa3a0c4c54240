#include "driver/page_pixels.h"

#include <algorithm>
#include <bit>
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

// Reduces a 24-bpp surface into a new bitmap by comparing each pixel's weighted sum
// with a threshold: white when the sum is at least atLeast(y)[x mod 8]. Eight white or
// eight black pixels in a row (24 bytes of 0xFF or of 0) skip the sums: both methods
// take grey 255 for white and grey 0 for black. The other eight are compared without
// a branch per pixel, their bits gathered into the byte.
template <typename Thresholds>
PageBitmap ReduceBySums(const SurfaceView& s, const WeightTables& w, Thresholds atLeast) {
  PageBitmap out = WhiteBitmap(s.width, s.height);
  for (DWORD y = 0; y < s.height; ++y) {
    const BYTE* src = s.bits + std::size_t{y} * s.stride;
    BYTE* dst = out.bits.data() + std::size_t{y} * out.stride;
    const int* limit = atLeast(y);
    auto sum = [&w](const BYTE* p) { return w.sum(p); };
    DWORD x = 0;
    for (; x + 8 <= s.width; x += 8) {
      const BYTE* p = src + std::size_t{x} * 3;
      std::uint64_t a, b, c;
      std::memcpy(&a, p, 8);
      std::memcpy(&b, p + 8, 8);
      std::memcpy(&c, p + 16, 8);
      if ((a & b & c) == ~std::uint64_t{0}) continue;  // white stays white
      if ((a | b | c) == 0) {                          // and black black
        dst[x >> 3] = 0x00;
        continue;
      }
      unsigned bits = 0;
      for (unsigned k = 0; k < 8; ++k)
        bits |= static_cast<unsigned>(sum(p + 3 * k) >= limit[k]) << (7 - k);
      dst[x >> 3] = static_cast<BYTE>(bits);
    }
    for (; x < s.width; ++x)
      if (sum(src + std::size_t{x} * 3) < limit[x & 7]) SetBlack(dst, x);
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
  // grey = sum / 100 > 128 exactly when sum >= 12900
  int limit[8];
  std::fill_n(limit, 8, (kThreshold + 1) * 100);
  return ReduceBySums(s, WeightTables(GreyWeightsFor(order)),
                      [&limit](DWORD) -> const int* { return limit; });
}

PageBitmap ReduceOrderedDither(const SurfaceView& s, ByteOrder order) {
  // A dot is white when its level v = grey x 64 / 255 is 64 or above the matrix entry
  // m; v grows with the weighted sum, so that is a sum of at least least[m + 1], the
  // smallest sum whose level reaches m + 1 (for m = 63 that is v = 64 itself).
  int least[65];
  for (int level = 0, sum = 0; level <= 64; ++level) {
    while ((sum / 100) * 64 / 255 < level) ++sum;
    least[level] = sum;
  }
  int atLeast[8][8];  // [y mod 8][x mod 8]
  for (int x = 0; x < 8; ++x)
    for (int y = 0; y < 8; ++y) atLeast[y][x] = least[kBayer[x][y] + 1];
  return ReduceBySums(s, WeightTables(GreyWeightsFor(order)),
                      [&atLeast](DWORD y) -> const int* { return atLeast[y & 7]; });
}

namespace {

// Whether eight greys are each 0 or 255: such dots spread no error.
bool Settled(std::uint64_t eight) {
  const std::uint64_t top = eight & 0x8080808080808080u;
  return (top >> 7) * 0xFF == eight;
}

// The page bits of eight settled greys (the first in memory is the leftmost dot).
BYTE SettledBits(std::uint64_t eight) {
  if constexpr (std::endian::native == std::endian::little) {
    // The top bit of byte i moved to bit 7 - i of the result.
    return static_cast<BYTE>((((eight & 0x8080808080808080u) >> 7) * 0x8040201008040201u) >> 56);
  } else {
    BYTE bits = 0;
    for (int i = 0; i < 8; ++i)
      if (reinterpret_cast<const BYTE*>(&eight)[i] != 0) bits |= static_cast<BYTE>(0x80u >> i);
    return bits;
  }
}

}  // namespace

PageBitmap ReduceErrorDiffusion(const SurfaceView& s, ByteOrder order) {
  const WeightTables w(GreyWeightsFor(order));
  PageBitmap out = WhiteBitmap(s.width, s.height);
  if (s.width == 0 || s.height == 0) return out;
  const long width = s.width;
  const long groups = width / 8;  // whole groups of eight dots; the rest one by one
  // Greys stay within 0..255 after every share, so a byte holds each; the rows are
  // padded to whole groups.
  const std::size_t padded = (s.width + 7) / 8 * 8;
  std::vector<BYTE> cur(padded, 0xFF), next(padded, 0xFF);
  auto greyRow = [&](DWORD y, std::vector<BYTE>& row) {
    const BYTE* src = s.bits + std::size_t{y} * s.stride;
    long x = 0;
    for (; x + 8 <= width; x += 8) {
      const BYTE* p = src + 3 * x;
      std::uint64_t a, b, c;
      std::memcpy(&a, p, 8);
      std::memcpy(&b, p + 8, 8);
      std::memcpy(&c, p + 16, 8);
      if ((a & b & c) == ~std::uint64_t{0} || (a | b | c) == 0) {
        std::memset(row.data() + x, a == 0 ? 0 : 0xFF, 8);
        continue;
      }
      for (long k = 0; k < 8; ++k) row[x + k] = static_cast<BYTE>(w.sum(p + 3 * k) / 100);
    }
    for (; x < width; ++x) row[x] = static_cast<BYTE>(w.sum(src + 3 * x) / 100);
  };
  auto load = [](const BYTE* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
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
    auto dot = [&](long x) {
      const int p = cur[x];
      const bool white = p > kThreshold;
      const int e = white ? p - 255 : p;
      if (!white) SetBlack(dst, static_cast<DWORD>(x));
      if (e == 0) return;  // every share of no error is nothing
      const long ahead = x + step, behind = x - step;
      const bool aheadIn = ahead >= 0 && ahead < width, behindIn = behind >= 0 && behind < width;
      if (aheadIn) cur[ahead] = static_cast<BYTE>(ClampGrey(cur[ahead] + ((7 * e) >> 4)));
      if (!hasNext) return;
      if (behindIn) next[behind] = static_cast<BYTE>(ClampGrey(next[behind] + ((3 * e) >> 4)));
      next[x] = static_cast<BYTE>(ClampGrey(next[x] + (leftward ? (5 * e) / 16 : (5 * e) >> 4)));
      if (aheadIn) next[ahead] = static_cast<BYTE>(ClampGrey(next[ahead] + (e >> 4)));
    };
    // A group of eight whose greys, as the scan reaches it, are all 0 or 255 is
    // written at once: it spreads nothing, and nothing more reaches it in this row.
    auto group = [&](long g) {
      const std::uint64_t eight = load(cur.data() + 8 * g);
      if (Settled(eight)) {
        dst[g] = SettledBits(eight);
        return;
      }
      for (long k = 0; k < 8; ++k) dot(leftward ? 8 * g + 7 - k : 8 * g + k);
    };
    if (leftward) {
      for (long x = width - 1; x >= 8 * groups; --x) dot(x);
      for (long g = groups - 1; g >= 0; --g) group(g);
    } else {
      for (long g = 0; g < groups; ++g) group(g);
      for (long x = 8 * groups; x < width; ++x) dot(x);
    }
    std::swap(cur, next);
    if (hasNext) std::fill(next.begin(), next.end(), BYTE{0xFF});
  }
  return out;
}

PageBitmap RotateLandscape(const PageBitmap& page) {
  PageBitmap out = WhiteBitmap(page.height, page.width);
  // Source column c becomes result row (width - 1 - c) and source row x result
  // column x. The page is turned in blocks of eight rows by eight columns: the block's
  // eight bytes, one per row, transposed give one byte for each of eight result rows;
  // white blocks, most of a label, are left as they are.
  const DWORD bytesPerRow = (page.width + 7) / 8;
  for (DWORD x0 = 0; x0 < page.height; x0 += 8) {
    const DWORD rows = std::min<DWORD>(8, page.height - x0);
    const BYTE* src = page.bits.data() + std::size_t{x0} * page.stride;
    for (DWORD k = 0; k < bytesPerRow; ++k) {
      // Row i of the block in byte 7 - i, so that the transpose reads top row first.
      std::uint64_t block = 0;
      for (DWORD i = 0; i < 8; ++i) {
        const BYTE b = i < rows ? src[std::size_t{i} * page.stride + k] : BYTE{0xFF};
        block |= std::uint64_t{b} << (56 - 8 * i);
      }
      if (block == ~std::uint64_t{0}) continue;
      // The 8 x 8 bit transpose: byte 7 - j then holds column j, top dot in bit 7.
      std::uint64_t t;
      t = (block ^ (block >> 7)) & 0x00AA00AA00AA00AAu;
      block ^= t ^ (t << 7);
      t = (block ^ (block >> 14)) & 0x0000CCCC0000CCCCu;
      block ^= t ^ (t << 14);
      t = (block ^ (block >> 28)) & 0x00000000F0F0F0F0u;
      block ^= t ^ (t << 28);
      for (DWORD j = 0; j < 8 && k * 8 + j < page.width; ++j) {
        const DWORD c = k * 8 + j;
        out.bits[std::size_t{page.width - 1 - c} * out.stride + (x0 >> 3)] =
            static_cast<BYTE>(block >> (56 - 8 * j));
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
