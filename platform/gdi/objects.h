// The engine's objects behind the DDI structures a driver sees: each public
// structure (CLIPOBJ, PATHOBJ, ...) is the base of the engine's own object, so a
// pointer handed to a driver leads back to everything the engine knows about it.
// Internal to the platform library; exported for its tests.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/handles.h"
#include "platform/winddi.h"

namespace trv::gdi {

struct Palette;

// A surface: an engine-managed bitmap (the bits live here or in the caller's
// memory) or a device surface.
struct TRV_EXPORT Surface : kernel::HandleObject {
  SURFOBJ so{};
  std::vector<BYTE> bits;            // empty when the caller supplied the memory
  FLONG hooks = 0;                   // set by EngAssociateSurface
  std::shared_ptr<Palette> palette;  // a DIB's or memory bitmap's own colours
};

// The surface behind a SURFOBJ the engine handed out, or null.
TRV_EXPORT Surface* SurfaceOf(SURFOBJ* so);

// A palette: an indexed table of colours (red in the low byte, as COLORREF) or a
// description of direct colour (PAL_RGB, PAL_BGR, PAL_BITFIELDS).
struct TRV_EXPORT Palette : kernel::HandleObject {
  ULONG mode = 0;
  std::vector<ULONG> colors;
  FLONG red = 0, green = 0, blue = 0;
};
TRV_EXPORT std::shared_ptr<Palette> PaletteOf(HPALETTE palette);

// A device GDI enabled through a driver: what EngAssociateSurface ties a surface to.
struct TRV_EXPORT Device : kernel::HandleObject {
  DHPDEV dhpdev = nullptr;
  std::vector<PFN> functions = std::vector<PFN>(INDEX_LAST + 1);  // by INDEX_Drv*
  std::shared_ptr<Palette> palette;                               // DEVINFO's default
};

// COLORREF (0x00bbggrr) <-> a pixel value in a palette's terms. A null palette is
// PAL_BGR, the layout of a 24-bpp surface whose bytes are blue, green, red.
TRV_EXPORT ULONG ColorToPixel(const Palette* palette, COLORREF color);
TRV_EXPORT COLORREF PixelToColor(const Palette* palette, ULONG pixel);

// A clip region: the bounds, and for DC_COMPLEX the rectangles (right and bottom
// exclusive), enumerated in CD_RIGHTDOWN order.
struct TRV_EXPORT Clip : CLIPOBJ {
  std::vector<RECTL> rects;
  size_t next = 0;
  Clip();
  void SetTrivial();
  void SetRects(std::vector<RECTL> rects);  // empty: nothing is visible
};

// A path: records of points in 28.4 device coordinates, as PATHOBJ_bEnum returns
// them.
struct TRV_EXPORT Path : PATHOBJ {
  struct Record {
    FLONG flags = 0;
    std::vector<POINTFIX> points;
  };
  std::vector<Record> records;
  size_t next = 0;
  Path();
  void MoveTo(POINTFIX p);
  void LineTo(POINTFIX p);
  void BezierTo(POINTFIX c1, POINTFIX c2, POINTFIX end);
  void Close();
};

// An affine transform (x' = eM11 x + eM21 y + eDx, y' = eM12 x + eM22 y + eDy).
struct TRV_EXPORT Xform : XFORMOBJ {
  XFORML m{1, 0, 0, 1, 0, 0};
};

// A colour translation from a source palette's pixels to a destination palette's.
struct TRV_EXPORT Xlate : XLATEOBJ {
  std::shared_ptr<Palette> source, destination;
  std::vector<ULONG> table;  // for an indexed source
  Xlate(std::shared_ptr<Palette> source, std::shared_ptr<Palette> destination);
};

// The direction of a line of text turned counter-clockwise on the page by an
// escapement in tenths of a degree. The four right angles are exact, so that the
// glyphs of a turned line keep one x or one y and a driver can tell the direction.
struct TRV_EXPORT Baseline {
  int escapement = 0;  // 0 .. 3599
  double cosine = 1, sine = 0;
};
TRV_EXPORT Baseline BaselineOf(int escapement);

// A realised engine font: a FreeType face at a pixel size, its glyphs turned with
// the baseline.
struct TRV_EXPORT Font : FONTOBJ {
  FT_Face face = nullptr;
  Xform xform;                                 // notional (font units) to device
  Baseline baseline;                           // the glyphs and the xform turn with it
  double scaleX = 0, scaleY = 0;               // font units to pixels along and across it
  std::vector<BYTE> ifi;                       // IFIMETRICS and its strings
  std::map<HGLYPH, std::vector<BYTE>> glyphs;  // GLYPHBITS of each rendered glyph
  std::map<HGLYPH, GLYPHDEF> defs;
  Font() = default;
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  ~Font();
  // Opens face `index` of the host file at an em height of `emPixels`, its baseline
  // turned by `escapement` (tenths of a degree, counter-clockwise); false on failure.
  bool Open(const std::string& hostPath, int index, int emPixels, int widthPixels,
            int escapement = 0);
  // Sets the scales from font units to pixels and the baseline, and the transform
  // from them.
  void SetScaleAndBaseline(double unitsToPixelsX, double unitsToPixelsY, int escapement);
  GLYPHDEF* Glyph(HGLYPH glyph);  // turned; null when FreeType cannot render it
  HGLYPH GlyphOf(char32_t c) const;
  LONG Advance(HGLYPH glyph);  // pixels along the baseline
  LONG Ascent() const;         // pixels
  LONG Descent() const;        // pixels, positive
};

// A string of glyphs placed on the surface.
struct TRV_EXPORT Str : STROBJ {
  std::vector<GLYPHPOS> positions;
  std::u16string text;
  Font* font = nullptr;
  bool enumerated = false;
  Str();
};

}  // namespace trv::gdi
