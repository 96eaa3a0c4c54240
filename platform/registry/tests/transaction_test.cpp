// Grouped transactions: all of a group's writes or none of them, and who sees what.
#include <gtest/gtest.h>

#include "platform/testing/fixtures.h"
#include "platform/winreg.h"

namespace {

class RegistryTransactions : public trv::testing::FreshMachine {
 protected:
  // True or false only when the registry could answer; anything else fails the test.
  static bool Exists(const char* path) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
    if (result == ERROR_SUCCESS) RegCloseKey(key);
    EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND)
        << path << ": " << result;
    return result == ERROR_SUCCESS;
  }
  static LONG ReadDword(HKEY key, const char* name, DWORD* value) {
    DWORD size = sizeof *value;
    return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  }
  static LONG WriteDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
  }
  static HANDLE NewTransaction() {
    HANDLE t = CreateTransaction(nullptr, nullptr, 0, 0, 0, 0, nullptr);
    EXPECT_NE(t, INVALID_HANDLE_VALUE);
    return t;
  }
};

TEST_F(RegistryTransactions, CommitPublishesEveryWriteAtOnce) {
  HANDLE t = NewTransaction();
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyTransactedA(HKEY_LOCAL_MACHINE, "Software\\List", 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, &key, &disposition, t, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  ASSERT_EQ(WriteDword(key, "first", 1), ERROR_SUCCESS);
  HKEY item = nullptr;  // opened below a transacted key: in the transaction too
  ASSERT_EQ(RegCreateKeyExA(key, "Item", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &item, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(WriteDword(item, "second", 2), ERROR_SUCCESS);

  // The transaction reads its own writes; everyone else sees nothing yet.
  DWORD value = 0;
  EXPECT_EQ(ReadDword(item, "second", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, 2u);
  EXPECT_FALSE(Exists("Software\\List"));

  ASSERT_TRUE(CommitTransaction(t));
  EXPECT_TRUE(Exists("Software\\List\\Item"));
  HKEY plain = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\List", 0, KEY_READ, &plain),
            ERROR_SUCCESS);
  EXPECT_EQ(ReadDword(plain, "first", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);
  RegCloseKey(plain);

  // A finished transaction takes no more work.
  EXPECT_EQ(WriteDword(key, "late", 3), ERROR_TRANSACTION_NOT_ACTIVE);
  EXPECT_EQ(ReadDword(key, "first", &value), ERROR_TRANSACTION_NOT_ACTIVE);
  SetLastError(0);
  EXPECT_FALSE(CommitTransaction(t));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TRANSACTION_ALREADY_COMMITTED));
  EXPECT_FALSE(RollbackTransaction(t));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TRANSACTION_ALREADY_COMMITTED));
  RegCloseKey(item);
  RegCloseKey(key);
  EXPECT_TRUE(CloseHandle(t));
}

TEST_F(RegistryTransactions, RollbackAndCloseLeaveNothingBehind) {
  HKEY existing = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Keep", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &existing, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(WriteDword(existing, "v", 1), ERROR_SUCCESS);

  for (bool viaClose : {false, true}) {
    HANDLE t = NewTransaction();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyTransactedA(HKEY_LOCAL_MACHINE, "Software\\Keep", 0, KEY_ALL_ACCESS, &key,
                                    t, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(WriteDword(key, "v", 99), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Keep"), ERROR_TRANSACTIONAL_CONFLICT)
        << "a plain write on the thread that holds the transaction";
    HKEY added = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(key, "Added", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &added, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(added);
    if (viaClose) {
      EXPECT_TRUE(CloseHandle(t));
    } else {
      EXPECT_TRUE(RollbackTransaction(t));
      SetLastError(0);
      EXPECT_FALSE(CommitTransaction(t));
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TRANSACTION_ALREADY_ABORTED));
      CloseHandle(t);
    }
    RegCloseKey(key);
    DWORD value = 0;
    EXPECT_EQ(ReadDword(existing, "v", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u) << viaClose;
    EXPECT_FALSE(Exists("Software\\Keep\\Added"));
  }
  // With the transaction gone, plain writes go through again.
  EXPECT_EQ(WriteDword(existing, "v", 2), ERROR_SUCCESS);
  RegCloseKey(existing);
}

TEST_F(RegistryTransactions, AFailedCallInsideATransactionLeavesNoPartOfItself) {
  HANDLE t = NewTransaction();
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyTransactedA(HKEY_LOCAL_MACHINE, "Software\\Partial", 0, nullptr, 0,
                                    KEY_READ, nullptr, &key, nullptr, t, nullptr),
            ERROR_SUCCESS);
  // "A" would be made below the handle, which may not create keys: nothing of the
  // path may stay, although the call began inside a live transaction.
  HKEY deep = nullptr;
  EXPECT_EQ(RegCreateKeyExA(key, "A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deep, nullptr),
            ERROR_ACCESS_DENIED);
  ASSERT_TRUE(CommitTransaction(t));
  EXPECT_TRUE(Exists("Software\\Partial"));
  EXPECT_FALSE(Exists("Software\\Partial\\A"));
  RegCloseKey(key);
  CloseHandle(t);
}

TEST_F(RegistryTransactions, BadTransactionHandles) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyTransactedA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key,
                                  reinterpret_cast<HANDLE>(0x4444), nullptr),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCreateKeyTransactedA(HKEY_LOCAL_MACHINE, "X", 0, nullptr, 0, KEY_READ, nullptr, &key,
                                    nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);
  SetLastError(0);
  EXPECT_FALSE(CommitTransaction(reinterpret_cast<HANDLE>(0x4444)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // A key handle is not a transaction, nor a transaction a key.
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_FALSE(RollbackTransaction(reinterpret_cast<HANDLE>(key)));
  HANDLE t = NewTransaction();
  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(t)), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(CloseHandle(t));
  RegCloseKey(key);
}

}  // namespace
