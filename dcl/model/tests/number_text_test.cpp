// Numbers as the definition and data files write them.
#include "dcl/model/number_text.h"

#include <gtest/gtest.h>

#include "dcl/model/tests/fake_callbacks.h"

namespace trv::dcl {
namespace {

struct NumberCase {
  const char* text;
  DWORD flags;
  LONG expected;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const NumberCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.text) << " flags 0x" << std::hex << c.flags << std::dec;
}

class NumberRules : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberRules, ReadsAsTheFileMeansIt) {
  testing::FakeCallbacks symbols;
  const NumberCase& c = GetParam();
  EXPECT_EQ(ParseNumberField(c.text, c.flags, &symbols), c.expected) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberRules,
    ::testing::Values(
        // decimal and hexadecimal
        NumberCase{"  42\t", 0, 42}, NumberCase{"-17", 0, -17}, NumberCase{"+8", 0, 8},
        NumberCase{"3.99", 0, 3}, NumberCase{"-3.99", 0, -3}, NumberCase{"1e3", 0, 1000},
        NumberCase{"2.5e", 0, 2}, NumberCase{"12abc", 0, 12}, NumberCase{"abc", 0, 0},
        NumberCase{"", 0, 0}, NumberCase{".5", 0, 0}, NumberCase{"0x1F", 0, 31},
        NumberCase{"0x1f", 0, 31}, NumberCase{"0X1f", 0, 31}, NumberCase{"0x1fz9", 0, 31},
        NumberCase{"0xFFFFFFFF", 0, -1}, NumberCase{"0x", 0, 0},
        // scaling: 2.3 * 100 is 229.99999999999997 and 6 * 25.4 * 100 is 15239.999999999998
        // in binary; the scaling error does not cost a hundredth, a real fraction is cut
        NumberCase{"2.3", HUNDREDTHS, 230}, NumberCase{"1.5", HUNDREDTHS, 150},
        NumberCase{"2.999", HUNDREDTHS, 299}, NumberCase{"-2.3", HUNDREDTHS, -230},
        NumberCase{"6", UNITS | INCH_DEFAULT | HUNDREDTHS, 15240},
        NumberCase{"4.1", UNITS | INCH_DEFAULT | HUNDREDTHS, 10414},
        // units act on the number as written
        NumberCase{"100mm", UNITS, 100}, NumberCase{"50MM", UNITS, 50}, NumberCase{"7mM", UNITS, 7},
        NumberCase{"4\"", UNITS, 101}, NumberCase{"6\"", UNITS, 152},
        NumberCase{"4", UNITS | INCH_DEFAULT | HUNDREDTHS, 10160},
        NumberCase{"101.6mm", UNITS | INCH_DEFAULT | HUNDREDTHS, 10160},
        NumberCase{"4", UNITS | HUNDREDTHS, 400},
        // too short to carry a suffix: "mm" alone and a lone quote are no units
        NumberCase{"mm", UNITS | INCH_DEFAULT, 0}, NumberCase{"\"", UNITS, 0},
        NumberCase{"4\"", 0, 4},
        // symbols only where the field takes them
        NumberCase{"DCLDEFAULT", SYMBOLS, 0x4000}, NumberCase{"dcldefault", SYMBOLS, 0x4000},
        NumberCase{" IDI_LABEL ", SYMBOLS, 131}, NumberCase{"ENUMUSEFOR300DPIS", SYMBOLS, 0xFFF3},
        NumberCase{"DCLDEFAULT", 0, 0}, NumberCase{"NOSUCHNAME", SYMBOLS, 0},
        // expressions: "&" ANDs into the running result, "|" and "+" OR
        NumberCase{"0x4000|1", EXPRESSION, 0x4001}, NumberCase{"DCLDEFAULT|1", EXPRESSION, 1},
        NumberCase{"DCLDEFAULT|1", EXPRESSION | SYMBOLS, 0x4001},
        NumberCase{"6|3&5", EXPRESSION, 7},  // (6 AND 3) OR 5
        NumberCase{"6&3", EXPRESSION, 3}, NumberCase{"1+2+4", EXPRESSION, 7},
        NumberCase{"1 | 2", EXPRESSION, 3}, NumberCase{"1|", EXPRESSION, 1},
        // out of range values stay defined
        NumberCase{"1e30", 0, -1}, NumberCase{"4294967296", 0, 0}, NumberCase{"1e999", 0, -1},
        NumberCase{"1e-999", 0, 0}));

TEST(ParseDecimal, ReadsFractionsWithoutLocale) {
  EXPECT_DOUBLE_EQ(ParseDecimal("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(ParseDecimal("1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(ParseDecimal("-.25x"), -0.25);
  EXPECT_DOUBLE_EQ(ParseDecimal("."), 0.0);
}

}  // namespace
}  // namespace trv::dcl
