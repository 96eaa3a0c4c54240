// The configuration of one printer model: what the model data file says about
// it (resolution, paper and label limits, speeds, darkness, media, dispense and
// tracking modes, events) on top of the back-end's defaults. Lengths are
// hundredths of a millimetre, speeds inches per second. An empty text is absent.
#pragma once

#include <array>
#include <string>

#include "platform/windef.h"

namespace trv::dcl {

constexpr WORD kFamilyCpcl = 1;
constexpr WORD kFamilyEpl = 2;
// The third family: the only one with command prefixes.
constexpr WORD kFamilyPrefixed = 4;
constexpr WORD kFormatSingleSection = 0;
constexpr WORD kFormatMultiSection = 0x100;

// capabilities: keys the data file gave, and states of the load.
constexpr DWORD kHasDefLabelTop = 0x01;
constexpr DWORD kHasDefLabelLeft = 0x02;
constexpr DWORD kHasDefPrintRate = 0x04;
constexpr DWORD kHasDefSlewRate = 0x08;
constexpr DWORD kHasDefBackfeedRate = 0x10;
constexpr DWORD kHasDefDensity = 0x20;
constexpr DWORD kHasDefMediaType = 0x40;
constexpr DWORD kHasDefMediaTracking = 0x80;
constexpr DWORD kHasDefPrintMode = 0x200;
constexpr DWORD kLoadComplete = 0x1000;
constexpr DWORD kHasMediaWidth = 0x200000;
constexpr DWORD kControlKeyHeld = 0x10000000;
// capabilities: the bits a back-end sets or clears to offer an option.
constexpr DWORD kOffersSwitchS = 0x100;
constexpr DWORD kOffersTools = 0x800;
constexpr DWORD kOffersStatusQueries = kLoadComplete;
constexpr DWORD kOffersRotate180 = 0x2000;
constexpr DWORD kOffersCopies = 0x4000;
constexpr DWORD kOffersSwitch1006 = 0x8000;
constexpr DWORD kOffersSwitch1007 = 0x10000;
constexpr DWORD kOffersTextFonts = 0x40000;
constexpr DWORD kOffersBarcodes = 0x80000;
constexpr DWORD kOffersGraphicsRegions = 0x100000;
constexpr DWORD kOffersSwitchL = 0x400000;
constexpr DWORD kOffersTopOfFormBackup = 0x800000;
constexpr DWORD kOffersSwitch3047 = 0x1000000;

// Event flags: the data file gave the event's default.
constexpr DWORD kHasEventDefault = 0x400;
// DispenseGroup::offered: the mode offset is offered.
constexpr DWORD kOffersModeOffset = 0x1000;

// What one dispense mode offers, its default switches and its limits.
struct DispenseGroup {
  DWORD offered;   // 0x0F dispense choices, 0x1F0 backfeed choices, 0x1000 mode offset,
                   // 0x2000 present label, 0x4000 delay, 0x10000 pause after cut,
                   // 0x20000 partial cut
  DWORD switches;  // chosen dispense and backfeed choices, 0x2000, 0x10000, 0x20000
  LONG choiceDefault, choiceMinimum, choiceMaximum;
  LONG delayDefault, delayMinimum, delayMaximum;     // seconds
  LONG offsetDefault, offsetMinimum, offsetMaximum;  // dots
  LONG backfeedDefault, backfeedMinimum, backfeedMaximum;
};
static_assert(sizeof(DispenseGroup) == 56);

// What one media-tracking mode offers and its limits, in dots.
struct TrackingGroup {
  DWORD offered;  // 0x1 height, 0x2 second value, 0x4 second value with the alternative label
  LONG heightDefault, heightMinimum, heightMaximum;
  LONG secondDefault, secondMinimum, secondMaximum;
};
static_assert(sizeof(TrackingGroup) == 28);

// A speed or the darkness: limits, the texts shown for the choices and the
// numbers sent to the printer at the same positions.
struct RangeSetting {
  LONG defaultValue = 0;
  LONG minimum = 0;
  LONG maximum = 0;
  std::string display;
  std::string values;
};

// A printer event (power-up, head close): the action taken, as one bit of a set.
struct EventSetting {
  DWORD flags = 0;
  DWORD defaultChoice = 0;
  DWORD choices = 0;
};

// Groups follow the mode bits in this order.
constexpr std::array<DWORD, 3> kTrackingGroupModes{0x04, 0x08, 0x01};
constexpr std::array<DWORD, 5> kDispenseGroupModes{0x04, 0x08, 0x10, 0x02, 0x20};

struct PrinterConfig {
  WORD family = 0;
  WORD format = 0;
  std::string modelName;
  std::string modelPicture;
  DWORD capabilities = 0;
  DWORD memoryOptions = 0;
  LONG resolutionX = 0;
  LONG resolutionY = 0;
  LONG defPaperWidth = 0, defPaperHeight = 0;
  LONG minPaperWidth = 0, minPaperHeight = 0;
  LONG maxPaperWidth = 0, maxPaperHeight = 0;
  LONG configLimit = 0;
  LONG defLabelLeft = 0, defLabelTop = 0;
  LONG minLabelLeft = 0, minLabelTop = 0;
  LONG maxLabelLeft = 0, maxLabelTop = 0;
  RangeSetting printSpeed;
  RangeSetting slewSpeed;
  RangeSetting backfeedSpeed;
  RangeSetting darkness;
  DWORD defMediaType = 0;  // one bit of mediaTypes
  DWORD mediaTypes = 0;
  DWORD defMediaTracking = 0;
  DWORD mediaTracking = 0;
  std::array<TrackingGroup, 3> tracking{};
  DWORD defPrintMode = 0;
  DWORD printModes = 0;
  std::array<DispenseGroup, 5> dispense{};
  EventSetting powerUp;
  EventSetting headClose;
  LONG newCommandSet = 0;
  LONG internalFont = 0;
};

}  // namespace trv::dcl
