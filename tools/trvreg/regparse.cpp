#include <optional>

#include "tools/trvreg/regfile.h"
#include "tools/trvreg/text.h"

namespace trvreg {
namespace {

constexpr std::u16string_view kVersion5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kVersion4 = u"REGEDIT4";

std::u16string Decode(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE)
    return FromWideBytes(bytes.substr(2));
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return FromUtf8(bytes.substr(3));
  return FromAnsi(bytes);
}

std::vector<std::u16string> Lines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u'\n', start);
    std::u16string line =
        text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == std::u16string::npos) break;
    start = end + 1;
  }
  return lines;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// A quoted text at the start of `s` (regedit escapes only "\" and the quote);
// `s` moves past it.
std::optional<std::u16string> QuotedText(std::u16string_view& s) {
  if (s.empty() || s.front() != u'"') return std::nullopt;
  std::u16string out;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] == u'\\' && i + 1 < s.size()) {
      out.push_back(s[++i]);
    } else if (s[i] == u'"') {
      s.remove_prefix(i + 1);
      return out;
    } else {
      out.push_back(s[i]);
    }
  }
  return std::nullopt;
}

std::optional<std::string> HexBytes(std::u16string_view s) {
  std::string out;
  s = Trim(s);
  if (s.empty()) return out;
  while (true) {
    std::u16string_view item = s.substr(0, s.find(u','));
    item = Trim(item);
    if (item.empty() || item.size() > 2) return std::nullopt;
    int value = 0;
    for (char16_t c : item) {
      int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      value = value * 16 + d;
    }
    out.push_back(static_cast<char>(value));
    size_t comma = s.find(u',');
    if (comma == std::u16string_view::npos) return out;
    s.remove_prefix(comma + 1);
    if (Trim(s).empty()) return out;  // a trailing comma before the line end
  }
}

bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The data after "=": a quoted text, dword:, hex: or hex(N):, or "-" (delete).
bool ParseValueData(std::u16string_view s, bool ansiStrings, RegOperation& op) {
  s = Trim(s);
  if (s == u"-") {
    op.kind = RegOperation::DeleteValue;
    return true;
  }
  op.kind = RegOperation::SetValue;
  if (!s.empty() && s.front() == u'"') {
    auto text = QuotedText(s);
    if (!text || !Trim(s).empty()) return false;
    op.type = REG_SZ;
    op.data = WideBytes(*text + u'\0');
    return true;
  }
  if (StartsWithNoCase(s, u"dword:")) {
    std::u16string_view digits = Trim(s.substr(6));
    if (digits.empty() || digits.size() > 8) return false;
    unsigned long v = 0;
    for (char16_t c : digits) {
      int d = HexDigit(c);
      if (d < 0) return false;
      v = v * 16 + static_cast<unsigned long>(d);
    }
    op.type = REG_DWORD;
    op.data.clear();
    for (int i = 0; i < 4; ++i) op.data.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return true;
  }
  if (!StartsWithNoCase(s, u"hex")) return false;
  s.remove_prefix(3);
  op.type = REG_BINARY;
  if (!s.empty() && s.front() == u'(') {
    size_t close = s.find(u')');
    if (close == std::u16string_view::npos || close == 1 || close > 9) return false;
    DWORD type = 0;
    for (char16_t c : s.substr(1, close - 1)) {
      int d = HexDigit(c);
      if (d < 0) return false;
      type = type * 16 + static_cast<DWORD>(d);
    }
    op.type = type;
    s.remove_prefix(close + 1);
  }
  if (s.empty() || s.front() != u':') return false;
  auto bytes = HexBytes(s.substr(1));
  if (!bytes) return false;
  // REGEDIT4 files carry string data as ANSI bytes; the registry keeps UTF-16.
  op.data = ansiStrings && IsStringType(op.type) ? WideBytes(FromAnsi(*bytes)) : *bytes;
  return true;
}

std::string LineProblem(size_t number, const std::string& what) {
  return "line " + std::to_string(number) + ": " + what;
}

}  // namespace

bool ParseRegFile(std::string_view bytes, std::vector<RegOperation>& operations,
                  std::string& problem) {
  operations.clear();
  std::vector<std::u16string> lines = Lines(Decode(bytes));
  size_t first = 0;
  while (first < lines.size() && Trim(lines[first]).empty()) ++first;
  if (first == lines.size() ||
      (Trim(lines[first]) != kVersion5 && Trim(lines[first]) != kVersion4)) {
    problem =
        "not a registry file: it must begin with \"Windows Registry Editor Version 5.00\" or "
        "\"REGEDIT4\"";
    return false;
  }
  const bool ansiStrings = Trim(lines[first]) == kVersion4;
  bool haveKey = false;
  KeyPath currentKey;
  for (size_t i = first + 1; i < lines.size(); ++i) {
    const size_t number = i + 1;
    std::u16string line(Trim(lines[i]));
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      size_t close = line.rfind(u']');
      if (close == std::u16string::npos) {
        problem = LineProblem(number, "a key line must end with \"]\"");
        return false;
      }
      std::u16string_view inside = std::u16string_view(line).substr(1, close - 1);
      bool remove = !inside.empty() && inside.front() == u'-';
      if (remove) inside.remove_prefix(1);
      // The registry takes names as zero-terminated texts: a name with a NUL would
      // reach it cut short and name another key (an ancestor, for a deletion).
      if (inside.find(u'\0') != std::u16string_view::npos) {
        problem = LineProblem(number, "a key name cannot hold a NUL character");
        return false;
      }
      std::optional<KeyPath> key = ParseKeyPath(inside);
      if (!key) {
        problem = LineProblem(number, "unknown root key in " + ToUtf8(inside));
        return false;
      }
      operations.push_back(RegOperation{
          remove ? RegOperation::DeleteKey : RegOperation::CreateKey, *key, {}, 0, {}});
      haveKey = true;
      currentKey = *key;
      continue;
    }
    // A hexadecimal list may go on over lines that end with "\".
    while (line.back() == u'\\' && line.find(u"=hex") != std::u16string::npos &&
           i + 1 < lines.size()) {
      line.pop_back();
      line += Trim(lines[++i]);
    }
    RegOperation op{RegOperation::SetValue, currentKey, {}, 0, {}};
    std::u16string_view rest = line;
    if (rest.front() == u'@') {
      rest.remove_prefix(1);
    } else {
      auto name = QuotedText(rest);
      if (!name) {
        problem = LineProblem(number, "expected a key in [ ], a value name in quotes or @");
        return false;
      }
      if (name->find(u'\0') != std::u16string::npos) {
        problem = LineProblem(number, "a value name cannot hold a NUL character");
        return false;
      }
      op.name = *name;
    }
    rest = Trim(rest);
    if (rest.empty() || rest.front() != u'=' || !ParseValueData(rest.substr(1), ansiStrings, op)) {
      problem = LineProblem(number, "cannot read the value's data");
      return false;
    }
    if (!haveKey) {
      problem = LineProblem(number, "a value before any key");
      return false;
    }
    operations.push_back(std::move(op));
  }
  return true;
}

}  // namespace trvreg
