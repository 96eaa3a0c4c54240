// Value types and data as the command line shows and takes them, in reg.exe's way.
#pragma once

#include <optional>
#include <string>

#include "platform/windef.h"

namespace trvreg {

// "REG_SZ", ...; "0x%X" for a type without a name.
std::u16string TypeName(DWORD type);
std::optional<DWORD> ParseTypeName(std::u16string_view name);

// The data as `query` prints it: texts up to their first zero, multi-strings joined
// by "\0", numbers as 0x%x, everything else as upper-case hexadecimal.
std::u16string ShowData(DWORD type, const std::string& data);

// The bytes `add /d DATA` stores for a type: texts with their terminating zero,
// multi-strings split at `separator`, numbers decimal or 0x hexadecimal, binary data
// as hexadecimal digits. nullopt for data that does not fit the type.
std::optional<std::string> ParseData(DWORD type, std::u16string_view text,
                                     std::u16string_view separator);

}  // namespace trvreg
