#include "driver/tests/printer_fixture.h"

#include "platform/kernel.h"
#include "platform/winreg.h"
#include "platform/winspool.h"

namespace trv::driver::testing {

void PrinterFixture::SetUp() {
  FreshMachine::SetUp();
  char dir[MAX_PATH];
  DWORD needed = 0;
  ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir),
                                         sizeof dir, &needed));
  for (const char* file : {"trv.dll", "TRVUI.DLL", "TRVCPL.DAT"})
    writeFile(std::string(dir) + "\\" + file, file);
  if (!driverModule_.empty())
    writeFile(std::string(dir) + "\\trv.dll", trv::testing::ReadHostFile(driverModule_));
  char driverName[] = "TRV Label", driverFile[] = "trv.dll", dataFile[] = "TRVCPL.DAT",
       configFile[] = "TRVUI.DLL", help[] = "", dependents[] = "\0", type[] = "RAW";
  DRIVER_INFO_3A driver{3,          driverName, nullptr,    driverFile, dataFile,
                        configFile, help,       dependents, nullptr,    type};
  ASSERT_TRUE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver))) << GetLastError();
  char name[] = "Labels", port[] = "FILE:", processor[] = "WINPRINT", empty[] = "";
  PRINTER_INFO_2A info{};
  info.pPrinterName = name;
  info.pPortName = port;
  info.pDriverName = driverName;
  info.pPrintProcessor = processor;
  info.pDatatype = type;
  info.pShareName = info.pComment = info.pLocation = info.pSepFile = info.pParameters = empty;
  printer_ = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  ASSERT_NE(printer_, nullptr) << GetLastError();
}

void PrinterFixture::TearDown() {
  if (printer_ != nullptr) ClosePrinter(printer_);
  FreshMachine::TearDown();
}

void PrinterFixture::SetValue(const std::u16string& name, const Bytes& value) {
  std::u16string key = name;
  Bytes data = value;
  data.reserve(1);
  ASSERT_EQ(SetPrinterDataW(printer_, key.data(), REG_BINARY, data.data(),
                            static_cast<DWORD>(data.size())),
            0u);
}

void PrinterFixture::StoreSample() {
  SetValue(u"Models", ModelsValue());
  SetValue(u"Trays", TraysValue());
  SetValue(u"Papers", PapersValue());
  SetValue(u"DocProps", DocPropsValue());
  SetValue(u"DevProps", DevPropsValue());
}

}  // namespace trv::driver::testing
