#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/spooler/tests/spooler_fixture.h"
#include "platform/stand_in.h"
#include "platform/winreg.h"

namespace trv::testing {
namespace {

class PrinterTest : public SpoolerTest {
 protected:
  void SetUp() override {
    SpoolerTest::SetUp();
    InstallDriver("Label Driver");
    AddPrinter("Label", "FILE:", "Label Driver");
    char name[] = "label";  // names are matched without regard to case
    ASSERT_TRUE(OpenPrinterA(name, &printer, nullptr));
  }
  void TearDown() override {
    ClosePrinter(printer);
    SpoolerTest::TearDown();
  }
  HANDLE printer = nullptr;
};

TEST_F(PrinterTest, PrinterDataIsThePrinterDriverDataKey) {
  std::u16string name = u"Models";
  std::vector<BYTE> value = {1, 2, 3, 4, 5, 0, 7};
  EXPECT_EQ(SetPrinterDataW(printer, name.data(), REG_BINARY, value.data(), 7), 0u);

  DWORD type = 0xdeadbeef, needed = 0xdeadbeef;
  EXPECT_EQ(GetPrinterDataW(printer, name.data(), &type, nullptr, 0, &needed),
            static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(needed, 7u);
  std::vector<BYTE> got(8, 0xAB);
  EXPECT_EQ(GetPrinterDataW(printer, name.data(), &type, got.data(), 6, &needed),
            static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(needed, 7u);
  for (DWORD size : {7u, 8u}) {
    std::fill(got.begin(), got.end(), 0xAB);
    EXPECT_EQ(GetPrinterDataW(printer, name.data(), &type, got.data(), size, &needed), 0u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(needed, 7u);
    EXPECT_TRUE(std::equal(value.begin(), value.end(), got.begin()));
    EXPECT_EQ(got[7], 0xAB);
  }

  // The same value, seen through the registry where the suite's own code reads it.
  HKEY key = nullptr;
  ASSERT_EQ(
      RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                    "System\\CurrentControlSet\\Control\\Print\\Printers\\Label\\PrinterDriverData",
                    0, KEY_ALL_ACCESS, &key),
      ERROR_SUCCESS);
  BYTE raw[16];
  DWORD rawSize = sizeof raw;
  EXPECT_EQ(RegQueryValueExA(key, "Models", nullptr, &type, raw, &rawSize), ERROR_SUCCESS);
  EXPECT_EQ(rawSize, 7u);
  EXPECT_EQ(std::memcmp(raw, value.data(), 7), 0);
  // And the other way round: what the registry holds, printer data returns.
  DWORD language = 0x0409;
  ASSERT_EQ(RegSetValueExA(key, "Language", 0, REG_DWORD, reinterpret_cast<BYTE*>(&language), 4),
            ERROR_SUCCESS);
  RegCloseKey(key);
  char ansiName[] = "Language";
  DWORD read = 0;
  EXPECT_EQ(GetPrinterDataA(printer, ansiName, &type, reinterpret_cast<BYTE*>(&read), 4, &needed),
            0u);
  EXPECT_EQ(read, 0x0409u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

  std::u16string missing = u"UFM:Nothing";
  EXPECT_EQ(GetPrinterDataW(printer, missing.data(), &type, got.data(), 8, &needed),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetPrinterDataW(nullptr, name.data(), &type, got.data(), 8, &needed),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(PrinterTest, AddPrinterRefusesWhatCannotWork) {
  struct Case {
    const char* name;
    const char* port;
    const char* driver;
    DWORD error;
  };
  const Case cases[] = {
      {"LABEL", "FILE:", "Label Driver", ERROR_PRINTER_ALREADY_EXISTS},
      {"Other", "LPT7:", "Label Driver", ERROR_UNKNOWN_PORT},
      {"Other", "FILE:", "No Such Driver", ERROR_UNKNOWN_PRINTER_DRIVER},
      {"Back\\slash", "FILE:", "Label Driver", ERROR_INVALID_PRINTER_NAME},
      {"", "FILE:", "Label Driver", ERROR_INVALID_PRINTER_NAME},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string n = c.name, p = c.port, d = c.driver;
    PRINTER_INFO_2A info{};
    info.pPrinterName = n.data();
    info.pPortName = p.data();
    info.pDriverName = d.data();
    SetLastError(0xdeadbeef);
    EXPECT_EQ(AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  char other[] = "Other";
  HANDLE h = nullptr;
  EXPECT_FALSE(OpenPrinterA(other, &h, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
}

TEST_F(PrinterTest, DefaultDevmodeRoundTripsThroughBothCharacterSets) {
  // A wide device mode with a private part, set at level 2 ...
  std::vector<BYTE> devmode(sizeof(DEVMODEW) + 16, 0);
  auto* dm = reinterpret_cast<DEVMODEW*>(devmode.data());
  std::u16string deviceName = u"Label", form = u"Label 50x30";
  std::memcpy(dm->dmDeviceName, deviceName.c_str(), deviceName.size() * 2);
  std::memcpy(dm->dmFormName, form.c_str(), form.size() * 2);
  dm->dmSpecVersion = 0x401;
  dm->dmSize = sizeof(DEVMODEW);
  dm->dmDriverExtra = 16;
  dm->dmPaperWidth = 508;
  dm->dmPelsWidth = 406;
  std::memcpy(devmode.data() + sizeof(DEVMODEW), "TRV3private-data", 16);

  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed);
  ASSERT_TRUE(GetPrinterW(printer, 2, info.data(), needed, &needed));
  auto* p2 = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
  p2->pDevMode = dm;
  ASSERT_TRUE(SetPrinterW(printer, 2, info.data(), 0)) << GetLastError();

  // ... comes back wide unchanged, and as ANSI with the same private part.
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  info.assign(needed, 0);
  ASSERT_TRUE(GetPrinterW(printer, 2, info.data(), needed, &needed));
  const DEVMODEW* backW = reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode;
  ASSERT_NE(backW, nullptr);
  EXPECT_EQ(std::memcmp(backW, devmode.data(), devmode.size()), 0);

  GetPrinterA(printer, 2, nullptr, 0, &needed);
  info.assign(needed, 0);
  ASSERT_TRUE(GetPrinterA(printer, 2, info.data(), needed, &needed));
  const DEVMODEA* backA = reinterpret_cast<PRINTER_INFO_2A*>(info.data())->pDevMode;
  ASSERT_NE(backA, nullptr);
  EXPECT_EQ(backA->dmSize, sizeof(DEVMODEA));
  EXPECT_EQ(backA->dmDriverExtra, 16);
  EXPECT_STREQ(reinterpret_cast<const char*>(backA->dmDeviceName), "Label");
  EXPECT_STREQ(reinterpret_cast<const char*>(backA->dmFormName), "Label 50x30");
  EXPECT_EQ(backA->dmPaperWidth, 508);
  EXPECT_EQ(backA->dmPelsWidth, 406u);
  EXPECT_EQ(
      std::memcmp(reinterpret_cast<const BYTE*>(backA) + backA->dmSize, "TRV3private-data", 16), 0);
}

TEST_F(PrinterTest, DriverFoldersFollowThePlatform) {
  struct Case {
    trv::Platform platform;
    const char* directory;
    const char* filesFolder;
  };
  const Case cases[] = {
      {trv::Platform::Win2000OrLater, "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86",
       "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3"},
      {trv::Platform::NT4, "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86",
       "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\2"},
      {trv::Platform::Win98, "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\SYSTEM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.directory);
    trv::SetPlatform(c.platform);
    char dir[MAX_PATH];
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir),
                                           sizeof dir, &needed));
    EXPECT_STREQ(dir, c.directory);
    EXPECT_EQ(needed, std::strlen(c.directory) + 1);
    InstallDriver("Driver");
    EXPECT_TRUE(
        std::filesystem::is_regular_file(host(std::string(c.filesFolder) + "\\TRVCPL.DAT")));
  }
}

TEST_F(PrinterTest, MonitorsAreInstalledOnceAndOnlyWithTheirLibrary) {
  InstallDriver("Monitored", "Test Monitor");
  char name[] = "Test Monitor", env[] = "Windows NT x86", library[] = "testmon.dll",
       absent[] = "absent.dll";
  MONITOR_INFO_2A again{name, env, library};
  SetLastError(0);
  EXPECT_FALSE(AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&again)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_MONITOR_ALREADY_INSTALLED));
  char other[] = "Other Monitor";
  MONITOR_INFO_2A missing{other, env, absent};
  EXPECT_FALSE(AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&missing)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  // Enumerated with their libraries, the built-in port monitor first; a buffer one
  // byte short says what it needs.
  DWORD needed = 0, returned = 0;
  EXPECT_FALSE(EnumMonitorsA(nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> buffer(needed);
  EXPECT_FALSE(EnumMonitorsA(nullptr, 2, buffer.data(), needed - 1, &needed, &returned));
  ASSERT_TRUE(EnumMonitorsA(nullptr, 2, buffer.data(), needed, &needed, &returned));
  ASSERT_EQ(returned, 2u);
  const auto* monitors = reinterpret_cast<const MONITOR_INFO_2A*>(buffer.data());
  EXPECT_STREQ(monitors[0].pName, "Local Port");
  EXPECT_STREQ(monitors[1].pName, "Test Monitor");
  EXPECT_STREQ(monitors[1].pDLLName, "testmon.dll");
  EXPECT_STREQ(monitors[1].pEnvironment, "Windows NT x86");
  std::vector<BYTE> names(512);
  ASSERT_TRUE(EnumMonitorsW(nullptr, 1, names.data(), 512, &needed, &returned));
  EXPECT_EQ(std::u16string(reinterpret_cast<const MONITOR_INFO_1W*>(names.data())[1].pName),
            u"Test Monitor");
  EXPECT_FALSE(EnumMonitorsA(nullptr, 3, buffer.data(), needed, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));

  // A driver may only name a monitor that is installed.
  char driverName[] = "Needs Other", file[] = "TRV.DLL", data[] = "TRVCPL.DAT",
       config[] = "TRVUI.DLL";
  DRIVER_INFO_3A driver{3,      driverName, nullptr, file,  data,
                        config, nullptr,    nullptr, other, nullptr};
  EXPECT_FALSE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINT_MONITOR));
  char absentFile[] = "NOTHERE.DLL";
  DRIVER_INFO_3A noFile{3,      driverName, nullptr, absentFile, data,
                        config, nullptr,    nullptr, nullptr,    nullptr};
  EXPECT_FALSE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&noFile)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(PrinterTest, DeletingAPrinterWithKeptJobsIsRefused) {
  Submit("Label", "no output file: this job fails and is kept");
  ASSERT_EQ(KeptJobs("Label").size(), 1u);
  EXPECT_EQ(KeptJobs("Label")[0].error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // Windows callers see the kept job through EnumJobs.
  DWORD needed = 0, returned = 0;
  EXPECT_FALSE(EnumJobsW(printer, 0, 10, 1, nullptr, 0, &needed, &returned));
  std::vector<BYTE> jobs(needed);
  ASSERT_TRUE(EnumJobsW(printer, 0, 10, 1, jobs.data(), needed, &needed, &returned));
  ASSERT_EQ(returned, 1u);
  auto* job = reinterpret_cast<const JOB_INFO_1W*>(jobs.data());
  EXPECT_EQ(job->JobId, KeptJobs("Label")[0].id);
  EXPECT_EQ(job->Status, static_cast<DWORD>(JOB_STATUS_ERROR));
  EXPECT_EQ(std::u16string(job->pDocument), u"label");
  EXPECT_EQ(std::u16string(job->pStatus), u"error 87");
  EXPECT_FALSE(DeletePrinter(printer));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_HAS_JOBS_QUEUED));
  ASSERT_TRUE(SetJobW(printer, KeptJobs("Label")[0].id, 0, nullptr, JOB_CONTROL_DELETE));
  EXPECT_TRUE(DeletePrinter(printer));
  HANDLE h = nullptr;
  char name[] = "Label";
  EXPECT_FALSE(OpenPrinterA(name, &h, nullptr));
}

}  // namespace
}  // namespace trv::testing
