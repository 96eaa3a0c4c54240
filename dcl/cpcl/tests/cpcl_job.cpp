#include "dcl/cpcl/tests/cpcl_job.h"

#include <cstdio>
#include <cstring>

#include "spool/record.h"
#include "spool/writer.h"

namespace trv::dcl::testing {

namespace {

class Fields {
 public:
  Fields& u16(WORD v) { return put(&v, 2); }
  Fields& u32(DWORD v) { return put(&v, 4); }
  Fields& i32(LONG v) { return put(&v, 4); }
  Fields& text(const std::string& s) { return put(s.data(), s.size()); }
  std::vector<BYTE> bytes;

 private:
  // Out of line: inlined into long chains, g++ 12 misreads the growth as an overflow.
  __attribute__((noinline)) Fields& put(const void* p, size_t n) {
    const size_t at = bytes.size();
    bytes.resize(at + n);
    if (n > 0) std::memcpy(bytes.data() + at, p, n);
    return *this;
  }
};

}  // namespace

Record DocBegin(DWORD width, DWORD height, DWORD orientation) {
  return spool::EncodeRecord(spool::DCLD_DOC_BEGIN,
                             Fields().u32(width).u32(height).u32(orientation).bytes);
}
Record PageBegin(WORD copies) {
  return spool::EncodeRecord(spool::DCLD_PAGE_BEGIN, Fields().u16(0).u16(0).u16(copies).bytes);
}
Record PageEnd(WORD copies) {
  return spool::EncodeRecord(spool::DCLD_PAGE_END, Fields().u16(copies).bytes);
}
Record DocEnd() { return spool::EncodeRecord(spool::DCLD_DOC_END, std::vector<BYTE>{}); }
Record Blobs(bool device, const OptionBlobs& options) {
  return spool::EncodeRecord(device ? spool::DCLD_DEVPROPS : spool::DCLD_DOCPROPS,
                             device ? options.Dev() : options.Doc());
}

Record TextItem(char kind, WORD id, LONG x, LONG y, LONG w, LONG h, LONG charW, LONG charH,
                const std::string& text, LONG direction) {
  Fields f;
  f.u16(id).u16(0).i32(x).i32(y).i32(w).i32(h).i32(0).i32(0).i32(charW).i32(charH).i32(direction);
  f.i32(y).i32(y + h).i32(x).i32(x + w).text(text);
  return spool::EncodeRecord(kind == 'B' ? spool::DCLD_BARCODE_TEXT : spool::DCLD_FONT_TEXT,
                             f.bytes);
}

Record LineItem(char kind, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG xorFlag,
                LONG width) {
  Fields f;
  f.u16(0).u16(0).i32(x).i32(y).i32(dx).i32(dy).i32(colour).i32(xorFlag).i32(width);
  f.bytes.resize(56, 0);
  return spool::EncodeRecord(kind == 'R' ? spool::DCLD_BOX : spool::DCLD_LINE, f.bytes);
}

Record RawItem(const std::string& text) {
  return spool::EncodeRecord(spool::DCLD_RAW_COMMAND, Fields().u16(0).text(text).bytes);
}

Record BitmapHeader(WORD width, WORD height, WORD stride) {
  return spool::EncodeRecord(spool::DCLD_BITMAP_HEADER,
                             Fields().u16(width).u16(height).u16(stride).bytes);
}
Record BitmapData(const std::vector<BYTE>& rows) {
  return spool::EncodeRecord(spool::DCLD_BITMAP_DATA, rows);
}

size_t Feed(TestCpcl& layer, std::vector<Record>& records) {
  size_t done = 0;
  for (Record& r : records) {
    if (!layer.ProcessRecord(std::span<BYTE>(r.data(), r.size()))) break;
    ++done;
  }
  return done;
}

std::vector<Record> PageJob(const OptionBlobs& options, DWORD width, DWORD height,
                            DWORD orientation, std::vector<Record> items, WORD copies) {
  std::vector<Record> job{Blobs(true, options), Blobs(false, options),
                          DocBegin(width, height, orientation), PageBegin(copies)};
  for (Record& r : items) job.push_back(std::move(r));
  job.push_back(PageEnd(copies));
  job.push_back(DocEnd());
  return job;
}

std::string Visible(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
      out += hex;
    } else
      out += c;
  }
  return out;
}

}  // namespace trv::dcl::testing
