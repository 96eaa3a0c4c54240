// The language compiler: a plain-text source, one text per line, becomes a
// language file.
//
// Source lines:   NUMBER<TAB>TEXT   or   NUMBER<spaces>TEXT
// The number is decimal. One tab, or a run of spaces, separates it from the text,
// so a text that starts with a blank is written after a tab. The text runs to the
// end of the line and is stored as written: trailing blanks count, and a
// backslash-n pair stays two characters (the loader turns it into a line break).
// Blank lines and lines whose first non-blank character is "#" are ignored.
// Sources are UTF-8; every text must have a Windows-1252 form of at most 255 bytes,
// and every number may occur once.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "language/lng_format.h"

namespace trv::lngc {

struct Diagnostic {
  int line;  // 1-based
  std::string message;
};

struct Compiled {
  lng::File file;
  std::vector<Diagnostic> errors;  // the file is only usable when this is empty
};

Compiled Compile(std::string_view source, DWORD kind);

// A readable listing of a language file, itself a valid source (texts in UTF-8,
// a comment line with the kind and the count first); false when the bytes are not
// a complete language file.
bool List(std::span<const BYTE> bytes, std::string& listing);

}  // namespace trv::lngc
