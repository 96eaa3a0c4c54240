// Machine root and Windows path mapping, shared inside the platform.
#pragma once

#include <string>

namespace trv::kernel {

// Host path of an ANSI Windows path (names converted from 1252 to the host's
// UTF-8), resolving missing exact names without regard to case.
std::string HostPathOfAnsi(const std::string& windowsPath);
std::string HostPathOfWide(const std::u16string& windowsPath);

// Maps a host errno value to the Windows error code a file call would report.
unsigned long ErrorFromErrno(int error);

}  // namespace trv::kernel
