#include "dcl/units.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace trv::dcl {
namespace {

TEST(UnitCodeTest, StartsAtCentimetres) { EXPECT_EQ(UnitCode().Get(), kUnitCentimetres); }

TEST(UnitCodeTest, TakesOnlyTheThreeUnitsAndAnswersTheRequest) {
  struct Case {
    DWORD requested;
    WORD answer;
    WORD code;  // starting from inches
  };
  const Case cases[] = {
      {0, 0, kUnitInches},
      {1, 1, kUnitMillimetres},
      {2, 2, kUnitCentimetres},
      {3, 3, kUnitInches},
      {4, 4, kUnitInches},
      {0xFFFF, 0xFFFF, kUnitInches},
      {0x10001, 1, kUnitMillimetres},
      {0x10000, 0, kUnitInches},
  };
  for (const Case& c : cases) {
    UnitCode unit;
    unit.Set(kUnitInches);
    EXPECT_EQ(unit.Set(c.requested), c.answer) << c.requested;
    EXPECT_EQ(unit.Get(), c.code) << c.requested;
  }
}

TEST(UnitsTest, ToDotsRoundsToNearestPerAxis) {
  struct Case {
    int x, y, resX, resY, dotsX, dotsY;
  };
  const Case cases[] = {
      {2540, 2540, 203, 300, 203, 300},
      {1270, 1270, 203, 203, 102, 102},  // 101.5 rounds away from zero
      {1000, -1000, 203, 203, 80, -80},  // 79.92
      {0, 5000, 203, 0, 0, 0},
  };
  for (const Case& c : cases) {
    int x = c.x, y = c.y;
    ToDots(x, y, c.resX, c.resY);
    EXPECT_EQ(x, c.dotsX) << c.x << " at " << c.resX;
    EXPECT_EQ(y, c.dotsY) << c.y << " at " << c.resY;
  }
}

TEST(UnitsTest, FromDotsLeavesAnAxisWithoutResolutionAlone) {
  struct Case {
    int x, y, resX, resY, hundredthsX, hundredthsY;
    bool both;
  };
  const Case cases[] = {
      {203, 300, 203, 300, 2540, 2540, true}, {100, 100, 203, 203, 1251, 1251, true},  // 1251.23
      {203, 203, 0, 203, 203, 2540, false},   {203, 203, 203, 0, 2540, 203, false},
      {203, 203, 0, 0, 203, 203, false},
  };
  for (const Case& c : cases) {
    int x = c.x, y = c.y;
    EXPECT_EQ(FromDots(x, y, c.resX, c.resY), c.both) << c.resX << "x" << c.resY;
    EXPECT_EQ(x, c.hundredthsX) << c.resX << "x" << c.resY;
    EXPECT_EQ(y, c.hundredthsY) << c.resX << "x" << c.resY;
  }
}

TEST(UnitsTest, FormatLengthUsesTheUnitsFormats) {
  struct Case {
    int hundredths;
    int unit;
    bool compact;
    const char* text;
  };
  const Case cases[] = {
      {10160, kUnitMillimetres, false, "101.6 mm"},
      {10160, kUnitCentimetres, false, "10.16 cm"},
      {10160, kUnitInches, false, "4.00 in"},
      {10160, kUnitMillimetres, true, "101.6mm"},
      {10160, kUnitCentimetres, true, "10.16cm"},
      {10160, kUnitInches, true, "4.00\""},
      {12345, kUnitMillimetres, false, "123.5 mm"},
      {-254, kUnitInches, false, "-0.10 in"},
      {0, kUnitCentimetres, false, "0.00 cm"},
      {10160, 0, false, "10160.000000"},
      {-7, 9, true, "-7.000000"},
  };
  for (const Case& c : cases) {
    char buffer[32];
    FormatLength(c.hundredths, buffer, sizeof buffer, c.unit, c.compact);
    EXPECT_STREQ(buffer, c.text) << c.hundredths << " unit " << c.unit;
  }
}

// Sizes around the length of "101.6 mm" (8 characters): the text is cut to fit, is
// always terminated, and nothing past the given size is touched.
TEST(UnitsTest, FormatLengthStaysWithinItsSizeAndTerminates) {
  const std::string full = "101.6 mm";
  for (int size = 0; size <= static_cast<int>(full.size()) + 2; ++size) {
    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    FormatLength(10160, buffer, size, kUnitMillimetres, false);
    if (size == 0) {
      EXPECT_EQ(buffer[0], 'X');
    } else {
      size_t kept = std::min(full.size(), static_cast<size_t>(size - 1));
      EXPECT_EQ(std::string(buffer, kept), full.substr(0, kept)) << size;
      EXPECT_EQ(buffer[kept], '\0') << size;
    }
    for (int i = size; i < static_cast<int>(sizeof buffer); ++i) {
      EXPECT_EQ(buffer[i], 'X') << "byte " << i << " at size " << size;
    }
  }
}

TEST(UnitsTest, FormatLengthIgnoresANegativeSize) {
  char buffer[4] = {'X', 'X', 'X', 'X'};
  FormatLength(100, buffer, -1, kUnitMillimetres, false);
  EXPECT_EQ(std::string(buffer, 4), "XXXX");
}

TEST(UnitsTest, ParseLengthReadsTheNumberInTheUnitOfTheFirstSuffix) {
  struct Case {
    const char* text;
    int defaultUnit;
    int hundredths;
  };
  const Case cases[] = {
      {"2.5 cm", kUnitMillimetres, 2500},
      {"4 in", kUnitMillimetres, 10160},
      {"1\"", kUnitMillimetres, 2540},
      {"10", kUnitMillimetres, 1000},
      {"10", kUnitCentimetres, 10000},
      {"10", kUnitInches, 25400},
      {"3 min", kUnitMillimetres, 7620},  // "in" anywhere selects inches
      {"10 mm in", kUnitInches, 1000},    // millimetres come first in the search
      {"5 ml", kUnitInches, 500},
      {"12.7MM", kUnitInches, 1270},
      {"1 Cm", kUnitMillimetres, 1000},
      {"1 IN", kUnitMillimetres, 2540},
      {"1 iN", kUnitMillimetres, 100},  // case-sensitive: no suffix
      {"  -1.5mm", kUnitInches, -150},
      {"+2 mm", kUnitInches, 200},
      {"1e2 mm", kUnitInches, 10000},
      {".5 cm", kUnitInches, 500},
      {"2.999 mm", kUnitInches, 299},  // truncated toward zero
      {"-2.999 mm", kUnitInches, -299},
      {"7", 0, 7},
      {"7.9", 5, 7},
      {"mm", kUnitInches, 0},
      {"abc", kUnitMillimetres, 0},
      {"--1 mm", kUnitMillimetres, 0},
      {"", kUnitMillimetres, 0},
      {"0x10 mm", kUnitMillimetres, 0},  // decimal only
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseLength(c.text, c.defaultUnit), c.hundredths) << '"' << c.text << '"';
  }
}

// Numbers beyond the range of a length saturate instead of turning into whatever an
// out-of-range conversion happens to give.
TEST(UnitsTest, ParseLengthSaturatesOutOfRange) {
  struct Case {
    const char* text;
    int hundredths;
  };
  const Case cases[] = {
      {"99999999 in", INT_MAX}, {"-99999999 in", INT_MIN}, {"1e400 mm", INT_MAX},
      {"-1e400 mm", INT_MIN},   {"1e-400 mm", 0},          {"nan mm", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseLength(c.text, kUnitMillimetres), c.hundredths) << '"' << c.text << '"';
  }
  EXPECT_EQ(ParseLength(nullptr, kUnitMillimetres), 0);
}

TEST(UnitsTest, UnitStepIsOneMillimetreOrATenthOfAnInch) {
  const std::pair<int, int> cases[] = {{1, 100}, {2, 100}, {3, 254}, {0, 0}, {4, 0}};
  for (auto [unit, step] : cases) EXPECT_EQ(GetUnitStep(unit), step) << unit;
}

TEST(UnitCodeTest, LengthsFollowTheCode) {
  UnitCode unit;
  char buffer[16];
  unit.FormatLengthInUserUnit(10160, buffer, sizeof buffer, false);
  EXPECT_STREQ(buffer, "10.16 cm");
  EXPECT_EQ(unit.ParseLength("10"), 10000);
  EXPECT_EQ(unit.GetUnitStep(), 100);

  unit.Set(kUnitInches);
  unit.FormatLengthInUserUnit(10160, buffer, sizeof buffer, true);
  EXPECT_STREQ(buffer, "4.00\"");
  EXPECT_EQ(unit.ParseLength("10"), 25400);
  EXPECT_EQ(unit.ParseLength("10 mm"), 1000);
  EXPECT_EQ(unit.GetUnitStep(), 254);
}

}  // namespace
}  // namespace trv::dcl
