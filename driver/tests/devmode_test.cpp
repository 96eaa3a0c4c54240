#include "driver/devmode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/tests/printer_fixture.h"
#include "driver/tests/printer_values.h"

namespace trv::driver {
namespace {

using testing::Bytes;

PrinterSetup SampleSetup(WORD paper = 12, WORD placement = 1) {
  PrinterSetup setup;
  setup.model = {7, 203};
  setup.firstTray = 3;
  setup.papers = *PapersOf(*EntryList::Parse(testing::PapersValue(), kPaperRecordSize, 1));
  setup.docProps = testing::DocPropsValue(paper, placement, 8);
  setup.devProps = testing::DevPropsValue(12);
  return setup;
}

Bytes Hex(const std::string& text) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<BYTE>(std::stoi(text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return out;
}

std::u16string Wide(const WCHAR* text) { return text; }

TEST(DefaultDevmode, PublicPartFromThePrinterSetup) {
  auto dm = BuildDefaultDevmode(u"Labels", SampleSetup());
  ASSERT_TRUE(dm);
  const DEVMODEW& p = dm->pub;
  EXPECT_EQ(Wide(p.dmDeviceName), u"Labels");
  EXPECT_EQ(p.dmSpecVersion, 0x401);
  EXPECT_EQ(p.dmDriverVersion, 0x104);
  EXPECT_EQ(p.dmSize, 220);
  EXPECT_EQ(p.dmDriverExtra, 216 + 40 + 32);
  EXPECT_EQ(p.dmFields, 0x1C3F13u);
  EXPECT_EQ(p.dmOrientation, 1);
  EXPECT_EQ(p.dmPaperSize, 12 + 256);
  EXPECT_EQ(p.dmPaperWidth, 1016);
  EXPECT_EQ(p.dmPaperLength, 1524);
  EXPECT_EQ(p.dmScale, 100);
  EXPECT_EQ(p.dmCopies, 1);
  EXPECT_EQ(p.dmDefaultSource, 3 + 256);
  EXPECT_EQ(p.dmPrintQuality, 203);
  EXPECT_EQ(p.dmYResolution, 203);
  EXPECT_EQ(p.dmColor, 1);
  EXPECT_EQ(p.dmDuplex, 1);
  EXPECT_EQ(p.dmTTOption, 1);
  EXPECT_EQ(p.dmCollate, 1);
  EXPECT_EQ(Wide(p.dmFormName), u"4 x 6 in");
  EXPECT_EQ(p.dmBitsPerPel, 1u);
  EXPECT_EQ(p.dmPelsWidth, 812u);
  EXPECT_EQ(p.dmPelsHeight, 1218u);
  EXPECT_EQ(dm->Bytes().size(), 220u + 288u);
}

TEST(DefaultDevmode, PrivatePartByteForByte) {
  auto dm = BuildDefaultDevmode(u"Labels", SampleSetup());
  ASSERT_TRUE(dm);
  const Bytes& priv = dm->priv;
  ASSERT_EQ(priv.size(), 288u);
  const Bytes head =
      Hex("54525633 0000 0000 0400 0000 0000 0100 0000 0100"  // magic .. FrameFlag
          "247B000000 7D24000000 427B000000 7D42000000"       // the four delimiters
          "0700 0000 0100 0100 000000000000000000000000"      // model .. reserved
          "00000000 00000000 2C030000 C2040000"               // physical offset, size
          "02000000 03000000 00000000");                      // halftone, zero
  ASSERT_EQ(head.size(), 88u);
  EXPECT_EQ(Bytes(priv.begin(), priv.begin() + 88), head);
  const LONG colorInfo[30] = {6810,   3050,   289700, 2260,   6550,    605600, 1810,   500,
                              104700, 2000,   2450,   691200, 5210,    2100,   373200, 4750,
                              5100,   912000, 3324,   3474,   1000000, 10000,  10000,  10000,
                              787,    324,    1422,   248,    952,     495};
  EXPECT_EQ(std::memcmp(priv.data() + 88, colorInfo, 120), 0);
  EXPECT_EQ(Bytes(priv.begin() + 208, priv.begin() + 216), Hex("D8000000 00010000"));
  // The blobs follow, each value pointer holding where its values start.
  Bytes doc = testing::DocPropsValue(12, 1, 8), dev = testing::DevPropsValue(12);
  testing::PutU32(doc, 28, 216 + 32);
  testing::PutU32(dev, 16, 256 + 20);
  EXPECT_EQ(Bytes(priv.begin() + 216, priv.begin() + 256), doc);
  EXPECT_EQ(Bytes(priv.begin() + 256, priv.end()), dev);
}

TEST(DefaultDevmode, LandscapePlacementTurnsThePaper) {
  auto dm = BuildDefaultDevmode(u"Labels", SampleSetup(11, 2));
  ASSERT_TRUE(dm);
  EXPECT_EQ(dm->pub.dmOrientation, 2);
  EXPECT_EQ(dm->pub.dmPelsWidth, 199u);
  EXPECT_EQ(dm->pub.dmPelsHeight, 398u);
  EXPECT_EQ(dm->pub.dmPaperWidth, 254);
  EXPECT_EQ(dm->pub.dmPaperLength, 508);
  EXPECT_EQ(dm->I32(priv::kPhysicalX), 2);
  EXPECT_EQ(dm->I32(priv::kPhysicalY), 4);
  EXPECT_EQ(dm->I32(priv::kPhysicalWidth), 203);
  EXPECT_EQ(dm->I32(priv::kPhysicalHeight), 406);
}

TEST(DefaultDevmode, UnknownPaperIdTakesTheLastPaper) {
  auto dm = BuildDefaultDevmode(u"Labels", SampleSetup(99));
  ASSERT_TRUE(dm);
  EXPECT_EQ(dm->pub.dmPaperSize, 12 + 256);
  EXPECT_EQ(dm->pub.dmPelsWidth, 812u);
}

TEST(DefaultDevmode, APrivatePartThatOutgrowsItsSizeFieldIsRefused) {
  PrinterSetup setup = SampleSetup();
  setup.devProps = testing::DevPropsValue(0xFFFF - 216 - 40 - 20 + 1);
  EXPECT_FALSE(BuildDefaultDevmode(u"Labels", setup));
  setup.devProps = testing::DevPropsValue(0xFFFF - 216 - 40 - 20);
  EXPECT_TRUE(BuildDefaultDevmode(u"Labels", setup));
}

TEST(DefaultDevmode, DeviceNameKeepsAtMost31Characters) {
  const std::u16string name(40, u'n');
  auto dm = BuildDefaultDevmode(name, SampleSetup());
  ASSERT_TRUE(dm);
  EXPECT_EQ(Wide(dm->pub.dmDeviceName), std::u16string(31, u'n'));
}

TEST(ReplaceDevProps, ABlobOfAnotherSizeGetsItsOwnSlot) {
  for (DWORD size : {0u, 12u, 400u}) {
    auto dm = BuildDefaultDevmode(u"Labels", SampleSetup());
    ASSERT_TRUE(dm);
    const Bytes docBefore(dm->DocProps().begin(), dm->DocProps().end());
    const Bytes dev = testing::DevPropsValue(size);
    ASSERT_TRUE(ReplaceDevProps(*dm, dev)) << size;
    EXPECT_EQ(dm->pub.dmDriverExtra, 216 + 40 + 20 + size);
    EXPECT_EQ(dm->priv.size(), dm->pub.dmDriverExtra);
    EXPECT_EQ(Bytes(dm->DocProps().begin(), dm->DocProps().end()), docBefore);
    ASSERT_EQ(dm->DevProps().size(), dev.size());
    EXPECT_TRUE(std::equal(dev.begin() + 20, dev.end(), dm->DevProps().begin() + 20));
    EXPECT_EQ(dm->U32(priv::kDevPropsAt), 256u);
    EXPECT_EQ(dm->U32(256 + 16), 276u);
  }
  auto dm = BuildDefaultDevmode(u"Labels", SampleSetup());
  Bytes bad = testing::DevPropsValue(12);
  bad.pop_back();
  EXPECT_FALSE(ReplaceDevProps(*dm, bad));
  EXPECT_FALSE(ReplaceDevProps(*dm, testing::DevPropsValue(0xFFFF)));
}

using DefaultDevmodeFromPrinter = testing::PrinterFixture;

TEST_F(DefaultDevmodeFromPrinter, BuiltFromTheHostsValuesOrNotAtAll) {
  EXPECT_FALSE(BuildDefaultDevmode(u"Labels", printer()));
  StoreSample();
  auto dm = BuildDefaultDevmode(u"Labels", printer());
  ASSERT_TRUE(dm);
  EXPECT_EQ(dm->Bytes(), BuildDefaultDevmode(u"Labels", SampleSetup())->Bytes());
}

}  // namespace
}  // namespace trv::driver
