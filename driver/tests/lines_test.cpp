// Lines, paths and stretched bitmaps at the driver's hooks, called as GDI calls them,
// with the engine's own objects; what the printer gets is read from the page's object
// queue, what the engine drew from the page surface.
#include "driver/lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "driver/tests/printer_fixture.h"
#include "platform/gdi/objects.h"
#include "platform/kernel.h"
#include "platform/winerror.h"
#include "platform/wingdi.h"
#include "spool/record.h"

namespace trv::driver {

bool operator==(const LineObject& a, const LineObject& b) {
  return a.x1 == b.x1 && a.y1 == b.y1 && a.dx == b.dx && a.dy == b.dy && a.colour == b.colour &&
         a.xorMode == b.xorMode && a.width == b.width;
}
void PrintTo(const LineObject& l, std::ostream* os) {
  *os << "{" << l.x1 << "," << l.y1 << " d " << l.dx << "," << l.dy << " colour " << std::hex
      << l.colour << std::dec << (l.xorMode ? " xor" : "") << " width " << l.width << "}";
}

namespace {

using testing::Bytes;

constexpr MIX kBlack = R2_BLACK | (R2_BLACK << 8);
constexpr MIX kXor = R2_XORPEN | (R2_XORPEN << 8);
constexpr MIX kCopy = R2_COPYPEN | (R2_COPYPEN << 8);
constexpr MIX kWhite = R2_WHITE | (R2_WHITE << 8);
constexpr LONG kWidth = 812, kHeight = 1218;  // the sample's 4 x 6 in paper

POINTFIX Fx(LONG x, LONG y) { return {x * 16, y * 16}; }

LineObject Line(LONG x1, LONG y1, LONG dx, LONG dy, LONG width, DWORD colour = 0,
                bool xorMode = false) {
  return {x1, y1, dx, dy, colour, xorMode, width};
}

// A white 1-bpp page of the device's size, as the engine makes it.
class Page {
 public:
  Page() {
    handle_ = reinterpret_cast<HSURF>(
        EngCreateBitmap(SIZEL{kWidth, kHeight}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr));
    so_ = EngLockSurface(handle_);
    Fill(0xFF);
  }
  ~Page() {
    EngUnlockSurface(so_);
    EngDeleteSurface(handle_);
  }
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;
  SURFOBJ* so() const { return so_; }
  void Fill(BYTE value) { std::fill_n(static_cast<BYTE*>(so_->pvBits), so_->cjBits, value); }
  Bytes bits() const {
    const BYTE* b = static_cast<const BYTE*>(so_->pvBits);
    return Bytes(b, b + so_->cjBits);
  }
  bool Black(LONG x, LONG y) const {
    const BYTE* row = static_cast<const BYTE*>(so_->pvScan0) + y * so_->lDelta;
    return ((row[x / 8] >> (7 - x % 8)) & 1) == 0;
  }
  bool White() const { return bits() == Bytes(so_->cjBits, 0xFF); }

 private:
  HSURF handle_ = nullptr;
  SURFOBJ* so_ = nullptr;
};

class Lines : public testing::PrinterFixture {
 protected:
  void SetUp() override {
    PrinterFixture::SetUp();
    StoreSample();
    SetValue(u"Fonts", testing::EntryListValue({}, {}));
    SetValue(u"Barcodes", testing::EntryListValue({}, {}));
    SetValue(u"Options", testing::EntryListValue({testing::Record(32, 0x1004)}, {}));
    device_ = Enable(1, 1);
    ASSERT_TRUE(device_);
  }
  // A device whose devmode holds the two line-record fields.
  std::unique_ptr<Device> Enable(WORD field44, WORD field46) {
    auto dm = BuildDefaultDevmode(u"Labels", printer());
    if (!dm) return nullptr;
    dm->SetU16(priv::kLineRecords, field44);
    dm->SetU16(priv::kLineRecords2, field46);
    return Device::Enable(dm->Bytes(), u"Labels", printer());
  }
  static std::vector<LineObject> Queued(Device& device) {
    std::vector<LineObject> out;
    for (const QueuedObject& o : device.queue()) {
      EXPECT_EQ(o.type, spool::DCLD_LINE);
      EXPECT_EQ(o.payload.size(), kLineObjectSize);
      if (o.payload.size() != kLineObjectSize) continue;
      const BYTE* p = o.payload.data();
      out.push_back({spool::ReadI32(p + 4), spool::ReadI32(p + 8), spool::ReadI32(p + 12),
                     spool::ReadI32(p + 16), spool::ReadU32(p + 20), spool::ReadI32(p + 24) != 0,
                     spool::ReadI32(p + 28)});
    }
    return out;
  }
  std::unique_ptr<Device> device_;
};

// ---- the printer's line object ------------------------------------------------------

struct LineCase {
  const char* name;
  LONG x1, y1, x2, y2, width;
  MIX mix;
  std::optional<LineObject> want;
};

TEST_F(Lines, WhichStrokesThePrinterDraws) {
  const LineCase cases[] = {
      {"horizontal, copy pen", 10, 20, 110, 20, 1, kCopy, Line(10, 20, 100, 0, 1)},
      {"vertical, upwards, black", 30, 200, 30, 50, 1, kBlack, Line(30, 200, 0, -150, 1)},
      {"white, to the page's right edge", 0, 0, kWidth, 0, 2, kWhite,
       Line(0, 0, kWidth, 0, 2, 0xFFFFFF)},
      {"XOR, to the page's bottom edge", 5, 5, 5, kHeight, 3, kXor,
       Line(5, 5, 0, kHeight - 5, 3, 0, true)},
      {"a wide vertical bar", 100, 100, 100, 300, 40, kCopy, Line(100, 100, 0, 200, 40)},
      {"slanted, 4 dots", 10, 10, 50, 40, 4, kCopy, Line(10, 10, 40, 30, 4)},
      {"slanted, 5 dots", 10, 10, 50, 40, 5, kCopy, std::nullopt},
      {"one dot beyond the width", 0, 0, kWidth + 1, 0, 1, kCopy, std::nullopt},
      {"one row beyond the height", 0, kHeight + 1, 10, kHeight + 1, 1, kCopy, std::nullopt},
      {"left of the page", -1, 5, 10, 5, 1, kCopy, std::nullopt},
      {"above the page", 5, -3, 5, 10, 1, kCopy, std::nullopt},
      {"foreground and background differ", 10, 20, 110, 20, 1, R2_COPYPEN | (R2_XORPEN << 8),
       std::nullopt},
      {"an inverting mix", 10, 20, 110, 20, 1, R2_NOT | (R2_NOT << 8), std::nullopt},
      {"no width: the printer would draw nothing", 10, 20, 110, 20, 0, kCopy, std::nullopt},
      {"a negative width", 10, 20, 110, 20, -2, kCopy, std::nullopt},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    device_->queue().clear();
    EXPECT_EQ(PrinterLine(*device_, c.x1, c.y1, c.x2, c.y2, c.width, c.mix), c.want);
    EXPECT_EQ(QueueLine(*device_, c.x1, c.y1, c.x2, c.y2, c.width, c.mix), c.want.has_value());
    const std::vector<LineObject> queued = Queued(*device_);
    if (c.want)
      EXPECT_EQ(queued, std::vector<LineObject>{*c.want});
    else
      EXPECT_TRUE(queued.empty());
  }
}

TEST_F(Lines, EitherDevmodeFieldSwitchesLineRecordsOff) {
  for (auto [f44, f46] : {std::pair<WORD, WORD>{0, 1}, {1, 0}, {0, 0}}) {
    auto device = Enable(f44, f46);
    ASSERT_TRUE(device);
    EXPECT_FALSE(PrinterLine(*device, 10, 20, 110, 20, 1, kCopy));
  }
}

TEST_F(Lines, TheLineObjectsBytes) {
  const Bytes want = {0,    0,    0,    0,                  // zero
                      10,   0,    0,    0,    20, 0, 0, 0,  // x1, y1
                      0x9C, 0xFF, 0xFF, 0xFF, 0,  0, 0, 0,  // dx -100, dy 0
                      0xFF, 0xFF, 0xFF, 0,    1,  0, 0, 0,  // white, XOR
                      3,    0,    0,    0,    0,  0, 0, 0,  // width 3, then zero
                      0,    0,    0,    0,    0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(LinePayload(Line(10, 20, -100, 0, 3, 0xFFFFFF, true)), want);
}

// ---- DrvLineTo ----------------------------------------------------------------------

gdi::Clip ClipOf(std::vector<RECTL> rects) {
  gdi::Clip clip;
  clip.SetRects(std::move(rects));
  return clip;
}

TEST_F(Lines, LineToQueuesABlackLineTheClipLeavesWhole) {
  Page page;
  gdi::Clip trivial;
  gdi::Clip around = ClipOf({{0, 0, 200, 100}});
  gdi::Clip complex = ClipOf({{0, 0, 5, 5}, {0, 10, 300, 30}, {400, 0, 500, 50}});
  CLIPOBJ* clips[] = {nullptr, &trivial, &around, &complex};
  for (CLIPOBJ* clip : clips) {
    device_->queue().clear();
    BRUSHOBJ black{0, nullptr, 0};
    RECTL bounds{10, 20, 111, 21};
    EXPECT_TRUE(DriverLineTo(*device_, page.so(), clip, &black, 10, 20, 110, 20, &bounds, kCopy));
    EXPECT_EQ(Queued(*device_), std::vector<LineObject>{Line(10, 20, 100, 0, 1)});
  }
  EXPECT_TRUE(page.White());
}

TEST_F(Lines, LineToLeavesToTheEngineWhatThePrinterMustNotDraw) {
  struct Case {
    const char* name;
    gdi::Clip clip;
    ULONG colour;
    MIX mix;
    LONG x2;
  };
  Case cases[] = {
      {"cut by the clip's rectangle", ClipOf({{0, 0, 50, 1218}}), 0, kCopy, 110},
      {"across two rectangles of the clip", ClipOf({{0, 0, 60, 40}, {60, 0, 200, 40}}), 0, kCopy,
       110},
      {"an empty clip", ClipOf({}), 0, kCopy, 110},
      {"a pen that is not black", gdi::Clip(), 1, kCopy, 110},
      {"an inverting mix", gdi::Clip(), 0, R2_NOT | (R2_NOT << 8), 110},
      {"beyond the page", gdi::Clip(), 0, kCopy, kWidth + 5},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    device_->queue().clear();
    Page page, reference;
    page.Fill(0x00);  // black, so that a white pen shows too
    reference.Fill(0x00);
    BRUSHOBJ brush{c.colour, nullptr, 0};
    RECTL bounds{10, 20, c.x2 + 1, 21};
    EXPECT_TRUE(
        DriverLineTo(*device_, page.so(), &c.clip, &brush, 10, 20, c.x2, 20, &bounds, c.mix));
    EXPECT_TRUE(Queued(*device_).empty());
    ASSERT_TRUE(EngLineTo(reference.so(), &c.clip, &brush, 10, 20, c.x2, 20, &bounds, c.mix));
    EXPECT_EQ(page.bits(), reference.bits());
  }
  // Cut by the clip: the engine drew the visible part and nothing beyond it.
  Page page;
  gdi::Clip cut = ClipOf({{0, 0, 50, 1218}});
  BRUSHOBJ black{0, nullptr, 0};
  RECTL bounds{10, 20, 111, 21};
  EXPECT_TRUE(DriverLineTo(*device_, page.so(), &cut, &black, 10, 20, 110, 20, &bounds, kCopy));
  EXPECT_TRUE(page.Black(10, 20));
  EXPECT_TRUE(page.Black(49, 20));
  EXPECT_FALSE(page.Black(50, 20));
}

TEST_F(Lines, WithLineRecordsOffLineToDrawsEveryLine) {
  auto device = Enable(0, 1);
  ASSERT_TRUE(device);
  Page page;
  BRUSHOBJ black{0, nullptr, 0};
  RECTL bounds{10, 20, 111, 21};
  EXPECT_TRUE(DriverLineTo(*device, page.so(), nullptr, &black, 10, 20, 110, 20, &bounds, kCopy));
  EXPECT_TRUE(device->queue().empty());
  EXPECT_TRUE(page.Black(10, 20));
  EXPECT_TRUE(page.Black(100, 20));
}

// ---- DrvStrokePath ------------------------------------------------------------------

LINEATTRS Cosmetic(LONG width) {
  LINEATTRS la{};
  la.elWidth.l = width;
  return la;
}
LINEATTRS Geometric(FLOATL width) {
  LINEATTRS la{};
  la.fl = LA_GEOMETRIC;
  la.iJoin = JOIN_ROUND;
  la.iEndCap = ENDCAP_ROUND;
  la.elWidth.e = width;
  la.eMiterLimit = 10;
  return la;
}

// A rectangle outline as GDI's Rectangle builds it: four corners, closed.
void Box(gdi::Path& path, LONG l, LONG t, LONG r, LONG b) {
  path.MoveTo(Fx(l, t));
  path.LineTo(Fx(r, t));
  path.LineTo(Fx(r, b));
  path.LineTo(Fx(l, b));
  path.Close();
}

TEST_F(Lines, ARectangleOutlineBecomesFourLinesTheLastClosingIt) {
  Page page;
  gdi::Path path;
  Box(path, 10, 10, 110, 60);
  ASSERT_EQ(path.cCurves, 4u);
  gdi::Clip clip;
  gdi::Xform xform;
  BRUSHOBJ black{0, nullptr, 0};
  POINTL origin{0, 0};
  LINEATTRS la = Cosmetic(3);
  EXPECT_TRUE(
      DriverStrokePath(*device_, page.so(), &path, &clip, &xform, &black, &origin, &la, kCopy));
  EXPECT_EQ(Queued(*device_),
            (std::vector<LineObject>{Line(10, 10, 100, 0, 3), Line(110, 10, 0, 50, 3),
                                     Line(110, 60, -100, 0, 3), Line(10, 60, 0, -50, 3)}));
  EXPECT_TRUE(page.White());

  // A geometric width is truncated to whole dots.
  device_->queue().clear();
  gdi::Path line;
  line.MoveTo(Fx(20, 100));
  line.LineTo(Fx(20, 300));
  la = Geometric(2.9f);
  EXPECT_TRUE(
      DriverStrokePath(*device_, page.so(), &line, &clip, &xform, &black, &origin, &la, kCopy));
  EXPECT_EQ(Queued(*device_), std::vector<LineObject>{Line(20, 100, 0, 200, 2)});
}

TEST_F(Lines, LinesTheQueueCannotTakeAreDrawnByTheEngine) {
  // A queue with no room left, or room for three of a rectangle's four sides: the
  // engine draws everything, and nothing of it is queued.
  BRUSHOBJ black{0, nullptr, 0};
  LINEATTRS la = Cosmetic(1);
  for (const std::size_t room : {std::size_t{0}, std::size_t{3}}) {
    SCOPED_TRACE(room);
    device_->queue().clear();
    device_->LimitQueueForTest(room);
    Page page, reference;
    gdi::Path path, same;
    Box(path, 10, 100, 110, 160);
    Box(same, 10, 100, 110, 160);
    EXPECT_TRUE(DriverStrokePath(*device_, page.so(), &path, nullptr, nullptr, &black, nullptr, &la,
                                 kCopy));
    ASSERT_TRUE(
        EngStrokePath(reference.so(), &same, nullptr, nullptr, &black, nullptr, &la, kCopy));
    if (room == 0) {
      RECTL bounds{10, 20, 111, 21};
      EXPECT_TRUE(
          DriverLineTo(*device_, page.so(), nullptr, &black, 10, 20, 110, 20, &bounds, kCopy));
      ASSERT_TRUE(EngLineTo(reference.so(), nullptr, &black, 10, 20, 110, 20, &bounds, kCopy));
      EXPECT_TRUE(page.Black(10, 20));
    }
    EXPECT_TRUE(page.Black(10, 100));
    EXPECT_EQ(page.bits(), reference.bits());
    EXPECT_TRUE(Queued(*device_).empty());
  }
}

TEST_F(Lines, BatchesThatContinueASubpathAndPointsBetweenDots) {
  // A figure in two batches: the second continues from the first's last point and
  // closes back to the first point. Points in 28.4 are cut to whole dots toward
  // minus infinity (10 15/16 is dot 10).
  gdi::Path path;
  path.records = {{PD_BEGINSUBPATH, {{10 * 16 + 15, 10 * 16}, Fx(60, 10)}},
                  {PD_ENDSUBPATH | PD_CLOSEFIGURE, {Fx(60, 40), Fx(10, 40)}}};
  path.cCurves = 4;
  Page page;
  BRUSHOBJ black{0, nullptr, 0};
  LINEATTRS la = Cosmetic(1);
  EXPECT_TRUE(
      DriverStrokePath(*device_, page.so(), &path, nullptr, nullptr, &black, nullptr, &la, kXor));
  EXPECT_EQ(Queued(*device_),
            (std::vector<LineObject>{
                Line(10, 10, 50, 0, 1, 0, true), Line(60, 10, 0, 30, 1, 0, true),
                Line(60, 40, -50, 0, 1, 0, true), Line(10, 40, 0, -30, 1, 0, true)}));
  EXPECT_TRUE(page.White());
}

// Everything the printer must not draw is stroked by the engine, whole, and nothing
// of it is queued: the page equals the engine's stroke of the same path.
TEST_F(Lines, StrokePathLeavesToTheEngineWholeWhatThePrinterMustNotDraw) {
  struct Case {
    const char* name;
    std::function<void(gdi::Path&)> build;
    LINEATTRS la;
    ULONG colour = 0;
    bool clipped = false;
    bool scaled = false;
  };
  auto box = [](gdi::Path& p) { Box(p, 10, 10, 110, 60); };
  FLOAT_LONG dashes[2];
  dashes[0].l = 6;
  dashes[1].l = 3;
  LINEATTRS styled = Cosmetic(1);
  styled.fl = LA_STYLED;
  styled.cstyle = 2;
  styled.pstyle = dashes;
  std::vector<Case> cases = {
      {"an ellipse: four curves",
       [](gdi::Path& p) {
         p.MoveTo(Fx(200, 100));
         p.BezierTo(Fx(200, 128), Fx(178, 150), Fx(150, 150));
         p.BezierTo(Fx(122, 150), Fx(100, 128), Fx(100, 100));
         p.BezierTo(Fx(100, 72), Fx(122, 50), Fx(150, 50));
         p.BezierTo(Fx(178, 50), Fx(200, 72), Fx(200, 100));
         p.Close();
       },
       Cosmetic(1)},
      {"a figure whose second side is slanted and 6 dots wide",
       [](gdi::Path& p) {
         p.MoveTo(Fx(10, 10));
         p.LineTo(Fx(110, 10));
         p.LineTo(Fx(150, 60));
         p.LineTo(Fx(10, 60));
         p.Close();
       },
       Geometric(6)},
      {"a figure whose closing side is slanted and 6 dots wide",
       [](gdi::Path& p) {
         p.MoveTo(Fx(10, 10));
         p.LineTo(Fx(110, 10));
         p.LineTo(Fx(110, 60));
         p.LineTo(Fx(20, 60));
         p.Close();
       },
       Geometric(6)},
      {"a rectangle partly off the page", [](gdi::Path& p) { Box(p, 700, 10, kWidth + 3, 60); },
       Cosmetic(1)},
      {"a dashed line", box, styled},
      {"a pen that is not black", box, Cosmetic(1), 1},
      {"a clipped path", box, Cosmetic(1), 0, true},
      {"a geometric width under a dot", box, Geometric(0.5f)},
      {"a geometric width that is not a number", box,
       Geometric(std::numeric_limits<FLOATL>::quiet_NaN())},
      {"a geometric width under a scaling transform", box, Geometric(3), 0, false, true},
      {"a polyline of two lines",
       [](gdi::Path& p) {
         p.MoveTo(Fx(10, 10));
         p.LineTo(Fx(110, 10));
         p.LineTo(Fx(110, 60));
       },
       Cosmetic(1)},
      {"a point half a dot left of the page",
       [](gdi::Path& p) {
         p.MoveTo({-8, 160});
         p.LineTo(Fx(100, 10));
       },
       Cosmetic(1)},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    device_->queue().clear();
    gdi::Path path;
    c.build(path);
    gdi::Clip clip = c.clipped ? ClipOf({{0, 0, 400, 400}}) : gdi::Clip();
    gdi::Xform xform;
    if (c.scaled) xform.m.eM11 = xform.m.eM22 = 2;
    BRUSHOBJ brush{c.colour, nullptr, 0};
    POINTL origin{0, 0};
    // Every other dot black, so that black and white strokes both show.
    Page page, reference;
    page.Fill(0xAA);
    reference.Fill(0xAA);
    const Bytes before = page.bits();
    EXPECT_TRUE(
        DriverStrokePath(*device_, page.so(), &path, &clip, &xform, &brush, &origin, &c.la, kCopy));
    EXPECT_TRUE(Queued(*device_).empty());
    PATHOBJ_vEnumStart(&path);
    ASSERT_TRUE(EngStrokePath(reference.so(), &path, &clip, &xform, &brush, &origin, &c.la, kCopy));
    EXPECT_NE(reference.bits(), before);
    EXPECT_EQ(page.bits(), reference.bits());
  }
}

TEST_F(Lines, WithLineRecordsOffStrokePathDrawsEveryPath) {
  auto device = Enable(1, 0);
  ASSERT_TRUE(device);
  Page page;
  gdi::Path path;
  Box(path, 10, 10, 110, 60);
  BRUSHOBJ black{0, nullptr, 0};
  LINEATTRS la = Cosmetic(1);
  EXPECT_TRUE(
      DriverStrokePath(*device, page.so(), &path, nullptr, nullptr, &black, nullptr, &la, kCopy));
  EXPECT_TRUE(device->queue().empty());
  EXPECT_TRUE(page.Black(10, 10));
  EXPECT_TRUE(page.Black(110, 60));
}

TEST_F(Lines, StrokePathFailsWithTheEngineAndWithoutItsObjects) {
  Page page;
  gdi::Path path;
  Box(path, 10, 10, 110, 60);
  BRUSHOBJ black{0, nullptr, 0};
  LINEATTRS la = Cosmetic(1);
  SetLastError(0);
  EXPECT_FALSE(DriverStrokePath(*device_, page.so(), nullptr, nullptr, nullptr, &black, nullptr,
                                &la, kCopy));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(
      DriverStrokePath(*device_, page.so(), &path, nullptr, nullptr, nullptr, nullptr, &la, kCopy));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(DriverStrokePath(*device_, page.so(), &path, nullptr, nullptr, &black, nullptr,
                                nullptr, kCopy));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // A brush the engine cannot draw with: its failure is the call's.
  BRUSHOBJ patterned{0xFFFFFFFF, nullptr, 0};
  SetLastError(0);
  EXPECT_FALSE(DriverStrokePath(*device_, page.so(), &path, nullptr, nullptr, &patterned, nullptr,
                                &la, kCopy));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(device_->queue().empty());
}

// ---- stretched bitmaps --------------------------------------------------------------

std::shared_ptr<gdi::Palette> Indexed(std::vector<ULONG> colours) {
  auto p = std::make_shared<gdi::Palette>();
  p->mode = PAL_INDEXED;
  p->colors = std::move(colours);
  return p;
}

// A bitmap over memory of exactly its rows, top-down or bottom-up, described as the
// engine describes a bitmap surface, so that any read outside the rows is one past
// the memory (which the sanitizer build reports).
class Source {
 public:
  Source(LONG width, LONG height, ULONG format, int bpp, bool topDown, std::vector<BYTE> rows)
      : bits_(std::move(rows)) {
    const LONG stride = (width * bpp + 31) / 32 * 4;
    EXPECT_EQ(bits_.size(), static_cast<std::size_t>(stride * height));
    so_.sizlBitmap = {width, height};
    so_.cjBits = static_cast<ULONG>(bits_.size());
    so_.pvBits = bits_.data();
    so_.pvScan0 = topDown ? bits_.data() : bits_.data() + (height - 1) * stride;
    so_.lDelta = topDown ? stride : -stride;
    so_.iBitmapFormat = format;
    so_.iType = STYPE_BITMAP;
    so_.fjBitmap = topDown ? BMF_TOPDOWN : 0;
  }
  SURFOBJ* so() { return &so_; }

 private:
  std::vector<BYTE> bits_;
  SURFOBJ so_{};
};

TEST_F(Lines, WhichSourcesAreBlackAndWhite) {
  const auto blackWhite = Indexed({0x000000, 0xFFFFFF});
  const auto whiteBlack = Indexed({0xFFFFFF, 0x000000});
  const auto greyWhite = Indexed({0x808080, 0xFFFFFF});
  const auto redBlackWhite = Indexed({0x0000FF, 0x000000, 0xFFFFFF});
  const auto noWhite = Indexed({0x0000FF, 0x000000, 0x00FF00});
  gdi::Xlate toBgr(blackWhite, nullptr);  // the source's colours, to a 24-bpp page
  gdi::Xlate reversed(whiteBlack, nullptr);
  gdi::Xlate grey(greyWhite, nullptr);
  gdi::Xlate rbw(redBlackWhite, nullptr);
  gdi::Xlate nw(noWhite, nullptr);
  gdi::Xlate direct(nullptr, nullptr);
  gdi::Xlate toMono(redBlackWhite, Indexed({0x000000, 0xFFFFFF}));
  ASSERT_TRUE(toMono.flXlate & XO_TO_MONO);

  struct Case {
    const char* name;
    LONG width, height;
    ULONG format;
    int bpp;
    bool topDown;
    std::vector<BYTE> rows;
    XLATEOBJ* xlate;
    bool want;
  };
  const Case cases[] = {
      {"1 bpp, black then white", 8, 2, BMF_1BPP, 1, false, Bytes(8, 0x5A), &toBgr, true},
      {"1 bpp, white then black", 8, 2, BMF_1BPP, 1, true, Bytes(8, 0x5A), &reversed, true},
      {"1 bpp, grey and white", 8, 2, BMF_1BPP, 1, true, Bytes(8, 0x5A), &grey, false},
      {"1 bpp without a translation", 8, 2, BMF_1BPP, 1, true, Bytes(8, 0x5A), nullptr, false},
      {"8 bpp using only black and white",
       3,
       2,
       BMF_8BPP,
       8,
       true,
       {1, 2, 1, 9, 2, 2, 1, 7},
       &rbw,
       true},
      {"8 bpp using red", 3, 2, BMF_8BPP, 8, true, {1, 2, 1, 9, 2, 0, 1, 7}, &rbw, false},
      {"8 bpp, an index beyond the palette",
       3,
       2,
       BMF_8BPP,
       8,
       true,
       {1, 2, 1, 9, 2, 3, 1, 7},
       &rbw,
       false},
      {"8 bpp, a palette without white",
       3,
       2,
       BMF_8BPP,
       8,
       true,
       {1, 1, 1, 0, 1, 1, 1, 0},
       &nw,
       false},
      {"8 bpp without a translation",
       3,
       2,
       BMF_8BPP,
       8,
       true,
       {1, 2, 1, 9, 2, 2, 1, 7},
       nullptr,
       false},
      // Three pixels: the low half of each row's second byte lies beyond the width.
      {"4 bpp, black and white within the width",
       3,
       2,
       BMF_4BPP,
       4,
       true,
       {0x12, 0x1F, 0, 0, 0x21, 0x2E, 0, 0},
       &rbw,
       true},
      {"4 bpp using red",
       3,
       2,
       BMF_4BPP,
       4,
       true,
       {0x12, 0x0F, 0, 0, 0x21, 0x2E, 0, 0},
       &rbw,
       false},
      {"16 bpp, 0 and the low 15 bits set",
       2,
       2,
       BMF_16BPP,
       16,
       false,
       {0, 0, 0xFF, 0x7F, 0xFF, 0xFF, 0, 0},
       &direct,
       true},
      {"16 bpp, one short of white",
       2,
       2,
       BMF_16BPP,
       16,
       false,
       {0, 0, 0xFE, 0x7F, 0xFF, 0xFF, 0, 0},
       &direct,
       false},
      {"24 bpp, black and white",
       1,
       2,
       BMF_24BPP,
       24,
       false,
       {0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0},
       &direct,
       true},
      {"24 bpp, grey",
       1,
       2,
       BMF_24BPP,
       24,
       false,
       {0xFF, 0xFF, 0xFF, 0, 0x80, 0x80, 0x80, 0},
       &direct,
       false},
      {"24 bpp without a translation",
       1,
       2,
       BMF_24BPP,
       24,
       false,
       {0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0},
       nullptr,
       true},
      {"32 bpp, the top byte does not count",
       2,
       1,
       BMF_32BPP,
       32,
       true,
       {0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x12},
       &direct,
       true},
      {"32 bpp, almost white",
       2,
       1,
       BMF_32BPP,
       32,
       true,
       {0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0},
       &direct,
       false},
      {"a translation to monochrome",
       1,
       2,
       BMF_24BPP,
       24,
       false,
       {0x80, 0x80, 0x80, 0, 0x80, 0x80, 0x80, 0},
       &toMono,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Source source(c.width, c.height, c.format, c.bpp, c.topDown, c.rows);
    EXPECT_EQ(IsBlackAndWhite(source.so(), c.xlate), c.want);
  }
}

// A bottom-up bitmap's top row is its last in memory: the rows are visited from there
// backwards, never past the end.
TEST_F(Lines, ABottomUpSourceIsReadRowByRowWithinItsMemory) {
  gdi::Xlate direct(nullptr, nullptr);
  // Memory order: the bottom row (grey), then the top row (white).
  Source greyAtTheBottom(1, 2, BMF_24BPP, 24, false, {0x80, 0x80, 0x80, 0, 0xFF, 0xFF, 0xFF, 0});
  ASSERT_LT(greyAtTheBottom.so()->lDelta, 0);
  EXPECT_FALSE(IsBlackAndWhite(greyAtTheBottom.so(), &direct));
  Source whiteAtTheBottom(1, 2, BMF_24BPP, 24, false, {0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0});
  EXPECT_TRUE(IsBlackAndWhite(whiteAtTheBottom.so(), &direct));
}

TEST_F(Lines, SourcesThatCannotBeReadAreNotBlackAndWhite) {
  gdi::Xlate direct(nullptr, nullptr);
  Source source(2, 2, BMF_24BPP, 24, true, Bytes(16, 0xFF));
  ASSERT_TRUE(IsBlackAndWhite(source.so(), &direct));
  struct Case {
    const char* name;
    std::function<void(SURFOBJ&)> damage;
  };
  const Case cases[] = {
      {"a device surface", [](SURFOBJ& s) { s.iType = STYPE_DEVICE; }},
      {"run-length compressed", [](SURFOBJ& s) { s.iBitmapFormat = BMF_8RLE; }},
      {"a JPEG", [](SURFOBJ& s) { s.iBitmapFormat = BMF_JPEG; }},
      {"no bits", [](SURFOBJ& s) { s.pvScan0 = nullptr; }},
      {"rows shorter than their pixels", [](SURFOBJ& s) { s.lDelta = 4; }},
      {"rows beyond the memory", [](SURFOBJ& s) { s.sizlBitmap.cy = 3; }},
      {"memory smaller than the rows", [](SURFOBJ& s) { s.cjBits = 12; }},
      {"the top row outside the memory",
       [](SURFOBJ& s) { s.pvScan0 = static_cast<BYTE*>(s.pvBits) + 8; }},
      {"no size", [](SURFOBJ& s) { s.sizlBitmap.cx = 0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SURFOBJ copy = *source.so();
    c.damage(copy);
    EXPECT_FALSE(IsBlackAndWhite(&copy, &direct));
  }
  EXPECT_FALSE(IsBlackAndWhite(nullptr, &direct));
}

// What the engine receives shows on a 1-bpp page whose translation keeps the source's
// colours: in HALFTONE an even grey becomes half the dots of every 8 x 8 block; in the
// caller's mode a black-and-white logo is copied dot for dot.
TEST_F(Lines, StretchBltHalftonesAllButBlackAndWhiteSources) {
  auto engineBitmap = [](LONG w, LONG h) {
    return reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{w, h}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr));
  };
  HSURF destHandle = engineBitmap(8, 8);
  SURFOBJ* dest = EngLockSurface(destHandle);
  RECTL destRect{0, 0, 8, 8};
  {
    Source grey(8, 8, BMF_8BPP, 8, true, Bytes(64, 2));
    gdi::Xlate xlate(Indexed({0x000000, 0xFFFFFF, 0x808080}), nullptr);
    RECTL sourceRect{0, 0, 8, 8};
    ASSERT_TRUE(DriverStretchBlt(dest, grey.so(), nullptr, nullptr, &xlate, nullptr, nullptr,
                                 &destRect, &sourceRect, nullptr, COLORONCOLOR));
    int white = 0;
    const BYTE* bits = static_cast<const BYTE*>(dest->pvBits);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) white += (bits[y * dest->lDelta] >> (7 - x)) & 1;
    EXPECT_EQ(white, 32);
  }
  {
    // Fine stripes of a logo, shrunk to half their width: the caller's mode keeps one
    // dot of each pair (the first), where halftoning would have averaged pairs to grey.
    const Bytes stripes = {0, 0, 1, 1, 0, 1, 0, 1, 0, 0, 1, 1, 0, 1, 0, 1};
    Source logo(16, 1, BMF_8BPP, 8, true, stripes);
    gdi::Xlate xlate(Indexed({0x000000, 0xFFFFFF}), nullptr);
    RECTL sourceRect{0, 0, 16, 1};
    RECTL row{0, 0, 8, 1};
    ASSERT_TRUE(DriverStretchBlt(dest, logo.so(), nullptr, nullptr, &xlate, nullptr, nullptr, &row,
                                 &sourceRect, nullptr, COLORONCOLOR));
    BYTE picked = 0;
    for (int x = 0; x < 8; ++x) picked |= static_cast<BYTE>(stripes[2 * x] << (7 - x));
    EXPECT_EQ(static_cast<const BYTE*>(dest->pvBits)[0], picked);
  }
  EngUnlockSurface(dest);
  EngDeleteSurface(destHandle);
}

}  // namespace
}  // namespace trv::driver
