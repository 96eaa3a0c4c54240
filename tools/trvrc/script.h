// The resource script of a module (a subset of the platform's .rc language) and
// the resources it describes:
//
//   LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US        language of what follows
//   STRINGTABLE BEGIN  id, "text"  ...  END          numbered texts
//   VS_VERSION_INFO VERSIONINFO                      the version block:
//     FILEVERSION 3,0,0,1  PRODUCTVERSION ...  FILEFLAGSMASK, FILEFLAGS, FILEOS,
//     FILETYPE, FILESUBTYPE
//   BEGIN
//     BLOCK "StringFileInfo" BEGIN BLOCK "040904B0" BEGIN VALUE "Key", "Text" END END
//     BLOCK "VarFileInfo" BEGIN VALUE "Translation", 0x409, 1200 END
//   END
//   CONFIG TRVDATA BEGIN "text", 12, 0x12345678L END  data given inline, under a
//                                                    name or number, of a named or
//                                                    numbered type (or RCDATA)
//
// BEGIN/END or braces; numbers decimal or hexadecimal, joined with | + - ~ and
// parentheses; names from #define; // and /* */ comments.
#pragma once

#include <string>
#include <vector>

#include "platform/resources.h"
#include "tools/trvrc/lexer.h"

namespace trvrc {

// The script's resources; throws ScriptError for a script it cannot take.
std::vector<trv::Resource> ParseScript(const std::string& script);

}  // namespace trvrc
