// The printer's key: opening it, and the all-or-nothing saves of its lists with the
// font installation they need.
#include "dcl/object/printer_registry.h"

#include <new>
#include <string>

#include "dcl/object/dcl_model_file.h"
#include "dcl/object/registry_parts.h"
#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv::dcl {

using registry_parts::InstallItems;
using registry_parts::KeyHolder;
using registry_parts::OpenList;
using registry_parts::ReplaceList;

namespace {

constexpr const char* kPrintersPath = "System\\CurrentControlSet\\Control\\Print\\Printers\\";

}  // namespace

namespace registry_parts {

BOOL ReplaceList(HKEY driverData, const char* listName,
                 const std::function<LONG(HKEY list)>& writeEntries) {
  if (!driverData) return Fail(ERROR_NOT_REGISTRY_FILE);
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

}  // namespace registry_parts

PrinterRegistry::~PrinterRegistry() { Close(); }

BOOL PrinterRegistry::Open(const char* printerName) {
  Close();
  if (!printerName || !*printerName) return Fail(ERROR_INVALID_PARAMETER);
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
  return Fail(static_cast<DWORD>(rc));
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

BOOL PrinterRegistry::InstallFonts(const std::vector<fonts::FontInstallItem>& items) {
  if (installFonts_) return installFonts_(items, driverData_);
  fonts::FontPlace place{driverData_, DriverDirectory()};
  return fonts::RunFontInstallation(place, items.data(), items.size());
}

BOOL PrinterRegistry::SaveTextFonts(const std::vector<TextFontEntry>& fonts, bool firstTime,
                                    LONG resolutionX, std::vector<FontInstallItem>& install) {
  std::vector<FontInstallItem> planned =
      registry_parts::PlanTextFonts(fonts, firstTime, resolutionX);
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
  std::vector<FontInstallItem> planned = registry_parts::PlanBarcodes(barcodes, firstTime);
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

}  // namespace trv::dcl
