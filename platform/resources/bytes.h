// Little-endian fields in byte buffers. Readers are bounded: a field that would
// reach past the end of its buffer is not read, so malformed input is refused
// instead of read out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace trv::resources {

constexpr size_t AlignUp(size_t value, size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// True when [offset, offset + size) lies within a buffer of `total` bytes.
constexpr bool InBounds(size_t offset, size_t size, size_t total) {
  return offset <= total && size <= total - offset;
}

template <typename T>
std::optional<T> ReadLE(std::span<const BYTE> bytes, size_t offset) {
  if (!InBounds(offset, sizeof(T), bytes.size())) return std::nullopt;
  T value = 0;
  for (size_t i = 0; i < sizeof(T); ++i)
    value = static_cast<T>(value | static_cast<T>(static_cast<T>(bytes[offset + i]) << (8 * i)));
  return value;
}

// Appends fields to a growing buffer; patch() overwrites a field written earlier.
class ByteWriter {
 public:
  size_t size() const { return bytes_.size(); }
  template <typename T>
  void put(T value) {
    for (size_t i = 0; i < sizeof(T); ++i) bytes_.push_back(static_cast<BYTE>(value >> (8 * i)));
  }
  template <typename T>
  void patch(size_t offset, T value) {
    for (size_t i = 0; i < sizeof(T); ++i)
      bytes_.at(offset + i) = static_cast<BYTE>(value >> (8 * i));
  }
  void putBytes(std::span<const BYTE> data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  // UTF-16 units, and a terminating zero when asked.
  void putText(std::u16string_view text, bool terminate) {
    for (char16_t c : text) put<WORD>(c);
    if (terminate) put<WORD>(0);
  }
  void padTo(size_t alignment) { bytes_.resize(AlignUp(bytes_.size(), alignment), 0); }
  std::vector<BYTE> take() { return std::move(bytes_); }

 private:
  std::vector<BYTE> bytes_;
};

}  // namespace trv::resources
