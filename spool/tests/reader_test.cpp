#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "spool/reader.h"
#include "spool/record.h"
#include "test_bytes.h"

namespace trv::spool {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Payload;
using testing::Record;
using testing::Text;

// Keeps a copy of every record it is given. A failure rule may fail a record
// with a last error.
class RecordingSink : public RecordSink {
 public:
  struct Failure {
    bool fail;
    DWORD error;
  };
  std::vector<Bytes> records;
  std::vector<const BYTE*> addresses;
  std::function<Failure(const Bytes& record)> rule;

  BOOL ProcessRecord(std::span<BYTE> record) override {
    records.emplace_back(record.begin(), record.end());
    addresses.push_back(record.data());
    if (rule) {
      const Failure f = rule(records.back());
      if (f.fail) {
        SetLastError(f.error);
        return FALSE;
      }
    }
    return TRUE;
  }
  std::vector<DWORD> Types() const {
    std::vector<DWORD> types;
    for (const Bytes& r : records) types.push_back(RecordType(r.data()));
    return types;
  }
};

// Fails records of one type, `times` times (or always), with `error`.
std::function<RecordingSink::Failure(const Bytes&)> FailType(DWORD type, DWORD error,
                                                             int times = -1) {
  return [=](const Bytes& r) mutable {
    if (RecordType(r.data()) != type || times == 0) return RecordingSink::Failure{false, 0};
    if (times > 0) --times;
    return RecordingSink::Failure{true, error};
  };
}

// Collects the raw bytes, one entry per write; write number `failAt` (0-based)
// fails with `failError`.
class RecordingOutput : public PortOutput {
 public:
  std::vector<Bytes> writes;
  int failAt = -1;
  DWORD failError = 0;

  BOOL WriteRaw(std::span<const BYTE> bytes) override {
    if (static_cast<int>(writes.size()) == failAt) {
      failAt = -1;
      writes.emplace_back();
      SetLastError(failError);
      return FALSE;
    }
    writes.emplace_back(bytes.begin(), bytes.end());
    return TRUE;
  }
  Bytes All() const {
    Bytes all;
    for (const Bytes& w : writes) all.insert(all.end(), w.begin(), w.end());
    return all;
  }
};

class Reader : public ::testing::Test {
 public:
  PortReader port;
  RecordingSink sink;
  RecordingOutput output;

  // Feeds one piece; returns FeedPort's result and sets `written`.
  BOOL Feed(Bytes& piece, DWORD& written) {
    written = 0;
    return FeedPort(port, sink, output, piece, written);
  }
  // Feeds a piece that must be taken over whole.
  void FeedAll(Bytes piece) {
    DWORD written = 0;
    ASSERT_TRUE(Feed(piece, written)) << GetLastError();
    ASSERT_EQ(written, piece.size());
  }
  Bytes Slice(const Bytes& b, std::size_t from, std::size_t to) const {
    return Bytes(b.begin() + from, b.begin() + to);
  }
};

// Every record type, an unknown one, empty and large payloads, then foreign
// bytes: what the reader must reassemble identically however it is cut.
struct MixedStream {
  std::vector<Bytes> records;
  Bytes foreign = Text("! U1 SETVAR \"media.type\" \"label\"\r\nPRINT\r\n");
  Bytes bytes;

  MixedStream() {
    std::mt19937 random(7);
    Bytes bitmap(104 * 60);
    for (BYTE& b : bitmap) b = static_cast<BYTE>(random());
    records = {
        Record(DCLD_DEVPROPS, Payload().u32(20).u32(1).u32(4).u16(1).u16(0).u32(0).u32(12)),
        Record(DCLD_DOCPROPS, Payload().u32(32).u32(1).u32(0).fill(16).u32(0)),
        Record(DCLD_DOC_BEGIN, Payload().u32(812).u32(1218).u32(1)),
        Record(DCLD_PAGE_BEGIN, Payload().u16(0).u16(0).u16(1)),
        Record(DCLD_IMAGE_BEGIN, Payload().u16(1).u16(2).u16(3).u16(4).u16(5)),
        Record(DCLD_BITMAP_HEADER, Payload().u16(812).u16(60).u16(104)),
        Record(DCLD_BITMAP_DATA, bitmap),
        Record(DCLD_IMAGE_END),
        Record(DCLD_IMAGE_ABORT),
        Record(DCLD_PAGE_NEXT),
        Record(DCLD_SECTION_BEGIN, Payload().u16(1).u16(2)),
        Record(DCLD_SECTION_BYTE, Payload().u8(48)),
        Record(DCLD_SECTION_CMD),
        Record(DCLD_SECTION_END),
        Record(DCLD_SECTION_ABORT),
        Record(DCLD_TRANSFER_BEGIN, Payload().u16(1).u16(2).fill(46)),
        Record(DCLD_TRANSFER_DATA, Payload().u16(1).u16(2).text("data")),
        Record(DCLD_TRANSFER_END, Payload().u16(1)),
        Record(DCLD_TRANSFER_ABORT, Payload().u16(1)),
        Record(DCLD_FONT_TEXT, Payload().fill(56, 1).text("Hello")),
        Record(DCLD_BARCODE_TEXT, Payload().fill(56, 2).text("0123456789")),
        Record(DCLD_LINE, Payload().fill(56, 3)),
        Record(DCLD_BOX, Payload().fill(56, 4)),
        Record(DCLD_RAW_COMMAND, Payload().u16(0).text("BOX 0 0 10 10 1\r\n")),
        Record(0x7777, Payload().fill(9, 48)),
        Record(DCLD_PAGE_END, Payload().u16(1)),
        Record(DCLD_PAGE_ABORT),
        Record(DCLD_DOC_END),
        Record(DCLD_DOC_ABORT),
    };
    for (const Bytes& r : records) bytes.insert(bytes.end(), r.begin(), r.end());
    bytes.insert(bytes.end(), foreign.begin(), foreign.end());
  }
};

// Feeds `stream` in pieces whose sizes `next` chooses, then flushes.
void FeedInPieces(Reader& test, const Bytes& stream, const std::function<std::size_t()>& next) {
  std::size_t at = 0;
  while (at < stream.size()) {
    const std::size_t size = std::min(next(), stream.size() - at);
    test.FeedAll(Bytes(stream.begin() + at, stream.begin() + at + size));
    at += size;
  }
}

class ReaderPieces : public Reader, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(ReaderPieces, GivesTheSameRecordsWhateverThePieceSize) {
  const MixedStream stream;
  const std::size_t piece = GetParam() == 0 ? stream.bytes.size() : GetParam();
  FeedInPieces(*this, stream.bytes, [&] { return piece; });
  ASSERT_TRUE(FlushPartialRecord(port, output));
  EXPECT_EQ(sink.records, stream.records);
  EXPECT_EQ(output.All(), stream.foreign);
  EXPECT_EQ(port.state, ReaderState::Idle);
  EXPECT_TRUE(port.record.empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReaderPieces,
                         ::testing::Values(1, 2, 3, 4, 5, 7, 47, 48, 49, 50, 51, 97, 1000, 4096,
                                           0));

TEST_F(Reader, GivesTheSameRecordsForRandomPieces) {
  const MixedStream stream;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    sink.records.clear();
    output.writes.clear();
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> size(1, 200);
    FeedInPieces(*this, stream.bytes, [&] { return size(random); });
    ASSERT_TRUE(FlushPartialRecord(port, output));
    EXPECT_EQ(sink.records, stream.records);
    EXPECT_EQ(output.All(), stream.foreign);
  }
}

TEST_F(Reader, HandsAWholeRecordOnFromTheCallersBuffer) {
  Bytes piece = Concat({Record(DCLD_PAGE_END, Payload().u16(1)), Record(DCLD_DOC_END)});
  DWORD written = 0;
  ASSERT_TRUE(Feed(piece, written));
  ASSERT_EQ(sink.addresses.size(), 2u);
  EXPECT_EQ(sink.addresses[0], piece.data());
  EXPECT_EQ(sink.addresses[1], piece.data() + DCLD_HEADER_SIZE + 2);
}

TEST_F(Reader, CollectsASplitRecordInItsOwnBuffer) {
  const Bytes record = Record(DCLD_PAGE_END, Payload().u16(1));
  Bytes first = Slice(record, 0, 20), second = Slice(record, 20, record.size());
  FeedAll(first);
  FeedAll(second);
  ASSERT_EQ(sink.records, std::vector<Bytes>{record});
  EXPECT_TRUE(sink.addresses[0] < second.data() ||
              sink.addresses[0] >= second.data() + second.size());
}

TEST_F(Reader, PassesForeignDataThroughUnchanged) {
  const Bytes job = Text("! 0 200 200 210 1\r\nTEXT 4 0 30 40 Hello\r\nFORM\r\nPRINT\r\n");
  for (std::size_t piece : {1u, 3u, 4u, 5u, 100u}) {
    SCOPED_TRACE(piece);
    output.writes.clear();
    FeedInPieces(*this, job, [&] { return piece; });
    ASSERT_TRUE(FlushPartialRecord(port, output));
    EXPECT_EQ(output.All(), job);
    EXPECT_TRUE(sink.records.empty());
  }
}

TEST_F(Reader, JudgesAHeaderOnlyWhenFourBytesArePresent) {
  FeedAll(Bytes{48, 0, 0});
  EXPECT_TRUE(output.writes.empty());
  EXPECT_EQ(port.state, ReaderState::Header);
  FeedAll(Bytes{1, 2, 3, 4, 5});
  EXPECT_EQ(output.writes, (std::vector<Bytes>{{48, 0, 0, 1}, {2, 3, 4, 5}}));
  // Judged on the last byte of a call: only the collected bytes are written.
  output.writes.clear();
  FeedAll(Bytes{48, 0, 0});
  FeedAll(Bytes{9});
  EXPECT_EQ(output.writes, (std::vector<Bytes>{{48, 0, 0, 9}}));
  EXPECT_EQ(port.state, ReaderState::Idle);
  // The next call looks at its first bytes anew.
  FeedAll(Record(DCLD_DOC_END));
  EXPECT_EQ(sink.Types(), std::vector<DWORD>{DCLD_DOC_END});
}

TEST_F(Reader, PassesThroughAHeaderWithTheWrongMagic) {
  Bytes bad = Record(DCLD_DOC_END);
  bad[47] = 'X';
  const Bytes tail = Text("tail");
  // Whole in one call, and collected across two.
  FeedAll(Concat({bad, tail}));
  EXPECT_EQ(output.All(), Concat({bad, tail}));
  output.writes.clear();
  FeedAll(Slice(bad, 0, 30));
  FeedAll(Concat({Slice(bad, 30, 48), tail}));
  EXPECT_EQ(output.writes, (std::vector<Bytes>{bad, tail}));
  EXPECT_TRUE(sink.records.empty());
}

TEST_F(Reader, DispatchesAnEmptyPayloadAsSoonAsItsHeaderIsComplete) {
  const Bytes docEnd = Record(DCLD_DOC_END);
  FeedAll(Slice(docEnd, 0, 10));
  FeedAll(Slice(docEnd, 10, 48));
  EXPECT_EQ(sink.records, std::vector<Bytes>{docEnd});
  EXPECT_EQ(port.state, ReaderState::Idle);
  ASSERT_TRUE(FlushPartialRecord(port, output));
  EXPECT_TRUE(output.writes.empty());
}

TEST_F(Reader, TracksOpenScopes) {
  FeedAll(Concat({Record(DCLD_DOC_BEGIN, Bytes(12)), Record(DCLD_PAGE_BEGIN, Bytes(6)),
                  Record(DCLD_SECTION_BEGIN, Bytes(4)), Record(DCLD_IMAGE_BEGIN, Bytes(10)),
                  Record(DCLD_TRANSFER_BEGIN, Payload().u16(1).u16(0x1234).fill(46))}));
  EXPECT_EQ(port.flags & PORT_SCOPES, PORT_SCOPES);
  EXPECT_EQ(port.transferValue, 0x1234);
  // A shorter transfer begin remembers no value.
  FeedAll(Record(DCLD_TRANSFER_BEGIN, Payload().u16(1).u16(0x1234).fill(45)));
  EXPECT_EQ(port.transferValue, 0);
  // A failed end leaves its scope open.
  sink.rule = FailType(DCLD_PAGE_END, ERROR_WRITE_FAULT, 1);
  Bytes pageEnd = Record(DCLD_PAGE_END, Bytes(2));
  DWORD written = 0;
  EXPECT_FALSE(Feed(pageEnd, written));
  EXPECT_NE(port.flags & PORT_SCOPE_PAGE, 0u);
  FeedAll(Concat({Record(DCLD_IMAGE_ABORT), Record(DCLD_SECTION_END),
                  Record(DCLD_TRANSFER_ABORT, Bytes(2)), pageEnd, Record(DCLD_DOC_END)}));
  EXPECT_EQ(port.flags & PORT_SCOPES, 0u);
}

TEST_F(Reader, DoesNotCountAFailedWholeRecord) {
  const Bytes pageBegin = Record(DCLD_PAGE_BEGIN, Bytes(6));
  Bytes piece = Concat({pageBegin, Record(DCLD_PAGE_END, Bytes(2))});
  sink.rule = FailType(DCLD_PAGE_END, ERROR_WRITE_FAULT, 1);
  DWORD written = 0;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Feed(piece, written));
  EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
  EXPECT_EQ(written, pageBegin.size());
  // The spooler offers the rest again.
  FeedAll(Slice(piece, written, piece.size()));
  EXPECT_EQ(sink.Types(), (std::vector<DWORD>{DCLD_PAGE_BEGIN, DCLD_PAGE_END, DCLD_PAGE_END}));
  EXPECT_EQ(port.flags & PORT_SCOPE_PAGE, 0u);
}

TEST_F(Reader, DropsAFailedCollectedRecord) {
  const Bytes pageEnd = Record(DCLD_PAGE_END, Bytes(2));
  FeedAll(Slice(pageEnd, 0, 49));
  sink.rule = FailType(DCLD_PAGE_END, ERROR_WRITE_FAULT, 1);
  Bytes rest = Slice(pageEnd, 49, pageEnd.size());
  DWORD written = 0;
  EXPECT_FALSE(Feed(rest, written));
  EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
  EXPECT_EQ(written, rest.size());
  EXPECT_EQ(port.state, ReaderState::Idle);
  EXPECT_TRUE(port.record.empty());
  EXPECT_EQ(port.flags & PORT_BITMAP_PENDING, 0u);
  FeedAll(Record(DCLD_DOC_END));
  EXPECT_EQ(sink.Types(), (std::vector<DWORD>{DCLD_PAGE_END, DCLD_DOC_END}));
}

class PendingBitmap : public Reader {
 protected:
  const Bytes bitmap = Record(DCLD_BITMAP_DATA, Bytes(300, 0xF0));
  const Bytes pageEnd = Record(DCLD_PAGE_END, Bytes(2));
  const Bytes docEnd = Record(DCLD_DOC_END);

  // A bitmap collected across two calls that the sink fails `failures` times.
  void FailCollectedBitmap(int failures) {
    sink.rule = FailType(DCLD_BITMAP_DATA, ERROR_WRITE_FAULT, failures);
    FeedAll(Slice(bitmap, 0, 100));
    Bytes rest = Slice(bitmap, 100, bitmap.size());
    DWORD written = 0;
    ASSERT_FALSE(Feed(rest, written));
    ASSERT_EQ(GetLastError(), ERROR_WRITE_FAULT);
    ASSERT_EQ(written, rest.size());
    ASSERT_NE(port.flags & PORT_BITMAP_PENDING, 0u);
  }
};

TEST_F(PendingBitmap, IsRetriedBeforeTheNextRecord) {
  FailCollectedBitmap(1);
  FeedAll(pageEnd);
  EXPECT_EQ(sink.records, (std::vector<Bytes>{bitmap, bitmap, pageEnd}));
  EXPECT_EQ(port.flags & PORT_BITMAP_PENDING, 0u);
  EXPECT_TRUE(port.pending.empty());
}

TEST_F(PendingBitmap, FailingAgainKeepsAWholeNextRecordOffered) {
  FailCollectedBitmap(2);
  Bytes piece = pageEnd;
  DWORD written = 0;
  EXPECT_FALSE(Feed(piece, written));
  EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
  EXPECT_EQ(written, 0u);
  FeedAll(pageEnd);
  EXPECT_EQ(sink.records, (std::vector<Bytes>{bitmap, bitmap, bitmap, pageEnd}));
}

TEST_F(PendingBitmap, FailingAgainKeepsACollectedNextRecord) {
  FailCollectedBitmap(2);
  FeedAll(Slice(pageEnd, 0, 30));
  Bytes rest = Slice(pageEnd, 30, pageEnd.size());
  DWORD written = 0;
  EXPECT_FALSE(Feed(rest, written));
  EXPECT_EQ(written, rest.size());
  // Its bytes were taken over: it goes first with the next call.
  FeedAll(docEnd);
  EXPECT_EQ(sink.records, (std::vector<Bytes>{bitmap, bitmap, bitmap, pageEnd, docEnd}));
}

TEST_F(PendingBitmap, IsDroppedWhenOpenScopesAreClosed) {
  FeedAll(Record(DCLD_PAGE_BEGIN, Bytes(6)));
  FailCollectedBitmap(-1);
  sink.records.clear();
  EXPECT_TRUE(CloseOpenScopes(port, sink));
  EXPECT_EQ(sink.Types(), std::vector<DWORD>{DCLD_PAGE_ABORT});
  EXPECT_TRUE(port.pending.empty());
  EXPECT_EQ(port.flags & PORT_BITMAP_PENDING, 0u);
}

TEST_F(PendingBitmap, AWholeBitmapIsOfferedAgainInsteadOfKept) {
  sink.rule = FailType(DCLD_BITMAP_DATA, ERROR_WRITE_FAULT, 1);
  Bytes piece = bitmap;
  DWORD written = 0;
  EXPECT_FALSE(Feed(piece, written));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(port.flags & PORT_BITMAP_PENDING, 0u);
  FeedAll(bitmap);
  EXPECT_EQ(sink.records, (std::vector<Bytes>{bitmap, bitmap}));
}

TEST_F(Reader, ACancelDiscardsTheRestOfTheCall) {
  const Bytes stream = Concat(
      {Record(DCLD_PAGE_BEGIN, Bytes(6)), Record(DCLD_PAGE_END, Bytes(2)), Record(DCLD_DOC_END)});
  for (std::size_t cut : {stream.size(), std::size_t{60}}) {
    SCOPED_TRACE(cut);  // the failing record whole, or collected across calls
    port = PortReader();
    sink.records.clear();
    sink.rule = FailType(DCLD_PAGE_END, ERROR_SUCCESS);
    FeedAll(Slice(stream, 0, cut));
    if (cut < stream.size()) FeedAll(Slice(stream, cut, stream.size()));
    EXPECT_NE(port.flags & PORT_DISCARD, 0u);
    EXPECT_EQ(sink.Types(), (std::vector<DWORD>{DCLD_PAGE_BEGIN, DCLD_PAGE_END}));
    EXPECT_EQ(port.state, ReaderState::Idle);
    EXPECT_TRUE(port.record.empty());
  }
}

// Each buffer the reader asks for, refused in turn: the call fails with
// ERROR_NOT_ENOUGH_MEMORY, takes only what it had taken before the refusal and
// leaves the reader idle with nothing collected.
TEST_F(Reader, RunsOutOfMemoryForEachBuffer) {
  struct AllocationCase {
    const char* buffer;
    bool (*gate)(std::size_t bytes);
    Bytes piece;
    DWORD written;
  };
  const AllocationCase cases[] = {
      {"header", [](std::size_t) { return false; }, Slice(Record(DCLD_DOC_END), 0, 10), 0},
      {"payload", [](std::size_t bytes) { return bytes <= DCLD_HEADER_SIZE; },
       Slice(Record(DCLD_BITMAP_DATA, Bytes(100)), 0, 60), DCLD_HEADER_SIZE},
  };
  for (const AllocationCase& c : cases) {
    SCOPED_TRACE(c.buffer);
    port = PortReader();
    port.allocationGate = c.gate;
    DWORD written = 0;
    SetLastError(0xdeadbeef);
    Bytes piece = c.piece;
    EXPECT_FALSE(Feed(piece, written));
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(written, c.written);
    EXPECT_EQ(port.state, ReaderState::Idle);
    EXPECT_TRUE(port.record.empty());
  }
}

// A header may claim up to 4 GiB; no record of the suite is larger than the page
// bitmap of the largest surface, so a longer one fails the job before anything is
// allocated for it, and the rest of the job is swallowed rather than printed.
TEST_F(Reader, RefusesAPayloadBeyondTheLargestRecordWithoutAllocating) {
  std::size_t largest = 0;
  struct Case {
    DWORD length;
    std::size_t piece;  // the whole header in one call, or cut inside it
    DWORD error;
  } cases[] = {
      {DCLD_MAX_PAYLOAD + 1, 64, ERROR_INVALID_DATA},
      {0xFFFFFFFF, 64, ERROR_INVALID_DATA},
      {0xFFFFFFFF, 20, ERROR_INVALID_DATA},
      {DCLD_MAX_PAYLOAD, 64, ERROR_NOT_ENOUGH_MEMORY},  // the largest is asked for
  };
  EXPECT_EQ(DCLD_MAX_PAYLOAD, 8192u * 65535u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    port = PortReader{};
    port.allocationGate = [&](std::size_t bytes) {
      largest = std::max(largest, bytes);
      return bytes <= DCLD_HEADER_SIZE;  // a payload buffer is never really had here
    };
    largest = 0;
    Bytes stream = Record(DCLD_BITMAP_DATA, Bytes(16, 0x55));
    WriteU32(stream.data() + DCLD_OFFSET_LENGTH, c.length);
    Bytes first = Slice(stream, 0, c.piece);
    Bytes rest = Slice(stream, c.piece, stream.size());
    DWORD written = 0;
    SetLastError(0xdeadbeef);
    BOOL ok = Feed(first, written);
    if (ok) ok = Feed(rest, written);  // the header was cut: judged with the rest
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(port.state, ReaderState::Idle);
    EXPECT_TRUE(port.record.empty());
    EXPECT_TRUE(sink.records.empty());
    EXPECT_TRUE(output.writes.empty());
    if (c.error == ERROR_INVALID_DATA) {
      EXPECT_LE(largest, DCLD_HEADER_SIZE);
      EXPECT_NE(port.flags & PORT_DISCARD, 0u);
    } else {
      EXPECT_EQ(largest, DCLD_HEADER_SIZE + std::size_t{DCLD_MAX_PAYLOAD});
    }
  }
}

TEST_F(Reader, FailsWhenAHeaderHasNoBuffer) {
  port.state = ReaderState::Header;
  port.collected = 5;
  Bytes piece = Record(DCLD_DOC_END);
  DWORD written = 0;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Feed(piece, written));
  EXPECT_EQ(GetLastError(), ERROR_BAD_CONFIGURATION);
  EXPECT_EQ(port.state, ReaderState::Idle);
  EXPECT_EQ(written, 0u);
}

TEST_F(Reader, FailsToFlushWithoutABuffer) {
  port.state = ReaderState::Payload;
  port.collected = 5;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(FlushPartialRecord(port, output));
  EXPECT_EQ(GetLastError(), ERROR_BAD_CONFIGURATION);
  EXPECT_NE(port.flags & PORT_DISCARD, 0u);
  EXPECT_EQ(port.state, ReaderState::Idle);
  EXPECT_TRUE(output.writes.empty());
}

struct PassThroughFailure {
  const char* name;
  int failAt;  // 0: the collected bytes, 1: the rest of the call
  DWORD error;
  BOOL result;
  bool discard;
  DWORD written;  // of the second call
};

TEST_F(Reader, HandlesAFailedPassThroughWrite) {
  const PassThroughFailure cases[] = {
      {"collected bytes, cancelled", 0, ERROR_SUCCESS, TRUE, true, 6},
      {"collected bytes, error", 0, ERROR_WRITE_FAULT, FALSE, true, 1},
      {"rest, cancelled", 1, ERROR_SUCCESS, TRUE, true, 6},
      {"rest, error", 1, ERROR_WRITE_FAULT, FALSE, false, 1},
  };
  for (const PassThroughFailure& c : cases) {
    SCOPED_TRACE(c.name);
    port = PortReader();
    output = RecordingOutput();
    FeedAll(Bytes{48, 0, 0});
    output.failAt = c.failAt;
    output.failError = c.error;
    Bytes piece{'X', 'Y', 'Z', 'W', 'V', 'U'};
    DWORD written = 0;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(Feed(piece, written), c.result);
    if (!c.result) {
      EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ((port.flags & PORT_DISCARD) != 0, c.discard);
    EXPECT_EQ(written, c.written);
    EXPECT_EQ(port.state, ReaderState::Idle);
  }
}

TEST_F(Reader, FlushesAPartialRecordUnchanged) {
  const Bytes record = Record(DCLD_TRANSFER_DATA, Payload().u16(1).u16(2).text("abcdef"));
  for (std::size_t cut : {std::size_t{0}, std::size_t{10}, std::size_t{53}}) {
    SCOPED_TRACE(cut);
    output.writes.clear();
    if (cut) FeedAll(Slice(record, 0, cut));
    ASSERT_TRUE(FlushPartialRecord(port, output));
    EXPECT_EQ(output.All(), Slice(record, 0, cut));
    EXPECT_EQ(port.state, ReaderState::Idle);
  }
}

TEST_F(Reader, AFailedFlushEntersDiscardMode) {
  for (DWORD error : {ERROR_SUCCESS, ERROR_WRITE_FAULT}) {
    port = PortReader();
    FeedAll(Bytes{48, 0, 0, 0, 1});
    output.failAt = static_cast<int>(output.writes.size());
    output.failError = error;
    EXPECT_EQ(FlushPartialRecord(port, output), error == ERROR_SUCCESS ? TRUE : FALSE);
    EXPECT_NE(port.flags & PORT_DISCARD, 0u);
    EXPECT_TRUE(port.record.empty());
  }
}

TEST_F(Reader, ClosesOpenScopesInnermostFirst) {
  port.flags = PORT_SCOPES | PORT_DOCUMENT_STARTED;
  port.transferValue = 0x1234;
  ASSERT_TRUE(CloseOpenScopes(port, sink));
  EXPECT_EQ(sink.records, (std::vector<Bytes>{Record(DCLD_IMAGE_ABORT), Record(DCLD_SECTION_ABORT),
                                              Record(DCLD_TRANSFER_ABORT, Payload().u16(0x1234)),
                                              Record(DCLD_PAGE_ABORT), Record(DCLD_DOC_ABORT)}));
  EXPECT_EQ(port.flags, PORT_DOCUMENT_STARTED);

  sink.records.clear();
  port.flags = PORT_SCOPE_DOCUMENT | PORT_SCOPE_PAGE;
  ASSERT_TRUE(CloseOpenScopes(port, sink));
  EXPECT_EQ(sink.Types(), (std::vector<DWORD>{DCLD_PAGE_ABORT, DCLD_DOC_ABORT}));
}

TEST_F(Reader, TriesEveryAbortWhenOneFails) {
  port.flags = PORT_SCOPE_DOCUMENT | PORT_SCOPE_PAGE | PORT_SCOPE_IMAGE;
  sink.rule = FailType(DCLD_PAGE_ABORT, ERROR_WRITE_FAULT);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CloseOpenScopes(port, sink));
  EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
  EXPECT_EQ(sink.Types(), (std::vector<DWORD>{DCLD_IMAGE_ABORT, DCLD_PAGE_ABORT, DCLD_DOC_ABORT}));
}

TEST_F(Reader, IgnoresADispatchedRecordWithAnotherHeaderSize) {
  Bytes record = Record(DCLD_PAGE_BEGIN, Bytes(6));
  WriteU32(record.data(), 40);
  EXPECT_TRUE(DispatchRecord(port, sink, record, false));
  EXPECT_TRUE(sink.records.empty());
  EXPECT_EQ(port.flags, 0u);
}

}  // namespace
}  // namespace trv::spool
