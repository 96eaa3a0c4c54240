// Machine root and Windows path mapping, shared inside the platform.
#pragma once

#include <string>

namespace trv::kernel {

// Host path of an ANSI Windows path (names converted from 1252 to the host's
// UTF-8), resolving missing exact names without regard to case.
std::string HostPathOfAnsi(const std::string& windowsPath);
std::string HostPathOfWide(const std::u16string& windowsPath);

// The short (8.3) name that the host folder gives one of its entries (an ANSI
// name); "" when the name is a valid 8.3 name already or is not in the folder.
std::string ShortNameIn(const std::string& hostFolder, const std::string& ansiName);

// Maps a host errno value to the Windows error code a file call would report.
unsigned long ErrorFromErrno(int error);

}  // namespace trv::kernel
