// Sections read into tables: the generic rules of ReadSection and the four
// sections of the model definition file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dcl/model/def_reader.h"
#include "dcl/model/section_parsers.h"
#include "dcl/model/tests/fake_callbacks.h"
#include "dcl/model/text_heap.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl {
namespace {

constexpr const char* kDir = "C:\\drv\\";

// A record of two numbers whose text field counts its own releases.
struct Probe {
  LONG first;
  LONG second;
  DWORD inits;
};

int g_frees = 0;
void InitProbe(Probe& p) { p.inits = 1; }
void FreeProbe(Probe&) { ++g_frees; }
BOOL ParseProbe(Probe& p, DefReader& reader) {
  p.first = reader.ReadNumber(0);
  LONG a = 0, b = 0;
  if (!reader.ReadPair(&a, &b, 0)) return FALSE;
  p.second = a + b;
  return TRUE;
}

class SectionTest : public trv::testing::FreshMachine {
 protected:
  void Load(const std::string& bytes) {
    writeFile(std::string(kDir) + "T.DEF", bytes);
    ASSERT_TRUE(reader.Open(kDir, "T.DEF"));
    g_frees = 0;
  }
  testing::FakeCallbacks callbacks;
  DefReader reader{&callbacks};
};

TEST_F(SectionTest, EachLineBecomesAnEntryAfterTheExistingOnes) {
  Load("[P]\n1,(2,3)\nKey=4,(5,6)\n[Q]\n9,(9,9)\n");
  std::vector<Probe> table{{100, 200, 0}};
  ASSERT_TRUE(reader.ReadSection("P", table, InitProbe, FreeProbe, ParseProbe));
  EXPECT_EQ(GetLastError(), 0u);
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0].first, 100);
  EXPECT_EQ(table[1].first, 1);
  EXPECT_EQ(table[1].second, 5);
  EXPECT_EQ(table[2].first, 0) << "a key line is read as a record";
  EXPECT_EQ(table[2].second, 11);
  EXPECT_EQ(table[1].inits, 1u);
  EXPECT_EQ(table[0].inits, 0u) << "only the new entries are initialised";
}

TEST_F(SectionTest, AMissingOrEmptySectionLeavesTheTableAlone) {
  Load("[Empty]\n[Other]\n1,(1,1)\n");
  std::vector<Probe> table{{1, 2, 0}};
  SetLastError(0xdeadbeef);
  EXPECT_TRUE(reader.ReadSection("Missing", table, InitProbe, FreeProbe, ParseProbe));
  EXPECT_EQ(GetLastError(), 0u);
  SetLastError(0xdeadbeef);
  EXPECT_TRUE(reader.ReadSection("Empty", table, InitProbe, FreeProbe, ParseProbe));
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(table.size(), 1u);
}

TEST_F(SectionTest, AFailingLineReleasesTheWholeTable) {
  Load("[P]\n1,(2,3)\n2,broken\n3,(4,5)\n");
  std::vector<Probe> table{{100, 200, 0}};
  SetLastError(0);
  EXPECT_FALSE(reader.ReadSection("P", table, InitProbe, FreeProbe, ParseProbe));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_CONFIGURATION));
  EXPECT_TRUE(table.empty());
  EXPECT_EQ(g_frees, 4) << "free runs on every entry, old and new, parsed or not";
}

TEST_F(SectionTest, ATooLongLineFailsTheSection) {
  Load("[P]\n1,(2,3)\n" + std::string(1500, '7') + "\n");
  std::vector<Probe> table;
  SetLastError(0);
  EXPECT_FALSE(reader.ReadSection("P", table, InitProbe, FreeProbe, ParseProbe));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_TRUE(table.empty());
}

TEST_F(SectionTest, NullArgumentsAreRefused) {
  Load("[P]\n1,(2,3)\n");
  std::vector<Probe> table;
  SetLastError(0);
  EXPECT_FALSE(reader.ReadSection(nullptr, table, InitProbe, FreeProbe, ParseProbe));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(reader.ReadSection<Probe>("P", table, nullptr, FreeProbe, ParseProbe));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(reader.ReadSection<Probe>("P", table, InitProbe, nullptr, ParseProbe));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(reader.ReadSection<Probe>("P", table, InitProbe, FreeProbe, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// ---- the four sections -----------------------------------------------------------

template <class Entry>
std::vector<Entry> ReadAll(DefReader& reader, const char* section,
                           BOOL (*parse)(Entry&, DefReader&), void (*free)(Entry&)) {
  std::vector<Entry> table;
  EXPECT_TRUE(reader.ReadSection(section, table, InitEntry<Entry>, free, parse));
  return table;
}

std::string Text(DWORD handle) {
  const char* t = TextHeapGet(handle);
  return t != nullptr ? t : "";
}

std::string Fixed(const char (&field)[16]) { return std::string(field, strnlen(field, 16)); }

TEST_F(SectionTest, PaperLines) {
  callbacks.texts[999] = "";
  Load(
      "[PAPERS]\n"
      "2,3,Label%(999), IDI_LABEL, (10160,15240), (0,0), (0,0), 0x4000|1\n"
      "ENUMUSEFORALL,PAPER_USER,User,0,(4\",6\"),(1mm,2),(5,6),DCLDEFAULT|1\n");
  auto papers = ReadAll(reader, kPapersSection, ParsePaper, FreePaper);
  ASSERT_EQ(papers.size(), 2u);
  const PaperEntry& p = papers[0];
  EXPECT_EQ(p.key, 2u);
  EXPECT_EQ(p.id, 3);
  EXPECT_EQ(Text(p.name), "Label");
  EXPECT_EQ(p.icon, 131u);
  EXPECT_EQ(p.width, 10160);
  EXPECT_EQ(p.height, 15240);
  EXPECT_EQ(p.widthDots, 0) << "values the file does not give stay 0";
  EXPECT_EQ(p.flags, 0x4001);
  const PaperEntry& u = papers[1];
  EXPECT_EQ(u.key, ANY_KEY);
  EXPECT_EQ(u.id, 0);
  EXPECT_EQ(u.width, 101);
  EXPECT_EQ(u.height, 152);
  EXPECT_EQ(u.left, 1);
  EXPECT_EQ(u.top, 2);
  EXPECT_EQ(u.usableWidth, 5);
  EXPECT_EQ(u.usableHeight, 6);
  EXPECT_EQ(u.flags, 1) << "the paper flags take no symbol names";
  for (PaperEntry& e : papers) FreePaper(e);
}

TEST_F(SectionTest, FontLinesSetMultipliersAndScalableSize) {
  Load(
      "[FONTS]\n"
      "ENUMUSEFOR200DPIS,1,Font 1,7,DCLDEFAULT,(4,0),tt.ttf,f1.ufm,0x04,T X,Y,Z\n"
      "0xFFFF,2,Font 2,8,0,(0,3),,0123456789abcdefgh,0,\n"
      "1,3,Font 3,9,0,(0,0),,,0x10\n");
  auto fonts = ReadAll(reader, kFontsSection, ParseTextFont, FreeTextFont);
  ASSERT_EQ(fonts.size(), 3u);
  const TextFontEntry& a = fonts[0];
  EXPECT_EQ(a.key, 0xFFF2u);
  EXPECT_EQ(a.slotId, 7u);
  EXPECT_EQ(a.flags, 0x4000);
  EXPECT_EQ(a.maxMultiplierX, 4);
  EXPECT_EQ(Fixed(a.info.trueTypeFile), "tt.ttf");
  EXPECT_EQ(Fixed(a.info.metricsFile), "f1.ufm");
  EXPECT_EQ(a.info.flags, 0x04u | 0x100u);
  EXPECT_EQ(a.info.pointSize, -1);
  EXPECT_EQ(a.info.defaultMultiplierX, 1u);
  EXPECT_EQ(a.info.defaultMultiplierY, 0u);
  EXPECT_EQ(Text(a.commandMacro), "T X,Y,Z") << "the macro runs to the end of the line";
  const TextFontEntry& b = fonts[1];
  EXPECT_EQ(b.info.flags, 0x200u);
  EXPECT_EQ(b.info.defaultMultiplierY, 1u);
  EXPECT_EQ(b.info.pointSize, 0);
  EXPECT_EQ(std::string(b.info.metricsFile, 16), "0123456789abcdef");
  EXPECT_EQ(b.commandMacro, 0u);
  EXPECT_EQ(fonts[2].info.flags, 0x10u);
  for (TextFontEntry& e : fonts) FreeTextFont(e);
}

struct BarcodeFileCase {
  trv::Platform platform;
  const char* written;
  const char* expected;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const BarcodeFileCase& c, std::ostream* os) {
  *os << "platform " << static_cast<int>(c.platform) << ", " << c.written;
}

class BarcodeFiles : public SectionTest, public ::testing::WithParamInterface<BarcodeFileCase> {};

TEST_P(BarcodeFiles, TheNTFamilyUsesItsOwnBarcodeFont) {
  const BarcodeFileCase& c = GetParam();
  trv::SetPlatform(c.platform);
  Load(std::string("[BARCODES]\n5,6,Code 128,128,DCLDEFAULT,") + c.written +
       ",b.ufm,2,B128 {data}, more\n");
  auto codes = ReadAll(reader, kBarcodesSection, ParseBarcodeFont, FreeBarcodeFont);
  ASSERT_EQ(codes.size(), 1u);
  const BarcodeFontEntry& b = codes[0];
  EXPECT_EQ(b.key, 5u);
  EXPECT_EQ(b.id, 6);
  EXPECT_EQ(Text(b.name), "Code 128");
  EXPECT_EQ(Text(b.symbology), "128");
  EXPECT_EQ(b.flags, 0x4000);
  EXPECT_EQ(Fixed(b.info.trueTypeFile), c.expected);
  EXPECT_EQ(Fixed(b.info.metricsFile), "b.ufm");
  EXPECT_EQ(b.info.flags, 2u);
  EXPECT_EQ(Text(b.commandMacro), "B128 {data}, more");
  FreeBarcodeFont(codes[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BarcodeFiles,
    ::testing::Values(BarcodeFileCase{trv::Platform::Win2000OrLater, "TRVBAR.TTF", "trvbarnt.ttf"},
                      BarcodeFileCase{trv::Platform::NT4, "trvbar.ttf", "trvbarnt.ttf"},
                      BarcodeFileCase{trv::Platform::Win2000OrLater, "Other.TTF", "other.ttf"},
                      BarcodeFileCase{trv::Platform::Win98, "TRVBAR.TTF", "TRVBAR.TTF"}));

TEST_F(SectionTest, BarcodeOptionLines) {
  Load(
      "[BARCODEOPTIONS]\n"
      "6,0x12,2,Height,50,DCLDEFAULT|DCLNAME,0x11\n"
      "ENUMUSEFORALL,0x13,1,Ratio,,DCLSETCHILDSTONULL,0\n");
  auto options = ReadAll(reader, kBarcodeOptionsSection, ParseBarcodeOption, FreeBarcodeOption);
  ASSERT_EQ(options.size(), 2u);
  EXPECT_EQ(options[0].key, 6u);
  EXPECT_EQ(options[0].optionId, 0x12);
  EXPECT_EQ(options[0].secondId, 2);
  EXPECT_EQ(Text(options[0].name), "Height");
  EXPECT_EQ(Text(options[0].value), "50");
  EXPECT_EQ(options[0].flags, 0x4040);
  EXPECT_EQ(options[0].secondValue, 0x11);
  EXPECT_EQ(options[1].key, ANY_KEY);
  EXPECT_EQ(options[1].value, 0u);
  EXPECT_EQ(options[1].flags, 0x0400);
  for (BarcodeOptionEntry& e : options) FreeBarcodeOption(e);
}

TEST_F(SectionTest, AFailingLineLeavesNoTextBehind) {
  Load(
      "[PAPERS]\n1,1,Kept name,0,(1,2),(0,0),(0,0),0\n2,2,Lost name,0,(1,2),broken\n"
      "[FONTS]\n1,1,Font,0,0,(1,1),,,0,macro\n2,2,Font 2,0,0,(1\n");
  size_t before = TextHeapCount();
  std::vector<PaperEntry> papers;
  EXPECT_FALSE(
      reader.ReadSection(kPapersSection, papers, InitEntry<PaperEntry>, FreePaper, ParsePaper));
  std::vector<TextFontEntry> fonts;
  EXPECT_FALSE(reader.ReadSection(kFontsSection, fonts, InitEntry<TextFontEntry>, FreeTextFont,
                                  ParseTextFont));
  EXPECT_TRUE(papers.empty());
  EXPECT_TRUE(fonts.empty());
  EXPECT_EQ(TextHeapCount(), before);
}

}  // namespace
}  // namespace trv::dcl
