#include "driver/tests/printer_values.h"

#include <algorithm>

namespace trv::driver::testing {

void PutU16(Bytes& b, std::size_t at, WORD v) {
  b.at(at) = static_cast<BYTE>(v);
  b.at(at + 1) = static_cast<BYTE>(v >> 8);
}
void PutU32(Bytes& b, std::size_t at, DWORD v) {
  PutU16(b, at, static_cast<WORD>(v));
  PutU16(b, at + 2, static_cast<WORD>(v >> 16));
}

Bytes Record(DWORD size, WORD id) {
  Bytes r(size, 0);
  PutU32(r, 0, size);
  PutU16(r, 4, id);
  return r;
}

Bytes EntryListValue(const std::vector<Bytes>& records, const std::vector<std::string>& strings) {
  Bytes v;
  for (const Bytes& r : records) v.insert(v.end(), r.begin(), r.end());
  for (const std::string& s : strings) {
    v.insert(v.end(), s.begin(), s.end());
    v.push_back(0);
  }
  v.resize(v.size() + 4);
  PutU32(v, v.size() - 4, static_cast<DWORD>(records.size()));
  return v;
}

Bytes ModelsValue(WORD id, WORD resolution) {
  Bytes m = Record(36, id);
  PutU32(m, 20, resolution);
  PutU32(m, 24, resolution);
  return EntryListValue({m}, {"LP 203", "Label printer"});
}

Bytes TraysValue() { return EntryListValue({Record(20, 3)}, {"Roll"}); }

namespace {
Bytes PaperRecord(WORD id, LONG w, LONG h, LONG dw, LONG dh, LONG left, LONG top, LONG pw,
                  LONG ph) {
  Bytes p = Record(60, id);
  const LONG fields[] = {w, h, dw, dh, left, top, pw, ph};
  for (int i = 0; i < 8; ++i) PutU32(p, 16 + 4 * i, static_cast<DWORD>(fields[i]));
  return p;
}
}  // namespace

Bytes PapersValue() {
  return EntryListValue({PaperRecord(11, 5080, 2540, 406, 203, 4, 2, 398, 199),
                         PaperRecord(12, 10160, 15240, 812, 1218, 0, 0, 812, 1218)},
                        {"2 x 1 in", "4 x 6 in"});
}

Bytes DocPropsValue(WORD paper, WORD placement, DWORD dataSize) {
  Bytes d(32 + dataSize, 0xA5);
  std::fill(d.begin(), d.begin() + 32, BYTE{0});
  PutU32(d, 0, 32);
  PutU32(d, 4, 0x300);
  PutU32(d, 8, dataSize);
  PutU16(d, 12, 7);
  PutU16(d, 14, 3);
  PutU16(d, 16, paper);
  PutU16(d, 20, placement);
  PutU32(d, 28, 0xDEADBEEF);  // an address of the process that built it
  return d;
}

Bytes DevPropsValue(DWORD dataSize) {
  Bytes d(20 + dataSize, 0x5A);
  std::fill(d.begin(), d.begin() + 20, BYTE{0});
  PutU32(d, 0, 20);
  PutU32(d, 4, 0x300);
  PutU32(d, 8, dataSize);
  PutU16(d, 12, 7);
  PutU32(d, 16, 0xDEADBEEF);
  return d;
}

}  // namespace trv::driver::testing
