// Registry names: splitting sub-key paths, Windows' length limits, and the
// upper-case form under which names are compared and sub-keys are ordered.
// Internal to the platform library.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/windef.h"

namespace trv::registry {

// Windows' limits, in characters without the terminating zero.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;
inline constexpr size_t kMaxClassLength = 255;

// Splits "a\b\c" into its names. An empty path gives no names (the key itself);
// a single trailing "\" is allowed. Throws RegistryError: ERROR_BAD_PATHNAME for a
// leading "\" or an empty name in the middle, ERROR_INVALID_PARAMETER for a name
// longer than Windows allows.
std::vector<std::u16string> SplitKeyPath(std::u16string_view path);

// Throws ERROR_INVALID_PARAMETER for a value name longer than Windows allows.
void CheckValueName(std::u16string_view name);

// The bytes under which a name is compared and ordered: its upper-case form as
// big-endian UTF-16, so that comparing the bytes compares the code units as
// Windows orders sub-keys.
std::string FoldedName(std::u16string_view name);

// A name as stored: little-endian UTF-16 bytes, and back.
std::string NameBytes(std::u16string_view name);
std::u16string NameFromBytes(const void* bytes, size_t size);

}  // namespace trv::registry
