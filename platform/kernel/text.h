// Text helpers shared inside the platform: Windows-1252, UTF-16, UTF-8 (the host's
// file names) and case-insensitive comparison as Windows does it.
#pragma once

#include <string>
#include <string_view>

namespace trv::kernel {

char16_t Decode1252(unsigned char c);
// The 1252 byte of a UTF-16 unit, or -1 when it has none.
int Encode1252(char16_t c);
unsigned char Upper1252(unsigned char c);
unsigned char Lower1252(unsigned char c);
char16_t UpperW(char16_t c);

std::u16string AnsiToWide(std::string_view s);
// Characters without a 1252 form become '?'.
std::string WideToAnsi(std::u16string_view s);
std::u16string Utf8ToWide(std::string_view s, bool* invalid);
std::string WideToUtf8(std::u16string_view s);
std::string AnsiToUtf8(std::string_view s);
std::string Utf8ToAnsi(std::string_view s);

// <0, 0, >0 like lstrcmpi, comparing the upper-case forms.
int CompareNoCase(std::string_view a, std::string_view b);
int CompareNoCaseW(std::u16string_view a, std::u16string_view b);

}  // namespace trv::kernel
