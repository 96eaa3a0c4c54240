// Golden command streams of the CPCL layer: small jobs through the record
// dispatcher, each compared byte for byte with what a CPCL printer must receive.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "dcl/cpcl/tests/cpcl_job.h"
#include "platform/kernel.h"

namespace trv::dcl::testing {
namespace {

const std::string kHeader = "! 0 203 203 1219 1\r\nPW 832\r\n";
const std::string kPrint = "PRINT\r\n";

struct GoldenCase {
  const char* name;
  OptionBlobs options;
  DWORD width, height, orientation;
  std::function<std::vector<Record>()> items;
  std::string expected;
  WORD copies = 1;
  std::function<void(TestCpcl&)> setup = nullptr;
};

std::vector<GoldenCase> Cases() {
  auto none = [] { return std::vector<Record>{}; };
  std::string longText(300, 'x');
  return {
      {"empty page", OptionBlobs(), 832, 1218, 1, none, kHeader + kPrint},
      {"width rounds up to 32", OptionBlobs(), 830, 1218, 1, none, kHeader + kPrint},
      {"copies", OptionBlobs(), 832, 1218, 1, none, "! 0 203 203 1219 2\r\nPW 832\r\n" + kPrint, 2},
      {"label offsets: x in the header, y on items", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{LineItem('L', 100, 50, 200, 0, 0, 0, 4)}; },
       "! 16 203 203 1219 1\r\nPW 832\r\nL 100 58 300 58 4\r\n" + kPrint, 1,
       [](TestCpcl& l) { l.paper.left = 16, l.paper.top = 10; }},
      {"settings in order",
       OptionBlobs().Setting(0x1004, 1).Setting(0x1008, 5).Setting(0x3008, 3).Setting(0x3012, 10),
       832, 1218, 1, none, kHeader + "TONE 10\r\nSPEED 3\r\nPREFEED 5\r\nTURN 180\r\n" + kPrint},
      {"turn setting 2", OptionBlobs().Setting(0x1004, 2), 832, 1218, 1, none,
       kHeader + "TURN 0\r\n" + kPrint},
      {"settings the printer cannot take", OptionBlobs().Setting(0x1004, 1).Setting(0x3012, 10),
       832, 1218, 1, none, kHeader + kPrint, 1,
       [](TestCpcl& l) {
         PrinterConfig c = FullConfig();
         c.capabilities &= ~(0x2000u | 0x20u);
         l.SetConfig(c);
       }},
      {"gap sensing", OptionBlobs().Tracking(8, 0), 832, 1218, 1, none,
       kHeader + "GAP-SENSE\r\n" + kPrint},
      {"bar sensing with a value", OptionBlobs().Tracking(4, 30), 832, 1218, 1, none,
       kHeader + "BAR-SENSE 30\r\n" + kPrint},
      {"journal", OptionBlobs().Tracking(1, 0), 832, 1218, 1, none,
       kHeader + "JOURNAL\r\n" + kPrint},
      {"pace, one present-at value", OptionBlobs().Dispense(8, 0, 5, 0), 832, 1218, 1, none,
       kHeader + "REWIND-OFF\r\nPACE\r\nPRESENT-AT 5\r\n" + kPrint},
      {"auto-pace, delay in eighths", OptionBlobs().Dispense(4, 3, 10, 0x2000), 832, 1218, 1, none,
       kHeader + "REWIND-OFF\r\nAUTO-PACE\r\nPRESENT-AT 10 24\r\n" + kPrint},
      {"rewind only", OptionBlobs().Dispense(2, 0, 0, 0), 832, 1218, 1, none,
       kHeader + "REWIND-ON\r\n" + kPrint, 1,
       [](TestCpcl& l) {
         PrinterConfig c = FullConfig();
         c.printModes = 0x02;
         l.SetConfig(c);
       }},
      {"partial cut", OptionBlobs().Dispense(16, 0, 40, 0x20000), 832, 1218, 1, none,
       kHeader + "REWIND-OFF\r\nNO-PACE\r\nPARTIAL-CUT\r\nCUT-AT 40\r\n" + kPrint},
      {"user commands",
       OptionBlobs()
           .UserCommand(0x3041, "JS\r\n")
           .UserCommand(0x3044, "PS;")
           .UserCommand(0x3045, "PE;")
           .UserCommand(0x3042, "JE;"),
       832, 1218, 1, none, "JS\r\nPS;" + kHeader + kPrint + "PE;JE;"},
      {"disabled user command", OptionBlobs().UserCommand(0x3041, "JS", 0), 832, 1218, 1, none,
       kHeader + kPrint},
      {"resident font, SETMAG once a page", OptionBlobs(), 832, 1218, 1,
       [] {
         return std::vector<Record>{TextItem('F', 1, 40, 60, 36, 24, 12, 24, "ABC"),
                                    TextItem('F', 1, 40, 90, 36, 24, 12, 24, "DEF")};
       },
       kHeader + "SETMAG 0 0\r\nT 4 0 40 60 ABC\r\nT 4 0 40 90 DEF\r\n" + kPrint},
      {"magnified font", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{TextItem('F', 3, 40, 60, 36, 24, 12, 24, "ABC")}; },
       kHeader + "SETMAG 2 3\r\nT 7 0 40 60 ABC\r\n" + kPrint},
      {"downloaded font", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{TextItem('F', 2, 40, 60, 36, 24, 12, 24, "ABC")}; },
       kHeader + "T 00000009.CPF 0 40 60 ABC\r\n" + kPrint},
      {"font turned 90, upright box", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{TextItem('F', 4, 40, 60, 24, 100, 12, 24, "ABC")}; },
       kHeader + "SETMAG 0 0\r\nT90 4 0 40 160 ABC\r\n" + kPrint},
      {"landscape text", OptionBlobs(), 832, 1218, 2,
       [] { return std::vector<Record>{TextItem('F', 1, 100, 200, 120, 24, 12, 24, "ABC")}; },
       kHeader + "SETMAG 0 0\r\nT90 4 0 200 1118 ABC\r\n" + kPrint},
      // Text the application turned itself: the printer turns it about the text's own
      // top-left corner, which lies at the box corner the glyphs start from.
      {"text turned by the application, each direction", OptionBlobs(), 832, 1218, 1,
       [] {
         return std::vector<Record>{
             TextItem('F', 1, 40, 60, 100, 24, 12, 24, "LTR", 1),
             TextItem('F', 1, 40, 60, 24, 100, 12, 24, "TTB", 8),
             TextItem('F', 1, 40, 60, 24, 100, 12, 24, "BTT", 2),
             TextItem('F', 1, 40, 60, 100, 24, 12, 24, "RTL", 4),
             TextItem('F', 1, 40, 60, 24, 12, 12, 24, "W", 2),  // one wide glyph turned
         };
       },
       kHeader +
           "SETMAG 0 0\r\nT 4 0 40 60 LTR\r\nT270 4 0 64 60 TTB\r\nT90 4 0 40 160 BTT\r\n"
           "T180 4 0 140 84 RTL\r\nT90 4 0 40 72 W\r\n" +
           kPrint},
      {"text turned by the application on a landscape page", OptionBlobs(), 832, 1218, 2,
       [] {
         return std::vector<Record>{TextItem('F', 1, 100, 200, 24, 120, 12, 24, "BTT", 2),
                                    TextItem('F', 1, 100, 200, 24, 120, 12, 24, "TTB", 8)};
       },
       kHeader + "SETMAG 0 0\r\nT180 4 0 320 1118 BTT\r\nT 4 0 200 1094 TTB\r\n" + kPrint},
      {"a turned font keeps its own direction", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{TextItem('F', 4, 40, 60, 24, 100, 12, 24, "ABC", 8)}; },
       kHeader + "SETMAG 0 0\r\nT90 4 0 40 160 ABC\r\n" + kPrint},
      {"text cut to the line", OptionBlobs(), 832, 1218, 1,
       [longText] {
         return std::vector<Record>{TextItem('F', 1, 40, 60, 36, 24, 12, 24, longText)};
       },
       kHeader + "SETMAG 0 0\r\nT 4 0 40 60 " + std::string(245, 'x') + "\r\n" + kPrint},
      {"line breaks inside text", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{TextItem('F', 1, 40, 60, 36, 24, 12, 24, "A\r\nB")}; },
       kHeader + "SETMAG 0 0\r\nT 4 0 40 60 A  B\r\n" + kPrint},
      {"text off the label is skipped", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{TextItem('F', 1, -5, 60, 36, 24, 12, 24, "ABC")}; },
       kHeader + kPrint},
      {"bar code, no readable text", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{TextItem('B', 2, 30, 40, 200, 80, 2, 80, "12345")}; },
       kHeader + "B 128 1 1 80 30 40 12345\r\n" + kPrint},
      {"bar code, readable text", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{TextItem('B', 3, 30, 40, 200, 80, 2, 80, "12345")}; },
       kHeader + "B 128 1 1 54 30 40 12345\r\n" + kPrint},
      {"bar code lower than its text", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{TextItem('B', 3, 30, 40, 200, 10, 2, 10, "1")}; },
       kHeader + "B 128 1 1 1 30 40 1\r\n" + kPrint},
      {"landscape bar code turns vertical", OptionBlobs(), 832, 1218, 2,
       [] { return std::vector<Record>{TextItem('B', 2, 100, 200, 200, 80, 2, 80, "9")}; },
       kHeader + "VB 128 1 1 80 200 1118 9\r\n" + kPrint},
      // A bar code the application turned: CPCL has one vertical command, which reads
      // bottom to top from the box's bottom-left corner, and one upright command.
      {"bar codes turned by the application", OptionBlobs(), 832, 1218, 1,
       [] {
         return std::vector<Record>{TextItem('B', 2, 30, 40, 80, 200, 2, 80, "1", 2),
                                    TextItem('B', 2, 30, 40, 80, 200, 2, 80, "2", 8),
                                    TextItem('B', 2, 30, 40, 200, 80, 2, 80, "3", 4)};
       },
       kHeader + "VB 128 1 1 80 30 240 1\r\nVB 128 1 1 80 30 240 2\r\nB 128 1 1 80 30 40 3\r\n" +
           kPrint},
      {"black line", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{LineItem('L', 100, 50, 200, 0, 0, 0, 4)}; },
       kHeader + "L 100 48 300 48 4\r\n" + kPrint},
      {"white line", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{LineItem('L', 100, 50, 200, 0, 0xFFFFFF, 0, 4)}; },
       kHeader + "L 100 48 300 48 4\r\nIL 100 48 300 48 4\r\n" + kPrint},
      {"horizontal XOR line", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{LineItem('L', 100, 50, 200, 0, 0, 1, 4)}; },
       kHeader + "IL 100 48 300 48 4\r\n" + kPrint},
      {"vertical XOR line", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{LineItem('L', 100, 50, 0, 200, 0, 1, 4)}; },
       kHeader + "IL 98 50 98 250 4\r\n" + kPrint},
      // Ends beyond 32 bits come from a damaged spool file: they stop at the largest
      // coordinate instead of wrapping round onto the label.
      {"line and box beyond 32 bits", OptionBlobs(), 832, 1218, 1,
       [] {
         constexpr LONG kMax = std::numeric_limits<LONG>::max();
         return std::vector<Record>{LineItem('L', kMax - 10, 50, 200, 0, 0, 0, 4),
                                    LineItem('R', kMax - 10, 50, 200, 100, 0, 0, 4)};
       },
       kHeader + "L 2147483637 48 2147483647 48 4\r\nBOX 2147483635 48 2147483647 152 4\r\n" +
           kPrint},
      {"line drawn backwards", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{LineItem('L', 300, 50, -200, 0, 0, 0, 4)}; },
       kHeader + "L 100 48 300 48 4\r\n" + kPrint},
      {"slanted line", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{LineItem('L', 100, 200, 50, 30, 0, 0, 2)}; },
       kHeader + "L 99 200 149 230 2\r\n" + kPrint},
      {"slanted line in landscape", OptionBlobs(), 832, 1218, 2,
       [] {
         return std::vector<Record>{LineItem('L', 100, 200, 50, 30, 0, 0, 2),
                                    LineItem('L', 150, 230, -50, -30, 0, 0, 2)};
       },
       kHeader + "L 199 1118 229 1068 2\r\nL 229 1068 199 1118 2\r\n" + kPrint},
      {"box", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{LineItem('R', 200, 100, -100, 50, 0, 0, 2)}; },
       kHeader + "BOX 99 99 201 151 2\r\n" + kPrint},
      {"white box", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{LineItem('R', 200, 100, 100, 50, 0xFFFFFF, 0, 2)}; },
       kHeader + kPrint},
      {"pass-through", OptionBlobs(), 832, 1218, 1,
       [] { return std::vector<Record>{RawItem("CENTER\r\n")}; }, kHeader + "CENTER\r\n" + kPrint},
      {"status queries, printer ready", OptionBlobs().Setting(0x3018, 1), 832, 1218, 1, none,
       "\x1Bh\r\n" + kHeader + kPrint + "\x1Bh\r\n", 1, [](TestCpcl&) { Script().answers = {0}; }},
      {"status queries, busy then ready", OptionBlobs().Setting(0x3018, 1), 832, 1218, 1, none,
       "\x1Bh\r\n\x1Bh\r\n" + kHeader + kPrint + "\x1Bh\r\n", 1,
       [](TestCpcl&) {
         Script().answers = {1, 0};
       }},
      {"status queries end when the printer is silent", OptionBlobs().Setting(0x3018, 1), 832, 1218,
       1, none, "\x1Bh\r\n" + kHeader + kPrint, 1, [](TestCpcl&) { Script().answers = {-1}; }},
      {"no status queries on a file port", OptionBlobs().Setting(0x3018, 1), 832, 1218, 1, none,
       kHeader + kPrint, 1,
       [](TestCpcl& l) {
         l.Port().kind = PORT_KIND_FILE;
         Script().answers = {0};
       }},
  };
}

TEST(CpclGolden, EachJobSendsExactlyItsCommands) {
  for (const GoldenCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    TestCpcl layer;
    InstallSamples(layer);
    if (c.setup) c.setup(layer);
    std::vector<Record> job =
        PageJob(c.options, c.width, c.height, c.orientation, c.items(), c.copies);
    EXPECT_EQ(Feed(layer, job), job.size()) << GetLastError();
    EXPECT_EQ(Visible(Script().written), Visible(c.expected));
  }
}

TEST(CpclJob, UnknownFontOrBadMacroFailsWithInvalidParameter) {
  for (WORD id : {WORD{9}, WORD{5}}) {
    TestCpcl layer;
    InstallSamples(layer);
    std::vector<Record> job =
        PageJob(OptionBlobs(), 832, 1218, 1, {TextItem('F', id, 40, 60, 36, 24, 12, 24, "ABC")});
    EXPECT_EQ(Feed(layer, job), 4u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

TEST(CpclJob, JobStartWithoutPaperFailsAndCanBeRetried) {
  TestCpcl layer;
  layer.havePaper = false;
  std::vector<Record> job = PageJob(OptionBlobs(), 832, 1218, 1, {});
  EXPECT_EQ(Feed(layer, job), 2u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_EA_ACCESS_DENIED));
  // The failed start did not leave the document open: offered again, it starts.
  layer.havePaper = true;
  layer.paper.left = 8;
  std::vector<Record> rest(job.begin() + 2, job.end());
  EXPECT_EQ(Feed(layer, rest), rest.size());
  EXPECT_EQ(Visible(Script().written), Visible("! 8 203 203 1219 1\r\nPW 832\r\n" + kPrint));
}

TEST(CpclJob, RepeatedJobStartKeepsTheOpenJob) {
  TestCpcl layer;
  layer.paper.left = 8;
  std::vector<Record> job{Blobs(true, OptionBlobs()), Blobs(false, OptionBlobs()),
                          DocBegin(832, 1218, 1)};
  EXPECT_EQ(Feed(layer, job), job.size());
  layer.paper.left = 0;
  std::vector<Record> again{DocBegin(832, 1218, 1), PageBegin(1), PageEnd(1), DocEnd()};
  EXPECT_EQ(Feed(layer, again), again.size());
  EXPECT_EQ(layer.listLoads, 1);
  EXPECT_EQ(Visible(Script().written), Visible("! 8 203 203 1219 1\r\nPW 832\r\n" + kPrint));
}

TEST(CpclJob, NoModelSendsNoHeaderAndNoPrint) {
  TestCpcl layer;
  layer.haveModel = false;
  std::vector<Record> job = PageJob(OptionBlobs(), 832, 1218, 1, {});
  EXPECT_EQ(Feed(layer, job), job.size());
  EXPECT_EQ(Script().written, "");
}

// A record offered again after its write failed prints what it would have printed
// the first time: the transform never turns the spooler's copy of the record.
TEST(CpclJob, RecordOfferedAgainAfterFailedWritePrintsTheSame) {
  std::vector<std::function<Record()>> items = {
      [] { return TextItem('F', 1, 100, 200, 120, 24, 12, 24, "ABC"); },
      [] { return TextItem('B', 2, 100, 200, 200, 80, 2, 80, "9"); },
      [] { return LineItem('L', 100, 200, 50, 30, 0, 1, 2); },
      [] { return LineItem('R', 200, 100, -100, 50, 0, 0, 2); },
  };
  for (DWORD orientation : {1u, 2u}) {
    for (auto& item : items) {
      std::string clean;
      {
        TestCpcl layer;
        InstallSamples(layer);
        std::vector<Record> job = PageJob(OptionBlobs(), 832, 1218, orientation, {item()});
        ASSERT_EQ(Feed(layer, job), job.size());
        clean = Script().written;
      }
      TestCpcl layer;
      InstallSamples(layer);
      std::vector<Record> job = PageJob(OptionBlobs(), 832, 1218, orientation, {item()});
      std::vector<Record> head(job.begin(), job.begin() + 4);
      ASSERT_EQ(Feed(layer, head), head.size());
      Record& record = job[4];
      // A page turned on SETMAG first: fail the last write of the item.
      Script().failWrites = 1;
      if (record[4] == 0x02 && record[5] == 0x40)
        Script().writesBeforeFail = 1, Script().failWrites = 0;
      EXPECT_FALSE(layer.ProcessRecord(std::span<BYTE>(record.data(), record.size())));
      Script().writesBeforeFail = -1;
      Script().failWrites = 0;
      std::vector<Record> rest(job.begin() + 4, job.end());
      ASSERT_EQ(Feed(layer, rest), rest.size());
      EXPECT_EQ(Visible(Script().written), Visible(clean)) << "orientation " << orientation;
    }
  }
}

TEST(CpclJob, PrintFailedIsSentWhenThePageEndIsOfferedAgain) {
  TestCpcl layer;
  std::vector<Record> job = PageJob(OptionBlobs(), 832, 1218, 1, {});
  std::vector<Record> head(job.begin(), job.begin() + 4);
  ASSERT_EQ(Feed(layer, head), head.size());
  Script().failWrites = 1;
  Record& end = job[4];
  EXPECT_FALSE(layer.ProcessRecord(std::span<BYTE>(end.data(), end.size())));
  std::vector<Record> rest(job.begin() + 4, job.end());
  EXPECT_EQ(Feed(layer, rest), rest.size());
  EXPECT_EQ(Visible(Script().written), Visible(kHeader + kPrint));
}

TEST(CpclStatus, PrinterErrorAsksTheUserAndCancelFailsThePage) {
  TestCpcl layer;
  Script().answers = {0x02};
  std::vector<Record> job = PageJob(OptionBlobs().Setting(0x3018, 1), 832, 1218, 1, {});
  EXPECT_EQ(Feed(layer, job), 3u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Visible(Script().written), Visible("\x1Bh\r\n"));
}

TEST(CpclStatus, BusyBeyondTheTimeoutIsPrinterNotReady) {
  TestCpcl layer;
  layer.Port().timeout = 250;
  Script().answers = {0x01};
  std::vector<Record> job = PageJob(OptionBlobs().Setting(0x3018, 1), 832, 1218, 1, {});
  EXPECT_EQ(Feed(layer, job), 3u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Script().written.find("! "), std::string::npos);
}

TEST(CpclStatus, StatusTextsComeFromTheLanguageFileMessages) {
  TestCpcl layer;
  DeviceStatus status{};
  status.message = STATUS_TEXT_IN_POINTER;
  status.zero1 = 0xFFFF;
  status.text = "Printer not Ready";
  EXPECT_TRUE(layer.DescribeDeviceStatus(&layer.Port(), &status));
  // Without a language file both messages are empty; the printer's text is replaced.
  EXPECT_STREQ(status.text, "");
}

TEST(CpclNames, TablesAndRotation) {
  TestCpcl layer;
  ASSERT_EQ(layer.GetNameTableCount(spool::ItemKind::kText), 4u);
  EXPECT_STREQ(layer.GetNameTable(spool::ItemKind::kText)[1].name, "T270");
  EXPECT_EQ(layer.GetNameTable(spool::ItemKind::kText)[2].masks[3], 0x02u);
  EXPECT_STREQ(layer.GetNameTable(spool::ItemKind::kBarcode)[1].name, "VB");
  EXPECT_EQ(layer.GetNameTable(spool::ItemKind::kBarcode)[0].masks[1], 0x84u);
  DWORD d = 0;
  for (DWORD expected : {0x4000u, 0x2000u, 0x1000u, 0u}) {
    layer.NextRotation(&d);
    EXPECT_EQ(d, expected);
  }
  d = 0x123;
  EXPECT_EQ(layer.NextRotation(&d), 0x123u);
  EXPECT_EQ(d, 0x123u);
  EXPECT_EQ(layer.ClassifyDirectCommand("BT OFF"), 0);
  EXPECT_EQ(layer.ClassifyDirectCommand("BT"), 26);
}

}  // namespace
}  // namespace trv::dcl::testing
