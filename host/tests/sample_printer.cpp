#include "host/tests/sample_printer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/winspool.h"

namespace trv::testing {

void SampleCpclPrinterTest::SetUp() {
  SpoolerTest::SetUp();
  const std::string out = trv::testing::OutDir();
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  for (const char* f : {"TRVCPL.DLL", "trv_uk.lng"})
    ASSERT_TRUE(CopyFileA(trv::WindowsPath(out + "/" + f).c_str(),
                          (std::string(system) + "\\" + f).c_str(), FALSE))
        << f;
  for (const char* f : {"TRVBAR.TTF", "TRVBARNT.TTF"})
    ASSERT_TRUE(CopyFileA(trv::WindowsPath(out + "/" + f).c_str(),
                          (trv::FontsFolder() + "\\" + f).c_str(), FALSE));
  std::string name = "CPCL Monitor", env = "Windows NT x86", file = "TRVCPL.DLL";
  MONITOR_INFO_2A monitor{name.data(), env.data(), file.data()};
  ASSERT_TRUE(AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor))) << GetLastError();

  // The model files and the resident fonts' metrics go with the driver.
  std::string dependents;
  std::vector<std::string> files = {"TRVCPL.DEF", "trvprd.cfg", "language.dll", "trv_uk.lng"};
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(trv::WindowsPath(out + "/CP*.UFM").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    files.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  for (const std::string& f : files) {
    std::string path = out;
    path += '/';
    path += f;
    dependents += trv::WindowsPath(path);
    dependents += '\0';
  }
  dependents += '\0';
  char dir[MAX_PATH];
  DWORD needed = 0;
  ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir),
                                         sizeof dir, &needed));
  for (const char* f : {"TRV.DLL", "TRVUI.DLL"}) writeFile(std::string(dir) + "\\" + f, f);
  std::string driver = "CPCL", data = trv::WindowsPath(out + "/TRVCP4.DAT"), type = "RAW";
  char driverFile[] = "TRV.DLL", configFile[] = "TRVUI.DLL";
  DRIVER_INFO_3A info{3,          driver.data(), nullptr,           driverFile,  data.data(),
                      configFile, nullptr,       dependents.data(), name.data(), type.data()};
  ASSERT_TRUE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
  AddPrinter("Labels", "FILE:", "CPCL");
}

}  // namespace trv::testing
