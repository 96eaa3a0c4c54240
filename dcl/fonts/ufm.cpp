#include "dcl/fonts/ufm.h"

#include <algorithm>

#include "platform/winerror.h"

namespace trv::dcl::fonts {
namespace {

class Writer {
 public:
  explicit Writer(std::vector<BYTE>& out) : out_(out) {}
  template <class T>
  void Put(size_t offset, T value) {
    auto v = static_cast<std::uint64_t>(value);
    for (size_t i = 0; i < sizeof(T); ++i) out_[offset + i] = static_cast<BYTE>(v >> (8 * i));
  }

 private:
  std::vector<BYTE>& out_;
};

size_t SlotSize(const std::u16string& s) { return (2 * s.size() + 5) & ~size_t{3}; }

void PutString(std::vector<BYTE>& out, size_t at, const std::u16string& s) {
  Writer w(out);
  for (size_t i = 0; i < s.size(); ++i) w.Put<USHORT>(at + 2 * i, s[i]);
}

BYTE PitchAndFamily(const FaceMetrics& f) {
  BYTE pitch = f.fixedPitch ? 1 : 2;
  switch (f.panose[0]) {
    case 2:
      if (f.fixedPitch) return static_cast<BYTE>(pitch | 0x30);
      return static_cast<BYTE>(pitch | (f.panose[1] >= 11 && f.panose[1] <= 13 ? 0x20 : 0x10));
    case 3: return static_cast<BYTE>(pitch | 0x40);
    case 4:
    case 5: return static_cast<BYTE>(pitch | 0x50);
    default: return pitch;
  }
}

void PutIfiMetrics(std::vector<BYTE>& out, size_t at, size_t cjThis, const FaceMetrics& f) {
  Writer w(out);
  size_t family = kIfiMetricsSize;
  size_t face = family + SlotSize(f.family);
  size_t style = face + SlotSize(f.family);
  size_t unique = style + SlotSize(f.style);
  w.Put<DWORD>(at + ifi::kCjThis, static_cast<DWORD>(cjThis));
  w.Put<DWORD>(at + ifi::kFamilyName, static_cast<DWORD>(family));
  w.Put<DWORD>(at + ifi::kFaceName, static_cast<DWORD>(face));
  w.Put<DWORD>(at + ifi::kStyleName, static_cast<DWORD>(style));
  w.Put<DWORD>(at + ifi::kUniqueName, static_cast<DWORD>(unique));
  w.Put<LONG>(at + ifi::kItalicAngle, f.italicAngle);
  w.Put<BYTE>(at + ifi::kWinPitchAndFamily, PitchAndFamily(f));
  w.Put<USHORT>(at + ifi::kWinWeight, f.weight);
  w.Put<DWORD>(at + ifi::kInfo, f.fixedPitch ? kInfoFixedPitch : kInfoVariablePitch);
  w.Put<USHORT>(at + ifi::kSelection, f.selection);
  w.Put<USHORT>(at + ifi::kType, 8);
  const std::pair<size_t, SHORT> shorts[] = {
      {ifi::kUnitsPerEm, f.unitsPerEm},
      {ifi::kLowestPPEm, f.lowestPPEm},
      {ifi::kWinAscender, f.winAscender},
      {ifi::kWinDescender, f.winDescender},
      {ifi::kTypoAscender, f.typoAscender},
      {ifi::kTypoDescender, f.typoDescender},
      {ifi::kTypoLineGap, f.typoLineGap},
      {ifi::kAveCharWidth, f.aveCharWidth},
      {ifi::kMaxCharInc, f.maxCharInc},
      {ifi::kCapHeight, f.capHeight},
      {ifi::kXHeight, f.xHeight},
      {ifi::kUnderscoreSize, f.underscoreSize},
      {ifi::kUnderscorePosition, f.underscorePosition},
      {ifi::kStrikeoutSize, f.strikeoutSize},
      {ifi::kStrikeoutPosition, f.strikeoutPosition},
  };
  for (auto [offset, value] : shorts) w.Put<SHORT>(at + offset, value);
  for (size_t i = 0; i < 8; ++i) w.Put<SHORT>(at + ifi::kSubscriptXSize + 2 * i, f.subSuper[i]);
  // The 8-bit fields hold what fits: an index past 0xFF is given as 0xFF, not as its
  // low byte, which could fall below the first character.
  auto narrow = [](unsigned c) { return static_cast<BYTE>(std::min(c, 0xFFu)); };
  USHORT defaultChar = static_cast<USHORT>(f.defaultChar + f.firstChar);
  USHORT breakChar = static_cast<USHORT>(f.breakChar + f.firstChar);
  w.Put<BYTE>(at + ifi::kFirstChar, narrow(f.firstChar));
  w.Put<BYTE>(at + ifi::kLastChar, narrow(f.lastChar));
  w.Put<BYTE>(at + ifi::kDefaultChar, static_cast<BYTE>(defaultChar));
  w.Put<BYTE>(at + ifi::kBreakChar, static_cast<BYTE>(breakChar));
  w.Put<USHORT>(at + ifi::kWcFirstChar, f.firstChar);
  w.Put<USHORT>(at + ifi::kWcLastChar, f.lastChar);
  w.Put<USHORT>(at + ifi::kWcDefaultChar, defaultChar);
  w.Put<USHORT>(at + ifi::kWcBreakChar, breakChar);
  w.Put<LONG>(at + ifi::kFontBoxLeft, f.fontBox[0]);
  w.Put<LONG>(at + ifi::kFontBoxTop, f.fontBox[1]);
  w.Put<LONG>(at + ifi::kFontBoxRight, f.fontBox[2]);
  w.Put<LONG>(at + ifi::kFontBoxBottom, f.fontBox[3]);
  std::copy_n(f.vendId, 4, out.begin() + static_cast<long>(at + ifi::kVendId));
  w.Put<LONG>(at + ifi::kPanoseCulture, static_cast<LONG>(f.familyClass));
  std::copy_n(f.panose, 10, out.begin() + static_cast<long>(at + ifi::kPanose));
  PutString(out, at + family, f.family);
  PutString(out, at + face, f.family);
  PutString(out, at + style, f.style);
  PutString(out, at + unique, f.family);
}

}  // namespace

std::vector<BYTE> BuildUfmImage(const FaceMetrics& f) {
  size_t cjThis = kIfiMetricsSize + 3 * SlotSize(f.family) + SlotSize(f.style);
  bool widthTable = !f.fixedPitch && !f.widths.empty();
  size_t widthSize = widthTable ? 16 + 2 * f.widths.size() : 0;
  size_t kerningSize = f.kerning.empty() ? 0 : 10 + 6 * f.kerning.size();
  size_t ifiAt = kUfmHeaderSize;
  size_t widthAt = ifiAt + cjThis;
  size_t kerningAt = widthAt + widthSize;
  size_t total = kerningAt + kerningSize;

  std::vector<BYTE> out(total, 0);
  Writer w(out);
  w.Put<DWORD>(ufm::kTotalSize, static_cast<DWORD>(total));
  w.Put<DWORD>(ufm::kVersion, kUfmVersion);
  w.Put<DWORD>(ufm::kIfiMetrics, static_cast<DWORD>(ifiAt));
  w.Put<DWORD>(ufm::kWidthTable, widthTable ? static_cast<DWORD>(widthAt) : 0);
  w.Put<DWORD>(ufm::kKerningPairs, kerningSize ? static_cast<DWORD>(kerningAt) : 0);
  PutIfiMetrics(out, ifiAt, cjThis, f);
  if (widthTable) {
    w.Put<DWORD>(widthAt, static_cast<DWORD>(widthSize));
    w.Put<DWORD>(widthAt + 4, 1);
    w.Put<USHORT>(widthAt + 8, 1);
    w.Put<USHORT>(widthAt + 10, static_cast<USHORT>(f.widths.size()));
    w.Put<DWORD>(widthAt + 12, 16);
    for (size_t i = 0; i < f.widths.size(); ++i) w.Put<USHORT>(widthAt + 16 + 2 * i, f.widths[i]);
  }
  if (kerningSize) {
    w.Put<DWORD>(kerningAt, static_cast<DWORD>(kerningSize));
    w.Put<DWORD>(kerningAt + 4, static_cast<DWORD>(f.kerning.size()));
    for (size_t i = 0; i < f.kerning.size(); ++i) {
      size_t at = kerningAt + 8 + 6 * i;
      w.Put<USHORT>(at, static_cast<USHORT>(f.kerning[i].left + f.firstChar));
      w.Put<USHORT>(at + 2, static_cast<USHORT>(f.kerning[i].right + f.firstChar));
      w.Put<SHORT>(at + 4, f.kerning[i].value);
    }
    // The last two bytes stay zero: the padding that the size counts.
  }
  return out;
}

namespace {

bool Fits(size_t offset, size_t length, size_t size) {
  return offset <= size && length <= size - offset;
}

// A string offset of IFIMETRICS: 0 (none) or inside the block, terminated inside it.
bool StringFits(std::span<const BYTE> image, size_t ifiAt, size_t cjThis, size_t field) {
  DWORD at = ReadAt<DWORD>(image, ifiAt + field);
  if (at == 0) return true;
  if (at < kIfiMetricsSize || at >= cjThis || (at & 1)) return false;
  for (size_t p = at; p + 1 < cjThis; p += 2)
    if (image[ifiAt + p] == 0 && image[ifiAt + p + 1] == 0) return true;
  return false;
}

// A block that starts with its u32 size: the size must cover `minimum` and stay inside.
bool BlockFits(std::span<const BYTE> image, size_t total, size_t at, size_t minimum,
               DWORD& blockSize) {
  if (!Fits(at, 4, total)) return false;
  blockSize = ReadAt<DWORD>(image, at);
  return blockSize >= minimum && Fits(at, blockSize, total);
}

bool WidthTableFits(std::span<const BYTE> image, size_t total, size_t at) {
  DWORD size = 0;
  if (!BlockFits(image, total, at, 8, size)) return false;
  DWORD runs = ReadAt<DWORD>(image, at + 4);
  if (runs > (size - 8) / 8) return false;
  for (DWORD r = 0; r < runs; ++r) {
    size_t run = at + 8 + 8 * r;
    USHORT count = ReadAt<USHORT>(image, run + 2);
    DWORD widths = ReadAt<DWORD>(image, run + 4);
    if (!Fits(widths, 2 * size_t{count}, size)) return false;
  }
  return true;
}

bool KerningFits(std::span<const BYTE> image, size_t total, size_t at) {
  DWORD size = 0;
  if (!BlockFits(image, total, at, 8, size)) return false;
  DWORD count = ReadAt<DWORD>(image, at + 4);
  return count <= (size - 8) / 6;
}

}  // namespace

DWORD CheckUfmImage(std::span<const BYTE> image) {
  if (image.size() < kUfmHeaderSize) return ERROR_BAD_FORMAT;
  size_t total = ReadAt<DWORD>(image, ufm::kTotalSize);
  if (total < kUfmHeaderSize || total > image.size()) return ERROR_BAD_FORMAT;
  for (size_t field : {ufm::kDriverInfo, ufm::kExtTextMetrics})
    if (ReadAt<DWORD>(image, field) >= total) return ERROR_BAD_FORMAT;
  // The blocks a reader follows, which must not share a byte with each other or with
  // the header: scaling writes into IFIMETRICS, and a width table or kerning block
  // inside it would have its sizes changed under a reader that trusted them.
  struct Block {
    size_t at, size;
  };
  std::vector<Block> blocks = {{0, kUfmHeaderSize}};
  if (DWORD ifiAt = ReadAt<DWORD>(image, ufm::kIfiMetrics)) {
    if (!Fits(ifiAt, kIfiMetricsSize, total)) return ERROR_BAD_FORMAT;
    DWORD cjThis = ReadAt<DWORD>(image, ifiAt + ifi::kCjThis);
    if (cjThis < kIfiMetricsSize || !Fits(ifiAt, cjThis, total)) return ERROR_BAD_FORMAT;
    for (size_t field : {ifi::kFamilyName, ifi::kStyleName, ifi::kFaceName, ifi::kUniqueName})
      if (!StringFits(image, ifiAt, cjThis, field)) return ERROR_BAD_FORMAT;
    blocks.push_back({ifiAt, cjThis});
  }
  if (DWORD at = ReadAt<DWORD>(image, ufm::kWidthTable)) {
    if (!WidthTableFits(image, total, at)) return ERROR_BAD_FORMAT;
    blocks.push_back({at, ReadAt<DWORD>(image, at)});
  }
  if (DWORD at = ReadAt<DWORD>(image, ufm::kKerningPairs)) {
    if (!KerningFits(image, total, at)) return ERROR_BAD_FORMAT;
    blocks.push_back({at, ReadAt<DWORD>(image, at)});
  }
  std::sort(blocks.begin(), blocks.end(),
            [](const Block& a, const Block& b) { return a.at < b.at; });
  for (size_t i = 1; i < blocks.size(); ++i)
    if (blocks[i].at < blocks[i - 1].at + blocks[i - 1].size) return ERROR_BAD_FORMAT;
  return ERROR_SUCCESS;
}

std::u16string ReadIfiString(std::span<const BYTE> image, size_t ifiOffset, size_t fieldOffset) {
  DWORD at = ReadAt<DWORD>(image, ifiOffset + fieldOffset);
  std::u16string s;
  if (at == 0) return s;
  for (size_t p = ifiOffset + at; p + 1 < image.size(); p += 2) {
    char16_t c = ReadAt<USHORT>(image, p);
    if (c == 0) break;
    s += c;
  }
  return s;
}

}  // namespace trv::dcl::fonts
