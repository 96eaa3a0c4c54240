// The job's devmode as the driver keeps it: the public DEVMODEW (220 bytes) followed
// by dmDriverExtra bytes of the driver's private part. Applications and the spooler
// store devmodes, so the private part is a stored format, little-endian:
//   0   4 bytes  magic "TRV3"
//   4   i16      brightness for 24-bpp pages, percent (0 = none)
//   6   i16      contrast for 24-bpp pages (0 = none)
//   8   u16      RenderMode: 4 = 1 bit per pixel; 0, 1, 2 = 24 bits per pixel reduced
//                by threshold, ordered dither or error diffusion
//   10  u16 x2   zero
//   14  u16      RawCommandFlag                    16  u16  BarcodeCollectFlag
//   18  u16      FrameFlag
//   20  char[5]  raw-command start delimiter       25  char[5]  its end delimiter
//   30  char[5]  bar-code start delimiter          35  char[5]  its end delimiter
//   40  u16      model id
//   42  u16      non-zero: the page bits are sent as they are, without reduction
//   44  u16      lines as line records (with 46)   46  u16  lines as line records
//   48  12 bytes zero
//   60  i32 x4   physical offset x, y and physical width, height in dots
//   76  u32      halftone flags (1-bpp pages)      80  u32  halftone pattern size
//   84  u32      zero
//   88  120      COLORINFO for 1-bpp pages
//   208 u32      where the DocProps blob starts    212 u32  where DevProps starts
//   216          the DocProps blob, then the DevProps blob
// The two fields at 208 and 212, and the value pointer inside each blob, held an
// address in the 32-bit layout; here they hold the offset of what they name within
// the private part, so that the stored bytes never depend on where they were.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "driver/printer_data.h"
#include "platform/windef.h"
#include "platform/wingdi.h"

namespace trv::driver {

inline constexpr DWORD kPrivateMagic = 0x33565254;  // "TRV3"
inline constexpr WORD kDevmodeSpecVersion = 0x401;
inline constexpr WORD kDevmodeDriverVersion = 0x104;
inline constexpr WORD kDevmodePublicSize = 220;
inline constexpr std::size_t kPrivateFixedSize = 216;
// dmDriverExtra is 16 bits wide.
inline constexpr std::size_t kMaxPrivateSize = 0xFFFF;

namespace priv {
inline constexpr std::size_t kMagic = 0;
inline constexpr std::size_t kBrightness = 4;
inline constexpr std::size_t kContrast = 6;
inline constexpr std::size_t kRenderMode = 8;
inline constexpr std::size_t kRawCommandFlag = 14;
inline constexpr std::size_t kBarcodeCollectFlag = 16;
inline constexpr std::size_t kFrameFlag = 18;
inline constexpr std::size_t kRawStart = 20;
inline constexpr std::size_t kRawEnd = 25;
inline constexpr std::size_t kBarcodeStart = 30;
inline constexpr std::size_t kBarcodeEnd = 35;
inline constexpr std::size_t kDelimiterSize = 5;
inline constexpr std::size_t kModelId = 40;
inline constexpr std::size_t kSendBitsAsIs = 42;
inline constexpr std::size_t kLineRecords = 44;
inline constexpr std::size_t kLineRecords2 = 46;
inline constexpr std::size_t kPhysicalX = 60;
inline constexpr std::size_t kPhysicalY = 64;
inline constexpr std::size_t kPhysicalWidth = 68;
inline constexpr std::size_t kPhysicalHeight = 72;
inline constexpr std::size_t kHalftoneFlags = 76;
inline constexpr std::size_t kHalftonePattern = 80;
inline constexpr std::size_t kColorInfo = 88;
inline constexpr std::size_t kColorInfoSize = 120;
inline constexpr std::size_t kDocPropsAt = 208;
inline constexpr std::size_t kDevPropsAt = 212;
inline constexpr std::size_t kBlobs = 216;
}  // namespace priv

// RenderMode values.
inline constexpr WORD kRenderThreshold = 0;
inline constexpr WORD kRenderDither = 1;
inline constexpr WORD kRenderDiffusion = 2;
inline constexpr WORD kRenderOneBit = 4;

// Orientation, paper size, scale, copies, default source, print quality, colour,
// duplex, y resolution, bits per pixel, pels width and height.
inline constexpr DWORD kDefaultFields = 0x1C3F13;

// The 30 values of the standard COLORINFO: chromaticity x, y and luminance of red,
// green, blue, cyan, magenta, yellow and white, three gammas, six dye mixes.
inline constexpr LONG kStandardColorInfo[30] = {
    6810,    3050,   289700, 2260,  6550,   605600, 1810, 500,    104700, 2000,
    2450,    691200, 5210,   2100,  373200, 4750,   5100, 912000, 3324,   3474,
    1000000, 10000,  10000,  10000, 787,    324,    1422, 248,    952,    495};

struct DriverDevmode {
  DEVMODEW pub{};
  std::vector<BYTE> priv;  // dmDriverExtra bytes

  // The devmode in one piece, as GDI, the spooler and applications hold it.
  std::vector<BYTE> Bytes() const;

  WORD U16(std::size_t at) const;
  SHORT I16(std::size_t at) const { return static_cast<SHORT>(U16(at)); }
  DWORD U32(std::size_t at) const;
  LONG I32(std::size_t at) const { return static_cast<LONG>(U32(at)); }
  void SetU16(std::size_t at, WORD v);
  void SetU32(std::size_t at, DWORD v);
  void SetI32(std::size_t at, LONG v) { SetU32(at, static_cast<DWORD>(v)); }

  // The blobs inside the private part (empty when the part is damaged).
  std::span<const BYTE> DocProps() const;
  std::span<const BYTE> DevProps() const;
};

// Checks a private part from outside (an application's or a stored devmode) before
// anything of it is trusted: its size, magic, model, render mode, terminated
// delimiters and both blobs within it.
bool IsSoundPrivatePart(std::span<const BYTE> part, WORD modelId);

// Sets the offsets at 208 and 212 and the value pointer inside each blob.
void RepointBlobs(DriverDevmode& dm);

// Replaces the private part's DevProps blob with `devProps` (a checked blob), growing
// or shrinking the part to fit it. False when the part would outgrow dmDriverExtra.
bool ReplaceDevProps(DriverDevmode& dm, std::span<const BYTE> devProps);

// Puts a paper into the devmode in an orientation (1 portrait, 2 landscape): its
// physical offset and size, pels size, paper width and length.
void ApplyPaper(DriverDevmode& dm, const Paper& paper, short orientation);
// Names the paper in the devmode: dmPaperSize (id + 256) and dmFormName.
void SetPaperIdentity(DriverDevmode& dm, const Paper& paper);

// A complete devmode from the printer's stored setup; nothing when the private part
// would not fit dmDriverExtra.
std::optional<DriverDevmode> BuildDefaultDevmode(std::u16string_view deviceName,
                                                 const PrinterSetup& setup);
// The same, reading the setup from the printer's data; nothing when it is missing.
std::optional<DriverDevmode> BuildDefaultDevmode(std::u16string_view deviceName, HANDLE printer);

// Brings an application's devmode (`app`: its public part and private part as it
// holds them, dmSize + dmDriverExtra bytes) into the driver's devmode. `papers` is
// the printer's paper list, or null when the printer has none. Fails with
// ERROR_INVALID_PARAMETER when `app` is too short to be a devmode or its version
// cannot be told.
BOOL MergeDevmode(DriverDevmode& dm, std::span<const BYTE> app, const std::vector<Paper>* papers);
// The same, reading "Papers" from the printer.
BOOL MergeDevmode(DriverDevmode& dm, std::span<const BYTE> app, HANDLE printer);

}  // namespace trv::driver
