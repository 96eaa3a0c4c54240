#include "language/language_list.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "language/file_bytes.h"

namespace trv {
namespace {

// The list is read as a text file, a line at a time into a buffer of 520
// characters: a longer line arrives in pieces, each taken as a line of its own.
constexpr std::size_t kLineLimit = 519;

// Text-mode reading: CR LF becomes LF, and a Ctrl-Z ends the file.
std::string TextModeContents(const std::vector<BYTE>& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = static_cast<char>(bytes[i]);
    if (c == '\x1a') break;
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.push_back(c);
  }
  return text;
}

// Splits the text as successive reads of at most kLineLimit characters that stop
// after a line feed do; the line feed stays with its line.
std::vector<std::string> ReadPieces(const std::string& text) {
  std::vector<std::string> pieces;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t feed = text.find('\n', pos);
    const std::size_t end = std::min(
        {feed == std::string::npos ? text.size() : feed + 1, pos + kLineLimit, text.size()});
    pieces.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  return pieces;
}

// The first `wanted` fields of a token scan at commas: runs of commas are one
// separator and leading commas are skipped, so no field is ever empty.
std::vector<std::string> CommaFields(const std::string& line, std::size_t wanted) {
  std::vector<std::string> fields;
  std::size_t pos = 0;
  while (fields.size() < wanted) {
    const std::size_t start = line.find_first_not_of(',', pos);
    if (start == std::string::npos) break;
    const std::size_t end = std::min(line.find(',', start), line.size());
    fields.push_back(line.substr(start, end - start));
    pos = end;
  }
  return fields;
}

// A decimal number as the C library's atoi reads it; out-of-range values are held
// at the nearest int rather than left undefined.
int DecimalNumber(const std::string& field) {
  const long value = std::strtol(field.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

// A field without its first and last character (its quotation marks).
std::string Unquoted(const std::string& field) { return field.substr(1, field.size() - 2); }

std::string JoinCodeAndName(const std::string& code, const std::string& name) {
  const char* format = "%s - %s";
  const int length = std::snprintf(nullptr, 0, format, code.c_str(), name.c_str());
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, format, code.c_str(), name.c_str());
  return text;
}

}  // namespace

std::optional<LanguageListEntry> ParseLanguageLine(const std::string& line) {
  const std::vector<std::string> fields = CommaFields(line, 3);
  if (fields.size() < 3 || fields[1].size() <= 2) return std::nullopt;
  const std::string code = Unquoted(fields[1]).substr(0, 3);
  // The line break read with the line stays on the last field read: a name field
  // that ends the line keeps its closing quotation mark, one followed by a comma
  // does not. Existing lists are written with that final comma.
  const std::string name = fields[2].size() > 3 ? Unquoted(fields[2]) : std::string();
  return LanguageListEntry{JoinCodeAndName(code, name), DecimalNumber(fields[0])};
}

BOOL ReadLanguageList(const std::string& setupDirectory, std::vector<LanguageListEntry>& list) {
  list.clear();
  std::vector<BYTE> bytes;
  if (!lng::ReadFileBytes((setupDirectory + "lang.csv").c_str(), bytes)) return FALSE;
  for (const std::string& line : ReadPieces(TextModeContents(bytes))) {
    if (std::optional<LanguageListEntry> entry = ParseLanguageLine(line)) {
      list.push_back(std::move(*entry));
    }
  }
  return TRUE;
}

}  // namespace trv
