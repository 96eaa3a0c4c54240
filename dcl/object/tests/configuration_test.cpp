// Loading a printer's configuration through the exports: the language file, the
// model definition file, the model data file and the printer's registry lists, and
// what the host is served from them.
#include <cctype>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "dcl/object/tests/configuration_fixture.h"
#include "platform/stand_in.h"

namespace trv::dcl::testing {
namespace {

constexpr size_t kPaperSize = 60;
constexpr size_t kTextFontSize = 136;
constexpr size_t kBarcodeSize = 128;

// A small model definition whose outcome can be told by hand at 203 dpi.
const char* kDefinition =
    "; papers: key, id, name, icon, size, offsets, usable, flags\n"
    "[PAPERS]\n"
    "ENUMUSEFORALL,PAPER_USER,Custom,0,(0,0),(0,0),(0,0),0\n"
    "ENUMUSEFORALL,2,Shipping,0,(10160,15240),(100,200),(0,0),1\n"
    "ENUMUSEFORALL,3,Too wide,0,(20000,10000),(0,0),(0,0),1\n"
    "ENUMUSEFORALL,4,Small,0,(5080,2540),(0,0),(0,0),1\n"
    "5,6,Other tray,0,(5080,2540),(0,0),(0,0),1\n"
    "[FONTS]\n"
    "ENUMUSEFORALL,1,Font 0,0,0,(0,0),,CPF00.UFM,0,T 0 0 %x %y\n"
    "ENUMUSEFOR200DPIS,2,Font 7,0,0,(2,2),,CPF70.UFM,0,T 7 0 %x %y\n"
    "ENUMUSEFOR300DPIS,3,Font 7 at 300,0,0,(0,0),,CPF71.UFM,0,T 7 1 %x %y\n"
    "[BARCODES]\n"
    "ENUMUSEFORALL,1,Code 39,39,0,,CPB128.UFM,0,BARCODE 39 1 1 %(18) %x %y %d\n"
    "[BARCODEOPTIONS]\n"
    "1,0x18,1,Height,50,DCLNAME|DCLBARHEIGHT\n"
    "ENUMUSEFORALL,0x18,0,,50,DCLDEFAULT\n";

const char* kModel =
    "[Config]\n"
    "Config=Configuration\n"
    "PrinterName=Test 203\n"
    "DotsPerMM=8\n"
    "DefPaperWidth=4\n"
    "DefPaperHeight=6\n"
    "MinPaperWidth=12.5mm\n"
    "MinPaperHeight=10mm\n"
    "MaxPaperWidth=110mm\n"
    "MaxPaperHeight=500mm\n"
    "DefDensity=12\n"
    "MinDensity=0\n"
    "MaxDensity=30\n"
    "DefPrintRate=3\n"
    "MinPrintRate=2\n"
    "MaxPrintRate=4";  // no line break after the last line

class LoadTest : public Configuration {
 protected:
  void SetUp() override {
    Configuration::SetUp();
    InstallText("TRVCPL.DEF", kDefinition);
    InstallText("MODEL.DAT", kModel);
    InstallText("trvprd.cfg", "[Private]\nInternalFont=1\n");
    // A first load stores the metrics of every font and bar code it installs.
    for (const char* metrics : {"CPF00.UFM", "CPF70.UFM", "CPF71.UFM", "CPB128.UFM"})
      Install(metrics);
    UseLibrary("TRVCPL.DLL");
  }
};

TEST_F(LoadTest, FirstLoadPopulatesTheListsAndServesThem) {
  CDCLBase* o = Create("Label", "MODEL.DAT");
  ASSERT_NE(o, nullptr) << GetLastError();
  const std::string key = DriverDataPath("Label");
  EXPECT_EQ(SubkeyNames(key), (std::vector<std::string>{"Barcodes", "Fonts", "Papers"}));
  // The wide paper and the other tray's paper stay out; the 4 x 6 paper is the default.
  EXPECT_EQ(SubkeyNames(key + "\\Papers"),
            (std::vector<std::string>{"0x0000-Custom", "0x0001-Shipping", "0x0003-Small"}));
  EXPECT_EQ(SubkeyNames(key + "\\Fonts"),
            (std::vector<std::string>{"0x0000-Font 0", "0x0001-Font 7"}));

  ListResult papers = Papers(o, 1);
  ASSERT_EQ(papers.count, 3u);
  EXPECT_EQ(papers.needed, 3 * kPaperSize + sizeof "Custom" + sizeof "Shipping" + sizeof "Small");
  const BYTE* p = papers.bytes.data();
  struct Expect {
    WORD id;
    const char* name;
    LONG width, height, widthDots, heightDots, left, top;
    WORD flags;
  } expected[] = {
      // The user paper takes the largest size the printer takes.
      {0, "Custom", 11000, 50000, 879, 3996, 0, 0, 0},
      {2, "Shipping", 10160, 15240, 812, 1218, 8, 16, 0x4001},
      {4, "Small", 5080, 2540, 406, 203, 0, 0, 0x0001},
  };
  for (size_t i = 0; i < 3; ++i) {
    const BYTE* e = p + i * kPaperSize;
    const Expect& x = expected[i];
    SCOPED_TRACE(x.name);
    EXPECT_EQ(At<DWORD>(e, 0), kPaperSize);
    EXPECT_EQ(At<WORD>(e, 4), x.id);
    EXPECT_EQ(papers.Text(i * kPaperSize + 8), x.name);
    EXPECT_EQ(At<LONG>(e, 16), x.width);
    EXPECT_EQ(At<LONG>(e, 20), x.height);
    EXPECT_EQ(At<LONG>(e, 24), x.widthDots);
    EXPECT_EQ(At<LONG>(e, 28), x.heightDots);
    EXPECT_EQ(At<LONG>(e, 32), x.left);
    EXPECT_EQ(At<LONG>(e, 36), x.top);
    EXPECT_EQ(At<LONG>(e, 40), x.widthDots - x.left);
    EXPECT_EQ(At<LONG>(e, 44), x.heightDots - x.top);
    EXPECT_EQ(At<WORD>(e, 48), x.flags);
  }

  // Resident fonts and bar codes are served under the printer's own prefix, which
  // the host sees as their face names; their text fields are the library's own.
  ListResult fonts = TextFonts(o);
  ASSERT_EQ(fonts.count, 2u);
  EXPECT_EQ(fonts.needed, 2 * kTextFontSize);
  EXPECT_EQ(fonts.Chars(32, 48), "TB:Font 0");
  EXPECT_EQ(fonts.Chars(kTextFontSize + 32, 48), "TB:Font 7");
  EXPECT_EQ(At<DWORD>(fonts.bytes.data(), 32 + 80) & 0x300u,
            0x200u);                                               // resident: vertical multiplier
  EXPECT_EQ(At<LONG>(fonts.bytes.data(), kTextFontSize + 24), 2);  // maximum multipliers
  ListResult barcodes = Barcodes(o);
  ASSERT_EQ(barcodes.count, 1u);
  EXPECT_EQ(barcodes.needed, kBarcodeSize);
  EXPECT_EQ(barcodes.Chars(24, 48), "TB:Code 39");
  // The bar code's default property: its flags, then its value text.
  HKEY properties = nullptr;
  ASSERT_EQ(
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, (key + "\\Barcodes\\0x0000-Code 39\\Properties").c_str(), 0,
                    KEY_READ, &properties),
      ERROR_SUCCESS);
  BYTE data[16] = {};
  DWORD size = sizeof data, type = 0;
  EXPECT_EQ(RegQueryValueExA(properties, "(0x0018)", nullptr, &type, data, &size), ERROR_SUCCESS);
  RegCloseKey(properties);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), std::string("\x00\x40"
                                                                          "50",
                                                                          4));

  // The model carries the printer's resolution; its name comes from the language file.
  ListResult models = Models(o);
  ASSERT_EQ(models.count, 1u);
  EXPECT_EQ(models.Text(8), "Label Printer");
  EXPECT_EQ(At<LONG>(models.bytes.data(), 20), 203);
  EXPECT_EQ(At<LONG>(models.bytes.data(), 24), 203);

  // The paper limits, in hundredths of a millimetre.
  LONG limits[2] = {0, 0};
  EXPECT_EQ(table_.Configure(o, nullptr, nullptr, nullptr, 17, limits, nullptr, nullptr), 1);
  EXPECT_EQ(limits[0], 1250);
  EXPECT_EQ(limits[1], 1000);
  EXPECT_EQ(table_.Configure(o, nullptr, nullptr, nullptr, 18, limits, nullptr, nullptr), 1);
  EXPECT_EQ(limits[0], 11000);
  EXPECT_EQ(limits[1], 50000);
  EXPECT_EQ(table_.Configure(o, nullptr, nullptr, nullptr, 18, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // The document defaults follow the model data file; the default paper is the 4 x 6.
  std::vector<BYTE> doc = DocProps(o), dev = DevProps(o);
  EXPECT_EQ(At<WORD>(doc.data(), 16), 2u);
  EXPECT_EQ(Setting(o, doc, dev, 0x3012), 12);  // darkness
  EXPECT_EQ(Setting(o, doc, dev, 0x3008), 3);   // print speed
  EXPECT_EQ(table_.OptionCommand(o, doc.data(), dev.data(), 0x3012, 81, 0, 0),
            1024);  // CPCL's limit
  EXPECT_TRUE(Terminate(o));
}

// The lists without the text fields of fonts and bar codes, which refer to texts
// of the library that differ from one load to the next.
std::vector<BYTE> Comparable(ListResult list, size_t itemSize,
                             std::initializer_list<size_t> textFields) {
  for (size_t at = 0; at + itemSize <= list.bytes.size(); at += itemSize)
    for (size_t field : textFields) std::memset(list.bytes.data() + at + field, 0, 4);
  return list.bytes;
}

TEST_F(LoadTest, ASecondLoadReadsTheListsBackInsteadOfPopulatingThemAgain) {
  CDCLBase* first = Create("Label", "MODEL.DAT");
  ASSERT_NE(first, nullptr);
  std::vector<BYTE> papers = Papers(first).bytes;
  std::vector<BYTE> fonts = Comparable(TextFonts(first), kTextFontSize, {8, 12});
  std::vector<BYTE> barcodes = Comparable(Barcodes(first), kBarcodeSize, {8, 12, 16});
  ASSERT_TRUE(Terminate(first));

  CDCLBase* second = Create("Label", "MODEL.DAT");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(Papers(second).bytes, papers);
  EXPECT_EQ(Comparable(TextFonts(second), kTextFontSize, {8, 12}), fonts);
  EXPECT_EQ(Comparable(Barcodes(second), kBarcodeSize, {8, 12, 16}), barcodes);
  ASSERT_TRUE(Terminate(second));

  // What the user changed in the registry is what the next load serves.
  const std::string list = DriverDataPath("Label") + "\\Papers";
  ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, (list + "\\0x0003-Small").c_str()), ERROR_SUCCESS);
  CDCLBase* third = Create("Label", "MODEL.DAT");
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(Papers(third).count, 2u);
  EXPECT_TRUE(Terminate(third));
}

TEST_F(LoadTest, WithoutADefaultSizedPaperTheDefaultLabelIsAdded) {
  std::string model = kModel;
  model.replace(model.find("DefPaperWidth=4"), 15, "DefPaperWidth=3");
  InstallText("MODEL.DAT", model);
  CDCLBase* o = Create("Label", "MODEL.DAT");
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(SubkeyNames(DriverDataPath("Label") + "\\Papers"),
            (std::vector<std::string>{"0x0000-Custom", "0x0001-Shipping", "0x0003-Small",
                                      "0x0005-Default Label"}));
  ListResult papers = Papers(o);
  ASSERT_EQ(papers.count, 4u);
  const size_t last = 3 * kPaperSize;
  EXPECT_EQ(At<WORD>(papers.bytes.data(), last + 4), 5u);  // one above the largest id
  EXPECT_EQ(At<WORD>(papers.bytes.data(), last + 48), 0x4001u);
  EXPECT_EQ(At<WORD>(papers.bytes.data(), kPaperSize + 48), 0x0001u);
  EXPECT_TRUE(Terminate(o));
}

TEST_F(LoadTest, ThePrintersOwnSettingsCount) {
  // A connection's key uses commas for its backslashes when that key exists; the
  // unit and the resolution override are the printer's.
  const std::string key = DriverDataPath(",,srv,lbl");
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &k, nullptr),
            ERROR_SUCCESS);
  DWORD dpi = 300, unit = 3;
  RegSetValueExA(k, "UseDPIRegistry", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dpi), 4);
  RegSetValueExA(k, "UserMetrics", 0, REG_DWORD, reinterpret_cast<BYTE*>(&unit), 4);
  RegCloseKey(k);

  CDCLBase* o = Create("\\\\srv\\lbl", "MODEL.DAT");
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(SubkeyCount(key + "\\Papers"), 3u);
  EXPECT_EQ(SubkeyCount(DriverDataPath("\\\\srv\\lbl")), 0u);
  EXPECT_EQ(At<LONG>(Models(o).bytes.data(), 20), 300);
  // At 300 dpi the 300-dpi font is the one installed.
  EXPECT_EQ(SubkeyNames(key + "\\Fonts"),
            (std::vector<std::string>{"0x0000-Font 0", "0x0002-Font 7 at 300"}));
  // Speeds are shown in the printer's unit, inches.
  std::vector<BYTE> doc = DocProps(o), dev = DevProps(o);
  EXPECT_EQ(table_.OptionCommand(o, doc.data(), dev.data(), 0x3008, 50, 0, 0), 3);
  EXPECT_STREQ(reinterpret_cast<const char*>(
                   table_.OptionCommand(o, doc.data(), dev.data(), 0x3008, 52, 0, 0)),
               "2.00 in/Sec");
  EXPECT_TRUE(Terminate(o));
}

TEST_F(LoadTest, AMissingUnitIsWrittenAsCentimetres) {
  CDCLBase* o = Create("Label", "MODEL.DAT");
  ASSERT_NE(o, nullptr);
  DWORD unit = 0, size = sizeof unit, type = 0;
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, DriverDataPath("Label").c_str(), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(
      RegQueryValueExA(key, "UserMetrics", nullptr, &type, reinterpret_cast<BYTE*>(&unit), &size),
      ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(unit, 2u);
  EXPECT_TRUE(Terminate(o));
}

// An installed entry that cannot be read fails the list query with the read's
// error, both when measuring and when filling; it is never served as a blank entry.
TEST_F(LoadTest, AListWithAnUnreadableEntryFailsWithTheReadsError) {
  CDCLBase* o = Create("Label", "MODEL.DAT");
  ASSERT_NE(o, nullptr) << GetLastError();
  const std::string key = DriverDataPath("Label");
  struct Case {
    const char* entry;
    const char* value;
    std::function<BOOL(BYTE*, DWORD, DWORD*, DWORD*)> query;
  } cases[] = {
      {"\\Papers\\0x0001-Shipping", "Size",
       [&](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return table_.GetPaperList(o, 1, b, s, n, c); }},
      {"\\Fonts\\0x0001-Font 7", "FontInfo",
       [&](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
         return table_.GetTextFontList(o, 1, b, s, n, c);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    HKEY entry = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (key + c.entry).c_str(), 0, KEY_ALL_ACCESS, &entry),
              ERROR_SUCCESS);
    const DWORD wrongType = 7;
    ASSERT_EQ(RegSetValueExA(entry, c.value, 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&wrongType), sizeof wrongType),
              ERROR_SUCCESS);
    RegCloseKey(entry);
    std::vector<BYTE> buffer(4096);
    for (BYTE* b : {static_cast<BYTE*>(nullptr), buffer.data()}) {
      DWORD needed = 0xdeadbeef, count = 0xdeadbeef;
      SetLastError(0xdeadbeef);
      EXPECT_FALSE(c.query(b, b ? 4096 : 0, &needed, &count));
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANTREAD));
    }
  }
  EXPECT_TRUE(Terminate(o));
}

TEST_F(LoadTest, WithoutTheProductConfigurationTheListsAreLeftAlone) {
  Remove("trvprd.cfg");
  CDCLBase* o = Create("Label", "MODEL.DAT");
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(SubkeyCount(DriverDataPath("Label") + "\\Papers"), 0u);
  EXPECT_EQ(Papers(o).count, 0u);
  // Option 0x3018 is offered only once a load is complete.
  ListResult options = Options(o);
  bool offered = false;
  for (DWORD i = 0; i < options.count; ++i)
    offered |= At<WORD>(options.bytes.data(), i * 32 + 4) == 0x3018;
  EXPECT_FALSE(offered);
  EXPECT_TRUE(Terminate(o));
}

// A failing load creates no object and writes no list.
struct Failure {
  const char* what;
  const char* file;  // replaced by `text`, or removed when text is null
  const char* text;
  DWORD error;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.what; }

class FailingLoad : public LoadTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(FailingLoad, CreatesNothing) {
  const Failure& f = GetParam();
  if (f.text != nullptr)
    InstallText(f.file, f.text);
  else
    Remove(f.file);
  EXPECT_EQ(Create("Label", "MODEL.DAT"), nullptr);
  EXPECT_EQ(GetLastError(), f.error);
  EXPECT_EQ(SubkeyCount(DriverDataPath("Label") + "\\Papers"), 0u);
  EXPECT_EQ(SubkeyCount(DriverDataPath("Label") + "\\Fonts"), 0u);
  EXPECT_EQ(SubkeyCount(DriverDataPath("Label") + "\\Barcodes"), 0u);
  // Once the file is right the same printer loads.
  InstallText("TRVCPL.DEF", kDefinition);
  InstallText("MODEL.DAT", kModel);
  Install("trv_uk.lng");
  CDCLBase* o = Create("Label", "MODEL.DAT");
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(Papers(o).count, 3u);
  EXPECT_TRUE(Terminate(o));
}

INSTANTIATE_TEST_SUITE_P(
    Files, FailingLoad,
    ::testing::Values(
        Failure{"unknown format", "MODEL.DAT",
                "[Config]\nConfig=Koral1\nPrinterName=X\nDotsPerMM=8\n", ERROR_BAD_CONFIGURATION},
        Failure{"no Config key", "MODEL.DAT", "[Config]\nPrinterName=X\nDotsPerMM=8\n",
                ERROR_BAD_CONFIGURATION},
        Failure{"no resolution", "MODEL.DAT", "[Config]\nConfig=Configuration\nPrinterName=X\n",
                ERROR_BAD_CONFIGURATION},
        Failure{"no model name", "MODEL.DAT", "[Config]\nConfig=Configuration\nDotsPerINCH=300\n",
                ERROR_BAD_CONFIGURATION},
        Failure{"no data file", "MODEL.DAT", nullptr, ERROR_FILE_NOT_FOUND},
        Failure{"broken pair", "TRVCPL.DEF",
                "[PAPERS]\nENUMUSEFORALL,2,Broken,0,(10160 15240),(0,0),(0,0),1\n",
                ERROR_BAD_CONFIGURATION},
        Failure{"no definition file", "TRVCPL.DEF", nullptr, ERROR_FILE_NOT_FOUND},
        Failure{"no language file", "trv_uk.lng", nullptr, ERROR_FILE_NOT_FOUND}),
    [](const ::testing::TestParamInfo<Failure>& info) {
      std::string name;
      for (const char* c = info.param.what; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
      return name;
    });

}  // namespace
}  // namespace trv::dcl::testing
