#include <gtest/gtest.h>

#include <string>

#include "platform/kernel.h"

namespace {

TEST(CodePage, EveryAnsiByteRoundTripsThroughUtf16) {
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  WCHAR wide[256] = {};
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, all.data(), 255, wide, 256), 255);
  char back[256] = {};
  BOOL usedDefault = TRUE;
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, 255, back, 256, nullptr, &usedDefault), 255);
  EXPECT_EQ(std::string(back, 255), all);
  EXPECT_FALSE(usedDefault);
}

TEST(CodePage, Windows1252SpecialsAndUnassignedBytes) {
  struct Case {
    unsigned char byte;
    char16_t unit;
  } cases[] = {{0x41, u'A'},   {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160},
               {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}};
  for (const Case& c : cases) {
    char in = static_cast<char>(c.byte);
    WCHAR out = 0;
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, &in, 1, &out, 1), 1);
    EXPECT_EQ(out, c.unit) << std::hex << int(c.byte);
  }
}

TEST(CodePage, CharacterWithoutAnsiFormBecomesDefaultChar) {
  const WCHAR text[] = {u'a', 0x4E2D, u'b', 0};
  char out[8] = {};
  BOOL used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 8, nullptr, &used), 4);
  EXPECT_STREQ(out, "a?b");
  EXPECT_TRUE(used);
}

TEST(CodePage, SizeQueriesAndShortBuffers) {
  // -1 counts the terminator; a zero destination size asks for the size.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
  WCHAR small[3];
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, small, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, small, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"xy", -1, nullptr, 0, nullptr, nullptr), 3);
}

TEST(CodePage, Utf8BothWaysAndInvalidInput) {
  const char* utf8 = "\xE2\x82\xAC \xF0\x9F\x98\x80";  // euro sign, space, an emoji
  WCHAR wide[8] = {};
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 8), 5);
  EXPECT_EQ(wide[0], 0x20AC);
  EXPECT_EQ(wide[2], 0xD83D);
  char back[16] = {};
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, back, 16, nullptr, nullptr), 9);
  EXPECT_STREQ(back, utf8);
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC0\x80", -1, wide, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xFF", -1, wide, 8), 3);
  EXPECT_EQ(wide[1], 0xFFFD);
}

TEST(Strings, CaseInsensitiveComparisonAndUpperCase) {
  EXPECT_EQ(lstrcmpiA("Papers", "PAPERS"), 0);
  EXPECT_LT(lstrcmpiA("abc", "ABD"), 0);
  EXPECT_GT(lstrcmpiA("abcd", "ABC"), 0);
  EXPECT_EQ(lstrcmpiA("\xE9t\xE9", "\xC9T\xC9"), 0);  // accented letters of 1252
  EXPECT_EQ(lstrcmpiW(u"\u0161x", u"\u0160X"), 0);
  char text[] =
      "stra\xDF"
      "e \xFF\x9A";
  CharUpperA(text);
  EXPECT_STREQ(text,
               "STRA\xDF"
               "E \x9F\x8A");  // sharp s has no capital in 1252
  char cut[4];
  lstrcpynA(cut, "abcdef", 4);
  EXPECT_STREQ(cut, "abc");
}

TEST(Strings, MulDivRoundsHalfAwayFromZero) {
  struct Case {
    int a, b, c, expected;
  } cases[] = {
      {2540, 203, 2540, 203}, {100, 203, 2540, 8},    {1270, 1, 2540, 1}, {-1270, 1, 2540, -1},
      {1269, 1, 2540, 0},     {203, 2540, 203, 2540}, {5, 3, 0, -1},      {0x7FFFFFFF, 2, 1, -1},
      {-7, 1, 2, -4},         {7, -1, 2, -4},         {7, 1, -2, -4},     {6, 1, 4, 2},
  };
  for (const Case& k : cases)
    EXPECT_EQ(MulDiv(k.a, k.b, k.c), k.expected) << k.a << "*" << k.b << "/" << k.c;
}

}  // namespace
