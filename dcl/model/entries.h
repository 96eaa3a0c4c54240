// The model database's entries in their exact byte layouts (little-endian, the
// sizes the host and the printer-data lists rely on). Text and icon fields are
// 32-bit values: below 0x10000 a string-table or icon identifier, otherwise a
// handle of the text heap (text_heap.h).
#pragma once

#include <cstddef>

#include "platform/windef.h"

namespace trv::dcl {

constexpr DWORD ANY_KEY = 0xFFFF;
constexpr WORD DCLDEFAULT = 0x4000;      // the default entry of its list
constexpr WORD TRANSIENT_MARK = 0x1000;  // "changed" mark, never stored

#pragma pack(push, 1)

struct ModelEntry {
  DWORD key;
  WORD id;
  WORD reserved;
  DWORD name;
  DWORD secondName;
  DWORD icon;
  LONG resolutionX;
  LONG resolutionY;
  DWORD reserved2[2];
};

struct MonitorEntry {
  DWORD key;
  WORD id;
  WORD reserved;
  DWORD portName;
  DWORD library;
  DWORD icon;
  WORD flags;  // top four bits: platforms on which the entry exists
  WORD reserved2;
  DWORD thirdText;
  BYTE reserved3[24];
};

struct OptionEntry {
  DWORD key;
  WORD optionId;
  WORD reserved;
  DWORD name;
  DWORD icon;
  WORD flags;  // 0x0001 document option, 0x0002 device option
  WORD reserved2;
  DWORD secondText;
  DWORD dialogProc;
  WORD helpId;
  WORD reserved3;
};

struct OptionEntryEx {
  OptionEntry base;
  DWORD thirdText;
  WORD parentId;  // 0xFFFC, 0xFFFD and 0xFFFE stand for the top-level groups
  BYTE reserved[14];
};

struct TrayEntry {
  DWORD key;
  WORD id;
  WORD reserved;
  DWORD name;
  DWORD icon;
  WORD flags;
  WORD reserved2;
};

struct PaperEntry {
  DWORD key;  // tray id
  WORD id;    // 0: the user-defined paper
  WORD reserved;
  DWORD name;
  DWORD icon;
  LONG width;  // hundredths of a millimetre
  LONG height;
  LONG widthDots;
  LONG heightDots;
  LONG left;
  LONG top;
  LONG usableWidth;
  LONG usableHeight;
  WORD flags;  // bits 0-1 placement code
  BYTE reserved2[10];
};

struct RibbonEntry {
  DWORD key;
  WORD id;
  WORD reserved;
  DWORD name;
  DWORD icon;
  WORD flags;
  WORD reserved2;
};

struct SubRibbonEntry {
  DWORD key;  // matched exactly
  WORD id;
  WORD reserved;
  DWORD name;
  DWORD attributes;
};

struct RibbonOptionEntry {
  DWORD key;  // matched exactly
  WORD id;
  WORD reserved;
  DWORD name;
  DWORD icon;
  WORD flags;  // categories 0x0100, 0x0200; 0x4000 default
  WORD reserved2;
};

struct SubOptionEntry {
  WORD optionId;
  WORD kind;  // 1 limit, 2 choice, 4 free text
  DWORD text;
  DWORD icon;
  LONG value;
  WORD flags;  // 0x10 low limit, 0x20 high limit, 0x4000 default choice
  WORD reserved;
};

// FontInfo::flags: the font is a TrueType font of Windows sent to the printer.
constexpr DWORD kFontInfoTrueType = 0x02;

struct FontInfo {
  char faceName[48];
  char trueTypeFile[16];
  char metricsFile[16];
  DWORD flags;
  LONG pointSize;
  DWORD characterClasses;
  DWORD styleMask;
  DWORD defaultMultiplierX;
  DWORD defaultMultiplierY;
};

struct TextFontEntry {
  DWORD key;
  WORD id;
  WORD reserved;
  DWORD name;
  DWORD commandMacro;
  DWORD slotId;
  WORD flags;
  WORD reserved2;
  LONG maxMultiplierX;
  LONG maxMultiplierY;
  FontInfo info;
};

struct BarcodeFontEntry {
  DWORD key;
  WORD id;
  WORD reserved;
  DWORD name;
  DWORD symbology;
  DWORD commandMacro;
  WORD flags;
  WORD reserved2;
  FontInfo info;
};

struct BarcodeOptionEntry {
  DWORD key;  // bar-code id
  WORD optionId;
  WORD secondId;  // in the entry naming a property: 1 number, 2 list
  DWORD name;
  DWORD reserved;
  DWORD value;
  WORD flags;
  WORD secondValue;  // in the entry naming a property: its parent property's id
};

#pragma pack(pop)

static_assert(sizeof(ModelEntry) == 36);
static_assert(sizeof(MonitorEntry) == 52);
static_assert(sizeof(OptionEntry) == 32);
static_assert(sizeof(OptionEntryEx) == 52);
static_assert(sizeof(TrayEntry) == 20);
static_assert(sizeof(PaperEntry) == 60);
static_assert(sizeof(RibbonEntry) == 20);
static_assert(sizeof(SubRibbonEntry) == 16);
static_assert(sizeof(RibbonOptionEntry) == 20);
static_assert(sizeof(SubOptionEntry) == 20);
static_assert(sizeof(FontInfo) == 104);
static_assert(sizeof(TextFontEntry) == 136);
static_assert(sizeof(BarcodeFontEntry) == 128);
static_assert(sizeof(BarcodeOptionEntry) == 24);
static_assert(offsetof(TextFontEntry, info) == 32);
static_assert(offsetof(BarcodeFontEntry, info) == 24);
static_assert(offsetof(PaperEntry, flags) == 48);
static_assert(offsetof(OptionEntryEx, parentId) == 36);

}  // namespace trv::dcl
