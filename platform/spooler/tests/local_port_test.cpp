#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/kernel.h"
#include "platform/spooler/tests/port_session.h"
#include "platform/spooler_stand_in.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace trv::testing {
namespace {

class LocalPortTest : public FreshMachine {
 protected:
  void SetUp() override {
    FreshMachine::SetUp();
    writeFile("C:\\out\\keep", "");
  }
  MONITOR* monitor = trv::LocalPortMonitor();
};

TEST_F(LocalPortTest, FilePortsReceiveEveryByteWhateverTheWriteSize) {
  const std::string job = PatternBytes(70000);
  for (std::size_t chunk : {std::size_t{1}, std::size_t{65536}}) {
    SCOPED_TRACE(chunk);
    auto r = SendThroughPort(monitor, "FILE:", job, chunk, "C:\\out\\file-port.prn");
    ASSERT_EQ(r.error, 0u) << r.stage;
    EXPECT_EQ(readFile("C:\\out\\file-port.prn"), job);

    r = SendThroughPort(monitor, "C:\\out\\path-port.prn", job, chunk);
    ASSERT_EQ(r.error, 0u) << r.stage;
    EXPECT_EQ(readFile("C:\\out\\path-port.prn"), job);
  }
}

TEST_F(LocalPortTest, FilePortWithoutOutputFileRefusesTheDocument) {
  auto r = SendThroughPort(monitor, "FILE:", "x", 1);
  EXPECT_EQ(r.stage, "StartDocPort");
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(LocalPortTest, MissingFolderAndMissingDeviceFailAtStartDoc) {
  auto r = SendThroughPort(monitor, "C:\\nowhere\\out.prn", "x", 1);
  EXPECT_EQ(r.stage, "StartDocPort");
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(std::filesystem::exists(host("C:\\nowhere")));

  r = SendThroughPort(monitor, "USB099", "x", 1);  // /dev/usb/lp98: no such line
  EXPECT_EQ(r.stage, "StartDocPort");
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(LocalPortTest, ArgumentAndHandleChecks) {
  HANDLE h = nullptr;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(monitor->pfnOpenPort(nullptr, &h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  std::u16string unknown = Wide("NE00:");
  EXPECT_FALSE(monitor->pfnOpenPort(unknown.data(), &h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PORT));

  std::u16string file = Wide("C:\\out\\a.prn");
  ASSERT_TRUE(monitor->pfnOpenPort(file.data(), &h));
  BYTE b = 'x';
  DWORD written = 0xdeadbeef;
  EXPECT_FALSE(monitor->pfnWritePort(h, &b, 1, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(monitor->pfnEndDocPort(h));  // nothing started: nothing to end
  EXPECT_TRUE(monitor->pfnClosePort(h));
  EXPECT_FALSE(monitor->pfnClosePort(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(monitor->pfnWritePort(h, &b, 1, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(LocalPortTest, AnsiNamesOnWindows9x) {
  trv::SetPlatform(trv::Platform::Win98);
  HANDLE h = nullptr;
  char port[] = "FILE:";
  char doc[] = "label", out[] = "C:\\out\\ansi.prn", type[] = "RAW";
  ASSERT_TRUE(monitor->pfnOpenPort(reinterpret_cast<LPWSTR>(port), &h));
  DOC_INFO_1A info{doc, out, type};
  ASSERT_TRUE(monitor->pfnStartDocPort(h, nullptr, 1, 1, reinterpret_cast<LPBYTE>(&info)));
  BYTE data[] = {'A', 'B'};
  DWORD written = 0;
  ASSERT_TRUE(monitor->pfnWritePort(h, data, 2, &written));
  EXPECT_EQ(written, 2u);
  EXPECT_TRUE(monitor->pfnEndDocPort(h));
  EXPECT_TRUE(monitor->pfnClosePort(h));
  EXPECT_EQ(readFile("C:\\out\\ansi.prn"), "AB");
}

}  // namespace
}  // namespace trv::testing
