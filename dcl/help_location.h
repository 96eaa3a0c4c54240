// Where the library's help lives, one per process: the module, its resource instance
// and the help file's path (a directory followed by the help file name).
#pragma once

#include <string>

#include "platform/windef.h"

namespace trv::dcl {

// The path holds at most this many characters; a longer directory and name are cut.
inline constexpr size_t kMaxHelpPath = MAX_PATH - 1;

// Stores the location. The directory is taken as it is (it ends with its separator),
// followed by the file name; either may be null.
void SetHelpLocation(HMODULE module, HINSTANCE instance, const char* directory,
                     const char* helpFileName);

HMODULE HelpModule();
HINSTANCE HelpInstance();
// The whole path as stored.
std::string HelpPath();
// Drive and directory of the path, with the trailing separator.
std::string HelpDirectory();
// The help file's name without directory and extension.
std::string HelpBaseName();
// The help directory + baseName + "." + extension.
std::string HelpFileOf(const std::string& baseName, const char* extension);
// The same for the location's own base name.
std::string HelpFileOf(const char* extension);

}  // namespace trv::dcl
