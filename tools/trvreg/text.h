// Text conversions of the tool: the console speaks UTF-8, .reg files the ANSI code
// page, the registry UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace trvreg {

std::u16string FromUtf8(std::string_view text);
std::string ToUtf8(std::u16string_view text);
std::u16string FromAnsi(std::string_view text);
// False when a character has no form in the ANSI code page.
bool ToAnsi(std::u16string_view text, std::string& out);
// Case-insensitive equality as the registry compares names.
bool SameName(std::u16string_view a, std::u16string_view b);

// Little-endian UTF-16 bytes of a text, and back.
std::string WideBytes(std::u16string_view text);
std::u16string FromWideBytes(std::string_view bytes);

}  // namespace trvreg
