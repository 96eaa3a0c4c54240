// The engine's surfaces and its drawing into bitmap surfaces. Shapes are
// rasterised by Cairo (without anti-aliasing, as GDI draws) into a coverage mask,
// scaling is pixman's, glyphs come rendered by FreeType; what is ours is applying a
// colour through a mask with GDI's raster operations, which neither library has.
//
// Coordinates: a path point (28.4) at integer values is a pixel corner for fills
// (the fill covers the pixels whose centres lie inside), and a pixel centre for
// strokes (so a one-pixel line runs through the middle of its pixels).
#include <cairo.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>

#include "platform/gdi/objects.h"

namespace trv::gdi {

namespace {

struct Bits {
  BYTE* scan0 = nullptr;
  LONG delta = 0;
  LONG width = 0;
  LONG height = 0;
  ULONG format = 0;
};

bool Describe(SURFOBJ* so, Bits* b) {
  if (so == nullptr || so->pvScan0 == nullptr || so->sizlBitmap.cx <= 0 || so->sizlBitmap.cy <= 0)
    return false;
  switch (so->iBitmapFormat) {
    case BMF_1BPP:
    case BMF_8BPP:
    case BMF_24BPP:
    case BMF_32BPP: break;
    default: return false;
  }
  *b = {static_cast<BYTE*>(so->pvScan0), so->lDelta, so->sizlBitmap.cx, so->sizlBitmap.cy,
        so->iBitmapFormat};
  return true;
}

ULONG PixelMask(ULONG format) {
  switch (format) {
    case BMF_1BPP: return 1;
    case BMF_8BPP: return 0xff;
    case BMF_24BPP: return 0xffffff;
    default: return 0xffffffff;
  }
}

BYTE* Row(const Bits& b, LONG y) { return b.scan0 + static_cast<ptrdiff_t>(y) * b.delta; }

ULONG Get(const Bits& b, LONG x, LONG y) {
  const BYTE* row = Row(b, y);
  switch (b.format) {
    case BMF_1BPP: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case BMF_8BPP: return row[x];
    case BMF_24BPP: {
      const BYTE* p = row + x * 3;
      return p[0] | (p[1] << 8) | (static_cast<ULONG>(p[2]) << 16);
    }
    default: {
      ULONG v;
      std::memcpy(&v, row + x * 4, 4);
      return v;
    }
  }
}

void Put(const Bits& b, LONG x, LONG y, ULONG v) {
  BYTE* row = Row(b, y);
  switch (b.format) {
    case BMF_1BPP: {
      BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
      row[x >> 3] = (v & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case BMF_8BPP: row[x] = static_cast<BYTE>(v); break;
    case BMF_24BPP: {
      BYTE* p = row + x * 3;
      p[0] = static_cast<BYTE>(v);
      p[1] = static_cast<BYTE>(v >> 8);
      p[2] = static_cast<BYTE>(v >> 16);
      break;
    }
    default: std::memcpy(row + x * 4, &v, 4);
  }
}

// A binary raster operation (R2_BLACK .. R2_WHITE) of pen P and destination D: the
// code minus one holds the result for each (P, D) pair at bit 2P + D.
ULONG Rop2(ULONG code, ULONG p, ULONG d, ULONG mask) {
  ULONG n = (code - 1) & 15, r = 0;
  if (n & 1) r |= ~p & ~d;
  if (n & 2) r |= ~p & d;
  if (n & 4) r |= p & ~d;
  if (n & 8) r |= p & d;
  return r & mask;
}

// A ternary raster operation of pattern P, source S and destination D: bit 4P + 2S + D.
ULONG Rop3(ULONG rop, ULONG p, ULONG s, ULONG d, ULONG mask) {
  ULONG r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((rop >> i) & 1)) continue;
    ULONG t = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    r |= t;
  }
  return r & mask;
}

bool RopNeedsSource(ULONG rop) { return (((rop >> 2) ^ rop) & 0x33) != 0; }
bool RopNeedsPattern(ULONG rop) { return (((rop >> 4) ^ rop) & 0x0f) != 0; }

RECTL Intersect(const RECTL& a, const RECTL& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}
bool Empty(const RECTL& r) { return r.right <= r.left || r.bottom <= r.top; }

// The visible parts of `limit` on the surface under the clip.
std::vector<RECTL> Visible(CLIPOBJ* pco, const Bits& b, const RECTL& limit) {
  RECTL area = Intersect(limit, {0, 0, b.width, b.height});
  std::vector<RECTL> out;
  if (Empty(area)) return out;
  if (pco == nullptr || pco->iDComplexity == DC_TRIVIAL) {
    out.push_back(area);
  } else if (pco->iDComplexity == DC_RECT) {
    RECTL r = Intersect(area, pco->rclBounds);
    if (!Empty(r)) out.push_back(r);
  } else {
    for (const RECTL& c : static_cast<Clip*>(pco)->rects) {
      RECTL r = Intersect(area, c);
      if (!Empty(r)) out.push_back(r);
    }
  }
  return out;
}

RECTL BoundsOf(const std::vector<RECTL>& rects) {
  RECTL r = rects.front();
  for (const RECTL& x : rects) {
    r.left = std::min(r.left, x.left);
    r.top = std::min(r.top, x.top);
    r.right = std::max(r.right, x.right);
    r.bottom = std::max(r.bottom, x.bottom);
  }
  return r;
}

bool MixValid(MIX mix) { return (mix & 0xff) >= R2_BLACK && (mix & 0xff) <= R2_WHITE; }

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

void AddPath(cairo_t* cr, Path& path, double offset) {
  for (const Path::Record& r : path.records) {
    const std::vector<POINTFIX>& p = r.points;
    auto x = [&](size_t i) { return p[i].x / 16.0 + offset; };
    auto y = [&](size_t i) { return p[i].y / 16.0 + offset; };
    size_t i = 0;
    if ((r.flags & PD_BEGINSUBPATH) && !p.empty()) {
      cairo_move_to(cr, x(0), y(0));
      i = 1;
    }
    if (r.flags & PD_BEZIERS) {
      for (; i + 2 < p.size(); i += 3)
        cairo_curve_to(cr, x(i), y(i), x(i + 1), y(i + 1), x(i + 2), y(i + 2));
    } else {
      for (; i < p.size(); ++i) cairo_line_to(cr, x(i), y(i));
    }
    if (r.flags & PD_CLOSEFIGURE) cairo_close_path(cr);
  }
}

// Rasterises what `draw` builds with Cairo inside `limit`, under the clip, and applies
// `color` through the coverage with the mix's foreground operation.
template <class Draw>
bool Cover(SURFOBJ* so, CLIPOBJ* pco, const RECTL& limit, ULONG color, MIX mix, Draw draw) {
  Bits b;
  if (!Describe(so, &b)) return Fail(ERROR_INVALID_PARAMETER);
  if (!MixValid(mix)) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<RECTL> visible = Visible(pco, b, limit);
  if (visible.empty()) return true;
  RECTL box = BoundsOf(visible);
  int w = box.right - box.left, h = box.bottom - box.top;
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  if (cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(mask);
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  cairo_t* cr = cairo_create(mask);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_translate(cr, -box.left, -box.top);
  for (const RECTL& r : visible)
    cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
  cairo_clip(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 1);
  draw(cr);
  bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_flush(mask);
  if (ok) {
    const BYTE* data = cairo_image_surface_get_data(mask);
    int stride = cairo_image_surface_get_stride(mask);
    ULONG pixelMask = PixelMask(b.format), code = mix & 0xff;
    for (int y = 0; y < h; ++y) {
      const BYTE* m = data + static_cast<ptrdiff_t>(y) * stride;
      for (int x = 0; x < w; ++x) {
        if (m[x] < 128) continue;
        LONG px = box.left + x, py = box.top + y;
        Put(b, px, py, Rop2(code, color, Get(b, px, py), pixelMask));
      }
    }
  }
  cairo_surface_destroy(mask);
  return ok ? true : Fail(ERROR_NOT_ENOUGH_MEMORY);
}

RECTL PathLimit(Path& path, double margin) {
  RECTFX fx;
  PATHOBJ_vGetBounds(&path, &fx);
  auto lo = [&](FIX v) { return static_cast<LONG>(std::floor(v / 16.0 - margin)) - 1; };
  auto hi = [&](FIX v) { return static_cast<LONG>(std::ceil(v / 16.0 + margin)) + 2; };
  return {lo(fx.xLeft), lo(fx.yTop), hi(fx.xRight), hi(fx.yBottom)};
}

bool SolidColor(BRUSHOBJ* pbo, ULONG* color) {
  if (pbo == nullptr || pbo->iSolidColor == 0xFFFFFFFF) return false;
  *color = pbo->iSolidColor;
  return true;
}

bool Stroke(SURFOBJ* pso, Path& path, CLIPOBJ* pco, XFORMOBJ* pxo, ULONG color, const LINEATTRS* la,
            MIX mix) {
  double width = 1;
  cairo_line_join_t join = CAIRO_LINE_JOIN_MITER;
  cairo_line_cap_t cap = CAIRO_LINE_CAP_BUTT;
  std::vector<double> dashes;
  double miter = 10;
  if (la != nullptr) {
    if (la->fl & LA_GEOMETRIC) {
      // A geometric width is in world units: scaled by the transform's mean scale.
      double scale = 1;
      XFORML m;
      if (pxo != nullptr && XFORMOBJ_iGetXform(pxo, &m) != GX_IDENTITY)
        scale = std::sqrt(
            std::fabs(static_cast<double>(m.eM11) * m.eM22 - static_cast<double>(m.eM12) * m.eM21));
      width = std::max(1.0, la->elWidth.e * scale);
      join = la->iJoin == JOIN_ROUND   ? CAIRO_LINE_JOIN_ROUND
             : la->iJoin == JOIN_BEVEL ? CAIRO_LINE_JOIN_BEVEL
                                       : CAIRO_LINE_JOIN_MITER;
      cap = la->iEndCap == ENDCAP_ROUND    ? CAIRO_LINE_CAP_ROUND
            : la->iEndCap == ENDCAP_SQUARE ? CAIRO_LINE_CAP_SQUARE
                                           : CAIRO_LINE_CAP_BUTT;
      if (la->eMiterLimit >= 1) miter = la->eMiterLimit;
      for (ULONG i = 0; la->pstyle != nullptr && i < la->cstyle; ++i)
        dashes.push_back(la->pstyle[i].e * scale);
    } else {
      width = la->elWidth.l > 0 ? la->elWidth.l : 1;
      for (ULONG i = 0; la->pstyle != nullptr && i < la->cstyle; ++i)
        dashes.push_back(la->pstyle[i].l);
    }
  }
  double dashTotal = 0;
  for (double d : dashes) dashTotal += d;
  if (dashTotal <= 0) dashes.clear();
  return Cover(pso, pco, PathLimit(path, width + miter), color, mix, [&](cairo_t* cr) {
    AddPath(cr, path, 0.5);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, join);
    cairo_set_line_cap(cr, cap);
    cairo_set_miter_limit(cr, miter);
    if (!dashes.empty()) cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
    cairo_stroke(cr);
  });
}

// Applies a 1-bpp glyph image (bit 7 leftmost, 1 = ink) at (x, y).
void GlyphOn(const Bits& b, const std::vector<RECTL>& visible, const GLYPHBITS* g, LONG x, LONG y,
             ULONG color, ULONG code) {
  LONG rowBytes = (g->sizlBitmap.cx + 7) / 8;
  RECTL at{x, y, x + g->sizlBitmap.cx, y + g->sizlBitmap.cy};
  ULONG mask = PixelMask(b.format);
  for (const RECTL& v : visible) {
    RECTL r = Intersect(at, v);
    for (LONG py = r.top; py < r.bottom; ++py) {
      const BYTE* row = g->aj + static_cast<ptrdiff_t>(py - y) * rowBytes;
      for (LONG px = r.left; px < r.right; ++px) {
        LONG gx = px - x;
        if ((row[gx >> 3] >> (7 - (gx & 7))) & 1)
          Put(b, px, py, Rop2(code, color, Get(b, px, py), mask));
      }
    }
  }
}

void FillRectOn(const Bits& b, const std::vector<RECTL>& visible, const RECTL& rect, ULONG color,
                ULONG code) {
  ULONG mask = PixelMask(b.format);
  for (const RECTL& v : visible) {
    RECTL r = Intersect(rect, v);
    for (LONG py = r.top; py < r.bottom; ++py)
      for (LONG px = r.left; px < r.right; ++px)
        Put(b, px, py, Rop2(code, color, Get(b, px, py), mask));
  }
}

// The 8 x 8 ordered-dither thresholds, built by the usual recursion.
const std::vector<int>& Bayer8() {
  static const std::vector<int> m = [] {
    std::vector<int> cur{0};
    int n = 1;
    while (n < 8) {
      std::vector<int> next(static_cast<size_t>(4 * n * n));
      for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
          int v = 4 * cur[static_cast<size_t>(y) * static_cast<size_t>(n) + static_cast<size_t>(x)];
          auto at = [&](int yy, int xx) -> int& {
            return next[static_cast<size_t>(yy) * 2 * static_cast<size_t>(n) +
                        static_cast<size_t>(xx)];
          };
          at(y, x) = v;
          at(y, x + n) = v + 2;
          at(y + n, x) = v + 3;
          at(y + n, x + n) = v + 1;
        }
      cur = std::move(next);
      n *= 2;
    }
    return cur;
  }();
  return m;
}

std::mutex& LockTableLock() {
  static std::mutex lock;
  return lock;
}
std::map<SURFOBJ*, std::pair<std::shared_ptr<Surface>, int>>& LockTable() {
  static auto* table = new std::map<SURFOBJ*, std::pair<std::shared_ptr<Surface>, int>>;
  return *table;
}

}  // namespace

Surface* SurfaceOf(SURFOBJ* so) {
  if (so == nullptr) return nullptr;
  auto s = kernel::FindHandleAs<Surface>(so->hsurf);
  return s && &s->so == so ? s.get() : nullptr;
}

}  // namespace trv::gdi

using trv::gdi::Path;
using trv::gdi::Surface;

// ---- surfaces ---------------------------------------------------------------------------
TRVAPI HBITMAP APIENTRY EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl,
                                        PVOID pvBits) {
  ULONG bpp = iFormat == BMF_1BPP    ? 1
              : iFormat == BMF_8BPP  ? 8
              : iFormat == BMF_24BPP ? 24
              : iFormat == BMF_32BPP ? 32
                                     : 0;
  if (bpp == 0 || sizl.cx <= 0 || sizl.cy <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  unsigned long long minimal = ((static_cast<unsigned long long>(sizl.cx) * bpp + 31) / 32) * 4;
  unsigned long long stride =
      lWidth == 0 ? minimal : static_cast<unsigned long long>(std::llabs(lWidth));
  unsigned long long size = stride * static_cast<unsigned long long>(sizl.cy);
  if (stride < minimal || stride > 0x7fffffff || size > 0x7fffffff) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto surface = std::make_shared<Surface>();
  BYTE* bits = static_cast<BYTE*>(pvBits);
  if (bits == nullptr) {
    try {
      surface->bits.assign(size, 0);
    } catch (const std::bad_alloc&) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    bits = surface->bits.data();
  }
  SURFOBJ& so = surface->so;
  so.sizlBitmap = sizl;
  so.cjBits = static_cast<ULONG>(size);
  so.pvBits = bits;
  bool topDown = (fl & BMF_TOPDOWN) != 0;
  so.lDelta = topDown ? static_cast<LONG>(stride) : -static_cast<LONG>(stride);
  so.pvScan0 = topDown ? bits : bits + (size - stride);
  so.iUniq = 1;
  so.iBitmapFormat = iFormat;
  so.iType = STYPE_BITMAP;
  so.fjBitmap = static_cast<USHORT>(fl & BMF_TOPDOWN);
  HANDLE h = trv::kernel::AddHandle(surface);
  if (h == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  so.hsurf = static_cast<HSURF>(h);
  return static_cast<HBITMAP>(h);
}

TRVAPI BOOL APIENTRY EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
  auto surface = trv::kernel::FindHandleAs<Surface>(hsurf);
  auto device = trv::kernel::FindHandleAs<trv::gdi::Device>(hdev);
  if (!surface || !device) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  surface->so.hdev = hdev;
  surface->so.dhpdev = device->dhpdev;
  surface->hooks = flHooks & HOOK_FLAGS;
  return TRUE;
}

TRVAPI BOOL APIENTRY EngDeleteSurface(HSURF hsurf) {
  if (!trv::kernel::FindHandleAs<Surface>(hsurf)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  trv::kernel::RemoveHandle(hsurf);
  return TRUE;
}

// A locked surface stays alive until it is unlocked, even when deleted meanwhile.
TRVAPI SURFOBJ* APIENTRY EngLockSurface(HSURF hsurf) {
  auto surface = trv::kernel::FindHandleAs<Surface>(hsurf);
  if (!surface) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(trv::gdi::LockTableLock());
  auto& entry = trv::gdi::LockTable()[&surface->so];
  entry.first = surface;
  ++entry.second;
  return &surface->so;
}

TRVAPI void APIENTRY EngUnlockSurface(SURFOBJ* pso) {
  std::lock_guard<std::mutex> guard(trv::gdi::LockTableLock());
  auto& table = trv::gdi::LockTable();
  auto it = table.find(pso);
  if (it == table.end()) return;
  if (--it->second.second == 0) table.erase(it);
}

TRVAPI BOOL APIENTRY EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor) {
  trv::gdi::Bits b;
  if (!trv::gdi::Describe(pso, &b) || prcl == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  trv::gdi::FillRectOn(b, trv::gdi::Visible(nullptr, b, *prcl), *prcl, iColor, R2_COPYPEN);
  return TRUE;
}

// ---- drawing ------------------------------------------------------------------------------
TRVAPI BOOL APIENTRY EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL*,
                                 MIX mix, FLONG flOptions) {
  ULONG color;
  if (ppo == nullptr || !trv::gdi::SolidColor(pbo, &color)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto& path = *static_cast<Path*>(ppo);
  return trv::gdi::Cover(pso, pco, trv::gdi::PathLimit(path, 0), color, mix, [&](cairo_t* cr) {
    trv::gdi::AddPath(cr, path, 0);
    cairo_set_fill_rule(
        cr, (flOptions & FP_WINDINGMODE) ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
  });
}

TRVAPI BOOL APIENTRY EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                   BRUSHOBJ* pbo, POINTL*, LINEATTRS* plineattrs, MIX mix) {
  ULONG color;
  if (ppo == nullptr || !trv::gdi::SolidColor(pbo, &color)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return trv::gdi::Stroke(pso, *static_cast<Path*>(ppo), pco, pxo, color, plineattrs, mix);
}

TRVAPI BOOL APIENTRY EngLineTo(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, LONG x1, LONG y1, LONG x2,
                               LONG y2, RECTL*, MIX mix) {
  ULONG color;
  if (!trv::gdi::SolidColor(pbo, &color)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Path path;
  path.MoveTo({LTOFX(x1), LTOFX(y1)});
  path.LineTo({LTOFX(x2), LTOFX(y2)});
  return trv::gdi::Stroke(pso, path, pco, nullptr, color, nullptr, mix);
}

TRVAPI BOOL APIENTRY EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ*, CLIPOBJ* pco,
                                RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                BRUSHOBJ* pboOpaque, POINTL*, MIX mix) {
  trv::gdi::Bits b;
  ULONG fore;
  if (!trv::gdi::Describe(pso, &b) || pstro == nullptr || !trv::gdi::SolidColor(pboFore, &fore) ||
      !trv::gdi::MixValid(mix)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECTL all{std::numeric_limits<LONG>::min() / 2, std::numeric_limits<LONG>::min() / 2,
            std::numeric_limits<LONG>::max() / 2, std::numeric_limits<LONG>::max() / 2};
  std::vector<RECTL> visible = trv::gdi::Visible(pco, b, all);
  ULONG opaque;
  if (prclOpaque != nullptr && trv::gdi::SolidColor(pboOpaque, &opaque))
    trv::gdi::FillRectOn(b, visible, *prclOpaque, opaque, R2_COPYPEN);
  ULONG code = mix & 0xff;
  GLYPHPOS* glyphs = pstro->pgp;
  ULONG count = pstro->cGlyphs;
  if (glyphs == nullptr) {
    STROBJ_vEnumStart(pstro);
    STROBJ_bEnum(pstro, &count, &glyphs);
  } else if (auto* s = static_cast<trv::gdi::Str*>(pstro); s->font != nullptr) {
    for (ULONG i = 0; i < count; ++i)
      if (glyphs[i].pgdf == nullptr) glyphs[i].pgdf = s->font->Glyph(glyphs[i].hg);
  }
  for (ULONG i = 0; glyphs != nullptr && i < count; ++i) {
    const GLYPHPOS& g = glyphs[i];
    if (g.pgdf == nullptr || g.pgdf->pgb == nullptr) continue;
    const GLYPHBITS* bits = g.pgdf->pgb;
    trv::gdi::GlyphOn(b, visible, bits, g.ptl.x + bits->ptlOrigin.x, g.ptl.y + bits->ptlOrigin.y,
                      fore, code);
  }
  // Underlines and strike-outs: rectangles up to one that is all zero.
  for (RECTL* r = prclExtra;
       r != nullptr && !(r->left == 0 && r->top == 0 && r->right == 0 && r->bottom == 0); ++r)
    trv::gdi::FillRectOn(b, visible, *r, fore, code);
  return TRUE;
}

TRVAPI BOOL APIENTRY EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                               XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                               BRUSHOBJ* pbo, POINTL*, ROP4 rop4) {
  trv::gdi::Bits d, s, m;
  ULONG fore = rop4 & 0xff, back = (rop4 >> 8) & 0xff;
  bool masked = fore != back;
  bool needSource = trv::gdi::RopNeedsSource(fore) || (masked && trv::gdi::RopNeedsSource(back));
  bool needPattern = trv::gdi::RopNeedsPattern(fore) || (masked && trv::gdi::RopNeedsPattern(back));
  ULONG pattern = 0;
  if (!trv::gdi::Describe(psoTrg, &d) || prclTrg == nullptr ||
      (needSource && (!trv::gdi::Describe(psoSrc, &s) || pptlSrc == nullptr)) ||
      (needPattern && !trv::gdi::SolidColor(pbo, &pattern)) ||
      (masked && (!trv::gdi::Describe(psoMask, &m) || m.format != BMF_1BPP))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  POINTL maskOrigin = pptlMask != nullptr ? *pptlMask : POINTL{0, 0};
  ULONG pixelMask = trv::gdi::PixelMask(d.format);
  for (const RECTL& r : trv::gdi::Visible(pco, d, *prclTrg)) {
    for (LONG y = r.top; y < r.bottom; ++y) {
      for (LONG x = r.left; x < r.right; ++x) {
        ULONG source = 0;
        if (needSource) {
          LONG sx = pptlSrc->x + (x - prclTrg->left), sy = pptlSrc->y + (y - prclTrg->top);
          if (sx < 0 || sy < 0 || sx >= s.width || sy >= s.height) continue;
          source = XLATEOBJ_iXlate(pxlo, trv::gdi::Get(s, sx, sy));
        }
        ULONG rop = fore;
        if (masked) {
          LONG mx = maskOrigin.x + (x - prclTrg->left), my = maskOrigin.y + (y - prclTrg->top);
          bool on = mx >= 0 && my >= 0 && mx < m.width && my < m.height && trv::gdi::Get(m, mx, my);
          rop = on ? fore : back;
        }
        trv::gdi::Put(d, x, y,
                      trv::gdi::Rop3(rop, pattern, source, trv::gdi::Get(d, x, y), pixelMask));
      }
    }
  }
  return TRUE;
}

TRVAPI BOOL APIENTRY EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                 RECTL* prclDest, POINTL* pptlSrc) {
  return EngBitBlt(psoDest, psoSrc, nullptr, pco, pxlo, prclDest, pptlSrc, nullptr, nullptr,
                   nullptr, 0xCCCC);
}

// Scales with pixman: nearest pixel for the exact stretch modes, a filtered
// resampling for HALFTONE, which on a 1-bpp destination is then dithered with the
// 8 x 8 ordered pattern.
TRVAPI BOOL APIENTRY EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask,
                                   CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT*, POINTL*,
                                   RECTL* prclDest, RECTL* prclSrc, POINTL*, ULONG iMode) {
  trv::gdi::Bits d, s;
  if (!trv::gdi::Describe(psoDest, &d) || !trv::gdi::Describe(psoSrc, &s) || prclDest == nullptr ||
      prclSrc == nullptr || psoMask != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool flipX = (prclDest->right < prclDest->left) != (prclSrc->right < prclSrc->left);
  bool flipY = (prclDest->bottom < prclDest->top) != (prclSrc->bottom < prclSrc->top);
  RECTL dst{std::min(prclDest->left, prclDest->right), std::min(prclDest->top, prclDest->bottom),
            std::max(prclDest->left, prclDest->right), std::max(prclDest->top, prclDest->bottom)};
  RECTL src{std::min(prclSrc->left, prclSrc->right), std::min(prclSrc->top, prclSrc->bottom),
            std::max(prclSrc->left, prclSrc->right), std::max(prclSrc->top, prclSrc->bottom)};
  int dw = dst.right - dst.left, dh = dst.bottom - dst.top;
  int sw = src.right - src.left, sh = src.bottom - src.top;
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return TRUE;
  std::vector<RECTL> visible = trv::gdi::Visible(pco, d, dst);
  if (visible.empty()) return TRUE;

  bool halftone = iMode == HALFTONE;
  auto* x = static_cast<trv::gdi::Xlate*>(pxlo);
  // With HALFTONE the source is resampled as colours; otherwise as destination pixels.
  const trv::gdi::Palette* srcPalette = pxlo != nullptr ? x->source.get() : nullptr;
  const trv::gdi::Palette* dstPalette = pxlo != nullptr ? x->destination.get() : nullptr;
  auto sourceColor = [&](ULONG pixel) -> COLORREF {
    if (pxlo == nullptr && s.format == BMF_1BPP) return pixel ? 0xffffff : 0;
    return trv::gdi::PixelToColor(srcPalette, pixel);
  };
  std::vector<uint32_t> in(static_cast<size_t>(sw) * static_cast<size_t>(sh));
  for (int y = 0; y < sh; ++y)
    for (int xx = 0; xx < sw; ++xx) {
      LONG sx = std::clamp<LONG>(src.left + xx, 0, s.width - 1);
      LONG sy = std::clamp<LONG>(src.top + y, 0, s.height - 1);
      ULONG pixel = trv::gdi::Get(s, sx, sy);
      uint32_t v;
      if (halftone) {
        COLORREF c = sourceColor(pixel);
        v = 0xff000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
      } else {
        v = XLATEOBJ_iXlate(pxlo, pixel);
      }
      in[static_cast<size_t>(y) * static_cast<size_t>(sw) + static_cast<size_t>(xx)] = v;
    }
  std::vector<uint32_t> out(static_cast<size_t>(dw) * static_cast<size_t>(dh));
  pixman_image_t* from = pixman_image_create_bits(halftone ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, sw,
                                                  sh, in.data(), sw * 4);
  pixman_image_t* to = pixman_image_create_bits(halftone ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, dw,
                                                dh, out.data(), dw * 4);
  if (from == nullptr || to == nullptr) {
    if (from) pixman_image_unref(from);
    if (to) pixman_image_unref(to);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(static_cast<double>(sw) / dw),
                              pixman_double_to_fixed(static_cast<double>(sh) / dh));
  pixman_image_set_transform(from, &t);
  pixman_image_set_filter(from, halftone ? PIXMAN_FILTER_GOOD : PIXMAN_FILTER_NEAREST, nullptr, 0);
  pixman_image_set_repeat(from, PIXMAN_REPEAT_PAD);
  pixman_image_composite32(PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, 0, 0, dw, dh);
  pixman_image_unref(from);
  pixman_image_unref(to);

  const std::vector<int>& bayer = trv::gdi::Bayer8();
  for (const RECTL& r : visible)
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG xx = r.left; xx < r.right; ++xx) {
        int ox = xx - dst.left, oy = y - dst.top;
        if (flipX) ox = dw - 1 - ox;
        if (flipY) oy = dh - 1 - oy;
        uint32_t v =
            out[static_cast<size_t>(oy) * static_cast<size_t>(dw) + static_cast<size_t>(ox)];
        ULONG pixel = v & trv::gdi::PixelMask(d.format);
        if (halftone) {
          COLORREF c = RGB((v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff);
          if (d.format == BMF_1BPP) {
            // Grey, then white where it exceeds the pattern's threshold.
            int grey = (30 * GetRValue(c) + 59 * GetGValue(c) + 11 * GetBValue(c)) / 100;
            int threshold = bayer[static_cast<size_t>(y & 7) * 8 + static_cast<size_t>(xx & 7)];
            bool white = grey * 64 > threshold * 255 + 127;
            pixel = dstPalette != nullptr ? trv::gdi::ColorToPixel(dstPalette, white ? 0xffffff : 0)
                                          : (white ? 1 : 0);
          } else {
            pixel = trv::gdi::ColorToPixel(dstPalette, c);
          }
        }
        trv::gdi::Put(d, xx, y, pixel);
      }
  return TRUE;
}
