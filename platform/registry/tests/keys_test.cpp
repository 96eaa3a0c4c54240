// Keys: creation, opening, case, order, deletion and the error codes callers meet.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/fixtures.h"
#include "platform/winreg.h"

namespace {

constexpr LONG kSentinel = 0x0BADF00D;

class RegistryKeys : public trv::testing::FreshMachine {
 protected:
  HKEY Create(const char* path, HKEY base = HKEY_LOCAL_MACHINE) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(base, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
  }
  std::vector<std::string> SubKeys(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
      char name[256];
      DWORD length = sizeof name;
      LONG result = RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (result == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(result, ERROR_SUCCESS);
      if (result != ERROR_SUCCESS) break;
      names.emplace_back(name, length);
    }
    return names;
  }
};

TEST_F(RegistryKeys, CreateReportsDispositionAndOpensWhatItMade) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Vendor\\Product", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\vendor\\PRODUCT\\", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(key);

  HKEY opened = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\VENDOR\\product", 0, KEY_READ, &opened),
            ERROR_SUCCESS);
  EXPECT_NE(opened, nullptr);
  RegCloseKey(opened);

  // Names keep the case they were first written in.
  HKEY software = Create("Software");
  EXPECT_EQ(SubKeys(software), std::vector<std::string>{"Vendor"});
  RegCloseKey(software);
}

TEST_F(RegistryKeys, SubKeysEnumerateInUpperCaseOrder) {
  HKEY parent = Create("Software\\Order");
  // Upper-case order: letters before '_' (0x5F), which comes after 'Z' (0x5A).
  for (const char* name : {"beta", "_under", "Alpha", "gamma", "ALPHA2", "Zulu", "123"})
    RegCloseKey(Create(name, parent));
  EXPECT_EQ(SubKeys(parent), (std::vector<std::string>{"123", "Alpha", "ALPHA2", "beta", "gamma",
                                                       "Zulu", "_under"}));

  char name[16];
  DWORD length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(parent, 7, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  RegCloseKey(parent);
}

TEST_F(RegistryKeys, EnumKeyWithShortBufferGivesMoreData) {
  HKEY parent = Create("Software\\Short");
  RegCloseKey(Create("Seven77", parent));
  struct Case {
    DWORD length;
    LONG result;
  } cases[] = {{7, ERROR_MORE_DATA}, {8, ERROR_SUCCESS}, {9, ERROR_SUCCESS}};
  for (const Case& c : cases) {
    char name[16] = "xxxxxxxxxxxxxxx";
    DWORD length = c.length;
    EXPECT_EQ(RegEnumKeyExA(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr), c.result)
        << c.length;
    if (c.result == ERROR_SUCCESS) {
      EXPECT_EQ(length, 7u);
      EXPECT_STREQ(name, "Seven77");
    } else {
      EXPECT_EQ(length, c.length);
      EXPECT_STREQ(name, "xxxxxxxxxxxxxxx");
    }
  }
  RegCloseKey(parent);
}

TEST_F(RegistryKeys, ErrorCodes) {
  HKEY key = reinterpret_cast<HKEY>(0x1234);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Missing", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(0x1234), "x", 0, KEY_READ, &key),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x1234)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Missing"), ERROR_FILE_NOT_FOUND);

  struct Case {
    std::string path;
    LONG result;
  } paths[] = {
      {"\\Software", ERROR_BAD_PATHNAME},
      {"Software\\\\Twice", ERROR_BAD_PATHNAME},
      {std::string(255, 'n'), ERROR_SUCCESS},
      {std::string(256, 'n'), ERROR_INVALID_PARAMETER},
      {"Software\\" + std::string(256, 'n') + "\\x", ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : paths) {
    HKEY made = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, c.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &made, nullptr),
              c.result)
        << c.path;
    if (made != nullptr) RegCloseKey(made);
  }
  // Nothing of a refused path was made.
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryKeys, DeleteKeyRefusesSubKeysAndDeleteTreeRemovesThem) {
  HKEY leaf = Create("Software\\Tree\\Branch\\Leaf");
  ASSERT_EQ(RegSetValueExA(leaf, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4),
            ERROR_SUCCESS);
  RegCloseKey(leaf);

  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Tree"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Tree\\Branch\\Leaf"), ERROR_SUCCESS);
  HKEY again = Create("Software\\Tree\\Branch\\Leaf");
  DWORD values = kSentinel;
  EXPECT_EQ(RegQueryInfoKeyA(again, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 0u);  // a new key, not the old one with its value
  RegCloseKey(again);

  EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "software\\TREE"), ERROR_SUCCESS);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tree\\Branch", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tree", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Tree"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryKeys, DeleteTreeWithoutSubKeyEmptiesTheKeyItself) {
  HKEY root = Create("Software\\Empty");
  RegCloseKey(Create("Sub\\Deeper", root));
  ASSERT_EQ(RegSetValueExA(root, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
            ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteTreeA(root, nullptr), ERROR_SUCCESS);
  DWORD subKeys = kSentinel, values = kSentinel;
  EXPECT_EQ(RegQueryInfoKeyA(root, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 0u);
  RegCloseKey(root);
}

TEST_F(RegistryKeys, HandleToDeletedKeyReportsKeyDeleted) {
  HKEY key = Create("Software\\Doomed");
  HKEY other = Create("Software\\Doomed");
  ASSERT_EQ(RegDeleteKeyA(other, ""), ERROR_SUCCESS);  // an empty name deletes the handle's own key
  RegCloseKey(other);
  // Made again under the same name, it is another key: the old handle stays dead.
  RegCloseKey(Create("Software\\Doomed"));

  DWORD size = 4;
  BYTE data[4];
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, data, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_BINARY, data, 0), ERROR_KEY_DELETED);
  HKEY sub = nullptr;
  EXPECT_EQ(RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
            ERROR_KEY_DELETED);
  char name[8];
  DWORD length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryKeys, AccessRightsOfAHandleAreEnforced) {
  RegCloseKey(Create("Software\\Guarded\\Child"));
  HKEY readOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Guarded", 0, KEY_READ, &readOnly),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(readOnly, "v", 0, REG_BINARY, nullptr, 0), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(readOnly, "v"), ERROR_ACCESS_DENIED);
  HKEY made = nullptr;
  EXPECT_EQ(
      RegCreateKeyExA(readOnly, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr),
      ERROR_ACCESS_DENIED);
  // Opening an existing key through RegCreateKeyEx needs no right to create.
  EXPECT_EQ(
      RegCreateKeyExA(readOnly, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr),
      ERROR_SUCCESS);
  RegCloseKey(made);
  RegCloseKey(readOnly);

  HKEY writeOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Guarded", 0, KEY_SET_VALUE, &writeOnly),
            ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(writeOnly, "v", nullptr, nullptr, nullptr, &size),
            ERROR_ACCESS_DENIED);
  char name[8];
  DWORD length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(writeOnly, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  RegCloseKey(writeOnly);

  HKEY generic = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Guarded", 0, GENERIC_WRITE, &generic),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(generic, "v", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  RegCloseKey(generic);
}

TEST_F(RegistryKeys, OldOpenCallReturnsTheKeyItselfForAnEmptyName) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &key), ERROR_SUCCESS);
  EXPECT_EQ(key, HKEY_LOCAL_MACHINE);
  HKEY made = Create("Software\\Old");
  RegCloseKey(made);
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Old", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);  // full access
  RegCloseKey(key);
}

TEST_F(RegistryKeys, KeyHandleIsAKernelHandle) {
  HKEY key = Create("Software\\Kernel");
  EXPECT_TRUE(CloseHandle(reinterpret_cast<HANDLE>(key)));
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

}  // namespace
