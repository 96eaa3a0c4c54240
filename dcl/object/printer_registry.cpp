#include "dcl/object/printer_registry.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <new>

#include "dcl/model/model_tables.h"
#include "dcl/object/dcl_model_file.h"
#include "dcl/units.h"
#include "platform/kernel.h"

namespace trv::dcl {

namespace {

constexpr const char* kPrintersPath = "System\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr size_t kMaxPaperName = 81;

LONG QueryExact(HKEY key, const char* name, DWORD type, void* data, DWORD size) {
  DWORD actualType = 0;
  DWORD actualSize = size;
  LONG rc =
      RegQueryValueExA(key, name, nullptr, &actualType, static_cast<BYTE*>(data), &actualSize);
  if (rc == ERROR_MORE_DATA) return ERROR_CANTREAD;
  if (rc != ERROR_SUCCESS) return rc;
  return actualType == type && actualSize == size ? ERROR_SUCCESS : ERROR_CANTREAD;
}

DWORD AddText(std::vector<TextHandle>& texts, const std::string& text) {
  texts.emplace_back(text);
  return texts.back().get();
}

// Closes a key handle when it leaves scope.
class KeyHolder {
 public:
  KeyHolder() = default;
  ~KeyHolder() {
    if (key_) RegCloseKey(key_);
  }
  KeyHolder(const KeyHolder&) = delete;
  KeyHolder& operator=(const KeyHolder&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

LONG CreateEntryKey(HKEY list, size_t index, const char* name, KeyHolder& key) {
  return RegCreateKeyExA(list, EntryKeyName(index, name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                         nullptr, key.out(), nullptr);
}

LONG OpenList(HKEY parent, const char* name, HKEY& key) {
  return RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
}

// Empties one list and writes its new entries in a single registry transaction, so
// that a failure half-way leaves the old list as it was.
BOOL ReplaceList(HKEY driverData, const char* listName,
                 const std::function<LONG(HKEY list)>& writeEntries) {
  if (!driverData) {
    SetLastError(ERROR_NOT_REGISTRY_FILE);
    return FALSE;
  }
  HANDLE tx = CreateTransaction(nullptr, nullptr, 0, 0, 0, 0, nullptr);
  if (tx == INVALID_HANDLE_VALUE) return FALSE;
  LONG rc = ERROR_SUCCESS;
  {
    KeyHolder list;
    rc = RegCreateKeyTransactedA(driverData, listName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 list.out(), nullptr, tx, nullptr);
    if (rc == ERROR_SUCCESS) rc = RegDeleteTreeA(list.get(), nullptr);
    if (rc == ERROR_SUCCESS) {
      try {
        rc = writeEntries(list.get());
      } catch (const std::bad_alloc&) {
        rc = ERROR_NOT_ENOUGH_MEMORY;
      }
    }
  }
  BOOL ok = FALSE;
  if (rc == ERROR_SUCCESS) {
    ok = CommitTransaction(tx);
    if (!ok) rc = static_cast<LONG>(GetLastError());
  } else {
    RollbackTransaction(tx);
  }
  CloseHandle(tx);
  if (!ok) SetLastError(static_cast<DWORD>(rc));
  return ok;
}

LONG WriteFontCommon(HKEY key, DWORD id, DWORD model, DWORD name, DWORD macro, WORD flags,
                     const FontInfo& info) {
  LONG rc = WriteDwordValue(key, "ID", id);
  if (rc == ERROR_SUCCESS) rc = WriteDwordValue(key, "Model", model);
  if (rc == ERROR_SUCCESS) rc = WriteTextValue(key, "Name", TextHeapText(name));
  if (rc == ERROR_SUCCESS) rc = WriteTextValue(key, "CommandMacro", TextHeapText(macro));
  if (rc == ERROR_SUCCESS) rc = WriteDwordValue(key, "Flags", flags & ~TRANSIENT_MARK);
  if (rc == ERROR_SUCCESS) rc = WriteFontInfoValue(key, "FontInfo", info);
  return rc;
}

}  // namespace

// ---- typed values ---------------------------------------------------------------------

LONG ReadDwordValue(HKEY key, const char* name, DWORD& value) {
  return QueryExact(key, name, REG_DWORD, &value, sizeof value);
}

LONG ReadPointValue(HKEY key, const char* name, LONG& x, LONG& y) {
  LONG point[2] = {0, 0};
  LONG rc = QueryExact(key, name, REG_BINARY, point, sizeof point);
  if (rc == ERROR_SUCCESS) {
    x = point[0];
    y = point[1];
  }
  return rc;
}

LONG ReadFontInfoValue(HKEY key, const char* name, FontInfo& info) {
  return QueryExact(key, name, REG_BINARY, &info, sizeof info);
}

LONG ReadTextValue(HKEY key, const char* name, std::string& text) {
  DWORD type = 0;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_SZ) return ERROR_CANTREAD;
  std::string data(size, '\0');
  rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_SZ) return ERROR_CANTREAD;
  data.resize(size);
  // A text written by another tool may carry its terminator; it is not part of it.
  size_t end = data.find('\0');
  if (end != std::string::npos) data.resize(end);
  text = std::move(data);
  return ERROR_SUCCESS;
}

LONG WriteDwordValue(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value);
}

LONG WritePointValue(HKEY key, const char* name, LONG x, LONG y) {
  const LONG point[2] = {x, y};
  return RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(point),
                        sizeof point);
}

LONG WriteFontInfoValue(HKEY key, const char* name, const FontInfo& info) {
  return RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&info),
                        sizeof info);
}

LONG WriteTextValue(HKEY key, const char* name, const char* text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text)));
}

DWORD ReadUserMetrics(HKEY driverData) {
  DWORD unit = 0;
  LONG rc = ReadDwordValue(driverData, "UserMetrics", unit);
  if (rc == ERROR_FILE_NOT_FOUND) {
    unit = kUnitCentimetres;
    rc = WriteDwordValue(driverData, "UserMetrics", unit);
  }
  return rc == ERROR_SUCCESS ? unit : 0;
}

DWORD ReadDpiOverride(HKEY driverData) {
  DWORD dpi = 0;
  if (ReadDwordValue(driverData, "UseDPIRegistry", dpi) != ERROR_SUCCESS) return 0;
  return dpi >= 1 && dpi <= 999 ? dpi : 0;
}

// The stored names: "0x0001-name" for entries, "(0x0001)" for properties.
std::string EntryKeyName(size_t index, const char* name) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "0x%04X-", static_cast<unsigned>(index));
  return std::string(prefix) + name;
}

std::string PropertyValueName(WORD optionId) {
  char name[16];
  std::snprintf(name, sizeof name, "(0x%04lX)", static_cast<unsigned long>(optionId));
  return name;
}

// ---- papers ---------------------------------------------------------------------------

LONG WritePaperEntry(HKEY list, size_t index, PaperEntry& entry, Resolution resolution) {
  entry.widthDots = DotsFromHundredths(entry.width, resolution.x);
  entry.heightDots = DotsFromHundredths(entry.height, resolution.y);
  entry.usableWidth = entry.widthDots - entry.left;
  entry.usableHeight = entry.heightDots - entry.top;
  const char* name = TextHeapText(entry.name);
  KeyHolder key;
  LONG rc = CreateEntryKey(list, index, name, key);
  if (rc == ERROR_SUCCESS) rc = WriteDwordValue(key.get(), "ID", entry.id);
  if (rc == ERROR_SUCCESS) rc = WriteDwordValue(key.get(), "Tray", entry.key);
  if (rc == ERROR_SUCCESS) rc = WriteTextValue(key.get(), "Name", name);
  if (rc == ERROR_SUCCESS) rc = WritePointValue(key.get(), "Size", entry.width, entry.height);
  if (rc == ERROR_SUCCESS)
    rc = WritePointValue(key.get(), "Pels", entry.widthDots, entry.heightDots);
  if (rc == ERROR_SUCCESS) rc = WritePointValue(key.get(), "Offsets", entry.left, entry.top);
  if (rc == ERROR_SUCCESS)
    rc = WritePointValue(key.get(), "Used", entry.usableWidth, entry.usableHeight);
  if (rc == ERROR_SUCCESS) rc = WriteDwordValue(key.get(), "Flags", entry.flags & ~TRANSIENT_MARK);
  return rc;
}

LONG ReadPaperEntry(HKEY entryKey, PaperEntry& entry, std::vector<TextHandle>& texts) {
  PaperEntry read{};
  DWORD id = 0, flags = 0;
  std::string name;
  LONG rc = ReadDwordValue(entryKey, "ID", id);
  if (rc == ERROR_SUCCESS) rc = ReadDwordValue(entryKey, "Tray", read.key);
  if (rc == ERROR_SUCCESS) rc = ReadTextValue(entryKey, "Name", name);
  if (rc == ERROR_SUCCESS) rc = ReadPointValue(entryKey, "Size", read.width, read.height);
  if (rc == ERROR_SUCCESS) rc = ReadPointValue(entryKey, "Pels", read.widthDots, read.heightDots);
  if (rc == ERROR_SUCCESS) rc = ReadPointValue(entryKey, "Offsets", read.left, read.top);
  if (rc == ERROR_SUCCESS)
    rc = ReadPointValue(entryKey, "Used", read.usableWidth, read.usableHeight);
  if (rc == ERROR_SUCCESS) rc = ReadDwordValue(entryKey, "Flags", flags);
  if (rc != ERROR_SUCCESS) return rc;
  read.id = static_cast<WORD>(id);
  read.flags = static_cast<WORD>(flags);
  read.name = AddText(texts, name);
  entry = read;
  return ERROR_SUCCESS;
}

// ---- text fonts -------------------------------------------------------------------------

LONG WriteTextFontEntry(HKEY list, size_t index, const TextFontEntry& entry) {
  KeyHolder key;
  LONG rc = CreateEntryKey(list, index, TextHeapText(entry.name), key);
  if (rc == ERROR_SUCCESS)
    rc = WriteFontCommon(key.get(), entry.id, entry.key, entry.name, entry.commandMacro,
                         entry.flags, entry.info);
  if (rc == ERROR_SUCCESS) rc = WriteDwordValue(key.get(), "SlotID", entry.slotId);
  if (rc == ERROR_SUCCESS)
    rc = WritePointValue(key.get(), "MaxMultipliers", entry.maxMultiplierX, entry.maxMultiplierY);
  return rc;
}

LONG ReadTextFontEntry(HKEY entryKey, TextFontEntry& entry, std::vector<TextHandle>& texts) {
  TextFontEntry read{};
  DWORD id = 0, flags = 0;
  std::string name, macro;
  LONG rc = ReadDwordValue(entryKey, "ID", id);
  if (rc == ERROR_SUCCESS) rc = ReadDwordValue(entryKey, "Model", read.key);
  if (rc == ERROR_SUCCESS) rc = ReadTextValue(entryKey, "Name", name);
  if (rc == ERROR_SUCCESS) rc = ReadTextValue(entryKey, "CommandMacro", macro);
  if (rc == ERROR_SUCCESS) rc = ReadDwordValue(entryKey, "Flags", flags);
  if (rc == ERROR_SUCCESS) rc = ReadDwordValue(entryKey, "SlotID", read.slotId);
  if (rc == ERROR_SUCCESS)
    rc = ReadPointValue(entryKey, "MaxMultipliers", read.maxMultiplierX, read.maxMultiplierY);
  if (rc == ERROR_SUCCESS) rc = ReadFontInfoValue(entryKey, "FontInfo", read.info);
  if (rc != ERROR_SUCCESS) return rc;
  read.id = static_cast<WORD>(id);
  read.flags = static_cast<WORD>(flags);
  read.name = AddText(texts, name);
  read.commandMacro = AddText(texts, macro);
  entry = read;
  return ERROR_SUCCESS;
}

// ---- bar codes -----------------------------------------------------------------------------

LONG WriteBarcodeEntry(HKEY list, size_t index, const BarcodeFontEntry& entry, HKEY& properties) {
  properties = nullptr;
  KeyHolder key;
  LONG rc = CreateEntryKey(list, index, TextHeapText(entry.name), key);
  if (rc == ERROR_SUCCESS)
    rc = WriteFontCommon(key.get(), entry.id, entry.key, entry.name, entry.commandMacro,
                         entry.flags, entry.info);
  if (rc == ERROR_SUCCESS)
    rc = WriteTextValue(key.get(), "Symbology", TextHeapText(entry.symbology));
  if (rc == ERROR_SUCCESS) rc = OpenList(key.get(), "Properties", properties);
  return rc;
}

LONG ReadBarcodeEntry(HKEY entryKey, BarcodeFontEntry& entry, std::vector<TextHandle>& texts) {
  BarcodeFontEntry read{};
  DWORD id = 0, flags = 0;
  std::string name, symbology, macro;
  LONG rc = ReadDwordValue(entryKey, "ID", id);
  if (rc == ERROR_SUCCESS) rc = ReadDwordValue(entryKey, "Model", read.key);
  if (rc == ERROR_SUCCESS) rc = ReadTextValue(entryKey, "Name", name);
  if (rc == ERROR_SUCCESS) rc = ReadTextValue(entryKey, "Symbology", symbology);
  if (rc == ERROR_SUCCESS) rc = ReadTextValue(entryKey, "CommandMacro", macro);
  if (rc == ERROR_SUCCESS) rc = ReadDwordValue(entryKey, "Flags", flags);
  if (rc == ERROR_SUCCESS) rc = ReadFontInfoValue(entryKey, "FontInfo", read.info);
  if (rc != ERROR_SUCCESS) return rc;
  read.id = static_cast<WORD>(id);
  read.flags = static_cast<WORD>(flags);
  read.name = AddText(texts, name);
  read.symbology = AddText(texts, symbology);
  read.commandMacro = AddText(texts, macro);
  entry = read;
  return ERROR_SUCCESS;
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
    if (size > 2) entry.value = AddText(texts, data.substr(2, size - 2));
    out.push_back(entry);
  }
}

// ---- whole lists ------------------------------------------------------------------------------

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
  paper.widthDots = DotsFromHundredths(paper.width, resolution.x);
  paper.heightDots = DotsFromHundredths(paper.height, resolution.y);
  paper.usableWidth = paper.widthDots - paper.left;
  paper.usableHeight = paper.heightDots - paper.top;
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

}  // namespace

namespace {

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

// ---- the printer's key -------------------------------------------------------------------

PrinterRegistry::~PrinterRegistry() { Close(); }

BOOL PrinterRegistry::Open(const char* printerName) {
  Close();
  if (!printerName || !*printerName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string name = printerName;
  std::string path;
  if (name.find('\\') != std::string::npos) {
    std::string commaName = name;
    for (char& c : commaName)
      if (c == '\\') c = ',';
    KeyHolder probe;
    std::string commaPath = kPrintersPath + commaName;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, commaPath.c_str(), 0, KEY_READ, probe.out()) ==
        ERROR_SUCCESS)
      path = commaPath + "\\PrinterDriverData";
  }
  if (path.empty()) path = kPrintersPath + name + "\\PrinterDriverData";
  LONG rc = OpenList(HKEY_LOCAL_MACHINE, path.c_str(), driverData_);
  if (rc == ERROR_SUCCESS) rc = OpenList(driverData_, "Papers", papers_);
  if (rc == ERROR_SUCCESS) rc = OpenList(driverData_, "Fonts", fonts_);
  if (rc == ERROR_SUCCESS) rc = OpenList(driverData_, "Barcodes", barcodes_);
  if (rc == ERROR_SUCCESS) return TRUE;
  Close();
  SetLastError(static_cast<DWORD>(rc));
  return FALSE;
}

void PrinterRegistry::Close() {
  for (HKEY* key : {&barcodes_, &fonts_, &papers_, &driverData_}) {
    if (*key) RegCloseKey(*key);
    *key = nullptr;
  }
}

BOOL PrinterRegistry::SavePapers(std::vector<PaperEntry>& papers, Resolution resolution) {
  return ReplaceList(driverData_, "Papers", [&](HKEY list) {
    for (size_t i = 0; i < papers.size(); ++i) {
      LONG rc = WritePaperEntry(list, i, papers[i], resolution);
      if (rc != ERROR_SUCCESS) return rc;
    }
    return static_cast<LONG>(ERROR_SUCCESS);
  });
}

namespace {

template <class Entry>
std::vector<fonts::FontInstallItem> InstallItems(const std::vector<Entry>& entries,
                                                 const std::vector<FontInstallItem>& planned) {
  std::vector<fonts::FontInstallItem> items;
  for (const FontInstallItem& p : planned) {
    const char* name = TextHeapText(entries[p.index].name);
    items.push_back({name ? name : "", entries[p.index].info, p.actions});
  }
  return items;
}

std::vector<FontInstallItem> PlanTextFonts(const std::vector<TextFontEntry>& fonts, bool firstTime,
                                           LONG resolutionX) {
  std::vector<FontInstallItem> planned;
  for (size_t i = 0; i < fonts.size(); ++i) {
    if (!PassesResolutionFilter(fonts[i], resolutionX)) continue;
    if (firstTime)
      planned.push_back({i, kInstallStoreMetrics | kInstallRegisterTrueType});
    else if (fonts[i].info.flags & kFontInfoTrueType)
      planned.push_back({i, kInstallStoreMetrics});
  }
  return planned;
}

std::vector<FontInstallItem> PlanBarcodes(const std::vector<BarcodeFontEntry>& barcodes,
                                          bool firstTime) {
  std::vector<FontInstallItem> planned;
  for (size_t i = 0; i < barcodes.size(); ++i)
    planned.push_back(
        {i, firstTime ? kInstallStoreMetrics | kInstallRemoveSubstitute | kInstallRegisterTrueType
                      : DWORD{kInstallRemoveSubstitute}});
  return planned;
}

}  // namespace

BOOL PrinterRegistry::InstallFonts(const std::vector<fonts::FontInstallItem>& items) {
  if (installFonts_) return installFonts_(items, driverData_);
  fonts::FontPlace place{driverData_, DriverDirectory()};
  return fonts::RunFontInstallation(place, items.data(), items.size());
}

BOOL PrinterRegistry::SaveTextFonts(const std::vector<TextFontEntry>& fonts, bool firstTime,
                                    LONG resolutionX, std::vector<FontInstallItem>& install) {
  std::vector<FontInstallItem> planned = PlanTextFonts(fonts, firstTime, resolutionX);
  if (!InstallFonts(InstallItems(fonts, planned))) return FALSE;
  if (!WriteTextFonts(fonts, resolutionX)) return FALSE;
  install = std::move(planned);
  return TRUE;
}

BOOL PrinterRegistry::WriteTextFonts(const std::vector<TextFontEntry>& fonts, LONG resolutionX) {
  return ReplaceList(driverData_, "Fonts", [&](HKEY list) {
    for (size_t i = 0; i < fonts.size(); ++i) {
      if (!PassesResolutionFilter(fonts[i], resolutionX)) continue;
      LONG rc = WriteTextFontEntry(list, i, fonts[i]);
      if (rc != ERROR_SUCCESS) return rc;
    }
    return static_cast<LONG>(ERROR_SUCCESS);
  });
}

namespace {

// The properties of one bar code: a group entry (flag 0x40) carries its group
// bits into the first property written after it.
LONG WriteProperties(HKEY properties, const BarcodeFontEntry& barcode,
                     const std::vector<BarcodeOptionEntry>& list, bool firstTime) {
  WORD group = 0;
  WORD groupOption = 0;
  for (const BarcodeOptionEntry& entry : list) {
    if (entry.flags & 0x40) {
      groupOption = entry.secondValue;
      group = entry.flags & 0x0A00;
    }
    bool selected = firstTime ? ((entry.key == barcode.id || entry.key == ANY_KEY) &&
                                 (entry.flags & DCLDEFAULT))
                              : entry.key == barcode.id;
    if (!selected) continue;
    const char* text = TextHeapText(entry.value);
    if (firstTime && groupOption != 0) {
      for (const BarcodeOptionEntry& parent : list) {
        if (parent.optionId != groupOption || !(parent.flags & DCLDEFAULT)) continue;
        if (parent.flags & 0x0400) text = "";
        break;
      }
    }
    WORD flags = static_cast<WORD>(group | (entry.flags & ~TRANSIENT_MARK));
    group = 0;
    LONG rc = WriteBarcodeProperty(properties, entry.optionId, flags, text);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}

}  // namespace

BOOL PrinterRegistry::SaveBarcodes(const std::vector<BarcodeFontEntry>& barcodes,
                                   const std::vector<BarcodeOptionEntry>& properties,
                                   bool firstTime, std::vector<FontInstallItem>& install) {
  std::vector<FontInstallItem> planned = PlanBarcodes(barcodes, firstTime);
  if (!InstallFonts(InstallItems(barcodes, planned))) return FALSE;
  if (!WriteBarcodes(barcodes, properties, firstTime)) return FALSE;
  install = std::move(planned);
  return TRUE;
}

BOOL PrinterRegistry::WriteBarcodes(const std::vector<BarcodeFontEntry>& barcodes,
                                    const std::vector<BarcodeOptionEntry>& properties,
                                    bool firstTime) {
  return ReplaceList(driverData_, "Barcodes", [&](HKEY list) {
    for (size_t i = 0; i < barcodes.size(); ++i) {
      KeyHolder propertyKey;
      LONG rc = WriteBarcodeEntry(list, i, barcodes[i], *propertyKey.out());
      if (rc == ERROR_SUCCESS)
        rc = WriteProperties(propertyKey.get(), barcodes[i], properties, firstTime);
      if (rc != ERROR_SUCCESS) return rc;
    }
    return static_cast<LONG>(ERROR_SUCCESS);
  });
}

// ---- first configuration --------------------------------------------------------------------

bool PassesResolutionFilter(const TextFontEntry& font, LONG resolutionX) {
  if (font.info.flags & kFontInfoTrueType) return true;
  if (font.key == ANY_KEY) return true;
  static constexpr struct {
    DWORD key;
    LONG dpi;
  } kClasses[] = {{0xFFF1, 150}, {0xFFF2, 203}, {0xFFF3, 300}, {0xFFF4, 600}};
  for (const auto& c : kClasses) {
    if (font.key != c.key) continue;
    LONG distance = resolutionX - c.dpi;
    return distance >= -30 && distance <= 30;
  }
  return false;
}

bool ExpandPaperName(const char* pattern, LONG width, LONG height, int unit, std::string& name) {
  std::string out;
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '%' && (p[1] == 'w' || p[1] == 'h')) {
      LONG length = p[1] == 'w' ? width : height;
      ++p;
      int formatUnit = unit;
      if (p[1] == 'c' || p[1] == 'i') {
        formatUnit = p[1] == 'c' ? kUnitCentimetres : kUnitInches;
        ++p;
      }
      char text[64];
      FormatLength(length, text, sizeof text, formatUnit, true);
      out += text;
    } else {
      out += *p;
    }
    if (out.size() > kMaxPaperName) return false;
  }
  name = std::move(out);
  return true;
}

namespace {

bool IsEmptyList(HKEY list) {
  DWORD subKeys = 0;
  return RegQueryInfoKeyA(list, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subKeys == 0;
}

// The installable papers of the definition tables, each with its table index as
// the subkey number, and a default-size paper when none of them has that size.
struct PaperPlan {
  std::vector<PaperEntry> papers;
  std::vector<size_t> indices;
  std::vector<TextHandle> names;
};

PaperPlan PlanPapers(const ModelTables& tables, const PrinterConfig& config, int unit,
                     const char* defaultPaperName) {
  PaperPlan plan;
  WORD largestId = 1;
  bool defaultFound = false;
  for (size_t i = 0; i < tables.papers.size(); ++i) {
    PaperEntry entry = tables.papers[i];
    if (entry.key != ANY_KEY) continue;
    entry.left = DotsFromHundredths(entry.left, config.resolutionX);
    entry.top = DotsFromHundredths(entry.top, config.resolutionY);
    if (entry.id == 0) {
      entry.width = config.maxPaperWidth;
      entry.height = config.maxPaperHeight;
    } else {
      if (entry.width < config.minPaperWidth || entry.width > config.maxPaperWidth ||
          entry.height < config.minPaperHeight || entry.height > config.maxPaperHeight)
        continue;
      if (entry.width == config.defPaperWidth && entry.height == config.defPaperHeight) {
        entry.flags |= DCLDEFAULT;
        defaultFound = true;
      } else {
        entry.flags &= static_cast<WORD>(~DCLDEFAULT);
      }
      entry.flags |= 0x0001;
      if (entry.id > largestId) largestId = entry.id;
    }
    std::string name;
    // A name whose expansion does not fit cannot be stored; the paper is left out.
    if (!ExpandPaperName(TextHeapText(entry.name), entry.width, entry.height, unit, name)) continue;
    plan.names.emplace_back(name);
    entry.name = plan.names.back().get();
    plan.papers.push_back(entry);
    plan.indices.push_back(i);
  }
  if (!defaultFound) {
    PaperEntry extra{};
    extra.key = ANY_KEY;
    extra.id = static_cast<WORD>(largestId + 1);
    extra.width = config.defPaperWidth;
    extra.height = config.defPaperHeight;
    extra.flags = 0x4001;
    std::string name = defaultPaperName ? defaultPaperName : "";
    if (name.size() > kMaxPaperName) name.resize(kMaxPaperName);
    plan.names.emplace_back(name);
    extra.name = plan.names.back().get();
    plan.papers.push_back(extra);
    plan.indices.push_back(tables.papers.size());
  }
  return plan;
}

}  // namespace

BOOL PrinterRegistry::Populate(const ModelTables& tables, const PrinterConfig& config, int unit,
                               const char* defaultPaperName,
                               std::vector<FontInstallItem>& fontInstall,
                               std::vector<FontInstallItem>& barcodeInstall) {
  if (!IsOpen()) {
    SetLastError(ERROR_NOT_REGISTRY_FILE);
    return FALSE;
  }
  try {
    if (IsEmptyList(papers_)) {
      PaperPlan plan = PlanPapers(tables, config, unit, defaultPaperName);
      Resolution resolution{config.resolutionX, config.resolutionY};
      BOOL ok = ReplaceList(driverData_, "Papers", [&](HKEY list) {
        for (size_t n = 0; n < plan.papers.size(); ++n) {
          LONG rc = WritePaperEntry(list, plan.indices[n], plan.papers[n], resolution);
          if (rc != ERROR_SUCCESS) return rc;
        }
        return static_cast<LONG>(ERROR_SUCCESS);
      });
      if (!ok) return FALSE;
    }
    // Both lists go through one installation, so applications hear one WM_FONTCHANGE.
    bool barcodesEmpty = IsEmptyList(barcodes_), fontsEmpty = IsEmptyList(fonts_);
    std::vector<FontInstallItem> barcodeItems, fontItems;
    if (barcodesEmpty) barcodeItems = PlanBarcodes(tables.barcodeFonts, true);
    if (fontsEmpty) fontItems = PlanTextFonts(tables.textFonts, true, config.resolutionX);
    std::vector<fonts::FontInstallItem> items = InstallItems(tables.barcodeFonts, barcodeItems);
    for (fonts::FontInstallItem& item : InstallItems(tables.textFonts, fontItems))
      items.push_back(std::move(item));
    if (!InstallFonts(items)) return FALSE;
    if (barcodesEmpty && !WriteBarcodes(tables.barcodeFonts, tables.barcodeOptions, true))
      return FALSE;
    if (fontsEmpty && !WriteTextFonts(tables.textFonts, config.resolutionX)) return FALSE;
    fontInstall = std::move(fontItems);
    barcodeInstall = std::move(barcodeItems);
    return TRUE;
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}

}  // namespace trv::dcl
