// Label descriptions and data rows as trvprint reads them: lengths in every unit,
// each kind of item, and for a bad description a message naming the file, the item
// and what is wrong; rows of data and the fields they fill.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tools/trvprint/label_description.h"

namespace trvprint {
namespace {

TEST(LabelDescription, ReadsEveryKindOfItemWithItsUnits) {
  const std::string json = R"({
    "units": "mm",
    "label": {"width": "4in", "height": 152.4},
    "items": [
      {"type": "text", "x": 5, "y": "40dots", "text": "To: {name}", "size": "14pt",
       "bold": true, "rotation": 90},
      {"type": "image", "x": 0, "y": 0, "file": "logo.png"},
      {"type": "image", "x": 1, "y": 2, "file": "/abs/logo.png", "width": 20, "height": 10},
      {"type": "line", "x": 0, "y": 10, "x2": "2in", "y2": 10, "thickness": "3dots"},
      {"type": "box", "x": 2, "y": 2, "width": 50, "height": 25.4},
      {"type": "ellipse", "x": 60, "y": 60, "width": 20, "height": 20, "fill": true}
    ]})";
  LabelDescription d;
  std::string error;
  ASSERT_TRUE(ParseLabelDescription(json, "label.json", "/labels", &d, &error)) << error;
  EXPECT_EQ(d.width.Dots(203), 812);
  EXPECT_EQ(d.height.Dots(203), 1218);
  EXPECT_EQ(d.height.Dots(300), 1800);
  ASSERT_EQ(d.items.size(), 6u);

  const Item& text = d.items[0];
  EXPECT_EQ(text.kind, Item::Kind::Text);
  EXPECT_EQ(text.number, 1u);
  EXPECT_EQ(text.x.Dots(203), 40);  // 5 mm
  EXPECT_EQ(text.y.Dots(300), 40);  // dots stay dots at any resolution
  EXPECT_EQ(text.size.Dots(203), 39);
  EXPECT_EQ(text.font, "DejaVu Sans");
  EXPECT_TRUE(text.bold);
  EXPECT_FALSE(text.italic);
  EXPECT_EQ(text.rotation, 90);

  EXPECT_EQ(d.items[1].file, "/labels/logo.png");
  EXPECT_FALSE(d.items[1].hasSize);
  EXPECT_EQ(d.items[2].file, "/abs/logo.png");
  EXPECT_TRUE(d.items[2].hasSize);
  EXPECT_EQ(d.items[3].x2.Dots(203), 406);
  EXPECT_EQ(d.items[3].thickness.Dots(203), 3);
  EXPECT_EQ(d.items[4].height.Dots(203), 203);
  EXPECT_EQ(d.items[4].thickness.Dots(203), 2);  // 0.25 mm by default
  EXPECT_FALSE(d.items[4].fill);
  EXPECT_EQ(d.items[5].kind, Item::Kind::Ellipse);
  EXPECT_TRUE(d.items[5].fill);
}

// The printer's own objects: a font by name with or without a size, a bar code with
// its data, height, rotation and human-readable line, a raw command.
TEST(LabelDescription, ReadsPrinterTextsBarCodesAndRawCommands) {
  const std::string json = R"({
    "label": {"width": 50, "height": 30},
    "items": [
      {"type": "printer-text", "x": 1, "y": 2, "text": "{name}", "font": "Font 4 Size 0"},
      {"type": "printer-text", "x": 1, "y": 2, "text": "B", "font": "Font 7 Size 0",
       "size": "24dots", "rotation": 270},
      {"type": "barcode", "x": 3, "y": 4, "barcode": "Code 128", "data": "{ref}",
       "height": "80dots", "rotation": 90, "human-readable": true, "text-font": "Font 7 Size 0"},
      {"type": "barcode", "x": 3, "y": 4, "barcode": "QR Code", "data": "x"},
      {"type": "raw", "command": "BEEP {n}"}
    ]})";
  LabelDescription d;
  std::string error;
  ASSERT_TRUE(ParseLabelDescription(json, "label.json", "", &d, &error)) << error;
  ASSERT_EQ(d.items.size(), 5u);
  EXPECT_EQ(d.items[0].kind, Item::Kind::PrinterText);
  EXPECT_EQ(d.items[0].font, "Font 4 Size 0");
  EXPECT_FALSE(d.items[0].hasSize);
  EXPECT_EQ(d.items[0].text, "{name}");
  EXPECT_TRUE(d.items[1].hasSize);
  EXPECT_EQ(d.items[1].size.Dots(300), 24);
  EXPECT_EQ(d.items[1].rotation, 270);
  const Item& bars = d.items[2];
  EXPECT_EQ(bars.kind, Item::Kind::Barcode);
  EXPECT_EQ(bars.barcode, "Code 128");
  EXPECT_EQ(bars.text, "{ref}");
  EXPECT_TRUE(bars.hasSize);
  EXPECT_EQ(bars.height.Dots(203), 80);
  EXPECT_EQ(bars.rotation, 90);
  EXPECT_TRUE(bars.humanReadable);
  EXPECT_EQ(bars.font, "Font 7 Size 0");
  EXPECT_FALSE(d.items[3].hasSize);
  EXPECT_FALSE(d.items[3].humanReadable);
  EXPECT_EQ(d.items[3].font, "");  // the printer's first font, were it asked for
  EXPECT_EQ(d.items[4].kind, Item::Kind::Raw);
  EXPECT_EQ(d.items[4].text, "BEEP {n}");
  EXPECT_STREQ(KindName(d.items[4].kind), "raw");
}

TEST(LabelDescription, DefaultUnitsApplyToPlainNumbers) {
  LabelDescription d;
  std::string error;
  ASSERT_TRUE(ParseLabelDescription(
      R"({"units": "dots", "label": {"width": 812, "height": 1218}, "items": []})", "l.json", "",
      &d, &error))
      << error;
  EXPECT_EQ(d.width.Dots(300), 812);
  EXPECT_TRUE(d.items.empty());
}

struct BadDescription {
  const char* json;
  const char* message;
};

void PrintTo(const BadDescription& c, std::ostream* os) { *os << c.message; }

class BadDescriptions : public ::testing::TestWithParam<BadDescription> {};

TEST_P(BadDescriptions, AreRefusedWithTheFileTheItemAndTheFault) {
  LabelDescription d;
  d.name = "untouched";
  std::string error;
  EXPECT_FALSE(ParseLabelDescription(GetParam().json, "bad.json", "", &d, &error));
  EXPECT_EQ(error, GetParam().message);
  EXPECT_EQ(d.name, "untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadDescriptions,
    ::testing::Values(
        BadDescription{"[1, 2]", "bad.json: the description must be a JSON object"},
        BadDescription{R"({"items": []})", "bad.json: \"label\" is missing"},
        BadDescription{R"({"label": {"width": 50}, "items": []})",
                       "bad.json: label: \"height\" is missing"},
        BadDescription{R"({"label": {"width": -5, "height": 1}, "items": []})",
                       "bad.json: label: \"width\" must be above 0"},
        BadDescription{R"({"units": "cm", "label": {"width": 5, "height": 1}, "items": []})",
                       "bad.json: \"units\" must be mm, in, pt or dots"},
        BadDescription{R"({"label": {"width": 5, "height": 1}, "itmes": []})",
                       "bad.json: unknown member \"itmes\""},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "box", "x": 0, "y": 0, "width": 5, "height": 5},
                          {"type": "text", "x": 0, "y": 0}]})",
                       "bad.json: item 2 (text): \"text\" is missing"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "text", "x": "5cm", "y": 0, "text": "a"}]})",
                       "bad.json: item 1 (text): \"x\" is not a length (a number, or one with "
                       "mm, in, pt or dots): \"5cm\""},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "text", "x": 0, "y": 0, "text": "a", "rotation": 45}]})",
                       "bad.json: item 1 (text): \"rotation\" must be 0, 90, 180 or 270"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "text", "x": 0, "y": 0, "text": "{name"}]})",
                       "bad.json: item 1 (text): a field \"{\" is not closed (write \"{{\" for "
                       "a brace)"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "image", "x": 0, "y": 0, "file": "a.png", "width": 3}]})",
                       "bad.json: item 1 (image): give both \"width\" and \"height\" of an "
                       "image, or neither"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "line", "x": 0, "y": 0, "x2": 5, "y2": 0, "colour": 1}]})",
                       "bad.json: item 1 (line): unknown member \"colour\""},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "circle", "x": 0, "y": 0}]})",
                       "bad.json: item 1 (circle): unknown type \"circle\" (text, printer-text, "
                       "barcode, raw, image, line, box or ellipse)"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "printer-text", "x": 0, "y": 0, "text": "a"}]})",
                       "bad.json: item 1 (printer-text): \"font\" is missing"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "printer-text", "x": 0, "y": 0, "text": "a", "font": "F",
                           "size": 0}]})",
                       "bad.json: item 1 (printer-text): \"size\" must be above 0"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "barcode", "x": 0, "y": 0, "barcode": "Code 128"}]})",
                       "bad.json: item 1 (barcode): \"data\" is missing"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "barcode", "x": 0, "y": 0, "barcode": "Code 128", "data": "1",
                           "text-font": "Font 7"}]})",
                       "bad.json: item 1 (barcode): \"text-font\" needs \"human-readable\": "
                       "true"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "barcode", "x": 0, "y": 0, "barcode": "Code 128", "data": "1",
                           "rotation": 45}]})",
                       "bad.json: item 1 (barcode): \"rotation\" must be 0, 90, 180 or 270"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "raw", "command": ""}]})",
                       "bad.json: item 1 (raw): \"command\" is empty"},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "raw", "command": "X", "x": 0}]})",
                       "bad.json: item 1 (raw): unknown member \"x\""},
        BadDescription{R"({"label": {"width": 50, "height": 30}, "items": [
                          {"type": "box", "x": 0, "y": 0, "width": 5, "height": 5,
                           "fill": "yes"}]})",
                       "bad.json: item 1 (box): \"fill\" must be true or false"}));

TEST(LabelDescription, AFileThatIsNotJsonSaysSo) {
  LabelDescription d;
  std::string error;
  EXPECT_FALSE(ParseLabelDescription("{\"label\": ", "broken.json", "", &d, &error));
  EXPECT_EQ(error.rfind("broken.json: not a valid JSON text: ", 0), 0u) << error;
  // A number no type can hold is a fault of the text, not of the program.
  EXPECT_FALSE(ParseLabelDescription(R"({"label": {"width": 1e99999, "height": 1}, "items": []})",
                                     "huge.json", "", &d, &error));
  EXPECT_EQ(error.rfind("huge.json: not a valid JSON text: ", 0), 0u) << error;
  EXPECT_FALSE(ReadLabelDescription("/nonexistent/label.json", &d, &error));
  EXPECT_EQ(error, "/nonexistent/label.json: cannot read the file");
}

TEST(DataRows, QuotedFieldsCrlfAndBlankLines) {
  DataTable t;
  std::string error;
  ASSERT_TRUE(
      ParseCsv("name,city,note\r\nAda,\"London, UK\",\"said \"\"hi\"\"\"\r\n\r\n"
               "Bob,Paris,\"two\nlines\"\nCy,,",
               "d.csv", &t, &error))
      << error;
  EXPECT_EQ(t.columns, (std::vector<std::string>{"name", "city", "note"}));
  ASSERT_EQ(t.rows.size(), 3u);
  EXPECT_EQ(t.rows[0], (std::vector<std::string>{"Ada", "London, UK", "said \"hi\""}));
  EXPECT_EQ(t.rows[1], (std::vector<std::string>{"Bob", "Paris", "two\nlines"}));
  EXPECT_EQ(t.rows[2], (std::vector<std::string>{"Cy", "", ""}));
}

TEST(DataRows, MalformedDataIsRefusedWithItsPlace) {
  struct Case {
    const char* text;
    const char* message;
  };
  for (const Case& c : {
           Case{"", "d.csv: no header line naming the columns"},
           Case{"a,b\n1\n", "d.csv: row 1 has 1 fields, the header names 2"},
           Case{"a,a\n", "d.csv: line 1: column \"a\" is named twice"},
           Case{"a,\n", "d.csv: line 1: a column without a name"},
           Case{"a\n\"open\n", "d.csv: a quoted field is not closed"},
           Case{"a\nx\"y\n", "d.csv: line 2: a quote inside an unquoted field"},
           Case{"a\n\"x\"y\n", "d.csv: line 2: text after a closing quote"},
       }) {
    DataTable t;
    std::string error;
    EXPECT_FALSE(ParseCsv(c.text, "d.csv", &t, &error)) << c.text;
    EXPECT_EQ(error, c.message);
  }
}

TEST(DataRows, FieldsAreFilledFromTheRowAndBracesEscape) {
  std::vector<std::string> fields;
  std::string error, out;
  ASSERT_TRUE(FieldsOf("{name} ({{id}}) {city}}}", &fields, &error)) << error;
  EXPECT_EQ(fields, (std::vector<std::string>{"name", "city"}));
  const std::map<std::string, std::string> row = {{"name", "Ada"}, {"city", "{x}"}};
  ASSERT_TRUE(FillFields("{name} ({{id}}) {city}}}", row, &out, &error)) << error;
  EXPECT_EQ(out, "Ada ({id}) {x}}");  // a value is never read as a field
  EXPECT_FALSE(FillFields("{zip}", row, &out, &error));
  EXPECT_EQ(error, "no column \"zip\" in the data");
  EXPECT_FALSE(FieldsOf("a } b", &fields, &error));
  EXPECT_FALSE(FieldsOf("{}", &fields, &error));
}

}  // namespace
}  // namespace trvprint
