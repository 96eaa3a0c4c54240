// The model files the suite ships (data/models): the two model definition files
// load into the tables they describe, with bar-code properties complete enough
// for the printer libraries and the dialogs; the model data files read into
// their models; the product configuration gives the internal-font switch.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "dcl/model/model_data_file.h"
#include "dcl/model/model_tables.h"
#include "dcl/model/tests/fake_callbacks.h"
#include "dcl/model/text_heap.h"
#include "platform/kernel.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl {
namespace {

constexpr const char* kDir = "C:\\drv\\";
constexpr int kMillimetres = 1;

constexpr WORD kName = 0x0040;
constexpr WORD kSetChildrenToDefault = 0x0200;  // also the human-readable role bit
constexpr WORD kBarHeight = 0x0100;
constexpr WORD kNumberKind = 1;
constexpr WORD kListKind = 2;

std::string ReadSource(const std::string& relative) {
  std::ifstream in(trv::testing::SourceDir() + "/" + relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Text(DWORD field) {
  const char* text = TextHeapGet(field);
  return text != nullptr ? text : "";
}

// The text numbers of the English language source.
std::set<UINT> EnglishTextNumbers() {
  std::set<UINT> numbers;
  std::string source = ReadSource("data/lang/trv_uk.txt");
  size_t start = 0;
  while (start < source.size()) {
    size_t end = source.find('\n', start);
    if (end == std::string::npos) end = source.size();
    std::string line = source.substr(start, end - start);
    if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
      numbers.insert(static_cast<UINT>(std::stoul(line)));
    start = end + 1;
  }
  return numbers;
}

// Remembers every string number a definition file names.
class RecordingCallbacks : public testing::FakeCallbacks {
 public:
  std::set<UINT> asked;
  int LoadText(UINT id, char* buffer, int size) override {
    asked.insert(id);
    return FakeCallbacks::LoadText(id, buffer, size);
  }
};

class SampleFiles : public trv::testing::FreshMachine {
 protected:
  // Copies a file of data/models into the machine's driver folder.
  void Install(const std::string& name) {
    writeFile(kDir + name, ReadSource("data/models/" + name));
  }
  BOOL LoadDefinition(const std::string& name) {
    Install(name);
    return LoadModelDefinition(tables, kDir, name.c_str(), &callbacks, {});
  }
  BOOL ReadData(const std::string& name, PrinterConfig& config) {
    Install(name);
    return ReadModelDataFile(config, kDir, name.c_str(), 0, kMillimetres);
  }
  RecordingCallbacks callbacks;
  ModelTables tables;
};

// A test's name after its file: TRVCPL_DEF.
template <class Case>
std::string FileName(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  if constexpr (std::is_same_v<Case, const char*>)
    name = info.param;
  else
    name = info.param.file;
  for (char& c : name)
    if (c == '.') c = '_';
  return name;
}

// ---- model definition files ---------------------------------------------------------

struct DefinitionCase {
  const char* file;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const DefinitionCase& c, std::ostream* os) { *os << c.file; }

class DefinitionFiles : public SampleFiles, public ::testing::WithParamInterface<DefinitionCase> {};

TEST_P(DefinitionFiles, LoadWithTheDefaultPaperAndEveryTextInTheLanguageFile) {
  const DefinitionCase& c = GetParam();
  ASSERT_TRUE(LoadDefinition(c.file)) << GetLastError();
  // How many entries a file holds is the data's business; that each list has some,
  // and what every entry must be, is the reader's.
  ASSERT_GT(tables.papers.size(), 6u) << "the seventh paper is looked at below";
  EXPECT_FALSE(tables.textFonts.empty());
  EXPECT_FALSE(tables.barcodeFonts.empty());
  EXPECT_FALSE(tables.barcodeOptions.empty());

  std::vector<const PaperEntry*> defaults;
  for (const PaperEntry& paper : tables.papers) {
    EXPECT_EQ(paper.key, ANY_KEY) << "only papers of every tray are installed";
    EXPECT_EQ(paper.icon, 131u) << Text(paper.name);
    if (paper.flags & DCLDEFAULT) defaults.push_back(&paper);
  }
  ASSERT_EQ(defaults.size(), 1u);
  EXPECT_EQ(defaults[0]->width, 10160);
  EXPECT_EQ(defaults[0]->height, 15240);
  EXPECT_EQ(defaults[0]->flags, 0x4001);
  EXPECT_EQ(Text(defaults[0]->name), "Shipping Label 4 x 6 in") << "the text when 13001 is empty";
  EXPECT_EQ(tables.papers[0].id, 0) << "the user-defined paper comes first";
  EXPECT_EQ(Text(tables.papers[1].name), "%wi x %hi");
  EXPECT_EQ(tables.papers[6].left, 1270) << "hundredths of an inch: 50\" is half an inch";

  std::set<UINT> english = EnglishTextNumbers();
  EXPECT_FALSE(callbacks.asked.empty());
  for (UINT id : callbacks.asked) EXPECT_EQ(english.count(id), 1u) << "text " << id;
}

INSTANTIATE_TEST_SUITE_P(Shipped, DefinitionFiles,
                         ::testing::Values(DefinitionCase{"TRVCPL.DEF"},
                                           DefinitionCase{"TRVEPL.DEF"}),
                         FileName<DefinitionCase>);

TEST_F(SampleFiles, CpclFontsAreResidentFontsAtEveryResolution) {
  ASSERT_TRUE(LoadDefinition("TRVCPL.DEF"));
  for (const TextFontEntry& font : tables.textFonts) {
    EXPECT_EQ(font.key, ANY_KEY);
    EXPECT_EQ(Text(font.commandMacro).size(), 2u) << "font number and size: " << Text(font.name);
    EXPECT_NE(font.info.metricsFile[0], '\0') << Text(font.name);
  }
  const TextFontEntry& font7 = tables.textFonts[8];
  EXPECT_EQ(Text(font7.name), "Font 7 Size 0");
  EXPECT_EQ(Text(font7.commandMacro), "70");
  EXPECT_EQ(font7.flags, DCLDEFAULT);
  EXPECT_EQ(std::string(font7.info.metricsFile), "CPF70.UFM");
  EXPECT_EQ(font7.maxMultiplierX, 16);
  EXPECT_EQ(font7.info.flags, 0x300u) << "both multipliers apply";
  EXPECT_EQ(Text(tables.barcodeFonts[1].commandMacro),
            "%(5)%(6)%(7)%r%n%(4) 128 %(1) %(2) %(3) %x %y %d%r%n");
}

TEST_F(SampleFiles, EplFontsExistPerResolutionAndBarCodesUseTheBCommand) {
  ASSERT_TRUE(LoadDefinition("TRVEPL.DEF"));
  size_t at203 = 0, at300 = 0;
  for (const TextFontEntry& font : tables.textFonts) {
    at203 += font.key == 0xFFF2;
    at300 += font.key == 0xFFF3;
    EXPECT_EQ(Text(font.commandMacro).size(), 1u) << Text(font.name);
  }
  EXPECT_EQ(at203, 5u);
  EXPECT_EQ(at300, 5u);
  EXPECT_EQ(Text(tables.textFonts[2].name), "Font 3 (12 x 20 dots)");
  EXPECT_EQ(tables.textFonts[2].maxMultiplierY, 9);

  const BarcodeFontEntry& code39 = tables.barcodeFonts[0];
  EXPECT_EQ(Text(code39.name), "Code 39");
  EXPECT_EQ(Text(code39.symbology), "CODE39");
  EXPECT_EQ(Text(code39.commandMacro), "B%x,%y,%(4),%(9),%(1),%(2),%(3),%(5),\"%d\"%n");
  EXPECT_EQ(std::string(code39.info.metricsFile), "EPB39.UFM");
}

// ---- bar-code properties ------------------------------------------------------------

bool AppliesTo(const BarcodeOptionEntry& entry, WORD barcode) {
  return entry.key == barcode || entry.key == ANY_KEY;
}

const BarcodeOptionEntry* Find(const ModelTables& tables, WORD barcode, WORD option, WORD flag) {
  for (const BarcodeOptionEntry& entry : tables.barcodeOptions)
    if (entry.key == barcode && entry.optionId == option && (entry.flags & flag)) return &entry;
  return nullptr;
}

std::vector<WORD> MacroProperties(const std::string& macro) {
  std::vector<WORD> ids;
  for (size_t at = macro.find("%("); at != std::string::npos; at = macro.find("%(", at + 2))
    ids.push_back(static_cast<WORD>(std::stoul(macro.substr(at + 2))));
  return ids;
}

// What the dialog and the first configuration rely on for one property of a bar
// code: a known parent, a default of the right kind, and for a list, choices that
// include the default.
void ExpectCompleteProperty(const ModelTables& tables, WORD barcode,
                            const BarcodeOptionEntry& naming) {
  SCOPED_TRACE("property " + std::to_string(naming.optionId));
  if (naming.secondValue != 0) {
    EXPECT_NE(Find(tables, barcode, naming.secondValue, kName), nullptr) << "parent";
  }
  const BarcodeOptionEntry* def = Find(tables, barcode, naming.optionId, DCLDEFAULT);
  ASSERT_NE(def, nullptr);
  EXPECT_FALSE(def->flags & kSetChildrenToDefault)
      << "a written default with this bit would read as the human-readable text";
  std::string value = Text(def->value);
  if (naming.secondId == kNumberKind) {
    EXPECT_FALSE(value.empty());
    EXPECT_EQ(value.find_first_not_of("0123456789"), std::string::npos) << value;
    return;
  }
  ASSERT_EQ(naming.secondId, kListKind);
  std::set<std::string> choices;
  for (const BarcodeOptionEntry& e : tables.barcodeOptions) {
    if (!AppliesTo(e, barcode) || e.optionId != naming.optionId || e.name == 0) continue;
    if (e.flags & (kName | DCLDEFAULT)) continue;
    choices.insert(Text(e.value));
  }
  EXPECT_GE(choices.size(), 2u);
  EXPECT_EQ(choices.count(value), 1u) << "default " << value;
  // A reset choice works only as the first entry of its property with the bit,
  // which the human-readable naming entry also carries.
  const BarcodeOptionEntry* first = nullptr;
  bool resetChoice = false;
  for (const BarcodeOptionEntry& e : tables.barcodeOptions) {
    if (!AppliesTo(e, barcode) || e.optionId != naming.optionId) continue;
    if (!(e.flags & kSetChildrenToDefault)) continue;
    if (first == nullptr) first = &e;
    resetChoice |= !(e.flags & kName);
  }
  if (resetChoice) {
    EXPECT_FALSE(first->flags & kName) << "the naming entry shadows the reset choice";
  }
}

class BarcodeProperties : public SampleFiles, public ::testing::WithParamInterface<const char*> {};

TEST_P(BarcodeProperties, EveryMacroPropertyIsNamedWithADefaultAndItsChoices) {
  ASSERT_TRUE(LoadDefinition(GetParam()));
  for (const BarcodeFontEntry& barcode : tables.barcodeFonts) {
    SCOPED_TRACE(Text(barcode.name));
    for (WORD id : MacroProperties(Text(barcode.commandMacro)))
      EXPECT_NE(Find(tables, barcode.id, id, kName), nullptr) << "%(" << id << ")";
    size_t heights = 0;
    for (const BarcodeOptionEntry& entry : tables.barcodeOptions) {
      if (entry.key != barcode.id || !(entry.flags & kName)) continue;
      heights += (entry.flags & kBarHeight) != 0;
      ExpectCompleteProperty(tables, barcode.id, entry);
    }
    EXPECT_LE(heights, 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, BarcodeProperties, ::testing::Values("TRVCPL.DEF", "TRVEPL.DEF"),
                         FileName<const char*>);

TEST_F(SampleFiles, HiddenHumanReadableTextEmptiesItsChildrenOnCpcl) {
  ASSERT_TRUE(LoadDefinition("TRVCPL.DEF"));
  // The default turns the text off, so the first configuration writes the text
  // font and offset empty and the macro sends "BT OFF" alone.
  const BarcodeOptionEntry* human = Find(tables, 2, 5, DCLDEFAULT);
  ASSERT_NE(human, nullptr);
  EXPECT_EQ(Text(human->value), "BT OFF");
  EXPECT_EQ(human->flags, 0x4400) << "DCLDEFAULT|DCLSETCHILDSTONULL";
  const BarcodeOptionEntry* font = Find(tables, 2, 6, DCLDEFAULT);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(Text(font->value), " 7 0") << "an escaped blank leads the value";
  const BarcodeOptionEntry* fontName = Find(tables, 2, 6, kName);
  ASSERT_NE(fontName, nullptr);
  EXPECT_EQ(fontName->secondValue, 5) << "a child of the human-readable text";
}

// ---- model data files ---------------------------------------------------------------

struct DataCase {
  const char* file;
  const char* definition;
  WORD format;
  const char* model;
  LONG dpi;
  LONG maxPaperWidth;
  DWORD printModes;
  DWORD tracking;
  const char* printSpeeds;
  size_t papersThatFit;  // table papers within the paper limits, the user paper aside
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const DataCase& c, std::ostream* os) { *os << c.file; }

class DataFiles : public SampleFiles, public ::testing::WithParamInterface<DataCase> {};

TEST_P(DataFiles, ReadIntoTheirModelAndFitTheirDefinitionFile) {
  const DataCase& c = GetParam();
  PrinterConfig config;
  ASSERT_TRUE(ReadData(c.file, config)) << GetLastError();
  EXPECT_EQ(config.format, c.format);
  EXPECT_EQ(config.modelName, c.model);
  EXPECT_EQ(config.resolutionX, c.dpi);
  EXPECT_EQ(config.resolutionY, c.dpi);
  EXPECT_EQ(config.maxPaperWidth, c.maxPaperWidth);
  EXPECT_EQ(config.defPrintMode, 0x01u) << "every model starts continuous";
  EXPECT_EQ(config.printModes, c.printModes);
  EXPECT_EQ(config.defMediaTracking, 0x08u) << "every model starts with gap sensing";
  EXPECT_EQ(config.mediaTracking, c.tracking);
  EXPECT_EQ(config.printSpeed.display, c.printSpeeds);
  EXPECT_TRUE(config.capabilities & 0x04) << "a default print speed";
  EXPECT_TRUE(config.capabilities & 0x20) << "a default darkness";

  ASSERT_TRUE(LoadDefinition(c.definition));
  size_t fit = 0, defaults = 0;
  for (const PaperEntry& paper : tables.papers) {
    if (paper.id == 0) continue;
    bool fits = paper.width >= config.minPaperWidth && paper.width <= config.maxPaperWidth &&
                paper.height >= config.minPaperHeight && paper.height <= config.maxPaperHeight;
    fit += fits;
    defaults +=
        fits && paper.width == config.defPaperWidth && paper.height == config.defPaperHeight;
  }
  EXPECT_EQ(fit, c.papersThatFit);
  EXPECT_EQ(defaults, 1u) << "the default size is a paper of the table";
}

INSTANTIATE_TEST_SUITE_P(
    Shipped, DataFiles,
    ::testing::Values(
        DataCase{"TRVCP2.DAT", "TRVCPL.DEF", kFormatSingleSection, "TRV Mobile 2 CPCL", 203, 5800,
                 0x09, 0x0D, "25.4 mm/Sec,50.8 mm/Sec,76.2 mm/Sec,101.6 mm/Sec", 5},
        DataCase{"TRVCP4.DAT", "TRVCPL.DEF", kFormatMultiSection, "TRV Desk 4 CPCL", 203, 10400,
                 0x3F, 0x1F, "50.8 mm/Sec,76.2 mm/Sec,101.6 mm/Sec,127.0 mm/Sec,152.4 mm/Sec", 11},
        DataCase{"TRVEP2.DAT", "TRVEPL.DEF", kFormatSingleSection, "TRV Desk 4 EPL", 203, 10400,
                 0x19, 0x0D, "38.1 mm/Sec,50.8 mm/Sec,76.2 mm/Sec,101.6 mm/Sec", 11},
        DataCase{"TRVEP3.DAT", "TRVEPL.DEF", kFormatMultiSection, "TRV Desk 4 EPL 300", 300, 10400,
                 0x11, 0x1D, "Slow,Medium,Fast", 11}),
    FileName<DataCase>);

TEST_F(SampleFiles, ModeSettingsOfTheDataFiles) {
  PrinterConfig cp2, cp4, ep3;
  ASSERT_TRUE(ReadData("TRVCP2.DAT", cp2));
  ASSERT_TRUE(ReadData("TRVCP4.DAT", cp4));
  ASSERT_TRUE(ReadData("TRVEP3.DAT", ep3));

  // The tear-off keys reach the pace groups; the cutter has its own.
  EXPECT_EQ(cp2.dispense[1].offsetDefault, 16);
  EXPECT_EQ(cp2.dispense[1].offsetMaximum, 200);
  EXPECT_TRUE(cp2.dispense[1].offered & kOffersModeOffset);
  EXPECT_EQ(cp4.dispense[0].offsetDefault, 24);
  EXPECT_EQ(cp4.dispense[2].offsetMaximum, 255);
  EXPECT_EQ(ep3.dispense[2].offsetDefault, 100);
  EXPECT_EQ(ep3.dispense[2].offsetMinimum, 70);

  EXPECT_EQ(cp2.printSpeed.values, "1,2,3,5");
  EXPECT_EQ(cp2.darkness.display, "") << "typed in";
  EXPECT_EQ(cp4.darkness.display, "Lighter,Light,Normal,Dark,Darker");
  EXPECT_EQ(cp4.darkness.values, "-50,-25,0,50,100");
  EXPECT_EQ(ep3.darkness.defaultValue, 8);

  EXPECT_EQ(cp2.mediaTypes, 0x01u);
  EXPECT_EQ(cp4.mediaTypes, 0x07u);
  EXPECT_EQ(ep3.defMediaType, 0x02u);
  EXPECT_EQ(cp4.powerUp.choices, 0x1Bu);
  EXPECT_EQ(cp4.headClose.defaultChoice, 0x02u);
  EXPECT_TRUE(cp4.powerUp.flags & kHasEventDefault);
  EXPECT_FALSE(cp2.powerUp.flags & kHasEventDefault);
  EXPECT_TRUE(cp4.capabilities & kHasMediaWidth);
  EXPECT_FALSE(ep3.capabilities & kHasMediaWidth);
  EXPECT_EQ(cp4.memoryOptions, 0x13u);
  EXPECT_EQ(ep3.memoryOptions, 0x33u);
  EXPECT_EQ(ep3.newCommandSet, 1);
  EXPECT_EQ(cp2.defLabelTop, 0);
  EXPECT_TRUE(cp2.capabilities & kHasDefLabelTop);
  EXPECT_EQ(cp4.maxLabelTop, 400);
}

TEST_F(SampleFiles, ProductConfigurationGivesTheInternalFontSwitch) {
  Install("trvprd.cfg");
  PrinterConfig config;
  config.internalFont = 0;
  ASSERT_TRUE(ReadProductConfiguration(config, kDir, "Trvprd.cfg")) << GetLastError();
  EXPECT_EQ(config.internalFont, 1);
}

}  // namespace
}  // namespace trv::dcl
