// Downloaded fonts on a CPCL printer: the CISDF file, its compressed glyph rows, its
// announcement and the deletion command.
#include <gtest/gtest.h>

#include <string>

#include "dcl/cpcl/cisdf.h"
#include "dcl/cpcl/tests/cpcl_job.h"
#include "platform/kernel.h"

namespace trv::dcl::testing {
namespace {

// A glyph from rows of '#' (black) and '.', padded to whole bytes.
CisdfGlyph Glyph(const std::vector<std::string>& rows, int top = 0) {
  CisdfGlyph g;
  g.top = top;
  g.rows = static_cast<int>(rows.size());
  g.bytesPerRow = rows.empty() ? 0 : static_cast<int>((rows[0].size() + 7) / 8);
  g.b = rows.empty() ? 0 : static_cast<int>(rows[0].size());
  g.bits.assign(static_cast<size_t>(g.rows) * g.bytesPerRow, 0);
  for (int y = 0; y < g.rows; ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      if (rows[y][x] == '#')
        g.bits[y * g.bytesPerRow + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
  return g;
}

TEST(CisdfRows, LongRunsRepeatsAndBlankRows) {
  // 300 white, 2 black: 254, 0, 46, 2.
  std::vector<BYTE> out;
  ASSERT_TRUE(CompressGlyphRows(Glyph({std::string(300, '.') + "##" + std::string(2, '.')}), out));
  EXPECT_EQ(out, (std::vector<BYTE>{0x02, 254, 0, 46, 2}));
  out.clear();
  // A blank row once; two equal rows; a row starting black.
  ASSERT_TRUE(CompressGlyphRows(Glyph({"........", "..##....", "..##....", "#......#"}), out));
  EXPECT_EQ(out, (std::vector<BYTE>{0x80, 1, 0x81, 2, 2, 2, 0x02, 0, 1, 6, 1}));
}

TEST(CisdfRows, TooManyChangesLeaveTheGlyphPlain) {
  std::string stripes;
  for (int i = 0; i < 130; ++i) stripes += ".#";
  std::vector<BYTE> out;
  EXPECT_FALSE(CompressGlyphRows(Glyph({stripes}), out));
  CisdfFont font;
  font.first = font.last = 65;
  font.compress = true;
  font.glyphs = {Glyph({stripes})};
  bool fitted = false;
  std::vector<BYTE> file = BuildCisdfFile(font, fitted);
  EXPECT_TRUE(fitted);
  const std::string text(file.begin(), file.end());
  const size_t record = text.find("-END-FONT-INFO\r\n") + 16 + 2 + 4;
  EXPECT_EQ(file[record], 0);  // stored plain
  EXPECT_EQ(file[record + 1], 33);
}

TEST(CisdfFile, LayoutOfASmallFont) {
  CisdfFont font;
  font.number = 12;
  font.cellHeight = 20;
  font.first = 65;
  font.last = 67;
  font.logFont = std::vector<BYTE>(28, 0);
  for (char c : std::string("Face")) font.logFont.push_back(static_cast<BYTE>(c));
  CisdfGlyph a = Glyph({".##.", "#..#"}, 3);
  a.a = -1;
  a.c = 2;
  font.glyphs = {a, std::nullopt, Glyph({"#"}, 5)};
  font.glyphs.back()->bits.assign(300, 0);  // wider than 254 bytes per row
  font.glyphs.back()->bytesPerRow = 300;
  bool fitted = true;
  std::vector<BYTE> file = BuildCisdfFile(font, fitted);
  EXPECT_FALSE(fitted);
  const std::string head =
      "CISBF\r\n-DESC TAG\r\n-NUMBER 12\r\n-SIZES 1\r\n1 1 20\r\n-END-FONT-INFO\r\n";
  ASSERT_EQ(std::string(file.begin(), file.begin() + static_cast<long>(head.size())), head);
  const size_t bin = head.size();
  EXPECT_EQ(file[bin], 65);
  EXPECT_EQ(file[bin + 1], 67);
  // Offsets: A's record right after the table, B and C none.
  EXPECT_EQ((std::vector<BYTE>(file.begin() + static_cast<long>(bin) + 2,
                               file.begin() + static_cast<long>(bin) + 14)),
            (std::vector<BYTE>{0, 0, 0, 14, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ((std::vector<BYTE>(file.begin() + static_cast<long>(bin) + 14,
                               file.begin() + static_cast<long>(bin) + 22)),
            (std::vector<BYTE>{0, 1, 3, 2, 1, 8 - 4 - 2, 0x60, 0x90}));
  const std::string trailer(file.begin() + static_cast<long>(bin) + 22, file.end());
  const std::string expected = std::string("RNG\x05") + "65-67" + "LOG" + char(32) +
                               std::string(28, '\0') + "Face" + "CEN\x01" + "0" + "ENDCISTD";
  ASSERT_EQ(trailer.substr(0, expected.size()), expected);
  const size_t length = expected.size() + 2 + 5;
  EXPECT_EQ(static_cast<BYTE>(trailer[expected.size()]), length >> 8);
  EXPECT_EQ(static_cast<BYTE>(trailer[expected.size() + 1]), length & 0xFF);
  EXPECT_EQ(trailer.size(), length);
}

TEST(CisdfSend, AnnouncementAndFile) {
  // 1234 bytes that sum to 0x12345: check value 0xDCBB.
  std::vector<BYTE> file(1234, 0);
  DWORD sum = 0x12345;
  for (BYTE& b : file) {
    b = static_cast<BYTE>(sum > 255 ? 255 : sum);
    sum -= b;
  }
  EXPECT_EQ(CisdfCheckValue(file), 0xDCBB);
  EXPECT_EQ(CisdfFontName(9), "00000009");
  TestCpcl layer;
  ASSERT_TRUE(layer.SendDownloadFont(CisdfFontName(9), file, nullptr));
  const std::string lines = "! CISDF\r\n00000009.CPF\r\n000004D2\r\nDCBB\r\n";
  EXPECT_EQ(Script().written, lines + std::string(file.begin(), file.end()));
  // A failed write stops the rest.
  TestCpcl failing;
  Script().writesBeforeFail = 2;
  EXPECT_FALSE(failing.SendDownloadFont("00000009", file, nullptr));
  EXPECT_EQ(Script().written, "! CISDF\r\n00000009.CPF\r\n");
}

TEST(CisdfDelete, WritesTheCommandAndReportsTheWrite) {
  TestCpcl layer;
  EXPECT_TRUE(layer.DeleteDownloadFont("00000012", nullptr));
  EXPECT_EQ(Script().written, "! U1 DELETE 00000012.CPF\n");
  EXPECT_TRUE(layer.DeleteDownloadFont(nullptr, nullptr));
  Script().failWrites = 1;
  EXPECT_FALSE(layer.DeleteDownloadFont("00000012", nullptr));
}

}  // namespace
}  // namespace trv::dcl::testing
