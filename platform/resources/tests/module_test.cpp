#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"
#include "platform/winver.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

std::string ModuleFile() { return TRV_RESTEST_MODULE; }

std::string ProgramFile() {
  char name[MAX_PATH * 4];
  DWORD n = GetModuleFileNameA(nullptr, name, sizeof name);
  return std::string(name, n);
}

class ModuleResources : public trv::testing::FreshMachine {
 protected:
  void SetUp() override {
    FreshMachine::SetUp();
    module_ = LoadLibraryA(trv::WindowsPath(ModuleFile()).c_str());
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
    FreshMachine::TearDown();
  }

  // The version information of a file as a caller gets it: size, then data.
  std::vector<BYTE> VersionInfo(const std::string& windowsPath) {
    DWORD handle = kSentinel;
    DWORD size = GetFileVersionInfoSizeA(windowsPath.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    std::vector<BYTE> data(size);
    if (size == 0 || !GetFileVersionInfoA(windowsPath.c_str(), 0, size, data.data())) return {};
    return data;
  }

  static std::string Text(const std::vector<BYTE>& info, const char* path) {
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), path, &value, &length)) return "<missing>";
    EXPECT_EQ(length, std::strlen(static_cast<const char*>(value)) + 1) << path;
    return static_cast<const char*>(value);
  }

  HMODULE module_ = nullptr;
};

TEST_F(ModuleResources, VersionInfoComesFromTheModuleFile) {
  std::vector<BYTE> info = VersionInfo(trv::WindowsPath(ModuleFile()));
  ASSERT_FALSE(info.empty());
  EXPECT_EQ(Text(info, "\\StringFileInfo\\040904B0\\ProductName"), "Resource Test Module");
  EXPECT_EQ(Text(info, "\\StringFileInfo\\040904B0\\Comments"), "Caf\xe9 \x80");
  EXPECT_EQ(Text(info, "\\StringFileInfo\\040904b0\\FILEVERSION"), "3, 0, 2, 17");
  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00030000u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0x00020011u);
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  const auto* translation = static_cast<const BYTE*>(value);
  EXPECT_EQ(translation[0] | translation[1] << 8, 0x0409);
  EXPECT_EQ(translation[2] | translation[3] << 8, 1200);
}

// The file need not be loaded, and its Windows path is found without regard to case.
TEST_F(ModuleResources, VersionInfoOfACopyInTheSystemFolder) {
  fs::create_directories(host("C:\\WINDOWS\\system32"));
  fs::copy_file(ModuleFile(), host("C:\\WINDOWS\\system32") + "/ResTest.dll");
  std::vector<BYTE> info = VersionInfo("c:\\windows\\SYSTEM32\\restest.DLL");
  EXPECT_EQ(Text(info, "\\StringFileInfo\\040904B0\\OriginalFilename"), "ResTest.dll");
}

TEST_F(ModuleResources, BufferMustHoldTheSizeAsked) {
  std::string path = trv::WindowsPath(ModuleFile());
  DWORD needed = GetFileVersionInfoSizeA(path.c_str(), nullptr);
  ASSERT_GT(needed, 0u);
  std::vector<BYTE> data(needed + 1, 0xAB);
  SetLastError(kSentinel);
  EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, needed - 1, data.data()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(data[0], 0xAB);  // nothing written
  EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), 0, needed, data.data()));
  EXPECT_EQ(data[needed], 0xAB);  // nothing beyond the size asked
  EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), 0, needed + 1, data.data()));
  EXPECT_EQ(Text(data, "\\StringFileInfo\\040904B0\\ProductName"), "Resource Test Module");
}

TEST_F(ModuleResources, FilesWithoutVersionInfo) {
  writeFile("C:\\notes.txt", "plain text, no module");
  struct Case {
    std::string path;
    DWORD error;
  } cases[] = {
      {"C:\\nowhere\\missing.dll", ERROR_FILE_NOT_FOUND},
      {"C:\\notes.txt", ERROR_RESOURCE_DATA_NOT_FOUND},
      {trv::WindowsPath(trv::testing::OutDir() + "/libtrvplatform.so"),
       ERROR_RESOURCE_DATA_NOT_FOUND},
      {ProgramFile(), ERROR_RESOURCE_TYPE_NOT_FOUND},  // texts only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    DWORD handle = kSentinel;
    SetLastError(kSentinel);
    EXPECT_EQ(GetFileVersionInfoSizeA(c.path.c_str(), &handle), 0u);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(handle, 0u);
    BYTE data[64];
    SetLastError(kSentinel);
    EXPECT_FALSE(GetFileVersionInfoA(c.path.c_str(), 0, sizeof data, data));
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(ModuleResources, LoadStringAConvertsCutsAndTerminates) {
  struct Case {
    UINT id;
    int size;
    std::string text;
  } cases[] = {
      {0, 64, "zero"},     {15, 64, "fifteen"},
      {16, 64, "sixteen"}, {31, 64, "Caf\xe9 costs 5 \x80"},
      {65535, 64, "last"}, {16, 8, "sixteen"},
      {16, 7, "sixtee"},   {16, 4, "six"},
      {16, 2, "s"},        {16, 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "id " << c.id << " size " << c.size);
    char buffer[80];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(module_, c.id, buffer, c.size), static_cast<int>(c.text.size()));
    EXPECT_EQ(std::string(buffer), c.text);
    EXPECT_EQ(buffer[c.size], 'x');
  }
}

TEST_F(ModuleResources, MissingAndEmptyStringsLoadAsNothing) {
  // 17 is empty in a bundle that exists; 100 lies in a bundle that does not.
  for (UINT id : {17u, 100u, 65534u}) {
    SCOPED_TRACE(id);
    char buffer[16] = "sentinel";
    SetLastError(kSentinel);
    EXPECT_EQ(LoadStringA(module_, id, buffer, sizeof buffer), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(buffer[0], '\0');
    WCHAR wide[16] = u"sentinel";
    EXPECT_EQ(LoadStringW(module_, id, wide, 16), 0);
    EXPECT_EQ(wide[0], u'\0');
  }
  char buffer[4];
  SetLastError(kSentinel);
  EXPECT_EQ(LoadStringA(module_, 16, buffer, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(LoadStringA(module_, 16, nullptr, 4), 0);
}

TEST_F(ModuleResources, LoadStringWCopiesOrPointsAtTheText) {
  WCHAR buffer[32];
  EXPECT_EQ(LoadStringW(module_, 31, buffer, 32), 14);
  EXPECT_EQ(std::u16string(buffer), u"Caf\u00e9 costs 5 \u20ac");
  EXPECT_EQ(LoadStringW(module_, 31, buffer, 5), 4);
  EXPECT_EQ(std::u16string(buffer), u"Caf\u00e9");
  // Size 0: the address of the module's own copy, not terminated, and its length.
  const WCHAR* text = nullptr;
  EXPECT_EQ(LoadStringW(module_, 15, reinterpret_cast<LPWSTR>(&text), 0), 7);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text, 7), u"fifteen");
}

TEST_F(ModuleResources, StringsComeInTheUsersLanguage) {
  struct Case {
    LANGID user;
    std::string text;
  } cases[] = {
      {0x0409, "sixteen"},   // exact
      {0x0407, "sechzehn"},  // exact
      {0x0807, "sechzehn"},  // same primary language
      {0x040C, "sixteen"},   // none of the user's: US English
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user);
    trv::SetUserDefaultLangID(c.user);
    char buffer[32];
    EXPECT_EQ(LoadStringA(module_, 16, buffer, sizeof buffer), static_cast<int>(c.text.size()));
    EXPECT_EQ(std::string(buffer), c.text);
  }
  // A bundle in one language only is found whatever the user's language.
  char buffer[32];
  EXPECT_EQ(LoadStringA(module_, 15, buffer, sizeof buffer), 7);
}

TEST_F(ModuleResources, NullInstanceIsTheProgram) {
  char buffer[32];
  EXPECT_EQ(LoadStringA(nullptr, 1, buffer, sizeof buffer), 16);
  EXPECT_STREQ(buffer, "from the program");
  EXPECT_EQ(LoadStringA(module_, 1, buffer, sizeof buffer), 0);
}

TEST_F(ModuleResources, FindResourceByNumberOrNameIgnoringCase) {
  HRSRC version = FindResourceA(module_, MAKEINTRESOURCEA(1), RT_VERSION);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(FindResourceA(module_, "#1", RT_VERSION), version);
  DWORD size = SizeofResource(module_, version);
  auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module_, version)));
  ASSERT_NE(data, nullptr);
  // The stored block starts with its own length.
  EXPECT_EQ(static_cast<DWORD>(data[0] | data[1] << 8), size);
  std::vector<BYTE> info = VersionInfo(trv::WindowsPath(ModuleFile()));
  ASSERT_GE(info.size(), size);
  // GetFileVersionInfoA's copy differs only in the root's length, stretched over
  // the spare room behind the block.
  EXPECT_EQ(std::memcmp(info.data() + 2, data + 2, size - 2), 0);
  EXPECT_EQ(static_cast<size_t>(info[0] | info[1] << 8), info.size());

  HRSRC config = FindResourceA(module_, "config", "TrvData");
  ASSERT_NE(config, nullptr);
  ASSERT_EQ(SizeofResource(module_, config), 7u);
  auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module_, config)));
  EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 7),
            (std::vector<BYTE>{'l', 'a', 'b', 'e', 'l', 0x34, 0x12}));
}

TEST_F(ModuleResources, MissingResourcesAndStrangeHandles) {
  struct Case {
    LPCSTR name;
    LPCSTR type;
    DWORD error;
  } cases[] = {
      {MAKEINTRESOURCEA(2), RT_VERSION, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"CONFIGS", "TRVDATA", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"CONFIG", "OTHER", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(5), ERROR_RESOURCE_TYPE_NOT_FOUND},
      {nullptr, RT_VERSION, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    EXPECT_EQ(FindResourceA(module_, c.name, c.type), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  int local = 0;
  HRSRC madeUp = reinterpret_cast<HRSRC>(&local);
  for (HRSRC bad : {HRSRC{}, madeUp}) {
    SetLastError(kSentinel);
    EXPECT_EQ(LoadResource(module_, bad), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(kSentinel);
    EXPECT_EQ(SizeofResource(module_, bad), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  EXPECT_EQ(LockResource(nullptr), nullptr);
}

}  // namespace
