#include "tools/lngc/ansi_text.h"

#include <cstdio>
#include <vector>

#include "platform/kernel.h"

namespace trv::lngc {
namespace {

std::u16string Utf16(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  if (needed == 0) return {};
  std::u16string wide(static_cast<std::size_t>(needed), u'\0');
  MultiByteToWideChar(codePage, flags, text.data(), length, wide.data(), needed);
  return wide;
}

// Converts UTF-16 to the ANSI code page; false when a character has no form there.
bool ToAnsi(std::u16string_view wide, std::string& ansi) {
  ansi.clear();
  if (wide.empty()) return true;
  const int length = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr,
                                         0, nullptr, &usedDefault);
  if (needed == 0 || usedDefault) return false;
  ansi.resize(static_cast<std::size_t>(needed));
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, ansi.data(), needed,
                      nullptr, &usedDefault);
  return !usedDefault;
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
  const std::u16string wide = Utf16(CP_ACP, 0, ansi);
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
  return utf8;
}

}  // namespace trv::lngc
