// "GW" graphics of a page bitmap, checked by decoding the stream: the decoded black
// dots are exactly the page's, turned by 180 degrees for landscape.
#include "dcl/epl/epl_graphics.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dcl/epl/epl_commands.h"
#include "dcl/epl/tests/gw_decoder.h"
#include "platform/kernel.h"

namespace trv::dcl::epl {
namespace {

using testing::DecodeEpl;

struct Page {
  PageGeometry geometry;
  std::vector<BYTE> bits;  // 1 = white
  bool black(DWORD x, DWORD y) const {
    return !(bits[y * geometry.stride + x / 8] & (0x80 >> (x % 8)));
  }
  void set(DWORD x, DWORD y) { bits[y * geometry.stride + x / 8] &= ~(0x80 >> (x % 8)); }
};

Page WhitePage(DWORD width, DWORD height, DWORD stride) {
  Page p;
  p.geometry = {width, height, stride};
  p.bits.assign(static_cast<size_t>(stride) * height, 0xFF);
  return p;
}

// Padding bits beyond the width are set black on purpose: they must never print.
Page RandomPage(std::mt19937& rng, DWORD width, DWORD height, DWORD stride, int blackPercent) {
  Page p = WhitePage(width, height, stride);
  std::uniform_int_distribution<int> d(0, 99);
  for (DWORD y = 0; y < height; ++y) {
    for (DWORD x = 0; x < stride * 8; ++x)
      if (x >= width || d(rng) < blackPercent) p.set(x, y);
  }
  return p;
}

std::string Encode(const Page& page, bool turn, bool regions, LONG offsetX = 0, LONG offsetY = 0) {
  std::string out;
  GraphicsOutput o;
  o.place = [&](LONG x, LONG y, DWORD wb, DWORD rows) {
    out += GraphicsLine(x + offsetX, y + offsetY, wb, rows);
    return TRUE;
  };
  o.writeRow = [&](const BYTE* b, DWORD n) {
    out.append(reinterpret_cast<const char*>(b), n);
    return TRUE;
  };
  o.end = [] { return TRUE; };
  GraphicsWork work;
  EXPECT_TRUE(SendPageGraphics(page.bits, page.geometry, turn, regions, o, work));
  return out;
}

// Decodes and compares with the page's black dots (turned when asked).
void ExpectSameDots(const Page& page, bool turn, bool regions) {
  const DWORD w = page.geometry.width, h = page.geometry.height;
  auto decoded = DecodeEpl(Encode(page, turn, regions), static_cast<int>(page.geometry.stride * 8),
                           static_cast<int>(h));
  ASSERT_TRUE(decoded.ok);
  size_t mismatches = 0;
  for (DWORD y = 0; y < h; ++y) {
    for (DWORD x = 0; x < page.geometry.stride * 8; ++x) {
      bool expected = x < w && (turn ? page.black(w - 1 - x, h - 1 - y) : page.black(x, y));
      if (decoded.at(static_cast<int>(x), static_cast<int>(y)) != expected) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0u) << w << "x" << h << " stride " << page.geometry.stride
                            << (turn ? " turned" : "") << (regions ? " regions" : "");
}

TEST(EplGraphics, RandomPagesDecodeToTheirBlackDots) {
  std::mt19937 rng(12345);
  struct Shape {
    DWORD width, height, stride;
    int percent;
  } shapes[] = {{64, 20, 8, 30},  {61, 17, 8, 50}, {812, 40, 104, 5}, {13, 9, 4, 40},
                {100, 30, 13, 2}, {9, 3, 2, 60},   {200, 50, 32, 1}};
  for (const auto& s : shapes) {
    Page page = RandomPage(rng, s.width, s.height, s.stride, s.percent);
    for (bool turn : {false, true})
      for (bool regions : {false, true}) ExpectSameDots(page, turn, regions);
  }
}

TEST(EplGraphics, EdgeColumnsAndOneDotPages) {
  for (DWORD width : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 33u}) {
    const DWORD stride = (width + 7) / 8 + 1;
    Page page = WhitePage(width, 5, stride);
    page.set(0, 0);
    page.set(width - 1, 4);
    page.set(width - 1, 2);
    for (bool turn : {false, true})
      for (bool regions : {false, true}) ExpectSameDots(page, turn, regions);
  }
  Page one = WhitePage(1, 1, 1);
  one.set(0, 0);
  for (bool turn : {false, true})
    for (bool regions : {false, true}) ExpectSameDots(one, turn, regions);
}

TEST(EplGraphics, BlackBytesInColumnsThreeToFiveOfRowTen) {
  Page page = WhitePage(800, 30, 100);
  for (DWORD x = 24; x < 48; ++x) page.set(x, 10);
  std::string out = Encode(page, false, false);
  ASSERT_EQ(out.rfind("GW8,8,7,5\n", 0), 0u) << out.substr(0, 20);
  EXPECT_EQ(out.size(), std::string("GW8,8,7,5\n").size() + 7 * 5);
  // With label offsets the place moves with them.
  EXPECT_EQ(Encode(page, false, false, 16, 4).rfind("GW24,12,7,5\n", 0), 0u);
}

TEST(EplGraphics, LandscapeTopLeftDotLandsBottomRight) {
  Page page = WhitePage(800, 30, 100);
  page.set(0, 0);
  std::string out = Encode(page, true, false);
  // Dot (799, 29): byte column 99, row 29; the box is widened by 2 and clipped.
  EXPECT_EQ(out.rfind("GW776,27,3,3\n", 0), 0u) << out.substr(0, 20);
}

TEST(EplGraphics, RegionsSplitFarApartAreas) {
  Page page = WhitePage(800, 400, 100);
  for (DWORD y = 0; y < 10; ++y)
    for (DWORD x = 0; x < 16; ++x) page.set(x, y);
  for (DWORD y = 380; y < 390; ++y)
    for (DWORD x = 700; x < 716; ++x) page.set(x, y);
  auto decoded = DecodeEpl(Encode(page, false, true), 800, 400);
  size_t blocks = 0;
  for (const auto& l : decoded.lines) blocks += l.rfind("GW", 0) == 0;
  EXPECT_EQ(blocks, 2u);
}

TEST(EplGraphics, StrideThatCannotHoldTheWidthIsRefused) {
  Page page = WhitePage(64, 4, 8);
  page.geometry.width = 65;
  std::vector<BYTE> out;
  SetLastError(0);
  EXPECT_FALSE(PreparePage(page.bits, page.geometry, true, &out));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // Data shorter than the rows it should hold: refused as well.
  page.geometry = {64, 5, 8};
  EXPECT_FALSE(PreparePage(page.bits, page.geometry, false, &out));
}

TEST(EplGraphics, FailedRowWriteStopsTheRectangle) {
  Page page = WhitePage(64, 20, 8);
  for (DWORD y = 0; y < 20; ++y) page.set(3, y);
  int rows = 0;
  bool ended = false;
  GraphicsOutput o;
  o.place = [](LONG, LONG, DWORD, DWORD) { return TRUE; };
  o.writeRow = [&](const BYTE*, DWORD) { return ++rows < 4 ? TRUE : FALSE; };
  o.end = [&] {
    ended = true;
    return TRUE;
  };
  GraphicsWork work;
  EXPECT_FALSE(SendPageGraphics(page.bits, page.geometry, false, false, o, work));
  EXPECT_EQ(rows, 4);
  EXPECT_FALSE(ended);
}

}  // namespace
}  // namespace trv::dcl::epl
