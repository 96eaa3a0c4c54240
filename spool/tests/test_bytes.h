// Small helpers for building payloads and records in tests.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/windef.h"
#include "spool/record.h"
#include "spool/writer.h"

namespace trv::spool::testing {

using Bytes = std::vector<BYTE>;

// Little-endian payload fields, appended in order.
class Payload {
 public:
  Payload& u8(BYTE v) {
    bytes_.push_back(v);
    return *this;
  }
  Payload& u16(WORD v) {
    bytes_.resize(bytes_.size() + 2);
    WriteU16(bytes_.data() + bytes_.size() - 2, v);
    return *this;
  }
  Payload& u32(DWORD v) {
    bytes_.resize(bytes_.size() + 4);
    WriteU32(bytes_.data() + bytes_.size() - 4, v);
    return *this;
  }
  Payload& i32(LONG v) { return u32(static_cast<DWORD>(v)); }
  Payload& text(const std::string& s) {
    bytes_.insert(bytes_.end(), s.begin(), s.end());
    return *this;
  }
  Payload& fill(std::size_t count, BYTE v = 0) {
    bytes_.insert(bytes_.end(), count, v);
    return *this;
  }
  operator Bytes() const { return bytes_; }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

inline Bytes Record(DWORD type, const Bytes& payload = {}) { return EncodeRecord(type, payload); }

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace trv::spool::testing
