// The DDI's objects and their helpers (CLIPOBJ_*, PATHOBJ_*, STROBJ_*, FONTOBJ_*,
// XFORMOBJ_*, XLATEOBJ_*, BRUSHOBJ_*), palettes, memory and the last error.
#include "platform/gdi/objects.h"

#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/kernel.h"
#include "platform/kernel/text.h"

namespace trv::gdi {

namespace {

FT_Library FreeType() {
  static FT_Library library = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) return static_cast<FT_Library>(nullptr);
    return l;
  }();
  return library;
}

// FreeType faces are not safe to use from two threads at once.
std::mutex& FreeTypeLock() {
  static std::mutex lock;
  return lock;
}

// An embedded bitmap cannot be turned: a turned font measures and draws its outlines.
FT_Int32 LoadFlags(const Baseline& baseline) {
  return FT_LOAD_TARGET_MONO | (baseline.escapement != 0 ? FT_LOAD_NO_BITMAP : 0);
}

}  // namespace

std::shared_ptr<Palette> PaletteOf(HPALETTE palette) {
  return kernel::FindHandleAs<Palette>(palette);
}

ULONG ColorToPixel(const Palette* palette, COLORREF color) {
  ULONG r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  if (palette == nullptr || palette->mode == PAL_BGR) return b | (g << 8) | (r << 16);
  if (palette->mode == PAL_RGB) return r | (g << 8) | (b << 16);
  if (palette->mode == PAL_INDEXED) {
    // The nearest entry by squared distance, the first of equals.
    ULONG best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette->colors.size(); ++i) {
      long dr = static_cast<long>(GetRValue(palette->colors[i])) - static_cast<long>(r);
      long dg = static_cast<long>(GetGValue(palette->colors[i])) - static_cast<long>(g);
      long db = static_cast<long>(GetBValue(palette->colors[i])) - static_cast<long>(b);
      long d = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || d < bestDistance) {
        best = static_cast<ULONG>(i);
        bestDistance = d;
      }
    }
    return best;
  }
  // Bit fields: each mask's width of the component's top bits.
  auto place = [](ULONG value, FLONG mask) -> ULONG {
    if (mask == 0) return 0;
    int shift = __builtin_ctz(mask);
    int width = __builtin_popcount(mask);
    ULONG v = width >= 8 ? value << (width - 8) : value >> (8 - width);
    return (v << shift) & mask;
  };
  return place(r, palette->red) | place(g, palette->green) | place(b, palette->blue);
}

COLORREF PixelToColor(const Palette* palette, ULONG pixel) {
  if (palette == nullptr || palette->mode == PAL_BGR)
    return RGB((pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff);
  if (palette->mode == PAL_RGB) return pixel & 0xffffff;
  if (palette->mode == PAL_INDEXED)
    return pixel < palette->colors.size() ? palette->colors[pixel] & 0xffffff : 0;
  auto take = [](ULONG value, FLONG mask) -> ULONG {
    if (mask == 0) return 0;
    int shift = __builtin_ctz(mask);
    int width = __builtin_popcount(mask);
    ULONG v = (value & mask) >> shift;
    return width >= 8 ? v >> (width - 8) : (v * 255) / ((1u << width) - 1);
  };
  return RGB(take(pixel, palette->red), take(pixel, palette->green), take(pixel, palette->blue));
}

// ---- clip ------------------------------------------------------------------------------
Clip::Clip() : CLIPOBJ{} { SetTrivial(); }

void Clip::SetTrivial() {
  rects.clear();
  iDComplexity = DC_TRIVIAL;
  iFComplexity = FC_RECT;
  iMode = TC_RECTANGLES;
  rclBounds = {0, 0, 0x7fffffff, 0x7fffffff};
}

void Clip::SetRects(std::vector<RECTL> r) {
  r.erase(std::remove_if(r.begin(), r.end(),
                         [](const RECTL& x) { return x.right <= x.left || x.bottom <= x.top; }),
          r.end());
  std::sort(r.begin(), r.end(), [](const RECTL& a, const RECTL& b) {
    return a.top != b.top ? a.top < b.top : a.left < b.left;
  });
  rects = std::move(r);
  iMode = TC_RECTANGLES;
  if (rects.empty()) {
    // Nothing visible: an empty rectangle as bounds, which every drawer honours.
    rclBounds = {0, 0, 0, 0};
    iDComplexity = DC_RECT;
    iFComplexity = FC_RECT;
    return;
  }
  rclBounds = rects[0];
  for (const RECTL& x : rects) {
    rclBounds.left = std::min(rclBounds.left, x.left);
    rclBounds.top = std::min(rclBounds.top, x.top);
    rclBounds.right = std::max(rclBounds.right, x.right);
    rclBounds.bottom = std::max(rclBounds.bottom, x.bottom);
  }
  iDComplexity = rects.size() == 1 ? DC_RECT : DC_COMPLEX;
  iFComplexity = rects.size() == 1 ? FC_RECT : rects.size() <= 4 ? FC_RECT4 : FC_COMPLEX;
}

// ---- path ------------------------------------------------------------------------------
Path::Path() : PATHOBJ{} {}

void Path::MoveTo(POINTFIX p) {
  if (!records.empty()) records.back().flags |= PD_ENDSUBPATH;
  records.push_back({PD_BEGINSUBPATH, {p}});
}

void Path::LineTo(POINTFIX p) {
  if (records.empty()) MoveTo({0, 0});
  Record& last = records.back();
  if ((last.flags & (PD_BEZIERS | PD_ENDSUBPATH)) != 0) {
    if (last.flags & PD_ENDSUBPATH) MoveTo(last.points.back());
    if (records.back().flags & PD_BEZIERS) records.push_back({0, {}});
  }
  records.back().points.push_back(p);
  ++cCurves;
}

void Path::BezierTo(POINTFIX c1, POINTFIX c2, POINTFIX end) {
  if (records.empty()) MoveTo({0, 0});
  if (records.back().flags & PD_ENDSUBPATH) MoveTo(records.back().points.back());
  Record& last = records.back();
  bool startOnly = (last.flags & PD_BEGINSUBPATH) && last.points.size() == 1;
  if (startOnly) {
    last.flags |= PD_BEZIERS;
  } else if (!(last.flags & PD_BEZIERS)) {
    records.push_back({PD_BEZIERS, {}});
  }
  records.back().points.insert(records.back().points.end(), {c1, c2, end});
  fl |= PO_BEZIERS;
  ++cCurves;
}

// Closing a figure that does not end where it began adds its closing line to the
// path's count of lines and curves (a rectangle's outline counts four), as drivers
// that tell a rectangle from other paths by that count expect.
void Path::Close() {
  if (records.empty()) return;
  auto begin = std::find_if(records.rbegin(), records.rend(), [](const Record& r) {
    return (r.flags & PD_BEGINSUBPATH) != 0 && !r.points.empty();
  });
  const std::vector<POINTFIX>& last = records.back().points;
  if (begin != records.rend() && !last.empty()) {
    const POINTFIX first = begin->points.front();
    if (last.back().x != first.x || last.back().y != first.y) ++cCurves;
  }
  records.back().flags |= PD_ENDSUBPATH | PD_CLOSEFIGURE;
}

// ---- colour translation --------------------------------------------------------------
Xlate::Xlate(std::shared_ptr<Palette> src, std::shared_ptr<Palette> dst)
    : XLATEOBJ{}, source(std::move(src)), destination(std::move(dst)) {
  iSrcType = static_cast<USHORT>(source ? source->mode : PAL_BGR);
  iDstType = static_cast<USHORT>(destination ? destination->mode : PAL_BGR);
  if (source && source->mode == PAL_INDEXED) {
    for (ULONG c : source->colors) table.push_back(ColorToPixel(destination.get(), c));
    flXlate = XO_TABLE;
    cEntries = static_cast<ULONG>(table.size());
    pulXlate = table.data();
  }
  bool same = (!source && !destination) ||
              (source && destination && source->mode == destination->mode &&
               source->mode != PAL_INDEXED && source->red == destination->red &&
               source->green == destination->green && source->blue == destination->blue);
  if (same) flXlate = XO_TRIVIAL;
  if (destination && destination->mode == PAL_INDEXED && destination->colors.size() == 2)
    flXlate |= XO_TO_MONO;
}

// ---- fonts -------------------------------------------------------------------------------
Baseline BaselineOf(int escapement) {
  Baseline b;
  b.escapement = ((escapement % 3600) + 3600) % 3600;
  switch (b.escapement) {
    case 0: b.cosine = 1, b.sine = 0; break;
    case 900: b.cosine = 0, b.sine = 1; break;
    case 1800: b.cosine = -1, b.sine = 0; break;
    case 2700: b.cosine = 0, b.sine = -1; break;
    default: {
      double radians = b.escapement * M_PI / 1800;
      b.cosine = std::cos(radians);
      b.sine = std::sin(radians);
    }
  }
  return b;
}

Font::~Font() {
  std::lock_guard<std::mutex> guard(FreeTypeLock());
  if (face != nullptr) FT_Done_Face(face);
}

bool Font::Open(const std::string& hostPath, int index, int emPixels, int widthPixels,
                int escapement) {
  std::lock_guard<std::mutex> guard(FreeTypeLock());
  if (FreeType() == nullptr || emPixels <= 0) return false;
  if (FT_New_Face(FreeType(), hostPath.c_str(), index, &face) != 0) {
    face = nullptr;
    return false;
  }
  if (FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(std::max(0, widthPixels)),
                         static_cast<FT_UInt>(emPixels)) != 0)
    return false;
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  float scale = static_cast<float>(emPixels) / static_cast<float>(face->units_per_EM);
  float xscale = widthPixels > 0
                     ? static_cast<float>(widthPixels) / static_cast<float>(face->units_per_EM)
                     : scale;
  SetScaleAndBaseline(xscale, scale, escapement);
  // FreeType turns each outline after scaling and hinting, in its own y-up space,
  // where counter-clockwise on the page is the usual rotation.
  if (baseline.escapement != 0) {
    auto fixed = [](double v) { return static_cast<FT_Fixed>(std::lround(v * 0x10000)); };
    const double c = baseline.cosine, s = baseline.sine;
    FT_Matrix turn{fixed(c), fixed(-s), fixed(s), fixed(c)};
    FT_Set_Transform(face, &turn, nullptr);
  }
  flFontType = FO_TYPE_TRUETYPE;
  cxMax = static_cast<ULONG>(std::lround(face->max_advance_width * xscale));

  // IFIMETRICS with the family, style and face names after it.
  std::u16string family = kernel::AnsiToWide(face->family_name ? face->family_name : "");
  std::u16string style = kernel::AnsiToWide(face->style_name ? face->style_name : "");
  std::u16string full = family + (style.empty() || style == u"Regular" ? u"" : u" " + style);
  auto bytesOf = [](const std::u16string& s) { return (s.size() + 1) * sizeof(WCHAR); };
  size_t size = sizeof(IFIMETRICS) + bytesOf(family) + bytesOf(style) + bytesOf(full);
  ifi.assign(size, 0);
  auto* m = reinterpret_cast<IFIMETRICS*>(ifi.data());
  m->cjThis = static_cast<ULONG>(size);
  size_t at = sizeof(IFIMETRICS);
  auto put = [&](const std::u16string& s) {
    std::memcpy(ifi.data() + at, s.c_str(), bytesOf(s));
    PTRDIFF offset = static_cast<PTRDIFF>(at);
    at += bytesOf(s);
    return offset;
  };
  m->dpwszFamilyName = put(family);
  m->dpwszStyleName = put(style);
  m->dpwszFaceName = put(full);
  m->dpwszUniqueName = m->dpwszFaceName;
  m->jWinCharSet = ANSI_CHARSET;
  bool fixed = FT_IS_FIXED_WIDTH(face);
  m->jWinPitchAndFamily = fixed ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS;
  m->usWinWeight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL;
  m->flInfo = FM_INFO_TECH_TRUETYPE | FM_INFO_ARB_XFORMS | FM_INFO_1BPP | FM_INFO_RETURNS_BITMAPS;
  m->fwdUnitsPerEm = static_cast<FWORD>(face->units_per_EM);
  m->fwdWinAscender = static_cast<FWORD>(face->ascender);
  m->fwdWinDescender = static_cast<FWORD>(-face->descender);
  m->fwdMacAscender = static_cast<FWORD>(face->ascender);
  m->fwdMacDescender = static_cast<FWORD>(face->descender);
  m->fwdTypoAscender = static_cast<FWORD>(face->ascender);
  m->fwdTypoDescender = static_cast<FWORD>(face->descender);
  m->fwdMaxCharInc = static_cast<FWORD>(face->max_advance_width);
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  m->fwdAveCharWidth =
      static_cast<FWORD>(os2 != nullptr ? os2->xAvgCharWidth : face->max_advance_width / 2);
  m->fwdUnderscoreSize = static_cast<FWORD>(face->underline_thickness);
  m->fwdUnderscorePosition = static_cast<FWORD>(face->underline_position);
  m->fwdStrikeoutSize = static_cast<FWORD>(os2 != nullptr ? os2->yStrikeoutSize : 0);
  m->fwdStrikeoutPosition = static_cast<FWORD>(os2 != nullptr ? os2->yStrikeoutPosition : 0);
  m->chFirstChar = 0x20;
  m->chLastChar = 0xff;
  m->chDefaultChar = 0x1f;
  m->chBreakChar = 0x20;
  m->wcFirstChar = 0x20;
  m->wcLastChar = 0xffff;
  m->wcDefaultChar = 0x1f;
  m->wcBreakChar = 0x20;
  m->ptlBaseline = {1, 0};
  m->ptlAspect = {1, 1};
  m->ptlCaret = {0, 1};
  m->rclFontBox = {static_cast<LONG>(face->bbox.xMin), static_cast<LONG>(face->bbox.yMax),
                   static_cast<LONG>(face->bbox.xMax), static_cast<LONG>(face->bbox.yMin)};
  return true;
}

void Font::SetScaleAndBaseline(double unitsToPixelsX, double unitsToPixelsY, int escapement) {
  baseline = BaselineOf(escapement);
  scaleX = unitsToPixelsX;
  scaleY = unitsToPixelsY;
  // Font units to pixels: along the baseline (x) and across it (y, towards the
  // descender), the page's y growing downwards.
  const double c = baseline.cosine, s = baseline.sine;
  auto entry = [](double v) { return static_cast<FLOATL>(v == 0 ? 0.0 : v); };  // never -0
  xform.m = {entry(scaleX * c), entry(-scaleX * s), entry(scaleY * s), entry(scaleY * c), 0, 0};
}

HGLYPH Font::GlyphOf(char32_t c) const {
  std::lock_guard<std::mutex> guard(FreeTypeLock());
  return face != nullptr ? FT_Get_Char_Index(face, c) : 0;
}

GLYPHDEF* Font::Glyph(HGLYPH glyph) {
  auto known = defs.find(glyph);
  if (known != defs.end()) return &known->second;
  std::lock_guard<std::mutex> guard(FreeTypeLock());
  if (face == nullptr || FT_Load_Glyph(face, glyph, LoadFlags(baseline)) != 0 ||
      FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0)
    return nullptr;
  const FT_Bitmap& b = face->glyph->bitmap;
  size_t rowBytes = (b.width + 7) / 8;
  std::vector<BYTE>& bytes = glyphs[glyph];
  bytes.assign(offsetof(GLYPHBITS, aj) + std::max<size_t>(1, rowBytes * b.rows), 0);
  auto* bits = reinterpret_cast<GLYPHBITS*>(bytes.data());
  bits->ptlOrigin = {face->glyph->bitmap_left, -face->glyph->bitmap_top};
  bits->sizlBitmap = {static_cast<LONG>(b.width), static_cast<LONG>(b.rows)};
  for (unsigned y = 0; y < b.rows; ++y)
    std::memcpy(bits->aj + y * rowBytes, b.buffer + static_cast<ptrdiff_t>(y) * b.pitch, rowBytes);
  GLYPHDEF& def = defs[glyph];
  def.pgb = bits;
  return &def;
}

LONG Font::Advance(HGLYPH glyph) {
  std::lock_guard<std::mutex> guard(FreeTypeLock());
  if (face == nullptr || FT_Load_Glyph(face, glyph, LoadFlags(baseline)) != 0) return 0;
  // The metrics' advance is the one along the baseline, before the face's turn.
  return static_cast<LONG>((face->glyph->metrics.horiAdvance + 32) >> 6);
}

LONG Font::Ascent() const {
  return face != nullptr ? static_cast<LONG>((face->size->metrics.ascender + 32) >> 6) : 0;
}

LONG Font::Descent() const {
  return face != nullptr ? static_cast<LONG>((-face->size->metrics.descender + 32) >> 6) : 0;
}

Str::Str() : STROBJ{} {}

}  // namespace trv::gdi

using trv::gdi::Clip;
using trv::gdi::Font;
using trv::gdi::Palette;
using trv::gdi::Path;
using trv::gdi::Str;
using trv::gdi::Xform;
using trv::gdi::Xlate;

// ---- memory and last error ----------------------------------------------------------
TRVAPI PVOID APIENTRY EngAllocMem(ULONG fl, ULONG cj, ULONG) {
  void* p =
      (fl & FL_ZERO_MEMORY) ? std::calloc(1, cj == 0 ? 1 : cj) : std::malloc(cj == 0 ? 1 : cj);
  if (p == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return p;
}

TRVAPI void APIENTRY EngFreeMem(PVOID pv) { std::free(pv); }

TRVAPI PVOID APIENTRY EngAllocUserMem(SIZE_T cj, ULONG) {
  void* p = std::calloc(1, cj == 0 ? 1 : cj);
  if (p == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return p;
}

TRVAPI void APIENTRY EngFreeUserMem(PVOID pv) { std::free(pv); }

TRVAPI void APIENTRY EngSetLastError(ULONG iError) { SetLastError(iError); }
TRVAPI ULONG APIENTRY EngGetLastError() { return GetLastError(); }

// ---- palettes -----------------------------------------------------------------------
TRVAPI HPALETTE APIENTRY EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                                          FLONG flGreen, FLONG flBlue) {
  auto palette = std::make_shared<Palette>();
  palette->mode = iMode;
  switch (iMode) {
    case PAL_INDEXED:
      if (cColors == 0 || pulColors == nullptr || cColors > 65536) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      palette->colors.assign(pulColors, pulColors + cColors);
      break;
    case PAL_BITFIELDS:
      palette->red = flRed;
      palette->green = flGreen;
      palette->blue = flBlue;
      break;
    case PAL_RGB:
    case PAL_BGR: break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
  HANDLE h = trv::kernel::AddHandle(palette);
  if (h == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return static_cast<HPALETTE>(h);
}

TRVAPI BOOL APIENTRY EngDeletePalette(HPALETTE hpal) {
  if (!trv::gdi::PaletteOf(hpal)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  trv::kernel::RemoveHandle(hpal);
  return TRUE;
}

// ---- clip -------------------------------------------------------------------------------
TRVAPI ULONG APIENTRY CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL, ULONG iType, ULONG, ULONG) {
  if (pco == nullptr || iType != CT_RECTANGLES) return 0xFFFFFFFF;
  if (pco->iDComplexity != DC_COMPLEX) return pco->iDComplexity == DC_TRIVIAL ? 0xFFFFFFFF : 1;
  auto* clip = static_cast<Clip*>(pco);
  clip->next = 0;
  return static_cast<ULONG>(clip->rects.size());
}

TRVAPI BOOL APIENTRY CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul) {
  auto* out = reinterpret_cast<ENUMRECTS*>(pul);
  if (pco == nullptr || out == nullptr || cj < sizeof(ENUMRECTS)) return FALSE;
  if (pco->iDComplexity != DC_COMPLEX) {
    out->c = 1;
    out->arcl[0] = pco->rclBounds;
    return FALSE;
  }
  auto* clip = static_cast<Clip*>(pco);
  size_t room = (cj - offsetof(ENUMRECTS, arcl)) / sizeof(RECTL);
  size_t n = std::min(room, clip->rects.size() - std::min(clip->next, clip->rects.size()));
  for (size_t i = 0; i < n; ++i) out->arcl[i] = clip->rects[clip->next + i];
  out->c = static_cast<ULONG>(n);
  clip->next += n;
  return clip->next < clip->rects.size();
}

// ---- brush ------------------------------------------------------------------------------
// The engine realises no brushes of its own: a solid colour is all it hands out.
TRVAPI PVOID APIENTRY BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo) {
  return pbo != nullptr ? pbo->pvRbrush : nullptr;
}

TRVAPI PVOID APIENTRY BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj) {
  if (pbo == nullptr) return nullptr;
  EngFreeMem(pbo->pvRbrush);
  pbo->pvRbrush = EngAllocMem(FL_ZERO_MEMORY, cj, 0);
  return pbo->pvRbrush;
}

TRVAPI ULONG APIENTRY BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo) {
  return pbo != nullptr ? pbo->iSolidColor : 0xFFFFFFFF;
}

// ---- colour translation --------------------------------------------------------------
TRVAPI ULONG APIENTRY XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor) {
  if (pxlo == nullptr || (pxlo->flXlate & XO_TRIVIAL)) return iColor;
  if (pxlo->flXlate & XO_TABLE) return iColor < pxlo->cEntries ? pxlo->pulXlate[iColor] : 0;
  auto* x = static_cast<Xlate*>(pxlo);
  return trv::gdi::ColorToPixel(x->destination.get(),
                                trv::gdi::PixelToColor(x->source.get(), iColor));
}

TRVAPI ULONG APIENTRY XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal) {
  if (pxlo == nullptr) return 0;
  auto* x = static_cast<Xlate*>(pxlo);
  const Palette* p = iPal == XO_SRCPALETTE ? x->source.get() : x->destination.get();
  if (p == nullptr || p->mode != PAL_INDEXED) return 0;
  if (pPal == nullptr) return static_cast<ULONG>(p->colors.size());
  ULONG n = std::min(cPal, static_cast<ULONG>(p->colors.size()));
  std::copy_n(p->colors.begin(), n, pPal);
  return n;
}

// ---- path -------------------------------------------------------------------------------
TRVAPI void APIENTRY PATHOBJ_vEnumStart(PATHOBJ* ppo) {
  if (ppo != nullptr) static_cast<Path*>(ppo)->next = 0;
}

TRVAPI BOOL APIENTRY PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd) {
  if (ppo == nullptr || ppd == nullptr) return FALSE;
  auto* path = static_cast<Path*>(ppo);
  if (path->next >= path->records.size()) {
    *ppd = {0, 0, nullptr};
    return FALSE;
  }
  Path::Record& r = path->records[path->next++];
  FLONG flags = r.flags;
  if (path->next == path->records.size()) flags |= PD_ENDSUBPATH;
  *ppd = {flags, static_cast<ULONG>(r.points.size()), r.points.data()};
  return path->next < path->records.size();
}

TRVAPI void APIENTRY PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTFX* prectfx) {
  if (ppo == nullptr || prectfx == nullptr) return;
  auto* path = static_cast<Path*>(ppo);
  bool first = true;
  *prectfx = {0, 0, 0, 0};
  for (const Path::Record& r : path->records) {
    for (const POINTFIX& p : r.points) {
      if (first) {
        *prectfx = {p.x, p.y, p.x, p.y};
        first = false;
      }
      prectfx->xLeft = std::min(prectfx->xLeft, p.x);
      prectfx->yTop = std::min(prectfx->yTop, p.y);
      prectfx->xRight = std::max(prectfx->xRight, p.x);
      prectfx->yBottom = std::max(prectfx->yBottom, p.y);
    }
  }
}

// ---- string -------------------------------------------------------------------------------
TRVAPI void APIENTRY STROBJ_vEnumStart(STROBJ* pstro) {
  if (pstro != nullptr) static_cast<Str*>(pstro)->enumerated = false;
}

// All glyphs come in one batch, with their bitmaps when the font is the engine's.
TRVAPI BOOL APIENTRY STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos) {
  if (pstro == nullptr || pc == nullptr || ppgpos == nullptr) return FALSE;
  auto* s = static_cast<Str*>(pstro);
  if (s->enumerated) {
    *pc = 0;
    *ppgpos = nullptr;
    return FALSE;
  }
  s->enumerated = true;
  if (s->font != nullptr)
    for (GLYPHPOS& g : s->positions) g.pgdf = s->font->Glyph(g.hg);
  *pc = static_cast<ULONG>(s->positions.size());
  *ppgpos = s->positions.data();
  return FALSE;
}

TRVAPI DWORD APIENTRY STROBJ_dwGetCodePage(STROBJ*) { return GetACP(); }

// ---- font ---------------------------------------------------------------------------------
TRVAPI ULONG APIENTRY FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg,
                                         PVOID* ppvGlyph) {
  if (pfo == nullptr || phg == nullptr || ppvGlyph == nullptr || cGlyph == 0 ||
      iMode != FO_GLYPHBITS || pfo->iFace != 0)
    return 0;
  GLYPHDEF* def = static_cast<Font*>(pfo)->Glyph(phg[0]);
  if (def == nullptr) return 0;
  *ppvGlyph = def;
  return 1;
}

TRVAPI XFORMOBJ* APIENTRY FONTOBJ_pxoGetXform(FONTOBJ* pfo) {
  return pfo != nullptr ? &static_cast<Font*>(pfo)->xform : nullptr;
}

TRVAPI IFIMETRICS* APIENTRY FONTOBJ_pifi(FONTOBJ* pfo) {
  if (pfo == nullptr) return nullptr;
  auto* f = static_cast<Font*>(pfo);
  return f->ifi.empty() ? nullptr : reinterpret_cast<IFIMETRICS*>(f->ifi.data());
}

TRVAPI ULONG APIENTRY FONTOBJ_cGetAllGlyphHandles(FONTOBJ* pfo, HGLYPH* phg) {
  if (pfo == nullptr) return 0;
  auto* f = static_cast<Font*>(pfo);
  if (f->face == nullptr) return 0;
  ULONG n = static_cast<ULONG>(f->face->num_glyphs);
  if (phg != nullptr)
    for (ULONG i = 0; i < n; ++i) phg[i] = i;
  return n;
}

TRVAPI FD_GLYPHSET* APIENTRY FONTOBJ_pfdg(FONTOBJ*) { return nullptr; }

TRVAPI void APIENTRY FONTOBJ_vGetInfo(FONTOBJ* pfo, ULONG cjSize, FONTINFO* pfi) {
  if (pfo == nullptr || pfi == nullptr) return;
  FONTINFO info{};
  info.cjThis = sizeof info;
  auto* f = static_cast<Font*>(pfo);
  info.cGlyphsSupported = f->face != nullptr ? static_cast<ULONG>(f->face->num_glyphs) : 0;
  std::memcpy(pfi, &info, std::min<size_t>(cjSize, sizeof info));
}

// ---- transform ----------------------------------------------------------------------------
TRVAPI ULONG APIENTRY XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform) {
  if (pxo == nullptr) return GX_IDENTITY;
  const XFORML& m = static_cast<Xform*>(pxo)->m;
  if (pxform != nullptr) *pxform = m;
  if (m.eM12 != 0 || m.eM21 != 0) return GX_GENERAL;
  if (m.eM11 != 1 || m.eM22 != 1) return GX_SCALE;
  if (m.eDx != 0 || m.eDy != 0) return GX_OFFSET;
  return GX_IDENTITY;
}

TRVAPI BOOL APIENTRY XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn,
                                          PVOID pvOut) {
  if (pxo == nullptr || pvIn == nullptr || pvOut == nullptr) return FALSE;
  XFORML m = static_cast<Xform*>(pxo)->m;
  bool inverse = iMode == XF_INV_LTOL || iMode == XF_INV_FXTOL;
  if (inverse) {
    double det = static_cast<double>(m.eM11) * m.eM22 - static_cast<double>(m.eM12) * m.eM21;
    if (det == 0) return FALSE;
    XFORML inv{static_cast<FLOATL>(m.eM22 / det),
               static_cast<FLOATL>(-m.eM12 / det),
               static_cast<FLOATL>(-m.eM21 / det),
               static_cast<FLOATL>(m.eM11 / det),
               0,
               0};
    inv.eDx = -(m.eDx * inv.eM11 + m.eDy * inv.eM21);
    inv.eDy = -(m.eDx * inv.eM12 + m.eDy * inv.eM22);
    m = inv;
  }
  const auto* in = static_cast<const POINTL*>(pvIn);
  auto* out = static_cast<POINTL*>(pvOut);
  double inScale = iMode == XF_INV_FXTOL ? 1.0 / 16 : 1.0;
  double outScale = iMode == XF_LTOFX ? 16.0 : 1.0;
  for (ULONG i = 0; i < cPoints; ++i) {
    double x = in[i].x * inScale, y = in[i].y * inScale;
    double tx = m.eM11 * x + m.eM21 * y + m.eDx;
    double ty = m.eM12 * x + m.eM22 * y + m.eDy;
    out[i] = {static_cast<LONG>(std::lround(tx * outScale)),
              static_cast<LONG>(std::lround(ty * outScale))};
  }
  return TRUE;
}

// Runs of consecutive Unicode values of the code page's characters; handle i is the
// character nFirstChar + i.
TRVAPI FD_GLYPHSET* APIENTRY EngComputeGlyphSet(INT nCodePage, INT nFirstChar, INT cChars) {
  if (cChars <= 0 || cChars > 256 || nFirstChar < 0 || nFirstChar + cChars > 256) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::vector<WCHAR> wide(static_cast<size_t>(cChars));
  for (INT i = 0; i < cChars; ++i) {
    char c = static_cast<char>(nFirstChar + i);
    WCHAR w = 0;
    if (MultiByteToWideChar(static_cast<UINT>(nCodePage), 0, &c, 1, &w, 1) != 1) w = 0;
    wide[static_cast<size_t>(i)] = w;
  }
  std::vector<std::pair<size_t, size_t>> order;  // (unicode, handle), sorted by unicode
  for (size_t i = 0; i < wide.size(); ++i) order.push_back({wide[i], i});
  std::sort(order.begin(), order.end());
  order.erase(
      std::unique(order.begin(), order.end(), [](auto& a, auto& b) { return a.first == b.first; }),
      order.end());
  std::vector<std::pair<size_t, size_t>> runs;  // (first index into order, length)
  for (size_t i = 0; i < order.size(); ++i) {
    if (!runs.empty() && order[i].first == order[i - 1].first + 1)
      ++runs.back().second;
    else
      runs.push_back({i, 1});
  }
  size_t header = offsetof(FD_GLYPHSET, awcrun) + runs.size() * sizeof(WCRUN);
  size_t size = header + order.size() * sizeof(HGLYPH);
  auto* set = static_cast<FD_GLYPHSET*>(EngAllocMem(FL_ZERO_MEMORY, static_cast<ULONG>(size), 0));
  if (set == nullptr) return nullptr;
  set->cjThis = static_cast<ULONG>(size);
  set->flAccel = GS_8BIT_HANDLES;
  set->cGlyphsSupported = static_cast<ULONG>(order.size());
  set->cRuns = static_cast<ULONG>(runs.size());
  auto* handles = reinterpret_cast<HGLYPH*>(reinterpret_cast<BYTE*>(set) + header);
  for (size_t r = 0; r < runs.size(); ++r) {
    WCRUN& run = set->awcrun[r];
    run.wcLow = static_cast<WCHAR>(order[runs[r].first].first);
    run.cGlyphs = static_cast<USHORT>(runs[r].second);
    run.phg = handles + runs[r].first;
    for (size_t k = 0; k < runs[r].second; ++k)
      handles[runs[r].first + k] = static_cast<HGLYPH>(order[runs[r].first + k].second);
  }
  return set;
}
