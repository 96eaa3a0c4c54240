#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace fs = std::filesystem;

namespace {

class Modules : public trv::testing::FreshMachine {
 protected:
  std::string platformLibrary() const { return trv::testing::OutDir() + "/libtrvplatform.so"; }
};

TEST_F(Modules, LoadsByWindowsPathAndFindsExportsByName) {
  std::string path = trv::WindowsPath(platformLibrary());
  HMODULE m = LoadLibraryA(path.c_str());
  ASSERT_NE(m, nullptr) << path;
  // The platform library is already in this process: the same code is found.
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(m, "GetLastError")),
            reinterpret_cast<void*>(&GetLastError));
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(m, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(m, MAKEINTRESOURCEA(1)), nullptr);
  char name[MAX_PATH];
  DWORD n = GetModuleFileNameA(m, name, MAX_PATH);
  EXPECT_EQ(std::string(name, n), path);
  char small[8];
  EXPECT_EQ(GetModuleFileNameA(m, small, 8), 8u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(small), path.substr(0, 7));
  EXPECT_TRUE(FreeLibrary(m));
}

TEST_F(Modules, BareNamesAreSearchedInTheSystemFolderWithDllAdded) {
  fs::copy_file(platformLibrary(), host("C:\\WINDOWS\\system32\\Helper.DLL"));
  HMODULE m = LoadLibraryA("helper");
  ASSERT_NE(m, nullptr);
  char name[MAX_PATH];
  GetModuleFileNameA(m, name, MAX_PATH);
  EXPECT_STREQ(name, "C:\\windows\\system32\\Helper.DLL");
  EXPECT_NE(GetModuleHandleA("HELPER.dll"), nullptr);
  FreeLibrary(m);
}

TEST_F(Modules, MissingOrBrokenModulesFail) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("C:\\nowhere\\x.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  writeFile("C:\\WINDOWS\\system32\\broken.dll", "not a module");
  EXPECT_EQ(LoadLibraryA("broken.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

TEST_F(Modules, ModuleOfAnAddress) {
  HMODULE m = nullptr;
  ASSERT_TRUE(GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&SetLastError), &m));
  char name[MAX_PATH];
  GetModuleFileNameA(m, name, MAX_PATH);
  EXPECT_EQ(std::string(name), trv::WindowsPath(platformLibrary()));
  // The program itself is the null module.
  GetModuleFileNameA(nullptr, name, MAX_PATH);
  EXPECT_NE(std::string(name).find("kernel_tests"), std::string::npos);
}

}  // namespace
