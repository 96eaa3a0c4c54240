// The suite's sample models loaded by their libraries from the driver folder, as a
// host meets them: each one installs and serves its lists, and loads again from the
// registry unchanged.
#include <string>
#include <vector>

#include "dcl/object/tests/configuration_fixture.h"

namespace trv::dcl::testing {
namespace {

constexpr size_t kPaperSize = 60;
constexpr size_t kTextFontSize = 136;
constexpr size_t kBarcodeSize = 128;

struct Model {
  const char* library;
  const char* dataFile;
  LONG dpi;
  LONG defaultWidth, defaultHeight;  // hundredths of a millimetre
  LONG darkness;
  LONG printSpeed;
};

void PrintTo(const Model& m, std::ostream* os) { *os << m.dataFile; }

class SampleModel : public Configuration, public ::testing::WithParamInterface<Model> {
 protected:
  void SetUp() override {
    Configuration::SetUp();
    InstallSamples();
    UseLibrary(GetParam().library);
  }
};

TEST_P(SampleModel, InstallsAndServesItsLists) {
  const Model& m = GetParam();
  CDCLBase* o = Create("Sample", m.dataFile);
  ASSERT_NE(o, nullptr) << GetLastError();
  const std::string key = DriverDataPath("Sample");

  ListResult models = Models(o);
  ASSERT_EQ(models.count, 1u);
  EXPECT_EQ(At<LONG>(models.bytes.data(), 20), m.dpi);
  EXPECT_EQ(At<LONG>(models.bytes.data(), 24), m.dpi);

  LONG minimum[2], maximum[2];
  ASSERT_EQ(table_.Configure(o, nullptr, nullptr, nullptr, 17, minimum, nullptr, nullptr), 1);
  ASSERT_EQ(table_.Configure(o, nullptr, nullptr, nullptr, 18, maximum, nullptr, nullptr), 1);

  // Every installed paper fits the model; the user paper has its largest size and
  // exactly one paper, of the default size, is the default.
  ListResult papers = Papers(o, 1);
  ASSERT_GT(papers.count, 1u);
  EXPECT_EQ(SubkeyCount(key + "\\Papers"), papers.count);
  size_t texts = 0, defaults = 0;
  for (DWORD i = 0; i < papers.count; ++i) {
    const BYTE* e = papers.bytes.data() + i * kPaperSize;
    std::string name = papers.Text(i * kPaperSize + 8);
    SCOPED_TRACE(name);
    texts += name.size() + 1;
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find('%'), std::string::npos);  // templates and text numbers resolved
    LONG width = At<LONG>(e, 16), height = At<LONG>(e, 20);
    if (At<WORD>(e, 4) == 0) {
      EXPECT_EQ(width, maximum[0]);
      EXPECT_EQ(height, maximum[1]);
    } else {
      EXPECT_TRUE(width >= minimum[0] && width <= maximum[0]) << width;
      EXPECT_TRUE(height >= minimum[1] && height <= maximum[1]) << height;
    }
    EXPECT_EQ(At<LONG>(e, 24), MulDiv(width, m.dpi, 2540));
    if (At<WORD>(e, 48) & 0x4000) {
      ++defaults;
      EXPECT_EQ(width, m.defaultWidth);
      EXPECT_EQ(height, m.defaultHeight);
    }
  }
  EXPECT_EQ(defaults, 1u);
  EXPECT_EQ(papers.needed, papers.count * kPaperSize + texts);

  // Resident fonts and bar codes carry the printer's prefix in their face names.
  ListResult fonts = TextFonts(o);
  ASSERT_GT(fonts.count, 0u);
  EXPECT_EQ(SubkeyCount(key + "\\Fonts"), fonts.count);
  EXPECT_EQ(fonts.needed, fonts.count * kTextFontSize);
  for (DWORD i = 0; i < fonts.count; ++i)
    EXPECT_EQ(fonts.Chars(i * kTextFontSize + 32, 48).rfind("TB:", 0), 0u) << i;
  ListResult barcodes = Barcodes(o);
  ASSERT_GT(barcodes.count, 0u);
  EXPECT_EQ(SubkeyCount(key + "\\Barcodes"), barcodes.count);
  for (DWORD i = 0; i < barcodes.count; ++i)
    EXPECT_EQ(barcodes.Chars(i * kBarcodeSize + 24, 48).rfind("TB:", 0), 0u) << i;

  // The tray and the model come from the language file.
  ListResult trays = List(
      [&](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return table_.GetTrayList(o, 1, b, s, n, c); });
  ASSERT_EQ(trays.count, 1u);
  EXPECT_EQ(trays.Text(8), "Label Roll");
  EXPECT_EQ(models.Text(8), "Label Printer");

  // The document's defaults follow the model data file.
  std::vector<BYTE> doc = DocProps(o), dev = DevProps(o);
  EXPECT_EQ(Setting(o, doc, dev, 0x3012), m.darkness);
  EXPECT_EQ(Setting(o, doc, dev, 0x3008), m.printSpeed);
  EXPECT_TRUE(Terminate(o));

  // A second object on the same printer serves what the registry holds, unchanged.
  CDCLBase* again = Create("Sample", m.dataFile);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Papers(again, 1).bytes, papers.bytes);
  EXPECT_EQ(TextFonts(again).count, fonts.count);
  EXPECT_EQ(Barcodes(again).count, barcodes.count);
  EXPECT_EQ(SubkeyCount(key + "\\Papers"), papers.count);
  EXPECT_TRUE(Terminate(again));
}

INSTANTIATE_TEST_SUITE_P(
    Models, SampleModel,
    ::testing::Values(Model{"TRVCPL.DLL", "TRVCP2.DAT", 203, 5080, 2540, 50, 3},
                      Model{"TRVCPL.DLL", "TRVCP4.DAT", 203, 10160, 15240, 0, 3},
                      Model{"TRVEPL.DLL", "TRVEP2.DAT", 203, 10160, 15240, 8, 3},
                      Model{"TRVEPL.DLL", "TRVEP3.DAT", 300, 10160, 15240, 8, 2}),
    [](const ::testing::TestParamInfo<Model>& info) {
      std::string name = info.param.dataFile;
      return name.substr(0, name.find('.'));
    });

}  // namespace
}  // namespace trv::dcl::testing
