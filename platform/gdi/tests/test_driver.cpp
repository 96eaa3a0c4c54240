// A small printer graphics driver for GDI's tests. It behaves toward GDI as a
// printer driver does: enables a device from the printer's data, creates a bitmap
// surface and hooks the drawing functions the printer data names ("Hooks"), draws
// what it receives through the engine, and spools each page's bits. Every call is
// reported as debugger output ("testdrv: ..."), which the tests listen to.
//
// Printer data (REG_DWORD): "Width", "Height" (dots), "Dpi", "Format" (1 or 24 bits
// per pixel), "Hooks" (HOOK_* flags). The job holds "DOC <name>\n", then for each page
// "PAGE <width> <height> <stride>\n" and the surface's bytes, and "END <flags>\n".
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/kernel.h"
#include "platform/winddi.h"
#include "platform/winspool.h"

namespace {

struct Pdev {
  HANDLE printer = nullptr;
  HDEV hdev = nullptr;
  HSURF surface = nullptr;
  HPALETTE palette = nullptr;
  LONG width = 0, height = 0;
  ULONG format = BMF_24BPP;
  FLONG hooks = 0;
};

void Log(const std::string& text) { OutputDebugStringA(("testdrv: " + text).c_str()); }

std::string Ansi(LPCWSTR text) {
  std::string out;
  for (; text != nullptr && *text; ++text) out += static_cast<char>(*text < 0x80 ? *text : '?');
  return out;
}

DWORD Setting(HANDLE printer, const char16_t* name, DWORD fallback) {
  DWORD value = 0, type = 0, needed = 0;
  std::u16string n(name);
  if (GetPrinterDataW(printer, n.data(), &type, reinterpret_cast<LPBYTE>(&value), sizeof value,
                      &needed) != ERROR_SUCCESS)
    return fallback;
  return value;
}

bool Write(HANDLE printer, const void* data, size_t size) {
  DWORD written = 0;
  return WritePrinter(printer, const_cast<void*>(data), static_cast<DWORD>(size), &written) &&
         written == size;
}

bool Write(HANDLE printer, const std::string& text) {
  return Write(printer, text.data(), text.size());
}

Pdev* Of(DHPDEV dhpdev) { return reinterpret_cast<Pdev*>(dhpdev); }
Pdev* Of(SURFOBJ* so) { return so != nullptr ? Of(so->dhpdev) : nullptr; }

std::string Rect(const RECTL* r) {
  if (r == nullptr) return "-";
  char text[64];
  std::snprintf(text, sizeof text, "%d,%d,%d,%d", r->left, r->top, r->right, r->bottom);
  return text;
}

std::string ClipText(CLIPOBJ* clip) {
  if (clip == nullptr) return "none";
  if (clip->iDComplexity == DC_TRIVIAL) return "trivial";
  return Rect(&clip->rclBounds);
}

DHPDEV APIENTRY EnablePDEV(DEVMODEW* devmode, LPWSTR, ULONG patterns, HSURF* patternHandles,
                           ULONG cjCaps, ULONG* caps, ULONG cjDevInfo, DEVINFO* devinfo, HDEV hdev,
                           LPWSTR deviceName, HANDLE printer) {
  auto* pdev = new Pdev;
  pdev->printer = printer;
  pdev->hdev = hdev;
  pdev->width = static_cast<LONG>(Setting(printer, u"Width", 400));
  pdev->height = static_cast<LONG>(Setting(printer, u"Height", 300));
  pdev->format = Setting(printer, u"Format", 24) == 1 ? BMF_1BPP : BMF_24BPP;
  pdev->hooks = Setting(printer, u"Hooks", 0);
  ULONG dpi = Setting(printer, u"Dpi", 203);
  for (ULONG i = 0; i < patterns; ++i) patternHandles[i] = nullptr;
  GDIINFO info{};
  info.ulVersion = GDI_DRIVER_VERSION;
  info.ulTechnology = DT_RASPRINTER;
  info.ulHorzSize = static_cast<ULONG>(pdev->width * 254 / static_cast<LONG>(dpi) / 10);
  info.ulVertSize = static_cast<ULONG>(pdev->height * 254 / static_cast<LONG>(dpi) / 10);
  info.ulHorzRes = static_cast<ULONG>(pdev->width);
  info.ulVertRes = static_cast<ULONG>(pdev->height);
  info.cBitsPixel = pdev->format == BMF_1BPP ? 1 : 24;
  info.cPlanes = 1;
  info.ulNumColors = pdev->format == BMF_1BPP ? 2 : 0xFFFFFFFF;
  info.ulLogPixelsX = info.ulLogPixelsY = dpi;
  info.szlPhysSize = {pdev->width, pdev->height};
  std::memcpy(caps, &info, std::min<size_t>(cjCaps, sizeof info));
  DEVINFO di{};
  if (pdev->format == BMF_1BPP) {
    ULONG colors[2] = {0x000000, 0xFFFFFF};
    pdev->palette = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
  } else {
    pdev->palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  }
  di.hpalDefault = pdev->palette;
  di.iDitherFormat = BMF_1BPP;
  std::memcpy(devinfo, &di, std::min<size_t>(cjDevInfo, sizeof di));
  Log("EnablePDEV " + Ansi(deviceName) + (devmode != nullptr ? " devmode" : " no-devmode"));
  return reinterpret_cast<DHPDEV>(pdev);
}

void APIENTRY CompletePDEV(DHPDEV dhpdev, HDEV hdev) {
  Log(std::string("CompletePDEV ") + (Of(dhpdev)->hdev == hdev ? "same-hdev" : "other-hdev"));
}

void APIENTRY DisablePDEV(DHPDEV dhpdev) {
  Log("DisablePDEV");
  EngDeletePalette(Of(dhpdev)->palette);
  delete Of(dhpdev);
}

HSURF APIENTRY EnableSurface(DHPDEV dhpdev) {
  Pdev* pdev = Of(dhpdev);
  HBITMAP bitmap =
      EngCreateBitmap({pdev->width, pdev->height}, 0, pdev->format, BMF_TOPDOWN, nullptr);
  if (bitmap == nullptr) return nullptr;
  pdev->surface = reinterpret_cast<HSURF>(bitmap);
  if (!EngAssociateSurface(pdev->surface, pdev->hdev, pdev->hooks)) {
    EngDeleteSurface(pdev->surface);
    return nullptr;
  }
  Log("EnableSurface");
  return pdev->surface;
}

void APIENTRY DisableSurface(DHPDEV dhpdev) {
  Log("DisableSurface");
  EngDeleteSurface(Of(dhpdev)->surface);
}

BOOL APIENTRY QuerySpoolType(DHPDEV, LPWSTR type) {
  std::memcpy(type, u"RAW", sizeof u"RAW");
  return TRUE;
}

BOOL APIENTRY StartDoc(SURFOBJ* so, LPWSTR name, DWORD job) {
  Log("StartDoc " + Ansi(name) + (job != 0 ? " with-job" : " no-job"));
  return Write(Of(so)->printer, "DOC " + Ansi(name) + "\n");
}

BOOL APIENTRY OnStartPage(SURFOBJ* so) {
  Log("StartPage");
  std::memset(so->pvBits, 0xFF, so->cjBits);
  return TRUE;
}

BOOL APIENTRY SendPage(SURFOBJ* so) {
  Log("SendPage");
  char header[64];
  std::snprintf(header, sizeof header, "PAGE %d %d %d\n", so->sizlBitmap.cx, so->sizlBitmap.cy,
                so->lDelta);
  return Write(Of(so)->printer, header) && Write(Of(so)->printer, so->pvBits, so->cjBits);
}

BOOL APIENTRY OnEndDoc(SURFOBJ* so, FLONG flags) {
  Log("EndDoc " + std::to_string(flags));
  Write(Of(so)->printer, "END " + std::to_string(flags) + "\n");
  return TRUE;
}

BOOL APIENTRY OnLineTo(SURFOBJ* so, CLIPOBJ* clip, BRUSHOBJ* brush, LONG x1, LONG y1, LONG x2,
                       LONG y2, RECTL* bounds, MIX mix) {
  Log("LineTo " + std::to_string(x1) + "," + std::to_string(y1) + " " + std::to_string(x2) + "," +
      std::to_string(y2) + " color " + std::to_string(brush->iSolidColor) + " clip " +
      ClipText(clip));
  return EngLineTo(so, clip, brush, x1, y1, x2, y2, bounds, mix);
}

BOOL APIENTRY StrokePath(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform,
                         BRUSHOBJ* brush, POINTL* origin, LINEATTRS* la, MIX mix) {
  ULONG points = 0;
  PATHDATA pd;
  PATHOBJ_vEnumStart(path);
  bool more;
  do {
    more = PATHOBJ_bEnum(path, &pd);
    points += pd.count;
  } while (more);
  Log("StrokePath curves " + std::to_string(path->cCurves) + " points " + std::to_string(points) +
      ((la->fl & LA_GEOMETRIC) ? " width " + std::to_string(static_cast<int>(la->elWidth.e))
                               : " cosmetic") +
      " clip " + ClipText(clip));
  PATHOBJ_vEnumStart(path);
  return EngStrokePath(so, path, clip, xform, brush, origin, la, mix);
}

BOOL APIENTRY FillPath(SURFOBJ* so, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* origin,
                       MIX mix, FLONG options) {
  Log("FillPath curves " + std::to_string(path->cCurves));
  return EngFillPath(so, path, clip, brush, origin, mix, options);
}

BOOL APIENTRY TextOut(SURFOBJ* so, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip, RECTL* extra,
                      RECTL* opaque, BRUSHOBJ* fore, BRUSHOBJ* back, POINTL* origin, MIX mix) {
  IFIMETRICS* ifi = FONTOBJ_pifi(font);
  std::string family =
      ifi != nullptr
          ? Ansi(reinterpret_cast<LPCWSTR>(reinterpret_cast<BYTE*>(ifi) + ifi->dpwszFamilyName))
          : "?";
  ULONG count = 0;
  GLYPHPOS* glyphs = nullptr;
  STROBJ_vEnumStart(str);
  STROBJ_bEnum(str, &count, &glyphs);
  std::string first =
      count > 0 ? std::to_string(glyphs[0].ptl.x) + "," + std::to_string(glyphs[0].ptl.y) : "-";
  Log("TextOut \"" + Ansi(str->pwszOrg) + "\" glyphs " + std::to_string(count) + " at " + first +
      " family " + family);
  return EngTextOut(so, str, font, clip, extra, opaque, fore, back, origin, mix);
}

BOOL APIENTRY StretchBlt(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                         COLORADJUSTMENT* ca, POINTL* htOrigin, RECTL* to, RECTL* from,
                         POINTL* maskOrigin, ULONG mode) {
  Log("StretchBlt " + Rect(to) + " from " + Rect(from) + " mode " + std::to_string(mode));
  return EngStretchBlt(dst, src, mask, clip, xlate, ca, htOrigin, to, from, maskOrigin, mode);
}

BOOL APIENTRY BitBlt(SURFOBJ* dst, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                     RECTL* to, POINTL* from, POINTL* maskOrigin, BRUSHOBJ* brush,
                     POINTL* brushOrigin, ROP4 rop) {
  Log("BitBlt " + Rect(to) + " rop " + std::to_string(rop));
  return EngBitBlt(dst, src, mask, clip, xlate, to, from, maskOrigin, brush, brushOrigin, rop);
}

template <class F>
DRVFN Entry(ULONG index, F f) {
  return {index, reinterpret_cast<PFN>(f)};
}

}  // namespace

TRVAPI BOOL APIENTRY DrvEnableDriver(ULONG version, ULONG cj, DRVENABLEDATA* ded) {
  static DRVFN table[] = {
      Entry(INDEX_DrvEnablePDEV, EnablePDEV),
      Entry(INDEX_DrvCompletePDEV, CompletePDEV),
      Entry(INDEX_DrvDisablePDEV, DisablePDEV),
      Entry(INDEX_DrvEnableSurface, EnableSurface),
      Entry(INDEX_DrvDisableSurface, DisableSurface),
      Entry(INDEX_DrvQuerySpoolType, QuerySpoolType),
      Entry(INDEX_DrvStartDoc, StartDoc),
      Entry(INDEX_DrvStartPage, OnStartPage),
      Entry(INDEX_DrvSendPage, SendPage),
      Entry(INDEX_DrvEndDoc, OnEndDoc),
      Entry(INDEX_DrvLineTo, OnLineTo),
      Entry(INDEX_DrvStrokePath, StrokePath),
      Entry(INDEX_DrvFillPath, FillPath),
      Entry(INDEX_DrvTextOut, TextOut),
      Entry(INDEX_DrvStretchBlt, StretchBlt),
      Entry(INDEX_DrvBitBlt, BitBlt),
  };
  Log("EnableDriver " +
      std::string(version >= DDI_DRIVER_VERSION_NT4 ? "engine-ok" : "engine-old"));
  if (cj < sizeof(DRVENABLEDATA) || ded == nullptr) return FALSE;
  ded->iDriverVersion = DDI_DRIVER_VERSION_NT4;
  ded->c = sizeof table / sizeof table[0];
  ded->pdrvfn = table;
  return TRUE;
}

TRVAPI void APIENTRY DrvDisableDriver() { Log("DisableDriver"); }
