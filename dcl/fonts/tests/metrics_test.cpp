// The UFM image of TrueType faces of the distribution, field by field against what
// FreeType says of the same face, read here on its own.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cstring>
#include <string>
#include <vector>

#include "dcl/fonts/tests/fonts_fixture.h"
#include "platform/stand_in.h"

namespace trv::dcl::fonts::testing {
namespace {

std::u16string Utf16(const char* ascii) {
  std::u16string s;
  for (const char* p = ascii; *p; ++p) s += static_cast<char16_t>(*p);
  return s;
}

std::vector<BYTE> Generate(const std::string& hostPath, long face = 0) {
  std::vector<BYTE> image;
  EXPECT_EQ(BuildMetricsImage(trv::WindowsPath(hostPath), face, image), ERROR_SUCCESS);
  return image;
}

class Metrics : public FontMachine {};

TEST_F(Metrics, AProportionalFaceMatchesFreeTypeFieldByField) {
  const std::string path = DejaVu("DejaVuSans.ttf");
  std::vector<BYTE> image = Generate(path);
  FreeTypeFace face(path);
  ASSERT_NE(face.get(), nullptr);
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face.get(), FT_SFNT_OS2));
  auto* head = static_cast<TT_Header*>(FT_Get_Sfnt_Table(face.get(), FT_SFNT_HEAD));
  auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face.get(), FT_SFNT_POST));
  ASSERT_TRUE(os2 && head && post);
  std::span<const BYTE> in(image);
  ASSERT_EQ(CheckUfmImage(in), static_cast<DWORD>(ERROR_SUCCESS));

  // Header.
  EXPECT_EQ(ReadAt<DWORD>(in, 0), image.size());
  EXPECT_EQ(ReadAt<DWORD>(in, 4), 0x10000u);
  EXPECT_EQ(ReadAt<DWORD>(in, 20), 44u);
  const size_t ifiAt = 44;

  // Names: family, face and unique are the family name, style its style.
  EXPECT_EQ(ReadIfiString(in, ifiAt, ifi::kFamilyName), Utf16(face->family_name));
  EXPECT_EQ(ReadIfiString(in, ifiAt, ifi::kFaceName), Utf16(face->family_name));
  EXPECT_EQ(ReadIfiString(in, ifiAt, ifi::kUniqueName), Utf16(face->family_name));
  EXPECT_EQ(ReadIfiString(in, ifiAt, ifi::kStyleName), Utf16(face->style_name));
  EXPECT_EQ(ReadAt<DWORD>(in, ifiAt + ifi::kFamilyName), 184u);
  const size_t family = std::string(face->family_name).size();
  const size_t slot = (2 * family + 5) & ~size_t{3};
  const size_t styleSlot = (2 * std::string(face->style_name).size() + 5) & ~size_t{3};
  EXPECT_EQ(ReadAt<DWORD>(in, ifiAt + ifi::kCjThis), 184 + 3 * slot + styleSlot);

  // The em, the vertical metrics and the rest of the tables' values.
  EXPECT_EQ(ReadAt<SHORT>(in, ifiAt + ifi::kUnitsPerEm), face->units_per_EM);
  EXPECT_EQ(ReadAt<SHORT>(in, ifiAt + ifi::kLowestPPEm), head->Lowest_Rec_PPEM);
  EXPECT_EQ(ReadAt<SHORT>(in, ifiAt + ifi::kWinAscender), os2->usWinAscent);
  EXPECT_EQ(ReadAt<SHORT>(in, ifiAt + ifi::kWinDescender), os2->usWinDescent);
  EXPECT_EQ(ReadAt<SHORT>(in, ifiAt + ifi::kTypoAscender), os2->sTypoAscender);
  EXPECT_EQ(ReadAt<SHORT>(in, ifiAt + ifi::kTypoDescender), os2->sTypoDescender);
  EXPECT_EQ(ReadAt<SHORT>(in, ifiAt + ifi::kAveCharWidth), os2->xAvgCharWidth);
  EXPECT_EQ(ReadAt<SHORT>(in, ifiAt + ifi::kMaxCharInc), face->bbox.xMax - face->bbox.xMin);
  EXPECT_EQ(ReadAt<SHORT>(in, ifiAt + ifi::kUnderscorePosition), post->underlinePosition);
  EXPECT_EQ(ReadAt<SHORT>(in, ifiAt + ifi::kStrikeoutSize), os2->yStrikeoutSize);
  EXPECT_EQ(ReadAt<LONG>(in, ifiAt + ifi::kFontBoxTop), face->bbox.yMin);
  EXPECT_EQ(ReadAt<LONG>(in, ifiAt + ifi::kFontBoxRight), face->bbox.xMax);
  EXPECT_EQ(ReadAt<USHORT>(in, ifiAt + ifi::kWinWeight), os2->usWeightClass);
  EXPECT_EQ(ReadAt<DWORD>(in, ifiAt + ifi::kInfo), kInfoVariablePitch);
  EXPECT_EQ(ReadAt<USHORT>(in, ifiAt + ifi::kType), 8);
  EXPECT_EQ(ReadAt<BYTE>(in, ifiAt + ifi::kWinPitchAndFamily),
            os2->panose[1] >= 11 && os2->panose[1] <= 13 ? 0x22 : 0x12);
  EXPECT_EQ(ReadAt<USHORT>(in, ifiAt + ifi::kWcFirstChar), os2->usFirstCharIndex);
  EXPECT_EQ(ReadAt<USHORT>(in, ifiAt + ifi::kWcLastChar), os2->usLastCharIndex);
  // The 8-bit last character holds what fits instead of the low byte.
  EXPECT_EQ(ReadAt<BYTE>(in, ifiAt + ifi::kLastChar),
            std::min<unsigned>(os2->usLastCharIndex, 0xFF));
  EXPECT_GE(ReadAt<BYTE>(in, ifiAt + ifi::kLastChar), ReadAt<BYTE>(in, ifiAt + ifi::kFirstChar));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(in[ifiAt + ifi::kPanose + i], os2->panose[i]);

  // The width table: one run of every glyph, the advances of a few checked.
  const size_t widthAt = ReadAt<DWORD>(in, 28);
  ASSERT_EQ(widthAt, ifiAt + ReadAt<DWORD>(in, ifiAt));
  const size_t glyphs = static_cast<size_t>(face->num_glyphs);
  EXPECT_EQ(ReadAt<DWORD>(in, widthAt), 16 + 2 * glyphs);
  EXPECT_EQ(ReadAt<DWORD>(in, widthAt + 4), 1u);
  EXPECT_EQ(ReadAt<USHORT>(in, widthAt + 10), glyphs);
  for (FT_ULong ch :
       {FT_ULong{'A'}, FT_ULong{'W'}, FT_ULong{'i'}, FT_ULong{' '}, FT_ULong{0x20AC}}) {
    FT_UInt g = FT_Get_Char_Index(face.get(), ch);
    ASSERT_NE(g, 0u) << ch;
    ASSERT_EQ(FT_Load_Glyph(face.get(), g, FT_LOAD_NO_SCALE), 0);
    EXPECT_EQ(ReadAt<USHORT>(in, widthAt + 16 + 2 * g), face->glyph->metrics.horiAdvance) << ch;
  }

  // Kerning: every pair of the face, a character being glyph + first character.
  const size_t kerningAt = ReadAt<DWORD>(in, 32);
  ASSERT_EQ(kerningAt, widthAt + 16 + 2 * glyphs);
  const DWORD pairs = ReadAt<DWORD>(in, kerningAt + 4);
  ASSERT_GT(pairs, 100u);
  EXPECT_EQ(ReadAt<DWORD>(in, kerningAt), 10 + 6 * pairs);
  EXPECT_EQ(image.size(), kerningAt + 10 + 6 * size_t{pairs});  // padding written
  const USHORT first = os2->usFirstCharIndex;
  for (DWORD i : {DWORD{0}, pairs / 3, pairs / 2, pairs - 1}) {
    size_t p = kerningAt + 8 + 6 * i;
    FT_UInt left = static_cast<USHORT>(ReadAt<USHORT>(in, p) - first);
    FT_UInt right = static_cast<USHORT>(ReadAt<USHORT>(in, p + 2) - first);
    FT_Vector kern{};
    ASSERT_EQ(FT_Get_Kerning(face.get(), left, right, FT_KERNING_UNSCALED, &kern), 0);
    EXPECT_NE(kern.x, 0) << i;
    EXPECT_EQ(ReadAt<SHORT>(in, p + 4), kern.x) << i;
  }
}

TEST_F(Metrics, AFixedPitchFaceHasNoWidthTableAndTheFixedPitchFlag) {
  const std::string path = DejaVu("DejaVuSansMono.ttf");
  std::vector<BYTE> image = Generate(path);
  FreeTypeFace face(path);
  ASSERT_TRUE(FT_IS_FIXED_WIDTH(face.get()));
  std::span<const BYTE> in(image);
  ASSERT_EQ(CheckUfmImage(in), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(ReadAt<DWORD>(in, 28), 0u);
  EXPECT_EQ(ReadAt<DWORD>(in, 44 + ifi::kInfo), kInfoFixedPitch);
  EXPECT_EQ(ReadAt<BYTE>(in, 44 + ifi::kWinPitchAndFamily), 0x31);  // fixed, Latin text
  EXPECT_EQ(ReadIfiString(in, 44, ifi::kFamilyName), u"DejaVu Sans Mono");
}

TEST_F(Metrics, AFileThatIsNoFontFailsAsAFreeTypeFailure) {
  std::vector<BYTE> image;
  writeFile("C:\\bad.ttf", "not a font at all");
  EXPECT_EQ(BuildMetricsImage("C:\\bad.ttf", 0, image), static_cast<DWORD>(ERROR_GEN_FAILURE));
  EXPECT_EQ(BuildMetricsImage("C:\\missing.ttf", 0, image),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// A face built here without an OS/2 table: the file with its table record renamed.
TEST_F(Metrics, AFaceWithoutItsTablesFailsAsBadFormat) {
  std::vector<BYTE> font = HostBytes(DejaVu("DejaVuSansMono.ttf"));
  for (const char* tag : {"OS/2", "hhea", "post"}) {
    std::vector<BYTE> damaged = font;
    size_t tables = (size_t{damaged[4]} << 8) | damaged[5];
    bool renamed = false;
    for (size_t t = 0; t < tables; ++t) {
      BYTE* record = damaged.data() + 12 + 16 * t;
      if (std::memcmp(record, tag, 4) != 0) continue;
      record[0] = 'z';  // an unknown table now; the file stays readable
      renamed = true;
    }
    ASSERT_TRUE(renamed) << tag;
    std::string name = std::string("C:\\no_") + (tag[0] == 'O' ? "os2" : tag) + ".ttf";
    writeFile(name, std::string(damaged.begin(), damaged.end()));
    std::vector<BYTE> image;
    DWORD rc = BuildMetricsImage(name, 0, image);
    // FreeType itself may refuse a face without hhea; either way nothing is read
    // through the missing table.
    EXPECT_TRUE(rc == ERROR_BAD_FORMAT || rc == ERROR_GEN_FAILURE) << tag << " " << rc;
    if (std::string(tag) != "hhea") {
      EXPECT_EQ(rc, static_cast<DWORD>(ERROR_BAD_FORMAT)) << tag;
    }
  }
}

}  // namespace
}  // namespace trv::dcl::fonts::testing
