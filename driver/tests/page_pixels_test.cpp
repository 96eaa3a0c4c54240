#include "driver/page_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <vector>

namespace trv::driver {
namespace {

using Bytes = std::vector<BYTE>;

// A 24-bpp surface of grey pixels (all three bytes the same), rows given top first.
struct GreySurface {
  GreySurface(DWORD width, std::initializer_list<std::initializer_list<int>> rows) {
    view.width = width;
    view.height = static_cast<DWORD>(rows.size());
    view.stride = (width * 3 + 3) / 4 * 4;
    view.bitsPerPixel = 24;
    bytes.assign(std::size_t{view.stride} * view.height, 0xFF);
    DWORD y = 0;
    for (const auto& row : rows) {
      DWORD x = 0;
      for (int g : row) {
        std::fill_n(bytes.begin() + y * view.stride + 3 * x, 3, static_cast<BYTE>(g));
        ++x;
      }
      ++y;
    }
    view.bits = bytes.data();
  }
  GreySurface(DWORD width, DWORD height, int grey) : GreySurface(width, {}) {
    view.height = height;
    bytes.assign(std::size_t{view.stride} * height, 0xFF);
    for (DWORD y = 0; y < height; ++y)
      std::fill_n(bytes.begin() + y * view.stride, width * 3, static_cast<BYTE>(grey));
    view.bits = bytes.data();
  }
  Bytes bytes;
  SurfaceView view;
};

Bytes Row(const PageBitmap& page, DWORD y) {
  auto at = page.bits.begin() + std::size_t{y} * page.stride;
  return Bytes(at, at + page.stride);
}

bool IsWhite(const PageBitmap& page, DWORD x, DWORD y) {
  return page.bits[std::size_t{y} * page.stride + x / 8] & (0x80 >> (x % 8));
}

TEST(Grey, RedWeighs30AndBlue11WhateverTheByteOrder) {
  const BYTE redBgr[3] = {0, 0, 255}, blueBgr[3] = {255, 0, 0}, green[3] = {0, 255, 0};
  EXPECT_EQ(Grey(redBgr, GreyWeightsFor(ByteOrder::kBgr)), 76);
  EXPECT_EQ(Grey(blueBgr, GreyWeightsFor(ByteOrder::kBgr)), 28);
  EXPECT_EQ(Grey(blueBgr, GreyWeightsFor(ByteOrder::kRgb)), 76);  // the same bytes, now red
  EXPECT_EQ(Grey(green, GreyWeightsFor(ByteOrder::kRgb)), 150);
  const BYTE white[3] = {255, 255, 255};
  EXPECT_EQ(Grey(white, GreyWeightsFor(ByteOrder::kBgr)), 255);
}

TEST(Tone, BrightnessTableClampedAndTruncatedTowardZero) {
  const ToneTable up = BrightnessTable(50);
  EXPECT_EQ(up[0], 127);    // 50 x 255 / 100 = 127.5
  EXPECT_EQ(up[100], 177);  // 100 + 50 x 155 / 100
  EXPECT_EQ(up[255], 255);
  const ToneTable down = BrightnessTable(-50);
  EXPECT_EQ(down[255], 128);  // 255 - 127.5, toward zero
  EXPECT_EQ(down[0], 0);
  const ToneTable past = BrightnessTable(150);
  EXPECT_TRUE(std::all_of(past.begin(), past.end(), [](BYTE v) { return v == 255; }));
  const ToneTable under = BrightnessTable(-400);
  EXPECT_TRUE(std::all_of(under.begin(), under.end(), [](BYTE v) { return v == 0; }));
}

TEST(Tone, CurveTableForEveryContrastIsARisingCurve) {
  const ToneTable mid = CurveTable(0);
  EXPECT_EQ(mid[0], 0);
  EXPECT_EQ(mid[128], 129);  // 256 (1 - 0.5^1.01)^(1/1.01) = 129.8
  EXPECT_EQ(CurveTable(100)[255], 255);
  EXPECT_EQ(CurveTable(-100)[255], 0);
  // Contrast beyond the range acts as its end instead of dividing by zero.
  EXPECT_EQ(CurveTable(-101), CurveTable(-100));
  EXPECT_EQ(CurveTable(-5000), CurveTable(-100));
  EXPECT_EQ(CurveTable(300), CurveTable(100));
  for (int d = -100; d <= 100; d += 25) {
    const ToneTable t = CurveTable(d);
    EXPECT_TRUE(std::is_sorted(t.begin(), t.end())) << d;
  }
}

TEST(Tone, AppliedToEveryByteOfTheSurface) {
  GreySurface s(2, {{0, 100}});
  ApplyTone(s.view, BrightnessTable(50));
  EXPECT_EQ(s.bytes[0], 127);
  EXPECT_EQ(s.bytes[3], 177);
  EXPECT_EQ(s.bytes[6], 255);  // padding, white
}

TEST(Reduce, ThresholdIsWhiteAbove128) {
  GreySurface s(10, {{255, 128, 129, 0, 200, 100, 255, 255, 129, 128}});
  const PageBitmap page = ReduceThreshold(s.view, ByteOrder::kBgr);
  EXPECT_EQ(page.stride, 4u);
  EXPECT_EQ(Row(page, 0), (Bytes{0xAB, 0xBF, 0xFF, 0xFF}));
}

TEST(Reduce, ThresholdOfColoursFollowsTheByteOrder) {
  // Red (grey 76) is black, blue (grey 28) too, yellow (grey 226) white.
  GreySurface s(3, {{0, 0, 0}});
  const BYTE bgr[9] = {0, 0, 255, 255, 0, 0, 0, 255, 255};
  std::copy_n(bgr, 9, s.bytes.begin());
  EXPECT_EQ(Row(ReduceThreshold(s.view, ByteOrder::kBgr), 0)[0], 0x3F);
  // Read as RGB, the last pixel is cyan: 0.59 x 255 + 0.11 x 255 = 178, still white.
  EXPECT_EQ(Row(ReduceThreshold(s.view, ByteOrder::kRgb), 0)[0], 0x3F);
}

TEST(Reduce, OrderedDitherOfMidGreyWhitensHalfOfEveryBlock) {
  GreySurface s(16, 16, 128);  // v = 128 x 64 / 255 = 32
  const PageBitmap page = ReduceOrderedDither(s.view, ByteOrder::kBgr);
  for (DWORD by = 0; by < 16; by += 8)
    for (DWORD bx = 0; bx < 16; bx += 8) {
      int white = 0;
      for (DWORD y = by; y < by + 8; ++y)
        for (DWORD x = bx; x < bx + 8; ++x) white += IsWhite(page, x, y);
      EXPECT_EQ(white, 32);
    }
  // Row 0 takes the matrix's first column (0, 48, 12, 60, 3, 51, 15, 63), row 1 its
  // second (32, 16, 44, 28, 35, 19, 47, 31).
  EXPECT_EQ(Row(page, 0)[0], 0xAA);
  EXPECT_EQ(Row(page, 1)[0], 0x55);
  GreySurface white(8, 1, 255), black(8, 1, 0);
  EXPECT_EQ(Row(ReduceOrderedDither(white.view, ByteOrder::kBgr), 0)[0], 0xFF);
  EXPECT_EQ(Row(ReduceOrderedDither(black.view, ByteOrder::kBgr), 0)[0], 0x00);
}

TEST(Reduce, ErrorDiffusionWorkedByHand) {
  // Row 0 right to left: x2 100 black (e 100: x1 +43, below x2 +31, x1 +6);
  // x1 143 white (e -112: x0 -49, below x2 -21, x1 -35, x0 -7); x0 51 black (e 51:
  // below x1 +9, x0 +15). Row 1 left to right: 108 black (x1 +47), 127 black (x2 +55),
  // 165 white.
  GreySurface s(3, 2, 100);
  const PageBitmap page = ReduceErrorDiffusion(s.view, ByteOrder::kBgr);
  EXPECT_EQ(Row(page, 0)[0], 0x5F);
  EXPECT_EQ(Row(page, 1)[0], 0x3F);
}

TEST(Reduce, ErrorDiffusionComputesTheLastPixelsOfBothDirections) {
  GreySurface black(10, 2, 0), white(10, 2, 255);
  const PageBitmap b = ReduceErrorDiffusion(black.view, ByteOrder::kBgr);
  EXPECT_EQ(Row(b, 0), (Bytes{0x00, 0x3F, 0xFF, 0xFF}));
  EXPECT_EQ(Row(b, 1), (Bytes{0x00, 0x3F, 0xFF, 0xFF}));
  const PageBitmap w = ReduceErrorDiffusion(white.view, ByteOrder::kBgr);
  EXPECT_EQ(Row(w, 0), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

PageBitmap FromPixels(DWORD width, std::initializer_list<const char*> rows) {
  PageBitmap page = WhiteBitmap(width, static_cast<DWORD>(rows.size()));
  DWORD y = 0;
  for (const char* row : rows) {
    for (DWORD x = 0; x < width; ++x)
      if (row[x] == '#') page.bits[y * page.stride + x / 8] &= ~(0x80 >> (x % 8));
    ++y;
  }
  return page;
}

TEST(Landscape, OneDotWidePageBecomesOneRow) {
  const PageBitmap turned = RotateLandscape(FromPixels(1, {"#", ".", "#", "#", "."}));
  EXPECT_EQ(turned.width, 5u);
  EXPECT_EQ(turned.height, 1u);
  EXPECT_EQ(Row(turned, 0), (Bytes{0x4F, 0xFF, 0xFF, 0xFF}));
}

TEST(Landscape, OneRowPageBecomesOneDotWide) {
  const PageBitmap turned = RotateLandscape(FromPixels(5, {"#.##."}));
  EXPECT_EQ(turned.width, 1u);
  EXPECT_EQ(turned.height, 5u);
  // The right end of the row comes first: the top edge turns to the left.
  const BYTE expected[5] = {0xFF, 0x7F, 0x7F, 0xFF, 0x7F};
  for (DWORD y = 0; y < 5; ++y) EXPECT_EQ(Row(turned, y)[0], expected[y]) << y;
}

TEST(Landscape, CornersOfAWidePage) {
  PageBitmap page = WhiteBitmap(800, 400);
  page.bits[0] &= 0x7F;                  // top left
  page.bits[99] &= 0xFE;                 // top right (x 799)
  page.bits[399 * page.stride] &= 0x7F;  // bottom left
  const PageBitmap turned = RotateLandscape(page);
  EXPECT_EQ(turned.width, 400u);
  EXPECT_EQ(turned.height, 800u);
  EXPECT_FALSE(IsWhite(turned, 0, 799));    // top left goes to the bottom left
  EXPECT_FALSE(IsWhite(turned, 0, 0));      // top right to the top left
  EXPECT_FALSE(IsWhite(turned, 399, 799));  // bottom left to the bottom right
  EXPECT_TRUE(IsWhite(turned, 399, 0));
}

// ---- the reductions and the turn against their rules, dot by dot ----------------------

// Pages of every kind a label holds: white, black, hard black-and-white edges (text,
// bars), and grey (photos), in random sizes, including widths and heights that are not
// multiples of eight.
struct RandomPage {
  RandomPage(std::mt19937& random, DWORD width, DWORD height) {
    view.width = width;
    view.height = height;
    view.stride = (width * 3 + 3) / 4 * 4;
    view.bitsPerPixel = 24;
    bytes.assign(std::size_t{view.stride} * height, 0xFF);
    for (DWORD y = 0; y < height; ++y) {
      const int kind = static_cast<int>(random() % 4);
      for (DWORD x = 0; x < width; ++x) {
        BYTE* p = bytes.data() + std::size_t{y} * view.stride + 3 * x;
        switch ((kind + x / 11) % 4) {
          case 0: break;  // white
          case 1: std::fill_n(p, 3, BYTE{0}); break;
          case 2: std::fill_n(p, 3, static_cast<BYTE>(random() % 2 ? 0 : 255)); break;
          default:
            for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>(random());
        }
      }
    }
    view.bits = bytes.data();
  }
  Bytes bytes;
  SurfaceView view;
};

int GreyAt(const SurfaceView& s, DWORD x, DWORD y) {
  const BYTE* p = s.bits + std::size_t{y} * s.stride + 3 * x;
  return (11 * p[0] + 59 * p[1] + 30 * p[2]) / 100;  // blue, green, red
}

PageBitmap ThresholdByRule(const SurfaceView& s) {
  PageBitmap out = WhiteBitmap(s.width, s.height);
  for (DWORD y = 0; y < s.height; ++y)
    for (DWORD x = 0; x < s.width; ++x)
      if (!(GreyAt(s, x, y) > 128)) out.bits[y * out.stride + x / 8] &= ~(0x80 >> (x % 8));
  return out;
}

PageBitmap DitherByRule(const SurfaceView& s) {
  static const int kMatrix[8][8] = {
      {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
      {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
      {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
      {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
  PageBitmap out = WhiteBitmap(s.width, s.height);
  for (DWORD y = 0; y < s.height; ++y)
    for (DWORD x = 0; x < s.width; ++x) {
      const int v = GreyAt(s, x, y) * 64 / 255;
      if (!(v == 64 || kMatrix[x % 8][y % 8] < v))
        out.bits[y * out.stride + x / 8] &= ~(0x80 >> (x % 8));
    }
  return out;
}

PageBitmap DiffusionByRule(const SurfaceView& s) {
  PageBitmap out = WhiteBitmap(s.width, s.height);
  const long w = s.width;
  std::vector<std::vector<int>> g(s.height, std::vector<int>(s.width));
  for (DWORD y = 0; y < s.height; ++y)
    for (DWORD x = 0; x < s.width; ++x) g[y][x] = GreyAt(s, x, y);
  auto add = [](int& target, int share) { target = std::clamp(target + share, 0, 255); };
  for (DWORD y = 0; y < s.height; ++y) {
    const bool leftward = y % 2 == 0;
    const long step = leftward ? -1 : 1;
    for (long i = 0; i < w; ++i) {
      const long x = leftward ? w - 1 - i : i;
      const int p = g[y][x];
      const int e = p > 128 ? p - 255 : p;
      if (p <= 128) out.bits[y * out.stride + x / 8] &= ~(0x80 >> (x % 8));
      const long ahead = x + step, behind = x - step;
      if (ahead >= 0 && ahead < w) add(g[y][ahead], (7 * e) >> 4);
      if (y + 1 == s.height) continue;
      if (behind >= 0 && behind < w) add(g[y + 1][behind], (3 * e) >> 4);
      add(g[y + 1][x], leftward ? (5 * e) / 16 : (5 * e) >> 4);
      if (ahead >= 0 && ahead < w) add(g[y + 1][ahead], e >> 4);
    }
  }
  return out;
}

PageBitmap TurnByRule(const PageBitmap& page) {
  PageBitmap out = WhiteBitmap(page.height, page.width);
  for (DWORD y = 0; y < out.height; ++y)
    for (DWORD x = 0; x < out.width; ++x)
      if (!IsWhite(page, out.height - 1 - y, x))
        out.bits[y * out.stride + x / 8] &= ~(0x80 >> (x % 8));
  return out;
}

TEST(Reduce, EveryMethodAndTheTurnFollowTheirRulesDotByDot) {
  std::mt19937 random(20261211);
  for (int round = 0; round < 40; ++round) {
    const DWORD width = 1 + random() % 90, height = 1 + random() % 40;
    SCOPED_TRACE(testing::Message() << width << " x " << height << ", round " << round);
    RandomPage page(random, width, height);
    const PageBitmap threshold = ReduceThreshold(page.view, ByteOrder::kBgr);
    EXPECT_EQ(threshold.bits, ThresholdByRule(page.view).bits);
    EXPECT_EQ(ReduceOrderedDither(page.view, ByteOrder::kBgr).bits, DitherByRule(page.view).bits);
    EXPECT_EQ(ReduceErrorDiffusion(page.view, ByteOrder::kBgr).bits,
              DiffusionByRule(page.view).bits);
    EXPECT_EQ(RotateLandscape(threshold).bits, TurnByRule(threshold).bits);
  }
}

TEST(RowEnds, BitsBeyondTheWidthAreWhite) {
  PageBitmap page = WhiteBitmap(203, 2);
  std::fill(page.bits.begin(), page.bits.end(), BYTE{0});
  WhitenRowEnds(page);
  EXPECT_EQ(page.stride, 28u);
  for (DWORD y = 0; y < 2; ++y) {
    Bytes expected(28, 0);
    expected[25] = 0x1F;  // pixels 200 to 202 stay, the 5 after are white
    expected[26] = expected[27] = 0xFF;
    EXPECT_EQ(Row(page, y), expected);
  }
}

TEST(EmptyPage, EveryByteMustBeWhite) {
  Bytes bytes(13, 0xFF);
  EXPECT_TRUE(IsEmptyPage(bytes.data(), bytes.size()));
  for (std::size_t at : {0u, 3u, 8u, 12u}) {
    Bytes b = bytes;
    b[at] = 0xFE;
    EXPECT_FALSE(IsEmptyPage(b.data(), b.size())) << at;
  }
}

}  // namespace
}  // namespace trv::driver
