// A small printer graphics driver for GDI's tests. It behaves toward GDI as a
// printer driver does: enables a device from the printer's data, creates a bitmap
// surface and hooks the drawing functions the printer data names ("Hooks"), draws
// what it receives through the engine, and spools each page's bits. Every call is
// reported as debugger output ("testdrv: ..."), which the tests listen to.
//
// Printer data (REG_DWORD): "Width", "Height" (dots), "Dpi", "Format" (1 or 24 bits
// per pixel), "Hooks" (HOOK_* flags), "Fonts" (1: the device has the faces of
// kFaces, below, as its own fonts; 2: and three faces with damaged metrics). The job holds "DOC
// <name>\n", then for each page "PAGE <width> <height> <stride>\n" and the surface's bytes, and
// "END <flags>\n".
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/winddi.h"
#include "platform/winspool.h"

namespace {

// The printer's own faces: font units are dots at the device's resolution.
struct FaceSpec {
  const char16_t* family;
  SHORT em, ascender, descender, average, maximum;
  bool fixed;
};
constexpr FaceSpec kFaces[] = {
    {u"Printer Mono", 24, 19, 5, 12, 12, true},
    {u"Printer Mono", 48, 38, 10, 24, 24, true},  // the same font magnified twice
    {u"Printer Prop", 30, 24, 6, 10, 16, false},
    {u"Printer Bars", 100, 100, 0, 2, 2, true},
};

struct Pdev {
  HANDLE printer = nullptr;
  std::vector<std::vector<BYTE>> faces;  // IFIMETRICS and the family name
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

std::vector<BYTE> Metrics(const FaceSpec& f, LONG dpi) {
  std::u16string family = f.family;
  std::vector<BYTE> bytes(sizeof(IFIMETRICS) + (family.size() + 1) * 2, 0);
  auto* m = reinterpret_cast<IFIMETRICS*>(bytes.data());
  m->cjThis = static_cast<ULONG>(bytes.size());
  m->dpwszFamilyName = m->dpwszFaceName = sizeof(IFIMETRICS);
  m->dpwszStyleName = m->dpwszUniqueName = static_cast<PTRDIFF>(bytes.size() - 2);
  std::memcpy(bytes.data() + sizeof(IFIMETRICS), family.c_str(), family.size() * 2);
  m->jWinCharSet = 0;
  m->jWinPitchAndFamily = f.fixed ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS;
  m->usWinWeight = 400;
  m->flInfo = FM_INFO_TECH_BITMAP | FM_INFO_1BPP | FM_INFO_RIGHT_HANDED;
  m->fwdUnitsPerEm = f.em;
  m->fwdWinAscender = f.ascender;
  m->fwdWinDescender = f.descender;
  m->fwdAveCharWidth = f.average;
  m->fwdMaxCharInc = f.maximum;
  m->chFirstChar = 0x20;
  m->chLastChar = 0x7E;
  m->chDefaultChar = 0x3F;
  m->chBreakChar = 0x20;
  m->wcFirstChar = 0x20;
  m->wcLastChar = 0x7E;
  m->wcDefaultChar = 0x3F;
  m->wcBreakChar = 0x20;
  m->ptlAspect = {dpi, dpi};
  m->rclFontBox = {0, f.ascender, f.maximum, -f.descender};
  return bytes;
}

// Faces whose metrics GDI must not trust: too short for IFIMETRICS, a family name
// beyond the metrics, a family name without its terminator.
void AddDamagedFaces(Pdev& pdev, LONG dpi) {
  std::vector<BYTE> shortMetrics = Metrics(kFaces[0], dpi);
  reinterpret_cast<IFIMETRICS*>(shortMetrics.data())->cjThis = 16;
  std::vector<BYTE> farName = Metrics(kFaces[0], dpi);
  reinterpret_cast<IFIMETRICS*>(farName.data())->dpwszFamilyName = 0x7FFF0000;
  std::vector<BYTE> endless = Metrics(kFaces[0], dpi);
  endless.resize(endless.size() - 2);  // the terminator falls outside
  reinterpret_cast<IFIMETRICS*>(endless.data())->cjThis = static_cast<ULONG>(endless.size());
  for (auto* damaged : {&shortMetrics, &farName, &endless}) pdev.faces.push_back(*damaged);
}

PIFIMETRICS APIENTRY QueryFont(DHPDEV dhpdev, ULONG_PTR, ULONG face, ULONG_PTR* id) {
  Pdev* pdev = Of(dhpdev);
  if (id != nullptr) *id = 0;
  if (face == 0) return reinterpret_cast<PIFIMETRICS>(static_cast<ULONG_PTR>(pdev->faces.size()));
  if (face > pdev->faces.size()) {
    EngSetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return reinterpret_cast<PIFIMETRICS>(pdev->faces[face - 1].data());
}

PVOID APIENTRY QueryFontTree(DHPDEV dhpdev, ULONG_PTR, ULONG face, ULONG mode, ULONG_PTR* id) {
  if (mode != QFT_GLYPHSET || face == 0 || face > Of(dhpdev)->faces.size()) return nullptr;
  *id = 0xFEF1;
  return EngComputeGlyphSet(1252, 0x20, 0x7E - 0x20 + 1);
}

void APIENTRY Free(PVOID pv, ULONG_PTR id) {
  Log("Free " + std::to_string(id));
  if (id == 0xFEF1) EngFreeMem(pv);
}

// A glyph's width in font units: every cell of a fixed face alike; in the
// proportional face 6, 8, 10 or 12 by the glyph's handle.
LONG WidthOf(const IFIMETRICS& m, HGLYPH g) {
  return (m.jWinPitchAndFamily & 3) == FIXED_PITCH ? m.fwdAveCharWidth
                                                   : 6 + 2 * static_cast<LONG>(g % 4);
}

LONG APIENTRY QueryFontData(DHPDEV, FONTOBJ* font, ULONG mode, HGLYPH g, GLYPHDATA* data, PVOID,
                            ULONG) {
  const IFIMETRICS* m = FONTOBJ_pifi(font);
  XFORML x{};
  if (mode != QFD_GLYPHANDBITMAP || m == nullptr || data == nullptr) return -1;
  XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(font), &x);
  double along = std::hypot(x.eM11, x.eM12) * WidthOf(*m, g);
  std::memset(data, 0, sizeof *data);
  data->hg = g;
  data->fxD = data->fxAB = static_cast<FIX>(std::lround(along * 16));
  return 0;
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
  DWORD fonts = Setting(printer, u"Fonts", 0);
  if (fonts != 0)
    for (const FaceSpec& f : kFaces) pdev->faces.push_back(Metrics(f, static_cast<LONG>(dpi)));
  if (fonts == 2) AddDamagedFaces(*pdev, static_cast<LONG>(dpi));
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
  di.cFonts = static_cast<ULONG>(pdev->faces.size());
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
  std::string second =
      count > 1 ? std::to_string(glyphs[1].ptl.x) + "," + std::to_string(glyphs[1].ptl.y) : "-";
  std::string device;
  if (font->flFontType & FO_TYPE_DEVICE) {
    XFORML x{};
    XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(font), &x);
    char matrix[96];
    std::snprintf(matrix, sizeof matrix, "%.3f %.3f %.3f %.3f", x.eM11, x.eM12, x.eM21, x.eM22);
    device = " device " + std::to_string(font->iFace) + " xform " + matrix;
  }
  Log("TextOut \"" + Ansi(str->pwszOrg) + "\" glyphs " + std::to_string(count) + " at " + first +
      " family " + family + device + " next " + second + " box " + Rect(&str->rclBkGround));
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
      Entry(INDEX_DrvQueryFont, QueryFont),
      Entry(INDEX_DrvQueryFontTree, QueryFontTree),
      Entry(INDEX_DrvQueryFontData, QueryFontData),
      Entry(INDEX_DrvFree, Free),
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
