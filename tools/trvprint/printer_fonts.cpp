#include "tools/trvprint/printer_fonts.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "dcl/model/entries.h"
#include "driver/devmode.h"
#include "driver/printer_data.h"
#include "platform/winspool.h"
#include "tools/text/wide_text.h"

namespace trvprint {
namespace {

using trv::tools::SystemText;

std::string Utf8(std::u16string_view wide) { return trv::tools::BytesFromWide(CP_UTF8, 0, wide); }

bool SameName(const std::string& a, const std::string& b) {
  std::optional<std::u16string> wa = trv::tools::WideFromBytes(CP_UTF8, 0, a);
  std::optional<std::u16string> wb = trv::tools::WideFromBytes(CP_UTF8, 0, b);
  return wa && wb && lstrcmpiW(wa->c_str(), wb->c_str()) == 0;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return SameName(n, name); });
}

std::string Listed(const std::vector<std::string>& names) {
  if (names.empty()) return "none";
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + ("\"" + n + "\"");
  return out;
}

int CALLBACK CollectDeviceFace(const LOGFONTW* lf, const NEWTEXTMETRICW*, DWORD type,
                               LPARAM param) {
  if ((type & DEVICE_FONTTYPE) == 0) return 1;
  std::u16string face;
  for (int i = 0; i < LF_FACESIZE && lf->lfFaceName[i] != 0; ++i) face += lf->lfFaceName[i];
  reinterpret_cast<std::vector<std::u16string>*>(param)->push_back(face);
  return 1;
}

// The face names of the printer's list of bar codes: each record's FontInfo begins
// with its 48-byte face name.
std::vector<std::string> BarcodeNames(HANDLE printer) {
  std::vector<std::string> names;
  std::optional<trv::driver::EntryList> list =
      trv::driver::ReadEntryList(printer, u"Barcodes", trv::driver::kBarcodeRecordSize, 0);
  if (!list) return names;
  constexpr size_t at = offsetof(trv::dcl::BarcodeFontEntry, info);
  constexpr size_t size = sizeof(trv::dcl::FontInfo::faceName);
  for (DWORD i = 0; i < list->count(); ++i) {
    const char* face = reinterpret_cast<const char*>(list->record(i) + at);
    std::string ansi(face, strnlen(face, size));
    std::optional<std::u16string> wide = trv::tools::WideFromBytes(CP_ACP, 0, ansi);
    if (wide) names.push_back(Utf8(*wide));
  }
  return names;
}

// The delimiters of the driver's own devmode, which a job whose devmode has no
// private part of the driver's is printed with.
void Delimiters(HANDLE printer, const std::u16string& name, PrinterObjects* out) {
  std::optional<trv::driver::DriverDevmode> dm = trv::driver::BuildDefaultDevmode(name, printer);
  if (!dm) return;
  namespace priv = trv::driver::priv;
  auto text = [&](size_t at) {
    const char* p = reinterpret_cast<const char*>(dm->priv.data() + at);
    return std::string(p, strnlen(p, priv::kDelimiterSize));
  };
  if (dm->U16(priv::kRawCommandFlag) != 0 && !text(priv::kRawStart).empty() &&
      !text(priv::kRawEnd).empty()) {
    out->rawStart = text(priv::kRawStart);
    out->rawEnd = text(priv::kRawEnd);
  }
  if (dm->U16(priv::kBarcodeCollectFlag) != 0 && !text(priv::kBarcodeStart).empty() &&
      !text(priv::kBarcodeEnd).empty()) {
    out->barcodeStart = text(priv::kBarcodeStart);
    out->barcodeEnd = text(priv::kBarcodeEnd);
  }
}

std::string ItemName(const LabelDescription& label, const Item& item) {
  return label.name + ": item " + std::to_string(item.number) + " (" + KindName(item.kind) + ")";
}

}  // namespace

bool ReadPrinterObjects(HDC dc, const std::string& name, PrinterObjects* out, std::string* error) {
  std::optional<std::u16string> wide = trv::tools::WideFromBytes(CP_UTF8, 0, name);
  HANDLE printer = nullptr;
  if (!wide || !OpenPrinterW(wide->data(), &printer, nullptr)) {
    *error = "cannot open printer \"" + name + "\": " + SystemText(GetLastError());
    return false;
  }
  PrinterObjects objects;
  std::vector<std::string> barcodes = BarcodeNames(printer);
  Delimiters(printer, *wide, &objects);
  ClosePrinter(printer);

  std::vector<std::u16string> faces;
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExW(dc, &all, CollectDeviceFace, reinterpret_cast<LPARAM>(&faces), 0);
  for (const std::u16string& face : faces) {
    std::string utf8 = Utf8(face);
    (Contains(barcodes, utf8) ? objects.barcodes : objects.fonts).push_back(utf8);
  }
  *out = std::move(objects);
  return true;
}

namespace {

// "ITEM: printer "NAME" " followed by the parts of the problem.
std::string Problem(const std::string& where, const std::string& printer,
                    std::initializer_list<std::string_view> parts) {
  std::string s = where;
  s += "printer \"";
  s += printer;
  s += "\" ";
  for (std::string_view part : parts) s += part;
  return s;
}

}  // namespace

bool CheckPrinterObjects(const LabelDescription& label, const PrinterObjects& objects,
                         const std::string& printer, std::string* error) {
  const std::string fonts = "; its fonts: " + Listed(objects.fonts);
  for (const Item& item : label.items) {
    const std::string where = ItemName(label, item) + ": ";
    if (item.kind == Item::Kind::PrinterText && !Contains(objects.fonts, item.font)) {
      *error = Problem(where, printer, {"has no font \"", item.font, "\"", fonts});
      return false;
    }
    if (item.kind == Item::Kind::Barcode) {
      if (!Contains(objects.barcodes, item.barcode)) {
        *error = Problem(
            where, printer,
            {"has no bar code \"", item.barcode, "\"; its bar codes: ", Listed(objects.barcodes)});
        return false;
      }
      if (item.humanReadable && !item.font.empty() && !Contains(objects.fonts, item.font)) {
        *error = Problem(where, printer, {"has no font \"", item.font, "\"", fonts});
        return false;
      }
      if (item.humanReadable && objects.fonts.empty()) {
        *error = Problem(where, printer, {"has no font for the human-readable text"});
        return false;
      }
    }
    if (item.kind == Item::Kind::Raw && objects.rawStart.empty()) {
      *error = Problem(where, printer, {"takes no raw commands (they are switched off)"});
      return false;
    }
  }
  return true;
}

std::string DescribePrinterObjects(const std::string& printer, const PrinterObjects& objects) {
  std::string out = "Fonts of " + printer + ":\n";
  for (const std::string& f : objects.fonts) out += "  " + f + "\n";
  if (objects.fonts.empty()) out += "  (none)\n";
  out += "Bar codes of " + printer + ":\n";
  for (const std::string& b : objects.barcodes) out += "  " + b + "\n";
  if (objects.barcodes.empty()) out += "  (none)\n";
  out += "Raw commands: " +
         (objects.rawStart.empty()
              ? std::string("off")
              : "between \"" + objects.rawStart + "\" and \"" + objects.rawEnd + "\"") +
         "\n";
  return out;
}

bool ListPrinterObjects(const std::string& printer, std::string* out, std::string* error) {
  std::optional<std::u16string> wide =
      trv::tools::WideFromBytes(CP_UTF8, MB_ERR_INVALID_CHARS, printer);
  if (!wide) {
    *error = "the printer name is not valid UTF-8";
    return false;
  }
  HDC dc = CreateDCW(nullptr, wide->c_str(), nullptr, nullptr);
  if (dc == nullptr) {
    *error = "cannot open printer \"" + printer + "\": " + SystemText(GetLastError());
    return false;
  }
  PrinterObjects objects;
  bool ok = ReadPrinterObjects(dc, printer, &objects, error);
  DeleteDC(dc);
  if (ok) *out = DescribePrinterObjects(printer, objects);
  return ok;
}

}  // namespace trvprint
