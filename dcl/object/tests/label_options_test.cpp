#include "dcl/object/label_options.h"

#include "dcl/object/dcl_label_printer.h"
#include "dcl/object/option_blobs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace trv::dcl {
namespace {

// A value as it sits in a blob: size, id, flags, then 32-bit words.
std::vector<BYTE> MakeValue(WORD id, DWORD size, LONG setting) {
  std::vector<BYTE> v(size, 0);
  std::memcpy(v.data(), &size, 4);
  std::memcpy(v.data() + 4, &id, 2);
  if (size >= 12) std::memcpy(v.data() + 8, &setting, 4);
  return v;
}

LONG WordAt(const BYTE* value, size_t offset) {
  LONG w = 0;
  std::memcpy(&w, value + offset, 4);
  return w;
}

// Whatever a blob's counts say, the walk over its values stays inside the bytes
// it is given: a document blob of two values whose header claims 1000 value bytes.
TEST(OptionWalk, StaysInsideItsBlobWhateverTheCountsSay) {
  std::vector<BYTE> blob(kDocPropsHeaderSize, 0);
  const DWORD header = kDocPropsHeaderSize, claimed = 1000;
  std::memcpy(blob.data(), &header, 4);
  std::memcpy(blob.data() + 8, &claimed, 4);
  for (const std::vector<BYTE>& v : {MakeValue(0x1004, 12, 1), MakeValue(0x2001, 16, 2)})
    blob.insert(blob.end(), v.begin(), v.end());
  const DWORD size = static_cast<DWORD>(blob.size());  // 60
  struct Case {
    DWORD blobSize;
    WORD id;
    long at;  // offset of the value found, -1 for none
  } cases[] = {
      {size, 0x1004, 32}, {size, 0x2001, 44}, {size - 1, 0x2001, -1}, {43, 0x1004, -1},
      {44, 0x1004, 32},   {44, 0x2001, -1},   {31, 0x1004, -1},       {0, 0x1004, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.blobSize) + " " + std::to_string(c.id));
    BYTE* found = FindOptionValue(blob.data(), c.blobSize, false, c.id);
    EXPECT_EQ(found == nullptr ? -1 : found - blob.data(), c.at);
  }
  // A blob whose own count is right is walked by that count when no size is known.
  const DWORD values = size - header;
  std::memcpy(blob.data() + 8, &values, 4);
  EXPECT_EQ(FindOptionValue(blob.data(), kBlobSizeFromHeader, false, 0x2001), blob.data() + 44);
}

// The language file stand-in: text n reads "T<n>"; the ids in `missing` have no text.
class LabelOptionsTest : public ::testing::Test {
 protected:
  LabelOptions Options() {
    return LabelOptions(
        config,
        [this](UINT id, char* buffer, int size) {
          if (missing.count(id)) return 0;
          return std::snprintf(buffer, static_cast<size_t>(size), "T%u", id);
        },
        [this](WORD id) -> BYTE* {
          auto it = values.find(id);
          return it == values.end() ? nullptr : it->second.data();
        });
  }

  PrinterConfig config;
  std::map<UINT, bool> missing;
  std::map<WORD, std::vector<BYTE>> values;
};

TEST_F(LabelOptionsTest, SupportFollowsCapabilitiesFamilyAndEvents) {
  struct Case {
    WORD id;
    DWORD caps;
    WORD family;
    DWORD powerUpFlags;
    BOOL expected;
  };
  const Case cases[] = {
      {0x1001, 0, 1, 0, TRUE},
      {0x3041, 0, 1, 0, TRUE},
      {0x1004, 0x2000, 1, 0, TRUE},
      {0x1004, 0x4000, 1, 0, FALSE},
      {0x1005, 0x4000, 1, 0, TRUE},
      {0x1008, 0x01, 1, 0, TRUE},
      {0x1009, 0x01, 1, 0, FALSE},
      {0x100A, 0x800000, 1, 0, TRUE},
      {0x2001, 0x200, 1, 0, TRUE},
      {0x2001, 0, 1, 0, FALSE},
      {0x3003, 0x80, 1, 0, TRUE},
      {0x3004, 0x80, 1, 0, FALSE},
      {0x3005, 0x80, 1, 0, TRUE},
      {0x3007, 0x10, 1, 0, TRUE},
      {0x3008, 0x10, 1, 0, FALSE},
      {0x3012, 0x20, 1, 0, TRUE},
      {0x3013, 0, 1, 0x400, TRUE},
      {0x3014, 0, 1, 0x400, TRUE},
      {0x3015, 0, 1, 0x400, FALSE},
      {0x3046, 0, 1, 0x400, TRUE},
      {0x3046, 0x20, 1, 0, TRUE},
      {0x3046, 0x40, 1, 0, FALSE},
      {0x3016, 0x10000000, 1, 0, TRUE},
      {0x3016, 0, 1, 0, FALSE},
      {0x3017, 0x800, 1, 0, TRUE},
      {0x3018, 0x800, 1, 0, FALSE},
      {0x3047, 0x1000000, 1, 0, TRUE},
      {0x3024, 0xFFFFFFFF, 1, 0, FALSE},
      {0x3050, 0, 4, 0, TRUE},
      {0x3020, 0xFFFFFFFF, 4, 0x400, FALSE},
      {0x4444, 0xFFFFFFFF, 4, 0x400, FALSE},
  };
  for (const Case& c : cases) {
    config.capabilities = c.caps;
    config.family = c.family;
    config.powerUp.flags = c.powerUpFlags;
    EXPECT_EQ(Options().IsSupported(c.id), c.expected) << std::hex << c.id << " caps " << c.caps;
  }
}

TEST_F(LabelOptionsTest, DefaultsCarryHeadSettingAndGroupWords) {
  config.defLabelTop = 17;
  config.defMediaType = 0x04;
  config.printSpeed.defaultValue = 3;
  config.headClose.defaultChoice = 0x08;
  struct Case {
    WORD id;
    DWORD size;
    WORD flags;
    LONG setting;
  };
  const Case cases[] = {
      {0x1005, 12, 0x1000, 1},   {0x100A, 12, 0x1000, 1},   {0x1008, 12, 0x1000, 17},
      {0x3004, 12, 0x1000, 4},   {0x3008, 12, 0x1000, 3},   {0x3015, 12, 0x1000, 8},
      {0x3025, 12, 0x1000, '^'}, {0x3026, 12, 0x1000, ','}, {0x3027, 12, 0x1000, '~'},
      {0x1001, 12, 0x0000, 0},   {0x3041, 80, 0x1000, 0},   {0x5555, 12, 0x0000, 0},
  };
  for (const Case& c : cases) {
    const BYTE* v = Options().Default(c.id);
    DWORD size = 0;
    WORD id = 0, flags = 0;
    std::memcpy(&size, v, 4);
    std::memcpy(&id, v + 4, 2);
    std::memcpy(&flags, v + 6, 2);
    EXPECT_EQ(size, c.size) << std::hex << c.id;
    EXPECT_EQ(size, Options().ValueSize(c.id));
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(flags, c.flags) << std::hex << c.id;
    EXPECT_EQ(WordAt(v, 8), c.setting) << std::hex << c.id;
  }
}

TEST_F(LabelOptionsTest, DispenseAndTrackingDefaultsTakeTheModesGroup) {
  config.defPrintMode = 0x10;  // the third group
  config.dispense[2] = DispenseGroup{0x21000, 0x20000, 5, 1, 9, 7, 0, 60, 11, 0, 255, 13, 0, 99};
  config.defMediaTracking = 0x01;  // the third group
  config.tracking[2] = TrackingGroup{0x4, 21, 0, 99, 22, 0, 99};
  const BYTE* d = Options().Default(0x2001);
  EXPECT_EQ(WordAt(d, 0), 32);
  const LONG dispense[] = {0x10, 5, 7, 11, 13, 0x20000};
  for (size_t i = 0; i < std::size(dispense); ++i)
    EXPECT_EQ(WordAt(d, 8 + 4 * i), dispense[i]) << i;

  const BYTE* t = Options().Default(0x3005);
  EXPECT_EQ(WordAt(t, 0), 24);
  EXPECT_EQ(WordAt(t, 8), 0x01);
  EXPECT_EQ(WordAt(t, 12), 21);
  EXPECT_EQ(WordAt(t, 16), 22);

  config.defPrintMode = 0x01;  // no group: zeros
  d = Options().Default(0x2001);
  for (size_t i = 12; i < 32; i += 4) EXPECT_EQ(WordAt(d, i), 0) << i;
}

TEST_F(LabelOptionsTest, EnabledFollowsTheCurrentValue) {
  config.dispense[1].offered = 0x7000;        // mode 0x08
  config.tracking[0].offered = 0;             // bit 0x04
  EXPECT_FALSE(Options().IsEnabled(0x2001));  // no value attached
  EXPECT_FALSE(Options().IsEnabled(0x3005));
  EXPECT_TRUE(Options().IsEnabled(0x3041));
  EXPECT_TRUE(Options().IsEnabled(0x1005));

  values[0x2001] = MakeValue(0x2001, 32, 0x08);
  values[0x3005] = MakeValue(0x3005, 24, 0x04);
  values[0x3041] = MakeValue(0x3041, 80, 0);
  EXPECT_TRUE(Options().IsEnabled(0x2001));
  EXPECT_FALSE(Options().IsEnabled(0x3005));
  EXPECT_FALSE(Options().IsEnabled(0x3041));
  values[0x2001] = MakeValue(0x2001, 32, 0x01);  // a mode without a group
  EXPECT_FALSE(Options().IsEnabled(0x2001));
}

TEST_F(LabelOptionsTest, Ranges) {
  config.configLimit = 500;
  config.minLabelLeft = -5;
  config.maxLabelLeft = 40;
  config.darkness.minimum = 2;
  config.darkness.maximum = 28;
  struct Case {
    WORD id;
    BOOL range;
    LONG minimum, maximum;
  };
  const Case cases[] = {{0x1005, TRUE, 1, 500},
                        {0x1009, TRUE, -5, 40},
                        {0x3012, FALSE, 2, 28},
                        {0x3026, TRUE, 1, 255},
                        {0x3004, FALSE, 0, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(Options().HasRange(c.id), c.range) << std::hex << c.id;
    EXPECT_EQ(Options().Minimum(c.id), c.minimum) << std::hex << c.id;
    EXPECT_EQ(Options().Maximum(c.id), c.maximum) << std::hex << c.id;
  }
}

TEST_F(LabelOptionsTest, BitSetChoicesAreTheSetBitsInOrder) {
  config.family = 1;
  config.printModes = 0x0A;  // the file's PrintMode=0,1
  config.mediaTypes = 0x05;
  config.powerUp.choices = 0x1C;
  struct Case {
    WORD id;
    std::vector<LONG> choices;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {0x2001, {0x02, 0x08}, {"T12276", "T12279"}},
      {0x3004, {0x01, 0x04}, {"T12284", "T12285"}},
      {0x3014, {0x04, 0x08, 0x10}, {"T12293", "T12294", "T12295"}},
      {0x3015, {}, {}},
  };
  for (const Case& c : cases) {
    LabelOptions o = Options();
    EXPECT_EQ(o.HasChoices(c.id), !c.choices.empty()) << std::hex << c.id;
    ASSERT_EQ(o.ChoiceCount(c.id), c.choices.size()) << std::hex << c.id;
    for (DWORD n = 0; n < c.choices.size(); ++n) {
      EXPECT_EQ(o.ChoiceValue(c.id, n), c.choices[n]) << std::hex << c.id << " " << n;
      EXPECT_EQ(std::string(o.ChoiceText(c.id, n)), c.texts[n]) << std::hex << c.id << " " << n;
    }
  }
}

TEST_F(LabelOptionsTest, NthSetBitCountsFromBitZero) {
  struct Case {
    DWORD set, n, bit;
  };
  const Case cases[] = {{0x0A, 0, 0x02},      {0x0A, 1, 0x08}, {0x0A, 2, 0},
                        {0x18001, 1, 0x8000}, {0x18001, 2, 0}, {0, 0, 0}};
  for (const Case& c : cases) EXPECT_EQ(NthSetBit(c.set, c.n), c.bit) << c.set << " " << c.n;
}

TEST_F(LabelOptionsTest, SpeedChoicesReadTheListsOrCountFromTheMinimum) {
  config.printSpeed = RangeSetting{3, 2, 5, "", "A,B"};
  config.slewSpeed = RangeSetting{1, 1, 3, "slow,,fast", "10,20,30,40"};
  config.backfeedSpeed = RangeSetting{1, 4, 4, "x", "1"};
  struct Case {
    WORD id;
    std::vector<LONG> values;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {0x3008, {0, 0, 4, 5}, {"2", "3", "4", "5"}},
      {0x3009, {10, 20, 30}, {"slow", "2", "fast"}},
      {0x3010, {}, {}},
  };
  for (const Case& c : cases) {
    LabelOptions o = Options();
    EXPECT_EQ(o.HasChoices(c.id), !c.values.empty()) << std::hex << c.id;
    ASSERT_EQ(o.ChoiceCount(c.id), c.values.size()) << std::hex << c.id;
    for (DWORD n = 0; n < c.values.size(); ++n) {
      EXPECT_EQ(o.ChoiceValue(c.id, n), c.values[n]) << std::hex << c.id << " " << n;
      EXPECT_EQ(std::string(o.ChoiceText(c.id, n)), c.texts[n]) << std::hex << c.id << " " << n;
    }
  }
}

TEST_F(LabelOptionsTest, DarknessIsFreeTextWithoutADisplayList) {
  config.darkness = RangeSetting{10, 0, 30, "", ""};
  EXPECT_TRUE(Options().IsFreeText(0x3012));
  EXPECT_FALSE(Options().HasChoices(0x3012));
  EXPECT_EQ(Options().Minimum(0x3012), 0);
  EXPECT_EQ(Options().Maximum(0x3012), 30);

  config.darkness = RangeSetting{2, 1, 3, "Light,Normal,Dark", ""};
  EXPECT_FALSE(Options().IsFreeText(0x3012));
  EXPECT_TRUE(Options().HasChoices(0x3012));
  ASSERT_EQ(Options().ChoiceCount(0x3012), 3u);
  EXPECT_EQ(std::string(Options().ChoiceText(0x3012, 2)), "Dark");
  // Without a value list the choices are the range's own values.
  EXPECT_EQ(Options().ChoiceValue(0x3012, 0), 1);
  EXPECT_EQ(Options().ChoiceValue(0x3012, 2), 3);

  config.darkness = RangeSetting{0, 5, 5, "", ""};
  EXPECT_FALSE(Options().IsFreeText(0x3012));
  EXPECT_FALSE(Options().IsFreeText(0x3008));
}

TEST_F(LabelOptionsTest, ValueTextsByFamily) {
  struct Case {
    WORD family;
    LONG newCommandSet;
    WORD id;
    LONG value;
    std::string text;
  };
  const Case cases[] = {
      {1, 0, 0x1004, 1, "T81"},           {2, 0, 0x3022, 0, "T75"},
      {1, 0, 0x2001, 0x01, "T12399"},     {4, 0, 0x2001, 0x01, "T12275"},
      {2, 0, 0x2001, 0x04, "T12352"},     {4, 0, 0x2001, 0x08, "T12278"},
      {1, 0, 0x3005, 0x08, "T12289"},     {4, 0, 0x3005, 0x04, "T12550"},
      {4, 1, 0x3005, 0x04, "T12574"},     {4, 1, 0x3005, 0x01, "T12399"},
      {1, 1, 0x3005, 0x04, "T12288"},     {1, 0, 0x3005, 0x10, "T12290"},
      {4, 0, 0x3005, 0x08, "0x00000008"}, {1, 0, 0x3004, 3, "0x00000003"},
      {2, 0, 0x3015, 0x10, "T12295"},     {4, 0, 0x3049, 1, "T12563"},
      {1, 0, 0x1234, -1, "0xFFFFFFFF"},   {3, 0, 0x1004, 1, "0x00000001"},
  };
  for (const Case& c : cases) {
    config.family = c.family;
    config.newCommandSet = c.newCommandSet;
    EXPECT_EQ(std::string(Options().ValueText(c.id, c.value)), c.text)
        << c.family << " " << std::hex << c.id << " " << c.value;
  }
  // A row whose text is empty falls back to the number.
  config.family = 1;
  missing[81] = true;
  EXPECT_EQ(std::string(Options().ValueText(0x1006, 1)), "0x00000001");
  EXPECT_EQ(std::string(Options().ChoiceText(0x1006, 0)), "T82");
}

TEST_F(LabelOptionsTest, UserCommandChoiceTexts) {
  struct Case {
    LONG set;
    std::string command;
    std::string text;
  };
  const Case cases[] = {
      {0, "ignored", "T12418"},
      {1, "SHORT", "SHORT"},
      {1, "exactly twenty chars", "exactly twenty chars"},
      {1, "twenty-one characters", "twenty-one chara ..."},
      {1, std::string(67, 'x'), std::string(16, 'x') + " ..."},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> v = MakeValue(0x3042, 80, c.set);
    std::memcpy(v.data() + 12, c.command.data(), std::min<size_t>(c.command.size(), 67));
    values[0x3042] = v;
    EXPECT_EQ(Options().ChoiceCount(0x3042), 2u);
    EXPECT_EQ(std::string(Options().ChoiceText(0x3042, 0)), "T12417");
    EXPECT_EQ(std::string(Options().ChoiceText(0x3042, 1)), c.text) << c.command;
  }
  // A value without a terminator is read only as far as it reaches.
  std::vector<BYTE> full = MakeValue(0x3045, 80, 1);
  std::memset(full.data() + 12, 'y', 68);
  values[0x3045] = full;
  EXPECT_EQ(std::string(Options().ChoiceText(0x3045, 1)), std::string(16, 'y') + " ...");
}

TEST_F(LabelOptionsTest, EventsStayCoupled) {
  config.powerUp.choices = 0x1F;
  config.headClose.choices = 0x1C;
  values[0x3014] = MakeValue(0x3014, 12, 0x01);
  values[0x3015] = MakeValue(0x3015, 12, 0x08);
  auto set = [this](WORD id, LONG setting, DWORD mode) {
    std::memcpy(values[id].data() + 8, &setting, 4);
    Options().ApplyChange(id, values[id].data(), mode);
  };
  set(0x3014, 0x10, 0x08);
  EXPECT_EQ(WordAt(values[0x3015].data(), 8), 0x10);
  set(0x3014, 0x02, 0x08);
  EXPECT_EQ(WordAt(values[0x3015].data(), 8), 0x04);  // head close's lowest own action
  set(0x3015, 0x10, 0x01);
  EXPECT_EQ(WordAt(values[0x3014].data(), 8), 0x10);
  set(0x3015, 0x08, 0x01);
  EXPECT_EQ(WordAt(values[0x3014].data(), 8), 0x01);
  // Attaching a blob changes nothing.
  set(0x3014, 0x10, 0x02);
  EXPECT_EQ(WordAt(values[0x3015].data(), 8), 0x08);
  // An event with no action of its own below 0x10 keeps the shared one.
  config.headClose.choices = 0x10;
  values[0x3015] = MakeValue(0x3015, 12, 0x10);
  set(0x3014, 0x04, 0x08);
  EXPECT_EQ(WordAt(values[0x3015].data(), 8), 0x10);
}

TEST_F(LabelOptionsTest, ChangedModesRefillTheirWords) {
  config.dispense[3] = DispenseGroup{0, 0x5, 6, 0, 0, 7, 0, 0, 8, 0, 0, 9, 0, 0};  // mode 0x02
  config.tracking[1] = TrackingGroup{0x2, 31, 0, 0, 32, 0, 0};                     // bit 0x08
  std::vector<BYTE> d = MakeValue(0x2001, 32, 0x02);
  Options().ApplyChange(0x2001, d.data(), 0x01);
  const LONG words[] = {0x02, 6, 7, 8, 9, 0x5};
  for (size_t i = 0; i < std::size(words); ++i) EXPECT_EQ(WordAt(d.data(), 8 + 4 * i), words[i]);

  std::vector<BYTE> t = MakeValue(0x3005, 24, 0x08);
  std::memset(t.data() + 12, 0x55, 8);
  Options().ApplyChange(0x3005, t.data(), 0x02);  // attached: left alone
  EXPECT_EQ(WordAt(t.data(), 12), 0x55555555);
  Options().ApplyChange(0x3005, t.data(), 0x08);
  EXPECT_EQ(WordAt(t.data(), 12), 31);
  EXPECT_EQ(WordAt(t.data(), 16), 32);

  // A value shorter than its layout is never written past its end.
  std::vector<BYTE> shortValue = MakeValue(0x2001, 12, 0x02);
  shortValue.push_back(0xEE);
  Options().ApplyChange(0x2001, shortValue.data(), 0x08);
  EXPECT_EQ(shortValue.back(), 0xEE);
}

// The label layer with a back-end that prints nothing: enough to ask it about options.
class BareLabelPrinter : public CDCLLabelPrinter {
 public:
  const char* GetDefFileName() override { return ""; }
  BOOL AddDownloadFont(void*, ModelTables*, WORD*, HWND, void*) override { return FALSE; }
  BOOL DeleteDownloadFont(const char*, void*) override { return FALSE; }
  BOOL WriteTextCommand(LONG, LONG, LONG, LONG, LONG, LONG, LONG, DWORD, const TextFontEntry*,
                        const BYTE*, DWORD, BYTE*) override {
    return FALSE;
  }
  const NameTableEntry* GetNameTable(spool::ItemKind) override { return nullptr; }
  DWORD GetNameTableCount(spool::ItemKind) override { return 0; }
};

TEST(LabelPrinterOptions, TheObjectAnswersFromItsConfiguration) {
  BareLabelPrinter printer;
  CDCLBase& object = printer;
  EXPECT_FALSE(object.IsOptionSupported(0x3008));
  PrinterConfig config;
  config.capabilities = 0x04 | 0x200;
  config.printSpeed = RangeSetting{3, 2, 4, "two,three", "20,30"};
  config.defPrintMode = 0x04;
  config.dispense[0] = DispenseGroup{0x7000, 0, 0, 0, 0, 5, 0, 60, 1, 0, 255, 0, 0, 0};
  printer.SetConfig(config);

  EXPECT_TRUE(object.IsOptionSupported(0x3008));
  EXPECT_TRUE(object.HasOptionChoices(0x3008));
  EXPECT_EQ(object.GetOptionChoiceCount(0x3008), 3u);
  EXPECT_EQ(object.GetOptionChoiceValue(0x3008, 1), 30);
  EXPECT_EQ(std::string(object.GetOptionChoiceText(0x3008, 1)), "three");
  EXPECT_EQ(std::string(object.GetOptionChoiceText(0x3008, 2)), "4");
  EXPECT_EQ(object.ReservedOptionQuery94(0x3008, 0), 0);

  const BYTE* d = object.GetOptionDefault(0x2001);
  EXPECT_EQ(object.GetOptionValueSize(0x2001), 32u);
  EXPECT_EQ(WordAt(d, 8), 0x04);
  EXPECT_EQ(WordAt(d, 16), 5);

  // A mode chosen by command brings its own words along.
  std::vector<BYTE> value = MakeValue(0x2001, 32, 0x04);
  EXPECT_TRUE(object.NotifyOptionChanged(0x2001, value.data(), OPTION_SET_BY_COMMAND));
  EXPECT_EQ(WordAt(value.data(), 16), 5);
  EXPECT_EQ(WordAt(value.data(), 20), 1);
}

}  // namespace
TEST_F(LabelOptionsTest, DialogsOpenOnlyForAModeTheyHaveAGroupFor) {
  BYTE value[80] = {};
  auto check = [&](WORD id, LONG setting) {
    std::memcpy(value + 8, &setting, 4);
    return Options().CheckDialogValue(id, value);
  };
  struct Case {
    WORD id;
    LONG setting;
    DWORD error;
  } cases[] = {
      {0x2001, 0x02, ERROR_SUCCESS},
      {0x2001, 0x20, ERROR_SUCCESS},
      {0x2001, 0x01, ERROR_INVALID_PARAMETER},
      {0x2001, 0x06, ERROR_INVALID_PARAMETER},
      {0x3005, 0x01, ERROR_SUCCESS},
      {0x3005, 0x08, ERROR_SUCCESS},
      {0x3005, 0x02, ERROR_INVALID_PARAMETER},
      {0x3005, 0x10, ERROR_INVALID_PARAMETER},
      {0x3041, 0, ERROR_SUCCESS},
      {0x3001, 0, ERROR_SUCCESS},
  };
  for (const Case& c : cases)
    EXPECT_EQ(check(c.id, c.setting), c.error) << std::hex << c.id << " " << c.setting;
  for (WORD id : {0x2001, 0x3005, 0x3041, 0x3045})
    EXPECT_EQ(Options().CheckDialogValue(id, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER))
        << std::hex << id;
  // The lists' dialogs read the printer's lists, not a value.
  EXPECT_EQ(Options().CheckDialogValue(0x3002, nullptr), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(LabelOptions::HasDialog(0x3020));
  EXPECT_FALSE(LabelOptions::HasDialog(0x3017));  // the back-ends' tools dialog
}

}  // namespace trv::dcl
