// The printer's registry lists: the key, typed values, entries byte for byte, the
// all-or-nothing saves and the first-time population with its resolution filter.
#include "dcl/object/printer_registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "dcl/model/model_tables.h"
#include "dcl/units.h"
#include "platform/kernel.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl {
namespace {

constexpr const char* kPrinters = "System\\CurrentControlSet\\Control\\Print\\Printers\\";

struct RawValue {
  LONG rc = ERROR_SUCCESS;
  DWORD type = 0;
  std::string data;
};

RawValue Query(HKEY key, const char* name) {
  RawValue v;
  DWORD size = 0;
  v.rc = RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size);
  if (v.rc != ERROR_SUCCESS) return v;
  v.data.resize(size);
  v.rc =
      RegQueryValueExA(key, name, nullptr, &v.type, reinterpret_cast<BYTE*>(v.data.data()), &size);
  return v;
}

std::string Bytes(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }
std::string DwordBytes(DWORD v) { return Bytes(&v, 4); }
std::string PointBytes(LONG x, LONG y) {
  LONG p[2] = {x, y};
  return Bytes(p, 8);
}

std::vector<std::string> SubkeyNames(HKEY key) {
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

class Key {
 public:
  Key(HKEY parent, const std::string& path) {
    EXPECT_EQ(RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key_), ERROR_SUCCESS) << path;
  }
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

FontInfo SampleInfo(DWORD flags) {
  FontInfo info{};
  std::strcpy(info.faceName, "Face");
  std::strcpy(info.trueTypeFile, "tt.ttf");
  info.flags = flags;
  info.pointSize = 12;
  info.defaultMultiplierX = 2;
  return info;
}

class PrinterRegistryTest : public trv::testing::FreshMachine {
 protected:
  void SetUp() override {
    FreshMachine::SetUp();
    ASSERT_TRUE(reg.Open("Label"));
    // The lists are what these tests look at; the installation has its own tests.
    reg.SetFontInstallRunner([this](const std::vector<fonts::FontInstallItem>& items, HKEY) {
      installRuns.push_back(items);
      return TRUE;
    });
  }
  std::vector<std::vector<fonts::FontInstallItem>> installRuns;
  DWORD Text(const std::string& s) {
    texts.emplace_back(s);
    return texts.back().get();
  }
  PaperEntry Paper(WORD id, const std::string& name, LONG w, LONG h, WORD flags = 0) {
    PaperEntry p{};
    p.key = ANY_KEY;
    p.id = id;
    p.name = Text(name);
    p.width = w;
    p.height = h;
    p.flags = flags;
    return p;
  }
  TextFontEntry Font(DWORD key, WORD id, const std::string& name, DWORD infoFlags = 0) {
    TextFontEntry f{};
    f.key = key;
    f.id = id;
    f.name = Text(name);
    f.commandMacro = Text("T 7 0");
    f.slotId = 5;
    f.flags = 0x1003;
    f.maxMultiplierX = 8;
    f.maxMultiplierY = 9;
    f.info = SampleInfo(infoFlags);
    return f;
  }
  BarcodeFontEntry Barcode(WORD id, const std::string& name) {
    BarcodeFontEntry b{};
    b.key = ANY_KEY;
    b.id = id;
    b.name = Text(name);
    b.symbology = Text("Code 128");
    b.commandMacro = Text("B 128");
    b.flags = 0x1010;
    b.info = SampleInfo(0);
    return b;
  }
  BarcodeOptionEntry Property(DWORD key, WORD optionId, WORD flags, const std::string& value,
                              WORD secondValue = 0) {
    BarcodeOptionEntry o{};
    o.key = key;
    o.optionId = optionId;
    o.flags = flags;
    o.value = Text(value);
    o.secondValue = secondValue;
    return o;
  }
  std::vector<PaperEntry> ReadPapers() {
    std::vector<PaperEntry> out;
    for (const std::string& name : SubkeyNames(reg.papers())) {
      Key key(reg.papers(), name);
      PaperEntry p{};
      EXPECT_EQ(ReadPaperEntry(key.get(), p, texts), ERROR_SUCCESS) << name;
      out.push_back(p);
    }
    return out;
  }

  PrinterRegistry reg;
  std::vector<TextHandle> texts;
};

// ---- the key ------------------------------------------------------------------------------

TEST_F(PrinterRegistryTest, OpenCreatesTheDriverDataKeyAndItsThreeLists) {
  Key data(HKEY_LOCAL_MACHINE, std::string(kPrinters) + "Label\\PrinterDriverData");
  EXPECT_EQ(SubkeyNames(data.get()), (std::vector<std::string>{"Barcodes", "Fonts", "Papers"}));
  EXPECT_NE(reg.papers(), nullptr);
  EXPECT_NE(reg.fonts(), nullptr);
  EXPECT_NE(reg.barcodes(), nullptr);
}

TEST_F(PrinterRegistryTest, AConnectionNameUsesItsCommaFormWhenThatKeyExists) {
  HKEY comma = nullptr;
  ASSERT_EQ(
      RegCreateKeyA(HKEY_LOCAL_MACHINE, (std::string(kPrinters) + ",,srv,lbl").c_str(), &comma),
      ERROR_SUCCESS);
  RegCloseKey(comma);
  PrinterRegistry connection;
  ASSERT_TRUE(connection.Open("\\\\srv\\lbl"));
  ASSERT_EQ(WriteDwordValue(connection.driverData(), "Mark", 7), ERROR_SUCCESS);
  Key data(HKEY_LOCAL_MACHINE, std::string(kPrinters) + ",,srv,lbl\\PrinterDriverData");
  EXPECT_EQ(Query(data.get(), "Mark").data, DwordBytes(7));
}

TEST_F(PrinterRegistryTest, SavesOnAClosedRegistryFailWithNotRegistryFile) {
  PrinterRegistry closed;
  for (const char* name : {static_cast<const char*>(nullptr), ""}) {
    SetLastError(0);
    EXPECT_FALSE(closed.Open(name));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  std::vector<PaperEntry> papers;
  SetLastError(0);
  EXPECT_FALSE(closed.SavePapers(papers, {203, 203}));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_REGISTRY_FILE));
}

// ---- typed values ---------------------------------------------------------------------------

TEST_F(PrinterRegistryTest, ValuesOfAnotherTypeOrSizeCannotBeRead) {
  HKEY k = reg.driverData();
  // Each reader, reading the value "V" into a throwaway of its own type.
  using Reader = LONG (*)(HKEY);
  const Reader dword = [](HKEY key) {
    DWORD d = 0;
    return ReadDwordValue(key, "V", d);
  };
  const Reader point = [](HKEY key) {
    LONG x = 0, y = 0;
    return ReadPointValue(key, "V", x, y);
  };
  const Reader fontInfo = [](HKEY key) {
    FontInfo info{};
    return ReadFontInfoValue(key, "V", info);
  };
  const Reader text = [](HKEY key) {
    std::string t;
    return ReadTextValue(key, "V", t);
  };
  struct Case {
    const char* what;
    Reader read;
    DWORD type;
    std::string data;
  };
  const Case cases[] = {
      {"dword", dword, REG_DWORD, std::string(2, '\1')},
      {"dword", dword, REG_BINARY, std::string(4, '\1')},
      {"point", point, REG_BINARY, std::string(7, '\1')},
      {"point", point, REG_BINARY, std::string(9, '\1')},
      {"point", point, REG_DWORD, std::string(4, '\1')},
      {"fontinfo", fontInfo, REG_BINARY, std::string(103, '\1')},
      {"fontinfo", fontInfo, REG_BINARY, std::string(105, '\1')},
      {"text", text, REG_BINARY, "abc"},
      {"text", text, REG_DWORD, std::string(4, '\1')},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(RegSetValueExA(k, "V", 0, c.type, reinterpret_cast<const BYTE*>(c.data.data()),
                             static_cast<DWORD>(c.data.size())),
              ERROR_SUCCESS);
    EXPECT_EQ(c.read(k), ERROR_CANTREAD)
        << c.what << " type " << c.type << " size " << c.data.size();
  }
  DWORD d = 0;
  EXPECT_EQ(ReadDwordValue(k, "Missing", d), ERROR_FILE_NOT_FOUND);
}

TEST_F(PrinterRegistryTest, TextsAreStoredWithoutTerminatorAndReadBackWhole) {
  HKEY k = reg.driverData();
  for (std::string text : {"", "4 x 6", "a longer name"}) {
    ASSERT_EQ(WriteTextValue(k, "T", text.c_str()), ERROR_SUCCESS);
    RawValue raw = Query(k, "T");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.data, text);
    std::string back = "junk";
    EXPECT_EQ(ReadTextValue(k, "T", back), ERROR_SUCCESS);
    EXPECT_EQ(back, text);
  }
}

TEST_F(PrinterRegistryTest, UserMetricsIsWrittenAsCentimetresWhenMissing) {
  EXPECT_EQ(ReadUserMetrics(reg.driverData()), static_cast<DWORD>(kUnitCentimetres));
  EXPECT_EQ(Query(reg.driverData(), "UserMetrics").data, DwordBytes(kUnitCentimetres));
  ASSERT_EQ(WriteDwordValue(reg.driverData(), "UserMetrics", kUnitInches), ERROR_SUCCESS);
  EXPECT_EQ(ReadUserMetrics(reg.driverData()), static_cast<DWORD>(kUnitInches));
}

TEST_F(PrinterRegistryTest, DpiOverrideCountsOnlyFromOneTo999) {
  struct Case {
    DWORD type;
    std::string data;
    DWORD expected;
  };
  const Case cases[] = {
      {REG_DWORD, DwordBytes(300), 300},
      {REG_DWORD, DwordBytes(1), 1},
      {REG_DWORD, DwordBytes(999), 999},
      {REG_DWORD, DwordBytes(1000), 0},
      {REG_DWORD, DwordBytes(0), 0},
      {REG_BINARY, DwordBytes(300), 0},
      {REG_BINARY, std::string("\x2c\x01", 2), 0},
  };
  EXPECT_EQ(ReadDpiOverride(reg.driverData()), 0u);
  for (const Case& c : cases) {
    ASSERT_EQ(RegSetValueExA(reg.driverData(), "UseDPIRegistry", 0, c.type,
                             reinterpret_cast<const BYTE*>(c.data.data()),
                             static_cast<DWORD>(c.data.size())),
              ERROR_SUCCESS);
    EXPECT_EQ(ReadDpiOverride(reg.driverData()), c.expected) << c.type << "/" << c.data.size();
  }
}

// ---- entries byte for byte -----------------------------------------------------------------

TEST_F(PrinterRegistryTest, APaperIsStoredWithPelsFromItsSizeAndWithoutTheTransientBit) {
  PaperEntry paper = Paper(3, "4 x 6", 10160, 15240, 0x5001);
  paper.left = 10;
  paper.top = 20;
  paper.widthDots = 1;  // stale; must be recomputed
  ASSERT_EQ(WritePaperEntry(reg.papers(), 3, paper, {203, 300}), ERROR_SUCCESS);
  Key key(reg.papers(), "0x0003-4 x 6");
  const LONG pelsX = DotsFromHundredths(10160, 203), pelsY = DotsFromHundredths(15240, 300);
  struct Expect {
    const char* name;
    DWORD type;
    std::string data;
  };
  const Expect expected[] = {
      {"ID", REG_DWORD, DwordBytes(3)},
      {"Tray", REG_DWORD, DwordBytes(0xFFFF)},
      {"Name", REG_SZ, "4 x 6"},
      {"Size", REG_BINARY, PointBytes(10160, 15240)},
      {"Pels", REG_BINARY, PointBytes(pelsX, pelsY)},
      {"Offsets", REG_BINARY, PointBytes(10, 20)},
      {"Used", REG_BINARY, PointBytes(pelsX - 10, pelsY - 20)},
      {"Flags", REG_DWORD, DwordBytes(0x4001)},
  };
  for (const Expect& e : expected) {
    RawValue v = Query(key.get(), e.name);
    EXPECT_EQ(v.type, e.type) << e.name;
    EXPECT_EQ(v.data, e.data) << e.name;
  }
  EXPECT_EQ(pelsX, 812);  // 4 inches at 203 dpi
  PaperEntry back{};
  ASSERT_EQ(ReadPaperEntry(key.get(), back, texts), ERROR_SUCCESS);
  EXPECT_STREQ(TextHeapGet(back.name), "4 x 6");
  back.name = paper.name;
  paper.flags = 0x4001;
  EXPECT_EQ(std::memcmp(&back, &paper, sizeof back), 0);
}

TEST_F(PrinterRegistryTest, AFontIsStoredValueByValueAndReadBackEqual) {
  TextFontEntry font = Font(0xFFF2, 7, "Font 7");
  ASSERT_EQ(WriteTextFontEntry(reg.fonts(), 1, font), ERROR_SUCCESS);
  Key key(reg.fonts(), "0x0001-Font 7");
  EXPECT_EQ(Query(key.get(), "Model").data, DwordBytes(0xFFF2));
  EXPECT_EQ(Query(key.get(), "CommandMacro").data, "T 7 0");
  EXPECT_EQ(Query(key.get(), "Flags").data, DwordBytes(0x0003));
  EXPECT_EQ(Query(key.get(), "SlotID").data, DwordBytes(5));
  EXPECT_EQ(Query(key.get(), "MaxMultipliers").data, PointBytes(8, 9));
  EXPECT_EQ(Query(key.get(), "FontInfo").data, Bytes(&font.info, sizeof font.info));
  TextFontEntry back{};
  ASSERT_EQ(ReadTextFontEntry(key.get(), back, texts), ERROR_SUCCESS);
  EXPECT_STREQ(TextHeapGet(back.name), "Font 7");
  EXPECT_STREQ(TextHeapGet(back.commandMacro), "T 7 0");
  back.name = font.name;
  back.commandMacro = font.commandMacro;
  font.flags = 0x0003;
  EXPECT_EQ(std::memcmp(&back, &font, sizeof back), 0);
}

TEST_F(PrinterRegistryTest, ABarcodeAndItsPropertiesRoundTrip) {
  BarcodeFontEntry barcode = Barcode(4, "Code 128");
  std::vector<BarcodeOptionEntry> props = {Property(4, 0x12, 0x1003, "BT OFF"),
                                           Property(4, 0x1234, 0x0001, ""),
                                           Property(5, 0x13, 0x0001, "other bar code")};
  std::vector<FontInstallItem> install;
  ASSERT_TRUE(reg.SaveBarcodes({barcode}, props, false, install));
  ASSERT_EQ(install.size(), 1u);
  EXPECT_EQ(install[0].actions, 0x10u);
  Key key(reg.barcodes(), "0x0000-Code 128");
  EXPECT_EQ(Query(key.get(), "Symbology").data, "Code 128");
  EXPECT_EQ(Query(key.get(), "Flags").data, DwordBytes(0x0010));
  Key properties(key.get(), "Properties");
  EXPECT_EQ(Query(properties.get(), "(0x0012)").data, std::string("\x03\x00", 2) + "BT OFF");
  EXPECT_EQ(Query(properties.get(), "(0x1234)").data, std::string("\x01\x00", 2));
  EXPECT_EQ(Query(properties.get(), "(0x0013)").rc, ERROR_FILE_NOT_FOUND);

  BarcodeFontEntry back{};
  ASSERT_EQ(ReadBarcodeEntry(key.get(), back, texts), ERROR_SUCCESS);
  EXPECT_STREQ(TextHeapGet(back.symbology), "Code 128");
  EXPECT_EQ(std::memcmp(&back.info, &barcode.info, sizeof back.info), 0);
  std::vector<BarcodeOptionEntry> read;
  ASSERT_EQ(ReadBarcodeProperties(key.get(), back.id, read, texts), ERROR_SUCCESS);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].optionId, 0x12);
  EXPECT_EQ(read[0].flags, 0x0003);
  EXPECT_EQ(read[0].key, 4u);
  EXPECT_STREQ(TextHeapGet(read[0].value), "BT OFF");
  EXPECT_EQ(read[1].optionId, 0x1234);
  EXPECT_EQ(read[1].value, 0u);
}

TEST_F(PrinterRegistryTest, APropertyValueShorterThanItsFlagsCannotBeRead) {
  HKEY entry = nullptr, properties = nullptr;
  ASSERT_EQ(WriteBarcodeEntry(reg.barcodes(), 0, Barcode(1, "B"), properties), ERROR_SUCCESS);
  const BYTE one = 1;
  ASSERT_EQ(RegSetValueExA(properties, "(0x0001)", 0, REG_BINARY, &one, 1), ERROR_SUCCESS);
  RegCloseKey(properties);
  ASSERT_EQ(RegOpenKeyExA(reg.barcodes(), "0x0000-B", 0, KEY_READ, &entry), ERROR_SUCCESS);
  std::vector<BarcodeOptionEntry> read;
  EXPECT_EQ(ReadBarcodeProperties(entry, 1, read, texts), ERROR_CANTREAD);
  RegCloseKey(entry);
}

// ---- every field of every entry kind --------------------------------------------------------

// One kind of entry as the tests drive it: its writer, its reader and its field table.
LONG WriteOne(HKEY list, PaperEntry& e) { return WritePaperEntry(list, 0, e, {203, 300}); }
LONG WriteOne(HKEY list, TextFontEntry& e) { return WriteTextFontEntry(list, 0, e); }
LONG WriteOne(HKEY list, BarcodeFontEntry& e) {
  HKEY properties = nullptr;
  LONG rc = WriteBarcodeEntry(list, 0, e, properties);
  if (properties) RegCloseKey(properties);
  return rc;
}
LONG ReadOne(HKEY key, PaperEntry& e, std::vector<TextHandle>& t) {
  return ReadPaperEntry(key, e, t);
}
LONG ReadOne(HKEY key, TextFontEntry& e, std::vector<TextHandle>& t) {
  return ReadTextFontEntry(key, e, t);
}
LONG ReadOne(HKEY key, BarcodeFontEntry& e, std::vector<TextHandle>& t) {
  return ReadBarcodeEntry(key, e, t);
}
std::span<const EntryField> FieldsOf(const PaperEntry&) { return PaperFields(); }
std::span<const EntryField> FieldsOf(const TextFontEntry&) { return TextFontFields(); }
std::span<const EntryField> FieldsOf(const BarcodeFontEntry&) { return BarcodeFields(); }

// An entry whose every byte differs from its neighbours, so that a value read into the
// wrong place or with the wrong size shows.
template <class Entry>
Entry Patterned() {
  Entry e;
  auto* bytes = reinterpret_cast<BYTE*>(&e);
  for (size_t i = 0; i < sizeof e; ++i) bytes[i] = static_cast<BYTE>(i * 7 + 3);
  e.flags |= TRANSIENT_MARK;
  return e;
}

std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

class EntryFieldTest : public PrinterRegistryTest {
 protected:
  // The three kinds, every member set; text members hold heap texts.
  PaperEntry SamplePaper() {
    PaperEntry p = Patterned<PaperEntry>();
    p.name = Text("Paper name");
    p.width = 10160;
    p.height = 15240;
    p.left = 12;
    p.top = 34;
    return p;
  }
  TextFontEntry SampleFont() {
    TextFontEntry f = Patterned<TextFontEntry>();
    f.name = Text("Font name");
    f.commandMacro = Text("T 4 0");
    return f;
  }
  BarcodeFontEntry SampleBarcode() {
    BarcodeFontEntry b = Patterned<BarcodeFontEntry>();
    b.name = Text("Bar code name");
    b.symbology = Text("EAN-13");
    b.commandMacro = Text("B EAN13");
    return b;
  }

  // Writes the entry and answers its key (the list holds that entry alone).
  template <class Entry>
  HKEY Written(HKEY list, Entry& entry) {
    EXPECT_EQ(RegDeleteTreeA(list, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(WriteOne(list, entry), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(OpenEntry(list, 0, key), ERROR_SUCCESS);
    return key;
  }

  // Every value written is one of the table's, in its order; the entry read back equals
  // the one written, but for what is never stored (`unstored` clears it) and the
  // "changed" mark; texts are read into new heap texts with the same characters.
  template <class Entry, class Clear>
  void ExpectRoundTrip(HKEY list, Entry written, Clear unstored,
                       std::initializer_list<DWORD Entry::*> textMembers) {
    HKEY key = Written(list, written);
    std::vector<std::string> tableNames;
    for (const EntryField& f : FieldsOf(written)) tableNames.emplace_back(f.valueName);
    EXPECT_EQ(ValueNames(key), tableNames);
    Entry back = Patterned<Entry>();
    ASSERT_EQ(ReadOne(key, back, texts), ERROR_SUCCESS);
    RegCloseKey(key);
    Entry expected = written;
    unstored(expected);
    expected.flags &= static_cast<WORD>(~TRANSIENT_MARK);
    for (DWORD Entry::*text : textMembers) {
      EXPECT_NE(back.*text, written.*text);
      EXPECT_STREQ(TextHeapGet(back.*text), TextHeapGet(written.*text));
      expected.*text = back.*text;
    }
    EXPECT_EQ(std::memcmp(&back, &expected, sizeof back), 0) << ::testing::PrintToString(back);
  }

  // A value of another type, of a fixed-size value one byte short or long, or a
  // missing value fails the read of the entry and leaves the output and texts alone.
  template <class Entry>
  void ExpectEachFieldChecked(HKEY list, Entry entry) {
    for (const EntryField& field : FieldsOf(entry)) {
      struct Damage {
        const char* what;
        DWORD type;
        std::string data;
        LONG expected;
      };
      std::vector<Damage> damages;
      if (field.type == REG_SZ) {
        damages.push_back({"binary", REG_BINARY, "text", ERROR_CANTREAD});
        damages.push_back({"dword", REG_DWORD, std::string(4, '\1'), ERROR_CANTREAD});
      } else {
        const size_t stored = field.type == REG_DWORD ? sizeof(DWORD) : field.size;
        const DWORD other = field.type == REG_DWORD ? REG_BINARY : REG_DWORD;
        const size_t otherSize = other == REG_DWORD ? sizeof(DWORD) : stored;
        damages.push_back({"other type", other, std::string(otherSize, '\1'), ERROR_CANTREAD});
        damages.push_back({"text", REG_SZ, std::string(stored, 'x'), ERROR_CANTREAD});
        damages.push_back({"short", field.type, std::string(stored - 1, '\1'), ERROR_CANTREAD});
        damages.push_back({"long", field.type, std::string(stored + 1, '\1'), ERROR_CANTREAD});
      }
      damages.push_back({"missing", 0, "", ERROR_FILE_NOT_FOUND});
      for (const Damage& d : damages) {
        Entry written = entry;
        HKEY key = Written(list, written);
        if (d.type == 0)
          ASSERT_EQ(RegDeleteValueA(key, field.valueName), ERROR_SUCCESS);
        else
          ASSERT_EQ(RegSetValueExA(key, field.valueName, 0, d.type,
                                   reinterpret_cast<const BYTE*>(d.data.data()),
                                   static_cast<DWORD>(d.data.size())),
                    ERROR_SUCCESS);
        const Entry sentinel = Patterned<Entry>();
        Entry out = sentinel;
        const size_t textCount = texts.size();
        EXPECT_EQ(ReadOne(key, out, texts), d.expected) << field.valueName << ": " << d.what;
        EXPECT_EQ(std::memcmp(&out, &sentinel, sizeof out), 0) << field.valueName << ": " << d.what;
        EXPECT_EQ(texts.size(), textCount) << field.valueName << ": " << d.what;
        RegCloseKey(key);
      }
    }
  }
};

TEST_F(EntryFieldTest, EveryFieldOfEachEntryKindReadsBackAsWritten) {
  PaperEntry paper = SamplePaper();
  ExpectRoundTrip(reg.papers(), paper,
                  [](PaperEntry& p) {
                    p.reserved = 0;
                    p.icon = 0;
                    std::memset(p.reserved2, 0, sizeof p.reserved2);
                    // Dots follow the size at the resolution written with.
                    p.widthDots = DotsFromHundredths(10160, 203);
                    p.heightDots = DotsFromHundredths(15240, 300);
                    p.usableWidth = p.widthDots - 12;
                    p.usableHeight = p.heightDots - 34;
                  },
                  {&PaperEntry::name});
  ExpectRoundTrip(reg.fonts(), SampleFont(),
                  [](TextFontEntry& f) {
                    f.reserved = 0;
                    f.reserved2 = 0;
                  },
                  {&TextFontEntry::name, &TextFontEntry::commandMacro});
  ExpectRoundTrip(
      reg.barcodes(), SampleBarcode(),
      [](BarcodeFontEntry& b) {
        b.reserved = 0;
        b.reserved2 = 0;
      },
      {&BarcodeFontEntry::name, &BarcodeFontEntry::symbology, &BarcodeFontEntry::commandMacro});
}

TEST_F(EntryFieldTest, EachFieldOfAnotherTypeSizeOrMissingFailsTheEntry) {
  ExpectEachFieldChecked(reg.papers(), SamplePaper());
  ExpectEachFieldChecked(reg.fonts(), SampleFont());
  ExpectEachFieldChecked(reg.barcodes(), SampleBarcode());
}

TEST_F(EntryFieldTest, AWordFieldTakesTheLowBitsOfItsStoredNumber) {
  TextFontEntry font = SampleFont();
  HKEY key = Written(reg.fonts(), font);
  ASSERT_EQ(WriteDwordValue(key, "ID", 0x12345678), ERROR_SUCCESS);
  ASSERT_EQ(WriteDwordValue(key, "Flags", 0xABCD1234), ERROR_SUCCESS);
  TextFontEntry back{};
  ASSERT_EQ(ReadTextFontEntry(key, back, texts), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(back.id, 0x5678);
  EXPECT_EQ(back.flags, 0x1234);
  EXPECT_EQ(back.reserved, 0);
  EXPECT_EQ(back.reserved2, 0);
}

// ---- reading whole lists --------------------------------------------------------------------

TEST_F(PrinterRegistryTest, AJobReadsEveryFontBarcodeAndProperty) {
  std::vector<FontInstallItem> install;
  ASSERT_TRUE(
      reg.SaveTextFonts({Font(ANY_KEY, 1, "F1"), Font(ANY_KEY, 2, "F2")}, false, 203, install));
  ASSERT_TRUE(reg.SaveBarcodes(
      {Barcode(3, "B3"), Barcode(4, "B4")},
      {Property(3, 0x12, 1, "x"), Property(4, 0x13, 1, "y"), Property(4, 0x14, 1, "z")}, false,
      install));
  StoredLists lists;
  ASSERT_EQ(ReadStoredLists(reg.fonts(), reg.barcodes(), lists), ERROR_SUCCESS);
  ASSERT_EQ(lists.fonts.size(), 2u);
  EXPECT_STREQ(TextHeapGet(lists.fonts[1].name), "F2");
  ASSERT_EQ(lists.barcodes.size(), 2u);
  EXPECT_EQ(lists.barcodes[1].id, 4);
  std::vector<std::pair<DWORD, WORD>> props;
  for (const auto& p : lists.properties) props.emplace_back(p.key, p.optionId);
  EXPECT_EQ(props, (std::vector<std::pair<DWORD, WORD>>{{3, 0x12}, {4, 0x13}, {4, 0x14}}));
}

TEST_F(PrinterRegistryTest, OneDamagedValueFailsTheWholeListRead) {
  std::vector<FontInstallItem> install;
  ASSERT_TRUE(
      reg.SaveTextFonts({Font(ANY_KEY, 1, "F1"), Font(ANY_KEY, 2, "F2")}, false, 203, install));
  ASSERT_TRUE(reg.SaveBarcodes({Barcode(3, "B3")}, {}, false, install));
  const size_t heldBefore = TextHeapCount();
  {
    Key font(reg.fonts(), "0x0001-F2");
    const BYTE shortSlot[2] = {1, 0};
    ASSERT_EQ(RegSetValueExA(font.get(), "SlotID", 0, REG_DWORD, shortSlot, 2), ERROR_SUCCESS);
  }
  StoredLists lists;
  lists.fonts.push_back(TextFontEntry{});
  EXPECT_EQ(ReadStoredLists(reg.fonts(), reg.barcodes(), lists), ERROR_CANTREAD);
  EXPECT_TRUE(lists.fonts.empty());
  EXPECT_TRUE(lists.barcodes.empty());
  EXPECT_EQ(TextHeapCount(), heldBefore);
}

TEST_F(PrinterRegistryTest, ReadingAPaperRefreshesItsDotsForTheCurrentResolution) {
  std::vector<PaperEntry> papers = {Paper(1, "A", 5080, 2540), Paper(2, "B", 10160, 5080)};
  papers[1].left = 8;
  ASSERT_TRUE(reg.SavePapers(papers, {203, 203}));
  PaperEntry paper{};
  ASSERT_EQ(ReadPaperAt(reg.papers(), 1, {300, 300}, paper, texts), ERROR_SUCCESS);
  EXPECT_EQ(paper.widthDots, DotsFromHundredths(10160, 300));
  Key key(reg.papers(), "0x0001-B");
  EXPECT_EQ(Query(key.get(), "Pels").data,
            PointBytes(DotsFromHundredths(10160, 300), DotsFromHundredths(5080, 300)));
  EXPECT_EQ(Query(key.get(), "Used").data,
            PointBytes(DotsFromHundredths(10160, 300) - 8, DotsFromHundredths(5080, 300)));

  EXPECT_EQ(ReadPaperAt(reg.papers(), 2, {300, 300}, paper, texts), ERROR_INVALID_PARAMETER);

  // A damaged paper is refused and its stored values stay as they were.
  const BYTE shortSize[4] = {1, 2, 3, 4};
  ASSERT_EQ(RegSetValueExA(key.get(), "Size", 0, REG_BINARY, shortSize, 4), ERROR_SUCCESS);
  const std::string pelsBefore = Query(key.get(), "Pels").data;
  EXPECT_EQ(ReadPaperAt(reg.papers(), 1, {203, 203}, paper, texts), ERROR_CANTREAD);
  EXPECT_EQ(Query(key.get(), "Pels").data, pelsBefore);
}

// ---- saving replaces a list only as a whole --------------------------------------------------

TEST_F(PrinterRegistryTest, SavePapersReplacesTheListAndRenumbersIt) {
  std::vector<PaperEntry> first = {Paper(1, "A", 5000, 3000), Paper(2, "B", 6000, 3000),
                                   Paper(3, "C", 7000, 3000)};
  ASSERT_TRUE(reg.SavePapers(first, {203, 203}));
  std::vector<PaperEntry> second = {Paper(3, "C", 7000, 3000), Paper(9, "D", 8000, 3000)};
  ASSERT_TRUE(reg.SavePapers(second, {203, 203}));
  EXPECT_EQ(SubkeyNames(reg.papers()), (std::vector<std::string>{"0x0000-C", "0x0001-D"}));
  std::vector<PaperEntry> back = ReadPapers();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].id, 9);
  EXPECT_EQ(back[1].widthDots, DotsFromHundredths(8000, 203));
}

// A subkey name above 255 characters cannot be created: the save fails half-way.
TEST_F(PrinterRegistryTest, AFailedSaveLeavesTheOldListIntact) {
  const std::string tooLong(300, 'x');
  std::vector<PaperEntry> papers = {Paper(1, "A", 5000, 3000), Paper(2, "B", 6000, 3000)};
  ASSERT_TRUE(reg.SavePapers(papers, {203, 203}));
  std::vector<PaperEntry> broken = {Paper(5, "New", 5000, 3000), Paper(6, tooLong, 1, 1)};
  SetLastError(0);
  EXPECT_FALSE(reg.SavePapers(broken, {203, 203}));
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_EQ(SubkeyNames(reg.papers()), (std::vector<std::string>{"0x0000-A", "0x0001-B"}));
  std::vector<PaperEntry> back = ReadPapers();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].id, 1);
  EXPECT_STREQ(TextHeapGet(back[1].name), "B");

  std::vector<FontInstallItem> install = {{99, 99}};
  ASSERT_TRUE(reg.SaveTextFonts({Font(ANY_KEY, 1, "F")}, false, 203, install));
  EXPECT_FALSE(
      reg.SaveTextFonts({Font(ANY_KEY, 2, "G"), Font(ANY_KEY, 3, tooLong)}, false, 203, install));
  EXPECT_EQ(SubkeyNames(reg.fonts()), (std::vector<std::string>{"0x0000-F"}));

  ASSERT_TRUE(reg.SaveBarcodes({Barcode(1, "Q")}, {}, false, install));
  EXPECT_FALSE(reg.SaveBarcodes({Barcode(2, "R"), Barcode(3, tooLong)}, {}, false, install));
  EXPECT_EQ(SubkeyNames(reg.barcodes()), (std::vector<std::string>{"0x0000-Q"}));
}

TEST_F(PrinterRegistryTest, TextFontSavesListWhatTheFontInstallationMustSee) {
  std::vector<TextFontEntry> fonts = {Font(ANY_KEY, 1, "Resident"),
                                      Font(ANY_KEY, 2, "TrueType", 0x02),
                                      Font(0xFFF4, 3, "Filtered")};
  struct Case {
    bool firstTime;
    std::vector<size_t> indices;
    DWORD actions;
  };
  const Case cases[] = {{true, {0, 1}, 0x101}, {false, {1}, 0x100}};
  for (const Case& c : cases) {
    std::vector<FontInstallItem> install;
    ASSERT_TRUE(reg.SaveTextFonts(fonts, c.firstTime, 203, install));
    ASSERT_EQ(install.size(), c.indices.size()) << c.firstTime;
    for (size_t n = 0; n < install.size(); ++n) {
      EXPECT_EQ(install[n].index, c.indices[n]);
      EXPECT_EQ(install[n].actions, c.actions);
    }
    EXPECT_EQ(SubkeyNames(reg.fonts()),
              (std::vector<std::string>{"0x0000-Resident", "0x0001-TrueType"}));
  }
}

// ---- first configuration ----------------------------------------------------------------------

TEST(ResolutionFilter, ResolutionClassesPassWithin30Dots) {
  struct Case {
    DWORD key;
    DWORD infoFlags;
    LONG dpi;
    bool passes;
  };
  const Case cases[] = {
      {0xFFF2, 0, 203, true},  {0xFFF3, 0, 203, false}, {0xFFF1, 0, 203, false},
      {0xFFF1, 0, 180, true},  {0xFFF1, 0, 181, false}, {0xFFF3, 0, 270, true},
      {0xFFF4, 0, 630, true},  {0xFFF4, 0, 631, false}, {ANY_KEY, 0, 1, true},
      {0x0001, 0, 203, false}, {0x0001, 2, 203, true},  {0xFFF4, 2, 203, true},
  };
  for (const Case& c : cases) {
    TextFontEntry font{};
    font.key = c.key;
    font.info.flags = c.infoFlags;
    EXPECT_EQ(PassesResolutionFilter(font, c.dpi), c.passes)
        << std::hex << c.key << " " << c.infoFlags << " at " << std::dec << c.dpi;
  }
}

class PopulateTest : public PrinterRegistryTest {
 protected:
  PopulateTest() {
    config.resolutionX = 203;
    config.resolutionY = 203;
    config.defPaperWidth = 10160;
    config.defPaperHeight = 15240;
    config.minPaperWidth = 1000;
    config.minPaperHeight = 1000;
    config.maxPaperWidth = 11000;
    config.maxPaperHeight = 30000;
  }
  // Table entries own heap texts released by the tables.
  PaperEntry TablePaper(DWORD key, WORD id, const char* name, LONG w, LONG h) {
    PaperEntry p{};
    p.key = key;
    p.id = id;
    p.name = TextHeapAdd(name);
    p.width = w;
    p.height = h;
    p.left = 254;
    p.flags = 0x1000;
    return p;
  }
  BOOL Populate() {
    return reg.Populate(tables, config, kUnitMillimetres, "Default", fontInstall, barcodeInstall);
  }

  ModelTables tables;
  PrinterConfig config;
  std::vector<FontInstallItem> fontInstall, barcodeInstall;
};

TEST_F(PopulateTest, PapersAreFilteredByLimitsAndTheDefaultSizeIsMarked) {
  tables.papers = {TablePaper(ANY_KEY, 0, "User", 1, 1),
                   TablePaper(ANY_KEY, 4, "4 x 6", 10160, 15240),
                   TablePaper(ANY_KEY, 5, "Too wide", 12000, 15240),
                   TablePaper(0x0002, 6, "Other tray", 10160, 15240),
                   TablePaper(ANY_KEY, 7, "2 x 1", 5080, 2540)};
  ASSERT_TRUE(Populate());
  EXPECT_EQ(SubkeyNames(reg.papers()),
            (std::vector<std::string>{"0x0000-User", "0x0001-4 x 6", "0x0004-2 x 1"}));
  std::vector<PaperEntry> back = ReadPapers();
  ASSERT_EQ(back.size(), 3u);
  struct Expect {
    WORD id;
    LONG width, height;
    WORD flags;
  };
  const Expect expected[] = {
      {0, 11000, 30000, 0x0000}, {4, 10160, 15240, 0x4001}, {7, 5080, 2540, 0x0001}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back[i].id, expected[i].id);
    EXPECT_EQ(back[i].width, expected[i].width);
    EXPECT_EQ(back[i].height, expected[i].height);
    EXPECT_EQ(back[i].flags, expected[i].flags) << i;
    EXPECT_EQ(back[i].left, DotsFromHundredths(254, 203));
  }
}

TEST_F(PopulateTest, WithoutADefaultSizedPaperOneIsAddedAboveTheLargestId) {
  tables.papers = {TablePaper(ANY_KEY, 9, "%wx%hi", 5080, 2540),
                   TablePaper(ANY_KEY, 3, "Small", 2000, 2000)};
  ASSERT_TRUE(Populate());
  char w[32], h[32];
  FormatLength(5080, w, sizeof w, kUnitMillimetres, true);
  FormatLength(2540, h, sizeof h, kUnitInches, true);
  const std::string templated = std::string("0x0000-") + w + "x" + h;
  EXPECT_EQ(SubkeyNames(reg.papers()),
            (std::vector<std::string>{templated, "0x0001-Small", "0x0002-Default"}));
  std::vector<PaperEntry> back = ReadPapers();
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[2].id, 10);
  EXPECT_EQ(back[2].flags, 0x4001);
  EXPECT_EQ(back[2].width, config.defPaperWidth);
  EXPECT_EQ(back[2].left, 0);
}

TEST_F(PopulateTest, FontsPassTheResolutionFilterAndBarcodesTakeTheirDefaults) {
  for (auto [key, name] :
       {std::pair<DWORD, const char*>{0xFFF2, "At 203"}, {0xFFF3, "At 300"}, {0xFFF1, "At 150"}}) {
    TextFontEntry f{};
    f.key = key;
    f.name = TextHeapAdd(name);
    tables.textFonts.push_back(f);
  }
  BarcodeFontEntry b{};
  b.key = ANY_KEY;
  b.id = 2;
  b.name = TextHeapAdd("Code 39");
  tables.barcodeFonts.push_back(b);
  auto option = [](DWORD key, WORD id, WORD flags, const char* value, WORD second = 0) {
    BarcodeOptionEntry o{};
    o.key = key;
    o.optionId = id;
    o.flags = flags;
    o.value = TextHeapAdd(value);
    o.secondValue = second;
    return o;
  };
  // A group entry (0x40, of another bar code) opens group 0x0A00 under option 0x30,
  // whose default (0x0400) clears the values of its children.
  tables.barcodeOptions = {
      option(ANY_KEY, 0x10, 0x4000, "default for all"), option(2, 0x11, 0x0001, "not a default"),
      option(7, 0x12, 0x4000, "other bar code"),        option(ANY_KEY, 0x30, 0x4400, "parent"),
      option(9, 0x20, 0x0A40, "group", 0x30),           option(2, 0x31, 0x4000, "child"),
      option(2, 0x32, 0x4000, "second child")};
  ASSERT_TRUE(Populate());
  EXPECT_EQ(SubkeyNames(reg.fonts()), (std::vector<std::string>{"0x0000-At 203"}));
  ASSERT_EQ(fontInstall.size(), 1u);
  EXPECT_EQ(fontInstall[0].actions, 0x101u);
  ASSERT_EQ(barcodeInstall.size(), 1u);
  EXPECT_EQ(barcodeInstall[0].actions, 0x111u);

  Key properties(reg.barcodes(), "0x0000-Code 39\\Properties");
  std::vector<BarcodeOptionEntry> read;
  Key entry(reg.barcodes(), "0x0000-Code 39");
  ASSERT_EQ(ReadBarcodeProperties(entry.get(), 2, read, texts), ERROR_SUCCESS);
  std::vector<WORD> ids;
  for (const auto& r : read) ids.push_back(r.optionId);
  EXPECT_EQ(ids, (std::vector<WORD>{0x10, 0x30, 0x31, 0x32}));
  EXPECT_EQ(Query(properties.get(), "(0x0010)").data,
            std::string("\x00\x40", 2) + "default for all");
  EXPECT_EQ(Query(properties.get(), "(0x0030)").data, std::string("\x00\x44", 2) + "parent");
  // The group bits go to the first property after the group entry only; both
  // children lose their values to the parent's default.
  EXPECT_EQ(Query(properties.get(), "(0x0031)").data, std::string("\x00\x4A", 2));
  EXPECT_EQ(Query(properties.get(), "(0x0032)").data, std::string("\x00\x40", 2));
}

TEST_F(PopulateTest, ListsThatAlreadyHoldEntriesAreLeftAlone) {
  std::vector<PaperEntry> mine = {Paper(42, "Mine", 5000, 5000)};
  ASSERT_TRUE(reg.SavePapers(mine, {203, 203}));
  tables.papers = {TablePaper(ANY_KEY, 4, "4 x 6", 10160, 15240)};
  ASSERT_TRUE(Populate());
  EXPECT_EQ(SubkeyNames(reg.papers()), (std::vector<std::string>{"0x0000-Mine"}));
}

}  // namespace
}  // namespace trv::dcl

// ---- other processes: killed while saving, saving at the same time --------------------------

namespace trv::dcl {
namespace {

// A list whose every paper carries the same mark in its height, so that a list
// read back shows whether it is one save's whole list or a mix of two.
constexpr size_t kListSize = 12;

class ListsOfOtherProcesses : public PrinterRegistryTest {
 protected:
  std::vector<PaperEntry> MarkedList(LONG mark) {
    std::vector<PaperEntry> papers;
    for (size_t i = 0; i < kListSize; ++i)
      papers.push_back(Paper(static_cast<WORD>(i + 1), "Paper " + std::to_string(i),
                             5000 + static_cast<LONG>(i), mark));
    return papers;
  }
  // The mark of the list as it stands, or -1 when it is not one whole list.
  LONG WholeListMark() {
    std::vector<PaperEntry> back = ReadPapers();
    if (back.size() != kListSize) return -1;
    for (size_t i = 0; i < kListSize; ++i)
      if (back[i].id != i + 1 || back[i].height != back[0].height) return -1;
    return back[0].height;
  }
  // A child that saves marked lists, `rounds` of them (0: until it is killed),
  // each with its own mark from `firstMark` on.
  pid_t SaveInChild(LONG firstMark, int rounds) {
    pid_t child = ::fork();
    if (child != 0) return child;
    PrinterRegistry own;
    if (!own.Open("Label")) ::_exit(3);
    for (int r = 0; rounds == 0 || r < rounds; ++r) {
      std::vector<PaperEntry> papers = MarkedList(firstMark + r);
      if (!own.SavePapers(papers, {203, 203})) ::_exit(4);
    }
    ::_exit(0);
  }
};

TEST_F(ListsOfOtherProcesses, AProcessKilledWhileSavingLeavesThePreviousListIntact) {
  std::vector<PaperEntry> previous = MarkedList(1);
  ASSERT_TRUE(reg.SavePapers(previous, {203, 203}));
  // Killed at different moments of its saves; each time the list is a whole one:
  // the one before (a child killed before it finished a save leaves the list of the
  // round before it), or one the child finished.
  LONG before = 1;
  for (int delayMs : {0, 3, 11, 29, 60}) {
    SCOPED_TRACE(delayMs);
    pid_t child = SaveInChild(1000 * (delayMs + 1), 0);
    ASSERT_GT(child, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    const LONG mark = WholeListMark();
    EXPECT_TRUE(mark == before || (mark >= 1000 * (delayMs + 1) && mark < 1000 * (delayMs + 2)))
        << "mark " << mark << ", before " << before;
    before = mark;
  }
  // The list can still be saved over.
  std::vector<PaperEntry> after = MarkedList(7);
  ASSERT_TRUE(reg.SavePapers(after, {203, 203}));
  EXPECT_EQ(WholeListMark(), 7);
}

TEST_F(ListsOfOtherProcesses, TwoProcessesSavingAtOnceLeaveOneWholeList) {
  constexpr int kRounds = 15;
  pid_t first = SaveInChild(100, kRounds);
  pid_t second = SaveInChild(200, kRounds);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  for (pid_t child : {first, second}) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const LONG mark = WholeListMark();
  // The last save of one of them, whole.
  EXPECT_TRUE(mark == 100 + kRounds - 1 || mark == 200 + kRounds - 1) << "mark " << mark;
}

}  // namespace
}  // namespace trv::dcl
