// A label description, as trvprint reads it: one label size and its items, with
// lengths in millimetres, inches, points or printer dots.
//
//   {
//     "units": "mm",                       default unit of plain numbers (mm, in, pt, dots)
//     "label": {"width": 101.6, "height": "6in"},
//     "items": [
//       {"type": "text", "x": 5, "y": 5, "text": "To: {name}", "font": "DejaVu Sans",
//        "size": "14pt", "bold": true, "italic": false, "rotation": 0},
//       {"type": "image", "x": 5, "y": 40, "file": "logo.png", "width": 30, "height": 15},
//       {"type": "line", "x": 5, "y": 30, "x2": 96, "y2": 30, "thickness": 0.5},
//       {"type": "box", "x": 2, "y": 2, "width": 97, "height": 148, "thickness": "3dots"},
//       {"type": "ellipse", "x": 60, "y": 60, "width": 20, "height": 20, "fill": true},
//       {"type": "printer-text", "x": 5, "y": 90, "text": "{city}", "font": "Font 4 Size 0",
//        "size": "12pt", "rotation": 0},
//       {"type": "barcode", "x": 5, "y": 100, "barcode": "Code 128", "data": "{ref}",
//        "height": 12, "rotation": 0, "human-readable": true, "text-font": "Font 7 Size 0"},
//       {"type": "raw", "command": "BEEP 1"}
//     ]
//   }
//
// Printer texts and bar codes use the printer's own fonts and bar codes, named as in the
// printer's list (trvprint --list-fonts): the printer draws them. A printer text
// without a size has its font's own size; a bar code's height is that of its bars
// (the bar code's own without one), and its human-readable line is printed below
// the bars in a printer font (the printer's first one unless "text-font" names one).
// A raw item sends its command to the printer as it stands, with the label.
//
// Texts may hold {column} fields, filled from a row of data ("{{" and "}}" stand
// for the braces themselves). Every error names the file and the item.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace trvprint {

enum class Unit { Millimetre, Inch, Point, Dot };

struct Length {
  double value = 0;
  Unit unit = Unit::Millimetre;
  // In dots of a device of `dpi` dots per inch, rounded to the nearest dot.
  long Dots(int dpi) const;
};

struct Item {
  enum class Kind { Text, Image, Line, Box, Ellipse, PrinterText, Barcode, Raw } kind = Kind::Text;
  size_t number = 0;  // 1-based position in "items", for messages
  Length x, y;
  Length x2, y2;           // line: the other end
  Length width, height;    // image, box, ellipse (an image's may be absent: its own size);
                           // bar code: the height of its bars
  bool hasSize = false;    // image: width and height were given; printer text: a size;
                           // bar code: a height
  Length thickness{0.25};  // line, box, ellipse outline
  bool fill = false;       // box, ellipse
  std::string text;        // text, printer text, bar-code data, raw command
  std::string font = "DejaVu Sans";  // printer text: the printer's font; bar code: for
                                     // its human-readable line (empty: the first)
  std::string barcode;               // bar code: its name in the printer's list
  bool humanReadable = false;
  Length size{10, Unit::Point};
  bool bold = false, italic = false;
  int rotation = 0;  // text: 0, 90, 180 or 270 degrees, counter-clockwise
  std::string file;  // image: the path, resolved against the description's folder
};

struct LabelDescription {
  std::string name;  // the file it came from, for messages
  Length width, height;
  std::vector<Item> items;
};

// The name of an item kind as descriptions spell it.
const char* KindName(Item::Kind kind);

// Reads a description; false with a message ("FILE: item 3 (text): ...") when it is
// not valid. Nothing of a description that is not valid is used.
bool ParseLabelDescription(std::string_view json, const std::string& name,
                           const std::string& folder, LabelDescription* out, std::string* error);
bool ReadLabelDescription(const std::string& path, LabelDescription* out, std::string* error);

// Rows of data: the first line names the columns. Commas separate fields; a field in
// double quotes may hold commas, line breaks and doubled quotes.
struct DataTable {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};
bool ParseCsv(std::string_view text, const std::string& name, DataTable* out, std::string* error);
bool ReadCsv(const std::string& path, DataTable* out, std::string* error);

// The fields a text names, in order (checked before anything is printed).
bool FieldsOf(const std::string& text, std::vector<std::string>* fields, std::string* error);
// The text with its fields filled from `values`; false when a field has no value.
bool FillFields(const std::string& text, const std::map<std::string, std::string>& values,
                std::string* out, std::string* error);

}  // namespace trvprint
