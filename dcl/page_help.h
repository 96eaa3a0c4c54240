// Help for the property pages of the user-interface host: its pages use the help ids
// 1 to 6, which open the help file at a keyword.
#pragma once

#include "platform/windef.h"

namespace trv::dcl {

// The keyword of a page's help id, or null for an id without one.
const char* PageHelpKeyword(int helpId);
// Opens the help at the page's keyword for the control window; other ids do nothing.
void ShowPageHelp(HWND control, int helpId);

}  // namespace trv::dcl
