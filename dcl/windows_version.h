// Which Windows the suite runs on, from the platform's own version calls: the
// libraries branch on it where Windows 95/98/Me and the NT family differ.
#pragma once

#include "platform/kernel.h"

namespace trv::dcl {

// Windows NT 4.0, 2000 and later; false on Windows 95, 98 and Me, where GetVersion
// sets its top bit.
inline bool IsWindowsNT() { return (GetVersion() & 0x80000000u) == 0; }

// The major version in GetVersion's low byte: 4 for NT 4.0 (and 95/98/Me), 5 and
// up for Windows 2000 and later.
inline DWORD WindowsMajorVersion() { return GetVersion() & 0xFFu; }

}  // namespace trv::dcl
