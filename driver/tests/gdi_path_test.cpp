// The driver as an application reaches it: a printer whose driver file is trv.dll,
// a printer DC, a page drawn with GDI calls, the records read back from the port.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/devmode.h"
#include "driver/page_pixels.h"
#include "driver/tests/font_values.h"
#include "driver/tests/printer_fixture.h"
#include "platform/kernel.h"
#include "platform/wingdi.h"
#include "platform/winspool.h"
#include "spool/record.h"

namespace trv::driver {
namespace {

using testing::Bytes;

class GdiPath : public testing::PrinterFixture {
 protected:
  void SetUp() override {
    driverModule_ = TRV_DRIVER_MODULE;
    PrinterFixture::SetUp();
    StoreSample();
    SetValue(u"Fonts", testing::EntryListValue({}, {}));
    SetValue(u"Barcodes", testing::EntryListValue({}, {}));
    SetValue(u"Options", testing::EntryListValue({testing::Record(32, 0x1004)}, {}));
    writeFile("C:\\out\\keep", "");
  }
  // The job's records: type and payload.
  std::vector<std::pair<DWORD, Bytes>> Records(const std::string& file) const {
    const std::string job = readFile(file);
    std::vector<std::pair<DWORD, Bytes>> out;
    for (std::size_t at = 0; at + 48 <= job.size();) {
      const BYTE* r = reinterpret_cast<const BYTE*>(job.data() + at);
      const DWORD n = spool::RecordPayloadLength(r);
      out.emplace_back(spool::RecordType(r), Bytes(r + 48, r + 48 + n));
      at += 48 + n;
    }
    return out;
  }
};

TEST_F(GdiPath, AFilledRectangleArrivesAsThePageBitmap) {
  HDC dc = CreateDCW(nullptr, u"Labels", nullptr, nullptr);
  ASSERT_NE(dc, nullptr) << GetLastError();
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 812);
  DOCINFOW doc{sizeof(DOCINFOW), u"label", u"C:\\out\\gdi.prn", nullptr, 0};
  ASSERT_GT(StartDocW(dc, &doc), 0) << GetLastError();
  ASSERT_GT(StartPage(dc), 0);
  const RECT box{10, 10, 50, 20};
  ASSERT_TRUE(FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  ASSERT_GT(EndPage(dc), 0);
  ASSERT_GT(StartPage(dc), 0);  // an empty second page
  ASSERT_GT(EndPage(dc), 0);
  ASSERT_GT(EndDoc(dc), 0);
  ASSERT_TRUE(DeleteDC(dc));

  const auto records = Records("C:\\out\\gdi.prn");
  using namespace trv::spool;
  std::vector<DWORD> types;
  for (const auto& r : records) types.push_back(r.first);
  EXPECT_EQ(types,
            (std::vector<DWORD>{DCLD_DEVPROPS, DCLD_DOCPROPS, DCLD_DOC_BEGIN, DCLD_PAGE_BEGIN,
                                DCLD_BITMAP_HEADER, DCLD_BITMAP_DATA, DCLD_PAGE_END,
                                DCLD_PAGE_BEGIN, DCLD_PAGE_END, DCLD_DOC_END}));
  ASSERT_EQ(records.size(), 10u);
  EXPECT_EQ(records[4].second, (Bytes{0x2C, 3, 0xC2, 4, 104, 0}));
  // Rows 10 to 19 black from dot 10 to dot 49, everything else white.
  Bytes expected(104 * 1218, 0xFF);
  for (std::size_t y = 10; y < 20; ++y)
    for (std::size_t x = 10; x < 50; ++x) expected[y * 104 + x / 8] &= ~(0x80 >> (x % 8));
  for (std::size_t y = 0; y < 1218; ++y) expected[y * 104 + 101] |= 0x0F;
  EXPECT_EQ(records[5].second, expected);
}

// A DC made without a devmode prints with the printer's default devmode: turned to
// landscape there, the page GDI reports is turned too; without a default the driver's
// own defaults hold.
TEST_F(GdiPath, ADcWithoutADevmodeTakesThePrintersDefault) {
  HDC dc = CreateDCW(nullptr, u"Labels", nullptr, nullptr);
  ASSERT_NE(dc, nullptr) << GetLastError();
  const int width = GetDeviceCaps(dc, HORZRES), height = GetDeviceCaps(dc, VERTRES);
  ASSERT_TRUE(DeleteDC(dc));
  ASSERT_LT(width, height);

  DWORD needed = 0;
  GetPrinterW(printer(), 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed);
  ASSERT_TRUE(GetPrinterW(printer(), 2, info.data(), needed, &needed)) << GetLastError();
  DEVMODEW landscape{};
  landscape.dmSize = sizeof landscape;
  landscape.dmSpecVersion = 0x0401;
  landscape.dmFields = DM_ORIENTATION;
  landscape.dmOrientation = DMORIENT_LANDSCAPE;
  reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode = &landscape;
  ASSERT_TRUE(SetPrinterW(printer(), 2, info.data(), 0)) << GetLastError();

  dc = CreateDCW(nullptr, u"Labels", nullptr, nullptr);
  ASSERT_NE(dc, nullptr) << GetLastError();
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), height);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), width);
  ASSERT_TRUE(DeleteDC(dc));
}

// ---- lines, paths and stretched bitmaps, drawn by an application ----------------------

// A printed page as the records tell it: its bitmap (empty when none was sent) and the
// line objects that follow it.
struct Line {
  LONG x1, y1, dx, dy;
  DWORD colour;
  LONG xorFlag, width;
  bool operator==(const Line&) const = default;
};
void PrintTo(const Line& l, std::ostream* os) {
  *os << "{" << l.x1 << "," << l.y1 << " d " << l.dx << "," << l.dy << " colour " << l.colour
      << " xor " << l.xorFlag << " width " << l.width << "}";
}
struct PrintedPage {
  Bytes bitmap;
  std::vector<Line> lines;
  bool linesFollowTheBitmap = true;
};

constexpr int kPageWidth = 812, kPageHeight = 1218, kStride = 104;

class GdiLines : public GdiPath {
 protected:
  // The application's devmode: the printer's defaults with the render mode and the
  // two line-record fields set.
  Bytes Devmode(WORD renderMode, WORD lineRecords) {
    auto dm = BuildDefaultDevmode(u"Labels", printer());
    EXPECT_TRUE(dm);
    if (!dm) return {};
    dm->SetU16(priv::kRenderMode, renderMode);
    dm->SetU16(priv::kLineRecords, lineRecords);
    return dm->Bytes();
  }
  // One page drawn by `draw` on a printer DC with that devmode.
  PrintedPage Print(const std::function<void(HDC)>& draw, WORD renderMode = kRenderOneBit,
                    WORD lineRecords = 1) {
    const Bytes dm = Devmode(renderMode, lineRecords);
    HDC dc = CreateDCW(nullptr, u"Labels", nullptr, reinterpret_cast<const DEVMODEW*>(dm.data()));
    EXPECT_NE(dc, nullptr) << GetLastError();
    if (dc == nullptr) return {};
    DOCINFOW doc{sizeof(DOCINFOW), u"lines", u"C:\\out\\lines.prn", nullptr, 0};
    EXPECT_GT(StartDocW(dc, &doc), 0);
    EXPECT_GT(StartPage(dc), 0);
    draw(dc);
    EXPECT_GT(EndPage(dc), 0);
    EXPECT_GT(EndDoc(dc), 0);
    EXPECT_TRUE(DeleteDC(dc));
    PrintedPage page;
    bool sawLine = false;
    for (const auto& [type, payload] : Records("C:\\out\\lines.prn")) {
      if (type == spool::DCLD_BITMAP_DATA) {
        page.bitmap = payload;
        if (sawLine) page.linesFollowTheBitmap = false;
      }
      if (type != spool::DCLD_LINE) continue;
      sawLine = true;
      EXPECT_EQ(payload.size(), 56u);
      if (payload.size() != 56u) continue;
      const BYTE* p = payload.data();
      EXPECT_EQ(Bytes(p + 32, p + 56), Bytes(24, 0));
      EXPECT_EQ(spool::ReadU32(p), 0u);
      page.lines.push_back({spool::ReadI32(p + 4), spool::ReadI32(p + 8), spool::ReadI32(p + 12),
                            spool::ReadI32(p + 16), spool::ReadU32(p + 20), spool::ReadI32(p + 24),
                            spool::ReadI32(p + 28)});
    }
    return page;
  }
};

HPEN SelectPen(HDC dc, int style, int width, COLORREF colour) {
  return static_cast<HPEN>(SelectObject(dc, CreatePen(style, width, colour)));
}
void Hollow(HDC dc) { SelectObject(dc, GetStockObject(NULL_BRUSH)); }

struct Drawing {
  const char* name;
  std::function<void(HDC)> draw;
  // The printer's lines; nothing when the whole drawing is the engine's.
  std::optional<std::vector<Line>> lines;
  WORD renderMode = kRenderOneBit;
};

// Each drawing either reaches the printer as line objects alone (no bitmap at all),
// or is drawn by the engine: then its page bitmap equals the page of the same drawing
// printed with line records switched off, and no line object is sent.
TEST_F(GdiLines, DrawingsBecomePrinterLinesOrPagePixels) {
  const Drawing drawings[] = {
      {"lines drawn with LineTo",
       [](HDC dc) {
         MoveToEx(dc, 10, 20, nullptr);
         LineTo(dc, 110, 20);
         LineTo(dc, 110, 80);
       },
       std::vector<Line>{{10, 20, 100, 0, 0, 0, 1}, {110, 20, 0, 60, 0, 0, 1}}},
      {"a rectangle outline, 3 dots wide",
       [](HDC dc) {
         SelectPen(dc, PS_SOLID, 3, RGB(0, 0, 0));
         Hollow(dc);
         Rectangle(dc, 10, 10, 111, 61);
       },
       std::vector<Line>{{10, 10, 100, 0, 0, 0, 3},
                         {110, 10, 0, 50, 0, 0, 3},
                         {110, 60, -100, 0, 0, 0, 3},
                         {10, 60, 0, -50, 0, 0, 3}}},
      {"a rectangle outline with a 1-dot pen",
       [](HDC dc) {
         Hollow(dc);
         Rectangle(dc, 300, 400, 351, 431);
       },
       std::vector<Line>{{300, 400, 50, 0, 0, 0, 1},
                         {350, 400, 0, 30, 0, 0, 1},
                         {350, 430, -50, 0, 0, 0, 1},
                         {300, 430, 0, -30, 0, 0, 1}}},
      {"an XOR rectangle on the page",
       [](HDC dc) {
         SetROP2(dc, R2_XORPEN);
         Hollow(dc);
         Rectangle(dc, 10, 10, 21, 21);
       },
       std::vector<Line>{{10, 10, 10, 0, 0, 1, 1},
                         {20, 10, 0, 10, 0, 1, 1},
                         {20, 20, -10, 0, 0, 1, 1},
                         {10, 20, 0, -10, 0, 1, 1}}},
      {"a line inside the clip",
       [](HDC dc) {
         IntersectClipRect(dc, 0, 0, 400, 400);
         MoveToEx(dc, 10, 20, nullptr);
         LineTo(dc, 110, 20);
       },
       std::vector<Line>{{10, 20, 100, 0, 0, 0, 1}}},
      {"a slanted line 4 dots wide",
       [](HDC dc) {
         SelectPen(dc, PS_SOLID, 4, RGB(0, 0, 0));
         MoveToEx(dc, 10, 10, nullptr);
         LineTo(dc, 60, 40);
       },
       std::vector<Line>{{10, 10, 50, 30, 0, 0, 4}}},
      {"a red pen on a one-bit page is its nearest colour, black",
       [](HDC dc) {
         SelectPen(dc, PS_SOLID, 1, RGB(255, 0, 0));
         MoveToEx(dc, 10, 20, nullptr);
         LineTo(dc, 110, 20);
       },
       std::vector<Line>{{10, 20, 100, 0, 0, 0, 1}}},
      {"a black line on a page rendered in colour",
       [](HDC dc) {
         MoveToEx(dc, 10, 20, nullptr);
         LineTo(dc, 110, 20);
       },
       std::vector<Line>{{10, 20, 100, 0, 0, 0, 1}}, kRenderThreshold},
      // What the printer must not draw.
      {"a line the clip cuts",
       [](HDC dc) {
         IntersectClipRect(dc, 0, 0, 50, kPageHeight);
         MoveToEx(dc, 10, 20, nullptr);
         LineTo(dc, 110, 20);
       },
       std::nullopt},
      {"an ellipse",
       [](HDC dc) {
         Hollow(dc);
         Ellipse(dc, 100, 100, 201, 161);
       },
       std::nullopt},
      // XOR with the black pen (pixel 0) leaves the engine's page as it was; the box
      // beneath keeps the page from being empty.
      {"an XOR rectangle partly off the page",
       [](HDC dc) {
         const RECT beneath{650, 0, kPageWidth, 100};
         FillRect(dc, &beneath, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
         SetROP2(dc, R2_XORPEN);
         Hollow(dc);
         Rectangle(dc, 700, 10, 900, 60);
       },
       std::nullopt},
      {"a dashed line",
       [](HDC dc) {
         SelectPen(dc, PS_DASH, 1, RGB(0, 0, 0));
         MoveToEx(dc, 10, 20, nullptr);
         LineTo(dc, 300, 20);
       },
       std::nullopt},
      {"a slanted line 5 dots wide",
       [](HDC dc) {
         SelectPen(dc, PS_SOLID, 5, RGB(0, 0, 0));
         MoveToEx(dc, 10, 10, nullptr);
         LineTo(dc, 60, 40);
       },
       std::nullopt},
      {"a red pen on a page rendered in colour",
       [](HDC dc) {
         SelectPen(dc, PS_SOLID, 1, RGB(255, 0, 0));
         MoveToEx(dc, 10, 20, nullptr);
         LineTo(dc, 110, 20);
       },
       std::nullopt, kRenderThreshold},
      {"a polyline of three lines",
       [](HDC dc) {
         const POINT points[] = {{10, 10}, {100, 10}, {100, 50}, {150, 50}};
         Polyline(dc, points, 4);
       },
       std::nullopt},
  };
  for (const Drawing& d : drawings) {
    SCOPED_TRACE(d.name);
    const PrintedPage page = Print(d.draw, d.renderMode);
    if (d.lines) {
      EXPECT_EQ(page.lines, *d.lines);
      EXPECT_TRUE(page.bitmap.empty());
      continue;
    }
    EXPECT_TRUE(page.lines.empty());
    const PrintedPage reference = Print(d.draw, d.renderMode, 0);
    EXPECT_TRUE(reference.lines.empty());
    EXPECT_FALSE(reference.bitmap.empty());
    EXPECT_EQ(page.bitmap, reference.bitmap);
  }
}

TEST_F(GdiLines, WithLineRecordsOffEveryLineIsPagePixels) {
  const auto draw = [](HDC dc) {
    MoveToEx(dc, 10, 20, nullptr);
    LineTo(dc, 110, 20);
    SelectPen(dc, PS_SOLID, 3, RGB(0, 0, 0));
    Hollow(dc);
    Rectangle(dc, 200, 200, 301, 251);
  };
  const PrintedPage page = Print(draw, kRenderOneBit, 0);
  EXPECT_TRUE(page.lines.empty());
  ASSERT_EQ(page.bitmap.size(), std::size_t{kStride} * kPageHeight);
  auto black = [&](int x, int y) {
    return ((page.bitmap[y * kStride + x / 8] >> (7 - x % 8)) & 1) == 0;
  };
  EXPECT_TRUE(black(10, 20));
  EXPECT_TRUE(black(109, 20));
  EXPECT_TRUE(black(200, 200));
  EXPECT_TRUE(black(300, 250));
  EXPECT_FALSE(black(250, 225));
}

// The page's printer lines follow its bitmap, so that the printer draws them on top.
TEST_F(GdiLines, LinesFollowThePageBitmap) {
  const PrintedPage page = Print([](HDC dc) {
    MoveToEx(dc, 10, 20, nullptr);
    LineTo(dc, 110, 20);
    const RECT box{10, 100, 50, 120};
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  });
  EXPECT_FALSE(page.bitmap.empty());
  EXPECT_EQ(page.lines, (std::vector<Line>{{10, 20, 100, 0, 0, 0, 1}}));
  EXPECT_TRUE(page.linesFollowTheBitmap);
}

// A page bitmap that is white but where `black` says, its row ends white.
Bytes PageOf(const std::function<bool(int, int)>& black) {
  Bytes page(std::size_t{kStride} * kPageHeight, 0xFF);
  for (int y = 0; y < kPageHeight; ++y)
    for (int x = 0; x < kPageWidth; ++x)
      if (black(x, y)) page[y * kStride + x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
  return page;
}

// A bottom-up 1-bpp logo (its first row in memory is its bottom row) stretched to twice
// its size: black and white, so it is copied dot for dot, the right way up.
TEST_F(GdiLines, AStretchedBottomUpLogoArrivesUprightAndCrisp) {
  constexpr int kW = 16, kH = 8, kLogoStride = 4;
  // The logo, top row first: a bar along the top and a diagonal.
  auto logoBlack = [](int x, int y) { return y == 0 || x == 2 * y; };
  Bytes bits(kLogoStride * kH, 0xFF);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (logoBlack(x, y))
        bits[(kH - 1 - y) * kLogoStride + x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colours[2];
  } info{{sizeof(BITMAPINFOHEADER), kW, kH, 1, 1, BI_RGB, 0, 0, 0, 2, 2},
         {{0, 0, 0, 0}, {255, 255, 255, 0}}};
  const PrintedPage page = Print([&](HDC dc) {
    SetStretchBltMode(dc, COLORONCOLOR);
    EXPECT_EQ(StretchDIBits(dc, 100, 200, 2 * kW, 2 * kH, 0, 0, kW, kH, bits.data(),
                            reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY),
              kH);
  });
  EXPECT_TRUE(page.lines.empty());
  EXPECT_EQ(page.bitmap, PageOf([&](int x, int y) {
              return x >= 100 && x < 100 + 2 * kW && y >= 200 && y < 200 + 2 * kH &&
                     logoBlack((x - 100) / 2, (y - 200) / 2);
            }));
}

// A grey image on a page rendered in colour goes to the engine in HALFTONE mode and
// arrives as the page's ordered dither of that grey.
TEST_F(GdiLines, AGreyImageIsHalftoned) {
  constexpr int kW = 16, kH = 16;
  Bytes bits(kW * kH, 0);  // every pixel palette entry 0: grey
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colours[1];
  } info{{sizeof(BITMAPINFOHEADER), kW, -kH, 1, 8, BI_RGB, 0, 0, 0, 1, 1}, {{0x80, 0x80, 0x80, 0}}};
  const PrintedPage page = Print(
      [&](HDC dc) {
        SetStretchBltMode(dc, COLORONCOLOR);
        EXPECT_EQ(
            StretchDIBits(dc, 200, 300, kW, kH, 0, 0, kW, kH, bits.data(),
                          reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY),
            kH);
      },
      kRenderDither);
  // The same grey square on a white 24-bpp page, reduced by the page's ordered dither.
  const DWORD stride = (kPageWidth * 3 + 3) / 4 * 4;
  Bytes surface(std::size_t{stride} * kPageHeight, 0xFF);
  for (int y = 300; y < 300 + kH; ++y)
    for (int x = 200; x < 200 + kW; ++x)
      for (int c = 0; c < 3; ++c) surface[y * stride + 3 * x + c] = 0x80;
  SurfaceView view;
  view.width = kPageWidth;
  view.height = kPageHeight;
  view.stride = stride;
  view.bitsPerPixel = 24;
  view.bits = surface.data();
  PageBitmap expected = ReduceOrderedDither(view, ByteOrder::kBgr);
  WhitenRowEnds(expected);
  EXPECT_EQ(page.bitmap, expected.bits);
  EXPECT_TRUE(page.lines.empty());
}

// ---- text in the printer's fonts, drawn by an application -----------------------------

class GdiText : public GdiPath {
 protected:
  void SetUp() override {
    GdiPath::SetUp();
    SetValue(u"Fonts", testing::SampleFontsValue());
    SetValue(u"Barcodes", testing::SampleBarcodesValue());
    for (const auto& f : testing::SampleFontImages()) SetValue(f.valueName, f.image);
  }
  // The types of one page's records, between its begin and end, where `face` writes
  // `text` at (100, 100) after `clip` (if any) narrowed the DC's clip.
  std::vector<DWORD> Page(const std::u16string& face, const std::u16string& text,
                          std::optional<RECT> clip) {
    HDC dc = CreateDCW(nullptr, u"Labels", nullptr, nullptr);
    EXPECT_NE(dc, nullptr) << GetLastError();
    if (dc == nullptr) return {};
    DOCINFOW doc{sizeof(DOCINFOW), u"text", u"C:\\out\\text.prn", nullptr, 0};
    EXPECT_GT(StartDocW(dc, &doc), 0);
    EXPECT_GT(StartPage(dc), 0);
    LOGFONTW lf{};
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    HGDIOBJ old = SelectObject(dc, CreateFontIndirectW(&lf));
    if (clip) IntersectClipRect(dc, clip->left, clip->top, clip->right, clip->bottom);
    EXPECT_TRUE(TextOutW(dc, 100, 100, text.data(), static_cast<int>(text.size())));
    DeleteObject(SelectObject(dc, old));
    EXPECT_GT(EndPage(dc), 0);
    EXPECT_GT(EndDoc(dc), 0);
    EXPECT_TRUE(DeleteDC(dc));
    std::vector<DWORD> types;
    bool inPage = false;
    for (const auto& [type, payload] : Records("C:\\out\\text.prn")) {
      if (type == spool::DCLD_PAGE_END) inPage = false;
      if (inPage) types.push_back(type);
      if (type == spool::DCLD_PAGE_BEGIN) inPage = true;
    }
    return types;
  }
};

// The clip against the text's box, (100, 100) - (160, 124) for "Label" in the 12 x 24
// dot font: inside it the text goes as a printer object, outside it nothing goes, and
// cut by it the text still goes whole, because the engine holds no image of a printer
// face's glyphs and would draw nothing; a bar code is never cut.
TEST_F(GdiText, TheClipDecidesWhetherPrinterTextGoesAtAll) {
  struct Case {
    const char* name;
    std::u16string face;
    std::optional<RECT> clip;
    std::vector<DWORD> want;
  };
  using spool::DCLD_BARCODE_TEXT;
  using spool::DCLD_FONT_TEXT;
  const Case cases[] = {
      {"no clip", u"CPCL Font 0", std::nullopt, {DCLD_FONT_TEXT}},
      {"a clip around the text", u"CPCL Font 0", RECT{50, 50, 400, 400}, {DCLD_FONT_TEXT}},
      {"a clip elsewhere", u"CPCL Font 0", RECT{300, 300, 400, 400}, {}},
      {"a clip cutting the text", u"CPCL Font 0", RECT{0, 0, 130, 400}, {DCLD_FONT_TEXT}},
      {"a bar code cut", u"CPCL Code 128", RECT{0, 0, 130, 400}, {DCLD_BARCODE_TEXT}},
      {"a bar code elsewhere", u"CPCL Code 128", RECT{300, 300, 400, 400}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Page(c.face, u"Label", c.clip), c.want);
  }
}

}  // namespace
}  // namespace trv::driver
