// .reg files: the text form in which regedit exports and imports keys. Written as
// "Windows Registry Editor Version 5.00" in the ANSI code page (not UTF-16) with CR LF
// line ends; read in that form, as REGEDIT4, or as UTF-16/UTF-8 text with a BOM.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/trvreg/registry.h"

namespace trvreg {

// The file text for `key` and everything below it. A registry error code on
// failure, with `problem` saying what could not be written.
LONG ExportKey(const KeyPath& key, std::string& text, std::string& problem);

struct RegOperation {
  enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
  KeyPath key;
  std::u16string name;  // value name, empty for the default value
  DWORD type = REG_NONE;
  std::string data;  // exact bytes
};

// The operations a file asks for, in file order; false with `problem` (naming the
// line) when the file is not a .reg file or has a line it cannot read.
bool ParseRegFile(std::string_view bytes, std::vector<RegOperation>& operations,
                  std::string& problem);

// Applies the operations in one transaction: all of them or, on failure, none.
LONG ApplyRegFile(const std::vector<RegOperation>& operations, std::string& problem);

}  // namespace trvreg
