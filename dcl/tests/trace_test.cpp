#include "dcl/trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dcl/trace_log.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl {
namespace {

// Collects what reaches the debugger and the broadcast channel during one test.
class TraceTest : public trv::testing::FreshMachine {
 protected:
  void SetUp() override {
    FreshMachine::SetUp();
    debugCookie_ =
        trv::AddDebugListener([this](const std::string& text) { debug_.push_back(text); });
    broadcastCookie_ = trv::AddBroadcastListener(
        [this](const trv::PostedMessage& message) { posted_.push_back(message); });
  }
  void TearDown() override {
    trv::RemoveDebugListener(debugCookie_);
    trv::RemoveBroadcastListener(broadcastCookie_);
    FreshMachine::TearDown();
  }

  std::vector<std::string> debug_;
  std::vector<trv::PostedMessage> posted_;

 private:
  int debugCookie_ = 0;
  int broadcastCookie_ = 0;
};

std::string AtomText(ATOM atom) {
  char text[256] = {};
  UINT length = GlobalGetAtomNameA(atom, text, sizeof text);
  return std::string(text, length);
}

TEST_F(TraceTest, FormatsOnceToTheDebuggerAndBroadcastsTheTextAsAnAtom) {
  Trace("%s,WinHelp HELP_ID %d,", "C:\\x.hlp", 42);

  const std::string text = "C:\\x.hlp,WinHelp HELP_ID 42,";
  EXPECT_EQ(debug_, std::vector<std::string>{text});
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(posted_[0].window, HWND_BROADCAST);
  EXPECT_EQ(posted_[0].message, RegisterWindowMessageA("TVTRACE"));
  EXPECT_EQ(posted_[0].wParam, 0u);
  ATOM atom = static_cast<ATOM>(posted_[0].lParam);
  ASSERT_NE(atom, 0);
  EXPECT_EQ(AtomText(atom), text);
  GlobalDeleteAtom(atom);
}

TEST_F(TraceTest, ATextTheAtomTableRefusesIsPostedAsAtomZero) {
  const std::string text(300, 'a');
  Trace("%s", text.c_str());

  EXPECT_EQ(debug_, std::vector<std::string>{text});
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(posted_[0].lParam, 0);
}

TEST_F(TraceTest, CutsTheTextToItsBuffer) {
  const std::string text(2000, 'b');
  Trace("%s", text.c_str());

  ASSERT_EQ(debug_.size(), 1u);
  EXPECT_EQ(debug_[0], text.substr(0, 1023));
}

// The log file is decided once for the life of a log; a TraceLogFile object stands
// for one process here.
TEST_F(TraceTest, LogFilePresentAtFirstAppendIsAppendedTo) {
  writeFile("C:\\trace.log", "before\n");
  TraceLogFile log("C:\\trace.log");
  log.Append("one ");
  log.Append("two\n");
  EXPECT_EQ(readFile("C:\\trace.log"), "before\none two\n");
}

TEST_F(TraceTest, LogFileCreatedAfterTheFirstAppendStaysUnused) {
  TraceLogFile log("C:\\trace.log");
  log.Append("lost\n");
  EXPECT_EQ(GetFileAttributesA("C:\\trace.log"), INVALID_FILE_ATTRIBUTES);

  writeFile("C:\\trace.log", "");
  log.Append("still lost\n");
  EXPECT_EQ(readFile("C:\\trace.log"), "");

  TraceLogFile nextProcess("C:\\trace.log");
  nextProcess.Append("kept\n");
  EXPECT_EQ(readFile("C:\\trace.log"), "kept\n");
}

TEST_F(TraceTest, LogFileRemovedLaterIsNotRecreated) {
  writeFile("C:\\trace.log", "");
  TraceLogFile log("C:\\trace.log");
  log.Append("one\n");
  ASSERT_TRUE(DeleteFileA("C:\\trace.log"));
  log.Append("two\n");
  EXPECT_EQ(GetFileAttributesA("C:\\trace.log"), INVALID_FILE_ATTRIBUTES);
}

// The process's own log, "C:\ZIREROZARI.LOG", in a process of its own each time so
// that its first trace is the one under test.
TEST_F(TraceTest, ProcessLogIsUsedWhenItExistsAtTheFirstTrace) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        writeFile("C:\\ZIREROZARI.LOG", "old\n");
        Trace("first %d\n", 1);
        Trace("second");
        std::string log = readFile("C:\\ZIREROZARI.LOG");
        std::fprintf(stderr, "log=[%s]", log.c_str());
        TearDown();
        std::_Exit(log == "old\nfirst 1\nsecond" ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(TraceTest, ProcessLogCreatedAfterTheFirstTraceIsNotUsed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Trace("before\n");
        writeFile("C:\\ZIREROZARI.LOG", "");
        Trace("after\n");
        std::string log = readFile("C:\\ZIREROZARI.LOG");
        std::fprintf(stderr, "log=[%s]", log.c_str());
        TearDown();
        std::_Exit(log.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace trv::dcl
