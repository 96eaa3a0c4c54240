// Reading string-table bundles.
#include "platform/resources/string_table.h"

#include <cstdint>

#include "platform/resources/bytes.h"

namespace trv::resources {

std::optional<std::u16string_view> BundleString(std::span<const BYTE> bundle, UINT slot) {
  size_t at = 0;
  for (UINT i = 0;; ++i) {
    auto length = ReadLE<WORD>(bundle, at);
    if (!length || !InBounds(at + 2, size_t{*length} * 2, bundle.size())) return std::nullopt;
    if (i == slot) {
      // Bundles start 8-aligned in their directory and every field is a whole
      // number of UTF-16 units, so the text can be viewed in place; a bundle that
      // is not aligned cannot come from a directory.
      const BYTE* start = bundle.data() + at + 2;
      if (reinterpret_cast<std::uintptr_t>(start) % alignof(char16_t) != 0) return std::nullopt;
      auto* text = reinterpret_cast<const char16_t*>(start);
      return std::u16string_view(text, *length);
    }
    at += 2 + size_t{*length} * 2;
  }
}

}  // namespace trv::resources
