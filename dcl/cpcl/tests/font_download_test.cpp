// A TrueType face downloaded to a CPCL printer: the file that reaches the port is
// taken apart by a decoder of its own here, and every glyph's pixels are compared
// with FreeType's own monochrome rendering of the character.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dcl/cpcl/testing/cpcl_fixture.h"
#include "dcl/fonts/font_download.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl::testing {
namespace {

const char kDejaVu[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

using Pixels = std::set<std::pair<int, int>>;  // (row, column) of black pixels in the cell

// FreeType's own picture of a face at a Windows cell height, read straight from the
// host file.
struct Reference {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  int ascent = 0, height = 0;
  explicit Reference(int cellHeight) {
    EXPECT_EQ(FT_Init_FreeType(&library), 0);
    EXPECT_EQ(FT_New_Face(library, kDejaVu, 0, &face), 0);
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const double scale = double(cellHeight) / (os2->usWinAscent + os2->usWinDescent);
    FT_Set_Char_Size(face, 0,
                     FT_F26Dot6(std::lround(cellHeight * 64.0 * face->units_per_EM /
                                            (os2->usWinAscent + os2->usWinDescent))),
                     72, 72);
    ascent = int(std::lround(os2->usWinAscent * scale));
    height = ascent + int(std::lround(os2->usWinDescent * scale));
  }
  ~Reference() {
    FT_Done_Face(face);
    FT_Done_FreeType(library);
  }
  // Black pixels with the black box's left edge at column max(left bearing, 0).
  Pixels Glyph(int code, int* leftBearing) {
    EXPECT_EQ(FT_Load_Char(face, FT_ULong(code), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO), 0);
    const FT_Bitmap& b = face->glyph->bitmap;
    *leftBearing = face->glyph->bitmap_left;
    const int start = *leftBearing > 0 ? *leftBearing : 0;
    Pixels p;
    for (unsigned r = 0; r < b.rows; ++r)
      for (unsigned x = 0; x < b.width; ++x)
        if (b.buffer[r * b.pitch + x / 8] & (0x80 >> (x % 8)))
          p.insert({ascent - face->glyph->bitmap_top + int(r), start + int(x)});
    return p;
  }
};

struct Decoded {
  std::string name;
  unsigned size = 0, check = 0;
  std::string header;
  int first = 0, last = 0;
  struct Record {
    int compressed, bytesPerRow, top, rows, minusA;
    Pixels pixels;
  };
  std::map<int, Record> records;
  std::string trailer;
};

unsigned Be32(const std::string& s, size_t at) {
  return unsigned(BYTE(s[at])) << 24 | unsigned(BYTE(s[at + 1])) << 16 |
         unsigned(BYTE(s[at + 2])) << 8 | BYTE(s[at + 3]);
}

// Takes the port's bytes apart: the four announcement lines, the text header, the
// offset table and each glyph record (plain or run-length rows). One reader of one
// format, kept whole so that it reads as the format is laid out.
// NOLINTNEXTLINE(readability-function-size)
Decoded Decode(const std::string& port) {
  Decoded d;
  size_t at = 0;
  auto line = [&] {
    size_t end = port.find("\r\n", at);
    std::string l = port.substr(at, end - at);
    at = end + 2;
    return l;
  };
  EXPECT_EQ(line(), "! CISDF");
  d.name = line();
  d.size = unsigned(std::stoul(line(), nullptr, 16));
  d.check = unsigned(std::stoul(line(), nullptr, 16));
  const std::string file = port.substr(at);
  EXPECT_EQ(file.size(), d.size);
  const size_t binary = file.find("-END-FONT-INFO\r\n") + 16;
  d.header = file.substr(0, binary);
  d.first = BYTE(file[binary]);
  d.last = BYTE(file[binary + 1]);
  size_t end = binary + 2 + 4 * size_t(d.last - d.first + 1);
  for (int c = d.first; c <= d.last; ++c) {
    const unsigned offset = Be32(file, binary + 2 + 4 * size_t(c - d.first));
    if (offset == 0) continue;
    size_t p = binary + offset;
    Decoded::Record r{BYTE(file[p]),
                      BYTE(file[p + 1]),
                      BYTE(file[p + 2]),
                      BYTE(file[p + 3]),
                      int(static_cast<signed char>(file[p + 4])),
                      {}};
    const int start = r.minusA < 0 ? -r.minusA : 0;  // the box starts at max(A, 0)
    p += 6;
    auto black = [&](int row, int x) { r.pixels.insert({r.top + row, start + x}); };
    if (!r.compressed) {
      for (int y = 0; y < r.rows; ++y)
        for (int x = 0; x < 8 * r.bytesPerRow; ++x)
          if (BYTE(file[p + size_t(y * r.bytesPerRow + x / 8)]) & (0x80 >> (x % 8))) black(y, x);
      p += size_t(r.rows * r.bytesPerRow);
    } else {
      int y = 0;
      while (y < r.rows) {
        const int head = BYTE(file[p++]);
        const int pairs = head & 0x7F;
        const int repeat = ((head & 0x80) || pairs == 0) ? BYTE(file[p++]) : 1;
        std::vector<int> runs;
        for (int i = 0; i < 2 * pairs; ++i) runs.push_back(BYTE(file[p++]));
        for (int k = 0; k < repeat; ++k, ++y) {
          int x = 0;
          for (size_t i = 0; i < runs.size(); ++i) {
            if (i % 2) {
              for (int j = 0; j < runs[i]; ++j) black(y, x + j);
            }
            x += runs[i];
          }
          EXPECT_LE(x, 8 * r.bytesPerRow) << "code " << c;
        }
      }
    }
    end = std::max(end, p);
    d.records[c] = r;
  }
  d.trailer = file.substr(end);
  unsigned sum = 0;
  for (char ch : file) sum += BYTE(ch);
  EXPECT_EQ(d.check, (0x10000 - (sum & 0xFFFF)) % 0x10000);
  return d;
}

class CpclFontDownload : public trv::testing::FreshMachine {
 protected:
  void SetUp() override {
    FreshMachine::SetUp();
    writeFile(trv::FontsFolder() + "\\DejaVuSans.ttf", trv::testing::ReadHostFile(kDejaVu));
    Script() = PortScript{};
  }
  static fonts::FontDownloadRequest Request(int points, int number, DWORD characters) {
    fonts::FontDownloadRequest r;
    r.faceName = "DejaVu Sans";
    r.points = points;
    r.number = number;
    r.characters = characters;
    return r;
  }
};

TEST_F(CpclFontDownload, GlyphsMatchFreeTypeAndTheEntryIsInstalled) {
  struct Case {
    int points, number;
    DWORD characters;
    int first, last;
    bool compressed;
  } cases[] = {
      {10, 12, fonts::kCharactersNumeric, 48, 57, false},  // 28 dots high: plain rows
      {24, 9, fonts::kCharactersUpperCase, 65, 90, true},  // 67 dots high: run lengths
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.points);
    Script() = PortScript{};
    TestCpcl cpcl;
    std::vector<TextFontEntry> installed;
    std::vector<std::pair<int, int>> steps;
    fonts::FontDownloadRequest request = Request(k.points, k.number, k.characters);
    request.progress = [&](int done, int total) { steps.push_back({done, total}); };
    cpcl.SetFontDownloadRequest(request);
    WORD id = 0xFFFF;
    ASSERT_TRUE(cpcl.AddDownloadFont(&installed, nullptr, &id, nullptr, nullptr)) << GetLastError();

    const int height = k.points * 203 / 72;
    Reference ref(height);
    Decoded d = Decode(Script().written);
    char name[16];
    std::snprintf(name, sizeof name, "%08d.CPF", k.number);
    EXPECT_EQ(d.name, name);
    EXPECT_EQ(d.header, "CISBF\r\n-DESC TAG\r\n-NUMBER " + std::to_string(k.number) +
                            "\r\n-SIZES 1\r\n1 1 " + std::to_string(ref.height * 11 / 10) +
                            "\r\n-END-FONT-INFO\r\n");
    EXPECT_EQ(d.first, k.first);
    EXPECT_EQ(d.last, k.last);
    ASSERT_EQ(int(d.records.size()), k.last - k.first + 1) << "every character has a glyph";
    for (auto& [code, record] : d.records) {
      SCOPED_TRACE(code);
      EXPECT_EQ(record.compressed, k.compressed ? 1 : 0);
      int a = 0;
      EXPECT_EQ(record.pixels, ref.Glyph(code, &a));
      EXPECT_EQ(record.minusA, -a);
      EXPECT_EQ(record.bytesPerRow, int(ref.face->glyph->bitmap.width + 7) / 8);
    }
    const std::string range = std::to_string(k.first) + "-" + std::to_string(k.last);
    const std::string trailer = d.trailer;
    EXPECT_EQ(trailer.substr(0, 3 + 1 + range.size()),
              "RNG" + std::string(1, char(range.size())) + range);
    EXPECT_NE(trailer.find("LOG" + std::string(1, char(28 + 11))), std::string::npos);
    EXPECT_NE(trailer.find("DejaVu SansCEN\x01"
                           "0ENDCISTD"),
              std::string::npos);
    EXPECT_EQ(BYTE(trailer[trailer.size() - 7]) * 256 + BYTE(trailer[trailer.size() - 6]),
              int(trailer.size()));

    // One step per glyph and one for the sending, over a range of last - first + 2.
    const int total = k.last - k.first + 2;
    ASSERT_EQ(int(steps.size()), total);
    EXPECT_EQ(steps.back(), std::make_pair(total, total));

    ASSERT_EQ(installed.size(), 1u);
    EXPECT_EQ(id, installed[0].id);
    EXPECT_STREQ(TextHeapText(installed[0].commandMacro), std::string(name, 8).c_str());
    EXPECT_EQ(installed[0].flags & 0x02, 0x02);
    EXPECT_STREQ(installed[0].info.faceName, "DejaVu Sans");
    EXPECT_EQ(installed[0].info.pointSize, k.points);
  }
}

TEST_F(CpclFontDownload, TheSpaceGetsAnEmptyRecordAndASecondDownloadReplacesTheEntry) {
  TestCpcl cpcl;
  std::vector<TextFontEntry> installed;
  cpcl.AddFont(3, "7 0");
  installed = cpcl.fonts;
  WORD id = 0;
  cpcl.SetFontDownloadRequest(Request(8, 15, fonts::kCharactersStandard));
  ASSERT_TRUE(cpcl.AddDownloadFont(&installed, nullptr, &id, nullptr, nullptr));
  EXPECT_EQ(id, 4);
  Decoded d = Decode(Script().written);
  ASSERT_TRUE(d.records.count(32));
  EXPECT_EQ(d.records[32].rows, 0);
  EXPECT_EQ(d.records[32].bytesPerRow, 0);
  EXPECT_TRUE(d.records[32].pixels.empty());

  Script() = PortScript{};
  cpcl.SetFontDownloadRequest(Request(9, 15, fonts::kCharactersNumeric));
  WORD again = 0;
  ASSERT_TRUE(cpcl.AddDownloadFont(&installed, nullptr, &again, nullptr, nullptr));
  EXPECT_EQ(again, 4);
  ASSERT_EQ(installed.size(), 2u);
  EXPECT_EQ(installed[1].info.pointSize, 9);
  // The answers serve one download: without new ones the dialog would be needed.
  EXPECT_FALSE(cpcl.AddDownloadFont(&installed, nullptr, &again, nullptr, nullptr));
}

TEST_F(CpclFontDownload, AFailedWriteStopsTheDownloadAndInstallsNothing) {
  for (int good = 0; good < 5; ++good) {
    SCOPED_TRACE(good);
    TestCpcl cpcl;
    Script() = PortScript{};
    Script().writesBeforeFail = good;
    std::vector<TextFontEntry> installed;
    cpcl.SetFontDownloadRequest(Request(10, 10, fonts::kCharactersNumeric));
    WORD id = 77;
    EXPECT_FALSE(cpcl.AddDownloadFont(&installed, nullptr, &id, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_WRITE_FAULT));
    EXPECT_TRUE(installed.empty());
    EXPECT_EQ(id, 77);
    const std::string lines[] = {"! CISDF\r\n"};
    if (good >= 1) {
      EXPECT_EQ(Script().written.substr(0, 9), lines[0]);
    }
    if (good < 4) {
      EXPECT_EQ(Script().written.find("CISBF"), std::string::npos);
    }
  }
}

TEST_F(CpclFontDownload, RefusedRequestsSendNothing) {
  struct Case {
    const char* face;
    int points, number;
    DWORD error;
  } cases[] = {
      {"No Such Face", 10, 9, ERROR_FILE_NOT_FOUND},
      {"DejaVu Sans", 10, 8, ERROR_INVALID_PARAMETER},
      {"DejaVu Sans", 10, 21, ERROR_INVALID_PARAMETER},
      {"DejaVu Sans", 0, 9, ERROR_INVALID_PARAMETER},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.face + std::to_string(k.number));
    TestCpcl cpcl;
    std::vector<TextFontEntry> installed;
    fonts::FontDownloadRequest r = Request(k.points, k.number, fonts::kCharactersNumeric);
    r.faceName = k.face;
    cpcl.SetFontDownloadRequest(r);
    WORD id = 0;
    EXPECT_FALSE(cpcl.AddDownloadFont(&installed, nullptr, &id, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), k.error);
    EXPECT_TRUE(Script().written.empty());
    EXPECT_TRUE(installed.empty());
  }
}

}  // namespace
}  // namespace trv::dcl::testing
