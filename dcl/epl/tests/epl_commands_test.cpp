// EPL command lines built from numbers and option values.
#include "dcl/epl/epl_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace trv::dcl::epl {
namespace {

// An option value: size, id, then 32-bit words from offset 8.
struct Value {
  std::vector<BYTE> bytes;
  Value(WORD id, std::vector<DWORD> words) {
    DWORD size = 8 + 4 * static_cast<DWORD>(words.size());
    bytes.resize(size);
    std::memcpy(bytes.data(), &size, 4);
    std::memcpy(bytes.data() + 4, &id, 2);
    for (size_t i = 0; i < words.size(); ++i) std::memcpy(bytes.data() + 8 + 4 * i, &words[i], 4);
  }
  OptionValueView view() const { return OptionValueView(bytes.data()); }
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& l : lines) all += l;
  return all;
}

PrinterConfig AllCapabilities() {
  PrinterConfig c;
  c.capabilities = 0xFFFFFFFF;
  c.printModes = 0xFF;
  return c;
}

TEST(EplLabelWidth, RoundsPageAndOffsetUpToEightDots) {
  struct Case {
    LONG width, offset, expected;
  } cases[] = {{830, 0, 832}, {832, 0, 832}, {833, 0, 840}, {812, 20, 832}, {1, 0, 8}};
  for (const auto& c : cases)
    EXPECT_EQ(LabelWidth(c.width, c.offset), c.expected) << c.width << "+" << c.offset;
}

TEST(EplSetup, ExampleJobWithoutMediaSensing) {
  PrinterConfig config = AllCapabilities();
  Value darkness(0x3012, {10}), speed(0x3008, {3}), orientation(0x1004, {0});
  JobOptions o;
  o.darkness = darkness.view();
  o.printSpeed = speed.view();
  o.orientation = orientation.view();
  EXPECT_EQ(Joined(SetupLines(config, o, 832, 1218, 0)), "\nq832\nQ1218,24\nD10\nS3\nZT\n");
}

TEST(EplSetup, CapabilityClearSendsNothingForTheOption) {
  PrinterConfig config;
  config.capabilities = 0;
  Value darkness(0x3012, {10}), speed(0x3008, {3}), orientation(0x1004, {1}), tof(0x100A, {1});
  JobOptions o;
  o.darkness = darkness.view();
  o.printSpeed = speed.view();
  o.orientation = orientation.view();
  o.topOfFormBack = tof.view();
  EXPECT_EQ(Joined(SetupLines(config, o, 830, 600, 0)), "\nq832\nQ600,24\n");
}

TEST(EplSetup, MediaSensingLines) {
  struct Case {
    std::vector<DWORD> words;  // mode, offset 12, offset 16
    const char* expected;
  } cases[] = {
      {{1, 0, 900}, "Q900,0\n"},
      {{4, 16, 10}, "Q1218,B16+10\n"},
      // A negative black-mark offset keeps its own sign.
      {{4, 16, static_cast<DWORD>(-10)}, "Q1218,B16-10\n"},
      {{8, 0, 24}, "Q1218,24\n"},
      {{8, 0, 30}, "Q1218,30\n"},
      {{2, 0, 30}, "Q1218,24\n"},
  };
  for (const auto& c : cases) {
    Value v(0x3005, c.words);
    EXPECT_EQ(MediaSensingLine(v.view(), 1218), c.expected);
  }
  EXPECT_EQ(MediaSensingLine(OptionValueView(nullptr), 1218), "Q1218,24\n");
}

TEST(EplSetup, OptionsLineItemsAndCutter) {
  PrinterConfig config = AllCapabilities();
  Value on3004(0x3004, {1}), on3022(0x3022, {1}), on3006(0x3006, {1}), off3006(0x3006, {0});
  // Dispense value: mode 16, choice 3 (offset 12), delay, distance 40 (offset 20), -, flags.
  Value cutBatch(0x2001, {16, 3, 0, 40, 0, 4}), cutB(0x2001, {16, 3, 0, 40, 0, 2}),
      cutPlain(0x2001, {16, 3, 0, 40, 0, 0});
  JobOptions o;
  EXPECT_EQ(OptionsLine(config, o), "");
  o.mediaType = on3004.view();
  o.optionL = on3022.view();
  o.optionS = off3006.view();
  EXPECT_EQ(OptionsLine(config, o), "OD,L\n");
  o.optionS = on3006.view();
  o.dispense = cutBatch.view();
  EXPECT_EQ(OptionsLine(config, o), "OC3,D,L,S\n");
  o.dispense = cutB.view();
  EXPECT_EQ(OptionsLine(config, o), "OCb,D,L,S\n");
  o.mediaType = OptionValueView(nullptr);
  o.optionL = OptionValueView(nullptr);
  o.optionS = OptionValueView(nullptr);
  o.dispense = cutPlain.view();
  EXPECT_EQ(Joined(SetupLines(config, o, 800, 400, 0)), "\nq800\nQ400,24\nOC\nf40\n");
  // Without the cutter in the print modes, no cutter item and no "f".
  config.printModes = 0x0C;
  EXPECT_EQ(Joined(SetupLines(config, o, 800, 400, 0)), "\nq800\nQ400,24\n");
}

TEST(EplSetup, DispenseAndTopOfFormJLines) {
  PrinterConfig config = AllCapabilities();
  Value pace(0x2001, {8, 0, 0, 0, 0, 0x2000}), autoPace(0x2001, {4, 0, 0, 0, 0, 0}),
      tofOn(0x100A, {1}), tofOff(0x100A, {0}), turned(0x1004, {1});
  JobOptions o;
  o.dispense = pace.view();
  o.orientation = turned.view();
  o.topOfFormBack = tofOff.view();
  EXPECT_EQ(Joined(SetupLines(config, o, 800, 400, 0)), "\nq800\nQ400,24\nJF\nZB\nJB\n");
  o.dispense = autoPace.view();
  o.topOfFormBack = tofOn.view();
  EXPECT_EQ(Joined(SetupLines(config, o, 800, 400, 0)), "\nq800\nQ400,24\nJB\nZB\nJF\n");
}

TEST(EplPage, PrintLineCopies) {
  PrinterConfig config = AllCapabilities();
  Value two(0x1005, {2}), zero(0x1005, {0});
  JobOptions o;
  EXPECT_EQ(PrintLine(config, o, 0), "P1\n");  // a page end always prints
  EXPECT_EQ(PrintLine(config, o, 3), "P3\n");
  o.copies = two.view();
  EXPECT_EQ(PrintLine(config, o, 0), "P2\n");
  EXPECT_EQ(PrintLine(config, o, 3), "P3\n");
  o.copies = zero.view();
  EXPECT_EQ(PrintLine(config, o, 0), "P1\n");
  config.capabilities = 0;
  o.copies = two.view();
  EXPECT_EQ(PrintLine(config, o, 0), "P1\n");
}

TEST(EplText, Lines) {
  struct Case {
    LONG x, y, direction;
    const char* macro;
    WORD flags;
    LONG mx, my;
    std::string text, expected;
  } cases[] = {
      {40, 60, 0, "3", 0, 1, 2, "ABC", "A40,60,0,3,1,2,N,\"ABC\"\n"},
      {40, 60, 0x1000, "3", 0, 1, 2, "ABC", "A40,60,1,3,2,1,N,\"ABC\"\n"},
      {40, 60, 0x2000, "3", 0x10, 1, 2, "ABC", "A40,60,2,3,1,2,R,\"ABC\"\n"},
      {40, 60, 0x4000, "4", 0, 3, 1, "x", "A40,60,3,4,1,3,N,\"x\"\n"},
      {5, 6, 0x0800, "a", 0x12, 3, 4, "x", "A5,6,0,a,1,1,N,\"x\"\n"},
      {1, 2, 0, "1", 0, 1, 1, "say \"hi\" C:\\", "A1,2,0,1,1,1,N,\"say \\\"hi\\\" C:\\\\\"\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TextLine(c.x, c.y, c.direction, c.macro, c.flags, c.mx, c.my, c.text), c.expected);
}

TEST(EplText, LongTextIsCutToTheLineBufferNeverInsideAnEscape) {
  std::string text(300, 'x');
  std::string line = TextLine(1, 1, 0, "1", 0, 1, 1, text);
  EXPECT_EQ(line.size(), kTextLineLimit);
  EXPECT_EQ(line.substr(line.size() - 2), "\"\n");
  // Quotes right at the cut: the escape and its quote stay together.
  for (size_t fill = 230; fill < 245; ++fill) {
    std::string t = std::string(fill, 'y') + std::string(40, '"');
    std::string l = TextLine(1, 1, 0, "1", 0, 1, 1, t);
    ASSERT_LE(l.size(), kTextLineLimit);
    std::string body = l.substr(l.find(",\"") + 2);
    body.resize(body.size() - 2);
    size_t backslashes = 0;
    for (char ch : body) backslashes += ch == '\\';
    size_t quotes = 0;
    for (char ch : body) quotes += ch == '"';
    EXPECT_EQ(backslashes, quotes) << fill;
    EXPECT_NE(body.back(), '\\') << fill;
  }
}

TEST(EplLines, LinesAndBoxes) {
  constexpr LONG kMax = std::numeric_limits<LONG>::max();
  constexpr LONG kMin = std::numeric_limits<LONG>::min();
  struct Case {
    LONG x, y, dx, dy, colour;
    DWORD placement;
    LONG width;
    const char* expected;
  } lines[] = {
      {100, 50, 0, 200, 0, 0, 4, "LO98,50,4,200\n"},
      {100, 50, 200, 0, 0, 0, 4, "LO100,48,200,4\n"},
      {100, 50, 0, 200, kWhite, 0, 4, "LW98,50,4,200\n"},
      {100, 50, 200, 0, kWhite, 0, 4, "LW100,48,200,4\n"},
      {100, 50, 0, 200, 0, 1, 4, "LE98,50,4,200\n"},
      {300, 50, -200, 0, 0, 0, 4, "LO100,48,200,4\n"},
      {100, 250, 0, -200, 0, 0, 4, "LO98,50,4,200\n"},
      {10, 40, 50, -30, 0, 0, 2, "LS9,40,2,59,10\n"},
      {10, 40, 50, 30, 0, 2, 2, "LS10,69,2,60,39\n"},
      // A slanted line that leaves the label is cut at its edge, never mirrored.
      {10, 10, 50, -30, 0, 0, 2, "LS9,10,2,59,0\n"},
      {10, 10, 50, -30, kWhite, 0, 2, ""},
      // A line that starts left of the label loses the part outside it.
      {-50, 50, 200, 0, 0, 0, 4, "LO0,48,150,4\n"},
      {-300, 50, 200, 0, 0, 0, 4, ""},
      {1, 1, 0, 100, 0, 0, 4, "LO0,1,3,100\n"},
      // Ends beyond 32 bits (a damaged spool file) stop at the largest coordinate.
      {kMax - 10, 50, 200, 0, 0, 0, 4, "LO2147483637,48,200,4\n"},
      {kMin, 50, kMin, 0, 0, 0, kMin, ""},
      {kMax, kMax, kMax, kMax, 0, 0, 2, "LS2147483646,2147483647,2,2147483647,2147483647\n"},
  };
  for (const auto& c : lines)
    EXPECT_EQ(LineCommand(c.x, c.y, c.dx, c.dy, c.colour, c.placement, c.width), c.expected)
        << c.x << "," << c.y << " " << c.dx << "," << c.dy;
  struct Box {
    LONG x, y, dx, dy, colour, width;
    const char* expected;
  } boxes[] = {
      {200, 100, 100, 50, 0, 2, "X199,99,2,301,151\n"},
      {200, 100, -100, 50, 0, 2, "X99,99,2,201,151\n"},
      {200, 100, 100, 50, kWhite, 2, ""},
      {0, 0, 100, 50, 0, 4, "X0,0,4,102,52\n"},
      {kMax - 10, 100, 200, kMin, 0, 2, "X2147483636,0,2,2147483647,101\n"},
  };
  for (const auto& b : boxes)
    EXPECT_EQ(BoxCommand(b.x, b.y, b.dx, b.dy, b.colour, b.width), b.expected);
}

TEST(EplMisc, GraphicsImageAndFontLines) {
  EXPECT_EQ(GraphicsLine(8, 8, 7, 5), "GW8,8,7,5\n");
  EXPECT_EQ(ImageLine(1, 2, 3, 4), "I1,2,3,4,36.\n");
  EXPECT_EQ(DeleteFontLine('c'), "EK\"c\"\n");
  EXPECT_TRUE(IsSoftFontLetter('a'));
  EXPECT_FALSE(IsSoftFontLetter('A'));
  EXPECT_EQ(std::string(kResetCommand), "^@\n");
}

}  // namespace
}  // namespace trv::dcl::epl
