#include "dcl/version_info.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dcl/library_version.h"
#include "platform/kernel.h"
#include "platform/resources.h"
#include "platform/stand_in.h"

namespace trv::dcl {
namespace {

using Values = std::vector<std::pair<std::u16string, std::u16string>>;
using Translations = std::optional<std::vector<trv::VersionTranslation>>;

// A version block as GetFileVersionInfoA hands it out, with the given translation
// table and string tables.
class Block {
 public:
  Block(Translations translations, std::vector<trv::VersionStringTable> tables) {
    trv::VersionDescription description;
    description.translations = std::move(translations);
    description.stringTables = std::move(tables);
    bytes_ = trv::FileVersionInfoBuffer(trv::BuildVersionResource(description));
  }
  explicit Block(Values values)
      : Block(std::vector<trv::VersionTranslation>{{0x0409, 0x04B0}},
              {{u"040904B0", std::move(values)}}) {}
  LPCVOID get() const { return bytes_.data(); }

 private:
  trv::Bytes bytes_;
};

// Each string table says which one it is.
std::vector<trv::VersionStringTable> TablesNamedByTheirKeys() {
  std::vector<trv::VersionStringTable> tables;
  for (const char16_t* key : {u"040904B0", u"040704E4", u"040704B0"}) {
    tables.push_back({key, {{u"ProductName", std::u16string(u"table ") + key}}});
  }
  return tables;
}

TEST(VersionNumberTest, PacksUpToFourNumbersFirstInTheLowestByte) {
  struct Case {
    const char* text;
    DWORD packed;
  };
  const Case cases[] = {
      {"1.2.3.4", 0x04030201},
      {"1, 2, 3, 4", 0x04030201},
      {"1 . 2 ,3,  4", 0x04030201},
      {"1.2", 0x00000201},
      {"7", 0x00000007},
      {"300.1", 0x0000012C},  // 300 keeps its low eight bits: 44
      {"255.256.257.258", 0x020100FF},
      {"99999999999.1", 0x000001FF},  // overflowing digits still give the low byte
      {"1.2.3.4.5", 0x04030201},
      {"3.0.0 (build 7)", 0x00000003},
      {"1..2", 0x00000001},
      {"1.x.3", 0x00000001},
      {" 2.1", 0x00000102},
      {"1;2", 0x00000001},
      {"v1.2", 0},
      {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackVersionNumber(c.text), c.packed) << '"' << c.text << '"';
  }
  EXPECT_EQ(PackVersionNumber(nullptr), 0u);
}

TEST(VersionNumberTest, HelpFileNameReplacesOnlyTheFileNamesExtension) {
  struct Case {
    const char* original;
    const char* help;
  };
  const Case cases[] = {
      {"TRVCPL.DLL", "TRVCPL.HLP"},
      {"trvepl.dll", "trvepl.HLP"},
      {"TRVCPL", "TRVCPL.HLP"},
      {"a.b.c", "a.b.HLP"},
      {"C:\\dir.x\\TRVCPL", "C:\\dir.x\\TRVCPL.HLP"},
      {"C:\\dir\\TRVCPL.DLL", "C:\\dir\\TRVCPL.HLP"},
      {"C:x.dll", "C:x.HLP"},
  };
  for (const Case& c : cases) EXPECT_EQ(HelpFileNameFor(c.original), c.help) << c.original;
}

// The string table comes from a translation table of exactly one entry; any other
// number of entries means the user's language with code page 04B0, and no table at
// all means no texts.
TEST(VersionTextTest, TheTranslationTableChoosesTheStringTable) {
  struct Case {
    const char* what;
    Translations translations;
    LANGID userLanguage;
    const char* productName;
  };
  const Case cases[] = {
      {"one entry", std::vector<trv::VersionTranslation>{{0x0407, 0x04E4}}, 0x0409,
       "table 040704E4"},
      {"one entry without its table", std::vector<trv::VersionTranslation>{{0x040C, 0x04E4}},
       0x0409, ""},
      {"two entries", std::vector<trv::VersionTranslation>{{0x0409, 0x04B0}, {0x0407, 0x04E4}},
       0x0407, "table 040704B0"},
      {"two entries, other user",
       std::vector<trv::VersionTranslation>{{0x0407, 0x04E4}, {0x0407, 0x04B0}}, 0x0409,
       "table 040904B0"},
      {"empty table", std::vector<trv::VersionTranslation>{}, 0x0407, "table 040704B0"},
      {"no table", std::nullopt, 0x0409, ""},
  };
  for (const Case& c : cases) {
    trv::SetUserDefaultLangID(c.userLanguage);
    Block block(c.translations, TablesNamedByTheirKeys());
    EXPECT_EQ(LookupVersionText(block.get(), "ProductName"), c.productName) << c.what;
    EXPECT_STREQ(GetProductName(block.get()), c.productName) << c.what;
  }
  trv::SetUserDefaultLangID(0x0409);
}

TEST(VersionTextTest, TextsComeFromTheirKeys) {
  Block block(Values{{u"ProductName", u"Label Printer Driver"},
                     {u"Comments", u"CPCL printers"},
                     {u"OriginalFilename", u"TRVCPL.DLL"},
                     {u"FileVersion", u"3, 0, 2, 17"}});
  EXPECT_STREQ(GetProductName(block.get()), "Label Printer Driver");
  EXPECT_STREQ(GetComments(block.get()), "CPCL printers");
  EXPECT_STREQ(GetHelpFileName(block.get()), "TRVCPL.HLP");
  EXPECT_EQ(GetVersionNumber(block.get()), 0x11020003u);
  EXPECT_EQ(LookupVersionText(block.get(), "LegalCopyright"), "");
}

TEST(VersionTextTest, MissingOrEmptyValuesGiveEmptyTextsAndZero) {
  Block missing(Values{{u"Comments", u"only this"}});
  EXPECT_STREQ(GetProductName(missing.get()), "");
  EXPECT_STREQ(GetHelpFileName(missing.get()), "");
  EXPECT_EQ(GetVersionNumber(missing.get()), 0u);

  Block empty(Values{{u"ProductName", u""}, {u"OriginalFilename", u""}, {u"FileVersion", u""}});
  EXPECT_STREQ(GetProductName(empty.get()), "");
  EXPECT_STREQ(GetHelpFileName(empty.get()), "");
  EXPECT_EQ(GetVersionNumber(empty.get()), 0u);
}

// The library-wide text buffer holds 260 bytes: a longer text is cut to 259
// characters and stays terminated.
TEST(VersionTextTest, LongTextsAreCutAndTerminated) {
  const std::u16string longName(300, u'n');
  for (size_t length : {258u, 259u, 260u, 300u}) {
    Block block(Values{{u"ProductName", longName.substr(0, length)},
                       {u"Comments", longName.substr(0, length)}});
    EXPECT_EQ(std::string(GetProductName(block.get())),
              std::string(std::min<size_t>(length, 259), 'n'));
    EXPECT_EQ(std::string(GetComments(block.get())),
              std::string(std::min<size_t>(length, 259), 'n'));
  }
}

TEST(VersionTextTest, ANullBlockHasNoTexts) {
  EXPECT_EQ(LookupVersionText(nullptr, "ProductName"), "");
  EXPECT_STREQ(GetProductName(nullptr), "");
  EXPECT_STREQ(GetComments(nullptr), "");
  EXPECT_STREQ(GetHelpFileName(nullptr), "");
  EXPECT_EQ(GetVersionNumber(nullptr), 0u);
}

// This test program carries no version resource of its own.
TEST(LibraryVersionTest, AModuleWithoutVersionBlockHasNone) {
  EXPECT_FALSE(LoadLibraryVersionBlock());
  EXPECT_EQ(LibraryVersionBlock(), nullptr);
  EXPECT_STREQ(GetProductName(LibraryVersionBlock()), "");
  EXPECT_EQ(GetVersionNumber(LibraryVersionBlock()), 0u);
}

}  // namespace
}  // namespace trv::dcl
