// The options every printer of the suite may offer, one row each: the host's entry
// (all keyed ANY_KEY), when the installed printer offers it, how its value is laid out
// and what it defaults to, whether it is a two-state switch, which dialog edits it, the
// texts of its values, its limits and where its choices come from. The label layer's
// option operations read nothing else, so adding an option is adding its identifier
// and its row.
#pragma once

#include <span>

#include "dcl/model/entries.h"
#include "dcl/model/printer_config.h"
#include "dcl/object/option_value.h"

namespace trv::dcl {

// The option identifiers. The values are stored in option blobs and exchanged with the
// host, so they never change.
enum OptionId : WORD {
  // Document options the host keeps for itself; this library gives them no role.
  kOptionHostDocument1 = 0x1001,
  kOptionHostDocument2 = 0x1002,
  kOptionHostDocument3 = 0x1003,
  kOptionRotate180 = 0x1004,  // printing turned by 180 degrees on the printer
  kOptionCopies = 0x1005,
  // Two-state printer switches whose commands the back-ends give.
  kOptionSwitch1006 = 0x1006,
  kOptionSwitch1007 = 0x1007,
  kOptionTopOffset = 0x1008,   // pre-feed, dots
  kOptionLeftOffset = 0x1009,  // dots
  kOptionTopOfFormBackup = 0x100A,
  kOptionDispenseMode = 0x2001,
  kOptionTextFonts = 0x3001,  // the printer's installed text fonts (a list dialog)
  kOptionBarcodes = 0x3002,   // the printer's installed bar codes (a list dialog)
  kOptionMediaGroup = 0x3003,
  kOptionMediaType = 0x3004,
  kOptionMediaTracking = 0x3005,  // media sensing
  kOptionSwitchS = 0x3006,        // the "S" item of EPL's option line
  kOptionSpeedGroup = 0x3007,
  kOptionPrintSpeed = 0x3008,
  kOptionSlewSpeed = 0x3009,
  kOptionBackfeedSpeed = 0x3010,
  kOptionDarknessGroup = 0x3011,
  kOptionDarkness = 0x3012,
  kOptionEventGroup = 0x3013,
  kOptionPowerUpAction = 0x3014,
  kOptionHeadCloseAction = 0x3015,
  kOptionToolsGroup = 0x3016,
  kOptionTools = 0x3017,          // direct commands to the printer
  kOptionStatusQueries = 0x3018,  // the printer's status is asked during a job
  // Not a row of the table: the identifier under which fonts are sent to the printer
  // through direct output.
  kOptionFontDownload = 0x3019,
  kOptionTestLabel = 0x3020,  // prints the library's test label; never listed
  kOptionGraphicsRegions = 0x3021,
  kOptionSwitchL = 0x3022,  // the "L" item of EPL's option line
  kOptionPrefixGroup = 0x3024,
  kOptionFormatPrefix = 0x3025,   // default '^'
  kOptionDelimiter = 0x3026,      // default ','
  kOptionControlPrefix = 0x3027,  // default '~'
  kOptionUserCommandGroup = 0x3040,
  kOptionCommandAtJobStart = 0x3041,
  kOptionCommandAtJobEnd = 0x3042,
  kOptionCommandAtPageStart = 0x3044,
  kOptionCommandAtPageEnd = 0x3045,
  kOptionSettingsGroup = 0x3046,  // speeds, darkness and printer events
  kOptionSwitch3047 = 0x3047,
  kOptionPrefixedGroup = 0x3048,
  kOptionPrefixedSwitch1 = 0x3049,
  kOptionPrefixedSwitch2 = 0x3050,
};

// Top-level groups the host shows the options under; 0 shows an option on its own.
inline constexpr WORD kGroupNone = 0;
inline constexpr WORD kGroupDocument = 0xFFFC;
inline constexpr WORD kGroupTools = 0xFFFD;
inline constexpr WORD kGroupMedia = 0xFFFE;

// How an option's value is laid out (option_value.h), which gives its size.
enum class ValueLayout : BYTE { kPlain, kDispense, kTracking, kUserCommand };

// The dialog the label layer opens for an option (OptionDialog).
enum class OptionDialogKind : BYTE {
  kNoDialog,
  kDispenseDialog,     // edits one dispense mode's group; needs a mode with a group
  kTrackingDialog,     // edits one tracking mode's group; needs a mode with a group
  kTextFontsDialog,    // the installed text fonts
  kBarcodesDialog,     // the installed bar codes
  kUserCommandDialog,  // edits the value's command text
  kTestLabelDialog,    // prints the test label
};

// The text of one value of an option, for the families in `families` (0x1 CPCL,
// 0x2 EPL, 0x4 the prefixed family); the first matching text of an option counts.
struct OptionValueText {
  WORD families;
  LONG value;
  UINT text;             // a text of the language file
  bool newCommandSet{};  // counts only with the new command set
};

// The limits the host offers for an option's setting.
struct OptionRange {
  bool shown;  // the host shows the setting as a number within the limits
  // The limits; null: 0. An option may have limits without showing them as a range.
  LONG (*minimum)(const PrinterConfig&);
  LONG (*maximum)(const PrinterConfig&);
};

// Where an option's choices come from, when it is neither a two-state switch nor a
// user command (which have two each).
struct OptionChoices {
  // A speed or the darkness: one choice per step from its minimum to its maximum,
  // with the texts and numbers of its lists at the same positions.
  const RangeSetting* (*listed)(const PrinterConfig&);
  // A set of mode bits, each set bit of the low 16 one choice in bit order.
  DWORD (*bits)(const PrinterConfig&);
};

struct OptionRow {
  // The host's entry; names, second texts and descriptions are texts of the language
  // file, icons resources of the library.
  OptionId id;
  WORD parent;
  WORD flags;  // scope bits 0-1; 0x1000 is copied into the default value's flags
  DWORD name;
  DWORD icon;
  DWORD secondText;
  bool button;  // the host offers a button that calls OptionDialog
  WORD help;
  DWORD description;
  // Whether the installed printer offers the option; null: never.
  bool (*offered)(const PrinterConfig&);
  ValueLayout layout;
  // The default setting; null: 0.
  LONG (*defaultSetting)(const PrinterConfig&);
  bool twoState;  // choices 0 and 1
  OptionDialogKind dialog;
  std::span<const OptionValueText> texts;
  OptionRange range;  // none: no range, limits 0
  OptionChoices choices;
};

namespace option_rows {

using C = const PrinterConfig&;

constexpr bool HasCaps(C c, DWORD bits) { return (c.capabilities & bits) != 0; }
constexpr bool HasPowerUpDefault(C c) { return (c.powerUp.flags & kHasEventDefault) != 0; }
constexpr bool HasHeadCloseDefault(C c) { return (c.headClose.flags & kHasEventDefault) != 0; }

inline constexpr OptionValueText kOnOff[] = {{0x7, 1, 81}, {0x7, 0, 82}};
inline constexpr OptionValueText kYesNo[] = {{0x7, 1, 74}, {0x7, 0, 75}};
inline constexpr OptionValueText kSwitch3047Texts[] = {{0x7, 1, 12566}, {0x7, 0, 12567}};
inline constexpr OptionValueText kDispenseTexts[] = {
    {0x1, 0x01, 12399}, {0x2, 0x01, 12399}, {0x4, 0x01, 12275}, {0x7, 0x02, 12276},
    {0x1, 0x04, 12351}, {0x2, 0x04, 12352}, {0x4, 0x04, 12353}, {0x1, 0x08, 12279},
    {0x2, 0x08, 12280}, {0x4, 0x08, 12278}, {0x7, 0x10, 12281}, {0x7, 0x20, 12282},
};
inline constexpr OptionValueText kMediaTypeTexts[] = {
    {0x7, 0x02, 12283}, {0x7, 0x01, 12284}, {0x7, 0x04, 12285}};
inline constexpr OptionValueText kTrackingTexts[] = {
    {0x3, 0x02, 12286},       {0x3, 0x01, 12287},       {0x3, 0x04, 12288},
    {0x3, 0x08, 12289},       {0x4, 0x02, 12573, true}, {0x4, 0x01, 12399, true},
    {0x4, 0x04, 12574, true}, {0x4, 0x02, 12286},       {0x4, 0x01, 12287},
    {0x4, 0x04, 12550},       {0x7, 0x10, 12290},
};
inline constexpr OptionValueText kEventTexts[] = {{0x7, 0x01, 12291},
                                                  {0x7, 0x02, 12292},
                                                  {0x7, 0x04, 12293},
                                                  {0x7, 0x08, 12294},
                                                  {0x7, 0x10, 12295}};
inline constexpr OptionValueText kPrefixGroupTexts[] = {{0x7, 0, 12222}, {0x7, 1, 10626}};
inline constexpr OptionValueText kPrefixedSwitch1Texts[] = {{0x7, 0, 12562}, {0x7, 1, 12563}};
inline constexpr OptionValueText kPrefixedSwitch2Texts[] = {{0x7, 0, 12564}, {0x7, 1, 12565}};

constexpr auto kAlways = [](C) { return true; };
constexpr auto kPrefixed = [](C c) { return c.family == kFamilyPrefixed; };
constexpr auto kOne = [](C) { return LONG{1}; };
// A character of a command prefix: any byte but 0.
constexpr OptionRange kByteRange = {true, [](C) { return LONG{1}; }, [](C) { return LONG{255}; }};

using enum ValueLayout;
using enum OptionDialogKind;
constexpr WORD kDoc = 0x1001;      // a document option, switched on by default
constexpr WORD kDev = 0x1002;      // a device option, switched on by default
constexpr WORD kDevList = 0x3002;  // a device option the host shows as a list

// One row per option, in the order the host lists them.
// clang-format off
inline constexpr OptionRow kOptionRows[] = {
// id, parent, flags, name, icon, second text, button, help, description,
//   offered, layout, default setting, two-state, dialog, value texts, range, choices
{kOptionHostDocument1, kGroupDocument, 0x0005, 0, 0, 0, false, 1010, 0,
   kAlways, kPlain, nullptr, false, kNoDialog, {}, {}, {}},
{kOptionHostDocument2, kGroupDocument, 0x0005, 0, 0, 0, false, 1011, 0,
   kAlways, kPlain, nullptr, false, kNoDialog, {}, {}, {}},
{kOptionHostDocument3, kGroupDocument, 0x0005, 0, 0, 0, false, 1012, 0,
   kAlways, kPlain, nullptr, false, kNoDialog, {}, {}, {}},
{kOptionCopies, kGroupDocument, kDoc, 52, 133, 0, false, 1014, 12272,
   [](C c) { return HasCaps(c, kOffersCopies); }, kPlain, kOne, false, kNoDialog, {},
   {true, [](C) { return LONG{1}; }, [](C c) { return c.configLimit; }}, {}},
{kOptionRotate180, kGroupDocument, kDoc, 12273, 136, 0, false, 1013, 12274,
   [](C c) { return HasCaps(c, kOffersRotate180); }, kPlain, nullptr, true, kNoDialog, kOnOff,
   {}, {}},
{kOptionSwitch1006, kGroupDocument, kDoc, 12251, 134, 0, false, 1015, 12252,
   [](C c) { return HasCaps(c, kOffersSwitch1006); }, kPlain, nullptr, true, kNoDialog, kOnOff,
   {}, {}},
{kOptionSwitch1007, kGroupDocument, kDoc, 12249, 135, 0, false, 1016, 12250,
   [](C c) { return HasCaps(c, kOffersSwitch1007); }, kPlain, nullptr, true, kNoDialog, kOnOff,
   {}, {}},
{kOptionTopOffset, kGroupDocument, kDoc, 12335, 203, 0, false, 1035, 12336,
   [](C c) { return HasCaps(c, kHasDefLabelTop); }, kPlain,
   [](C c) { return c.defLabelTop; }, false, kNoDialog, {},
   {true, [](C c) { return c.minLabelTop; }, [](C c) { return c.maxLabelTop; }}, {}},
{kOptionLeftOffset, kGroupDocument, kDoc, 12337, 182, 0, false, 1036, 12338,
   [](C c) { return HasCaps(c, kHasDefLabelLeft); }, kPlain,
   [](C c) { return c.defLabelLeft; }, false, kNoDialog, {},
   {true, [](C c) { return c.minLabelLeft; }, [](C c) { return c.maxLabelLeft; }}, {}},
{kOptionMediaGroup, kGroupMedia, kDoc, 12255, 181, 0, false, 1020, 12256,
   [](C c) { return HasCaps(c, kHasDefMediaType | kHasDefMediaTracking); }, kPlain, nullptr,
   false, kNoDialog, {}, {}, {}},
{kOptionMediaType, kOptionMediaGroup, kDoc, 12257, 194, 0, false, 1021, 12258,
   [](C c) { return HasCaps(c, kHasDefMediaType); }, kPlain,
   [](C c) { return static_cast<LONG>(c.defMediaType); }, false, kNoDialog, kMediaTypeTexts,
   {}, {nullptr, [](C c) { return c.mediaTypes; }}},
{kOptionMediaTracking, kOptionMediaGroup, kDoc, 12259, 193, 10605, true, 1022, 12260,
   [](C c) { return HasCaps(c, kHasDefMediaTracking); }, kTracking,
   [](C c) { return static_cast<LONG>(c.defMediaTracking); }, false, kTrackingDialog, kTrackingTexts,
   {}, {nullptr, [](C c) { return c.mediaTracking; }}},
{kOptionSwitchS, kOptionMediaGroup, kDoc, 12319, 178, 0, false, 1037, 0,
   [](C c) { return HasCaps(c, kOffersSwitchS); }, kPlain, nullptr, true, kNoDialog, kOnOff,
   {}, {}},
{kOptionDispenseMode, kGroupNone, kDoc, 12253, 206, 10605, true, 1017, 12254,
   [](C c) { return HasCaps(c, kHasDefPrintMode); }, kDispense,
   [](C c) { return static_cast<LONG>(c.defPrintMode); }, false, kDispenseDialog, kDispenseTexts,
   {}, {nullptr, [](C c) { return c.printModes & 0xFFFF; }}},
{kOptionSwitchL, kGroupNone, kDoc, 12398, 206, 0, false, 1064, 0,
   [](C c) { return HasCaps(c, kOffersSwitchL); }, kPlain, nullptr, true, kNoDialog, kYesNo,
   {}, {}},
{kOptionGraphicsRegions, kGroupNone, kDoc, 80, 198, 0, false, 1034, 0,
   [](C c) { return HasCaps(c, kOffersGraphicsRegions); }, kPlain, nullptr, true, kNoDialog, kOnOff,
   {}, {}},
{kOptionTopOfFormBackup, kGroupNone, kDoc, 73, 206, 0, false, 1038, 0,
   [](C c) { return HasCaps(c, kOffersTopOfFormBackup); }, kPlain, kOne, true, kNoDialog, kYesNo,
   {}, {}},
{kOptionSwitch3047, kGroupNone, kDoc, 12558, 173, 0, false, 1039, 0,
   [](C c) { return HasCaps(c, kOffersSwitch3047); }, kPlain, nullptr, true, kNoDialog,
   kSwitch3047Texts, {}, {}},
{kOptionSettingsGroup, kGroupTools, kDoc, 8001, 8016, 0, false, 5, 0,
   [](C c) {
     return HasCaps(c, kHasDefPrintRate | kHasDefSlewRate | kHasDefBackfeedRate | kHasDefDensity) ||
            HasPowerUpDefault(c) || HasHeadCloseDefault(c);
   }, kPlain, nullptr, false, kNoDialog, {}, {}, {}},
{kOptionSpeedGroup, kOptionSettingsGroup, kDoc, 12261, 207, 0, false, 1023, 12262,
   [](C c) { return HasCaps(c, kHasDefPrintRate | kHasDefSlewRate | kHasDefBackfeedRate); },
   kPlain, nullptr, false, kNoDialog, {}, {}, {}},
{kOptionPrintSpeed, kOptionSpeedGroup, kDoc, 12263, 208, 0, false, 1024, 12264,
   [](C c) { return HasCaps(c, kHasDefPrintRate); }, kPlain,
   [](C c) { return c.printSpeed.defaultValue; }, false, kNoDialog, {},
   {}, {[](C c) { return &c.printSpeed; }, nullptr}},
{kOptionSlewSpeed, kOptionSpeedGroup, kDoc, 12265, 205, 0, false, 1025, 12266,
   [](C c) { return HasCaps(c, kHasDefSlewRate); }, kPlain,
   [](C c) { return c.slewSpeed.defaultValue; }, false, kNoDialog, {},
   {}, {[](C c) { return &c.slewSpeed; }, nullptr}},
{kOptionBackfeedSpeed, kOptionSpeedGroup, kDoc, 12269, 199, 0, false, 1026, 12270,
   [](C c) { return HasCaps(c, kHasDefBackfeedRate); }, kPlain,
   [](C c) { return c.backfeedSpeed.defaultValue; }, false, kNoDialog, {},
   {}, {[](C c) { return &c.backfeedSpeed; }, nullptr}},
{kOptionDarknessGroup, kOptionSettingsGroup, kDoc, 12267, 173, 0, false, 1027, 12268,
   [](C c) { return HasCaps(c, kHasDefDensity); }, kPlain, nullptr, false, kNoDialog, {}, {}, {}},
{kOptionDarkness, kOptionDarknessGroup, kDoc, 12296, 172, 0, false, 1028, 12303,
   [](C c) { return HasCaps(c, kHasDefDensity); }, kPlain,
   [](C c) { return c.darkness.defaultValue; }, false, kNoDialog, {},
   {false, [](C c) { return c.darkness.minimum; }, [](C c) { return c.darkness.maximum; }},
   {[](C c) { return &c.darkness; }, nullptr}},
{kOptionEventGroup, kOptionSettingsGroup, kDoc, 12297, 171, 0, false, 1030, 12304,
   [](C c) { return HasPowerUpDefault(c) || HasHeadCloseDefault(c); }, kPlain, nullptr, false,
   kNoDialog, {}, {}, {}},
{kOptionPowerUpAction, kOptionEventGroup, kDoc, 12298, 170, 0, false, 1031, 12305,
   HasPowerUpDefault, kPlain, [](C c) { return static_cast<LONG>(c.powerUp.defaultChoice); },
   false, kNoDialog, kEventTexts, {}, {nullptr, [](C c) { return c.powerUp.choices; }}},
{kOptionHeadCloseAction, kOptionEventGroup, kDoc, 12299, 169, 0, false, 1032, 12306,
   HasHeadCloseDefault, kPlain, [](C c) { return static_cast<LONG>(c.headClose.defaultChoice); },
   false, kNoDialog, kEventTexts, {}, {nullptr, [](C c) { return c.headClose.choices; }}},
{kOptionUserCommandGroup, kGroupTools, kDoc, 12412, 171, 0, false, 1051, 0,
   kAlways, kPlain, nullptr, false, kNoDialog, {}, {}, {}},
{kOptionCommandAtJobStart, kOptionUserCommandGroup, kDoc, 12413, 0, 12419, true, 1052, 0,
   kAlways, kUserCommand, nullptr, false, kUserCommandDialog, {}, {}, {}},
{kOptionCommandAtJobEnd, kOptionUserCommandGroup, kDoc, 12414, 0, 12419, true, 1053, 0,
   kAlways, kUserCommand, nullptr, false, kUserCommandDialog, {}, {}, {}},
{kOptionCommandAtPageStart, kOptionUserCommandGroup, kDoc, 12415, 0, 12419, true, 1054, 0,
   kAlways, kUserCommand, nullptr, false, kUserCommandDialog, {}, {}, {}},
{kOptionCommandAtPageEnd, kOptionUserCommandGroup, kDoc, 12416, 0, 12419, true, 1055, 0,
   kAlways, kUserCommand, nullptr, false, kUserCommandDialog, {}, {}, {}},
{kOptionPrefixedGroup, kGroupTools, kDoc, 12559, 173, 0, false, 1065, 0,
   kPrefixed, kPlain, nullptr, false, kNoDialog, {}, {}, {}},
{kOptionPrefixedSwitch1, kOptionPrefixedGroup, kDoc, 12560, 0, 0, false, 1066, 0,
   kPrefixed, kPlain, nullptr, true, kNoDialog, kPrefixedSwitch1Texts, {}, {}},
{kOptionPrefixedSwitch2, kOptionPrefixedGroup, kDoc, 12561, 0, 0, false, 1067, 0,
   kPrefixed, kPlain, nullptr, true, kNoDialog, kPrefixedSwitch2Texts, {}, {}},
{kOptionTextFonts, kGroupMedia, kDevList, 50, 191, 200, true, 1018, 12301,
   [](C c) { return HasCaps(c, kOffersTextFonts); }, kPlain, nullptr, false, kTextFontsDialog, {},
   {}, {}},
{kOptionBarcodes, kGroupMedia, kDev, 51, 192, 200, true, 1019, 12302,
   [](C c) { return HasCaps(c, kOffersBarcodes); }, kPlain, nullptr, false, kBarcodesDialog, {},
   {}, {}},
{kOptionToolsGroup, kGroupTools, kDev, 12300, 1024, 0, false, 1033, 12307,
   [](C c) { return HasCaps(c, kOffersTools | kOffersStatusQueries | kControlKeyHeld); },
   kPlain, nullptr, false, kNoDialog, {}, {}, {}},
{kOptionTools, kOptionToolsGroup, kDevList, 201, 1025, 12367, true, 1041, 44,
   [](C c) { return HasCaps(c, kOffersTools); }, kPlain, nullptr, false, kNoDialog, {}, {}, {}},
{kOptionStatusQueries, kOptionToolsGroup, kDev, 12385, 1026, 0, false, 1050, 12385,
   [](C c) { return HasCaps(c, kOffersStatusQueries); }, kPlain, nullptr, true, kNoDialog, kYesNo,
   {}, {}},
{kOptionPrefixGroup, kOptionToolsGroup, kDev, 12421, 1028, 0, false, 1061, 0,
   kPrefixed, kPlain, nullptr, false, kNoDialog, kPrefixGroupTexts, {}, {}},
{kOptionFormatPrefix, kOptionPrefixGroup, kDev, 12438, 0, 0, false, 1064, 0,
   kPrefixed, kPlain, [](C) { return LONG{'^'}; }, false, kNoDialog, {}, kByteRange, {}},
{kOptionControlPrefix, kOptionPrefixGroup, kDev, 12422, 0, 0, false, 1062, 0,
   kPrefixed, kPlain, [](C) { return LONG{'~'}; }, false, kNoDialog, {}, kByteRange, {}},
{kOptionDelimiter, kOptionPrefixGroup, kDev, 12423, 0, 0, false, 1063, 0,
   kPrefixed, kPlain, [](C) { return LONG{','}; }, false, kNoDialog, {}, kByteRange, {}},
// Named "Team" / "Print" by texts of its own (option_table.cpp).
{kOptionTestLabel, kOptionToolsGroup, kDevList, 0, 1025, 0, true, 0, 44,
   nullptr, kPlain, nullptr, false, kTestLabelDialog, {}, {}, {}},
};
// clang-format on
static_assert(std::size(kOptionRows) == 46);

}  // namespace option_rows

using option_rows::kOptionRows;

// The row of an option, or null for an identifier the table does not hold.
const OptionRow* FindOptionRow(WORD optionId);

// The host's entries of the table, in row order.
std::span<const OptionEntryEx> OptionTable();

}  // namespace trv::dcl
