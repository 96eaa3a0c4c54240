// Loading the model definition file into the tables, the built-in lists, the
// lookups over them and the defaults a new document takes.
#include "dcl/model/model_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dcl/model/builtin_tables.h"
#include "dcl/model/doc_defaults.h"
#include "dcl/model/lookups.h"
#include "dcl/model/tests/fake_callbacks.h"
#include "dcl/model/text_heap.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl {
namespace {

constexpr const char* kDir = "C:\\drv\\";

const char* kDefinition =
    "; a small CPCL model definition\n"
    "[PAPERS]\n"
    "ENUMUSEFORALL,PAPER_USER,User,IDI_LABEL,(5000,5000),(0,0),(0,0),1\n"
    "ENUMUSEFORALL,2,4 x 6,IDI_LABEL,(10160,15240),(0,0),(0,0),DCLDEFAULT|2\n"
    "[FONTS]\n"
    "ENUMUSEFORALL,1,Font 0,0,DCLDEFAULT,(0,0),,f0.ufm,0,T 0 0\n"
    "ENUMUSEFOR200DPIS,2,Font 7,7,0,(2,2),,f7.ufm,0,T 7 0\n"
    "3,3,Other model,7,0,(0,0),,f9.ufm,0,T 9 0\n"
    "[BARCODES]\n"
    "ENUMUSEFORALL,1,Code 39,39,DCLDEFAULT,,c39.ufm,0,BARCODE 39\n"
    "[BARCODEOPTIONS]\n"
    "1,0x10,1,Height,50,DCLDEFAULT,0\n";

class ModelTablesTest : public trv::testing::FreshMachine {
 protected:
  BOOL LoadDefinition(const std::string& text) {
    writeFile(std::string(kDir) + "TRVCPL.DEF", text);
    return LoadModelDefinition(tables, kDir, "TRVCPL.DEF", &callbacks, {});
  }
  testing::FakeCallbacks callbacks;
  ModelTables tables;
};

TEST_F(ModelTablesTest, TheDefinitionFileFillsFourTablesAndTheRestIsBuiltIn) {
  ASSERT_TRUE(LoadDefinition(kDefinition));
  EXPECT_EQ(tables.papers.size(), 2u);
  EXPECT_EQ(tables.textFonts.size(), 3u);
  EXPECT_EQ(tables.barcodeFonts.size(), 1u);
  EXPECT_EQ(tables.barcodeOptions.size(), 1u);

  ASSERT_EQ(tables.models.size(), 1u);
  EXPECT_EQ(tables.models[0].key, 0u);
  EXPECT_EQ(tables.models[0].id, 1);
  EXPECT_EQ(tables.models[0].name, 10001u);
  EXPECT_EQ(tables.models[0].secondName, 10001u);
  EXPECT_EQ(tables.models[0].icon, 127u);
  ASSERT_EQ(tables.monitors.size(), 1u);
  EXPECT_EQ(tables.monitors[0].key, ANY_KEY);
  EXPECT_STREQ(TextHeapGet(tables.monitors[0].portName), "Local Port");
  EXPECT_STREQ(TextHeapGet(tables.monitors[0].library), "LOCALSPL.DLL");
  EXPECT_EQ(tables.monitors[0].icon, 0u);
  EXPECT_EQ(tables.monitors[0].flags, 0xB110);
  ASSERT_EQ(tables.trays.size(), 1u);
  EXPECT_EQ(tables.trays[0].name, 12248u);
  EXPECT_EQ(tables.trays[0].icon, 132u);
  EXPECT_EQ(tables.trays[0].flags, DCLDEFAULT);
  ASSERT_EQ(tables.ribbons.size(), 1u);
  EXPECT_STREQ(TextHeapGet(tables.ribbons[0].name), "BLACK");
  ASSERT_EQ(tables.subRibbons.size(), 1u);
  EXPECT_EQ(tables.subRibbons[0].key, 1u);
  EXPECT_STREQ(TextHeapGet(tables.subRibbons[0].name), "K");
  EXPECT_EQ(tables.subRibbons[0].attributes, 0x20020023u);
  ASSERT_EQ(tables.ribbonOptions.size(), 1u);
  EXPECT_EQ(tables.ribbonOptions[0].flags, 0x4300);
  EXPECT_TRUE(tables.subOptions.empty());
  EXPECT_TRUE(tables.options.empty());
}

TEST_F(ModelTablesTest, FreeConfigurationReleasesTheFileTextsOnly) {
  BuiltIns();  // the built-in texts are made once per process, on first use
  size_t before = TextHeapCount();
  ASSERT_TRUE(LoadDefinition(kDefinition));
  DWORD port = tables.monitors[0].portName;
  EXPECT_GT(TextHeapCount(), before);
  FreeConfiguration(tables);
  EXPECT_EQ(TextHeapCount(), before);
  EXPECT_TRUE(tables.papers.empty());
  EXPECT_TRUE(tables.models.empty());
  EXPECT_TRUE(tables.monitors.empty());
  EXPECT_STREQ(TextHeapGet(port), "Local Port") << "built-in texts outlive the tables";
  ASSERT_TRUE(LoadDefinition(kDefinition)) << "the tables load again after a release";
  EXPECT_EQ(tables.papers.size(), 2u);
}

TEST_F(ModelTablesTest, AFailingSectionReleasesEveryTable) {
  BuiltIns();
  size_t before = TextHeapCount();
  // A broken pair in the fonts section, after the papers were read.
  std::string text = kDefinition;
  text.replace(text.find("(2,2)"), 5, "2,2");
  SetLastError(0);
  EXPECT_FALSE(LoadDefinition(text));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_CONFIGURATION));
  EXPECT_TRUE(tables.papers.empty());
  EXPECT_TRUE(tables.textFonts.empty());
  EXPECT_TRUE(tables.models.empty());
  EXPECT_EQ(TextHeapCount(), before);
}

TEST_F(ModelTablesTest, AMissingDefinitionFileFailsWithTheFileError) {
  writeFile(std::string(kDir) + "OTHER", "x");
  SetLastError(0);
  EXPECT_FALSE(LoadModelDefinition(tables, kDir, "NONE.DEF", &callbacks, {}));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(tables.models.empty());
}

TEST_F(ModelTablesTest, IconIdentifiersBecomeHandles) {
  ASSERT_TRUE(LoadDefinition(kDefinition));
  std::vector<WORD> asked;
  ResolveIcons(tables, [&](WORD id) -> DWORD {
    asked.push_back(id);
    return id == 132 ? 0 : 0x70000u + id;
  });
  EXPECT_EQ(tables.models[0].icon, 0x70000u + 127);
  EXPECT_EQ(tables.monitors[0].icon, 0u) << "no icon stays none";
  EXPECT_EQ(tables.trays[0].icon, 0u) << "an icon that cannot be loaded becomes null";
  EXPECT_EQ(tables.papers[0].icon, 0x70000u + 131);
  EXPECT_EQ(asked, (std::vector<WORD>{127, 132, 131, 131}));
}

// ---- lookups ---------------------------------------------------------------------

TEST_F(ModelTablesTest, KeysMatchTheirParentOrAnyParent) {
  ASSERT_TRUE(LoadDefinition(kDefinition));
  struct Case {
    DWORD key;
    DWORD fonts;
  };
  for (Case c : {Case{3, 2}, Case{0x10003, 2}, Case{1, 1}, Case{0xFFF2, 2}, Case{0xFFFF, 1}}) {
    EXPECT_EQ(GetTextFontCount(tables, c.key), c.fonts) << c.key;
  }
  const TextFontEntry* second = GetTextFont(tables, 3, 1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->id, 3);
  EXPECT_EQ(GetTextFont(tables, 3, 2), nullptr);
  EXPECT_EQ(GetPaperCount(tables, 1), 2u);
  EXPECT_EQ(GetTrayCount(tables, 42), 1u);
  EXPECT_EQ(GetRibbonCount(tables, 7), 1u);
  EXPECT_EQ(GetBarcodeFontCount(tables, 9), 1u);
  EXPECT_EQ(GetModelCount(tables), 1u);
  EXPECT_NE(GetModel(tables, 0), nullptr);
  EXPECT_EQ(GetModel(tables, 1), nullptr);
}

TEST_F(ModelTablesTest, SubRibbonsAndRibbonOptionsMatchExactly) {
  ASSERT_TRUE(LoadDefinition(kDefinition));
  tables.subRibbons.push_back(SubRibbonEntry{ANY_KEY, 2, 0, 0, 0});
  tables.ribbonOptions.push_back(RibbonOptionEntry{ANY_KEY, 2, 0, 0, 0, 0x0100, 0});
  EXPECT_EQ(GetSubRibbonCount(tables, 1), 1u);
  EXPECT_EQ(GetSubRibbonCount(tables, 2), 0u) << "ANY_KEY is no wildcard for sub-ribbons";
  EXPECT_EQ(GetSubRibbonCount(tables, 0xFFFF), 1u);
  EXPECT_EQ(GetSubRibbonCount(tables, 0x10001), 0u) << "the whole key must match";
  EXPECT_EQ(GetRibbonOptionCount(tables, 1, 0x0100), 1u);
  EXPECT_EQ(GetRibbonOptionCount(tables, 1, 0x0200), 1u);
  EXPECT_EQ(GetRibbonOptionCount(tables, 1, 0x0400), 0u);
  EXPECT_EQ(GetRibbonOptionCount(tables, 2, 0x0300), 0u);
  EXPECT_EQ(GetRibbonOptionCount(tables, 0xFFFF, 0x0200), 0u) << "the mask must meet a flag";
  const RibbonOptionEntry* any = GetRibbonOption(tables, 0xFFFF, 0x0100, 0);
  ASSERT_NE(any, nullptr);
  EXPECT_EQ(any->id, 2);
}

struct PlatformCase {
  trv::Platform platform;
  DWORD visible;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const PlatformCase& c, std::ostream* os) {
  *os << "platform " << static_cast<int>(c.platform);
}

class MonitorPlatforms : public ModelTablesTest,
                         public ::testing::WithParamInterface<PlatformCase> {};

TEST_P(MonitorPlatforms, TheLocalPortExistsWhereItsBitsSay) {
  ASSERT_TRUE(LoadDefinition(kDefinition));
  trv::SetPlatform(GetParam().platform);
  WORD bit = RunningPlatformBit();
  EXPECT_EQ(GetMonitorCount(tables, 1, bit), GetParam().visible);
  EXPECT_EQ(GetMonitor(tables, 1, 0, bit) != nullptr, GetParam().visible == 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, MonitorPlatforms,
                         ::testing::Values(PlatformCase{trv::Platform::Win95, 1},
                                           PlatformCase{trv::Platform::Win98, 1},
                                           PlatformCase{trv::Platform::WinMe, 1},
                                           PlatformCase{trv::Platform::NT4, 0},
                                           PlatformCase{trv::Platform::Win2000OrLater, 1}));

OptionEntryEx Option(DWORD key, WORD id, WORD help) {
  OptionEntryEx e{};
  e.base.key = key;
  e.base.optionId = id;
  e.base.helpId = help;
  e.base.flags = 1;
  e.thirdText = 77;
  e.parentId = 0xFFFC;
  return e;
}

TEST_F(ModelTablesTest, OptionsAreThoseThePrinterSupports) {
  std::vector<OptionEntryEx> options{Option(ANY_KEY, 0x1004, 11), Option(1, 0x2001, 12),
                                     Option(2, 0x3008, 13), Option(1, 0x1004, 14)};
  writeFile(std::string(kDir) + "TRVCPL.DEF", kDefinition);
  ASSERT_TRUE(LoadModelDefinition(tables, kDir, "TRVCPL.DEF", &callbacks, options));
  callbacks.supportAll = false;
  callbacks.supported = {0x1004, 0x3008};
  EXPECT_EQ(GetOptionCount(tables, 1, callbacks), 2u);
  const OptionEntry* second = GetOption(tables, 1, 1, callbacks);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->helpId, 14);
  const OptionEntryEx* ex = GetOptionEx(tables, 2, 1, callbacks);
  ASSERT_NE(ex, nullptr);
  EXPECT_EQ(ex->base.optionId, 0x3008);
  EXPECT_EQ(ex->thirdText, 77u);
  EXPECT_EQ(GetOption(tables, 1, 2, callbacks), nullptr);
  EXPECT_EQ(GetOptionHelpId(tables, 0x1004), 11) << "the help of the ANY_KEY entry";
  EXPECT_EQ(GetOptionHelpId(tables, 0x2001), 0);
}

TEST_F(ModelTablesTest, PlainOptionsAreServedInTheExtendedForm) {
  ASSERT_TRUE(LoadDefinition(kDefinition));
  tables.options.push_back(Option(ANY_KEY, 0x1004, 21).base);
  tables.options.push_back(Option(ANY_KEY, 0x1005, 22).base);
  EXPECT_EQ(GetOptionCount(tables, 5, callbacks), 2u);
  const OptionEntryEx* ex = GetOptionEx(tables, 5, 1, callbacks);
  ASSERT_NE(ex, nullptr);
  EXPECT_EQ(ex->base.optionId, 0x1005);
  EXPECT_EQ(ex->thirdText, 0u) << "the fields a plain entry lacks read as 0";
  EXPECT_EQ(ex->parentId, 0);
  EXPECT_EQ(GetOptionHelpId(tables, 0x1005), 22);
}

TEST_F(ModelTablesTest, SubOptionQueries) {
  ASSERT_TRUE(LoadDefinition(kDefinition));
  DWORD heapText = TextHeapAdd("Fast");
  callbacks.texts[300] = "Slow";
  tables.subOptions = {
      {0x3008, 1, 0, 0, 2, 0x10, 0},
      {0x3008, 1, 0, 0, 6, 0x20, 0},
      {0x3008, 1, 0, 0, 9, 0x20, 0},
      {0x3008, 2, 300, 5, 2, 0, 0},
      {0x3008, 2, heapText, 0, 6, 0x4000, 0},
      {0x3012, 4, 0, 0, 0, 0, 0},
      {0x3012, 1, 0, 0, 3, 0, 0},
  };
  EXPECT_TRUE(HasOptionRange(tables, 0x3008));
  EXPECT_EQ(GetOptionMinimum(tables, 0x3008), 2);
  EXPECT_EQ(GetOptionMaximum(tables, 0x3008), 6) << "the first high limit";
  EXPECT_EQ(GetOptionMinimum(tables, 0x3012), 0) << "no low limit";
  EXPECT_EQ(GetOptionMaximum(tables, 0x3012), -1) << "no high limit";
  EXPECT_FALSE(HasOptionRange(tables, 0x1004));
  EXPECT_TRUE(HasOptionChoices(tables, 0x3008));
  EXPECT_FALSE(HasOptionChoices(tables, 0x3012));
  EXPECT_EQ(GetOptionChoiceCount(tables, 0x3008), 2u);
  EXPECT_EQ(GetOptionChoiceValue(tables, 0x3008, 1), 6);
  EXPECT_EQ(GetOptionChoiceText(tables, 0x3008, 0, callbacks), "Slow");
  EXPECT_EQ(GetOptionChoiceText(tables, 0x3008, 1, callbacks), "Fast");
  EXPECT_EQ(GetOptionChoiceText(tables, 0x3008, 2, callbacks), "");
  ASSERT_NE(GetOptionChoice(tables, 0x3008, 1), nullptr);
  EXPECT_EQ(GetOptionChoice(tables, 0x3008, 1)->flags, 0x4000);
  EXPECT_EQ(GetOptionChoice(tables, 0x3008, 0)->icon, 5u);
  EXPECT_TRUE(IsOptionFreeText(tables, 0x3012));
  EXPECT_FALSE(IsOptionFreeText(tables, 0x3008));
  TextHeapFree(heapText);
}

// ---- defaults ----------------------------------------------------------------------

TEST_F(ModelTablesTest, DefaultsOfTheBuiltInModel) {
  ASSERT_TRUE(LoadDefinition(kDefinition));
  TableLists lists(tables);
  DocDefaults d = GetDocDefaults(lists, 1);
  EXPECT_EQ(d.tray, 1);
  EXPECT_EQ(d.paper, 2) << "the flagged paper";
  EXPECT_EQ(d.ribbon, 1);
  EXPECT_EQ(d.placement, 2) << "bits 0-1 of the default paper's flags";
  EXPECT_EQ(d.ribbonOption, 1);
  EXPECT_EQ(d.complementaryRibbonOption, 0)
      << "the ribbon's only sub-ribbon belongs to the default option: nothing is left";
}

struct DefaultsFixture {
  std::vector<TrayEntry> trays;
  std::vector<PaperEntry> papers;
  std::vector<RibbonEntry> ribbons;
  std::vector<SubRibbonEntry> subRibbons;
  std::vector<RibbonOptionEntry> ribbonOptions;
  DocDefaults expected;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const DefaultsFixture& c, std::ostream* os) {
  *os << c.trays.size() << " trays, " << c.papers.size() << " papers, " << c.ribbons.size()
      << " ribbons, " << c.subRibbons.size() << " sub-ribbons, " << c.ribbonOptions.size()
      << " ribbon options";
}

PaperEntry Paper(DWORD key, WORD id, WORD flags) {
  PaperEntry p{};
  p.key = key;
  p.id = id;
  p.flags = flags;
  return p;
}

class Defaults : public ::testing::TestWithParam<DefaultsFixture> {};

TEST_P(Defaults, FollowTheFlaggedOrLastEntry) {
  const DefaultsFixture& f = GetParam();
  ModelTables tables;
  tables.trays = f.trays;
  tables.papers = f.papers;
  tables.ribbons = f.ribbons;
  tables.subRibbons = f.subRibbons;
  tables.ribbonOptions = f.ribbonOptions;
  TableLists lists(tables);
  DocDefaults d = GetDocDefaults(lists, 7);
  EXPECT_EQ(d.tray, f.expected.tray);
  EXPECT_EQ(d.paper, f.expected.paper);
  EXPECT_EQ(d.ribbon, f.expected.ribbon);
  EXPECT_EQ(d.placement, f.expected.placement);
  EXPECT_EQ(d.ribbonOption, f.expected.ribbonOption);
  EXPECT_EQ(d.complementaryRibbonOption, f.expected.complementaryRibbonOption);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Defaults,
    ::testing::Values(
        // Nothing at all.
        DefaultsFixture{{}, {}, {}, {}, {}, {0, 0, 0, 2, 0, 0}},
        // No flag: the last entry seen; an own key of 0xFFFF stands for the queried key.
        DefaultsFixture{
            {{7, 3, 0, 0, 0, 0, 0}, {ANY_KEY, ANY_KEY, 0, 0, 0, 0, 0}, {8, 9, 0, 0, 0, 0, 0}},
            {Paper(7, 4, 3), Paper(7, 5, 0)},
            {},
            {},
            {},
            {7, 5, 0, 2, 0, 0}},
        // Flags pick the entries; the placement comes from the last paper with that id;
        // a ribbon option whose id is 0 stands for its ribbon.
        DefaultsFixture{{{7, 3, 0, 0, 0, 0x4000, 0}, {7, 4, 0, 0, 0, 0x4000, 0}},
                        {Paper(3, 5, 0x4001), Paper(3, 6, 0), Paper(3, 5, 0x0003)},
                        {{5, 8, 0, 0, 0, 0, 0}, {5, 9, 0, 0, 0, 0x4000, 0}},
                        {},
                        {{9, 0, 0, 0, 0, 0x4100, 0}},
                        {3, 5, 9, 3, 9, 0}},
        // Complementary option: ribbon 9 has sub-ribbons {1,2,3}; the default option 20
        // covers {1}; option 21 has {3} only, option 22 has {3,2}: 22 complements.
        DefaultsFixture{{{7, 3, 0, 0, 0, 0x4000, 0}},
                        {Paper(3, 5, 0x4002)},
                        {{5, 9, 0, 0, 0, 0x4000, 0}},
                        {{9, 1, 0, 0, 0},
                         {9, 2, 0, 0, 0},
                         {9, 3, 0, 0, 0},
                         {20, 1, 0, 0, 0},
                         {21, 3, 0, 0, 0},
                         {22, 3, 0, 0, 0},
                         {22, 2, 0, 0, 0}},
                        {{9, 19, 0, 0, 0, 0x0100, 0},
                         {9, 20, 0, 0, 0, 0x4100, 0},
                         {9, 21, 0, 0, 0, 0x0200, 0},
                         {9, 22, 0, 0, 0, 0x0200, 0}},
                        {3, 5, 9, 2, 20, 22}},
        // A ribbon option whose id is 0xFFFF stands for its ribbon; when the default
        // option covers every sub-ribbon, an option without sub-ribbons complements.
        DefaultsFixture{{{7, 3, 0, 0, 0, 0x4000, 0}},
                        {Paper(3, 5, 0x4002)},
                        {{5, 9, 0, 0, 0, 0x4000, 0}},
                        {{9, 1, 0, 0, 0}, {9, 2, 0, 0, 0}, {31, 1, 0, 0, 0}},
                        {{9, ANY_KEY, 0, 0, 0, 0x4100, 0},
                         {9, 31, 0, 0, 0, 0x0200, 0},
                         {9, 30, 0, 0, 0, 0x0200, 0}},
                        {3, 5, 9, 2, 9, 30}},
        // The default option has no sub-ribbons: no complement.
        DefaultsFixture{{{7, 3, 0, 0, 0, 0x4000, 0}},
                        {Paper(3, 5, 0x4002)},
                        {{5, 9, 0, 0, 0, 0x4000, 0}},
                        {{9, 1, 0, 0, 0}, {21, 1, 0, 0, 0}},
                        {{9, 20, 0, 0, 0, 0x4100, 0}, {9, 21, 0, 0, 0, 0x0200, 0}},
                        {3, 5, 9, 2, 20, 0}}));

}  // namespace
}  // namespace trv::dcl
