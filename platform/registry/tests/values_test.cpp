// Values: exact bytes of every type, sizes, A/W conversion, order and errors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/testing/fixtures.h"
#include "platform/winreg.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes Of(const void* p, size_t n) {
  const auto* b = static_cast<const BYTE*>(p);
  return Bytes(b, b + n);
}
Bytes Wide(std::u16string_view s, bool withZero) {
  Bytes out;
  for (char16_t c : s) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  if (withZero) out.insert(out.end(), {0, 0});
  return out;
}

class RegistryValues : public trv::testing::FreshMachine {
 protected:
  void SetUp() override {
    FreshMachine::SetUp();
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Values", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    FreshMachine::TearDown();
  }
  std::vector<std::string> ValueNames() {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
      char name[64];
      DWORD length = sizeof name;
      LONG result = RegEnumValueA(key_, i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (result != ERROR_SUCCESS) {
        EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
        break;
      }
      names.emplace_back(name, length);
    }
    return names;
  }
  void SetA(const char* name, DWORD type, const std::string& data) {
    ASSERT_EQ(RegSetValueExA(key_, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  HKEY key_ = nullptr;
};

TEST_F(RegistryValues, EveryTypeReadsBackByteForByte) {
  const BYTE big[] = {0x78, 0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x90};
  struct Case {
    const char16_t* name;
    DWORD type;
    Bytes data;
  } cases[] = {
      {u"sz", REG_SZ, Wide(u"Label \u20AC", true)},
      {u"sz without zero", REG_SZ, Wide(u"abc", false)},
      {u"empty sz", REG_SZ, {}},
      {u"expand", REG_EXPAND_SZ, Wide(u"%WINDIR%\\x", true)},
      {u"multi", REG_MULTI_SZ, Wide(std::u16string(u"one\0two\0\0", 9), false)},
      {u"binary", REG_BINARY, {0x00, 0xFF, 0x10, 0x00}},
      {u"empty binary", REG_BINARY, {}},
      {u"odd binary", REG_BINARY, {0x01, 0x02, 0x03}},
      {u"dword", REG_DWORD, Of(big, 4)},
      {u"qword", REG_QWORD, Of(big, 8)},
      {u"none", REG_NONE, {0x07}},
      {u"odd type", 0x1234, {0xAA, 0xBB}},
      {u"", REG_SZ, Wide(u"the default", true)},
  };
  for (const Case& c : cases)
    ASSERT_EQ(
        RegSetValueExW(key_, c.name, 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())),
        ERROR_SUCCESS);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    DWORD type = 0xDEADBEEF, size = 0xDEADBEEF;
    ASSERT_EQ(RegQueryValueExW(key_, c.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    ASSERT_EQ(size, c.data.size());
    Bytes got(size + 8, 0xBD);
    size = static_cast<DWORD>(got.size());
    ASSERT_EQ(RegQueryValueExW(key_, c.name, nullptr, &type, got.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + size), c.data);
  }
  // A null name is the default value too.
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key_, nullptr, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, Wide(u"the default", true).size());
}

TEST_F(RegistryValues, SizesAroundTheNeededOne) {
  const Bytes data = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(RegSetValueExA(key_, "bin", 0, REG_BINARY, data.data(), 6), ERROR_SUCCESS);
  struct Case {
    DWORD size;
    LONG result;
  } cases[] = {{5, ERROR_MORE_DATA}, {6, ERROR_SUCCESS}, {7, ERROR_SUCCESS}, {0, ERROR_MORE_DATA}};
  for (const Case& c : cases) {
    Bytes got(8, 0xBD);
    DWORD type = 0xDEADBEEF, size = c.size;
    EXPECT_EQ(RegQueryValueExA(key_, "bin", nullptr, &type, got.data(), &size), c.result) << c.size;
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    if (c.result == ERROR_SUCCESS)
      EXPECT_EQ(Bytes(got.begin(), got.begin() + 6), data);
    else
      EXPECT_EQ(got, Bytes(8, 0xBD));  // a short buffer is left alone
  }
}

TEST_F(RegistryValues, AnsiStringsConvertWithCodePage1252) {
  // 0x80 is the euro sign and 0xE9 e-acute in 1252.
  SetA("ansi", REG_SZ, std::string("\x80 caf\xE9", 6) + '\0');
  DWORD size = 0;
  Bytes wide(32, 0xBD);
  size = static_cast<DWORD>(wide.size());
  ASSERT_EQ(RegQueryValueExW(key_, u"ansi", nullptr, nullptr, wide.data(), &size), ERROR_SUCCESS);
  EXPECT_EQ(Bytes(wide.begin(), wide.begin() + size), Wide(u"\u20AC caf\u00E9", true));

  ASSERT_EQ(RegSetValueExW(key_, u"wide", 0, REG_MULTI_SZ,
                           Wide(std::u16string(u"\u00C4\0\u20AC\0\0", 5), false).data(), 10),
            ERROR_SUCCESS);
  char ansi[16];
  size = 0;
  ASSERT_EQ(RegQueryValueExA(key_, "wide", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 5u);  // the size in the A form
  size = sizeof ansi;
  ASSERT_EQ(RegQueryValueExA(key_, "WIDE", nullptr, nullptr, reinterpret_cast<BYTE*>(ansi), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(ansi, size), std::string("\xC4\0\x80\0\0", 5));

  // Binary data passes through the A calls untouched.
  SetA("bin", REG_BINARY, std::string("\x80\xE9", 2));
  BYTE raw[4];
  size = sizeof raw;
  ASSERT_EQ(RegQueryValueExW(key_, u"bin", nullptr, nullptr, raw, &size), ERROR_SUCCESS);
  EXPECT_EQ(Of(raw, size), (Bytes{0x80, 0xE9}));
}

TEST_F(RegistryValues, StringWithoutZeroComesBackAsStoredWithAZeroAfterItWhenThereIsRoom) {
  SetA("text", REG_SZ, "abc");
  struct Case {
    DWORD size;
    BYTE after;
  } cases[] = {{3, 0xBD}, {4, 0x00}};
  for (const Case& c : cases) {
    BYTE got[8];
    std::memset(got, 0xBD, sizeof got);
    DWORD size = c.size;
    ASSERT_EQ(RegQueryValueExA(key_, "text", nullptr, nullptr, got, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::memcmp(got, "abc", 3), 0);
    EXPECT_EQ(got[3], c.after) << c.size;
    EXPECT_EQ(got[4], 0xBD);
  }
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key_, u"text", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);
}

TEST_F(RegistryValues, ValuesEnumerateInTheOrderTheyWereFirstSet) {
  for (const char* name : {"zeta", "Alpha", "mid", "beta"})
    SetA(name, REG_DWORD, std::string(4, '\0'));
  SetA("ALPHA", REG_SZ, "x");  // overwriting keeps the place and the name's case
  ASSERT_EQ(RegDeleteValueA(key_, "mid"), ERROR_SUCCESS);
  SetA("mid", REG_DWORD, std::string(4, '\1'));  // set again: now the last
  EXPECT_EQ(ValueNames(), (std::vector<std::string>{"zeta", "Alpha", "beta", "mid"}));

  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExA(key_, "alpha", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 1u);
}

TEST_F(RegistryValues, EnumValueWithShortBuffers) {
  SetA("Name", REG_SZ, std::string("foobar") + '\0');
  {  // short name: name and data untouched, type and data size reported
    char name[8] = "xxxxxxx";
    char data[16] = "yyyyyyyyyyyyyyy";
    DWORD nameLength = 4, type = 0xDEADBEEF, size = sizeof data;
    EXPECT_EQ(RegEnumValueA(key_, 0, name, &nameLength, nullptr, &type,
                            reinterpret_cast<BYTE*>(data), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(nameLength, 4u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 7u);
    EXPECT_STREQ(name, "xxxxxxx");
    EXPECT_STREQ(data, "yyyyyyyyyyyyyyy");
  }
  {  // short data: the name is filled, the data size reported
    char name[8] = "xxxxxxx";
    char data[16] = "yyyyyyyyyyyyyyy";
    DWORD nameLength = 5, type = 0xDEADBEEF, size = 6;
    EXPECT_EQ(RegEnumValueA(key_, 0, name, &nameLength, nullptr, &type,
                            reinterpret_cast<BYTE*>(data), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(nameLength, 4u);
    EXPECT_STREQ(name, "Name");
    EXPECT_EQ(size, 7u);
    EXPECT_STREQ(data, "yyyyyyyyyyyyyyy");
  }
  {  // both fit
    WCHAR name[8];
    BYTE data[32];
    DWORD nameLength = 5, size = sizeof data;
    EXPECT_EQ(RegEnumValueW(key_, 0, name, &nameLength, nullptr, nullptr, data, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, nameLength), u"Name");
    EXPECT_EQ(Of(data, size), Wide(u"foobar", true));
  }
  char name[8];
  DWORD nameLength = sizeof name;
  EXPECT_EQ(RegEnumValueA(key_, 1, name, &nameLength, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryValues, ErrorCodes) {
  DWORD size = 4;
  BYTE data[4];
  EXPECT_EQ(RegQueryValueExA(key_, "missing", nullptr, nullptr, data, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(key_, nullptr, nullptr, nullptr, data, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(key_, "missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(key_, "missing", nullptr, nullptr, data, nullptr),
            ERROR_INVALID_PARAMETER);
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExA(key_, "missing", &reserved, nullptr, data, &size),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExA(key_, "v", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
  EXPECT_EQ(RegSetValueExA(reinterpret_cast<HKEY>(0x1234), "v", 0, REG_BINARY, data, 4),
            ERROR_INVALID_HANDLE);

  std::string longest(16383, 'v'), tooLong(16384, 'v');
  EXPECT_EQ(RegSetValueExA(key_, longest.c_str(), 0, REG_BINARY, data, 4), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key_, tooLong.c_str(), 0, REG_BINARY, data, 4), ERROR_INVALID_PARAMETER);
}

}  // namespace
