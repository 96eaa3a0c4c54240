#include "driver/lines.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "driver/clip.h"
#include "platform/last_error.h"
#include "platform/winerror.h"
#include "platform/wingdi.h"
#include "spool/record.h"

namespace trv::driver {

namespace {

// Foreground and background the same: black, XOR, copy pen, white.
constexpr MIX kMixBlack = R2_BLACK | (R2_BLACK << 8);
constexpr MIX kMixXor = R2_XORPEN | (R2_XORPEN << 8);
constexpr MIX kMixCopy = R2_COPYPEN | (R2_COPYPEN << 8);
constexpr MIX kMixWhite = R2_WHITE | (R2_WHITE << 8);

constexpr DWORD kWhite = 0xFFFFFF;
// Wider slanted lines would come out of the printer with stepped edges.
constexpr LONG kMaxSlantedWidth = 4;
// A solid brush whose colour is the palette's first entry, black.
constexpr ULONG kBlackIndex = 0;
// More colours than any palette of an indexed bitmap holds.
constexpr ULONG kMaxPaletteEntries = 1024;

bool IsSolidBlack(const BRUSHOBJ* brush) {
  return brush != nullptr && brush->iSolidColor == kBlackIndex;
}

// ---- paths -------------------------------------------------------------------------

struct Segment {
  LONG x1, y1, x2, y2;
};

// A path point in whole dots: 28.4 fixed point shifted right, toward minus infinity.
LONG Dots(FIX v) { return v >> 4; }

// The straight segments of a path, subpath by subpath, with a closing segment where
// a figure is closed; false when the path holds a curve, which the printer cannot
// draw as straight lines.
bool Segments(PATHOBJ* path, std::vector<Segment>* out) {
  if ((path->fl & PO_BEZIERS) != 0) return false;
  PATHOBJ_vEnumStart(path);
  bool open = false;  // a current point exists
  LONG startX = 0, startY = 0, lastX = 0, lastY = 0;
  bool more = true;
  while (more) {
    PATHDATA batch{};
    more = PATHOBJ_bEnum(path, &batch) != FALSE;
    if ((batch.flags & PD_BEZIERS) != 0) return false;
    if (batch.count == 0 || batch.pptfx == nullptr) continue;
    ULONG i = 0;
    if ((batch.flags & PD_BEGINSUBPATH) != 0 || !open) {
      startX = lastX = Dots(batch.pptfx[0].x);
      startY = lastY = Dots(batch.pptfx[0].y);
      open = true;
      i = 1;
    }
    for (; i < batch.count; ++i) {
      const LONG x = Dots(batch.pptfx[i].x), y = Dots(batch.pptfx[i].y);
      out->push_back({lastX, lastY, x, y});
      lastX = x;
      lastY = y;
    }
    if ((batch.flags & PD_CLOSEFIGURE) != 0) {
      out->push_back({lastX, lastY, startX, startY});
      lastX = startX;
      lastY = startY;
    }
  }
  return true;
}

// The stroke's width in dots, or nothing when the printer cannot draw the line as
// it is meant: a style, attributes other than plain cosmetic or plain geometric, a
// geometric width that a transform other than a shift would scale, or a width out of
// any page's range.
std::optional<LONG> PlainWidth(const LINEATTRS& attrs, XFORMOBJ* xform) {
  if (attrs.pstyle != nullptr || attrs.cstyle != 0) return std::nullopt;
  if (attrs.fl == 0) return attrs.elWidth.l;
  if (attrs.fl != LA_GEOMETRIC) return std::nullopt;
  if (xform != nullptr) {
    const ULONG kind = XFORMOBJ_iGetXform(xform, nullptr);
    if (kind != GX_IDENTITY && kind != GX_OFFSET) return std::nullopt;
  }
  const double width = attrs.elWidth.e;
  if (!(width >= 0 && width < 0x8000)) return std::nullopt;  // also refuses NaN
  return static_cast<LONG>(width);                           // truncated
}

// The engine's stroke of the whole path, from its first batch.
BOOL EngineStroke(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* brush,
                  POINTL* brushOrigin, LINEATTRS* attrs, MIX mix) {
  PATHOBJ_vEnumStart(path);
  return EngStrokePath(surface, path, clip, xform, brush, brushOrigin, attrs, mix);
}

// ---- bitmaps -----------------------------------------------------------------------

int BitsPerPixel(ULONG format) {
  switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;  // compressed or unknown: the bits cannot be read as pixels
  }
}

// The rows of a bitmap surface whose memory can be read: pvScan0 is the top row and
// lDelta (negative for a bottom-up bitmap) leads to the next. Null when the surface
// is not such a bitmap, or when its rows would leave the memory it describes.
struct Rows {
  const BYTE* top = nullptr;
  std::ptrdiff_t delta = 0;
  LONG width = 0, height = 0;
  int bpp = 0;
  const BYTE* Row(LONG y) const { return top + delta * y; }
};

std::optional<Rows> ReadableRows(const SURFOBJ& s) {
  Rows rows;
  rows.bpp = BitsPerPixel(s.iBitmapFormat);
  if (s.iType != STYPE_BITMAP || rows.bpp == 0 || s.pvScan0 == nullptr || s.sizlBitmap.cx <= 0 ||
      s.sizlBitmap.cy <= 0)
    return std::nullopt;
  rows.top = static_cast<const BYTE*>(s.pvScan0);
  rows.delta = s.lDelta;
  rows.width = s.sizlBitmap.cx;
  rows.height = s.sizlBitmap.cy;
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(rows.width) * rows.bpp + 7) / 8;
  const std::uint64_t step = static_cast<std::uint64_t>(std::llabs(s.lDelta));
  if (step < rowBytes) return std::nullopt;
  if (s.pvBits != nullptr) {
    // Every row must lie inside the bitmap's bytes, whichever way the rows run.
    const std::uint64_t span = step * static_cast<std::uint64_t>(rows.height - 1) + rowBytes;
    const BYTE* bits = static_cast<const BYTE*>(s.pvBits);
    const BYTE* lowest = rows.delta < 0 ? rows.Row(rows.height - 1) : rows.top;
    if (lowest < bits || span > s.cjBits ||
        static_cast<std::uint64_t>(lowest - bits) > s.cjBits - span)
      return std::nullopt;
  }
  return rows;
}

// For an indexed source: which palette entries are black and which white; nothing
// when the palette cannot be read or lacks one of the two.
std::optional<std::vector<BYTE>> BlackWhiteIndices(XLATEOBJ* xlate, int bpp) {
  if (xlate == nullptr) return std::nullopt;
  const ULONG room = std::min<ULONG>(ULONG{1} << bpp, kMaxPaletteEntries);
  std::vector<ULONG> palette(room, 0);
  const ULONG n = XLATEOBJ_cGetPalette(xlate, XO_SRCPALETTE, room, palette.data());
  if (n == 0 || n > room) return std::nullopt;
  std::vector<BYTE> kind(n, 0);  // 1 black, 2 white, 0 anything else
  bool black = false, white = false;
  for (ULONG i = 0; i < n; ++i) {
    const ULONG c = palette[i] & 0xFFFFFF;
    if (c == 0) kind[i] = 1, black = true;
    if (c == kWhite) kind[i] = 2, white = true;
  }
  if (!black || !white) return std::nullopt;
  return kind;
}

bool IndexedBlackAndWhite(const Rows& rows, const std::vector<BYTE>& kind) {
  auto usable = [&](unsigned index) { return index < kind.size() && kind[index] != 0; };
  for (LONG y = 0; y < rows.height; ++y) {
    const BYTE* row = rows.Row(y);
    for (LONG x = 0; x < rows.width; ++x) {
      unsigned index;
      if (rows.bpp == 4)
        index = (x & 1) != 0 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
      else
        index = row[x];
      if (!usable(index)) return false;
    }
  }
  return true;
}

bool DirectBlackAndWhite(const Rows& rows) {
  for (LONG y = 0; y < rows.height; ++y) {
    const BYTE* row = rows.Row(y);
    for (LONG x = 0; x < rows.width; ++x) {
      switch (rows.bpp) {
        case 16: {
          const unsigned v = spool::ReadU16(row + 2 * x);
          if (v != 0 && (v & 0x7FFF) != 0x7FFF) return false;
          break;
        }
        case 24: {
          const BYTE* p = row + 3 * x;
          const unsigned v = p[0] | (p[1] << 8) | (p[2] << 16);
          if (v != 0 && v != kWhite) return false;
          break;
        }
        default: {
          const DWORD v = spool::ReadU32(row + 4 * x) & 0xFFFFFF;
          if (v != 0 && v != kWhite) return false;
        }
      }
    }
  }
  return true;
}

}  // namespace

std::vector<BYTE> LinePayload(const LineObject& line) {
  std::vector<BYTE> p(kLineObjectSize, 0);
  spool::WriteI32(p.data() + 4, line.x1);
  spool::WriteI32(p.data() + 8, line.y1);
  spool::WriteI32(p.data() + 12, line.dx);
  spool::WriteI32(p.data() + 16, line.dy);
  spool::WriteU32(p.data() + 20, line.colour);
  spool::WriteI32(p.data() + 24, line.xorMode ? 1 : 0);
  spool::WriteI32(p.data() + 28, line.width);
  return p;
}

std::optional<LineObject> PrinterLine(const Device& device, LONG x1, LONG y1, LONG x2, LONG y2,
                                      LONG width, MIX mix) {
  const DriverDevmode& dm = device.devmode();
  if (dm.U16(priv::kLineRecords) == 0 || dm.U16(priv::kLineRecords2) == 0) return std::nullopt;
  if (x1 < 0 || y1 < 0 || x2 < 0 || y2 < 0) return std::nullopt;
  const LONG pelsWidth = static_cast<LONG>(dm.pub.dmPelsWidth);
  const LONG pelsHeight = static_cast<LONG>(dm.pub.dmPelsHeight);
  if (x1 > pelsWidth || x2 > pelsWidth || y1 > pelsHeight || y2 > pelsHeight) return std::nullopt;
  if (mix != kMixBlack && mix != kMixXor && mix != kMixCopy && mix != kMixWhite)
    return std::nullopt;
  if (width < 1) return std::nullopt;
  if (x1 != x2 && y1 != y2 && width > kMaxSlantedWidth) return std::nullopt;
  LineObject line;
  line.x1 = x1;
  line.y1 = y1;
  line.dx = x2 - x1;  // both within the page: no overflow
  line.dy = y2 - y1;
  line.colour = mix == kMixWhite ? kWhite : 0;
  line.xorMode = mix == kMixXor;
  line.width = width;
  return line;
}

bool QueueLine(Device& device, LONG x1, LONG y1, LONG x2, LONG y2, LONG width, MIX mix) {
  const auto line = PrinterLine(device, x1, y1, x2, y2, width, mix);
  if (!line) return false;
  try {
    return device.Enqueue({spool::DCLD_LINE, LinePayload(*line)});  // false: the engine draws it
  } catch (const std::bad_alloc&) {
    return false;  // no memory for the payload either
  }
}

BOOL DriverLineTo(Device& device, SURFOBJ* surface, CLIPOBJ* clip, BRUSHOBJ* brush, LONG x1,
                  LONG y1, LONG x2, LONG y2, RECTL* bounds, MIX mix) {
  // A line the clip cuts would come out whole on the printer: only an uncut line goes.
  if (IsSolidBlack(brush) &&
      CoverOf(clip, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)) ==
          ClipCover::kWhole &&
      QueueLine(device, x1, y1, x2, y2, 1, mix))
    return TRUE;
  return EngLineTo(surface, clip, brush, x1, y1, x2, y2, bounds, mix);
}

BOOL DriverStrokePath(Device& device, SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip,
                      XFORMOBJ* xform, BRUSHOBJ* brush, POINTL* brushOrigin, LINEATTRS* attrs,
                      MIX mix) {
  if (surface == nullptr || path == nullptr || brush == nullptr || attrs == nullptr)
    return Fail(ERROR_INVALID_PARAMETER);
  auto engine = [&] {
    return EngineStroke(surface, path, clip, xform, brush, brushOrigin, attrs, mix);
  };
  const DriverDevmode& dm = device.devmode();
  if (dm.U16(priv::kLineRecords) == 0 || dm.U16(priv::kLineRecords2) == 0) return engine();
  const std::optional<LONG> width = PlainWidth(*attrs, xform);
  const bool trivialClip = clip == nullptr || clip->iDComplexity == DC_TRIVIAL;
  if (!IsSolidBlack(brush) || !width || !trivialClip || (path->cCurves != 1 && path->cCurves != 4))
    return engine();
  // The path goes to the printer whole or not at all: every segment is checked before
  // any is queued, so that no line is both queued and drawn by the engine.
  std::vector<QueuedObject> lines;
  try {
    std::vector<Segment> segments;
    if (!Segments(path, &segments)) return engine();
    for (const Segment& s : segments) {
      const auto line = PrinterLine(device, s.x1, s.y1, s.x2, s.y2, *width, mix);
      if (!line) return engine();
      lines.push_back({spool::DCLD_LINE, LinePayload(*line)});
    }
  } catch (const std::bad_alloc&) {
    return engine();
  }
  return device.Enqueue(std::move(lines)) ? TRUE : engine();
}

bool IsBlackAndWhite(SURFOBJ* source, XLATEOBJ* xlate) {
  if (xlate != nullptr && (xlate->flXlate & XO_TO_MONO) != 0) return true;
  if (source == nullptr) return false;
  if (source->iBitmapFormat == BMF_1BPP) {
    // Two colours: the palette alone tells.
    if (xlate == nullptr) return false;
    ULONG palette[2] = {};
    if (XLATEOBJ_cGetPalette(xlate, XO_SRCPALETTE, 2, palette) != 2) return false;
    const ULONG a = palette[0] & 0xFFFFFF, b = palette[1] & 0xFFFFFF;
    return (a == 0 && b == kWhite) || (a == kWhite && b == 0);
  }
  const auto rows = ReadableRows(*source);
  if (!rows) return false;
  switch (rows->bpp) {
    case 4:
    case 8: {
      const auto kind = BlackWhiteIndices(xlate, rows->bpp);
      return kind && IndexedBlackAndWhite(*rows, *kind);
    }
    default: return DirectBlackAndWhite(*rows);
  }
}

BOOL DriverStretchBlt(SURFOBJ* dest, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                      COLORADJUSTMENT* adjustment, POINTL* halftoneOrigin, RECTL* destRect,
                      RECTL* sourceRect, POINTL* maskOrigin, ULONG mode) {
  if (!IsBlackAndWhite(source, xlate)) mode = HALFTONE;
  return EngStretchBlt(dest, source, mask, clip, xlate, adjustment, halftoneOrigin, destRect,
                       sourceRect, maskOrigin, mode);
}

}  // namespace trv::driver
