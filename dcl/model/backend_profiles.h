// What each printer language presets in a printer's configuration before the
// model data file is read, and what it takes away afterwards.
#pragma once

#include <array>

#include "dcl/model/printer_config.h"

namespace trv::dcl {

struct BackEndProfile {
  // Preset before the load (everything else starts at zero).
  WORD family;
  LONG configLimit;
  DWORD capabilities;
  std::array<TrackingGroup, 3> tracking;
  std::array<DispenseGroup, 5> dispense;
  // Cleared after the load.
  DWORD clearedCapabilities;
  DWORD clearedPrintModes;
  DWORD clearedTrackingModes;
  DWORD clearedMediaTypes;
  std::array<DWORD, 3> clearedTrackingOffers;
  std::array<DWORD, 5> clearedDispenseOffers;
  std::array<DWORD, 5> clearedDispenseSwitches;
  DWORD clearedEventFlags;
  // Forced after the load.
  LONG newCommandSet;
  LONG internalFont;
};

extern const BackEndProfile kCpclProfile;
extern const BackEndProfile kEplProfile;

// Clears the configuration and presets the language's values.
void PresetConfig(PrinterConfig& config, const BackEndProfile& profile);
// Takes away what the language does not offer after a load.
void AdjustLoadedConfig(PrinterConfig& config, const BackEndProfile& profile);

}  // namespace trv::dcl
