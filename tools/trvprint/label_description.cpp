#include "tools/trvprint/label_description.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace trvprint {
namespace {

using nlohmann::json;

// A description error: the message without the file's name.
struct Invalid {
  std::string message;
};

bool ReadFile(const std::string& path, std::string* text, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot read the file";
    return false;
  }
  text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool UnitOf(std::string_view name, Unit* unit) {
  if (name == "mm")
    *unit = Unit::Millimetre;
  else if (name == "in")
    *unit = Unit::Inch;
  else if (name == "pt")
    *unit = Unit::Point;
  else if (name == "dots" || name == "dot")
    *unit = Unit::Dot;
  else
    return false;
  return true;
}

// A length: a number in the default unit, or a text "12.5mm", "1in", "10pt", "40dots".
Length LengthOf(const json& v, Unit defaultUnit, const std::string& what) {
  Length l;
  if (v.is_number()) {
    l.value = v.get<double>();
    l.unit = defaultUnit;
  } else if (v.is_string()) {
    const std::string s = v.get<std::string>();
    const char* begin = s.c_str();
    char* end = nullptr;
    l.value = std::strtod(begin, &end);
    std::string unit(end);
    while (!unit.empty() && unit.front() == ' ') unit.erase(unit.begin());
    if (end == begin || !UnitOf(unit, &l.unit))
      throw Invalid{"\"" + what +
                    "\" is not a length (a number, or one with mm, in, pt or dots): \"" + s + "\""};
  } else {
    throw Invalid{"\"" + what + "\" is not a length"};
  }
  if (!std::isfinite(l.value) || std::fabs(l.value) > 100000)
    throw Invalid{"\"" + what + "\" is out of range"};
  return l;
}

const json& Member(const json& object, const char* name) {
  auto it = object.find(name);
  if (it == object.end()) throw Invalid{"\"" + std::string(name) + "\" is missing"};
  return *it;
}

Length RequiredLength(const json& o, const char* name, Unit unit) {
  return LengthOf(Member(o, name), unit, name);
}

Length PositiveLength(const json& o, const char* name, Unit unit) {
  Length l = RequiredLength(o, name, unit);
  if (l.value <= 0) throw Invalid{"\"" + std::string(name) + "\" must be above 0"};
  return l;
}

bool OptionalBool(const json& o, const char* name, bool fallback) {
  auto it = o.find(name);
  if (it == o.end()) return fallback;
  if (!it->is_boolean()) throw Invalid{"\"" + std::string(name) + "\" must be true or false"};
  return it->get<bool>();
}

std::string RequiredText(const json& o, const char* name) {
  const json& v = Member(o, name);
  if (!v.is_string()) throw Invalid{"\"" + std::string(name) + "\" must be a text"};
  return v.get<std::string>();
}

// A text that may hold {column} fields, checked for well-formed fields.
std::string FieldText(const json& o, const char* name) {
  std::string text = RequiredText(o, name);
  std::vector<std::string> fields;
  std::string error;
  if (!FieldsOf(text, &fields, &error)) throw Invalid{error};
  return text;
}

int RotationOf(const json& o) {
  if (!o.contains("rotation")) return 0;
  const json& r = o["rotation"];
  if (!r.is_number_integer() || (r.get<long>() % 90) != 0 || r.get<long>() < 0 ||
      r.get<long>() > 270)
    throw Invalid{"\"rotation\" must be 0, 90, 180 or 270"};
  return r.get<int>();
}

// Every member of an item must be one its kind knows, so that a misspelt name is
// reported instead of silently ignored.
void OnlyKnownMembers(const json& o, std::initializer_list<const char*> known) {
  for (auto it = o.begin(); it != o.end(); ++it) {
    bool found = false;
    for (const char* k : known) found = found || it.key() == k;
    if (!found) throw Invalid{"unknown member \"" + it.key() + "\""};
  }
}

Item ItemOf(const json& o, Unit unit, const std::string& folder) {
  if (!o.is_object()) throw Invalid{"an item must be an object"};
  const std::string type = RequiredText(o, "type");
  Item item;
  if (type == "text") {
    OnlyKnownMembers(o, {"type", "x", "y", "text", "font", "size", "bold", "italic", "rotation"});
    item.kind = Item::Kind::Text;
    item.text = FieldText(o, "text");
    if (o.contains("font")) item.font = RequiredText(o, "font");
    if (item.font.empty()) throw Invalid{"\"font\" is empty"};
    if (o.contains("size")) item.size = LengthOf(o["size"], Unit::Point, "size");
    if (item.size.value <= 0) throw Invalid{"\"size\" must be above 0"};
    item.bold = OptionalBool(o, "bold", false);
    item.italic = OptionalBool(o, "italic", false);
    item.rotation = RotationOf(o);
  } else if (type == "image") {
    OnlyKnownMembers(o, {"type", "x", "y", "file", "width", "height"});
    item.kind = Item::Kind::Image;
    std::string file = RequiredText(o, "file");
    if (file.empty()) throw Invalid{"\"file\" is empty"};
    item.file = file.front() == '/' || folder.empty() ? file : folder + "/" + file;
    if (o.contains("width") != o.contains("height"))
      throw Invalid{"give both \"width\" and \"height\" of an image, or neither"};
    if (o.contains("width")) {
      item.width = PositiveLength(o, "width", unit);
      item.height = PositiveLength(o, "height", unit);
      item.hasSize = true;
    }
  } else if (type == "line") {
    OnlyKnownMembers(o, {"type", "x", "y", "x2", "y2", "thickness"});
    item.kind = Item::Kind::Line;
    item.x2 = RequiredLength(o, "x2", unit);
    item.y2 = RequiredLength(o, "y2", unit);
  } else if (type == "box" || type == "ellipse") {
    OnlyKnownMembers(o, {"type", "x", "y", "width", "height", "thickness", "fill"});
    item.kind = type == "box" ? Item::Kind::Box : Item::Kind::Ellipse;
    item.width = PositiveLength(o, "width", unit);
    item.height = PositiveLength(o, "height", unit);
    item.fill = OptionalBool(o, "fill", false);
  } else if (type == "printer-text") {
    OnlyKnownMembers(o, {"type", "x", "y", "text", "font", "size", "rotation"});
    item.kind = Item::Kind::PrinterText;
    item.text = FieldText(o, "text");
    item.font = RequiredText(o, "font");
    if (item.font.empty()) throw Invalid{"\"font\" is empty"};
    if (o.contains("size")) {
      item.size = PositiveLength(o, "size", Unit::Point);
      item.hasSize = true;
    }
    item.rotation = RotationOf(o);
  } else if (type == "barcode") {
    OnlyKnownMembers(o, {"type", "x", "y", "barcode", "data", "height", "rotation",
                         "human-readable", "text-font"});
    item.kind = Item::Kind::Barcode;
    item.barcode = RequiredText(o, "barcode");
    if (item.barcode.empty()) throw Invalid{"\"barcode\" is empty"};
    item.text = FieldText(o, "data");
    if (o.contains("height")) {
      item.height = PositiveLength(o, "height", unit);
      item.hasSize = true;
    }
    item.rotation = RotationOf(o);
    item.humanReadable = OptionalBool(o, "human-readable", false);
    if (o.contains("text-font")) {
      item.font = RequiredText(o, "text-font");
      if (!item.humanReadable) throw Invalid{"\"text-font\" needs \"human-readable\": true"};
    } else {
      item.font.clear();  // the printer's first font
    }
  } else if (type == "raw") {
    OnlyKnownMembers(o, {"type", "command"});
    item.kind = Item::Kind::Raw;
    item.text = FieldText(o, "command");
    if (item.text.empty()) throw Invalid{"\"command\" is empty"};
    return item;  // a command has no place on the label
  } else {
    throw Invalid{"unknown type \"" + type +
                  "\" (text, printer-text, barcode, raw, image, line, box or ellipse)"};
  }
  item.x = RequiredLength(o, "x", unit);
  item.y = RequiredLength(o, "y", unit);
  if (o.contains("thickness")) {
    item.thickness = PositiveLength(o, "thickness", unit);
  } else {
    item.thickness = Length{0.25, Unit::Millimetre};
  }
  return item;
}

}  // namespace

long Length::Dots(int dpi) const {
  double dots = value;
  switch (unit) {
    case Unit::Millimetre: dots = value * dpi / 25.4; break;
    case Unit::Inch: dots = value * dpi; break;
    case Unit::Point: dots = value * dpi / 72.0; break;
    case Unit::Dot: break;
  }
  return std::lround(dots);
}

const char* KindName(Item::Kind kind) {
  switch (kind) {
    case Item::Kind::Text: return "text";
    case Item::Kind::Image: return "image";
    case Item::Kind::Line: return "line";
    case Item::Kind::Box: return "box";
    case Item::Kind::Ellipse: return "ellipse";
    case Item::Kind::PrinterText: return "printer-text";
    case Item::Kind::Barcode: return "barcode";
    case Item::Kind::Raw: return "raw";
  }
  return "?";
}

bool ParseLabelDescription(std::string_view text, const std::string& name,
                           const std::string& folder, LabelDescription* out, std::string* error) {
  json root;
  try {
    root = json::parse(text.begin(), text.end());
  } catch (const json::exception& e) {
    // Syntax errors and numbers too large for any type alike.
    *error = name + ": not a valid JSON text: " + e.what();
    return false;
  }
  LabelDescription d;
  d.name = name;
  std::string where;
  try {
    if (!root.is_object()) throw Invalid{"the description must be a JSON object"};
    OnlyKnownMembers(root, {"units", "label", "items"});
    Unit unit = Unit::Millimetre;
    if (root.contains("units")) {
      const json& u = root["units"];
      if (!u.is_string() || !UnitOf(u.get<std::string>(), &unit))
        throw Invalid{"\"units\" must be mm, in, pt or dots"};
    }
    const json& label = Member(root, "label");
    where = "label: ";
    if (!label.is_object()) throw Invalid{"must be an object with width and height"};
    OnlyKnownMembers(label, {"width", "height"});
    d.width = PositiveLength(label, "width", unit);
    d.height = PositiveLength(label, "height", unit);
    where.clear();
    const json& items = Member(root, "items");
    if (!items.is_array()) throw Invalid{"\"items\" must be an array"};
    for (size_t i = 0; i < items.size(); ++i) {
      const json& o = items[i];
      where = "item " + std::to_string(i + 1);
      if (o.is_object() && o.contains("type") && o["type"].is_string())
        where += " (" + o["type"].get<std::string>() + ")";
      where += ": ";
      Item item = ItemOf(o, unit, folder);
      item.number = i + 1;
      d.items.push_back(std::move(item));
    }
  } catch (const Invalid& e) {
    *error = name + ": " + where + e.message;
    return false;
  } catch (const json::exception& e) {
    *error = name + ": " + where + e.what();
    return false;
  }
  *out = std::move(d);
  return true;
}

bool ReadLabelDescription(const std::string& path, LabelDescription* out, std::string* error) {
  std::string text;
  if (!ReadFile(path, &text, error)) return false;
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
  return ParseLabelDescription(text, path, folder, out, error);
}

bool ParseCsv(std::string_view text, const std::string& name, DataTable* out, std::string* error) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false, fieldWasQuoted = false, any = false;
  size_t line = 1;
  auto endField = [&] {
    record.push_back(std::move(field));
    field.clear();
    fieldWasQuoted = false;
  };
  auto endRecord = [&] {
    endField();
    // A line with nothing on it is not a row.
    if (!(record.size() == 1 && record[0].empty())) records.push_back(std::move(record));
    record.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    any = true;
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        if (c == '\n') ++line;
        field += c;
      }
      continue;
    }
    if (c == '"') {
      if (!field.empty() || fieldWasQuoted) {
        *error = name + ": line " + std::to_string(line) + ": a quote inside an unquoted field";
        return false;
      }
      quoted = fieldWasQuoted = true;
    } else if (c == ',') {
      endField();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;
    } else if (c == '\n') {
      endRecord();
      ++line;
    } else {
      if (fieldWasQuoted) {
        *error = name + ": line " + std::to_string(line) + ": text after a closing quote";
        return false;
      }
      field += c;
    }
  }
  if (quoted) {
    *error = name + ": a quoted field is not closed";
    return false;
  }
  if (any && (!field.empty() || !record.empty() || fieldWasQuoted)) endRecord();
  if (records.empty()) {
    *error = name + ": no header line naming the columns";
    return false;
  }
  DataTable t;
  t.columns = std::move(records.front());
  std::set<std::string> seen;
  for (const std::string& c : t.columns) {
    if (c.empty()) {
      *error = name + ": line 1: a column without a name";
      return false;
    }
    if (!seen.insert(c).second) {
      // Once, on the way out: the read stops here.
      // NOLINTNEXTLINE(performance-inefficient-string-concatenation)
      *error = name + ": line 1: column \"" + c + "\" is named twice";
      return false;
    }
  }
  for (size_t r = 1; r < records.size(); ++r) {
    if (records[r].size() != t.columns.size()) {
      *error = name + ": row " + std::to_string(r) + " has " + std::to_string(records[r].size()) +
               " fields, the header names " + std::to_string(t.columns.size());
      return false;
    }
    t.rows.push_back(std::move(records[r]));
  }
  *out = std::move(t);
  return true;
}

bool ReadCsv(const std::string& path, DataTable* out, std::string* error) {
  std::string text;
  if (!ReadFile(path, &text, error)) return false;
  return ParseCsv(text, path, out, error);
}

namespace {

// Walks a text's fields: `literal` gets the text between them, `field` each name.
template <class Literal, class Field>
bool WalkFields(const std::string& text, std::string* error, Literal literal, Field field) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
      literal(c);
      ++i;
    } else if (c == '{') {
      const size_t close = text.find('}', i + 1);
      if (close == std::string::npos) {
        *error = "a field \"{\" is not closed (write \"{{\" for a brace)";
        return false;
      }
      const std::string name = text.substr(i + 1, close - i - 1);
      if (name.empty() || name.find('{') != std::string::npos) {
        *error = "a field needs a column name between \"{\" and \"}\"";
        return false;
      }
      if (!field(name)) return false;
      i = close;
    } else if (c == '}') {
      *error = "a \"}\" without its \"{\" (write \"}}\" for a brace)";
      return false;
    } else {
      literal(c);
    }
  }
  return true;
}

}  // namespace

bool FieldsOf(const std::string& text, std::vector<std::string>* fields, std::string* error) {
  fields->clear();
  return WalkFields(
      text, error, [](char) {},
      [&](const std::string& name) {
        fields->push_back(name);
        return true;
      });
}

bool FillFields(const std::string& text, const std::map<std::string, std::string>& values,
                std::string* out, std::string* error) {
  std::string filled;
  bool ok = WalkFields(
      text, error, [&](char c) { filled += c; },
      [&](const std::string& name) {
        auto it = values.find(name);
        if (it == values.end()) {
          *error = "no column \"" + name + "\" in the data";
          return false;
        }
        filled += it->second;
        return true;
      });
  if (ok) *out = std::move(filled);
  return ok;
}

}  // namespace trvprint
