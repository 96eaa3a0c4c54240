// setup's list of the languages it can show, read from "lang.csv" beside it.
// Each line: a decimal language identifier, the quoted language code and the
// quoted language name, separated by commas.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace trv {

struct LanguageListEntry {
  std::string text;  // "%s - %s" of code and name, as the language choice shows it
  int identifier;    // compared with the user's default language identifier
};

// Reads setupDirectory + "lang.csv" (the directory ends with its separator) into
// `list`, one entry per usable line, in file order. FALSE with an empty list when
// the file cannot be read.
BOOL ReadLanguageList(const std::string& setupDirectory, std::vector<LanguageListEntry>& list);

// One line as read, line break included; nothing for a line that is not used.
std::optional<LanguageListEntry> ParseLanguageLine(const std::string& line);

}  // namespace trv
