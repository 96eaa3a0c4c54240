#include "dcl/object/label_options.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "dcl/object/option_table.h"
#include "dcl/object/option_value.h"
#include "platform/winerror.h"

namespace trv::dcl {
namespace {

// Library-wide buffers: what operations 11 and 93 hand out stays valid until the next call.
alignas(8) BYTE g_default[kUserCommandValueSize];
char g_text[1024];

const OptionRow* Row(WORD id) { return FindOptionRow(id); }

ValueLayout LayoutOf(WORD id) {
  const OptionRow* r = Row(id);
  return r != nullptr ? r->layout : ValueLayout::kPlain;
}

bool IsUserCommand(WORD id) { return LayoutOf(id) == ValueLayout::kUserCommand; }

bool IsTwoState(WORD id) {
  const OptionRow* r = Row(id);
  return r != nullptr && r->twoState;
}

// ---- groups by mode bit -------------------------------------------------------------

template <size_t N>
int GroupIndex(const std::array<DWORD, N>& modes, LONG bit) {
  for (size_t i = 0; i < N; ++i)
    if (modes[i] == static_cast<DWORD>(bit)) return static_cast<int>(i);
  return -1;
}

const DispenseGroup* DispenseFor(const PrinterConfig& c, LONG mode) {
  int i = GroupIndex(kDispenseGroupModes, mode);
  return i < 0 ? nullptr : &c.dispense[static_cast<size_t>(i)];
}

const TrackingGroup* TrackingFor(const PrinterConfig& c, LONG bit) {
  int i = GroupIndex(kTrackingGroupModes, bit);
  return i < 0 ? nullptr : &c.tracking[static_cast<size_t>(i)];
}

// The dispense words follow the mode; a mode without a group gives zeros.
void FillDispenseWords(const PrinterConfig& c, OptionValueEdit v) {
  const DispenseGroup* g = DispenseFor(c, v.Field<LONG>(kDispenseOffsetMode));
  DispenseGroup none{};
  if (g == nullptr) g = &none;
  v.SetField<LONG>(kDispenseOffsetChoice, g->choiceDefault);
  v.SetField<LONG>(kDispenseOffsetDelay, g->delayDefault);
  v.SetField<LONG>(kDispenseOffsetModeOffset, g->offsetDefault);
  v.SetField<LONG>(kDispenseOffsetBackfeed, g->backfeedDefault);
  v.SetField<DWORD>(kDispenseOffsetSwitches, g->switches);
}

void FillTrackingWords(const PrinterConfig& c, OptionValueEdit v) {
  const TrackingGroup* g = TrackingFor(c, v.Field<LONG>(kTrackingOffsetMode));
  TrackingGroup none{};
  if (g == nullptr) g = &none;
  v.SetField<LONG>(kTrackingOffsetHeight, g->heightDefault);
  v.SetField<LONG>(kTrackingOffsetSecond, g->secondDefault);
}

// ---- speed and darkness lists --------------------------------------------------------

const RangeSetting* ListedSetting(const PrinterConfig& c, WORD id) {
  const OptionRow* r = Row(id);
  return r != nullptr && r->choices.listed != nullptr ? r->choices.listed(c) : nullptr;
}

DWORD ListedCount(const RangeSetting& s) {
  return s.maximum > s.minimum ? static_cast<DWORD>(s.maximum - s.minimum + 1) : 0;
}

// The n-th comma-separated item; an empty item counts as missing.
bool ListItem(const std::string& list, DWORD n, std::string& item) {
  size_t start = 0;
  for (DWORD i = 0; i < n; ++i) {
    start = list.find(',', start);
    if (start == std::string::npos) return false;
    ++start;
  }
  size_t end = list.find(',', start);
  item = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
  return !item.empty();
}

// ---- value texts ---------------------------------------------------------------------

WORD FamilyBit(WORD family) {
  switch (family) {
    case 1: return 0x1;
    case 2: return 0x2;
    case 4: return 0x4;
    default: return 0;
  }
}

// The bit set an option's choices are drawn from.
bool ChoiceSet(const PrinterConfig& c, WORD id, DWORD& set) {
  const OptionRow* r = Row(id);
  if (r == nullptr || r->choices.bits == nullptr) return false;
  set = r->choices.bits(c);
  return true;
}

constexpr LONG kSharedEvent = 0x10;

}  // namespace

DWORD NthSetBit(DWORD set, DWORD n) {
  for (DWORD bit = 1; bit <= 0x8000; bit <<= 1) {
    if ((set & bit) == 0) continue;
    if (n == 0) return bit;
    --n;
  }
  return 0;
}

LabelOptions::LabelOptions(const PrinterConfig& config, OptionTextLoader loadText,
                           OptionValueFinder findValue)
    : config_(config), loadText_(std::move(loadText)), findValue_(std::move(findValue)) {}

BOOL LabelOptions::IsSupported(WORD id) const {
  const OptionRow* r = Row(id);
  return r != nullptr && r->offered != nullptr && r->offered(config_) ? TRUE : FALSE;
}

DWORD LabelOptions::ValueSize(WORD id) const {
  switch (LayoutOf(id)) {
    case ValueLayout::kDispense: return kDispenseValueSize;
    case ValueLayout::kTracking: return kTrackingValueSize;
    case ValueLayout::kUserCommand: return kUserCommandValueSize;
    case ValueLayout::kPlain: break;
  }
  return kPlainValueSize;
}

const BYTE* LabelOptions::Default(WORD id) const {
  const OptionRow* r = Row(id);
  const WORD flags = static_cast<WORD>(r != nullptr ? r->flags & kValueSwitchedOn : 0);
  std::memset(g_default, 0, sizeof g_default);
  OptionValueEdit value = OptionValueEdit::Start(g_default, ValueSize(id), id, flags);
  value.SetSetting(r != nullptr && r->defaultSetting != nullptr ? r->defaultSetting(config_) : 0);
  if (LayoutOf(id) == ValueLayout::kDispense) FillDispenseWords(config_, value);
  if (LayoutOf(id) == ValueLayout::kTracking) FillTrackingWords(config_, value);
  return g_default;
}

BOOL LabelOptions::IsEnabled(WORD id) const {
  const bool modal = id == kOptionDispenseMode || id == kOptionMediaTracking;
  if (!modal && !IsUserCommand(id)) return TRUE;
  const OptionValueView value(findValue_ ? findValue_(id) : nullptr);
  if (value.IsNull()) return modal ? FALSE : TRUE;
  const LONG word = value.Setting();
  if (id == kOptionDispenseMode) {
    const DispenseGroup* g = DispenseFor(config_, word);
    return g != nullptr && g->offered != 0;
  }
  if (id == kOptionMediaTracking) {
    const TrackingGroup* g = TrackingFor(config_, word);
    return g != nullptr && g->offered != 0;
  }
  return word != 0;
}

BOOL LabelOptions::HasRange(WORD id) const {
  const OptionRow* r = Row(id);
  return r != nullptr && r->range.shown ? TRUE : FALSE;
}

LONG LabelOptions::Minimum(WORD id) const {
  const OptionRow* r = Row(id);
  return r != nullptr && r->range.minimum != nullptr ? r->range.minimum(config_) : 0;
}

LONG LabelOptions::Maximum(WORD id) const {
  const OptionRow* r = Row(id);
  return r != nullptr && r->range.maximum != nullptr ? r->range.maximum(config_) : 0;
}

BOOL LabelOptions::IsFreeText(WORD id) const {
  const RangeSetting& d = config_.darkness;
  return id == kOptionDarkness && d.display.empty() && d.maximum > d.minimum;
}

BOOL LabelOptions::HasChoices(WORD id) const {
  if (id == kOptionPrefixGroup) return FALSE;
  if (id == kOptionDarkness) return !config_.darkness.display.empty() && ChoiceCount(id) != 0;
  return ChoiceCount(id) != 0;
}

DWORD LabelOptions::ChoiceCount(WORD id) const {
  if (IsTwoState(id) || IsUserCommand(id)) return 2;
  if (const RangeSetting* s = ListedSetting(config_, id)) return ListedCount(*s);
  DWORD set = 0;
  if (ChoiceSet(config_, id, set)) return static_cast<DWORD>(std::popcount(set & 0xFFFF));
  return 0;
}

LONG LabelOptions::ChoiceValue(WORD id, DWORD n) const {
  if (IsTwoState(id) || IsUserCommand(id) || id == kOptionPrefixGroup) return static_cast<LONG>(n);
  if (const RangeSetting* s = ListedSetting(config_, id)) {
    // Missing items count up from the minimum, so every choice stays within the range.
    std::string item;
    if (ListItem(s->values, n, item)) return std::atol(item.c_str());
    return s->minimum + static_cast<LONG>(n);
  }
  DWORD set = 0;
  if (ChoiceSet(config_, id, set)) return static_cast<LONG>(NthSetBit(set, n));
  return 0;
}

const char* LabelOptions::ChoiceText(WORD id, DWORD n) const {
  if (IsUserCommand(id)) return n == 0 ? LoadedText(12417) : UserCommandText(id);
  if (const RangeSetting* s = ListedSetting(config_, id)) {
    std::string item;
    if (ListItem(s->display, n, item))
      std::snprintf(g_text, sizeof g_text, "%s", item.c_str());
    else
      std::snprintf(g_text, sizeof g_text, "%ld",
                    static_cast<long>(s->minimum) + static_cast<long>(n));
    return g_text;
  }
  if (IsTwoState(id) || id == kOptionPrefixGroup || ChoiceCount(id) != 0)
    return ValueText(id, ChoiceValue(id, n));
  g_text[0] = '\0';
  return g_text;
}

const char* LabelOptions::ValueText(WORD id, LONG value) const {
  const WORD family = FamilyBit(config_.family);
  const OptionRow* r = Row(id);
  for (const OptionValueText& row : r != nullptr ? r->texts : std::span<const OptionValueText>{}) {
    if ((row.families & family) == 0 || row.value != value) continue;
    if (row.newCommandSet && config_.newCommandSet == 0) continue;
    const char* text = LoadedText(row.text);
    if (text[0] != '\0') return text;
    break;
  }
  std::snprintf(g_text, sizeof g_text, "0x%.8lX",
                static_cast<unsigned long>(static_cast<DWORD>(value)));
  return g_text;
}

void LabelOptions::ApplyChange(WORD id, BYTE* value, DWORD mode) const {
  if (value == nullptr || (mode & (0x01 | 0x08)) == 0) return;
  if (id == kOptionDispenseMode) FillDispenseWords(config_, OptionValueEdit(value));
  if (id == kOptionMediaTracking) FillTrackingWords(config_, OptionValueEdit(value));
  if (id == kOptionPowerUpAction || id == kOptionHeadCloseAction)
    CoupleEvents(id, OptionValueView(value));
}

const char* LabelOptions::LoadedText(UINT id) const {
  g_text[0] = '\0';
  if (loadText_) {
    int n = loadText_(id, g_text, static_cast<int>(sizeof g_text));
    if (n <= 0) g_text[0] = '\0';
    g_text[sizeof g_text - 1] = '\0';
  }
  return g_text;
}

// A set command is shown by its text, long ones by their start; an unset one by name.
const char* LabelOptions::UserCommandText(WORD id) const {
  const BYTE* bytes = findValue_ ? findValue_(id) : nullptr;
  const OptionValueView value(bytes, kUserCommandValueSize);
  if (value.IsNull() || value.Field<LONG>(kUserCommandOffsetTextSet) == 0) return LoadedText(12418);
  const std::string_view text = value.Text(kUserCommandOffsetText);
  if (text.size() > 20)
    std::snprintf(g_text, sizeof g_text, "%.16s ...", text.data());
  else
    std::snprintf(g_text, sizeof g_text, "%.*s", static_cast<int>(text.size()), text.data());
  return g_text;
}

// Power-up and head close share the one action 0x10: choosing it for one chooses
// it for both, leaving it for one moves the other to its own first action.
void LabelOptions::CoupleEvents(WORD id, OptionValueView value) const {
  const WORD otherId =
      id == kOptionPowerUpAction ? WORD{kOptionHeadCloseAction} : WORD{kOptionPowerUpAction};
  OptionValueEdit other(findValue_ ? findValue_(otherId) : nullptr);
  if (other.IsNull()) return;
  if (value.Setting() == kSharedEvent) {
    other.SetSetting(kSharedEvent);
    return;
  }
  if (other.Setting() != kSharedEvent) return;
  const DWORD choices =
      otherId == kOptionPowerUpAction ? config_.powerUp.choices : config_.headClose.choices;
  for (DWORD bit : {0x01u, 0x02u, 0x04u, 0x08u}) {
    if (choices & bit) {
      other.SetSetting(static_cast<LONG>(bit));
      return;
    }
  }
}

bool LabelOptions::HasDialog(WORD optionId) {
  const OptionRow* r = Row(optionId);
  return r != nullptr && r->dialog != OptionDialogKind::kNoDialog;
}

DWORD LabelOptions::CheckDialogValue(WORD optionId, const BYTE* value) const {
  const OptionRow* r = Row(optionId);
  const OptionDialogKind dialog = r != nullptr ? r->dialog : OptionDialogKind::kNoDialog;
  const bool needsValue = dialog == OptionDialogKind::kDispenseDialog ||
                          dialog == OptionDialogKind::kTrackingDialog ||
                          dialog == OptionDialogKind::kUserCommandDialog;
  if (!needsValue) return ERROR_SUCCESS;
  if (value == nullptr) return ERROR_INVALID_PARAMETER;
  // The size field is not consulted here: the dialogs are handed values whose head
  // the host may not have filled in.
  const LONG setting = OptionValueView::Unsized(value, kPlainValueSize).Setting();
  // The dispense and tracking dialogs edit the settings of one mode's group.
  if (dialog == OptionDialogKind::kDispenseDialog)
    return GroupIndex(kDispenseGroupModes, setting) < 0 ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  if (dialog == OptionDialogKind::kTrackingDialog)
    return GroupIndex(kTrackingGroupModes, setting) < 0 ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  return ERROR_SUCCESS;
}

}  // namespace trv::dcl
