#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/stand_in.h"

namespace {

TEST(Debug, OutputReachesListenersUntilRemoved) {
  std::vector<std::string> seen;
  int cookie = trv::AddDebugListener([&](const std::string& t) { seen.push_back(t); });
  OutputDebugStringA("first\n");
  OutputDebugStringW(u"second");
  trv::RemoveDebugListener(cookie);
  OutputDebugStringA("third");
  EXPECT_EQ(seen, (std::vector<std::string>{"first\n", "second"}));
}

TEST(Atoms, NamesAreSharedCaseInsensitiveAndCounted) {
  ATOM a = GlobalAddAtomA("Trace text");
  ASSERT_GE(a, 0xC000);
  EXPECT_EQ(GlobalAddAtomA("TRACE TEXT"), a);
  EXPECT_EQ(GlobalFindAtomA("trace text"), a);
  char buffer[64];
  EXPECT_EQ(GlobalGetAtomNameA(a, buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "Trace text");
  EXPECT_EQ(GlobalGetAtomNameA(a, buffer, 6), 5u);  // cut and terminated
  EXPECT_STREQ(buffer, "Trace");
  EXPECT_EQ(GlobalDeleteAtom(a), 0);
  EXPECT_EQ(GlobalFindAtomA("Trace text"), a);  // one reference left
  EXPECT_EQ(GlobalDeleteAtom(a), 0);
  EXPECT_EQ(GlobalFindAtomA("Trace text"), 0);
  EXPECT_EQ(GlobalAddAtomA("#42"), 42);
}

TEST(Atoms, TextsLongerThan255CharactersAreRefused) {
  SetLastError(0);
  EXPECT_NE(GlobalAddAtomA(std::string(255, 'x').c_str()), 0);
  EXPECT_EQ(GlobalAddAtomA(std::string(256, 'x').c_str()), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GlobalAddAtomA(""), 0);
}

TEST(Messages, RegisteredMessagesAreStablePerName) {
  UINT a = RegisterWindowMessageA("TVTRACE");
  EXPECT_GE(a, 0xC000u);
  EXPECT_EQ(RegisterWindowMessageA("tvtrace"), a);
  EXPECT_NE(RegisterWindowMessageA("OTHER"), a);
  EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

TEST(Messages, BroadcastReachesListenersAndTopLevelWindows) {
  HWND top = CreateWindowExA(0, "Viewer", "viewer", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                             nullptr);
  std::vector<trv::PostedMessage> heard;
  int cookie = trv::AddBroadcastListener([&](const trv::PostedMessage& m) { heard.push_back(m); });
  ASSERT_TRUE(PostMessageA(HWND_BROADCAST, 0xC123, 0, 77));
  trv::RemoveBroadcastListener(cookie);
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0].message, 0xC123u);
  EXPECT_EQ(heard[0].lParam, 77);
  auto queued = trv::TakePostedMessages(top);
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].lParam, 77);
  EXPECT_TRUE(trv::TakePostedMessages(top).empty());
  DestroyWindow(top);
  SetLastError(0);
  EXPECT_FALSE(PostMessageA(top, 1, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(Windows, ChildrenKeepCreationOrderIdsAndTexts) {
  HWND dialog = CreateWindowExA(0, "#32770", "Dialog", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                nullptr, nullptr);
  auto control = [&](int id, const char* text) {
    return CreateWindowExA(0, "STATIC", text, WS_CHILD, 0, 0, 0, 0, dialog,
                           reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr, nullptr);
  };
  HWND a = control(1040, "a");
  HWND b = control(1039, "b");
  HWND c = control(1041, "c");
  EXPECT_EQ(GetWindow(dialog, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), c);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetDlgCtrlID(b), 1039);
  EXPECT_EQ(GetDlgItem(dialog, 1041), c);
  EXPECT_EQ(GetParent(c), dialog);
  ASSERT_TRUE(SetDlgItemTextA(dialog, 1040, "Paper"));
  char text[4];
  EXPECT_EQ(GetWindowTextA(a, text, sizeof text), 3);
  EXPECT_STREQ(text, "Pap");
  EXPECT_EQ(GetWindowTextLengthA(a), 5);
  EXPECT_TRUE(DestroyWindow(dialog));
  EXPECT_FALSE(IsWindow(a));
  EXPECT_EQ(
      CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
      nullptr);
}

TEST(WinHelp, EveryRequestIsRecordedWithItsData) {
  std::vector<trv::HelpRequest> requests;
  int cookie = trv::AddHelpListener([&](const trv::HelpRequest& r) { requests.push_back(r); });
  DWORD ids[] = {1040, 1200, 0, 0};
  WinHelpA(nullptr, "C:\\help\\TRVCPL.hlp", HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(ids));
  WinHelpA(nullptr, "TRVCPL.hlp", HELP_KEY, reinterpret_cast<ULONG_PTR>("Options"));
  WinHelpA(nullptr, "TRVCPL.hlp", HELP_CONTEXT, 1300);
  trv::RemoveHelpListener(cookie);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].file, "C:\\help\\TRVCPL.hlp");
  EXPECT_EQ(requests[0].idPairs, (std::vector<DWORD>{1040, 1200, 0, 0}));
  EXPECT_EQ(requests[1].keyword, "Options");
  EXPECT_EQ(requests[2].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(requests[2].data, 1300u);
}

}  // namespace

namespace {

TEST(MessageBox, TheScriptedUserAnswersAndTheAbsentUserTakesTheWayOut) {
  std::vector<trv::MessageBoxRequest> asked;
  trv::SetMessageBoxAnswerer([&](const trv::MessageBoxRequest& r) {
    asked.push_back(r);
    return IDRETRY;
  });
  EXPECT_EQ(MessageBoxA(nullptr, "Printer not Ready", "Label printer",
                        MB_ABORTRETRYIGNORE | MB_ICONSTOP | MB_DEFBUTTON2),
            IDRETRY);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, "Printer not Ready");
  EXPECT_EQ(asked[0].caption, "Label printer");
  trv::SetMessageBoxAnswerer(nullptr);
  struct Case {
    UINT type;
    int answer;
  } cases[] = {{MB_OK, IDOK},    {MB_OKCANCEL, IDCANCEL},    {MB_ABORTRETRYIGNORE, IDABORT},
               {MB_YESNO, IDNO}, {MB_YESNOCANCEL, IDCANCEL}, {MB_RETRYCANCEL, IDCANCEL}};
  for (const Case& c : cases) EXPECT_EQ(MessageBoxA(nullptr, "x", "y", c.type), c.answer);
}

TEST(FormatMessage, SystemTextsOfErrorCodes) {
  char text[256];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           ERROR_FILE_NOT_FOUND, 0, text, sizeof text, nullptr);
  EXPECT_STREQ(text, "The system cannot find the file specified.\r\n");
  EXPECT_EQ(n, std::strlen(text));
  EXPECT_EQ(
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x7FFF, 0, text, sizeof text, nullptr),
      0u);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, text, 10,
                           nullptr),
            0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(Keyboard, HeldKeysAndTheirSideNeutralNames) {
  EXPECT_EQ(GetAsyncKeyState(VK_LCONTROL), 0);
  trv::SetKeyDown(VK_LCONTROL, true);
  EXPECT_NE(GetAsyncKeyState(VK_LCONTROL) & 0x8000, 0);
  EXPECT_NE(GetKeyState(VK_CONTROL) & 0x8000, 0);
  EXPECT_EQ(GetAsyncKeyState(VK_RCONTROL), 0);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
  trv::SetKeyDown(VK_LCONTROL, false);
  EXPECT_EQ(GetKeyState(VK_CONTROL), 0);
  EXPECT_EQ(GetAsyncKeyState(1000), 0);
}

}  // namespace
