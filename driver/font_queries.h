// What GDI asks the driver about its device fonts: the faces, their glyph sets and
// kerning pairs, glyph metrics and the realised font's extents.
#pragma once

#include <cstdint>

#include "driver/device_fonts.h"
#include "platform/winddi.h"

namespace trv::driver {

// Ids of the trees DrvQueryFontTree hands out; DrvFree releases only these.
inline constexpr ULONG_PTR kGlyphSetId = 0xFEF1;
inline constexpr ULONG_PTR kKerningPairsId = 0xFEF2;
inline constexpr LONG kDeviceMetricsSize = sizeof(FD_DEVICEMETRICS);

// A font's notional (font units) to device transform, applied to vectors.
class FontTransform {
 public:
  // Identity-less: valid() is false when the font object has no transform.
  explicit FontTransform(FONTOBJ* font);
  bool valid() const { return valid_; }
  // The vector (x, y) in device pixels, or in 28.4 when `fix`.
  void Apply(long long x, long long y, bool fix, long long& ox, long long& oy) const;
  // |T(x, y)|: the integer length of the transformed vector.
  unsigned long long Length(long long x, long long y, bool fix) const;

 private:
  XFORML m_{};
  bool valid_ = false;
};

// floor(sqrt(x^2 + y^2)), in 64 bits so that no coordinate of a device overflows it.
unsigned long long VectorLength(long long x, long long y);
// A 28.4 value rounded to whole pixels.
inline long long RoundFix(long long v) { return (v + 8) & ~15LL; }

// Face 0: the count of faces (as GDI reads it, in the pointer); face k: its metrics.
// Null with ERROR_INVALID_PARAMETER beyond the count.
PIFIMETRICS QueryFont(const DeviceFontList& fonts, ULONG face, ULONG_PTR* id);
// QFT_GLYPHSET: the engine's glyph set of the face's code page and characters;
// QFT_KERNPAIRS: its kerning pairs followed by a zeroed pair, null when it has none.
PVOID QueryFontTree(const DeviceFontList& fonts, ULONG face, ULONG mode, ULONG_PTR* id);
void FreeFontTree(PVOID tree, ULONG_PTR id);
// QFD_GLYPHANDBITMAP: a glyph's metrics (no bitmap); QFD_MAXEXTENTS: the realised
// font's FD_DEVICEMETRICS. FD_ERROR for other modes and for a font that is not one
// of the device's.
LONG QueryFontData(const DeviceFontList& fonts, FONTOBJ* font, ULONG mode, HGLYPH glyph,
                   GLYPHDATA* data, PVOID buffer, ULONG size);

}  // namespace trv::driver
