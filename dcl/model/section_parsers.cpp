#include "dcl/model/section_parsers.h"

#include <cstring>
#include <string>

#include "dcl/model/text_heap.h"
#include "dcl/windows_version.h"
#include "platform/last_error.h"

namespace trv::dcl {
namespace {

constexpr DWORD kFontScalable = 0x04;
constexpr DWORD kFontMultiplierX = 0x100;
constexpr DWORD kFontMultiplierY = 0x200;
constexpr LONG kAnyPointSize = -1;

// The bar-code font for the Windows 95 family has its own file on the NT family.
constexpr const char* kBarcodeFont9x = "trvbar.ttf";
constexpr const char* kBarcodeFontNT = "trvbarnt.ttf";

// Entries are packed records: their fields are passed by value, never bound to
// references.
DWORD FreeText(DWORD text) {
  TextHeapFree(text);
  return 0;
}

// The text fields are written into the entry as they are read, so that whatever
// a failing line allocated is released with its entry.
template <class Store>
BOOL ReadTextInto(DefReader& reader, DWORD flags, Store store) {
  DWORD text = 0;
  BOOL ok = reader.ReadText(&text, flags);
  store(text);
  return ok;
}

template <class Entry>
BOOL Fail(Entry& entry, void (*free)(Entry&)) {
  KeepLastError keep;
  free(entry);
  return FALSE;
}

void ApplyMultipliers(TextFontEntry& entry) {
  if (entry.info.flags & kFontScalable) entry.info.pointSize = kAnyPointSize;
  if (entry.maxMultiplierX != 0) {
    entry.info.defaultMultiplierX = 1;
    entry.info.flags |= kFontMultiplierX;
  }
  if (entry.maxMultiplierY != 0) {
    entry.info.defaultMultiplierY = 1;
    entry.info.flags |= kFontMultiplierY;
  }
}

void UseNTBarcodeFont(FontInfo& info) {
  char name[sizeof(info.trueTypeFile) + 1] = {};
  std::memcpy(name, info.trueTypeFile, sizeof(info.trueTypeFile));
  CharLowerA(name);
  if (std::strstr(name, kBarcodeFont9x) != nullptr) {
    std::memset(name, 0, sizeof(name));
    std::strcpy(name, kBarcodeFontNT);
  }
  std::memcpy(info.trueTypeFile, name, sizeof(info.trueTypeFile));
}

}  // namespace

void FreePaper(PaperEntry& entry) { entry.name = FreeText(entry.name); }

void FreeTextFont(TextFontEntry& entry) {
  entry.name = FreeText(entry.name);
  entry.commandMacro = FreeText(entry.commandMacro);
}

void FreeBarcodeFont(BarcodeFontEntry& entry) {
  entry.name = FreeText(entry.name);
  entry.symbology = FreeText(entry.symbology);
  entry.commandMacro = FreeText(entry.commandMacro);
}

void FreeBarcodeOption(BarcodeOptionEntry& entry) {
  entry.name = FreeText(entry.name);
  entry.value = FreeText(entry.value);
}

// key, id, name, icon, (width,height), (left,top), (usable width,height), flags.
// Sizes are written in hundredths of a millimetre; the unit suffixes act on the
// number as written.
BOOL ParsePaper(PaperEntry& entry, DefReader& reader) {
  FreePaper(entry);
  entry = PaperEntry{};
  entry.key = static_cast<DWORD>(reader.ReadNumber(SYMBOLS));
  entry.id = reader.ReadShort(SYMBOLS);
  if (!ReadTextInto(reader, TEXT_ID, [&](DWORD t) { entry.name = t; }))
    return Fail(entry, FreePaper);
  entry.icon = reader.ReadWord(SYMBOLS);
  LONG a = 0, b = 0;
  if (!reader.ReadPair(&a, &b, UNITS)) return Fail(entry, FreePaper);
  entry.width = a;
  entry.height = b;
  if (!reader.ReadPair(&a, &b, UNITS)) return Fail(entry, FreePaper);
  entry.left = a;
  entry.top = b;
  if (!reader.ReadPair(&a, &b, 0)) return Fail(entry, FreePaper);
  entry.usableWidth = a;
  entry.usableHeight = b;
  entry.flags = reader.ReadShort(EXPRESSION);
  return TRUE;
}

// key, id, name, slot, flags, (max x,max y), TrueType file, metrics file, font
// flags, command macro (the rest of the line, commas included).
BOOL ParseTextFont(TextFontEntry& entry, DefReader& reader) {
  FreeTextFont(entry);
  entry = TextFontEntry{};
  entry.key = static_cast<DWORD>(reader.ReadNumber(SYMBOLS));
  entry.id = reader.ReadShort(SYMBOLS);
  if (!ReadTextInto(reader, TEXT_ID, [&](DWORD t) { entry.name = t; }))
    return Fail(entry, FreeTextFont);
  entry.slotId = static_cast<DWORD>(reader.ReadNumber(SYMBOLS));
  entry.flags = reader.ReadShort(SYMBOLS);
  LONG x = 0, y = 0;
  if (!reader.ReadPair(&x, &y, 0)) return Fail(entry, FreeTextFont);
  entry.maxMultiplierX = x;
  entry.maxMultiplierY = y;
  reader.ReadFixedText(entry.info.trueTypeFile, sizeof(entry.info.trueTypeFile));
  reader.ReadFixedText(entry.info.metricsFile, sizeof(entry.info.metricsFile));
  entry.info.flags = static_cast<DWORD>(reader.ReadNumber(SYMBOLS));
  if (!ReadTextInto(reader, REST_OF_LINE, [&](DWORD t) { entry.commandMacro = t; }))
    return Fail(entry, FreeTextFont);
  ApplyMultipliers(entry);
  return TRUE;
}

// key, id, name, symbology, flags, TrueType file, metrics file, font flags,
// command macro (the rest of the line).
BOOL ParseBarcodeFont(BarcodeFontEntry& entry, DefReader& reader) {
  FreeBarcodeFont(entry);
  entry = BarcodeFontEntry{};
  entry.key = static_cast<DWORD>(reader.ReadNumber(SYMBOLS));
  entry.id = reader.ReadShort(SYMBOLS);
  if (!ReadTextInto(reader, TEXT_ID, [&](DWORD t) { entry.name = t; }))
    return Fail(entry, FreeBarcodeFont);
  if (!ReadTextInto(reader, 0, [&](DWORD t) { entry.symbology = t; }))
    return Fail(entry, FreeBarcodeFont);
  entry.flags = reader.ReadShort(SYMBOLS);
  reader.ReadFixedText(entry.info.trueTypeFile, sizeof(entry.info.trueTypeFile));
  reader.ReadFixedText(entry.info.metricsFile, sizeof(entry.info.metricsFile));
  entry.info.flags = static_cast<DWORD>(reader.ReadNumber(SYMBOLS));
  if (!ReadTextInto(reader, REST_OF_LINE, [&](DWORD t) { entry.commandMacro = t; }))
    return Fail(entry, FreeBarcodeFont);
  if (IsWindowsNT()) UseNTBarcodeFont(entry.info);
  return TRUE;
}

// key (bar-code id), option id, second id, name, value, flags, second value.
BOOL ParseBarcodeOption(BarcodeOptionEntry& entry, DefReader& reader) {
  FreeBarcodeOption(entry);
  entry = BarcodeOptionEntry{};
  entry.key = static_cast<DWORD>(reader.ReadNumber(SYMBOLS));
  entry.optionId = reader.ReadShort(SYMBOLS);
  entry.secondId = reader.ReadShort(SYMBOLS);
  if (!ReadTextInto(reader, TEXT_ID, [&](DWORD t) { entry.name = t; }))
    return Fail(entry, FreeBarcodeOption);
  if (!ReadTextInto(reader, 0, [&](DWORD t) { entry.value = t; }))
    return Fail(entry, FreeBarcodeOption);
  entry.flags = reader.ReadShort(SYMBOLS | EXPRESSION);
  entry.secondValue = reader.ReadShort(SYMBOLS);
  return TRUE;
}

}  // namespace trv::dcl
