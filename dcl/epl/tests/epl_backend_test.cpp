// The EPL layer of the DCL object, driven operation by operation as the record
// dispatcher drives it, over a port in memory: golden command streams of small jobs,
// byte for byte.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dcl/epl/dcl_epl.h"
#include "dcl/epl/testing/epl_fixture.h"
#include "dcl/epl/tests/gw_decoder.h"
#include "dcl/model/text_heap.h"
#include "platform/kernel.h"
#include "platform/spooler_stand_in.h"
#include "platform/testing/fixtures.h"
#include "platform/testing/virtual_printer.h"
#include "platform/winsplp.h"

namespace trv::dcl {
namespace {

using epl::testing::DocProps;
using epl::testing::MemoryPort;
using epl::testing::TestEpl;

class EplJob : public ::testing::Test {
 protected:
  void SetUp() override {
    epl.model.id = 7;
    epl.model.resolutionX = epl.model.resolutionY = 203;
    epl.paper.key = 1;
    epl.paper.id = 2;
    epl.SetConfig(epl::testing::FullConfig());
    epl::testing::UseMemoryPort(epl, &port);
  }
  void TearDown() override { epl.Port().handle = INVALID_HANDLE_VALUE; }
  void Attach(DocProps& props) { props.AttachTo(epl); }

  MemoryPort port;
  TestEpl epl;
};

TEST_F(EplJob, ExampleLabel) {
  DocProps props;
  props.Add(0x3012, {10}).Add(0x3008, {3}).Add(0x1004, {0});
  Attach(props);
  ASSERT_TRUE(epl.StartDoc(832, 1218, 1));
  EXPECT_TRUE(epl.DocumentOpen());
  ASSERT_TRUE(epl.StartPage(0, 0, 0));
  ASSERT_TRUE(epl.EndPage(0));
  ASSERT_TRUE(epl.EndDoc());
  EXPECT_FALSE(epl.DocumentOpen());
  EXPECT_EQ(port.bytes, "\nq832\nQ1218,24\nD10\nS3\nZT\nN\nP1\n");
}

TEST_F(EplJob, ItemsUserCommandsAndCopies) {
  DocProps props;
  props.Add(0x1005, {2})
      .Add(0x3005, {4, 16, static_cast<DWORD>(-10)})
      .AddText(0x3041, "JS\n")
      .AddText(0x3042, "JE\n")
      .AddText(0x3044, "PS\n")
      .AddText(0x3045, "PE\n");
  Attach(props);
  TextHandle macro("3");
  TextFontEntry font{};
  font.commandMacro = macro.get();
  ASSERT_TRUE(epl.StartDoc(830, 1218, 1));
  ASSERT_TRUE(epl.StartPage(0, 0, 0));
  const BYTE text[] = "Say \"hi\"";
  ASSERT_TRUE(epl.WriteTextCommand(40, 60, 0, 0, 1, 2, 0, 0, &font, text, 8, nullptr));
  ASSERT_TRUE(epl.DrawLine(0, 100, 50, 0, 200, 0, 0, 4, nullptr));
  ASSERT_TRUE(epl.DrawLine(0, 100, 50, 0, 200, 0xFFFFFF, 0, 4, nullptr));
  ASSERT_TRUE(epl.DrawLine(0, 10, 10, 50, -30, 0, 0, 2, nullptr));
  ASSERT_TRUE(epl.DrawBox(0, 200, 100, 100, 50, 0, 0, 2, nullptr));
  ASSERT_TRUE(epl.DrawBox(0, 200, 100, 100, 50, 0xFFFFFF, 0, 2, nullptr));
  const BYTE raw[] = "OD";
  ASSERT_TRUE(epl.PassThrough(0, raw, 2));
  ASSERT_TRUE(epl.EndPage(0));
  ASSERT_TRUE(epl.StartPage(0, 0, 3));
  ASSERT_TRUE(epl.EndPage(3));
  ASSERT_TRUE(epl.EndDoc());
  EXPECT_EQ(port.bytes,
            "JS\n\nq832\nQ1218,B16-10\n"
            "PS\nN\nA40,60,0,3,1,2,N,\"Say \\\"hi\\\"\"\nLO98,50,4,200\nLW98,50,4,200\n"
            "LS9,10,2,59,0\nX199,99,2,301,151\nOD\nP2\nPE\n"
            "PS\nN\nP3\nPE\nJE\n");
}

TEST_F(EplJob, PaperOffsetsMoveTheLabelAndTheGraphics) {
  epl.paper.left = 16;
  epl.paper.top = 8;
  DocProps props;
  Attach(props);
  ASSERT_TRUE(epl.StartDoc(812, 100, 1));
  ASSERT_TRUE(epl.StartPage(0, 0, 0));
  // A page of 64 x 4 dots with its only black byte at column 3, row 1.
  std::vector<BYTE> record(48 + 8 * 4, 0xFF);
  record[48 + 8 + 3] = 0x00;
  ASSERT_TRUE(epl.BeginBitmap(64, 4, 8));
  ASSERT_TRUE(epl.BitmapData(record));
  ASSERT_TRUE(epl.EndPage(1));
  std::string expectedRows(5 * 4, '\xFF');
  expectedRows[5 + 2] = '\0';
  EXPECT_EQ(port.bytes, "\nq832\nQ100,24\nN\nGW24,8,5,4\n" + expectedRows + "P1\n");
}

TEST_F(EplJob, LandscapeItemsAndGraphicsTurn) {
  DocProps props;
  Attach(props);
  ASSERT_TRUE(epl.StartDoc(64, 4, 2));
  // x, y, w, h and the placement bits at 4, 8, 12, 16, 24.
  BYTE payload[28] = {};
  LONG fields[] = {10, 20, 100, 4};
  std::memcpy(payload + 4, fields, sizeof fields);
  epl.TransformItem(0, payload, trv::spool::ItemKind::kLine);
  LONG out[4];
  DWORD placement;
  std::memcpy(out, payload + 4, sizeof out);
  std::memcpy(&placement, payload + 24, 4);
  EXPECT_EQ(out[0], 64 - 4 - 20);
  EXPECT_EQ(out[1], 10);
  EXPECT_EQ(out[2], 4);
  EXPECT_EQ(out[3], 100);
  EXPECT_EQ(placement, 0x02u);

  port.bytes.clear();
  std::vector<BYTE> record(48 + 8 * 4, 0xFF);
  record[48] = 0x7F;  // the top-left dot
  ASSERT_TRUE(epl.BeginBitmap(64, 4, 8));
  ASSERT_TRUE(epl.BitmapData(record));
  auto decoded = epl::testing::DecodeEpl(port.bytes, 64, 4);
  ASSERT_TRUE(decoded.ok);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 64; ++x) EXPECT_EQ(decoded.at(x, y), x == 63 && y == 3) << x << "," << y;
}

TEST_F(EplJob, FailedSetUpLeavesTheDocumentClosedAndTheNextStartRetries) {
  DocProps props;
  props.Add(0x3012, {10});
  Attach(props);
  port.failWrite = 2;  // the "Q" line
  SetLastError(0);
  EXPECT_FALSE(epl.StartDoc(832, 1218, 1));
  EXPECT_FALSE(epl.DocumentOpen());
  EXPECT_EQ(port.bytes, "\nq832\n");
  port.bytes.clear();
  ASSERT_TRUE(epl.StartDoc(832, 1218, 1));
  EXPECT_TRUE(epl.DocumentOpen());
  EXPECT_EQ(port.bytes, "\nq832\nQ1218,24\nD10\n");
}

TEST_F(EplJob, NoPaperFailsTheJobStart) {
  DocProps props;
  Attach(props);
  epl.havePaper = false;
  SetLastError(0);
  EXPECT_FALSE(epl.StartDoc(832, 1218, 1));
  EXPECT_EQ(GetLastError(), 994u);
  EXPECT_FALSE(epl.DocumentOpen());
  EXPECT_EQ(port.bytes, "");
}

TEST_F(EplJob, AbortResetsThePrinterAndClosesTheJob) {
  DocProps props;
  Attach(props);
  ASSERT_TRUE(epl.StartDoc(832, 100, 1));
  port.bytes.clear();
  EXPECT_TRUE(epl.AbortDoc());
  EXPECT_FALSE(epl.DocumentOpen());
  EXPECT_EQ(port.bytes, std::string("^@\n"));
  // A new job starts afresh.
  port.bytes.clear();
  ASSERT_TRUE(epl.StartDoc(832, 100, 1));
  EXPECT_EQ(port.bytes, "\nq832\nQ100,24\n");
}

TEST_F(EplJob, StatusIsAskedBetweenLinesButNeverInsideGraphics) {
  DocProps props;
  props.Add(0x3018, {1});
  Attach(props);
  ASSERT_TRUE(epl.StartDoc(64, 6, 1));
  ASSERT_TRUE(epl.StartPage(0, 0, 0));
  std::vector<BYTE> record(48 + 8 * 6, 0xFF);
  for (int r = 0; r < 6; ++r) record[48 + 8 * r + r] = 0x0F;
  ASSERT_TRUE(epl.BeginBitmap(64, 6, 8));
  ASSERT_TRUE(epl.BitmapData(record));
  ASSERT_TRUE(epl.EndPage(1));
  EXPECT_GT(port.queries, 0);
  // Every status request stands between whole lines; the graphics decode intact.
  auto decoded = epl::testing::DecodeEpl(port.bytes, 64, 6);
  ASSERT_TRUE(decoded.ok);
  size_t gw = 0;
  for (size_t i = 0; i < decoded.lines.size(); ++i)
    if (decoded.lines[i].rfind("GW", 0) == 0) gw = i;
  ASSERT_GT(gw, 0u);
  EXPECT_EQ(decoded.lines[gw - 1], "^ee");  // the "N" line was followed by a request
  for (int r = 0; r < 6; ++r)
    for (int x = 0; x < 64; ++x)
      EXPECT_EQ(decoded.at(x, r), x >= 8 * r && x < 8 * r + 4) << x << "," << r;
}

TEST_F(EplJob, ErrorReplyReachesTheStatusRecord) {
  DocProps props;
  props.Add(0x3018, {1});
  Attach(props);
  ASSERT_TRUE(epl.StartDoc(64, 6, 1));
  struct Case {
    const char* reply;
    DWORD state;
    DWORD message;
  } cases[] = {{"00\r\n", STATUS_READY, 0},
               {"50\r\n", STATUS_BUSY, 0x3530},
               {"07\r\n", STATUS_ERROR, 0x3037},
               {"7\n", STATUS_ERROR, 0xFFFFFFFF}};
  for (const auto& c : cases) {
    port.reply = c.reply;
    DeviceStatus status{};
    ASSERT_TRUE(epl.QueryDeviceStatus(&epl.Port(), &status)) << c.reply;
    EXPECT_EQ(status.state, c.state) << c.reply;
    EXPECT_EQ(status.zero1, c.message) << c.reply;  // the pair, or -1
    if (c.state == STATUS_ERROR) {
      EXPECT_EQ(status.kind, static_cast<DWORD>(STATUS_QUESTION));
      EXPECT_EQ(status.message, static_cast<DWORD>(STATUS_TEXT_IN_POINTER));
    }
  }
  // A printer that does not answer switches the queries off for the job.
  port.reply = "";
  DeviceStatus status{};
  EXPECT_FALSE(epl.QueryDeviceStatus(&epl.Port(), &status));
  int before = port.queries;
  port.reply = "00\r\n";
  EXPECT_FALSE(epl.QueryDeviceStatus(&epl.Port(), &status));
  EXPECT_EQ(port.queries, before);
}

TEST_F(EplJob, SoftFontDeletionAndBarCodeHeightAllowance) {
  EXPECT_TRUE(epl.DeleteDownloadFont("Arial", nullptr));
  EXPECT_EQ(port.bytes, "");
  EXPECT_TRUE(epl.DeleteDownloadFont("c", nullptr));
  EXPECT_EQ(port.bytes.substr(0, 6), "EK\"c\"\n");
  EXPECT_EQ(epl.ClassifyDirectCommand("B"), 22);
  EXPECT_EQ(epl.ClassifyDirectCommand("N"), 0);
  PrinterConfig config = epl.Config();
  config.resolutionX = 600;
  epl.SetConfig(config);
  EXPECT_EQ(epl.ClassifyDirectCommand("B"), 0);
}

}  // namespace
}  // namespace trv::dcl

namespace trv::dcl {
namespace {

using epl::testing::DocProps;
using epl::testing::TestEpl;

// The EPL layer's status query against the virtual printer in EPL mode, over the
// machine's TCP port: each state of the printer gives its status, and a job written
// meanwhile reaches the printer with the requests kept out of it.
class EplStatusOverTcp : public trv::testing::FreshMachine {};

TEST_F(EplStatusOverTcp, StatesOfTheVirtualPrinter) {
  VirtualPrinter printer(root() + "/jobs", PrinterLanguage::Epl);
  std::string error;
  ASSERT_TRUE(printer.Start(0, &error)) << error;
  const std::string portName = "IP_127.0.0.1:" + std::to_string(printer.Port());
  std::u16string wide(portName.begin(), portName.end());
  MONITOR* monitor = LocalPortMonitor();
  HANDLE handle = nullptr;
  ASSERT_TRUE(monitor->pfnOpenPort(reinterpret_cast<LPWSTR>(wide.data()), &handle));
  ASSERT_TRUE(monitor->pfnStartDocPort(handle, nullptr, 1, 1, nullptr));

  TestEpl epl;
  epl.model.id = 7;
  epl.paper.id = 2;
  PrinterConfig config;
  config.capabilities = 0xFFFFFFFF;
  epl.SetConfig(config);
  DevicePort& port = epl.Port();
  port.handle = handle;
  port.writePort = monitor->pfnWritePort;
  port.readPort = monitor->pfnReadPort;
  port.kind = PORT_KIND_NONE;
  DocProps props;
  props.Add(0x3018, {1});
  props.AttachTo(epl);
  ASSERT_TRUE(epl.StartDoc(64, 8, 1));

  struct Case {
    const char* control;
    DWORD state;
    DWORD message;
  } cases[] = {
      {"ready", STATUS_READY, 0},         {"busy 60000", STATUS_BUSY, 0x3132},
      {"error 07", STATUS_ERROR, 0x3037}, {"error 82", STATUS_ERROR, 0x3832},
      {"error 99", STATUS_ERROR, 0x3939}, {"ready", STATUS_READY, 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(printer.Control(c.control, &error)) << error;
    DeviceStatus status{};
    ASSERT_TRUE(epl.QueryDeviceStatus(&port, &status)) << c.control;
    EXPECT_EQ(status.state, c.state) << c.control;
    EXPECT_EQ(status.zero1, c.message) << c.control;
  }
  ASSERT_TRUE(epl.StartPage(0, 0, 0));
  ASSERT_TRUE(epl.EndPage(0));
  ASSERT_TRUE(epl.EndDoc());
  port.handle = INVALID_HANDLE_VALUE;
  EXPECT_TRUE(monitor->pfnEndDocPort(handle));
  EXPECT_TRUE(monitor->pfnClosePort(handle));
  std::vector<std::string> jobs;
  for (int i = 0; i < 50 && jobs.empty(); ++i) {
    jobs = printer.Jobs();
    if (jobs.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  printer.Stop();
  ASSERT_EQ(jobs.size(), 1u);
  // The printer keeps the requests with the job; between them stand whole lines.
  std::string received = trv::testing::ReadHostFile(jobs[0]);
  size_t requests = 0;
  for (size_t at; (at = received.find("^ee\n")) != std::string::npos; ++requests)
    received.erase(at, 4);
  EXPECT_GE(requests, std::size(cases));
  EXPECT_EQ(received, "\nq64\nQ8,24\nN\nP1\n");
}

}  // namespace
}  // namespace trv::dcl
