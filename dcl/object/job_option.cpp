#include "dcl/object/job_option.h"

#include <cstring>

namespace trv::dcl {

namespace {
constexpr DWORD kValueHead = 8;  // size, id, flags
}

JobOptionValue::JobOptionValue(const BYTE* value) : value_(value) {
  if (value_ != nullptr) std::memcpy(&size_, value_, sizeof size_);
  if (size_ < kValueHead) value_ = nullptr;
}

LONG JobOptionValue::Field(DWORD offset) const {
  if (value_ == nullptr || offset > size_ || size_ - offset < 4) return 0;
  LONG v;
  std::memcpy(&v, value_ + offset, sizeof v);
  return v;
}

std::string JobOptionValue::Text(DWORD offset) const {
  if (value_ == nullptr || offset >= size_) return {};
  const char* start = reinterpret_cast<const char*>(value_ + offset);
  const void* end = std::memchr(start, 0, size_ - offset);
  return std::string(start, end ? static_cast<const char*>(end) - start : size_ - offset);
}

}  // namespace trv::dcl
