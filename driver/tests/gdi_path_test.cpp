// The driver as an application reaches it: a printer whose driver file is trv.dll,
// a printer DC, a page drawn with GDI calls, the records read back from the port.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace trv::driver
