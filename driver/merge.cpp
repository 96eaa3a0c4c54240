// How an application's devmode enters the driver's: the public choices the driver
// understands (orientation, paper, copies, duplex), and the private part when it is
// one of ours and sound.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#include "driver/devmode.h"
#include "platform/last_error.h"
#include "platform/winerror.h"
#include "spool/record.h"

namespace trv::driver {

namespace {

// Everything up to and including dmFields: the least a devmode must hold.
constexpr std::size_t kLeastPublicSize = offsetof(DEVMODEW, dmFields) + sizeof(DWORD);

WORD VersionOf(WORD size, WORD ownVersion) {
  switch (size) {
    case 188: return 0x320;
    case 212: return 0x400;
    case 220: return 0x401;
    default: return ownVersion;
  }
}

const Paper* FindPaperById(const std::vector<Paper>& papers, LONG paperSize) {
  for (const Paper& p : papers)
    if (LONG{p.id} + DMPAPER_USER == paperSize) return &p;
  return nullptr;
}

// A paper of the application's own size. Sizes that are absent or not positive
// keep the driver's, and a resolution that is a quality code (negative) or zero
// gives way to the driver's own, so the page never collapses to nothing.
void SetCustomPaper(DriverDevmode& d, const DEVMODEW& s) {
  std::memcpy(d.pub.dmFormName, s.dmFormName, sizeof d.pub.dmFormName);
  d.pub.dmFormName[CCHFORMNAME - 1] = 0;
  d.pub.dmPaperSize = DMPAPER_USER;
  if (s.dmPaperLength > 0) d.pub.dmPaperLength = s.dmPaperLength;
  if (s.dmPaperWidth > 0) d.pub.dmPaperWidth = s.dmPaperWidth;
  const LONG yRes = s.dmYResolution > 0 ? s.dmYResolution : d.pub.dmYResolution;
  const LONG xRes = s.dmPrintQuality > 0 ? s.dmPrintQuality : d.pub.dmPrintQuality;
  d.pub.dmPelsHeight = static_cast<DWORD>(std::max<LONG>(0, yRes * d.pub.dmPaperLength / 254));
  d.pub.dmPelsWidth = static_cast<DWORD>(std::max<LONG>(0, xRes * d.pub.dmPaperWidth / 254));
  d.pub.dmFields |= DM_PAPERSIZE | DM_PELSWIDTH | DM_PELSHEIGHT;
  d.pub.dmFields &= ~(DM_PAPERLENGTH | DM_PAPERWIDTH);
  d.SetI32(priv::kPhysicalX, 0);
  d.SetI32(priv::kPhysicalY, 0);
  d.SetI32(priv::kPhysicalWidth, static_cast<LONG>(d.pub.dmPelsWidth));
  d.SetI32(priv::kPhysicalHeight, static_cast<LONG>(d.pub.dmPelsHeight));
}

void UsePaper(DriverDevmode& d, const Paper& paper, short orientation) {
  ApplyPaper(d, paper, orientation);
  SetPaperIdentity(d, paper);
  d.pub.dmFields |= DM_ORIENTATION | DM_PAPERSIZE;
}

// Returns whether a paper (a listed or a custom one) was put into the devmode.
bool MergePaper(DriverDevmode& d, const DEVMODEW& s, const std::vector<Paper>& papers) {
  if (s.dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) {
    for (const Paper& p : papers)
      if (p.width / 10 == s.dmPaperWidth && p.height / 10 == s.dmPaperLength) {
        UsePaper(d, p, DMORIENT_PORTRAIT);
        return true;
      }
    for (const Paper& p : papers)
      if (p.height / 10 == s.dmPaperWidth && p.width / 10 == s.dmPaperLength) {
        UsePaper(d, p, DMORIENT_LANDSCAPE);
        return true;
      }
    SetCustomPaper(d, s);
    return true;
  }
  if (s.dmFields & DM_PAPERSIZE) {
    if (s.dmPaperSize == 0 || s.dmPaperSize == DMPAPER_USER) {
      SetCustomPaper(d, s);
      return true;
    }
    // The orientation is the one just merged: the application's when it named a
    // valid one, the driver's otherwise.
    if (const Paper* p = FindPaperById(papers, s.dmPaperSize)) {
      UsePaper(d, *p, d.pub.dmOrientation);
      return true;
    }
  }
  return false;
}

// The orientation changed but no paper came with it: the page keeps its paper,
// turned, so that its size in dots follows the orientation.
void TurnPaper(DriverDevmode& d, const std::vector<Paper>* papers) {
  const short orientation = d.pub.dmOrientation;
  if (papers != nullptr && d.pub.dmPaperSize != DMPAPER_USER)
    if (const Paper* p = FindPaperById(*papers, d.pub.dmPaperSize)) {
      ApplyPaper(d, *p, orientation);
      return;
    }
  std::swap(d.pub.dmPelsWidth, d.pub.dmPelsHeight);
  std::swap(d.pub.dmPaperWidth, d.pub.dmPaperLength);
  const LONG x = d.I32(priv::kPhysicalX), w = d.I32(priv::kPhysicalWidth);
  d.SetI32(priv::kPhysicalX, d.I32(priv::kPhysicalY));
  d.SetI32(priv::kPhysicalY, x);
  d.SetI32(priv::kPhysicalWidth, d.I32(priv::kPhysicalHeight));
  d.SetI32(priv::kPhysicalHeight, w);
}

// The application's private part replaces the driver's only when it is a current
// one of ours for this model and everything in it is in range; its DocProps travel
// with it, the device options stay the printer's.
bool TakePrivatePart(DriverDevmode& d, const DEVMODEW& a, WORD aVersion,
                     std::span<const BYTE> aPrivate) {
  if (aVersion != kDevmodeSpecVersion || a.dmDriverVersion != kDevmodeDriverVersion ||
      a.dmSize != kDevmodePublicSize || a.dmDriverExtra == 0 || aPrivate.size() != a.dmDriverExtra)
    return false;
  if (!IsSoundPrivatePart(aPrivate, d.U16(priv::kModelId))) return false;
  const std::span<const BYTE> dev = d.DevProps();
  const DWORD doc = CheckedBlobSize(aPrivate.subspan(priv::kBlobs), BlobKind::kDocProps);
  const std::size_t size = priv::kBlobs + doc + dev.size();
  if (dev.empty() || size > kMaxPrivateSize) return false;
  std::vector<BYTE> part(size);
  std::memcpy(part.data(), aPrivate.data(), priv::kBlobs + doc);
  std::memcpy(part.data() + priv::kBlobs + doc, dev.data(), dev.size());
  d.priv = std::move(part);
  d.pub.dmDriverExtra = static_cast<WORD>(size);
  return true;
}

}  // namespace

BOOL MergeDevmode(DriverDevmode& d, std::span<const BYTE> app, const std::vector<Paper>* papers) {
  if (app.empty()) return TRUE;
  if (app.size() < kLeastPublicSize) return Fail(ERROR_INVALID_PARAMETER);
  DEVMODEW a{};
  std::memcpy(&a, app.data(), std::min<std::size_t>(app.size(), sizeof a));
  const WORD aVersion = VersionOf(a.dmSize, a.dmSpecVersion);
  if (aVersion == 0 || a.dmSize < kLeastPublicSize) return Fail(ERROR_INVALID_PARAMETER);
  const std::size_t aPublic = std::min<std::size_t>(a.dmSize, app.size());
  const std::span<const BYTE> aPrivate =
      app.subspan(aPublic, std::min<std::size_t>(a.dmDriverExtra, app.size() - aPublic));

  try {
    // The application's public fields over the driver's, its own sizes kept.
    DEVMODEW s = d.pub;
    std::memcpy(&s, app.data(), std::min<std::size_t>(aPublic, sizeof s));
    s.dmSpecVersion = kDevmodeSpecVersion;
    s.dmDriverVersion = d.pub.dmDriverVersion;
    s.dmSize = d.pub.dmSize;
    s.dmDriverExtra = d.pub.dmDriverExtra;

    const short before = d.pub.dmOrientation;
    if (s.dmFields & DM_ORIENTATION)
      d.pub.dmOrientation =
          (s.dmOrientation == DMORIENT_PORTRAIT || s.dmOrientation == DMORIENT_LANDSCAPE)
              ? s.dmOrientation
              : DMORIENT_PORTRAIT;
    const bool paperSet = papers != nullptr && MergePaper(d, s, *papers);
    if (!paperSet && d.pub.dmOrientation != before) TurnPaper(d, papers);

    const LONG physical[4] = {d.I32(priv::kPhysicalX), d.I32(priv::kPhysicalY),
                              d.I32(priv::kPhysicalWidth), d.I32(priv::kPhysicalHeight)};
    if (s.dmFields & DM_COPIES) {
      d.pub.dmFields |= DM_COPIES;
      if (s.dmCopies > 0) d.pub.dmCopies = s.dmCopies;
    }
    if (s.dmFields & DM_DUPLEX) {
      d.pub.dmFields |= DM_DUPLEX;
      d.pub.dmDuplex = (s.dmDuplex == 1 || s.dmDuplex == 3) ? s.dmDuplex : 1;
    }
    TakePrivatePart(d, a, aVersion, aPrivate);
    RepointBlobs(d);
    d.SetI32(priv::kPhysicalX, physical[0]);
    d.SetI32(priv::kPhysicalY, physical[1]);
    d.SetI32(priv::kPhysicalWidth, physical[2]);
    d.SetI32(priv::kPhysicalHeight, physical[3]);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  return TRUE;
}

BOOL MergeDevmode(DriverDevmode& d, std::span<const BYTE> app, HANDLE printer) {
  if (app.empty()) return TRUE;
  const auto papers = ReadPapers(printer);
  return MergeDevmode(d, app, papers ? &*papers : nullptr);
}

}  // namespace trv::driver
