#include "dcl/object/option_blobs.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "dcl/object/dcl_base.h"
#include "platform/kernel.h"

namespace trv::dcl {
namespace {

template <typename T>
void Put(BYTE* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

template <typename T>
T Get(const BYTE* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

DWORD HeaderSize(bool device) { return device ? kDevPropsHeaderSize : kDocPropsHeaderSize; }
WORD ScopeBit(bool device) { return device ? OPTION_SCOPE_DEVICE : OPTION_SCOPE_DOCUMENT; }

// The options of the model that belong in the blob, in list order.
std::vector<WORD> ScopeOptions(CDCLBase* o, WORD modelKey, bool device) {
  std::vector<WORD> ids;
  DWORD n = o->GetOptionCount(modelKey);
  for (DWORD i = 0; i < n; ++i) {
    const OptionEntry* e = o->GetOption(modelKey, i);
    if (e != nullptr && (e->flags & ScopeBit(device))) ids.push_back(e->optionId);
  }
  return ids;
}

DWORD ValuesSize(CDCLBase* o, const std::vector<WORD>& ids) {
  DWORD total = 0;
  for (WORD id : ids) total += o->GetOptionValueSize(id);
  return total;
}

// The pointer field of a blob header holds the low 32 bits of the first value's
// address: a defined value for a 4-byte field; consumers use their own pointer.
void PutValuePointer(BYTE* blob, bool device) {
  DWORD at = device ? 16 : 28;
  Put<DWORD>(blob + at, static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(blob + HeaderSize(device))));
}

// Walks the n-th matching entry of a list and returns the id it stands for: its own
// id, or the queried key when the id is 0xFFFF.
template <typename Entry, typename Count, typename Item>
WORD DefaultOf(Count count, Item item, WORD key) {
  DWORD n = count();
  WORD last = 0;
  for (DWORD i = 0; i < n; ++i) {
    const Entry* e = item(i);
    if (e == nullptr) continue;
    WORD id = e->id == 0xFFFF ? key : e->id;
    if (e->flags & DCLDEFAULT) return id;
    last = id;
  }
  return last;
}

std::vector<WORD> SubRibbonIds(CDCLBase* o, WORD ribbon) {
  std::vector<WORD> ids;
  DWORD n = o->GetSubRibbonCount(ribbon);
  for (DWORD i = 0; i < n; ++i)
    if (const SubRibbonEntry* e = o->GetSubRibbon(ribbon, i)) ids.push_back(e->id);
  return ids;
}

// Same count and every key matched once.
bool SameSet(std::vector<WORD> a, std::vector<WORD> b) {
  if (a.size() != b.size()) return false;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

WORD ComplementaryRibbonOption(CDCLBase* o, WORD ribbon, WORD ribbonOption) {
  std::vector<WORD> ofRibbon = SubRibbonIds(o, ribbon);
  std::vector<WORD> ofOption = SubRibbonIds(o, ribbonOption);
  if (ofRibbon.empty() || ofOption.empty()) return 0;
  std::vector<WORD> rest;
  for (WORD id : ofRibbon)
    if (std::find(ofOption.begin(), ofOption.end(), id) == ofOption.end()) rest.push_back(id);
  DWORD n = o->GetRibbonOptionCount(ribbon, 0x200);
  for (DWORD i = 0; i < n; ++i) {
    const RibbonOptionEntry* e = o->GetRibbonOption(ribbon, 0x200, i);
    if (e != nullptr && SameSet(SubRibbonIds(o, e->id), rest)) return e->id;
  }
  return 0;
}

}  // namespace

ModelDefaults WalkModelDefaults(CDCLBase* o, WORD modelKey) {
  ModelDefaults d;
  d.tray = DefaultOf<TrayEntry>([&] { return o->GetTrayCount(modelKey); },
                                [&](DWORD i) { return o->GetTray(modelKey, i); }, modelKey);
  d.paper = DefaultOf<PaperEntry>([&] { return o->GetPaperCount(d.tray); },
                                  [&](DWORD i) { return o->GetPaper(d.tray, i); }, d.tray);
  d.ribbon = DefaultOf<RibbonEntry>([&] { return o->GetRibbonCount(d.paper); },
                                    [&](DWORD i) { return o->GetRibbon(d.paper, i); }, d.paper);
  // Placement: the last paper entry of the tray that is the default paper.
  WORD placement = 0;
  DWORD papers = o->GetPaperCount(d.tray);
  for (DWORD i = 0; i < papers; ++i) {
    const PaperEntry* e = o->GetPaper(d.tray, i);
    if (e != nullptr && (e->id == 0xFFFF ? d.tray : e->id) == d.paper) placement = e->flags & 0x3;
  }
  d.placement = placement == 0 ? 2 : placement;
  // The first flagged ribbon option of category 0x100, else the ribbon itself.
  d.ribbonOption = d.ribbon;
  DWORD options = o->GetRibbonOptionCount(d.ribbon, 0x100);
  for (DWORD i = 0; i < options; ++i) {
    const RibbonOptionEntry* e = o->GetRibbonOption(d.ribbon, 0x100, i);
    if (e != nullptr && (e->flags & DCLDEFAULT)) {
      d.ribbonOption = e->id != 0 ? e->id : d.ribbon;
      break;
    }
  }
  d.complementaryRibbonOption = ComplementaryRibbonOption(o, d.ribbon, d.ribbonOption);
  return d;
}

BOOL GetOptionBlob(CDCLBase* o, bool device, WORD modelKey, BYTE* buffer, DWORD size,
                   DWORD* needed) {
  if (!CDCLBase::IsValid(o)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<WORD> ids = ScopeOptions(o, modelKey, device);
  DWORD values = ValuesSize(o, ids);
  DWORD total = HeaderSize(device) + values;
  if (needed != nullptr) *needed = total;
  if (buffer == nullptr || size < total) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memset(buffer, 0, HeaderSize(device));
  Put<DWORD>(buffer, HeaderSize(device));
  Put<DWORD>(buffer + 4, o->GetVersionNumber());
  Put<DWORD>(buffer + 8, values);
  Put<WORD>(buffer + 12, modelKey);
  if (!device) {
    ModelDefaults d = WalkModelDefaults(o, modelKey);
    Put<WORD>(buffer + 14, d.tray);
    Put<WORD>(buffer + 16, d.paper);
    Put<WORD>(buffer + 18, d.ribbon);
    Put<WORD>(buffer + 20, d.placement);
    Put<WORD>(buffer + 22, d.ribbonOption);
    Put<WORD>(buffer + 24, d.complementaryRibbonOption);
  }
  PutValuePointer(buffer, device);
  BYTE* at = buffer + HeaderSize(device);
  for (WORD id : ids) {
    DWORD valueSize = o->GetOptionValueSize(id);
    const BYTE* value = o->GetOptionDefault(id);
    if (value != nullptr) std::memcpy(at, value, valueSize);
    else std::memset(at, 0, valueSize);
    o->NotifyOptionChanged(id, at, OPTION_WRITTEN_AS_DEFAULT);
    at += valueSize;
  }
  return TRUE;
}

BOOL SetOptionBlob(CDCLBase* o, bool device, WORD modelKey, BYTE* buffer, DWORD size) {
  if (!CDCLBase::IsValid(o) || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<WORD> ids = ScopeOptions(o, modelKey, device);
  DWORD values = ValuesSize(o, ids);
  if (size != HeaderSize(device) + values) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Put<DWORD>(buffer, HeaderSize(device));
  Put<DWORD>(buffer + 8, values);
  PutValuePointer(buffer, device);
  BOOL attached = device ? o->AttachDevProps(buffer) : o->AttachDocProps(buffer);
  if (!attached) return FALSE;
  for (WORD id : ids)
    if (BYTE* value = FindOptionValue(buffer, device, id)) o->NotifyOptionChanged(id, value, OPTION_ATTACHED);
  return TRUE;
}

BYTE* FindOptionValue(BYTE* blob, bool device, WORD optionId) {
  if (blob == nullptr) return nullptr;
  DWORD header = Get<DWORD>(blob);
  if (header != HeaderSize(device)) return nullptr;
  DWORD values = Get<DWORD>(blob + 8);
  DWORD at = 0;
  while (at + 6 <= values) {
    BYTE* value = blob + header + at;
    DWORD valueSize = Get<DWORD>(value);
    if (valueSize < 6 || valueSize > values - at) return nullptr;  // a broken size ends the walk
    if (Get<WORD>(value + 4) == optionId) return value;
    at += valueSize;
  }
  return nullptr;
}

WORD OptionScope(CDCLBase* o, WORD modelKey, WORD optionId) {
  DWORD n = o->GetOptionCount(modelKey);
  for (DWORD i = 0; i < n; ++i) {
    const OptionEntry* e = o->GetOption(modelKey, i);
    if (e != nullptr && e->optionId == optionId) return e->flags & (OPTION_SCOPE_DOCUMENT | OPTION_SCOPE_DEVICE);
  }
  return 0;
}

}  // namespace trv::dcl
