// The user commands of a job: texts the user set to be sent at job start (option
// 0x3041), job end (0x3042), page start (0x3044) and page end (0x3045). A command is
// sent unchanged, with nothing added, when it is enabled and not empty.
#pragma once

#include <functional>
#include <string_view>

#include "platform/windef.h"

namespace trv::dcl {

inline constexpr WORD kUserCommandJobStart = 0x3041;
inline constexpr WORD kUserCommandJobEnd = 0x3042;
inline constexpr WORD kUserCommandPageStart = 0x3044;
inline constexpr WORD kUserCommandPageEnd = 0x3045;

// The text of a user-command value (size, id, enabled word at 8, text from 12), or
// an empty text when the value is absent, disabled or empty. The text ends at its
// terminator or at the end of the value, whichever comes first.
std::string_view UserCommandText(const BYTE* value);

// Writes the command of `value`; succeeds without writing when there is none.
BOOL SendUserCommand(const BYTE* value, const std::function<BOOL(const void*, DWORD)>& write);

}  // namespace trv::dcl
