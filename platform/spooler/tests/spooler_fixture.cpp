#include "platform/spooler/tests/spooler_fixture.h"

#include <filesystem>

#include "platform/stand_in.h"

namespace trv::testing {

void SpoolerTest::SetUp() {
  FreshMachine::SetUp();
  trv::SetDespoolBufferSize(0);
  listener_ = trv::AddDebugListener([this](const std::string& text) {
    if (text.rfind("testmon: ", 0) == 0) log_.push_back(text.substr(9));
  });
}

void SpoolerTest::TearDown() {
  trv::RemoveDebugListener(listener_);
  trv::SetDespoolBufferSize(0);
  FreshMachine::TearDown();
}

void SpoolerTest::InstallDriver(const std::string& name, const std::string& monitor) {
  char dir[MAX_PATH];
  DWORD needed = 0;
  ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir),
                                         sizeof dir, &needed));
  const std::string d = dir;
  for (const char* file : {"TRV.DLL", "TRVUI.DLL", "TRVCPL.DAT"}) writeFile(d + "\\" + file, file);
  std::string monitorFile;
  if (!monitor.empty()) {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    monitorFile = "testmon.dll";
    std::filesystem::copy_file(TRV_TEST_MONITOR, host(std::string(system) + "\\" + monitorFile),
                               std::filesystem::copy_options::overwrite_existing);
    std::string env = trv::IsWindowsNT() ? "Windows NT x86" : "Windows 4.0";
    MONITOR_INFO_2A info{const_cast<char*>(monitor.c_str()), env.data(), monitorFile.data()};
    if (!AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) {
      ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_MONITOR_ALREADY_INSTALLED));
    }
  }
  std::string driverName = name, monitorName = monitor, type = "RAW";
  char driverFile[] = "TRV.DLL", dataFile[] = "TRVCPL.DAT", configFile[] = "TRVUI.DLL", help[] = "";
  char dependents[] = "TRVCPL.DAT\0\0";
  DRIVER_INFO_3A info{
      3,          driverName.data(),  nullptr,    driverFile, dataFile, configFile, help,
      dependents, monitorName.data(), type.data()};
  ASSERT_TRUE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
}

void SpoolerTest::AddPort(const std::string& name, const std::string& settings) {
  ASSERT_EQ(trv::AddLocalPort(name, settings), 0u);
}

void SpoolerTest::AddPrinter(const std::string& name, const std::string& port,
                             const std::string& driver) {
  std::string n = name, p = port, d = driver, processor = "WINPRINT", type = "RAW", empty;
  PRINTER_INFO_2A info{};
  info.pPrinterName = n.data();
  info.pPortName = p.data();
  info.pDriverName = d.data();
  info.pPrintProcessor = processor.data();
  info.pDatatype = type.data();
  info.pShareName = info.pComment = info.pLocation = info.pSepFile = info.pParameters =
      empty.data();
  info.Attributes = PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST | PRINTER_ATTRIBUTE_ENABLE_BIDI;
  HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  ASSERT_NE(h, nullptr) << GetLastError();
  EXPECT_TRUE(ClosePrinter(h));
}

DWORD SpoolerTest::Submit(const std::string& printer, const std::string& bytes,
                          const std::string& outputFile) {
  HANDLE h = nullptr;
  std::string name = printer, doc = "label", out = outputFile;
  EXPECT_TRUE(OpenPrinterA(name.data(), &h, nullptr));
  DOC_INFO_1A info{doc.data(), outputFile.empty() ? nullptr : out.data(), nullptr};
  DWORD job = StartDocPrinterA(h, 1, reinterpret_cast<LPBYTE>(&info));
  EXPECT_NE(job, 0u) << GetLastError();
  std::string data = bytes;
  // Written in uneven pieces, as a driver does.
  for (std::size_t at = 0; at < data.size();) {
    DWORD n = static_cast<DWORD>(std::min<std::size_t>(data.size() - at, 1000 + at % 777)),
          written = 0;
    EXPECT_TRUE(WritePrinter(h, data.data() + at, n, &written));
    EXPECT_EQ(written, n);
    at += n;
  }
  EXPECT_TRUE(EndDocPrinter(h));
  EXPECT_TRUE(ClosePrinter(h));
  return job;
}

std::vector<SpoolJob> SpoolerTest::KeptJobs(const std::string& printer) const {
  std::vector<SpoolJob> kept;
  for (const SpoolJob& j : trv::SpoolJobs())
    if (j.printer == printer) kept.push_back(j);
  return kept;
}

}  // namespace trv::testing
