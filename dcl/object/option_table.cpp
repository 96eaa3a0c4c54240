#include "dcl/object/option_table.h"

#include <array>

#include "dcl/model/text_heap.h"

namespace trv::dcl {
namespace {

// Top-level groups the host shows the options under; 0 shows an option on its own.
constexpr WORD kGroupDocument = 0xFFFC;
constexpr WORD kGroupTools = 0xFFFD;
constexpr WORD kGroupMedia = 0xFFFE;
// The dialog-procedure field only says whether the host offers a button that calls
// OptionDialog; on this platform it holds 1 rather than a code address.
constexpr DWORD kButton = 1;

struct Row {
  WORD id;
  WORD parent;
  WORD flags;
  DWORD name;
  DWORD icon;
  DWORD secondText;
  DWORD dialog;
  WORD help;
  DWORD description;
};

// Names, second texts and descriptions are numbers of texts in the language file.
constexpr Row kRows[] = {
    {0x1001, kGroupDocument, 0x0005, 0, 0, 0, 0, 1010, 0},
    {0x1002, kGroupDocument, 0x0005, 0, 0, 0, 0, 1011, 0},
    {0x1003, kGroupDocument, 0x0005, 0, 0, 0, 0, 1012, 0},
    {0x1005, kGroupDocument, 0x1001, 52, 133, 0, 0, 1014, 12272},
    {0x1004, kGroupDocument, 0x1001, 12273, 136, 0, 0, 1013, 12274},
    {0x1006, kGroupDocument, 0x1001, 12251, 134, 0, 0, 1015, 12252},
    {0x1007, kGroupDocument, 0x1001, 12249, 135, 0, 0, 1016, 12250},
    {0x1008, kGroupDocument, 0x1001, 12335, 203, 0, 0, 1035, 12336},
    {0x1009, kGroupDocument, 0x1001, 12337, 182, 0, 0, 1036, 12338},
    {0x3003, kGroupMedia, 0x1001, 12255, 181, 0, 0, 1020, 12256},
    {0x3004, 0x3003, 0x1001, 12257, 194, 0, 0, 1021, 12258},
    {0x3005, 0x3003, 0x1001, 12259, 193, 10605, kButton, 1022, 12260},
    {0x3006, 0x3003, 0x1001, 12319, 178, 0, 0, 1037, 0},
    {0x2001, 0, 0x1001, 12253, 206, 10605, kButton, 1017, 12254},
    {0x3022, 0, 0x1001, 12398, 206, 0, 0, 1064, 0},
    {0x3021, 0, 0x1001, 80, 198, 0, 0, 1034, 0},
    {0x100A, 0, 0x1001, 73, 206, 0, 0, 1038, 0},
    {0x3047, 0, 0x1001, 12558, 173, 0, 0, 1039, 0},
    {0x3046, kGroupTools, 0x1001, 8001, 8016, 0, 0, 5, 0},
    {0x3007, 0x3046, 0x1001, 12261, 207, 0, 0, 1023, 12262},
    {0x3008, 0x3007, 0x1001, 12263, 208, 0, 0, 1024, 12264},
    {0x3009, 0x3007, 0x1001, 12265, 205, 0, 0, 1025, 12266},
    {0x3010, 0x3007, 0x1001, 12269, 199, 0, 0, 1026, 12270},
    {0x3011, 0x3046, 0x1001, 12267, 173, 0, 0, 1027, 12268},
    {0x3012, 0x3011, 0x1001, 12296, 172, 0, 0, 1028, 12303},
    {0x3013, 0x3046, 0x1001, 12297, 171, 0, 0, 1030, 12304},
    {0x3014, 0x3013, 0x1001, 12298, 170, 0, 0, 1031, 12305},
    {0x3015, 0x3013, 0x1001, 12299, 169, 0, 0, 1032, 12306},
    {0x3040, kGroupTools, 0x1001, 12412, 171, 0, 0, 1051, 0},
    {0x3041, 0x3040, 0x1001, 12413, 0, 12419, kButton, 1052, 0},
    {0x3042, 0x3040, 0x1001, 12414, 0, 12419, kButton, 1053, 0},
    {0x3044, 0x3040, 0x1001, 12415, 0, 12419, kButton, 1054, 0},
    {0x3045, 0x3040, 0x1001, 12416, 0, 12419, kButton, 1055, 0},
    {0x3048, kGroupTools, 0x1001, 12559, 173, 0, 0, 1065, 0},
    {0x3049, 0x3048, 0x1001, 12560, 0, 0, 0, 1066, 0},
    {0x3050, 0x3048, 0x1001, 12561, 0, 0, 0, 1067, 0},
    {0x3001, kGroupMedia, 0x3002, 50, 191, 200, kButton, 1018, 12301},
    {0x3002, kGroupMedia, 0x1002, 51, 192, 200, kButton, 1019, 12302},
    {0x3016, kGroupTools, 0x1002, 12300, 1024, 0, 0, 1033, 12307},
    {0x3017, 0x3016, 0x3002, 201, 1025, 12367, kButton, 1041, 44},
    {0x3018, 0x3016, 0x1002, 12385, 1026, 0, 0, 1050, 12385},
    {0x3024, 0x3016, 0x1002, 12421, 1028, 0, 0, 1061, 0},
    {0x3025, 0x3024, 0x1002, 12438, 0, 0, 0, 1064, 0},
    {0x3027, 0x3024, 0x1002, 12422, 0, 0, 0, 1062, 0},
    {0x3026, 0x3024, 0x1002, 12423, 0, 0, 0, 1063, 0},
    {0x3020, 0x3016, 0x3002, 0, 1025, 0, kButton, 0, 44},  // named in the code below
};
static_assert(std::size(kRows) == 46);

std::array<OptionEntryEx, std::size(kRows)> Build() {
  std::array<OptionEntryEx, std::size(kRows)> table{};
  for (size_t i = 0; i < std::size(kRows); ++i) {
    const Row& r = kRows[i];
    OptionEntryEx& e = table[i];
    e.base.key = ANY_KEY;
    e.base.optionId = r.id;
    e.base.name = r.name;
    e.base.icon = r.icon;
    e.base.flags = r.flags;
    e.base.secondText = r.secondText;
    e.base.dialogProc = r.dialog;
    e.base.helpId = r.help;
    e.thirdText = r.description;
    e.parentId = r.parent;
  }
  // The one entry with texts of its own rather than texts of the language file.
  OptionEntryEx& team = table[std::size(kRows) - 1];
  team.base.name = TextHeapAdd("Team");
  team.base.secondText = TextHeapAdd("Print");
  return table;
}

}  // namespace

std::span<const OptionEntryEx> OptionTable() {
  static const std::array<OptionEntryEx, std::size(kRows)> table = Build();
  return table;
}

}  // namespace trv::dcl
