// The language compiler: sources to language files and back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "language/lng_format.h"
#include "tools/lngc/compiler.h"

namespace {

using trv::lngc::Compile;
using trv::lngc::Compiled;

std::string Errors(const Compiled& compiled) {
  std::string all;
  for (const auto& d : compiled.errors) all += std::to_string(d.line) + ": " + d.message + "\n";
  return all;
}

TEST(Lngc, CompilesTextsAsWrittenInTheAnsiCodePage) {
  const std::string source =
      "\xEF\xBB\xBF# English texts\r\n"
      "\n"
      "   # an indented comment\n"
      "1012\tPrinter Setup Wizard\r\n"
      "1040    Line one\\nLine two\n"
      "12410\t x \n"
      "12409\t\n"
      "2000\tCaf\xC3\xA9 \xE2\x82\xAC 5\n";  // "Café € 5" in UTF-8
  const Compiled compiled = Compile(source, 256);
  ASSERT_TRUE(compiled.errors.empty()) << Errors(compiled);
  EXPECT_EQ(compiled.file.kind, 256u);
  const std::vector<trv::lng::Entry> expected = {
      {1012, "Printer Setup Wizard"},  // CR of a CR LF line is not part of the text
      {1040, "Line one\\nLine two"},   // the loader, not the compiler, makes the line break
      {12410, " x "},                  // after a tab, blanks belong to the text
      {12409, ""},
      {2000, "Caf\xE9 \x80 5"},
  };
  ASSERT_EQ(compiled.file.entries.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(compiled.file.entries[i].number, expected[i].number);
    EXPECT_EQ(compiled.file.entries[i].text, expected[i].text);
  }
}

TEST(Lngc, AListingCompilesBackToTheSameFile) {
  const std::string source =
      "7\tseven\n"
      "3\t  leading blanks, trailing blank \n"
      "4294967295\tna\xC3\xAFve \xE2\x80\x9Cquotes\xE2\x80\x9D\\n\n";
  const Compiled compiled = Compile(source, 0);
  ASSERT_TRUE(compiled.errors.empty()) << Errors(compiled);
  const std::vector<BYTE> bytes = trv::lng::Encode(compiled.file);
  std::string listing;
  ASSERT_TRUE(trv::lngc::List(bytes, listing));
  EXPECT_EQ(listing.substr(0, listing.find('\n')), "# kind 0, 3 entries");
  const Compiled again = Compile(listing, 0);
  ASSERT_TRUE(again.errors.empty()) << Errors(again) << listing;
  EXPECT_EQ(trv::lng::Encode(again.file), bytes);
}

TEST(Lngc, TheLimitIs255BytesOfTheStoredText) {
  // 255 characters that take two bytes each in UTF-8 but one in Windows-1252.
  std::string fits;
  for (int i = 0; i < 255; ++i) fits += "\xC3\xA9";
  EXPECT_TRUE(Compile("1\t" + fits + "\n", 0).errors.empty());
  const Compiled tooLong = Compile("1\t" + fits + "e\n", 0);
  ASSERT_EQ(tooLong.errors.size(), 1u);
  EXPECT_NE(tooLong.errors[0].message.find("256 bytes"), std::string::npos);
}

struct ErrorCase {
  const char* source;
  int line;
  const char* message;  // a part of it
};

TEST(Lngc, BadLinesAreReportedWithTheirLineNumbers) {
  const ErrorCase cases[] = {
      {"# texts\nx\tno number\n", 2, "must start with a text number"},
      {"12a\ttext\n", 1, "expected a tab or spaces"},
      {"1\tok\n\n1234\n", 3, "expected a tab or spaces"},
      {"4294967296\ttoo big\n", 1, "out of range"},
      {"1\tsnow \xE2\x98\x83\n", 1, "U+2603 has no Windows-1252 form"},
      {"1\tclef \xF0\x9D\x84\x9E\n", 1, "U+1D11E has no Windows-1252 form"},
      {"1\tbroken \xC3\n", 1, "not valid UTF-8"},
      {"5\tfirst\n6\tother\n5\tsecond\n", 3, "text number 5 already given on line 1"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Compiled compiled = Compile(c.source, 0);
    ASSERT_EQ(compiled.errors.size(), 1u) << Errors(compiled);
    EXPECT_EQ(compiled.errors[0].line, c.line);
    EXPECT_NE(compiled.errors[0].message.find(c.message), std::string::npos)
        << compiled.errors[0].message;
  }
}

TEST(Lngc, EveryBadLineIsReported) {
  const Compiled compiled = Compile("a\n1\tok\nb\n", 0);
  ASSERT_EQ(compiled.errors.size(), 2u);
  EXPECT_EQ(compiled.errors[0].line, 1);
  EXPECT_EQ(compiled.errors[1].line, 3);
}

TEST(Lngc, ListingRefusesAnIncompleteFile) {
  std::vector<BYTE> bytes = trv::lng::Encode({256, {{1, "one"}}});
  bytes.pop_back();
  std::string listing;
  EXPECT_FALSE(trv::lngc::List(bytes, listing));
}

}  // namespace
