#include "driver/devmode.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/kernel.h"
#include "spool/record.h"

namespace trv::driver {

namespace {

short ClampShort(LONG v) { return static_cast<short>(std::clamp<LONG>(v, -32768, 32767)); }

// At most CCHFORMNAME - 1 characters of an ANSI name, zero-terminated.
void SetFormName(DEVMODEW& pub, const std::string& name) {
  std::memset(pub.dmFormName, 0, sizeof pub.dmFormName);
  if (name.empty()) return;
  WCHAR wide[CCHFORMNAME * 2] = {};
  const int n = MultiByteToWideChar(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), wide,
                                    CCHFORMNAME * 2);
  std::copy_n(wide, std::min(n, CCHFORMNAME - 1), pub.dmFormName);
}

// The default fixed part, the model's id and nothing of the paper yet.
void WriteFixedDefaults(DriverDevmode& dm, WORD modelId) {
  dm.SetU32(priv::kMagic, kPrivateMagic);
  dm.SetU16(priv::kRenderMode, kRenderOneBit);
  dm.SetU16(priv::kRawCommandFlag, 1);
  dm.SetU16(priv::kFrameFlag, 1);
  std::memcpy(&dm.priv[priv::kRawStart], "${", 3);
  std::memcpy(&dm.priv[priv::kRawEnd], "}$", 3);
  std::memcpy(&dm.priv[priv::kBarcodeStart], "B{", 3);
  std::memcpy(&dm.priv[priv::kBarcodeEnd], "}B", 3);
  dm.SetU16(priv::kModelId, modelId);
  dm.SetU16(priv::kLineRecords, 1);
  dm.SetU16(priv::kLineRecords2, 1);
  dm.SetU32(priv::kHalftoneFlags, 2);
  dm.SetU32(priv::kHalftonePattern, 3);
  for (std::size_t i = 0; i < std::size(kStandardColorInfo); ++i)
    dm.SetI32(priv::kColorInfo + 4 * i, kStandardColorInfo[i]);
}

bool Terminated(std::span<const BYTE> part, std::size_t at, std::size_t size) {
  return std::memchr(part.data() + at, 0, size) != nullptr;
}

}  // namespace

std::vector<BYTE> DriverDevmode::Bytes() const {
  std::vector<BYTE> out(sizeof pub + priv.size());
  std::memcpy(out.data(), &pub, sizeof pub);
  if (!priv.empty()) std::memcpy(out.data() + sizeof pub, priv.data(), priv.size());
  return out;
}

WORD DriverDevmode::U16(std::size_t at) const {
  return at + 2 <= priv.size() ? spool::ReadU16(priv.data() + at) : 0;
}
DWORD DriverDevmode::U32(std::size_t at) const {
  return at + 4 <= priv.size() ? spool::ReadU32(priv.data() + at) : 0;
}
void DriverDevmode::SetU16(std::size_t at, WORD v) {
  if (at + 2 <= priv.size()) spool::WriteU16(priv.data() + at, v);
}
void DriverDevmode::SetU32(std::size_t at, DWORD v) {
  if (at + 4 <= priv.size()) spool::WriteU32(priv.data() + at, v);
}

std::span<const BYTE> DriverDevmode::DocProps() const {
  if (priv.size() < priv::kBlobs) return {};
  std::span<const BYTE> rest(priv.begin() + priv::kBlobs, priv.end());
  return rest.first(CheckedBlobSize(rest, BlobKind::kDocProps));
}

std::span<const BYTE> DriverDevmode::DevProps() const {
  const std::size_t doc = DocProps().size();
  if (doc == 0) return {};
  std::span<const BYTE> rest(priv.begin() + priv::kBlobs + doc, priv.end());
  return rest.first(CheckedBlobSize(rest, BlobKind::kDevProps));
}

bool IsSoundPrivatePart(std::span<const BYTE> part, WORD modelId) {
  if (part.size() < kPrivateFixedSize || part.size() > kMaxPrivateSize) return false;
  if (spool::ReadU32(part.data() + priv::kMagic) != kPrivateMagic) return false;
  if (spool::ReadU16(part.data() + priv::kModelId) != modelId) return false;
  const WORD mode = spool::ReadU16(part.data() + priv::kRenderMode);
  if (mode != kRenderThreshold && mode != kRenderDither && mode != kRenderDiffusion &&
      mode != kRenderOneBit)
    return false;
  for (std::size_t at : {priv::kRawStart, priv::kRawEnd, priv::kBarcodeStart, priv::kBarcodeEnd})
    if (!Terminated(part, at, priv::kDelimiterSize)) return false;
  const auto blobs = part.subspan(priv::kBlobs);
  const DWORD doc = CheckedBlobSize(blobs, BlobKind::kDocProps);
  return doc != 0 && CheckedBlobSize(blobs.subspan(doc), BlobKind::kDevProps) != 0;
}

void RepointBlobs(DriverDevmode& dm) {
  const std::size_t doc = dm.DocProps().size();
  dm.SetU32(priv::kDocPropsAt, priv::kBlobs);
  dm.SetU32(priv::kDevPropsAt, static_cast<DWORD>(priv::kBlobs + doc));
  if (doc == 0) return;
  dm.SetU32(priv::kBlobs + spool::DOCPROPS_OFFSET_VALUES,
            priv::kBlobs + spool::DOCPROPS_HEADER_SIZE);
  if (dm.DevProps().empty()) return;
  dm.SetU32(priv::kBlobs + doc + spool::DEVPROPS_OFFSET_VALUES,
            static_cast<DWORD>(priv::kBlobs + doc + spool::DEVPROPS_HEADER_SIZE));
}

bool ReplaceDevProps(DriverDevmode& dm, std::span<const BYTE> devProps) {
  const std::size_t doc = dm.DocProps().size();
  if (doc == 0 || CheckedBlobSize(devProps, BlobKind::kDevProps) != devProps.size()) return false;
  const std::size_t size = priv::kBlobs + doc + devProps.size();
  if (size > kMaxPrivateSize) return false;
  try {
    dm.priv.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::memcpy(dm.priv.data() + priv::kBlobs + doc, devProps.data(), devProps.size());
  dm.pub.dmDriverExtra = static_cast<WORD>(size);
  RepointBlobs(dm);
  return true;
}

void ApplyPaper(DriverDevmode& dm, const Paper& paper, short orientation) {
  const bool landscape = orientation == DMORIENT_LANDSCAPE;
  dm.SetI32(priv::kPhysicalX, landscape ? paper.top : paper.left);
  dm.SetI32(priv::kPhysicalY, landscape ? paper.left : paper.top);
  dm.SetI32(priv::kPhysicalWidth, landscape ? paper.physicalHeight : paper.physicalWidth);
  dm.SetI32(priv::kPhysicalHeight, landscape ? paper.physicalWidth : paper.physicalHeight);
  dm.pub.dmPelsWidth = static_cast<DWORD>(landscape ? paper.printableHeight : paper.printableWidth);
  dm.pub.dmPelsHeight =
      static_cast<DWORD>(landscape ? paper.printableWidth : paper.printableHeight);
  dm.pub.dmPaperWidth = ClampShort((landscape ? paper.height : paper.width) / 10);
  dm.pub.dmPaperLength = ClampShort((landscape ? paper.width : paper.height) / 10);
  dm.pub.dmOrientation = orientation;
}

void SetPaperIdentity(DriverDevmode& dm, const Paper& paper) {
  dm.pub.dmPaperSize = ClampShort(LONG{paper.id} + DMPAPER_USER);
  SetFormName(dm.pub, paper.name);
}

std::optional<DriverDevmode> BuildDefaultDevmode(std::u16string_view deviceName,
                                                 const PrinterSetup& setup) {
  const std::size_t extra = kPrivateFixedSize + setup.docProps.size() + setup.devProps.size();
  if (extra > kMaxPrivateSize || setup.papers.empty()) return std::nullopt;
  DriverDevmode dm;
  try {
    dm.priv.assign(extra, 0);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  DEVMODEW& pub = dm.pub;
  std::copy_n(deviceName.begin(), std::min<std::size_t>(deviceName.size(), CCHDEVICENAME - 1),
              pub.dmDeviceName);
  pub.dmSpecVersion = kDevmodeSpecVersion;
  pub.dmDriverVersion = kDevmodeDriverVersion;
  pub.dmSize = kDevmodePublicSize;
  pub.dmDriverExtra = static_cast<WORD>(extra);
  pub.dmFields = kDefaultFields;
  pub.dmScale = 100;
  pub.dmCopies = 1;
  pub.dmColor = DMCOLOR_MONOCHROME;
  pub.dmDuplex = 1;
  pub.dmTTOption = 1;
  pub.dmCollate = 1;
  pub.dmBitsPerPel = 1;
  pub.dmDefaultSource = ClampShort(LONG{setup.firstTray} + DMPAPER_USER);
  pub.dmPrintQuality = static_cast<short>(setup.model.resolution);
  pub.dmYResolution = static_cast<short>(setup.model.resolution);

  WriteFixedDefaults(dm, setup.model.id);
  std::memcpy(dm.priv.data() + priv::kBlobs, setup.docProps.data(), setup.docProps.size());
  std::memcpy(dm.priv.data() + priv::kBlobs + setup.docProps.size(), setup.devProps.data(),
              setup.devProps.size());
  RepointBlobs(dm);

  const BYTE* doc = setup.docProps.data();
  const short orientation =
      spool::ReadU16(doc + kDocPropsOffsetPlacement) == 2 ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  const WORD paperId = spool::ReadU16(doc + kDocPropsOffsetPaper);
  const Paper* paper = &setup.papers.back();
  for (const Paper& p : setup.papers)
    if (p.id == paperId) {
      paper = &p;
      break;
    }
  ApplyPaper(dm, *paper, orientation);
  SetPaperIdentity(dm, *paper);
  return dm;
}

std::optional<DriverDevmode> BuildDefaultDevmode(std::u16string_view deviceName, HANDLE printer) {
  auto setup = ReadPrinterSetup(printer);
  if (!setup) return std::nullopt;
  return BuildDefaultDevmode(deviceName, *setup);
}

}  // namespace trv::driver
