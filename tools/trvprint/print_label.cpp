#include "tools/trvprint/print_label.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

#include "platform/kernel.h"
#include "platform/wingdi.h"
#include "tools/text/wide_text.h"
#include "tools/trvjob/image_page.h"
#include "tools/trvprint/printer_fonts.h"

namespace trvprint {
namespace {

using trv::tools::SystemText;

std::string ItemName(const LabelDescription& label, const Item& item) {
  return label.name + ": item " + std::to_string(item.number) + " (" + KindName(item.kind) + ")";
}

// A GDI object deleted with its owner, and taken out of the DC first.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object, bool owned) : dc_(dc), object_(object), owned_(owned) {
    previous_ = object != nullptr ? SelectObject(dc, object) : nullptr;
  }
  ~Selected() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    if (owned_ && object_ != nullptr) DeleteObject(object_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  bool ok() const { return object_ != nullptr && previous_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ object_;
  bool owned_;
  HGDIOBJ previous_ = nullptr;
};

struct Device {
  HDC dc = nullptr;
  int dpiX = 0, dpiY = 0;
  int offsetX = 0, offsetY = 0;  // of the printable area on the label
  ~Device() {
    if (dc != nullptr) DeleteDC(dc);
  }
  // A position on the label in dots of the printable area.
  int X(const Length& l) const { return static_cast<int>(l.Dots(dpiX)) - offsetX; }
  int Y(const Length& l) const { return static_cast<int>(l.Dots(dpiY)) - offsetY; }
  int W(const Length& l) const { return static_cast<int>(l.Dots(dpiX)); }
  int H(const Length& l) const { return static_cast<int>(l.Dots(dpiY)); }
};

// An image as a 24-bit top-down device-independent bitmap of its grey levels.
struct Picture {
  BITMAPINFO info{};
  std::vector<BYTE> bits;
  int width = 0, height = 0;
};

Picture PictureOf(const trv::samples::GreyImage& image) {
  Picture p;
  p.width = static_cast<int>(image.width);
  p.height = static_cast<int>(image.height);
  const size_t stride = (size_t{image.width} * 3 + 3) / 4 * 4;
  p.bits.assign(stride * image.height, 0xFF);
  for (DWORD y = 0; y < image.height; ++y)
    for (DWORD x = 0; x < image.width; ++x)
      std::memset(&p.bits[y * stride + x * 3], image.grey[size_t{y} * image.width + x], 3);
  p.info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  p.info.bmiHeader.biWidth = p.width;
  p.info.bmiHeader.biHeight = -p.height;  // top-down
  p.info.bmiHeader.biPlanes = 1;
  p.info.bmiHeader.biBitCount = 24;
  p.info.bmiHeader.biCompression = BI_RGB;
  return p;
}

class Printer {
 public:
  Printer(const LabelDescription& label, Device& device,
          const std::map<std::string, Picture>& pictures, const PrinterObjects& objects,
          bool asBitmap)
      : label_(label), d_(device), pictures_(pictures), objects_(objects), asBitmap_(asBitmap) {}

  bool Draw(const Item& item, const std::map<std::string, std::string>& row, std::string* error) {
    bool ok = false;
    switch (item.kind) {
      case Item::Kind::Text: ok = Text(item, row, error); break;
      case Item::Kind::Image: ok = Image(item); break;
      case Item::Kind::Line: ok = Line(item); break;
      case Item::Kind::Box:
      case Item::Kind::Ellipse: ok = Shape(item); break;
      case Item::Kind::PrinterText:
      case Item::Kind::Barcode:
      case Item::Kind::Raw: ok = PrinterObject(item, row, error); break;
    }
    if (!ok && error->empty())
      *error = ItemName(label_, item) + ": GDI refused it: " + SystemText(GetLastError());
    return ok;
  }

 private:
  bool Text(const Item& item, const std::map<std::string, std::string>& row, std::string* error) {
    std::string text, fieldError;
    if (!FillFields(item.text, row, &text, &fieldError)) {
      *error = ItemName(label_, item) + ": " + fieldError;
      return false;
    }
    const std::optional<std::u16string> wide =
        trv::tools::WideFromBytes(CP_UTF8, MB_ERR_INVALID_CHARS, text);
    const std::optional<std::u16string> face =
        trv::tools::WideFromBytes(CP_UTF8, MB_ERR_INVALID_CHARS, item.font);
    if (!wide || !face || face->size() >= LF_FACESIZE) {
      *error = ItemName(label_, item) +
               ": the text or the font name is not valid UTF-8, or the "
               "font name is longer than 31 characters";
      return false;
    }
    LOGFONTW font{};
    font.lfHeight = -std::max(1, d_.H(item.size));
    font.lfWeight = item.bold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = item.italic ? 1 : 0;
    font.lfEscapement = font.lfOrientation = item.rotation * 10;
    font.lfCharSet = DEFAULT_CHARSET;
    std::copy(face->begin(), face->end(), font.lfFaceName);
    Selected selected(d_.dc, CreateFontIndirectW(&font), true);
    if (!selected.ok()) return false;
    SetBkMode(d_.dc, TRANSPARENT);
    SetTextColor(d_.dc, RGB(0, 0, 0));
    SetTextAlign(d_.dc, TA_LEFT | TA_TOP);
    return TextOutW(d_.dc, d_.X(item.x), d_.Y(item.y), wide->data(),
                    static_cast<int>(wide->size()));
  }

  bool Image(const Item& item) {
    const Picture& p = pictures_.at(item.file);
    const int w = item.hasSize ? d_.W(item.width) : p.width;
    const int h = item.hasSize ? d_.H(item.height) : p.height;
    SetStretchBltMode(d_.dc, COLORONCOLOR);
    return StretchDIBits(d_.dc, d_.X(item.x), d_.Y(item.y), w, h, 0, 0, p.width, p.height,
                         p.bits.data(), &p.info, DIB_RGB_COLORS, SRCCOPY) != 0;
  }

  bool Line(const Item& item) {
    if (asBitmap_) {
      const int half = std::max(1, d_.W(item.thickness)) / 2;
      const int x1 = d_.X(item.x), y1 = d_.Y(item.y), x2 = d_.X(item.x2), y2 = d_.Y(item.y2);
      return Dots(std::min(x1, x2) - half, std::min(y1, y2) - half,
                  std::max(x1, x2) - half + std::max(1, d_.W(item.thickness)),
                  std::max(y1, y2) - half + std::max(1, d_.W(item.thickness)));
    }
    Selected pen(d_.dc, CreatePen(PS_SOLID, std::max(1, d_.W(item.thickness)), RGB(0, 0, 0)), true);
    if (!pen.ok()) return false;
    return MoveToEx(d_.dc, d_.X(item.x), d_.Y(item.y), nullptr) &&
           LineTo(d_.dc, d_.X(item.x2), d_.Y(item.y2));
  }

  bool Shape(const Item& item) {
    Selected pen(d_.dc, CreatePen(PS_INSIDEFRAME, std::max(1, d_.W(item.thickness)), RGB(0, 0, 0)),
                 true);
    Selected brush(d_.dc,
                   item.fill ? reinterpret_cast<HGDIOBJ>(CreateSolidBrush(RGB(0, 0, 0)))
                             : GetStockObject(NULL_BRUSH),
                   item.fill);
    if (!pen.ok() || !brush.ok()) return false;
    const int left = d_.X(item.x), top = d_.Y(item.y);
    const int right = left + d_.W(item.width), bottom = top + d_.H(item.height);
    if (asBitmap_ && item.kind == Item::Kind::Box) {
      const int t = std::max(1, d_.W(item.thickness));
      return item.fill
                 ? Dots(left, top, right, bottom)
                 : Dots(left, top, right, top + t) && Dots(left, bottom - t, right, bottom) &&
                       Dots(left, top, left + t, bottom) && Dots(right - t, top, right, bottom);
    }
    return item.kind == Item::Kind::Box ? Rectangle(d_.dc, left, top, right, bottom)
                                        : Ellipse(d_.dc, left, top, right, bottom);
  }

  // Black dots filling a rectangle, drawn by the engine into the page.
  bool Dots(int left, int top, int right, int bottom) {
    const RECT r{left, top, right, bottom};
    return FillRect(d_.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))) != 0;
  }

  // Text in one of the printer's own faces at the label's (x, y), turned
  // counter-clockwise by `rotation` degrees; `em` 0 for the face's own size. As a
  // bitmap, a TrueType face of the same size stands in: the bar-code face for a bar
  // code, a text face for text.
  bool DeviceText(const std::string& deviceFace, int em, int rotation, int x, int y,
                  const std::u16string& text) {
    std::string face = deviceFace;
    if (asBitmap_) {
      em = EmOf(deviceFace, em);
      face = std::find(objects_.barcodes.begin(), objects_.barcodes.end(), deviceFace) !=
                     objects_.barcodes.end()
                 ? "TRV Code 39"
                 : "DejaVu Sans";
    }
    const std::optional<std::u16string> wideFace =
        trv::tools::WideFromBytes(CP_UTF8, MB_ERR_INVALID_CHARS, face);
    if (!wideFace || wideFace->size() >= LF_FACESIZE) return false;
    LOGFONTW font{};
    font.lfHeight = em > 0 ? -em : 0;
    font.lfEscapement = font.lfOrientation = rotation * 10;
    font.lfOutPrecision = asBitmap_ ? OUT_TT_ONLY_PRECIS : OUT_DEVICE_PRECIS;
    font.lfCharSet = DEFAULT_CHARSET;
    std::copy(wideFace->begin(), wideFace->end(), font.lfFaceName);
    Selected selected(d_.dc, CreateFontIndirectW(&font), true);
    if (!selected.ok()) return false;
    SetBkMode(d_.dc, TRANSPARENT);
    SetTextColor(d_.dc, RGB(0, 0, 0));
    SetTextAlign(d_.dc, TA_LEFT | TA_TOP);
    return TextOutW(d_.dc, x, y, text.data(), static_cast<int>(text.size()));
  }

  // The height of a face as the printer draws it: the em of the realised font.
  int EmOf(const std::string& face, int em) {
    const std::optional<std::u16string> wideFace =
        trv::tools::WideFromBytes(CP_UTF8, MB_ERR_INVALID_CHARS, face);
    if (!wideFace || wideFace->size() >= LF_FACESIZE) return em;
    LOGFONTW font{};
    font.lfHeight = em > 0 ? -em : 0;
    font.lfOutPrecision = OUT_DEVICE_PRECIS;
    std::copy(wideFace->begin(), wideFace->end(), font.lfFaceName);
    Selected selected(d_.dc, CreateFontIndirectW(&font), true);
    TEXTMETRICW tm{};
    if (!selected.ok() || !GetTextMetricsW(d_.dc, &tm)) return em;
    return static_cast<int>(tm.tmHeight - tm.tmInternalLeading);
  }

  bool PrinterObject(const Item& item, const std::map<std::string, std::string>& row,
                     std::string* error) {
    std::string text, fieldError;
    if (!FillFields(item.text, row, &text, &fieldError)) {
      *error = ItemName(label_, item) + ": " + fieldError;
      return false;
    }
    if (item.kind == Item::Kind::Raw) text = objects_.rawStart + text + objects_.rawEnd;
    if (item.kind == Item::Kind::Barcode) text = objects_.barcodeStart + text + objects_.barcodeEnd;
    const std::optional<std::u16string> wide =
        trv::tools::WideFromBytes(CP_UTF8, MB_ERR_INVALID_CHARS, text);
    if (!wide) {
      *error = ItemName(label_, item) + ": the text is not valid UTF-8";
      return false;
    }
    if (item.kind == Item::Kind::Raw) {
      if (asBitmap_) return true;  // a command is no part of the page's dots
      // Any face carries a command to the driver; the printer's first is at hand.
      const std::string face = objects_.fonts.empty() ? "DejaVu Sans" : objects_.fonts.front();
      return DeviceText(face, 0, 0, 0, 0, *wide);
    }
    const int x = d_.X(item.x), y = d_.Y(item.y);
    if (item.kind == Item::Kind::PrinterText)
      return DeviceText(item.font, item.hasSize ? std::max(1, d_.H(item.size)) : 0, item.rotation,
                        x, y, *wide);
    const int bars = item.hasSize ? std::max(1, d_.H(item.height)) : 0;
    if (!DeviceText(item.barcode, bars, item.rotation, x, y, *wide)) return false;
    if (!item.humanReadable) return true;
    // The data in a printer font just below the bars, turned with them.
    std::string plain;
    FillFields(item.text, row, &plain, &fieldError);
    const std::optional<std::u16string> data =
        trv::tools::WideFromBytes(CP_UTF8, MB_ERR_INVALID_CHARS, plain);
    const std::string face = item.font.empty() ? objects_.fonts.front() : item.font;
    const int below = EmOf(item.barcode, bars) + std::max(2, d_.dpiY / 50);
    const int dx[] = {0, 1, 0, -1}, dy[] = {1, 0, -1, 0};  // the bars' "down" by rotation
    const int turn = item.rotation / 90;
    return data &&
           DeviceText(face, 0, item.rotation, x + dx[turn] * below, y + dy[turn] * below, *data);
  }

  const LabelDescription& label_;
  Device& d_;
  const std::map<std::string, Picture>& pictures_;
  const PrinterObjects& objects_;
  bool asBitmap_;
};

// The job's devmode: the label's size as a paper of its own (the driver picks the
// printer's paper of that size, or sets up a custom one) and the copies.
DEVMODEW DevmodeFor(const LabelDescription& label, int copies) {
  DEVMODEW dm{};
  dm.dmSpecVersion = DM_SPECVERSION;
  dm.dmSize = sizeof dm;
  dm.dmFields = DM_PAPERWIDTH | DM_PAPERLENGTH | DM_COPIES;
  // Tenths of a millimetre.
  dm.dmPaperWidth = static_cast<short>(label.width.Dots(254));
  dm.dmPaperLength = static_cast<short>(label.height.Dots(254));
  dm.dmCopies = static_cast<short>(copies);
  return dm;
}

}  // namespace

bool CheckPrintable(const LabelDescription& label, const DataTable* data, std::string* error) {
  for (const Item& item : label.items) {
    if (item.kind == Item::Kind::Text || item.kind == Item::Kind::PrinterText ||
        item.kind == Item::Kind::Barcode || item.kind == Item::Kind::Raw) {
      std::vector<std::string> fields;
      FieldsOf(item.text, &fields, error);
      for (const std::string& f : fields) {
        if (data == nullptr) {
          *error = ItemName(label, item) + ": the field {" + f + "} needs rows of data (--data)";
          return false;
        }
        if (std::find(data->columns.begin(), data->columns.end(), f) == data->columns.end()) {
          *error = ItemName(label, item) + ": no column \"" + f + "\" in the data";
          return false;
        }
      }
    }
    if (item.kind == Item::Kind::Image) {
      try {
        trv::samples::ReadGreyImage(item.file);
      } catch (const std::exception& e) {
        *error = ItemName(label, item) + ": " + e.what();
        return false;
      }
    }
  }
  if (label.width.Dots(254) > 0x7FFF || label.height.Dots(254) > 0x7FFF) {
    *error = label.name + ": label: larger than 3276.7 mm";
    return false;
  }
  if (data != nullptr && data->rows.empty()) {
    *error = "the data has no rows: nothing to print";
    return false;
  }
  return true;
}

bool PrintLabels(const LabelDescription& label, const PrintRequest& request, std::string* error,
                 const std::function<void(size_t, size_t)>& progress) {
  error->clear();
  if (!CheckPrintable(label, request.data, error)) return false;
  if (request.copies < 1 || request.copies > 0x7FFF) {
    *error = "copies must be from 1 to 32767";
    return false;
  }
  std::map<std::string, Picture> pictures;
  for (const Item& item : label.items)
    if (item.kind == Item::Kind::Image && !pictures.count(item.file))
      pictures.emplace(item.file, PictureOf(trv::samples::ReadGreyImage(item.file)));

  const std::optional<std::u16string> printer =
      trv::tools::WideFromBytes(CP_UTF8, MB_ERR_INVALID_CHARS, request.printer);
  if (!printer) {
    *error = "the printer name is not valid UTF-8";
    return false;
  }
  const DEVMODEW dm = DevmodeFor(label, request.copies);
  Device device;
  device.dc = CreateDCW(nullptr, printer->c_str(), nullptr, &dm);
  if (device.dc == nullptr) {
    *error = "cannot open printer \"" + request.printer + "\": " + SystemText(GetLastError());
    return false;
  }
  device.dpiX = GetDeviceCaps(device.dc, LOGPIXELSX);
  device.dpiY = GetDeviceCaps(device.dc, LOGPIXELSY);
  device.offsetX = GetDeviceCaps(device.dc, PHYSICALOFFSETX);
  device.offsetY = GetDeviceCaps(device.dc, PHYSICALOFFSETY);
  if (device.dpiX <= 0 || device.dpiY <= 0) {
    *error = "printer \"" + request.printer + "\" reports no resolution";
    return false;
  }

  // The printer's fonts and bar codes are known before anything is printed.
  PrinterObjects objects;
  if (!ReadPrinterObjects(device.dc, request.printer, &objects, error) ||
      !CheckPrinterObjects(label, objects, request.printer, error))
    return false;

  const std::optional<std::u16string> docName =
      trv::tools::WideFromBytes(CP_UTF8, 0, "trvprint " + label.name);
  DOCINFOW doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = docName ? docName->c_str() : u"trvprint";
  if (StartDocW(device.dc, &doc) <= 0) {
    *error = "cannot start the document: " + SystemText(GetLastError());
    return false;
  }
  Printer drawer(label, device, pictures, objects, request.asBitmap);
  const size_t labels = request.data != nullptr ? request.data->rows.size() : 1;
  for (size_t n = 0; n < labels; ++n) {
    std::map<std::string, std::string> row;
    if (request.data != nullptr)
      for (size_t c = 0; c < request.data->columns.size(); ++c)
        row[request.data->columns[c]] = request.data->rows[n][c];
    bool ok = StartPage(device.dc) > 0;
    for (size_t i = 0; ok && i < label.items.size(); ++i)
      ok = drawer.Draw(label.items[i], row, error);
    ok = ok && EndPage(device.dc) > 0;
    if (!ok) {
      if (error->empty())
        *error = "label " + std::to_string(n + 1) + ": " + SystemText(GetLastError());
      AbortDoc(device.dc);
      return false;
    }
    if (progress) progress(n + 1, labels);
  }
  if (EndDoc(device.dc) <= 0) {
    *error = "cannot end the document: " + SystemText(GetLastError());
    return false;
  }
  return true;
}

}  // namespace trvprint
