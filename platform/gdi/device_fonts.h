// A printer's own fonts as GDI offers them to applications: the faces its driver
// describes through DrvQueryFont, matched by name and size, and realised as font
// objects the driver draws itself (DrvTextOut). Internal to the platform library;
// exported for its tests.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/objects.h"
#include "platform/winddi.h"

namespace trv::gdi {

// The driver functions the device fonts need; any of them may be absent.
struct DeviceFontDriver {
  DHPDEV dhpdev = nullptr;
  PFN_DrvQueryFont queryFont = nullptr;
  PFN_DrvQueryFontTree queryFontTree = nullptr;
  PFN_DrvQueryFontData queryFontData = nullptr;
  PFN_DrvFree free = nullptr;
};

// One face of the printer, as the driver described it.
struct TRV_EXPORT DeviceFace {
  ULONG index = 0;                    // the driver's face number, from 1
  std::vector<BYTE> ifi;              // a copy of its IFIMETRICS and strings
  std::u16string family;              // the family name the face is chosen by
  std::map<char16_t, HGLYPH> glyphs;  // the driver's glyph set; empty: by code page
  const IFIMETRICS& metrics() const { return *reinterpret_cast<const IFIMETRICS*>(ifi.data()); }
  // The em height in device dots at its design size (font units at ptlAspect).
  double NaturalEm(POINT dpi) const;
  // The glyph of a character; the default character's for one the face lacks.
  HGLYPH GlyphOf(char16_t c) const;
};

// Asks the driver for its faces: the count (face 0), then each face's metrics and
// glyph set. A face whose metrics are missing or damaged (size, strings outside
// them) is left out; a count beyond kMaxDeviceFaces is cut there.
inline constexpr ULONG kMaxDeviceFaces = 4096;
TRV_EXPORT std::vector<DeviceFace> QueryDeviceFaces(const DeviceFontDriver& driver);

// The face of the family `name` (without regard to case) nearest in em height to
// `emDots` (0: any, the first); null when no face has the name.
TRV_EXPORT const DeviceFace* MatchDeviceFace(const std::vector<DeviceFace>& faces,
                                             std::u16string_view name, double emDots, POINT dpi);

// A device font realised at a size and direction: the font object the driver is
// handed and what GDI measures text with.
struct TRV_EXPORT DeviceFont {
  const DeviceFace* face = nullptr;
  std::unique_ptr<Font> font;     // face == nullptr, iFace, FO_TYPE_DEVICE, xform, ifi, baseline
  double scaleX = 0, scaleY = 0;  // font units to dots along and across the baseline
  std::map<HGLYPH, LONG> advances;

  // Ascent and descent in dots (positive), the height of the cell and the widths.
  LONG Ascent() const;
  LONG Descent() const;
  LONG AverageWidth() const;
  LONG MaxWidth() const;
  LONG InternalLeading() const;
  // A glyph's advance in dots, as the driver reports it (else the average width).
  LONG Advance(const DeviceFontDriver& driver, HGLYPH glyph);
};

// Realises `face` at an em of `emDots` (its natural size when 0), an average character
// width of `widthDots` (0: in proportion) and an escapement in tenths of a degree.
// Null when the face's metrics cannot be scaled (no units per em).
TRV_EXPORT std::unique_ptr<DeviceFont> RealizeDeviceFont(const DeviceFace& face, double emDots,
                                                         double widthDots, int escapement,
                                                         POINT dpi, ULONG uniqueness);

}  // namespace trv::gdi
