// The model data file read into a PrinterConfig, the speed texts and the
// back-ends' presets and adjustments.
#include <gtest/gtest.h>

#include <string>

#include "dcl/model/backend_profiles.h"
#include "dcl/model/model_data_file.h"
#include "dcl/model/speed_display.h"
#include "platform/kernel.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl {
namespace {

constexpr const char* kDir = "C:\\drv\\";
constexpr int kMillimetres = 1;
constexpr int kCentimetres = 2;
constexpr int kInches = 3;

const char* kSingleSection =
    "[Config]\n"
    "Config=Configuration\n"
    "PrinterName=Label 203\n"
    "ModelBmp=lbl.bmp\n"
    "DotsPerMM=8\n"
    "DefPaperWidth=4\n"
    "DefPaperHeight=152.4mm\n"
    "MinPaperWidth=1\n"
    "MaxPaperWidth=0\n"
    "DefLabelLeft=12\n"
    "MinLabelTop=-5\n"
    "MaxLabelTop=500\n"
    "DefPrintRate=3\n"
    "MinPrintRate=2\n"
    "MaxPrintRate=4\n"
    "SlewRateDisplay=Slow,Fast\n"
    "SlewRateNumber=1,2\n"
    "DefDensity=10\n"
    "MaxDensity=30\n"
    "DensityDisplay=1,2\n"
    "DefMediaType=1\n"
    "MediaType=0,1,10\n"
    "DefMediaTracking=2\n"
    "MediaTracking=0,1,2,3,10\n"
    "DefPrintMode=9\n"
    "PrintMode=0,1,9\n"
    "DefTearOff=40\n"
    "MinTearOff=5\n"
    "MaxCutterValue=90\n"
    "DefPowerUp=3\n"
    "PowerUp=0,3,10\n"
    "HeadClose=1,7\n"
    "HasMediaWidth=1\n"
    "Memory=1,4,6,7\n"
    "NewLanguage=1\n";

// The same model in the multi-section format.
const char* kMultiSection =
    "[Config]\nConfig=KORAL1 v2\n"
    "[NAME]\nPrinterName=Label 203\nModelBmp=lbl.bmp\n"
    "[RESOLUTION]\nDotsPerMM=8\n"
    "[PAPERS]\nDefPaperWidth=4\nDefPaperHeight=152.4mm\nMinPaperWidth=1\nMaxPaperWidth=0\n"
    "[OFFSETS]\nDefLabelLeft=12\nMinLabelTop=-5\nMaxLabelTop=500\n"
    "[SPEED_SETTINGS]\nDefPrintRate=3\nMinPrintRate=2\nMaxPrintRate=4\n"
    "SlewRateDisplay=Slow,Fast\nSlewRateNumber=1,2\n"
    "[HEAD_SETTINGS]\nDefDensity=10\nMaxDensity=30\nDensityDisplay=1,2\n"
    "[MEDIA_TYPE]\nDefMediaType=1\nMediaType=0,1,10\n"
    "[MEDIA_TRACKING]\nDefMediaTracking=2\nMediaTracking=0,1,2,3,10\n"
    "[DISPENSE_MODE]\nDefPrintMode=9\nPrintMode=0,1,9\nDefTearOff=40\nMinTearOff=5\n"
    "MaxCutterValue=90\n"
    "[EVENTS]\nDefPowerUp=3\nPowerUp=0,3,10\nHeadClose=1,7\n"
    "[MEDIA]\nHasMediaWidth=1\n"
    "[OPTIONS]\nMemory=1,4,6,7\nNewLanguage=1\n";

class DataFileTest : public trv::testing::FreshMachine {
 protected:
  BOOL Read(const std::string& text, DWORD dpiOverride = 0, int unit = kMillimetres) {
    writeFile(std::string(kDir) + "MODEL.DAT", text);
    return ReadModelDataFile(config, kDir, "MODEL.DAT", dpiOverride, unit);
  }
  // A minimal valid file plus the given lines.
  BOOL ReadWith(const std::string& lines, DWORD dpiOverride = 0, int unit = kMillimetres) {
    return Read("[Config]\nConfig=Configuration\nPrinterName=P\nDotsPerINCH=203\n" + lines,
                dpiOverride, unit);
  }
  PrinterConfig config;
};

// One expectation per field of the sample model, in the order of the model file.
// NOLINTNEXTLINE(readability-function-size)
void ExpectTheSampleModel(const PrinterConfig& c) {
  EXPECT_EQ(c.modelName, "Label 203");
  EXPECT_EQ(c.modelPicture, "lbl.bmp");
  EXPECT_EQ(c.resolutionX, 203);
  EXPECT_EQ(c.resolutionY, 203);
  EXPECT_EQ(c.defPaperWidth, 10160);
  EXPECT_EQ(c.defPaperHeight, 15240);
  EXPECT_EQ(c.minPaperWidth, 2540);
  EXPECT_EQ(c.minPaperHeight, 1);
  EXPECT_EQ(c.maxPaperWidth, 10000);
  EXPECT_EQ(c.maxPaperHeight, 10000);
  EXPECT_EQ(c.defLabelLeft, 12);
  EXPECT_EQ(c.minLabelTop, -5);
  EXPECT_EQ(c.maxLabelTop, 500);
  EXPECT_EQ(c.printSpeed.defaultValue, 3);
  EXPECT_EQ(c.printSpeed.display, "50.8 mm/Sec,76.2 mm/Sec,101.6 mm/Sec");
  EXPECT_EQ(c.slewSpeed.display, "Slow,Fast");
  EXPECT_EQ(c.slewSpeed.values, "1,2");
  EXPECT_EQ(c.backfeedSpeed.display, "");
  EXPECT_EQ(c.darkness.defaultValue, 10);
  EXPECT_EQ(c.darkness.maximum, 30);
  EXPECT_EQ(c.darkness.display, "1,2") << "the darkness list is not rewritten";
  EXPECT_EQ(c.defMediaType, 0x01u);
  EXPECT_EQ(c.mediaTypes, 0x07u);
  EXPECT_EQ(c.defMediaTracking, 0x04u);
  EXPECT_EQ(c.mediaTracking, 0x1Fu);
  EXPECT_EQ(c.defPrintMode, 0x01u);
  EXPECT_EQ(c.printModes, 0x0Bu);
  // The tear-off keys reach every group but the cutter's, which has its own.
  for (size_t g : {0u, 1u, 3u, 4u}) {
    EXPECT_EQ(c.dispense[g].offsetDefault, 40) << g;
    EXPECT_EQ(c.dispense[g].offsetMinimum, 5) << g;
    EXPECT_EQ(c.dispense[g].offered & kOffersModeOffset, kOffersModeOffset) << g;
  }
  EXPECT_EQ(c.dispense[2].offsetDefault, 0);
  EXPECT_EQ(c.dispense[2].offsetMaximum, 90);
  EXPECT_EQ(c.dispense[2].offered & kOffersModeOffset, 0u);
  EXPECT_EQ(c.powerUp.flags, kHasEventDefault);
  EXPECT_EQ(c.powerUp.defaultChoice, 0x08u);
  EXPECT_EQ(c.powerUp.choices, 0x19u);
  EXPECT_EQ(c.headClose.flags, 0u);
  EXPECT_EQ(c.headClose.choices, 0x02u);
  EXPECT_EQ(c.memoryOptions, 0x51u);
  EXPECT_EQ(c.newCommandSet, 1);
  EXPECT_EQ(c.internalFont, 1);
  EXPECT_EQ(c.capabilities & 0x2FF, kHasDefLabelLeft | kHasDefPrintRate | kHasDefDensity |
                                        kHasDefMediaType | kHasDefMediaTracking | kHasDefPrintMode);
  EXPECT_EQ(c.capabilities & kHasMediaWidth, kHasMediaWidth);
}

TEST_F(DataFileTest, TheSingleSectionFormat) {
  ASSERT_TRUE(Read(kSingleSection));
  EXPECT_EQ(config.format, kFormatSingleSection);
  ExpectTheSampleModel(config);
}

TEST_F(DataFileTest, TheMultiSectionFormat) {
  ASSERT_TRUE(Read(kMultiSection));
  EXPECT_EQ(config.format, kFormatMultiSection);
  ExpectTheSampleModel(config);
}

TEST_F(DataFileTest, MultiSectionKeysCountOnlyInTheirSection) {
  ASSERT_TRUE(
      Read("[Config]\nConfig=KORAL1\n[NAME]\nPrinterName=P\nDotsPerMM=12\n"
           "[RESOLUTION]\nDotsPerINCH=300\n[OPTIONS]\nDefPaperWidth=2\n"));
  EXPECT_EQ(config.resolutionX, 300);
  EXPECT_EQ(config.defPaperWidth, 10000);
}

struct ConfigKeyCase {
  const char* file;
  bool ok;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const ConfigKeyCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.file); }

class ConfigKey : public DataFileTest, public ::testing::WithParamInterface<ConfigKeyCase> {};

TEST_P(ConfigKey, SelectsTheFormatOrRefusesTheFile) {
  PresetConfig(config, kCpclProfile);
  config.modelName = "before";
  SetLastError(0);
  EXPECT_EQ(Read(GetParam().file) != FALSE, GetParam().ok) << GetParam().file;
  if (GetParam().ok) return;
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_CONFIGURATION));
  EXPECT_EQ(config.modelName, "before") << "nothing half-built";
  EXPECT_EQ(config.resolutionX, 0);
  EXPECT_EQ(config.defPaperWidth, 0);
  EXPECT_EQ(config.family, kFamilyCpcl);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigKey,
    ::testing::Values(
        ConfigKeyCase{"[Config]\nConfig=configuration\nPrinterName=P\nDotsPerMM=8\n", true},
        ConfigKeyCase{"[Config]\nConfig=KORAL1xyz\n[NAME]\nPrinterName=P\n"
                      "[RESOLUTION]\nDotsPerMM=8\n",
                      true},
        ConfigKeyCase{"[Config]\nConfig=Koral1\nPrinterName=P\nDotsPerMM=8\n"
                      "[NAME]\nPrinterName=P\n[RESOLUTION]\nDotsPerMM=8\n",
                      false},
        ConfigKeyCase{"[Config]\nConfig=Other\nPrinterName=P\nDotsPerMM=8\n", false},
        ConfigKeyCase{"[Config]\nPrinterName=P\nDotsPerMM=8\n", false},
        ConfigKeyCase{"[Other]\nConfig=Configuration\n[Config]\nPrinterName=P\nDotsPerMM=8\n",
                      false},
        // the model name and a resolution are required
        ConfigKeyCase{"[Config]\nConfig=Configuration\nDotsPerMM=8\n", false},
        ConfigKeyCase{"[Config]\nConfig=Configuration\nPrinterName=\nDotsPerMM=8\n", false},
        ConfigKeyCase{"[Config]\nConfig=Configuration\nPrinterName=P\n", false},
        ConfigKeyCase{"[Config]\nConfig=Configuration\nPrinterName=P\nDotsPerMM=0\n", false}));

TEST_F(DataFileTest, AMissingFileFailsWithItsError) {
  writeFile(std::string(kDir) + "OTHER", "x");
  SetLastError(0);
  EXPECT_FALSE(ReadModelDataFile(config, kDir, "NONE.DAT", 0, kMillimetres));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

struct ResolutionCase {
  const char* lines;
  DWORD dpiOverride;
  LONG dpi;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const ResolutionCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.lines) << " override " << c.dpiOverride;
}

class Resolutions : public DataFileTest, public ::testing::WithParamInterface<ResolutionCase> {};

TEST_P(Resolutions, ComeFromTheOverrideOrTheFile) {
  const ResolutionCase& c = GetParam();
  ASSERT_TRUE(Read(std::string("[Config]\nConfig=Configuration\nPrinterName=P\n") + c.lines,
                   c.dpiOverride));
  EXPECT_EQ(config.resolutionX, c.dpi);
  EXPECT_EQ(config.resolutionY, c.dpi);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Resolutions,
    ::testing::Values(ResolutionCase{"DotsPerMM=8\n", 0, 203},
                      ResolutionCase{"DotsPerMM=12\n", 0, 305},
                      ResolutionCase{"DotsPerMM=8\n", 300, 300},
                      ResolutionCase{"DotsPerMM=8\n", 1000, 203},
                      ResolutionCase{"DotsPerMM=8\nDotsPerINCH=600\n", 0, 203},
                      ResolutionCase{"DotsPerINCH=600\n", 0, 600}, ResolutionCase{"", 999, 999},
                      // a value that gives no resolution does not hide the next source
                      ResolutionCase{"DotsPerMM=0\nDotsPerINCH=300\n", 0, 300}));

struct PaperCase {
  const char* line;
  LONG width;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const PaperCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.line); }

class PaperLimits : public DataFileTest, public ::testing::WithParamInterface<PaperCase> {};

TEST_P(PaperLimits, AreInchesUnlessMarkedMillimetres) {
  ASSERT_TRUE(ReadWith(GetParam().line));
  EXPECT_EQ(config.defPaperWidth, GetParam().width) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(Cases, PaperLimits,
                         ::testing::Values(PaperCase{"DefPaperWidth=4\n", 10160},
                                           PaperCase{"DefPaperWidth=101.6mm\n", 10160},
                                           PaperCase{"DefPaperWidth=2.5\n", 6350},
                                           PaperCase{"DefPaperWidth=0\n", 10000},
                                           PaperCase{"", 10000}));

struct BitListCase {
  const char* line;
  DWORD printModes;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const BitListCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.line); }

class PrintModes : public DataFileTest, public ::testing::WithParamInterface<BitListCase> {};

TEST_P(PrintModes, MapListNumbersToBits) {
  ASSERT_TRUE(ReadWith(GetParam().line));
  EXPECT_EQ(config.printModes, GetParam().printModes) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(Cases, PrintModes,
                         ::testing::Values(BitListCase{"PrintMode=0,1,9\n", 0x0B},
                                           BitListCase{"PrintMode=7\n", 0},
                                           BitListCase{"PrintMode=2, 3 ,4,10\n", 0x34},
                                           BitListCase{"PrintMode=\n", 0},
                                           BitListCase{"PrintMode=1,\n", 0x02}));

TEST_F(DataFileTest, SwitchesKeepOnlyTheirMeaningfulValues) {
  PresetConfig(config, kEplProfile);
  config.capabilities |= kHasMediaWidth;
  ASSERT_TRUE(ReadWith("NewLanguage=2\nHasMediaWidth=0\nDefHeadClose=10\n"));
  EXPECT_EQ(config.newCommandSet, 0);
  EXPECT_EQ(config.capabilities & kHasMediaWidth, 0u) << "a zero clears the preset bit";
  EXPECT_EQ(config.headClose.flags, kHasEventDefault);
  EXPECT_EQ(config.headClose.defaultChoice, 0x10u);
  EXPECT_EQ(config.tracking[0].heightDefault, 16) << "the back-end's presets stay";
  EXPECT_EQ(config.dispense[2].offsetDefault, 1);
}

TEST_F(DataFileTest, TheProductFileSetsTheInternalFont) {
  struct Case {
    const char* text;
    LONG internalFont;
  };
  for (Case c : {Case{"[Private]\nInternalFont=0\n", 0}, Case{"[Private]\nInternalFont=1\n", 1},
                 Case{"[Private]\nInternalFont=5\n", 1}, Case{"[Public]\nInternalFont=0\n", 7}}) {
    config.internalFont = 7;
    writeFile(std::string(kDir) + "Trvprd.cfg", c.text);
    ASSERT_TRUE(ReadProductConfiguration(config, kDir, "Trvprd.cfg"));
    EXPECT_EQ(config.internalFont, c.internalFont) << c.text;
  }
  SetLastError(0);
  EXPECT_FALSE(ReadProductConfiguration(config, kDir, "none.cfg"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// ---- speed texts -------------------------------------------------------------------

struct SpeedCase {
  const char* display;
  LONG minimum, maximum;
  int unit;
  const char* expected;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const SpeedCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.display) << " " << c.minimum << ".." << c.maximum << " unit "
      << c.unit;
}

class SpeedTexts : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(SpeedTexts, AreWrittenInTheUsersUnit) {
  const SpeedCase& c = GetParam();
  RangeSetting speed;
  speed.display = c.display;
  speed.minimum = c.minimum;
  speed.maximum = c.maximum;
  RewriteSpeedDisplay(speed, c.unit);
  EXPECT_EQ(speed.display, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpeedTexts,
    ::testing::Values(SpeedCase{"", 2, 4, kMillimetres, "50.8 mm/Sec,76.2 mm/Sec,101.6 mm/Sec"},
                      SpeedCase{"", 2, 3, kCentimetres, "5.08 cm/Sec,7.62 cm/Sec"},
                      SpeedCase{"", 2, 2, kInches, "2.00 in/Sec"},
                      SpeedCase{"", 1, 1, 9, "2540.000000/Sec"},
                      SpeedCase{"", 0, 4, kMillimetres, ""}, SpeedCase{"", 5, 4, kMillimetres, ""},
                      SpeedCase{"", -2147483647 - 1, 2147483647, kMillimetres, ""},
                      SpeedCase{"Slow,Fast", 1, 2, kMillimetres, "Slow,Fast"},
                      SpeedCase{"2 ips", 1, 2, kMillimetres, "2 ips"},
                      SpeedCase{"1.5, 2/", 0, 0, kMillimetres, "38.1 mm/Sec,50.8 mm/Sec"},
                      SpeedCase{"2,0", 0, 0, kMillimetres, "2,0"},
                      SpeedCase{"2,,3", 0, 0, kMillimetres, "2,,3"},
                      SpeedCase{"1234567890123456789012345678901234567890", 0, 0, kMillimetres,
                                "1234567890123456789012345678901234567890"}));

TEST(SpacedLength, UsesTheUnitsFormat) {
  EXPECT_EQ(FormatSpacedLength(10160, kMillimetres), "101.6 mm");
  EXPECT_EQ(FormatSpacedLength(10160, kCentimetres), "10.16 cm");
  EXPECT_EQ(FormatSpacedLength(10160, kInches), "4.00 in");
  EXPECT_EQ(FormatSpacedLength(12345, kMillimetres), "123.5 mm");
  EXPECT_EQ(FormatSpacedLength(5, 0), "5.000000");
}

// ---- back-end presets and adjustments -------------------------------------------------

TEST(BackEndProfiles, PresetTheLanguagesValues) {
  PrinterConfig c;
  c.modelName = "stale";
  PresetConfig(c, kCpclProfile);
  EXPECT_EQ(c.modelName, "");
  EXPECT_EQ(c.family, kFamilyCpcl);
  EXPECT_EQ(c.configLimit, 1024);
  EXPECT_EQ(c.capabilities, 0x1E6820u);
  EXPECT_EQ(c.tracking[0].offered, 0x2u);
  EXPECT_EQ(c.tracking[1].secondMaximum, 255);
  EXPECT_EQ(c.tracking[2].offered, 0u);
  EXPECT_EQ(c.dispense[0].offered, 0x7000u);
  EXPECT_EQ(c.dispense[1].delayMaximum, 60);
  EXPECT_EQ(c.dispense[2].offered, 0x21000u);
  EXPECT_EQ(c.dispense[2].switches, 0x20000u);
  EXPECT_EQ(c.dispense[2].offsetDefault, 1);
  EXPECT_EQ(c.dispense[2].offsetMaximum, 255);

  PresetConfig(c, kEplProfile);
  EXPECT_EQ(c.family, kFamilyEpl);
  EXPECT_EQ(c.configLimit, 32767);
  EXPECT_EQ(c.capabilities, 0xDC6960u);
  EXPECT_EQ(c.tracking[0].offered, 0x3u);
  EXPECT_EQ(c.tracking[0].heightMinimum, 12);
  EXPECT_EQ(c.tracking[0].secondMinimum, -32767);
  EXPECT_EQ(c.tracking[1].secondMaximum, 240);
  EXPECT_EQ(c.tracking[2].offered, 0x4u);
  EXPECT_EQ(c.tracking[2].secondMaximum, 65535);
  EXPECT_EQ(c.dispense[0].offered, 0u);
  EXPECT_EQ(c.dispense[2].offered, 0x0Fu);
  EXPECT_EQ(c.dispense[2].switches, 0x01u);
  EXPECT_EQ(c.dispense[2].choiceMaximum, 255);
  EXPECT_EQ(c.dispense[2].offsetMinimum, 1);
}

struct AdjustCase {
  const BackEndProfile* profile;
  DWORD capabilities, printModes, trackingModes, mediaTypes, trackingContinuous;
};

// Readable in a failure message (the CTest names carry the case index).
void PrintTo(const AdjustCase& c, std::ostream* os) {
  *os << (c.profile == &kCpclProfile ? "CPCL" : "EPL") << " profile";
}

class Adjustments : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(Adjustments, TakeAwayWhatTheLanguageDoesNotOffer) {
  const AdjustCase& a = GetParam();
  PrinterConfig c;
  c.capabilities = c.printModes = c.mediaTracking = c.mediaTypes = 0xFFFFFFFF;
  for (TrackingGroup& t : c.tracking) t.offered = 0xFF;
  for (DispenseGroup& d : c.dispense) d.offered = d.switches = 0xFFFFF;
  c.powerUp.flags = c.headClose.flags = 0x7FF;
  c.newCommandSet = 1;
  c.internalFont = 0;
  AdjustLoadedConfig(c, *a.profile);
  EXPECT_EQ(c.capabilities, a.capabilities);
  EXPECT_EQ(c.printModes, a.printModes);
  EXPECT_EQ(c.mediaTracking, a.trackingModes);
  EXPECT_EQ(c.mediaTypes, a.mediaTypes);
  EXPECT_EQ(c.tracking[0].offered, 0xFBu);
  EXPECT_EQ(c.tracking[1].offered, 0xFBu);
  EXPECT_EQ(c.tracking[2].offered, a.trackingContinuous);
  for (size_t g : {0u, 1u, 2u}) {
    EXPECT_EQ(c.dispense[g].offered, 0xFFFF7u) << g;
    EXPECT_EQ(c.dispense[g].switches, 0xFFFFFu) << g;
  }
  for (size_t g : {3u, 4u}) {
    EXPECT_EQ(c.dispense[g].offered, 0u) << g;
    EXPECT_EQ(c.dispense[g].switches, 0u) << g;
    EXPECT_EQ(c.dispense[g].offsetDefault, 0) << g;
  }
  EXPECT_EQ(c.powerUp.flags, 0x3FFu);
  EXPECT_EQ(c.headClose.flags, 0x3FFu);
  EXPECT_EQ(c.newCommandSet, 0);
  EXPECT_EQ(c.internalFont, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Adjustments,
    ::testing::Values(AdjustCase{&kCpclProfile, ~0x01C00058u, ~0x20u, ~0x12u, 0xFFFFFFFFu, 0xF8},
                      AdjustCase{&kEplProfile, ~0x01018019u, ~0x2Eu, ~0x12u, ~0x04u, 0xFC}));

}  // namespace
}  // namespace trv::dcl
