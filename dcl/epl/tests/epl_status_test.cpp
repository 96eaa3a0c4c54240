// "^ee" status replies: reading with a bound and what each reply means, on their own
// and from the virtual printer in EPL mode over a TCP port.
#include "dcl/epl/epl_status.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/spooler_stand_in.h"
#include "platform/testing/fixtures.h"
#include "platform/testing/virtual_printer.h"
#include "platform/winsplp.h"

namespace trv::dcl::epl {
namespace {

struct ReplyCase {
  std::string reply;
  StatusReply::Kind kind;
  UINT message;
};

const ReplyCase kReplies[] = {
    {"00\r\n", StatusReply::Ready, 0},
    {"12\r\n", StatusReply::Busy, 0},
    {"50\r\n", StatusReply::Busy, 0},
    {"01\r\n", StatusReply::Error, 10500},
    {"07\r\n", StatusReply::Error, 10506},
    {"09\r\n", StatusReply::Error, 10508},
    {"10\r\n", StatusReply::Error, 10509},
    {"11\r\n", StatusReply::Error, 10510},
    {"80\r\n", StatusReply::Error, 10512},
    {"84\r\n", StatusReply::Error, 10516},
    {"85\r\n", StatusReply::Error, 10517},
    {"13\r\n", StatusReply::Error, 10517},
    {"A7\r\n", StatusReply::Error, 10517},
    // Noise before the pair: the pair stands right before CR LF.
    {"xx07\r\n", StatusReply::Error, 10506},
    {"0\n", StatusReply::Error, 10518},
    {"\n", StatusReply::Error, 10518},
    {"0\nxx\r\n", StatusReply::Error, 10518},
    {"07\r", StatusReply::Error, 10518},  // the reads stopped before the LF
};

TEST(EplStatus, RepliesAndTheirMeaning) {
  for (const auto& c : kReplies) {
    StatusReply r = ClassifyStatusReply(c.reply);
    EXPECT_EQ(r.kind, c.kind) << c.reply;
    EXPECT_EQ(r.message, c.message) << c.reply;
  }
  StatusReply r = ClassifyStatusReply("07\r\n");
  EXPECT_EQ(r.code, 0x3037u);
  EXPECT_EQ(ClassifyStatusReply("\n").code, 0xFFFFFFFFu);
}

TEST(EplStatus, UnknownPairFillsItsMessageSafely) {
  StatusReply r = ClassifyStatusReply("A7\r\n");
  EXPECT_EQ(FillPairMessage("Unknown printer error %c%c.", r.pair), "Unknown printer error A7.");
  // A text with other conversions never reads arguments that are not there.
  EXPECT_EQ(FillPairMessage("%s %d %c%c%c 100%%", r.pair), "%s %d A7%c 100%");
}

// Bytes fed one at a time; an empty queue reads nothing.
struct ByteSource {
  std::string bytes;
  size_t at = 0;
  size_t reads = 0;
  DWORD operator()(BYTE* b) {
    ++reads;
    if (at >= bytes.size()) return 0;
    *b = static_cast<BYTE>(bytes[at++]);
    return 1;
  }
};

TEST(EplStatus, ReadingIsBounded) {
  std::string reply;
  ByteSource silent;
  EXPECT_EQ(ReadStatusReply(std::ref(silent), &reply), ReplyRead::NoReply);

  ByteSource normal{"07\r\nleft over"};
  EXPECT_EQ(ReadStatusReply(std::ref(normal), &reply), ReplyRead::Reply);
  EXPECT_EQ(reply, "07\r\n");

  // A reply without LF that fills the bound is unreadable, and reading stops there.
  ByteSource endless{std::string(5000, '7')};
  EXPECT_EQ(ReadStatusReply(std::ref(endless), &reply), ReplyRead::Overlong);
  EXPECT_EQ(reply.size(), kStatusReplyLimit);
  EXPECT_EQ(endless.at, kStatusReplyLimit);

  ByteSource cut{"07"};
  EXPECT_EQ(ReadStatusReply(std::ref(cut), &reply), ReplyRead::Reply);
  EXPECT_EQ(ClassifyStatusReply(reply).message, 10518u);
}

// The virtual printer answers "^ee" as an EPL printer; its state follows control lines.
class EplVirtualPrinter : public trv::testing::FreshMachine {};

TEST_F(EplVirtualPrinter, StatusRepliesOverTheLocalPort) {
  VirtualPrinter printer(root() + "/jobs", PrinterLanguage::Epl);
  std::string error;
  ASSERT_TRUE(printer.Start(0, &error)) << error;
  const std::string portName = "IP_127.0.0.1:" + std::to_string(printer.Port());
  MONITOR* monitor = LocalPortMonitor();
  std::u16string wide(portName.begin(), portName.end());
  HANDLE port = nullptr;
  ASSERT_TRUE(monitor->pfnOpenPort(reinterpret_cast<LPWSTR>(wide.data()), &port));
  ASSERT_TRUE(monitor->pfnStartDocPort(port, nullptr, 1, 1, nullptr));

  struct Case {
    const char* control;
    StatusReply::Kind kind;
    UINT message;
  } cases[] = {
      {"ready", StatusReply::Ready, 0},        {"error 07", StatusReply::Error, 10506},
      {"error 81", StatusReply::Error, 10513}, {"error 99", StatusReply::Error, 10517},
      {"busy 60000", StatusReply::Busy, 0},    {"ready", StatusReply::Ready, 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(printer.Control(c.control, &error)) << error;
    BYTE request[4] = {'^', 'e', 'e', '\n'};
    DWORD written = 0;
    ASSERT_TRUE(monitor->pfnWritePort(port, request, sizeof request, &written));
    ASSERT_EQ(written, 4u);
    std::string reply;
    auto readByte = [&](BYTE* b) -> DWORD {
      DWORD read = 0;
      if (!monitor->pfnReadPort(port, b, 1, &read)) return 0;
      return read;
    };
    ASSERT_EQ(ReadStatusReply(readByte, &reply), ReplyRead::Reply) << c.control;
    StatusReply r = ClassifyStatusReply(reply);
    EXPECT_EQ(r.kind, c.kind) << c.control << ": " << reply;
    EXPECT_EQ(r.message, c.message) << c.control;
  }
  EXPECT_TRUE(monitor->pfnEndDocPort(port));
  EXPECT_TRUE(monitor->pfnClosePort(port));
  printer.Stop();
}

}  // namespace
}  // namespace trv::dcl::epl
