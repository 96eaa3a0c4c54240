#include <cstring>
#include <string>
#include <vector>

#include "dcl/object/tests/framework_fixture.h"
#include "platform/stand_in.h"

namespace trv::dcl::testing {
namespace {

template <typename T>
T At(const BYTE* p, size_t offset) {
  T v;
  std::memcpy(&v, p + offset, sizeof v);
  return v;
}

std::string TextAt(const std::vector<BYTE>& buffer, DWORD offset) {
  return reinterpret_cast<const char*>(buffer.data() + offset);
}

class HostInterface : public Framework {};

TEST_F(HostInterface, TablesOfAnyOtherSizeAreRefusedAndNoObjectSurvives) {
  for (DWORD size : {kDclInterfaceSize - 1, kDclInterfaceSize + 1, 480u}) {
    DCLInterface table{};
    table.size = size;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(initialize_("p", nullptr, nullptr, nullptr, 2, &table), nullptr) << size;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(control_->live, 0);
  }
  EXPECT_EQ(initialize_("p", nullptr, nullptr, nullptr, 2, nullptr), nullptr);
  EXPECT_EQ(control_->live, 0);
}

TEST_F(HostInterface, TheTableCarriesTheModuleVersionTextsAndEntryPoints) {
  DCLInterface table;
  CDCLBase* o = Create(table);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(table.size, kDclInterfaceSize);
  EXPECT_EQ(table.version, 1u);
  EXPECT_STREQ(table.productName, "Test Label Printer");
  EXPECT_STREQ(table.comments, "Framework test module");
  EXPECT_STREQ(table.helpFileName, "TRVTEST.HLP");
  EXPECT_EQ(table.versionNumber, 0x01040103u);  // 3, 1, 4, 1: the first number lowest
  EXPECT_NE(table.ProcessRecord, nullptr);
  EXPECT_EQ(control_->live, 1);
  EXPECT_TRUE(terminate_(o));
  EXPECT_EQ(control_->live, 0);
  SetLastError(0);
  EXPECT_FALSE(terminate_(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(HostInterface, AFailedInitializeDestroysTheObjectAndKeepsItsError) {
  control_->failInitialize = true;
  DCLInterface table;
  SetLastError(0);
  EXPECT_EQ(Create(table), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_CONFIGURATION));
  EXPECT_EQ(control_->live, 0);
}

TEST_F(HostInterface, ListsReportNeededSizeAndCountThenCopyItemsAndTexts) {
  DCLInterface table;
  CDCLBase* o = Create(table);
  ASSERT_NE(o, nullptr);
  DWORD needed = 0xdeadbeef, count = 0xdeadbeef;
  SetLastError(0);
  EXPECT_FALSE(table.GetModelList(o, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  // One 36-byte model whose two names are string 10001 of the module, "Test Model".
  EXPECT_EQ(needed, 36u + 11 + 11);
  EXPECT_EQ(count, 1u);
  std::vector<BYTE> buffer(needed - 1);
  EXPECT_FALSE(table.GetModelList(o, buffer.data(), needed - 1, &needed, &count));
  buffer.assign(needed, 0xEE);
  ASSERT_TRUE(table.GetModelList(o, buffer.data(), needed, nullptr, nullptr));
  EXPECT_EQ(At<DWORD>(buffer.data(), 0), 36u);  // the item size replaces the key
  EXPECT_EQ(At<WORD>(buffer.data(), 4), 1u);
  EXPECT_EQ(TextAt(buffer, At<DWORD>(buffer.data(), 12)), "Test Model");
  EXPECT_EQ(TextAt(buffer, At<DWORD>(buffer.data(), 8)), "Test Model");
  EXPECT_EQ(At<DWORD>(buffer.data(), 12), 36u);  // texts follow in field order: 12 first
  EXPECT_TRUE(terminate_(o));
}

TEST_F(HostInterface, APaperStandingForItsTrayIsReportedWithTheQueriedKey) {
  DCLInterface table;
  CDCLBase* o = Create(table);
  ASSERT_NE(o, nullptr);
  DWORD needed = 0, count = 0;
  table.GetPaperList(o, 2, nullptr, 0, &needed, &count);
  ASSERT_EQ(count, 2u);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(table.GetPaperList(o, 2, buffer.data(), needed, &needed, &count));
  EXPECT_EQ(At<WORD>(buffer.data(), 4), 3u);
  EXPECT_EQ(At<WORD>(buffer.data(), 60 + 4), 2u);  // 0xFFFF became the tray queried
  EXPECT_EQ(TextAt(buffer, At<DWORD>(buffer.data(), 8)), "4 x 6");
  EXPECT_EQ(TextAt(buffer, At<DWORD>(buffer.data(), 60 + 8)), "Tray-sized label");  // string 10002
  EXPECT_TRUE(terminate_(o));
}

TEST_F(HostInterface, DocPropsCarryModelDefaultsAndEveryDefaultValue) {
  DCLInterface table;
  CDCLBase* o = Create(table);
  ASSERT_NE(o, nullptr);
  DWORD needed = 0;
  EXPECT_FALSE(table.GetDocProps(o, 1, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_EQ(needed, 32u + 12 + 32);  // options 0x1004 and 0x2001 are document options
  std::vector<BYTE> doc(needed, 0xEE);
  control_->calls.clear();
  ASSERT_TRUE(table.GetDocProps(o, 1, doc.data(), needed, &needed));
  const BYTE* d = doc.data();
  EXPECT_EQ(At<DWORD>(d, 0), 32u);
  EXPECT_EQ(At<DWORD>(d, 4), 0x01040103u);
  EXPECT_EQ(At<DWORD>(d, 8), 44u);
  EXPECT_EQ(At<WORD>(d, 12), 1u);  // model
  EXPECT_EQ(At<WORD>(d, 14), 2u);  // the flagged tray
  EXPECT_EQ(At<WORD>(d, 16), 3u);  // the flagged paper of tray 2
  EXPECT_EQ(At<WORD>(d, 18), 1u);  // ribbon
  EXPECT_EQ(At<WORD>(d, 20), 1u);  // placement of paper 3
  EXPECT_EQ(At<WORD>(d, 22), 5u);  // flagged ribbon option of category 0x100
  EXPECT_EQ(At<WORD>(d, 24), 6u);  // the option whose sub-ribbons complete option 5's
  EXPECT_EQ(At<DWORD>(d, 32), 12u);
  EXPECT_EQ(At<WORD>(d, 36), 0x1004u);
  EXPECT_EQ(At<DWORD>(d, 40), 1u);
  for (int i = 44; i < 76; ++i) EXPECT_EQ(d[i], 0) << i;  // 0x2001 has no default
  EXPECT_EQ(control_->calls, (std::vector<std::string>{"Notify(0x1004,1)", "Notify(0x2001,1)"}));

  DWORD devNeeded = 0;
  table.GetDevProps(o, 1, nullptr, 0, &devNeeded);
  ASSERT_EQ(devNeeded, 20u + 12);
  std::vector<BYTE> dev(devNeeded);
  ASSERT_TRUE(table.GetDevProps(o, 1, dev.data(), devNeeded, nullptr));
  EXPECT_EQ(At<WORD>(dev.data(), 24), 0x3008u);
  EXPECT_TRUE(terminate_(o));
}

TEST_F(HostInterface, SetDocPropsNeedsTheExactSizeAndChangesNothingOtherwise) {
  DCLInterface table;
  CDCLBase* o = Create(table);
  ASSERT_NE(o, nullptr);
  DWORD needed = 0;
  table.GetDocProps(o, 1, nullptr, 0, &needed);
  std::vector<BYTE> doc(needed + 1, 0);
  ASSERT_TRUE(table.GetDocProps(o, 1, doc.data(), needed, nullptr));
  std::vector<BYTE> before = doc;
  control_->calls.clear();
  SetLastError(0);
  EXPECT_FALSE(table.SetDocProps(o, 1, doc.data(), needed + 1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(doc, before);
  EXPECT_TRUE(control_->calls.empty());
  EXPECT_EQ(table.OptionCommand(o, doc.data(), nullptr, 0x1004, 17, 0, 0),
            1);  // found in the blob given

  control_->calls.clear();
  ASSERT_TRUE(table.SetDocProps(o, 1, doc.data(), needed));
  // 0x2001 had no default: its zero value is not found in the blob.
  EXPECT_EQ(control_->calls, (std::vector<std::string>{"Notify(0x1004,2)"}));
  EXPECT_TRUE(terminate_(o));
}

TEST_F(HostInterface, OptionCommandsFindValuesByScope) {
  DCLInterface table;
  CDCLBase* o = Create(table);
  ASSERT_NE(o, nullptr);
  std::vector<BYTE> doc(76), dev(32);
  ASSERT_TRUE(table.GetDocProps(o, 1, doc.data(), 76, nullptr));
  ASSERT_TRUE(table.GetDevProps(o, 1, dev.data(), 32, nullptr));
  EXPECT_EQ(table.OptionCommand(o, doc.data(), dev.data(), 0x3008, 17, 0, 0), 4);
  EXPECT_EQ(table.OptionCommand(o, doc.data(), dev.data(), 0x3008, 56, 0, 0),
            reinterpret_cast<LONG_PTR>(dev.data() + 20));
  EXPECT_EQ(table.OptionCommand(o, doc.data(), dev.data(), 0x1004, 56, 0, 0),
            reinterpret_cast<LONG_PTR>(doc.data() + 32));
  SetLastError(0);
  EXPECT_EQ(table.OptionCommand(o, doc.data(), dev.data(), 0x7777, 17, 0, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(table.OptionCommand(o, nullptr, dev.data(), 0x3008, 17, 0, 0), 0);
  // A broken size inside a blob ends the search instead of walking off its end.
  std::memcpy(doc.data() + 32, "\xFF\xFF\xFF\x7F", 4);
  EXPECT_EQ(table.OptionCommand(o, doc.data(), dev.data(), 0x1004, 56, 0, 0), 0);
  EXPECT_TRUE(terminate_(o));
}

TEST_F(HostInterface, HelpGoesThroughWinHelpOnlyForAControl) {
  DCLInterface table;
  CDCLBase* o = Create(table);
  ASSERT_NE(o, nullptr);
  std::vector<trv::HelpRequest> requests;
  int cookie = trv::AddHelpListener([&](const trv::HelpRequest& r) { requests.push_back(r); });
  callHelp_(nullptr, 1200, o);
  EXPECT_TRUE(requests.empty());
  HWND dialog =
      CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  HWND control =
      CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 0, 0, dialog,
                      reinterpret_cast<HMENU>(static_cast<LONG_PTR>(1040)), nullptr, nullptr);
  callHelp_(control, 1200, o);
  trv::RemoveHelpListener(cookie);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].command, static_cast<UINT>(HELP_WM_HELP));
  EXPECT_NE(requests[0].file.find("TRVTEST.hlp"), std::string::npos) << requests[0].file;
  EXPECT_EQ(requests[0].idPairs, (std::vector<DWORD>{1040, 1200, 0, 0}));
  DestroyWindow(dialog);
  EXPECT_TRUE(terminate_(o));
}

}  // namespace
}  // namespace trv::dcl::testing
