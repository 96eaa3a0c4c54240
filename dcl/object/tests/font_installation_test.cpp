// The sample models' first configuration installs their fonts: the bar-code TrueType
// font registered with Windows, every metrics value stored, one WM_FONTCHANGE; a
// later save of the same lists changes nothing, and a TrueType text font without a
// metrics name fails its save with the old list whole.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "dcl/object/printer_registry.h"
#include "dcl/object/tests/configuration_fixture.h"
#include "platform/stand_in.h"
#include "platform/wingdi.h"
#include "platform/winreg.h"

namespace trv::dcl::testing {
namespace {

struct Model {
  const char* library;
  const char* dataFile;
  LONG dpi;
};
void PrintTo(const Model& m, std::ostream* os) { *os << m.dataFile; }

// Every value of a key, by name.
std::map<std::string, std::string> Values(HKEY root, const std::string& path) {
  std::map<std::string, std::string> values;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
  for (DWORD i = 0;; ++i) {
    char name[256];
    std::vector<BYTE> data(1 << 16);
    DWORD nameLength = sizeof name, size = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS)
      break;
    values[name] = std::string(data.begin(), data.begin() + size);
  }
  RegCloseKey(key);
  return values;
}

class SampleFonts : public Configuration, public ::testing::WithParamInterface<Model> {
 protected:
  void SetUp() override {
    Configuration::SetUp();
    InstallSamples();
    UseLibrary(GetParam().library);
    cookie_ = trv::AddBroadcastListener([this](const trv::PostedMessage& m) {
      if (m.message == WM_FONTCHANGE) ++fontChanges;
    });
  }
  void TearDown() override {
    trv::RemoveBroadcastListener(cookie_);
    Configuration::TearDown();
  }
  std::map<std::string, std::string> FontsKey() {
    return Values(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
  }
  std::map<std::string, std::string> MetricsValues() {
    std::map<std::string, std::string> metrics;
    for (auto& [name, data] : Values(HKEY_LOCAL_MACHINE, DriverDataPath("Sample")))
      if (name.rfind("UFM:", 0) == 0) metrics[name] = data;
    return metrics;
  }
  int fontChanges = 0;

 private:
  int cookie_ = 0;
};

TEST_P(SampleFonts, FirstConfigurationInstallsAndALaterSaveChangesNothing) {
  CDCLBase* o = Create("Sample", GetParam().dataFile);
  ASSERT_NE(o, nullptr) << GetLastError();

  // The bar-code font is registered under the face its metrics name, in the file name
  // the NT family uses for it.
  auto fonts = FontsKey();
  ASSERT_EQ(fonts.count("TRV Code 39"), 1u);
  EXPECT_EQ(fonts["TRV Code 39"], std::string("TRVBARNT.TTF") + '\0');
  auto loaded = trv::LoadedFontFiles();
  EXPECT_TRUE(std::any_of(loaded.begin(), loaded.end(), [](const std::string& f) {
    return f.find("TRVBARNT.TTF") != std::string::npos;
  }));
  EXPECT_EQ(fontChanges, 1);

  // Every installed font and bar code has its metrics stored, the file's bytes.
  PrinterRegistry reg;
  ASSERT_TRUE(reg.Open("Sample"));
  StoredLists lists;
  ASSERT_EQ(ReadStoredLists(reg.fonts(), reg.barcodes(), lists), ERROR_SUCCESS);
  ASSERT_FALSE(lists.fonts.empty());
  ASSERT_FALSE(lists.barcodes.empty());
  auto metrics = MetricsValues();
  std::vector<std::string> names;
  for (const auto& f : lists.fonts) names.emplace_back(f.info.metricsFile);
  for (const auto& b : lists.barcodes) names.emplace_back(b.info.metricsFile);
  EXPECT_EQ(metrics.size(), names.size());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ASSERT_EQ(metrics.count("UFM:" + name), 1u);
    EXPECT_EQ(metrics["UFM:" + name], readFile(driverDirectory() + name));
  }

  // A later save of the same lists: nothing in the fonts key or the metrics moves.
  std::vector<FontInstallItem> install;
  ASSERT_TRUE(reg.SaveBarcodes(lists.barcodes, lists.properties, false, install)) << GetLastError();
  ASSERT_TRUE(reg.SaveTextFonts(lists.fonts, false, GetParam().dpi, install)) << GetLastError();
  EXPECT_EQ(FontsKey(), fonts);
  EXPECT_EQ(MetricsValues(), metrics);
  EXPECT_EQ(fontChanges, 1);

  // A TrueType text font without a metrics name fails the save; the list stays.
  std::vector<std::string> before = SubkeyNames(DriverDataPath("Sample") + "\\Fonts");
  std::vector<TextFontEntry> withTrueType = lists.fonts;
  TextFontEntry trueType = lists.fonts.front();
  trueType.info.flags |= 0x02;
  std::memset(trueType.info.metricsFile, 0, sizeof trueType.info.metricsFile);
  std::strcpy(trueType.info.faceName, "DejaVu Sans");
  withTrueType.push_back(trueType);
  SetLastError(0);
  EXPECT_FALSE(reg.SaveTextFonts(withTrueType, false, GetParam().dpi, install));
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(SubkeyNames(DriverDataPath("Sample") + "\\Fonts"), before);
  EXPECT_EQ(MetricsValues(), metrics);
  reg.Close();
  EXPECT_TRUE(Terminate(o));
}

INSTANTIATE_TEST_SUITE_P(Models, SampleFonts,
                         ::testing::Values(Model{"TRVCPL.DLL", "TRVCP2.DAT", 203},
                                           Model{"TRVCPL.DLL", "TRVCP4.DAT", 203},
                                           Model{"TRVEPL.DLL", "TRVEP2.DAT", 203},
                                           Model{"TRVEPL.DLL", "TRVEP3.DAT", 300}),
                         [](const ::testing::TestParamInfo<Model>& info) {
                           std::string name = info.param.dataFile;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace trv::dcl::testing
