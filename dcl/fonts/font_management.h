// TrueType files and font metrics of the printer's fonts and bar codes: the search
// for a face's TrueType file, the generation of its metrics, the font installation
// run when the font and bar-code lists are saved, and the metrics the back-ends read.
// Every BOOL function: TRUE, or FALSE with the last error set.
#pragma once

#include <string>
#include <vector>

#include "dcl/model/entries.h"
#include "platform/windef.h"
#include "platform/winreg.h"

namespace trv::dcl::fonts {

// Installation actions of one font or bar code.
inline constexpr DWORD kRegisterTrueType = 0x01;
inline constexpr DWORD kUnregisterTrueType = 0x02;
inline constexpr DWORD kRemoveSubstitute = 0x10;
inline constexpr DWORD kRemoveMetrics = 0x20;
inline constexpr DWORD kStoreMetrics = 0x100;
inline constexpr DWORD kMetricsStep = 0x200;

struct FontInstallItem {
  std::string name;  // the entry's name
  FontInfo info;
  DWORD actions;
};

// Where the installation finds and keeps things: the printer's PrinterDriverData
// key (for the "UFM:" values) and the driver folder with its closing backslash.
struct FontPlace {
  HKEY driverData = nullptr;
  std::string driverDirectory;
};

// The fonts key and the font-substitutes key of HKEY_LOCAL_MACHINE, by platform family.
const char* WindowsFontsKeyName();
const char* FontSubstitutesKeyName();
// The machine's fonts folder with a closing backslash ("" when Windows cannot say).
std::string WindowsFontsDirectory();

BOOL RunFontInstallation(const FontPlace& place, const FontInstallItem* items, size_t count);

// The file name (without folder) of the TrueType font of a face and style (2 bold,
// 4 italic); ERROR_INSUFFICIENT_BUFFER when it does not fit `size` with terminator.
BOOL FindTrueTypeFile(const char* faceName, DWORD style, char* output, DWORD size);
// The same, with the face of a collection file that holds it.
DWORD FindTrueTypeFace(const std::string& faceName, DWORD style, std::string& file,
                       long& faceIndex);
// The TrueType file name with ".ufm" in place of everything from its first ".".
BOOL MetricsFileNameFor(const char* faceName, DWORD style, char* output, DWORD size);
bool HasTrueTypeFile(const char* faceName, DWORD style);

// Generates driverDirectory + file name + ".ufm" from the face and stores its bytes
// as `valueName` under `key`.
BOOL GenerateMetrics(const FontPlace& place, HKEY key, const char* valueName, const char* faceName,
                     DWORD style);
// The image GenerateMetrics writes, for a face of a file reached by its Windows path.
DWORD BuildMetricsImage(const std::string& windowsPath, long faceIndex, std::vector<BYTE>& image);

// The face name of a metrics file of the driver folder (its family name when it has
// no face name), in the ANSI code page.
BOOL ReadMetricsFaceName(const std::string& driverDirectory, const char* metricsFile, char* output,
                         DWORD size);

// A stored metrics image of a font entry, scaled by its default multipliers when
// `scale` is set. Released with FreeFontMetrics.
struct FontMetrics {
  std::vector<BYTE> image;
};
FontMetrics* LoadFontMetrics(HKEY driverData, const FontInfo& info, BOOL scale);
BOOL FreeFontMetrics(FontMetrics* metrics);
// Scales an image in place (what LoadFontMetrics does with `scale`).
DWORD ScaleFontMetrics(std::vector<BYTE>& image, const FontInfo& info);

inline constexpr DWORD kMetricAverageWidth = 1;
inline constexpr DWORD kMetricUnitsPerEm = 2;
// kind 1 fwdAveCharWidth, kind 2 fwdUnitsPerEm, sign-extended into 4 bytes.
BOOL GetFontMetric(const FontMetrics* metrics, DWORD kind, void* output, DWORD size);

}  // namespace trv::dcl::fonts
