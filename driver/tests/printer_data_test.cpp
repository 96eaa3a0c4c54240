#include "driver/printer_data.h"

#include <gtest/gtest.h>

#include <functional>

#include "driver/tests/printer_fixture.h"

namespace trv::driver {
namespace {

using testing::Bytes;
using testing::EntryListValue;
using testing::PutU32;
using testing::Record;

TEST(EntryList, RecordsAndTheirStringsFromThePool) {
  Bytes value = EntryListValue({Record(20, 3), Record(20, 9)}, {"Roll", "Fanfold"});
  auto list = EntryList::Parse(value, 20, 1);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->count(), 2u);
  EXPECT_EQ(list->record(1)[4], 9);
  EXPECT_EQ(list->string(0, 0), "Roll");
  EXPECT_EQ(list->string(1, 0), "Fanfold");
  EXPECT_EQ(list->string(2, 0), "");  // past the records

  auto models = EntryList::Parse(testing::ModelsValue(), kModelRecordSize, 2);
  ASSERT_TRUE(models);
  EXPECT_EQ(models->string(0, 1), "Label printer");
}

// Each damage makes the value count as missing.
struct Damage {
  const char* what;
  std::function<void(Bytes&)> apply;
};

TEST(EntryList, DamagedValuesCountAsMissing) {
  const Bytes good = EntryListValue({Record(20, 3), Record(20, 9)}, {"Roll", "Fanfold"});
  ASSERT_TRUE(EntryList::Parse(good, 20, 1));
  const Damage damages[] = {
      {"shorter than its count",
       [](Bytes& v) {
         v = {2, 0, 0};
       }},
      {"count of records past the end", [](Bytes& v) { PutU32(v, v.size() - 4, 3); }},
      {"count whose size overflows 32 bits", [](Bytes& v) { PutU32(v, v.size() - 4, 0xCCCCCCCD); }},
      {"record size field not 20", [](Bytes& v) { PutU32(v, 20, 24); }},
      {"last string not terminated in the pool", [](Bytes& v) { v[v.size() - 5] = 'x'; }},
      {"a string missing",
       [](Bytes& v) {
         v.erase(v.begin() + 45, v.end() - 4);  // "Roll\0" stays, "Fanfold\0" goes
       }},
      {"empty", [](Bytes& v) { v.clear(); }},
  };
  for (const Damage& d : damages) {
    Bytes v = good;
    d.apply(v);
    EXPECT_FALSE(EntryList::Parse(v, 20, 1)) << d.what;
  }
}

TEST(EntryList, OptionsAreCountedWhateverTheirRecordSize) {
  auto list =
      EntryList::Parse(EntryListValue({Record(52, 1), Record(52, 2)}, {}), kAnyRecordSize, 0);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->count(), 2u);
  auto none = EntryList::Parse(EntryListValue({}, {}), kAnyRecordSize, 0);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->count(), 0u);
  EXPECT_FALSE(
      EntryList::Parse(EntryListValue({Record(52, 1), Record(32, 2)}, {}), kAnyRecordSize, 0));
}

TEST(EntryList, ListsThatMustHaveAFirstRecordRefuseNone) {
  auto noModels = EntryList::Parse(EntryListValue({}, {}), kModelRecordSize, 2);
  ASSERT_TRUE(noModels);
  EXPECT_FALSE(ModelOf(*noModels));
  EXPECT_FALSE(FirstTrayOf(*EntryList::Parse(EntryListValue({}, {}), kTrayRecordSize, 1)));
  EXPECT_FALSE(PapersOf(*EntryList::Parse(EntryListValue({}, {}), kPaperRecordSize, 1)));

  auto zeroDpi = EntryList::Parse(testing::ModelsValue(7, 0), kModelRecordSize, 2);
  ASSERT_TRUE(zeroDpi);
  EXPECT_FALSE(ModelOf(*zeroDpi));
  auto model = ModelOf(*EntryList::Parse(testing::ModelsValue(7, 300), kModelRecordSize, 2));
  ASSERT_TRUE(model);
  EXPECT_EQ(model->id, 7);
  EXPECT_EQ(model->resolution, 300);
}

TEST(EntryList, PapersCarryTheirFieldsAndNames) {
  auto papers = PapersOf(*EntryList::Parse(testing::PapersValue(), kPaperRecordSize, 1));
  ASSERT_TRUE(papers);
  ASSERT_EQ(papers->size(), 2u);
  const Paper& p = (*papers)[0];
  EXPECT_EQ(p.id, 11);
  EXPECT_EQ(p.name, "2 x 1 in");
  EXPECT_EQ(p.width, 5080);
  EXPECT_EQ(p.height, 2540);
  EXPECT_EQ(p.physicalWidth, 406);
  EXPECT_EQ(p.physicalHeight, 203);
  EXPECT_EQ(p.left, 4);
  EXPECT_EQ(p.top, 2);
  EXPECT_EQ(p.printableWidth, 398);
  EXPECT_EQ(p.printableHeight, 199);
  EXPECT_EQ((*papers)[1].name, "4 x 6 in");
}

TEST(OptionBlob, CutToHeaderAndDataAndCheckedBeforeUse) {
  const Bytes doc = testing::DocPropsValue(12, 1, 8);
  Bytes longer = doc;
  longer.resize(doc.size() + 5, 0xEE);
  auto cut = ParseBlob(longer, BlobKind::kDocProps);
  ASSERT_TRUE(cut);
  EXPECT_EQ(*cut, doc);

  const Damage damages[] = {
      {"shorter than its header", [](Bytes& v) { v.resize(31); }},
      {"header size of the other kind", [](Bytes& v) { PutU32(v, 0, 20); }},
      {"data past the end", [](Bytes& v) { PutU32(v, 8, 9); }},
      {"data size that wraps 32 bits", [](Bytes& v) { PutU32(v, 8, 0xFFFFFFF0); }},
  };
  for (const Damage& d : damages) {
    Bytes v = doc;
    d.apply(v);
    EXPECT_FALSE(ParseBlob(v, BlobKind::kDocProps)) << d.what;
  }
  EXPECT_TRUE(ParseBlob(testing::DevPropsValue(0), BlobKind::kDevProps));
  EXPECT_FALSE(ParseBlob(testing::DevPropsValue(0), BlobKind::kDocProps));
}

using PrinterValues = testing::PrinterFixture;

TEST_F(PrinterValues, TheSetupComesFromTheHostsStoredValues) {
  StoreSample();
  auto setup = ReadPrinterSetup(printer());
  ASSERT_TRUE(setup);
  EXPECT_EQ(setup->model.id, 7);
  EXPECT_EQ(setup->model.resolution, 203);
  EXPECT_EQ(setup->firstTray, 3);
  ASSERT_EQ(setup->papers.size(), 2u);
  EXPECT_EQ(setup->papers[1].id, 12);
  EXPECT_EQ(setup->docProps, testing::DocPropsValue());
  EXPECT_EQ(setup->devProps, testing::DevPropsValue());
}

TEST_F(PrinterValues, AnyMissingOrDamagedValueFailsTheSetup) {
  for (const char16_t* name : {u"Models", u"Trays", u"Papers", u"DocProps", u"DevProps"}) {
    StoreSample();
    SetValue(name, {});  // an empty value is as good as none
    EXPECT_FALSE(ReadPrinterSetup(printer())) << std::string(name, name + 2);
  }
  StoreSample();
  Bytes papers = testing::PapersValue();
  PutU32(papers, papers.size() - 4, 5);
  SetValue(u"Papers", papers);
  EXPECT_FALSE(ReadPrinterSetup(printer()));
  EXPECT_FALSE(ReadPrinterValue(printer(), u"Fonts"));
}

}  // namespace
}  // namespace trv::driver
