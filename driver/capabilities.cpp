#include <algorithm>
#include <cmath>
#include <cstring>

#include "driver/pdev.h"
#include "platform/last_error.h"
#include "platform/winerror.h"

namespace trv::driver {

namespace {

COLORINFO ColorInfoFrom(const LONG (&values)[30]) {
  static_assert(sizeof(COLORINFO) == sizeof values);
  COLORINFO info;
  std::memcpy(&info, values, sizeof info);
  return info;
}

COLORINFO PrivateColorInfo(const DriverDevmode& dm) {
  LONG values[30];
  for (std::size_t i = 0; i < 30; ++i) values[i] = dm.I32(priv::kColorInfo + 4 * i);
  return ColorInfoFrom(values);
}

}  // namespace

PDEV* PdevOf(DHPDEV handle) {
  auto* pdev = reinterpret_cast<PDEV*>(handle);
  if (pdev == nullptr || pdev->magic != kPdevMagic || pdev->magicEnd != kPdevMagic ||
      !pdev->device) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return pdev;
}

PDEV* PdevOf(SURFOBJ* surface) {
  if (surface == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return PdevOf(surface->dhpdev);
}

SurfaceView ViewOf(const SURFOBJ* surface) {
  SurfaceView view;
  if (surface == nullptr || surface->lDelta <= 0 || surface->sizlBitmap.cx <= 0 ||
      surface->sizlBitmap.cy <= 0)
    return view;
  if (surface->iBitmapFormat != BMF_1BPP && surface->iBitmapFormat != BMF_24BPP) return view;
  view.width = static_cast<DWORD>(surface->sizlBitmap.cx);
  view.height = static_cast<DWORD>(surface->sizlBitmap.cy);
  view.stride = static_cast<DWORD>(surface->lDelta);
  view.bitsPerPixel = surface->iBitmapFormat == BMF_1BPP ? 1 : 24;
  view.bits = static_cast<BYTE*>(surface->pvScan0);
  return view;
}

void FillGdiInfo(const Device& device, ULONG size, ULONG* out) {
  const DriverDevmode& dm = device.devmode();
  const DEVMODEW& p = dm.pub;
  const bool oneBit = device.renderMode() == kRenderOneBit;
  GDIINFO info{};
  info.ulVersion = 0x400;
  info.ulTechnology = DT_RASPRINTER;
  info.ulHorzSize = static_cast<ULONG>(p.dmPaperWidth / 10);
  info.ulVertSize = static_cast<ULONG>(p.dmPaperLength / 10);
  info.ulHorzRes = static_cast<ULONG>(device.width());
  info.ulVertRes = static_cast<ULONG>(device.height());
  info.cBitsPixel = oneBit ? 1 : 24;
  info.cPlanes = 1;
  info.ulNumColors = oneBit ? 2 : 0xFFFFFFFF;
  info.ulLogPixelsX = static_cast<ULONG>(p.dmPrintQuality);
  info.ulLogPixelsY = static_cast<ULONG>(p.dmYResolution);
  info.flTextCaps = 0x10010;
  info.ulAspectX = static_cast<ULONG>(p.dmPrintQuality);
  info.ulAspectY = static_cast<ULONG>(p.dmYResolution);
  const double x = p.dmPrintQuality, y = p.dmYResolution;
  info.ulAspectXY = static_cast<ULONG>(std::sqrt(x * x + y * y));
  info.xStyleStep = 1;
  info.yStyleStep = 1;
  info.denStyleStep = 8;
  info.ptlPhysOffset = {dm.I32(priv::kPhysicalX), dm.I32(priv::kPhysicalY)};
  info.szlPhysSize = {dm.I32(priv::kPhysicalWidth), dm.I32(priv::kPhysicalHeight)};
  info.ciDevice = oneBit ? PrivateColorInfo(dm) : ColorInfoFrom(kStandardColorInfo);
  info.ulDevicePelsDPI = static_cast<ULONG>(p.dmPrintQuality);
  info.ulPrimaryOrder = oneBit ? PRIMARY_ORDER_ABC : PRIMARY_ORDER_CBA;
  info.ulHTPatternSize = oneBit ? dm.U32(priv::kHalftonePattern) : 7;
  info.ulHTOutputFormat = oneBit ? HT_FORMAT_1BPP : HT_FORMAT_24BPP;
  info.flHTFlags = oneBit ? dm.U32(priv::kHalftoneFlags) : 0;
  std::memcpy(out, &info, std::min<std::size_t>(size, sizeof info));
}

bool FillDevInfo(const Device& device, PDEV& pdev, ULONG size, DEVINFO* out) {
  const bool oneBit = device.renderMode() == kRenderOneBit;
  if (oneBit) {
    ULONG colors[2] = {0x000000, 0xFFFFFF};
    pdev.palette = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
  } else {
    pdev.palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  }
  if (pdev.palette == nullptr) return false;
  DEVINFO info{};
  info.flGraphicsCaps = oneBit ? 0x4E2 : 0xC0;
  // The first device font is the default of every kind; without one they stay empty.
  if (const DeviceFontBlock* first = device.deviceFonts().face(1)) {
    const IFIMETRICS& m = first->ifi();
    LOGFONTW font{};
    font.lfHeight = m.fwdUnitsPerEm;
    font.lfWidth = m.fwdAveCharWidth;
    font.lfWeight = m.usWinWeight;
    font.lfPitchAndFamily = m.jWinPitchAndFamily;
    const std::u16string& family = first->family();
    std::copy_n(family.begin(), std::min<std::size_t>(family.size(), LF_FACESIZE - 1),
                font.lfFaceName);
    info.lfDefaultFont = info.lfAnsiVarFont = info.lfAnsiFixFont = font;
  }
  info.cFonts = device.deviceFonts().count();
  info.iDitherFormat = BMF_1BPP;
  info.cxDither = info.cyDither = oneBit ? 8 : 0;
  info.hpalDefault = pdev.palette;
  std::memcpy(out, &info, std::min<std::size_t>(size, sizeof info));
  return true;
}

}  // namespace trv::driver
