// trvufm: what `show` prints of an image and refuses of a damaged one, and the
// metrics `resident` makes from a description.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dcl/fonts/ufm.h"
#include "tools/trvufm/resident.h"
#include "tools/trvufm/show.h"

namespace trv::tools {
namespace {

using dcl::fonts::ReadAt;

std::vector<BYTE> Image(const std::string& line) {
  std::vector<ResidentFont> fonts;
  std::string error;
  EXPECT_TRUE(ParseResidentFonts(line, fonts, error)) << error;
  EXPECT_EQ(fonts.size(), 1u);
  return dcl::fonts::BuildUfmImage(ResidentFaceMetrics(fonts.at(0)));
}

TEST(TrvUfmResident, AFixedAndAVariableResidentFont) {
  std::vector<BYTE> fixed = Image("CPF70.UFM, CPCL Font 7 Size 0, 12, 24, 0x20, 0xFF, fixed\n");
  EXPECT_EQ(ReadAt<DWORD>(fixed, 28), 0u);  // no width table
  EXPECT_EQ(ReadAt<SHORT>(fixed, 44 + dcl::fonts::ifi::kUnitsPerEm), 24);
  EXPECT_EQ(ReadAt<SHORT>(fixed, 44 + dcl::fonts::ifi::kAveCharWidth), 12);
  EXPECT_EQ(ReadAt<DWORD>(fixed, 44 + dcl::fonts::ifi::kInfo), dcl::fonts::kInfoFixedPitch);
  std::vector<BYTE> variable = Image("# a comment\nV.UFM, V, 10, 20, 0x30, 0x39, variable\n");
  DWORD widthAt = ReadAt<DWORD>(variable, 28);
  ASSERT_NE(widthAt, 0u);
  EXPECT_EQ(ReadAt<USHORT>(variable, widthAt + 10), 10);  // ten characters
}

TEST(TrvUfmResident, MalformedLinesNameTheirLine) {
  for (const char* text :
       {"A.UFM, A, 10\n", "A.UFM, A, 0, 20, 32, 126, fixed\n", "A.UFM, A, 10, 20, 126, 32, fixed\n",
        "A.UFM, A, 10, 20, 32, 126, wide\n",
        "# ok\nTOO_LONG_NAME_X.UFM, A, 10, 20, 32, 126, fixed\n"}) {
    std::vector<ResidentFont> fonts;
    std::string error;
    EXPECT_FALSE(ParseResidentFonts(text, fonts, error)) << text;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
  }
}

TEST(TrvUfmShow, ShowsTheFieldsByNameAndRefusesEveryCut) {
  std::vector<BYTE> image = Image("C.UFM, TRV Code 39, 2, 100, 0x20, 0x7E, variable\n");
  std::string text, error;
  ASSERT_TRUE(DescribeUfm(image, text, error)) << error;
  for (const char* expected : {"family name            TRV Code 39\n", "fwdUnitsPerEm",
                               "wcLastChar             126\n", "run 0: glyphs 1..95"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  for (size_t length = 0; length < image.size(); ++length) {
    std::vector<BYTE> cut(image.begin(), image.begin() + static_cast<long>(length));
    std::string out, message;
    EXPECT_FALSE(DescribeUfm(cut, out, message)) << length;
    EXPECT_FALSE(message.empty());
  }
}

}  // namespace
}  // namespace trv::tools
