// The host stores the printer data the graphics driver reads, from the printer's
// language library: entry lists with their counts, the two option blobs and the
// configuration file's name.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "host/printer_data.h"
#include "host/tests/sample_printer.h"
#include "platform/stand_in.h"
#include "platform/wingdi.h"
#include "platform/winreg.h"
#include "platform/winspool.h"

namespace {

DWORD U32(const std::vector<BYTE>& v, size_t at) {
  DWORD x = 0;
  std::memcpy(&x, v.data() + at, 4);
  return x;
}

class HostPrinterData : public trv::testing::SampleCpclPrinterTest {
 protected:
  std::vector<BYTE> Value(const char* valueName) {
    HANDLE h = nullptr;
    std::string printer = "Labels", value = valueName;
    EXPECT_TRUE(OpenPrinterA(printer.data(), &h, nullptr));
    DWORD type = 0, needed = 0;
    GetPrinterDataA(h, value.data(), &type, nullptr, 0, &needed);
    std::vector<BYTE> bytes(needed);
    DWORD rc = GetPrinterDataA(h, value.data(), &type, bytes.data(), needed, &needed);
    ClosePrinter(h);
    if (rc != ERROR_SUCCESS) bytes.clear();
    return bytes;
  }
};

TEST_F(HostPrinterData, StoresEveryListWithItsCountAndBothBlobs) {
  std::vector<std::string> reported;
  ASSERT_TRUE(trv::host::RefreshPrinterData("Labels", [&](const trv::host::StoredValue& v) {
    reported.push_back(v.name);
  })) << GetLastError();
  EXPECT_EQ(reported, (std::vector<std::string>{"Models", "Trays", "Papers", "Fonts", "Barcodes",
                                                "Options", "DocProps", "DevProps"}));

  struct List {
    const char* name;
    DWORD recordSize;
  };
  for (const List& list : {List{"Models", 36}, List{"Trays", 20}, List{"Papers", 60},
                           List{"Fonts", 136}, List{"Barcodes", 128}, List{"Options", 32}}) {
    SCOPED_TRACE(list.name);
    const std::vector<BYTE> v = Value(list.name);
    ASSERT_GE(v.size(), 4u);
    const DWORD count = U32(v, v.size() - 4);
    ASSERT_GT(count, 0u);
    ASSERT_LE(size_t{count} * list.recordSize + 4, v.size());
    for (DWORD i = 0; i < count; ++i) EXPECT_EQ(U32(v, i * list.recordSize), list.recordSize);
  }
  // The model the printer was installed with leads the models, and its paper list
  // names its papers in the string pool after the records.
  const std::vector<BYTE> models = Value("Models");
  EXPECT_NE(models[4] | (models[5] << 8), 0);
  const std::vector<BYTE> papers = Value("Papers");
  const DWORD paperCount = U32(papers, papers.size() - 4);
  EXPECT_GE(U32(papers, 8), paperCount * 60);
  EXPECT_GT(U32(papers, 16), 0u);  // width in hundredths of a millimetre

  const std::vector<BYTE> doc = Value("DocProps"), dev = Value("DevProps");
  ASSERT_GE(doc.size(), 32u);
  ASSERT_GE(dev.size(), 20u);
  EXPECT_EQ(U32(doc, 0), 32u);
  EXPECT_EQ(doc.size(), 32u + U32(doc, 8));
  EXPECT_EQ(U32(dev, 0), 20u);
  EXPECT_EQ(dev.size(), 20u + U32(dev, 8));
  const std::vector<BYTE> config = Value("ConfigFile");
  EXPECT_STREQ(reinterpret_cast<const char*>(config.data()), "TRVUI.DLL");
}

// The refresh also stores the printer's default devmode with the driver's private
// part; a choice the current default already made (landscape) survives a refresh.
TEST_F(HostPrinterData, StoresTheDefaultDevmodeKeepingTheUsersChoices) {
  HANDLE h = nullptr;
  std::u16string name = u"Labels";
  ASSERT_TRUE(OpenPrinterW(reinterpret_cast<LPWSTR>(name.data()), &h, nullptr));
  // The printer's level-2 information, whose pDevMode points into it.
  auto info = [h] {
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    std::vector<BYTE> bytes(needed);
    EXPECT_TRUE(GetPrinterW(h, 2, bytes.data(), needed, &needed));
    return bytes;
  };
  auto defaultDevmode = [&] {
    const std::vector<BYTE> bytes = info();
    const DEVMODEW* dm = reinterpret_cast<const PRINTER_INFO_2W*>(bytes.data())->pDevMode;
    if (dm == nullptr) return std::vector<BYTE>{};
    const auto* at = reinterpret_cast<const BYTE*>(dm);
    return std::vector<BYTE>(at, at + dm->dmSize + dm->dmDriverExtra);
  };
  auto pub = [](const std::vector<BYTE>& dm) {
    DEVMODEW p{};
    std::memcpy(&p, dm.data(), sizeof p);
    return p;
  };
  ASSERT_TRUE(defaultDevmode().empty());
  ASSERT_TRUE(trv::host::RefreshPrinterData("Labels")) << GetLastError();
  std::vector<BYTE> dm = defaultDevmode();
  ASSERT_GE(dm.size(), sizeof(DEVMODEW));
  EXPECT_GT(pub(dm).dmDriverExtra, 0);
  EXPECT_EQ(std::u16string(pub(dm).dmDeviceName), u"Labels");
  EXPECT_EQ(pub(dm).dmOrientation, DMORIENT_PORTRAIT);

  // The user turns the default to landscape; the next refresh keeps it.
  std::vector<BYTE> changed = info();
  dm[offsetof(DEVMODEW, dmOrientation)] = DMORIENT_LANDSCAPE;
  reinterpret_cast<PRINTER_INFO_2W*>(changed.data())->pDevMode =
      reinterpret_cast<DEVMODEW*>(dm.data());
  ASSERT_TRUE(SetPrinterW(h, 2, changed.data(), 0)) << GetLastError();
  ASSERT_TRUE(trv::host::RefreshPrinterData("Labels")) << GetLastError();
  const std::vector<BYTE> kept = defaultDevmode();
  ClosePrinter(h);
  ASSERT_EQ(kept.size(), dm.size());
  EXPECT_EQ(pub(kept).dmOrientation, DMORIENT_LANDSCAPE);
}

TEST_F(HostPrinterData, RefusesPrintersItCannotServe) {
  SetLastError(0);
  EXPECT_FALSE(trv::host::RefreshPrinterData("No such printer"));
  EXPECT_NE(GetLastError(), 0u);
  // A printer whose monitor is not a language library of the suite gets nothing.
  InstallDriver("Plain", "Test Monitor");
  AddPrinter("Plain printer", "FILE:", "Plain");
  EXPECT_FALSE(trv::host::RefreshPrinterData("Plain printer"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  HANDLE h = nullptr;
  std::string printer = "Plain printer", value = "Models";
  ASSERT_TRUE(OpenPrinterA(printer.data(), &h, nullptr));
  DWORD type = 0, needed = 0;
  EXPECT_NE(GetPrinterDataA(h, value.data(), &type, nullptr, 0, &needed),
            static_cast<DWORD>(ERROR_MORE_DATA));
  ClosePrinter(h);
}

}  // namespace
