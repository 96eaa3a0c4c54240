#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/devmode.h"
#include "driver/pdev.h"
#include "driver/tests/font_values.h"
#include "driver/tests/printer_fixture.h"
#include "platform/gdi/objects.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/winddi.h"
#include "platform/winerror.h"
#include "platform/winspool.h"
#include "spool/record.h"

namespace trv::driver {
namespace {

using testing::Bytes;

constexpr DWORD kSentinel = 0xdeadbeef;

class DriverEntry : public testing::PrinterFixture {
 protected:
  void SetUp() override {
    PrinterFixture::SetUp();
    module_ = LoadLibraryA(trv::WindowsPath(TRV_DRIVER_MODULE).c_str());
    ASSERT_NE(module_, nullptr);
    enableDriver_ =
        reinterpret_cast<PFN_DrvEnableDriver>(GetProcAddress(module_, "DrvEnableDriver"));
    queryInfo_ =
        reinterpret_cast<PFN_DrvQueryDriverInfo>(GetProcAddress(module_, "DrvQueryDriverInfo"));
    ASSERT_TRUE(enableDriver_ && queryInfo_);
    ASSERT_TRUE(enableDriver_(ENGINE_VERSION, sizeof data_, &data_));
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
    PrinterFixture::TearDown();
  }
  void StoreAll() {
    StoreSample();
    SetValue(u"Fonts", testing::EntryListValue({}, {}));
    SetValue(u"Barcodes", testing::EntryListValue({}, {}));
    SetValue(u"Options", testing::EntryListValue({testing::Record(32, 0x1004)}, {}));
  }
  template <typename F>
  F Function(ULONG index) const {
    for (ULONG i = 0; i < data_.c; ++i)
      if (data_.pdrvfn[i].iFunc == index) return reinterpret_cast<F>(data_.pdrvfn[i].pfn);
    return nullptr;
  }
  DHPDEV EnablePDEV(DEVMODEW* devmode, GDIINFO* caps, DEVINFO* info) {
    HSURF patterns[3] = {reinterpret_cast<HSURF>(1), reinterpret_cast<HSURF>(2),
                         reinterpret_cast<HSURF>(3)};
    std::u16string name = u"Labels";
    DHPDEV pdev = Function<PFN_DrvEnablePDEV>(INDEX_DrvEnablePDEV)(
        devmode, name.data(), 3, patterns, sizeof *caps, reinterpret_cast<ULONG*>(caps),
        sizeof *info, info, nullptr, name.data(), printer());
    if (pdev != nullptr) {
      for (HSURF p : patterns) EXPECT_EQ(p, nullptr);
    }
    return pdev;
  }
  void DisablePDEV(DHPDEV pdev) { Function<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)(pdev); }

  HMODULE module_ = nullptr;
  PFN_DrvEnableDriver enableDriver_ = nullptr;
  PFN_DrvQueryDriverInfo queryInfo_ = nullptr;
  DRVENABLEDATA data_{};
};

TEST_F(DriverEntry, TheTableHoldsTheTwentyOneFunctionsInOrder) {
  EXPECT_EQ(data_.iDriverVersion, 0x20000u);
  const ULONG order[] = {0,  7,  1,  2,  3,  4,  13, 20, 14, 31, 23,
                         32, 33, 35, 34, 62, 26, 27, 28, 37, 42};
  ASSERT_EQ(data_.c, 21u);
  for (ULONG i = 0; i < 21; ++i) {
    EXPECT_EQ(data_.pdrvfn[i].iFunc, order[i]) << i;
    EXPECT_NE(data_.pdrvfn[i].pfn, nullptr) << i;
  }
  DRVENABLEDATA other{};
  SetLastError(kSentinel);
  EXPECT_FALSE(enableDriver_(0x1FFFF, sizeof other, &other));
  EXPECT_EQ(GetLastError(), 119u);  // ERROR_BAD_DRIVER_LEVEL
  EXPECT_FALSE(enableDriver_(ENGINE_VERSION, 11, &other));
  EXPECT_EQ(GetLastError(), 119u);
  EXPECT_EQ(other.c, 0u);
}

TEST_F(DriverEntry, QueryDriverInfoSaysUserMode) {
  DWORD needed = kSentinel, answer = kSentinel;
  SetLastError(kSentinel);
  EXPECT_FALSE(queryInfo_(DRVQUERY_USERMODE, &answer, 3, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(answer, kSentinel);
  EXPECT_TRUE(queryInfo_(DRVQUERY_USERMODE, &answer, 4, &needed));
  EXPECT_EQ(answer, 1u);
  EXPECT_FALSE(queryInfo_(2, &answer, 4, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(queryInfo_(DRVQUERY_USERMODE, &answer, 4, nullptr));
}

TEST_F(DriverEntry, OneBitDeviceCapabilities) {
  StoreAll();
  GDIINFO caps;
  DEVINFO info;
  std::memset(&caps, 0xCD, sizeof caps);
  DHPDEV pdev = EnablePDEV(nullptr, &caps, &info);
  ASSERT_NE(pdev, nullptr) << GetLastError();
  EXPECT_EQ(caps.ulVersion, 0x400u);
  EXPECT_EQ(caps.ulTechnology, 2u);
  EXPECT_EQ(caps.ulHorzSize, 101u);
  EXPECT_EQ(caps.ulVertSize, 152u);
  EXPECT_EQ(caps.ulHorzRes, 812u);
  EXPECT_EQ(caps.ulVertRes, 1218u);
  EXPECT_EQ(caps.cBitsPixel, 1u);
  EXPECT_EQ(caps.cPlanes, 1u);
  EXPECT_EQ(caps.ulNumColors, 2u);
  EXPECT_EQ(caps.ulLogPixelsX, 203u);
  EXPECT_EQ(caps.ulLogPixelsY, 203u);
  EXPECT_EQ(caps.flTextCaps, 0x10010u);
  EXPECT_EQ(caps.ulAspectXY, 287u);  // sqrt(2 x 203^2) = 287.09
  EXPECT_EQ(caps.denStyleStep, 8);
  EXPECT_EQ(caps.szlPhysSize.cx, 812);
  EXPECT_EQ(caps.szlPhysSize.cy, 1218);
  EXPECT_EQ(caps.ciDevice.Red.x, 6810);
  EXPECT_EQ(caps.ciDevice.MagentaInYellowDye, 495);
  EXPECT_EQ(caps.ulDevicePelsDPI, 203u);
  EXPECT_EQ(caps.ulPrimaryOrder, 0u);
  EXPECT_EQ(caps.ulHTPatternSize, 3u);
  EXPECT_EQ(caps.ulHTOutputFormat, 0u);
  EXPECT_EQ(caps.flHTFlags, 2u);
  EXPECT_EQ(caps.ulVRefresh, 0u);  // everything else zero
  EXPECT_EQ(info.flGraphicsCaps, 0x4E2u);
  EXPECT_EQ(info.cFonts, 0u);
  EXPECT_EQ(info.iDitherFormat, static_cast<ULONG>(BMF_1BPP));
  EXPECT_EQ(info.cxDither, 8);
  EXPECT_NE(info.hpalDefault, nullptr);
  DisablePDEV(pdev);
}

TEST_F(DriverEntry, ReducedDeviceCapabilitiesAndAShortBuffer) {
  StoreAll();
  auto dm = BuildDefaultDevmode(u"Labels", printer());
  dm->SetU16(priv::kRenderMode, kRenderDither);
  Bytes app = dm->Bytes();
  GDIINFO caps;
  DEVINFO info;
  DHPDEV pdev = EnablePDEV(reinterpret_cast<DEVMODEW*>(app.data()), &caps, &info);
  ASSERT_NE(pdev, nullptr) << GetLastError();
  EXPECT_EQ(caps.cBitsPixel, 24u);
  EXPECT_EQ(caps.ulNumColors, 0xFFFFFFFFu);
  EXPECT_EQ(caps.ulPrimaryOrder, 4u);
  EXPECT_EQ(caps.ulHTPatternSize, 7u);
  EXPECT_EQ(caps.ulHTOutputFormat, 6u);
  EXPECT_EQ(caps.flHTFlags, 0u);
  EXPECT_EQ(info.flGraphicsCaps, 0xC0u);
  EXPECT_EQ(info.cxDither, 0);
  DisablePDEV(pdev);

  // GDI's buffer says how much it takes.
  ULONG small[4];
  std::fill(std::begin(small), std::end(small), kSentinel);
  std::u16string name = u"Labels";
  DEVINFO info2;
  pdev = Function<PFN_DrvEnablePDEV>(INDEX_DrvEnablePDEV)(nullptr, name.data(), 0, nullptr, 8,
                                                          small, sizeof info2, &info2, nullptr,
                                                          name.data(), printer());
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(small[0], 0x400u);
  EXPECT_EQ(small[1], 2u);
  EXPECT_EQ(small[2], kSentinel);
  DisablePDEV(pdev);
}

TEST_F(DriverEntry, APrinterWithoutDevPropsCannotBeEnabled) {
  StoreAll();
  SetValue(u"DevProps", {});
  GDIINFO caps;
  DEVINFO info;
  SetLastError(kSentinel);
  EXPECT_EQ(EnablePDEV(nullptr, &caps, &info), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

// A job as GDI runs it: the spooler's job opened, the device enabled, the page drawn
// into an engine bitmap tied to the device, the records read back from the port.
TEST_F(DriverEntry, AJobThroughTheEntryPointsReachesThePort) {
  StoreAll();
  writeFile("C:\\out\\keep", "");
  std::u16string doc = u"label", out = u"C:\\out\\job.prn";
  DOC_INFO_1W docInfo{doc.data(), out.data(), nullptr};
  ASSERT_NE(StartDocPrinterW(printer(), 1, reinterpret_cast<LPBYTE>(&docInfo)), 0u);

  GDIINFO caps;
  DEVINFO info;
  DHPDEV pdev = EnablePDEV(nullptr, &caps, &info);
  ASSERT_NE(pdev, nullptr);
  Function<PFN_DrvCompletePDEV>(INDEX_DrvCompletePDEV)(pdev, nullptr);
  // Without a GDI device behind it the surface cannot be tied to one, and is not made.
  SetLastError(kSentinel);
  EXPECT_EQ(Function<PFN_DrvEnableSurface>(INDEX_DrvEnableSurface)(pdev), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  HSURF bitmap =
      reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{812, 1218}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr));
  ASSERT_NE(bitmap, nullptr);
  SURFOBJ* so = EngLockSurface(bitmap);
  ASSERT_NE(so, nullptr);
  so->dhpdev = pdev;  // what tying the surface to the device does
  ASSERT_EQ(so->lDelta, 104);

  ASSERT_TRUE(Function<PFN_DrvStartDoc>(INDEX_DrvStartDoc)(so, doc.data(), 1));
  ASSERT_TRUE(Function<PFN_DrvStartPage>(INDEX_DrvStartPage)(so));
  BYTE* bits = static_cast<BYTE*>(so->pvScan0);
  bits[0] = 0x00;                 // eight dots at the top left
  bits[1217 * 104 + 101] = 0x00;  // the last four dots, and four beyond the page
  ASSERT_TRUE(Function<PFN_DrvSendPage>(INDEX_DrvSendPage)(so));
  ASSERT_TRUE(Function<PFN_DrvEndDoc>(INDEX_DrvEndDoc)(so, 0));
  const Bytes page(bits, bits + 104 * 1218);
  EngUnlockSurface(so);
  EngDeleteSurface(bitmap);
  DisablePDEV(pdev);
  ASSERT_TRUE(EndDocPrinter(printer()));

  const std::string job = readFile("C:\\out\\job.prn");
  std::vector<DWORD> types;
  Bytes data;
  for (std::size_t at = 0; at + 48 <= job.size();) {
    const BYTE* r = reinterpret_cast<const BYTE*>(job.data() + at);
    types.push_back(spool::RecordType(r));
    if (spool::RecordType(r) == spool::DCLD_BITMAP_DATA)
      data.assign(r + 48, r + 48 + spool::RecordPayloadLength(r));
    at += 48 + spool::RecordPayloadLength(r);
  }
  using namespace trv::spool;
  EXPECT_EQ(types, (std::vector<DWORD>{DCLD_DEVPROPS, DCLD_DOCPROPS, DCLD_DOC_BEGIN,
                                       DCLD_PAGE_BEGIN, DCLD_BITMAP_HEADER, DCLD_BITMAP_DATA,
                                       DCLD_PAGE_END, DCLD_DOC_END}));
  Bytes expected = page;
  for (std::size_t row = 0; row < 1218; ++row) {  // 812 = 101 x 8 + 4: 20 bits beyond
    expected[row * 104 + 101] |= 0x0F;
    expected[row * 104 + 102] = expected[row * 104 + 103] = 0xFF;
  }
  EXPECT_EQ(data, expected);
  EXPECT_EQ(data[0], 0x00);
  EXPECT_EQ(data[1217 * 104 + 101], 0x0F);
}

TEST_F(DriverEntry, EveryEntryRefusesADamagedDevice) {
  StoreAll();
  GDIINFO caps;
  DEVINFO info;
  DHPDEV pdev = EnablePDEV(nullptr, &caps, &info);
  ASSERT_NE(pdev, nullptr);
  DHPDEV other = EnablePDEV(nullptr, &caps, &info);
  ASSERT_NE(other, nullptr);
  SURFOBJ so{};
  so.dhpdev = pdev;
  Bytes bits(104 * 1218, 0);
  so.sizlBitmap = {812, 1218};
  so.lDelta = 104;
  so.iBitmapFormat = BMF_1BPP;
  so.pvScan0 = so.pvBits = bits.data();
  ASSERT_TRUE(Function<PFN_DrvStartPage>(INDEX_DrvStartPage)(&so));
  ASSERT_TRUE(Function<PFN_DrvResetPDEV>(INDEX_DrvResetPDEV)(pdev, other));
  EXPECT_EQ(reinterpret_cast<PDEV*>(other)->device->pageNumber(), 1u);  // the page number travels

  // The last field of the device structure overwritten.
  auto* last = reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(pdev) + offsetof(PDEV, magicEnd));
  const DWORD saved = *last;
  *last = 0;
  SetLastError(kSentinel);
  EXPECT_FALSE(Function<PFN_DrvStartPage>(INDEX_DrvStartPage)(&so));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(Function<PFN_DrvStartDoc>(INDEX_DrvStartDoc)(&so, nullptr, 0));
  EXPECT_FALSE(Function<PFN_DrvSendPage>(INDEX_DrvSendPage)(&so));
  EXPECT_FALSE(Function<PFN_DrvEndDoc>(INDEX_DrvEndDoc)(&so, 0));
  EXPECT_EQ(Function<PFN_DrvEnableSurface>(INDEX_DrvEnableSurface)(pdev), nullptr);
  EXPECT_FALSE(Function<PFN_DrvResetPDEV>(INDEX_DrvResetPDEV)(pdev, other));
  WCHAR type[8] = {};
  EXPECT_FALSE(Function<PFN_DrvQuerySpoolType>(INDEX_DrvQuerySpoolType)(pdev, type));
  EXPECT_EQ(Function<PFN_DrvDitherColor>(INDEX_DrvDitherColor)(pdev, 0, 0, nullptr), 0u);
  *last = saved;

  EXPECT_TRUE(Function<PFN_DrvQuerySpoolType>(INDEX_DrvQuerySpoolType)(pdev, type));
  EXPECT_EQ(std::u16string(type), u"RAW");
  EXPECT_EQ(Function<PFN_DrvDitherColor>(INDEX_DrvDitherColor)(pdev, 0, 0, nullptr), 2u);
  DisablePDEV(pdev);
  DisablePDEV(other);
}

// The sample fonts: two text fonts (one in two magnifications), a TrueType-based
// font, one not offered, two bar codes: six faces.
class DeviceFontEntry : public DriverEntry {
 protected:
  void StoreFonts() {
    StoreAll();
    SetValue(u"Fonts", testing::SampleFontsValue());
    SetValue(u"Barcodes", testing::SampleBarcodesValue());
    for (const auto& f : testing::SampleFontImages()) SetValue(f.valueName, f.image);
  }
};

TEST_F(DeviceFontEntry, TheDeviceOffersItsFontsAndNamesTheFirstAsDefault) {
  StoreFonts();
  GDIINFO caps;
  DEVINFO info;
  std::memset(&info, 0xCD, sizeof info);
  DHPDEV pdev = EnablePDEV(nullptr, &caps, &info);
  ASSERT_NE(pdev, nullptr) << GetLastError();
  EXPECT_EQ(info.cFonts, 6u);
  for (const LOGFONTW* f : {&info.lfDefaultFont, &info.lfAnsiVarFont, &info.lfAnsiFixFont}) {
    EXPECT_EQ(f->lfHeight, 24);
    EXPECT_EQ(f->lfWidth, 12);
    EXPECT_EQ(f->lfWeight, 400);
    EXPECT_EQ(f->lfPitchAndFamily, 0x31);
    EXPECT_EQ(std::u16string(f->lfFaceName), u"CPCL Font 0");
    EXPECT_EQ(f->lfItalic, 0);
  }
  auto queryFont = Function<PFN_DrvQueryFont>(INDEX_DrvQueryFont);
  auto queryData = Function<PFN_DrvQueryFontData>(INDEX_DrvQueryFontData);
  auto queryTree = Function<PFN_DrvQueryFontTree>(INDEX_DrvQueryFontTree);
  auto freeTree = Function<PFN_DrvFree>(INDEX_DrvFree);
  auto glyphMode = Function<PFN_DrvGetGlyphMode>(INDEX_DrvGetGlyphMode);
  ULONG_PTR id = kSentinel;
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(queryFont(pdev, 0, 0, &id)), 6u);
  EXPECT_EQ(id, 0u);
  for (ULONG face = 1; face <= 6; ++face) {
    const IFIMETRICS* m = queryFont(pdev, 0, face, &id);
    ASSERT_NE(m, nullptr) << face;
    EXPECT_EQ(m->ptlAspect.y, 203);
  }
  SetLastError(kSentinel);
  EXPECT_EQ(queryFont(pdev, 0, 7, &id), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(glyphMode(pdev, nullptr), static_cast<ULONG>(FO_GLYPHBITS));

  PVOID tree = queryTree(pdev, 0, 2, QFT_KERNPAIRS, &id);
  ASSERT_NE(tree, nullptr);
  freeTree(tree, id);
  tree = queryTree(pdev, 0, 1, QFT_GLYPHSET, &id);
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(static_cast<FD_GLYPHSET*>(tree)->cGlyphsSupported, 224u);
  freeTree(tree, id);
  freeTree(nullptr, 0x1234);  // an id the driver never gave: ignored

  gdi::Font font;  // GDI's realisation of face 1
  font.iFace = 1;
  EXPECT_EQ(queryData(pdev, &font, QFD_MAXEXTENTS, 0, nullptr, nullptr, 0), 124);
  BYTE small[123];
  SetLastError(kSentinel);
  EXPECT_EQ(queryData(pdev, &font, QFD_MAXEXTENTS, 0, nullptr, small, sizeof small), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  DisablePDEV(pdev);
}

TEST_F(DeviceFontEntry, MissingOrDamagedMetricsFailTheDevice) {
  struct Case {
    const char* name;
    Bytes value;
    DWORD error;
  };
  Bytes damaged = testing::SampleFontImages()[1].image;
  testing::PutU32(damaged, 28, static_cast<DWORD>(damaged.size()));  // widths past the end
  const Case cases[] = {
      {"empty", {}, ERROR_FILE_NOT_FOUND},
      {"damaged", damaged, ERROR_BAD_FORMAT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StoreFonts();
    SetValue(u"UFM:CPF40.UFM", c.value);
    GDIINFO caps;
    DEVINFO info;
    SetLastError(kSentinel);
    EXPECT_EQ(EnablePDEV(nullptr, &caps, &info), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(DeviceFontEntry, ResettingADeviceDropsItsOpenRawCommandAndQueue) {
  StoreFonts();
  GDIINFO caps;
  DEVINFO info;
  DHPDEV oldDevice = EnablePDEV(nullptr, &caps, &info);
  DHPDEV newDevice = EnablePDEV(nullptr, &caps, &info);
  ASSERT_TRUE(oldDevice && newDevice);
  HBITMAP bitmap = EngCreateBitmap({812, 1218}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
  SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(bitmap));
  ASSERT_NE(so, nullptr);
  so->dhpdev = oldDevice;
  gdi::Font font;
  font.iFace = 1;
  font.flFontType = FO_TYPE_DEVICE;
  const IFIMETRICS* m = Function<PFN_DrvQueryFont>(INDEX_DrvQueryFont)(oldDevice, 0, 1, nullptr);
  ASSERT_NE(m, nullptr);
  font.ifi.assign(reinterpret_cast<const BYTE*>(m), reinterpret_cast<const BYTE*>(m) + m->cjThis);
  gdi::Str s;
  s.text = u"${OPEN";
  for (std::size_t i = 0; i < s.text.size(); ++i)
    s.positions.push_back({s.text[i], nullptr, {10 + 12 * static_cast<LONG>(i), 40}});
  s.cGlyphs = static_cast<ULONG>(s.text.size());
  s.pgp = s.positions.data();
  s.pwszOrg = s.text.data();
  s.rclBkGround = {10, 16, 82, 40};
  BRUSHOBJ fore{0, nullptr, 0};
  EXPECT_TRUE(Function<PFN_DrvTextOut>(INDEX_DrvTextOut)(so, &s, &font, nullptr, nullptr, nullptr,
                                                         &fore, nullptr, nullptr, 0x0D0D));
  Device& old = *reinterpret_cast<PDEV*>(oldDevice)->device;
  EXPECT_TRUE(old.text().rawOpen);
  EXPECT_EQ(old.queue().size(), 1u);
  EXPECT_TRUE(Function<PFN_DrvResetPDEV>(INDEX_DrvResetPDEV)(oldDevice, newDevice));
  EXPECT_FALSE(old.text().rawOpen);
  EXPECT_FALSE(old.text().rawEntry.has_value());
  EXPECT_TRUE(old.queue().empty());
  EngUnlockSurface(so);
  EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
  DisablePDEV(oldDevice);
  DisablePDEV(newDevice);
}

}  // namespace
}  // namespace trv::driver
