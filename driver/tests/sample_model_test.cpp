// The driver on a printer installed from the sample CPCL model: the host stores the
// model's font and bar-code lists and the language library stores their metrics, as
// on a real machine; the driver offers every font, magnification and bar code the
// lists offer, and text in one of them reaches the page as a text object.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver/device.h"
#include "driver/tests/captured_job.h"
#include "driver/text_out.h"
#include "host/printer_data.h"
#include "host/tests/sample_printer.h"
#include "platform/gdi/objects.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/winspool.h"
#include "spool/record.h"

namespace trv::driver {
namespace {

class SampleModel : public trv::testing::SampleCpclPrinterTest {
 protected:
  void SetUp() override {
    SampleCpclPrinterTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(trv::host::RefreshPrinterData("Labels")) << GetLastError();
    std::string printerName = "Labels";
    ASSERT_TRUE(OpenPrinterA(printerName.data(), &printer_, nullptr));
  }
  void TearDown() override {
    if (printer_ != nullptr) ClosePrinter(printer_);
    SpoolerTest::TearDown();
  }
  HANDLE printer_ = nullptr;
};

TEST_F(SampleModel, EveryOfferedFontMagnificationAndBarcodeIsAFace) {
  auto device = Device::Enable({}, u"Labels", printer_);
  ASSERT_TRUE(device) << GetLastError();
  // The faces the lists offer, counted from the lists themselves.
  ULONG offered = 0;
  const EntryList& fonts = *device->fonts();
  for (DWORD i = 0; i < fonts.count(); ++i) {
    const DWORD flags = FontInfoU32(fonts.record(i) + kTextFontInfoAt, fontinfo::kFlags);
    if (flags & kFontNotOffered) continue;
    const LONG n = static_cast<LONG>(spool::ReadU32(fonts.record(i) + kTextFontMagnificationsAt));
    offered += (flags & kFontPerMagnification) ? static_cast<ULONG>(std::clamp(n, 1, 16)) : 1;
  }
  const EntryList& barcodes = *device->barcodes();
  for (DWORD i = 0; i < barcodes.count(); ++i)
    if (!(FontInfoU32(barcodes.record(i) + kBarcodeInfoAt, fontinfo::kFlags) & kFontNotOffered))
      ++offered;
  ASSERT_GT(fonts.count(), 0u);
  ASSERT_GT(barcodes.count(), 0u);
  EXPECT_EQ(device->deviceFonts().count(), offered);
  for (ULONG k = 1; k <= device->deviceFonts().count(); ++k) {
    const DeviceFontBlock* block = device->deviceFonts().face(k);
    EXPECT_GT(block->ifi().fwdUnitsPerEm, 0) << k;
    EXPECT_FALSE(block->family().empty()) << k;
  }

  // Text in the first face at its own size becomes a text object of its font id.
  const DeviceFontBlock* first = device->deviceFonts().face(1);
  gdi::Font font;
  font.iFace = 1;
  font.flFontType = FO_TYPE_DEVICE;
  const auto* p = reinterpret_cast<const BYTE*>(&first->ifi());
  font.ifi.assign(p, p + first->ifi().cjThis);
  gdi::Str s;
  s.text = u"Ship to";
  for (std::size_t i = 0; i < s.text.size(); ++i)
    s.positions.push_back({s.text[i], nullptr, {40 + 12 * static_cast<LONG>(i), 100}});
  s.cGlyphs = static_cast<ULONG>(s.text.size());
  s.pgp = s.positions.data();
  s.pwszOrg = s.text.data();
  s.rclBkGround = {40, 76, 124, 100};
  testing::CapturedJob job;
  device->SetWriter(job.writer());
  HBITMAP bitmap =
      EngCreateBitmap({device->width(), device->height()}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
  SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(bitmap));
  ASSERT_NE(so, nullptr);
  SurfaceView view;
  view.width = static_cast<DWORD>(so->sizlBitmap.cx);
  view.height = static_cast<DWORD>(so->sizlBitmap.cy);
  view.stride = static_cast<DWORD>(so->lDelta);
  view.bitsPerPixel = 1;
  view.bits = static_cast<BYTE*>(so->pvScan0);
  ASSERT_TRUE(device->StartPage(view));
  BRUSHOBJ fore{0, nullptr, 0};
  EXPECT_TRUE(DeviceTextOut(*device, so, &s, &font, nullptr, nullptr, nullptr, &fore, nullptr,
                            nullptr, 0x0D0D));
  ASSERT_TRUE(device->SendPage(view));
  EngUnlockSurface(so);
  EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
  const auto records = job.records();
  const auto text = std::find_if(records.begin(), records.end(),
                                 [](const auto& r) { return r.first == spool::DCLD_FONT_TEXT; });
  ASSERT_NE(text, records.end());
  const std::string family(first->family().begin(), first->family().end());  // ASCII names
  WORD id = 0xFFFF;
  for (DWORD i = 0; i < fonts.count() && id == 0xFFFF; ++i)
    if (FontInfoFaceName(fonts.record(i) + kTextFontInfoAt) == family)
      id = spool::ReadU16(fonts.record(i) + 4);
  ASSERT_NE(id, 0xFFFF);
  EXPECT_EQ(spool::ReadU16(text->second.data()), id);
  EXPECT_EQ(std::string(text->second.begin() + 56, text->second.end()), "Ship to");
}

}  // namespace
}  // namespace trv::driver
