// Calls that return structures: the size asked for is exact, a buffer one byte
// short fails with ERROR_INSUFFICIENT_BUFFER and writes nothing, the exact size
// and one byte more succeed with pointers into the caller's buffer.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/spooler/tests/spooler_fixture.h"

namespace trv::testing {
namespace {

// One call under test: fills `buffer` of `size`, reports needed and returned
// (returned stays at its sentinel for calls that have none).
using Call = std::function<BOOL(LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned)>;

struct EnumCase {
  const char* name;
  Call call;
  DWORD expectedCount;  // entries returned on success (1 for Get* calls)
  std::function<void(const BYTE* buffer)> check;
};

class EnumTest : public SpoolerTest {
 protected:
  void SetUp() override {
    SpoolerTest::SetUp();
    InstallDriver("Label Driver");
    AddPort("C:\\out\\label.prn", "");
    AddPrinter("Label One", "FILE:", "Label Driver");
    AddPrinter("Label Two", "C:\\out\\label.prn", "Label Driver");
    char name[] = "Label Two";
    ASSERT_TRUE(OpenPrinterA(name, &printer, nullptr));
  }
  void TearDown() override {
    ClosePrinter(printer);
    SpoolerTest::TearDown();
  }
  HANDLE printer = nullptr;
};

// Pointers returned must lie inside the buffer the caller gave.
template <typename T>
bool Inside(const BYTE* buffer, DWORD size, const T* p) {
  auto b = reinterpret_cast<const BYTE*>(p);
  return b >= buffer && b < buffer + size;
}

TEST_F(EnumTest, SizesAtNeededMinusOneNeededAndNeededPlusOne) {
  const EnumCase cases[] = {
      {"EnumPrintersW 2",
       [](LPBYTE b, DWORD s, LPDWORD n, LPDWORD r) {
         return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, b, s, n, r);
       },
       2,
       [](const BYTE* b) {
         auto* p = reinterpret_cast<const PRINTER_INFO_2W*>(b);
         EXPECT_EQ(std::u16string(p[0].pPrinterName), u"Label One");
         EXPECT_EQ(std::u16string(p[1].pPortName), u"C:\\out\\label.prn");
         EXPECT_EQ(std::u16string(p[1].pDriverName), u"Label Driver");
         EXPECT_EQ(std::u16string(p[1].pPrintProcessor), u"WINPRINT");
         EXPECT_EQ(p[1].Attributes & 0xA00u, 0xA00u);
         EXPECT_EQ(p[1].pDevMode, nullptr);
       }},
      {"EnumPrintersA 1",
       [](LPBYTE b, DWORD s, LPDWORD n, LPDWORD r) {
         return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 1, b, s, n, r);
       },
       2,
       [](const BYTE* b) {
         auto* p = reinterpret_cast<const PRINTER_INFO_1A*>(b);
         EXPECT_STREQ(p[1].pName, "Label Two");
         EXPECT_STREQ(p[1].pDescription, "Label Two,Label Driver,");
       }},
      {"EnumPortsA 1",
       [](LPBYTE b, DWORD s, LPDWORD n, LPDWORD r) { return EnumPortsA(nullptr, 1, b, s, n, r); },
       4,
       [](const BYTE* b) {
         auto* p = reinterpret_cast<const PORT_INFO_1A*>(b);
         EXPECT_STREQ(p[0].pName, "LPT1:");
         EXPECT_STREQ(p[2].pName, "FILE:");
         EXPECT_STREQ(p[3].pName, "C:\\out\\label.prn");
       }},
      {"EnumPortsW 2",
       [](LPBYTE b, DWORD s, LPDWORD n, LPDWORD r) { return EnumPortsW(nullptr, 2, b, s, n, r); },
       4,
       [](const BYTE* b) {
         auto* p = reinterpret_cast<const PORT_INFO_2W*>(b);
         EXPECT_EQ(std::u16string(p[0].pDescription), u"Printer Port");
         EXPECT_EQ(std::u16string(p[2].pMonitorName), u"Local Port");
         EXPECT_EQ(std::u16string(p[2].pDescription), u"Print to File");
       }},
      {"EnumPrinterDriversW 3",
       [](LPBYTE b, DWORD s, LPDWORD n, LPDWORD r) {
         return EnumPrinterDriversW(nullptr, nullptr, 3, b, s, n, r);
       },
       1,
       [](const BYTE* b) {
         auto* d = reinterpret_cast<const DRIVER_INFO_3W*>(b);
         EXPECT_EQ(std::u16string(d->pName), u"Label Driver");
         EXPECT_EQ(std::u16string(d->pEnvironment), u"Windows NT x86");
         EXPECT_EQ(std::u16string(d->pDriverPath),
                   u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TRV.DLL");
         // The dependent-file list: names ended by an empty name.
         std::u16string first(d->pDependentFiles);
         EXPECT_EQ(first, u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TRVCPL.DAT");
         EXPECT_EQ(d->pDependentFiles[first.size() + 1], u'\0');
       }},
      {"GetPrinterW 2",
       [this](LPBYTE b, DWORD s, LPDWORD n, LPDWORD) { return GetPrinterW(printer, 2, b, s, n); },
       1,
       [](const BYTE* b) {
         EXPECT_EQ(std::u16string(reinterpret_cast<const PRINTER_INFO_2W*>(b)->pPrinterName),
                   u"Label Two");
       }},
      {"GetPrinterDriverA 3",
       [this](LPBYTE b, DWORD s, LPDWORD n, LPDWORD) {
         return GetPrinterDriverA(printer, nullptr, 3, b, s, n);
       },
       1,
       [](const BYTE* b) {
         EXPECT_STREQ(reinterpret_cast<const DRIVER_INFO_3A*>(b)->pDataFile,
                      "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TRVCPL.DAT");
       }},
      {"GetPrinterDriverDirectoryA 1",
       [](LPBYTE b, DWORD s, LPDWORD n, LPDWORD) {
         return GetPrinterDriverDirectoryA(nullptr, nullptr, 1, b, s, n);
       },
       1,
       [](const BYTE* b) {
         EXPECT_STREQ(reinterpret_cast<const char*>(b),
                      "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86");
       }},
  };
  for (const EnumCase& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD needed = 0xdeadbeef, returned = 0xdeadbeef;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(c.call(nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_NE(needed, 0xdeadbeefu);
    ASSERT_GT(needed, 0u);
    const DWORD size = needed;

    std::vector<BYTE> buffer(size + 1, 0xAB);
    needed = returned = 0xdeadbeef;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(c.call(buffer.data(), size - 1, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, size);
    if (returned != 0xdeadbeef) {
      EXPECT_EQ(returned, 0u);
    }
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xAB), static_cast<long>(buffer.size()));

    for (DWORD given : {size, size + 1}) {
      std::fill(buffer.begin(), buffer.end(), 0xAB);
      needed = returned = 0xdeadbeef;
      ASSERT_TRUE(c.call(buffer.data(), given, &needed, &returned)) << GetLastError();
      EXPECT_EQ(needed, size);
      if (returned != 0xdeadbeef) {
        EXPECT_EQ(returned, c.expectedCount);
      }
      EXPECT_EQ(buffer[size], 0xAB);  // nothing beyond what was asked for
      c.check(buffer.data());
    }
  }
}

TEST_F(EnumTest, PointersLeadIntoTheCallersBuffer) {
  DWORD needed = 0, returned = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(
      EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &returned));
  auto* p = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < returned; ++i) {
    for (const char* s : {p[i].pPrinterName, p[i].pPortName, p[i].pDriverName, p[i].pDatatype})
      EXPECT_TRUE(Inside(buffer.data(), needed, s));
  }
}

TEST_F(EnumTest, LevelsAndServersThatAreNotServed) {
  DWORD needed = 0, returned = 0;
  SetLastError(0);
  EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 3, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  char remote[] = "\\\\elsewhere";
  EXPECT_FALSE(EnumPortsA(remote, 1, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  char env[] = "Windows IA64";
  EXPECT_FALSE(EnumPrinterDriversA(nullptr, env, 3, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ENVIRONMENT));
  EXPECT_FALSE(GetPrinterW(reinterpret_cast<HANDLE>(0x1234), 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
}  // namespace trv::testing
