// The label layer's pieces both printer languages share: bar-code templates, the
// orientation transform, placement masks and the page bitmap's rectangles.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <string>

#include "dcl/object/barcode_template.h"
#include "dcl/object/name_table.h"
#include "dcl/object/orientation.h"
#include "dcl/object/page_bitmap.h"
#include "platform/kernel.h"

namespace trv::dcl {
namespace {

struct TemplateCase {
  const char* macro;
  const char* expected;  // null: the expansion fails
  DWORD error = 0;
};

TEST(BarcodeTemplate, ExpandsEachForm) {
  const std::map<DWORD, std::string> parameters{{1, "HELLO"}, {2, "B"}, {300, "big"}};
  BarcodeTemplateInput in;
  in.parameter = [&](DWORD id) -> const char* {
    auto it = parameters.find(id);
    return it == parameters.end() ? nullptr : it->second.c_str();
  };
  const std::string data = "12345";
  in.data = reinterpret_cast<const BYTE*>(data.data());
  in.dataLength = static_cast<DWORD>(data.size());
  in.x = 30;
  in.y = -4;
  const TemplateCase cases[] = {
      {"%(2) 128 %x %y %d%r%n", "B 128 30 -4 12345\r\n"},
      {"%X,%Y,%D", "30,-4,12345"},
      {"[%(9)]", "[]"},
      {"%(1[2,3])", "ELL"},
      {"%(1[2])", "ELLO"},
      {"%(1[0,2])", "HE"},
      {"%(1[9,2])", ""},  // a skip past the text's end takes nothing
      {"%(300)", "big"},
      {"%27%65",
       "\x1B"
       "A"},
      {"%255", "\xFF"},
      {"%256", nullptr, ERROR_INVALID_PARAMETER},
      {"%(70000)", nullptr, ERROR_INVALID_PARAMETER},
      {"100%%", "100%"},
      {"%q", "q"},
      {"ends in %", "ends in "},
  };
  for (const TemplateCase& c : cases) {
    SCOPED_TRACE(c.macro);
    std::string out = "stale";
    BOOL ok = ExpandBarcodeTemplate(c.macro, in, out);
    if (c.expected != nullptr) {
      EXPECT_TRUE(ok);
      EXPECT_EQ(out, c.expected);
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(GetLastError(), c.error);
      EXPECT_EQ(out, "");
    }
  }
}

TEST(BarcodeTemplate, RefusesACommandPastTheLimit) {
  BarcodeTemplateInput in;
  std::string data(kBarcodeCommandLimit - 2, 'x');
  in.data = reinterpret_cast<const BYTE*>(data.data());
  in.dataLength = static_cast<DWORD>(data.size());
  std::string out;
  EXPECT_TRUE(ExpandBarcodeTemplate("%d%r%n", in, out));
  EXPECT_EQ(out.size(), kBarcodeCommandLimit);
  EXPECT_FALSE(ExpandBarcodeTemplate("%d%r%n!", in, out));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

struct Item {
  LONG x, y, w, h, bits;
};
Item Transform(const Item& in, spool::ItemKind kind, const ItemFrame& frame) {
  BYTE p[56] = {};
  std::memcpy(p + 4, &in.x, 4);
  std::memcpy(p + 8, &in.y, 4);
  std::memcpy(p + 12, &in.w, 4);
  std::memcpy(p + 16, &in.h, 4);
  std::memcpy(p + 24, &in.bits, 4);
  TransformItemPayload(p, kind, frame);
  Item out;
  std::memcpy(&out.x, p + 4, 4);
  std::memcpy(&out.y, p + 8, 4);
  std::memcpy(&out.w, p + 12, 4);
  std::memcpy(&out.h, p + 16, 4);
  std::memcpy(&out.bits, p + 24, 4);
  return out;
}

TEST(Orientation, TurnsAndMovesItems) {
  constexpr LONG kMax = std::numeric_limits<LONG>::max();
  constexpr LONG kMin = std::numeric_limits<LONG>::min();
  const ItemFrame portrait{kOrientationPortrait, 5, 7, 1218};
  const ItemFrame landscape{kOrientationLandscape, 5, 7, 1218};
  struct Case {
    const char* name;
    Item in;
    spool::ItemKind kind;
    ItemFrame frame;
    Item out;
  } cases[] = {
      {"portrait, wide",
       {10, 20, 100, 30, 0},
       spool::ItemKind::kText,
       portrait,
       {15, 27, 100, 30, 0}},
      {"portrait, high",
       {10, 20, 30, 100, 0},
       spool::ItemKind::kText,
       portrait,
       {15, 27, 30, 100, 0x04}},
      {"portrait keeps a line's XOR",
       {10, 20, 100, 0, 1},
       spool::ItemKind::kLine,
       portrait,
       {15, 27, 100, 0, 1}},
      {"landscape text",
       {10, 20, 100, 30, 0},
       spool::ItemKind::kText,
       landscape,
       {25, 1215, 30, 100, 0x02}},
      {"landscape high text",
       {10, 20, 30, 100, 0},
       spool::ItemKind::kBarcode,
       landscape,
       {25, 1215, 100, 30, 0x08}},
      {"landscape line",
       {10, 20, 100, 0, 1},
       spool::ItemKind::kLine,
       landscape,
       {25, 1115, 0, 100, 0x03}},
      {"landscape box",
       {10, 20, 100, 50, 0},
       spool::ItemKind::kBox,
       landscape,
       {25, 1115, 50, 100, 0x02}},
      // Slanted lines turn as points: (x, y) -> (y, H - x), (dx, dy) -> (dy, -dx).
      {"landscape slanted line",
       {10, 20, 50, 30, 0},
       spool::ItemKind::kLine,
       landscape,
       {25, 1215, 30, -50, 0x08}},
      {"landscape slanted line up-left",
       {60, 50, -50, -30, 0},
       spool::ItemKind::kLine,
       landscape,
       {55, 1165, -30, 50, 0x08}},
      // Coordinates from a damaged spool file saturate rather than wrap onto the label.
      {"portrait, far off the page",
       {kMax - 1, kMin, 100, 30, 0},
       spool::ItemKind::kText,
       portrait,
       {kMax, kMin + 7, 100, 30, 0}},
      {"landscape slanted line, extreme",
       {kMin, kMax, kMin, 30, 0},
       spool::ItemKind::kLine,
       landscape,
       {kMax, kMax, 30, kMax, 0x08}},
      {"landscape box, extreme",
       {kMin, 20, 100, 50, 0},
       spool::ItemKind::kBox,
       landscape,
       {25, kMax, 50, 100, 0x02}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Item got = Transform(c.in, c.kind, c.frame);
    EXPECT_EQ(got.x, c.out.x);
    EXPECT_EQ(got.y, c.out.y);
    EXPECT_EQ(got.w, c.out.w);
    EXPECT_EQ(got.h, c.out.h);
    EXPECT_EQ(got.bits, c.out.bits);
  }
}

TEST(NameTable, PlacementCasesAndMasks) {
  EXPECT_EQ(PlacementCase(0), 0);
  EXPECT_EQ(PlacementCase(0x02), 1);
  EXPECT_EQ(PlacementCase(0x04), 2);
  EXPECT_EQ(PlacementCase(0x0A), 3);
  EXPECT_EQ(PlacementCase(0x06), 1);
  LONG x = 100, y = 100;
  ApplyPlacementMask(x, y, 30, 7, 0x01 | 0x08 | 0x20 | 0x40);
  EXPECT_EQ(x, 100 + 7 - 30);
  EXPECT_EQ(y, 100 + 30 - 7);
}

// A page of `width` x `height` with black where `black` says.
PageBitmap MakePage(DWORD width, DWORD height, const std::function<bool(DWORD, DWORD)>& black) {
  const DWORD stride = (width + 31) / 32 * 4;
  std::vector<BYTE> rows(size_t{stride} * height, 0xFF);
  for (DWORD y = 0; y < height; ++y)
    for (DWORD x = 0; x < width; ++x)
      if (black(x, y)) rows[size_t{y} * stride + x / 8] &= static_cast<BYTE>(~(0x80u >> (x % 8)));
  PageBitmap page;
  EXPECT_TRUE(page.Begin(width, height, stride));
  EXPECT_TRUE(page.Take(rows));
  return page;
}

TEST(PageBitmap, RefusesShortDataAndNarrowStrides) {
  PageBitmap page;
  EXPECT_FALSE(page.Begin(100, 10, 12));  // 96 pixels cannot hold 100
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ASSERT_TRUE(page.Begin(100, 10, 13));
  std::vector<BYTE> shortData(129, 0);
  EXPECT_FALSE(page.Take(shortData));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(PageBitmap, BoundsOfBlackPaddedAndCut) {
  // One black byte at row 10, byte column 3 of a 100-byte-wide page.
  PageBitmap page = MakePage(800, 40, [](DWORD x, DWORD y) { return y == 10 && x == 24; });
  ByteRect r;
  ASSERT_TRUE(page.PaddedBounds(2, r));
  EXPECT_EQ(r.left, 1u);
  EXPECT_EQ(r.top, 8u);
  EXPECT_EQ(r.right, 5u);
  EXPECT_EQ(r.bottom, 12u);
  PageBitmap corner = MakePage(64, 3, [](DWORD x, DWORD y) { return x == 0 && y == 0; });
  ASSERT_TRUE(corner.PaddedBounds(2, r));
  EXPECT_EQ(r.left, 0u);
  EXPECT_EQ(r.top, 0u);
  EXPECT_EQ(r.right, 2u);
  EXPECT_EQ(r.bottom, 2u);
  PageBitmap white = MakePage(64, 3, [](DWORD, DWORD) { return false; });
  EXPECT_FALSE(white.PaddedBounds(2, r));
}

// Every black pixel lies in some rectangle, and the merge ends even when the limit
// forces it on a page full of scattered dots.
TEST(PageBitmap, RegionsHoldEveryBlackPixel) {
  std::mt19937 random(7);
  for (DWORD limit : {960u, 2u, 5u}) {
    PageBitmap page = MakePage(400, 300, [&](DWORD, DWORD) { return random() % 97 == 0; });
    std::vector<ByteRect> rects;
    ASSERT_TRUE(SplitIntoRegions(page, RegionSplit{143, limit}, rects));
    EXPECT_LE(rects.size(), limit);
    for (DWORD y = 0; y < page.height(); ++y)
      for (DWORD c = 0; c < page.stride(); ++c) {
        if (page.At(c, y) == 0xFF) continue;
        bool inside = false;
        for (const ByteRect& r : rects)
          inside |= c >= r.left && c <= r.right && y >= r.top && y <= r.bottom;
        ASSERT_TRUE(inside) << "column " << c << " row " << y;
      }
  }
}

TEST(PageBitmap, FarApartAreasStayApart) {
  PageBitmap page = MakePage(800, 400, [](DWORD x, DWORD y) {
    return (x < 16 && y < 16) || (x >= 700 && y >= 350 && y < 370);
  });
  std::vector<ByteRect> rects;
  ASSERT_TRUE(SplitIntoRegions(page, RegionSplit{}, rects));
  EXPECT_EQ(rects.size(), 2u);
}

}  // namespace
}  // namespace trv::dcl
