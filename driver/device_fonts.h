// The printer's own fonts and bar codes as GDI device fonts. Each offered text font
// (one per vertical magnification when it is magnified) and each offered bar code
// becomes one block, built from the font's stored metrics image ("UFM:" + its
// metrics name) and laid out as the metrics image is, with this platform's
// IFIMETRICS in it so that GDI can take a pointer into the block:
//
//   0   u32  total size of the block        8   u32  default code page (0xFFFF: 0)
//   20  u32  offset of IFIMETRICS           24  u32  offset of EXTTEXTMETRIC (0: none)
//   28  u32  offset of the width table (0)  32  u32  offset of the kerning pairs (0)
//   other header fields zero; the header is padded to IFIMETRICS' alignment.
//   IFIMETRICS, then its strings, each UTF-16, zero-terminated, 4-aligned: family
//     name and face name (the printer's name for the font), style and unique name
//     (the image's own, else the empty string that ends the family name); then the
//     font simulations (FONTSIM and the bold, italic, bold-italic FONTDIFFs the
//     image has). cjThis covers all of it.
//   EXTTEXTMETRIC (52 bytes), width table, kerning pairs: copies of the image's,
//     scaled as the font's flags say.
//
// A metrics image (stored bytes, 32-bit layout, little-endian): a 44-byte header as
// above (IFIMETRICS usually at 44); IFIMETRICS of 184 bytes whose string and
// simulation offsets count from its start; a width table (u32 size, u32 run count,
// runs of u16 first glyph (1-based), u16 glyph count, u32 offset of the run's u16
// widths from the table's start); kerning pairs (u32 size, u32 count, 6-byte pairs).
// Every offset, size, count and string of an image is checked before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driver/printer_data.h"
#include "platform/winddi.h"
#include "platform/windef.h"

namespace trv::driver {

// FontInfo: 104 bytes inside a TextFontEntry (at 32) and a BarcodeFontEntry (at 24).
namespace fontinfo {
inline constexpr std::size_t kFaceName = 0, kFaceNameSize = 48;
inline constexpr std::size_t kMetricsName = 64, kMetricsNameSize = 16;
inline constexpr std::size_t kFlags = 80, kPointSize = 84, kCharClasses = 88, kStyleMask = 92;
inline constexpr std::size_t kMultiplierX = 96, kMultiplierY = 100;
inline constexpr std::size_t kSize = 104;
}  // namespace fontinfo
inline constexpr std::size_t kTextFontInfoAt = 32;
inline constexpr std::size_t kTextFontMagnificationsAt = 28;
inline constexpr std::size_t kBarcodeInfoAt = 24;

// FontInfo flags.
inline constexpr DWORD kFontNotOffered = 0x1;
inline constexpr DWORD kFontTrueTypeBased = 0x2;
inline constexpr DWORD kFontScalable = 0x4;
inline constexpr DWORD kFontHorizontalMultiplier = 0x100;
inline constexpr DWORD kFontPerMagnification = 0x200;
inline constexpr DWORD kFontRescaledEm = 0x800;
// A printer magnifies its fonts by small whole numbers; a stored count beyond this
// would only offer faces nobody can use (and cost a block each).
inline constexpr LONG kMaxMagnifications = 16;

// Block header offsets.
namespace block {
inline constexpr std::size_t kTotalSize = 0, kCodePage = 8, kIfiMetrics = 20, kExtTextMetrics = 24,
                             kWidthTable = 28, kKerningPairs = 32;
inline constexpr std::size_t kHeaderSize = 44;
}  // namespace block
inline constexpr std::size_t kExtTextMetricsSize = 52;
inline constexpr std::size_t kImageIfiSize = 184;

// The face name of a FontInfo (at most 48 bytes, ANSI), read without running past it.
std::string FontInfoFaceName(const BYTE* fontInfo);
// Its metrics name (at most 16 bytes).
std::string FontInfoMetricsName(const BYTE* fontInfo);
DWORD FontInfoU32(const BYTE* fontInfo, std::size_t at);

class DeviceFontBlock {
 public:
  // Builds the block of a font from its metrics image, its FontInfo, the block's
  // magnification and the device's resolution. ERROR_SUCCESS, ERROR_BAD_FORMAT for an
  // image that does not hold together, ERROR_NOT_ENOUGH_MEMORY.
  static DWORD Build(std::span<const BYTE> image, const BYTE* fontInfo, LONG magnification,
                     LONG dpiX, LONG dpiY, std::unique_ptr<DeviceFontBlock>& out);

  std::span<const BYTE> bytes() const { return {data(), size_}; }
  const IFIMETRICS& ifi() const { return *reinterpret_cast<const IFIMETRICS*>(data() + ifiAt_); }
  IFIMETRICS* ifiPointer() { return reinterpret_cast<IFIMETRICS*>(data() + ifiAt_); }
  DWORD codePage() const;
  const std::u16string& family() const { return family_; }
  // Em height in hundredths of a point at the device's resolution.
  LONG emHeight() const { return emHeight_; }
  // The advance of a glyph (0-based handle) in font units, from the width table or
  // the average width.
  LONG GlyphWidth(HGLYPH glyph) const;
  // The kerning pairs, each checked to lie inside the block.
  std::span<const FD_KERNINGPAIR> kerningPairs() const;

 private:
  const BYTE* data() const { return reinterpret_cast<const BYTE*>(storage_.data()); }
  BYTE* data() { return reinterpret_cast<BYTE*>(storage_.data()); }

  std::vector<std::uint64_t> storage_;  // 8-aligned, as IFIMETRICS needs
  std::size_t size_ = 0;
  std::size_t ifiAt_ = 0;
  std::size_t widthAt_ = 0, widthSize_ = 0;
  std::size_t kerningAt_ = 0, kerningCount_ = 0;
  std::u16string family_;
  LONG emHeight_ = 0;
};

class DeviceFontList {
 public:
  // Builds the blocks of every offered font of "Fonts" and bar code of "Barcodes",
  // reading each metrics image from the printer. ERROR_SUCCESS, or the first
  // failure: ERROR_FILE_NOT_FOUND for a missing or empty image, ERROR_BAD_FORMAT,
  // ERROR_NOT_ENOUGH_MEMORY; nothing is kept then.
  DWORD Build(HANDLE printer, const EntryList& fonts, const EntryList& barcodes, LONG dpiX,
              LONG dpiY);
  // The same, with the images looked up by a function instead of the printer.
  using ImageSource = std::optional<std::vector<BYTE>> (*)(void* context, std::u16string_view);
  DWORD Build(ImageSource source, void* context, const EntryList& fonts, const EntryList& barcodes,
              LONG dpiX, LONG dpiY);

  ULONG count() const { return static_cast<ULONG>(blocks_.size()); }
  // Face k (1-based); null beyond the count.
  DeviceFontBlock* face(ULONG k) const {
    return k >= 1 && k <= blocks_.size() ? blocks_[k - 1].get() : nullptr;
  }
  // The first block of that family name, or null.
  const DeviceFontBlock* FindFamily(std::u16string_view family) const;
  void clear() { blocks_.clear(); }

 private:
  std::vector<std::unique_ptr<DeviceFontBlock>> blocks_;
};

}  // namespace trv::driver
