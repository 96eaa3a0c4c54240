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

std::string Cut(std::string s, size_t buffer) {
  if (s.size() > buffer - 1) s.resize(buffer - 1);
  return s;
}

// The printer's own fonts and bar codes are told apart from the system's by the
// prefix the host shows them with.
std::string ServedName(DWORD nameField) {
  return Cut(std::string("TB:") + TextHeapText(nameField), kNameBuffer);
}

// The face name holds the first 48 bytes of the served name (no terminator when
// the name is longer).
void SetFaceName(FontInfo& info, const std::string& name) {
  std::memset(info.faceName, 0, sizeof info.faceName);
  std::memcpy(info.faceName, name.data(), std::min(name.size(), sizeof info.faceName));
}

// Keeps a served text (cut to its buffer) and answers the field that refers to it.
DWORD Keep(std::vector<TextHandle>& served, const std::string& text) {
  served.emplace_back(text);
  return served.back().get();
}
DWORD KeepCut(std::vector<TextHandle>& served, DWORD field, size_t buffer) {
  return Keep(served, Cut(TextHeapText(field), buffer));
}

// Reads one entry, lets `shape` give it the texts it is served with, and makes it
// the record of its kind. The previous record stays when the read fails.
template <class Entry, class Read, class Shape>
const Entry* Serve(Entry& record, std::vector<TextHandle>& recordTexts, Read read, Shape shape) {
  try {
    Entry entry{};
    std::vector<TextHandle> readTexts;  // the registry's texts, replaced by the served ones
    LONG rc = read(entry, readTexts);
    if (rc != ERROR_SUCCESS) {
      SetLastError(static_cast<DWORD>(rc));
      return nullptr;
    }
    std::vector<TextHandle> served;
    shape(entry, served);
    record = entry;
    recordTexts = std::move(served);
    return &record;
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
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
  return Serve(
      paper_, paperTexts_,
      [&](PaperEntry& e, std::vector<TextHandle>& t) {
        return ReadPaperAt(papers, index, resolution, e, t);
      },
      [](PaperEntry& e, std::vector<TextHandle>& served) {
        e.name = KeepCut(served, e.name, kNameBuffer);
      });
}

const TextFontEntry* InstalledLists::TextFont(HKEY fonts, DWORD index) {
  return Serve(
      font_, fontTexts_,
      [&](TextFontEntry& e, std::vector<TextHandle>& t) {
        return ReadTextFontAt(fonts, index, e, t);
      },
      [](TextFontEntry& e, std::vector<TextHandle>& served) {
        // A system TrueType font keeps its own face name and is not offered to GDI
        // a second time as a device font.
        std::string name;
        if (e.info.flags & kSystemTrueType) {
          name = Cut(TextHeapText(e.name), kNameBuffer);
          e.info.flags |= kHiddenFromGdi;
        } else {
          name = ServedName(e.name);
        }
        SetFaceName(e.info, name);
        if (e.info.flags & (kSystemTrueType | kScalable))
          e.info.flags &= ~kVerticalMultiplier;
        else
          e.info.flags |= kVerticalMultiplier;
        e.name = Keep(served, name);
        e.commandMacro = KeepCut(served, e.commandMacro, kMacroBuffer);
      });
}

const BarcodeFontEntry* InstalledLists::BarcodeFont(HKEY barcodes, DWORD index) {
  return Serve(
      barcode_, barcodeTexts_,
      [&](BarcodeFontEntry& e, std::vector<TextHandle>& t) {
        return ReadBarcodeFontAt(barcodes, index, e, t);
      },
      [](BarcodeFontEntry& e, std::vector<TextHandle>& served) {
        std::string name = ServedName(e.name);
        SetFaceName(e.info, name);
        if (e.info.trueTypeFile[0] != '\0') e.info.flags |= kSystemTrueType;
        e.name = Keep(served, name);
        e.symbology = KeepCut(served, e.symbology, kSymbologyBuffer);
        e.commandMacro = KeepCut(served, e.commandMacro, kMacroBuffer);
      });
}

}  // namespace trv::dcl
