// The Unidrv font metrics image (UFM) as this system writes and reads it. All
// numbers little-endian; offsets from the start of the image.
//
//   Header (44 bytes)
//     0  u32 total size            4  u32 version 0x10000      8  u32 code page 0
//    12  i32 glyph-set id 0       16  u32 driver info offset  20  u32 IFIMETRICS offset (44)
//    24  u32 ext. metrics offset  28  u32 width table offset  32  u32 kerning offset
//    36  two reserved u32
//   IFIMETRICS (184 bytes, offsets below relative to its start), then its four
//     strings in the order family, face, style, unique: UTF-16 with terminator, each
//     in a slot of (2 x characters + 5) rounded down to a multiple of 4 bytes;
//     cjThis = 184 + the slots.
//   Width table (faces that are not fixed-pitch): u32 size (16 + 2 x glyphs), u32 run
//     count 1, u16 first glyph 1, u16 glyph count, u32 offset 16 of the widths, then
//     one u16 advance per glyph, glyph 0 first.
//   Kerning pairs (faces that have them): u32 size (10 + 6 x pairs), u32 count, per
//     pair u16 first character, u16 second character, i16 value, then 2 zero bytes
//     so that what is written is what the size declares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace trv::dcl::fonts {

inline constexpr size_t kUfmHeaderSize = 44;
inline constexpr size_t kIfiMetricsSize = 184;
inline constexpr DWORD kUfmVersion = 0x10000;

namespace ufm {  // header offsets
inline constexpr size_t kTotalSize = 0, kVersion = 4, kCodePage = 8, kGlyphSetId = 12,
                        kDriverInfo = 16, kIfiMetrics = 20, kExtTextMetrics = 24, kWidthTable = 28,
                        kKerningPairs = 32;
}  // namespace ufm

namespace ifi {  // IFIMETRICS offsets
inline constexpr size_t kCjThis = 0, kFamilyName = 8, kStyleName = 12, kFaceName = 16,
                        kUniqueName = 20, kItalicAngle = 32, kWinCharSet = 44,
                        kWinPitchAndFamily = 45, kWinWeight = 46, kInfo = 48, kSelection = 52,
                        kType = 54, kUnitsPerEm = 56, kLowestPPEm = 58, kWinAscender = 60,
                        kWinDescender = 62, kMacAscender = 64, kMacDescender = 66, kMacLineGap = 68,
                        kTypoAscender = 70, kTypoDescender = 72, kTypoLineGap = 74,
                        kAveCharWidth = 76, kMaxCharInc = 78, kCapHeight = 80, kXHeight = 82,
                        kSubscriptXSize = 84, kSubscriptYSize = 86, kSubscriptXOffset = 88,
                        kSubscriptYOffset = 90, kSuperscriptXSize = 92, kSuperscriptYSize = 94,
                        kSuperscriptXOffset = 96, kSuperscriptYOffset = 98, kUnderscoreSize = 100,
                        kUnderscorePosition = 102, kStrikeoutSize = 104, kStrikeoutPosition = 106,
                        kFirstChar = 108, kLastChar = 109, kDefaultChar = 110, kBreakChar = 111,
                        kWcFirstChar = 112, kWcLastChar = 114, kWcDefaultChar = 116,
                        kWcBreakChar = 118, kBaselineX = 120, kBaselineY = 124, kAspectX = 128,
                        kAspectY = 132, kCaretX = 136, kCaretY = 140, kFontBoxLeft = 144,
                        kFontBoxTop = 148, kFontBoxRight = 152, kFontBoxBottom = 156, kVendId = 160,
                        kKerningPairs = 164, kPanoseCulture = 168, kPanose = 172;
}  // namespace ifi

inline constexpr DWORD kInfoVariablePitch = 0x00080032;
inline constexpr DWORD kInfoFixedPitch = 0x00081032;

// What an image is made of: the values of one face, whichever source they came from
// (a TrueType face, or the description of a printer-resident font).
struct FaceMetrics {
  std::u16string family;
  std::u16string style;
  LONG italicAngle = 0;  // 16.16
  bool fixedPitch = false;
  BYTE panose[10] = {};
  USHORT weight = 400;
  USHORT selection = 0;  // 1 italic, 2 bold
  SHORT unitsPerEm = 0, lowestPPEm = 0;
  SHORT winAscender = 0, winDescender = 0;
  SHORT typoAscender = 0, typoDescender = 0, typoLineGap = 0;
  SHORT aveCharWidth = 0, maxCharInc = 0, capHeight = 0, xHeight = 0;
  SHORT subSuper[8] = {};  // subscript x/y size, x/y offset, superscript the same
  SHORT underscoreSize = 0, underscorePosition = 0;
  SHORT strikeoutSize = 0, strikeoutPosition = 0;
  USHORT firstChar = 0, lastChar = 0, defaultChar = 0, breakChar = 0;  // OS/2 indices
  LONG fontBox[4] = {};                                                // xMin, yMin, xMax, yMax
  BYTE vendId[4] = {};
  SHORT familyClass = 0;
  std::vector<USHORT> widths;  // per glyph, glyph 0 first; empty: no width table
  struct KerningPair {
    USHORT left, right;  // glyph indices
    SHORT value;
  };
  std::vector<KerningPair> kerning;
};

// The image of a face, byte for byte.
std::vector<BYTE> BuildUfmImage(const FaceMetrics& face);

// Checks that every offset and size of an image stays inside it, so that a reader
// can follow them; ERROR_SUCCESS or ERROR_BAD_FORMAT.
DWORD CheckUfmImage(std::span<const BYTE> image);

// Little-endian field access inside an image; the caller has checked the range.
template <class T>
T ReadAt(std::span<const BYTE> image, size_t offset) {
  std::uint64_t v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= std::uint64_t{image[offset + i]} << (8 * i);
  return static_cast<T>(v);
}

// The zero-terminated UTF-16 string at an IFIMETRICS string offset (already checked).
std::u16string ReadIfiString(std::span<const BYTE> image, size_t ifiOffset, size_t fieldOffset);

}  // namespace trv::dcl::fonts
