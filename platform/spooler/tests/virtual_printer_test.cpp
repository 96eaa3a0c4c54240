#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/kernel.h"
#include "platform/spooler/tests/port_session.h"
#include "platform/spooler_stand_in.h"
#include "platform/testing/fixtures.h"
#include "platform/testing/virtual_printer.h"

namespace trv::testing {
namespace {

class VirtualPrinterTest : public FreshMachine {
 protected:
  void StartPrinter(PrinterLanguage language) {
    printer = std::make_unique<VirtualPrinter>(root() + "/printer", language);
    std::string error;
    ASSERT_TRUE(printer->Start(0, &error)) << error;
    char name[32];
    std::snprintf(name, sizeof name, "IP_127.0.0.1:%u", printer->Port());
    portName = name;
  }
  void TearDown() override {
    if (printer) printer->Stop();
    FreshMachine::TearDown();
  }
  void Control(const std::string& line) {
    std::string error;
    ASSERT_TRUE(printer->Control(line, &error)) << error;
  }
  // Sends a status request in its own document and returns the reply bytes.
  std::string AskStatus(const std::string& request, std::size_t replyLength) {
    HANDLE h = nullptr;
    std::u16string name = Wide(portName);
    EXPECT_TRUE(monitor->pfnOpenPort(name.data(), &h));
    EXPECT_TRUE(monitor->pfnStartDocPort(h, nullptr, 1, 1, nullptr));
    std::string q = request;
    DWORD n = 0;
    EXPECT_TRUE(monitor->pfnWritePort(h, reinterpret_cast<LPBYTE>(q.data()), q.size(), &n));
    EXPECT_EQ(n, q.size());
    std::string reply;
    for (int tries = 0; reply.size() < replyLength && tries < 5; ++tries) {
      BYTE b[8];
      DWORD got = 0;
      EXPECT_TRUE(monitor->pfnReadPort(h, b, static_cast<DWORD>(replyLength - reply.size()), &got));
      reply.append(reinterpret_cast<char*>(b), got);
    }
    EXPECT_TRUE(monitor->pfnEndDocPort(h));
    EXPECT_TRUE(monitor->pfnClosePort(h));
    return reply;
  }

  MONITOR* monitor = trv::LocalPortMonitor();
  std::unique_ptr<VirtualPrinter> printer;
  std::string portName;
};

TEST_F(VirtualPrinterTest, RawJobsArriveByteForByteWhateverTheWriteSize) {
  StartPrinter(PrinterLanguage::Cpcl);
  const std::string job = PatternBytes(100000);
  for (std::size_t chunk : {std::size_t{1}, std::size_t{65536}}) {
    SCOPED_TRACE(chunk);
    auto r = SendThroughPort(monitor, portName, chunk == 1 ? job.substr(0, 5000) : job, chunk);
    ASSERT_EQ(r.error, 0u) << r.stage;
  }
  auto jobs = printer->Jobs();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(ReadHostFile(jobs[0]), job.substr(0, 5000));
  EXPECT_EQ(ReadHostFile(jobs[1]), job);
}

TEST_F(VirtualPrinterTest, CpclStatusByteFollowsTheState) {
  StartPrinter(PrinterLanguage::Cpcl);
  const std::string request("\x1bh\r\n", 4);
  EXPECT_EQ(AskStatus(request, 1), std::string(1, '\0'));
  Control("busy 60000");
  EXPECT_EQ(AskStatus(request, 1), "\x01");
  Control("error 02");
  EXPECT_EQ(AskStatus(request, 1), "\x02");
  Control("busy 0");  // a busy time that has passed is ready again
  EXPECT_EQ(AskStatus(request, 1), std::string(1, '\0'));
}

TEST_F(VirtualPrinterTest, EplStatusIsTwoCharactersCrLf) {
  StartPrinter(PrinterLanguage::Epl);
  EXPECT_EQ(AskStatus("^ee\n", 4), "00\r\n");
  Control("busy 60000");
  EXPECT_EQ(AskStatus("^ee\n", 4), "12\r\n");
  Control("error 07");
  EXPECT_EQ(AskStatus("N\n^ee\n", 4), "07\r\n");
}

TEST_F(VirtualPrinterTest, ControlLinesAreCheckedAndTheControlFileIsRead) {
  StartPrinter(PrinterLanguage::Cpcl);
  std::string error;
  for (const char* bad :
       {"", "busy", "busy -5", "slow x", "error 123", "error zz", "drop 1 2", "jump"})
    EXPECT_FALSE(printer->Control(bad, &error)) << bad;
  {
    std::ofstream control(root() + "/printer/control");
    control << "error 08\n";
  }
  // The printer reads the file within a tick; ask until it has (bounded).
  std::string reply;
  for (int tries = 0; tries < 50 && reply != "\x08"; ++tries)
    reply = AskStatus(std::string("\x1bh\r\n", 4), 1);
  EXPECT_EQ(reply, "\x08");
  EXPECT_FALSE(std::filesystem::exists(root() + "/printer/control"));
}

TEST_F(VirtualPrinterTest, SlowPrinterGetsTheWholeJobBeforeTheDocumentEnds) {
  StartPrinter(PrinterLanguage::Epl);
  Control("slow 1000");
  HANDLE h = nullptr;
  std::u16string name = Wide(portName);
  ASSERT_TRUE(monitor->pfnOpenPort(name.data(), &h));
  // Generous time-outs: the printer needs a fraction of a second for this job.
  COMMTIMEOUTS timeouts{0, 0, 20000, 0, 20000};
  ASSERT_TRUE(monitor->pfnSetPortTimeOuts(h, &timeouts, 0));
  ASSERT_TRUE(monitor->pfnStartDocPort(h, nullptr, 1, 1, nullptr));
  std::string job = PatternBytes(300);
  DWORD written = 0;
  ASSERT_TRUE(monitor->pfnWritePort(h, reinterpret_cast<LPBYTE>(job.data()), 300, &written));
  EXPECT_EQ(written, 300u);
  // EndDocPort returns once the printer has read everything and closed its side.
  EXPECT_TRUE(monitor->pfnEndDocPort(h));
  EXPECT_TRUE(monitor->pfnClosePort(h));
  auto jobs = printer->Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(ReadHostFile(jobs[0]), job);
}

TEST_F(VirtualPrinterTest, RefusedConnectionFailsTheDocumentStart) {
  StartPrinter(PrinterLanguage::Cpcl);
  printer->Stop();  // nobody listens on that port any more
  auto r = SendThroughPort(monitor, portName, "! 0 200 200 10 1\r\n", 64);
  EXPECT_EQ(r.stage, "StartDocPort");
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_CONNECTION_REFUSED));
}

TEST_F(VirtualPrinterTest, DroppedConnectionIsReportedNotSwallowed) {
  StartPrinter(PrinterLanguage::Cpcl);
  Control("drop 1000");
  for (std::size_t size : {std::size_t{3000}, std::size_t{400000}}) {
    SCOPED_TRACE(size);
    auto r = SendThroughPort(monitor, portName, PatternBytes(size), 4096);
    EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_NETNAME_DELETED)) << r.stage;
  }
  auto jobs = printer->Jobs();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(ReadHostFile(jobs[0]), PatternBytes(3000).substr(0, 1000));
}

}  // namespace
}  // namespace trv::testing
