// String tables: RT_STRING resources named id / 16 + 1, each a bundle of 16
// counted strings (u16 length in UTF-16 units, then the units, no terminator).
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "platform/windef.h"

namespace trv::resources {

constexpr UINT kStringsPerBundle = 16;

constexpr WORD BundleOf(UINT id) {
  return static_cast<WORD>((id & 0xFFFF) / kStringsPerBundle + 1);
}
constexpr UINT SlotOf(UINT id) { return (id & 0xFFFF) % kStringsPerBundle; }

// The text in one slot of a bundle (empty for an empty slot), pointing into the
// bundle; nothing when the bundle ends before the slot's text does.
std::optional<std::u16string_view> BundleString(std::span<const BYTE> bundle, UINT slot);

}  // namespace trv::resources
