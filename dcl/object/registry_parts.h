// What the files of the printer's registry lists share among themselves (values,
// entries, saves, first configuration); not for other users of the lists.
#pragma once

#include <functional>
#include <vector>

#include "dcl/fonts/font_management.h"
#include "dcl/model/text_heap.h"
#include "dcl/object/printer_registry.h"
#include "platform/winreg.h"

namespace trv::dcl::registry_parts {

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

// Reads a value only if it has exactly this type and size (ERROR_CANTREAD if not).
LONG QueryExact(HKEY key, const char* name, DWORD type, void* data, DWORD size);

// Opens a list key, creating it when missing.
LONG OpenList(HKEY parent, const char* name, HKEY& key);

// Empties one list and writes its new entries in a single registry transaction, so
// that a failure half-way leaves the old list as it was. FALSE + last error.
BOOL ReplaceList(HKEY driverData, const char* listName,
                 const std::function<LONG(HKEY list)>& writeEntries);

// What the font installation has to do for the fonts and bar codes of a save.
std::vector<FontInstallItem> PlanTextFonts(const std::vector<TextFontEntry>& fonts, bool firstTime,
                                           LONG resolutionX);
std::vector<FontInstallItem> PlanBarcodes(const std::vector<BarcodeFontEntry>& barcodes,
                                          bool firstTime);

// The planned items with the names and font descriptions of their entries.
template <class Entry>
std::vector<fonts::FontInstallItem> InstallItems(const std::vector<Entry>& entries,
                                                 const std::vector<FontInstallItem>& planned) {
  std::vector<fonts::FontInstallItem> items;
  for (const FontInstallItem& p : planned) {
    items.push_back({TextHeapText(entries[p.index].name), entries[p.index].info, p.actions});
  }
  return items;
}

}  // namespace trv::dcl::registry_parts
