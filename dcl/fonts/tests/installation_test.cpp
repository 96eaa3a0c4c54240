// The font installation on its own: registration with Windows, the metrics step and
// the one WM_FONTCHANGE.
#include <cstring>
#include <string>
#include <vector>

#include "dcl/fonts/tests/fonts_fixture.h"
#include "platform/stand_in.h"
#include "platform/wingdi.h"
#include "platform/winreg.h"

namespace trv::dcl::fonts::testing {
namespace {

class Installation : public FontMachine {
 protected:
  void SetUp() override {
    FontMachine::SetUp();
    cookie = trv::AddBroadcastListener([this](const trv::PostedMessage& m) {
      if (m.message == WM_FONTCHANGE) ++fontChanges;
    });
    // The metrics file of a face that applications know as "DejaVu Sans".
    std::vector<BYTE> image;
    ASSERT_EQ(BuildMetricsImage(trv::WindowsPath(DejaVu("DejaVuSans.ttf")), 0, image),
              ERROR_SUCCESS);
    WriteHostFile(host(place.driverDirectory + "DVS.UFM"), image);
    metricsBytes = image;
  }
  void TearDown() override {
    trv::RemoveBroadcastListener(cookie);
    FontMachine::TearDown();
  }
  static FontInstallItem Item(const char* trueType, const char* metrics, DWORD actions,
                              DWORD flags = 0) {
    FontInstallItem item{"Entry", {}, actions};
    std::strcpy(item.info.trueTypeFile, trueType);
    std::strcpy(item.info.metricsFile, metrics);
    item.info.flags = flags;
    return item;
  }
  std::string FontsValue(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WindowsFontsKeyName(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
      return "<no key>";
    char data[MAX_PATH] = "";
    DWORD size = sizeof data;
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? data : "<none>";
  }
  std::vector<BYTE> Stored(const char* name) {
    DWORD size = 0;
    if (RegQueryValueExA(driverData, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
      return {};
    std::vector<BYTE> bytes(size);
    RegQueryValueExA(driverData, name, nullptr, nullptr, bytes.data(), &size);
    return bytes;
  }
  int cookie = 0;
  int fontChanges = 0;
  std::vector<BYTE> metricsBytes;
};

TEST_F(Installation, AnEmptyListSucceedsAndANullListWithACountDoesNot) {
  EXPECT_TRUE(RunFontInstallation(place, nullptr, 0));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(RunFontInstallation(place, nullptr, 1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(fontChanges, 0);
}

TEST_F(Installation, RegistersTheFileStoresTheMetricsAndBroadcastsOnce) {
  AddToFontsFolder(DejaVu("DejaVuSans.ttf"), "dvs.ttf");
  FontInstallItem items[] = {Item("dvs.ttf", "DVS.UFM", 0x111)};
  ASSERT_TRUE(RunFontInstallation(place, items, 1)) << GetLastError();
  EXPECT_EQ(FontsValue("DejaVu Sans"), "DVS.TTF");
  EXPECT_EQ(Stored("UFM:DVS.UFM"), metricsBytes);
  EXPECT_EQ(fontChanges, 1);
  auto loaded = trv::LoadedFontFiles();
  EXPECT_EQ(
      std::count_if(loaded.begin(), loaded.end(),
                    [](const std::string& f) { return f.find("dvs.ttf") != std::string::npos; }),
      1);

  // Again: the value is there and so are the metrics; nothing changes.
  ASSERT_TRUE(RunFontInstallation(place, items, 1));
  EXPECT_EQ(fontChanges, 1);
}

TEST_F(Installation, AFailedRegistrationStoresNoValueSoTheNextSaveTriesAgain) {
  FontInstallItem items[] = {Item("absent.ttf", "DVS.UFM", 0x01)};
  ASSERT_TRUE(RunFontInstallation(place, items, 1));
  EXPECT_EQ(FontsValue("DejaVu Sans"), "<none>");
  EXPECT_EQ(fontChanges, 0);
  AddToFontsFolder(DejaVu("DejaVuSans.ttf"), "absent.ttf");
  ASSERT_TRUE(RunFontInstallation(place, items, 1));
  EXPECT_EQ(FontsValue("DejaVu Sans"), "ABSENT.TTF");
  EXPECT_EQ(fontChanges, 1);
}

TEST_F(Installation, RemovalDeletesTheValueOnlyWhenItNamesThisFile) {
  AddToFontsFolder(DejaVu("DejaVuSans.ttf"), "one.ttf");
  AddToFontsFolder(DejaVu("DejaVuSans.ttf"), "two.ttf");
  FontInstallItem add[] = {Item("one.ttf", "DVS.UFM", 0x01)};
  ASSERT_TRUE(RunFontInstallation(place, add, 1));
  ASSERT_EQ(FontsValue("DejaVu Sans"), "ONE.TTF");
  FontInstallItem removeOther[] = {Item("two.ttf", "DVS.UFM", 0x02)};
  ASSERT_TRUE(RunFontInstallation(place, removeOther, 1));
  EXPECT_EQ(FontsValue("DejaVu Sans"), "ONE.TTF");
  FontInstallItem removeThis[] = {Item("one.ttf", "DVS.UFM", 0x02)};
  ASSERT_TRUE(RunFontInstallation(place, removeThis, 1));
  EXPECT_EQ(FontsValue("DejaVu Sans"), "<none>");
}

TEST_F(Installation, TheMetricsStepStopsAtTheFirstFailureAndKeepsWhatCameBefore) {
  WriteHostFile(host(place.driverDirectory + "EMPTY.UFM"), {});
  std::vector<BYTE> cut(metricsBytes.begin(), metricsBytes.begin() + 100);
  WriteHostFile(host(place.driverDirectory + "CUT.UFM"), cut);
  struct Case {
    const char* metrics;
    DWORD flags;
    DWORD error;
  };
  const Case cases[] = {{"", 0, ERROR_INVALID_PARAMETER},
                        {"EMPTY.UFM", 0, ERROR_BAD_FORMAT},
                        {"CUT.UFM", 0, ERROR_BAD_FORMAT},
                        {"NONE.UFM", 0, ERROR_FILE_NOT_FOUND},
                        {"GEN.UFM", 0x02, ERROR_FILE_NOT_FOUND}};  // no face "Entry" anywhere
  for (const Case& c : cases) {
    FontInstallItem items[] = {Item("", "DVS.UFM", 0x100), Item("", c.metrics, 0x100, c.flags),
                               Item("", "LATER.UFM", 0x100)};
    RegDeleteValueA(driverData, "UFM:DVS.UFM");
    fontChanges = 0;
    SetLastError(0);
    EXPECT_FALSE(RunFontInstallation(place, items, 3)) << c.metrics;
    EXPECT_EQ(GetLastError(), c.error) << c.metrics;
    EXPECT_EQ(Stored("UFM:DVS.UFM"), metricsBytes) << c.metrics;
    EXPECT_EQ(fontChanges, 1) << c.metrics;
  }
  FontPlace closed{nullptr, place.driverDirectory};
  FontInstallItem items[] = {Item("", "DVS.UFM", 0x100)};
  EXPECT_FALSE(RunFontInstallation(closed, items, 1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANTOPEN));
}

TEST_F(Installation, ATrueTypeTextFontIsGeneratedFromItsFace) {
  AddToFontsFolder(DejaVu("DejaVuSansMono.ttf"), "DejaVuSansMono.ttf");
  FontInstallItem item = Item("", "DEJAVU~1.UFM", 0x100, 0x02);
  std::strcpy(item.info.faceName, "DejaVu Sans Mono");
  ASSERT_TRUE(RunFontInstallation(place, &item, 1)) << GetLastError();
  std::vector<BYTE> stored = Stored("UFM:DEJAVU~1.UFM");
  EXPECT_EQ(stored, HostBytes(host(place.driverDirectory + "DEJAVU~1.ufm")));
  EXPECT_EQ(CheckUfmImage(stored), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(fontChanges, 1);
}

TEST_F(Installation, TheSubstituteOfABarcodeIsRemovedOnTheNtFamilyOnly) {
  for (Platform platform : {Platform::Win2000OrLater, Platform::Win98}) {
    trv::SetPlatform(platform);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, FontSubstitutesKeyName(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char value[] = "Arial";
    ASSERT_EQ(RegSetValueExA(key, "TB:Entry", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             sizeof value),
              ERROR_SUCCESS);
    FontInstallItem items[] = {Item("", "DVS.UFM", 0x10)};
    ASSERT_TRUE(RunFontInstallation(place, items, 1));
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, "TB:Entry", nullptr, nullptr, nullptr, &size);
    EXPECT_EQ(rc, platform == Platform::Win98 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
  }
  EXPECT_EQ(fontChanges, 0);
}

}  // namespace
}  // namespace trv::dcl::fonts::testing
