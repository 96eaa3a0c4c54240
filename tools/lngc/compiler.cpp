#include "tools/lngc/compiler.h"

#include <cstdio>
#include <map>
#include <optional>

#include "tools/lngc/ansi_text.h"

namespace trv::lngc {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct SourceLine {
  DWORD number;
  std::string_view text;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view SkipBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

// Splits an entry line into number and text; nothing, with `error`, when the line
// does not have that shape.
std::optional<SourceLine> SplitEntry(std::string_view line, std::string& error) {
  std::size_t digits = 0;
  unsigned long long number = 0;
  while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') {
    number = number * 10 + static_cast<unsigned>(line[digits] - '0');
    if (number > 0xFFFFFFFFull) {
      error = "text number out of range (at most 4294967295)";
      return std::nullopt;
    }
    ++digits;
  }
  if (digits == 0) {
    error = "a line must start with a text number";
    return std::nullopt;
  }
  std::string_view rest = line.substr(digits);
  if (rest.empty() || !IsBlank(rest.front())) {
    error = "expected a tab or spaces and the text after the number";
    return std::nullopt;
  }
  if (rest.front() == '\t') {
    rest.remove_prefix(1);
  } else {
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  }
  return SourceLine{static_cast<DWORD>(number), rest};
}

std::string TooLong(std::size_t bytes) {
  char message[96];
  std::snprintf(message, sizeof message, "text is %zu bytes long in Windows-1252; at most %zu fit",
                bytes, lng::kMaxTextBytes);
  return message;
}

std::string Duplicate(DWORD number, int firstLine) {
  char message[96];
  std::snprintf(message, sizeof message, "text number %lu already given on line %d",
                static_cast<unsigned long>(number), firstLine);
  return message;
}

class Compiler {
 public:
  explicit Compiler(DWORD kind) { result_.file.kind = kind; }

  void Line(int lineNumber, std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view content = SkipBlanks(line);
    if (content.empty() || content.front() == '#') return;
    std::string error;
    std::optional<SourceLine> entry = SplitEntry(content, error);
    if (!entry) return Fail(lineNumber, error);
    std::optional<std::string> ansi = Utf8ToAnsi(entry->text, error);
    if (!ansi) return Fail(lineNumber, error);
    if (ansi->size() > lng::kMaxTextBytes) return Fail(lineNumber, TooLong(ansi->size()));
    auto [seen, fresh] = firstLines_.emplace(entry->number, lineNumber);
    if (!fresh) return Fail(lineNumber, Duplicate(entry->number, seen->second));
    result_.file.entries.push_back(lng::Entry{entry->number, std::move(*ansi)});
  }

  Compiled Finish() { return std::move(result_); }

 private:
  void Fail(int lineNumber, std::string message) {
    result_.errors.push_back(Diagnostic{lineNumber, std::move(message)});
  }

  Compiled result_;
  std::map<DWORD, int> firstLines_;
};

}  // namespace

Compiled Compile(std::string_view source, DWORD kind) {
  if (source.starts_with(kUtf8Bom)) source.remove_prefix(kUtf8Bom.size());
  Compiler compiler(kind);
  int lineNumber = 0;
  while (!source.empty()) {
    const std::size_t end = source.find('\n');
    compiler.Line(++lineNumber, source.substr(0, end));
    if (end == std::string_view::npos) break;
    source.remove_prefix(end + 1);
  }
  return compiler.Finish();
}

bool List(std::span<const BYTE> bytes, std::string& listing) {
  const std::optional<lng::File> file = lng::Decode(bytes);
  if (!file) return false;
  char header[80];
  std::snprintf(header, sizeof header, "# kind %lu, %zu entries\n",
                static_cast<unsigned long>(file->kind), file->entries.size());
  listing = header;
  for (const lng::Entry& entry : file->entries) {
    listing += std::to_string(entry.number);
    listing += '\t';
    listing += AnsiToUtf8(entry.text);
    listing += '\n';
  }
  return true;
}

}  // namespace trv::lngc
