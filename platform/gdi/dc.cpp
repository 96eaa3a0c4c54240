// The application side of GDI: printer device contexts that run the printer's
// graphics driver in this process, memory device contexts, the objects selected
// into them, mapping modes, clipping, and the drawing calls, each of which goes to
// the driver's function when the surface hooks it and to the engine otherwise.
#include "platform/gdi/dc.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/gdi/device_fonts.h"
#include "platform/gdi/objects.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/text.h"
#include "platform/winddi.h"
#include "platform/winspool.h"

namespace trv::gdi {

namespace {

struct PenObject : kernel::HandleObject {
  int style = PS_SOLID;
  int width = 0;
  COLORREF color = 0;
};
struct BrushObject : kernel::HandleObject {
  UINT style = BS_SOLID;
  COLORREF color = 0;
};
struct FontObject : kernel::HandleObject {
  LOGFONTW lf{};
};
struct RegionObject : kernel::HandleObject {
  std::vector<RECTL> rects;
};

struct Dc : kernel::HandleObject {
  bool printer = false;
  // A printer's: the driver, its device and surface, the spooler's printer.
  HMODULE module = nullptr;
  HANDLE printerHandle = nullptr;
  std::shared_ptr<Device> device;
  HDEV hdev = nullptr;
  HSURF hsurf = nullptr;
  SURFOBJ* surface = nullptr;  // locked while the DC lives
  GDIINFO info{};
  DEVINFO devinfo{};
  bool inDoc = false, inPage = false;
  // A memory DC's selected bitmap.
  HBITMAP bitmap = nullptr, defaultBitmap = nullptr;
  // Selected objects and drawing state.
  HGDIOBJ pen = nullptr, brush = nullptr, font = nullptr;
  POINT current{0, 0};
  int mapMode = MM_TEXT;
  POINT viewportOrg{0, 0}, windowOrg{0, 0};
  std::optional<std::vector<RECTL>> clip;  // device rectangles
  COLORREF textColor = 0, bkColor = 0xffffff;
  int bkMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  int rop2 = R2_COPYPEN;
  int stretchMode = BLACKONWHITE;
  std::unique_ptr<Font> realized;
  LOGFONTW realizedFor{};
  long realizedEm = 0;
  // A printer's own faces, asked of its driver on first use, and the one realised
  // for the selected font under the mapping it was realised for.
  std::optional<std::vector<DeviceFace>> deviceFaces;
  std::unique_ptr<DeviceFont> deviceFont;
  LOGFONTW deviceFontFor{};
  double deviceFontScaleX = 0, deviceFontScaleY = 0;
  ULONG fontUniqueness = 0;
};

std::shared_ptr<Dc> DcOf(HDC dc) { return kernel::FindHandleAs<Dc>(dc); }

template <class T>
T Fn(const Dc& dc, int index) {
  return reinterpret_cast<T>(dc.device ? dc.device->functions[static_cast<size_t>(index)]
                                       : nullptr);
}

std::mutex& StockLock() {
  static std::mutex lock;
  return lock;
}

std::array<HGDIOBJ, SYSTEM_FONT + 1>& Stock() {
  static std::array<HGDIOBJ, SYSTEM_FONT + 1> stock{};
  return stock;
}

bool IsStock(HGDIOBJ object) {
  std::lock_guard<std::mutex> guard(StockLock());
  return object != nullptr && std::find(Stock().begin(), Stock().end(), object) != Stock().end();
}

std::shared_ptr<Palette> MonoPalette() {
  auto p = std::make_shared<Palette>();
  p->mode = PAL_INDEXED;
  p->colors = {0x000000, 0xffffff};
  return p;
}

// ---- the target surface ----------------------------------------------------------------
struct Target {
  SURFOBJ* so = nullptr;
  Surface* surface = nullptr;
  std::shared_ptr<Palette> palette;  // null: blue, green, red
  FLONG hooks = 0;
};

Target TargetOf(Dc& dc) {
  Target t;
  if (dc.printer) {
    t.so = dc.surface;
    t.surface = SurfaceOf(dc.surface);
    t.palette = dc.device ? dc.device->palette : nullptr;
  } else {
    auto s = kernel::FindHandleAs<Surface>(dc.bitmap);
    if (s) {
      t.so = &s->so;
      t.surface = s.get();
      t.palette = s->palette;
    }
  }
  if (t.surface != nullptr) t.hooks = t.surface->hooks;
  if (t.so != nullptr && t.so->iBitmapFormat == BMF_1BPP && !t.palette) t.palette = MonoPalette();
  return t;
}

ULONG PixelOf(const Target& t, COLORREF color) { return ColorToPixel(t.palette.get(), color); }

// ---- mapping -----------------------------------------------------------------------------
double UnitsPerInch(int mode) {
  switch (mode) {
    case MM_LOMETRIC: return 254;
    case MM_HIMETRIC: return 2540;
    case MM_LOENGLISH: return 100;
    case MM_HIENGLISH: return 1000;
    case MM_TWIPS: return 1440;
    default: return 0;
  }
}

POINT Dpi(const Dc& dc) {
  if (dc.printer)
    return {static_cast<LONG>(dc.info.ulLogPixelsX), static_cast<LONG>(dc.info.ulLogPixelsY)};
  return {96, 96};
}

// Device pixels per logical unit (y negative where logical y grows upwards).
void Scale(const Dc& dc, double* sx, double* sy) {
  double units = UnitsPerInch(dc.mapMode);
  if (units == 0) {
    *sx = *sy = 1;
    return;
  }
  POINT dpi = Dpi(dc);
  *sx = dpi.x / units;
  *sy = -dpi.y / units;
}

void ToDevice(const Dc& dc, double x, double y, double* dx, double* dy) {
  double sx, sy;
  Scale(dc, &sx, &sy);
  *dx = (x - dc.windowOrg.x) * sx + dc.viewportOrg.x;
  *dy = (y - dc.windowOrg.y) * sy + dc.viewportOrg.y;
}

POINTFIX Fix(const Dc& dc, double x, double y) {
  double dx, dy;
  ToDevice(dc, x, y, &dx, &dy);
  return {static_cast<FIX>(std::lround(dx * 16)), static_cast<FIX>(std::lround(dy * 16))};
}

POINTL ToPixel(const Dc& dc, double x, double y) {
  double dx, dy;
  ToDevice(dc, x, y, &dx, &dy);
  return {static_cast<LONG>(std::lround(dx)), static_cast<LONG>(std::lround(dy))};
}

RECTL DeviceRect(const Dc& dc, int l, int t, int r, int b) {
  POINTL a = ToPixel(dc, l, t), z = ToPixel(dc, r, b);
  return {std::min(a.x, z.x), std::min(a.y, z.y), std::max(a.x, z.x), std::max(a.y, z.y)};
}

double DeviceLength(const Dc& dc, double logical) {
  double sx, sy;
  Scale(dc, &sx, &sy);
  return logical * std::fabs(sx);
}

// ---- clipping ----------------------------------------------------------------------------
void MakeClip(const Dc& dc, const Target& t, const RECTL* extra, Clip* clip) {
  if (!dc.clip && extra == nullptr) return;  // trivial
  RECTL page{0, 0, t.so->sizlBitmap.cx, t.so->sizlBitmap.cy};
  std::vector<RECTL> rects = dc.clip ? *dc.clip : std::vector<RECTL>{page};
  for (RECTL& r : rects) {
    RECTL limit = extra != nullptr ? *extra : page;
    r = {std::max({r.left, page.left, limit.left}), std::max({r.top, page.top, limit.top}),
         std::min({r.right, page.right, limit.right}),
         std::min({r.bottom, page.bottom, limit.bottom})};
  }
  clip->SetRects(std::move(rects));
}

int RegionType(const std::optional<std::vector<RECTL>>& rects) {
  if (!rects) return SIMPLEREGION;
  size_t n = 0;
  for (const RECTL& r : *rects)
    if (r.right > r.left && r.bottom > r.top) ++n;
  return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// ---- drawing through the driver or the engine --------------------------------------------
MIX MixOf(const Dc& dc) { return static_cast<MIX>(dc.rop2 | (dc.rop2 << 8)); }

std::shared_ptr<PenObject> PenOf(const Dc& dc) { return kernel::FindHandleAs<PenObject>(dc.pen); }
std::shared_ptr<BrushObject> BrushOf(HGDIOBJ brush) {
  return kernel::FindHandleAs<BrushObject>(brush);
}

bool StrokeWithPen(Dc& dc, Path& path) {
  auto pen = PenOf(dc);
  if (!pen || pen->style == PS_NULL) return true;
  Target t = TargetOf(dc);
  if (t.so == nullptr) return false;
  Clip clip;
  MakeClip(dc, t, nullptr, &clip);
  BRUSHOBJ brush{PixelOf(t, pen->color), nullptr, 0};
  double width = DeviceLength(dc, pen->width);
  LINEATTRS la{};
  std::vector<FLOAT_LONG> style;
  const std::vector<std::vector<LONG>> patterns{
      {}, {18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
  if (pen->style >= PS_DASH && pen->style <= PS_DASHDOTDOT)
    for (LONG v : patterns[static_cast<size_t>(pen->style)]) {
      FLOAT_LONG f;
      if (width > 1)
        f.e = static_cast<FLOATL>(v * width / 3);
      else
        f.l = v;
      style.push_back(f);
    }
  if (width > 1) {
    la.fl = LA_GEOMETRIC;
    la.iJoin = JOIN_ROUND;
    la.iEndCap = ENDCAP_ROUND;
    la.elWidth.e = static_cast<FLOATL>(width);
    la.eMiterLimit = 10;
  } else {
    la.elWidth.l = 1;
  }
  if (!style.empty()) {
    la.fl |= LA_STYLED;
    la.cstyle = static_cast<ULONG>(style.size());
    la.pstyle = style.data();
  }
  Xform xform;
  POINTL origin{0, 0};
  PATHOBJ_vEnumStart(&path);
  auto hooked = Fn<PFN_DrvStrokePath>(dc, INDEX_DrvStrokePath);
  if ((t.hooks & HOOK_STROKEPATH) && hooked != nullptr)
    return hooked(t.so, &path, &clip, &xform, &brush, &origin, &la, MixOf(dc));
  return EngStrokePath(t.so, &path, &clip, &xform, &brush, &origin, &la, MixOf(dc));
}

// Fills a path in one colour, clipped to the DC's clip and `extra` when given.
bool FillInColor(Dc& dc, Path& path, COLORREF color, MIX mix, const RECTL* extra) {
  Target t = TargetOf(dc);
  if (t.so == nullptr) return false;
  Clip clip;
  MakeClip(dc, t, extra, &clip);
  BRUSHOBJ bo{PixelOf(t, color), nullptr, 0};
  POINTL origin{0, 0};
  PATHOBJ_vEnumStart(&path);
  auto hooked = Fn<PFN_DrvFillPath>(dc, INDEX_DrvFillPath);
  if ((t.hooks & HOOK_FILLPATH) && hooked != nullptr)
    return hooked(t.so, &path, &clip, &bo, &origin, mix, FP_ALTERNATEMODE);
  return EngFillPath(t.so, &path, &clip, &bo, &origin, mix, FP_ALTERNATEMODE);
}

bool FillWithBrush(Dc& dc, Path& path) {
  auto brush = BrushOf(dc.brush);
  if (!brush || brush->style == BS_NULL) return true;
  return FillInColor(dc, path, brush->color, MixOf(dc), nullptr);
}

// A line of a cosmetic solid pen goes to DrvLineTo when the driver hooks it.
bool Line(Dc& dc, POINT from, POINT to) {
  auto pen = PenOf(dc);
  if (!pen || pen->style == PS_NULL) return true;
  Target t = TargetOf(dc);
  if (t.so == nullptr) return false;
  auto hooked = Fn<PFN_DrvLineTo>(dc, INDEX_DrvLineTo);
  if (pen->style == PS_SOLID && DeviceLength(dc, pen->width) <= 1 && (t.hooks & HOOK_LINETO) &&
      hooked != nullptr) {
    Clip clip;
    MakeClip(dc, t, nullptr, &clip);
    BRUSHOBJ brush{PixelOf(t, pen->color), nullptr, 0};
    POINTL a = ToPixel(dc, from.x, from.y), b = ToPixel(dc, to.x, to.y);
    RECTL bounds{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1,
                 std::max(a.y, b.y) + 1};
    return hooked(t.so, &clip, &brush, a.x, a.y, b.x, b.y, &bounds, MixOf(dc));
  }
  Path path;
  path.MoveTo(Fix(dc, from.x, from.y));
  path.LineTo(Fix(dc, to.x, to.y));
  return StrokeWithPen(dc, path);
}

// ---- fonts -------------------------------------------------------------------------------
Font* Realize(Dc& dc) {
  auto object = kernel::FindHandleAs<FontObject>(dc.font);
  LOGFONTW lf = object ? object->lf : LOGFONTW{};
  double sx, sy;
  Scale(dc, &sx, &sy);
  double cell = std::fabs(lf.lfHeight * sy);
  bool isCell = lf.lfHeight > 0;
  if (lf.lfHeight == 0) cell = 12.0 * Dpi(dc).y / 72, isCell = false;  // 12 points
  long request = std::lround(cell) * (isCell ? 1 : -1);
  if (dc.realized && std::memcmp(&dc.realizedFor, &lf, sizeof lf) == 0 && dc.realizedEm == request)
    return dc.realized.get();
  std::u16string face;
  for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i] != 0; ++i) face += lf.lfFaceName[i];
  FontChoice choice;
  if (!FindFontFile(kernel::WideToAnsi(face), lf.lfWeight, lf.lfItalic != 0, &choice))
    return nullptr;
  long em = std::max(1L, std::lround(cell));
  if (isCell) {
    // A positive height is the cell (ascender + descender); the em is the part of it.
    Font probe;
    if (!probe.Open(choice.hostPath, choice.index, 1000, 0)) return nullptr;
    double units = probe.face->units_per_EM;
    double cellUnits = probe.face->ascender - probe.face->descender;
    if (cellUnits > 0) em = std::max(1L, std::lround(cell * units / cellUnits));
  }
  auto font = std::make_unique<Font>();
  int width = lf.lfWidth != 0 ? static_cast<int>(std::lround(std::fabs(lf.lfWidth * sx))) : 0;
  // With the default graphics mode the glyphs turn with the baseline: the escapement
  // alone sets the direction, whatever the orientation asks.
  if (!font->Open(choice.hostPath, choice.index, static_cast<int>(em), width, lf.lfEscapement))
    return nullptr;
  dc.realized = std::move(font);
  dc.realizedFor = lf;
  dc.realizedEm = request;
  return dc.realized.get();
}

// ---- the printer's own fonts ---------------------------------------------------------------
DeviceFontDriver DeviceFontDriverOf(const Dc& dc) {
  DeviceFontDriver d;
  if (!dc.device) return d;
  d.dhpdev = dc.device->dhpdev;
  d.queryFont = Fn<PFN_DrvQueryFont>(dc, INDEX_DrvQueryFont);
  d.queryFontTree = Fn<PFN_DrvQueryFontTree>(dc, INDEX_DrvQueryFontTree);
  d.queryFontData = Fn<PFN_DrvQueryFontData>(dc, INDEX_DrvQueryFontData);
  d.free = Fn<PFN_DrvFree>(dc, INDEX_DrvFree);
  return d;
}

// A driver that reports no fonts (DEVINFO.cFonts 0) is not asked.
const std::vector<DeviceFace>& DeviceFacesOf(Dc& dc) {
  if (!dc.deviceFaces) {
    dc.deviceFaces.emplace();
    if (dc.printer && dc.devinfo.cFonts > 0 && dc.device && dc.device->dhpdev != nullptr)
      *dc.deviceFaces = QueryDeviceFaces(DeviceFontDriverOf(dc));
  }
  return *dc.deviceFaces;
}

std::u16string FaceNameOf(const LOGFONTW& lf) {
  std::u16string face;
  for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i] != 0; ++i) face += lf.lfFaceName[i];
  return face;
}

// The selected font as one of the printer's faces, when one has its name: a
// negative height asks for the em, a positive one for the cell (ascender and
// descender), 0 for the face's own size. OUT_TT_ONLY_PRECIS asks for the process's
// fonts alone.
DeviceFont* RealizeDevice(Dc& dc) {
  if (!dc.printer) return nullptr;
  auto object = kernel::FindHandleAs<FontObject>(dc.font);
  LOGFONTW lf = object ? object->lf : LOGFONTW{};
  if (lf.lfOutPrecision == OUT_TT_ONLY_PRECIS || lf.lfFaceName[0] == 0) return nullptr;
  double sx, sy;
  Scale(dc, &sx, &sy);
  if (dc.deviceFont && std::memcmp(&dc.deviceFontFor, &lf, sizeof lf) == 0 &&
      dc.deviceFontScaleX == sx && dc.deviceFontScaleY == sy)
    return dc.deviceFont.get();
  const std::vector<DeviceFace>& faces = DeviceFacesOf(dc);
  if (faces.empty()) return nullptr;
  std::u16string name = FaceNameOf(lf);
  POINT dpi = Dpi(dc);
  double requested = std::fabs(lf.lfHeight * sy);
  double em = lf.lfHeight == 0 ? 0 : requested;
  const DeviceFace* face = MatchDeviceFace(faces, name, em, dpi);
  if (face == nullptr) return nullptr;
  if (lf.lfHeight > 0) {
    const IFIMETRICS& m = face->metrics();
    double cell = m.fwdWinAscender + std::abs(static_cast<int>(m.fwdWinDescender));
    if (cell > 0) em = requested * m.fwdUnitsPerEm / cell;
    face = MatchDeviceFace(faces, name, em, dpi);
  }
  auto font = RealizeDeviceFont(*face, em, std::fabs(lf.lfWidth * sx), lf.lfEscapement, dpi,
                                ++dc.fontUniqueness);
  if (!font) return nullptr;
  dc.deviceFont = std::move(font);
  dc.deviceFontFor = lf;
  dc.deviceFontScaleX = sx;
  dc.deviceFontScaleY = sy;
  return dc.deviceFont.get();
}

// The fields of a realised font's metrics that come as they stand from its face and
// the device: the digitised aspect, the character range, pitch and family (with the
// bits of the font's kind) and the character set.
void CopyFaceMetrics(const Dc& dc, const IFIMETRICS& m, BYTE kind, TEXTMETRICW* tm) {
  POINT dpi = Dpi(dc);
  tm->tmDigitizedAspectX = dpi.x;
  tm->tmDigitizedAspectY = dpi.y;
  tm->tmFirstChar = m.wcFirstChar;
  tm->tmLastChar = m.wcLastChar;
  tm->tmDefaultChar = m.wcDefaultChar;
  tm->tmBreakChar = m.wcBreakChar;
  bool fixed = (m.jWinPitchAndFamily & 3) == FIXED_PITCH;
  // TEXTMETRIC's pitch bit is set for variable-pitch fonts.
  tm->tmPitchAndFamily =
      static_cast<BYTE>((m.jWinPitchAndFamily & 0xF0) | (fixed ? 0 : TMPF_FIXED_PITCH) | kind);
  tm->tmCharSet = m.jWinCharSet;
}

// A device font's metrics in the DC's logical units.
void DeviceTextMetrics(const Dc& dc, const DeviceFont& f, TEXTMETRICW* tm) {
  double sx, sy;
  Scale(dc, &sx, &sy);
  auto lx = [&](LONG dots) { return static_cast<LONG>(std::lround(dots / std::fabs(sx))); };
  auto ly = [&](LONG dots) { return static_cast<LONG>(std::lround(dots / std::fabs(sy))); };
  const IFIMETRICS& m = f.face->metrics();
  std::memset(tm, 0, sizeof *tm);
  tm->tmAscent = ly(f.Ascent());
  tm->tmDescent = ly(f.Descent());
  tm->tmHeight = tm->tmAscent + tm->tmDescent;
  tm->tmInternalLeading = ly(f.InternalLeading());
  tm->tmExternalLeading =
      ly(static_cast<LONG>(std::lround(std::max<int>(0, m.fwdMacLineGap) * f.scaleY)));
  tm->tmAveCharWidth = lx(f.AverageWidth());
  tm->tmMaxCharWidth = lx(f.MaxWidth());
  tm->tmWeight = m.usWinWeight != 0 ? m.usWinWeight : FW_NORMAL;
  tm->tmItalic = (m.fsSelection & 1) ? 1 : 0;
  CopyFaceMetrics(dc, m, TMPF_DEVICE, tm);
}

// ---- the printer's driver ----------------------------------------------------------------
void Teardown(Dc& dc) {
  if (!dc.printer) return;
  if (dc.inDoc) {
    if (auto end = Fn<PFN_DrvEndDoc>(dc, INDEX_DrvEndDoc)) end(dc.surface, ED_ABORTDOC);
    AbortPrinter(dc.printerHandle);
    dc.inDoc = dc.inPage = false;
  }
  if (dc.surface != nullptr) EngUnlockSurface(dc.surface);
  dc.surface = nullptr;
  if (dc.hsurf != nullptr)
    if (auto disable = Fn<PFN_DrvDisableSurface>(dc, INDEX_DrvDisableSurface))
      disable(dc.device->dhpdev);
  dc.hsurf = nullptr;
  if (dc.device && dc.device->dhpdev != nullptr)
    if (auto disable = Fn<PFN_DrvDisablePDEV>(dc, INDEX_DrvDisablePDEV)) disable(dc.device->dhpdev);
  if (dc.device) dc.device->dhpdev = nullptr;
  if (dc.module != nullptr) {
    auto disableDriver =
        reinterpret_cast<PFN_DrvDisableDriver>(GetProcAddress(dc.module, "DrvDisableDriver"));
    if (disableDriver == nullptr)
      disableDriver = Fn<PFN_DrvDisableDriver>(dc, INDEX_DrvDisableDriver);
    if (disableDriver != nullptr) disableDriver();
  }
  if (dc.hdev != nullptr) kernel::RemoveHandle(dc.hdev);
  dc.hdev = nullptr;
  if (dc.module != nullptr) FreeLibrary(dc.module);
  dc.module = nullptr;
  if (dc.printerHandle != nullptr) ClosePrinter(dc.printerHandle);
  dc.printerHandle = nullptr;
}

void SelectDefaults(Dc& dc) {
  dc.pen = GetStockObject(BLACK_PEN);
  dc.brush = GetStockObject(WHITE_BRUSH);
  dc.font = GetStockObject(SYSTEM_FONT);
}

HDC Add(const std::shared_ptr<Dc>& dc) {
  HANDLE h = kernel::AddHandle(dc);
  if (h == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return static_cast<HDC>(h);
}

}  // namespace

bool IsDc(HDC dc) { return DcOf(dc) != nullptr; }

std::vector<DeviceFaceDescription> DescribeDeviceFaces(HDC handle) {
  std::vector<DeviceFaceDescription> out;
  auto dc = DcOf(handle);
  if (!dc) return out;
  for (const DeviceFace& face : DeviceFacesOf(*dc)) {
    auto natural = RealizeDeviceFont(face, 0, 0, 0, Dpi(*dc), 0);
    if (!natural) continue;
    DeviceFaceDescription d;
    d.family = face.family;
    DeviceTextMetrics(*dc, *natural, &d.metrics);
    double sx, sy;
    Scale(*dc, &sx, &sy);
    d.emHeight = static_cast<UINT>(
        std::lround(face.metrics().fwdUnitsPerEm * natural->scaleY / std::fabs(sy)));
    out.push_back(std::move(d));
  }
  return out;
}

}  // namespace trv::gdi

using trv::gdi::Dc;
using trv::gdi::DcOf;

// ---- device contexts ---------------------------------------------------------------------
TRVAPI HDC WINAPI CreateDCW(LPCWSTR, LPCWSTR device, LPCWSTR, const DEVMODEW* devmode) {
  if (device == nullptr || *device == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto dc = std::make_shared<Dc>();
  dc->printer = true;
  std::u16string name(device);
  auto fail = [&](DWORD error) -> HDC {
    trv::gdi::Teardown(*dc);
    SetLastError(error);
    return nullptr;
  };
  if (!OpenPrinterW(name.data(), &dc->printerHandle, nullptr)) {
    dc->printerHandle = nullptr;
    return fail(GetLastError());
  }
  DWORD needed = 0;
  GetPrinterDriverW(dc->printerHandle, nullptr, 3, nullptr, 0, &needed);
  std::vector<BYTE> info(std::max<DWORD>(needed, sizeof(DRIVER_INFO_3W)));
  if (!GetPrinterDriverW(dc->printerHandle, nullptr, 3, info.data(),
                         static_cast<DWORD>(info.size()), &needed))
    return fail(GetLastError());
  const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(info.data());
  dc->module = LoadLibraryW(driver->pDriverPath);
  if (dc->module == nullptr) return fail(GetLastError());
  auto enable =
      reinterpret_cast<PFN_DrvEnableDriver>(GetProcAddress(dc->module, "DrvEnableDriver"));
  if (enable == nullptr) return fail(ERROR_BAD_DRIVER);
  DRVENABLEDATA ded{};
  if (!enable(ENGINE_VERSION, sizeof ded, &ded)) return fail(GetLastError());
  dc->device = std::make_shared<trv::gdi::Device>();
  for (ULONG i = 0; ded.pdrvfn != nullptr && i < ded.c; ++i)
    if (ded.pdrvfn[i].iFunc <= INDEX_LAST)
      dc->device->functions[ded.pdrvfn[i].iFunc] = ded.pdrvfn[i].pfn;
  auto enablePdev = trv::gdi::Fn<PFN_DrvEnablePDEV>(*dc, INDEX_DrvEnablePDEV);
  auto enableSurface = trv::gdi::Fn<PFN_DrvEnableSurface>(*dc, INDEX_DrvEnableSurface);
  if (enablePdev == nullptr || enableSurface == nullptr) return fail(ERROR_BAD_DRIVER);
  dc->hdev = static_cast<HDEV>(trv::kernel::AddHandle(dc->device));
  if (dc->hdev == nullptr) return fail(ERROR_NOT_ENOUGH_MEMORY);
  std::vector<DEVMODEW> devmodeCopy;  // the driver takes a non-const devmode
  DEVMODEW* pdm = nullptr;
  // An application that names no devmode prints with the printer's default one.
  std::vector<BYTE> printerInfo;
  if (devmode == nullptr) {
    GetPrinterW(dc->printerHandle, 2, nullptr, 0, &needed);
    printerInfo.resize(needed);
    if (needed != 0 && GetPrinterW(dc->printerHandle, 2, printerInfo.data(), needed, &needed))
      devmode = reinterpret_cast<const PRINTER_INFO_2W*>(printerInfo.data())->pDevMode;
  }
  if (devmode != nullptr) {
    size_t bytes = devmode->dmSize + devmode->dmDriverExtra;
    devmodeCopy.resize(bytes / sizeof(DEVMODEW) + 1);
    std::memcpy(devmodeCopy.data(), devmode, bytes);
    pdm = devmodeCopy.data();
  }
  HSURF patterns[6] = {};
  SetLastError(ERROR_SUCCESS);
  DHPDEV dhpdev = enablePdev(pdm, name.data(), 6, patterns, sizeof dc->info,
                             reinterpret_cast<ULONG*>(&dc->info), sizeof dc->devinfo, &dc->devinfo,
                             dc->hdev, name.data(), dc->printerHandle);
  if (dhpdev == nullptr) return fail(GetLastError() != 0 ? GetLastError() : ERROR_BAD_DRIVER);
  dc->device->dhpdev = dhpdev;
  dc->device->palette = trv::gdi::PaletteOf(dc->devinfo.hpalDefault);
  if (auto complete = trv::gdi::Fn<PFN_DrvCompletePDEV>(*dc, INDEX_DrvCompletePDEV))
    complete(dhpdev, dc->hdev);
  dc->hsurf = enableSurface(dhpdev);
  if (dc->hsurf == nullptr) return fail(GetLastError() != 0 ? GetLastError() : ERROR_BAD_DRIVER);
  dc->surface = EngLockSurface(dc->hsurf);
  if (dc->surface == nullptr) return fail(ERROR_BAD_DRIVER);
  trv::gdi::SelectDefaults(*dc);
  HDC h = trv::gdi::Add(dc);
  if (h == nullptr) return fail(ERROR_NOT_ENOUGH_MEMORY);
  return h;
}

TRVAPI HDC WINAPI CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEW* devmode) {
  std::u16string d = device != nullptr ? trv::kernel::AnsiToWide(device) : u"";
  std::u16string v = driver != nullptr ? trv::kernel::AnsiToWide(driver) : u"";
  std::u16string o = output != nullptr ? trv::kernel::AnsiToWide(output) : u"";
  return CreateDCW(driver ? v.c_str() : nullptr, device ? d.c_str() : nullptr,
                   output ? o.c_str() : nullptr, devmode);
}

TRVAPI HDC WINAPI CreateCompatibleDC(HDC) {
  auto dc = std::make_shared<Dc>();
  dc->defaultBitmap = EngCreateBitmap({1, 1}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
  dc->bitmap = dc->defaultBitmap;
  trv::gdi::SelectDefaults(*dc);
  return trv::gdi::Add(dc);
}

TRVAPI BOOL WINAPI DeleteDC(HDC handle) {
  auto dc = DcOf(handle);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  trv::kernel::RemoveHandle(handle);
  trv::gdi::Teardown(*dc);
  if (dc->defaultBitmap != nullptr) EngDeleteSurface(reinterpret_cast<HSURF>(dc->defaultBitmap));
  return TRUE;
}

TRVAPI int WINAPI GetDeviceCaps(HDC handle, int index) {
  auto dc = DcOf(handle);
  if (!dc) return 0;
  if (!dc->printer) {
    trv::gdi::Target t = trv::gdi::TargetOf(*dc);
    if (t.so == nullptr) return 0;
    switch (index) {
      case HORZRES: return t.so->sizlBitmap.cx;
      case VERTRES: return t.so->sizlBitmap.cy;
      case BITSPIXEL:
        return t.so->iBitmapFormat == BMF_1BPP ? 1 : t.so->iBitmapFormat == BMF_24BPP ? 24 : 32;
      case PLANES: return 1;
      case LOGPIXELSX:
      case LOGPIXELSY: return 96;
      default: return 0;
    }
  }
  const GDIINFO& g = dc->info;
  switch (index) {
    case DRIVERVERSION: return static_cast<int>(g.ulVersion);
    case TECHNOLOGY: return static_cast<int>(g.ulTechnology);
    case HORZSIZE: return static_cast<int>(g.ulHorzSize);
    case VERTSIZE: return static_cast<int>(g.ulVertSize);
    case HORZRES: return static_cast<int>(g.ulHorzRes);
    case VERTRES: return static_cast<int>(g.ulVertRes);
    case BITSPIXEL: return static_cast<int>(g.cBitsPixel);
    case PLANES: return static_cast<int>(g.cPlanes);
    case NUMCOLORS: return static_cast<int>(g.ulNumColors);
    case TEXTCAPS: return static_cast<int>(g.flTextCaps);
    case ASPECTX: return static_cast<int>(g.ulAspectX);
    case ASPECTY: return static_cast<int>(g.ulAspectY);
    case ASPECTXY: return static_cast<int>(g.ulAspectXY);
    case LOGPIXELSX: return static_cast<int>(g.ulLogPixelsX);
    case LOGPIXELSY: return static_cast<int>(g.ulLogPixelsY);
    case PHYSICALWIDTH: return g.szlPhysSize.cx;
    case PHYSICALHEIGHT: return g.szlPhysSize.cy;
    case PHYSICALOFFSETX: return g.ptlPhysOffset.x;
    case PHYSICALOFFSETY: return g.ptlPhysOffset.y;
    default: return 0;
  }
}

// ---- documents ----------------------------------------------------------------------------
TRVAPI int WINAPI StartDocW(HDC handle, const DOCINFOW* info) {
  auto dc = DcOf(handle);
  if (!dc || !dc->printer || dc->inDoc) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return SP_ERROR;
  }
  std::u16string docName = info != nullptr && info->lpszDocName ? info->lpszDocName : u"";
  std::u16string output = info != nullptr && info->lpszOutput ? info->lpszOutput : u"";
  WCHAR datatype[64] = u"RAW";
  if (auto query = trv::gdi::Fn<PFN_DrvQuerySpoolType>(*dc, INDEX_DrvQuerySpoolType))
    if (!query(dc->device->dhpdev, datatype)) std::memcpy(datatype, u"RAW", sizeof u"RAW");
  DOC_INFO_1W doc{docName.data(), output.empty() ? nullptr : output.data(), datatype};
  DWORD job = StartDocPrinterW(dc->printerHandle, 1, reinterpret_cast<LPBYTE>(&doc));
  if (job == 0) return SP_ERROR;
  auto start = trv::gdi::Fn<PFN_DrvStartDoc>(*dc, INDEX_DrvStartDoc);
  if (start != nullptr && !start(dc->surface, docName.data(), job)) {
    DWORD error = GetLastError();
    AbortPrinter(dc->printerHandle);
    SetLastError(error);
    return SP_ERROR;
  }
  dc->inDoc = true;
  return static_cast<int>(job);
}

TRVAPI int WINAPI StartDocA(HDC dc, const DOCINFOA* info) {
  if (info == nullptr) return StartDocW(dc, nullptr);
  std::u16string name = info->lpszDocName ? trv::kernel::AnsiToWide(info->lpszDocName) : u"";
  std::u16string output = info->lpszOutput ? trv::kernel::AnsiToWide(info->lpszOutput) : u"";
  DOCINFOW w{sizeof(DOCINFOW), info->lpszDocName ? name.c_str() : nullptr,
             info->lpszOutput ? output.c_str() : nullptr, nullptr, info->fwType};
  return StartDocW(dc, &w);
}

TRVAPI int WINAPI StartPage(HDC handle) {
  auto dc = DcOf(handle);
  if (!dc || !dc->inDoc || dc->inPage) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return SP_ERROR;
  }
  if (!StartPagePrinter(dc->printerHandle)) return SP_ERROR;
  auto start = trv::gdi::Fn<PFN_DrvStartPage>(*dc, INDEX_DrvStartPage);
  if (start != nullptr && !start(dc->surface)) return SP_ERROR;
  dc->inPage = true;
  return 1;
}

TRVAPI int WINAPI EndPage(HDC handle) {
  auto dc = DcOf(handle);
  if (!dc || !dc->inPage) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return SP_ERROR;
  }
  dc->inPage = false;
  auto send = trv::gdi::Fn<PFN_DrvSendPage>(*dc, INDEX_DrvSendPage);
  bool sent = send == nullptr || send(dc->surface);
  DWORD error = GetLastError();
  EndPagePrinter(dc->printerHandle);
  if (!sent) {
    SetLastError(error);
    return SP_ERROR;
  }
  return 1;
}

TRVAPI int WINAPI EndDoc(HDC handle) {
  auto dc = DcOf(handle);
  if (!dc || !dc->inDoc) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return SP_ERROR;
  }
  bool ok = true;
  if (dc->inPage) ok = EndPage(handle) > 0;  // a page left open is sent, as GDI does
  if (auto end = trv::gdi::Fn<PFN_DrvEndDoc>(*dc, INDEX_DrvEndDoc)) ok = end(dc->surface, 0) && ok;
  ok = EndDocPrinter(dc->printerHandle) && ok;
  dc->inDoc = false;
  return ok ? 1 : SP_ERROR;
}

TRVAPI int WINAPI AbortDoc(HDC handle) {
  auto dc = DcOf(handle);
  if (!dc || !dc->inDoc) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return SP_ERROR;
  }
  if (auto end = trv::gdi::Fn<PFN_DrvEndDoc>(*dc, INDEX_DrvEndDoc)) end(dc->surface, ED_ABORTDOC);
  AbortPrinter(dc->printerHandle);
  dc->inDoc = dc->inPage = false;
  return 1;
}

// ---- objects ------------------------------------------------------------------------------
TRVAPI HGDIOBJ WINAPI GetStockObject(int index) {
  if (index < 0 || (index > NULL_PEN && index != SYSTEM_FONT)) return nullptr;
  std::lock_guard<std::mutex> guard(trv::gdi::StockLock());
  HGDIOBJ& slot = trv::gdi::Stock()[static_cast<size_t>(index)];
  if (slot != nullptr) return slot;
  std::shared_ptr<trv::kernel::HandleObject> object;
  if (index == SYSTEM_FONT) {
    // The font every DC starts with: the mapper's default face at its default size.
    object = std::make_shared<trv::gdi::FontObject>();
  } else if (index <= NULL_BRUSH) {
    auto brush = std::make_shared<trv::gdi::BrushObject>();
    const COLORREF colors[] = {0xffffff, 0xc0c0c0, 0x808080, 0x404040, 0x000000, 0};
    brush->color = colors[index];
    brush->style = index == NULL_BRUSH ? BS_NULL : BS_SOLID;
    object = brush;
  } else {
    auto pen = std::make_shared<trv::gdi::PenObject>();
    pen->color = index == WHITE_PEN ? 0xffffff : 0;
    pen->style = index == NULL_PEN ? PS_NULL : PS_SOLID;
    object = pen;
  }
  slot = static_cast<HGDIOBJ>(trv::kernel::AddHandle(object));
  return slot;
}

TRVAPI HPEN WINAPI CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto pen = std::make_shared<trv::gdi::PenObject>();
  pen->style = style == PS_INSIDEFRAME ? PS_SOLID : style;
  pen->width = std::max(0, width);
  pen->color = color & 0xffffff;
  return static_cast<HPEN>(trv::kernel::AddHandle(pen));
}

TRVAPI HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  LOGBRUSH lb{BS_SOLID, color, 0};
  return CreateBrushIndirect(&lb);
}

TRVAPI HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* lb) {
  if (lb == nullptr || (lb->lbStyle != BS_SOLID && lb->lbStyle != BS_NULL)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto brush = std::make_shared<trv::gdi::BrushObject>();
  brush->style = lb->lbStyle;
  brush->color = lb->lbColor & 0xffffff;
  return static_cast<HBRUSH>(trv::kernel::AddHandle(brush));
}

TRVAPI HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lf) {
  if (lf == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto font = std::make_shared<trv::gdi::FontObject>();
  font->lf = *lf;
  font->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return static_cast<HFONT>(trv::kernel::AddHandle(font));
}

TRVAPI HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lf) {
  if (lf == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  LOGFONTW w{};
  std::memcpy(&w, lf, offsetof(LOGFONTA, lfFaceName));
  std::u16string face =
      trv::kernel::AnsiToWide(std::string(lf->lfFaceName, strnlen(lf->lfFaceName, LF_FACESIZE)));
  std::copy_n(face.begin(), std::min<size_t>(face.size(), LF_FACESIZE - 1), w.lfFaceName);
  return CreateFontIndirectW(&w);
}

TRVAPI HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom) {
  auto region = std::make_shared<trv::gdi::RegionObject>();
  region->rects.push_back(
      {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
  return static_cast<HRGN>(trv::kernel::AddHandle(region));
}

TRVAPI HBITMAP WINAPI CreateCompatibleBitmap(HDC handle, int width, int height) {
  auto dc = DcOf(handle);
  if (!dc || width <= 0 || height <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  trv::gdi::Target t = trv::gdi::TargetOf(*dc);
  ULONG format = t.so != nullptr ? t.so->iBitmapFormat : BMF_1BPP;
  HBITMAP bitmap = EngCreateBitmap({width, height}, 0, format, BMF_TOPDOWN, nullptr);
  if (auto s = trv::kernel::FindHandleAs<trv::gdi::Surface>(bitmap)) s->palette = t.palette;
  return bitmap;
}

TRVAPI HBITMAP WINAPI CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE,
                                       DWORD) {
  if (info == nullptr || usage != DIB_RGB_COLORS || info->bmiHeader.biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  ULONG format = h.biBitCount == 1    ? BMF_1BPP
                 : h.biBitCount == 8  ? BMF_8BPP
                 : h.biBitCount == 24 ? BMF_24BPP
                 : h.biBitCount == 32 ? BMF_32BPP
                                      : 0;
  if (format == 0 || h.biWidth <= 0 || h.biHeight == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HBITMAP bitmap = EngCreateBitmap({h.biWidth, std::abs(h.biHeight)}, 0, format,
                                   h.biHeight < 0 ? BMF_TOPDOWN : 0, nullptr);
  auto s = trv::kernel::FindHandleAs<trv::gdi::Surface>(bitmap);
  if (!s) return nullptr;
  if (h.biBitCount <= 8) {
    s->palette = std::make_shared<trv::gdi::Palette>();
    s->palette->mode = PAL_INDEXED;
    DWORD n = h.biClrUsed != 0 ? h.biClrUsed : (1u << h.biBitCount);
    for (DWORD i = 0; i < n; ++i)
      s->palette->colors.push_back(
          RGB(info->bmiColors[i].rgbRed, info->bmiColors[i].rgbGreen, info->bmiColors[i].rgbBlue));
  }
  if (bits != nullptr) *bits = s->so.pvBits;
  return bitmap;
}

TRVAPI HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ object) {
  auto dc = DcOf(handle);
  auto found = trv::kernel::FindHandle(object);
  if (!dc || !found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HGDIOBJ previous = nullptr;
  if (std::dynamic_pointer_cast<trv::gdi::PenObject>(found)) {
    previous = dc->pen;
    dc->pen = object;
  } else if (std::dynamic_pointer_cast<trv::gdi::BrushObject>(found)) {
    previous = dc->brush;
    dc->brush = object;
  } else if (std::dynamic_pointer_cast<trv::gdi::FontObject>(found)) {
    previous = dc->font;
    dc->font = object;
  } else if (auto region = std::dynamic_pointer_cast<trv::gdi::RegionObject>(found)) {
    return reinterpret_cast<HGDIOBJ>(
        static_cast<LONG_PTR>(SelectClipRgn(handle, reinterpret_cast<HRGN>(object))));
  } else if (std::dynamic_pointer_cast<trv::gdi::Surface>(found) && !dc->printer) {
    previous = reinterpret_cast<HGDIOBJ>(dc->bitmap);
    dc->bitmap = reinterpret_cast<HBITMAP>(object);
  } else {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return previous;
}

TRVAPI BOOL WINAPI DeleteObject(HGDIOBJ object) {
  if (trv::gdi::IsStock(object)) return TRUE;
  auto found = trv::kernel::FindHandle(object);
  if (!found || trv::gdi::IsDc(reinterpret_cast<HDC>(object)) ||
      std::dynamic_pointer_cast<trv::gdi::Palette>(found) ||
      std::dynamic_pointer_cast<trv::gdi::Device>(found)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  trv::kernel::RemoveHandle(object);
  return TRUE;
}

// ---- state --------------------------------------------------------------------------------
TRVAPI int WINAPI SetMapMode(HDC handle, int mode) {
  auto dc = DcOf(handle);
  if (!dc || mode < MM_TEXT || mode > MM_TWIPS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int previous = dc->mapMode;
  dc->mapMode = mode;
  return previous;
}

TRVAPI int WINAPI GetMapMode(HDC handle) {
  auto dc = DcOf(handle);
  return dc ? dc->mapMode : 0;
}

TRVAPI BOOL WINAPI SetViewportOrgEx(HDC handle, int x, int y, POINT* previous) {
  auto dc = DcOf(handle);
  if (!dc) return FALSE;
  if (previous != nullptr) *previous = dc->viewportOrg;
  dc->viewportOrg = {x, y};
  return TRUE;
}

TRVAPI BOOL WINAPI SetWindowOrgEx(HDC handle, int x, int y, POINT* previous) {
  auto dc = DcOf(handle);
  if (!dc) return FALSE;
  if (previous != nullptr) *previous = dc->windowOrg;
  dc->windowOrg = {x, y};
  return TRUE;
}

TRVAPI BOOL WINAPI LPtoDP(HDC handle, POINT* points, int count) {
  auto dc = DcOf(handle);
  if (!dc || points == nullptr || count < 0) return FALSE;
  for (int i = 0; i < count; ++i) {
    POINTL p = trv::gdi::ToPixel(*dc, points[i].x, points[i].y);
    points[i] = {p.x, p.y};
  }
  return TRUE;
}

TRVAPI COLORREF WINAPI SetTextColor(HDC handle, COLORREF color) {
  auto dc = DcOf(handle);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->textColor;
  dc->textColor = color & 0xffffff;
  return previous;
}

TRVAPI COLORREF WINAPI SetBkColor(HDC handle, COLORREF color) {
  auto dc = DcOf(handle);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->bkColor;
  dc->bkColor = color & 0xffffff;
  return previous;
}

TRVAPI int WINAPI SetBkMode(HDC handle, int mode) {
  auto dc = DcOf(handle);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->bkMode;
  dc->bkMode = mode;
  return previous;
}

TRVAPI UINT WINAPI SetTextAlign(HDC handle, UINT align) {
  auto dc = DcOf(handle);
  if (!dc) return GDI_ERROR;
  UINT previous = dc->textAlign;
  dc->textAlign = align;
  return previous;
}

TRVAPI int WINAPI SetROP2(HDC handle, int rop2) {
  auto dc = DcOf(handle);
  if (!dc || rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
  int previous = dc->rop2;
  dc->rop2 = rop2;
  return previous;
}

TRVAPI int WINAPI SetStretchBltMode(HDC handle, int mode) {
  auto dc = DcOf(handle);
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  int previous = dc->stretchMode;
  dc->stretchMode = mode;
  return previous;
}

TRVAPI int WINAPI IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
  auto dc = DcOf(handle);
  if (!dc) return RGN_ERROR;
  RECTL r = trv::gdi::DeviceRect(*dc, left, top, right, bottom);
  if (!dc->clip) {
    dc->clip = std::vector<RECTL>{r};
  } else {
    for (RECTL& c : *dc->clip)
      c = {std::max(c.left, r.left), std::max(c.top, r.top), std::min(c.right, r.right),
           std::min(c.bottom, r.bottom)};
  }
  return trv::gdi::RegionType(dc->clip);
}

TRVAPI int WINAPI SelectClipRgn(HDC handle, HRGN region) {
  auto dc = DcOf(handle);
  if (!dc) return RGN_ERROR;
  if (region == nullptr) {
    dc->clip.reset();
    return SIMPLEREGION;
  }
  auto r = trv::kernel::FindHandleAs<trv::gdi::RegionObject>(region);
  if (!r) return RGN_ERROR;
  dc->clip = r->rects;
  return trv::gdi::RegionType(dc->clip);
}

// ---- drawing ------------------------------------------------------------------------------
TRVAPI BOOL WINAPI MoveToEx(HDC handle, int x, int y, POINT* previous) {
  auto dc = DcOf(handle);
  if (!dc) return FALSE;
  if (previous != nullptr) *previous = dc->current;
  dc->current = {x, y};
  return TRUE;
}

TRVAPI BOOL WINAPI LineTo(HDC handle, int x, int y) {
  auto dc = DcOf(handle);
  if (!dc) return FALSE;
  POINT from = dc->current;
  dc->current = {x, y};
  return trv::gdi::Line(*dc, from, {x, y});
}

TRVAPI BOOL WINAPI Polyline(HDC handle, const POINT* points, int count) {
  auto dc = DcOf(handle);
  if (!dc || points == nullptr || count < 2) return FALSE;
  trv::gdi::Path path;
  path.MoveTo(trv::gdi::Fix(*dc, points[0].x, points[0].y));
  for (int i = 1; i < count; ++i) path.LineTo(trv::gdi::Fix(*dc, points[i].x, points[i].y));
  return trv::gdi::StrokeWithPen(*dc, path);
}

TRVAPI BOOL WINAPI PolyBezier(HDC handle, const POINT* points, DWORD count) {
  auto dc = DcOf(handle);
  if (!dc || points == nullptr || count < 4 || (count - 1) % 3 != 0) return FALSE;
  trv::gdi::Path path;
  auto f = [&](DWORD i) { return trv::gdi::Fix(*dc, points[i].x, points[i].y); };
  path.MoveTo(f(0));
  for (DWORD i = 1; i + 2 < count; i += 3) path.BezierTo(f(i), f(i + 1), f(i + 2));
  return trv::gdi::StrokeWithPen(*dc, path);
}

// The outline runs through the pixel centres of the box's outer pixels, so the
// shape with its outline covers left .. right - 1 and top .. bottom - 1, as on
// Windows; without a pen the fill alone is one pixel smaller.
TRVAPI BOOL WINAPI Rectangle(HDC handle, int left, int top, int right, int bottom) {
  auto dc = DcOf(handle);
  if (!dc) return FALSE;
  POINTL a = trv::gdi::ToPixel(*dc, left, top), b = trv::gdi::ToPixel(*dc, right, bottom);
  LONG l = std::min(a.x, b.x), t = std::min(a.y, b.y), r = std::max(a.x, b.x) - 1,
       btm = std::max(a.y, b.y) - 1;
  trv::gdi::Path path;
  path.MoveTo({LTOFX(l), LTOFX(t)});
  path.LineTo({LTOFX(r), LTOFX(t)});
  path.LineTo({LTOFX(r), LTOFX(btm)});
  path.LineTo({LTOFX(l), LTOFX(btm)});
  path.Close();
  bool ok = trv::gdi::FillWithBrush(*dc, path);
  return trv::gdi::StrokeWithPen(*dc, path) && ok;
}

TRVAPI BOOL WINAPI Ellipse(HDC handle, int left, int top, int right, int bottom) {
  auto dc = DcOf(handle);
  if (!dc) return FALSE;
  POINTL a = trv::gdi::ToPixel(*dc, left, top), b = trv::gdi::ToPixel(*dc, right, bottom);
  double l = std::min(a.x, b.x), t = std::min(a.y, b.y), r = std::max(a.x, b.x) - 1,
         btm = std::max(a.y, b.y) - 1;
  double cx = (l + r) / 2, cy = (t + btm) / 2, kx = (r - l) / 2 * 0.5522847498,
         ky = (btm - t) / 2 * 0.5522847498;
  auto fx = [](double x, double y) {
    return POINTFIX{static_cast<FIX>(std::lround(x * 16)), static_cast<FIX>(std::lround(y * 16))};
  };
  trv::gdi::Path path;
  path.MoveTo(fx(r, cy));
  path.BezierTo(fx(r, cy + ky), fx(cx + kx, btm), fx(cx, btm));
  path.BezierTo(fx(cx - kx, btm), fx(l, cy + ky), fx(l, cy));
  path.BezierTo(fx(l, cy - ky), fx(cx - kx, t), fx(cx, t));
  path.BezierTo(fx(cx + kx, t), fx(r, cy - ky), fx(r, cy));
  path.Close();
  bool ok = trv::gdi::FillWithBrush(*dc, path);
  return trv::gdi::StrokeWithPen(*dc, path) && ok;
}

TRVAPI int WINAPI FillRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
  auto dc = DcOf(handle);
  auto brush = trv::gdi::BrushOf(brushHandle);
  if (!dc || rect == nullptr || !brush) return 0;
  if (brush->style == BS_NULL) return 1;
  trv::gdi::Target t = trv::gdi::TargetOf(*dc);
  if (t.so == nullptr) return 0;
  RECTL r = trv::gdi::DeviceRect(*dc, rect->left, rect->top, rect->right, rect->bottom);
  trv::gdi::Clip clip;
  trv::gdi::MakeClip(*dc, t, nullptr, &clip);
  BRUSHOBJ bo{trv::gdi::PixelOf(t, brush->color), nullptr, 0};
  POINTL origin{0, 0};
  auto hooked = trv::gdi::Fn<PFN_DrvBitBlt>(*dc, INDEX_DrvBitBlt);
  if ((t.hooks & HOOK_BITBLT) && hooked != nullptr)
    return hooked(t.so, nullptr, nullptr, &clip, nullptr, &r, nullptr, nullptr, &bo, &origin,
                  0xF0F0);
  return EngBitBlt(t.so, nullptr, nullptr, &clip, nullptr, &r, nullptr, nullptr, &bo, &origin,
                   0xF0F0);
}

namespace trv::gdi {
namespace {

// A line of text laid out for the font the DC realises: the glyphs, their advances
// in dots, and the direction of the baseline. A printer's own face is measured by
// its driver and drawn by it; any other font by the engine.
struct TextLine {
  Font* font = nullptr;
  bool device = false;
  std::vector<HGLYPH> glyphs;
  std::vector<LONG> advances;
  LONG ascent = 0, descent = 0, width = 0;
  Baseline baseline;
};

bool LayOut(Dc& dc, LPCWSTR text, UINT count, const INT* dx, TextLine* line) {
  double sx, sy;
  Scale(dc, &sx, &sy);
  DeviceFont* device = RealizeDevice(dc);
  Font* engine = device == nullptr ? Realize(dc) : nullptr;
  if (device == nullptr && engine == nullptr) return false;
  DeviceFontDriver driver = DeviceFontDriverOf(dc);
  line->device = device != nullptr;
  line->font = device != nullptr ? device->font.get() : engine;
  line->ascent = device != nullptr ? device->Ascent() : engine->Ascent();
  line->descent = device != nullptr ? device->Descent() : engine->Descent();
  line->baseline = line->font->baseline;
  for (UINT i = 0; i < count; ++i) {
    HGLYPH g = device != nullptr ? device->face->GlyphOf(text[i]) : engine->GlyphOf(text[i]);
    LONG advance = dx != nullptr       ? static_cast<LONG>(std::lround(dx[i] * std::fabs(sx)))
                   : device != nullptr ? device->Advance(driver, g)
                                       : engine->Advance(g);
    line->glyphs.push_back(g);
    line->advances.push_back(advance);
    line->width += advance;
  }
  return true;
}

// Which way the glyphs run, for the string object.
FLONG Accelerators(const TextLine& line) {
  switch (line.baseline.escapement) {
    case 0: return SO_HORIZONTAL;
    case 900: return SO_VERTICAL | SO_REVERSED;
    case 1800: return SO_HORIZONTAL | SO_REVERSED;
    case 2700: return SO_VERTICAL;
    default: return 0;
  }
}

}  // namespace
}  // namespace trv::gdi

TRVAPI BOOL WINAPI ExtTextOutW(HDC handle, int x, int y, UINT options, const RECT* rect,
                               LPCWSTR text, UINT count, const INT* dx) {
  auto dc = DcOf(handle);
  if (!dc || (text == nullptr && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  trv::gdi::Target t = trv::gdi::TargetOf(*dc);
  trv::gdi::TextLine line;
  if (t.so == nullptr || !trv::gdi::LayOut(*dc, text, count, dx, &line)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  trv::gdi::Str s;
  s.font = line.font;
  s.text.assign(text, count);
  // The reference point's place on the line: along the baseline (u) by the
  // horizontal alignment, across it (d, towards the descender) by the vertical one.
  POINTL origin = trv::gdi::ToPixel(*dc, x, y);
  const double ux = line.baseline.cosine, uy = -line.baseline.sine, vx = line.baseline.sine,
               vy = line.baseline.cosine;
  UINT horizontal = dc->textAlign & TA_CENTER, vertical = dc->textAlign & TA_BASELINE;
  double along = horizontal == TA_CENTER  ? -(line.width / 2)
                 : horizontal == TA_RIGHT ? -line.width
                                          : 0;
  double across = vertical == TA_BASELINE ? 0 : vertical == TA_BOTTOM ? -line.descent : line.ascent;
  double startX = origin.x + along * ux + across * vx;
  double startY = origin.y + along * uy + across * vy;
  LONG pen = 0;
  for (UINT i = 0; i < count; ++i) {
    s.positions.push_back({line.glyphs[i],
                           nullptr,
                           {static_cast<LONG>(std::lround(startX + pen * ux)),
                            static_cast<LONG>(std::lround(startY + pen * uy))}});
    pen += line.advances[i];
  }
  // The background box: the cell of the whole line, whichever way it runs.
  double cornersX[4], cornersY[4];
  for (int k = 0; k < 4; ++k) {
    double a = (k & 1) ? line.width : 0;
    double c = (k & 2) ? line.descent : -line.ascent;
    cornersX[k] = startX + a * ux + c * vx;
    cornersY[k] = startY + a * uy + c * vy;
  }
  s.cGlyphs = count;
  s.flAccel = trv::gdi::Accelerators(line) | (dx == nullptr ? SO_FLAG_DEFAULT_PLACEMENT : 0);
  s.rclBkGround = {static_cast<LONG>(std::lround(*std::min_element(cornersX, cornersX + 4))),
                   static_cast<LONG>(std::lround(*std::min_element(cornersY, cornersY + 4))),
                   static_cast<LONG>(std::lround(*std::max_element(cornersX, cornersX + 4))),
                   static_cast<LONG>(std::lround(*std::max_element(cornersY, cornersY + 4)))};
  s.pgp = s.positions.data();
  s.pwszOrg = s.text.data();

  RECTL box{};
  if (rect != nullptr)
    box = trv::gdi::DeviceRect(*dc, rect->left, rect->top, rect->right, rect->bottom);
  trv::gdi::Clip clip;
  trv::gdi::MakeClip(*dc, t, (options & ETO_CLIPPED) && rect != nullptr ? &box : nullptr, &clip);
  RECTL* opaque = nullptr;
  if ((options & ETO_OPAQUE) && rect != nullptr) {
    opaque = &box;
  } else if (dc->bkMode == OPAQUE && count > 0) {
    // The background is the line's cell; turned by other than a right angle it is
    // no rectangle of the page, and GDI fills it as a path before the text.
    if (line.baseline.escapement % 900 == 0) {
      opaque = &s.rclBkGround;
    } else {
      trv::gdi::Path cell;
      auto corner = [&](int k) {
        return POINTFIX{static_cast<FIX>(std::lround(cornersX[k] * 16)),
                        static_cast<FIX>(std::lround(cornersY[k] * 16))};
      };
      cell.MoveTo(corner(0));
      cell.LineTo(corner(1));
      cell.LineTo(corner(3));
      cell.LineTo(corner(2));
      cell.Close();
      if (!trv::gdi::FillInColor(*dc, cell, dc->bkColor, R2_COPYPEN | (R2_COPYPEN << 8),
                                 (options & ETO_CLIPPED) && rect != nullptr ? &box : nullptr))
        return FALSE;
    }
  }
  BRUSHOBJ fore{trv::gdi::PixelOf(t, dc->textColor), nullptr, 0};
  BRUSHOBJ back{trv::gdi::PixelOf(t, dc->bkColor), nullptr, 0};
  POINTL brushOrigin{0, 0};
  MIX mix = R2_COPYPEN | (R2_COPYPEN << 8);
  auto hooked = trv::gdi::Fn<PFN_DrvTextOut>(*dc, INDEX_DrvTextOut);
  // Only the driver can draw its own fonts; GDI hands it their text whether or not
  // its surface hooks text for the engine's fonts.
  if (((t.hooks & HOOK_TEXTOUT) || line.device) && hooked != nullptr)
    return hooked(t.so, &s, line.font, &clip, nullptr, opaque, &fore, &back, &brushOrigin, mix);
  return EngTextOut(t.so, &s, line.font, &clip, nullptr, opaque, &fore, &back, &brushOrigin, mix);
}

TRVAPI BOOL WINAPI TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOutW(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

TRVAPI BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
  if (text == nullptr || count < 0) return FALSE;
  std::u16string wide = trv::kernel::AnsiToWide(std::string(text, static_cast<size_t>(count)));
  return TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

TRVAPI BOOL WINAPI GetTextExtentPoint32W(HDC handle, LPCWSTR text, int count, SIZE* size) {
  auto dc = DcOf(handle);
  if (!dc || size == nullptr || count < 0 || (text == nullptr && count > 0)) return FALSE;
  trv::gdi::TextLine line;
  if (!trv::gdi::LayOut(*dc, text, static_cast<UINT>(count), nullptr, &line)) return FALSE;
  double sx, sy;
  trv::gdi::Scale(*dc, &sx, &sy);
  *size = {static_cast<LONG>(std::lround(line.width / std::fabs(sx))),
           static_cast<LONG>(std::lround((line.ascent + line.descent) / std::fabs(sy)))};
  return TRUE;
}

TRVAPI BOOL WINAPI GetTextMetricsW(HDC handle, TEXTMETRICW* tm) {
  auto dc = DcOf(handle);
  if (!dc || tm == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (trv::gdi::DeviceFont* device = trv::gdi::RealizeDevice(*dc)) {
    trv::gdi::DeviceTextMetrics(*dc, *device, tm);
    return TRUE;
  }
  trv::gdi::Font* font = trv::gdi::Realize(*dc);
  if (font == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  double sx, sy;
  trv::gdi::Scale(*dc, &sx, &sy);
  auto lx = [&](double dots) { return static_cast<LONG>(std::lround(dots / std::fabs(sx))); };
  auto ly = [&](double dots) { return static_cast<LONG>(std::lround(dots / std::fabs(sy))); };
  const IFIMETRICS& m = *FONTOBJ_pifi(font);
  const double emPixels = font->scaleY * m.fwdUnitsPerEm;
  std::memset(tm, 0, sizeof *tm);
  tm->tmAscent = ly(font->Ascent());
  tm->tmDescent = ly(font->Descent());
  tm->tmHeight = tm->tmAscent + tm->tmDescent;
  tm->tmInternalLeading = std::max<LONG>(0, ly(font->Ascent() + font->Descent() - emPixels));
  tm->tmAveCharWidth = lx(m.fwdAveCharWidth * font->scaleX);
  tm->tmMaxCharWidth = lx(m.fwdMaxCharInc * font->scaleX);
  tm->tmWeight = m.usWinWeight;
  trv::gdi::CopyFaceMetrics(*dc, m, TMPF_TRUETYPE | TMPF_VECTOR, tm);
  return TRUE;
}

TRVAPI BOOL WINAPI GetTextMetricsA(HDC dc, TEXTMETRICA* tm) {
  TEXTMETRICW w;
  if (tm == nullptr || !GetTextMetricsW(dc, &w)) return FALSE;
  std::memcpy(tm, &w, offsetof(TEXTMETRICA, tmFirstChar));
  auto narrow = [](WCHAR c) { return static_cast<BYTE>(std::min<unsigned>(c, 0xFF)); };
  tm->tmFirstChar = narrow(w.tmFirstChar);
  tm->tmLastChar = narrow(w.tmLastChar);
  tm->tmDefaultChar = narrow(w.tmDefaultChar);
  tm->tmBreakChar = narrow(w.tmBreakChar);
  tm->tmItalic = w.tmItalic;
  tm->tmUnderlined = w.tmUnderlined;
  tm->tmStruckOut = w.tmStruckOut;
  tm->tmPitchAndFamily = w.tmPitchAndFamily;
  tm->tmCharSet = w.tmCharSet;
  return TRUE;
}

// NOLINTNEXTLINE(readability-function-size): the thirteen parameters are the Win32 signature.
TRVAPI int WINAPI StretchDIBits(HDC handle, int xDest, int yDest, int destWidth, int destHeight,
                                int xSrc, int ySrc, int srcWidth, int srcHeight, const void* bits,
                                const BITMAPINFO* info, UINT usage, DWORD rop) {
  auto dc = DcOf(handle);
  if (!dc || bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS || rop != SRCCOPY ||
      info->bmiHeader.biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  ULONG format = h.biBitCount == 1    ? BMF_1BPP
                 : h.biBitCount == 8  ? BMF_8BPP
                 : h.biBitCount == 24 ? BMF_24BPP
                 : h.biBitCount == 32 ? BMF_32BPP
                                      : 0;
  LONG height = std::abs(h.biHeight);
  if (format == 0 || h.biWidth <= 0 || height == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  trv::gdi::Target t = trv::gdi::TargetOf(*dc);
  if (t.so == nullptr) return 0;
  LONG stride =
      static_cast<LONG>(((static_cast<long long>(h.biWidth) * h.biBitCount + 31) / 32) * 4);
  HBITMAP source = EngCreateBitmap({h.biWidth, height}, stride, format,
                                   h.biHeight < 0 ? BMF_TOPDOWN : 0, const_cast<void*>(bits));
  auto src = trv::kernel::FindHandleAs<trv::gdi::Surface>(source);
  if (!src) return 0;
  std::shared_ptr<trv::gdi::Palette> palette;
  if (h.biBitCount <= 8) {
    palette = std::make_shared<trv::gdi::Palette>();
    palette->mode = PAL_INDEXED;
    DWORD n = h.biClrUsed != 0 && h.biClrUsed <= (1u << h.biBitCount) ? h.biClrUsed
                                                                      : (1u << h.biBitCount);
    for (DWORD i = 0; i < n; ++i)
      palette->colors.push_back(
          RGB(info->bmiColors[i].rgbRed, info->bmiColors[i].rgbGreen, info->bmiColors[i].rgbBlue));
  }
  trv::gdi::Xlate xlate(palette, t.palette);
  // A bottom-up DIB counts ySrc from its bottom row; the surface's rows run top-down.
  LONG top = h.biHeight > 0 ? height - (ySrc + srcHeight) : ySrc;
  RECTL srcRect{xSrc, top, xSrc + srcWidth, top + srcHeight};
  POINTL a = trv::gdi::ToPixel(*dc, xDest, yDest),
         b = trv::gdi::ToPixel(*dc, xDest + destWidth, yDest + destHeight);
  RECTL dstRect{a.x, a.y, b.x, b.y};
  trv::gdi::Clip clip;
  trv::gdi::MakeClip(*dc, t, nullptr, &clip);
  COLORADJUSTMENT ca{sizeof(COLORADJUSTMENT), 0, 0, 10000, 10000, 10000, 0, 10000, 0, 0, 0, 0};
  POINTL htOrigin{0, 0};
  auto hooked = trv::gdi::Fn<PFN_DrvStretchBlt>(*dc, INDEX_DrvStretchBlt);
  BOOL ok = (t.hooks & HOOK_STRETCHBLT) && hooked != nullptr
                ? hooked(t.so, &src->so, nullptr, &clip, &xlate, &ca, &htOrigin, &dstRect, &srcRect,
                         nullptr, static_cast<ULONG>(dc->stretchMode))
                : EngStretchBlt(t.so, &src->so, nullptr, &clip, &xlate, &ca, &htOrigin, &dstRect,
                                &srcRect, nullptr, static_cast<ULONG>(dc->stretchMode));
  EngDeleteSurface(reinterpret_cast<HSURF>(source));
  return ok ? std::abs(srcHeight) : 0;
}

TRVAPI COLORREF WINAPI GetPixel(HDC handle, int x, int y) {
  auto dc = DcOf(handle);
  if (!dc) return CLR_INVALID;
  trv::gdi::Target t = trv::gdi::TargetOf(*dc);
  POINTL p = trv::gdi::ToPixel(*dc, x, y);
  if (t.so == nullptr || p.x < 0 || p.y < 0 || p.x >= t.so->sizlBitmap.cx ||
      p.y >= t.so->sizlBitmap.cy)
    return CLR_INVALID;
  const BYTE* row =
      static_cast<const BYTE*>(t.so->pvScan0) + static_cast<ptrdiff_t>(p.y) * t.so->lDelta;
  ULONG pixel;
  switch (t.so->iBitmapFormat) {
    case BMF_1BPP: pixel = (row[p.x >> 3] >> (7 - (p.x & 7))) & 1; break;
    case BMF_8BPP: pixel = row[p.x]; break;
    case BMF_24BPP:
      pixel = row[p.x * 3] | (row[p.x * 3 + 1] << 8) | (static_cast<ULONG>(row[p.x * 3 + 2]) << 16);
      break;
    default: std::memcpy(&pixel, row + p.x * 4, 4); pixel &= 0xffffff;
  }
  return trv::gdi::PixelToColor(t.palette.get(), pixel);
}
