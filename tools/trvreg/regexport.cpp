#include <cstdio>

#include "tools/trvreg/regfile.h"
#include "tools/trvreg/text.h"

namespace trvreg {
namespace {

constexpr size_t kLineWidth = 80;  // regedit breaks hexadecimal lists before this

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

// A name or text that a line of the file can carry: ANSI characters, no line breaks.
bool Writable(std::u16string_view text, std::string& ansi) {
  return text.find_first_of(u"\r\n") == std::u16string_view::npos && ToAnsi(text, ansi);
}

// A REG_SZ is written as a quoted text only when reading that text back gives the
// same bytes: one terminating zero, none inside. Anything else (a text stored
// without its zero, for one) goes as hex(1) so that it survives the round trip.
bool AsQuotedText(const ValueEntry& value, std::string& ansi) {
  const std::string& d = value.data;
  if (value.type != REG_SZ || d.size() < 2 || d.size() % 2 != 0) return false;
  if (d[d.size() - 1] != 0 || d[d.size() - 2] != 0) return false;
  std::u16string text = FromWideBytes(std::string_view(d).substr(0, d.size() - 2));
  return text.find(u'\0') == std::u16string::npos && Writable(text, ansi);
}

std::string HexList(std::string line, const std::string& data) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < data.size(); ++i) {
    auto b = static_cast<unsigned char>(data[i]);
    std::string piece{kDigits[b >> 4], kDigits[b & 15]};
    if (i + 1 < data.size()) piece.push_back(',');
    if (line.size() + piece.size() + 1 > kLineWidth && i > 0) {
      out += line + "\\\r\n";
      line = "  ";
    }
    line += piece;
  }
  return out + line;
}

std::string ValueLine(const ValueEntry& value, const std::string& ansiName) {
  std::string line = value.name.empty() ? "@=" : Quoted(ansiName) + "=";
  std::string text;
  if (AsQuotedText(value, text)) return line + Quoted(text);
  char prefix[32];
  if (value.type == REG_DWORD && value.data.size() == 4) {
    unsigned long v = 0;
    for (size_t i = 4; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(value.data[i]);
    std::snprintf(prefix, sizeof prefix, "dword:%08lx", v);
    return line + prefix;
  }
  if (value.type == REG_BINARY)
    std::snprintf(prefix, sizeof prefix, "hex:");
  else
    std::snprintf(prefix, sizeof prefix, "hex(%lx):", static_cast<unsigned long>(value.type));
  return HexList(line + prefix, value.data);
}

LONG ExportTree(const KeyPath& path, std::string& text, std::string& problem) {
  Key key;
  LONG result = RegOpenKeyExW(path.root, path.subKey.c_str(), 0, KEY_READ, key.out());
  std::vector<ValueEntry> values;
  std::vector<std::u16string> subKeys;
  if (result == ERROR_SUCCESS) result = ReadValues(key.get(), values);
  if (result == ERROR_SUCCESS) result = ReadSubKeys(key.get(), subKeys);
  if (result != ERROR_SUCCESS) {
    problem = ToUtf8(path.Full());
    return result;
  }
  std::string ansiPath;
  if (!Writable(path.Full(), ansiPath)) {
    problem = "the key name " + ToUtf8(path.Full()) + " has characters outside the ANSI code page";
    return ERROR_NO_UNICODE_TRANSLATION;
  }
  text += "[" + ansiPath + "]\r\n";
  for (const ValueEntry& value : values) {
    std::string ansiName;
    if (!Writable(value.name, ansiName)) {
      problem = "the value name " + ToUtf8(value.name) + " in " + ToUtf8(path.Full()) +
                " has characters outside the ANSI code page";
      return ERROR_NO_UNICODE_TRANSLATION;
    }
    text += ValueLine(value, ansiName) + "\r\n";
  }
  text += "\r\n";
  for (const std::u16string& name : subKeys) {
    result = ExportTree(path.Child(name), text, problem);
    if (result != ERROR_SUCCESS) return result;
  }
  return ERROR_SUCCESS;
}

}  // namespace

LONG ExportKey(const KeyPath& key, std::string& text, std::string& problem) {
  text = "Windows Registry Editor Version 5.00\r\n\r\n";
  return ExportTree(key, text, problem);
}

}  // namespace trvreg
