#include "dcl/model/lookups.h"

#include <cstring>

#include "dcl/model/model_callbacks.h"
#include "dcl/model/text_heap.h"
#include "platform/kernel.h"

namespace trv::dcl {
namespace {

constexpr WORD kWin95 = 0x1000;
constexpr WORD kWin98Me = 0x2000;
constexpr WORD kWinNT4 = 0x4000;
constexpr WORD kWin2000 = 0x8000;

constexpr WORD kLimit = 1;
constexpr WORD kChoice = 2;
constexpr WORD kFreeText = 4;
constexpr WORD kLowLimit = 0x10;
constexpr WORD kHighLimit = 0x20;
constexpr int kChoiceTextSize = 1024;

bool Matches(DWORD entryKey, DWORD key) {
  return entryKey == (key & 0xFFFF) || entryKey == ANY_KEY;
}

template <class Entry, class Pred>
DWORD CountIf(const std::vector<Entry>& table, Pred pred) {
  DWORD count = 0;
  for (const Entry& entry : table)
    if (pred(entry)) ++count;
  return count;
}

template <class Entry, class Pred>
const Entry* NthIf(const std::vector<Entry>& table, DWORD n, Pred pred) {
  for (const Entry& entry : table) {
    if (!pred(entry)) continue;
    if (n == 0) return &entry;
    --n;
  }
  return nullptr;
}

template <class Entry>
auto KeyedBy(DWORD key) {
  return [key](const Entry& e) { return Matches(e.key, key); };
}

template <class Entry>
auto ExactlyKeyedBy(DWORD key) {
  return [key](const Entry& e) { return e.key == key; };
}

auto MonitorFilter(DWORD key, WORD platformBit) {
  return [key, platformBit](const MonitorEntry& e) {
    return Matches(e.key, key) && (e.flags & platformBit) != 0;
  };
}

const OptionEntry& Base(const OptionEntry& e) { return e; }
const OptionEntry& Base(const OptionEntryEx& e) { return e.base; }

template <class Entry>
auto SupportedOption(DWORD key, ModelCallbacks& callbacks) {
  return [key, &callbacks](const Entry& e) {
    const OptionEntry& base = Base(e);
    return Matches(base.key, key) && callbacks.SupportsOption(base.optionId);
  };
}

auto SubOption(WORD option, WORD kind) {
  return [option, kind](const SubOptionEntry& e) { return e.optionId == option && e.kind == kind; };
}

auto Limit(WORD option, WORD flag) {
  return [option, flag](const SubOptionEntry& e) {
    return e.optionId == option && e.kind == kLimit && (e.flags & flag) != 0;
  };
}

}  // namespace

WORD RunningPlatformBit() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return kWin2000;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT)
    return info.dwMajorVersion >= 5 ? kWin2000 : kWinNT4;
  return info.dwMinorVersion == 0 ? kWin95 : kWin98Me;
}

DWORD GetModelCount(const ModelTables& tables) { return static_cast<DWORD>(tables.models.size()); }

const ModelEntry* GetModel(const ModelTables& tables, DWORD index) {
  return index < tables.models.size() ? &tables.models[index] : nullptr;
}

DWORD GetMonitorCount(const ModelTables& tables, DWORD key, WORD platformBit) {
  return CountIf(tables.monitors, MonitorFilter(key, platformBit));
}

const MonitorEntry* GetMonitor(const ModelTables& tables, DWORD key, DWORD n, WORD platformBit) {
  return NthIf(tables.monitors, n, MonitorFilter(key, platformBit));
}

DWORD GetOptionCount(const ModelTables& tables, DWORD key, ModelCallbacks& callbacks) {
  if (!tables.optionsEx.empty())
    return CountIf(tables.optionsEx, SupportedOption<OptionEntryEx>(key, callbacks));
  return CountIf(tables.options, SupportedOption<OptionEntry>(key, callbacks));
}

const OptionEntry* GetOption(const ModelTables& tables, DWORD key, DWORD n,
                             ModelCallbacks& callbacks) {
  if (!tables.optionsEx.empty()) {
    const OptionEntryEx* e =
        NthIf(tables.optionsEx, n, SupportedOption<OptionEntryEx>(key, callbacks));
    return e != nullptr ? &e->base : nullptr;
  }
  return NthIf(tables.options, n, SupportedOption<OptionEntry>(key, callbacks));
}

const OptionEntryEx* GetOptionEx(const ModelTables& tables, DWORD key, DWORD n,
                                 ModelCallbacks& callbacks) {
  if (!tables.optionsEx.empty())
    return NthIf(tables.optionsEx, n, SupportedOption<OptionEntryEx>(key, callbacks));
  const OptionEntry* e = NthIf(tables.options, n, SupportedOption<OptionEntry>(key, callbacks));
  if (e == nullptr) return nullptr;
  static OptionEntryEx copy;  // library-wide, valid until the next call
  copy = OptionEntryEx{};
  copy.base = *e;
  return &copy;
}

DWORD GetTrayCount(const ModelTables& tables, DWORD key) {
  return CountIf(tables.trays, KeyedBy<TrayEntry>(key));
}
const TrayEntry* GetTray(const ModelTables& tables, DWORD key, DWORD n) {
  return NthIf(tables.trays, n, KeyedBy<TrayEntry>(key));
}
DWORD GetPaperCount(const ModelTables& tables, DWORD key) {
  return CountIf(tables.papers, KeyedBy<PaperEntry>(key));
}
const PaperEntry* GetPaper(const ModelTables& tables, DWORD key, DWORD n) {
  return NthIf(tables.papers, n, KeyedBy<PaperEntry>(key));
}
DWORD GetRibbonCount(const ModelTables& tables, DWORD key) {
  return CountIf(tables.ribbons, KeyedBy<RibbonEntry>(key));
}
const RibbonEntry* GetRibbon(const ModelTables& tables, DWORD key, DWORD n) {
  return NthIf(tables.ribbons, n, KeyedBy<RibbonEntry>(key));
}
DWORD GetSubRibbonCount(const ModelTables& tables, DWORD key) {
  return CountIf(tables.subRibbons, ExactlyKeyedBy<SubRibbonEntry>(key));
}
const SubRibbonEntry* GetSubRibbon(const ModelTables& tables, DWORD key, DWORD n) {
  return NthIf(tables.subRibbons, n, ExactlyKeyedBy<SubRibbonEntry>(key));
}

DWORD GetRibbonOptionCount(const ModelTables& tables, DWORD key, DWORD mask) {
  return CountIf(tables.ribbonOptions, [key, mask](const RibbonOptionEntry& e) {
    return e.key == key && (e.flags & mask) != 0;
  });
}

const RibbonOptionEntry* GetRibbonOption(const ModelTables& tables, DWORD key, DWORD mask,
                                         DWORD n) {
  return NthIf(tables.ribbonOptions, n, [key, mask](const RibbonOptionEntry& e) {
    return e.key == key && (e.flags & mask) != 0;
  });
}

DWORD GetTextFontCount(const ModelTables& tables, DWORD key) {
  return CountIf(tables.textFonts, KeyedBy<TextFontEntry>(key));
}
const TextFontEntry* GetTextFont(const ModelTables& tables, DWORD key, DWORD n) {
  return NthIf(tables.textFonts, n, KeyedBy<TextFontEntry>(key));
}
DWORD GetBarcodeFontCount(const ModelTables& tables, DWORD key) {
  return CountIf(tables.barcodeFonts, KeyedBy<BarcodeFontEntry>(key));
}
const BarcodeFontEntry* GetBarcodeFont(const ModelTables& tables, DWORD key, DWORD n) {
  return NthIf(tables.barcodeFonts, n, KeyedBy<BarcodeFontEntry>(key));
}

BOOL HasOptionRange(const ModelTables& tables, WORD option) {
  return CountIf(tables.subOptions, SubOption(option, kLimit)) != 0;
}

LONG GetOptionMinimum(const ModelTables& tables, WORD option) {
  const SubOptionEntry* e = NthIf(tables.subOptions, 0, Limit(option, kLowLimit));
  return e != nullptr ? e->value : 0;
}

LONG GetOptionMaximum(const ModelTables& tables, WORD option) {
  const SubOptionEntry* e = NthIf(tables.subOptions, 0, Limit(option, kHighLimit));
  return e != nullptr ? e->value : -1;
}

BOOL HasOptionChoices(const ModelTables& tables, WORD option) {
  return GetOptionChoiceCount(tables, option) != 0;
}

DWORD GetOptionChoiceCount(const ModelTables& tables, WORD option) {
  return CountIf(tables.subOptions, SubOption(option, kChoice));
}

const SubOptionEntry* GetOptionChoice(const ModelTables& tables, WORD option, DWORD n) {
  return NthIf(tables.subOptions, n, SubOption(option, kChoice));
}

LONG GetOptionChoiceValue(const ModelTables& tables, WORD option, DWORD n) {
  const SubOptionEntry* e = GetOptionChoice(tables, option, n);
  return e != nullptr ? e->value : 0;
}

std::string GetOptionChoiceText(const ModelTables& tables, WORD option, DWORD n,
                                ModelCallbacks& callbacks) {
  const SubOptionEntry* e = GetOptionChoice(tables, option, n);
  if (e == nullptr || e->text == 0) return {};
  if (IsStringId(e->text)) {
    char text[kChoiceTextSize] = {};
    callbacks.LoadText(e->text, text, kChoiceTextSize);
    return std::string(text, strnlen(text, kChoiceTextSize));
  }
  return TextHeapText(e->text);
}

BOOL IsOptionFreeText(const ModelTables& tables, WORD option) {
  return CountIf(tables.subOptions, SubOption(option, kFreeText)) != 0;
}

WORD GetOptionHelpId(const ModelTables& tables, WORD option) {
  for (const OptionEntryEx& e : tables.optionsEx)
    if (e.base.optionId == option && e.base.key == ANY_KEY) return e.base.helpId;
  for (const OptionEntry& e : tables.options)
    if (e.optionId == option && e.key == ANY_KEY) return e.helpId;
  return 0;
}

}  // namespace trv::dcl
