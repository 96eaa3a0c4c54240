#include "dcl/object/option_table.h"

#include <array>

#include "dcl/model/text_heap.h"

namespace trv::dcl {
namespace {

// The dialog-procedure field only says whether the host offers a button that calls
// OptionDialog; on this platform it holds 1 rather than a code address.
constexpr DWORD kButton = 1;

std::array<OptionEntryEx, std::size(kOptionRows)> Build() {
  std::array<OptionEntryEx, std::size(kOptionRows)> table{};
  for (size_t i = 0; i < std::size(kOptionRows); ++i) {
    const OptionRow& r = kOptionRows[i];
    OptionEntryEx& e = table[i];
    e.base.key = ANY_KEY;
    e.base.optionId = r.id;
    e.base.name = r.name;
    e.base.icon = r.icon;
    e.base.flags = r.flags;
    e.base.secondText = r.secondText;
    e.base.dialogProc = r.button ? kButton : 0;
    e.base.helpId = r.help;
    e.thirdText = r.description;
    e.parentId = r.parent;
    // The one entry with texts of its own rather than texts of the language file.
    if (r.id == kOptionTestLabel) {
      e.base.name = TextHeapAdd("Team");
      e.base.secondText = TextHeapAdd("Print");
    }
  }
  return table;
}

}  // namespace

const OptionRow* FindOptionRow(WORD optionId) {
  for (const OptionRow& r : kOptionRows)
    if (r.id == optionId) return &r;
  return nullptr;
}

std::span<const OptionEntryEx> OptionTable() {
  static const std::array<OptionEntryEx, std::size(kOptionRows)> table = Build();
  return table;
}

}  // namespace trv::dcl
