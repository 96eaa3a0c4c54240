// The device fonts: blocks built from metrics images, laid out and scaled; damaged
// images refused without a read outside them; the list of faces and what GDI asks
// about them.
#include "driver/device_fonts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "driver/font_queries.h"
#include "driver/tests/font_values.h"
#include "platform/gdi/objects.h"
#include "platform/kernel.h"
#include "platform/winerror.h"

namespace trv::driver {
namespace {

using testing::Bytes;
using testing::UfmFields;
using testing::UfmImage;

Bytes Info(DWORD flags, DWORD multiplierX = 1, DWORD multiplierY = 1,
           const std::string& face = "Printer Face") {
  testing::FontEntryFields fields;
  fields.face = face;
  fields.metrics = "FACE.UFM";
  fields.flags = flags;
  fields.multiplierX = multiplierX;
  fields.multiplierY = multiplierY;
  const Bytes record = testing::TextFontRecord(fields);
  return Bytes(record.begin() + 32, record.end());
}

DWORD U32(std::span<const BYTE> b, std::size_t at) {
  DWORD v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

std::u16string StringAt(const IFIMETRICS& m, PTRDIFF at) {
  const auto* p = reinterpret_cast<const char16_t*>(reinterpret_cast<const BYTE*>(&m) + at);
  return std::u16string(p);
}

std::unique_ptr<DeviceFontBlock> BuildOk(const Bytes& image, const Bytes& info,
                                         LONG magnification = 1) {
  std::unique_ptr<DeviceFontBlock> block;
  EXPECT_EQ(DeviceFontBlock::Build(image, info.data(), magnification, 203, 203, block),
            static_cast<DWORD>(ERROR_SUCCESS));
  return block;
}

TEST(DeviceFontBlock, IsLaidOutAsAMetricsImageWithThePrintersNameForTheFont) {
  UfmFields fields;  // family "Image Family", style "Regular", unique name
  const auto block = BuildOk(UfmImage(fields), Info(0));
  ASSERT_TRUE(block);
  const auto bytes = block->bytes();
  const IFIMETRICS& m = block->ifi();
  const std::size_t ifiAt =
      (44 + alignof(IFIMETRICS) - 1) / alignof(IFIMETRICS) * alignof(IFIMETRICS);
  const std::size_t strings = (sizeof(IFIMETRICS) + 3) & ~std::size_t{3};
  // "Printer Face" (12 characters) takes 28 bytes with its terminator, "Regular" 16,
  // the unique name "Image Family" 28.
  EXPECT_EQ(U32(bytes, 0), bytes.size());
  EXPECT_EQ(U32(bytes, 8), 1252u);
  EXPECT_EQ(U32(bytes, 20), ifiAt);
  EXPECT_EQ(U32(bytes, 24), 0u);
  EXPECT_EQ(U32(bytes, 28), 0u);
  EXPECT_EQ(U32(bytes, 32), 0u);
  for (std::size_t at : {4, 12, 16, 36, 40}) EXPECT_EQ(U32(bytes, at), 0u) << at;
  EXPECT_EQ(reinterpret_cast<const BYTE*>(&m), bytes.data() + ifiAt);
  EXPECT_EQ(m.dpwszFamilyName, static_cast<PTRDIFF>(strings));
  EXPECT_EQ(m.dpwszFaceName, static_cast<PTRDIFF>(strings + 28));
  EXPECT_EQ(m.dpwszStyleName, static_cast<PTRDIFF>(strings + 56));
  EXPECT_EQ(m.dpwszUniqueName, static_cast<PTRDIFF>(strings + 72));
  EXPECT_EQ(m.cjThis, strings + 100);
  EXPECT_EQ(m.cjIfiExtra, 0u);
  EXPECT_EQ(m.dpFontSim, 0);
  EXPECT_EQ(bytes.size(), ifiAt + m.cjThis);
  EXPECT_EQ(StringAt(m, m.dpwszFamilyName), u"Printer Face");
  EXPECT_EQ(StringAt(m, m.dpwszFaceName), u"Printer Face");
  EXPECT_EQ(StringAt(m, m.dpwszStyleName), u"Regular");
  EXPECT_EQ(StringAt(m, m.dpwszUniqueName), u"Image Family");
  EXPECT_EQ(m.fwdUnitsPerEm, 24);
  EXPECT_EQ(m.fwdAveCharWidth, 12);
  EXPECT_EQ(m.jWinPitchAndFamily, 0x31);
  EXPECT_EQ(m.rclFontBox.top, 20);
  EXPECT_EQ(m.rclFontBox.bottom, -4);
  EXPECT_EQ(m.chFirstChar, 0x20);
  EXPECT_EQ(m.chLastChar, 0xFF);
  EXPECT_EQ(m.ptlAspect.x, 203);
  EXPECT_EQ(m.ptlAspect.y, 203);
  EXPECT_EQ(block->family(), u"Printer Face");
  EXPECT_EQ(block->emHeight(), 851);  // 24 dots at 203 dpi: 8.51 points
}

TEST(DeviceFontBlock, WithoutStyleOrUniqueNameTheyAreTheEmptyStringEndingTheFamily) {
  UfmFields fields;
  fields.style.clear();
  fields.uniqueName = false;
  fields.extTextMetrics = true;
  fields.boldSimulation = true;
  fields.widths = {10, 11, 12};
  fields.kerning = {{'A', 'V', -3}};
  fields.codePage = 0xFFFF;
  const auto block = BuildOk(UfmImage(fields), Info(0));
  ASSERT_TRUE(block);
  const auto bytes = block->bytes();
  const IFIMETRICS& m = block->ifi();
  EXPECT_EQ(U32(bytes, 8), 0u);  // 0xFFFF: the default code page
  EXPECT_EQ(m.dpwszStyleName, m.dpwszFamilyName + 24);
  EXPECT_EQ(m.dpwszUniqueName, m.dpwszStyleName);
  EXPECT_EQ(StringAt(m, m.dpwszStyleName), u"");
  // The bold simulation follows the strings; its FONTDIFF right after the FONTSIM.
  ASSERT_NE(m.dpFontSim, 0);
  EXPECT_EQ(m.dpFontSim % static_cast<PTRDIFF>(alignof(FONTSIM)), 0);
  const auto* sim =
      reinterpret_cast<const FONTSIM*>(reinterpret_cast<const BYTE*>(&m) + m.dpFontSim);
  EXPECT_EQ(sim->dpBold, static_cast<PTRDIFF>(sizeof(FONTSIM)));
  EXPECT_EQ(sim->dpItalic, 0);
  EXPECT_EQ(sim->dpBoldItalic, 0);
  const auto* bold =
      reinterpret_cast<const FONTDIFF*>(reinterpret_cast<const BYTE*>(sim) + sim->dpBold);
  EXPECT_EQ(bold->usWinWeight, 700);
  EXPECT_EQ(bold->fwdAveCharWidth, 13);
  EXPECT_EQ(static_cast<std::size_t>(m.dpFontSim) + sizeof(FONTSIM) + 20, m.cjThis);
  // Then the EXTTEXTMETRIC, the width table and the kerning pairs, in that order.
  const std::size_t etm = U32(bytes, 24), widths = U32(bytes, 28), kerning = U32(bytes, 32);
  EXPECT_EQ(etm, U32(bytes, 20) + m.cjThis);
  EXPECT_EQ(widths, etm + 52);
  // Its size: the run's width offset + 2 x (first glyph + count) = 16 + 2 x 4.
  EXPECT_EQ(U32(bytes, widths), 24u);
  EXPECT_EQ(kerning, widths + 24);
  EXPECT_EQ(U32(bytes, kerning), 14u);
  EXPECT_EQ(U32(bytes, kerning + 4), 1u);
  EXPECT_EQ(bytes.size(), kerning + 16);
  EXPECT_EQ(block->GlyphWidth(0), 10);
  EXPECT_EQ(block->GlyphWidth(2), 12);
  EXPECT_EQ(block->GlyphWidth(3), 12);  // beyond the run: the average width
  ASSERT_EQ(block->kerningPairs().size(), 1u);
  EXPECT_EQ(block->kerningPairs()[0].fwdKern, -3);
}

TEST(DeviceFontBlock, ScalesAsTheFontsFlagsSayAndSaturatesInsteadOfWrapping) {
  struct Case {
    const char* name;
    SHORT unitsPerEm, ascender;
    DWORD flags, multiplierX, multiplierY;
    LONG magnification;
    SHORT wantEm, wantAscender;
    LONG wantTop, wantBottom;
    SHORT wantAverage;
    WORD wantWidth;
    SHORT wantKern;
  };
  const Case cases[] = {
      {"as stored", 24, 20, 0, 1, 1, 1, 24, 20, 20, -4, 12, 11, -3},
      {"em from the font entry", 24, 20, 0x800, 1, 48, 1, 48, 40, 40, -8, 12, 11, -3},
      {"second magnification", 24, 20, 0x200, 1, 1, 2, 48, 40, 40, -8, 12, 11, -3},
      {"magnification without its flag", 24, 20, 0, 1, 1, 3, 24, 20, 20, -4, 12, 11, -3},
      {"horizontal multiplier", 24, 20, 0x100, 3, 1, 1, 24, 20, 20, -4, 36, 33, -9},
      {"multiplier of one", 24, 20, 0x100, 1, 1, 1, 24, 20, 20, -4, 12, 11, -3},
      {"em held at 16 bits", 20000, 20000, 0x200, 1, 1, 2, 32767, 32767, 40, -8, 12, 11, -3},
      {"em of no units is not rescaled", 0, 20, 0x800, 1, 48, 1, 0, 20, 20, -4, 12, 11, -3},
      {"widths held at 16 bits", 24, 20, 0x100, 70000, 1, 1, 24, 20, 20, -4, 32767, 65535, -32768},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UfmFields fields;
    fields.unitsPerEm = c.unitsPerEm;
    fields.winAscender = c.ascender;
    fields.widths = {11};
    fields.kerning = {{'A', 'V', -3}};
    const auto block =
        BuildOk(UfmImage(fields), Info(c.flags, c.multiplierX, c.multiplierY), c.magnification);
    ASSERT_TRUE(block);
    const IFIMETRICS& m = block->ifi();
    EXPECT_EQ(m.fwdUnitsPerEm, c.wantEm);
    EXPECT_EQ(m.fwdWinAscender, c.wantAscender);
    EXPECT_EQ(m.rclFontBox.top, c.wantTop);
    EXPECT_EQ(m.rclFontBox.bottom, c.wantBottom);
    EXPECT_EQ(m.fwdAveCharWidth, c.wantAverage);
    EXPECT_EQ(block->GlyphWidth(0), c.wantWidth);
    EXPECT_EQ(block->kerningPairs()[0].fwdKern, c.wantKern);
  }
}

// An image with every part: strings, a simulation, EXTTEXTMETRIC, widths, kerning.
Bytes FullImage() {
  UfmFields fields;
  fields.extTextMetrics = true;
  fields.boldSimulation = true;
  fields.widths = {10, 11, 12, 13};
  fields.kerning = {{'A', 'V', -3}, {'T', 'o', -2}};
  return UfmImage(fields);
}

TEST(DeviceFontBlock, EveryCutOfAnImageIsRefused) {
  const Bytes image = FullImage();
  const Bytes info = Info(0x100, 2);
  ASSERT_TRUE(BuildOk(image, info));
  for (std::size_t n = 0; n < image.size(); ++n) {
    const Bytes cut(image.begin(), image.begin() + static_cast<long>(n));  // exactly n bytes
    std::unique_ptr<DeviceFontBlock> block;
    EXPECT_EQ(DeviceFontBlock::Build(cut, info.data(), 1, 203, 203, block),
              static_cast<DWORD>(ERROR_BAD_FORMAT))
        << n;
    EXPECT_FALSE(block);
  }
}

TEST(DeviceFontBlock, CorruptedOffsetsAndCountsAreRefused) {
  const Bytes image = FullImage();
  const DWORD size = static_cast<DWORD>(image.size());
  const std::size_t ifi = testing::kUfmIfiAt;
  const DWORD cjThis = U32(image, ifi);
  const DWORD widths = U32(image, 28), kerning = U32(image, 32);
  const DWORD sim = U32(image, ifi + 24);
  struct Case {
    const char* name;
    std::size_t at;
    DWORD value;
  };
  const Case cases[] = {
      {"total size beyond the image", 0, size + 1},
      {"total size below the header", 0, 43},
      {"no IFIMETRICS", 20, 0},
      {"IFIMETRICS past the end", 20, size - 100},
      {"IFIMETRICS offset wrapping", 20, 0xFFFFFFF0},
      {"cjThis short of the structure", ifi, 183},
      {"cjThis past the end", ifi, size},
      {"cjThis wrapping", ifi, 0xFFFFFFFF},
      {"style name odd", ifi + 12, 185},
      {"style name past cjThis", ifi + 12, cjThis},
      {"unique name inside the structure", ifi + 20, 100},
      {"simulations past cjThis", ifi + 24, cjThis - 4},
      {"bold difference past cjThis", ifi + sim, cjThis},
      {"EXTTEXTMETRIC past the end", 24, size - 10},
      {"width table past the end", 28, size - 4},
      {"width table size past the end", widths, size},
      {"width table size below its header", widths, 4},
      {"width runs beyond the table", widths + 4, 0x20000000},
      {"run widths beyond the table", widths + 12, 0xFFFFFFF0},
      {"run glyph count beyond the table", widths + 10, 0xFFFF0001},
      {"kerning past the end", 32, size - 2},
      {"kerning size past the end", kerning, 0xFFFFFFFF},
      {"kerning count beyond its size", kerning + 4, 3},
      {"kerning count wrapping", kerning + 4, 0xAAAAAAAB},
  };
  const Bytes info = Info(0x100, 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bad = image;
    testing::PutU32(bad, c.at, c.value);
    std::unique_ptr<DeviceFontBlock> block;
    EXPECT_EQ(DeviceFontBlock::Build(bad, info.data(), 2, 203, 203, block),
              static_cast<DWORD>(ERROR_BAD_FORMAT));
    EXPECT_FALSE(block);
  }
  // An unterminated style name: its last character runs to the end of cjThis.
  UfmFields fields;
  fields.uniqueName = false;
  Bytes open = UfmImage(fields);
  for (std::size_t at = ifi + U32(open, ifi + 12); at < ifi + U32(open, ifi); ++at) open[at] = 'x';
  std::unique_ptr<DeviceFontBlock> block;
  EXPECT_EQ(DeviceFontBlock::Build(open, info.data(), 1, 203, 203, block),
            static_cast<DWORD>(ERROR_BAD_FORMAT));
}

TEST(DeviceFontBlock, FontInfoNamesAreReadNoFurtherThanTheirFields) {
  Bytes info = Info(0);
  std::fill(info.begin(), info.begin() + 48, 'F');  // no terminator in the face name
  std::fill(info.begin() + 64, info.begin() + 80, 'M');
  EXPECT_EQ(FontInfoFaceName(info.data()), std::string(48, 'F'));
  EXPECT_EQ(FontInfoMetricsName(info.data()), std::string(16, 'M'));
}

// ---- the list ---------------------------------------------------------------------

using Images = std::map<std::u16string, Bytes>;

std::optional<std::vector<BYTE>> Lookup(void* context, std::u16string_view name) {
  auto& images = *static_cast<Images*>(context);
  auto it = images.find(std::u16string(name));
  if (it == images.end()) return std::nullopt;
  return it->second;
}

Images SampleImages() {
  Images images;
  for (const auto& f : testing::SampleFontImages()) images[f.valueName] = f.image;
  return images;
}

EntryList List(const Bytes& value, DWORD recordSize) {
  auto list = EntryList::Parse(value, recordSize, 0);
  EXPECT_TRUE(list);
  return *list;
}

TEST(DeviceFontList, OffersEachMagnificationAndEachBarcodeInOrder) {
  Images images = SampleImages();
  DeviceFontList list;
  ASSERT_EQ(list.Build(Lookup, &images, List(testing::SampleFontsValue(), 136),
                       List(testing::SampleBarcodesValue(), 128), 203, 203),
            static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(list.count(), 6u);
  const std::u16string families[] = {u"CPCL Font 0", u"CPCL Font 4",   u"CPCL Font 4",
                                     u"Digits TT",   u"CPCL Code 128", u"CPCL EAN-13"};
  const SHORT ems[] = {24, 47, 94, 2048, 100, 100};
  for (ULONG k = 1; k <= 6; ++k) {
    SCOPED_TRACE(k);
    ASSERT_NE(list.face(k), nullptr);
    EXPECT_EQ(list.face(k)->family(), families[k - 1]);
    EXPECT_EQ(list.face(k)->ifi().fwdUnitsPerEm, ems[k - 1]);
  }
  EXPECT_EQ(list.face(0), nullptr);
  EXPECT_EQ(list.face(7), nullptr);
  EXPECT_EQ(list.FindFamily(u"CPCL Font 4"), list.face(2));
  EXPECT_EQ(list.FindFamily(u"Hidden Font"), nullptr);
}

TEST(DeviceFontList, TheStoredCountOfMagnificationsIsHeldToWhatAPrinterCanDo) {
  const std::pair<LONG, ULONG> cases[] = {{0, 1},   {-5, 1},    {3, 3},
                                          {16, 16}, {1000, 16}, {static_cast<LONG>(0x80000000), 1}};
  Images images = SampleImages();
  for (auto [stored, faces] : cases) {
    SCOPED_TRACE(stored);
    testing::FontEntryFields fields{14, "CPCL Font 4", "CPF40.UFM", 0x200, -1, 0x17, 7, 1,
                                    1,  stored};
    DeviceFontList list;
    ASSERT_EQ(list.Build(Lookup, &images,
                         List(testing::EntryListValue({testing::TextFontRecord(fields)}, {}), 136),
                         List(testing::EntryListValue({}, {}), 128), 203, 203),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(list.count(), faces);
  }
}

TEST(DeviceFontList, MissingOrDamagedMetricsFailTheWholeList) {
  const EntryList fonts = List(testing::SampleFontsValue(), 136);
  const EntryList barcodes = List(testing::SampleBarcodesValue(), 128);
  struct Case {
    const char* name;
    std::u16string value;
    std::optional<Bytes> image;
    DWORD error;
  };
  Bytes damaged = SampleImages()[u"UFM:CPB128.UFM"];
  testing::PutU32(damaged, 20, 0);
  const Case cases[] = {
      {"missing", u"UFM:CPBEAN13.UFM", std::nullopt, ERROR_FILE_NOT_FOUND},
      {"empty", u"UFM:CPF40.UFM", Bytes{}, ERROR_FILE_NOT_FOUND},
      {"without IFIMETRICS", u"UFM:CPB128.UFM", damaged, ERROR_BAD_FORMAT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Images images = SampleImages();
    if (c.image)
      images[c.value] = *c.image;
    else
      images.erase(c.value);
    DeviceFontList list;
    EXPECT_EQ(list.Build(Lookup, &images, fonts, barcodes, 203, 203), c.error);
    EXPECT_EQ(list.count(), 0u);
  }
}

TEST(DeviceFontList, AFaceOfNoHeightIsNotOffered) {
  Images images = SampleImages();
  UfmFields flat;
  flat.unitsPerEm = 0;
  images[u"UFM:CPF00.UFM"] = UfmImage(flat);
  DeviceFontList list;
  ASSERT_EQ(list.Build(Lookup, &images, List(testing::SampleFontsValue(), 136),
                       List(testing::SampleBarcodesValue(), 128), 203, 203),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(list.count(), 5u);
  EXPECT_EQ(list.face(1)->family(), u"CPCL Font 4");
}

TEST(DeviceFontList, CutOrCorruptedListsAreRefusedOrReadWithinTheirRecords) {
  Images images = SampleImages();
  const EntryList barcodes = List(testing::SampleBarcodesValue(), 128);
  const Bytes fonts = testing::SampleFontsValue();
  for (std::size_t n = 0; n < fonts.size(); ++n) {
    const Bytes cut(fonts.begin(), fonts.begin() + static_cast<long>(n));
    // A cut list is refused as a list; one that still reads as a list is built
    // from records that lie inside it.
    auto list = EntryList::Parse(cut, 136, 0);
    if (!list) continue;
    DeviceFontList built;
    const DWORD error = built.Build(Lookup, &images, *list, barcodes, 203, 203);
    EXPECT_TRUE(error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND) << n;
  }
  // Names that fill their fields without a terminator are read to the field's end
  // and match no metrics.
  Bytes open = fonts;
  std::fill(open.begin() + 32, open.begin() + 32 + 48, 'F');
  std::fill(open.begin() + 32 + 64, open.begin() + 32 + 80, 'M');
  DeviceFontList built;
  EXPECT_EQ(built.Build(Lookup, &images, List(open, 136), barcodes, 203, 203),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  images[u"UFM:" + std::u16string(16, u'M')] = images[u"UFM:CPF00.UFM"];
  ASSERT_EQ(built.Build(Lookup, &images, List(open, 136), barcodes, 203, 203),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(built.face(1)->family(), std::u16string(48, u'F'));
}

// ---- what GDI asks ----------------------------------------------------------------

class FontQueries : public ::testing::Test {
 protected:
  void SetUp() override {
    images = SampleImages();
    ASSERT_EQ(list.Build(Lookup, &images, List(testing::SampleFontsValue(), 136),
                         List(testing::SampleBarcodesValue(), 128), 203, 203),
              static_cast<DWORD>(ERROR_SUCCESS));
  }
  // GDI's realisation of face k, scaled from font units to dots.
  void Realise(gdi::Font& font, ULONG face, float scaleX, float scaleY) {
    font.iFace = face;
    font.flFontType = FO_TYPE_DEVICE;
    font.xform.m = {scaleX, 0, 0, scaleY, 0, 0};
    const IFIMETRICS& m = list.face(face)->ifi();
    const auto* p = reinterpret_cast<const BYTE*>(&m);
    font.ifi.assign(p, p + m.cjThis);
  }
  Images images;
  DeviceFontList list;
};

TEST_F(FontQueries, FaceZeroIsTheCountAndOneBeyondItFails) {
  ULONG_PTR id = 0xDEADBEEF;
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(QueryFont(list, 0, &id)), 6u);
  EXPECT_EQ(id, 0u);
  id = 0xDEADBEEF;
  EXPECT_EQ(QueryFont(list, 6, &id), &list.face(6)->ifi());
  EXPECT_EQ(id, 0u);
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(QueryFont(list, 7, &id), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(FontQueries, GlyphSetsAndKerningPairsAreHandedOutAndFreed) {
  ULONG_PTR id = 0;
  auto* set = static_cast<FD_GLYPHSET*>(QueryFontTree(list, 6, QFT_GLYPHSET, &id));
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(id, kGlyphSetId);
  EXPECT_EQ(set->cGlyphsSupported, 10u);  // '0' to '9'
  ASSERT_EQ(set->cRuns, 1u);
  EXPECT_EQ(set->awcrun[0].wcLow, u'0');
  FreeFontTree(set, id);

  auto* pairs = static_cast<FD_KERNINGPAIR*>(QueryFontTree(list, 2, QFT_KERNPAIRS, &id));
  ASSERT_NE(pairs, nullptr);
  EXPECT_EQ(id, kKerningPairsId);
  EXPECT_EQ(pairs[0].wcFirst, u'A');
  EXPECT_EQ(pairs[0].wcSecond, u'V');
  EXPECT_EQ(pairs[0].fwdKern, -3);
  EXPECT_EQ(pairs[1].fwdKern, -2);
  EXPECT_EQ(pairs[2].wcFirst, 0);  // the zeroed pair that ends them
  EXPECT_EQ(pairs[2].wcSecond, 0);
  FreeFontTree(pairs, id);

  EXPECT_EQ(QueryFontTree(list, 1, QFT_KERNPAIRS, &id), nullptr);  // none
  SetLastError(0);
  EXPECT_EQ(QueryFontTree(list, 1, QFT_LIGATURES, &id), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(QueryFontTree(list, 7, QFT_GLYPHSET, &id), nullptr);
  FreeFontTree(nullptr, kGlyphSetId);  // nothing to free
}

TEST_F(FontQueries, AGlyphSetOfNoCharactersIsRefused) {
  UfmFields backwards;
  backwards.family = u"CPCL Font 0";
  backwards.firstChar = 0x40;
  backwards.lastChar = 0x3F;
  images[u"UFM:CPF00.UFM"] = UfmImage(backwards);
  ASSERT_EQ(list.Build(Lookup, &images, List(testing::SampleFontsValue(), 136),
                       List(testing::SampleBarcodesValue(), 128), 203, 203),
            static_cast<DWORD>(ERROR_SUCCESS));
  ULONG_PTR id = 0;
  SetLastError(0);
  EXPECT_EQ(QueryFontTree(list, 1, QFT_GLYPHSET, &id), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(FontQueries, GlyphMetricsFollowTheWidthTableAndTheTransform) {
  struct Case {
    float scale;
    HGLYPH glyph;
    FIX advance, inkTop, inkBottom;
    LONGLONG pixels;
  };
  // Face 2: "CPCL Font 4", widths 12 for the blank and 24 for the rest, box 40 / -7.
  const Case cases[] = {
      {1, 0, 12 * 16, 40 * 16, 7 * 16, 12},
      {1, 33, 24 * 16, 40 * 16, 7 * 16, 24},
      {2, 33, 48 * 16, 80 * 16, 14 * 16, 48},
      {0.5f, 33, 12 * 16, 20 * 16, 56, 12},     // 3.5 dots of descent: 56 is whole 3.5 * 16
      {1, 5000, 24 * 16, 40 * 16, 7 * 16, 24},  // beyond the table: the average
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.scale) + " " + std::to_string(c.glyph));
    gdi::Font font;
    Realise(font, 2, c.scale, c.scale);
    GLYPHDATA data;
    std::memset(&data, 0xCD, sizeof data);
    EXPECT_EQ(QueryFontData(list, &font, QFD_GLYPHANDBITMAP, c.glyph, &data, nullptr, 0), 0);
    EXPECT_EQ(data.hg, c.glyph);
    EXPECT_EQ(data.fxA, 0);
    EXPECT_EQ(data.fxD, c.advance);
    EXPECT_EQ(data.fxAB, c.advance);
    EXPECT_EQ(data.fxInkTop, c.inkTop);
    EXPECT_EQ(data.fxInkBottom, (c.inkBottom + 8) & ~15);
    EXPECT_EQ(data.ptqD.x.QuadPart, c.pixels << 32);
    EXPECT_EQ(data.ptqD.y.QuadPart, 0);
    EXPECT_EQ(data.gdf.pgb, nullptr);
  }
}

TEST_F(FontQueries, DeviceMetricsNeedTheirWholeBuffer) {
  gdi::Font font;
  Realise(font, 1, 1, 1);  // "CPCL Font 0": fixed pitch, 12 x 24
  EXPECT_EQ(QueryFontData(list, &font, QFD_MAXEXTENTS, 0, nullptr, nullptr, 0), 124);
  BYTE buffer[125];
  std::memset(buffer, 0xCD, sizeof buffer);
  SetLastError(0);
  EXPECT_EQ(QueryFontData(list, &font, QFD_MAXEXTENTS, 0, nullptr, buffer, 123), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(buffer[0], 0xCD);
  EXPECT_EQ(QueryFontData(list, &font, QFD_MAXEXTENTS, 0, nullptr, buffer, 124), 124);
  EXPECT_EQ(buffer[124], 0xCD);
  FD_DEVICEMETRICS d;
  std::memcpy(&d, buffer, sizeof d);
  EXPECT_EQ(d.flRealizedType, 0u);
  EXPECT_EQ(d.pteBase.x, 1.0f);
  EXPECT_EQ(d.pteBase.y, 0.0f);
  EXPECT_EQ(d.pteSide.x, 0.0f);
  EXPECT_EQ(d.pteSide.y, -1.0f);
  EXPECT_EQ(d.cxMax, 12u);
  EXPECT_EQ(d.lD, 12);  // fixed pitch
  EXPECT_EQ(d.fxMaxAscender, 20 * 16);
  EXPECT_EQ(d.fxMaxDescender, 4 * 16);
  EXPECT_EQ(d.ptlUnderline1.y, 2);
  EXPECT_EQ(d.ptlStrikeOut.y, -8);
  EXPECT_EQ(d.ptlULThickness.y, 1);
  EXPECT_EQ(d.ptlSOThickness.y, 1);
  // A variable-pitch face has no fixed advance.
  Realise(font, 2, 1, 1);
  ASSERT_EQ(QueryFontData(list, &font, QFD_MAXEXTENTS, 0, nullptr, &d, sizeof d), 124);
  EXPECT_EQ(d.lD, 0);
  EXPECT_EQ(d.cxMax, 24u);
  // Other modes, and a font that is not one of the device's.
  EXPECT_EQ(QueryFontData(list, &font, QFD_GLYPHANDOUTLINE, 0, nullptr, nullptr, 0), -1);
  font.iFace = 0;
  EXPECT_EQ(QueryFontData(list, &font, QFD_MAXEXTENTS, 0, nullptr, nullptr, 0), -1);
}

TEST(VectorLength, IsTheFloorOfTheRootAndHoldsLargeCoordinates) {
  EXPECT_EQ(VectorLength(3, 4), 5u);
  EXPECT_EQ(VectorLength(-3, -4), 5u);
  EXPECT_EQ(VectorLength(1, 1), 1u);
  EXPECT_EQ(VectorLength(0, 0), 0u);
  // 46341^2 overflows 32 bits; the sum of two such squares does not overflow here.
  EXPECT_EQ(VectorLength(46341, 46341), 65536u);
  EXPECT_EQ(VectorLength(0x7FFFFFFF, 0), 0x7FFFFFFFu);
  EXPECT_EQ(VectorLength(0x7FFFFFFF, 0x7FFFFFFF), 3037000498u);
}

}  // namespace
}  // namespace trv::driver
