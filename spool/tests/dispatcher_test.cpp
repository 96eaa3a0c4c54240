#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "spool/dispatcher.h"
#include "spool/record.h"
#include "test_bytes.h"

namespace trv::spool {
namespace {

using testing::Bytes;
using testing::Payload;
using testing::Record;

std::string Format(const char* format, auto... args) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

std::string Quoted(const BYTE* bytes, DWORD length) {
  std::string out = "'";
  out.append(reinterpret_cast<const char*>(bytes), length);
  out += '\'';
  return out;
}

// Logs every call with its decoded arguments; an operation named in `failures`
// fails with the given last error.
class LoggingHandler : public RecordHandler {
 public:
  std::vector<std::string> log;
  std::map<std::string, DWORD> failures;
  std::function<void(BYTE* payload)> transform;
  OptionBlob docProps, devProps;
  const BYTE* lastPayload = nullptr;
  const BYTE* lastText = nullptr;
  std::span<BYTE> lastBitmap;

  BOOL AttachDocProps(OptionBlob blob) override {
    docProps = std::move(blob);
    return Done("AttachDocProps", Format("(%zu)", docProps.bytes.size()));
  }
  BOOL AttachDevProps(OptionBlob blob) override {
    devProps = std::move(blob);
    return Done("AttachDevProps", Format("(%zu)", devProps.bytes.size()));
  }
  BOOL StartDoc(DWORD w, DWORD h, DWORD o) override {
    return Done("StartDoc", Format("(%u,%u,%u)", w, h, o));
  }
  BOOL EndDoc() override { return Done("EndDoc", "()"); }
  BOOL AbortDoc() override { return Done("AbortDoc", "()"); }
  BOOL StartPage(WORD a, WORD b, WORD c) override {
    return Done("StartPage", Format("(%u,%u,%u)", a, b, c));
  }
  BOOL NextPage() override { return Done("NextPage", "()"); }
  BOOL EndPage(WORD c) override { return Done("EndPage", Format("(%u)", c)); }
  BOOL BeginSection(WORD a, WORD b) override {
    return Done("BeginSection", Format("(%u,%u)", a, b));
  }
  BOOL SectionByte(BYTE v) override { return Done("SectionByte", Format("(%u)", v)); }
  BOOL SectionCommand() override { return Done("SectionCommand", "()"); }
  BOOL EndSection() override { return Done("EndSection", "()"); }
  BOOL BeginBitmap(WORD w, WORD h, WORD s) override {
    return Done("BeginBitmap", Format("(%u,%u,%u)", w, h, s));
  }
  BOOL PlaceBitmap(WORD a, WORD b, WORD c, WORD d, WORD e) override {
    return Done("PlaceBitmap", Format("(%u,%u,%u,%u,%u)", a, b, c, d, e));
  }
  BOOL BitmapData(std::span<BYTE> record) override {
    lastBitmap = record;
    return Done("BitmapData",
                Format("(%zu bytes of 0x%04X)", record.size(), RecordType(record.data())));
  }
  BOOL EndBitmap() override { return Done("EndBitmap", "()"); }
  BOOL ResetBitmap() override { return Done("ResetBitmap", "()"); }
  BOOL BeginTransfer(WORD id, WORD v) override {
    return Done("BeginTransfer", Format("(%u,%u)", id, v));
  }
  BOOL TransferData(WORD id, WORD v, BYTE* data, DWORD n) override {
    return Done("TransferData", Format("(%u,%u,", id, v) + Quoted(data, n) + ")");
  }
  BOOL EndTransfer(WORD id) override { return Done("EndTransfer", Format("(%u)", id)); }
  BOOL AbortTransfer(WORD id) override { return Done("AbortTransfer", Format("(%u)", id)); }
  void TransformItem(DWORD type, BYTE* payload, ItemKind kind) override {
    log.push_back(Format("TransformItem(0x%04X,%c)", type, static_cast<char>(kind)));
    if (transform) transform(payload);
  }
  BOOL PrintText(WORD id, LONG x, LONG y, LONG dir, LONG cw, LONG ch, LONG v20, LONG v24,
                 const BYTE* text, DWORD n, BYTE* payload) override {
    Remember(text, payload);
    return Done("PrintText", Format("(%u,%d,%d,%d,%d,%d,%d,%d,", id, x, y, dir, cw, ch, v20, v24) +
                                 Quoted(text, n) + ")");
  }
  BOOL PrintBarcode(WORD id, LONG x, LONG y, LONG dir, LONG cw, LONG ch, LONG v20, LONG v24,
                    const BYTE* text, DWORD n, BYTE* payload) override {
    Remember(text, payload);
    return Done("PrintBarcode",
                Format("(%u,%d,%d,%d,%d,%d,%d,%d,", id, x, y, dir, cw, ch, v20, v24) +
                    Quoted(text, n) + ")");
  }
  BOOL DrawLine(WORD v0, LONG x, LONG y, LONG dx, LONG dy, LONG c, LONG v24, LONG w,
                BYTE* payload) override {
    Remember(nullptr, payload);
    return Done("DrawLine", Format("(%u,%d,%d,%d,%d,%d,%d,%d)", v0, x, y, dx, dy, c, v24, w));
  }
  BOOL DrawBox(WORD v0, LONG x, LONG y, LONG dx, LONG dy, LONG c, LONG v24, LONG w,
               BYTE* payload) override {
    Remember(nullptr, payload);
    return Done("DrawBox", Format("(%u,%d,%d,%d,%d,%d,%d,%d)", v0, x, y, dx, dy, c, v24, w));
  }
  BOOL PassThrough(WORD v, const BYTE* bytes, DWORD n) override {
    return Done("PassThrough", Format("(%u,", v) + Quoted(bytes, n) + ")");
  }

 private:
  void Remember(const BYTE* text, const BYTE* payload) {
    lastText = text;
    lastPayload = payload;
  }
  BOOL Done(const std::string& name, const std::string& args) {
    log.push_back(name + args);
    auto failure = failures.find(name);
    if (failure == failures.end()) return TRUE;
    SetLastError(failure->second);
    return FALSE;
  }
};

// A text object whose every field differs, so that a swapped argument shows.
Bytes TextObject(WORD id, const std::string& text) {
  return Payload()
      .u16(id)
      .u16(0)
      .i32(11)
      .i32(12)
      .i32(13)
      .i32(14)
      .i32(15)
      .i32(16)
      .i32(17)
      .i32(18)
      .i32(4)
      .i32(19)
      .i32(20)
      .i32(21)
      .i32(22)
      .text(text);
}

Bytes LineObject() {
  return Payload().u16(3).u16(0).i32(31).i32(32).i32(-33).i32(34).i32(0xFFFFFF).i32(1).i32(5).fill(
      24);
}

Bytes DevProps(std::size_t size = 24) {
  return Payload()
      .u32(20)
      .u32(1)
      .u32(size - 20)
      .u16(7)
      .u16(0)
      .u32(0xDEADBEEF)
      .fill(size - 20, 0x5A);
}
Bytes DocProps(std::size_t size = 40) {
  return Payload()
      .u32(32)
      .u32(1)
      .u32(size - 32)
      .u16(7)
      .u16(1)
      .u16(2)
      .u16(3)
      .u16(2)
      .u16(0)
      .u16(0)
      .u16(0)
      .u32(0xDEADBEEF)
      .fill(size - 32, 0xA5);
}

class Dispatcher : public ::testing::Test {
 protected:
  LoggingHandler handler;
  RecordDispatcher dispatcher{handler};

  BOOL Process(Bytes& record) { return dispatcher.ProcessRecord(record); }
  BOOL Process(DWORD type, const Bytes& payload = {}) {
    records_.push_back(Record(type, payload));
    return Process(records_.back());
  }
  void AttachBothBlobs() {
    ASSERT_TRUE(Process(DCLD_DEVPROPS, DevProps()));
    ASSERT_TRUE(Process(DCLD_DOCPROPS, DocProps()));
    handler.log.clear();
  }

 private:
  std::vector<Bytes> records_;
};

struct RouteCase {
  const char* name;
  DWORD type;
  Bytes payload;
  std::vector<std::string> calls;
};

TEST_F(Dispatcher, HandsEachTypeItsDecodedArguments) {
  const RouteCase cases[] = {
      {"doc begin", DCLD_DOC_BEGIN, Payload().u32(812).u32(1218).u32(2), {"StartDoc(812,1218,2)"}},
      {"doc begin, 8 bytes",
       DCLD_DOC_BEGIN,
       Payload().u32(812).u32(1218),
       {"StartDoc(812,1218,1)"}},
      {"doc begin, 11 bytes",
       DCLD_DOC_BEGIN,
       Payload().u32(812).u32(1218).fill(3, 2),
       {"StartDoc(812,1218,1)"}},
      {"doc end", DCLD_DOC_END, {}, {"EndDoc()"}},
      {"doc abort", DCLD_DOC_ABORT, {}, {"AbortDoc()"}},
      {"image begin",
       DCLD_IMAGE_BEGIN,
       Payload().u16(1).u16(2).u16(3).u16(4).u16(5),
       {"PlaceBitmap(1,2,3,4,5)"}},
      {"bitmap header",
       DCLD_BITMAP_HEADER,
       Payload().u16(812).u16(1218).u16(104),
       {"BeginBitmap(812,1218,104)"}},
      {"bitmap data",
       DCLD_BITMAP_DATA,
       Payload().fill(8, 0xFF),
       {"BitmapData(56 bytes of 0x1F03)"}},
      {"image end", DCLD_IMAGE_END, {}, {"EndBitmap()"}},
      {"image abort", DCLD_IMAGE_ABORT, {}, {"ResetBitmap()"}},
      {"page begin", DCLD_PAGE_BEGIN, Payload().u16(1).u16(2).u16(3), {"StartPage(1,2,3)"}},
      {"page next", DCLD_PAGE_NEXT, {}, {"NextPage()"}},
      {"page end", DCLD_PAGE_END, Payload().u16(3), {"EndPage(3)"}},
      {"section begin", DCLD_SECTION_BEGIN, Payload().u16(4).u16(5), {"BeginSection(4,5)"}},
      {"section cmd", DCLD_SECTION_CMD, {}, {"SectionCommand()"}},
      {"section byte", DCLD_SECTION_BYTE, Payload().u8(0xAB), {"SectionByte(171)"}},
      {"section end", DCLD_SECTION_END, {}, {"EndSection()"}},
      {"transfer begin, 2 bytes", DCLD_TRANSFER_BEGIN, Payload().u16(9), {"BeginTransfer(9,0)"}},
      {"transfer begin, 4 bytes",
       DCLD_TRANSFER_BEGIN,
       Payload().u16(9).u16(7),
       {"BeginTransfer(9,7)"}},
      {"transfer data",
       DCLD_TRANSFER_DATA,
       Payload().u16(9).u16(7).text("xyz"),
       {"TransferData(9,7,'xyz')"}},
      {"transfer end", DCLD_TRANSFER_END, Payload().u16(9), {"EndTransfer(9)"}},
      {"transfer abort", DCLD_TRANSFER_ABORT, Payload().u16(9), {"AbortTransfer(9)"}},
      {"font text",
       DCLD_FONT_TEXT,
       TextObject(7, "AB"),
       {"TransformItem(0x4002,F)", "PrintText(7,11,12,4,17,18,15,16,'AB')"}},
      {"barcode text",
       DCLD_BARCODE_TEXT,
       TextObject(8, "123"),
       {"TransformItem(0x4001,B)", "PrintBarcode(8,11,12,4,17,18,15,16,'123')"}},
      {"line",
       DCLD_LINE,
       LineObject(),
       {"TransformItem(0x4003,L)", "DrawLine(3,31,32,-33,34,16777215,1,5)"}},
      {"box",
       DCLD_BOX,
       LineObject(),
       {"TransformItem(0x4004,R)", "DrawBox(3,31,32,-33,34,16777215,1,5)"}},
      {"raw command",
       DCLD_RAW_COMMAND,
       Payload().u16(0).text("! 0 200"),
       {"PassThrough(0,'! 0 200')"}},
      {"devprops", DCLD_DEVPROPS, DevProps(), {"AttachDevProps(24)"}},
      {"docprops", DCLD_DOCPROPS, DocProps(), {"AttachDocProps(40)"}},
  };
  AttachBothBlobs();
  for (const RouteCase& c : cases) {
    SCOPED_TRACE(c.name);
    handler.log.clear();
    SetLastError(0xdeadbeef);
    EXPECT_EQ(Process(c.type, c.payload), TRUE);
    EXPECT_EQ(handler.log, c.calls);
  }
}

TEST_F(Dispatcher, IgnoresWhatHasNoOperation) {
  Bytes otherHeaderSize = Record(DCLD_DOC_END);
  WriteU32(otherHeaderSize.data(), 40);
  Bytes unknown = Record(0x5555, Payload().fill(3));
  Bytes pageAbort = Record(DCLD_PAGE_ABORT);
  Bytes sectionAbort = Record(DCLD_SECTION_ABORT);
  for (Bytes* record : {&otherHeaderSize, &unknown, &pageAbort, &sectionAbort}) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(Process(*record), TRUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  }
  EXPECT_TRUE(handler.log.empty());
}

struct MinimumCase {
  DWORD type;
  DWORD minimum;
};

TEST_F(Dispatcher, RefusesPayloadsShorterThanTheirTypesMinimum) {
  const MinimumCase cases[] = {
      {DCLD_DOC_BEGIN, 8},      {DCLD_DOC_END, 0},       {DCLD_DOC_ABORT, 0},
      {DCLD_IMAGE_BEGIN, 10},   {DCLD_BITMAP_HEADER, 6}, {DCLD_BITMAP_DATA, 0},
      {DCLD_IMAGE_END, 0},      {DCLD_IMAGE_ABORT, 0},   {DCLD_PAGE_BEGIN, 6},
      {DCLD_PAGE_NEXT, 0},      {DCLD_PAGE_END, 2},      {DCLD_SECTION_BEGIN, 4},
      {DCLD_SECTION_CMD, 0},    {DCLD_SECTION_BYTE, 1},  {DCLD_SECTION_END, 0},
      {DCLD_TRANSFER_BEGIN, 2}, {DCLD_TRANSFER_DATA, 4}, {DCLD_TRANSFER_END, 2},
      {DCLD_TRANSFER_ABORT, 2}, {DCLD_BARCODE_TEXT, 56}, {DCLD_FONT_TEXT, 56},
      {DCLD_LINE, 56},          {DCLD_BOX, 56},          {DCLD_RAW_COMMAND, 2},
      {DCLD_DEVPROPS, 20},      {DCLD_DOCPROPS, 32},
  };
  AttachBothBlobs();
  for (const MinimumCase& c : cases) {
    SCOPED_TRACE(RecordTypeName(c.type));
    ASSERT_NE(FindRecordType(c.type), nullptr);
    EXPECT_EQ(FindRecordType(c.type)->minPayload, c.minimum);
    if (c.minimum > 0) {
      handler.log.clear();
      SetLastError(0xdeadbeef);
      EXPECT_EQ(Process(c.type, Bytes(c.minimum - 1, 0)), FALSE);
      EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
      EXPECT_TRUE(handler.log.empty());
    }
    handler.log.clear();
    EXPECT_EQ(Process(c.type, Bytes(c.minimum, 0)), TRUE);
    EXPECT_FALSE(handler.log.empty());
  }
  // Every known type is in this table, apart from the two that are ignored.
  EXPECT_EQ(std::size(cases) + 2, RecordTypes().size());
}

TEST_F(Dispatcher, RefusesARecordShorterThanItsHeaderClaims) {
  Bytes record = Record(DCLD_PAGE_END, Payload().u16(1));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(dispatcher.ProcessRecord(std::span<BYTE>(record).first(record.size() - 1)), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(dispatcher.ProcessRecord(std::span<BYTE>()), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(handler.log.empty());
}

TEST_F(Dispatcher, StartsADocumentOnlyAfterBothBlobs) {
  const Bytes docBegin = Payload().u32(1).u32(2).u32(1);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(Process(DCLD_DOC_BEGIN, docBegin), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  ASSERT_TRUE(Process(DCLD_DEVPROPS, DevProps()));
  EXPECT_EQ(Process(DCLD_DOC_BEGIN, docBegin), FALSE);
  // A blob the object refused was not received.
  handler.failures["AttachDocProps"] = ERROR_INVALID_DATA;
  EXPECT_EQ(Process(DCLD_DOCPROPS, DocProps()), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
  EXPECT_EQ(Process(DCLD_DOC_BEGIN, docBegin), FALSE);
  handler.failures.clear();
  ASSERT_TRUE(Process(DCLD_DOCPROPS, DocProps()));
  EXPECT_TRUE(dispatcher.HasDocProps() && dispatcher.HasDevProps());
  EXPECT_EQ(Process(DCLD_DOC_BEGIN, docBegin), TRUE);
  EXPECT_EQ(handler.log.back(), "StartDoc(1,2,1)");
}

struct BlobCase {
  DWORD type;
  Bytes payload;
  DWORD pointerOffset;
  DWORD headerSize;
  OptionBlob LoggingHandler::*received;
};

TEST_F(Dispatcher, GivesTheObjectARepointedCopyOfEachBlob) {
  const BlobCase cases[] = {
      {DCLD_DEVPROPS, DevProps(30), 16, 20, &LoggingHandler::devProps},
      {DCLD_DOCPROPS, DocProps(45), 28, 32, &LoggingHandler::docProps},
  };
  for (const BlobCase& c : cases) {
    SCOPED_TRACE(RecordTypeName(c.type));
    Bytes record = Record(c.type, c.payload);
    const Bytes original = record;
    ASSERT_EQ(Process(record), TRUE);
    const OptionBlob& blob = handler.*c.received;
    ASSERT_EQ(blob.bytes.size(), c.payload.size());
    EXPECT_EQ(blob.values, blob.bytes.data() + c.headerSize);
    EXPECT_EQ(ReadU32(blob.bytes.data() + c.pointerOffset),
              static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(blob.values)));
    Bytes expected = c.payload;
    WriteU32(expected.data() + c.pointerOffset, ReadU32(blob.bytes.data() + c.pointerOffset));
    EXPECT_EQ(blob.bytes, expected);
    EXPECT_EQ(record, original);
  }
}

// The header's count of value bytes is what every later walk over the values
// trusts, so a count that runs past the payload is refused before the copy.
TEST_F(Dispatcher, RefusesABlobWhoseValuesRunPastItsPayload) {
  struct Case {
    DWORD type;
    Bytes payload;
    DWORD claimed;
    DWORD fits;  // a count the same payload holds
  } cases[] = {
      {DCLD_DEVPROPS, DevProps(24), 5, 4},
      {DCLD_DEVPROPS, DevProps(24), 0xFFFFFFFF, 0},
      {DCLD_DOCPROPS, DocProps(44), 13, 12},
      {DCLD_DOCPROPS, DocProps(44), 1000, 12},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(RecordTypeName(c.type));
    WriteU32(c.payload.data() + 8, c.claimed);
    handler.log.clear();
    SetLastError(0xdeadbeef);
    EXPECT_EQ(Process(c.type, c.payload), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(handler.log.empty());
    WriteU32(c.payload.data() + 8, c.fits);
    EXPECT_EQ(Process(c.type, c.payload), TRUE);
  }
}

TEST(DispatcherMemory, ABlobThatCannotBeCopiedFailsWithOutOfMemory) {
  LoggingHandler handler;
  RecordDispatcher dispatcher(handler, [](std::size_t) { return false; });
  Bytes record = Record(DCLD_DEVPROPS, DevProps());
  SetLastError(0xdeadbeef);
  EXPECT_EQ(dispatcher.ProcessRecord(record), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_TRUE(handler.log.empty());
  EXPECT_FALSE(dispatcher.HasDevProps());
}

struct PageStep {
  DWORD type;
  Bytes payload;
  const char* failWith;  // operation made to fail, or null
  DWORD state;
  WORD a, b;
};

TEST_F(Dispatcher, KeepsThePageState) {
  const PageStep steps[] = {
      {DCLD_PAGE_NEXT, {}, nullptr, PAGE_STATE_NONE, 0, 0},  // no page: stays closed
      {DCLD_PAGE_BEGIN, Payload().u16(5).u16(6).u16(1), "StartPage", PAGE_STATE_NONE, 0, 0},
      {DCLD_PAGE_BEGIN, Payload().u16(5).u16(6).u16(1), nullptr, PAGE_STATE_FIRST, 5, 6},
      {DCLD_PAGE_NEXT, {}, nullptr, PAGE_STATE_SECOND, 5, 6},
      {DCLD_PAGE_NEXT, {}, "NextPage", PAGE_STATE_SECOND, 5, 6},
      {DCLD_PAGE_NEXT, {}, nullptr, PAGE_STATE_FIRST, 5, 6},
      {DCLD_PAGE_END, Payload().u16(1), "EndPage", PAGE_STATE_FIRST, 5, 6},
      {DCLD_PAGE_END, Payload().u16(1), nullptr, PAGE_STATE_NONE, 0, 0},
  };
  for (const PageStep& s : steps) {
    handler.failures.clear();
    if (s.failWith) handler.failures[s.failWith] = ERROR_WRITE_FAULT;
    EXPECT_EQ(Process(s.type, s.payload), s.failWith ? FALSE : TRUE);
    EXPECT_EQ(dispatcher.PageState(), s.state);
    EXPECT_EQ(dispatcher.PageValueA(), s.a);
    EXPECT_EQ(dispatcher.PageValueB(), s.b);
  }
}

TEST_F(Dispatcher, KeepsTheSectionValues) {
  ASSERT_TRUE(Process(DCLD_SECTION_BEGIN, Payload().u16(3).u16(4)));
  EXPECT_EQ(dispatcher.SectionValue1(), 3);
  EXPECT_EQ(dispatcher.SectionValue2(), 4);
  handler.failures["EndSection"] = ERROR_WRITE_FAULT;
  EXPECT_FALSE(Process(DCLD_SECTION_END));
  EXPECT_EQ(dispatcher.SectionValue1(), 3);
  handler.failures.clear();
  ASSERT_TRUE(Process(DCLD_SECTION_END));
  EXPECT_EQ(dispatcher.SectionValue1(), 0);
  EXPECT_EQ(dispatcher.SectionValue2(), 0);
}

TEST_F(Dispatcher, DrawsObjectsFromTheRecordAsTransformed) {
  handler.transform = [](BYTE* p) { WriteI32(p + 4, ReadI32(p + 4) + 100); };
  Bytes record = Record(DCLD_FONT_TEXT, TextObject(7, "AB"));
  const Bytes original = record;
  ASSERT_EQ(Process(record), TRUE);
  EXPECT_EQ(handler.log.back(), "PrintText(7,111,12,4,17,18,15,16,'AB')");
  // The transform turned a copy of the object: the record stays as it came, so a
  // record offered again is transformed from the same values. The text is the
  // record's own.
  EXPECT_NE(handler.lastPayload, record.data() + DCLD_HEADER_SIZE);
  EXPECT_EQ(handler.lastText, record.data() + DCLD_HEADER_SIZE + DCLD_OBJECT_SIZE);
  EXPECT_EQ(record, original);
}

TEST_F(Dispatcher, LeavesAFailedObjectAsItWasForARetry) {
  handler.transform = [](BYTE* p) {
    WriteI32(p + 4, ReadI32(p + 4) + 100);
    WriteI32(p + 24, 0x08);
  };
  handler.failures = {{"PrintBarcode", ERROR_WRITE_FAULT}, {"DrawBox", ERROR_NOT_READY}};
  for (auto [type, payload, error] :
       {std::tuple{DCLD_BARCODE_TEXT, TextObject(8, "1"), ERROR_WRITE_FAULT},
        std::tuple{DCLD_BOX, LineObject(), ERROR_NOT_READY}}) {
    Bytes record = Record(type, payload);
    const Bytes original = record;
    EXPECT_EQ(Process(record), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(error));
    EXPECT_EQ(record, original);
  }
}

TEST_F(Dispatcher, PassesAnOperationsFailureOn) {
  AttachBothBlobs();
  handler.failures["StartDoc"] = ERROR_NOT_READY;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(Process(DCLD_DOC_BEGIN, Payload().u32(1).u32(2)), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

TEST_F(Dispatcher, HandsBitmapDataTheWholeRecord) {
  Bytes record = Record(DCLD_BITMAP_DATA, Payload().fill(104 * 3, 0xFF));
  ASSERT_EQ(Process(record), TRUE);
  EXPECT_EQ(handler.lastBitmap.data(), record.data());
  EXPECT_EQ(handler.lastBitmap.size(), record.size());
}

}  // namespace
}  // namespace trv::spool
