#include "tools/lngc/ansi_text.h"

#include <cstdio>
#include <vector>

#include "platform/kernel.h"
#include "tools/text/wide_text.h"

namespace trv::lngc {
namespace {

std::u16string Utf16(UINT codePage, DWORD flags, std::string_view text) {
  return tools::WideFromBytes(codePage, flags, text).value_or(std::u16string());
}

// Converts UTF-16 to the ANSI code page; false when a character has no form there.
bool ToAnsi(std::u16string_view wide, std::string& ansi) {
  bool lossy = false;
  ansi = tools::BytesFromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, &lossy);
  if (lossy) ansi.clear();
  return !lossy;
}

// "U+20AC"-style name of the first character (a surrogate pair counts as one)
// that cannot be shown in the ANSI code page.
std::string FirstUnshowable(std::u16string_view wide) {
  std::string ignored;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size();
    const std::size_t units = pair ? 2 : 1;
    if (!ToAnsi(wide.substr(i, units), ignored)) {
      unsigned long code = wide[i];
      if (pair) code = 0x10000 + ((code - 0xD800) << 10) + (wide[i + 1] - 0xDC00u);
      char name[16];
      std::snprintf(name, sizeof name, "U+%04lX", code);
      return name;
    }
    i += units - 1;
  }
  return "?";
}

}  // namespace

std::optional<std::string> Utf8ToAnsi(std::string_view utf8, std::string& error) {
  if (utf8.empty()) return std::string();
  const std::u16string wide = Utf16(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
  if (wide.empty()) {
    error = "the text is not valid UTF-8";
    return std::nullopt;
  }
  std::string ansi;
  if (!ToAnsi(wide, ansi)) {
    error = "character " + FirstUnshowable(wide) + " has no Windows-1252 form";
    return std::nullopt;
  }
  return ansi;
}

std::string AnsiToUtf8(std::string_view ansi) {
  return tools::BytesFromWide(CP_UTF8, 0, Utf16(CP_ACP, 0, ansi));
}

}  // namespace trv::lngc
