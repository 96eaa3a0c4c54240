// Reading a resource script into tokens.
#include "tools/trvrc/lexer.h"

#include <cctype>
#include <optional>

#include "platform/kernel.h"
#include "platform/winver.h"
#include "tools/text/wide_text.h"

namespace trvrc {
namespace {

constexpr int kMaxExpansionDepth = 32;

class Lexer {
 public:
  explicit Lexer(const std::string& script) : s_(script) {
    for (const auto& [name, value] : PredefinedNames()) {
      Token t;
      t.kind = Token::Number;
      t.spelling = std::to_string(value);
      t.number = value;
      macros_[name] = {t};
    }
  }

  std::vector<Token> run() {
    std::vector<Token> out;
    bool lineStart = true;
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
        lineStart = true;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++pos_;
      } else if (skipComment()) {
      } else if (c == '#' && lineStart) {
        directive();
      } else {
        lineStart = false;
        expand(token(), out, 0);
      }
    }
    Token end;
    end.line = line_;
    out.push_back(end);
    return out;
  }

 private:
  [[noreturn]] void fail(const std::string& message) const { throw ScriptError(line_, message); }

  char peek(size_t ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }

  bool skipComment() {
    if (peek() == '/' && peek(1) == '/') {
      while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
      return true;
    }
    if (peek() == '/' && peek(1) == '*') {
      int startLine = line_;
      pos_ += 2;
      while (pos_ < s_.size() && !(peek() == '*' && peek(1) == '/')) {
        if (s_[pos_] == '\n') ++line_;
        ++pos_;
      }
      if (pos_ >= s_.size()) throw ScriptError(startLine, "comment not closed");
      pos_ += 2;
      return true;
    }
    return false;
  }

  // Replaces defined names by their tokens, which may name further definitions.
  void expand(const Token& t, std::vector<Token>& out, int depth) {
    auto it = t.kind == Token::Name ? macros_.find(t.spelling) : macros_.end();
    if (it == macros_.end()) {
      out.push_back(t);
      return;
    }
    if (depth >= kMaxExpansionDepth) fail("definition of '" + t.spelling + "' refers to itself");
    for (Token replacement : it->second) {
      replacement.line = t.line;
      expand(replacement, out, depth + 1);
    }
  }

  Token token() {
    Token t;
    t.line = line_;
    char c = peek();
    if ((c == 'L' || c == 'l') && peek(1) == '"') {
      ++pos_;
      return text(true);
    }
    if (c == '"') return text(false);
    if (std::isdigit(static_cast<unsigned char>(c))) return number();
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      t.kind = Token::Name;
      while (std::isalnum(static_cast<unsigned char>(peek())) || peek() == '_')
        t.spelling += s_[pos_++];
      return t;
    }
    if (std::string_view("{}(),|+-~").find(c) != std::string_view::npos) {
      t.kind = Token::Punct;
      t.spelling = std::string(1, c);
      ++pos_;
      return t;
    }
    fail(std::string("unexpected character '") + c + "'");
  }

  Token number() {
    Token t;
    t.kind = Token::Number;
    t.line = line_;
    size_t start = pos_;
    int base = 10;
    if (peek() == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
      base = 16;
      pos_ += 2;
    }
    size_t digits = pos_;
    unsigned long long value = 0;
    while (std::isxdigit(static_cast<unsigned char>(peek()))) {
      char d = peek();
      int v = std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : std::tolower(d) - 'a' + 10;
      if (v >= base) break;
      value = value * base + static_cast<unsigned>(v);
      if (value > 0xFFFFFFFFull) fail("number too large: " + s_.substr(start, pos_ - start + 1));
      ++pos_;
    }
    if (pos_ == digits) fail("hexadecimal number without digits");
    while (peek() == 'L' || peek() == 'l' || peek() == 'U' || peek() == 'u') ++pos_;
    if (std::isalnum(static_cast<unsigned char>(peek())) || peek() == '_')
      fail("malformed number '" + s_.substr(start, pos_ - start + 1) + "'");
    t.spelling = s_.substr(start, pos_ - start);
    t.number = static_cast<unsigned long>(value);
    return t;
  }

  // A text in double quotes: C escapes, and "" for one quote as the platform's
  // resource compiler reads it. Plain characters are in the script's code page;
  // escapes name code-page bytes, or UTF-16 units in an L"..." text.
  Token text(bool wide) {
    Token t;
    t.kind = Token::Text;
    t.wide = wide;
    t.line = line_;
    ++pos_;  // opening quote
    std::string pending;
    auto flush = [&] {
      t.text += Decode(pending);
      pending.clear();
    };
    for (;;) {
      if (pos_ >= s_.size() || peek() == '\n') fail("text not closed");
      char c = s_[pos_++];
      if (c == '"') {
        if (peek() != '"') break;
        ++pos_;
        pending += '"';
      } else if (c == '\\') {
        unsigned long unit = escape(wide);
        if (wide) {
          flush();
          t.text += static_cast<char16_t>(unit);
        } else {
          pending += static_cast<char>(unit);
        }
      } else {
        pending += c;
      }
    }
    flush();
    return t;
  }

  unsigned long escape(bool wide) {
    char c = peek();
    ++pos_;
    switch (c) {
      case 'n': return '\n';
      case 't': return '\t';
      case 'r': return '\r';
      case 'a': return '\a';
      case 'b': return '\b';
      case 'f': return '\f';
      case 'v': return '\v';
      case '\\': return '\\';
      case '"': return '"';
      case '\'': return '\'';
      case '?': return '?';
      case 'x':
      case 'X': {
        unsigned long v = 0;
        int n = 0;
        for (; n < (wide ? 4 : 2) && std::isxdigit(static_cast<unsigned char>(peek())); ++n, ++pos_)
          v = v * 16 + static_cast<unsigned long>(std::isdigit(static_cast<unsigned char>(peek()))
                                                      ? peek() - '0'
                                                      : std::tolower(peek()) - 'a' + 10);
        if (n == 0) fail("\\x without hexadecimal digits");
        return v;
      }
      default:
        if (c >= '0' && c <= '7') {
          unsigned long v = static_cast<unsigned long>(c - '0');
          for (int n = 1; n < 3 && peek() >= '0' && peek() <= '7'; ++n, ++pos_)
            v = v * 8 + static_cast<unsigned long>(peek() - '0');
          if (!wide && v > 0xFF) fail("octal escape above \\377");
          return v;
        }
        fail(std::string("unknown escape '\\") + c + "'");
    }
  }

  std::u16string Decode(const std::string& bytes) const {
    DWORD flags = codePage_ == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    std::optional<std::u16string> text = trv::tools::WideFromBytes(codePage_, flags, bytes);
    if (!text) fail("text is not valid in code page " + std::to_string(codePage_));
    return *text;
  }

  std::string restOfLine() {
    size_t end = pos_;
    while (end < s_.size() && s_[end] != '\n') ++end;
    std::string rest = s_.substr(pos_, end - pos_);
    pos_ = end;
    return rest;
  }

  void directive() {
    ++pos_;  // '#'
    std::string rest = restOfLine();
    size_t at = rest.find_first_not_of(" \t");
    size_t wordEnd = rest.find_first_of(" \t(", at);
    std::string word = at == std::string::npos ? "" : rest.substr(at, wordEnd - at);
    std::string args = wordEnd == std::string::npos ? "" : rest.substr(wordEnd);
    if (word == "define")
      define(args);
    else if (word == "pragma")
      pragma(args);
    else
      fail("unsupported directive '#" + word + "'");
  }

  // The tokens of a line, read with this lexer so that strings and numbers follow
  // the same rules as everywhere else.
  std::vector<Token> lineTokens(const std::string& line) {
    Lexer sub(line);
    sub.macros_ = macros_;
    sub.codePage_ = codePage_;
    sub.line_ = line_;
    std::vector<Token> tokens = sub.run();
    tokens.pop_back();  // End
    return tokens;
  }

  void define(const std::string& args) {
    // The name is taken as written: it may already stand for something.
    size_t start = args.find_first_not_of(" \t");
    size_t end = start;
    while (end < args.size() &&
           (std::isalnum(static_cast<unsigned char>(args[end])) || args[end] == '_'))
      ++end;
    if (start == std::string::npos || end == start ||
        std::isdigit(static_cast<unsigned char>(args[start])))
      fail("#define without a name");
    std::string name = args.substr(start, end - start);
    std::vector<Token> value = lineTokens(args.substr(end));
    auto old = macros_.find(name);
    if (old != macros_.end() && Spellings(old->second) != Spellings(value))
      fail("'" + name + "' defined again with another value");
    macros_[name] = std::move(value);
  }

  static std::vector<std::string> Spellings(const std::vector<Token>& tokens) {
    std::vector<std::string> out;
    for (const Token& t : tokens)
      out.push_back(
          t.kind == Token::Text
              ? std::string(reinterpret_cast<const char*>(t.text.data()), t.text.size() * 2)
              : t.spelling);
    return out;
  }

  void pragma(const std::string& args) {
    std::vector<Token> tokens = lineTokens(args);
    if (tokens.size() == 4 && tokens[0].spelling == "code_page" && tokens[1].spelling == "(" &&
        tokens[2].kind == Token::Number && tokens[3].spelling == ")") {
      if (tokens[2].number != 1252 && tokens[2].number != CP_UTF8)
        fail("code page " + tokens[2].spelling + " is not supported (1252 or 65001)");
      codePage_ = static_cast<UINT>(tokens[2].number);
      return;
    }
    fail("unsupported #pragma");
  }

  const std::string& s_;
  size_t pos_ = 0;
  int line_ = 1;
  UINT codePage_ = 1252;
  std::map<std::string, std::vector<Token>> macros_;
};

}  // namespace

std::map<std::string, unsigned long> PredefinedNames() {
  return {
      {"VS_VERSION_INFO", 1},
      {"VS_FFI_SIGNATURE", VS_FFI_SIGNATURE},
      {"VS_FFI_STRUCVERSION", VS_FFI_STRUCVERSION},
      {"VS_FFI_FILEFLAGSMASK", VS_FFI_FILEFLAGSMASK},
      {"VS_FF_DEBUG", VS_FF_DEBUG},
      {"VS_FF_PRERELEASE", VS_FF_PRERELEASE},
      {"VS_FF_PATCHED", VS_FF_PATCHED},
      {"VS_FF_PRIVATEBUILD", VS_FF_PRIVATEBUILD},
      {"VS_FF_INFOINFERRED", VS_FF_INFOINFERRED},
      {"VS_FF_SPECIALBUILD", VS_FF_SPECIALBUILD},
      {"VOS_UNKNOWN", VOS_UNKNOWN},
      {"VOS_NT", VOS_NT},
      {"VOS__WINDOWS32", VOS__WINDOWS32},
      {"VOS_NT_WINDOWS32", VOS_NT_WINDOWS32},
      {"VFT_UNKNOWN", VFT_UNKNOWN},
      {"VFT_APP", VFT_APP},
      {"VFT_DLL", VFT_DLL},
      {"VFT_DRV", VFT_DRV},
      {"VFT_FONT", VFT_FONT},
      {"VFT2_UNKNOWN", VFT2_UNKNOWN},
      {"VFT2_DRV_PRINTER", VFT2_DRV_PRINTER},
      {"LANG_NEUTRAL", 0x00},
      {"LANG_ENGLISH", 0x09},
      {"LANG_GERMAN", 0x07},
      {"LANG_FRENCH", 0x0C},
      {"LANG_SPANISH", 0x0A},
      {"LANG_ITALIAN", 0x10},
      {"LANG_DUTCH", 0x13},
      {"SUBLANG_NEUTRAL", 0x00},
      {"SUBLANG_DEFAULT", 0x01},
      {"SUBLANG_ENGLISH_US", 0x01},
      {"SUBLANG_ENGLISH_UK", 0x02},
      {"SUBLANG_GERMAN", 0x01},
      {"SUBLANG_FRENCH", 0x01},
  };
}

std::vector<Token> Tokenize(const std::string& script) { return Lexer(script).run(); }

}  // namespace trvrc
