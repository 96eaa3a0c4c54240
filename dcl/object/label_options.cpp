#include "dcl/object/label_options.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "dcl/object/option_table.h"
#include "platform/winerror.h"

namespace trv::dcl {
namespace {

// ---- value layout --------------------------------------------------------------------

constexpr DWORD kHeadSize = 8;
constexpr DWORD kSettingOffset = 8;
constexpr DWORD kUserCommandSize = 80;
constexpr DWORD kUserCommandTextOffset = 12;
constexpr WORD kSwitchedOn = 0x1000;

// Library-wide buffers: what operations 11 and 93 hand out stays valid until the next call.
alignas(8) BYTE g_default[kUserCommandSize];
char g_text[1024];

DWORD SizeOf(const BYTE* value) {
  DWORD size = 0;
  std::memcpy(&size, value, sizeof size);
  return size;
}

// A word of a value; 0 when the value is too short to hold it.
LONG Word(const BYTE* value, DWORD offset) {
  LONG word = 0;
  if (value != nullptr && SizeOf(value) >= offset + sizeof word)
    std::memcpy(&word, value + offset, sizeof word);
  return word;
}

void SetWord(BYTE* value, DWORD offset, LONG word) {
  if (value != nullptr && SizeOf(value) >= offset + sizeof word)
    std::memcpy(value + offset, &word, sizeof word);
}

bool IsUserCommand(WORD id) { return id == 0x3041 || id == 0x3042 || id == 0x3044 || id == 0x3045; }

bool IsTwoState(WORD id) {
  switch (id) {
    case 0x1004:
    case 0x1006:
    case 0x1007:
    case 0x100A:
    case 0x3006:
    case 0x3018:
    case 0x3021:
    case 0x3022:
    case 0x3047:
    case 0x3049:
    case 0x3050: return true;
    default: return false;
  }
}

const OptionEntryEx* FindEntry(WORD id) {
  for (const OptionEntryEx& e : OptionTable())
    if (e.base.optionId == id) return &e;
  return nullptr;
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
void FillDispenseWords(const PrinterConfig& c, BYTE* value) {
  const DispenseGroup* g = DispenseFor(c, Word(value, kSettingOffset));
  DispenseGroup none{};
  if (g == nullptr) g = &none;
  SetWord(value, 12, g->choiceDefault);
  SetWord(value, 16, g->delayDefault);
  SetWord(value, 20, g->offsetDefault);
  SetWord(value, 24, g->backfeedDefault);
  SetWord(value, 28, static_cast<LONG>(g->switches));
}

void FillTrackingWords(const PrinterConfig& c, BYTE* value) {
  const TrackingGroup* g = TrackingFor(c, Word(value, kSettingOffset));
  TrackingGroup none{};
  if (g == nullptr) g = &none;
  SetWord(value, 12, g->heightDefault);
  SetWord(value, 16, g->secondDefault);
}

// ---- speed and darkness lists --------------------------------------------------------

const RangeSetting* ListedSetting(const PrinterConfig& c, WORD id) {
  switch (id) {
    case 0x3008: return &c.printSpeed;
    case 0x3009: return &c.slewSpeed;
    case 0x3010: return &c.backfeedSpeed;
    case 0x3012: return &c.darkness;
    default: return nullptr;
  }
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

struct ValueTextRow {
  WORD families;  // 0x1 CPCL, 0x2 EPL, 0x4 the third family
  WORD option;
  LONG value;
  UINT text;
  bool newCommandSet = false;  // the row counts only with the new command set
};

constexpr ValueTextRow kValueTexts[] = {
    {0x7, 0x1004, 1, 81},
    {0x7, 0x1004, 0, 82},
    {0x7, 0x1006, 1, 81},
    {0x7, 0x1006, 0, 82},
    {0x7, 0x1007, 1, 81},
    {0x7, 0x1007, 0, 82},
    {0x7, 0x3006, 1, 81},
    {0x7, 0x3006, 0, 82},
    {0x7, 0x3021, 1, 81},
    {0x7, 0x3021, 0, 82},
    {0x7, 0x3047, 1, 12566},
    {0x7, 0x3047, 0, 12567},
    {0x7, 0x100A, 1, 74},
    {0x7, 0x100A, 0, 75},
    {0x7, 0x3018, 1, 74},
    {0x7, 0x3018, 0, 75},
    {0x7, 0x3022, 1, 74},
    {0x7, 0x3022, 0, 75},
    {0x1, 0x2001, 0x01, 12399},
    {0x2, 0x2001, 0x01, 12399},
    {0x4, 0x2001, 0x01, 12275},
    {0x7, 0x2001, 0x02, 12276},
    {0x1, 0x2001, 0x04, 12351},
    {0x2, 0x2001, 0x04, 12352},
    {0x4, 0x2001, 0x04, 12353},
    {0x1, 0x2001, 0x08, 12279},
    {0x2, 0x2001, 0x08, 12280},
    {0x4, 0x2001, 0x08, 12278},
    {0x7, 0x2001, 0x10, 12281},
    {0x7, 0x2001, 0x20, 12282},
    {0x7, 0x3004, 0x02, 12283},
    {0x7, 0x3004, 0x01, 12284},
    {0x7, 0x3004, 0x04, 12285},
    {0x3, 0x3005, 0x02, 12286},
    {0x3, 0x3005, 0x01, 12287},
    {0x3, 0x3005, 0x04, 12288},
    {0x3, 0x3005, 0x08, 12289},
    {0x4, 0x3005, 0x02, 12573, true},
    {0x4, 0x3005, 0x01, 12399, true},
    {0x4, 0x3005, 0x04, 12574, true},
    {0x4, 0x3005, 0x02, 12286},
    {0x4, 0x3005, 0x01, 12287},
    {0x4, 0x3005, 0x04, 12550},
    {0x7, 0x3005, 0x10, 12290},
    {0x7, 0x3014, 0x01, 12291},
    {0x7, 0x3014, 0x02, 12292},
    {0x7, 0x3014, 0x04, 12293},
    {0x7, 0x3014, 0x08, 12294},
    {0x7, 0x3014, 0x10, 12295},
    {0x7, 0x3015, 0x01, 12291},
    {0x7, 0x3015, 0x02, 12292},
    {0x7, 0x3015, 0x04, 12293},
    {0x7, 0x3015, 0x08, 12294},
    {0x7, 0x3015, 0x10, 12295},
    {0x7, 0x3024, 0, 12222},
    {0x7, 0x3024, 1, 10626},
    {0x7, 0x3049, 0, 12562},
    {0x7, 0x3049, 1, 12563},
    {0x7, 0x3050, 0, 12564},
    {0x7, 0x3050, 1, 12565},
};

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
  switch (id) {
    case 0x2001: set = c.printModes & 0xFFFF; return true;
    case 0x3004: set = c.mediaTypes; return true;
    case 0x3005: set = c.mediaTracking; return true;
    case 0x3014: set = c.powerUp.choices; return true;
    case 0x3015: set = c.headClose.choices; return true;
    default: return false;
  }
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
  const DWORD caps = config_.capabilities;
  auto has = [caps](DWORD bits) { return (caps & bits) != 0 ? TRUE : FALSE; };
  const bool powerUp = (config_.powerUp.flags & kHasEventDefault) != 0;
  const bool headClose = (config_.headClose.flags & kHasEventDefault) != 0;
  switch (id) {
    case 0x1001:
    case 0x1002:
    case 0x1003:
    case 0x3040:
    case 0x3041:
    case 0x3042:
    case 0x3044:
    case 0x3045: return TRUE;
    case 0x1004: return has(0x2000);
    case 0x1005: return has(0x4000);
    case 0x1006: return has(0x8000);
    case 0x1007: return has(0x10000);
    case 0x1008: return has(0x01);
    case 0x1009: return has(0x02);
    case 0x100A: return has(0x800000);
    case 0x2001: return has(0x200);
    case 0x3001: return has(0x40000);
    case 0x3002: return has(0x80000);
    case 0x3003: return has(0x40 | 0x80);
    case 0x3004: return has(0x40);
    case 0x3005: return has(0x80);
    case 0x3006: return has(0x100);
    case 0x3007: return has(0x04 | 0x08 | 0x10);
    case 0x3008: return has(0x04);
    case 0x3009: return has(0x08);
    case 0x3010: return has(0x10);
    case 0x3011:
    case 0x3012: return has(0x20);
    case 0x3013: return powerUp || headClose;
    case 0x3014: return powerUp;
    case 0x3015: return headClose;
    case 0x3046: return has(0x04 | 0x08 | 0x10 | 0x20) || IsSupported(0x3013);
    case 0x3016: return has(0x800 | 0x1000 | kControlKeyHeld);
    case 0x3017: return has(0x800);
    case 0x3018: return has(0x1000);
    case 0x3021: return has(0x100000);
    case 0x3022: return has(0x400000);
    case 0x3047: return has(0x1000000);
    case 0x3024:
    case 0x3025:
    case 0x3026:
    case 0x3027:
    case 0x3048:
    case 0x3049:
    case 0x3050: return config_.family == 4;
    default: return FALSE;
  }
}

DWORD LabelOptions::ValueSize(WORD id) const {
  if (id == 0x2001) return 32;
  if (id == 0x3005) return 24;
  if (IsUserCommand(id)) return kUserCommandSize;
  return 12;
}

const BYTE* LabelOptions::Default(WORD id) const {
  std::memset(g_default, 0, sizeof g_default);
  const DWORD size = ValueSize(id);
  const WORD flags = [id] {
    const OptionEntryEx* e = FindEntry(id);
    return static_cast<WORD>(e != nullptr ? e->base.flags & kSwitchedOn : 0);
  }();
  std::memcpy(g_default, &size, sizeof size);
  std::memcpy(g_default + 4, &id, sizeof id);
  std::memcpy(g_default + 6, &flags, sizeof flags);
  LONG setting = 0;
  switch (id) {
    case 0x1005:
    case 0x100A: setting = 1; break;
    case 0x1008: setting = config_.defLabelTop; break;
    case 0x1009: setting = config_.defLabelLeft; break;
    case 0x3004: setting = static_cast<LONG>(config_.defMediaType); break;
    case 0x3005: setting = static_cast<LONG>(config_.defMediaTracking); break;
    case 0x3008: setting = config_.printSpeed.defaultValue; break;
    case 0x3009: setting = config_.slewSpeed.defaultValue; break;
    case 0x3010: setting = config_.backfeedSpeed.defaultValue; break;
    case 0x3012: setting = config_.darkness.defaultValue; break;
    case 0x3014: setting = static_cast<LONG>(config_.powerUp.defaultChoice); break;
    case 0x3015: setting = static_cast<LONG>(config_.headClose.defaultChoice); break;
    case 0x2001: setting = static_cast<LONG>(config_.defPrintMode); break;
    case 0x3025: setting = '^'; break;
    case 0x3026: setting = ','; break;
    case 0x3027: setting = '~'; break;
    default: break;
  }
  SetWord(g_default, kSettingOffset, setting);
  if (id == 0x2001) FillDispenseWords(config_, g_default);
  if (id == 0x3005) FillTrackingWords(config_, g_default);
  return g_default;
}

BOOL LabelOptions::IsEnabled(WORD id) const {
  const bool modal = id == 0x2001 || id == 0x3005;
  if (!modal && !IsUserCommand(id)) return TRUE;
  const BYTE* value = findValue_ ? findValue_(id) : nullptr;
  if (value == nullptr) return modal ? FALSE : TRUE;
  const LONG word = Word(value, kSettingOffset);
  if (id == 0x2001) {
    const DispenseGroup* g = DispenseFor(config_, word);
    return g != nullptr && g->offered != 0;
  }
  if (id == 0x3005) {
    const TrackingGroup* g = TrackingFor(config_, word);
    return g != nullptr && g->offered != 0;
  }
  return word != 0;
}

BOOL LabelOptions::HasRange(WORD id) const {
  switch (id) {
    case 0x1005:
    case 0x1008:
    case 0x1009:
    case 0x3025:
    case 0x3026:
    case 0x3027: return TRUE;
    default: return FALSE;
  }
}

LONG LabelOptions::Minimum(WORD id) const {
  switch (id) {
    case 0x1005: return 1;
    case 0x1008: return config_.minLabelTop;
    case 0x1009: return config_.minLabelLeft;
    case 0x3012: return config_.darkness.minimum;
    case 0x3025:
    case 0x3026:
    case 0x3027: return 1;
    default: return 0;
  }
}

LONG LabelOptions::Maximum(WORD id) const {
  switch (id) {
    case 0x1005: return config_.configLimit;
    case 0x1008: return config_.maxLabelTop;
    case 0x1009: return config_.maxLabelLeft;
    case 0x3012: return config_.darkness.maximum;
    case 0x3025:
    case 0x3026:
    case 0x3027: return 255;
    default: return 0;
  }
}

BOOL LabelOptions::IsFreeText(WORD id) const {
  const RangeSetting& d = config_.darkness;
  return id == 0x3012 && d.display.empty() && d.maximum > d.minimum;
}

BOOL LabelOptions::HasChoices(WORD id) const {
  if (id == 0x3024) return FALSE;
  if (id == 0x3012) return !config_.darkness.display.empty() && ChoiceCount(id) != 0;
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
  if (IsTwoState(id) || IsUserCommand(id) || id == 0x3024) return static_cast<LONG>(n);
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
  if (IsTwoState(id) || id == 0x3024 || ChoiceCount(id) != 0)
    return ValueText(id, ChoiceValue(id, n));
  g_text[0] = '\0';
  return g_text;
}

const char* LabelOptions::ValueText(WORD id, LONG value) const {
  const WORD family = FamilyBit(config_.family);
  for (const ValueTextRow& row : kValueTexts) {
    if ((row.families & family) == 0 || row.option != id || row.value != value) continue;
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
  if (id == 0x2001) FillDispenseWords(config_, value);
  if (id == 0x3005) FillTrackingWords(config_, value);
  if (id == 0x3014 || id == 0x3015) CoupleEvents(id, value);
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
  const BYTE* value = findValue_ ? findValue_(id) : nullptr;
  if (value == nullptr || Word(value, kSettingOffset) == 0) return LoadedText(12418);
  const DWORD size = std::min(SizeOf(value), kUserCommandSize);
  const size_t room = size > kUserCommandTextOffset ? size - kUserCommandTextOffset : 0;
  const char* text = reinterpret_cast<const char*>(value + kUserCommandTextOffset);
  const size_t length = strnlen(text, room);
  if (length > 20)
    std::snprintf(g_text, sizeof g_text, "%.16s ...", text);
  else
    std::snprintf(g_text, sizeof g_text, "%.*s", static_cast<int>(length), text);
  return g_text;
}

// Power-up and head close share the one action 0x10: choosing it for one chooses
// it for both, leaving it for one moves the other to its own first action.
void LabelOptions::CoupleEvents(WORD id, const BYTE* value) const {
  const WORD otherId = id == 0x3014 ? 0x3015 : 0x3014;
  BYTE* other = findValue_ ? findValue_(otherId) : nullptr;
  if (other == nullptr) return;
  if (Word(value, kSettingOffset) == kSharedEvent) {
    SetWord(other, kSettingOffset, kSharedEvent);
    return;
  }
  if (Word(other, kSettingOffset) != kSharedEvent) return;
  const DWORD choices = otherId == 0x3014 ? config_.powerUp.choices : config_.headClose.choices;
  for (DWORD bit : {0x01u, 0x02u, 0x04u, 0x08u}) {
    if (choices & bit) {
      SetWord(other, kSettingOffset, static_cast<LONG>(bit));
      return;
    }
  }
}

bool LabelOptions::HasDialog(WORD optionId) {
  switch (optionId) {
    case 0x2001:
    case 0x3005:
    case 0x3001:
    case 0x3002:
    case 0x3020:
    case 0x3041:
    case 0x3042:
    case 0x3044:
    case 0x3045: return true;
    default: return false;
  }
}

DWORD LabelOptions::CheckDialogValue(WORD optionId, const BYTE* value) const {
  const bool needsValue = optionId == 0x2001 || optionId == 0x3005 || optionId == 0x3041 ||
                          optionId == 0x3042 || optionId == 0x3044 || optionId == 0x3045;
  if (!needsValue) return ERROR_SUCCESS;
  if (value == nullptr) return ERROR_INVALID_PARAMETER;
  LONG setting;
  std::memcpy(&setting, value + 8, 4);
  // The dispense and tracking dialogs edit the settings of one mode's group.
  if (optionId == 0x2001) {
    for (DWORD mode : kDispenseGroupModes)
      if (static_cast<DWORD>(setting) == mode) return ERROR_SUCCESS;
    return ERROR_INVALID_PARAMETER;
  }
  if (optionId == 0x3005) {
    for (DWORD mode : kTrackingGroupModes)
      if (static_cast<DWORD>(setting) == mode) return ERROR_SUCCESS;
    return ERROR_INVALID_PARAMETER;
  }
  return ERROR_SUCCESS;
}

}  // namespace trv::dcl
