// The defaults a new DocProps blob records for a model: its default tray, the
// default paper of that tray, the default ribbon of that paper, the paper's
// placement code, the default ribbon option of the ribbon and the complementary
// ribbon option.
//
// The walk goes through the list operations of whatever serves the lists (the DCL
// object, whose papers are the printer's installed ones, or TableLists over the
// bare tables): GetTrayCount/GetTray, GetPaperCount/GetPaper,
// GetRibbonCount/GetRibbon, GetSubRibbonCount/GetSubRibbon and
// GetRibbonOptionCount/GetRibbonOption. An item may live in a buffer that the next
// call reuses, so the walk copies what it needs at once.
#pragma once

#include <vector>

#include "dcl/model/entries.h"

namespace trv::dcl {

struct DocDefaults {
  WORD tray = 0;
  WORD paper = 0;
  WORD ribbon = 0;
  WORD placement = 2;
  WORD ribbonOption = 0;
  WORD complementaryRibbonOption = 0;
};

namespace defaults_detail {

constexpr WORD kDefaultPlacement = 2;
constexpr WORD kPlacementBits = 0x0003;
constexpr DWORD kFirstCategory = 0x0100;
constexpr DWORD kSecondCategory = 0x0200;

// An entry's own key; ANY_KEY there stands for the key that was queried.
inline WORD OwnKey(WORD id, WORD queried) { return id == ANY_KEY ? queried : id; }

// The first flagged entry of a list, else the last one seen, else 0.
template <class Count, class Item>
WORD DefaultOf(WORD queried, Count count, Item item) {
  WORD result = 0;
  DWORD n = count();
  for (DWORD i = 0; i < n; ++i) {
    const auto* entry = item(i);
    if (entry == nullptr) break;
    result = OwnKey(entry->id, queried);
    if (entry->flags & DCLDEFAULT) break;
  }
  return result;
}

template <class Lists>
std::vector<WORD> SubRibbonsOf(Lists& lists, WORD key) {
  std::vector<WORD> ids;
  DWORD n = lists.GetSubRibbonCount(key);
  for (DWORD i = 0; i < n; ++i) {
    const auto* entry = lists.GetSubRibbon(key, i);
    if (entry == nullptr) break;
    ids.push_back(entry->id);
  }
  return ids;
}

// Same count, and every id of b matched by a different id of a.
inline bool SameSet(const std::vector<WORD>& a, const std::vector<WORD>& b) {
  if (a.size() != b.size()) return false;
  std::vector<bool> used(a.size(), false);
  for (WORD id : b) {
    size_t i = 0;
    while (i < a.size() && (used[i] || a[i] != id)) ++i;
    if (i == a.size()) return false;
    used[i] = true;
  }
  return true;
}

template <class Lists>
WORD PlacementOf(Lists& lists, WORD tray, WORD paper) {
  WORD placement = 0;
  DWORD n = lists.GetPaperCount(tray);
  for (DWORD i = 0; i < n; ++i) {
    const auto* entry = lists.GetPaper(tray, i);
    if (entry == nullptr) break;
    if (OwnKey(entry->id, tray) == paper) placement = entry->flags & kPlacementBits;
  }
  return placement != 0 ? placement : kDefaultPlacement;
}

template <class Lists>
WORD DefaultRibbonOption(Lists& lists, WORD ribbon) {
  DWORD n = lists.GetRibbonOptionCount(ribbon, kFirstCategory);
  for (DWORD i = 0; i < n; ++i) {
    const auto* entry = lists.GetRibbonOption(ribbon, kFirstCategory, i);
    if (entry == nullptr) break;
    if (entry->flags & DCLDEFAULT) {
      WORD id = entry->id;
      return id == 0 || id == ANY_KEY ? ribbon : id;
    }
  }
  return ribbon;
}

// The second-category option of the ribbon whose sub-ribbons are exactly those of
// the ribbon that the default ribbon option leaves out.
template <class Lists>
WORD ComplementaryOption(Lists& lists, WORD ribbon, WORD option) {
  std::vector<WORD> ribbonSubs = SubRibbonsOf(lists, ribbon);
  std::vector<WORD> optionSubs = SubRibbonsOf(lists, option);
  if (ribbonSubs.empty() || optionSubs.empty()) return 0;
  std::vector<WORD> rest;
  for (WORD id : ribbonSubs) {
    bool covered = false;
    for (WORD o : optionSubs) covered = covered || o == id;
    if (!covered) rest.push_back(id);
  }
  std::vector<WORD> candidates;
  DWORD n = lists.GetRibbonOptionCount(ribbon, kSecondCategory);
  for (DWORD i = 0; i < n; ++i) {
    const auto* entry = lists.GetRibbonOption(ribbon, kSecondCategory, i);
    if (entry == nullptr) break;
    candidates.push_back(OwnKey(entry->id, ribbon));
  }
  for (WORD candidate : candidates)
    if (SameSet(SubRibbonsOf(lists, candidate), rest)) return candidate;
  return 0;
}

}  // namespace defaults_detail

template <class Lists>
DocDefaults GetDocDefaults(Lists& lists, WORD model) {
  using namespace defaults_detail;
  DocDefaults d;
  d.tray = DefaultOf(
      model, [&] { return lists.GetTrayCount(model); },
      [&](DWORD i) { return lists.GetTray(model, i); });
  d.paper = DefaultOf(
      d.tray, [&] { return lists.GetPaperCount(d.tray); },
      [&](DWORD i) { return lists.GetPaper(d.tray, i); });
  d.ribbon = DefaultOf(
      d.paper, [&] { return lists.GetRibbonCount(d.paper); },
      [&](DWORD i) { return lists.GetRibbon(d.paper, i); });
  d.placement = PlacementOf(lists, d.tray, d.paper);
  d.ribbonOption = DefaultRibbonOption(lists, d.ribbon);
  d.complementaryRibbonOption = ComplementaryOption(lists, d.ribbon, d.ribbonOption);
  return d;
}

}  // namespace trv::dcl
