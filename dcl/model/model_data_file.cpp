#include "dcl/model/model_data_file.h"

#include <array>
#include <new>
#include <string>
#include <string_view>

#include "dcl/model/def_reader.h"
#include "dcl/model/number_text.h"
#include "dcl/model/speed_display.h"
#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv::dcl {
namespace {

// The subjects of the multi-section format; the single-section format keeps them
// all in "Config".
enum Section {
  kName,
  kResolution,
  kPapers,
  kOffsets,
  kDispenseMode,
  kMediaType,
  kMediaTracking,
  kSpeedSettings,
  kHeadSettings,
  kEvents,
  kMedia,
  kOptions,
  kSectionCount
};

constexpr std::array<const char*, kSectionCount> kSectionNames{
    "NAME",           "RESOLUTION",     "PAPERS",        "OFFSETS", "DISPENSE_MODE", "MEDIA_TYPE",
    "MEDIA_TRACKING", "SPEED_SETTINGS", "HEAD_SETTINGS", "EVENTS",  "MEDIA",         "OPTIONS"};

constexpr const char* kConfigSection = "Config";
constexpr const char* kConfigKey = "Config";
constexpr const char* kSingleSectionFormat = "Configuration";
constexpr std::string_view kMultiSectionPrefix = "KORAL1";

constexpr LONG kDefaultPaperSize = 10000;
constexpr LONG kDefaultMinimumPaperSize = 1;
constexpr LONG kDefaultInternalFont = 1;
constexpr DWORD kPaperLengthFlags = UNITS | INCH_DEFAULT | HUNDREDTHS;

// ---- key tables ----------------------------------------------------------------

struct NumberKey {
  const char* name;
  Section section;
  DWORD flags;
  DWORD presentBit;  // set in capabilities when the key is there
  LONG& (*field)(PrinterConfig&);
};

// A field of the configuration, as an accessor the key tables can hold.
// clang-format off
#define TRV_FIELD(expr) [](PrinterConfig& c) -> auto& { return c.expr; }
// clang-format on

const std::array<NumberKey, 21> kNumberKeys{{
    {"DefPaperWidth", kPapers, kPaperLengthFlags, 0, TRV_FIELD(defPaperWidth)},
    {"DefPaperHeight", kPapers, kPaperLengthFlags, 0, TRV_FIELD(defPaperHeight)},
    {"MinPaperWidth", kPapers, kPaperLengthFlags, 0, TRV_FIELD(minPaperWidth)},
    {"MinPaperHeight", kPapers, kPaperLengthFlags, 0, TRV_FIELD(minPaperHeight)},
    {"MaxPaperWidth", kPapers, kPaperLengthFlags, 0, TRV_FIELD(maxPaperWidth)},
    {"MaxPaperHeight", kPapers, kPaperLengthFlags, 0, TRV_FIELD(maxPaperHeight)},
    {"DefLabelLeft", kOffsets, 0, kHasDefLabelLeft, TRV_FIELD(defLabelLeft)},
    {"DefLabelTop", kOffsets, 0, kHasDefLabelTop, TRV_FIELD(defLabelTop)},
    {"MinLabelLeft", kOffsets, 0, 0, TRV_FIELD(minLabelLeft)},
    {"MinLabelTop", kOffsets, 0, 0, TRV_FIELD(minLabelTop)},
    {"MaxLabelLeft", kOffsets, 0, 0, TRV_FIELD(maxLabelLeft)},
    {"MaxLabelTop", kOffsets, 0, 0, TRV_FIELD(maxLabelTop)},
    {"DefPrintRate", kSpeedSettings, 0, kHasDefPrintRate, TRV_FIELD(printSpeed.defaultValue)},
    {"MinPrintRate", kSpeedSettings, 0, 0, TRV_FIELD(printSpeed.minimum)},
    {"MaxPrintRate", kSpeedSettings, 0, 0, TRV_FIELD(printSpeed.maximum)},
    {"DefSlewRate", kSpeedSettings, 0, kHasDefSlewRate, TRV_FIELD(slewSpeed.defaultValue)},
    {"MinSlewRate", kSpeedSettings, 0, 0, TRV_FIELD(slewSpeed.minimum)},
    {"MaxSlewRate", kSpeedSettings, 0, 0, TRV_FIELD(slewSpeed.maximum)},
    {"DefBackfeedRate", kSpeedSettings, 0, kHasDefBackfeedRate,
     TRV_FIELD(backfeedSpeed.defaultValue)},
    {"MinBackfeedRate", kSpeedSettings, 0, 0, TRV_FIELD(backfeedSpeed.minimum)},
    {"MaxBackfeedRate", kSpeedSettings, 0, 0, TRV_FIELD(backfeedSpeed.maximum)},
}};

const std::array<NumberKey, 3> kDarknessKeys{{
    {"DefDensity", kHeadSettings, 0, kHasDefDensity, TRV_FIELD(darkness.defaultValue)},
    {"MinDensity", kHeadSettings, 0, 0, TRV_FIELD(darkness.minimum)},
    {"MaxDensity", kHeadSettings, 0, 0, TRV_FIELD(darkness.maximum)},
}};

struct TextKey {
  const char* name;
  Section section;
  std::string& (*field)(PrinterConfig&);
};

const std::array<TextKey, 10> kTextKeys{{
    {"PrinterName", kName, TRV_FIELD(modelName)},
    {"ModelBmp", kName, TRV_FIELD(modelPicture)},
    {"PrintRateDisplay", kSpeedSettings, TRV_FIELD(printSpeed.display)},
    {"PrintRateNumber", kSpeedSettings, TRV_FIELD(printSpeed.values)},
    {"SlewRateDisplay", kSpeedSettings, TRV_FIELD(slewSpeed.display)},
    {"SlewRateNumber", kSpeedSettings, TRV_FIELD(slewSpeed.values)},
    {"BackfeedRateDisplay", kSpeedSettings, TRV_FIELD(backfeedSpeed.display)},
    {"BackfeedRateNumber", kSpeedSettings, TRV_FIELD(backfeedSpeed.values)},
    {"DensityDisplay", kHeadSettings, TRV_FIELD(darkness.display)},
    {"DensityNumber", kHeadSettings, TRV_FIELD(darkness.values)},
}};

// List numbers of the data file and the bits they stand for.
struct BitOf {
  LONG number;
  DWORD bit;
};
using BitMap = std::array<BitOf, 7>;  // unused places hold number -1

constexpr BitMap kMemoryBits{
    {{1, 0x01}, {2, 0x02}, {3, 0x04}, {4, 0x10}, {5, 0x20}, {6, 0x40}, {-1, 0}}};
constexpr BitMap kMediaTypeBits{
    {{0, 0x02}, {1, 0x01}, {10, 0x04}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}}};
constexpr BitMap kTrackingBits{
    {{0, 0x02}, {1, 0x01}, {2, 0x04}, {3, 0x08}, {10, 0x10}, {-1, 0}, {-1, 0}}};
constexpr BitMap kPrintModeBits{
    {{0, 0x08}, {1, 0x02}, {2, 0x04}, {3, 0x10}, {4, 0x20}, {9, 0x01}, {10, 0x20}}};
constexpr BitMap kEventBits{
    {{0, 0x01}, {1, 0x02}, {2, 0x04}, {3, 0x08}, {10, 0x10}, {-1, 0}, {-1, 0}}};

struct BitKey {
  const char* name;
  Section section;
  const BitMap* map;
  bool single;  // one number (a default), else a comma-separated list
  DWORD presentBit;
  DWORD& (*present)(PrinterConfig&);  // where presentBit goes
  DWORD& (*field)(PrinterConfig&);
};

const std::array<BitKey, 11> kBitKeys{{
    {"Memory", kOptions, &kMemoryBits, false, 0, TRV_FIELD(capabilities), TRV_FIELD(memoryOptions)},
    {"DefMediaType", kMediaType, &kMediaTypeBits, true, kHasDefMediaType, TRV_FIELD(capabilities),
     TRV_FIELD(defMediaType)},
    {"MediaType", kMediaType, &kMediaTypeBits, false, 0, TRV_FIELD(capabilities),
     TRV_FIELD(mediaTypes)},
    {"DefMediaTracking", kMediaTracking, &kTrackingBits, true, kHasDefMediaTracking,
     TRV_FIELD(capabilities), TRV_FIELD(defMediaTracking)},
    {"MediaTracking", kMediaTracking, &kTrackingBits, false, 0, TRV_FIELD(capabilities),
     TRV_FIELD(mediaTracking)},
    {"DefPrintMode", kDispenseMode, &kPrintModeBits, true, kHasDefPrintMode,
     TRV_FIELD(capabilities), TRV_FIELD(defPrintMode)},
    {"PrintMode", kDispenseMode, &kPrintModeBits, false, 0, TRV_FIELD(capabilities),
     TRV_FIELD(printModes)},
    {"DefPowerUp", kEvents, &kEventBits, true, kHasEventDefault, TRV_FIELD(powerUp.flags),
     TRV_FIELD(powerUp.defaultChoice)},
    {"PowerUp", kEvents, &kEventBits, false, 0, TRV_FIELD(powerUp.flags),
     TRV_FIELD(powerUp.choices)},
    {"DefHeadClose", kEvents, &kEventBits, true, kHasEventDefault, TRV_FIELD(headClose.flags),
     TRV_FIELD(headClose.defaultChoice)},
    {"HeadClose", kEvents, &kEventBits, false, 0, TRV_FIELD(headClose.flags),
     TRV_FIELD(headClose.choices)},
}};

#undef TRV_FIELD

// The mode-offset keys of the dispense groups, in group order: the cutter has its
// own, the other modes share the tear-off ones.
constexpr std::array<const char*, 5> kModeOffsetKeys{"TearOff", "TearOff", "CutterValue", "TearOff",
                                                     "TearOff"};

// ---- reading -------------------------------------------------------------------

class DataFile {
 public:
  DataFile(DefReader& reader, WORD format) : reader_(reader), format_(format) {}

  // The value of a key of the subject's section; null when the key is absent.
  const char* Value(Section section, const char* key) {
    const char* name = format_ == kFormatMultiSection ? kSectionNames[section] : kConfigSection;
    return reader_.GetKeyValue(name, key);
  }

  bool Number(Section section, const char* key, DWORD flags, LONG& value) {
    const char* text = Value(section, key);
    if (text == nullptr) return false;
    value = ParseNumber(text, flags, nullptr);
    return true;
  }

 private:
  DefReader& reader_;
  WORD format_;
};

DWORD BitFor(const BitMap& map, LONG number) {
  for (const BitOf& entry : map)
    if (entry.number == number && entry.bit != 0) return entry.bit;
  return 0;
}

DWORD BitsOfList(const BitMap& map, std::string_view list) {
  DWORD bits = 0;
  size_t start = 0;
  while (start < list.size()) {
    size_t comma = list.find(',', start);
    size_t end = comma == std::string_view::npos ? list.size() : comma;
    bits |= BitFor(map, ParseNumber(list.substr(start, end - start), 0, nullptr));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return bits;
}

bool ReadFormat(DefReader& reader, WORD& format) {
  const char* value = reader.GetKeyValue(kConfigSection, kConfigKey);
  if (value != nullptr && lstrcmpiA(value, kSingleSectionFormat) == 0) {
    format = kFormatSingleSection;
    return true;
  }
  if (value != nullptr &&
      std::string_view(value).substr(0, kMultiSectionPrefix.size()) == kMultiSectionPrefix) {
    format = kFormatMultiSection;
    return true;
  }
  return false;
}

template <size_t N>
void ReadNumbers(DataFile& file, PrinterConfig& config, const std::array<NumberKey, N>& keys) {
  for (const NumberKey& key : keys) {
    LONG value = 0;
    if (!file.Number(key.section, key.name, key.flags, value)) continue;
    key.field(config) = value;
    config.capabilities |= key.presentBit;
  }
}

void ReadTexts(DataFile& file, PrinterConfig& config) {
  for (const TextKey& key : kTextKeys) {
    const char* value = file.Value(key.section, key.name);
    if (value != nullptr) key.field(config) = value;
  }
}

void ReadBits(DataFile& file, PrinterConfig& config) {
  for (const BitKey& key : kBitKeys) {
    const char* value = file.Value(key.section, key.name);
    if (value == nullptr) continue;
    key.field(config) =
        key.single ? BitFor(*key.map, ParseNumber(value, 0, nullptr)) : BitsOfList(*key.map, value);
    key.present(config) |= key.presentBit;
  }
}

void ReadModeOffsets(DataFile& file, PrinterConfig& config) {
  for (size_t i = 0; i < config.dispense.size(); ++i) {
    DispenseGroup& group = config.dispense[i];
    std::string suffix = kModeOffsetKeys[i];
    if (file.Number(kDispenseMode, ("Def" + suffix).c_str(), 0, group.offsetDefault))
      group.offered |= kOffersModeOffset;
    file.Number(kDispenseMode, ("Min" + suffix).c_str(), 0, group.offsetMinimum);
    file.Number(kDispenseMode, ("Max" + suffix).c_str(), 0, group.offsetMaximum);
  }
}

void ReadSwitches(DataFile& file, PrinterConfig& config) {
  LONG value = 0;
  if (file.Number(kMedia, "HasMediaWidth", 0, value)) {
    if (value != 0)
      config.capabilities |= kHasMediaWidth;
    else
      config.capabilities &= ~kHasMediaWidth;
  }
  if (file.Number(kOptions, "NewLanguage", 0, value)) config.newCommandSet = value == 1 ? 1 : 0;
}

// The resolution: the printer's override when it has a valid one, else the data
// file's dots per millimetre, else its dots per inch. A value that gives no
// positive resolution counts as absent, since every length in dots depends on it.
bool ReadResolution(DataFile& file, PrinterConfig& config, DWORD dpiOverride) {
  LONG dpi = 0;
  if (dpiOverride >= 1 && dpiOverride <= 999) {
    dpi = static_cast<LONG>(dpiOverride);
  } else {
    LONG value = 0;
    if (file.Number(kResolution, "DotsPerMM", 0, value)) dpi = MulDiv(value, 254, 10);
    if (dpi <= 0 && file.Number(kResolution, "DotsPerINCH", 0, value)) dpi = value;
  }
  if (dpi <= 0) return false;
  config.resolutionX = config.resolutionY = dpi;
  return true;
}

void PresetDefaults(PrinterConfig& config) {
  config.defPaperWidth = config.defPaperHeight = kDefaultPaperSize;
  config.minPaperWidth = config.minPaperHeight = kDefaultMinimumPaperSize;
  config.maxPaperWidth = config.maxPaperHeight = kDefaultPaperSize;
  config.internalFont = kDefaultInternalFont;
}

void FixPaperSizes(PrinterConfig& config) {
  for (LONG* size : {&config.defPaperWidth, &config.defPaperHeight, &config.maxPaperWidth,
                     &config.maxPaperHeight})
    if (*size == 0) *size = kDefaultPaperSize;
}

bool ReadConfig(DefReader& reader, PrinterConfig& config, DWORD dpiOverride, int unit) {
  WORD format = 0;
  if (!ReadFormat(reader, format)) return false;
  DataFile file(reader, format);
  config.format = format;
  PresetDefaults(config);
  const char* modelName = file.Value(kName, "PrinterName");
  if (modelName == nullptr || *modelName == '\0') return false;
  ReadTexts(file, config);
  if (!ReadResolution(file, config, dpiOverride)) return false;
  ReadNumbers(file, config, kNumberKeys);
  ReadNumbers(file, config, kDarknessKeys);
  FixPaperSizes(config);
  ReadBits(file, config);
  ReadModeOffsets(file, config);
  ReadSwitches(file, config);
  RewriteSpeedDisplay(config.printSpeed, unit);
  RewriteSpeedDisplay(config.slewSpeed, unit);
  RewriteSpeedDisplay(config.backfeedSpeed, unit);
  return true;
}

}  // namespace

BOOL ReadModelDataFile(PrinterConfig& config, const char* directory, const char* fileName,
                       DWORD dpiOverride, int unit) {
  try {
    DefReader reader;
    if (!reader.Open(directory, fileName)) return FALSE;
    PrinterConfig loaded = config;
    if (!ReadConfig(reader, loaded, dpiOverride, unit)) return Fail(ERROR_BAD_CONFIGURATION);
    config = std::move(loaded);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL ReadProductConfiguration(PrinterConfig& config, const char* directory, const char* fileName) {
  try {
    DefReader reader;
    if (!reader.Open(directory, fileName)) return FALSE;
    const char* value = reader.GetKeyValue("Private", "InternalFont");
    if (value != nullptr) {
      LONG n = ParseNumber(value, 0, nullptr);
      config.internalFont = n == 0 ? 0 : 1;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

}  // namespace trv::dcl
