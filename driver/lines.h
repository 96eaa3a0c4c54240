// Lines, rectangle outlines and stretched bitmaps. A label printer draws its own lines
// sharply and without costing bitmap data, so a plain solid line that fits on the page
// is queued as a printer line object instead of being drawn into the page; everything
// else goes to the engine, which draws it into the page bitmap. A refused line is
// never lost: the engine draws it.
//
// The line object (DCLD_LINE payload, 56 bytes, little-endian):
//   0   u16 x2  zero
//   4   i32     x1, the start        8   i32  y1
//   12  i32     dx = x2 - x1         16  i32  dy = y2 - y1 (either may be negative)
//   20  i32     colour: 0 black, 0xFFFFFF white
//   24  i32     1 when drawn with XOR, else 0
//   28  i32     width in dots
//   32  24 bytes zero
#pragma once

#include <optional>
#include <vector>

#include "driver/device.h"
#include "platform/winddi.h"

namespace trv::driver {

struct LineObject {
  LONG x1 = 0, y1 = 0, dx = 0, dy = 0;
  DWORD colour = 0;
  bool xorMode = false;
  LONG width = 1;
};
inline constexpr DWORD kLineObjectSize = 56;
std::vector<BYTE> LinePayload(const LineObject& line);

// The printer line for a stroke from (x1, y1) to (x2, y2), `width` dots wide, in
// `mix`; nothing when the printer must not draw it: line records switched off in the
// devmode (private fields 44 and 46), a point left of or above the page or beyond
// dmPelsWidth / dmPelsHeight, a mix other than black, XOR, copy pen or white with
// the same foreground and background, a width under one dot (the printer would
// draw nothing), or a slanted line wider than 4 dots.
std::optional<LineObject> PrinterLine(const Device& device, LONG x1, LONG y1, LONG x2, LONG y2,
                                      LONG width, MIX mix);

// PrinterLine, then the line queued for the page; false when it was refused or could
// not be queued (then nothing was queued).
bool QueueLine(Device& device, LONG x1, LONG y1, LONG x2, LONG y2, LONG width, MIX mix);

// The three drawing hooks for a live device. DriverLineTo queues a solid black 1-dot line
// that the clip leaves whole; DriverStrokePath queues every segment of a solid black
// cosmetic or geometric path of straight lines (1 or 4 of them) under no clip, or
// none of them: the engine then strokes the whole path once. DriverStrokePath fails with
// ERROR_INVALID_PARAMETER without a path, brush or line attributes; otherwise both
// return the engine's result when the engine draws.
BOOL DriverLineTo(Device& device, SURFOBJ* surface, CLIPOBJ* clip, BRUSHOBJ* brush, LONG x1,
                  LONG y1, LONG x2, LONG y2, RECTL* bounds, MIX mix);
BOOL DriverStrokePath(Device& device, SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip,
                      XFORMOBJ* xform, BRUSHOBJ* brush, POINTL* brushOrigin, LINEATTRS* attrs,
                      MIX mix);

// Whether a source bitmap holds nothing but black and white (so that the engine may
// copy it in the caller's stretch mode): a translation that already maps to
// monochrome, or every pixel black or white by its palette (indexed formats, read
// through the translation) or by its value (16, 24 and 32 bits per pixel). A source
// that cannot be read safely (a device surface, compressed bits, rows outside the
// bitmap's memory, an indexed source without a translation to name its colours)
// counts as not black and white.
bool IsBlackAndWhite(SURFOBJ* source, XLATEOBJ* xlate);

// EngStretchBlt with the caller's arguments; the stretch mode stays the caller's for
// a black-and-white source and becomes HALFTONE otherwise, so that logos stay crisp
// while photographs are halftoned.
BOOL DriverStretchBlt(SURFOBJ* dest, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                      COLORADJUSTMENT* adjustment, POINTL* halftoneOrigin, RECTL* destRect,
                      RECTL* sourceRect, POINTL* maskOrigin, ULONG mode);

}  // namespace trv::driver
