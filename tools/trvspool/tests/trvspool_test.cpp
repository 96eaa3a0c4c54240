// trvspool's commands on a fresh machine, run in-process as the program runs them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/kernel.h"
#include "platform/spooler_stand_in.h"
#include "platform/testing/fixtures.h"
#include "platform/testing/virtual_printer.h"
#include "tools/trvspool/commands.h"

namespace trv::testing {
namespace {

void WriteHostFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Label-like bytes with every byte value, so that nothing may be translated.
std::string LabelBytes(std::size_t n) {
  std::string s = "! 0 200 200 210 1\r\n";
  for (std::size_t i = 0; s.size() < n; ++i)
    s.push_back(static_cast<char>((i * 7 + i / 256) & 0xFF));
  return s;
}

class Trvspool : public FreshMachine {
 protected:
  void SetUp() override {
    FreshMachine::SetUp();
    trv::SetDespoolBufferSize(0);
    for (const char* f : {"trv.dll", "TRVEPL.DAT", "trvui.dll"}) WriteHostFile(root() + "/" + f, f);
    ASSERT_EQ(trvspool::AddDriver({"TRV EPL", "--driver-file", root() + "/trv.dll", "--data-file",
                                   root() + "/TRVEPL.DAT", "--config-file", root() + "/trvui.dll"}),
              0);
    writeFile("C:\\labels\\keep", "");
    WriteHostFile(root() + "/label.bin", label);
  }
  void TearDown() override {
    if (printer) printer->Stop();
    trv::SetDespoolBufferSize(0);
    FreshMachine::TearDown();
  }
  // Starts the virtual printer (on `port`, 0 for any) and returns its port name.
  std::string StartPrinter(unsigned short port = 0) {
    printer = std::make_unique<VirtualPrinter>(root() + "/printer", PrinterLanguage::Epl);
    std::string error;
    EXPECT_TRUE(printer->Start(port, &error)) << error;
    char name[32];
    std::snprintf(name, sizeof name, "IP_127.0.0.1:%u", printer->Port());
    return name;
  }
  const std::string label = LabelBytes(70000);
  std::unique_ptr<VirtualPrinter> printer;
};

TEST_F(Trvspool, SubmittedFileReachesEveryPortByteForByte) {
  const std::string net = StartPrinter();
  ASSERT_EQ(trvspool::AddPort({net}), 0);
  ASSERT_EQ(trvspool::AddPort({"C:\\labels\\path.prn"}), 0);
  ASSERT_EQ(trvspool::AddPrinter({"File", "--driver", "TRV EPL", "--port", "FILE:"}), 0);
  ASSERT_EQ(trvspool::AddPrinter({"Path", "--driver", "TRV EPL", "--port", "C:\\labels\\path.prn"}),
            0);
  ASSERT_EQ(trvspool::AddPrinter({"Net", "--driver", "TRV EPL", "--port", net}), 0);
  std::size_t printed = 0;
  for (const char* buffer : {"1", "65536"}) {
    SCOPED_TRACE(buffer);
    const std::string file = root() + "/label.bin";
    EXPECT_EQ(
        trvspool::Submit({"File", file, "--buffer", buffer, "--output", "C:\\labels\\file.prn"}),
        0);
    EXPECT_EQ(readFile("C:\\labels\\file.prn"), label);
    EXPECT_EQ(trvspool::Submit({"Path", file, "--buffer", buffer}), 0);
    EXPECT_EQ(readFile("C:\\labels\\path.prn"), label);
    EXPECT_EQ(trvspool::Submit({"Net", file, "--buffer", buffer}), 0);
    auto jobs = printer->Jobs();
    ASSERT_EQ(jobs.size(), ++printed);
    EXPECT_EQ(ReadHostFile(jobs.back()), label);
  }
  EXPECT_TRUE(trv::SpoolJobs().empty());
}

TEST_F(Trvspool, FailedJobsAreKeptAndCanBeResubmittedOrDeleted) {
  const std::string net = StartPrinter();
  const unsigned short number = printer->Port();
  ASSERT_EQ(trvspool::AddPort({net}), 0);
  ASSERT_EQ(trvspool::AddPrinter({"Net", "--driver", "TRV EPL", "--port", net}), 0);
  std::string error;

  // The printer drops the line: the job is kept, the command says so.
  ASSERT_TRUE(printer->Control("drop 1000", &error));
  EXPECT_EQ(trvspool::Submit({"Net", root() + "/label.bin"}), 1);
  // The printer is off: refused, kept as well.
  printer->Stop();
  EXPECT_EQ(trvspool::Submit({"Net", root() + "/label.bin"}), 1);
  auto kept = trv::SpoolJobs();
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].error, static_cast<DWORD>(ERROR_NETNAME_DELETED));
  EXPECT_EQ(kept[1].error, static_cast<DWORD>(ERROR_CONNECTION_REFUSED));

  // Back on: one job is resubmitted and printed, the other deleted.
  StartPrinter(number);
  EXPECT_EQ(trvspool::Resubmit({std::to_string(kept[1].id)}), 0);
  auto jobs = printer->Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(ReadHostFile(jobs[0]), label);
  EXPECT_EQ(trvspool::Delete({std::to_string(kept[0].id)}), 0);
  EXPECT_TRUE(trv::SpoolJobs().empty());
  EXPECT_EQ(trvspool::Delete({std::to_string(kept[0].id)}), 1);  // gone for good
}

TEST_F(Trvspool, BadCommandLinesAreUsageErrors) {
  const std::vector<std::pair<int (*)(const trvspool::Args&), trvspool::Args>> cases = {
      {trvspool::List, {}},
      {trvspool::List, {"everything"}},
      {trvspool::AddPort, {"P", "--tcp", "h", "--file", "f"}},
      {trvspool::AddPort, {"P", "--serial", "x"}},
      {trvspool::AddPrinter, {"P", "--driver", "TRV EPL"}},
      {trvspool::AddDriver, {"D", "--driver-file", "x"}},
      {trvspool::Submit, {"P"}},
      {trvspool::Submit, {"P", "f", "--buffer", "0"}},
      {trvspool::Submit, {"P", "f", "--buffer"}},
      {trvspool::Resubmit, {"seven"}},
  };
  for (const auto& [command, args] : cases)
    EXPECT_EQ(command(args), 2) << ::testing::PrintToString(args);
}

TEST_F(Trvspool, RefusalsOfTheSpoolerAreFailures) {
  EXPECT_EQ(trvspool::AddPrinter({"P", "--driver", "No Driver", "--port", "FILE:"}), 1);
  EXPECT_EQ(trvspool::AddPort({"FILE:"}), 1);  // exists already
  EXPECT_EQ(trvspool::AddPort({"NE00:"}), 1);  // leads nowhere
  EXPECT_EQ(trvspool::Submit({"Nobody", root() + "/label.bin"}), 1);
  EXPECT_EQ(trvspool::Resubmit({"42"}), 1);
}

}  // namespace
}  // namespace trv::testing
