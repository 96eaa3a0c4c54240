#include "dcl/object/installed_lists.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "platform/kernel.h"

namespace trv::dcl {
namespace {

// The sizes of the buffers the served texts are copied into, terminator included.
constexpr size_t kNameBuffer = 82;
constexpr size_t kSymbologyBuffer = 80;
constexpr size_t kMacroBuffer = 1024;

// FontInfo flags the serving looks at or sets.
constexpr DWORD kHiddenFromGdi = 0x01;
constexpr DWORD kSystemTrueType = 0x02;
constexpr DWORD kScalable = 0x04;
constexpr DWORD kVerticalMultiplier = 0x200;

std::string Cut(const char* text, size_t buffer) {
  std::string s = text != nullptr ? text : "";
  if (s.size() > buffer - 1) s.resize(buffer - 1);
  return s;
}

// The printer's own fonts and bar codes are told apart from the system's by the
// prefix the host shows them with.
std::string ServedName(DWORD nameField) {
  const char* name = TextHeapGet(nameField);
  return Cut(("TB:" + std::string(name != nullptr ? name : "")).c_str(), kNameBuffer);
}

// The face name holds the first 48 bytes of the served name (no terminator when
// the name is longer).
void SetFaceName(FontInfo& info, const std::string& name) {
  std::memset(info.faceName, 0, sizeof info.faceName);
  std::memcpy(info.faceName, name.data(), std::min(name.size(), sizeof info.faceName));
}

std::nullptr_t Fail(LONG rc) {
  SetLastError(static_cast<DWORD>(rc));
  return nullptr;
}

}  // namespace

DWORD InstalledLists::Count(HKEY list) {
  DWORD count = 0;
  LONG rc = CountEntries(list, count);
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return 0;
  }
  return count;
}

const PaperEntry* InstalledLists::Paper(HKEY papers, DWORD index, Resolution resolution) {
  try {
    PaperEntry entry{};
    std::vector<TextHandle> texts;
    LONG rc = ReadPaperAt(papers, index, resolution, entry, texts);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    std::vector<TextHandle> served;
    served.emplace_back(Cut(TextHeapGet(entry.name), kNameBuffer));
    entry.name = served.back().get();
    paper_ = entry;
    paperTexts_ = std::move(served);
    return &paper_;
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

const TextFontEntry* InstalledLists::TextFont(HKEY fonts, DWORD index) {
  try {
    TextFontEntry entry{};
    std::vector<TextHandle> texts;
    LONG rc = ReadTextFontAt(fonts, index, entry, texts);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    // A system TrueType font keeps its own face name and is not offered to GDI
    // a second time as a device font.
    std::string name;
    if (entry.info.flags & kSystemTrueType) {
      name = Cut(TextHeapGet(entry.name), kNameBuffer);
      entry.info.flags |= kHiddenFromGdi;
    } else {
      name = ServedName(entry.name);
    }
    SetFaceName(entry.info, name);
    if (entry.info.flags & (kSystemTrueType | kScalable))
      entry.info.flags &= ~kVerticalMultiplier;
    else
      entry.info.flags |= kVerticalMultiplier;
    std::vector<TextHandle> served;
    served.emplace_back(name);
    entry.name = served.back().get();
    served.emplace_back(Cut(TextHeapGet(entry.commandMacro), kMacroBuffer));
    entry.commandMacro = served.back().get();
    font_ = entry;
    fontTexts_ = std::move(served);
    return &font_;
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

const BarcodeFontEntry* InstalledLists::BarcodeFont(HKEY barcodes, DWORD index) {
  try {
    BarcodeFontEntry entry{};
    std::vector<TextHandle> texts;
    LONG rc = ReadBarcodeFontAt(barcodes, index, entry, texts);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    std::string name = ServedName(entry.name);
    SetFaceName(entry.info, name);
    if (entry.info.trueTypeFile[0] != '\0') entry.info.flags |= kSystemTrueType;
    std::vector<TextHandle> served;
    served.emplace_back(name);
    entry.name = served.back().get();
    served.emplace_back(Cut(TextHeapGet(entry.symbology), kSymbologyBuffer));
    entry.symbology = served.back().get();
    served.emplace_back(Cut(TextHeapGet(entry.commandMacro), kMacroBuffer));
    entry.commandMacro = served.back().get();
    barcode_ = entry;
    barcodeTexts_ = std::move(served);
    return &barcode_;
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

}  // namespace trv::dcl
