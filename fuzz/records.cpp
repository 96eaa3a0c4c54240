// The record reader with the dispatcher behind it, fed a job's bytes in pieces of
// any size. Properties: the records handed on and the bytes passed through
// rebuild the input exactly, in order; every record arrives whole; a page object
// whose drawing fails comes back byte for byte as it went in; a failing feed
// fails only for a header beyond the largest record or a buffer that cannot be had.
//
// Input: the job itself; a hash of it chooses the piece sizes and which
// operations fail, so that any job file is a seed.
#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "fuzz/harness.h"
#include "platform/kernel.h"
#include "spool/dispatcher.h"
#include "spool/reader.h"
#include "spool/record.h"

namespace {

using namespace trv::spool;
using Bytes = std::vector<BYTE>;

// Buffers beyond this are refused as out of memory, so that a run never asks
// for the hundreds of megabytes a header may rightly claim.
constexpr std::size_t kMemoryLimit = 1 << 20;

bool IsPageObject(DWORD type) {
  return type == DCLD_FONT_TEXT || type == DCLD_BARCODE_TEXT || type == DCLD_LINE ||
         type == DCLD_BOX;
}

// Succeeds or fails each operation as the control byte says; the transform
// rewrites the position fields as a back-end turning the page would.
class Handler : public RecordHandler {
 public:
  explicit Handler(BYTE control) : control_(control) {}
  BOOL AttachDocProps(OptionBlob) override { return Result(0); }
  BOOL AttachDevProps(OptionBlob) override { return Result(0); }
  BOOL StartDoc(DWORD, DWORD, DWORD) override { return Result(1); }
  BOOL EndDoc() override { return Result(1); }
  BOOL AbortDoc() override { return Result(1); }
  BOOL StartPage(WORD, WORD, WORD) override { return Result(2); }
  BOOL NextPage() override { return Result(2); }
  BOOL EndPage(WORD) override { return Result(2); }
  BOOL BeginSection(WORD, WORD) override { return Result(3); }
  BOOL SectionByte(BYTE) override { return Result(3); }
  BOOL SectionCommand() override { return Result(3); }
  BOOL EndSection() override { return Result(3); }
  BOOL BeginBitmap(WORD, WORD, WORD) override { return Result(4); }
  BOOL PlaceBitmap(WORD, WORD, WORD, WORD, WORD) override { return Result(4); }
  BOOL BitmapData(std::span<BYTE>) override { return Result(4); }
  BOOL EndBitmap() override { return Result(4); }
  BOOL ResetBitmap() override { return Result(4); }
  BOOL BeginTransfer(WORD, WORD) override { return Result(5); }
  BOOL TransferData(WORD, WORD, BYTE*, DWORD) override { return Result(5); }
  BOOL EndTransfer(WORD) override { return Result(5); }
  BOOL AbortTransfer(WORD) override { return Result(5); }
  void TransformItem(DWORD, BYTE* payload, ItemKind) override {
    for (int i = 4; i < 28; ++i) payload[i] ^= 0xA5;
  }
  BOOL PrintText(WORD, LONG, LONG, LONG, LONG, LONG, LONG, LONG, const BYTE*, DWORD,
                 BYTE*) override {
    return Result(6);
  }
  BOOL PrintBarcode(WORD, LONG, LONG, LONG, LONG, LONG, LONG, LONG, const BYTE*, DWORD,
                    BYTE*) override {
    return Result(6);
  }
  BOOL DrawLine(WORD, LONG, LONG, LONG, LONG, LONG, LONG, LONG, BYTE*) override {
    return Result(6);
  }
  BOOL DrawBox(WORD, LONG, LONG, LONG, LONG, LONG, LONG, LONG, BYTE*) override { return Result(6); }
  BOOL PassThrough(WORD, const BYTE*, DWORD) override { return Result(7); }

 private:
  BOOL Result(int bit) {
    if (control_ & (1 << bit)) {
      SetLastError(ERROR_GEN_FAILURE);
      return FALSE;
    }
    return TRUE;
  }
  BYTE control_;
};

// Keeps every record it is given in the rebuilt stream, checks it is whole, and
// hands it to the dispatcher. It never fails the reader: what the reader does
// with failures is the reader's own tests' business; here the stream must come
// back whole.
class Sink : public RecordSink {
 public:
  Sink(RecordDispatcher& dispatcher, Bytes& rebuilt) : dispatcher_(dispatcher), rebuilt_(rebuilt) {}
  BOOL ProcessRecord(std::span<BYTE> record) override {
    FUZZ_CHECK(record.size() >= DCLD_HEADER_SIZE);
    FUZZ_CHECK(RecordHeaderSize(record.data()) == DCLD_HEADER_SIZE);
    FUZZ_CHECK(RecordMagic(record.data()) == DCLD_MAGIC);
    FUZZ_CHECK(record.size() == DCLD_HEADER_SIZE + std::size_t{RecordPayloadLength(record.data())});
    rebuilt_.insert(rebuilt_.end(), record.begin(), record.end());
    const Bytes before(record.begin(), record.end());
    if (!dispatcher_.ProcessRecord(record) && IsPageObject(RecordType(record.data())))
      FUZZ_CHECK(std::equal(record.begin(), record.end(), before.begin()));
    return TRUE;
  }

 private:
  RecordDispatcher& dispatcher_;
  Bytes& rebuilt_;
};

class Output : public PortOutput {
 public:
  explicit Output(Bytes& rebuilt) : rebuilt_(rebuilt) {}
  BOOL WriteRaw(std::span<const BYTE> bytes) override {
    rebuilt_.insert(rebuilt_.end(), bytes.begin(), bytes.end());
    return TRUE;
  }

 private:
  Bytes& rebuilt_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint32_t hash = trv::fuzz::HashOf(data, size);
  std::minstd_rand pieces(hash | 1);
  Handler handler(static_cast<BYTE>(hash >> 24));
  RecordDispatcher dispatcher(handler, [](std::size_t n) { return n <= kMemoryLimit; });
  Bytes rebuilt;
  Sink sink(dispatcher, rebuilt);
  Output output(rebuilt);
  PortReader port;
  port.allocationGate = [](std::size_t n) { return n <= kMemoryLimit; };
  const Bytes stream(data, data + size);
  std::size_t at = 0;
  while (at < stream.size()) {
    const std::size_t piece = trv::fuzz::NextPiece(pieces, stream.size() - at);
    Bytes bytes(stream.begin() + at, stream.begin() + at + piece);
    DWORD written = 0;
    if (!FeedPort(port, sink, output, bytes, written)) {
      const DWORD error = GetLastError();
      FUZZ_CHECK(error == ERROR_INVALID_DATA || error == ERROR_NOT_ENOUGH_MEMORY);
      FUZZ_CHECK(port.state == ReaderState::Idle);
      return 0;  // the job fails here; what was rebuilt so far is a prefix
    }
    FUZZ_CHECK(written == piece);
    FUZZ_CHECK((port.flags & PORT_DISCARD) == 0);
    at += piece;
    FUZZ_CHECK(rebuilt.size() <= at);
    FUZZ_CHECK(std::equal(rebuilt.begin(), rebuilt.end(), stream.begin()));
  }
  FUZZ_CHECK(FlushPartialRecord(port, output));
  FUZZ_CHECK(rebuilt == stream);
  return 0;
}
