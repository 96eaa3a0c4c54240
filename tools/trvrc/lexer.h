// Tokens of a resource script, with its preprocessor lines already applied:
// comments removed, "#define NAME value" names replaced by their tokens, texts
// decoded from the script's code page (Windows-1252 unless a
// "#pragma code_page(65001)" line switches to UTF-8).
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace trvrc {

// A fault in the script, with the line it was found on.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

struct Token {
  enum Kind { Name, Number, Text, Punct, End } kind = End;
  std::string spelling;  // as written (Name, Punct); the digits (Number)
  unsigned long number = 0;
  std::u16string text;  // decoded (Text)
  bool wide = false;    // written L"..." (Text)
  int line = 0;
};

// Names known before the script defines any: the version-information and language
// constants that scripts use by name.
std::map<std::string, unsigned long> PredefinedNames();

// The script's tokens, ending with one End token.
std::vector<Token> Tokenize(const std::string& script);

}  // namespace trvrc
