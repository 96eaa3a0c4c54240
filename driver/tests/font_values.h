// Font data as the host and the font installation store it, built field by field
// for tests: metrics images, "Fonts" and "Barcodes" records, and a small sample
// printer with text fonts of each kind and two bar codes.
#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "driver/tests/printer_values.h"
#include "platform/windef.h"

namespace trv::driver::testing {

struct UfmFields {
  std::u16string family = u"Image Family";
  std::u16string style = u"Regular";  // empty: no style name
  bool uniqueName = true;
  SHORT unitsPerEm = 24, aveCharWidth = 12, maxCharInc = 12;
  SHORT winAscender = 20, winDescender = 4, capHeight = 18;
  SHORT underscoreSize = 1, underscorePosition = -2, strikeoutPosition = 8;
  LONG fontBox[4] = {0, 20, 12, -4};  // left, top, right, bottom
  BYTE firstChar = 0x20, lastChar = 0xFF;
  BYTE pitchAndFamily = 0x31;  // fixed pitch
  DWORD info = 0;
  DWORD codePage = 1252;
  bool extTextMetrics = false;
  bool boldSimulation = false;
  std::vector<WORD> widths;  // one run from glyph 1; empty: no width table
  std::vector<std::tuple<WORD, WORD, SHORT>> kerning;
};

// Offsets inside an image built by UfmImage.
inline constexpr std::size_t kUfmIfiAt = 44;

Bytes UfmImage(const UfmFields& fields);

// A TextFontEntry (136 bytes): id, magnifications (offset 28) and FontInfo.
struct FontEntryFields {
  WORD id = 0;
  std::string face, metrics;
  DWORD flags = 0;
  LONG pointSize = -1;
  DWORD classes = 0x17, styles = 7;
  DWORD multiplierX = 1, multiplierY = 1;
  LONG magnifications = 1;
};
Bytes TextFontRecord(const FontEntryFields& fields);
// A BarcodeFontEntry (128 bytes).
Bytes BarcodeRecord(WORD id, const std::string& face, const std::string& metrics, DWORD flags = 0);

// The sample fonts: "CPCL Font 0" (id 10, fixed, 12 x 24 dots), "CPCL Font 4" (id 14,
// one face per magnification, two magnifications, a width table), "Digits TT"
// (id 20, TrueType-based: 10 points, digits only), a font not offered (id 30) and
// the bar codes "CPCL Code 128" (id 2) and "CPCL EAN-13" (id 3).
struct SampleFont {
  std::u16string valueName;
  Bytes image;
};
Bytes SampleFontsValue();
Bytes SampleBarcodesValue();
std::vector<SampleFont> SampleFontImages();

}  // namespace trv::driver::testing
