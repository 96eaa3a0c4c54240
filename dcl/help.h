// The three kinds of help request of the library's pages, dialogs and controls, all
// answered by WinHelp from the help file of the help location. WinHelp's own failures
// are not reported.
#pragma once

#include "platform/windef.h"

namespace trv::dcl {

// Topic number that stands for "no help".
inline constexpr int kNoHelpTopic = 0xFFFF;

// Context help for one control of a dialog: the topic goes through the translation
// file first, and a translated topic of 0 means no help. Nothing for a null control
// or kNoHelpTopic.
void ShowControlHelp(HWND parent, int dialogId, HWND control, int topicId);
// Opens a topic of the help file. Nothing for a null window or kNoHelpTopic.
void ShowHelpTopic(HWND window, int topicId);
// Opens the help file at a keyword. Nothing for a null window or keyword.
void ShowHelpKeyword(HWND window, const char* keyword);

}  // namespace trv::dcl
