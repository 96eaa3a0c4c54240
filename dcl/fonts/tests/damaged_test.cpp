// Damaged metrics images: every cut and a table of corrupted offsets are refused by
// every reader without a read outside the image (the sanitizer build watches), and
// scaling holds products at the limits of their fields.
#include <cstring>
#include <string>
#include <vector>

#include "dcl/fonts/tests/fonts_fixture.h"
#include "platform/stand_in.h"
#include "platform/winreg.h"

namespace trv::dcl::fonts::testing {
namespace {

// A small face of the suite's own: proportional, with two kerning pairs.
FaceMetrics SmallFace() {
  FaceMetrics f;
  f.family = u"Small";
  f.style = u"Regular";
  f.unitsPerEm = 1000;
  f.winAscender = 800;
  f.winDescender = 200;
  f.aveCharWidth = 500;
  f.maxCharInc = 900;
  f.firstChar = 0x20;
  f.lastChar = 0x7E;
  f.fontBox[0] = -50;
  f.fontBox[1] = -200;
  f.fontBox[2] = 850;
  f.fontBox[3] = 800;
  f.widths = {500, 250, 600, 700};
  f.kerning = {{1, 2, -40}, {2, 3, 25}};
  return f;
}

class Damaged : public FontMachine {
 protected:
  // Stores an image as "UFM:T.UFM" and loads it back, scaled.
  FontMetrics* Load(const std::vector<BYTE>& image, FontInfo info = {}) {
    EXPECT_EQ(RegSetValueExA(driverData, "UFM:T.UFM", 0, REG_BINARY, image.data(),
                             static_cast<DWORD>(image.size())),
              ERROR_SUCCESS);
    std::strcpy(info.metricsFile, "T.UFM");
    return LoadFontMetrics(driverData, info, TRUE);
  }
};

template <class T>
void Put(std::vector<BYTE>& image, size_t at, T value) {
  auto v = static_cast<std::uint64_t>(value);
  for (size_t i = 0; i < sizeof(T); ++i) image[at + i] = static_cast<BYTE>(v >> (8 * i));
}

TEST(UfmImage, TheLayoutOfASmallFaceByteForByte) {
  std::vector<BYTE> image = BuildUfmImage(SmallFace());
  // 44 header + 184 + slots (Small: 12 x 3, Regular: 16) + widths 16 + 8 + kerning 10 + 12.
  const size_t cjThis = 184 + 3 * 12 + 16;
  ASSERT_EQ(image.size(), 44 + cjThis + 24 + 22);
  std::span<const BYTE> in(image);
  EXPECT_EQ(ReadAt<DWORD>(in, 28), 44 + cjThis);
  EXPECT_EQ(ReadAt<DWORD>(in, 32), 44 + cjThis + 24);
  const size_t w = 44 + cjThis;
  const BYTE widthTable[] = {24, 0, 0, 0, 1,    0, 0,    0, 1,    0, 4,    0,
                             16, 0, 0, 0, 0xF4, 1, 0xFA, 0, 0x58, 2, 0xBC, 2};
  EXPECT_EQ(std::vector<BYTE>(image.begin() + w, image.begin() + w + 24),
            std::vector<BYTE>(std::begin(widthTable), std::end(widthTable)));
  const BYTE kerning[] = {22, 0,    0,    0,    2, 0,    0, 0,  0x21, 0, 0x22,
                          0,  0xD8, 0xFF, 0x22, 0, 0x23, 0, 25, 0,    0, 0};
  EXPECT_EQ(std::vector<BYTE>(image.begin() + w + 24, image.end()),
            std::vector<BYTE>(std::begin(kerning), std::end(kerning)));
  EXPECT_EQ(ReadAt<DWORD>(in, 44 + ifi::kStyleName), 184u + 24);
  EXPECT_EQ(ReadAt<DWORD>(in, 44 + ifi::kUniqueName), 184u + 24 + 16);
}

TEST_F(Damaged, EveryCutOfAnImageIsRefused) {
  std::vector<BYTE> image = BuildUfmImage(SmallFace());
  for (size_t length = 0; length < image.size(); ++length) {
    // An exact-size copy, so that the sanitizer sees any read past the cut.
    std::vector<BYTE> cut(image.begin(), image.begin() + static_cast<long>(length));
    EXPECT_EQ(CheckUfmImage(cut), static_cast<DWORD>(ERROR_BAD_FORMAT)) << length;
    SetLastError(0);
    FontMetrics* m = Load(cut);
    EXPECT_EQ(m, nullptr) << length;
    if (length > 0) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT)) << length;
    }
    FreeFontMetrics(m);
  }
  FontMetrics* whole = Load(image);
  ASSERT_NE(whole, nullptr);
  EXPECT_TRUE(FreeFontMetrics(whole));
  SetLastError(0);
  EXPECT_FALSE(FreeFontMetrics(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Damaged, CorruptedOffsetsAndSizesAreRefused) {
  const std::vector<BYTE> good = BuildUfmImage(SmallFace());
  const DWORD size = static_cast<DWORD>(good.size());
  const DWORD widthAt = ReadAt<DWORD>(good, 28), kerningAt = ReadAt<DWORD>(good, 32);
  struct Case {
    const char* what;
    size_t at;
    DWORD value;
  };
  const Case cases[] = {
      {"total size past the image", 0, size + 1},
      {"total size below the header", 0, 43},
      {"IFIMETRICS past the image", 20, size},
      {"IFIMETRICS near the end", 20, size - 100},
      {"cjThis past the image", 44, size},
      {"cjThis below its block", 44, 100},
      {"family name outside the block", 44 + 8, 5000},
      {"face name inside the fixed part", 44 + 16, 10},
      {"driver info past the image", 16, size + 8},
      {"width table past the image", 28, size},
      {"width table size past the image", widthAt, 0x7FFFFFFF},
      {"width runs past the table", widthAt + 4, 100},
      {"widths past the table", widthAt + 12, 20},
      {"kerning past the image", 32, size - 4},
      {"kerning size past the image", kerningAt, 1000},
      {"kerning count past its block", kerningAt + 4, 3},
      {"kerning count that wraps", kerningAt + 4, 0x40000000},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> image = good;
    Put<DWORD>(image, c.at, c.value);
    EXPECT_EQ(CheckUfmImage(image), static_cast<DWORD>(ERROR_BAD_FORMAT)) << c.what;
    FontMetrics* m = Load(image);
    EXPECT_EQ(m, nullptr) << c.what;
    FreeFontMetrics(m);
  }
  // An unterminated name runs to the end of its block and is refused there.
  std::vector<BYTE> image = good;
  const DWORD cjThis = ReadAt<DWORD>(good, 44);
  for (size_t p = 44 + 184; p < 44 + cjThis; ++p) image[p] = 'A';
  EXPECT_EQ(CheckUfmImage(image), static_cast<DWORD>(ERROR_BAD_FORMAT));
}

TEST_F(Damaged, ScalingMultipliesTheFieldsAndHoldsProductsAtTheirLimits) {
  std::vector<BYTE> image = BuildUfmImage(SmallFace());
  FontInfo info{};
  info.flags = 0x300;
  info.defaultMultiplierX = 3;
  info.defaultMultiplierY = 50;
  FontMetrics* m = Load(image, info);
  ASSERT_NE(m, nullptr) << GetLastError();
  std::span<const BYTE> in(m->image);
  EXPECT_EQ(ReadAt<SHORT>(in, 44 + ifi::kAveCharWidth), 1500);
  EXPECT_EQ(ReadAt<SHORT>(in, 44 + ifi::kMaxCharInc), 2700);
  EXPECT_EQ(ReadAt<LONG>(in, 44 + ifi::kFontBoxLeft), -150);
  EXPECT_EQ(ReadAt<SHORT>(in, 44 + ifi::kUnitsPerEm), 32767);   // 50000 held, not -15536
  EXPECT_EQ(ReadAt<SHORT>(in, 44 + ifi::kWinAscender), 32767);  // 40000
  EXPECT_EQ(ReadAt<SHORT>(in, 44 + ifi::kWinDescender), 10000);
  EXPECT_EQ(ReadAt<LONG>(in, 44 + ifi::kFontBoxTop), -10000);
  LONG value = 0;
  EXPECT_TRUE(GetFontMetric(m, kMetricUnitsPerEm, &value, 4));
  EXPECT_EQ(value, 32767);
  EXPECT_TRUE(GetFontMetric(m, kMetricAverageWidth, &value, 4));
  EXPECT_EQ(value, 1500);
  SetLastError(0);
  EXPECT_FALSE(GetFontMetric(m, 3, &value, 4));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(GetFontMetric(m, 1, &value, 2));
  FreeFontMetrics(m);

  // Negative values are held at the bottom of their range.
  FaceMetrics face = SmallFace();
  face.typoDescender = -1000;
  info.defaultMultiplierY = 40;
  m = Load(BuildUfmImage(face), info);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(ReadAt<SHORT>(m->image, 44 + ifi::kTypoDescender), -32768);
  FreeFontMetrics(m);

  // Without the flags, or unscaled, the image is what was stored.
  info.flags = 0;
  m = Load(image, info);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->image, image);
  FreeFontMetrics(m);
}

TEST_F(Damaged, LoadingNeedsAMetricsNameAndTheKey) {
  FontInfo info{};
  SetLastError(0);
  EXPECT_EQ(LoadFontMetrics(driverData, info, TRUE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  std::strcpy(info.metricsFile, "NONE.UFM");
  EXPECT_EQ(LoadFontMetrics(driverData, info, TRUE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(LoadFontMetrics(nullptr, info, TRUE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANTOPEN));
}

TEST_F(Damaged, TheFaceNameOfAMetricsFile) {
  WriteHostFile(host(place.driverDirectory + "S.UFM"), BuildUfmImage(SmallFace()));
  char name[6];
  ASSERT_TRUE(ReadMetricsFaceName(place.driverDirectory, "S.UFM", name, sizeof name));
  EXPECT_STREQ(name, "Small");
  EXPECT_FALSE(ReadMetricsFaceName(place.driverDirectory, "S.UFM", name, 5));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> image = BuildUfmImage(SmallFace());
  Put<DWORD>(image, 44 + ifi::kFaceName, 0);
  Put<DWORD>(image, 44 + ifi::kFamilyName, 0);
  WriteHostFile(host(place.driverDirectory + "N.UFM"), image);
  EXPECT_FALSE(ReadMetricsFaceName(place.driverDirectory, "N.UFM", name, sizeof name));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT));
}

}  // namespace
}  // namespace trv::dcl::fonts::testing
