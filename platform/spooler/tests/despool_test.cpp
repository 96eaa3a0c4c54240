#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/spooler/tests/port_session.h"
#include "platform/spooler/tests/spooler_fixture.h"
#include "platform/testing/virtual_printer.h"

namespace trv::testing {
namespace {

class DespoolTest : public SpoolerTest {
 protected:
  void TearDown() override {
    if (printer) printer->Stop();
    SpoolerTest::TearDown();
  }
  // A virtual printer and a port that reaches it.
  std::string StartPrinter() {
    printer = std::make_unique<VirtualPrinter>(root() + "/printer", PrinterLanguage::Cpcl);
    std::string error;
    EXPECT_TRUE(printer->Start(0, &error)) << error;
    char port[32];
    std::snprintf(port, sizeof port, "IP_127.0.0.1:%u", printer->Port());
    AddPort(port, "");
    return port;
  }
  std::unique_ptr<VirtualPrinter> printer;
};

// Every route a raw job can take to its printer, with the smallest and a large
// WritePort buffer, with and without a language monitor in between.
TEST_F(DespoolTest, RawJobsReachEveryKindOfPortByteForByte) {
  InstallDriver("Direct");
  InstallDriver("Monitored", "Test Monitor");
  const std::string tcpPort = StartPrinter();
  writeFile("C:\\out\\keep", "");
  AddPort("C:\\out\\path-port.prn", "");
  const std::string job = PatternBytes(70000);
  std::size_t printed = 0;
  for (const char* driver : {"Direct", "Monitored"}) {
    for (DWORD buffer : {1u, 65536u}) {
      SCOPED_TRACE(std::string(driver) + " buffer " + std::to_string(buffer));
      trv::SetDespoolBufferSize(buffer);
      const std::string suffix = std::string(driver) + std::to_string(buffer);
      AddPrinter("File " + suffix, "FILE:", driver);
      AddPrinter("Path " + suffix, "C:\\out\\path-port.prn", driver);
      AddPrinter("Net " + suffix, tcpPort, driver);

      Submit("File " + suffix, job, "C:\\out\\file-" + suffix + ".prn");
      EXPECT_EQ(readFile("C:\\out\\file-" + suffix + ".prn"), job);
      Submit("Path " + suffix, job);
      EXPECT_EQ(readFile("C:\\out\\path-port.prn"), job);
      Submit("Net " + suffix, job);
      auto jobs = printer->Jobs();
      ASSERT_EQ(jobs.size(), ++printed);
      EXPECT_EQ(ReadHostFile(jobs.back()), job);
    }
  }
  EXPECT_TRUE(trv::SpoolJobs().empty());  // printed jobs leave nothing behind
}

TEST_F(DespoolTest, LanguageMonitorDrivesThePortAndReportsTheJob) {
  InstallDriver("Monitored", "Test Monitor");
  AddPrinter("Label", "FILE:", "Monitored");
  DWORD id = Submit("Label", "! 0 200 200 210 1\r\nPRINT\r\n", "C:\\out.prn");
  char started[128];
  std::snprintf(started, sizeof started,
                "StartDocPort Label job %lu data "
                "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TRVCPL.DAT",
                static_cast<unsigned long>(id));
  std::vector<std::string> expected = {"OpenPortEx FILE:", started, "EndDocPort", "ClosePort"};
  std::vector<std::string> log = monitorLog();
  log.erase(std::remove(log.begin(), log.end(), "InitializeMonitorEx"),
            log.end());  // once per process
  EXPECT_EQ(log, expected);
  EXPECT_EQ(readFile("C:\\out.prn"), "! 0 200 200 210 1\r\nPRINT\r\n");
  EXPECT_TRUE(KeptJobs("Label").empty());
}

// A tool hears its jobs as they were written, every piece in order, with their ids; once
// the listener is removed it hears nothing more.
TEST_F(DespoolTest, JobDataListenerHearsEveryWriteOfItsJobs) {
  InstallDriver("Direct");
  AddPrinter("Label", "FILE:", "Direct");
  std::map<DWORD, std::string> heard;
  const int cookie = trv::AddJobDataListener([&](DWORD job, const BYTE* data, DWORD size) {
    heard[job].append(reinterpret_cast<const char*>(data), size);
  });
  const std::string first = PatternBytes(5000), second = "! 0 200 200 210 1\r\nPRINT\r\n";
  const DWORD a = Submit("Label", first, "C:\\out-a.prn");
  const DWORD b = Submit("Label", second, "C:\\out-b.prn");
  trv::RemoveJobDataListener(cookie);
  Submit("Label", first, "C:\\out-c.prn");
  EXPECT_EQ(heard, (std::map<DWORD, std::string>{{a, first}, {b, second}}));
  EXPECT_EQ(readFile("C:\\out-a.prn"), first);  // and the jobs printed as ever
}

TEST_F(DespoolTest, JobDeletedByTheMonitorIsGoneNotKept) {
  InstallDriver("Monitored", "Test Monitor");
  AddPrinter("Label", "FILE:", "Monitored");
  Submit("Label", "first part CANCEL and the rest", "C:\\out.prn");
  EXPECT_TRUE(KeptJobs("Label").empty());
  std::vector<std::string> log = monitorLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "discarding"), log.end());
}

TEST_F(DespoolTest, RefusedConnectionKeepsTheJobUntilItIsResubmitted) {
  InstallDriver("Direct");
  const std::string port = StartPrinter();
  printer->Stop();  // the printer is off
  AddPrinter("Label", port, "Direct");
  const std::string job = PatternBytes(5000);
  DWORD id = Submit("Label", job);

  auto kept = KeptJobs("Label");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].id, id);
  EXPECT_EQ(kept[0].status, static_cast<DWORD>(JOB_STATUS_ERROR));
  EXPECT_EQ(kept[0].error, static_cast<DWORD>(ERROR_CONNECTION_REFUSED));

  // Switched on again, the printer gets the job once the user resubmits it.
  printer = std::make_unique<VirtualPrinter>(root() + "/printer", PrinterLanguage::Cpcl);
  std::string error;
  unsigned short number = static_cast<unsigned short>(std::stoi(port.substr(port.find(':') + 1)));
  ASSERT_TRUE(printer->Start(number, &error)) << error;
  HANDLE h = nullptr;
  char name[] = "Label";
  ASSERT_TRUE(OpenPrinterA(name, &h, nullptr));
  EXPECT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_RESTART)) << GetLastError();
  EXPECT_TRUE(ClosePrinter(h));
  EXPECT_TRUE(KeptJobs("Label").empty());
  auto jobs = printer->Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(ReadHostFile(jobs[0]), job);
}

TEST_F(DespoolTest, DroppedConnectionKeepsTheJobWithItsError) {
  InstallDriver("Direct");
  InstallDriver("Monitored", "Test Monitor");
  const std::string port = StartPrinter();
  AddPrinter("Direct", port, "Direct");
  AddPrinter("Monitored", port, "Monitored");
  std::string error;
  ASSERT_TRUE(printer->Control("drop 1000", &error));
  trv::SetDespoolBufferSize(65536);
  for (const char* name : {"Direct", "Monitored"}) {
    SCOPED_TRACE(name);
    DWORD id = Submit(name, PatternBytes(200000));
    auto kept = KeptJobs(name);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].id, id);
    EXPECT_EQ(kept[0].status, static_cast<DWORD>(JOB_STATUS_ERROR));
    EXPECT_EQ(kept[0].error, static_cast<DWORD>(ERROR_NETNAME_DELETED));

    // Deleting a kept job removes it for good.
    HANDLE h = nullptr;
    std::string n = name;
    ASSERT_TRUE(OpenPrinterA(n.data(), &h, nullptr));
    EXPECT_TRUE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE));
    EXPECT_FALSE(SetJobW(h, id, 0, nullptr, JOB_CONTROL_DELETE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(ClosePrinter(h));
    EXPECT_TRUE(KeptJobs(name).empty());
  }
}

TEST_F(DespoolTest, JobIdsAreNeverReused) {
  InstallDriver("Direct");
  AddPrinter("Label", "FILE:", "Direct");
  DWORD first = Submit("Label", "a", "C:\\a.prn");
  DWORD second = Submit("Label", "b", "C:\\b.prn");
  EXPECT_TRUE(trv::SpoolJobs().empty());  // both printed and left
  EXPECT_GT(second, first);
}

TEST_F(DespoolTest, AbortedAndUnfinishedDocuments) {
  InstallDriver("Direct");
  AddPrinter("Label", "FILE:", "Direct");
  HANDLE h = nullptr;
  char name[] = "Label", doc[] = "label", out[] = "C:\\out.prn";
  ASSERT_TRUE(OpenPrinterA(name, &h, nullptr));
  DOC_INFO_1A info{doc, out, nullptr};
  ASSERT_NE(StartDocPrinterA(h, 1, reinterpret_cast<LPBYTE>(&info)), 0u);
  DWORD written = 0;
  EXPECT_TRUE(WritePrinter(h, const_cast<char*>("abc"), 3, &written));
  // A job still being spooled cannot be sent again.
  DWORD spooling = trv::SpoolJobs().at(0).id;
  EXPECT_FALSE(SetJobW(h, spooling, 0, nullptr, JOB_CONTROL_RESTART));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_STATE));
  EXPECT_TRUE(AbortPrinter(h));
  EXPECT_TRUE(trv::SpoolJobs().empty());
  EXPECT_FALSE(WritePrinter(h, const_cast<char*>("abc"), 3, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));

  // A handle closed in the middle of a document still prints what was written.
  ASSERT_NE(StartDocPrinterA(h, 1, reinterpret_cast<LPBYTE>(&info)), 0u);
  EXPECT_TRUE(WritePrinter(h, const_cast<char*>("xyz"), 3, &written));
  EXPECT_TRUE(ClosePrinter(h));
  EXPECT_EQ(readFile("C:\\out.prn"), "xyz");
  EXPECT_TRUE(trv::SpoolJobs().empty());
}

}  // namespace
}  // namespace trv::testing
