// RegQueryInfoKey: the counts and largest sizes a caller sizes its buffers with.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/fixtures.h"
#include "platform/winreg.h"

namespace {

class RegistryInfo : public trv::testing::FreshMachine {};

TEST_F(RegistryInfo, CountsAndLargestSizes) {
  HKEY key = nullptr;
  char keyClass[] = "PrinterClass";
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Info", 0, keyClass, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  HKEY sub = nullptr;
  char subClass[] = "C";
  for (const char* name : {"a", "Longest_Name", "mid"}) {
    ASSERT_EQ(RegCreateKeyExA(key, name, 0, subClass, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(sub);
  }
  ASSERT_EQ(RegSetValueExA(key, "short", 0, REG_BINARY, reinterpret_cast<const BYTE*>("12345"), 5),
            ERROR_SUCCESS);
  ASSERT_EQ(
      RegSetValueExA(key, "a much longer name", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab"), 3),
      ERROR_SUCCESS);

  DWORD subKeys = 0xDEADBEEF, maxSubKey = 0xDEADBEEF, maxClass = 0xDEADBEEF, values = 0xDEADBEEF;
  DWORD maxName = 0xDEADBEEF, maxData = 0xDEADBEEF, security = 0xDEADBEEF;
  FILETIME written{0, 0};
  WCHAR cls[32];
  DWORD classLength = 32;
  ASSERT_EQ(RegQueryInfoKeyW(key, cls, &classLength, nullptr, &subKeys, &maxSubKey, &maxClass,
                             &values, &maxName, &maxData, &security, &written),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(cls, classLength), u"PrinterClass");
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(maxSubKey, 12u);  // characters, without the zero
  EXPECT_EQ(maxClass, 1u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(maxName, 18u);
  EXPECT_EQ(maxData, 6u);  // "ab" and its zero as stored, in UTF-16
  EXPECT_NE(written.dwHighDateTime, 0u);

  // The A form: the class converted; a short class buffer gets its length.
  char ansiClass[16];
  DWORD ansiLength = 12;
  EXPECT_EQ(RegQueryInfoKeyA(key, ansiClass, &ansiLength, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  EXPECT_EQ(ansiLength, 12u);
  ansiLength = 13;
  EXPECT_EQ(RegQueryInfoKeyA(key, ansiClass, &ansiLength, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(ansiClass, "PrinterClass");

  char name[32];
  DWORD nameLength = sizeof name, classOut = 4;
  char enumClass[4];
  ASSERT_EQ(RegEnumKeyExA(key, 1, name, &nameLength, nullptr, enumClass, &classOut, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "Longest_Name");
  EXPECT_STREQ(enumClass, "C");
  EXPECT_EQ(classOut, 1u);
  RegCloseKey(key);
}

TEST_F(RegistryInfo, EmptyKeyHasZeros) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Empty", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  DWORD counts[6];
  for (DWORD& c : counts) c = 0xDEADBEEF;
  DWORD classLength = 0xDEADBEEF;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, &classLength, nullptr, &counts[0], &counts[1],
                             &counts[2], &counts[3], &counts[4], &counts[5], nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(classLength, 0u);
  for (DWORD c : counts) EXPECT_EQ(c, 0u);
  RegCloseKey(key);
}

}  // namespace
