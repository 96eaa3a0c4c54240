// A TrueType face downloaded to an EPL printer as a soft font: the bytes that reach
// the port are taken apart here, and each character's rows, upright and turned, are
// compared with FreeType's own monochrome rendering.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dcl/epl/testing/epl_fixture.h"
#include "dcl/fonts/font_download.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl {
namespace {

using epl::testing::MemoryPort;
using epl::testing::TestEpl;

const char kDejaVu[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
using Pixels = std::set<std::pair<int, int>>;  // (row, column)

// FreeType's picture of each character in a bitmap as wide as its advance and as
// high as the font, baseline at the Windows ascent.
struct Reference {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  int ascent = 0, height = 0;
  explicit Reference(int cellHeight) {
    EXPECT_EQ(FT_Init_FreeType(&library), 0);
    EXPECT_EQ(FT_New_Face(library, kDejaVu, 0, &face), 0);
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const double units = os2->usWinAscent + os2->usWinDescent;
    FT_Set_Char_Size(face, 0, FT_F26Dot6(cellHeight * 64.0 * face->units_per_EM / units + 0.5), 72,
                     72);
    ascent = int(os2->usWinAscent * cellHeight / units + 0.5);
    height = ascent + int(os2->usWinDescent * cellHeight / units + 0.5);
  }
  ~Reference() {
    FT_Done_Face(face);
    FT_Done_FreeType(library);
  }
  Pixels Glyph(int code, int* advance) {
    EXPECT_EQ(FT_Load_Char(face, FT_ULong(code), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO), 0);
    const FT_Bitmap& b = face->glyph->bitmap;
    *advance = int((face->glyph->advance.x + 32) >> 6);
    Pixels p;
    for (unsigned r = 0; r < b.rows; ++r)
      for (unsigned x = 0; x < b.width; ++x) {
        const int row = ascent - face->glyph->bitmap_top + int(r);
        const int column = face->glyph->bitmap_left + int(x);
        if ((b.buffer[r * b.pitch + x / 8] & (0x80 >> (x % 8))) && row >= 0 && row < height &&
            column >= 0 && column < *advance)
          p.insert({row, column});
      }
    return p;
  }
};

struct Character {
  int code, widthByte, thirdByte;
  Pixels pixels;
};
struct SoftFontSeen {
  std::string lead;
  char letter = 0;
  int count = 0, orientation = 0, height = 0;
  std::vector<Character> upright, turned;
  size_t end = 0;
};

// Reads "\nN\n", EK, the ES head and the characters of each form as the printer does.
SoftFontSeen Decode(const std::string& s) {
  SoftFontSeen f;
  size_t at = s.find("ES\"");
  f.lead = s.substr(0, at);
  f.letter = s[at + 3];
  EXPECT_EQ(s[at + 4], '"');
  f.count = BYTE(s[at + 5]);
  f.orientation = BYTE(s[at + 6]);
  f.height = BYTE(s[at + 7]);
  at += 8;
  auto form = [&](std::vector<Character>& out, bool turned) {
    for (int i = 0; i < f.count; ++i) {
      Character c{BYTE(s[at]), BYTE(s[at + 1]), BYTE(s[at + 2]), {}};
      at += 3;
      const int dots = turned ? f.height : c.widthByte;
      const int rows = turned ? c.thirdByte : f.height;
      const int bytes = (dots + 7) / 8;
      if (!turned) {
        EXPECT_EQ(c.thirdByte, bytes);
      } else {
        EXPECT_EQ(c.widthByte, c.thirdByte + 1);
      }
      for (int y = 0; y < rows; ++y)
        for (int x = 0; x < dots; ++x)
          if (BYTE(s[at + size_t(y * bytes + x / 8)]) & (0x80 >> (x % 8))) c.pixels.insert({y, x});
      at += size_t(rows * bytes);
      out.push_back(c);
    }
  };
  if (f.orientation != 1) form(f.upright, false);
  if (f.orientation != 0) form(f.turned, true);
  f.end = at;
  return f;
}

class EplFontDownload : public trv::testing::FreshMachine {
 protected:
  void SetUp() override {
    FreshMachine::SetUp();
    writeFile(trv::FontsFolder() + "\\DejaVuSans.ttf", trv::testing::ReadHostFile(kDejaVu));
    PrinterConfig config;
    config.family = kFamilyEpl;
    config.resolutionX = config.resolutionY = 203;
    epl.SetConfig(config);
    epl::testing::UseMemoryPort(epl, &port);
  }
  void TearDown() override {
    epl.Port().handle = INVALID_HANDLE_VALUE;
    FreshMachine::TearDown();
  }
  static fonts::FontDownloadRequest Request(int points, char letter, BYTE orientation) {
    fonts::FontDownloadRequest r;
    r.faceName = "DejaVu Sans";
    r.points = points;
    r.letter = letter;
    r.orientation = orientation;
    r.characters = fonts::kCharactersNumeric;
    return r;
  }
  MemoryPort port;
  TestEpl epl;
};

TEST_F(EplFontDownload, RowsMatchFreeTypeUprightAndTurned) {
  for (BYTE orientation :
       {fonts::kOrientationUpright, fonts::kOrientationTurned, fonts::kOrientationBoth}) {
    SCOPED_TRACE(int(orientation));
    port.bytes.clear();
    std::vector<TextFontEntry> installed;
    int steps = 0, total = 0;
    fonts::FontDownloadRequest request = Request(12, 'd', orientation);
    request.progress = [&](int done, int all) { steps = done, total = all; };
    epl.SetFontDownloadRequest(request);
    WORD id = 0xFFFF;
    ASSERT_TRUE(epl.AddDownloadFont(&installed, nullptr, &id, nullptr, nullptr)) << GetLastError();

    Reference ref(203 * 12 / 72);
    SoftFontSeen f = Decode(port.bytes);
    EXPECT_EQ(f.lead, "\nN\nEK\"d\"\n");
    EXPECT_EQ(f.letter, 'd');
    EXPECT_EQ(f.count, 10);
    EXPECT_EQ(f.orientation, orientation);
    EXPECT_EQ(f.height, ref.height);
    EXPECT_EQ(f.end, port.bytes.size()) << "nothing after the last character";
    for (int i = 0; i < 10; ++i) {
      int advance = 0;
      const Pixels expected = ref.Glyph('0' + i, &advance);
      SCOPED_TRACE(i);
      if (orientation != fonts::kOrientationTurned) {
        ASSERT_EQ(f.upright.size(), 10u);
        EXPECT_EQ(f.upright[i].code, '0' + i);
        EXPECT_EQ(f.upright[i].widthByte, advance);
        EXPECT_EQ(f.upright[i].pixels, expected);
      }
      if (orientation != fonts::kOrientationUpright) {
        ASSERT_EQ(f.turned.size(), 10u);
        EXPECT_EQ(f.turned[i].code, '0' + i);
        EXPECT_EQ(f.turned[i].thirdByte, advance);
        // Turned clockwise: row y, column x is the upright row height - 1 - x, column y.
        Pixels back;
        for (auto [y, x] : f.turned[i].pixels) back.insert({f.height - 1 - x, y});
        EXPECT_EQ(back, expected);
      }
    }
    EXPECT_EQ(steps, orientation == fonts::kOrientationBoth ? 20 : 10);
    EXPECT_EQ(total, steps);
    ASSERT_EQ(installed.size(), 1u);
    EXPECT_EQ(installed[0].id, id);
    EXPECT_EQ(installed[0].key, 0xFFFFu);
    EXPECT_STREQ(TextHeapText(installed[0].commandMacro), "d");
    EXPECT_EQ(installed[0].flags & 0x02, 0x02);
  }
}

TEST_F(EplFontDownload, TheSameFaceAndSizeReplacesItsEntryAndLetterOnceTheNewFontIsIn) {
  std::vector<TextFontEntry> installed;
  WORD first = 0, second = 0;
  epl.SetFontDownloadRequest(Request(8, 'a', fonts::kOrientationUpright));
  ASSERT_TRUE(epl.AddDownloadFont(&installed, nullptr, &first, nullptr, nullptr));
  port.bytes.clear();
  epl.SetFontDownloadRequest(Request(8, 'b', fonts::kOrientationUpright));
  ASSERT_TRUE(epl.AddDownloadFont(&installed, nullptr, &second, nullptr, nullptr));
  EXPECT_EQ(second, first);
  ASSERT_EQ(installed.size(), 1u);
  EXPECT_STREQ(TextHeapText(installed[0].commandMacro), "b");
  SoftFontSeen f = Decode(port.bytes);
  EXPECT_EQ(f.letter, 'b');
  EXPECT_EQ(port.bytes.substr(f.end), "\nN\nEK\"a\"\n");
  // Another size is another font.
  epl.SetFontDownloadRequest(Request(9, 'c', fonts::kOrientationUpright));
  ASSERT_TRUE(epl.AddDownloadFont(&installed, nullptr, &second, nullptr, nullptr));
  EXPECT_EQ(installed.size(), 2u);
}

TEST_F(EplFontDownload, AFailedWriteInstallsNothingAndDeletesNothing) {
  std::vector<TextFontEntry> installed;
  WORD id = 0;
  epl.SetFontDownloadRequest(Request(8, 'a', fonts::kOrientationUpright));
  ASSERT_TRUE(epl.AddDownloadFont(&installed, nullptr, &id, nullptr, nullptr));
  const int writes = port.writes;
  for (int failAt = 0; failAt < writes; failAt += 3) {
    SCOPED_TRACE(failAt);
    port = MemoryPort{};
    port.failWrite = failAt;
    epl.SetFontDownloadRequest(Request(8, 'b', fonts::kOrientationUpright));
    EXPECT_FALSE(epl.AddDownloadFont(&installed, nullptr, &id, nullptr, nullptr));
    ASSERT_EQ(installed.size(), 1u);
    EXPECT_STREQ(TextHeapText(installed[0].commandMacro), "a");
    EXPECT_EQ(port.bytes.find("EK\"a\""), std::string::npos) << "the old font stays";
  }
}

TEST_F(EplFontDownload, RefusedRequestsAndDeletionReportWhatHappened) {
  struct Case {
    const char* face;
    int points;
    char letter;
    DWORD error;
  } cases[] = {
      {"No Such Face", 10, 'a', ERROR_FILE_NOT_FOUND},
      {"DejaVu Sans", 10, 'A', ERROR_INVALID_PARAMETER},
      {"DejaVu Sans", 0, 'a', ERROR_INVALID_PARAMETER},
      // 281 dots high: more rows than the height byte holds, refused before sending.
      {"DejaVu Sans", 100, 'a', ERROR_INVALID_PARAMETER},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.points);
    port.bytes.clear();
    std::vector<TextFontEntry> installed;
    fonts::FontDownloadRequest r = Request(k.points, k.letter, fonts::kOrientationUpright);
    r.faceName = k.face;
    epl.SetFontDownloadRequest(r);
    WORD id = 0;
    EXPECT_FALSE(epl.AddDownloadFont(&installed, nullptr, &id, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), k.error);
    EXPECT_EQ(port.bytes.size(), 0u);
    EXPECT_TRUE(installed.empty());
  }
  port = MemoryPort{};
  EXPECT_TRUE(epl.DeleteDownloadFont("c", nullptr));
  EXPECT_EQ(port.bytes.substr(0, 6), "EK\"c\"\n");
  // A printer that takes nothing: the deletion reports it.
  epl.Port().writePort = [](HANDLE, LPBYTE, DWORD, LPDWORD written) -> BOOL {
    *written = 0;
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  };
  EXPECT_FALSE(epl.DeleteDownloadFont("c", nullptr)) << "a deletion that did not go out";
}

}  // namespace
}  // namespace trv::dcl
