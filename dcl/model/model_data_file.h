// The model data file: the parameters of one printer model, read into its
// PrinterConfig. Two formats exist: "Config=Configuration" keeps every key in the
// section "Config"; "Config=KORAL1..." spreads them over sections by subject.
#pragma once

#include "dcl/model/printer_config.h"

namespace trv::dcl {

// Reads directory + fileName into config, which holds the back-end's presets.
// dpiOverride is the printer's "UseDPIRegistry" setting (0 when it has none; only
// 1 to 999 count); unit is the user's measurement unit, for the speed texts.
// Fails with the file's opening error, or with ERROR_BAD_CONFIGURATION when the
// "Config" key is missing or unknown, or the model name or resolution is missing;
// config is then left exactly as it was.
BOOL ReadModelDataFile(PrinterConfig& config, const char* directory, const char* fileName,
                       DWORD dpiOverride, int unit);

// Reads "InternalFont" of the section "Private" of the product configuration file
// directory + fileName into config. Fails with the opening error when the file
// cannot be opened.
BOOL ReadProductConfiguration(PrinterConfig& config, const char* directory, const char* fileName);

}  // namespace trv::dcl
