#include <cstring>
#include <string>
#include <vector>

#include "dcl/object/tests/framework_fixture.h"
#include "platform/stand_in.h"
#include "spool/record.h"

namespace trv::dcl::testing {
namespace {

std::vector<BYTE> Words(std::initializer_list<DWORD> values) {
  std::vector<BYTE> out;
  for (DWORD v : values)
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
  return out;
}

std::vector<BYTE> Shorts(std::initializer_list<WORD> values) {
  std::vector<BYTE> out;
  for (WORD v : values) {
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
  }
  return out;
}

class Records : public Framework {
 protected:
  void SetUp() override {
    Framework::SetUp();
    object_ = Create(table_);
    ASSERT_NE(object_, nullptr);
  }
  void TearDown() override {
    if (object_ != nullptr) {
      EXPECT_TRUE(terminate_(object_));
    }
    Framework::TearDown();
  }
  BOOL Send(DWORD type, const std::vector<BYTE>& payload, DWORD headerSize = 48) {
    std::vector<BYTE> r = Record(type, payload, headerSize);
    return table_.ProcessRecord(object_, r.data());
  }
  void SendBlobs() {
    std::vector<BYTE> dev(32), doc(76);
    ASSERT_TRUE(table_.GetDevProps(object_, 1, dev.data(), 32, nullptr));
    ASSERT_TRUE(table_.GetDocProps(object_, 1, doc.data(), 76, nullptr));
    ASSERT_TRUE(Send(trv::spool::DCLD_DEVPROPS, dev));
    ASSERT_TRUE(Send(trv::spool::DCLD_DOCPROPS, doc));
  }

  DCLInterface table_;
  CDCLBase* object_ = nullptr;
};

TEST_F(Records, NeedAnOpenPort) {
  SetLastError(0);
  EXPECT_FALSE(Send(trv::spool::DCLD_DOC_END, {}));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ASSERT_TRUE(OpenFakePort(table_, object_));
  EXPECT_EQ(Port().opens, 1);
  EXPECT_EQ(Port().startDocs, 1);
  EXPECT_TRUE(Send(trv::spool::DCLD_DOC_END, {}));
  EXPECT_TRUE(table_.ClosePrinter(object_));
  EXPECT_EQ(Port().endDocs, 1);
  EXPECT_EQ(Port().closes, 1);
  EXPECT_FALSE(table_.ClosePrinter(object_));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Records, AJobReachesTheObjectsOperationsInOrder) {
  ASSERT_TRUE(OpenFakePort(table_, object_));
  SetLastError(0);
  EXPECT_FALSE(
      Send(trv::spool::DCLD_DOC_BEGIN, Words({812, 1218, 1})));  // before both option blobs
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SendBlobs();
  control_->calls.clear();
  EXPECT_TRUE(Send(trv::spool::DCLD_DOC_BEGIN, Words({812, 1218})));  // 8 bytes: portrait
  EXPECT_TRUE(Send(trv::spool::DCLD_PAGE_BEGIN, Shorts({0, 0, 2})));
  std::vector<BYTE> text(59, 0);
  text[0] = 7;
  text[4] = 10;
  text[8] = 20;
  std::memcpy(text.data() + 56, "ABC", 3);
  EXPECT_TRUE(Send(trv::spool::DCLD_FONT_TEXT, text));
  EXPECT_TRUE(Send(trv::spool::DCLD_RAW_COMMAND, {0, 0, 'X', 'Y'}));
  EXPECT_TRUE(Send(trv::spool::DCLD_PAGE_END, Shorts({2})));
  EXPECT_TRUE(Send(trv::spool::DCLD_DOC_END, {}));
  EXPECT_EQ(control_->calls, (std::vector<std::string>{"StartDoc(812,1218,1)", "StartPage(0,0,2)",
                                                       "PrintText(7,10,20,0,ABC)",
                                                       "PassThrough(XY)", "EndPage(2)", "EndDoc"}));
  EXPECT_EQ(
      Port().written,
      "StartDoc(812,1218,1)\nStartPage(0,0,2)\nPrintText(7,10,20,0,ABC)\nXYEndPage(2)\nEndDoc\n");
  EXPECT_TRUE(table_.ClosePrinter(object_));
}

TEST_F(Records, HeaderSizeUnknownTypesAndShortPayloads) {
  ASSERT_TRUE(OpenFakePort(table_, object_));
  SetLastError(0xdeadbeef);
  EXPECT_TRUE(Send(trv::spool::DCLD_PAGE_BEGIN, Shorts({0, 0, 1}), 40));  // not 48: ignored
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_TRUE(Send(0x7777, {}));
  EXPECT_FALSE(Send(trv::spool::DCLD_PAGE_BEGIN, Words({0})));  // 4 bytes where 6 are needed
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(control_->calls.empty());
  EXPECT_TRUE(table_.ClosePrinter(object_));
}

TEST_F(Records, ANewBlobCopyReplacesTheOldOneWhileTheHostsStaysItsOwn) {
  ASSERT_TRUE(OpenFakePort(table_, object_));
  SendBlobs();
  SendBlobs();  // the second copies replace the first ones
  std::vector<BYTE> doc(76);
  ASSERT_TRUE(table_.GetDocProps(object_, 1, doc.data(), 76, nullptr));
  ASSERT_TRUE(table_.SetDocProps(object_, 1, doc.data(), 76));  // the host's own blob
  // The object now works on the host's blob: a command through it reads its value.
  EXPECT_EQ(table_.OptionCommand(object_, doc.data(), nullptr, 0x1004, 17, 0, 0), 1);
  EXPECT_TRUE(Send(trv::spool::DCLD_DOC_BEGIN, Words({100, 200, 2})));
  EXPECT_TRUE(table_.ClosePrinter(object_));
}

// A blob record whose header claims more value bytes than it carries is refused
// before the object sees it: the option walks trust that count.
TEST_F(Records, ABlobRecordClaimingMoreValuesThanItHoldsIsRefused) {
  ASSERT_TRUE(OpenFakePort(table_, object_));
  std::vector<BYTE> dev(32), doc(76);
  ASSERT_TRUE(table_.GetDevProps(object_, 1, dev.data(), 32, nullptr));
  ASSERT_TRUE(table_.GetDocProps(object_, 1, doc.data(), 76, nullptr));
  struct Case {
    DWORD type;
    std::vector<BYTE> payload;
  } cases[] = {{trv::spool::DCLD_DOCPROPS, {doc.begin(), doc.begin() + 44}},
               {trv::spool::DCLD_DEVPROPS, {dev.begin(), dev.begin() + 21}}};
  for (Case& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Send(c.type, c.payload));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(object_->AttachedDocProps(), nullptr);
  EXPECT_EQ(object_->AttachedDevProps(), nullptr);
  EXPECT_TRUE(table_.ClosePrinter(object_));
}

class PortOutput : public Records {
 protected:
  std::vector<trv::MessageBoxRequest> asked_;
  void Answer(int answer) {
    trv::SetMessageBoxAnswerer([this, answer](const trv::MessageBoxRequest& r) {
      asked_.push_back(r);
      return answer;
    });
  }
};

TEST_F(PortOutput, ABusyPrinterIsPolledForTenSecondsThenTheUserRetries) {
  ASSERT_TRUE(OpenFakePort(table_, object_));
  Port().failWrites = 1;
  Port().busy = true;
  DWORD start = GetTickCount();
  std::vector<DWORD> sleeps;
  trv::SetSleepHook([&](DWORD ms) { sleeps.push_back(ms); });
  Answer(IDRETRY);
  // Once the user answered, the printer is ready and takes the whole buffer again.
  trv::SetMessageBoxAnswerer([&](const trv::MessageBoxRequest& r) {
    asked_.push_back(r);
    Port().busy = false;
    return IDRETRY;
  });
  EXPECT_TRUE(Send(trv::spool::DCLD_RAW_COMMAND, {0, 0, 'H', 'I'}));
  EXPECT_EQ(Port().written, "HI");
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_EQ(asked_[0].text, "Printer not Ready");
  EXPECT_EQ(asked_[0].caption, "Test Label Printer");
  EXPECT_EQ(asked_[0].type & MB_TYPEMASK, static_cast<UINT>(MB_ABORTRETRYIGNORE));
  EXPECT_EQ(asked_[0].type & MB_DEFBUTTON2, static_cast<UINT>(MB_DEFBUTTON2));
  // 100 ms steps until more than ten seconds have passed.
  ASSERT_FALSE(sleeps.empty());
  for (DWORD ms : sleeps) EXPECT_EQ(ms, 100u);
  EXPECT_GT(GetTickCount() - start, 10000u);
  EXPECT_LE(GetTickCount() - start, 10200u);
  EXPECT_TRUE(table_.ClosePrinter(object_));
}

TEST_F(PortOutput, IgnoreDropsTheRestAndCancelFailsWithLastErrorZero) {
  ASSERT_TRUE(OpenFakePort(table_, object_));
  Port().failWrites = 1;
  Port().busy = true;
  Answer(IDIGNORE);
  EXPECT_TRUE(Send(trv::spool::DCLD_RAW_COMMAND, {0, 0, 'H', 'I'}));
  EXPECT_EQ(Port().written, "");
  Port().failWrites = 1;
  Answer(IDABORT);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Send(trv::spool::DCLD_RAW_COMMAND, {0, 0, 'H', 'I'}));
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(asked_.size(), 2u);  // once to ignore, once to cancel
  EXPECT_TRUE(table_.ClosePrinter(object_));
}

TEST_F(PortOutput, APrinterThatBecomesReadyIsWrittenWithoutAskingTheUser) {
  ASSERT_TRUE(OpenFakePort(table_, object_));
  Port().failWrites = 1;
  Port().busy = true;
  Port().busyUntilPolls = 5;
  Answer(IDABORT);
  EXPECT_TRUE(Send(trv::spool::DCLD_RAW_COMMAND, {0, 0, 'O', 'K'}));
  EXPECT_EQ(Port().written, "OK");
  EXPECT_TRUE(asked_.empty());
  EXPECT_TRUE(table_.ClosePrinter(object_));
}

}  // namespace
}  // namespace trv::dcl::testing
