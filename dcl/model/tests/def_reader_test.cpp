// The reader of section files: opening, lines, sections, keys and fields.
#include "dcl/model/def_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dcl/model/tests/fake_callbacks.h"
#include "dcl/model/text_heap.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl {
namespace {

constexpr const char* kDir = "C:\\drv\\";

class DefReaderTest : public trv::testing::FreshMachine {
 protected:
  // Writes the file and opens it.
  void Load(const std::string& bytes) {
    writeFile(std::string(kDir) + "T.DEF", bytes);
    ASSERT_TRUE(reader.Open(kDir, "T.DEF"));
  }
  std::vector<std::string> AllLines() {
    std::vector<std::string> lines;
    while (reader.NextLine()) lines.push_back(reader.Line());
    return lines;
  }
  // Loads a one-line file and positions on that line for the field readers.
  void OnLine(const std::string& line) {
    Load(line + "\n");
    ASSERT_TRUE(reader.NextLine());
  }

  testing::FakeCallbacks callbacks;
  DefReader reader{&callbacks};
};

TEST_F(DefReaderTest, OpenReportsWhyTheFileCannotBeRead) {
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(reader.Open(kDir, "MISSING.DEF"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(reader.IsOpen());

  writeFile(std::string(kDir) + "EMPTY.DEF", "");
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(reader.Open(kDir, "MISSING.DEF"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(reader.Open(kDir, "EMPTY.DEF"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_READ_FAULT));
}

TEST_F(DefReaderTest, CloseAndRewindNeedAnImage) {
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(reader.Close());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(reader.Rewind());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  Load("a\n");
  EXPECT_TRUE(reader.Close());
  EXPECT_FALSE(reader.NextLine());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(DefReaderTest, LinesSkipBlanksCommentsAndEmptyLines) {
  Load("first\r\n\r\n  \t second  \r; comment\n\t;indented comment\nthird\n\n");
  EXPECT_EQ(AllLines(), (std::vector<std::string>{"first", "second  ", "third"}));
  ASSERT_TRUE(reader.Rewind());
  ASSERT_TRUE(reader.NextLine());
  EXPECT_EQ(reader.Line(), "first");
}

TEST_F(DefReaderTest, TheLastLineIsReadWithoutALineBreak) {
  Load("[S]\nKey=1\nLast=2");
  EXPECT_EQ(AllLines(), (std::vector<std::string>{"[S]", "Key=1", "Last=2"}));
  const char* value = reader.GetKeyValue("S", "Last");
  ASSERT_NE(value, nullptr);
  EXPECT_STREQ(value, "2");
  EXPECT_EQ(reader.CountSectionLines("S"), 2u);
}

TEST_F(DefReaderTest, AZeroByteEndsTheText) {
  Load(std::string("one\ntw\0o\nthree\n", 15));
  EXPECT_EQ(AllLines(), (std::vector<std::string>{"one", "tw"}));
}

TEST_F(DefReaderTest, LinesLongerThan1023CharactersAreRefused) {
  Load(std::string(1023, 'a') + "\n  " + std::string(1024, 'b') + "\nafter\n");
  ASSERT_TRUE(reader.NextLine());
  EXPECT_EQ(reader.Line().size(), 1023u);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(reader.NextLine());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_TRUE(reader.NextLine());  // the long line is passed
  EXPECT_EQ(reader.Line(), "after");
}

TEST_F(DefReaderTest, SectionsAreFoundByNameWithoutRegardToCase) {
  Load("[One]\na\n[Two] \nb\n[two]\nc\nd\n[TWO]\ne\n[Three]\n");
  ASSERT_TRUE(reader.FindSection("TWO"));
  ASSERT_TRUE(reader.NextLine());
  EXPECT_EQ(reader.Line(), "c") << "a header with trailing blanks is not a header";
  EXPECT_EQ(reader.CountSectionLines("two"), 2u) << "the first section of a name counts";
  EXPECT_EQ(reader.CountSectionLines("Three"), 0u);
  ASSERT_TRUE(reader.Rewind());
  SetLastError(0);
  EXPECT_FALSE(reader.FindSection("Four"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_CONFIGURATION));
  EXPECT_EQ(reader.CountSectionLines("Four"), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_CONFIGURATION));
}

TEST_F(DefReaderTest, ALongLineDoesNotHideTheSectionsAfterIt) {
  Load("[Other]\n" + std::string(2000, 'x') + "\n[Wanted]\nKey=5\n");
  EXPECT_TRUE(reader.FindSection("Wanted"));
  const char* value = reader.GetKeyValue("Wanted", "Key");
  ASSERT_NE(value, nullptr);
  EXPECT_STREQ(value, "5");
}

struct KeyCase {
  const char* line;
  const char* key;
  const char* value;  // null: no match
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const KeyCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.line) << " key " << c.key;
}

class KeyLines : public DefReaderTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyLines, MatchWhenTheNameEndsTheWord) {
  const KeyCase& c = GetParam();
  Load(std::string("[Config]\n") + c.line + "\n[Next]\nDots=9\n");
  SetLastError(0);
  const char* value = reader.GetKeyValue("config", c.key);
  if (c.value == nullptr) {
    EXPECT_EQ(value, nullptr) << c.line;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_CONFIGURATION));
  } else {
    ASSERT_NE(value, nullptr) << c.line;
    EXPECT_STREQ(value, c.value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyLines,
    ::testing::Values(KeyCase{"DotsPerMM=8", "Dots", nullptr}, KeyCase{"Dots =8", "Dots", "8"},
                      KeyCase{"Dots:x=8", "Dots", "8"}, KeyCase{"dots=8", "DOTS", "8"},
                      KeyCase{"Dots_x=8", "Dots", nullptr}, KeyCase{"Dots", "Dots", nullptr},
                      KeyCase{"Name= a=b ", "Name", " a=b "}, KeyCase{"Name=", "Name", ""}));

TEST_F(DefReaderTest, AKeyWhoseLineIsTooLongIsAnError) {
  Load("[S]\nShort=1\nLong=" + std::string(1100, '9') + "\nAfter=2\n");
  SetLastError(0);
  EXPECT_EQ(reader.GetKeyValue("S", "Long"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  const char* after = reader.GetKeyValue("S", "After");
  ASSERT_NE(after, nullptr);
  EXPECT_STREQ(after, "2");
}

TEST_F(DefReaderTest, FieldsTakeEscapesAndDropBlanks) {
  OnLine("  a\\,b , c\\\\d\t, ,last\\");
  DWORD t1 = 0, t2 = 0, t3 = 0, t4 = 0, t5 = 0;
  ASSERT_TRUE(reader.ReadText(&t1, 0));
  ASSERT_TRUE(reader.ReadText(&t2, 0));
  ASSERT_TRUE(reader.ReadText(&t3, 0));
  ASSERT_TRUE(reader.ReadText(&t4, 0));
  ASSERT_TRUE(reader.ReadText(&t5, 0));
  EXPECT_STREQ(TextHeapGet(t1), "a,b");
  EXPECT_STREQ(TextHeapGet(t2), "c\\d");
  EXPECT_EQ(t3, 0u) << "an empty text is stored as nothing";
  EXPECT_STREQ(TextHeapGet(t4), "last\\") << "a backslash ending the line stays";
  EXPECT_EQ(t5, 0u) << "a missing field reads as empty";
  for (DWORD t : {t1, t2, t4}) TextHeapFree(t);
}

TEST_F(DefReaderTest, RestOfLineTakesEverythingVerbatim) {
  OnLine("7, X,Y\\,Z  ");
  EXPECT_EQ(reader.ReadNumber(0), 7);
  DWORD macro = 0;
  ASSERT_TRUE(reader.ReadText(&macro, REST_OF_LINE));
  EXPECT_STREQ(TextHeapGet(macro), " X,Y\\,Z  ");
  TextHeapFree(macro);
}

TEST_F(DefReaderTest, ShortAndWordKeepTheirBits) {
  OnLine("0x12345678, 0x12345678, -1");
  EXPECT_EQ(reader.ReadShort(0), 0x5678);
  EXPECT_EQ(reader.ReadWord(0), 0x5678u);
  EXPECT_EQ(reader.ReadWord(0), 0xFFFFu);
}

struct PairCase {
  const char* field;
  DWORD flags;
  bool ok;
  LONG a, b;
  const char* next;  // the field after the pair
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const PairCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.field) << " flags 0x" << std::hex << c.flags << std::dec;
}

class Pairs : public DefReaderTest, public ::testing::WithParamInterface<PairCase> {};

TEST_P(Pairs, ReadAsParenthesisedTwoNumbers) {
  const PairCase& c = GetParam();
  OnLine(std::string(c.field) + ",next");
  LONG a = -7, b = -7;
  SetLastError(0);
  EXPECT_EQ(reader.ReadPair(&a, &b, c.flags) != FALSE, c.ok) << c.field;
  if (!c.ok) {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_CONFIGURATION));
    return;
  }
  EXPECT_EQ(a, c.a);
  EXPECT_EQ(b, c.b);
  DWORD next = 0;
  ASSERT_TRUE(reader.ReadText(&next, 0));
  const char* text = TextHeapGet(next);
  EXPECT_EQ(std::string(text != nullptr ? text : ""), c.next);
  TextHeapFree(next);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pairs,
    ::testing::Values(PairCase{"(10160,15240)", 0, true, 10160, 15240, "next"},
                      PairCase{" \t( 1 , 2 ) ", 0, true, 1, 2, "next"},
                      PairCase{"(100mm,50MM)", UNITS, true, 100, 50, "next"},
                      PairCase{"(4\",6\")", UNITS, true, 101, 152, "next"},
                      PairCase{"(1,2", 0, true, 1, 2,
                               ""},  // b runs to the end of the line, ",next" too
                      PairCase{"1,2", 0, false, 0, 0, ""}, PairCase{"(12)", 0, false, 0, 0, ""},
                      PairCase{"(1;2)", 0, false, 0, 0, ""}, PairCase{"", 0, false, 0, 0, ""}));

TEST_F(DefReaderTest, AStringReferenceReplacesTheText) {
  callbacks.texts[999] = "";
  callbacks.texts[500] = "Loaded";
  OnLine("Label %(999),Name%(500),Plain%(0),Kept%(500,Raw%(500)");
  DWORD t[5] = {};
  for (DWORD& text : t) ASSERT_TRUE(reader.ReadText(&text, TEXT_ID));
  EXPECT_STREQ(TextHeapGet(t[0]), "Label") << "an empty string-table text leaves the cut text";
  EXPECT_STREQ(TextHeapGet(t[1]), "Loaded");
  EXPECT_STREQ(TextHeapGet(t[2]), "Plain");
  EXPECT_STREQ(TextHeapGet(t[3]), "Kept%(500") << "no closing parenthesis, no reference";
  EXPECT_STREQ(TextHeapGet(t[4]), "Loaded");
  for (DWORD text : t) TextHeapFree(text);

  OnLine("Raw%(500)");
  DWORD raw = 0;
  ASSERT_TRUE(reader.ReadText(&raw, 0));
  EXPECT_STREQ(TextHeapGet(raw), "Raw%(500)") << "without TEXT_ID the text stands as written";
  TextHeapFree(raw);
}

TEST_F(DefReaderTest, FixedTextsFillTheirArray) {
  OnLine("abc,0123456789abcdef,0123456789abcdefXYZ");
  char a[16], b[16], c[16];
  std::memset(a, '#', sizeof(a));
  reader.ReadFixedText(a, sizeof(a));
  reader.ReadFixedText(b, sizeof(b));
  reader.ReadFixedText(c, sizeof(c));
  EXPECT_EQ(std::string(a, 16), std::string("abc") + std::string(13, '\0'));
  EXPECT_EQ(std::string(b, 16), "0123456789abcdef") << "sixteen characters, no terminator";
  EXPECT_EQ(std::string(c, 16), "0123456789abcdef");
}

TEST_F(DefReaderTest, OpenJoinsDirectoryAndFileName) {
  writeFile("C:\\drv\\sub\\F.DEF", "[S]\nK=1\n");
  EXPECT_TRUE(reader.Open("C:\\drv\\sub\\", "F.DEF"));
  EXPECT_TRUE(reader.Open(nullptr, "C:\\drv\\sub\\F.DEF"));
  std::string longName(300, 'n');
  SetLastError(0);
  EXPECT_FALSE(reader.Open("C:\\drv\\sub\\", longName.c_str()));
  EXPECT_NE(GetLastError(), 0u);
}

}  // namespace
}  // namespace trv::dcl
