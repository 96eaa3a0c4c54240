// The entries of the printer's registry lists (papers, text fonts, bar codes with
// their properties), each kind described once by its field table, and the readers of
// whole lists.
#include "dcl/object/printer_registry.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "dcl/object/registry_parts.h"
#include "dcl/units.h"

namespace trv::dcl {

using registry_parts::KeyHolder;

namespace {

// A member stored as one value of its own.
#define TRV_FIELD(Entry, member, valueName, type) \
  EntryField { valueName, type, offsetof(Entry, member), sizeof(Entry::member), false }
// A flags member: stored as a REG_DWORD without the "changed" mark.
#define TRV_FLAGS_FIELD(Entry, member, valueName) \
  EntryField { valueName, REG_DWORD, offsetof(Entry, member), sizeof(Entry::member), true }
// Two LONG members side by side (x, then y), stored as one 8-byte REG_BINARY value.
#define TRV_POINT_FIELD(Entry, x, valueName) \
  EntryField { valueName, REG_BINARY, offsetof(Entry, x), 2 * sizeof(LONG), false }

// clang-format off
constexpr EntryField kPaperFields[] = {
    TRV_FIELD(PaperEntry, id, "ID", REG_DWORD),
    TRV_FIELD(PaperEntry, key, "Tray", REG_DWORD),
    TRV_FIELD(PaperEntry, name, "Name", REG_SZ),
    TRV_POINT_FIELD(PaperEntry, width, "Size"),
    TRV_POINT_FIELD(PaperEntry, widthDots, "Pels"),
    TRV_POINT_FIELD(PaperEntry, left, "Offsets"),
    TRV_POINT_FIELD(PaperEntry, usableWidth, "Used"),
    TRV_FLAGS_FIELD(PaperEntry, flags, "Flags"),
};

constexpr EntryField kTextFontFields[] = {
    TRV_FIELD(TextFontEntry, id, "ID", REG_DWORD),
    TRV_FIELD(TextFontEntry, key, "Model", REG_DWORD),
    TRV_FIELD(TextFontEntry, name, "Name", REG_SZ),
    TRV_FIELD(TextFontEntry, commandMacro, "CommandMacro", REG_SZ),
    TRV_FLAGS_FIELD(TextFontEntry, flags, "Flags"),
    TRV_FIELD(TextFontEntry, info, "FontInfo", REG_BINARY),
    TRV_FIELD(TextFontEntry, slotId, "SlotID", REG_DWORD),
    TRV_POINT_FIELD(TextFontEntry, maxMultiplierX, "MaxMultipliers"),
};

constexpr EntryField kBarcodeFields[] = {
    TRV_FIELD(BarcodeFontEntry, id, "ID", REG_DWORD),
    TRV_FIELD(BarcodeFontEntry, key, "Model", REG_DWORD),
    TRV_FIELD(BarcodeFontEntry, name, "Name", REG_SZ),
    TRV_FIELD(BarcodeFontEntry, commandMacro, "CommandMacro", REG_SZ),
    TRV_FLAGS_FIELD(BarcodeFontEntry, flags, "Flags"),
    TRV_FIELD(BarcodeFontEntry, info, "FontInfo", REG_BINARY),
    TRV_FIELD(BarcodeFontEntry, symbology, "Symbology", REG_SZ),
};
// clang-format on

#undef TRV_FIELD
#undef TRV_FLAGS_FIELD
#undef TRV_POINT_FIELD

// The points' second members follow their first.
static_assert(offsetof(PaperEntry, height) == offsetof(PaperEntry, width) + sizeof(LONG));
static_assert(offsetof(PaperEntry, heightDots) == offsetof(PaperEntry, widthDots) + sizeof(LONG));
static_assert(offsetof(PaperEntry, top) == offsetof(PaperEntry, left) + sizeof(LONG));
static_assert(offsetof(PaperEntry, usableHeight) ==
              offsetof(PaperEntry, usableWidth) + sizeof(LONG));
static_assert(offsetof(TextFontEntry, maxMultiplierY) ==
              offsetof(TextFontEntry, maxMultiplierX) + sizeof(LONG));

// Whether a table only describes what the generic reader and writer can handle: a
// WORD or DWORD number, a DWORD text handle, bytes of binary, all inside the entry.
template <class Entry, size_t N>
constexpr bool IsSoundLayout(const EntryField (&fields)[N]) {
  for (const EntryField& f : fields) {
    if (f.offset + f.size > sizeof(Entry)) return false;
    if (f.type == REG_DWORD && f.size != sizeof(WORD) && f.size != sizeof(DWORD)) return false;
    if (f.type == REG_SZ && f.size != sizeof(DWORD)) return false;
    if (f.type != REG_DWORD && f.dropsTransientMark) return false;
    if (f.type != REG_DWORD && f.type != REG_SZ && f.type != REG_BINARY) return false;
  }
  return true;
}
static_assert(IsSoundLayout<PaperEntry>(kPaperFields));
static_assert(IsSoundLayout<TextFontEntry>(kTextFontFields));
static_assert(IsSoundLayout<BarcodeFontEntry>(kBarcodeFields));

DWORD NumberAt(const std::byte* member, size_t size) {
  if (size == sizeof(WORD)) {
    WORD value = 0;
    std::memcpy(&value, member, sizeof value);
    return value;
  }
  DWORD value = 0;
  std::memcpy(&value, member, sizeof value);
  return value;
}

// A WORD member takes the low 16 bits of its stored value.
void SetNumberAt(std::byte* member, size_t size, DWORD value) {
  if (size == sizeof(WORD)) {
    const WORD narrow = static_cast<WORD>(value);
    std::memcpy(member, &narrow, sizeof narrow);
  } else {
    std::memcpy(member, &value, sizeof value);
  }
}

LONG WriteField(HKEY key, const EntryField& field, const std::byte* member) {
  switch (field.type) {
    case REG_DWORD: {
      DWORD value = NumberAt(member, field.size);
      if (field.dropsTransientMark) value &= ~DWORD{TRANSIENT_MARK};
      return WriteDwordValue(key, field.valueName, value);
    }
    case REG_SZ:
      // A handle without a heap text writes an empty text.
      return WriteTextValue(key, field.valueName, TextHeapText(NumberAt(member, sizeof(DWORD))));
    default:
      return RegSetValueExA(key, field.valueName, 0, REG_BINARY,
                            reinterpret_cast<const BYTE*>(member), static_cast<DWORD>(field.size));
  }
}

LONG ReadField(HKEY key, const EntryField& field, std::byte* member,
               std::vector<TextHandle>& texts) {
  switch (field.type) {
    case REG_DWORD: {
      DWORD value = 0;
      LONG rc = ReadDwordValue(key, field.valueName, value);
      if (rc == ERROR_SUCCESS) SetNumberAt(member, field.size, value);
      return rc;
    }
    case REG_SZ: {
      std::string text;
      LONG rc = ReadTextValue(key, field.valueName, text);
      if (rc != ERROR_SUCCESS) return rc;
      texts.emplace_back(text);
      SetNumberAt(member, sizeof(DWORD), texts.back().get());
      return ERROR_SUCCESS;
    }
    default:
      return registry_parts::QueryExact(key, field.valueName, REG_BINARY, member,
                                        static_cast<DWORD>(field.size));
  }
}

// Writes every value of the entry's table, in the table's order.
template <class Entry>
LONG WriteFields(HKEY key, std::span<const EntryField> fields, const Entry& entry) {
  static_assert(std::is_trivially_copyable_v<Entry>);
  const auto* bytes = reinterpret_cast<const std::byte*>(&entry);
  for (const EntryField& field : fields) {
    LONG rc = WriteField(key, field, bytes + field.offset);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}

// Reads every value of the entry's table. The entry, with its new heap texts, is
// given only when all of them could be read; members without a value are zero.
template <class Entry>
LONG ReadFields(HKEY key, std::span<const EntryField> fields, Entry& entry,
                std::vector<TextHandle>& texts) {
  static_assert(std::is_trivially_copyable_v<Entry>);
  Entry read{};
  std::vector<TextHandle> readTexts;
  auto* bytes = reinterpret_cast<std::byte*>(&read);
  for (const EntryField& field : fields) {
    LONG rc = ReadField(key, field, bytes + field.offset, readTexts);
    if (rc != ERROR_SUCCESS) return rc;
  }
  for (TextHandle& text : readTexts) texts.push_back(std::move(text));
  entry = read;
  return ERROR_SUCCESS;
}

LONG CreateEntryKey(HKEY list, size_t index, const char* name, KeyHolder& key) {
  return RegCreateKeyExA(list, EntryKeyName(index, name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                         nullptr, key.out(), nullptr);
}

// Pels from Size at the resolution, and Used = Pels - Offsets.
void RecomputeDots(PaperEntry& entry, Resolution resolution) {
  entry.widthDots = DotsFromHundredths(entry.width, resolution.x);
  entry.heightDots = DotsFromHundredths(entry.height, resolution.y);
  entry.usableWidth = entry.widthDots - entry.left;
  entry.usableHeight = entry.heightDots - entry.top;
}

}  // namespace

std::span<const EntryField> PaperFields() { return kPaperFields; }
std::span<const EntryField> TextFontFields() { return kTextFontFields; }
std::span<const EntryField> BarcodeFields() { return kBarcodeFields; }

namespace registry_parts {

LONG OpenList(HKEY parent, const char* name, HKEY& key) {
  return RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
}

}  // namespace registry_parts

// ---- one entry ----------------------------------------------------------------------------

LONG WritePaperEntry(HKEY list, size_t index, PaperEntry& entry, Resolution resolution) {
  RecomputeDots(entry, resolution);
  KeyHolder key;
  LONG rc = CreateEntryKey(list, index, TextHeapText(entry.name), key);
  return rc == ERROR_SUCCESS ? WriteFields(key.get(), kPaperFields, entry) : rc;
}

LONG ReadPaperEntry(HKEY entryKey, PaperEntry& entry, std::vector<TextHandle>& texts) {
  return ReadFields(entryKey, kPaperFields, entry, texts);
}

LONG WriteTextFontEntry(HKEY list, size_t index, const TextFontEntry& entry) {
  KeyHolder key;
  LONG rc = CreateEntryKey(list, index, TextHeapText(entry.name), key);
  return rc == ERROR_SUCCESS ? WriteFields(key.get(), kTextFontFields, entry) : rc;
}

LONG ReadTextFontEntry(HKEY entryKey, TextFontEntry& entry, std::vector<TextHandle>& texts) {
  return ReadFields(entryKey, kTextFontFields, entry, texts);
}

LONG WriteBarcodeEntry(HKEY list, size_t index, const BarcodeFontEntry& entry, HKEY& properties) {
  properties = nullptr;
  KeyHolder key;
  LONG rc = CreateEntryKey(list, index, TextHeapText(entry.name), key);
  if (rc == ERROR_SUCCESS) rc = WriteFields(key.get(), kBarcodeFields, entry);
  if (rc == ERROR_SUCCESS) rc = registry_parts::OpenList(key.get(), "Properties", properties);
  return rc;
}

LONG ReadBarcodeEntry(HKEY entryKey, BarcodeFontEntry& entry, std::vector<TextHandle>& texts) {
  return ReadFields(entryKey, kBarcodeFields, entry, texts);
}

LONG WriteBarcodeProperty(HKEY properties, WORD optionId, WORD flags, const char* text) {
  std::string data(2, '\0');
  data[0] = static_cast<char>(flags & 0xFF);
  data[1] = static_cast<char>(flags >> 8);
  data += text;
  return RegSetValueExA(properties, PropertyValueName(optionId).c_str(), 0, REG_BINARY,
                        reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size()));
}

LONG ReadBarcodeProperties(HKEY entryKey, WORD barcodeId, std::vector<BarcodeOptionEntry>& out,
                           std::vector<TextHandle>& texts) {
  KeyHolder properties;
  LONG rc = RegOpenKeyExA(entryKey, "Properties", 0, KEY_READ, properties.out());
  // A bar code stored without properties simply has none.
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return rc;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLength = sizeof name;
    DWORD type = 0;
    DWORD size = 0;
    rc = RegEnumValueA(properties.get(), i, name, &nameLength, nullptr, &type, nullptr, &size);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_BINARY || size < 2) return ERROR_CANTREAD;
    std::string data(size, '\0');
    rc = RegQueryValueExA(properties.get(), name, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (name[0] != '(') continue;
    unsigned long optionId = std::strtoul(name + 1, nullptr, 16);
    if (optionId == 0) continue;
    BarcodeOptionEntry entry{};
    entry.key = barcodeId;
    entry.optionId = static_cast<WORD>(optionId);
    entry.flags = static_cast<WORD>(static_cast<BYTE>(data[0]) | static_cast<BYTE>(data[1]) << 8);
    if (size > 2) {
      texts.emplace_back(data.substr(2, size - 2));
      entry.value = texts.back().get();
    }
    out.push_back(entry);
  }
}

// ---- entries of a list ----------------------------------------------------------------------

LONG CountEntries(HKEY list, DWORD& count) {
  if (!list) return ERROR_NOT_REGISTRY_FILE;
  count = 0;
  return RegQueryInfoKeyA(list, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr);
}

LONG OpenEntry(HKEY list, DWORD index, HKEY& entryKey) {
  entryKey = nullptr;
  if (!list) return ERROR_NOT_REGISTRY_FILE;
  char name[256];
  DWORD length = sizeof name;
  LONG rc = RegEnumKeyExA(list, index, name, &length, nullptr, nullptr, nullptr, nullptr);
  if (rc == ERROR_NO_MORE_ITEMS) return ERROR_INVALID_PARAMETER;
  if (rc != ERROR_SUCCESS) return rc;
  return RegOpenKeyExA(list, name, 0, KEY_ALL_ACCESS, &entryKey);
}

LONG ReadPaperAt(HKEY list, DWORD index, Resolution resolution, PaperEntry& entry,
                 std::vector<TextHandle>& texts) {
  KeyHolder key;
  LONG rc = OpenEntry(list, index, *key.out());
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<TextHandle> read;
  PaperEntry paper{};
  rc = ReadPaperEntry(key.get(), paper, read);
  if (rc != ERROR_SUCCESS) return rc;
  RecomputeDots(paper, resolution);
  rc = WritePointValue(key.get(), "Pels", paper.widthDots, paper.heightDots);
  if (rc == ERROR_SUCCESS)
    rc = WritePointValue(key.get(), "Used", paper.usableWidth, paper.usableHeight);
  if (rc != ERROR_SUCCESS) return rc;
  for (TextHandle& t : read) texts.push_back(std::move(t));
  entry = paper;
  return ERROR_SUCCESS;
}

LONG ReadTextFontAt(HKEY list, DWORD index, TextFontEntry& entry, std::vector<TextHandle>& texts) {
  KeyHolder key;
  LONG rc = OpenEntry(list, index, *key.out());
  return rc == ERROR_SUCCESS ? ReadTextFontEntry(key.get(), entry, texts) : rc;
}

LONG ReadBarcodeFontAt(HKEY list, DWORD index, BarcodeFontEntry& entry,
                       std::vector<TextHandle>& texts) {
  KeyHolder key;
  LONG rc = OpenEntry(list, index, *key.out());
  return rc == ERROR_SUCCESS ? ReadBarcodeEntry(key.get(), entry, texts) : rc;
}

// ---- whole lists --------------------------------------------------------------------------

namespace {

template <class Entry, class ReadOne>
LONG ReadEach(HKEY list, std::vector<Entry>& out, StoredLists& lists, ReadOne readOne) {
  DWORD count = 0;
  LONG rc = CountEntries(list, count);
  for (DWORD i = 0; rc == ERROR_SUCCESS && i < count; ++i) {
    KeyHolder key;
    rc = OpenEntry(list, i, *key.out());
    Entry entry{};
    if (rc == ERROR_SUCCESS) rc = readOne(key.get(), entry, lists);
    if (rc == ERROR_SUCCESS) out.push_back(entry);
  }
  return rc;
}

LONG ReadStoredFont(HKEY key, TextFontEntry& entry, StoredLists& lists) {
  return ReadTextFontEntry(key, entry, lists.texts);
}

LONG ReadStoredBarcode(HKEY key, BarcodeFontEntry& entry, StoredLists& lists) {
  LONG rc = ReadBarcodeEntry(key, entry, lists.texts);
  if (rc == ERROR_SUCCESS) rc = ReadBarcodeProperties(key, entry.id, lists.properties, lists.texts);
  return rc;
}

}  // namespace

LONG ReadStoredLists(HKEY fontList, HKEY barcodeList, StoredLists& lists) try {
  StoredLists read;
  LONG rc = ReadEach(fontList, read.fonts, read, ReadStoredFont);
  if (rc == ERROR_SUCCESS) rc = ReadEach(barcodeList, read.barcodes, read, ReadStoredBarcode);
  lists = StoredLists{};
  if (rc == ERROR_SUCCESS) lists = std::move(read);
  return rc;
} catch (const std::bad_alloc&) {
  lists = StoredLists{};
  return ERROR_NOT_ENOUGH_MEMORY;
}

}  // namespace trv::dcl
