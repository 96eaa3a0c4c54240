#include "fuzz/label_job.h"

#include <iterator>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "dcl/object/testing/job_records.h"
#include "fuzz/harness.h"
#include "spool/reader.h"

namespace trv::fuzz {
namespace {

using namespace trv::dcl::testing;
using dcl::CDCLBase;
using spool::PortOutput;
using spool::PortReader;
using spool::RecordSink;
using Bytes = std::vector<BYTE>;

// Buffers beyond this are refused as out of memory, so that a run never asks for
// the hundreds of megabytes a header may rightly claim.
constexpr std::size_t kMemoryLimit = 1 << 20;

class LayerSink : public RecordSink {
 public:
  explicit LayerSink(CDCLBase& layer) : layer_(layer) {}
  BOOL ProcessRecord(std::span<BYTE> record) override { return layer_.ProcessRecord(record); }

 private:
  CDCLBase& layer_;
};

// Data that is not a record stream goes to the printer unchanged; the layer's own
// bytes are what is under test here.
class Passed : public PortOutput {
 public:
  BOOL WriteRaw(std::span<const BYTE>) override { return TRUE; }
};

void FeedBytes(CDCLBase& layer, const Bytes& stream, std::uint32_t hash) {
  std::minstd_rand pieces(hash | 1);
  LayerSink sink(layer);
  Passed passed;
  PortReader port;
  port.allocationGate = [](std::size_t n) { return n <= kMemoryLimit; };
  std::size_t at = 0;
  while (at < stream.size()) {
    const std::size_t piece = NextPiece(pieces, stream.size() - at);
    Bytes bytes(stream.begin() + at, stream.begin() + at + piece);
    DWORD written = 0;
    if (!FeedPort(port, sink, passed, bytes, written)) return;  // the job fails here
    at += piece;
  }
  FlushPartialRecord(port, passed);
  CloseOpenScopes(port, sink);
}

// Reads a recipe's fields; past its end every field is 0.
class Recipe {
 public:
  explicit Recipe(std::span<const BYTE> bytes) : bytes_(bytes) {}
  bool More() const { return at_ < bytes_.size(); }
  BYTE Byte() { return More() ? bytes_[at_++] : 0; }
  // Each field in its own statement: the order in which the operands of one
  // expression are read is not fixed.
  WORD Word() {
    const BYTE low = Byte();
    return static_cast<WORD>(low | Byte() << 8);
  }
  // Mostly small coordinates, as pages have them; now and then any 32-bit value.
  LONG Coordinate() {
    const BYTE kind = Byte();
    if (kind < 0xF0) return static_cast<int16_t>(Word());
    const DWORD low = Word();
    return static_cast<LONG>(low | static_cast<DWORD>(Word()) << 16);
  }
  std::string Text() {
    std::string s(Byte() % 48, '\0');
    for (char& c : s) c = static_cast<char>(Byte());
    return s;
  }
  Bytes Data(std::size_t size) {
    Bytes b(size, 0xFF);
    for (std::size_t i = 0; i < size && More(); ++i) b[i] = Byte();
    return b;
  }

 private:
  std::span<const BYTE> bytes_;
  std::size_t at_ = 0;
};

OptionBlobs OptionsOf(Recipe& s) {
  static constexpr WORD kIds[] = {0x1004, 0x1005, 0x1008, 0x1009, 0x3005, 0x3008,
                                  0x3012, 0x3021, 0x3041, 0x3044, 0x3045};
  OptionBlobs options;
  for (int n = s.Byte() % 4; n > 0; --n) {
    const WORD id = kIds[s.Byte() % std::size(kIds)];
    if (id >= 0x3041)
      options.UserCommand(id, s.Text());
    else
      options.Setting(id, static_cast<int8_t>(s.Byte()));
  }
  return options;
}

void FeedRecipe(CDCLBase& layer, Recipe& s) {
  std::vector<Record> records;
  while (s.More() && records.size() < 256) {
    switch (s.Byte() % 12) {
      case 0: {
        const bool device = s.Byte() & 1;
        records.push_back(Blobs(device, OptionsOf(s)));
        break;
      }
      case 1: {
        const LONG w = s.Word() % 2048, h = s.Word() % 2048;
        records.push_back(DocBegin(w, h, s.Byte() % 3));
        break;
      }
      case 2: records.push_back(PageBegin(s.Byte() % 4)); break;
      case 3: records.push_back(PageEnd(s.Byte() % 4)); break;
      case 4: records.push_back(DocEnd()); break;
      case 5:
      case 6: {
        const char kind = s.Byte() & 1 ? 'B' : 'F';
        const WORD id = s.Byte() % 8;
        const LONG x = s.Coordinate(), y = s.Coordinate(), w = s.Coordinate(), h = s.Coordinate(),
                   cw = s.Coordinate(), ch = s.Coordinate();
        const std::string text = s.Text();
        records.push_back(TextItem(kind, id, x, y, w, h, cw, ch, text, s.Byte() % 10));
        break;
      }
      case 7:
      case 8: {
        const char kind = s.Byte() & 1 ? 'R' : 'L';
        const LONG x = s.Coordinate(), y = s.Coordinate(), dx = s.Coordinate(), dy = s.Coordinate();
        const LONG colour = s.Byte() & 1 ? 0xFFFFFF : 0;
        const LONG xorFlag = s.Byte() & 1;
        records.push_back(LineItem(kind, x, y, dx, dy, colour, xorFlag, s.Coordinate()));
        break;
      }
      case 9: records.push_back(RawItem(s.Text())); break;
      case 10: {
        // A page bitmap: its header, then its rows (short or long of the header's
        // size as the recipe says).
        const WORD width = s.Word() % 2048, height = s.Byte(), stride = s.Byte();
        records.push_back(BitmapHeader(width, height, stride));
        std::size_t size = std::size_t{height} * stride;
        if (s.Byte() % 8 == 0) size = s.Word() % (size + 64);
        records.push_back(BitmapData(s.Data(size)));
        break;
      }
      case 11: {
        // A whole simple job around what follows.
        records.push_back(Blobs(true, OptionBlobs()));
        records.push_back(Blobs(false, OptionBlobs()));
        records.push_back(DocBegin(832, 1218, 1 + s.Byte() % 2));
        records.push_back(PageBegin(1));
        break;
      }
    }
  }
  for (Record& r : records)
    if (!layer.ProcessRecord(std::span<BYTE>(r.data(), r.size()))) break;
}

}  // namespace

int FailingWriteOf(std::uint32_t hash) {
  return (hash >> 24) % 4 == 0 ? static_cast<int>((hash >> 16) % 64) : -1;
}

void FeedLabelJob(CDCLBase& layer, const std::uint8_t* data, std::size_t size, std::uint32_t hash) {
  if (size > 0 && (data[0] & 1) != 0) {
    Recipe recipe(std::span<const BYTE>(data + 1, size - 1));
    FeedRecipe(layer, recipe);
  } else {
    FeedBytes(layer, Bytes(data, data + size), hash);
  }
}

std::size_t SentBound(std::size_t size) { return (std::size_t{1} << 20) + 4096 * size; }

}  // namespace trv::fuzz
