#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace fs = std::filesystem;

namespace {

class Files : public trv::testing::FreshMachine {};

TEST_F(Files, DrivesMapIntoTheMachineRootAndBack) {
  EXPECT_EQ(trv::HostPath("C:\\WINDOWS\\system32"), root() + "/drive_c/windows/system32");
  EXPECT_EQ(trv::HostPath("c:/windows/SYSTEM32/x.txt"), root() + "/drive_c/windows/system32/x.txt");
  EXPECT_EQ(trv::HostPath("Z:\\etc\\hostname"), "/etc/hostname");
  EXPECT_EQ(trv::HostPath("D:\\data"), root() + "/drive_d/data");
  EXPECT_EQ(trv::HostPath("\\\\server\\share"), "");
  EXPECT_EQ(trv::WindowsPath(root() + "/drive_c/windows/Fonts"), "C:\\windows\\Fonts");
  EXPECT_EQ(trv::WindowsPath("/usr/lib"), "Z:\\usr\\lib");
  EXPECT_EQ(trv::HostPath(trv::WindowsPath("/usr/lib")), "/usr/lib");
}

TEST_F(Files, MissingExactNameIsFoundWithoutRegardToCase) {
  writeFile("C:\\Drivers\\TRVCPL.DEF", "x");
  EXPECT_EQ(trv::HostPath("C:\\drivers\\trvcpl.def"), root() + "/drive_c/Drivers/TRVCPL.DEF");
  // A name that does not exist in any case keeps the spelling it was given.
  EXPECT_EQ(trv::HostPath("C:\\drivers\\New.txt"), root() + "/drive_c/Drivers/New.txt");
}

TEST_F(Files, WriteReadSeekAndSize) {
  HANDLE h =
      CreateFileA("C:\\data.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "hello", 5, &n, nullptr));
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_END), 5u);
  ASSERT_TRUE(WriteFile(h, " world", 6, &n, nullptr));
  EXPECT_EQ(GetFileSize(h, nullptr), 11u);
  EXPECT_EQ(SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
  char buffer[16] = {};
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));  // a short read at the end succeeds
  EXPECT_EQ(n, 5u);
  EXPECT_STREQ(buffer, "world");
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(CloseHandle(h));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(readFile("C:\\data.bin"), "hello world");
}

TEST_F(Files, DispositionsAndTheirErrors) {
  writeFile("C:\\exists.txt", "abc");
  struct Case {
    const char* name;
    DWORD disposition;
    bool opens;
    DWORD error;  // last error after the call
  } cases[] = {
      {"C:\\exists.txt", CREATE_NEW, false, ERROR_FILE_EXISTS},
      {"C:\\exists.txt", OPEN_EXISTING, true, ERROR_SUCCESS},
      {"C:\\exists.txt", OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS},
      {"C:\\exists.txt", CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS},
      {"C:\\missing.txt", OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND},
      {"C:\\no\\such\\dir\\f.txt", OPEN_EXISTING, false, ERROR_PATH_NOT_FOUND},
      {"C:\\no\\such\\dir\\f.txt", CREATE_ALWAYS, false, ERROR_PATH_NOT_FOUND},
      {"C:\\fresh.txt", OPEN_ALWAYS, true, ERROR_SUCCESS},
      {"C:\\WINDOWS", OPEN_EXISTING, false, ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SetLastError(0xdeadbeef);
    HANDLE h =
        CreateFileA(c.name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition, 0, nullptr);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << c.name << " " << c.disposition;
    EXPECT_EQ(GetLastError(), c.error) << c.name << " " << c.disposition;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  EXPECT_EQ(readFile("C:\\exists.txt"), "");  // CREATE_ALWAYS truncated it
}

TEST_F(Files, DeleteCopyMoveAndAttributes) {
  writeFile("C:\\a.txt", "payload");
  EXPECT_TRUE(CopyFileA("C:\\a.txt", "C:\\b.txt", TRUE));
  SetLastError(0);
  EXPECT_FALSE(CopyFileA("C:\\a.txt", "C:\\b.txt", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(readFile("C:\\b.txt"), "payload");
  EXPECT_TRUE(MoveFileA("C:\\b.txt", "C:\\c.txt"));
  EXPECT_EQ(GetFileAttributesA("C:\\b.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_TRUE(DeleteFileA("C:\\C.TXT"));
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA("C:\\c.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(CreateDirectoryA("C:\\NewDir", nullptr));
  SetLastError(0);
  EXPECT_FALSE(CreateDirectoryA("C:\\newdir", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(RemoveDirectoryA("C:\\NEWDIR"));
}

TEST_F(Files, FindFilesMatchesWildcardsWithoutRegardToCase) {
  writeFile("C:\\fonts\\Arial.TTF", "1");
  writeFile("C:\\fonts\\arialbd.ttf", "22");
  writeFile("C:\\fonts\\cour.fon", "333");
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA("C:\\Fonts\\*.ttf", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::set<std::string> names{data.cFileName};
  while (FindNextFileA(h, &data)) names.insert(data.cFileName);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(h));
  EXPECT_EQ(names, (std::set<std::string>{"Arial.TTF", "arialbd.ttf"}));
  EXPECT_EQ(FindFirstFileA("C:\\fonts\\*.xyz", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Files, SystemFoldersFollowThePlatformAndReportNeededSizes) {
  char buffer[MAX_PATH];
  EXPECT_EQ(GetSystemDirectoryA(buffer, MAX_PATH), 19u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS\\system32");
  trv::SetPlatform(trv::Platform::Win98);
  EXPECT_EQ(GetSystemDirectoryA(buffer, MAX_PATH), 17u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS\\SYSTEM");
  EXPECT_TRUE(fs::is_directory(trv::HostPath(buffer)));
  char small[5];
  EXPECT_EQ(GetWindowsDirectoryA(small, 5), 11u);  // the size needed, terminator included
  EXPECT_EQ(GetTempPathA(MAX_PATH, buffer), 16u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS\\TEMP\\");
  char temp[MAX_PATH];
  UINT unique = GetTempFileNameA(buffer, "trv", 0, temp);
  ASSERT_NE(unique, 0u);
  EXPECT_NE(GetFileAttributesA(temp), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

// ---- short names --------------------------------------------------------------------

class ShortNames : public trv::testing::FreshMachine {};

TEST_F(ShortNames, LongNamesGetNumberedShortNamesInTheOrderOfTheFolder) {
  // ARIALU~1.TTF first: once a long name has it as its short name, creating it opens
  // that file, as on Windows.
  for (const char* name : {"ARIALU~1.TTF", "Arial Unicode.ttf", "arial unicode bold.ttf",
                           "ARIAL.TTF", "lower.ttf", "Two.Dots.ttf"})
    writeFile(std::string("C:\\f\\") + name, "x");
  struct Case {
    const char* path;
    const char* shortPath;
  };
  const Case cases[] = {
      {"C:\\f\\ARIAL.TTF", "C:\\f\\ARIAL.TTF"},
      {"C:\\f\\lower.ttf", "C:\\f\\lower.ttf"},
      // In the folder's order "arial unicode bold" comes first (a space sorts before
      // a period), and ARIALU~1.TTF is taken by a file of that name.
      {"C:\\f\\arial unicode bold.ttf", "C:\\f\\ARIALU~2.TTF"},
      {"C:\\f\\Arial Unicode.ttf", "C:\\f\\ARIALU~3.TTF"},
      {"C:\\f\\Two.Dots.ttf", "C:\\f\\TWODOT~1.TTF"},
      {"c:\\F\\arial UNICODE.ttf", "c:\\F\\ARIALU~3.TTF"},
  };
  for (const Case& c : cases) {
    char out[MAX_PATH];
    DWORD n = GetShortPathNameA(c.path, out, sizeof out);
    EXPECT_EQ(n, std::strlen(c.shortPath)) << c.path;
    EXPECT_STREQ(out, c.shortPath);
  }
  // Too small: the size needed, with terminator.
  char small[4];
  EXPECT_EQ(GetShortPathNameA("C:\\f\\Two.Dots.ttf", small, sizeof small),
            std::strlen("C:\\f\\TWODOT~1.TTF") + 1);
  SetLastError(0);
  EXPECT_EQ(GetShortPathNameA("C:\\f\\none.ttf", small, sizeof small), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA("C:\\f\\Two*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "Two.Dots.ttf");
  EXPECT_STREQ(data.cAlternateFileName, "TWODOT~1.TTF");
  FindClose(find);
  // A file opens by its short name too.
  EXPECT_EQ(readFile("C:\\f\\twodot~1.ttf"), "x");
}

TEST_F(ShortNames, MoveFileExReplacesTheTarget) {
  writeFile("C:\\a.txt", "new");
  writeFile("C:\\b.txt", "old");
  EXPECT_FALSE(MoveFileA("C:\\a.txt", "C:\\b.txt"));
  ASSERT_TRUE(MoveFileExA("C:\\a.txt", "C:\\b.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(readFile("C:\\b.txt"), "new");
  EXPECT_EQ(GetFileAttributesA("C:\\a.txt"), INVALID_FILE_ATTRIBUTES);
}
