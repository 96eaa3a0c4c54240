// setup's language list from lang.csv.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "language/language_list.h"
#include "platform/kernel.h"
#include "platform/testing/fixtures.h"

namespace {

using trv::LanguageListEntry;
using trv::ParseLanguageLine;

struct LineCase {
  const char* line;  // as read, line break included
  bool used;
  const char* text;
  int identifier;
};

TEST(LanguageListLine, FieldsFollowTheTokenScanRules) {
  const LineCase cases[] = {
      {"1033,\"UK\",\"English\",\n", true, "UK - English", 1033},
      // The line break stays with the last field: the closing quotation mark
      // survives when no comma follows the name.
      {"1033,\"UK\",\"English\"\n", true, "UK - English\"", 1033},
      {"1033,\"UK\",\"English\"", true, "UK - English", 1033},
      // Leading commas are skipped and a run of commas is one separator.
      {",,1031,,,\"DE\",\"Deutsch\",,\n", true, "DE - Deutsch", 1031},
      // The code keeps at most three characters.
      {"1036,\"FRAN\",\"Fran\xE7\x61is\",\n", true, "FRA - Fran\xE7\x61is", 1036},
      {"1043,\"N\",\"Nederlands\",\n", true, "N - Nederlands", 1043},
      // A name of three characters or fewer becomes empty, quotation marks and all.
      {"1033,\"UK\",\"A\",\n", true, "UK - ", 1033},
      {"1033,\"UK\",\"Ab\",\n", true, "UK - Ab", 1033},
      {"1033,\"UK\",\n", true, "UK - ", 1033},
      {"English,\"UK\",\"English\",\n", true, "UK - English", 0},
      {" -12x,\"UK\",\"English\",\n", true, "UK - English", -12},
      // Ignored: fewer than three fields, or a code field of two characters or fewer.
      {"1033,\"UK\"\n", false, "", 0},
      {"1033,UK,\"English\",\n", false, "", 0},
      {"\n", false, "", 0},
      {",,,\n", false, "", 0},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.line);
    const auto entry = ParseLanguageLine(c.line);
    ASSERT_EQ(entry.has_value(), c.used);
    if (!entry) continue;
    EXPECT_EQ(entry->text, c.text);
    EXPECT_EQ(entry->identifier, c.identifier);
  }
}

class LanguageList : public trv::testing::FreshMachine {};

TEST_F(LanguageList, AMissingFileGivesAnEmptyList) {
  std::vector<LanguageListEntry> list = {{"stale", 1}};
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(trv::ReadLanguageList("C:\\Setup\\", list));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(list.empty());
}

TEST_F(LanguageList, TheFileIsReadAsTextInFileOrder) {
  writeFile("C:\\Setup\\lang.csv",
            "1033,\"UK\",\"English\"\r\n"  // CR LF reads as LF: the quotation mark stays
            "\r\n"
            "1031,\"DE\",\"Deutsch\",\r\n"
            "junk\n"
            "2057,\"EN\",\"English (UK)\"\x1a"  // Ctrl-Z ends the text
            "1036,\"FR\",\"Fran\xE7\x61is\",\n");
  std::vector<LanguageListEntry> list;
  ASSERT_TRUE(trv::ReadLanguageList("C:\\Setup\\", list));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].text, "UK - English\"");
  EXPECT_EQ(list[1].text, "DE - Deutsch");
  EXPECT_EQ(list[1].identifier, 1031);
  EXPECT_EQ(list[2].text, "EN - English (UK)");
  EXPECT_EQ(list[2].identifier, 2057);
}

TEST_F(LanguageList, ALongLineIsReadInPiecesOf519Characters) {
  const std::string head = "1033,\"UK\",\"";
  const std::string line = head + std::string(600, 'x') + "\",\n";
  writeFile("C:\\Setup\\lang.csv", line + "1031,\"DE\",\"Deutsch\",\n");
  std::vector<LanguageListEntry> list;
  ASSERT_TRUE(trv::ReadLanguageList("C:\\Setup\\", list));
  // The first piece ends inside the name, which loses its first and last
  // character; the rest of the line is a piece of its own with two fields.
  const std::size_t nameInFirstPiece = 519 - head.size() - 1;
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].text, "UK - " + std::string(nameInFirstPiece, 'x'));
  EXPECT_EQ(list[1].text, "DE - Deutsch");
}

}  // namespace
