// The database's lists as the DCL object serves them. An entry matches a key k
// when its key equals the low 16 bits of k or is ANY_KEY; the n-th item (0-based)
// of a list is the n-th matching entry in table order, null past the end.
// Sub-ribbons and ribbon options are matched exactly: ANY_KEY is not special there.
#pragma once

#include <string>

#include "dcl/model/model_tables.h"

namespace trv::dcl {

class ModelCallbacks;

// The monitor-entry bit of the running platform: 0x1000 Windows 95, 0x2000
// Windows 98 and Me, 0x4000 Windows NT 4.0 and older, 0x8000 Windows 2000 and later.
WORD RunningPlatformBit();

DWORD GetModelCount(const ModelTables& tables);
const ModelEntry* GetModel(const ModelTables& tables, DWORD index);

// Monitors whose platform bits include platformBit.
DWORD GetMonitorCount(const ModelTables& tables, DWORD key, WORD platformBit);
const MonitorEntry* GetMonitor(const ModelTables& tables, DWORD key, DWORD n, WORD platformBit);

// Options the printer supports (callbacks.SupportsOption), from the extended
// options when there are any, else from the plain ones.
DWORD GetOptionCount(const ModelTables& tables, DWORD key, ModelCallbacks& callbacks);
const OptionEntry* GetOption(const ModelTables& tables, DWORD key, DWORD n,
                             ModelCallbacks& callbacks);
// Over plain options the entry is copied into a library-wide extended record whose
// extra fields are 0, valid until the next call.
const OptionEntryEx* GetOptionEx(const ModelTables& tables, DWORD key, DWORD n,
                                 ModelCallbacks& callbacks);

DWORD GetTrayCount(const ModelTables& tables, DWORD key);
const TrayEntry* GetTray(const ModelTables& tables, DWORD key, DWORD n);
DWORD GetPaperCount(const ModelTables& tables, DWORD key);
const PaperEntry* GetPaper(const ModelTables& tables, DWORD key, DWORD n);
DWORD GetRibbonCount(const ModelTables& tables, DWORD key);
const RibbonEntry* GetRibbon(const ModelTables& tables, DWORD key, DWORD n);
DWORD GetSubRibbonCount(const ModelTables& tables, DWORD key);
const SubRibbonEntry* GetSubRibbon(const ModelTables& tables, DWORD key, DWORD n);
// Ribbon options of the ribbon whose flags have a bit of mask (categories 0x100, 0x200).
DWORD GetRibbonOptionCount(const ModelTables& tables, DWORD key, DWORD mask);
const RibbonOptionEntry* GetRibbonOption(const ModelTables& tables, DWORD key, DWORD mask, DWORD n);
DWORD GetTextFontCount(const ModelTables& tables, DWORD key);
const TextFontEntry* GetTextFont(const ModelTables& tables, DWORD key, DWORD n);
DWORD GetBarcodeFontCount(const ModelTables& tables, DWORD key);
const BarcodeFontEntry* GetBarcodeFont(const ModelTables& tables, DWORD key, DWORD n);

// Sub-option queries: kind 1 entries are limits, kind 2 choices, kind 4 free text.
BOOL HasOptionRange(const ModelTables& tables, WORD option);
LONG GetOptionMinimum(const ModelTables& tables, WORD option);  // 0 without a low limit
LONG GetOptionMaximum(const ModelTables& tables, WORD option);  // -1 without a high limit
BOOL HasOptionChoices(const ModelTables& tables, WORD option);
DWORD GetOptionChoiceCount(const ModelTables& tables, WORD option);
// The n-th choice (its value, text, icon and flags); null past the end.
const SubOptionEntry* GetOptionChoice(const ModelTables& tables, WORD option, DWORD n);
LONG GetOptionChoiceValue(const ModelTables& tables, WORD option, DWORD n);
// The choice's text, a string-table text loaded through callbacks when the field
// holds an identifier; empty past the end.
std::string GetOptionChoiceText(const ModelTables& tables, WORD option, DWORD n,
                                ModelCallbacks& callbacks);
BOOL IsOptionFreeText(const ModelTables& tables, WORD option);
// The help topic of the option entry with this id and key ANY_KEY; 0 without one.
WORD GetOptionHelpId(const ModelTables& tables, WORD option);

// The lists above bound to one set of tables, in the shape the defaults walk
// (doc_defaults.h) expects of a DCL object.
class TableLists {
 public:
  explicit TableLists(const ModelTables& tables) : tables_(tables) {}
  DWORD GetTrayCount(DWORD key) const { return dcl::GetTrayCount(tables_, key); }
  const TrayEntry* GetTray(DWORD key, DWORD n) const { return dcl::GetTray(tables_, key, n); }
  DWORD GetPaperCount(DWORD key) const { return dcl::GetPaperCount(tables_, key); }
  const PaperEntry* GetPaper(DWORD key, DWORD n) const { return dcl::GetPaper(tables_, key, n); }
  DWORD GetRibbonCount(DWORD key) const { return dcl::GetRibbonCount(tables_, key); }
  const RibbonEntry* GetRibbon(DWORD key, DWORD n) const { return dcl::GetRibbon(tables_, key, n); }
  DWORD GetSubRibbonCount(DWORD key) const { return dcl::GetSubRibbonCount(tables_, key); }
  const SubRibbonEntry* GetSubRibbon(DWORD key, DWORD n) const {
    return dcl::GetSubRibbon(tables_, key, n);
  }
  DWORD GetRibbonOptionCount(DWORD key, DWORD mask) const {
    return dcl::GetRibbonOptionCount(tables_, key, mask);
  }
  const RibbonOptionEntry* GetRibbonOption(DWORD key, DWORD mask, DWORD n) const {
    return dcl::GetRibbonOption(tables_, key, mask, n);
  }

 private:
  const ModelTables& tables_;
};

}  // namespace trv::dcl
