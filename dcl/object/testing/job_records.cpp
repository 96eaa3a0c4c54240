#include "dcl/object/testing/job_records.h"

#include <cstdio>
#include <cstring>

#include "spool/record.h"
#include "spool/writer.h"

namespace trv::dcl::testing {

namespace {

void PutValue(std::vector<BYTE>& blob, WORD id, std::vector<LONG> words,
              const std::string& text = {}, DWORD size = 0) {
  std::vector<BYTE> v(8 + words.size() * 4, 0);
  for (size_t i = 0; i < words.size(); ++i) std::memcpy(v.data() + 8 + 4 * i, &words[i], 4);
  v.insert(v.end(), text.begin(), text.end());
  if (size > v.size()) v.resize(size, 0);
  DWORD total = static_cast<DWORD>(v.size());
  std::memcpy(v.data(), &total, 4);
  std::memcpy(v.data() + 4, &id, 2);
  WORD flags = 0x1000;
  std::memcpy(v.data() + 6, &flags, 2);
  blob.insert(blob.end(), v.begin(), v.end());
}

std::vector<BYTE> WithHeader(const std::vector<BYTE>& values, DWORD headerSize) {
  std::vector<BYTE> blob(headerSize + values.size(), 0);
  std::memcpy(blob.data(), &headerSize, 4);
  DWORD count = static_cast<DWORD>(values.size());
  std::memcpy(blob.data() + 8, &count, 4);
  WORD model = 1;
  std::memcpy(blob.data() + 12, &model, 2);
  if (!values.empty()) std::memcpy(blob.data() + headerSize, values.data(), values.size());
  return blob;
}

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

OptionBlobs& OptionBlobs::Setting(WORD id, LONG setting) {
  PutValue(id == 0x3018 ? dev_ : doc_, id, {setting});
  return *this;
}
OptionBlobs& OptionBlobs::Dispense(LONG mode, LONG delay, LONG distance, DWORD switches) {
  PutValue(doc_, 0x2001, {mode, 0, delay, distance, 0, static_cast<LONG>(switches)});
  return *this;
}
OptionBlobs& OptionBlobs::Tracking(LONG mode, LONG sensor) {
  PutValue(doc_, 0x3005, {mode, 0, sensor});
  return *this;
}
OptionBlobs& OptionBlobs::UserCommand(WORD id, const std::string& text, DWORD enabled) {
  PutValue(doc_, id, {static_cast<LONG>(enabled)}, text, 80);
  return *this;
}
std::vector<BYTE> OptionBlobs::Doc() const { return WithHeader(doc_, 32); }
std::vector<BYTE> OptionBlobs::Dev() const { return WithHeader(dev_, 20); }

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
  // The box's far edges wrap as the 32-bit fields they are: the fuzz harness builds
  // items anywhere.
  auto edge = [](LONG a, LONG b) {
    return static_cast<LONG>(static_cast<DWORD>(a) + static_cast<DWORD>(b));
  };
  f.i32(y).i32(edge(y, h)).i32(x).i32(edge(x, w)).text(text);
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
