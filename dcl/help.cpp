#include "dcl/help.h"

#include <string>

#include "dcl/help_location.h"
#include "dcl/help_translation.h"
#include "dcl/trace.h"
#include "platform/kernel.h"

namespace trv::dcl {

void ShowControlHelp(HWND /*parent*/, int dialogId, HWND control, int topicId) {
  if (control == nullptr || topicId == kNoHelpTopic) return;
  std::string baseName = HelpBaseName();
  int topic = topicId;
  TranslateHelpId(dialogId, baseName, topic);
  if (topic == 0) return;
  // WinHelp's id array: pairs of control id and topic, ended by a zero pair.
  DWORD ids[4] = {static_cast<DWORD>(GetDlgCtrlID(control)), static_cast<DWORD>(topic), 0, 0};
  WinHelpA(control, HelpFileOf(baseName, "hlp").c_str(), HELP_WM_HELP,
           reinterpret_cast<ULONG_PTR>(ids));
}

void ShowHelpTopic(HWND window, int topicId) {
  if (window == nullptr || topicId == kNoHelpTopic) return;
  std::string file = HelpFileOf("hlp");
  Trace("%s,WinHelp HELP_ID %d,", file.c_str(), topicId);
  WinHelpA(window, file.c_str(), HELP_CONTEXT, static_cast<ULONG_PTR>(topicId));
}

void ShowHelpKeyword(HWND window, const char* keyword) {
  if (window == nullptr || keyword == nullptr) return;
  std::string file = HelpFileOf("hlp");
  Trace("%s,WinHelp HELP_KEY %s,", file.c_str(), keyword);
  WinHelpA(window, file.c_str(), HELP_KEY, reinterpret_cast<ULONG_PTR>(keyword));
}

}  // namespace trv::dcl
