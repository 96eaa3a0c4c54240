#include "tools/trvjob/sample_job.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "spool/record.h"
#include "spool/writer.h"

namespace trv::samples {

namespace {

using spool::WriteI32;
using spool::WriteU16;
using spool::WriteU32;
using Bytes = std::vector<BYTE>;

constexpr DWORD kVersion = 0x00000003;
constexpr WORD kModelKey = 1;

class Stream {
 public:
  void Add(DWORD type, const Bytes& payload = {}) {
    const Bytes record = spool::EncodeRecord(type, payload);
    bytes_.insert(bytes_.end(), record.begin(), record.end());
  }
  void Raw(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
  Bytes Take() { return std::move(bytes_); }

 private:
  Bytes bytes_;
};

// Appends little-endian fields.
class Fields {
 public:
  Fields& u16(WORD v) {
    Grow(2);
    WriteU16(End(2), v);
    return *this;
  }
  Fields& u32(DWORD v) {
    Grow(4);
    WriteU32(End(4), v);
    return *this;
  }
  Fields& i32(LONG v) {
    Grow(4);
    WriteI32(End(4), v);
    return *this;
  }
  Fields& text(const std::string& s) {
    bytes_.insert(bytes_.end(), s.begin(), s.end());
    return *this;
  }
  // Out of line: inlined into the object builders, g++ 12 misreads the fill as an
  // overflow.
  __attribute__((noinline)) Fields& zeros(std::size_t n) {
    bytes_.insert(bytes_.end(), n, 0);
    return *this;
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  __attribute__((noinline)) void Grow(std::size_t n) { bytes_.resize(bytes_.size() + n); }
  BYTE* End(std::size_t n) { return bytes_.data() + bytes_.size() - n; }
  Bytes bytes_;
};

// Option blobs with their headers only: no option values. The value pointer is
// written as 0; a reader re-points its own copy.
Bytes DevProps() {
  return Fields().u32(20).u32(kVersion).u32(0).u16(kModelKey).u16(0).u32(0).bytes();
}
Bytes DocProps() {
  return Fields()
      .u32(32)
      .u32(kVersion)
      .u32(0)
      .u16(kModelKey)
      .u16(1)
      .u16(1)
      .u16(0)
      .u16(2)
      .u16(0)
      .u16(0)
      .u16(0)
      .u32(0)
      .bytes();
}

DWORD Stride(DWORD width) { return (width + 31) / 32 * 4; }

// A 1-bit page: a frame 4 dots wide and diagonal stripes that move with the
// page number. A 0 bit is a black dot; the bits past the width stay 1 (white).
Bytes PageBitmap(DWORD width, DWORD height, DWORD page) {
  const DWORD stride = Stride(width);
  Bytes rows(std::size_t{stride} * height, 0xFF);
  for (DWORD y = 0; y < height; ++y) {
    BYTE* row = rows.data() + std::size_t{stride} * y;
    for (DWORD x = 0; x < width; ++x) {
      const bool frame = x < 4 || y < 4 || x + 4 >= width || y + 4 >= height;
      const bool stripe = (x + y + page * 8) % 64 < 4;
      if (frame || stripe) row[x / 8] &= static_cast<BYTE>(~(0x80u >> (x % 8)));
    }
  }
  return rows;
}

std::string Format(const char* format, DWORD a, DWORD b) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// A text or bar-code object: the background box and its edges, the character
// size, direction 0, then the text.
Bytes TextObject(WORD id, LONG x, LONG y, LONG w, LONG h, LONG charW, LONG charH,
                 const std::string& text) {
  return Fields()
      .u16(id)
      .u16(0)
      .i32(x)
      .i32(y)
      .i32(w)
      .i32(h)
      .i32(0)
      .i32(0)
      .i32(charW)
      .i32(charH)
      .i32(0)
      .i32(y)
      .i32(y + h)
      .i32(x)
      .i32(x + w)
      .text(text)
      .bytes();
}

// A line or a box.
Bytes LineObject(LONG x, LONG y, LONG dx, LONG dy, LONG width) {
  return Fields()
      .u16(0)
      .u16(0)
      .i32(x)
      .i32(y)
      .i32(dx)
      .i32(dy)
      .i32(0)
      .i32(0)
      .i32(width)
      .zeros(24)
      .bytes();
}

void AddObject(Stream& stream, const SampleJobOptions& o, DWORD page, DWORD index) {
  const LONG rowHeight = 40;
  const LONG y = static_cast<LONG>(8 + (index * rowHeight) % (o.height > 48 ? o.height - 48 : 1));
  const LONG x = 8;
  switch (index % 5) {
    case 0: {
      const std::string text = Format("Label %u.%u", page + 1, index + 1);
      stream.Add(spool::DCLD_FONT_TEXT,
                 TextObject(1, x, y, static_cast<LONG>(text.size()) * 12, 24, 12, 24, text));
      break;
    }
    case 1:
      stream.Add(spool::DCLD_BARCODE_TEXT,
                 TextObject(1, x, y, 200, 32, 2, 32, Format("%06u%04u", page + 1, index + 1)));
      break;
    case 2:
      stream.Add(spool::DCLD_LINE, LineObject(x, y, static_cast<LONG>(o.width / 2), 0, 3));
      break;
    case 4:
      stream.Add(spool::DCLD_BOX,
                 LineObject(x, y, static_cast<LONG>(o.width / 3), rowHeight - 8, 2));
      break;
    default:
      stream.Add(spool::DCLD_RAW_COMMAND,
                 Fields().u16(0).text(Format("; object %u.%u\r\n", page + 1, index + 1)).bytes());
      break;
  }
}

void AddPage(Stream& stream, const SampleJobOptions& o, DWORD page) {
  stream.Add(spool::DCLD_PAGE_BEGIN, Fields().u16(0).u16(0).u16(1).bytes());
  if (!o.images.empty()) {
    const ImagePage& image = o.images[page];
    stream.Add(spool::DCLD_BITMAP_HEADER, Fields()
                                              .u16(static_cast<WORD>(image.width))
                                              .u16(static_cast<WORD>(image.height))
                                              .u16(static_cast<WORD>(image.stride))
                                              .bytes());
    stream.Add(spool::DCLD_BITMAP_DATA, image.rows);
  } else {
    stream.Add(spool::DCLD_BITMAP_HEADER, Fields()
                                              .u16(static_cast<WORD>(o.width))
                                              .u16(static_cast<WORD>(o.height))
                                              .u16(static_cast<WORD>(Stride(o.width)))
                                              .bytes());
    stream.Add(spool::DCLD_BITMAP_DATA, PageBitmap(o.width, o.height, page));
  }
  for (DWORD i = 0; i < o.objects; ++i) AddObject(stream, o, page, i);
  stream.Add(spool::DCLD_PAGE_END, Fields().u16(1).bytes());
}

}  // namespace

std::vector<BYTE> MakeSampleJob(const SampleJobOptions& given) {
  SampleJobOptions options = given;
  if (!options.images.empty()) {
    options.pages = static_cast<DWORD>(options.images.size());
    options.width = options.height = 0;
    for (const ImagePage& image : options.images) {
      options.width = std::max(options.width, image.width);
      options.height = std::max(options.height, image.height);
    }
  }
  if (options.width == 0 || options.height == 0 || options.width > kMaxPageDots ||
      options.height > kMaxPageDots) {
    throw std::invalid_argument("page size");
  }
  Stream stream;
  stream.Raw(options.rawPrefix);
  stream.Add(spool::DCLD_DEVPROPS, DevProps());
  stream.Add(spool::DCLD_DOCPROPS, DocProps());
  stream.Add(spool::DCLD_DOC_BEGIN, Fields().u32(options.width).u32(options.height).u32(1).bytes());
  for (DWORD page = 0; page < options.pages; ++page) AddPage(stream, options, page);
  stream.Add(spool::DCLD_DOC_END);
  return stream.Take();
}

}  // namespace trv::samples
