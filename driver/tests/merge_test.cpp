#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "driver/devmode.h"
#include "driver/tests/printer_fixture.h"
#include "driver/tests/printer_values.h"
#include "platform/kernel.h"
#include "platform/winerror.h"

namespace trv::driver {
namespace {

using testing::Bytes;

PrinterSetup SampleSetup() {
  PrinterSetup setup;
  setup.model = {7, 203};
  setup.firstTray = 3;
  setup.papers = *PapersOf(*EntryList::Parse(testing::PapersValue(), kPaperRecordSize, 1));
  setup.docProps = testing::DocPropsValue(12, 1, 8);
  setup.devProps = testing::DevPropsValue(12);
  return setup;
}

// The application's devmode: the one the driver hands out, changed by the case.
struct AppDevmode {
  DEVMODEW pub;
  Bytes priv;
  Bytes bytes() const {
    Bytes out(sizeof pub);
    std::memcpy(out.data(), &pub, sizeof pub);
    out.resize(pub.dmSize);
    out.insert(out.end(), priv.begin(), priv.end());
    return out;
  }
};

struct MergeCase {
  const char* name;
  std::function<void(AppDevmode&)> change;
  std::function<void(const DriverDevmode& merged, const DriverDevmode& driver)> check;
};

void SamePrivatePart(const DriverDevmode& merged, const DriverDevmode& driver) {
  EXPECT_EQ(merged.priv, driver.priv);
}

void SetPrivU16(AppDevmode& a, std::size_t at, WORD v) { testing::PutU16(a.priv, at, v); }

const MergeCase kCases[] = {
    {"paper of a listed paper's height and width: that paper, landscape",
     [](AppDevmode& a) {
       a.pub.dmFields = DM_PAPERWIDTH | DM_PAPERLENGTH;
       a.pub.dmPaperWidth = 254;
       a.pub.dmPaperLength = 508;
     },
     [](const DriverDevmode& m, const DriverDevmode&) {
       EXPECT_EQ(m.pub.dmPaperSize, 11 + 256);
       EXPECT_EQ(m.pub.dmOrientation, 2);
       EXPECT_EQ(m.pub.dmPelsWidth, 199u);
       EXPECT_EQ(m.pub.dmPelsHeight, 398u);
       EXPECT_EQ(m.I32(priv::kPhysicalWidth), 203);
       EXPECT_EQ(m.I32(priv::kPhysicalHeight), 406);
       EXPECT_EQ(std::u16string(m.pub.dmFormName), u"2 x 1 in");
     }},
    {"paper size 256 of no listed size: a custom paper sized by the resolution",
     [](AppDevmode& a) {
       a.pub.dmFields = DM_PAPERSIZE;
       a.pub.dmPaperSize = 256;
       a.pub.dmPaperWidth = 508;
       a.pub.dmPaperLength = 300;
     },
     [](const DriverDevmode& m, const DriverDevmode& d) {
       EXPECT_EQ(m.pub.dmPaperSize, 256);
       EXPECT_EQ(m.pub.dmPelsWidth, 406u);
       EXPECT_EQ(m.pub.dmPelsHeight, 239u);  // 203 x 300 / 254
       EXPECT_EQ(m.pub.dmFields & (DM_PAPERWIDTH | DM_PAPERLENGTH), 0u);
       EXPECT_EQ(m.pub.dmFields & (DM_PELSWIDTH | DM_PELSHEIGHT), DM_PELSWIDTH | DM_PELSHEIGHT);
       EXPECT_EQ(m.I32(priv::kPhysicalX), 0);
       EXPECT_EQ(m.I32(priv::kPhysicalWidth), 406);
       EXPECT_EQ(m.I32(priv::kPhysicalHeight), 239);
       EXPECT_EQ(m.pub.dmOrientation, d.pub.dmOrientation);
     }},
    {"custom paper with resolution codes and no length: the driver's resolution and length",
     [](AppDevmode& a) {
       a.pub.dmFields = DM_PAPERWIDTH;
       a.pub.dmPaperWidth = 508;
       a.pub.dmPaperLength = -5;
       a.pub.dmPrintQuality = -4;  // DMRES_HIGH
       a.pub.dmYResolution = 0;
     },
     [](const DriverDevmode& m, const DriverDevmode& d) {
       EXPECT_EQ(m.pub.dmPaperSize, 256);
       EXPECT_EQ(m.pub.dmPaperLength, d.pub.dmPaperLength);
       EXPECT_EQ(m.pub.dmPelsWidth, 406u);
       EXPECT_EQ(m.pub.dmPelsHeight, 203u * 1524 / 254);
     }},
    {"a listed paper by id, in the orientation merged with it",
     [](AppDevmode& a) {
       a.pub.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
       a.pub.dmPaperSize = 11 + 256;
       a.pub.dmOrientation = 2;
     },
     [](const DriverDevmode& m, const DriverDevmode&) {
       EXPECT_EQ(m.pub.dmPaperSize, 11 + 256);
       EXPECT_EQ(m.pub.dmOrientation, 2);
       EXPECT_EQ(m.pub.dmPelsWidth, 199u);
     }},
    {"a paper id without orientation keeps the driver's portrait (not landscape)",
     [](AppDevmode& a) {
       a.pub.dmFields = DM_PAPERSIZE;
       a.pub.dmPaperSize = 11 + 256;
       a.pub.dmOrientation = 0;
     },
     [](const DriverDevmode& m, const DriverDevmode&) {
       EXPECT_EQ(m.pub.dmOrientation, 1);
       EXPECT_EQ(m.pub.dmPelsWidth, 398u);
       EXPECT_EQ(m.pub.dmPelsHeight, 199u);
     }},
    {"a paper id the printer does not have changes nothing",
     [](AppDevmode& a) {
       a.pub.dmFields = DM_PAPERSIZE;
       a.pub.dmPaperSize = 40 + 256;
     },
     [](const DriverDevmode& m, const DriverDevmode& d) { EXPECT_EQ(m.Bytes(), d.Bytes()); }},
    {"orientation alone turns the paper it has",
     [](AppDevmode& a) {
       a.pub.dmFields = DM_ORIENTATION;
       a.pub.dmOrientation = 2;
     },
     [](const DriverDevmode& m, const DriverDevmode&) {
       EXPECT_EQ(m.pub.dmOrientation, 2);
       EXPECT_EQ(m.pub.dmPaperSize, 12 + 256);
       EXPECT_EQ(m.pub.dmPelsWidth, 1218u);
       EXPECT_EQ(m.pub.dmPelsHeight, 812u);
       EXPECT_EQ(m.pub.dmPaperWidth, 1524);
       EXPECT_EQ(m.I32(priv::kPhysicalWidth), 1218);
     }},
    {"an orientation out of range is portrait",
     [](AppDevmode& a) {
       a.pub.dmFields = DM_ORIENTATION;
       a.pub.dmOrientation = 7;
     },
     [](const DriverDevmode& m, const DriverDevmode&) { EXPECT_EQ(m.pub.dmOrientation, 1); }},
    {"copies above 0 are taken, duplex 2 becomes 1",
     [](AppDevmode& a) {
       a.pub.dmFields = DM_COPIES | DM_DUPLEX;
       a.pub.dmCopies = 5;
       a.pub.dmDuplex = 2;
     },
     [](const DriverDevmode& m, const DriverDevmode&) {
       EXPECT_EQ(m.pub.dmCopies, 5);
       EXPECT_EQ(m.pub.dmDuplex, 1);
     }},
    {"copies 0 are ignored, duplex 3 is kept",
     [](AppDevmode& a) {
       a.pub.dmFields = DM_COPIES | DM_DUPLEX;
       a.pub.dmCopies = 0;
       a.pub.dmDuplex = 3;
     },
     [](const DriverDevmode& m, const DriverDevmode&) {
       EXPECT_EQ(m.pub.dmCopies, 1);
       EXPECT_EQ(m.pub.dmDuplex, 3);
     }},
    {"a sound private part of ours is taken, with the printer's device options",
     [](AppDevmode& a) {
       a.pub.dmFields = 0;
       SetPrivU16(a, priv::kBrightness, 20);
       SetPrivU16(a, priv::kRenderMode, kRenderDiffusion);
       a.priv[216 + 32] = 0x11;  // a document option
       a.priv[256 + 20] = 0x22;  // a device option, not taken
     },
     [](const DriverDevmode& m, const DriverDevmode& d) {
       EXPECT_EQ(m.I16(priv::kBrightness), 20);
       EXPECT_EQ(m.U16(priv::kRenderMode), kRenderDiffusion);
       EXPECT_EQ(m.priv[216 + 32], 0x11);
       EXPECT_EQ(m.priv[256 + 20], d.priv[256 + 20]);
       EXPECT_EQ(m.I32(priv::kPhysicalWidth), 812);
     }},
    {"the application's larger DocProps come whole, the DevProps move behind them",
     [](AppDevmode& a) {
       a.pub.dmFields = 0;
       const Bytes dev(a.priv.begin() + 256, a.priv.end());
       a.priv.resize(216);
       const Bytes doc = testing::DocPropsValue(12, 1, 20);
       a.priv.insert(a.priv.end(), doc.begin(), doc.end());
       a.priv.insert(a.priv.end(), dev.begin(), dev.end());
       a.pub.dmDriverExtra = static_cast<WORD>(a.priv.size());
     },
     [](const DriverDevmode& m, const DriverDevmode& d) {
       EXPECT_EQ(m.pub.dmDriverExtra, 216 + 52 + 32);
       EXPECT_EQ(m.DocProps().size(), 52u);
       ASSERT_EQ(m.DevProps().size(), 32u);
       EXPECT_TRUE(
           std::equal(m.DevProps().begin() + 20, m.DevProps().end(), d.DevProps().begin() + 20));
       EXPECT_EQ(m.U32(priv::kDevPropsAt), 268u);
     }},
    // Damaged private parts: the driver's own stays.
    {"private part without the magic", [](AppDevmode& a) { a.priv[0] = 'X'; }, SamePrivatePart},
    {"private part of another model", [](AppDevmode& a) { SetPrivU16(a, priv::kModelId, 8); },
     SamePrivatePart},
    {"render mode 3", [](AppDevmode& a) { SetPrivU16(a, priv::kRenderMode, 3); }, SamePrivatePart},
    {"delimiter without its terminating zero",
     [](AppDevmode& a) { std::memset(&a.priv[priv::kBarcodeEnd], 'B', 5); }, SamePrivatePart},
    {"DocProps header of another size", [](AppDevmode& a) { testing::PutU32(a.priv, 216, 20); },
     SamePrivatePart},
    {"DocProps data past the private part",
     [](AppDevmode& a) { testing::PutU32(a.priv, 216 + 8, 0x7FFFFFFF); }, SamePrivatePart},
    {"DevProps data past the private part",
     [](AppDevmode& a) { testing::PutU32(a.priv, 256 + 8, 13); }, SamePrivatePart},
    {"private part shorter than its fixed part",
     [](AppDevmode& a) {
       a.priv.resize(100);
       a.pub.dmDriverExtra = 100;
     },
     SamePrivatePart},
    {"driver extra larger than the bytes the application holds",
     [](AppDevmode& a) {
       a.pub.dmDriverExtra = 400;
       SetPrivU16(a, priv::kBrightness, 20);
     },
     SamePrivatePart},
    {"devmode of another driver version",
     [](AppDevmode& a) {
       a.pub.dmDriverVersion = 0x103;
       SetPrivU16(a, priv::kBrightness, 20);
     },
     SamePrivatePart},
    {"a 188-byte devmode is merged over its 188 bytes only",
     [](AppDevmode& a) {
       a.pub.dmSize = 188;
       a.pub.dmFields = DM_COPIES;
       a.pub.dmCopies = 3;
       SetPrivU16(a, priv::kBrightness, 20);  // a part of ours, but not a current devmode
     },
     [](const DriverDevmode& m, const DriverDevmode& d) {
       EXPECT_EQ(m.pub.dmCopies, 3);
       EXPECT_EQ(m.priv, d.priv);
     }},
};

TEST(MergeDevmode, TableOfCases) {
  const PrinterSetup setup = SampleSetup();
  const DriverDevmode driver = *BuildDefaultDevmode(u"Labels", setup);
  for (const MergeCase& c : kCases) {
    SCOPED_TRACE(c.name);
    AppDevmode app{driver.pub, driver.priv};
    c.change(app);
    DriverDevmode merged = driver;
    ASSERT_TRUE(MergeDevmode(merged, app.bytes(), &setup.papers));
    EXPECT_EQ(merged.priv.size(), merged.pub.dmDriverExtra);
    c.check(merged, driver);
  }
}

TEST(MergeDevmode, DevmodesThatCannotBeToldApartFail) {
  const PrinterSetup setup = SampleSetup();
  const DriverDevmode driver = *BuildDefaultDevmode(u"Labels", setup);
  AppDevmode app{driver.pub, {}};
  app.pub.dmSize = 100;
  app.pub.dmSpecVersion = 0;
  app.pub.dmDriverExtra = 0;
  DriverDevmode merged = driver;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(MergeDevmode(merged, app.bytes(), &setup.papers));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  const Bytes tooShort(40, 0);
  EXPECT_FALSE(MergeDevmode(merged, tooShort, &setup.papers));
  EXPECT_EQ(merged.Bytes(), driver.Bytes());
  EXPECT_TRUE(MergeDevmode(merged, {}, &setup.papers));  // no devmode: nothing to merge
}

TEST(MergeDevmode, WithoutPapersOnlyThePaperIsLeftAlone) {
  const PrinterSetup setup = SampleSetup();
  const DriverDevmode driver = *BuildDefaultDevmode(u"Labels", setup);
  AppDevmode app{driver.pub, driver.priv};
  app.pub.dmFields = DM_PAPERSIZE | DM_COPIES;
  app.pub.dmPaperSize = 11 + 256;
  app.pub.dmCopies = 2;
  DriverDevmode merged = driver;
  ASSERT_TRUE(MergeDevmode(merged, app.bytes(), static_cast<const std::vector<Paper>*>(nullptr)));
  EXPECT_EQ(merged.pub.dmPaperSize, 12 + 256);
  EXPECT_EQ(merged.pub.dmCopies, 2);
}

using MergeFromPrinter = testing::PrinterFixture;

TEST_F(MergeFromPrinter, PapersComeFromThePrinter) {
  StoreSample();
  DriverDevmode dm = *BuildDefaultDevmode(u"Labels", printer());
  AppDevmode app{dm.pub, dm.priv};
  app.pub.dmFields = DM_PAPERSIZE;
  app.pub.dmPaperSize = 11 + 256;
  ASSERT_TRUE(MergeDevmode(dm, app.bytes(), printer()));
  EXPECT_EQ(dm.pub.dmPaperSize, 11 + 256);
  EXPECT_EQ(dm.pub.dmPelsWidth, 398u);
}

}  // namespace
}  // namespace trv::driver
