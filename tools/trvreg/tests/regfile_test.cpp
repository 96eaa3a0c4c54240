// .reg files: what export writes, that import restores it exactly, and that a bad
// file changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/fixtures.h"
#include "tools/trvreg/regfile.h"
#include "tools/trvreg/text.h"

namespace {

using trvreg::KeyPath;
using trvreg::ValueEntry;

class RegFile : public trv::testing::FreshMachine {
 protected:
  static KeyPath Path(const char16_t* text) { return *trvreg::ParseKeyPath(text); }
  static void Set(const KeyPath& path, const std::u16string& name, DWORD type,
                  const std::string& data) {
    trvreg::Key key;
    ASSERT_EQ(RegCreateKeyExW(path.root, path.subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.out(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueExW(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size())),
        ERROR_SUCCESS);
  }
  // Every key below `path` as "key|name|type|hex data" lines, in registry order.
  static std::vector<std::string> Dump(const KeyPath& path) {
    std::vector<std::string> lines;
    trvreg::Key key;
    if (RegOpenKeyExW(path.root, path.subKey.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS)
      return lines;
    std::vector<ValueEntry> values;
    std::vector<std::u16string> subKeys;
    EXPECT_EQ(trvreg::ReadValues(key.get(), values), ERROR_SUCCESS);
    EXPECT_EQ(trvreg::ReadSubKeys(key.get(), subKeys), ERROR_SUCCESS);
    lines.push_back(trvreg::ToUtf8(path.Full()));
    for (const ValueEntry& v : values) {
      std::string hex;
      for (unsigned char b : v.data)
        hex += "0123456789ABCDEF"[b >> 4], hex += "0123456789ABCDEF"[b & 15];
      lines.push_back(trvreg::ToUtf8(path.Full()) + "|" + trvreg::ToUtf8(v.name) + "|" +
                      std::to_string(v.type) + "|" + hex);
    }
    for (const auto& name : subKeys) {
      auto below = Dump(path.Child(name));
      lines.insert(lines.end(), below.begin(), below.end());
    }
    return lines;
  }
  static std::string Export(const KeyPath& path) {
    std::string text, problem;
    EXPECT_EQ(trvreg::ExportKey(path, text, problem), ERROR_SUCCESS) << problem;
    return text;
  }
  static LONG Import(const std::string& text, std::string* problemOut = nullptr) {
    std::vector<trvreg::RegOperation> ops;
    std::string problem;
    if (!trvreg::ParseRegFile(text, ops, problem)) {
      if (problemOut) *problemOut = problem;
      return ERROR_BAD_FORMAT;
    }
    LONG result = trvreg::ApplyRegFile(ops, problem);
    if (problemOut) *problemOut = problem;
    return result;
  }
};

std::string W(std::u16string_view s) { return trvreg::WideBytes(s); }

TEST_F(RegFile, ExportWritesTheRegeditFormat) {
  KeyPath printer = Path(u"HKLM\\System\\Print\\Label \"1\"");
  Set(printer, u"", REG_SZ, W(std::u16string(u"default\0", 8)));
  Set(printer, u"Path", REG_SZ, W(std::u16string(u"C:\\x \"y\"\0", 9)));
  Set(printer, u"Dots", REG_DWORD, std::string("\xCB\0\0\0", 4));
  Set(printer, u"Blob", REG_BINARY, std::string("\x01\xAB", 2));
  Set(printer, u"NoZero", REG_SZ, W(u"ab"));
  Set(printer, u"Multi", REG_MULTI_SZ, W(std::u16string(u"a\0\0", 3)));
  Set(printer.Child(u"Sub"), u"Empty", REG_BINARY, "");
  EXPECT_EQ(Export(Path(u"HKLM\\System\\Print")),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\System\\Print]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\System\\Print\\Label \"1\"]\r\n"
            "@=\"default\"\r\n"
            "\"Path\"=\"C:\\\\x \\\"y\\\"\"\r\n"
            "\"Dots\"=dword:000000cb\r\n"
            "\"Blob\"=hex:01,ab\r\n"
            "\"NoZero\"=hex(1):61,00,62,00\r\n"
            "\"Multi\"=hex(7):61,00,00,00,00,00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\System\\Print\\Label \"1\"\\Sub]\r\n"
            "\"Empty\"=hex:\r\n\r\n");
}

TEST_F(RegFile, ExportThenImportRestoresEveryByte) {
  KeyPath root = Path(u"HKLM\\Software\\RoundTrip");
  std::string big;
  for (int i = 0; i < 300; ++i) big.push_back(static_cast<char>(i * 7));
  struct Case {
    const char16_t* name;
    DWORD type;
    std::string data;
  } cases[] = {
      {u"sz", REG_SZ, W(std::u16string(u"caf\u00E9 \u20AC\0", 7))},
      {u"sz no zero", REG_SZ, W(u"abc")},
      {u"sz odd", REG_SZ, std::string("\x41\x00\x42", 3)},
      {u"sz not ansi", REG_SZ, W(std::u16string(u"\u4E2D\0", 2))},
      {u"sz two lines", REG_SZ, W(std::u16string(u"a\r\nb\0", 5))},
      {u"expand", REG_EXPAND_SZ, W(std::u16string(u"%WINDIR%\0", 9))},
      {u"multi", REG_MULTI_SZ, W(std::u16string(u"one\0two\0\0", 9))},
      {u"dword", REG_DWORD, std::string("\x01\x02\x03\x04", 4)},
      {u"short dword", REG_DWORD, std::string("\x01\x02", 2)},
      {u"qword", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
      {u"binary", REG_BINARY, big},
      {u"empty", REG_BINARY, ""},
      {u"none", REG_NONE, std::string("\0", 1)},
      {u"odd type", 0x4711, "xy"},
      {u"with \"quotes\" and \\", REG_SZ, W(std::u16string(u"q\0", 2))},
      {u"", REG_SZ, W(std::u16string(u"default\0", 8))},
  };
  for (const Case& c : cases) Set(root, c.name, c.type, c.data);
  Set(root.Child(u"Fonts\\Font 1"), u"ID", REG_DWORD, std::string(4, '\0'));
  Set(root.Child(u"Barcodes"), u"x", REG_SZ, W(std::u16string(u"\0", 1)));
  std::vector<std::string> before = Dump(root);
  std::string text = Export(root);

  ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"Software\\RoundTrip"), ERROR_SUCCESS);
  ASSERT_TRUE(Dump(root).empty());
  std::string problem;
  ASSERT_EQ(Import(text, &problem), ERROR_SUCCESS) << problem;
  EXPECT_EQ(Dump(root), before);
}

TEST_F(RegFile, ImportReadsRegedit4AndItsAnsiStrings) {
  // In REGEDIT4 files hex(2)/hex(7) data are ANSI bytes; the registry keeps UTF-16.
  std::string text =
      "REGEDIT4\r\n\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Old]\r\n"
      "\"Text\"=\"caf\xE9\"\r\n"
      "\"List\"=hex(7):61,00,\\\r\n"
      "  80,00,00\r\n"
      "\"Num\"=dword:0000FFFF\r\n";
  std::string problem;
  ASSERT_EQ(Import(text, &problem), ERROR_SUCCESS) << problem;
  EXPECT_EQ(Dump(Path(u"HKCU\\Old")),
            (std::vector<std::string>{"HKEY_CURRENT_USER\\Old",
                                      "HKEY_CURRENT_USER\\Old|Text|1|630061006600E9000000",
                                      "HKEY_CURRENT_USER\\Old|List|7|61000000AC2000000000",
                                      "HKEY_CURRENT_USER\\Old|Num|4|FFFF0000"}));
}

TEST_F(RegFile, ImportDeletesKeysAndValuesMarkedWithAMinus) {
  KeyPath root = Path(u"HKLM\\Software\\Minus");
  Set(root, u"keep", REG_DWORD, std::string(4, '\1'));
  Set(root, u"drop", REG_DWORD, std::string(4, '\2'));
  Set(root.Child(u"Gone\\Deep"), u"x", REG_DWORD, std::string(4, '\3'));
  ASSERT_EQ(Import("Windows Registry Editor Version 5.00\r\n\r\n"
                   "[-HKEY_LOCAL_MACHINE\\Software\\Minus\\Gone]\r\n"
                   "[-HKEY_LOCAL_MACHINE\\Software\\Minus\\NeverWas]\r\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\Minus]\r\n"
                   "\"drop\"=-\r\n"),
            ERROR_SUCCESS);
  EXPECT_EQ(Dump(root),
            (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\Minus",
                                      "HKEY_LOCAL_MACHINE\\Software\\Minus|keep|4|01010101"}));
}

TEST_F(RegFile, ABadFileChangesNothing) {
  KeyPath root = Path(u"HKLM\\Software\\Untouched");
  Set(root, u"v", REG_DWORD, std::string(4, '\1'));
  std::vector<std::string> before = Dump(root);
  struct Case {
    const char* text;
    const char* problem;
  } cases[] = {
      {"[HKEY_LOCAL_MACHINE\\Software\\Untouched]\r\n", "not a registry file"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Untouched]\r\n\"v\"=-\r\n\"w\"=dword:"
       "123456789\r\n",
       "line 4"},
      {"REGEDIT4\r\n\"v\"=dword:1\r\n", "line 2: a value before any key"},
      {"REGEDIT4\r\n[HKEY_NOWHERE\\x]\r\n", "line 2: unknown root"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Untouched]\r\n\"v\"=hex:1,2g\r\n", "line 3"},
  };
  for (const Case& c : cases) {
    std::string problem;
    EXPECT_EQ(Import(c.text, &problem), ERROR_BAD_FORMAT) << c.text;
    EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
  }
  // A NUL inside a name would reach the registry as a shorter name: the parent key
  // deleted or written. Such a file is refused whole, its earlier lines included.
  Set(root.Child(u"Vendor"), u"w", REG_DWORD, std::string(4, '\2'));
  before = Dump(root);
  const std::string head =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Untouched]\r\n\"v\"=-\r\n";
  const struct NulCase {
    const char* before;  // the line up to the NUL
    const char* after;
    const char* problem;
  } nulCases[] = {
      {"[-HKEY_LOCAL_MACHINE\\Software\\Untouched\\", "Gone]\r\n", "line 5: a key name"},
      {"[HKEY_LOCAL_MACHINE\\Software\\Untouched\\Vendor\\", "Other]\r\n\"w\"=-\r\n",
       "line 5: a key name"},
      {"[HKEY_LOCAL_MACHINE\\Software\\Untouched\\Vendor]\r\n\"w", "x\"=dword:7\r\n",
       "line 6: a value name"},
  };
  for (const NulCase& c : nulCases) {
    std::string problem;
    EXPECT_EQ(Import(head + c.before + std::string(1, '\0') + c.after, &problem), ERROR_BAD_FORMAT)
        << c.before;
    EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
  }
  // A file that reads well but fails half-way leaves nothing of its first half.
  std::string problem;
  EXPECT_EQ(Import("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Untouched]\r\n\"v\"=-\r\n"
                   "[HKEY_LOCAL_MACHINE\\Software\\Untouched\\" +
                       std::string(300, 'n') + "]\r\n",
                   &problem),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Dump(root), before);
}

TEST_F(RegFile, NamesOutsideTheAnsiCodePageCannotBeExported) {
  KeyPath root = Path(u"HKLM\\Software\\Wide");
  Set(root, u"\u4E2D", REG_DWORD, std::string(4, '\0'));
  std::string text, problem;
  EXPECT_EQ(trvreg::ExportKey(root, text, problem), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_NE(problem.find("ANSI"), std::string::npos);
}

}  // namespace
