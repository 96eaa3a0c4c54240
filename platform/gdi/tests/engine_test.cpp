// The engine services a printer driver calls: bitmaps in the layout drivers expect,
// and drawing through the Eng* calls that gives the same pixels as the same drawing
// rasterised directly with Cairo, pixman and FreeType here.
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/objects.h"
#include "platform/winddi.h"

namespace {

using trv::gdi::Clip;
using trv::gdi::Font;
using trv::gdi::Path;
using trv::gdi::Str;

const char kFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A top-down engine bitmap, locked for the test's lifetime.
class Bitmap {
 public:
  Bitmap(LONG w, LONG h, ULONG format, BYTE fill) {
    handle_ = EngCreateBitmap({w, h}, 0, format, BMF_TOPDOWN, nullptr);
    so_ = EngLockSurface(reinterpret_cast<HSURF>(handle_));
    if (so_ != nullptr) std::memset(so_->pvBits, fill, so_->cjBits);
  }
  ~Bitmap() {
    EngUnlockSurface(so_);
    EngDeleteSurface(reinterpret_cast<HSURF>(handle_));
  }
  SURFOBJ* so() const { return so_; }
  // The pixel as the driver reads it: bit 7 leftmost at 1 bpp; blue, green, red bytes
  // at 24 bpp, returned as 0x00RRGGBB.
  ULONG at(LONG x, LONG y) const {
    const BYTE* row = static_cast<const BYTE*>(so_->pvScan0) + y * so_->lDelta;
    if (so_->iBitmapFormat == BMF_1BPP) return (row[x / 8] >> (7 - x % 8)) & 1;
    return row[x * 3] | (row[x * 3 + 1] << 8) | (static_cast<ULONG>(row[x * 3 + 2]) << 16);
  }

 private:
  HBITMAP handle_ = nullptr;
  SURFOBJ* so_ = nullptr;
};

// The same drawing made directly with Cairo on an RGB24 image.
class Reference {
 public:
  Reference(int w, int h) : w_(w), h_(h) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cr_ = cairo_create(surface_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr_, 1, 1, 1);
    cairo_paint(cr_);
  }
  ~Reference() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  cairo_t* cr() const { return cr_; }
  ULONG at(int x, int y) {
    cairo_surface_flush(surface_);
    const BYTE* row =
        cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    uint32_t v;
    std::memcpy(&v, row + x * 4, 4);
    return v & 0xffffff;
  }
  // FreeType's monochrome rendering of `text` with the pen at (x, y) on the baseline.
  void Text(const char* text, int x, int y, int em, ULONG rgb) {
    FT_Library lib;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    ASSERT_EQ(FT_New_Face(lib, kFont, 0, &face), 0);
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em));
    cairo_surface_flush(surface_);
    BYTE* data = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    for (const char* c = text; *c; ++c) {
      FT_Load_Char(face, static_cast<FT_ULong>(*c), FT_LOAD_TARGET_MONO | FT_LOAD_RENDER);
      const FT_Bitmap& b = face->glyph->bitmap;
      for (unsigned gy = 0; gy < b.rows; ++gy)
        for (unsigned gx = 0; gx < b.width; ++gx) {
          if (!((b.buffer[gy * static_cast<unsigned>(b.pitch) + gx / 8] >> (7 - gx % 8)) & 1))
            continue;
          int px = x + face->glyph->bitmap_left + static_cast<int>(gx);
          int py = y - face->glyph->bitmap_top + static_cast<int>(gy);
          if (px < 0 || py < 0 || px >= w_ || py >= h_) continue;
          uint32_t v = rgb;
          std::memcpy(data + py * stride + px * 4, &v, 4);
        }
      x += static_cast<int>((face->glyph->advance.x + 32) >> 6);
    }
    cairo_surface_mark_dirty(surface_);
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
  }

 private:
  int w_, h_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

POINTFIX Fx(double x, double y) { return {static_cast<FIX>(x * 16), static_cast<FIX>(y * 16)}; }

// An ellipse inside (l, t, r, b) as four Bézier curves, both for the engine path and
// for the reference.
const double kKappa = 0.5522847498;
void Ellipse(Path& p, double l, double t, double r, double b) {
  double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
  double kx = rx * kKappa, ky = ry * kKappa;
  p.MoveTo(Fx(r, cy));
  p.BezierTo(Fx(r, cy + ky), Fx(cx + kx, b), Fx(cx, b));
  p.BezierTo(Fx(cx - kx, b), Fx(l, cy + ky), Fx(l, cy));
  p.BezierTo(Fx(l, cy - ky), Fx(cx - kx, t), Fx(cx, t));
  p.BezierTo(Fx(cx + kx, t), Fx(r, cy - ky), Fx(r, cy));
  p.Close();
}
// The reference takes the same points at the path's 28.4 precision.
double Q(double v) { return static_cast<FIX>(v * 16) / 16.0; }
void Ellipse(cairo_t* cr, double l, double t, double r, double b) {
  double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
  double kx = rx * kKappa, ky = ry * kKappa;
  cairo_move_to(cr, Q(r), Q(cy));
  cairo_curve_to(cr, Q(r), Q(cy + ky), Q(cx + kx), Q(b), Q(cx), Q(b));
  cairo_curve_to(cr, Q(cx - kx), Q(b), Q(l), Q(cy + ky), Q(l), Q(cy));
  cairo_curve_to(cr, Q(l), Q(cy - ky), Q(cx - kx), Q(t), Q(cx), Q(t));
  cairo_curve_to(cr, Q(cx + kx), Q(t), Q(r), Q(cy - ky), Q(r), Q(cy));
  cairo_close_path(cr);
}

struct Drawing {
  ULONG format;
  ULONG ink;   // pixel value of the drawing colour on the surface
  double rgb;  // its grey level for the reference (0 black)
};

// A page with a filled ellipse, a wide polyline, a one-pixel line, text and a clip.
class EngineDrawing : public ::testing::TestWithParam<Drawing> {};

TEST_P(EngineDrawing, EqualsTheLibrariesRasterisingDirectly) {
  const Drawing d = GetParam();
  const int w = 203, h = 120;
  Bitmap page(w, h, d.format, 0xff);
  ASSERT_NE(page.so(), nullptr);
  BRUSHOBJ brush{d.ink, nullptr, 0};

  Path ellipse;
  Ellipse(ellipse, 10, 10, 90, 60);
  ASSERT_TRUE(EngFillPath(page.so(), &ellipse, nullptr, &brush, nullptr,
                          R2_COPYPEN | (R2_COPYPEN << 8), FP_ALTERNATEMODE));

  Path polyline;
  polyline.MoveTo(Fx(100, 10));
  polyline.LineTo(Fx(190, 30));
  polyline.LineTo(Fx(120, 70));
  LINEATTRS wide{LA_GEOMETRIC, JOIN_MITER, ENDCAP_BUTT, {}, 10, 0, nullptr, {}};
  wide.elWidth.e = 5;
  Clip clip;
  clip.SetRects({{0, 0, 180, 110}});
  ASSERT_TRUE(
      EngStrokePath(page.so(), &polyline, &clip, nullptr, &brush, nullptr, &wide, R2_COPYPEN));
  ASSERT_TRUE(EngLineTo(page.so(), nullptr, &brush, 5, 100, 150, 80, nullptr, R2_COPYPEN));

  Font font;
  ASSERT_TRUE(font.Open(kFont, 0, 24, 0));
  Str text;
  text.font = &font;
  LONG x = 20;
  for (char c : std::string("Label 42")) {
    HGLYPH g = font.GlyphOf(static_cast<char32_t>(c));
    text.positions.push_back({g, nullptr, {x, 105}});
    x += font.Advance(g);
  }
  text.cGlyphs = static_cast<ULONG>(text.positions.size());
  ASSERT_TRUE(EngTextOut(page.so(), &text, &font, nullptr, nullptr, nullptr, &brush, nullptr,
                         nullptr, R2_COPYPEN));

  Reference ref(w, h);
  cairo_t* cr = ref.cr();
  cairo_set_source_rgb(cr, d.rgb, d.rgb, d.rgb);
  Ellipse(cr, 10, 10, 90, 60);
  cairo_fill(cr);
  cairo_save(cr);
  cairo_rectangle(cr, 0, 0, 180, 110);
  cairo_clip(cr);
  cairo_move_to(cr, 100.5, 10.5);
  cairo_line_to(cr, 190.5, 30.5);
  cairo_line_to(cr, 120.5, 70.5);
  cairo_set_line_width(cr, 5);
  cairo_stroke(cr);
  cairo_restore(cr);
  cairo_move_to(cr, 5.5, 100.5);
  cairo_line_to(cr, 150.5, 80.5);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  ULONG grey = static_cast<ULONG>(d.rgb * 255);
  ref.Text("Label 42", 20, 105, 24, grey | (grey << 8) | (grey << 16));

  int differences = 0, inked = 0;
  for (int yy = 0; yy < h; ++yy)
    for (int xx = 0; xx < w; ++xx) {
      ULONG want = ref.at(xx, yy);
      bool drawn = want != 0xffffff;
      inked += drawn;
      ULONG expect = d.format == BMF_1BPP ? (drawn ? d.ink : 1) : want;
      if (page.at(xx, yy) != expect && ++differences < 5)
        ADD_FAILURE() << "pixel " << xx << "," << yy << " is " << page.at(xx, yy) << " not "
                      << expect;
    }
  EXPECT_EQ(differences, 0);
  EXPECT_GT(inked, 2000);  // the drawing is really there
}

INSTANTIATE_TEST_SUITE_P(Formats, EngineDrawing,
                         ::testing::Values(Drawing{BMF_1BPP, 0, 0.0},
                                           Drawing{BMF_24BPP, 0x000000, 0.0},
                                           Drawing{BMF_24BPP, 0x808080, 128.0 / 255}));

// Mixes act on the pixels already there: XOR of two overlapping fills leaves the
// overlap white, as Cairo's XOR of the two shapes' coverage does.
TEST(Engine, XorMixEqualsCairoXorOfTheCoverage) {
  Bitmap page(64, 40, BMF_1BPP, 0xff);
  BRUSHOBJ toggle{1, nullptr, 0};
  Path a, b;
  Ellipse(a, 2, 2, 40, 38);
  Ellipse(b, 20, 4, 62, 36);
  ASSERT_TRUE(EngFillPath(page.so(), &a, nullptr, &toggle, nullptr, R2_XORPEN, FP_ALTERNATEMODE));
  ASSERT_TRUE(EngFillPath(page.so(), &b, nullptr, &toggle, nullptr, R2_XORPEN, FP_ALTERNATEMODE));

  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, 64, 40);
  cairo_t* cr = cairo_create(s);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_operator(cr, CAIRO_OPERATOR_XOR);
  Ellipse(cr, 2, 2, 40, 38);
  cairo_fill(cr);
  Ellipse(cr, 20, 4, 62, 36);
  cairo_fill(cr);
  cairo_surface_flush(s);
  int toggled = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 64; ++x) {
      bool covered =
          cairo_image_surface_get_data(s)[y * cairo_image_surface_get_stride(s) + x] > 127;
      toggled += covered;
      ASSERT_EQ(page.at(x, y), covered ? 0u : 1u) << x << "," << y;
    }
  EXPECT_GT(toggled, 500);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}

// Bitmaps have the layout the driver relies on: rows padded to 4 bytes, top-down
// when asked, and sizes or formats the engine cannot keep are refused.
TEST(Engine, CreateBitmapLayout) {
  struct Case {
    LONG w, h;
    ULONG format;
    FLONG fl;
    LONG stride;  // 0: refused
  } cases[] = {
      {203, 2, BMF_1BPP, BMF_TOPDOWN, (203 + 31) / 32 * 4},
      {1, 1, BMF_1BPP, BMF_TOPDOWN, 4},
      {5, 3, BMF_24BPP, BMF_TOPDOWN, (5 * 3 + 3) / 4 * 4},
      {5, 3, BMF_24BPP, 0, -16},
      {0, 3, BMF_24BPP, BMF_TOPDOWN, 0},
      {3, -1, BMF_1BPP, BMF_TOPDOWN, 0},
      {4, 4, BMF_4BPP, BMF_TOPDOWN, 0},
      {70000, 70000, BMF_24BPP, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " format " +
                 std::to_string(c.format));
    SetLastError(0xdeadbeef);
    HBITMAP bm = EngCreateBitmap({c.w, c.h}, 0, c.format, c.fl, nullptr);
    if (c.stride == 0) {
      EXPECT_EQ(bm, nullptr);
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
      continue;
    }
    ASSERT_NE(bm, nullptr);
    SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(bm));
    ASSERT_NE(so, nullptr);
    EXPECT_EQ(so->lDelta, c.stride);
    EXPECT_EQ(so->cjBits, static_cast<ULONG>(std::abs(c.stride) * c.h));
    BYTE* first = static_cast<BYTE*>(so->pvBits);
    EXPECT_EQ(so->pvScan0, c.stride > 0 ? first : first + (c.h - 1) * -c.stride);
    EXPECT_EQ(so->iType, STYPE_BITMAP);
    EXPECT_EQ(so->hsurf, reinterpret_cast<HSURF>(bm));
    EngUnlockSurface(so);
    EXPECT_TRUE(EngDeleteSurface(reinterpret_cast<HSURF>(bm)));
    EXPECT_FALSE(EngDeleteSurface(reinterpret_cast<HSURF>(bm)));
  }
}

// Raster operations: each pixel of the result is the operation's boolean function
// of pattern, source and destination.
TEST(Engine, BitBltAppliesTheRasterOperation) {
  struct Op {
    ROP4 rop;
    bool (*f)(bool p, bool s, bool d);
  } ops[] = {
      {0xCCCC, [](bool, bool s, bool) { return s; }},
      {0x6666, [](bool, bool s, bool d) { return s != d; }},
      {0x8888, [](bool, bool s, bool d) { return s && d; }},
      {0x3333, [](bool, bool s, bool) { return !s; }},
      {0x5A5A, [](bool p, bool, bool d) { return p != d; }},
      {0x5555, [](bool, bool, bool d) { return !d; }},
      {0xE2E2, [](bool p, bool s, bool d) { return s ? p : d; }},
      {0xB8B8, [](bool p, bool s, bool d) { return s ? d : p; }},
  };
  for (const Op& op : ops) {
    SCOPED_TRACE(op.rop);
    Bitmap src(8, 1, BMF_1BPP, 0), dst(8, 1, BMF_1BPP, 0);
    static_cast<BYTE*>(src.so()->pvScan0)[0] = 0xCC;  // 1100 1100
    static_cast<BYTE*>(dst.so()->pvScan0)[0] = 0xAA;  // 1010 1010
    BRUSHOBJ pattern{1, nullptr, 0};
    RECTL to{0, 0, 8, 1};
    POINTL from{0, 0};
    ASSERT_TRUE(EngBitBlt(dst.so(), src.so(), nullptr, nullptr, nullptr, &to, &from, nullptr,
                          &pattern, nullptr, op.rop));
    for (int x = 0; x < 8; ++x) {
      bool s = (0xCC >> (7 - x)) & 1, d = (0xAA >> (7 - x)) & 1;
      EXPECT_EQ(dst.at(x, 0), op.f(true, s, d) ? 1u : 0u) << x;
    }
  }
}

// A 24-bpp image stretched onto the 24-bpp page equals Cairo's nearest-pixel scaling,
// and a mirrored destination turns it round.
TEST(Engine, StretchBltEqualsNearestScaling) {
  Bitmap src(5, 3, BMF_24BPP, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      BYTE* p = static_cast<BYTE*>(src.so()->pvScan0) + y * src.so()->lDelta + x * 3;
      p[0] = static_cast<BYTE>(x * 50);
      p[1] = static_cast<BYTE>(y * 100);
      p[2] = static_cast<BYTE>(x * 10 + y);
    }
  Bitmap page(40, 20, BMF_24BPP, 0xff);
  RECTL to{3, 2, 16, 13}, mirrored{39, 2, 26, 13}, from{0, 0, 5, 3};
  ASSERT_TRUE(EngStretchBlt(page.so(), src.so(), nullptr, nullptr, nullptr, nullptr, nullptr, &to,
                            &from, nullptr, COLORONCOLOR));
  ASSERT_TRUE(EngStretchBlt(page.so(), src.so(), nullptr, nullptr, nullptr, nullptr, nullptr,
                            &mirrored, &from, nullptr, COLORONCOLOR));

  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 5, 3);
  cairo_surface_flush(image);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      uint32_t v = src.at(x, y);
      std::memcpy(
          cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image) + x * 4,
          &v, 4);
    }
  cairo_surface_mark_dirty(image);
  Reference ref(40, 20);
  cairo_t* cr = ref.cr();
  cairo_save(cr);
  cairo_translate(cr, 3, 2);
  cairo_scale(cr, 13.0 / 5, 11.0 / 3);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr, 0, 0, 5, 3);
  cairo_fill(cr);
  cairo_restore(cr);
  cairo_translate(cr, 39, 2);
  cairo_scale(cr, -13.0 / 5, 11.0 / 3);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr, 0, 0, 5, 3);
  cairo_fill(cr);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(page.at(x, y), ref.at(x, y)) << x << "," << y;
  cairo_surface_destroy(image);
}

// Halftoning a uniform mid-grey onto a 1-bpp page gives half of every 8 x 8 cell white.
TEST(Engine, HalftoneStretchOfMidGreyIsHalfWhite) {
  Bitmap src(2, 2, BMF_24BPP, 128);
  Bitmap page(32, 16, BMF_1BPP, 0);
  RECTL to{0, 0, 32, 16}, from{0, 0, 2, 2};
  ASSERT_TRUE(EngStretchBlt(page.so(), src.so(), nullptr, nullptr, nullptr, nullptr, nullptr, &to,
                            &from, nullptr, HALFTONE));
  for (int cy = 0; cy < 16; cy += 8)
    for (int cx = 0; cx < 32; cx += 8) {
      int white = 0;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) white += static_cast<int>(page.at(cx + x, cy + y));
      EXPECT_EQ(white, 32) << cx << "," << cy;
    }
}

// A complex clip enumerates its rectangles in batches the buffer holds; paths
// enumerate their records with the sub-path flags.
TEST(Engine, ClipAndPathEnumeration) {
  Clip clip;
  clip.SetRects({{10, 20, 30, 40}, {0, 0, 5, 5}, {50, 0, 60, 5}, {7, 7, 7, 9}});
  EXPECT_EQ(clip.iDComplexity, DC_COMPLEX);
  EXPECT_EQ(CLIPOBJ_cEnumStart(&clip, FALSE, CT_RECTANGLES, CD_RIGHTDOWN, 0), 3u);
  struct {
    ULONG c;
    RECTL r[2];
  } buffer;
  std::vector<RECTL> seen;
  bool more = true;
  while (more) {
    more = CLIPOBJ_bEnum(&clip, sizeof buffer, reinterpret_cast<ULONG*>(&buffer));
    for (ULONG i = 0; i < buffer.c; ++i) seen.push_back(buffer.r[i]);
  }
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].right, 5);
  EXPECT_EQ(seen[1].left, 50);
  EXPECT_EQ(seen[2].top, 20);
  EXPECT_EQ(clip.rclBounds.right, 60);
  EXPECT_EQ(clip.rclBounds.bottom, 40);

  Path path;
  path.MoveTo(Fx(1, 1));
  path.LineTo(Fx(2, 1));
  path.BezierTo(Fx(3, 1), Fx(3, 2), Fx(3, 3));
  path.Close();
  path.MoveTo(Fx(5, 5));
  path.LineTo(Fx(6, 6));
  // A line, a curve, the line that closes the first figure and one more line.
  EXPECT_EQ(path.cCurves, 4u);
  {
    // A figure that ends where it began closes without another line: an ellipse is
    // its four curves, a rectangle outline its four sides.
    Path ellipse;
    ellipse.MoveTo(Fx(0, 0));
    ellipse.BezierTo(Fx(1, 0), Fx(2, 1), Fx(2, 2));
    ellipse.BezierTo(Fx(2, 3), Fx(1, 4), Fx(0, 4));
    ellipse.BezierTo(Fx(-1, 4), Fx(-2, 3), Fx(-2, 2));
    ellipse.BezierTo(Fx(-2, 1), Fx(-1, 0), Fx(0, 0));
    ellipse.Close();
    EXPECT_EQ(ellipse.cCurves, 4u);
    Path box;
    box.MoveTo(Fx(0, 0));
    box.LineTo(Fx(9, 0));
    box.LineTo(Fx(9, 9));
    box.LineTo(Fx(0, 9));
    box.Close();
    EXPECT_EQ(box.cCurves, 4u);
  }
  PATHOBJ_vEnumStart(&path);
  std::vector<std::pair<FLONG, ULONG>> records;
  PATHDATA pd;
  do {
    more = PATHOBJ_bEnum(&path, &pd);
    records.push_back({pd.flags, pd.count});
  } while (more);
  std::vector<std::pair<FLONG, ULONG>> want{{PD_BEGINSUBPATH, 2},
                                            {PD_BEZIERS | PD_ENDSUBPATH | PD_CLOSEFIGURE, 3},
                                            {PD_BEGINSUBPATH | PD_ENDSUBPATH, 2}};
  EXPECT_EQ(records, want);
}

// Colour translation from an indexed black-and-white palette and the glyph set of
// the ANSI code page's upper half.
TEST(Engine, PalettesTranslateAndGlyphSetsCoverTheCodePage) {
  ULONG colors[2] = {0x000000, 0xffffff};
  HPALETTE mono = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
  HPALETTE bgr = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  ASSERT_NE(mono, nullptr);
  ASSERT_NE(bgr, nullptr);
  trv::gdi::Xlate toMono(trv::gdi::PaletteOf(bgr), trv::gdi::PaletteOf(mono));
  EXPECT_EQ(XLATEOBJ_iXlate(&toMono, 0xF0F0F0), 1u);
  EXPECT_EQ(XLATEOBJ_iXlate(&toMono, 0x202020), 0u);
  trv::gdi::Xlate fromMono(trv::gdi::PaletteOf(mono), trv::gdi::PaletteOf(bgr));
  EXPECT_EQ(XLATEOBJ_iXlate(&fromMono, 1), 0xffffffu);
  EXPECT_TRUE(EngDeletePalette(mono));
  EXPECT_TRUE(EngDeletePalette(bgr));
  EXPECT_FALSE(EngDeletePalette(bgr));

  FD_GLYPHSET* set = EngComputeGlyphSet(1252, 0x20, 0xE0);
  ASSERT_NE(set, nullptr);
  ULONG total = 0;
  for (ULONG r = 0; r < set->cRuns; ++r) {
    const WCRUN& run = set->awcrun[r];
    for (USHORT i = 0; i < run.cGlyphs; ++i) {
      char c = static_cast<char>(0x20 + run.phg[i]);
      WCHAR w = 0;
      MultiByteToWideChar(1252, 0, &c, 1, &w, 1);
      EXPECT_EQ(w, run.wcLow + i);
    }
    total += run.cGlyphs;
  }
  EXPECT_EQ(total, set->cGlyphsSupported);
  EXPECT_GE(total, 0xDBu);  // 1252 leaves only a handful of its upper half undefined
  EngFreeMem(set);
}

// A printer's own font reaches the engine only when its driver hands text back: the
// engine has no outlines for it, so it draws the opaque box and no glyph, and every
// font helper answers for it without touching a face it does not have.
TEST(Engine, TextInADeviceFontDrawsNoGlyphs) {
  Bitmap page(64, 32, BMF_1BPP, 0xff);
  ASSERT_NE(page.so(), nullptr);
  Font font;
  font.iFace = 1;
  font.flFontType = FO_TYPE_DEVICE;
  Str text;
  text.font = &font;
  text.text = u"AB";
  text.positions = {{0, nullptr, {2, 20}}, {1, nullptr, {14, 20}}};
  text.cGlyphs = 2;
  text.pwszOrg = text.text.data();
  BRUSHOBJ ink{0, nullptr, 0};
  ASSERT_TRUE(EngTextOut(page.so(), &text, &font, nullptr, nullptr, nullptr, &ink, nullptr, nullptr,
                         R2_COPYPEN | (R2_COPYPEN << 8)));
  for (LONG y = 0; y < 32; ++y)
    for (LONG x = 0; x < 64; ++x) ASSERT_EQ(page.at(x, y), 1u) << x << "," << y;
  RECTL box{10, 4, 20, 8};
  ASSERT_TRUE(EngTextOut(page.so(), &text, &font, nullptr, nullptr, &box, &ink, &ink, nullptr,
                         R2_COPYPEN | (R2_COPYPEN << 8)));
  EXPECT_EQ(page.at(10, 4), 0u);
  EXPECT_EQ(page.at(20, 4), 1u);
  HGLYPH handle = 7;
  PVOID glyph = nullptr;
  EXPECT_EQ(FONTOBJ_cGetGlyphs(&font, FO_GLYPHBITS, 1, &handle, &glyph), 0u);
  EXPECT_EQ(FONTOBJ_cGetAllGlyphHandles(&font, nullptr), 0u);
  EXPECT_EQ(FONTOBJ_pifi(&font), nullptr);
  EXPECT_EQ(font.GlyphOf(U'A'), 0u);
  EXPECT_EQ(font.Advance(0), 0);
}

}  // namespace
