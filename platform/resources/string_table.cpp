// Building and reading string-table bundles.
#include "platform/resources/string_table.h"

#include <array>
#include <cstdint>
#include <stdexcept>

#include "platform/resources.h"
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

namespace trv {

std::vector<Resource> BuildStringTable(const std::map<UINT, std::u16string>& strings,
                                       LANGID language) {
  using namespace trv::resources;
  constexpr WORD kStringType = 6;  // RT_STRING
  std::map<WORD, std::array<const std::u16string*, kStringsPerBundle>> bundles;
  for (const auto& [id, text] : strings) {
    if (id > 0xFFFF) throw std::invalid_argument("string id above 65535");
    if (text.size() > 0xFFFF) throw std::invalid_argument("string longer than 65535 units");
    bundles[BundleOf(id)][SlotOf(id)] = &text;  // value-initialised slots stay null
  }
  std::vector<Resource> out;
  for (const auto& [bundle, slots] : bundles) {
    ByteWriter data;
    for (const std::u16string* text : slots) {
      data.put<WORD>(text ? static_cast<WORD>(text->size()) : 0);
      if (text) data.putText(*text, false);
    }
    out.push_back({ResourceId(kStringType), ResourceId(bundle), language, data.take()});
  }
  return out;
}

}  // namespace trv
