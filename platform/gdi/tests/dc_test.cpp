// GDI as an application sees it: a printer device context loads the printer's
// graphics driver (a small test driver) through the spooler, runs it through a
// document, and sends each drawing call to the driver's hooked function or to the
// engine; memory device contexts draw through the engine alone.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/spooler/tests/spooler_fixture.h"
#include "platform/stand_in.h"
#include "platform/winddi.h"
#include "platform/wingdi.h"
#include "platform/winreg.h"
#include "platform/winspool.h"

namespace {

const int kWidth = 240, kHeight = 160, kDpi = 203;

class GdiPrinter : public trv::testing::SpoolerTest {
 protected:
  void SetUp() override {
    SpoolerTest::SetUp();
    listener_ = trv::AddDebugListener([this](const std::string& text) {
      if (text.rfind("testdrv: ", 0) == 0) calls_.push_back(text.substr(9));
    });
    char dir[MAX_PATH];
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir),
                                           sizeof dir, &needed));
    std::filesystem::copy_file(TRV_TEST_DRIVER, host(std::string(dir) + "\\TESTGDI.DLL"),
                               std::filesystem::copy_options::overwrite_existing);
    writeFile(std::string(dir) + "\\TESTGDIUI.DLL", "ui");
    std::string name = "Test GDI", type = "RAW";
    char driverFile[] = "TESTGDI.DLL", configFile[] = "TESTGDIUI.DLL", empty[] = "";
    char dependents[] = "\0\0";
    DRIVER_INFO_3A info{3,          name.data(), nullptr,    driverFile, driverFile,
                        configFile, empty,       dependents, empty,      type.data()};
    ASSERT_TRUE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
    writeFile("C:\\out\\keep", "");
    AddPort("C:\\out\\page.prn", "");
    AddPrinter("Label", "C:\\out\\page.prn", "Test GDI");
    ASSERT_EQ(AddFontResourceA("Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf"), 1);
  }
  void TearDown() override {
    trv::RemoveDebugListener(listener_);
    SpoolerTest::TearDown();
  }

  void Configure(DWORD format, DWORD hooks) {
    HANDLE h = nullptr;
    char name[] = "Label";
    ASSERT_TRUE(OpenPrinterA(name, &h, nullptr));
    const std::pair<const char*, DWORD> values[] = {{"Width", kWidth},
                                                    {"Height", kHeight},
                                                    {"Dpi", kDpi},
                                                    {"Format", format},
                                                    {"Hooks", hooks}};
    for (const auto& [key, value] : values) {
      std::string k = key;
      DWORD v = value;
      ASSERT_EQ(SetPrinterDataA(h, k.data(), REG_DWORD, reinterpret_cast<LPBYTE>(&v), sizeof v),
                0u);
    }
    ClosePrinter(h);
  }
  // How many printer faces the test driver offers (the second set has damaged ones).
  void SetDeviceFonts(DWORD fonts) {
    HANDLE h = nullptr;
    char name[] = "Label", key[] = "Fonts";
    ASSERT_TRUE(OpenPrinterA(name, &h, nullptr));
    ASSERT_EQ(SetPrinterDataA(h, key, REG_DWORD, reinterpret_cast<LPBYTE>(&fonts), 4), 0u);
    ClosePrinter(h);
  }

  // The calls the driver saw, without the drawing ones (or only those).
  std::vector<std::string> Calls(bool drawing) const {
    std::vector<std::string> out;
    for (const std::string& c : calls_) {
      bool draw = c.rfind("LineTo", 0) == 0 || c.rfind("StrokePath", 0) == 0 ||
                  c.rfind("FillPath", 0) == 0 || c.rfind("TextOut", 0) == 0 ||
                  c.rfind("StretchBlt", 0) == 0 || c.rfind("BitBlt", 0) == 0;
      if (draw == drawing) out.push_back(c);
    }
    return out;
  }

  // The page bytes the driver spooled (the first page of the job file).
  std::string Page(int* stride) {
    std::string job = readFile("C:\\out\\page.prn");
    size_t at = job.find("PAGE ");
    if (at == std::string::npos) return "";
    size_t end = job.find('\n', at);
    std::istringstream header(job.substr(at + 5, end - at - 5));
    int w, h;
    header >> w >> h >> *stride;
    return job.substr(end + 1, static_cast<size_t>(*stride) * static_cast<size_t>(h));
  }

  std::vector<std::string> calls_;

 private:
  int listener_ = 0;
};

// A drawing with every kind of call a label program makes.
void DrawLabel(HDC dc) {
  HPEN thin = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HPEN wide = CreatePen(PS_SOLID, 5, RGB(0, 0, 0));
  HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
  LOGFONTW lf{};
  lf.lfHeight = -28;
  std::u16string face = u"DejaVu Sans";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  HFONT font = CreateFontIndirectW(&lf);

  SelectObject(dc, thin);
  MoveToEx(dc, 5, 150, nullptr);
  LineTo(dc, 230, 120);
  SelectObject(dc, wide);
  POINT zigzag[] = {{10, 10}, {60, 40}, {110, 10}, {160, 40}};
  Polyline(dc, zigzag, 4);
  SelectObject(dc, grey);
  Ellipse(dc, 120, 50, 220, 110);
  SelectObject(dc, thin);
  Rectangle(dc, 10, 60, 70, 100);
  POINT curve[] = {{20, 140}, {60, 100}, {100, 180}, {140, 130}};
  PolyBezier(dc, curve, 4);
  RECT bar{180, 5, 230, 20};
  FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  TextOutW(dc, 20, 105, u"Label 42", 8);
  // A 4 x 2 checkerboard image, bottom-up, stretched 5 times.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[2];
  } info{{sizeof(BITMAPINFOHEADER), 4, 2, 1, 1, BI_RGB, 0, 0, 0, 2, 0},
         {{0, 0, 0, 0}, {255, 255, 255, 0}}};
  const BYTE bits[8] = {0xA0, 0, 0, 0, 0x50, 0, 0, 0};
  StretchDIBits(dc, 180, 30, 20, 10, 0, 0, 4, 2, bits, reinterpret_cast<BITMAPINFO*>(&info),
                DIB_RGB_COLORS, SRCCOPY);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(thin);
  DeleteObject(wide);
  DeleteObject(grey);
  DeleteObject(font);
}

// A memory DC over a top-down DIB section of the page's size and format, white.
struct MemoryPage {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  BYTE* bits = nullptr;
  int stride = 0;
  explicit MemoryPage(int bpp) {
    struct {
      BITMAPINFOHEADER h;
      RGBQUAD colors[2];
    } info{{sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0,
            0, 0},
           {{0, 0, 0, 0}, {255, 255, 255, 0}}};
    dc = CreateCompatibleDC(nullptr);
    void* p = nullptr;
    bitmap =
        CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<BYTE*>(p);
    stride = (kWidth * bpp + 31) / 32 * 4;
    SelectObject(dc, bitmap);
    RECT all{0, 0, kWidth, kHeight};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~MemoryPage() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  std::string Bytes() const {
    return std::string(reinterpret_cast<char*>(bits), static_cast<size_t>(stride) * kHeight);
  }
};

TEST_F(GdiPrinter, DriverRunsThroughTheDeviceAndDocumentInGdisOrder) {
  Configure(24, 0x12A);
  HDC dc = CreateDCA(nullptr, "Label", nullptr, nullptr);
  ASSERT_NE(dc, nullptr) << GetLastError();
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), kWidth);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), kHeight);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), kDpi);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 24);
  EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
  EXPECT_EQ(GetDeviceCaps(dc, HORZSIZE), kWidth * 254 / kDpi / 10);
  DOCINFOA doc{sizeof(DOCINFOA), "label", nullptr, nullptr, 0};
  EXPECT_GT(StartDocA(dc, &doc), 0);
  EXPECT_EQ(StartPage(dc), 1);
  EXPECT_EQ(EndPage(dc), 1);
  EXPECT_EQ(EndDoc(dc), 1);
  EXPECT_TRUE(DeleteDC(dc));
  std::vector<std::string> want{"EnableDriver engine-ok",
                                "EnablePDEV Label no-devmode",
                                "CompletePDEV same-hdev",
                                "EnableSurface",
                                "StartDoc label with-job",
                                "StartPage",
                                "SendPage",
                                "EndDoc 0",
                                "DisableSurface",
                                "DisablePDEV",
                                "DisableDriver"};
  EXPECT_EQ(Calls(false), want);
  std::string job = readFile("C:\\out\\page.prn");
  EXPECT_EQ(job.rfind("DOC label\nPAGE 240 160 720\n", 0), 0u);
  EXPECT_EQ(job.size(), std::string("DOC label\nPAGE 240 160 720\n").size() + 720u * kHeight + 6u);
  EXPECT_EQ(job.substr(job.size() - 6), "END 0\n");
}

struct Routing {
  DWORD bpp;
  DWORD hooks;
  std::vector<std::string> drawingCalls;  // the kinds the driver must see, in order of first call
};

class GdiRouting : public GdiPrinter, public ::testing::WithParamInterface<Routing> {};

// Hooked calls reach the driver, the rest the engine; either way the page the driver
// sends equals the same drawing on a memory DC of the same format.
TEST_P(GdiRouting, HookedCallsReachTheDriverAndThePageEqualsTheEnginesDrawing) {
  const Routing r = GetParam();
  Configure(r.bpp, r.hooks);
  HDC dc = CreateDCA(nullptr, "Label", nullptr, nullptr);
  ASSERT_NE(dc, nullptr) << GetLastError();
  DOCINFOA doc{sizeof(DOCINFOA), "label", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(dc, &doc), 0);
  ASSERT_EQ(StartPage(dc), 1);
  DrawLabel(dc);
  ASSERT_EQ(EndPage(dc), 1);
  ASSERT_EQ(EndDoc(dc), 1);
  ASSERT_TRUE(DeleteDC(dc));

  std::vector<std::string> kinds;
  for (const std::string& c : Calls(true)) {
    std::string kind = c.substr(0, c.find(' '));
    if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) kinds.push_back(kind);
  }
  EXPECT_EQ(kinds, r.drawingCalls);

  int stride = 0;
  std::string page = Page(&stride);
  MemoryPage memory(static_cast<int>(r.bpp));
  DrawLabel(memory.dc);
  ASSERT_EQ(stride, memory.stride);
  std::string expected = memory.Bytes();
  ASSERT_EQ(page.size(), expected.size());
  // Row padding is no pixel: the driver whitens it, the DIB leaves it zero.
  const size_t used = (static_cast<size_t>(kWidth) * r.bpp + 7) / 8;
  int differing = 0;
  for (size_t i = 0; i < page.size(); ++i)
    if (i % static_cast<size_t>(stride) < used && page[i] != expected[i] && ++differing < 4)
      ADD_FAILURE() << "byte " << i % static_cast<size_t>(stride) << " of row "
                    << i / static_cast<size_t>(stride) << ": "
                    << int(static_cast<unsigned char>(page[i])) << " not "
                    << int(static_cast<unsigned char>(expected[i]));
  EXPECT_EQ(differing, 0);
  size_t white = 0;
  for (char c : page) white += static_cast<unsigned char>(c) == 0xFF;
  EXPECT_LT(white, page.size() * 95 / 100);  // the label is drawn, not just white
}

INSTANTIATE_TEST_SUITE_P(
    HooksAndFormats, GdiRouting,
    ::testing::Values(Routing{24, 0x12A, {"LineTo", "StrokePath", "TextOut", "StretchBlt"}},
                      Routing{1, 0x12A, {"LineTo", "StrokePath", "TextOut", "StretchBlt"}},
                      Routing{24, 0, {}},
                      Routing{1, HOOK_FILLPATH | HOOK_BITBLT, {"FillPath", "BitBlt"}}));

TEST_F(GdiPrinter, DocumentCallsOutOfOrderFailAndAbortTellsTheDriver) {
  Configure(1, 0);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateDCA(nullptr, "No such printer", nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  HDC dc = CreateDCA(nullptr, "Label", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(StartPage(dc), SP_ERROR);
  EXPECT_EQ(EndDoc(dc), SP_ERROR);
  DOCINFOA doc{sizeof(DOCINFOA), "label", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(dc, &doc), 0);
  EXPECT_EQ(StartDocA(dc, &doc), SP_ERROR);
  EXPECT_EQ(EndPage(dc), SP_ERROR);
  ASSERT_EQ(StartPage(dc), 1);
  EXPECT_EQ(AbortDoc(dc), 1);
  EXPECT_EQ(EndDoc(dc), SP_ERROR);
  EXPECT_TRUE(DeleteDC(dc));
  std::vector<std::string> calls = Calls(false);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "EndDoc " + std::to_string(ED_ABORTDOC)),
            calls.end());
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "StartDoc label with-job"), 1);
}

// Rectangle covers left .. right - 1 and top .. bottom - 1 with its outline drawn in
// the pen and the inside in the brush; without a pen it is one pixel smaller.
TEST(GdiMemory, RectangleCoversItsBoxLikeWindows) {
  struct Case {
    bool pen;
    RECT box;
  } cases[] = {{true, {10, 10, 20, 15}}, {false, {10, 10, 20, 15}}, {true, {3, 3, 5, 5}}};
  for (const Case& c : cases) {
    MemoryPage page(24);
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
    SelectObject(page.dc, grey);
    SelectObject(page.dc, GetStockObject(c.pen ? BLACK_PEN : NULL_PEN));
    ASSERT_TRUE(Rectangle(page.dc, c.box.left, c.box.top, c.box.right, c.box.bottom));
    LONG right = c.box.right - (c.pen ? 1 : 2), bottom = c.box.bottom - (c.pen ? 1 : 2);
    for (int y = 0; y < 25; ++y)
      for (int x = 0; x < 25; ++x) {
        bool inside = x >= c.box.left && x <= right && y >= c.box.top && y <= bottom;
        bool edge =
            c.pen && inside && (x == c.box.left || x == right || y == c.box.top || y == bottom);
        COLORREF want = !inside ? RGB(255, 255, 255) : edge ? RGB(0, 0, 0) : RGB(128, 128, 128);
        ASSERT_EQ(GetPixel(page.dc, x, y), want) << x << "," << y << (c.pen ? " pen" : " no pen");
      }
    SelectObject(page.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(grey);
  }
}

// Mapping modes turn tenths and hundredths of millimetres into device pixels with
// y growing upwards; clipping keeps drawing inside the intersected rectangle.
TEST(GdiMemory, MappingModesAndClipping) {
  MemoryPage page(24);
  struct Case {
    int mode;
    POINT logical;
    POINT device;
  } cases[] = {{MM_TEXT, {7, 9}, {7, 9}},
               {MM_LOMETRIC, {254, -508}, {96, 192}},
               {MM_HIMETRIC, {2540, -1270}, {96, 48}},
               {MM_LOENGLISH, {100, -50}, {96, 48}},
               {MM_TWIPS, {1440, -720}, {96, 48}}};
  for (const Case& c : cases) {
    SetMapMode(page.dc, c.mode);
    POINT p = c.logical;
    ASSERT_TRUE(LPtoDP(page.dc, &p, 1));
    EXPECT_EQ(p.x, c.device.x) << c.mode;
    EXPECT_EQ(p.y, c.device.y) << c.mode;
  }
  SetMapMode(page.dc, MM_LOMETRIC);
  RECT r{0, 0, 254, -127};  // 1 inch by half an inch: 96 x 48 pixels
  EXPECT_EQ(IntersectClipRect(page.dc, 0, -25, 127, -100), SIMPLEREGION);  // 48 x 10 .. 38
  FillRect(page.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetMapMode(page.dc, MM_TEXT);
  for (int y = 0; y < 60; y += 3)
    for (int x = 0; x < 110; x += 3) {
      bool black = x < 48 && y >= 9 && y < 38;
      EXPECT_EQ(GetPixel(page.dc, x, y), black ? 0u : 0xFFFFFFu) << x << "," << y;
    }
  EXPECT_EQ(SelectClipRgn(page.dc, nullptr), SIMPLEREGION);
  RECT all{0, 0, 10, 5};
  FillRect(page.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(GetPixel(page.dc, 0, 0), 0u);
}

}  // namespace

// ---- the printer's own fonts --------------------------------------------------------------

struct Enumerated {
  std::string face;
  DWORD type;
  LONG height;
};

int CALLBACK Collect(const LOGFONTW* lf, const NEWTEXTMETRICW* tm, DWORD type, LPARAM param) {
  std::string face;
  for (const WCHAR* c = lf->lfFaceName; *c != 0; ++c) face += static_cast<char>(*c);
  reinterpret_cast<std::vector<Enumerated>*>(param)->push_back({face, type, tm->tmHeight});
  return 1;
}

std::vector<Enumerated> Enumerate(HDC dc, const char16_t* name) {
  std::vector<Enumerated> out;
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  std::u16string n = name;
  std::copy(n.begin(), n.end(), lf.lfFaceName);
  EnumFontFamiliesExW(dc, &lf, Collect, reinterpret_cast<LPARAM>(&out), 0);
  return out;
}

bool operator==(const Enumerated& a, const Enumerated& b) {
  return a.face == b.face && a.type == b.type && a.height == b.height;
}

void PrintTo(const Enumerated& e, std::ostream* os) {
  *os << e.face << "/" << e.type << "/" << e.height;
}

HFONT FontOf(const char16_t* face, LONG height, LONG width = 0, LONG escapement = 0,
             BYTE precision = OUT_DEFAULT_PRECIS) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = lf.lfOrientation = escapement;
  lf.lfOutPrecision = precision;
  std::u16string n = face;
  std::copy(n.begin(), n.end(), lf.lfFaceName);
  return CreateFontIndirectW(&lf);
}

// The printer's faces come first, one per family (each of a family when it is asked
// for), at their design size and as device fonts; damaged metrics are left out; a
// printer without fonts of its own offers the process's fonts alone.
TEST_F(GdiPrinter, DeviceFontsAreEnumeratedBeforeTheProcesssFonts) {
  Configure(1, 0);
  SetDeviceFonts(2);  // with damaged faces
  HDC dc = CreateDCA(nullptr, "Label", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  std::vector<Enumerated> all = Enumerate(dc, u"");
  std::vector<Enumerated> want{{"Printer Mono", DEVICE_FONTTYPE, 24},
                               {"Printer Prop", DEVICE_FONTTYPE, 30},
                               {"Printer Bars", DEVICE_FONTTYPE, 100}};
  ASSERT_GE(all.size(), 4u);
  EXPECT_EQ(std::vector<Enumerated>(all.begin(), all.begin() + 3), want);
  EXPECT_EQ(all[3].face, "DejaVu Sans");
  EXPECT_EQ(all[3].type, static_cast<DWORD>(TRUETYPE_FONTTYPE));
  std::vector<Enumerated> mono{{"Printer Mono", DEVICE_FONTTYPE, 24},
                               {"Printer Mono", DEVICE_FONTTYPE, 48}};
  EXPECT_EQ(Enumerate(dc, u"printer mono"), mono);
  DeleteDC(dc);

  SetDeviceFonts(0);
  dc = CreateDCA(nullptr, "Label", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  all = Enumerate(dc, u"");
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all[0].face, "DejaVu Sans");
  EXPECT_TRUE(Enumerate(dc, u"Printer Mono").empty());
  DeleteDC(dc);
}

// A font whose name is a printer face is realised as that face, the size nearest the
// request scaled to it exactly; the text metrics follow the face's metrics.
TEST_F(GdiPrinter, DeviceFontsAreMatchedByNameAndMeasuredFromTheirMetrics) {
  Configure(1, 0);
  SetDeviceFonts(1);
  HDC dc = CreateDCA(nullptr, "Label", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  struct Case {
    const char16_t* face;
    LONG height, width;
    int mapMode;
    bool device;
    LONG tmHeight, ascent, descent, average, internalLeading;
  } cases[] = {
      {u"Printer Mono", -24, 0, MM_TEXT, true, 24, 19, 5, 12, 0},
      {u"PRINTER MONO", -48, 0, MM_TEXT, true, 48, 38, 10, 24, 0},
      {u"Printer Mono", -36, 0, MM_TEXT, true, 37, 29, 8, 18, 1},  // 1.5 x the 24-dot face
      {u"Printer Mono", 48, 0, MM_TEXT, true, 48, 38, 10, 24, 0},  // a cell height
      {u"Printer Mono", 0, 0, MM_TEXT, true, 24, 19, 5, 12, 0},    // its own size
      {u"Printer Mono", -24, 20, MM_TEXT, true, 24, 19, 5, 20, 0},
      {u"Printer Bars", -50, 0, MM_TEXT, true, 50, 50, 0, 1, 0},
      // 3 mm at 203 dpi is 24 dots: the 24-dot face, measured in tenths of a mm.
      {u"Printer Mono", -30, 0, MM_LOMETRIC, true, 30, 24, 6, 15, 0},
  };
  for (const Case& c : cases) {
    SetMapMode(dc, c.mapMode);
    HFONT font = FontOf(c.face, c.height, c.width);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW tm;
    std::memset(&tm, 0xEE, sizeof tm);
    ASSERT_TRUE(GetTextMetricsW(dc, &tm));
    std::string label = "height " + std::to_string(c.height) + " width " + std::to_string(c.width);
    EXPECT_EQ((tm.tmPitchAndFamily & TMPF_DEVICE) != 0, c.device) << label;
    EXPECT_EQ(tm.tmHeight, c.tmHeight) << label;
    EXPECT_EQ(tm.tmAscent, c.ascent) << label;
    EXPECT_EQ(tm.tmDescent, c.descent) << label;
    EXPECT_EQ(tm.tmAveCharWidth, c.average) << label;
    EXPECT_EQ(tm.tmInternalLeading, c.internalLeading) << label;
    EXPECT_EQ(tm.tmFirstChar, 0x20);
    EXPECT_EQ(tm.tmLastChar, 0x7E);
    TEXTMETRICA narrow;
    ASSERT_TRUE(GetTextMetricsA(dc, &narrow));
    EXPECT_EQ(narrow.tmHeight, tm.tmHeight);
    EXPECT_EQ(narrow.tmAveCharWidth, tm.tmAveCharWidth);
    EXPECT_EQ(narrow.tmLastChar, 0x7E);
    EXPECT_EQ(narrow.tmPitchAndFamily, tm.tmPitchAndFamily);
    SelectObject(dc, previous);
    DeleteObject(font);
  }
  SetMapMode(dc, MM_TEXT);
  // TrueType alone when asked for, and for a name no printer face has.
  for (BYTE precision : {BYTE(OUT_TT_ONLY_PRECIS), BYTE(OUT_DEFAULT_PRECIS)}) {
    HFONT font = FontOf(precision == OUT_TT_ONLY_PRECIS ? u"Printer Mono" : u"DejaVu Sans", -24, 0,
                        0, precision);
    SelectObject(dc, font);
    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetricsW(dc, &tm));
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_DEVICE, 0);
    EXPECT_NE(tm.tmPitchAndFamily & TMPF_TRUETYPE, 0);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
  }
  // Extents add the driver's advances: in the proportional face 'A' is 8 units and
  // 'B' 10, a character the face lacks takes its default's (12); twice the size, twice
  // the advance.
  struct Extent {
    LONG height;
    const char16_t* text;
    LONG cx, cy;
  } extents[] = {{-30, u"AB", 18, 30}, {-60, u"AB", 36, 60}, {-30, u"A\u20AC", 20, 30}};
  for (const Extent& e : extents) {
    HFONT font = FontOf(u"Printer Prop", e.height);
    SelectObject(dc, font);
    SIZE size{-1, -1};
    std::u16string text = e.text;
    ASSERT_TRUE(GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size));
    EXPECT_EQ(size.cx, e.cx) << e.height;
    EXPECT_EQ(size.cy, e.cy) << e.height;
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
  }
  DeleteDC(dc);
}

// Text in a printer face reaches the driver's DrvTextOut, even when its surface hooks
// no text, with the face's number, the transform from font units to dots turned by the
// escapement, and the glyphs placed along the turned baseline.
TEST_F(GdiPrinter, DeviceFontTextReachesTheDriverInEachDirection) {
  Configure(1, 0);
  SetDeviceFonts(1);
  HDC dc = CreateDCA(nullptr, "Label", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  DOCINFOA doc{sizeof(DOCINFOA), "label", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(dc, &doc), 0);
  ASSERT_EQ(StartPage(dc), 1);
  SetBkMode(dc, TRANSPARENT);
  struct Case {
    LONG escapement;
    const char* call;
  } cases[] = {
      {0,
       "TextOut \"AB\" glyphs 2 at 50,79 family Printer Mono device 1 xform 1.000 0.000 0.000 "
       "1.000 next 62,79 box 50,60,74,84"},
      {900,
       "TextOut \"AB\" glyphs 2 at 69,60 family Printer Mono device 1 xform 0.000 -1.000 1.000 "
       "0.000 next 69,48 box 50,36,74,60"},
      {1800,
       "TextOut \"AB\" glyphs 2 at 50,41 family Printer Mono device 1 xform -1.000 0.000 0.000 "
       "-1.000 next 38,41 box 26,36,50,60"},
      {2700,
       "TextOut \"AB\" glyphs 2 at 31,60 family Printer Mono device 1 xform 0.000 1.000 -1.000 "
       "0.000 next 31,72 box 26,60,50,84"},
      {-900,  // the same as 2700
       "TextOut \"AB\" glyphs 2 at 31,60 family Printer Mono device 1 xform 0.000 1.000 -1.000 "
       "0.000 next 31,72 box 26,60,50,84"},
  };
  for (const Case& c : cases) {
    calls_.clear();
    HFONT font = FontOf(u"Printer Mono", -24, 0, c.escapement);
    SelectObject(dc, font);
    EXPECT_TRUE(TextOutW(dc, 50, 60, u"AB", 2));
    EXPECT_EQ(Calls(true), std::vector<std::string>{c.call}) << c.escapement;
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
  }
  // The magnified face, centred on its baseline.
  calls_.clear();
  HFONT big = FontOf(u"Printer Mono", -48);
  SelectObject(dc, big);
  SetTextAlign(dc, TA_CENTER | TA_BASELINE);
  EXPECT_TRUE(TextOutW(dc, 100, 100, u"AB", 2));
  EXPECT_EQ(Calls(true),
            std::vector<std::string>{"TextOut \"AB\" glyphs 2 at 76,100 family Printer Mono "
                                     "device 2 xform 1.000 0.000 0.000 1.000 next 100,100 box "
                                     "76,62,124,110"});
  // An engine font on a surface that hooks no text is drawn by the engine alone.
  calls_.clear();
  HFONT tt = FontOf(u"DejaVu Sans", -24);
  SelectObject(dc, tt);
  EXPECT_TRUE(TextOutW(dc, 10, 10, u"AB", 2));
  EXPECT_TRUE(Calls(true).empty());
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(big);
  DeleteObject(tt);
  EXPECT_EQ(EndPage(dc), 1);
  EXPECT_EQ(EndDoc(dc), 1);
  DeleteDC(dc);
}

// FreeType's own monochrome rendering of `text` in DejaVu Sans at an em of `em`
// pixels, each outline turned counter-clockwise by `escapement` tenths of a degree
// with FT_Set_Transform, the pen starting at (x, y) and moving along the turned
// baseline by each glyph's advance: ink flags of a kWidth x kHeight page.
std::vector<bool> FreeTypeText(const char* text, int em, int escapement, double x, double y) {
  std::vector<bool> ink(static_cast<size_t>(kWidth) * kHeight, false);
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0) return ink;
  if (FT_New_Face(library, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0, &face) == 0) {
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em));
    const double radians = escapement * M_PI / 1800, c = std::cos(radians), s = std::sin(radians);
    auto fixed = [](double v) { return static_cast<FT_Fixed>(std::lround(v * 65536)); };
    FT_Matrix turn{fixed(c), fixed(-s), fixed(s), fixed(c)};
    FT_Set_Transform(face, &turn, nullptr);
    long pen = 0;
    for (const char* ch = text; *ch != 0; ++ch) {
      FT_Load_Char(face, static_cast<FT_ULong>(*ch),
                   FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP | FT_LOAD_RENDER);
      const FT_GlyphSlot g = face->glyph;
      const long px = std::lround(x + pen * c), py = std::lround(y - pen * s);
      for (unsigned row = 0; row < g->bitmap.rows; ++row)
        for (unsigned col = 0; col < g->bitmap.width; ++col) {
          if (!((g->bitmap.buffer[row * static_cast<unsigned>(g->bitmap.pitch) + col / 8] >>
                 (7 - col % 8)) &
                1))
            continue;
          long ix = px + g->bitmap_left + static_cast<long>(col);
          long iy = py - g->bitmap_top + static_cast<long>(row);
          if (ix >= 0 && iy >= 0 && ix < kWidth && iy < kHeight)
            ink[static_cast<size_t>(iy) * kWidth + static_cast<size_t>(ix)] = true;
        }
      pen += (g->metrics.horiAdvance + 32) >> 6;  // the advance along the baseline
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return ink;
}

// The numbers of a driver's "TextOut" line after `word`: "at 10,20" or "box 1,2,3,4".
std::vector<long> NumbersAfter(const std::string& call, const std::string& word) {
  std::vector<long> out;
  size_t at = call.find(" " + word + " ");
  if (at == std::string::npos) return out;
  std::istringstream in(call.substr(at + word.size() + 2));
  long v;
  char comma;
  while (in >> v) {
    out.push_back(v);
    if (!(in >> comma) || comma != ',') break;
  }
  return out;
}

// TrueType text turned by its escapement: the glyphs reach the driver turned with
// the baseline, their positions follow it (a right angle keeps one x or one y, so the
// driver sees the direction), the background box covers the turned cell, and the
// page holds exactly FreeType's own rendering of the turned text.
TEST_F(GdiPrinter, TurnedTrueTypeTextEqualsFreeTypesTurnedRendering) {
  Configure(1, HOOK_TEXTOUT);
  struct Case {
    LONG escapement;
    UINT align;
    int nextX, nextY;  // the second glyph's side of the first: -1, 0 (the same) or 1
    int inkX, inkY;    // the ink's side of the reference point: -1, 1, or 0 (both)
  } cases[] = {
      {0, TA_LEFT | TA_TOP, 1, 0, 1, 1},           {900, TA_LEFT | TA_TOP, 0, -1, 1, -1},
      {1800, TA_LEFT | TA_TOP, -1, 0, -1, -1},     {2700, TA_LEFT | TA_TOP, 0, 1, -1, 1},
      {-900, TA_LEFT | TA_TOP, 0, 1, -1, 1},       {450, TA_LEFT | TA_TOP, 1, -1, 1, 0},
      {1800, TA_LEFT | TA_BASELINE, -1, 0, -1, 0}, {900, TA_LEFT | TA_BASELINE, 0, -1, 0, -1},
  };
  const char* const text = "Rg7";
  const int em = 24, ox = 120, oy = 80;
  TEXTMETRICW upright{};  // the first case's
  SIZE uprightExtent{};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "escapement " << c.escapement << " align " << c.align);
    calls_.clear();
    HDC dc = CreateDCA(nullptr, "Label", nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    DOCINFOA doc{sizeof(DOCINFOA), "label", nullptr, nullptr, 0};
    ASSERT_GT(StartDocA(dc, &doc), 0);
    ASSERT_EQ(StartPage(dc), 1);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, c.align);
    HFONT font = FontOf(u"DejaVu Sans", -em, 0, c.escapement);
    SelectObject(dc, font);
    TEXTMETRICW tm{};
    SIZE extent{};
    ASSERT_TRUE(GetTextMetricsW(dc, &tm));
    ASSERT_TRUE(GetTextExtentPoint32W(dc, u"Rg7", 3, &extent));
    ASSERT_TRUE(TextOutW(dc, ox, oy, u"Rg7", 3));
    // Metrics and extents are measured along the baseline, whatever its direction.
    if (c.escapement == 0) upright = tm, uprightExtent = extent;
    EXPECT_EQ(tm.tmHeight, upright.tmHeight);
    EXPECT_EQ(tm.tmInternalLeading, upright.tmInternalLeading);
    EXPECT_EQ(tm.tmAveCharWidth, upright.tmAveCharWidth);
    EXPECT_EQ(tm.tmMaxCharWidth, upright.tmMaxCharWidth);
    EXPECT_EQ(extent.cx, uprightExtent.cx);
    EXPECT_EQ(extent.cy, uprightExtent.cy);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
    ASSERT_EQ(EndPage(dc), 1);
    ASSERT_EQ(EndDoc(dc), 1);
    ASSERT_TRUE(DeleteDC(dc));

    std::vector<std::string> drawn = Calls(true);
    ASSERT_EQ(drawn.size(), 1u);
    const std::vector<long> first = NumbersAfter(drawn[0], "at"),
                            second = NumbersAfter(drawn[0], "next"),
                            box = NumbersAfter(drawn[0], "box");
    ASSERT_EQ(first.size(), 2u) << drawn[0];
    ASSERT_EQ(second.size(), 2u) << drawn[0];
    ASSERT_EQ(box.size(), 4u) << drawn[0];
    auto sign = [](long v) { return (v > 0) - (v < 0); };
    EXPECT_EQ(sign(second[0] - first[0]), c.nextX) << drawn[0];
    EXPECT_EQ(sign(second[1] - first[1]), c.nextY) << drawn[0];
    if (c.align & TA_BASELINE) {
      EXPECT_EQ(first, (std::vector<long>{ox, oy}));
    }
    // A turned right angle swaps the cell's sides; any angle's box holds the cell.
    if (c.escapement % 900 == 0) {
      const bool upright = c.escapement % 1800 == 0;
      EXPECT_EQ(box[2] - box[0], upright ? extent.cx : tm.tmHeight) << drawn[0];
      EXPECT_EQ(box[3] - box[1], upright ? tm.tmHeight : extent.cx) << drawn[0];
    } else {
      EXPECT_GT(box[2] - box[0], std::max<long>(extent.cx, tm.tmHeight) * 7 / 10) << drawn[0];
      EXPECT_GT(box[3] - box[1], std::max<long>(extent.cx, tm.tmHeight) * 7 / 10) << drawn[0];
    }

    int stride = 0;
    const std::string page = Page(&stride);
    ASSERT_EQ(page.size(), static_cast<size_t>(stride) * kHeight);
    // The reference starts where the first glyph's pen stands: the reference point
    // moved across the baseline by the ascent for the top alignment.
    const double radians = c.escapement * M_PI / 1800;
    const double across = (c.align & TA_BASELINE) ? 0 : tm.tmAscent;
    const std::vector<bool> want = FreeTypeText(
        text, em, c.escapement, ox + across * std::sin(radians), oy + across * std::cos(radians));
    int differing = 0, inked = 0;
    long minX = kWidth, maxX = -1, minY = kHeight, maxY = -1;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const size_t row = static_cast<size_t>(y), column = static_cast<size_t>(x);
        const bool ink =
            ((page[row * static_cast<size_t>(stride) + column / 8] >> (7 - x % 8)) & 1) == 0;
        if (ink != want[row * kWidth + column] && ++differing < 4)
          ADD_FAILURE() << "pixel " << x << "," << y << (ink ? " inked" : " blank");
        if (!ink) continue;
        ++inked;
        minX = std::min<long>(minX, x), maxX = std::max<long>(maxX, x);
        minY = std::min<long>(minY, y), maxY = std::max<long>(maxY, y);
      }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inked, 100);  // the text is really there
    // The ink lies on the expected side of the reference point, inside the box.
    auto side = [](long low, long high, long at) { return low >= at ? 1 : high < at ? -1 : 0; };
    EXPECT_EQ(side(minX, maxX, ox), c.inkX) << minX << ".." << maxX;
    EXPECT_EQ(side(minY, maxY, oy), c.inkY) << minY << ".." << maxY;
    EXPECT_GE(minX, box[0]);
    EXPECT_LT(maxX, box[2]);
    EXPECT_GE(minY, box[1]);
    EXPECT_LT(maxY, box[3]);
  }
}

// An opaque background is the turned cell of the line: a rectangle at a right angle,
// a turned rectangle at any other, and nothing of the page around it.
TEST_F(GdiPrinter, OpaqueBackgroundOfTurnedTextIsTheTurnedCell) {
  for (LONG escapement : {0, 900, 450, 3300}) {
    SCOPED_TRACE(escapement);
    MemoryPage page(24);
    HFONT font = FontOf(u"DejaVu Sans", -24, 0, escapement);
    SelectObject(page.dc, font);
    SetBkMode(page.dc, OPAQUE);
    SetBkColor(page.dc, RGB(0, 0, 0));
    SetTextColor(page.dc, RGB(0, 0, 0));
    TEXTMETRICW tm{};
    SIZE extent{};
    ASSERT_TRUE(GetTextMetricsW(page.dc, &tm));
    ASSERT_TRUE(GetTextExtentPoint32W(page.dc, u"Rg7", 3, &extent));
    const int ox = 100, oy = 90;
    ASSERT_TRUE(TextOutW(page.dc, ox, oy, u"Rg7", 3));
    const double radians = escapement * M_PI / 1800, ux = std::cos(radians),
                 uy = -std::sin(radians), vx = -uy, vy = ux;
    int inside = 0, outside = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        // The pixel's centre along the baseline (a) and across it (c) from the
        // cell's top left corner, the reference point.
        const double dx = x + 0.5 - ox, dy = y + 0.5 - oy;
        const double a = dx * ux + dy * uy, c = dx * vx + dy * vy;
        const double margin = 1.5;
        const bool surely_in =
            a > margin && a < extent.cx - margin && c > margin && c < tm.tmHeight - margin;
        const bool surely_out =
            a < -margin || a > extent.cx + margin || c < -margin || c > tm.tmHeight + margin;
        const COLORREF pixel = GetPixel(page.dc, x, y);
        if (surely_in) {
          ++inside;
          ASSERT_EQ(pixel, RGB(0, 0, 0)) << x << "," << y;
        } else if (surely_out) {
          ++outside;
          ASSERT_EQ(pixel, RGB(255, 255, 255)) << x << "," << y;
        }
      }
    EXPECT_GT(inside, extent.cx * tm.tmHeight / 2);
    EXPECT_GT(outside, 0);
    SelectObject(page.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
  }
}
