// The tools' conversions between a code page and UTF-16: the platform's two-call
// MultiByteToWideChar / WideCharToMultiByte (size first, then the text) in one place.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/windef.h"

namespace trv::tools {

// Bytes of `codePage` as UTF-16; nullopt when the conversion fails (with
// MB_ERR_INVALID_CHARS in `flags`: bytes that are not valid text). Empty in, empty out.
std::optional<std::u16string> WideFromBytes(UINT codePage, DWORD flags, std::string_view text);

// UTF-16 as bytes of `codePage`. When `lossy` is given (a code page other than
// UTF-8), it tells whether a character had no form there and was replaced.
std::string BytesFromWide(UINT codePage, DWORD flags, std::u16string_view text,
                          bool* lossy = nullptr);

// The system's text for an error code, without its line break ("unknown error"
// when the system has none).
std::string SystemText(DWORD error);

}  // namespace trv::tools
