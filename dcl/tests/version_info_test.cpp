#include "dcl/version_info.h"

#include <gtest/gtest.h>

#include <string>

namespace trv::dcl {
namespace {

TEST(VersionNumberTest, PacksUpToFourNumbersFirstInTheLowestByte) {
  struct Case {
    const char* text;
    DWORD packed;
  };
  const Case cases[] = {
      {"1.2.3.4", 0x04030201},
      {"1, 2, 3, 4", 0x04030201},
      {"1 . 2 ,3,  4", 0x04030201},
      {"1.2", 0x00000201},
      {"7", 0x00000007},
      {"300.1", 0x0000012C},        // 300 keeps its low eight bits: 44
      {"255.256.257.258", 0x020100FF},
      {"99999999999.1", 0x000001FF},  // overflowing digits still give the low byte
      {"1.2.3.4.5", 0x04030201},
      {"3.0.0 (build 7)", 0x00000003},
      {"1..2", 0x00000001},
      {"1.x.3", 0x00000001},
      {" 2.1", 0x00000102},
      {"1;2", 0x00000001},
      {"v1.2", 0},
      {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackVersionNumber(c.text), c.packed) << '"' << c.text << '"';
  }
  EXPECT_EQ(PackVersionNumber(nullptr), 0u);
}

TEST(VersionNumberTest, HelpFileNameReplacesOnlyTheFileNamesExtension) {
  struct Case {
    const char* original;
    const char* help;
  };
  const Case cases[] = {
      {"TRVCPL.DLL", "TRVCPL.HLP"},
      {"trvepl.dll", "trvepl.HLP"},
      {"TRVCPL", "TRVCPL.HLP"},
      {"a.b.c", "a.b.HLP"},
      {"C:\\dir.x\\TRVCPL", "C:\\dir.x\\TRVCPL.HLP"},
      {"C:\\dir\\TRVCPL.DLL", "C:\\dir\\TRVCPL.HLP"},
      {"C:x.dll", "C:x.HLP"},
  };
  for (const Case& c : cases) EXPECT_EQ(HelpFileNameFor(c.original), c.help) << c.original;
}

TEST(VersionTextTest, ANullBlockHasNoTexts) {
  EXPECT_EQ(LookupVersionText(nullptr, "ProductName"), "");
  EXPECT_STREQ(GetProductName(nullptr), "");
  EXPECT_STREQ(GetComments(nullptr), "");
  EXPECT_STREQ(GetHelpFileName(nullptr), "");
  EXPECT_EQ(GetVersionNumber(nullptr), 0u);
}

}  // namespace
}  // namespace trv::dcl
