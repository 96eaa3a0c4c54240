#include "driver/device.h"

#include <gtest/gtest.h>

#include <cstring>

#include "driver/tests/captured_job.h"
#include "driver/tests/printer_fixture.h"
#include "platform/kernel.h"
#include "platform/winerror.h"
#include "spool/record.h"

namespace trv::driver {
namespace {

using testing::Bytes;
using testing::CapturedJob;

class DeviceTest : public testing::PrinterFixture {
 protected:
  void StoreAll() {
    StoreSample();
    SetValue(u"Fonts", testing::EntryListValue({}, {}));
    SetValue(u"Barcodes", testing::EntryListValue({}, {}));
    SetValue(u"Options", testing::EntryListValue({testing::Record(32, 0x1004)}, {}));
  }
  std::unique_ptr<Device> Enable(const Bytes& app = {}) {
    auto device = Device::Enable(app, u"Labels", printer());
    if (device) device->SetWriter(job.writer());
    return device;
  }
  // A 24-bpp or 1-bpp surface of the device's size.
  SurfaceView Surface(const Device& device, int bpp) {
    SurfaceView s;
    s.width = static_cast<DWORD>(device.width());
    s.height = static_cast<DWORD>(device.height());
    s.bitsPerPixel = bpp;
    s.stride = (s.width * bpp + 31) / 32 * 4;
    bits.assign(s.byteSize(), 0x00);  // dirty: the page start must clear it
    s.bits = bits.data();
    return s;
  }
  std::vector<DWORD> Types() const {
    std::vector<DWORD> types;
    for (const auto& r : job.records()) types.push_back(r.first);
    return types;
  }
  CapturedJob job;
  Bytes bits;
};

using namespace trv::spool;

TEST_F(DeviceTest, AnEmptyPageIsFramedButCarriesNoBitmap) {
  StoreAll();
  auto device = Enable();
  ASSERT_TRUE(device);
  SurfaceView s = Surface(*device, 1);
  ASSERT_TRUE(device->StartDoc());
  ASSERT_TRUE(device->StartPage(s));
  EXPECT_EQ(bits, Bytes(bits.size(), 0xFF));
  ASSERT_TRUE(device->SendPage(s));
  ASSERT_TRUE(device->EndDoc());
  EXPECT_EQ(Types(), (std::vector<DWORD>{DCLD_DEVPROPS, DCLD_DOCPROPS, DCLD_DOC_BEGIN,
                                         DCLD_PAGE_BEGIN, DCLD_PAGE_END, DCLD_DOC_END}));
  const auto records = job.records();
  EXPECT_EQ(records[0].second.size(), 32u);  // the printer's DevProps
  EXPECT_EQ(records[1].second.size(), 40u);
  EXPECT_EQ(records[2].second, (Bytes{0x2C, 3, 0, 0, 0xC2, 4, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(records[3].second, (Bytes{0, 0, 0, 0, 1, 0}));
  EXPECT_EQ(records[4].second, (Bytes{1, 0}));
  EXPECT_EQ(device->pageNumber(), 1u);
}

TEST_F(DeviceTest, TheBitmapPrecedesThePagesObjects) {
  StoreAll();
  auto device = Enable();
  ASSERT_TRUE(device);
  SurfaceView s = Surface(*device, 1);
  ASSERT_TRUE(device->StartDoc());
  ASSERT_TRUE(device->StartPage(s));
  bits[0] = 0x7F;
  device->queue().push_back({DCLD_LINE, Bytes(56, 0)});
  ASSERT_TRUE(device->SendPage(s));
  EXPECT_EQ(Types(),
            (std::vector<DWORD>{DCLD_DEVPROPS, DCLD_DOCPROPS, DCLD_DOC_BEGIN, DCLD_PAGE_BEGIN,
                                DCLD_BITMAP_HEADER, DCLD_BITMAP_DATA, DCLD_LINE, DCLD_PAGE_END}));
  // The next page starts without the objects of this one.
  ASSERT_TRUE(device->StartPage(s));
  EXPECT_TRUE(device->queue().empty());
}

TEST_F(DeviceTest, LandscapeJobDescribesThePaperAsItMoves) {
  StoreAll();
  auto driver = BuildDefaultDevmode(u"Labels", printer());
  ASSERT_TRUE(driver);
  driver->pub.dmFields = DM_ORIENTATION;
  driver->pub.dmOrientation = DMORIENT_LANDSCAPE;
  auto device = Enable(driver->Bytes());
  ASSERT_TRUE(device);
  EXPECT_EQ(device->width(), 1218);
  EXPECT_EQ(device->height(), 812);
  SurfaceView s = Surface(*device, 24);
  ASSERT_TRUE(device->StartDoc());
  ASSERT_TRUE(device->StartPage(s));
  std::memset(bits.data(), 0, 3);  // the top left dot of the page as drawn
  ASSERT_TRUE(device->SendPage(s));
  const auto records = job.records();
  ASSERT_EQ(records.size(), 7u);
  EXPECT_EQ(records[2].second, (Bytes{0x2C, 3, 0, 0, 0xC2, 4, 0, 0, 2, 0, 0, 0}));
  EXPECT_EQ(records[4].second, (Bytes{0x2C, 3, 0xC2, 4, 0x68, 0}));  // 812 wide, 1218 rows
  // Drawn at the top left, the dot prints at the bottom left of the turned bitmap.
  EXPECT_EQ(records[5].second[std::size_t{1217} * 104], 0x7F);
}

TEST_F(DeviceTest, WithoutOptionsThereAreNoFramesButTheEndsRemain) {
  StoreAll();
  SetValue(u"Options", {});
  auto device = Enable();
  ASSERT_TRUE(device);
  SurfaceView s = Surface(*device, 1);
  ASSERT_TRUE(device->StartDoc());
  ASSERT_TRUE(device->StartPage(s));
  ASSERT_TRUE(device->SendPage(s));
  ASSERT_TRUE(device->EndDoc());
  EXPECT_EQ(Types(),
            (std::vector<DWORD>{DCLD_DEVPROPS, DCLD_DOCPROPS, DCLD_PAGE_END, DCLD_DOC_END}));
}

TEST_F(DeviceTest, ASecondStartDocWritesNothingAndAFailedWriteFailsIt) {
  StoreAll();
  auto device = Enable();
  ASSERT_TRUE(device);
  ASSERT_TRUE(device->StartDoc());
  ASSERT_TRUE(device->StartDoc());
  EXPECT_EQ(job.records().size(), 3u);
  device->EndDoc();
  job = CapturedJob{};
  job.failAt = 1;
  device->SetWriter(job.writer());
  SetLastError(0);
  EXPECT_FALSE(device->StartDoc());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_FALSE(device->documentStarted());
  EXPECT_EQ(job.calls, 2);  // no DCLD_DOC_BEGIN after the failed DocProps
}

TEST_F(DeviceTest, PrinterDevPropsOfAnotherSizeReplaceTheDocumentsOwn) {
  StoreAll();
  const Bytes app = BuildDefaultDevmode(u"Labels", printer())->Bytes();
  SetValue(u"DevProps", testing::DevPropsValue(400));
  auto device = Enable(app);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->devmode().DevProps().size(), 420u);
  EXPECT_EQ(device->devmode().pub.dmDriverExtra, 216 + 40 + 420);
}

TEST_F(DeviceTest, EnablingNeedsEveryValueAndADrawablePage) {
  for (const char16_t* missing : {u"DevProps", u"Fonts", u"Barcodes", u"Models"}) {
    StoreAll();
    SetValue(missing, {});
    SetLastError(0);
    EXPECT_FALSE(Enable());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  }
  StoreAll();
  Bytes papers = testing::PapersValue();
  testing::PutU32(papers, 60 + 40, 40000);  // the 4 x 6 label, 40000 dots wide
  SetValue(u"Papers", papers);
  SetLastError(0);
  EXPECT_FALSE(Enable());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(DeviceTest, BrightnessAndContrastTouchOnly24BitPages) {
  StoreAll();
  auto driver = BuildDefaultDevmode(u"Labels", printer());
  driver->SetU16(priv::kRenderMode, kRenderThreshold);
  driver->SetU16(priv::kBrightness, static_cast<WORD>(-60));
  auto device = Enable(driver->Bytes());
  ASSERT_TRUE(device);
  SurfaceView s = Surface(*device, 24);
  ASSERT_TRUE(device->StartDoc());
  ASSERT_TRUE(device->StartPage(s));
  // White turns to 255 - 153 = 102: a full black page after the threshold.
  ASSERT_TRUE(device->SendPage(s));
  const auto records = job.records();
  ASSERT_EQ(records[4].first, DCLD_BITMAP_HEADER);
  EXPECT_EQ(records[5].second[0], 0x00);
}

}  // namespace
}  // namespace trv::driver
