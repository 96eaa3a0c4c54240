#include "dcl/model/builtin_tables.h"

#include "dcl/model/text_heap.h"

namespace trv::dcl {
namespace {

constexpr DWORD kModelNameText = 10001;
constexpr DWORD kModelIcon = 127;
constexpr DWORD kTrayNameText = 12248;
constexpr DWORD kTrayIcon = 132;
// Windows 95, 98/Me and 2000 or later; the low bits are not used by the suite.
constexpr WORD kLocalPortPlatforms = 0xB110;
constexpr DWORD kBlackAttributes = 0x20020023;
// Both ribbon-option categories, and the default of its ribbon.
constexpr WORD kBlackOptionFlags = 0x4300;

struct Lists {
  ModelEntry models[1];
  MonitorEntry monitors[1];
  TrayEntry trays[1];
  RibbonEntry ribbons[1];
  SubRibbonEntry subRibbons[1];
  RibbonOptionEntry ribbonOptions[1];
};

// The texts are made once and never released: the lists outlive every object.
Lists MakeLists() {
  Lists lists{};
  lists.models[0] = ModelEntry{0, 1, 0, kModelNameText, kModelNameText, kModelIcon, 0, 0, {0, 0}};
  MonitorEntry& monitor = lists.monitors[0];
  monitor.key = ANY_KEY;
  monitor.id = 1;
  monitor.portName = TextHeapAdd("Local Port");
  monitor.library = TextHeapAdd("LOCALSPL.DLL");
  monitor.flags = kLocalPortPlatforms;
  lists.trays[0] = TrayEntry{ANY_KEY, 1, 0, kTrayNameText, kTrayIcon, DCLDEFAULT, 0};
  lists.ribbons[0] = RibbonEntry{ANY_KEY, 1, 0, TextHeapAdd("BLACK"), 0, DCLDEFAULT, 0};
  lists.subRibbons[0] = SubRibbonEntry{1, 1, 0, TextHeapAdd("K"), kBlackAttributes};
  lists.ribbonOptions[0] = RibbonOptionEntry{1, 1, 0, TextHeapAdd("K"), 0, kBlackOptionFlags, 0};
  return lists;
}

}  // namespace

const BuiltInTables& BuiltIns() {
  static const Lists lists = MakeLists();
  static const BuiltInTables view{lists.models,     lists.monitors,      lists.trays, lists.ribbons,
                                  lists.subRibbons, lists.ribbonOptions, {}};
  return view;
}

}  // namespace trv::dcl
