// trvprint's label descriptions and data rows, which come from users' files. The
// input is a description and, after its first zero byte, rows of data. Properties: a
// description that is read numbers its items from 1 in order, has a label of a
// positive size, and gives every length a finite size in dots at any resolution;
// rows that are read have as many fields as the header names columns, and every
// field a text names can be filled from a row, giving a text without field marks of
// its own making.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/harness.h"
#include "tools/trvprint/label_description.h"

namespace {

// Items numbered in order, lengths finite in dots, turns in quarters, printer objects
// naming what draws them.
void CheckItems(const trvprint::LabelDescription& label) {
  FUZZ_CHECK(label.width.value > 0 && label.height.value > 0);
  for (size_t i = 0; i < label.items.size(); ++i) {
    const trvprint::Item& item = label.items[i];
    FUZZ_CHECK(item.number == i + 1);
    for (int dpi : {203, 300}) {
      for (const trvprint::Length& l :
           {item.x, item.y, item.x2, item.y2, item.width, item.height, item.thickness}) {
        const long dots = l.Dots(dpi);
        FUZZ_CHECK(dots > -100000L * 300 && dots < 100000L * 300);
      }
    }
    FUZZ_CHECK(item.rotation % 90 == 0 && item.rotation >= 0 && item.rotation <= 270);
    if (item.kind == trvprint::Item::Kind::PrinterText) FUZZ_CHECK(!item.font.empty());
    if (item.kind == trvprint::Item::Kind::Barcode) FUZZ_CHECK(!item.barcode.empty());
    if (item.kind == trvprint::Item::Kind::Raw) FUZZ_CHECK(!item.text.empty());
  }
}

// Every field that names a column of the first row fills; one that names none fails.
void CheckFields(const trvprint::LabelDescription& label, const trvprint::DataTable& table) {
  std::map<std::string, std::string> values;
  for (size_t c = 0; c < table.columns.size(); ++c) values[table.columns[c]] = table.rows[0][c];
  std::string error;
  for (const trvprint::Item& item : label.items) {
    if (item.kind != trvprint::Item::Kind::Text && item.kind != trvprint::Item::Kind::PrinterText &&
        item.kind != trvprint::Item::Kind::Barcode && item.kind != trvprint::Item::Kind::Raw)
      continue;
    std::vector<std::string> fields;
    FUZZ_CHECK(trvprint::FieldsOf(item.text, &fields, &error));
    bool known = true;
    for (const std::string& f : fields) known = known && values.count(f) > 0;
    std::string filled;
    FUZZ_CHECK(trvprint::FillFields(item.text, values, &filled, &error) == known);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t cut = all.find('\0');
  const std::string_view json = all.substr(0, cut);
  const std::string_view csv = cut == std::string_view::npos ? "" : all.substr(cut + 1);

  trvprint::LabelDescription label;
  std::string error;
  const bool read = trvprint::ParseLabelDescription(json, "fuzz.json", "", &label, &error);
  FUZZ_CHECK(read == error.empty());
  if (read) CheckItems(label);

  trvprint::DataTable table;
  error.clear();
  if (!trvprint::ParseCsv(csv, "fuzz.csv", &table, &error)) return 0;
  FUZZ_CHECK(!table.columns.empty());
  for (const std::vector<std::string>& row : table.rows)
    FUZZ_CHECK(row.size() == table.columns.size());
  if (read && !table.rows.empty()) CheckFields(label, table);
  return 0;
}
