#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dcl/help.h"
#include "dcl/help_location.h"
#include "dcl/help_translation.h"
#include "dcl/page_help.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl {
namespace {

constexpr std::int32_t kAny = -2;

struct Record {
  std::int32_t dialog;
  std::int32_t topic;
  std::string name;
  std::int32_t newTopic;
};

void PutI32(std::string& bytes, std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The translation file's 32-byte records, as a help author's tool writes them.
std::string HltFile(const std::vector<Record>& records) {
  std::string bytes;
  for (const Record& r : records) {
    bytes += "LABEL123";
    PutI32(bytes, r.dialog);
    PutI32(bytes, r.topic);
    std::string name = r.name.substr(0, 8);
    bytes += name + std::string(8 - name.size(), '\0');
    PutI32(bytes, r.newTopic);
    PutI32(bytes, 0);
  }
  return bytes;
}

class HelpTest : public trv::testing::FreshMachine {
 protected:
  void SetUp() override {
    FreshMachine::SetUp();
    SetHelpLocation(nullptr, nullptr, "C:\\drv\\", "TRVCPL.HLP");
    debugCookie_ =
        trv::AddDebugListener([this](const std::string& text) { traces_.push_back(text); });
    helpCookie_ =
        trv::AddHelpListener([this](const trv::HelpRequest& r) { requests_.push_back(r); });
  }
  void TearDown() override {
    trv::RemoveDebugListener(debugCookie_);
    trv::RemoveHelpListener(helpCookie_);
    for (HWND w : windows_) DestroyWindow(w);
    FreshMachine::TearDown();
  }

  void WriteHlt(const std::vector<Record>& records, const std::string& tail = "") {
    writeFile("C:\\drv\\TRVCPL.hlt", HltFile(records) + tail);
  }

  // A control with the given id in a top-level dialog window.
  HWND Control(int id) {
    HWND dialog = CreateWindowExA(0, "#32770", "dialog", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND control =
        CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 10, 10, dialog,
                        reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(id)), nullptr, nullptr);
    windows_.push_back(dialog);
    return control;
  }

  struct Translated {
    std::string baseName;
    int topic;
  };
  Translated Translate(int dialog, std::string baseName, int topic) {
    TranslateHelpId(dialog, baseName, topic);
    return {baseName, topic};
  }

  std::vector<std::string> traces_;
  std::vector<trv::HelpRequest> requests_;

 private:
  std::vector<HWND> windows_;
  int debugCookie_ = 0;
  int helpCookie_ = 0;
};

TEST_F(HelpTest, LocationSplitsIntoDirectoryBaseNameAndFilesOfAnExtension) {
  struct Case {
    const char* directory;
    const char* name;
    const char* helpDirectory;
    const char* baseName;
    const char* hltFile;
  };
  const Case cases[] = {
      {"C:\\drv\\", "TRVCPL.HLP", "C:\\drv\\", "TRVCPL", "C:\\drv\\TRVCPL.hlt"},
      {"C:\\a.b\\", "help", "C:\\a.b\\", "help", "C:\\a.b\\help.hlt"},
      {"C:\\drv\\", "x.y.HLP", "C:\\drv\\", "x.y", "C:\\drv\\x.y.hlt"},
      {"", "TRVEPL.HLP", "", "TRVEPL", "TRVEPL.hlt"},
      {"C:", "TRVEPL.HLP", "C:", "TRVEPL", "C:TRVEPL.hlt"},
      {"C:\\drv\\", nullptr, "C:\\drv\\", "", "C:\\drv\\.hlt"},
  };
  HMODULE module = reinterpret_cast<HMODULE>(0x1000);
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(0x2000);
  for (const Case& c : cases) {
    SetHelpLocation(module, instance, c.directory, c.name);
    EXPECT_EQ(HelpModule(), module);
    EXPECT_EQ(HelpInstance(), instance);
    EXPECT_EQ(HelpDirectory(), c.helpDirectory) << c.directory;
    EXPECT_EQ(HelpBaseName(), c.baseName) << c.directory;
    EXPECT_EQ(HelpFileOf("hlt"), c.hltFile) << c.directory;
  }
}

TEST_F(HelpTest, LocationKeepsAtMost259Characters) {
  const std::string directory = "C:\\" + std::string(250, 'd') + "\\";
  SetHelpLocation(nullptr, nullptr, directory.c_str(), "TRVCPL.HLP");
  EXPECT_EQ(HelpPath(), (directory + "TRVCPL.HLP").substr(0, 259));

  const std::string longer(300, 'e');
  SetHelpLocation(nullptr, nullptr, longer.c_str(), "TRVCPL.HLP");
  EXPECT_EQ(HelpPath(), longer.substr(0, 259));
}

TEST_F(HelpTest, WithoutATranslationFileTheRequestStaysAndTheTracesSaySo) {
  Translated t = Translate(211, "TRVCPL", 1200);
  EXPECT_EQ(t.baseName, "TRVCPL");
  EXPECT_EQ(t.topic, 1200);
  const std::vector<std::string> expected = {
      "CDCLBase::TranslateHelpID(C:\\drv\\TRVCPL.hlt),Started\n",
      "ID:              TRVCPL,DLG:00000211,CTRL:00001200\n",
      ".HLT FILE NOT OPEN\n",
      "ID Translated\n",
      "OLD:              TRVCPL,00001200\n",
      "NEW:              TRVCPL,00001200\n",
      "TVTranslateID,Finish\n",
  };
  EXPECT_EQ(traces_, expected);
}

TEST_F(HelpTest, TranslationTracesTheOldAndNewRequest) {
  WriteHlt({{kAny, 1200, "", 1300}});
  Translate(-5, "TRVCPL", 1200);
  const std::vector<std::string> expected = {
      "CDCLBase::TranslateHelpID(C:\\drv\\TRVCPL.hlt),Started\n",
      "ID:              TRVCPL,DLG:-00000005,CTRL:00001200\n",
      "ID Translated\n",
      "OLD:              TRVCPL,00001200\n",
      "NEW:              TRVCPL,00001300\n",
      "TVTranslateID,Finish\n",
  };
  EXPECT_EQ(traces_, expected);
}

TEST_F(HelpTest, TheFirstRecordThatAppliesDecides) {
  struct Case {
    const char* what;
    std::vector<Record> records;
    int dialog;
    const char* baseName;
    int topic;
    const char* newBaseName;
    int newTopic;
  };
  const Case cases[] = {
      {"any dialog", {{kAny, 1200, "", 1300}}, 211, "TRVCPL", 1200, "TRVCPL", 1300},
      {"any dialog, other one", {{kAny, 1200, "", 1300}}, 7, "TRVCPL", 1200, "TRVCPL", 1300},
      {"other topic", {{kAny, 1200, "", 1300}}, 211, "TRVCPL", 1201, "TRVCPL", 1201},
      {"this dialog", {{211, 1200, "", 1300}}, 211, "TRVCPL", 1200, "TRVCPL", 1300},
      {"not this dialog", {{211, 1200, "", 1300}}, 212, "TRVCPL", 1200, "TRVCPL", 1200},
      {"any topic", {{211, kAny, "", 5}}, 211, "TRVCPL", 77, "TRVCPL", 5},
      {"first wins over more specific",
       {{kAny, 1200, "", 1300}, {211, 1200, "", 1400}},
       211,
       "TRVCPL",
       1200,
       "TRVCPL",
       1300},
      {"a keeping record still ends the search",
       {{211, 1200, "", kAny}, {kAny, kAny, "", 9}},
       211,
       "TRVCPL",
       1200,
       "TRVCPL",
       1200},
      {"later record when the first does not apply",
       {{212, 1200, "", 1300}, {211, 1200, "", 1400}},
       211,
       "TRVCPL",
       1200,
       "TRVCPL",
       1400},
      {"name compared without case",
       {{kAny, 1200, "TrvCpl", 1300}},
       211,
       "trvcpl",
       1200,
       "TRVCPL",
       1300},
      {"other help file", {{kAny, 1200, "TRVEPL", 1300}}, 211, "TRVCPL", 1200, "TRVCPL", 1200},
      {"eight-character name", {{kAny, kAny, "abcdefgh", 3}}, 1, "ABCDEFGH", 1, "ABCDEFGH", 3},
      {"name longer than the field",
       {{kAny, kAny, "abcdefgh", 3}},
       1,
       "ABCDEFGHI",
       1,
       "ABCDEFGHI",
       1},
      {"no record applies, name kept as given", {{kAny, 99, "", 3}}, 1, "trvcpl", 1, "trvcpl", 1},
  };
  for (const Case& c : cases) {
    WriteHlt(c.records);
    Translated t = Translate(c.dialog, c.baseName, c.topic);
    EXPECT_EQ(t.baseName, c.newBaseName) << c.what;
    EXPECT_EQ(t.topic, c.newTopic) << c.what;
  }
}

TEST_F(HelpTest, APartialRecordAtTheEndIsNotRead) {
  std::string partial = HltFile({{kAny, 1200, "", 1300}}).substr(0, 31);
  WriteHlt({{kAny, 1, "", 2}}, partial);
  EXPECT_EQ(Translate(211, "TRVCPL", 1200).topic, 1200);
  EXPECT_EQ(Translate(211, "TRVCPL", 1).topic, 2);
}

TEST_F(HelpTest, ControlHelpOpensTheTranslatedTopicForTheControl) {
  WriteHlt({{211, 1200, "", 1300}});
  HWND control = Control(1029);
  ShowControlHelp(GetParent(control), 211, control, 1200);
  ShowControlHelp(GetParent(control), 212, control, 1200);

  ASSERT_EQ(requests_.size(), 2u);
  EXPECT_EQ(requests_[0].window, control);
  EXPECT_EQ(requests_[0].file, "C:\\drv\\TRVCPL.hlp");
  EXPECT_EQ(requests_[0].command, static_cast<UINT>(HELP_WM_HELP));
  EXPECT_EQ(requests_[0].idPairs, (std::vector<DWORD>{1029, 1300, 0, 0}));
  EXPECT_EQ(requests_[1].idPairs, (std::vector<DWORD>{1029, 1200, 0, 0}));
}

TEST_F(HelpTest, ControlHelpUsesTheUpperCaseNameFromTheFile) {
  SetHelpLocation(nullptr, nullptr, "C:\\drv\\", "trvcpl.hlp");
  writeFile("C:\\drv\\trvcpl.hlt", HltFile({{kAny, kAny, "TrvCpl", kAny}}));
  HWND control = Control(5);
  ShowControlHelp(nullptr, 1, control, 40);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].file, "C:\\drv\\TRVCPL.hlp");
  EXPECT_EQ(requests_[0].idPairs, (std::vector<DWORD>{5, 40, 0, 0}));
}

TEST_F(HelpTest, NoControlHelpWithoutControlForNoTopicOrATranslatedZero) {
  WriteHlt({{kAny, 1200, "", 0}});
  HWND control = Control(1029);
  ShowControlHelp(nullptr, 211, nullptr, 1201);
  ShowControlHelp(nullptr, 211, control, kNoHelpTopic);
  EXPECT_TRUE(traces_.empty());
  ShowControlHelp(nullptr, 211, control, 1200);
  EXPECT_TRUE(requests_.empty());
  EXPECT_FALSE(traces_.empty());
}

TEST_F(HelpTest, TopicHelpTracesAndOpensTheTopic) {
  HWND control = Control(1);
  ShowHelpTopic(control, 12370);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].window, control);
  EXPECT_EQ(requests_[0].file, "C:\\drv\\TRVCPL.hlp");
  EXPECT_EQ(requests_[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(requests_[0].data, 12370u);
  EXPECT_EQ(traces_, std::vector<std::string>{"C:\\drv\\TRVCPL.hlp,WinHelp HELP_ID 12370,"});
}

TEST_F(HelpTest, KeywordHelpTracesAndOpensTheKeyword) {
  HWND control = Control(1);
  ShowHelpKeyword(control, "Macros");
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].window, control);
  EXPECT_EQ(requests_[0].file, "C:\\drv\\TRVCPL.hlp");
  EXPECT_EQ(requests_[0].command, static_cast<UINT>(HELP_KEY));
  EXPECT_EQ(requests_[0].keyword, "Macros");
  EXPECT_EQ(traces_, std::vector<std::string>{"C:\\drv\\TRVCPL.hlp,WinHelp HELP_KEY Macros,"});
}

TEST_F(HelpTest, NoTopicOrKeywordHelpWithoutWindowOrSubject) {
  HWND control = Control(1);
  ShowHelpTopic(nullptr, 12370);
  ShowHelpTopic(control, kNoHelpTopic);
  ShowHelpKeyword(nullptr, "Options");
  ShowHelpKeyword(control, nullptr);
  EXPECT_TRUE(requests_.empty());
  EXPECT_TRUE(traces_.empty());
}

TEST_F(HelpTest, PageHelpIdsOpenTheirKeywords) {
  const char* const keywords[] = {"Options", "Contrast", "Macros", "Document", "Device", "About"};
  HWND control = Control(1);
  for (int id = 0; id <= 7; ++id) ShowPageHelp(control, id);
  ASSERT_EQ(requests_.size(), 6u);
  for (int id = 1; id <= 6; ++id) {
    EXPECT_EQ(requests_[id - 1].command, static_cast<UINT>(HELP_KEY));
    EXPECT_EQ(requests_[id - 1].keyword, keywords[id - 1]);
    EXPECT_EQ(requests_[id - 1].window, control);
  }
}

}  // namespace
}  // namespace trv::dcl
