// Parsing a resource script into resources.
#include "tools/trvrc/script.h"

#include "platform/kernel.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>

namespace trvrc {
namespace {

constexpr WORD kDataType = 10;     // RT_RCDATA
constexpr WORD kVersionType = 16;  // RT_VERSION
constexpr LANGID kDefaultLanguage = 0x0409;
// Resource kinds of the platform's scripts that this compiler does not build.
constexpr const char* kUnsupportedTypes[] = {
    "ACCELERATORS", "BITMAP", "CURSOR", "DIALOG",       "DIALOGEX",    "FONT",       "HTML",
    "ICON",         "MENU",   "MENUEX", "MESSAGETABLE", "TEXTINCLUDE", "DLGINCLUDE", "TOOLBAR"};

bool IsWord(const Token& t, const char* word) {
  if (t.kind != Token::Name) return false;
  std::string upper;
  for (char c : t.spelling) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper == word;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  std::vector<trv::Resource> run() {
    while (peek().kind != Token::End) statement();
    std::vector<trv::Resource> out = std::move(resources_);
    for (const auto& [language, strings] : strings_) {
      std::vector<trv::Resource> bundles = trv::BuildStringTable(strings, language);
      out.insert(out.end(), bundles.begin(), bundles.end());
    }
    return out;
  }

 private:
  [[noreturn]] void fail(const std::string& message) const {
    throw ScriptError(peek().line, message);
  }
  const Token& peek(size_t ahead = 0) const { return t_[std::min(at_ + ahead, t_.size() - 1)]; }
  const Token& next() {
    const Token& t = peek();
    if (at_ < t_.size() - 1) ++at_;
    return t;
  }
  bool isPunct(const char* p, size_t ahead = 0) const {
    return peek(ahead).kind == Token::Punct && peek(ahead).spelling == p;
  }
  bool accept(const char* punct) {
    if (!isPunct(punct)) return false;
    next();
    return true;
  }
  void expect(const char* punct) {
    if (!accept(punct)) fail(std::string("expected '") + punct + "' but found " + Describe(peek()));
  }
  bool atBegin() const { return isPunct("{") || IsWord(peek(), "BEGIN"); }
  bool atEnd() const { return isPunct("}") || IsWord(peek(), "END"); }
  void begin() {
    if (!atBegin()) fail("expected BEGIN or '{' but found " + Describe(peek()));
    next();
  }
  // True (and consumed) at the END of the current block; an unclosed block fails.
  bool end() {
    if (peek().kind == Token::End) fail("END missing at the end of the script");
    if (!atEnd()) return false;
    next();
    return true;
  }

  static std::string Describe(const Token& t) {
    switch (t.kind) {
      case Token::End: return "the end of the script";
      case Token::Text: return "a text";
      default: return "'" + t.spelling + "'";
    }
  }

  // ---- numbers -----------------------------------------------------------------
  unsigned long expression() {
    unsigned long value = term();
    for (;;) {
      if (accept("|"))
        value |= term();
      else if (accept("+"))
        value += term();
      else if (accept("-"))
        value -= term();
      else
        return value & 0xFFFFFFFFul;
    }
  }

  unsigned long term() {
    if (accept("~")) return ~term() & 0xFFFFFFFFul;
    if (accept("-")) return (0 - term()) & 0xFFFFFFFFul;
    if (accept("(")) {
      unsigned long value = expression();
      expect(")");
      return value;
    }
    const Token& t = peek();
    if (t.kind == Token::Number) {
      char last = t.spelling.back();
      longSeen_ = longSeen_ || last == 'L' || last == 'l';
      return next().number;
    }
    if (t.kind == Token::Name) fail("'" + t.spelling + "' is not defined");
    fail("expected a number but found " + Describe(t));
  }

  WORD word(const char* what) {
    int line = peek().line;
    unsigned long value = expression();
    if (value > 0xFFFF) throw ScriptError(line, std::string(what) + " above 65535");
    return static_cast<WORD>(value);
  }

  std::u16string text() {
    if (peek().kind != Token::Text) fail("expected a text but found " + Describe(peek()));
    std::u16string out = next().text;
    while (peek().kind == Token::Text) out += next().text;  // adjacent texts join
    return out;
  }

  // ---- statements ------------------------------------------------------------------
  void statement() {
    if (IsWord(peek(), "LANGUAGE")) {
      next();
      language_ = languageValue();
    } else if (IsWord(peek(), "STRINGTABLE")) {
      next();
      stringTable();
    } else if (IsWord(peek(1), "VERSIONINFO")) {
      int line = peek().line;
      WORD id = resourceId();
      next();
      versionInfo(id, line);
    } else if ((peek().kind == Token::Number || peek().kind == Token::Name) &&
               (peek(1).kind == Token::Number || peek(1).kind == Token::Name)) {
      int line = peek().line;
      trv::ResourceId name = nameOrNumber("name");
      for (const char* keyword : kUnsupportedTypes)
        if (IsWord(peek(), keyword)) fail("unsupported resource type " + Describe(peek()));
      trv::ResourceId type =
          IsWord(peek(), "RCDATA") ? (next(), trv::ResourceId(kDataType)) : nameOrNumber("type");
      rawData(std::move(type), std::move(name), line);
    } else {
      fail("unsupported statement " + Describe(peek()));
    }
  }

  // A resource's name or type: a number, or a word, kept in capitals as the
  // platform's resource compiler keeps it (lookups ignore case anyway).
  trv::ResourceId nameOrNumber(const char* what) {
    if (IsWord(peek(), "BEGIN") || IsWord(peek(), "END"))
      fail(std::string("expected a resource ") + what + " but found " + Describe(peek()));
    if (peek().kind == Token::Number) {
      int line = peek().line;
      unsigned long id = next().number;
      if (id == 0 || id > 0xFFFF)
        throw ScriptError(line, std::string("resource ") + what + " must be 1 to 65535");
      return static_cast<WORD>(id);
    }
    std::u16string text;
    for (char c : next().spelling)
      text += static_cast<char16_t>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  }

  // Data given inline: texts as their bytes in the code page without a terminator
  // (UTF-16 for L"..."), numbers as 16-bit words, or 32-bit with an L suffix.
  void rawData(trv::ResourceId type, trv::ResourceId name, int line) {
    LANGID language = options();
    if (peek().kind == Token::Text) fail("data from a file is not supported; give it inline");
    trv::Bytes data;
    auto put = [&](unsigned long value, int bytes) {
      for (int i = 0; i < bytes; ++i) data.push_back(static_cast<BYTE>(value >> (8 * i)));
    };
    begin();
    while (!end()) {
      if (peek().kind == Token::Text) {
        bool wide = peek().wide;
        for (char16_t c : text()) {
          if (wide) {
            put(c, 2);
          } else {
            char byte = '?';
            WideCharToMultiByte(CP_ACP, 0, &c, 1, &byte, 1, nullptr, nullptr);
            put(static_cast<BYTE>(byte), 1);
          }
        }
      } else {
        longSeen_ = false;
        unsigned long value = expression();
        put(value, longSeen_ ? 4 : 2);
      }
      accept(",");
    }
    if (data.size() > 0xFFFFFFF) throw ScriptError(line, "resource data too large");
    addResource(std::move(type), std::move(name), language, std::move(data), line);
  }

  LANGID languageValue() {
    WORD primary = word("language");
    expect(",");
    WORD sub = word("sublanguage");
    return static_cast<LANGID>(MAKELANGID(primary, sub));
  }

  WORD resourceId() {
    if (peek().kind != Token::Number)
      fail("a resource is named by a number, found " + Describe(peek()));
    int line = peek().line;
    unsigned long id = next().number;
    if (id == 0 || id > 0xFFFF) throw ScriptError(line, "resource id must be 1 to 65535");
    return static_cast<WORD>(id);
  }

  // Memory options of old scripts mean nothing here; LANGUAGE applies to this
  // resource only.
  LANGID options() {
    LANGID language = language_;
    for (;;) {
      if (IsWord(peek(), "DISCARDABLE") || IsWord(peek(), "PRELOAD") ||
          IsWord(peek(), "LOADONCALL") || IsWord(peek(), "MOVEABLE") || IsWord(peek(), "FIXED") ||
          IsWord(peek(), "PURE") || IsWord(peek(), "IMPURE")) {
        next();
      } else if (IsWord(peek(), "LANGUAGE")) {
        next();
        language = languageValue();
      } else {
        return language;
      }
    }
  }

  void stringTable() {
    LANGID language = options();
    auto& strings = strings_[language];
    begin();
    while (!end()) {
      int line = peek().line;
      WORD id = word("string id");
      accept(",");
      std::u16string value = text();
      if (value.size() > 0xFFFF) throw ScriptError(line, "text longer than 65535 characters");
      if (!strings.emplace(id, std::move(value)).second)
        throw ScriptError(line, "string " + std::to_string(id) + " defined twice");
    }
  }

  void versionInfo(WORD id, int line) {
    trv::VersionDescription d;
    fixedStatements(d);
    LANGID language = language_;
    begin();
    while (!end()) {
      if (!IsWord(peek(), "BLOCK")) fail("expected BLOCK but found " + Describe(peek()));
      next();
      std::u16string name = text();
      if (name == u"StringFileInfo")
        stringFileInfo(d);
      else if (name == u"VarFileInfo")
        varFileInfo(d);
      else
        fail("unknown version block (StringFileInfo or VarFileInfo)");
    }
    try {
      addResource(kVersionType, id, language, trv::BuildVersionResource(d), line);
    } catch (const std::invalid_argument& e) {
      throw ScriptError(line, e.what());  // a limit of the block's layout
    }
  }

  void fixedStatements(trv::VersionDescription& d) {
    auto version = [&](DWORD& ms, DWORD& ls) {
      WORD parts[4] = {0, 0, 0, 0};
      parts[0] = word("version number");
      for (int i = 1; i < 4 && accept(","); ++i) parts[i] = word("version number");
      ms = static_cast<DWORD>(parts[0]) << 16 | parts[1];
      ls = static_cast<DWORD>(parts[2]) << 16 | parts[3];
    };
    const std::pair<const char*, DWORD*> fields[] = {{"FILEFLAGSMASK", &d.fileFlagsMask},
                                                     {"FILEFLAGS", &d.fileFlags},
                                                     {"FILEOS", &d.fileOS},
                                                     {"FILETYPE", &d.fileType},
                                                     {"FILESUBTYPE", &d.fileSubtype}};
    for (;;) {
      if (IsWord(peek(), "FILEVERSION")) {
        next();
        version(d.fileVersionMS, d.fileVersionLS);
        continue;
      }
      if (IsWord(peek(), "PRODUCTVERSION")) {
        next();
        version(d.productVersionMS, d.productVersionLS);
        continue;
      }
      bool matched = false;
      for (const auto& [word, field] : fields) {
        if (IsWord(peek(), word)) {
          next();
          *field = static_cast<DWORD>(expression());
          matched = true;
        }
      }
      if (!matched) return;
    }
  }

  void stringFileInfo(trv::VersionDescription& d) {
    begin();
    while (!end()) {
      if (!IsWord(peek(), "BLOCK")) fail("expected BLOCK but found " + Describe(peek()));
      next();
      trv::VersionStringTable table{text(), {}};
      begin();
      while (!end()) {
        if (!IsWord(peek(), "VALUE")) fail("expected VALUE but found " + Describe(peek()));
        next();
        std::u16string key = text();
        expect(",");
        table.values.emplace_back(std::move(key), text());
      }
      d.stringTables.push_back(std::move(table));
    }
  }

  void varFileInfo(trv::VersionDescription& d) {
    begin();
    while (!end()) {
      if (!IsWord(peek(), "VALUE")) fail("expected VALUE but found " + Describe(peek()));
      next();
      if (text() != u"Translation") fail("VarFileInfo holds only \"Translation\"");
      if (d.translations) fail("\"Translation\" given twice");
      d.translations.emplace();
      while (accept(",")) {
        WORD language = word("language");
        expect(",");
        d.translations->push_back({language, word("code page")});
      }
    }
  }

  void addResource(trv::ResourceId type, trv::ResourceId name, LANGID language, trv::Bytes data,
                   int line) {
    for (const trv::Resource& r : resources_)
      if (r.type == type && r.name == name && r.language == language)
        throw ScriptError(line, "resource defined twice");
    resources_.push_back({std::move(type), std::move(name), language, std::move(data)});
  }

  std::vector<Token> t_;
  size_t at_ = 0;
  LANGID language_ = kDefaultLanguage;
  bool longSeen_ = false;  // a number with an L suffix in the current expression
  std::vector<trv::Resource> resources_;
  std::map<LANGID, std::map<UINT, std::u16string>> strings_;
};

}  // namespace

std::vector<trv::Resource> ParseScript(const std::string& script) {
  return Parser(Tokenize(script)).run();
}

}  // namespace trvrc
