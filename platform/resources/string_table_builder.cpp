// Building string-table bundles.
#include <array>
#include <stdexcept>

#include "platform/resources.h"
#include "platform/resources/bytes.h"
#include "platform/resources/string_table.h"

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
