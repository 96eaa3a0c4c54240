// Text on the page: text in the printer's fonts and bar codes becomes queued text
// objects written after the page bitmap, raw commands become raw-command records,
// bar-code data is collected across calls, and everything else is drawn by the
// engine. Each case is checked against the record stream of the page.
#include "driver/text_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "driver/pdev.h"
#include "driver/tests/captured_job.h"
#include "driver/tests/font_values.h"
#include "driver/tests/printer_fixture.h"
#include "platform/gdi/objects.h"
#include "platform/kernel.h"
#include "platform/winerror.h"
#include "platform/wingdi.h"
#include "spool/record.h"

namespace trv::driver {
namespace {

using testing::Bytes;
using testing::CapturedJob;
using namespace trv::spool;

using Records = std::vector<std::pair<DWORD, Bytes>>;

void Put32(Bytes& b, std::size_t at, LONG v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<BYTE>(static_cast<DWORD>(v) >> (8 * i));
}

// The expected text object, field by field.
std::pair<DWORD, Bytes> TextObject(DWORD type, WORD id, LONG x, LONG y, RECTL box, LONG cw, LONG ch,
                                   DWORD direction, const std::string& text) {
  Bytes p(56, 0);
  p[0] = static_cast<BYTE>(id);
  p[1] = static_cast<BYTE>(id >> 8);
  Put32(p, 4, x);
  Put32(p, 8, y);
  Put32(p, 12, box.right - box.left);
  Put32(p, 16, box.bottom - box.top);
  Put32(p, 28, cw);
  Put32(p, 32, ch);
  Put32(p, 36, static_cast<LONG>(direction));
  Put32(p, 40, box.top);
  Put32(p, 44, box.bottom);
  Put32(p, 48, box.left);
  Put32(p, 52, box.right);
  p.insert(p.end(), text.begin(), text.end());
  return {type, p};
}

std::pair<DWORD, Bytes> Raw(const std::string& command) {
  Bytes p = {0, 0};
  p.insert(p.end(), command.begin(), command.end());
  return {DCLD_RAW_COMMAND, p};
}

// Four dots of ink, the glyph every character of an engine font draws here.
struct InkGlyph {
  InkGlyph() {
    bits.resize(sizeof(GLYPHBITS) + 4, 0);
    auto* gb = reinterpret_cast<GLYPHBITS*>(bits.data());
    gb->ptlOrigin = {0, -4};
    gb->sizlBitmap = {4, 4};
    std::memset(gb->aj, 0xF0, 4);
    def.pgb = gb;
  }
  std::vector<BYTE> bits;
  GLYPHDEF def{};
};

class TextOutTest : public testing::PrinterFixture {
 protected:
  void SetUp() override {
    PrinterFixture::SetUp();
    StoreSample();
    SetValue(u"Fonts", testing::SampleFontsValue());
    SetValue(u"Barcodes", testing::SampleBarcodesValue());
    SetValue(u"Options", testing::EntryListValue({}, {}));  // no frame records
    for (const auto& f : testing::SampleFontImages()) SetValue(f.valueName, f.image);
    Enable();
  }
  void TearDown() override {
    if (so != nullptr) EngUnlockSurface(so);
    if (bitmap != nullptr) EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
    PrinterFixture::TearDown();
  }
  void Enable(const Bytes& app = {}) {
    device = Device::Enable(app, u"Labels", printer());
    ASSERT_TRUE(device) << GetLastError();
    device->SetWriter(job.writer());
    if (so == nullptr) {
      bitmap =
          EngCreateBitmap({device->width(), device->height()}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
      so = EngLockSurface(reinterpret_cast<HSURF>(bitmap));
      ASSERT_NE(so, nullptr);
    }
  }
  // A device whose private devmode has one field changed.
  void EnableWith(std::size_t at, const Bytes& bytes) {
    DriverDevmode dm = device->devmode();
    for (std::size_t i = 0; i < bytes.size(); ++i) dm.priv[at + i] = bytes[i];
    Enable(dm.Bytes());
  }
  void StartPage() { ASSERT_TRUE(device->StartPage(ViewOf(so))); }
  // The page's records after its start: bitmap records, queued objects, page end.
  Records SendPage() {
    job.stream.clear();
    EXPECT_TRUE(device->SendPage(ViewOf(so)));
    Records records = job.records();
    EXPECT_FALSE(records.empty());
    if (!records.empty()) {
      EXPECT_EQ(records.back().first, DCLD_PAGE_END);
      records.pop_back();
    }
    return records;
  }
  bool PageIsWhite() const {
    const SurfaceView v = ViewOf(so);
    return std::all_of(v.bits, v.bits + v.byteSize(), [](BYTE b) { return b == 0xFF; });
  }
  bool Black(LONG x, LONG y) const {
    const SurfaceView v = ViewOf(so);
    return (v.bits[static_cast<std::size_t>(y) * v.stride + x / 8] & (0x80 >> (x % 8))) == 0;
  }

  // GDI's realisation of device face k (or, face 0, of an engine font named `family`
  // with face 1's metrics) at `scale` dots per font unit.
  void Realise(gdi::Font& font, ULONG face, float scale, const std::u16string& family = {}) {
    const DeviceFontBlock* block = device->deviceFonts().face(face == 0 ? 1 : face);
    ASSERT_NE(block, nullptr);
    font.iFace = face;
    font.flFontType = face == 0 ? FO_TYPE_TRUETYPE : FO_TYPE_DEVICE;
    font.xform.m = {scale, 0, 0, scale, 0, 0};
    const IFIMETRICS& m = block->ifi();
    const auto* p = reinterpret_cast<const BYTE*>(&m);
    font.ifi.assign(p, p + m.cjThis);
    if (!family.empty()) {
      auto* copy = reinterpret_cast<IFIMETRICS*>(font.ifi.data());
      auto* name = reinterpret_cast<char16_t*>(font.ifi.data() + copy->dpwszFamilyName);
      const std::size_t room = block->family().size();
      ASSERT_LE(family.size(), room);
      std::fill_n(name, room, u'\0');
      std::copy(family.begin(), family.end(), name);
    }
  }
  // A string at (x, y), each glyph `step` further, its background box `height` tall.
  void Place(gdi::Str& s, const std::u16string& text, POINTL at, POINTL step, LONG width,
             LONG height, bool ink = false) {
    s.text = text;
    s.positions.clear();
    for (std::size_t i = 0; i < text.size(); ++i)
      s.positions.push_back(
          {static_cast<HGLYPH>(text[i]),
           ink ? &glyph.def : nullptr,
           {at.x + step.x * static_cast<LONG>(i), at.y + step.y * static_cast<LONG>(i)}});
    s.cGlyphs = static_cast<ULONG>(text.size());
    s.pgp = s.positions.data();
    s.pwszOrg = s.text.data();
    s.rclBkGround = {at.x, at.y - height, at.x + width, at.y};
  }
  BOOL Text(gdi::Font& font, gdi::Str& s, CLIPOBJ* clip = nullptr) {
    BRUSHOBJ fore{0, nullptr, 0};
    return DeviceTextOut(*device, so, &s, &font, clip, nullptr, nullptr, &fore, nullptr, nullptr,
                         R2_COPYPEN | (R2_COPYPEN << 8));
  }

  std::unique_ptr<Device> device;
  CapturedJob job;
  HBITMAP bitmap = nullptr;
  SURFOBJ* so = nullptr;
  InkGlyph glyph;
};

TEST_F(TextOutTest, TextInEachDeviceFontInEachDirection) {
  // Font 0: 24 dots at 203 dpi is 9 points (8.5 rounded), 25 dots a point size;
  // an entry without TrueType or scaling takes the face's own cell, 12 x 24.
  struct Case {
    ULONG face;
    float scale;
    POINTL step;
    std::u16string text;
    std::pair<DWORD, Bytes> want;
  };
  const RECTL box{100, 276, 160, 300};
  const Case cases[] = {
      {1, 1, {12, 0}, u"Hello", TextObject(DCLD_FONT_TEXT, 10, 100, 276, box, 12, 24, 1, "Hello")},
      {1, 1, {-12, 0}, u"olleH", TextObject(DCLD_FONT_TEXT, 10, 100, 276, box, 12, 24, 4, "olleH")},
      {2, 1, {0, 47}, u"Down", TextObject(DCLD_FONT_TEXT, 14, 100, 276, box, 24, 47, 8, "Down")},
      {3, 1, {0, -94}, u"Up", TextObject(DCLD_FONT_TEXT, 14, 100, 276, box, 24, 94, 2, "Up")},
      {1, 1, {12, 12}, u"Slope", TextObject(DCLD_FONT_TEXT, 10, 100, 276, box, 12, 24, 0, "Slope")},
      {1, 1, {0, 0}, u"X", TextObject(DCLD_FONT_TEXT, 10, 100, 276, box, 12, 24, 0, "X")},
      // TrueType-based digits at 10 points (28 dots): character size from the points.
      {4,
       28.0f / 2048,
       {14, 0},
       u"2026",
       TextObject(DCLD_FONT_TEXT, 20, 100, 276, box, 28, 28, 1, "2026")},
      // A bar code outside a collection: its module is narrower than a point.
      {5, 1, {2, 0}, u"12345", TextObject(DCLD_BARCODE_TEXT, 2, 100, 276, box, 98, 98, 1, "12345")},
      {6,
       1,
       {2, 0},
       u"4006381333931",
       TextObject(DCLD_BARCODE_TEXT, 3, 100, 276, box, 98, 98, 1, "4006381333931")},
      // Characters of the printer's code page.
      {1,
       1,
       {12, 0},
       u"Gr\u00FC\u00DFe",
       TextObject(DCLD_FONT_TEXT, 10, 100, 276, box, 12, 24, 1,
                  "Gr\xFC\xDF"
                  "e")},
  };
  StartPage();
  Records want;
  for (const Case& c : cases) {
    gdi::Font font;
    Realise(font, c.face, c.scale);
    gdi::Str s;
    Place(s, c.text, {100, 300}, c.step, 60, 24);
    EXPECT_TRUE(Text(font, s));
    want.push_back(c.want);
  }
  EXPECT_TRUE(PageIsWhite());
  EXPECT_EQ(SendPage(), want);
}

TEST_F(TextOutTest, OneTextObjectByteForByte) {
  gdi::Font font;
  Realise(font, 1, 1);
  gdi::Str s;
  Place(s, u"AB", {-5, 30}, {12, 0}, 24, 24);  // a box reaching past the left edge
  StartPage();
  ASSERT_TRUE(Text(font, s));
  const Records records = SendPage();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].first, DCLD_FONT_TEXT);
  const Bytes want = {10,   0,    0,    0,                 // font id, zero
                      5,    0,    0,    0,                 // x: the box's left edge, as a distance
                      6,    0,    0,    0,                 // y: its top
                      24,   0,    0,    0,                 // width
                      24,   0,    0,    0,                 // height
                      0,    0,    0,    0,    0, 0, 0, 0,  // two zero fields
                      12,   0,    0,    0,                 // character width
                      24,   0,    0,    0,                 // character height
                      1,    0,    0,    0,                 // left to right
                      6,    0,    0,    0,                 // top
                      30,   0,    0,    0,                 // bottom
                      0xFB, 0xFF, 0xFF, 0xFF,              // left
                      19,   0,    0,    0,                 // right
                      'A',  'B'};
  EXPECT_EQ(records[0].second, want);
}

TEST_F(TextOutTest, TrueTypeBasedEntriesFitOnlyTheirSizeAndCharacters) {
  struct Case {
    const char* name;
    float scale;
    std::u16string text;
    bool queued;
  };
  const Case cases[] = {
      {"digits at 10 points", 28.0f / 2048, u"0123456789", true},
      {"a letter among them", 28.0f / 2048, u"12A45", false},
      {"digits at 12 points", 34.0f / 2048, u"12345", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gdi::Font font;
    Realise(font, 4, c.scale);
    gdi::Str s;
    Place(s, c.text, {10, 100}, {14, 0}, 100, 30, true);
    StartPage();
    EXPECT_TRUE(Text(font, s));
    const Records records = SendPage();
    // Text the entry does not fit is drawn by the engine: a bitmap, no object.
    if (c.queued) {
      ASSERT_EQ(records.size(), 1u);
      EXPECT_EQ(records[0].first, DCLD_FONT_TEXT);
    } else {
      ASSERT_EQ(records.size(), 2u);
      EXPECT_EQ(records[0].first, DCLD_BITMAP_HEADER);
      EXPECT_EQ(records[1].first, DCLD_BITMAP_DATA);
    }
  }
}

TEST_F(TextOutTest, RawCommandsWholeSpanningTwoCallsAndLeftOpenAtThePageEnd) {
  gdi::Font font;
  Realise(font, 1, 1);
  gdi::Str s;
  StartPage();
  // A command and a word: the command is queued, the word is text with blanks where
  // the command and its delimiters were.
  Place(s, u"${! 0 200 200 1 1}$ Hi", {10, 40}, {12, 0}, 264, 24);
  EXPECT_TRUE(Text(font, s));
  // A command in two calls, text after it.
  Place(s, u"${SETMAG", {10, 80}, {12, 0}, 96, 24);
  EXPECT_TRUE(Text(font, s));
  Place(s, u" 2 2}$ Big", {10, 120}, {12, 0}, 120, 24);
  EXPECT_TRUE(Text(font, s));
  // Only a command: nothing else.
  Place(s, u"${TONE 10}$", {10, 160}, {12, 0}, 132, 24);
  EXPECT_TRUE(Text(font, s));
  // A command opened and never closed on this page.
  Place(s, u"${PAGE-", {10, 200}, {12, 0}, 84, 24);
  EXPECT_TRUE(Text(font, s));
  Place(s, u"WIDTH 400", {10, 240}, {12, 0}, 108, 24);
  EXPECT_TRUE(Text(font, s));
  EXPECT_TRUE(PageIsWhite());
  const Records first = SendPage();
  const Records wantFirst = {
      Raw("! 0 200 200 1 1"),
      TextObject(DCLD_FONT_TEXT, 10, 10, 16, {10, 16, 274, 40}, 12, 24, 1,
                 std::string(19, ' ') + " Hi"),
      Raw("SETMAG 2 2"),
      TextObject(DCLD_FONT_TEXT, 10, 10, 96, {10, 96, 130, 120}, 12, 24, 1,
                 std::string(6, ' ') + " Big"),
      Raw("TONE 10"),
      Raw("PAGE-WIDTH 400"),
  };
  EXPECT_EQ(first, wantFirst);
  // The page end closed it: the next page's end delimiter is only text.
  StartPage();
  Place(s, u"}$ ok", {10, 40}, {12, 0}, 60, 24);
  EXPECT_TRUE(Text(font, s));
  const Records second = SendPage();
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0],
            TextObject(DCLD_FONT_TEXT, 10, 10, 16, {10, 16, 70, 40}, 12, 24, 1, "}$ ok"));
}

TEST_F(TextOutTest, ARawCommandOpenAtTheDocumentEndIsClosedThere) {
  gdi::Font font;
  Realise(font, 1, 1);
  gdi::Str s;
  ASSERT_TRUE(device->StartDoc());
  StartPage();
  Place(s, u"${OPEN", {10, 40}, {12, 0}, 72, 24);
  EXPECT_TRUE(Text(font, s));
  // A page that failed to be sent leaves its queue; the document ends all the same.
  ASSERT_TRUE(device->EndDoc());
  ASSERT_TRUE(device->StartDoc());
  StartPage();
  Place(s, u"more}$", {10, 40}, {12, 0}, 72, 24);
  EXPECT_TRUE(Text(font, s));
  const Records records = SendPage();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].first, DCLD_FONT_TEXT);  // not appended to a command of the old page
}

TEST_F(TextOutTest, UnusableDelimitersAreNoDelimiters) {
  struct Case {
    const char* name;
    std::size_t at;
    Bytes bytes;
  };
  const Case cases[] = {
      {"empty start", priv::kRawStart, {0, 0, 0, 0, 0}},
      {"empty end", priv::kRawEnd, {0, 0, 0, 0, 0}},
      {"raw commands off", priv::kRawCommandFlag, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Enable();
    EnableWith(c.at, c.bytes);
    gdi::Font font;
    Realise(font, 1, 1);
    gdi::Str s;
    Place(s, u"${X}$", {10, 40}, {12, 0}, 60, 24);
    StartPage();
    EXPECT_TRUE(Text(font, s));
    const Records records = SendPage();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0],
              TextObject(DCLD_FONT_TEXT, 10, 10, 16, {10, 16, 70, 40}, 12, 24, 1, "${X}$"));
  }
}

TEST_F(TextOutTest, BarcodeDataCollectedAcrossTwoCallsIsOneObjectAtTheFirstPosition) {
  EnableWith(priv::kBarcodeCollectFlag, {1, 0});
  gdi::Font font;
  Realise(font, 5, 1);
  gdi::Str s;
  StartPage();
  Place(s, u"B{1234", {20, 300}, {2, 0}, 12, 100);
  EXPECT_TRUE(Text(font, s));
  Place(s, u"5678}B", {200, 300}, {2, 0}, 12, 100);
  EXPECT_TRUE(Text(font, s));
  // Outside a collection, a bar code of blanks is nothing.
  Place(s, u"   ", {20, 500}, {2, 0}, 6, 100);
  EXPECT_TRUE(Text(font, s));
  EXPECT_TRUE(PageIsWhite());
  const Records records = SendPage();
  ASSERT_EQ(records.size(), 1u);
  // Placed where the first piece began, sized by the call that closed it.
  EXPECT_EQ(records[0],
            TextObject(DCLD_BARCODE_TEXT, 2, 20, 200, {200, 200, 212, 300}, 98, 98, 1, "12345678"));
}

TEST_F(TextOutTest, TextInAnOrdinaryFontIsDrawnByTheEngineAtAnySize) {
  struct Case {
    const char* name;
    float scale;
  };
  // The second is so small that its point size is 0: it is still drawn, not lost.
  for (const Case& c : {Case{"readable", 1}, Case{"tiny", 0.02f}}) {
    SCOPED_TRACE(c.name);
    gdi::Font font;
    Realise(font, 0, c.scale, u"Other Font");
    gdi::Str s;
    Place(s, u"Hi", {10, 40}, {12, 0}, 24, 24, true);
    StartPage();
    EXPECT_TRUE(Text(font, s));
    EXPECT_TRUE(Black(10, 37));
    EXPECT_TRUE(Black(22, 37));
    const Records records = SendPage();
    ASSERT_EQ(records.size(), 2u);  // the bitmap, no object
    EXPECT_EQ(records[0].first, DCLD_BITMAP_HEADER);
  }
}

TEST_F(TextOutTest, APrinterFontTooSmallForAPointIsNeitherQueuedNorDrawn) {
  gdi::Font font;
  Realise(font, 1, 0.02f);
  gdi::Str s;
  Place(s, u"Hi", {10, 40}, {12, 0}, 24, 24, true);
  StartPage();
  EXPECT_TRUE(Text(font, s));
  EXPECT_TRUE(PageIsWhite());
  EXPECT_TRUE(SendPage().empty());
}

TEST_F(TextOutTest, TheEngineDrawsTheTextWithItsRawCommandsBlanked) {
  // The string object holds its glyphs, or hands them out only through enumeration:
  // either way the raw command's glyphs are left out.
  for (const bool enumerated : {false, true}) {
    SCOPED_TRACE(enumerated ? "glyphs by enumeration" : "glyphs in the string object");
    gdi::Font font;
    Realise(font, 0, 1, u"Other Font");
    gdi::Str s;
    Place(s, u"${CMD}$AB", {10, 40}, {12, 0}, 108, 24, true);
    if (enumerated) s.pgp = nullptr;
    StartPage();
    EXPECT_TRUE(Text(font, s));
    for (LONG i = 0; i < 7; ++i) EXPECT_FALSE(Black(10 + 12 * i, 37)) << i;
    EXPECT_TRUE(Black(10 + 12 * 7, 37));
    EXPECT_TRUE(Black(10 + 12 * 8, 37));
    EXPECT_EQ(s.text, u"       AB");  // the string object holds what was drawn
    EXPECT_EQ(s.pgp, enumerated ? nullptr : s.positions.data());  // its glyphs given back
    for (const GLYPHPOS& g : s.positions) EXPECT_EQ(g.pgdf, &glyph.def);
    const Records records = SendPage();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2], Raw("CMD"));
  }
}

TEST_F(TextOutTest, BlankedGlyphsLineUpWithCharactersOfSeveralBytes) {
  // A printer face whose code page is UTF-8: the text's bytes outnumber its glyphs.
  // Text the face does not take (a letter among digits) goes to the engine without
  // the raw command's glyphs, whichever way the glyphs come.
  testing::UfmFields digits;
  digits.family = u"Digits TT";
  digits.unitsPerEm = 2048;
  digits.aveCharWidth = 1100;
  digits.maxCharInc = 1200;
  digits.codePage = CP_UTF8;
  SetValue(u"UFM:DIGITS.UFM", testing::UfmImage(digits));
  Enable();
  for (const bool enumerated : {false, true}) {
    SCOPED_TRACE(enumerated ? "glyphs by enumeration" : "glyphs in the string object");
    gdi::Font font;
    Realise(font, 4, 28.0f / 2048);
    gdi::Str s;
    Place(s, u"${\u00E9}$\u00FC1", {10, 40}, {14, 0}, 98, 30, true);
    if (enumerated) s.pgp = nullptr;
    StartPage();
    EXPECT_TRUE(Text(font, s));
    for (LONG i = 0; i < 5; ++i) EXPECT_FALSE(Black(10 + 14 * i, 37)) << i;
    EXPECT_TRUE(Black(10 + 14 * 5, 37));
    EXPECT_TRUE(Black(10 + 14 * 6, 37));
    EXPECT_EQ(s.text, u"     \u00FC1");
    const Records records = SendPage();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2], Raw("\xC3\xA9"));  // the command in the face's code page
  }
}

// A clip a complex region of `rects`; none: trivial.
gdi::Clip ClipOf(std::optional<std::vector<RECTL>> rects) {
  gdi::Clip clip;
  if (rects) clip.SetRects(std::move(*rects));
  return clip;
}

TEST_F(TextOutTest, TheClipDecidesBetweenObjectEngineAndNothing) {
  enum Outcome { kQueued, kDrawn, kNothing };
  struct Case {
    const char* name;
    ULONG face;   // 1 a printer font, 5 a bar code
    bool images;  // whether the engine holds images of the glyphs
    std::optional<std::vector<RECTL>> clip;
    Outcome want;
  };
  // "Hi" at (10, 40): its box is (10, 16) - (34, 40), its glyphs' ink at x 10 and 22.
  const Case cases[] = {
      {"trivial clip", 1, true, std::nullopt, kQueued},
      {"a rectangle around the box", 1, true, std::vector<RECTL>{{0, 0, 300, 300}}, kQueued},
      {"a rectangle that is the box", 1, true, std::vector<RECTL>{{10, 16, 34, 40}}, kQueued},
      {"one rectangle of several holds it", 1, true,
       std::vector<RECTL>{{0, 0, 5, 5}, {0, 10, 300, 50}}, kQueued},
      {"a rectangle elsewhere", 1, true, std::vector<RECTL>{{200, 200, 300, 300}}, kNothing},
      {"just beyond the box's right edge", 1, true, std::vector<RECTL>{{34, 0, 300, 300}},
       kNothing},
      {"an empty clip", 1, true, std::vector<RECTL>{}, kNothing},
      {"one column short", 1, true, std::vector<RECTL>{{10, 16, 33, 40}}, kDrawn},
      {"cut after the first glyph", 1, true, std::vector<RECTL>{{0, 0, 20, 300}}, kDrawn},
      {"spread over two rectangles", 1, true,
       std::vector<RECTL>{{0, 0, 22, 300}, {22, 0, 300, 300}}, kDrawn},
      // The engine has nothing to draw a printer face with: the text goes whole.
      {"cut, no glyph images", 1, false, std::vector<RECTL>{{0, 0, 20, 300}}, kQueued},
      {"elsewhere, no glyph images", 1, false, std::vector<RECTL>{{200, 200, 300, 300}}, kNothing},
      // A bar code is never cut.
      {"bar code cut", 5, true, std::vector<RECTL>{{0, 0, 20, 300}}, kQueued},
      {"bar code elsewhere", 5, true, std::vector<RECTL>{{200, 200, 300, 300}}, kNothing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gdi::Font font;
    Realise(font, c.face, 1);
    gdi::Str s;
    Place(s, u"Hi", {10, 40}, {12, 0}, 24, 24, c.images);
    gdi::Clip clip = ClipOf(c.clip);
    StartPage();
    EXPECT_TRUE(Text(font, s, &clip));
    const bool firstInk = Black(10, 37), secondInk = Black(22, 37);
    const Records records = SendPage();
    switch (c.want) {
      case kQueued:
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].first, c.face == 5 ? DCLD_BARCODE_TEXT : DCLD_FONT_TEXT);
        EXPECT_FALSE(firstInk || secondInk);
        break;
      case kDrawn: {
        ASSERT_EQ(records.size(), 2u);  // the bitmap, no object
        EXPECT_EQ(records[0].first, DCLD_BITMAP_HEADER);
        // Drawn where the clip shows it, and only there.
        bool shown[2];
        for (int g = 0; g < 2; ++g) {
          const LONG x = 10 + 12 * g;
          shown[g] = std::any_of(c.clip->begin(), c.clip->end(), [x](const RECTL& r) {
            return r.left <= x && x < r.right && r.top <= 37 && 37 < r.bottom;
          });
        }
        EXPECT_EQ(firstInk, shown[0]);
        EXPECT_EQ(secondInk, shown[1]);
        break;
      }
      case kNothing: EXPECT_TRUE(records.empty()); break;
    }
  }
}

TEST_F(TextOutTest, CollectedBarCodeDataIsClippedWhereTheBarCodeGoes) {
  EnableWith(priv::kBarcodeCollectFlag, {1, 0});
  // The bar code stands where its first piece began: a clip around that place keeps
  // it, whatever the clip of the closing call's own box; a clip away from it drops it.
  struct Case {
    const char* name;
    RECTL clip;
    std::size_t objects;
  };
  const Case cases[] = {
      {"around the first piece", {0, 150, 100, 350}, 1},
      {"around the closing piece only", {190, 150, 300, 350}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gdi::Font font;
    Realise(font, 5, 1);
    gdi::Str s;
    gdi::Clip clip = ClipOf(std::vector<RECTL>{c.clip});
    StartPage();
    Place(s, u"B{1234", {20, 300}, {2, 0}, 12, 100);
    EXPECT_TRUE(Text(font, s, &clip));
    Place(s, u"5678}B", {200, 300}, {2, 0}, 12, 100);
    EXPECT_TRUE(Text(font, s, &clip));
    const Records records = SendPage();
    ASSERT_EQ(records.size(), c.objects);
    if (c.objects == 1) {
      EXPECT_EQ(records[0], TextObject(DCLD_BARCODE_TEXT, 2, 20, 200, {200, 200, 212, 300}, 98, 98,
                                       1, "12345678"));
    }
  }
}

TEST_F(TextOutTest, AnObjectTheQueueCannotTakeIsDrawnOrTheCallFails) {
  EnableWith(priv::kBarcodeCollectFlag, {1, 0});
  struct Case {
    const char* name;
    ULONG face;
    bool images;
    std::vector<std::u16string> calls;  // the last one's result is checked
    bool drawn;                         // else the call fails with no memory
  };
  const Case cases[] = {
      {"printer text the engine can draw", 1, true, {u"Hi"}, true},
      {"printer text the engine cannot draw", 1, false, {u"Hi"}, false},
      // The engine holds no image of the printer's bar codes.
      {"a bar code", 5, false, {u"12345"}, false},
      {"a bar code collected across two calls", 5, false, {u"B{123", u"45}B"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gdi::Font font;
    Realise(font, c.face, 1);
    gdi::Str s;
    StartPage();
    device->LimitQueueForTest(0);
    BOOL result = TRUE;
    for (const std::u16string& text : c.calls) {
      Place(s, text, {10, 40}, {12, 0}, 24, 24, c.images);
      SetLastError(0);
      result = Text(font, s);
    }
    EXPECT_EQ(result, c.drawn ? TRUE : FALSE);
    if (!c.drawn) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }
    EXPECT_EQ(Black(10, 37), c.drawn);
    device->LimitQueueForTest(std::numeric_limits<std::size_t>::max());
    const Records records = SendPage();
    EXPECT_EQ(records.size(), c.drawn ? 2u : 0u);  // the drawn page, no object
  }
}

TEST_F(TextOutTest, RefusesMissingObjectsAndAcceptsEmptyText) {
  gdi::Font font;
  Realise(font, 1, 1);
  gdi::Str s;
  Place(s, u"", {10, 40}, {12, 0}, 0, 24);
  BRUSHOBJ fore{0, nullptr, 0};
  SetLastError(0);
  EXPECT_FALSE(DeviceTextOut(*device, so, nullptr, &font, nullptr, nullptr, nullptr, &fore, nullptr,
                             nullptr, R2_COPYPEN));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(DeviceTextOut(*device, so, &s, nullptr, nullptr, nullptr, nullptr, &fore, nullptr,
                             nullptr, R2_COPYPEN));
  EXPECT_FALSE(DeviceTextOut(*device, nullptr, &s, &font, nullptr, nullptr, nullptr, &fore, nullptr,
                             nullptr, R2_COPYPEN));
  StartPage();
  EXPECT_TRUE(Text(font, s));
  EXPECT_TRUE(SendPage().empty());
}

TEST(TextDelimiters, AnUnterminatedOrEmptyDelimiterMakesThePairUnusable) {
  struct Case {
    std::string start, end;  // five bytes each
    bool usable;
  };
  const Case cases[] = {
      {std::string("${\0\0\0", 5), std::string("}$\0\0\0", 5), true},
      {std::string("ABCD\0", 5), std::string("}$\0\0\0", 5), true},
      {"${${$", std::string("}$\0\0\0", 5), false},
      {std::string("${\0\0\0", 5), "}$}$}", false},
      {std::string(5, '\0'), std::string("}$\0\0\0", 5), false},
      {std::string("${\0\0\0", 5), std::string(5, '\0'), false},
  };
  for (const Case& c : cases) {
    DriverDevmode dm;
    dm.priv.assign(kPrivateFixedSize, 0);
    std::copy(c.start.begin(), c.start.end(), dm.priv.begin() + priv::kRawStart);
    std::copy(c.end.begin(), c.end.end(), dm.priv.begin() + priv::kRawEnd);
    const Delimiters d = DelimitersOf(dm, priv::kRawStart, priv::kRawEnd);
    EXPECT_EQ(d.usable, c.usable) << c.start;
    // Text with an unusable pair is left as it is: no search, no command.
    TextState state;
    std::vector<QueuedObject> queue;
    std::string text = c.start.substr(0, c.start.find('\0')) + "X" + c.end.substr(0, 2);
    const std::string before = text;
    EXPECT_EQ(ExtractRawCommands(state, queue, d, text), !c.usable);  // a command: only blanks
    EXPECT_EQ(queue.empty(), !c.usable);
    if (!c.usable) {
      EXPECT_EQ(text, before);
    }
  }
  DriverDevmode shortPart;  // a private part too short for its delimiters
  EXPECT_FALSE(DelimitersOf(shortPart, priv::kRawStart, priv::kRawEnd).usable);
}

TEST(TextDirection, TheSecondGlyphDecides) {
  struct Case {
    std::vector<POINTL> at;
    DWORD want;
  };
  const Case cases[] = {
      {{}, 0},
      {{{5, 5}}, 0},
      {{{5, 5}, {9, 5}}, 1},
      {{{5, 5}, {5, 5}}, 1},
      {{{5, 5}, {1, 5}}, 4},
      {{{5, 5}, {5, 9}}, 8},
      {{{5, 5}, {5, 1}}, 2},
      {{{5, 5}, {6, 6}}, 0},
      {{{5, 5}, {9, 5}, {9, 9}}, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DirectionOf(c.at.data(), static_cast<ULONG>(c.at.size())), c.want) << c.at.size();
}

}  // namespace
}  // namespace trv::driver
