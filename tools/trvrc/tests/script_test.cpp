#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/kernel.h"
#include "tools/trvrc/emit.h"
#include "tools/trvrc/script.h"

namespace {

constexpr WORD kString = 6;
constexpr WORD kVersion = 16;

const trv::Resource* Find(const std::vector<trv::Resource>& all, WORD type, WORD name) {
  for (const trv::Resource& r : all)
    if (r.type == trv::ResourceId(type) && r.name == trv::ResourceId(name)) return &r;
  return nullptr;
}

// Reads one slot of a string bundle: 16 counted UTF-16 strings back to back.
std::u16string Slot(const trv::Bytes& bundle, unsigned slot) {
  size_t at = 0;
  for (unsigned i = 0;; ++i) {
    size_t length = bundle.at(at) | bundle.at(at + 1) << 8;
    if (i == slot) {
      std::u16string s;
      for (size_t k = 0; k < length; ++k)
        s.push_back(
            static_cast<char16_t>(bundle.at(at + 2 + 2 * k) | bundle.at(at + 3 + 2 * k) << 8));
      return s;
    }
    at += 2 + 2 * length;
  }
}

std::u16string StringOf(const std::vector<trv::Resource>& all, unsigned id) {
  const trv::Resource* bundle = Find(all, kString, static_cast<WORD>(id / 16 + 1));
  return bundle ? Slot(bundle->data, id % 16) : u"<no bundle>";
}

std::string VersionText(const std::vector<trv::Resource>& all, const char* path) {
  const trv::Resource* version = Find(all, kVersion, 1);
  if (version == nullptr) return "<no version>";
  trv::Bytes buffer = trv::FileVersionInfoBuffer(version->data);
  LPVOID value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(buffer.data(), path, &value, &length)) return "<missing>";
  return static_cast<const char*>(value);
}

const char* kModuleScript = R"rc(
// A module's resources, as a driver library would write them.
#define IDS_TITLE   1000
#define IDS_BASE    0x20
#define IDS_NEXT    (IDS_BASE + 1)

VS_VERSION_INFO VERSIONINFO
 FILEVERSION 3,0,2,17
 PRODUCTVERSION 3,0,0,0
 FILEFLAGSMASK 0x3fL
 FILEFLAGS VS_FF_PRERELEASE | VS_FF_PATCHED
 FILEOS VOS_NT_WINDOWS32
 FILETYPE VFT_DLL
 FILESUBTYPE 0x0L
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        BLOCK "040904B0"
        BEGIN
            VALUE "ProductName", "Label ""Pro"" Driver"
            VALUE "FileVersion", "3.0.2.17"
            VALUE "Comments", ""
        END
    END
    BLOCK "VarFileInfo"
    {
        VALUE "Translation", 0x409, 1200
    }
END

/* Texts of the library,
   several per bundle. */
STRINGTABLE DISCARDABLE
BEGIN
    IDS_TITLE,  "Printer setup"
    IDS_BASE    "Tab\tand\nline"
    IDS_NEXT,   "Caf\xe9 " L"\x20ac"
    0x10,       "sixteen"
END
)rc";

TEST(Script, VersionBlockHoldsTheScriptsValues) {
  auto all = trvrc::ParseScript(kModuleScript);
  const trv::Resource* version = Find(all, kVersion, 1);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->language, 0x0409);
  trv::Bytes buffer = trv::FileVersionInfoBuffer(version->data);
  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(buffer.data(), "\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00030000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00020011u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00030000u);
  EXPECT_EQ(fixed->dwFileFlags, VS_FF_PRERELEASE | VS_FF_PATCHED);
  EXPECT_EQ(fixed->dwFileType, VFT_DLL);
  ASSERT_TRUE(VerQueryValueA(buffer.data(), "\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(VersionText(all, "\\StringFileInfo\\040904B0\\ProductName"), "Label \"Pro\" Driver");
  EXPECT_EQ(VersionText(all, "\\StringFileInfo\\040904B0\\FileVersion"), "3.0.2.17");
  EXPECT_EQ(VersionText(all, "\\StringFileInfo\\040904B0\\Comments"), "");
}

TEST(Script, StringTableHoldsEveryTextUnderItsId) {
  auto all = trvrc::ParseScript(kModuleScript);
  EXPECT_EQ(StringOf(all, 1000), u"Printer setup");
  EXPECT_EQ(StringOf(all, 0x20), u"Tab\tand\nline");
  EXPECT_EQ(StringOf(all, 0x21), u"Caf\u00e9 \u20ac");
  EXPECT_EQ(StringOf(all, 16), u"sixteen");
  EXPECT_EQ(StringOf(all, 17), u"");
  EXPECT_EQ(Find(all, kString, 1), nullptr);  // ids 0-15: no text, no bundle
}

TEST(Script, TextsFollowTheScriptsCodePageAndEscapes) {
  struct Case {
    const char* script;
    std::u16string text;
  } cases[] = {
      {"STRINGTABLE { 1 \"a\\\\b\\\"c\" }", u"a\\b\"c"},
      {"STRINGTABLE { 1 \"\\101\\x42\" }", u"AB"},
      {"STRINGTABLE { 1 \"\x80 1252\" }", u"\u20ac 1252"},
      {"#pragma code_page(65001)\nSTRINGTABLE { 1 \"\xe2\x82\xac utf-8\" }", u"\u20ac utf-8"},
      {"STRINGTABLE { 1 \"one \" \"two\" }", u"one two"},
      {"STRINGTABLE { 1 L\"\\x263A\" }", u"\u263a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(StringOf(trvrc::ParseScript(c.script), 1), c.text);
  }
}

TEST(Script, LanguageAppliesToWhatFollows) {
  auto all = trvrc::ParseScript(
      "STRINGTABLE { 1 \"us\" }\n"
      "LANGUAGE LANG_GERMAN, SUBLANG_GERMAN\n"
      "STRINGTABLE { 1 \"de\" }\n"
      "STRINGTABLE LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL { 2 \"neutral\" }\n");
  std::map<LANGID, std::u16string> byLanguage;
  for (const trv::Resource& r : all) byLanguage[r.language] += Slot(r.data, 1) + Slot(r.data, 2);
  EXPECT_EQ(byLanguage, (std::map<LANGID, std::u16string>{
                            {0x0409, u"us"}, {0x0407, u"de"}, {0x0000, u"neutral"}}));
}

TEST(Script, InlineDataKeepsItsBytesUnderItsNameAndType) {
  auto all = trvrc::ParseScript(
      "#define IDR_TABLE 7\n"
      "Config TrvData BEGIN \"ab\", 0x1234, 0x56789ABCL, L\"c\" END\n"
      "IDR_TABLE RCDATA { 1 | 2, (3 + 4) }\n");
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].type, trv::ResourceId(u"TRVDATA"));
  EXPECT_EQ(all[0].name, trv::ResourceId(u"CONFIG"));
  EXPECT_EQ(all[0].data, (trv::Bytes{'a', 'b', 0x34, 0x12, 0xBC, 0x9A, 0x78, 0x56, 'c', 0}));
  EXPECT_EQ(all[1].type, trv::ResourceId(WORD{10}));
  EXPECT_EQ(all[1].name, trv::ResourceId(WORD{7}));
  EXPECT_EQ(all[1].data, (trv::Bytes{3, 0, 7, 0}));
}

TEST(Script, FaultsAreReportedWithTheirLine) {
  struct Case {
    const char* script;
    int line;
    const char* message;
  } cases[] = {
      {"STRINGTABLE\nBEGIN\n 1, \"a\"\n 1, \"b\"\nEND", 4, "defined twice"},
      {"STRINGTABLE\nBEGIN\n 1, \"open\nEND", 3, "not closed"},
      {"STRINGTABLE\nBEGIN\n IDS_MISSING, \"x\"\nEND", 3, "'IDS_MISSING' is not defined"},
      {"STRINGTABLE\nBEGIN\n 70000, \"x\"\nEND", 3, "above 65535"},
      {"STRINGTABLE\nBEGIN\n 1, \"x\"\n", 4, "END missing"},
      {"\n\nIDR_MAIN MENU BEGIN END", 3, "unsupported resource type 'MENU'"},
      {"BEGIN END", 1, "expected a resource name but found 'BEGIN'"},
      {"#include \"x.h\"", 1, "unsupported directive"},
      {"/* open\n\n", 1, "comment not closed"},
      {"1 VERSIONINFO\nBEGIN\n BLOCK \"Other\" BEGIN END\nEND", 3, "unknown version block"},
      {"1 VERSIONINFO\nBEGIN\n BLOCK \"VarFileInfo\" BEGIN VALUE \"Translation\", 0x409 END\nEND",
       3, "expected ','"},
      {"STRINGTABLE { 1 \"\\q\" }", 1, "unknown escape"},
      {"#define A 1\n#define A 2\n", 2, "defined again"},
      {"#pragma code_page(65001)\nSTRINGTABLE { 1 \"\xff\" }", 2, "not valid in code page"},
      {"\nLOGO TRVDATA \"logo.bin\"", 2, "data from a file is not supported"},
      {"A B { 1 }\na b { 2 }", 2, "resource defined twice"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    try {
      trvrc::ParseScript(c.script);
      ADD_FAILURE() << "accepted";
    } catch (const trvrc::ScriptError& e) {
      EXPECT_EQ(e.line(), c.line);
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

// The generated source holds exactly the directory's bytes, in the section the
// platform reads.
TEST(Script, SourceEmbedsTheDirectoryInItsSection) {
  auto all = trvrc::ParseScript(kModuleScript);
  std::string source = trvrc::EmitSource(all, "module.rc");
  EXPECT_NE(source.find("section(\"trv_rsrc\")"), std::string::npos);
  size_t at = source.find('{');
  ASSERT_NE(at, std::string::npos);
  trv::Bytes bytes;
  for (size_t hex = source.find("0x", at); hex != std::string::npos;
       hex = source.find("0x", hex + 2))
    bytes.push_back(static_cast<BYTE>(std::strtoul(source.c_str() + hex, nullptr, 16)));
  EXPECT_EQ(bytes, trv::BuildResourceDirectory(all));
}

}  // namespace
