#include "dcl/object/list_scheme.h"

#include <cstring>
#include <string>
#include <vector>

#include "dcl/model/text_heap.h"
#include "dcl/object/dcl_base.h"
#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv::dcl {
namespace {

struct ListShape {
  ListKind kind;
  DWORD itemSize;
  std::vector<DWORD> stringOffsets;
  bool replaceKey;
};

const ListShape* ShapeOf(ListKind kind) {
  using enum ListKind;
  static const ListShape kShapes[] = {
      {kModels, 36, {12, 8}, false},   {kMonitors, 52, {8, 12}, true},
      {kOptions, 32, {8, 20}, true},   {kOptionsEx, 52, {8, 20, 32}, true},
      {kTrays, 20, {8}, true},         {kPapers, 60, {8}, true},
      {kRibbons, 20, {8}, true},       {kSubRibbons, 16, {8}, false},
      {kRibbonOptions, 20, {8}, true}, {kTextFonts, 136, {}, false},
      {kBarcodeFonts, 128, {}, false},
  };
  for (const ListShape& s : kShapes)
    if (s.kind == kind) return &s;
  return nullptr;
}

DWORD CountOf(CDCLBase* o, ListKind kind, DWORD key, DWORD category) {
  using enum ListKind;
  switch (kind) {
    case kModels: return o->GetModelCount();
    case kMonitors: return o->GetMonitorCount(key);
    case kOptions:
    case kOptionsEx: return o->GetOptionCount(key);
    case kTrays: return o->GetTrayCount(key);
    case kPapers: return o->GetPaperCount(key);
    case kRibbons: return o->GetRibbonCount(key);
    case kSubRibbons: return o->GetSubRibbonCount(key);
    case kRibbonOptions: return o->GetRibbonOptionCount(key, category);
    case kTextFonts: return o->GetTextFontCount(key);
    case kBarcodeFonts: return o->GetBarcodeFontCount(key);
  }
  return 0;
}

const void* ItemOf(CDCLBase* o, ListKind kind, DWORD key, DWORD category, DWORD n) {
  using enum ListKind;
  switch (kind) {
    case kModels: return o->GetModel(n);
    case kMonitors: return o->GetMonitor(key, n);
    case kOptions: return o->GetOption(key, n);
    case kOptionsEx: return o->GetOptionEx(key, n);
    case kTrays: return o->GetTray(key, n);
    case kPapers: return o->GetPaper(key, n);
    case kRibbons: return o->GetRibbon(key, n);
    case kSubRibbons: return o->GetSubRibbon(key, n);
    case kRibbonOptions: return o->GetRibbonOption(key, category, n);
    case kTextFonts: return o->GetTextFont(key, n);
    case kBarcodeFonts: return o->GetBarcodeFont(key, n);
  }
  return nullptr;
}

// The text a string field stands for: a language-file text for an identifier, the
// heap text for a handle, nothing for 0.
std::string ResolveText(CDCLBase* o, DWORD field) {
  if (field == 0) return "";
  if (IsStringId(field)) {
    char loaded[520] = "";
    o->LoadString(nullptr, field, loaded, sizeof loaded);
    loaded[sizeof loaded - 1] = 0;
    return loaded;
  }
  return TextHeapText(field);
}

struct PreparedItem {
  std::vector<BYTE> bytes;
  std::vector<std::string> texts;  // one per string field
};

}  // namespace

BOOL QueryList(CDCLBase* object, ListKind kind, DWORD key, DWORD category, BYTE* buffer, DWORD size,
               DWORD* needed, DWORD* count) {
  if (!CDCLBase::IsValid(object)) return Fail(ERROR_INVALID_PARAMETER);
  const ListShape* k = ShapeOf(kind);
  if (k == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  DWORD n = CountOf(object, kind, key, category);
  // The texts are resolved once, so that what is measured is what is written.
  std::vector<PreparedItem> items;
  items.reserve(n);
  DWORD total = 0;
  for (DWORD i = 0; i < n; ++i) {
    SetLastError(ERROR_SUCCESS);
    const void* item = ItemOf(object, kind, key, category, i);
    if (item == nullptr) {
      // An entry that is counted but cannot be read (an installed entry whose
      // registry value is damaged) fails the query as a failed read of the list
      // does; a blank entry in its place would pass for a real one.
      if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_CANTREAD);
      return FALSE;
    }
    PreparedItem p;
    p.bytes.assign(k->itemSize, 0);
    std::memcpy(p.bytes.data(), item, k->itemSize);
    total += k->itemSize;
    for (DWORD offset : k->stringOffsets) {
      DWORD field;
      std::memcpy(&field, p.bytes.data() + offset, 4);
      p.texts.push_back(ResolveText(object, field));
      total += static_cast<DWORD>(p.texts.back().size() + 1);
    }
    items.push_back(std::move(p));
  }
  if (needed != nullptr) *needed = total;
  if (count != nullptr) *count = n;
  if (buffer == nullptr || size < total) return Fail(ERROR_INSUFFICIENT_BUFFER);
  DWORD textAt = n * k->itemSize;
  for (DWORD i = 0; i < n; ++i) {
    PreparedItem& p = items[i];
    std::memcpy(p.bytes.data(), &k->itemSize, 4);
    if (k->replaceKey) {
      WORD itemKey;
      std::memcpy(&itemKey, p.bytes.data() + 4, 2);
      if (itemKey == 0xFFFF) {
        WORD queried = static_cast<WORD>(key);
        std::memcpy(p.bytes.data() + 4, &queried, 2);
      }
    }
    for (size_t s = 0; s < k->stringOffsets.size(); ++s) {
      std::memcpy(buffer + textAt, p.texts[s].c_str(), p.texts[s].size() + 1);
      std::memcpy(p.bytes.data() + k->stringOffsets[s], &textAt, 4);
      textAt += static_cast<DWORD>(p.texts[s].size() + 1);
    }
    std::memcpy(buffer + i * k->itemSize, p.bytes.data(), k->itemSize);
  }
  return TRUE;
}

}  // namespace trv::dcl
