// The texts and the version number that the library reports about itself, read from
// a version-information block (as GetFileVersionInfoA fills it). Every function takes
// the block, so any block can be asked; a null block has no texts.
#pragma once

#include <string>

#include "platform/windef.h"

namespace trv::dcl {

// The value of one "\StringFileInfo" key, or "" when the block, its translation table
// or the value is missing. The string table is the one of the block's only
// translation; a block with another number of translations is asked in the user's
// default language with code page 04B0.
std::string LookupVersionText(LPCVOID block, const char* key);

// "ProductName", "Comments" and the help file name, each in the library-wide text
// buffer (260 bytes, always terminated) that the next of these calls overwrites.
LPCSTR GetProductName(LPCVOID block);
LPCSTR GetComments(LPCVOID block);
// "OriginalFilename" with its extension replaced by ".HLP"; "" when there is none.
LPCSTR GetHelpFileName(LPCVOID block);
// "FileVersion" packed one byte per number, the first number in the lowest byte.
DWORD GetVersionNumber(LPCVOID block);

// The packing of GetVersionNumber for a version text: up to four runs of digits
// separated by "." or "," with any spaces around the separator; missing numbers are 0,
// and each number keeps its low eight bits.
DWORD PackVersionNumber(const char* text);
// A file name with its extension (if any) replaced by ".HLP".
std::string HelpFileNameFor(const std::string& fileName);

}  // namespace trv::dcl
