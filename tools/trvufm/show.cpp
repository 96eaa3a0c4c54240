#include "tools/trvufm/show.h"

#include <cstdio>

#include "dcl/fonts/ufm.h"

namespace trv::tools {
namespace {

using namespace trv::dcl::fonts;

std::string Utf8(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void Line(std::string& text, const char* name, long long value) {
  char line[128];
  std::snprintf(line, sizeof line, "  %-22s %lld\n", name, value);
  text += line;
}

}  // namespace

bool DescribeUfm(std::span<const BYTE> image, std::string& text, std::string& error) {
  if (CheckUfmImage(image) != 0) {
    error = "damaged UFM image: an offset or size points outside it";
    return false;
  }
  text += "header\n";
  Line(text, "size", ReadAt<DWORD>(image, ufm::kTotalSize));
  Line(text, "version", ReadAt<DWORD>(image, ufm::kVersion));
  Line(text, "code page", ReadAt<DWORD>(image, ufm::kCodePage));
  Line(text, "IFIMETRICS at", ReadAt<DWORD>(image, ufm::kIfiMetrics));
  Line(text, "width table at", ReadAt<DWORD>(image, ufm::kWidthTable));
  Line(text, "kerning pairs at", ReadAt<DWORD>(image, ufm::kKerningPairs));
  if (DWORD at = ReadAt<DWORD>(image, ufm::kIfiMetrics)) {
    text += "IFIMETRICS\n";
    text += "  family name            " + Utf8(ReadIfiString(image, at, ifi::kFamilyName)) + "\n";
    text += "  face name              " + Utf8(ReadIfiString(image, at, ifi::kFaceName)) + "\n";
    text += "  style name             " + Utf8(ReadIfiString(image, at, ifi::kStyleName)) + "\n";
    text += "  unique name            " + Utf8(ReadIfiString(image, at, ifi::kUniqueName)) + "\n";
    const std::pair<const char*, size_t> dwords[] = {
        {"cjThis", ifi::kCjThis}, {"lItalicAngle", ifi::kItalicAngle}, {"flInfo", ifi::kInfo}};
    for (auto [name, offset] : dwords) Line(text, name, ReadAt<LONG>(image, at + offset));
    Line(text, "jWinPitchAndFamily", ReadAt<BYTE>(image, at + ifi::kWinPitchAndFamily));
    Line(text, "usWinWeight", ReadAt<USHORT>(image, at + ifi::kWinWeight));
    Line(text, "fsSelection", ReadAt<USHORT>(image, at + ifi::kSelection));
    const std::pair<const char*, size_t> shorts[] = {
        {"fwdUnitsPerEm", ifi::kUnitsPerEm},
        {"fwdLowestPPEm", ifi::kLowestPPEm},
        {"fwdWinAscender", ifi::kWinAscender},
        {"fwdWinDescender", ifi::kWinDescender},
        {"fwdTypoAscender", ifi::kTypoAscender},
        {"fwdTypoDescender", ifi::kTypoDescender},
        {"fwdTypoLineGap", ifi::kTypoLineGap},
        {"fwdAveCharWidth", ifi::kAveCharWidth},
        {"fwdMaxCharInc", ifi::kMaxCharInc},
        {"fwdCapHeight", ifi::kCapHeight},
        {"fwdXHeight", ifi::kXHeight},
        {"fwdUnderscoreSize", ifi::kUnderscoreSize},
        {"fwdUnderscorePosition", ifi::kUnderscorePosition},
        {"fwdStrikeoutSize", ifi::kStrikeoutSize},
        {"fwdStrikeoutPosition", ifi::kStrikeoutPosition}};
    for (auto [name, offset] : shorts) Line(text, name, ReadAt<SHORT>(image, at + offset));
    const std::pair<const char*, size_t> chars[] = {{"wcFirstChar", ifi::kWcFirstChar},
                                                    {"wcLastChar", ifi::kWcLastChar},
                                                    {"wcDefaultChar", ifi::kWcDefaultChar},
                                                    {"wcBreakChar", ifi::kWcBreakChar}};
    for (auto [name, offset] : chars) Line(text, name, ReadAt<USHORT>(image, at + offset));
    const std::pair<const char*, size_t> box[] = {{"rclFontBox.left", ifi::kFontBoxLeft},
                                                  {"rclFontBox.top", ifi::kFontBoxTop},
                                                  {"rclFontBox.right", ifi::kFontBoxRight},
                                                  {"rclFontBox.bottom", ifi::kFontBoxBottom}};
    for (auto [name, offset] : box) Line(text, name, ReadAt<LONG>(image, at + offset));
  }
  if (DWORD at = ReadAt<DWORD>(image, ufm::kWidthTable)) {
    DWORD runs = ReadAt<DWORD>(image, at + 4);
    text += "width runs\n";
    for (DWORD r = 0; r < runs; ++r) {
      size_t run = at + 8 + 8 * r;
      USHORT first = ReadAt<USHORT>(image, run), count = ReadAt<USHORT>(image, run + 2);
      DWORD widths = ReadAt<DWORD>(image, run + 4);
      char line[96];
      std::snprintf(line, sizeof line, "  run %u: glyphs %u..%u, widths", r, first,
                    first + count - (count ? 1u : 0u));
      text += line;
      for (USHORT i = 0; i < count && i < 16; ++i)
        text += " " + std::to_string(ReadAt<USHORT>(image, at + widths + 2 * i));
      text += count > 16 ? " ...\n" : "\n";
    }
  }
  if (DWORD at = ReadAt<DWORD>(image, ufm::kKerningPairs)) {
    DWORD count = ReadAt<DWORD>(image, at + 4);
    text += "kerning pairs " + std::to_string(count) + "\n";
    for (DWORD i = 0; i < count; ++i) {
      size_t p = at + 8 + 6 * i;
      char line[64];
      std::snprintf(line, sizeof line, "  U+%04X U+%04X %d\n", ReadAt<USHORT>(image, p),
                    ReadAt<USHORT>(image, p + 2), ReadAt<SHORT>(image, p + 4));
      text += line;
    }
  }
  return true;
}

}  // namespace trv::tools
