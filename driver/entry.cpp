// trv.dll: the entry points GDI calls. DrvEnableDriver hands GDI the table of the
// 21 functions the driver implements; each of them first finds its live device.
// No exception leaves an entry point.
#include <algorithm>
#include <cstring>
#include <new>

#include "driver/font_queries.h"
#include "driver/lines.h"
#include "driver/pdev.h"
#include "driver/text_out.h"
#include "platform/last_error.h"
#include "platform/winddi.h"
#include "platform/winerror.h"

// An engine too old for this driver's table.
#ifndef ERROR_BAD_DRIVER_LEVEL
#define ERROR_BAD_DRIVER_LEVEL 119L
#endif

namespace trv::driver {
namespace {

constexpr ULONG kDriverVersion = DDI_DRIVER_VERSION_NT4;
// The hooks of the page surface: stretched bitmaps, text, paths and lines, the calls
// that may become printer objects instead of dots.
constexpr FLONG kSurfaceHooks = HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH | HOOK_LINETO;

void DestroyPdev(PDEV* pdev) {
  if (pdev->surface != nullptr) EngDeleteSurface(pdev->surface);
  if (pdev->palette != nullptr) EngDeletePalette(pdev->palette);
  pdev->magic = pdev->magicEnd = 0;
  delete pdev;
}

DHPDEV APIENTRY EnablePDEV(DEVMODEW* pdm, LPWSTR logAddress, ULONG patterns, HSURF* patternHandles,
                           ULONG capsSize, ULONG* caps, ULONG infoSize, DEVINFO* info, HDEV, LPWSTR,
                           HANDLE printer) {
  if ((caps == nullptr && capsSize != 0) || (info == nullptr && infoSize != 0) ||
      (patternHandles == nullptr && patterns != 0))
    return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
  PDEV* pdev = nullptr;
  try {
    std::span<const BYTE> app;
    if (pdm != nullptr)
      app = {reinterpret_cast<const BYTE*>(pdm), std::size_t{pdm->dmSize} + pdm->dmDriverExtra};
    const std::u16string_view name = logAddress != nullptr ? logAddress : u"";
    auto device = Device::Enable(app, name, printer);
    if (!device) return nullptr;
    pdev = new PDEV;
    pdev->device = std::move(device);
    std::fill_n(patternHandles, patterns, nullptr);  // no fill patterns of our own
    if (!FillDevInfo(*pdev->device, *pdev, infoSize, info)) {
      const DWORD error = LastErrorOr(ERROR_NOT_ENOUGH_MEMORY);
      DestroyPdev(pdev);
      return SetLastError(error), nullptr;
    }
    FillGdiInfo(*pdev->device, capsSize, caps);
    return reinterpret_cast<DHPDEV>(pdev);
  } catch (const std::bad_alloc&) {
    if (pdev != nullptr) DestroyPdev(pdev);
    return SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  }
}

void APIENTRY CompletePDEV(DHPDEV handle, HDEV gdiDevice) {
  if (PDEV* pdev = PdevOf(handle)) pdev->gdiDevice = gdiDevice;
}

BOOL APIENTRY ResetPDEV(DHPDEV oldHandle, DHPDEV newHandle) {
  PDEV* old = PdevOf(oldHandle);
  PDEV* now = PdevOf(newHandle);
  if (old == nullptr || now == nullptr) return FALSE;
  now->device->setPageNumber(old->device->pageNumber());
  // The old device is about to go: what it held for an unfinished page goes now,
  // with an open raw command and collected bar-code data.
  old->device->queue().clear();
  old->device->text().Reset();
  return TRUE;
}

void APIENTRY DisablePDEV(DHPDEV handle) {
  if (PDEV* pdev = PdevOf(handle)) DestroyPdev(pdev);
}

HSURF APIENTRY EnableSurface(DHPDEV handle) {
  PDEV* pdev = PdevOf(handle);
  if (pdev == nullptr) return nullptr;
  const Device& device = *pdev->device;
  const SIZEL size{device.width(), device.height()};
  const ULONG format = device.renderMode() == kRenderOneBit ? BMF_1BPP : BMF_24BPP;
  HSURF surface = reinterpret_cast<HSURF>(EngCreateBitmap(size, 0, format, BMF_TOPDOWN, nullptr));
  if (surface == nullptr) return nullptr;
  if (!EngAssociateSurface(surface, pdev->gdiDevice, kSurfaceHooks)) {
    const DWORD error = GetLastError();
    EngDeleteSurface(surface);  // nothing else will ever delete it
    SetLastError(error);
    return nullptr;
  }
  if (pdev->surface != nullptr) EngDeleteSurface(pdev->surface);
  pdev->surface = surface;
  return surface;
}

void APIENTRY DisableSurface(DHPDEV handle) {
  PDEV* pdev = PdevOf(handle);
  if (pdev != nullptr && pdev->surface != nullptr && EngDeleteSurface(pdev->surface))
    pdev->surface = nullptr;
}

ULONG APIENTRY DitherColor(DHPDEV handle, ULONG, ULONG, ULONG*) {
  return PdevOf(handle) != nullptr ? DCR_HALFTONE : 0;
}

BOOL APIENTRY QuerySpoolType(DHPDEV handle, LPWSTR type) {
  if (PdevOf(handle) == nullptr || type == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::memcpy(type, u"RAW", sizeof u"RAW");
  return TRUE;
}

BOOL APIENTRY StartDoc(SURFOBJ* surface, LPWSTR, DWORD) {
  PDEV* pdev = PdevOf(surface);
  return pdev != nullptr ? pdev->device->StartDoc() : FALSE;
}

BOOL APIENTRY StartPage(SURFOBJ* surface) {
  PDEV* pdev = PdevOf(surface);
  return pdev != nullptr ? pdev->device->StartPage(ViewOf(surface)) : FALSE;
}

BOOL APIENTRY SendPage(SURFOBJ* surface) {
  PDEV* pdev = PdevOf(surface);
  if (pdev == nullptr) return FALSE;
  const SurfaceView view = ViewOf(surface);
  if (view.bits == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  try {
    return pdev->device->SendPage(view);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL APIENTRY EndDoc(SURFOBJ* surface, FLONG) {
  PDEV* pdev = PdevOf(surface);
  return pdev != nullptr ? pdev->device->EndDoc() : FALSE;
}

// The drawing hooks. Text in the printer's fonts and lines as printer objects are
// not offered yet, so every call is drawn into the page by the engine.
BOOL APIENTRY StretchBlt(SURFOBJ* dest, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                         COLORADJUSTMENT* ca, POINTL* htOrigin, RECTL* destRect, RECTL* srcRect,
                         POINTL* maskOrigin, ULONG mode) {
  if (PdevOf(dest) == nullptr) return FALSE;
  return DriverStretchBlt(dest, src, mask, clip, xlate, ca, htOrigin, destRect, srcRect, maskOrigin,
                          mode);
}

BOOL APIENTRY StrokePath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform,
                         BRUSHOBJ* brush, POINTL* brushOrigin, LINEATTRS* attrs, MIX mix) {
  PDEV* pdev = PdevOf(surface);
  if (pdev == nullptr) return FALSE;
  return DriverStrokePath(*pdev->device, surface, path, clip, xform, brush, brushOrigin, attrs,
                          mix);
}

BOOL APIENTRY LineTo(SURFOBJ* surface, CLIPOBJ* clip, BRUSHOBJ* brush, LONG x1, LONG y1, LONG x2,
                     LONG y2, RECTL* bounds, MIX mix) {
  PDEV* pdev = PdevOf(surface);
  if (pdev == nullptr) return FALSE;
  return DriverLineTo(*pdev->device, surface, clip, brush, x1, y1, x2, y2, bounds, mix);
}

BOOL APIENTRY TextOut(SURFOBJ* surface, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip, RECTL* extra,
                      RECTL* opaque, BRUSHOBJ* fore, BRUSHOBJ* opaqueBrush, POINTL* origin,
                      MIX mix) {
  PDEV* pdev = PdevOf(surface);
  if (pdev == nullptr) return FALSE;
  return DeviceTextOut(*pdev->device, surface, str, font, clip, extra, opaque, fore, opaqueBrush,
                       origin, mix);
}

// The printer's fonts and bar codes, offered to GDI as device fonts.
PIFIMETRICS APIENTRY QueryFont(DHPDEV handle, ULONG_PTR, ULONG face, ULONG_PTR* id) {
  PDEV* pdev = PdevOf(handle);
  if (pdev == nullptr) return nullptr;
  return trv::driver::QueryFont(pdev->device->deviceFonts(), face, id);
}
PVOID APIENTRY QueryFontTree(DHPDEV handle, ULONG_PTR, ULONG face, ULONG mode, ULONG_PTR* id) {
  PDEV* pdev = PdevOf(handle);
  if (pdev == nullptr) return nullptr;
  return trv::driver::QueryFontTree(pdev->device->deviceFonts(), face, mode, id);
}
LONG APIENTRY QueryFontData(DHPDEV handle, FONTOBJ* font, ULONG mode, HGLYPH glyph, GLYPHDATA* data,
                            PVOID buffer, ULONG size) {
  PDEV* pdev = PdevOf(handle);
  if (pdev == nullptr) return static_cast<LONG>(FD_ERROR);
  return trv::driver::QueryFontData(pdev->device->deviceFonts(), font, mode, glyph, data, buffer,
                                    size);
}
// The device fonts' glyphs are never drawn by the driver: the printer draws them.
ULONG APIENTRY GetGlyphMode(DHPDEV handle, FONTOBJ*) {
  return PdevOf(handle) != nullptr ? FO_GLYPHBITS : 0;
}
void APIENTRY Free(PVOID tree, ULONG_PTR id) { FreeFontTree(tree, id); }

template <typename F>
PFN Fn(F f) {
  return reinterpret_cast<PFN>(f);
}

// The table GDI receives, in this order.
const DRVFN kFunctions[] = {
    {INDEX_DrvEnablePDEV, Fn(EnablePDEV)},
    {INDEX_DrvResetPDEV, Fn(ResetPDEV)},
    {INDEX_DrvCompletePDEV, Fn(CompletePDEV)},
    {INDEX_DrvDisablePDEV, Fn(DisablePDEV)},
    {INDEX_DrvEnableSurface, Fn(EnableSurface)},
    {INDEX_DrvDisableSurface, Fn(DisableSurface)},
    {INDEX_DrvDitherColor, Fn(DitherColor)},
    {INDEX_DrvStretchBlt, Fn(StretchBlt)},
    {INDEX_DrvStrokePath, Fn(StrokePath)},
    {INDEX_DrvLineTo, Fn(LineTo)},
    {INDEX_DrvTextOut, Fn(TextOut)},
    {INDEX_DrvSendPage, Fn(SendPage)},
    {INDEX_DrvStartPage, Fn(StartPage)},
    {INDEX_DrvStartDoc, Fn(StartDoc)},
    {INDEX_DrvEndDoc, Fn(EndDoc)},
    {INDEX_DrvQuerySpoolType, Fn(QuerySpoolType)},
    {INDEX_DrvQueryFont, Fn(QueryFont)},
    {INDEX_DrvQueryFontTree, Fn(QueryFontTree)},
    {INDEX_DrvQueryFontData, Fn(QueryFontData)},
    {INDEX_DrvGetGlyphMode, Fn(GetGlyphMode)},
    {INDEX_DrvFree, Fn(Free)},
};
static_assert(std::size(kFunctions) == 21);

}  // namespace
}  // namespace trv::driver

using trv::driver::kFunctions;

TRVAPI BOOL APIENTRY DrvEnableDriver(ULONG engineVersion, ULONG size, DRVENABLEDATA* data) {
  if (engineVersion < trv::driver::kDriverVersion || size < sizeof(DRVENABLEDATA) ||
      data == nullptr) {
    SetLastError(ERROR_BAD_DRIVER_LEVEL);
    return FALSE;
  }
  data->iDriverVersion = trv::driver::kDriverVersion;
  data->c = static_cast<ULONG>(std::size(kFunctions));
  data->pdrvfn = const_cast<DRVFN*>(kFunctions);
  return TRUE;
}

TRVAPI void APIENTRY DrvDisableDriver() {}

TRVAPI BOOL APIENTRY DrvQueryDriverInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) {
  if (mode != DRVQUERY_USERMODE || needed == nullptr) return trv::Fail(ERROR_INVALID_PARAMETER);
  *needed = sizeof(DWORD);
  if (buffer == nullptr || size < sizeof(DWORD)) return trv::Fail(ERROR_INSUFFICIENT_BUFFER);
  const DWORD userMode = 1;
  std::memcpy(buffer, &userMode, sizeof userMode);
  return TRUE;
}
