// Conversions between the UTF-8 of language sources and the ANSI code page
// (Windows-1252) in which language files store their texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trv::lngc {

// The text in the ANSI code page, or nothing with `error` telling why: the text
// is not UTF-8, or names the first character that the code page cannot show.
std::optional<std::string> Utf8ToAnsi(std::string_view utf8, std::string& error);

// The ANSI text as UTF-8 (every ANSI byte has a UTF-8 form).
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace trv::lngc
