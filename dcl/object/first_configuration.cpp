// First configuration of a printer: its empty lists filled from the model definition
// tables, with the papers its limits allow and the fonts of its resolution.
#include <new>
#include <string>

#include "dcl/model/model_tables.h"
#include "dcl/object/printer_registry.h"
#include "dcl/object/registry_parts.h"
#include "dcl/units.h"
#include "platform/last_error.h"

namespace trv::dcl {

namespace {

constexpr size_t kMaxPaperName = 81;

}  // namespace

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
  using registry_parts::InstallItems;
  if (!IsOpen()) return Fail(ERROR_NOT_REGISTRY_FILE);
  try {
    if (IsEmptyList(papers_)) {
      PaperPlan plan = PlanPapers(tables, config, unit, defaultPaperName);
      Resolution resolution{config.resolutionX, config.resolutionY};
      BOOL ok = registry_parts::ReplaceList(driverData_, "Papers", [&](HKEY list) {
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
    if (barcodesEmpty) barcodeItems = registry_parts::PlanBarcodes(tables.barcodeFonts, true);
    if (fontsEmpty)
      fontItems = registry_parts::PlanTextFonts(tables.textFonts, true, config.resolutionX);
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
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

}  // namespace trv::dcl
