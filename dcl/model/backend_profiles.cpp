#include "dcl/model/backend_profiles.h"

namespace trv::dcl {
namespace {

constexpr DWORD kAll = 0xFFFFFFFF;
constexpr DispenseGroup kNoDispense{};
constexpr TrackingGroup kNoTracking{};

// CPCL: tear-off and peel-off offer a delay and a mode offset; the cutter offers
// the partial cut.
constexpr DispenseGroup kCpclTearOff{0x7000, 0, 0, 0, 0, 0, 0, 60, 1, 0, 255, 0, 0, 0};
constexpr DispenseGroup kCpclCutter{0x21000, 0x20000, 0, 0, 0, 0, 0, 0, 1, 0, 255, 0, 0, 0};
constexpr TrackingGroup kCpclSensor{0x2, 0, 0, 0, 0, 0, 255};

// EPL: the cutter cuts after a number of labels; the marks have a height.
constexpr DispenseGroup kEplCutter{0x0F, 0x01, 1, 1, 255, 0, 0, 0, 1, 1, 255, 0, 0, 0};
constexpr TrackingGroup kEplBlackMark{0x3, 16, 12, 240, 20, -32767, 32767};
constexpr TrackingGroup kEplGap{0x2, 0, 0, 0, 20, 0, 240};
constexpr TrackingGroup kEplContinuous{0x4, 0, 0, 0, 20, 0, 65535};

}  // namespace

const BackEndProfile kCpclProfile{
    kFamilyCpcl,
    1024,
    0x1E6820,
    {kCpclSensor, kCpclSensor, kNoTracking},
    {kCpclTearOff, kCpclTearOff, kCpclCutter, kNoDispense, kNoDispense},
    0x01C00058,
    0x20,
    0x12,
    0,
    {0x04, 0x04, 0x07},
    {0x08, 0x08, 0x08, kAll, kAll},
    {0, 0, 0, kAll, kAll},
    kHasEventDefault,
    0,
    1,
};

const BackEndProfile kEplProfile{
    kFamilyEpl,
    32767,
    0xDC6960,
    {kEplBlackMark, kEplGap, kEplContinuous},
    {kNoDispense, kNoDispense, kEplCutter, kNoDispense, kNoDispense},
    0x01018019,
    0x2E,
    0x12,
    0x04,
    {0x04, 0x04, 0x03},
    {0x08, 0x08, 0x08, kAll, kAll},
    {0, 0, 0, kAll, kAll},
    kHasEventDefault,
    0,
    1,
};

void PresetConfig(PrinterConfig& config, const BackEndProfile& profile) {
  config = PrinterConfig{};
  config.family = profile.family;
  config.configLimit = profile.configLimit;
  config.capabilities = profile.capabilities;
  config.tracking = profile.tracking;
  config.dispense = profile.dispense;
}

void AdjustLoadedConfig(PrinterConfig& config, const BackEndProfile& profile) {
  config.capabilities &= ~profile.clearedCapabilities;
  config.printModes &= ~profile.clearedPrintModes;
  config.mediaTracking &= ~profile.clearedTrackingModes;
  config.mediaTypes &= ~profile.clearedMediaTypes;
  for (size_t i = 0; i < config.tracking.size(); ++i)
    config.tracking[i].offered &= ~profile.clearedTrackingOffers[i];
  for (size_t i = 0; i < config.dispense.size(); ++i) {
    config.dispense[i].offered &= ~profile.clearedDispenseOffers[i];
    config.dispense[i].switches &= ~profile.clearedDispenseSwitches[i];
  }
  config.powerUp.flags &= ~profile.clearedEventFlags;
  config.headClose.flags &= ~profile.clearedEventFlags;
  config.newCommandSet = profile.newCommandSet;
  config.internalFont = profile.internalFont;
}

}  // namespace trv::dcl
