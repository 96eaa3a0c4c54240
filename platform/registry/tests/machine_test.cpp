// The registry belongs to the machine: it persists in the machine root, follows the
// process to another root, and is shared with the other processes of the machine.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"
#include "platform/winreg.h"

namespace {

class RegistryMachine : public trv::testing::FreshMachine {
 protected:
  static LONG WriteDword(const char* path, const char* name, DWORD value) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    result = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof value);
    RegCloseKey(key);
    return result;
  }
  static LONG ReadDword(const char* path, const char* name, DWORD* value) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
    if (result != ERROR_SUCCESS) return result;
    DWORD size = sizeof *value;
    result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result;
  }
  // The command line that runs the peer process on this test's machine root.
  std::string Peer(const std::string& arguments) const {
    return "TRV_ROOT='" + root() + "' '" + REGISTRY_PEER + "' " + arguments;
  }
};

TEST_F(RegistryMachine, RegistryLivesInTheMachineRootAndFollowsRootSwitches) {
  ASSERT_EQ(WriteDword("Software\\Persist", "v", 42), ERROR_SUCCESS);
  HKEY handle = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Persist", 0, KEY_READ, &handle),
            ERROR_SUCCESS);
  const std::string first = root();

  std::string second = first + "-other";
  trv::SetMachineRoot(second);
  DWORD value = 0;
  EXPECT_EQ(ReadDword("Software\\Persist", "v", &value), ERROR_FILE_NOT_FOUND);
  // A handle of the other machine is no key here.
  DWORD size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(handle, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_INVALID_HANDLE);

  trv::SetMachineRoot(first);
  EXPECT_EQ(ReadDword("Software\\Persist", "v", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, 42u);
  EXPECT_EQ(RegQueryValueExA(handle, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  RegCloseKey(handle);
  std::string removeOther = "rm -rf '" + second + "'";
  EXPECT_EQ(std::system(removeOther.c_str()), 0);
}

TEST_F(RegistryMachine, ARemovedRegistryIsMadeAnewNotKeptAlive) {
  ASSERT_EQ(WriteDword("Software\\Reset", "v", 42), ERROR_SUCCESS);
  std::string wipe = "rm -rf '" + root() + "'";
  ASSERT_EQ(std::system(wipe.c_str()), 0);
  trv::SetMachineRoot(root());  // the same path, a new machine
  DWORD value = 0;
  EXPECT_EQ(ReadDword("Software\\Reset", "v", &value), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(WriteDword("Software\\Reset", "v", 43), ERROR_SUCCESS);
  EXPECT_EQ(std::system(Peer("read 'Software\\Reset' v > /dev/null").c_str()),
            0);  // in the file others read
}

TEST_F(RegistryMachine, TwoProcessesSeeEachOthersWrites) {
  ASSERT_EQ(WriteDword("Software\\Shared", "fromTest", 7), ERROR_SUCCESS);
  // The peer reads what this process wrote...
  FILE* reader = ::popen(Peer("read 'Software\\Shared' fromTest").c_str(), "r");
  ASSERT_NE(reader, nullptr);
  char line[32] = "";
  ASSERT_NE(std::fgets(line, sizeof line, reader), nullptr);
  EXPECT_EQ(::pclose(reader), 0);
  EXPECT_STREQ(line, "7\n");
  // ...and this process, its connection open all along, reads what the peer wrote.
  ASSERT_EQ(std::system(Peer("write 'Software\\Shared' peer 3").c_str()), 0);
  DWORD value = 0;
  ASSERT_EQ(ReadDword("Software\\Shared", "peer2", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, 2u);
}

TEST_F(RegistryMachine, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr DWORD kEach = 150;
  FILE* peer = ::popen(Peer("write 'Software\\Busy' p " + std::to_string(kEach)).c_str(), "r");
  ASSERT_NE(peer, nullptr);
  for (DWORD i = 0; i < kEach; ++i)
    ASSERT_EQ(WriteDword("Software\\Busy", ("t" + std::to_string(i)).c_str(), i), ERROR_SUCCESS)
        << i;
  ASSERT_EQ(::pclose(peer), 0);

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Busy", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 2 * kEach);
  RegCloseKey(key);
  for (const char* prefix : {"t", "p"}) {
    for (DWORD i = 0; i < kEach; ++i) {
      DWORD value = 0xDEADBEEF;
      ASSERT_EQ(ReadDword("Software\\Busy", (prefix + std::to_string(i)).c_str(), &value),
                ERROR_SUCCESS);
      EXPECT_EQ(value, i);
    }
  }
}

TEST_F(RegistryMachine, AForkedChildUsesItsOwnConnection) {
  ASSERT_EQ(WriteDword("Software\\Fork", "parent", 1),
            ERROR_SUCCESS);  // the parent's connection is open
  pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    DWORD value = 0;
    bool ok = ReadDword("Software\\Fork", "parent", &value) == ERROR_SUCCESS && value == 1 &&
              WriteDword("Software\\Fork", "child", 2) == ERROR_SUCCESS;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  DWORD value = 0;
  EXPECT_EQ(ReadDword("Software\\Fork", "child", &value), ERROR_SUCCESS);
  EXPECT_EQ(value, 2u);
  EXPECT_EQ(WriteDword("Software\\Fork", "parent", 3), ERROR_SUCCESS);
}

}  // namespace
